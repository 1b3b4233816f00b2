#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli_test_support.h"
#include "temp_card.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(CliList, PrintsTheHundredRowsTabSeparated) {
    TempCard card;
    card.WriteSlot(slots::EditMode::Gba, "ZELDA.DAT", slots::kGbaLayout.newFormSize, "ZELDA   GBA");
    const CliRun run = RunCli({"-c", card.Root(), "--mode", "gba", "list"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 100u);
    EXPECT_TRUE(lines[0].starts_with("00\tZELDA.DAT\tZELDA   GBA\t")) << lines[0];
    EXPECT_EQ(lines[1], "01\t\tFile not found.\t");
    EXPECT_EQ(lines[99], "99\t\tFile not found.\t");
}

TEST(CliList, CardRootWithoutTrailingSeparatorWorks) {
    TempCard card;
    card.WriteSlot(slots::EditMode::Nds, "A.DAT", slots::kNdsLayout.newFormSize, "ABC     NDS");
    std::string root = card.Root();
    root.pop_back();
    const CliRun run = RunCli({"--card", root, "list"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.starts_with("00\tA.DAT\tABC     NDS\t"));
}

TEST(CliList, MissingFolderQuestionFollowsTheAnswer) {
    TempCard card;
    CliRun run = RunCli({"-c", card.Root(), "--no", "list"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(fs::exists(card.SaveFolder(slots::EditMode::Nds)));

    run = RunCli({"-c", card.Root(), "list"}, "y\n", true);
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(
        run.out.starts_with("message: NDSSAVE folder is not found.\nDoes it create? [y/N] "));
    EXPECT_TRUE(fs::is_directory(card.SaveFolder(slots::EditMode::Nds)));
    EXPECT_EQ(Lines(run.out).size(), 101u);
}

TEST(CliList, QuestionWithoutATerminalIsAUsageErrorAndChangesNothing) {
    TempCard card;
    const CliRun run = RunCli({"-c", card.Root(), "list"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("--yes or --no"), std::string::npos);
    EXPECT_FALSE(fs::exists(card.SaveFolder(slots::EditMode::Nds)));
}

// A mistyped card must not get a save folder made for it: checked before any question.
TEST(CliList, ACardThatIsNotAFolderIsAUsageError) {
    TempCard card;
    std::ofstream(card.Dir() / "file") << "x";
    for (const fs::path& cardPath : {card.Dir() / "gone", card.Dir() / "file"}) {
        const CliRun run = RunCli({"-c", cardPath.string(), "-y", "list"});
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find(cardPath.string()), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(cardPath / "NDSSAVE"));
    }
}

TEST(CliUsage, BadArgumentsExitWithTwo) {
    TempCard card;
    card.MakeSaveFolder(slots::EditMode::Nds);
    EXPECT_EQ(RunCli({"list"}).status, 2);                                  // no card
    EXPECT_EQ(RunCli({"-c", card.Root(), "-m", "psp", "list"}).status, 2);  // bad mode
    EXPECT_EQ(RunCli({"-c", card.Root(), "--yes", "--no", "list"}).status, 2);
    EXPECT_EQ(RunCli({"-c", card.Root()}).status, 2);  // no command
    EXPECT_EQ(RunCli({"-c", card.Root(), "frobnicate"}).status, 2);
    EXPECT_EQ(RunCli({"-c", card.Root(), "delete", "100"}).status, 2);  // no such row
    EXPECT_EQ(RunCli({"-c", card.Root(), "delete", "NOPE.DAT"}).status, 2);
    EXPECT_EQ(RunCli({"-c", card.Root(), "import", "1"}).status, 2);  // FILE missing
}

TEST(CliUsage, HelpAndVersionSucceed) {
    CliRun run = RunCli({"--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("retarget"), std::string::npos);
    run = RunCli({"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.starts_with("slotkit "));
    EXPECT_NE(run.out.find("\nLicense GPL-3.0-or-later"), std::string::npos) << run.out;
}

#ifndef _WIN32  // a POSIX shell command line; the Windows script runs slotkit.exe itself
TEST(CliBinary, ListsACardEndToEnd) {
    TempCard card;
    card.WriteSlot(slots::EditMode::Nds, "E2E.DAT", slots::kNdsLayout.newFormSize, "E2E     NDS");
    const std::string command = std::string(SLOTKIT_BINARY) + " -c '" + card.Root() + "' list > '" +
                                (card.Dir() / "out.txt").string() + "' 2>&1 < /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const Bytes out = ReadFile(card.Dir() / "out.txt");
    const std::string text(out.begin(), out.end());
    EXPECT_TRUE(text.starts_with("00\tE2E.DAT\tE2E     NDS\t")) << text;
    EXPECT_EQ(Lines(text).size(), 100u);
}
#endif

}  // namespace
}  // namespace slotkit::test
