// Every command that changes or removes a slot keeps its current bytes in the history first, and
// any kept version can be put back.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "commands/backup_restore.h"
#include "commands/change_target_rom.h"
#include "commands/history_commands.h"
#include "commands/import_save.h"
#include "commands/rename_delete.h"
#include "commands/slot_creation.h"
#include "history/history_store.h"
#include "history/keep_history.h"
#include "ops_fixture.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kNew = 263'168;

class HistoryTest : public OpsTest {
  protected:
    std::string ModeFolder() {
        history::HistoryPlace place;
        EXPECT_FALSE(FindHistoryPlace(Context(), place));
        return place.modeFolder;
    }
    std::vector<history::KeptVersion> Versions(const std::string& name) {
        return history::KeptVersionsOf(ModeFolder(), name);
    }
    Bytes Kept(const std::string& name, const history::KeptVersion& version) {
        return ReadFile(fs::path(ModeFolder()) / name / version.file);
    }
    // Runs `command` on the selected `name`, answering Yes to everything.
    void RunOn(const std::string& name, const std::function<void()>& command) {
        SelectFiles({name});
        command();
    }
};

TEST_F(HistoryTest, EveryChangingCommandKeepsExactlyTheBytesItReplaced) {
    const struct {
        const char* command;
        std::uint64_t size;
        std::function<void()> run;
    } cases[] = {
        {"restore", kNew,
         [this] {
             WriteFile(Pc("backup.DAT"), PatternBytes(kNew, 99));
             prompter.paths.push_back(Pc("backup.DAT").string());
             commands::Restore(Context());
         }},
        {"dummy", kNew, [this] { commands::MakeDummy(Context()); }},
        {"convert", slots::kOldFormSize, [this] { commands::Convert(Context()); }},
        {"delete", kNew, [this] { commands::DeleteSlots(Context()); }},
        {"retarget", kNew,
         [this] {
             WriteFile(Pc("game.nds"), Bytes(16, 1));
             prompter.paths.push_back(Pc("game.nds").string());
             prompter.answers = {true, false};
             commands::ChangeTargetRom(Context());
         }},
        {"import", kNew,
         [this] {
             WriteFile(Pc("game.sav"), PatternBytes(1000, 5));
             prompter.paths.push_back(Pc("game.sav").string());
             commands::ImportSave(Context());
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        const std::string name = std::string(c.command) + ".DAT";
        const Bytes before = card.WriteSlot(mode, name, c.size, "ZELDA   NDS");
        RunOn(name, c.run);
        EXPECT_FALSE(prompter.AnyFailure()) << prompter.Transcript().back();
        EXPECT_NE(fs::exists(Slot(name)) ? ReadFile(Slot(name)) : Bytes{}, before);

        const auto versions = Versions(name);
        ASSERT_EQ(versions.size(), 1u);
        EXPECT_EQ(versions[0].number, 1);
        EXPECT_EQ(versions[0].command, c.command);
        EXPECT_EQ(versions[0].size, before.size());
        EXPECT_EQ(versions[0].title, "ZELDA   NDS");
        EXPECT_EQ(Kept(name, versions[0]), before);
    }
}

TEST_F(HistoryTest, RenameAndBackupKeepNothing) {
    card.WriteSlot(mode, "A.DAT", kNew);
    SelectFiles({"A.DAT"});
    prompter.paths.push_back(Pc("copy.DAT").string());
    commands::Backup(Context());
    SelectFiles({"A.DAT"});
    prompter.newNames.push_back("B");
    commands::RenameSlot(Context());
    EXPECT_TRUE(fs::exists(Slot("B.DAT")));
    EXPECT_FALSE(fs::exists(HistoryFolder()));
}

TEST_F(HistoryTest, AVersionEqualToTheNewestKeptIsNotKeptAgain) {
    const Bytes a = card.WriteSlot(mode, "A.DAT", kNew);
    WriteFile(Pc("A.DAT"), PatternBytes(kNew, 42));
    for (int i = 0; i < 3; ++i) {
        SelectFiles({"A.DAT"});
        prompter.paths.push_back(Pc("A.DAT").string());
        commands::Restore(Context());
    }
    // The first restore keeps the original, the second the restored bytes, the third nothing.
    const auto versions = Versions("A.DAT");
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_EQ(Kept("A.DAT", versions[0]), a);
    EXPECT_EQ(Kept("A.DAT", versions[1]), PatternBytes(kNew, 42));
    EXPECT_EQ(FolderEntries(fs::path(ModeFolder()) / "A.DAT").size(), 3u);  // and the index
}

TEST_F(HistoryTest, ABatchKeepsEveryRowAndTheBoundsHold) {
    for (const char* name : {"A.DAT", "B.DAT", "C.DAT"}) {
        card.WriteSlot(mode, name, kNew);
    }
    for (int round = 0; round < 23; ++round) {
        for (const char* name : {"A.DAT", "B.DAT", "C.DAT"}) {
            WriteFile(Pc(name),
                      PatternBytes(kNew, static_cast<std::uint32_t>(round * 7 + name[0])));
        }
        SelectFiles({"A.DAT", "B.DAT", "C.DAT"});
        prompter.paths.push_back(card.PcFolder().string());
        commands::Restore(Context());
        ASSERT_FALSE(prompter.AnyFailure());
    }
    for (const char* name : {"A.DAT", "B.DAT", "C.DAT"}) {
        const auto versions = Versions(name);
        ASSERT_EQ(versions.size(), history::kMaxVersionsPerSlot) << name;
        EXPECT_EQ(versions.front().number, 4);
        EXPECT_EQ(versions.back().number, 23);
        // The oldest copies are gone with their lines; no other file is left.
        EXPECT_EQ(FolderEntries(fs::path(ModeFolder()) / name).size(),
                  history::kMaxVersionsPerSlot + 1);
        for (const auto& v : versions) {
            EXPECT_EQ(Kept(name, v).size(), kNew);
        }
    }
}

TEST_F(HistoryTest, ARevertIsKeptAndCanItselfBeReverted) {
    const Bytes original = card.WriteSlot(mode, "A.DAT", kNew);
    WriteFile(Pc("A.DAT"), PatternBytes(kNew, 42));
    SelectFiles({"A.DAT"});
    prompter.paths.push_back(Pc("A.DAT").string());
    commands::Restore(Context());

    prompter.shown.clear();
    commands::PutBackVersion(Context(), "A.DAT", 0);
    EXPECT_EQ(ReadFile(Slot("A.DAT")), original);
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0].kind, Shown::Kind::Question);
    EXPECT_EQ(prompter.Transcript().back(), "true: Success!");
    auto versions = Versions("A.DAT");
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_EQ(versions[1].command, "revert");

    commands::PutBackVersion(Context(), "A.DAT", 2);  // the revert's own version
    EXPECT_EQ(ReadFile(Slot("A.DAT")), PatternBytes(kNew, 42));
    versions = Versions("A.DAT");
    ASSERT_EQ(versions.size(), 3u);
    EXPECT_EQ(Kept("A.DAT", versions[2]), original);

    // No leaves the slot alone; an unknown version changes nothing.
    prompter.answers = {false};
    commands::PutBackVersion(Context(), "A.DAT", 1);
    commands::PutBackVersion(Context(), "A.DAT", 9);
    EXPECT_EQ(ReadFile(Slot("A.DAT")), PatternBytes(kNew, 42));
    EXPECT_EQ(prompter.Transcript().back(),
              "error: There is no version 9 of A.DAT in the history.");
}

