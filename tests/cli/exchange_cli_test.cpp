// `slotkit import` and `slotkit export`: exit status and the bytes on disk.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>

#include "cli_test_support.h"
#include "slots/slot_format.h"
#include "temp_card.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;

class ExchangeCliTest : public ::testing::Test {
  protected:
    TempCard card;
    Bytes slot;

    void SetUp() override {
        slot = card.WriteSlot(slots::EditMode::Nds, "GAME.DAT", slots::kNdsLayout.newFormSize);
    }
    fs::path SlotFile() const { return card.SlotFile(slots::EditMode::Nds, "GAME.DAT"); }
    fs::path Pc(const std::string& name) const { return card.PcFolder() / name; }
};

TEST_F(ExchangeCliTest, ImportWritesTheSlotAndExitsZero) {
    const Bytes save = PatternBytes(3000, 9);
    WriteFile(Pc("game.sav"), save);
    const CliRun run = RunCli({"-c", card.Root(), "--yes", "import", "0", Pc("game.sav").string()});
    EXPECT_EQ(run.status, cli::kExitOk) << run.err;
    EXPECT_EQ(run.out, "true: Success!\n");
    Bytes expected = slot;
    std::copy(save.begin(), save.end(), expected.begin());
    EXPECT_EQ(ReadFile(SlotFile()), expected);
}

TEST_F(ExchangeCliTest, ExportWritesTheTargetAndExitsZero) {
    WriteFile(Pc("game.dss"), Bytes(600, 0xAB));
    const CliRun run =
        RunCli({"-c", card.Root(), "-y", "export", "GAME.DAT", Pc("game.dss").string()});
    EXPECT_EQ(run.status, cli::kExitOk) << run.err;
    Bytes expected(600, 0xAB);
    std::copy(slot.begin(), slot.begin() + 100, expected.begin() + 500);
    EXPECT_EQ(ReadFile(Pc("game.dss")), expected);
}

TEST_F(ExchangeCliTest, RefusalsExitOneAndChangeNothing) {
    WriteFile(Pc("game.txt"), Bytes(100, 1));
    WriteFile(Pc("game.dst"), Bytes(600, 2));
    const CliRun unsupported =
        RunCli({"-c", card.Root(), "--yes", "import", "0", Pc("game.txt").string()});
    EXPECT_EQ(unsupported.status, cli::kExitFailure);
    EXPECT_EQ(unsupported.err, "error: It doesn't support.\n");
    const CliRun dst = RunCli({"-c", card.Root(), "--yes", "export", "0", Pc("game.dst").string()});
    EXPECT_EQ(dst.status, cli::kExitFailure);
    EXPECT_EQ(dst.err, "error: It isn't supporting MAXDRIVE-DST(Compress) file.\n");
    EXPECT_EQ(ReadFile(SlotFile()), slot);
    EXPECT_EQ(ReadFile(Pc("game.dst")), Bytes(600, 2));
}

TEST_F(ExchangeCliTest, QuestionsWithoutAnAnswerChangeNothing) {
    WriteFile(Pc("game.sav"), Bytes(100, 3));
    const CliRun no = RunCli({"-c", card.Root(), "--no", "import", "0", Pc("game.sav").string()});
    EXPECT_EQ(no.status, cli::kExitOk);
    EXPECT_EQ(no.out, "");
    const CliRun unanswered = RunCli({"-c", card.Root(), "import", "0", Pc("game.sav").string()});
    EXPECT_EQ(unanswered.status, cli::kExitUsage);
    EXPECT_EQ(ReadFile(SlotFile()), slot);
}

TEST_F(ExchangeCliTest, ExportNewWritesAFileOfTheGamesSize) {
    struct Case {
        std::vector<std::string> size;  // the --size option, if any
        const char* name;
        std::size_t bytes;  // of the new file
        const char* out;
    };
    // The slot's pattern fills its whole region, so the suggested size is the region's; a
    // smaller one cuts data off and is asked about (answered by --yes).
    const Case cases[] = {
        {{},
         "a.sav",
         262144,
         "true: Success!\nThe new file holds a save of 262,144 bytes.\nThe game's save size is "
         "not known (the slot's ROM is not on the card): the size was guessed from the save's "
         "data. Another size can be chosen in the file chooser's size box (export-new --size on "
         "the command line).\n"},
        {{"--size", "8K", "--yes"},
         "b.sav",
         8192,
         "true: Success!\nThe new file holds a save of 8,192 bytes.\n"},
        {{"--size", "512", "--yes"},
         "c.dsv",
         512 + 122,
         "true: Success!\nThe new file holds a save of 512 bytes.\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"-c", card.Root(), "export-new", "0", Pc(c.name).string()};
        args.insert(args.end(), c.size.begin(), c.size.end());
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.status, cli::kExitOk) << c.name << run.err;
        EXPECT_EQ(run.out, c.out) << c.name;
        const Bytes written = ReadFile(Pc(c.name));
        ASSERT_EQ(written.size(), c.bytes) << c.name;
        EXPECT_TRUE(std::equal(slot.begin(), slot.begin() + std::min<std::size_t>(c.bytes, 512),
                               written.begin()))
            << c.name;
    }
}

