#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "commands/backup_restore.h"
#include "history/keep_history.h"
#include "ops_fixture.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kNdsSize = 263'168;

class BackupRestoreTest : public OpsTest {
  protected:
    // The closing "Failed!" message, as its lines after the first.
    std::vector<std::string> FailureLines() const {
        const Shown last = prompter.LastMessage();
        EXPECT_EQ(last.caption, "Alert");
        std::vector<std::string> lines;
        std::istringstream text(last.text);
        for (std::string line; std::getline(text, line);) {
            lines.push_back(line);
        }
        EXPECT_FALSE(lines.empty());
        if (!lines.empty()) {
            EXPECT_EQ(lines.front(), "Failed!");
            lines.erase(lines.begin());
        }
        return lines;
    }
};

TEST_F(BackupRestoreTest, SingleBackupAppendsDatToTheFileNameOnly) {
    const Bytes slot = card.WriteSlot(mode, "A.DAT", kNdsSize);
    fs::create_directories(Pc("my.saves"));

    SelectFiles({"A.DAT"});
    prompter.paths.push_back((Pc("my.saves") / "save1").string());
    commands::Backup(Context());
    EXPECT_EQ(ReadFile(Pc("my.saves") / "save1.DAT"), slot);

    SelectFiles({"A.DAT"});
    prompter.paths.push_back((Pc("my.saves") / "save2.bin").string());
    commands::Backup(Context());
    EXPECT_EQ(ReadFile(Pc("my.saves") / "save2.bin"), slot);

    EXPECT_EQ(FolderEntries(Pc("my.saves")), (std::vector<std::string>{"save1.DAT", "save2.bin"}));
    EXPECT_EQ(prompter.Transcript(), std::vector<std::string>{"true: Success!"});
    ASSERT_EQ(prompter.choosers.size(), 2u);
    EXPECT_EQ(prompter.choosers[0].kind, "save");
    ASSERT_EQ(prompter.choosers[0].filters.size(), 2u);
    EXPECT_EQ(prompter.choosers[0].filters[0].description, "Q9 SAVE FILE(*.DAT)");
    EXPECT_EQ(prompter.choosers[0].filters[0].pattern, "*.DAT");
    EXPECT_EQ(prompter.choosers[0].filters[1].description, "ALL Files(*.*)");
    EXPECT_EQ(prompter.choosers[0].filters[1].pattern, "*.*");
    EXPECT_GT(view.showCount, 0);  // refreshed
    EXPECT_EQ(prompter.busyScopes, 2);
}