TEST_F(HistoryTest, ADeletedSlotIsMadeAgainAndListed) {
    const Bytes a = card.WriteSlot(mode, "A.DAT", kNew, "MARIO   NDS");
    card.WriteSlot(mode, "B.DAT", kNew);
    SelectFiles({"A.DAT"});
    commands::DeleteSlots(Context());
    ASSERT_FALSE(fs::exists(Slot("A.DAT")));

    std::error_code error;
    const auto entries = commands::ListHistory(Context(), "", error);
    ASSERT_FALSE(error);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].slotFileName, "A.DAT");
    EXPECT_EQ(entries[0].version.title, "MARIO   NDS");

    commands::PutBackVersion(Context(), "A.DAT", 0);
    EXPECT_EQ(ReadFile(Slot("A.DAT")), a);
    EXPECT_NE(RowOf("A.DAT"), -1) << "the list was not refreshed";
    // Nothing was there to keep before it was made again.
    EXPECT_EQ(Versions("A.DAT").size(), 1u);
}

TEST_F(HistoryTest, ADamagedCopyIsNotPutBack) {
    card.WriteSlot(mode, "A.DAT", kNew);
    SelectFiles({"A.DAT"});
    commands::DeleteSlots(Context());
    const auto versions = Versions("A.DAT");
    ASSERT_EQ(versions.size(), 1u);
    Bytes damaged = Kept("A.DAT", versions[0]);
    damaged[100] ^= 1;
    WriteFile(fs::path(ModeFolder()) / "A.DAT" / versions[0].file, damaged);
    commands::PutBackVersion(Context(), "A.DAT", 0);
    EXPECT_FALSE(fs::exists(Slot("A.DAT")));
    EXPECT_TRUE(prompter.AnyFailure());
}

