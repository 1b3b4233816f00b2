// The slot commands run from the `slotkit` command line: exit status and the bytes on disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "../core/ops_fixture.h"
#include "base/row_number.h"
#include "cli_test_support.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;

class OpsCliTest : public OpsTest {
  protected:
    std::ostringstream out, err;

    int Run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--card", card.Root()});
        const CliRun run = RunCli(args);
        out.str(run.out);
        err.str(run.err);
        return run.status;
    }
};

TEST_F(OpsCliTest, BackupAndRestoreByNameAndRowNumber) {
    const Bytes a = card.WriteSlot(mode, "A.DAT", 263'168);
    const Bytes b = card.WriteSlot(mode, "B.DAT", 263'168);

    EXPECT_EQ(Run({"backup", "A.DAT", Pc("copy").string()}), 0);
    EXPECT_EQ(ReadFile(Pc("copy.DAT")), a);
    EXPECT_EQ(out.str(), "true: Success!\n");

    EXPECT_EQ(Run({"backup", "A.DAT", "B.DAT", card.PcFolder().string()}), 0);
    EXPECT_EQ(ReadFile(Pc("B.DAT")), b);

    // A restore batch whose folder lacks a file fails as a whole.
    fs::remove(Pc("A.DAT"));
    WriteFile(Pc("B.DAT"), PatternBytes(263'168, 8));
    EXPECT_EQ(Run({"restore", "A.DAT", "B.DAT", card.PcFolder().string()}), 1);
    EXPECT_EQ(err.str(),
              "Alert: Failed!\nA.DAT <- " + Pc("A.DAT").string() + ": No such file or directory\n");
    EXPECT_EQ(ReadFile(Slot("A.DAT")), a);
    EXPECT_EQ(ReadFile(Slot("B.DAT")), PatternBytes(263'168, 8));

    // A row without a file: the copy fails and no slot appears.
    EXPECT_EQ(Run({"restore", "50", Pc("copy.DAT").string()}), 1);
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), (std::vector<std::string>{"A.DAT", "B.DAT"}));
}

TEST_F(OpsCliTest, DummyAndConvertInGbaMode) {
    mode = slots::EditMode::Gba;
    const Bytes old = card.WriteSlot(mode, "OLD.DAT", slots::kOldFormSize);

    EXPECT_EQ(Run({"--mode", "gba", "--yes", "convert", "OLD.DAT"}), 0);
    EXPECT_EQ(ReadFile(Slot("OLD.DAT")), Bytes(old.begin(), old.begin() + 132'096));

    EXPECT_EQ(Run({"--mode", "gba", "--yes", "dummy", "OLD.DAT", "99", "--name", "NEW"}), 0);
    EXPECT_EQ(ReadFile(Slot("OLD.DAT")), Bytes(1'048'576, 0));
    EXPECT_EQ(ReadFile(Slot("NEW.DAT")), Bytes(1'048'576, 0));
    EXPECT_EQ(out.str(), "message: Success!\n");

    // --no leaves everything; a question without an answer is a usage error.
    EXPECT_EQ(Run({"--mode", "gba", "--no", "dummy", "NEW.DAT"}), 0);
    EXPECT_EQ(Run({"--mode", "gba", "convert", "NEW.DAT"}), 2);
    EXPECT_EQ(fs::file_size(Slot("NEW.DAT")), 1'048'576u);
}

TEST_F(OpsCliTest, ConvertOfAShortFileExitsWithFailure) {
    const Bytes shorter = card.WriteSlot(mode, "S.DAT", 1000);
    EXPECT_EQ(Run({"--yes", "convert", "S.DAT"}), 1);
    EXPECT_EQ(ReadFile(Slot("S.DAT")), shorter);
    EXPECT_NE(err.str().find("S.DAT"), std::string::npos);
}

TEST_F(OpsCliTest, Rename) {
    card.WriteSlot(mode, "A.DAT", 263'168);
    card.WriteSlot(mode, "B.DAT", 263'168);
    EXPECT_EQ(Run({"rename", "A.DAT", "B"}), 1);
    EXPECT_TRUE(err.str().starts_with("error: Failed!\nRow 0")) << err.str();
    EXPECT_TRUE(err.str().ends_with(", A.DAT: B.DAT already exists.\n")) << err.str();
    EXPECT_EQ(Run({"rename", "A.DAT", "../A"}), 1);
    EXPECT_EQ(Run({"rename", "A.DAT", "C"}), 0);
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), (std::vector<std::string>{"B.DAT", "C.DAT"}));
}

TEST_F(OpsCliTest, DeleteRemovesFilesOnly) {
    card.WriteSlot(mode, "A.DAT", 263'168);
    card.WriteSlot(mode, "B.DAT", 263'168);
    EXPECT_EQ(Run({"--yes", "delete", "A.DAT", "99"}), 0);
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), std::vector<std::string>{"B.DAT"});
    EXPECT_EQ(Run({"--no", "delete", "B.DAT"}), 0);
    EXPECT_EQ(Run({"--yes", "delete", "50"}), 0);
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), std::vector<std::string>{"B.DAT"});
    EXPECT_TRUE(fs::is_directory(card.SaveFolder(mode)));
}

#ifndef _WIN32  // Windows names files its own way (8.3 aliases, letter case)
TEST_F(OpsCliTest, RetargetWritesTheNamesAndRenamesTheFirstRow) {
    Bytes slot = card.WriteSlot(mode, "A.DAT", 263'168, "OLDGAME NDS");
    slot[0x40010] = 1;
    WriteFile(Slot("A.DAT"), slot);
    WriteFile(Pc("New Super Game.nds"), Bytes(4, 0));

    EXPECT_EQ(
        Run({"--yes", "retarget", "A.DAT", Pc("New Super Game.nds").string(), "--rename", "SUPER"}),
        0);
    const Bytes after = ReadFile(Slot("SUPER.DAT"));
    ASSERT_EQ(after.size(), slot.size());
    EXPECT_EQ(std::string(after.begin() + 0x40005, after.begin() + 0x40010), "NEWSUP~1NDS");
    EXPECT_EQ(std::string(after.begin() + 0x40025, after.begin() + 0x40025 + 18),
              "New Super Game.nds");
    EXPECT_EQ(after[0x40025 + 18], 0);
    EXPECT_FALSE(fs::exists(Slot("A.DAT")));

    EXPECT_EQ(Run({"--yes", "retarget", "50", Pc("New Super Game.nds").string()}), 1);
    EXPECT_EQ(err.str(), "error: It doesn't open DAT file.\n");
}
#endif

// Commands as people type them: options after the command, the mode and slot names in any
// letter case, and a card folder that is not there.
TEST_F(OpsCliTest, OptionsAfterTheCommandAndNamesInAnyCase) {
    mode = slots::EditMode::Gba;
    card.WriteSlot(mode, "Zelda.DAT", 132'096);
    card.WriteSlot(mode, "POKE.DAT", 132'096);
    EXPECT_EQ(Run({"delete", "zelda.dat", "--mode", "GBA", "--no"}), 0);
    EXPECT_TRUE(fs::exists(Slot("Zelda.DAT")));
    EXPECT_EQ(Run({"-m", "Gba", "delete", "ZELDA.dat", "-y"}), 0);
    EXPECT_EQ(out.str(), "Zelda.DAT was deleted.\n");
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), std::vector<std::string>{"POKE.DAT"});
}

#ifndef _WIN32  // two names that differ in case only need a case-sensitive disk
TEST_F(OpsCliTest, ASpellingThatFitsSeveralFilesNamesNone) {
    card.WriteSlot(mode, "a.DAT", 263'168);
    card.WriteSlot(mode, "A.DAT", 263'168);
    EXPECT_EQ(Run({"--yes", "delete", "a.dat"}), 2);
    EXPECT_EQ(Run({"--yes", "delete", "a.DAT"}), 0);  // the exact spelling still works
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), std::vector<std::string>{"A.DAT"});
}
#endif

TEST_F(OpsCliTest, NameDialogsAskOnTheTerminalWhenNoNameWasGiven) {
    card.WriteSlot(mode, "A.DAT", 263'168);
    std::istringstream in("typed\n");
    const int status = cli::RunSlotkit({"--card", card.Root(), "rename", "A.DAT", "B"},
                                       cli::Terminal{in, out, err, true});
    EXPECT_EQ(status, 0);
    // dummy on a row without a file and no --name: the name is asked for.
    const int dummy = cli::RunSlotkit({"--card", card.Root(), "--yes", "dummy", "99"},
                                      cli::Terminal{in, out, err, true});
    EXPECT_EQ(dummy, 0);
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)),
              (std::vector<std::string>{"B.DAT", "typed.DAT"}));
    EXPECT_NE(out.str().find("Please input DAT filename"), std::string::npos);
}

#ifndef _WIN32  // Windows names files its own way (8.3 aliases, letter case)
TEST_F(OpsCliTest, RetargetSaysWhatItDidAndWhichRowsTheRenameLeft) {
    card.WriteSlot(mode, "A.DAT", 263'168, "OLDGAME NDS");
    card.WriteSlot(mode, "B.DAT", 263'168, "OLDGAME NDS");
    WriteFile(Pc("Game.nds"), Bytes(4, 0));
    SelectFiles({"A.DAT", "B.DAT"});
    const std::vector<std::string> order = SelectedInListOrder({"A.DAT", "B.DAT"});
    const Bytes second = ReadFile(Slot(order[1]));

    EXPECT_EQ(
        Run({"--yes", "retarget", "A.DAT", "B.DAT", Pc("Game.nds").string(), "--rename", "FIRST"}),
        1);
    EXPECT_EQ(out.str(), "The target ROM of " + order[0] + " is now GAME    NDS.\n");
    EXPECT_EQ(err.str(),
              "Alert: The rename refreshed the list and ended the change.\nThese selected DAT "
              "files were left unchanged:\n" +
                  order[1] + "\n");
    EXPECT_EQ(ReadFile(Slot(order[1])), second);
    EXPECT_TRUE(fs::exists(Slot("FIRST.DAT")));
}
#endif

}  // namespace
}  // namespace slotkit::test