TEST_F(BackupRestoreTest, BatchBackupInGbaModeCopiesEveryRowOverExistingFiles) {
    mode = slots::EditMode::Gba;
    const Bytes a = card.WriteSlot(mode, "A.DAT", 132'096);
    const Bytes b = card.WriteSlot(mode, "B.DAT", slots::kOldFormSize);
    const Bytes c = card.WriteSlot(mode, "C.DAT", 132'096);
    card.WriteSlot(slots::EditMode::Nds, "A.DAT", kNdsSize);  // the other mode's file is not used
    WriteFile(Pc("B.DAT"), Bytes(10, 0xEE));

    SelectFiles({"A.DAT", "B.DAT", "C.DAT"});
    prompter.paths.push_back(card.PcFolder().string());
    commands::Backup(Context());  // Yes to replacing the older B.DAT

    EXPECT_EQ(ReadFile(Pc("A.DAT")), a);
    EXPECT_EQ(ReadFile(Pc("B.DAT")), b);
    EXPECT_EQ(ReadFile(Pc("C.DAT")), c);
    EXPECT_EQ(FolderEntries(card.PcFolder()),
              (std::vector<std::string>{"A.DAT", "B.DAT", "C.DAT"}));  // no temporary left
    ASSERT_EQ(prompter.choosers.size(), 1u);
    EXPECT_EQ(prompter.choosers[0].kind, "folder");
    EXPECT_EQ(prompter.choosers[0].title, "Please set a backup folder.");
    EXPECT_EQ(prompter.Transcript(),
              (std::vector<std::string>{"<< Alert >>: These files in the backup folder will be "
                                        "replaced:\n" +
                                            Pc("B.DAT").string() + "\nDoes it execute really?",
                                        "true: Success!"}));
}

TEST_F(BackupRestoreTest, BatchRestoreWithOneMissingFileFailsEvenWhenTheLastCopyWorks) {
    const std::vector<std::string> names = {"A.DAT", "B.DAT", "C.DAT"};
    std::map<std::string, Bytes> before;
    for (const auto& name : names) {
        before[name] = card.WriteSlot(mode, name, kNdsSize);
    }
    SelectFiles(names);
    const std::vector<std::string> order = SelectedInListOrder(names);
    // The PC folder lacks the first row's file; the others are there.
    const Bytes second = PatternBytes(kNdsSize, 2), third = PatternBytes(kNdsSize, 3);
    WriteFile(Pc(order[1]), second);
    WriteFile(Pc(order[2]), third);

    prompter.paths.push_back(card.PcFolder().string());
    commands::Restore(Context());

    EXPECT_EQ(ReadFile(Slot(order[0])), before[order[0]]);
    EXPECT_EQ(ReadFile(Slot(order[1])), second);
    EXPECT_EQ(ReadFile(Slot(order[2])), third);
    EXPECT_EQ(prompter.choosers.at(0).title, "Please set a restore folder.");
    EXPECT_EQ(FailureLines(), std::vector<std::string>{order[0] + " <- " + Pc(order[0]).string() +
                                                       ": No such file or directory"});
    EXPECT_GT(view.showCount, 0);
}

TEST_F(BackupRestoreTest, SingleRestoreKeepsTheSlotNameAndAddsNoExtension) {
    mode = slots::EditMode::Gba;
    card.WriteSlot(mode, "ZELDA.DAT", 132'096);
    const Bytes fromPc = PatternBytes(slots::kOldFormSize, 9);
    WriteFile(Pc("backup.sav"), fromPc);

    SelectFiles({"ZELDA.DAT"});
    prompter.paths.push_back(Pc("backup.sav").string());
    commands::Restore(Context());

    EXPECT_EQ(ReadFile(Slot("ZELDA.DAT")), fromPc);
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), std::vector<std::string>{"ZELDA.DAT"});
    EXPECT_EQ(prompter.choosers.at(0).kind, "open");
    EXPECT_EQ(prompter.Transcript(), std::vector<std::string>{"true: Success!"});
}

TEST_F(BackupRestoreTest, RowWithoutFileFailsAndNeverCreatesOrTouchesTheFolder) {
    const Bytes a = card.WriteSlot(mode, "A.DAT", kNdsSize);
    WriteFile(Pc("X.DAT"), PatternBytes(100, 1));

    // Single restore onto a row without a file: no slot file appears.
    SelectFiles({}, 1);
    const std::string noFile =
        "Row " + view.rows.at(*view.selected.begin()).number + ": the row has no DAT file";
    prompter.paths.push_back(Pc("X.DAT").string());
    commands::Restore(Context());
    EXPECT_EQ(FailureLines(), std::vector<std::string>{noFile});
    EXPECT_EQ(prompter.shown.size(), 1u);  // an empty row's restore asks nothing
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), std::vector<std::string>{"A.DAT"});

    // Single backup of it: nothing is written.
    SelectFiles({}, 1);
    prompter.paths.push_back(Pc("none").string());
    commands::Backup(Context());
    EXPECT_EQ(FailureLines().size(), 1u);
    EXPECT_FALSE(fs::exists(Pc("none.DAT")));

    // In a batch the file row is still copied, and the batch reports the failure.
    SelectFiles({"A.DAT"}, 1);
    prompter.paths.push_back(card.PcFolder().string());
    commands::Backup(Context());
    EXPECT_EQ(ReadFile(Pc("A.DAT")), a);
    EXPECT_EQ(FailureLines().size(), 1u);
    EXPECT_EQ(FolderEntries(card.PcFolder()), (std::vector<std::string>{"A.DAT", "X.DAT"}));
}

TEST_F(BackupRestoreTest, RestoreNeverCreatesASlotThatVanishedAfterTheListing) {
    card.WriteSlot(mode, "GONE.DAT", kNdsSize);
    WriteFile(Pc("GONE.DAT"), PatternBytes(kNdsSize, 4));
    SelectFiles({"GONE.DAT"});
    fs::remove(Slot("GONE.DAT"));

    prompter.paths.push_back(Pc("GONE.DAT").string());
    commands::Restore(Context());
    EXPECT_FALSE(fs::exists(Slot("GONE.DAT")));
    EXPECT_EQ(FailureLines(), std::vector<std::string>{"GONE.DAT <- " + Pc("GONE.DAT").string() +
                                                       ": No such file or directory"});
}