TEST_F(HistoryTest, WhenTheHistoryCannotBeWrittenTheUserIsAsked) {
    const Bytes a = card.WriteSlot(mode, "A.DAT", kNew);
    WriteFile(Pc("A.DAT"), PatternBytes(kNew, 42));
    WriteFile(HistoryFolder(), Bytes(1, 0));  // a file where the folder should be
    for (const bool yes : {false, true}) {
        SelectFiles({"A.DAT"});
        prompter.paths.push_back(Pc("A.DAT").string());
        prompter.answers = {yes};
        commands::Restore(Context());
        ASSERT_FALSE(prompter.shown.empty());
        const Shown& question = prompter.shown.front();
        EXPECT_EQ(question.kind, Shown::Kind::Question);
        EXPECT_EQ(question.text.rfind("The current version of A.DAT could not be kept in the "
                                      "history: ",
                                      0),
                  0u)
            << question.text;
        EXPECT_NE(question.text.find(".\nChange the slot anyway?"), std::string::npos);
        EXPECT_EQ(ReadFile(Slot("A.DAT")), yes ? PatternBytes(kNew, 42) : a);
        EXPECT_EQ(prompter.shown.size(), yes ? 2u : 1u) << "No must end the command quietly";
    }
}

TEST_F(HistoryTest, AVersionWhoseIndexCannotBeWrittenIsNotLeftBehind) {
    const Bytes a = card.WriteSlot(mode, "A.DAT", kNew);
    const fs::path blocked = fs::path(ModeFolder()) / "A.DAT" / "index.txt";
    fs::create_directories(blocked / "in the way");
    prompter.answers = {true, false};  // delete it; not without its version
    RunOn("A.DAT", [&] { commands::DeleteSlots(Context()); });
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_NE(prompter.shown[1].text.find("could not be kept"), std::string::npos);
    EXPECT_EQ(ReadFile(Slot("A.DAT")), a);
    EXPECT_EQ(FolderEntries(blocked.parent_path()).size(), 1u);
}

TEST_F(HistoryTest, EachCardAndModeHasItsOwnFolder) {
    card.WriteSlot(mode, "A.DAT", kNew);
    SelectFiles({"A.DAT"});
    commands::DeleteSlots(Context());
    std::vector<std::string> cards;
    for (const auto& entry : fs::directory_iterator(HistoryFolder())) {
        cards.push_back(entry.path().filename().string());
    }
    ASSERT_EQ(cards.size(), 1u);
    // A folder inside a volume is no volume of its own: its path names it.
    EXPECT_EQ(cards[0].rfind("folder-", 0), 0u) << cards[0];
    EXPECT_TRUE(fs::exists(fs::path(HistoryFolder()) / cards[0] / "NDSSAVE" / "A.DAT" /
                           history::kIndexFileName));
    mode = slots::EditMode::Gba;
    std::error_code error;
    EXPECT_TRUE(commands::ListHistory(Context(), "", error).empty());
}

// FAT names one file MARIO.DAT and mario.DAT: the slot keeps one history whatever letter case
// the list shows its name in, and it is found and put back under either. (On Windows the
// history's own folders ignore letter case already.)
#ifndef _WIN32
TEST_F(HistoryTest, OneHistoryPerSlotWhateverTheLetterCase) {
    const Bytes first = card.WriteSlot(mode, "MARIO.DAT", kNew);
    RunOn("MARIO.DAT", [&] { commands::MakeDummy(Context()); });
    // The card now lists it in other letters, as another system wrote its name.
    fs::rename(Slot("MARIO.DAT"), Slot("mario.DAT"));
    WriteFile(Pc("m.DAT"), PatternBytes(kNew, 9));
    prompter.paths.push_back(Pc("m.DAT").string());
    RunOn("mario.DAT", [&] { commands::Restore(Context()); });

    EXPECT_EQ(FolderEntries(ModeFolder()), std::vector<std::string>{"MARIO.DAT"});
    const auto versions = Versions("mario.DAT");
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_EQ(Kept("MARIO.DAT", versions[0]), first);
    EXPECT_EQ(Kept("MARIO.DAT", versions[1]), Bytes(kNew, 0));
    std::error_code error;
    EXPECT_EQ(commands::ListHistory(Context(), "mario.DAT", error).size(), 2u);

    prompter.shown.clear();
    commands::PutBackVersion(Context(), "mario.DAT", 1);
    EXPECT_EQ(ReadFile(Slot("mario.DAT")), first);
    EXPECT_EQ(FolderEntries(ModeFolder()), std::vector<std::string>{"MARIO.DAT"});
}
#endif

}  // namespace
}  // namespace slotkit::test
