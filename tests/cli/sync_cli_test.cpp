// `slotkit sync`, and the folder's versions through `history --folder` and `revert --folder`.
#include <gtest/gtest.h>

#include <filesystem>

#include "../core/exchange_test_support.h"
#include "../core/ops_fixture.h"
#include "cli_test_support.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;

class SyncCliTest : public OpsTest {
  protected:
    CliRun Run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--card", card.Root(), "--history", HistoryFolder()});
        return RunCli(args);
    }
    fs::path Folder() const { return card.PcFolder() / "emu"; }
};

TEST_F(SyncCliTest, DryRunThenSyncThenTheFolderFilePutBack) {
    card.WriteSlot(mode, "A.DAT", LayoutFor(mode).newFormSize, "ZELDA   NDS");
    fs::create_directories(Folder());
    const fs::path file = Folder() / "ZELDA.sav";
    const Bytes emulator = PatternBytes(LayoutFor(mode).saveRegionSize, 9);
    WriteFile(file, emulator);

    CliRun run = Run({"sync", Folder().string(), "--dry-run"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("A.DAT <-> ZELDA.sav: conflict, left as it is: never synced before"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("nothing was written"), std::string::npos);

    run = Run({"--yes", "sync", Folder().string(), "--prefer", "card"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(file), Slice(ReadFile(Slot("A.DAT")), 0, emulator.size()));

    run = Run({"history", "--folder", Folder().string()});
    EXPECT_EQ(run.out.rfind("ZELDA.sav\t1\t", 0), 0u) << run.out;
    run = Run({"--yes", "revert", "--folder", Folder().string(), "ZELDA.sav"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(file), emulator);
}

TEST_F(SyncCliTest, BadFoldersAndOptionsFailWithAMessage) {
    card.WriteSlot(mode, "A.DAT", LayoutFor(mode).newFormSize, "ZELDA   NDS");
    CliRun run = Run({"--yes", "sync", (card.PcFolder() / "none").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("is not there.\nNothing was synced."), std::string::npos) << run.err;
    run = Run({"--mode", "gba", "--yes", "sync", card.PcFolder().string(), "--format", "dsv"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("a GBA sync uses .sav files"), std::string::npos) << run.err;
    run = Run({"sync", card.PcFolder().string(), "--prefer", "newest"});
    EXPECT_EQ(run.status, 2);
}

}  // namespace
}  // namespace slotkit::test