#ifndef _WIN32  // needs a child process or POSIX permissions
TEST_F(BackupRestoreTest, FailedCopyLeavesSlotAndPcFileAsTheyWere) {
    const Bytes slot = card.WriteSlot(mode, "A.DAT", kNdsSize);
    const Bytes pcFile = PatternBytes(slots::kOldFormSize, 7);
    WriteFile(Pc("A.DAT"), pcFile);

    // The history holds these versions already, so only the card's own write can fail.
    ASSERT_TRUE(history::KeepBeforeChange(Context(), {"A.DAT"}, "restore"));
    // Writes fail part-way in both directions, as on a full disk.
    for (const bool restore : {true, false}) {
        SelectFiles({"A.DAT"});
        prompter.paths.push_back(Pc("A.DAT").string());
        const int status = RunInChild([&] {
            LimitFileSize(4096);
            restore ? commands::Restore(Context()) : commands::Backup(Context());
            const Shown last = prompter.LastMessage();
            return last.caption == "Alert" && last.text.starts_with("Failed!\nA.DAT ") ? 0 : 1;
        });
        EXPECT_EQ(status, 0) << (restore ? "restore" : "backup") << " did not report the failure";
        EXPECT_EQ(ReadFile(Slot("A.DAT")), slot);
        EXPECT_EQ(ReadFile(Pc("A.DAT")), pcFile);
        EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), std::vector<std::string>{"A.DAT"});
        EXPECT_EQ(FolderEntries(card.PcFolder()), std::vector<std::string>{"A.DAT"});
    }
}
#endif

// A restore replaces the whole slot: a file of another length (a foreign save, a ROM) is
// asked about, once per command, and No leaves every slot as it was.
TEST_F(BackupRestoreTest, RestoreAsksBeforeAFileOfAnotherLengthReplacesASlot) {
    const Bytes a = card.WriteSlot(mode, "A.DAT", kNdsSize);
    const Bytes b = card.WriteSlot(mode, "B.DAT", kNdsSize);
    WriteFile(Pc("A.DAT"), PatternBytes(8192, 1));
    WriteFile(Pc("B.DAT"), PatternBytes(slots::kOldFormSize, 2));

    for (const bool yes : {false, true}) {
        SelectFiles({"A.DAT"});
        prompter.paths.push_back(Pc("A.DAT").string());
        prompter.answers = {yes};
        commands::Restore(Context());
        ASSERT_FALSE(prompter.shown.empty());
        EXPECT_EQ(prompter.shown[0].text,
                  "This file is not as long as a NDS slot file (263,168 or 1,048,576 bytes):\n" +
                      Pc("A.DAT").string() +
                      " (8,192 bytes) over A.DAT\nIts bytes replace the whole slot, which may "
                      "then not work.\nDoes it execute really?");
        EXPECT_EQ(ReadFile(Slot("A.DAT")), yes ? PatternBytes(8192, 1) : a);
    }

    // A batch asks once and names only the odd file; No restores nothing at all.
    card.WriteSlot(mode, "A.DAT", kNdsSize);
    SelectFiles({"A.DAT", "B.DAT"});
    prompter.paths.push_back(card.PcFolder().string());
    prompter.answers = {false};
    commands::Restore(Context());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].kind, Shown::Kind::Question);
    EXPECT_NE(prompter.shown[0].text.find("A.DAT (8,192 bytes)"), std::string::npos);
    EXPECT_EQ(prompter.shown[0].text.find("B.DAT"), std::string::npos);
    EXPECT_EQ(ReadFile(Slot("B.DAT")), b);
}

TEST_F(BackupRestoreTest, BatchBackupAnsweredNoReplacesNothingAndCopiesNothing) {
    card.WriteSlot(mode, "A.DAT", kNdsSize);
    card.WriteSlot(mode, "B.DAT", kNdsSize);
    const Bytes older = PatternBytes(100, 3);
    WriteFile(Pc("B.DAT"), older);

    SelectFiles({"A.DAT", "B.DAT"});
    prompter.paths.push_back(card.PcFolder().string());
    prompter.answers = {false};
    commands::Backup(Context());
    EXPECT_EQ(ReadFile(Pc("B.DAT")), older);
    EXPECT_EQ(FolderEntries(card.PcFolder()), std::vector<std::string>{"B.DAT"});
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(view.showCount, 0);
}

TEST_F(BackupRestoreTest, NothingHappensWithoutSelectionOrWhenTheChooserIsCancelled) {
    card.WriteSlot(mode, "A.DAT", kNdsSize);
    SelectFiles({});
    commands::Backup(Context());
    commands::Restore(Context());
    EXPECT_TRUE(prompter.choosers.empty());

    SelectFiles({"A.DAT"});
    commands::Backup(Context());  // no path scripted: cancelled
    SelectFiles({"A.DAT"}, 1);
    commands::Restore(Context());
    EXPECT_EQ(prompter.choosers.size(), 2u);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(view.showCount, 0);
    EXPECT_EQ(FolderEntries(card.PcFolder()), std::vector<std::string>{});
}

}  // namespace
}  // namespace slotkit::test
