// The slot commands run from the `slotkit` command line: exit status and the bytes on disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "../core/ops_fixture.h"
#include "cli/slotkit_cli.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;

class OpsCliTest : public OpsTest {
  protected:
    std::ostringstream out, err;

    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        std::istringstream in;
        args.insert(args.begin(), {"--card", card.Root()});
        return cli::RunSlotkit(args, cli::Terminal{in, out, err, false});
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
    EXPECT_EQ(err.str(), "Alert: Failed!\n");
    EXPECT_EQ(ReadFile(Slot("A.DAT")), a);
    EXPECT_EQ(ReadFile(Slot("B.DAT")), PatternBytes(263'168, 8));

    // A row without a file: the copy fails and no slot appears.
    EXPECT_EQ(Run({"restore", "50", Pc("copy.DAT").string()}), 1);
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), (std::vector<std::string>{"A.DAT", "B.DAT"}));
}

TEST_F(OpsCliTest, DummyAndConvertInGbaMode) {
    mode = EditMode::Gba;
    const Bytes old = card.WriteSlot(mode, "OLD.DAT", kOldFormSize);

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
    EXPECT_EQ(err.str(), "error: Failed!\n");
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

}  // namespace
}  // namespace slotkit::test