TEST_F(ExchangeCliTest, ExportNewAsksBeforeReplacingAndChecksItsSize) {
    WriteFile(Pc("game.sav"), Bytes(10, 6));
    const CliRun no =
        RunCli({"-c", card.Root(), "--no", "export-new", "0", Pc("game.sav").string()});
    EXPECT_EQ(no.status, cli::kExitOk);
    EXPECT_EQ(ReadFile(Pc("game.sav")), Bytes(10, 6));
    const CliRun yes = RunCli(
        {"-c", card.Root(), "--yes", "export-new", "0", Pc("game.sav").string(), "--size", "8k"});
    EXPECT_EQ(yes.status, cli::kExitOk) << yes.err;
    EXPECT_EQ(ReadFile(Pc("game.sav")).size(), 8192u);

    const CliRun badSize =
        RunCli({"-c", card.Root(), "export-new", "0", Pc("new.sav").string(), "--size", "8M"});
    EXPECT_EQ(badSize.status, cli::kExitUsage);
    const CliRun oddSize =
        RunCli({"-c", card.Root(), "export-new", "0", Pc("new.sav").string(), "--size", "1000"});
    EXPECT_EQ(oddSize.status, cli::kExitFailure);
    EXPECT_FALSE(fs::exists(Pc("new.sav")));
}

// Read-only files and folders: root may write them all the same, so these run the program as
// an unprivileged user when the tests run as root.
#ifndef _WIN32  // unprivileged runs need setpriv and POSIX permissions
class ExchangeReadOnlyTest : public ExchangeCliTest {
  protected:
    bool asRoot = ::geteuid() == 0;

    void SetUp() override {
        ExchangeCliTest::SetUp();
        if (asRoot && ::access("/usr/bin/setpriv", X_OK) != 0) {
            GTEST_SKIP() << "running as root without setpriv to drop privileges";
        }
        // The unprivileged user must reach the card; the files it may change are made
        // writable for everyone, the others stay root's.
        fs::permissions(card.Dir(), fs::perms::owner_all | fs::perms::group_read |
                                        fs::perms::group_exec | fs::perms::others_read |
                                        fs::perms::others_exec);
    }
    void Writable(const fs::path& path) const { fs::permissions(path, fs::perms::all); }
    void ReadOnly(const fs::path& path) const {
        fs::permissions(path, fs::perms::owner_read | fs::perms::group_read |
                                  fs::perms::others_read | fs::perms::owner_exec |
                                  fs::perms::group_exec | fs::perms::others_exec);
    }

    // Runs the slotkit binary, as user nobody when we are root.
    CliRun Unprivileged(const std::vector<std::string>& args) const {
        std::string command = asRoot ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
        command += SLOTKIT_BINARY;
        for (const std::string& arg : args) {
            command += " '" + arg + "'";
        }
        const fs::path errFile = card.Dir() / "stderr.txt";
        command += " 2>'" + errFile.string() + "' >/dev/null";
        const int status = std::system(command.c_str());
        CliRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, "", ""};
        const Bytes err = ReadFile(errFile);
        run.err.assign(err.begin(), err.end());
        return run;
    }
};

TEST_F(ExchangeReadOnlyTest, ReadOnlyTargetOrSlotIsNotOpened) {
    WriteFile(Pc("game.sav"), Bytes(100, 4));
    ReadOnly(Pc("game.sav"));
    Writable(SlotFile());
    CliRun run = Unprivileged({"-c", card.Root(), "--yes", "export", "0", Pc("game.sav").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "error: It doesn't open an export file.\n");

    Writable(Pc("game.sav"));
    ReadOnly(SlotFile());
    run = Unprivileged({"-c", card.Root(), "--yes", "export", "0", Pc("game.sav").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "error: It doesn't open the file of the memory card.\n");
    run = Unprivileged({"-c", card.Root(), "--yes", "import", "0", Pc("game.sav").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "error: It doesn't open the file of the memory card.\n");

    EXPECT_EQ(ReadFile(Pc("game.sav")), Bytes(100, 4));
    EXPECT_EQ(ReadFile(SlotFile()), slot);
}

// A writable target in a folder where no new file can be made: the safe replace fails.
TEST_F(ExchangeReadOnlyTest, AFailedWriteExitsOneAndLeavesTheTarget) {
    WriteFile(Pc("game.sav"), Bytes(100, 5));
    Writable(Pc("game.sav"));
    Writable(SlotFile());
    ReadOnly(card.PcFolder());
    const CliRun run =
        Unprivileged({"-c", card.Root(), "--yes", "export", "0", Pc("game.sav").string()});
    Writable(card.PcFolder());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.starts_with("error: It doesn't write the export file.\n")) << run.err;
    EXPECT_EQ(ReadFile(Pc("game.sav")), Bytes(100, 5));
}

#endif

}  // namespace
}  // namespace slotkit::test
