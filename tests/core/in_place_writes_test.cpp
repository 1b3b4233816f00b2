// In-place slot writes behind intent records, and the finishing of the ones a pulled card or a
// stopped program left behind: torn, old and new slots, damaged and foreign records, two
// processes at once, and the commands that write in place or through the safe replace.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <thread>

#include "commands/backup_restore.h"
#include "commands/run_command.h"
#include "history/history_format.h"
#include "history/history_store.h"
#include "history/in_place_writes.h"
#include "history/intent_record.h"
#include "history/keep_history.h"
#include "ops_fixture.h"
#include "platform/durable_writes.h"
#include "platform/file_lock.h"
#include "slots/card_paths.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kNdsSize = 263'168;

class InPlaceTest : public OpsTest {
  protected:
    history::HistoryPlace Place() {
        history::HistoryPlace place;
        EXPECT_FALSE(FindHistoryPlace(Context(), place));
        return place;
    }
    fs::path RecordPath(const std::string& slot) {
        return fs::path(Place().modeFolder) / history::IntentFileName(slot);
    }
    // A record as WriteSlots leaves it when the card is pulled before the record is removed.
    void PlantRecord(const std::string& slot, const Bytes& oldBytes, const Bytes& newBytes,
                     std::string cardName = "", std::string modeName = "NDSSAVE") {
        const history::HistoryPlace place = Place();
        fs::create_directories(place.modeFolder);
        const history::Intent intent{cardName.empty() ? place.cardName : cardName,
                                     modeName,
                                     slot,
                                     0,
                                     base::ContentHash(oldBytes),
                                     0};
        WriteFile(RecordPath(slot), history::IntentRecord(intent, newBytes));
    }
    // The file's identity on its file system: an in-place write keeps it, a replace does not.
    // Windows is not asked (0 for every file).
    static std::uint64_t Inode(const fs::path& path) {
#ifndef _WIN32
        struct stat st {};
        ::stat(path.c_str(), &st);
        return st.st_ino;
#else
        (void)path;
        return 0;
#endif
    }
    static constexpr bool kInodes =
#ifndef _WIN32
        true;
#else
        false;
#endif
    std::vector<std::string> Records() {
        std::vector<std::string> names;
        for (const std::string& name : FolderEntries(Place().modeFolder)) {
            if (name.ends_with(".intent")) {
                names.push_back(name);
            }
        }
        return names;
    }
    // The messages of the finishing, as "caption: text".
    std::vector<std::string> Told() const {
        return prompter.Transcript();
    }
};

TEST_F(InPlaceTest, FinishingBringsTornOldAndNewSlotsToTheirNewBytes) {
    card.MakeSaveFolder(mode);
    const Bytes oldA = card.WriteSlot(mode, "A.DAT", kNdsSize);
    const Bytes oldB = card.WriteSlot(mode, "B.DAT", kNdsSize);
    const Bytes oldC = card.WriteSlot(mode, "C.DAT", kNdsSize);
    const Bytes untouched = card.WriteSlot(mode, "D.DAT", kNdsSize);
    const Bytes newA = PatternBytes(kNdsSize, 101), newB = PatternBytes(kNdsSize, 102),
                newC = PatternBytes(kNdsSize, 103);
    // A: torn half way; B: not begun; C: written but its record not yet removed.
    Bytes torn = newA;
    std::copy(oldA.begin() + kNdsSize / 2, oldA.end(), torn.begin() + kNdsSize / 2);
    WriteFile(Slot("A.DAT"), torn);
    WriteFile(Slot("C.DAT"), newC);
    PlantRecord("A.DAT", oldA, newA);
    PlantRecord("B.DAT", oldB, newB);
    PlantRecord("C.DAT", oldC, newC);
    const std::uint64_t inode = Inode(Slot("A.DAT"));

    commands::Refresh(Context());
    EXPECT_EQ(ReadFile(Slot("A.DAT")), newA);
    EXPECT_EQ(ReadFile(Slot("B.DAT")), newB);
    EXPECT_EQ(ReadFile(Slot("C.DAT")), newC);
    EXPECT_EQ(ReadFile(Slot("D.DAT")), untouched);
    EXPECT_EQ(Inode(Slot("A.DAT")), inode) << "finishing writes in place";
    EXPECT_TRUE(Records().empty());
    ASSERT_EQ(Told().size(), 1u);
    const std::string told = Told()[0];
    EXPECT_EQ(told.rfind("message: A write to the card was left unfinished", 0), 0u) << told;
    EXPECT_NE(told.find("A.DAT: its new save is written again (the card held part of it)"),
              std::string::npos);
    EXPECT_NE(told.find("B.DAT: its new save is written (the card held the old one)"),
              std::string::npos);
    EXPECT_NE(told.find("C.DAT: its new save was on the card already"), std::string::npos);
    EXPECT_FALSE(prompter.AnyFailure());

    // Nothing left: the next listing says nothing.
    prompter.shown.clear();
    commands::Refresh(Context());
    EXPECT_TRUE(Told().empty());
}

TEST_F(InPlaceTest, WithoutRecordsAListingTouchesNeitherCardNorHistory) {
    card.MakeSaveFolder(mode);
    const Bytes slot = card.WriteSlot(mode, "A.DAT", kNdsSize);
    commands::Refresh(Context());
    EXPECT_EQ(ReadFile(Slot("A.DAT")), slot);
    EXPECT_TRUE(Told().empty());
    EXPECT_FALSE(fs::exists(HistoryFolder())) << "a listing made the history";
}

TEST_F(InPlaceTest, DamagedForeignAndOrphanRecordsAreLeftAndNamedOnce) {
    card.MakeSaveFolder(mode);
    const Bytes oldA = card.WriteSlot(mode, "A.DAT", kNdsSize);
    const Bytes oldB = card.WriteSlot(mode, "B.DAT", kNdsSize);
    const Bytes oldC = card.WriteSlot(mode, "C.DAT", kNdsSize);
    PlantRecord("A.DAT", oldA, PatternBytes(kNdsSize, 1));
    Bytes damaged = ReadFile(RecordPath("A.DAT"));
    damaged[damaged.size() / 2] ^= 0xff;
    WriteFile(RecordPath("A.DAT"), damaged);
    PlantRecord("B.DAT", oldB, PatternBytes(kNdsSize, 2), "volume-0000-0000");
    PlantRecord("C.DAT", oldC, PatternBytes(kNdsSize, 3), "", "GAMESAVE");
    PlantRecord("GONE.DAT", oldC, PatternBytes(kNdsSize, 4));
    // A record of the slot's old length, though the slot has grown since.
    PlantRecord("D.DAT", PatternBytes(100, 5), PatternBytes(100, 6));
    card.WriteSlot(mode, "D.DAT", kNdsSize);
    const Bytes d = ReadFile(Slot("D.DAT"));

    commands::Refresh(Context());
    EXPECT_EQ(ReadFile(Slot("A.DAT")), oldA);
    EXPECT_EQ(ReadFile(Slot("B.DAT")), oldB);
    EXPECT_EQ(ReadFile(Slot("C.DAT")), oldC);
    EXPECT_EQ(ReadFile(Slot("D.DAT")), d);
    EXPECT_FALSE(fs::exists(Slot("GONE.DAT")));
    EXPECT_EQ(Records(), (std::vector<std::string>{"A.DAT.intent", "B.DAT.intent", "C.DAT.intent",
                                                   "D.DAT.intent", "GONE.DAT.intent"}));
    ASSERT_EQ(Told().size(), 1u);
    const std::string told = Told()[0];
    EXPECT_EQ(told.rfind("Alert: These records of unfinished writes in the history were not "
                         "applied:",
                         0),
              0u)
        << told;
    EXPECT_NE(told.find(RecordPath("A.DAT").string() + ": the record is damaged: its new bytes "
                                                       "do not match their hash"),
              std::string::npos)
        << told;
    EXPECT_NE(told.find(RecordPath("B.DAT").string() + ": the record is of another card"),
              std::string::npos);
    EXPECT_NE(told.find(RecordPath("C.DAT").string() + ": the record is of another card"),
              std::string::npos);
    EXPECT_NE(told.find("the slot file GONE.DAT is not on the card"), std::string::npos);
    EXPECT_NE(told.find("D.DAT has another length now"), std::string::npos);
    EXPECT_FALSE(prompter.AnyFailure()) << "a record left behind must not stop the commands";

    prompter.shown.clear();
    commands::Refresh(Context());
    EXPECT_TRUE(Told().empty()) << "said again: " << Told()[0];
}

TEST_F(InPlaceTest, ACommandFindsItsSlotFinishedAndTheUserToldFirst) {
    card.MakeSaveFolder(mode);
    const Bytes oldA = card.WriteSlot(mode, "A.DAT", kNdsSize);
    const Bytes newA = PatternBytes(kNdsSize, 9);
    PlantRecord("A.DAT", oldA, newA);
    Bytes seen;
    commands::RunCommand(Context(), [&](const slots::CommandContext& c) {
        seen = ReadFile(Slot("A.DAT"));
        c.prompter.Message("the command ran", "test", ports::MessageKind::Info);
    });
    EXPECT_EQ(seen, newA);
    ASSERT_EQ(Told().size(), 2u);
    EXPECT_NE(Told()[0].find("A.DAT: its new save is written"), std::string::npos);
    EXPECT_EQ(Told()[1], "test: the command ran");
}

#ifndef _WIN32
TEST_F(InPlaceTest, ASecondProcessWaitsForTheLockAndNeverWritesMeanwhile) {
    card.MakeSaveFolder(mode);
    const Bytes oldA = card.WriteSlot(mode, "A.DAT", kNdsSize);
    const Bytes newA = PatternBytes(kNdsSize, 11);
    PlantRecord("A.DAT", oldA, newA);
    const std::string lockPath = history::IntentLockPath(Place().cardFolder);

    // Another slotkit holds the card: a finishing started now waits for it.
    platform::FileLock held;
    ASSERT_FALSE(held.Take(lockPath));
    platform::FileLock other;
    EXPECT_EQ(other.Take(lockPath, false), std::errc::resource_unavailable_try_again);
    // A thread stands for the other process: flock keeps two open lock files of one process
    // apart too, and a forked child would inherit the held one.
    bool finishedAlone = false;
    std::thread finisher([&] {
        ScriptedPrompter otherPrompter;
        MemorySlotView otherView;
        const slots::CommandContext context{card.Root(), mode, otherPrompter, otherView,
                                            HistoryFolder()};
        history::FinishUnfinishedWrites(context);
        finishedAlone = otherPrompter.shown.size() == 1 && !otherPrompter.AnyFailure();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(ReadFile(Slot("A.DAT")), oldA) << "written while another process held the card";
    held.Release();
    finisher.join();
    EXPECT_TRUE(finishedAlone);
    EXPECT_EQ(ReadFile(Slot("A.DAT")), newA);

    // Two processes finishing the same records at once: one finishes, the other finds none left.
    WriteFile(Slot("A.DAT"), oldA);
    PlantRecord("A.DAT", oldA, newA);
    auto finish = [&] {
        ScriptedPrompter childPrompter;
        MemorySlotView childView;
        const slots::CommandContext context{card.Root(), mode, childPrompter, childView,
                                            HistoryFolder()};
        history::FinishUnfinishedWrites(context);
        return childPrompter.AnyFailure() ? 9 : static_cast<int>(childPrompter.shown.size());
    };
    pid_t children[2];
    for (pid_t& pid : children) {
        pid = ::fork();
        if (pid == 0) {
            ::_exit(finish());
        }
    }
    int told = 0;
    int status = 0;
    for (const pid_t pid : children) {
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        told += WEXITSTATUS(status);
    }
    EXPECT_EQ(told, 1) << "exactly one process finishes and says so";
    EXPECT_EQ(ReadFile(Slot("A.DAT")), newA);
    EXPECT_TRUE(Records().empty());
}
#endif

TEST_F(InPlaceTest, RestoreOfTheSlotsLengthIsInPlaceAnotherLengthIsReplaced) {
    const Bytes a = card.WriteSlot(mode, "A.DAT", kNdsSize);
    const Bytes b = card.WriteSlot(mode, "B.DAT", kNdsSize);
    const Bytes c = card.WriteSlot(mode, "C.DAT", kNdsSize);
    fs::create_directories(Pc("in"));
    const Bytes sameA = PatternBytes(kNdsSize, 21), sameB = PatternBytes(kNdsSize, 22);
    const Bytes longer = PatternBytes(slots::kOldFormSize, 23);
    WriteFile(Pc("in") / "A.DAT", sameA);
    WriteFile(Pc("in") / "B.DAT", sameB);
    WriteFile(Pc("in") / "C.DAT", longer);
    const std::uint64_t inodeA = Inode(Slot("A.DAT")), inodeB = Inode(Slot("B.DAT")),
                        inodeC = Inode(Slot("C.DAT"));

    SelectFiles({"A.DAT", "B.DAT", "C.DAT"});
    prompter.paths.push_back(Pc("in").string());
    commands::Restore(Context());
    EXPECT_EQ(prompter.LastMessage().text, "Success!");
    EXPECT_EQ(ReadFile(Slot("A.DAT")), sameA);
    EXPECT_EQ(ReadFile(Slot("B.DAT")), sameB);
    EXPECT_EQ(ReadFile(Slot("C.DAT")), longer);
    EXPECT_EQ(Inode(Slot("A.DAT")), inodeA);
    EXPECT_EQ(Inode(Slot("B.DAT")), inodeB);
    if (kInodes) {
        EXPECT_NE(Inode(Slot("C.DAT")), inodeC)
            << "a change of length goes through the safe replace";
    }
    EXPECT_TRUE(Records().empty());
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)),
              (std::vector<std::string>{"A.DAT", "B.DAT", "C.DAT"}));
    // The old bytes were kept first, as before.
    const history::HistoryPlace place = Place();
    for (const auto& [name, bytes] : {std::pair{"A.DAT", a}, {"B.DAT", b}, {"C.DAT", c}}) {
        const auto versions = history::KeptVersionsOf(place.modeFolder, name);
        ASSERT_EQ(versions.size(), 1u) << name;
        Bytes kept;
        EXPECT_FALSE(history::ReadKeptVersion(place.modeFolder, name, versions[0], kept));
        EXPECT_EQ(kept, bytes) << name;
    }
}

TEST_F(InPlaceTest, WriteSlotsFallsBackToTheSafeReplaceWithoutAHistory) {
    card.MakeSaveFolder(mode);
    card.WriteSlot(mode, "A.DAT", kNdsSize);
    const std::uint64_t inode = Inode(Slot("A.DAT"));
    // The history's place is a file: no record can be written, so no in-place write is made.
    WriteFile(HistoryFolder(), Bytes(1, 0));
    const Bytes next = PatternBytes(kNdsSize, 31);
    EXPECT_FALSE(history::WriteSlot(Context(), "A.DAT", next));
    EXPECT_EQ(ReadFile(Slot("A.DAT")), next);
    if (kInodes) {
        EXPECT_NE(Inode(Slot("A.DAT")), inode);
    }
    // A new slot is made the safe way too.
    EXPECT_FALSE(history::WriteSlot(Context(), "NEW.DAT", next));
    EXPECT_EQ(ReadFile(Slot("NEW.DAT")), next);
}

TEST(RewriteInPlace, WritesOnlyAFileOfTheSameLengthAndKeepsIt) {
    TempCard dir;
    const fs::path file = dir.Dir() / "F.DAT";
    const Bytes before = PatternBytes(5000, 1);
    WriteFile(file, before);
    const Bytes after = PatternBytes(5000, 2);
    EXPECT_FALSE(platform::RewriteInPlace(file.string(), after));
    EXPECT_EQ(ReadFile(file), after);

    // Another length, a missing file or a folder: refused, nothing written or made.
    EXPECT_EQ(platform::RewriteInPlace(file.string(), PatternBytes(4999, 3)),
              std::errc::invalid_argument);
    EXPECT_EQ(platform::RewriteInPlace(file.string(), PatternBytes(5001, 3)),
              std::errc::invalid_argument);
    EXPECT_EQ(ReadFile(file), after);
    EXPECT_TRUE(platform::RewriteInPlace((dir.Dir() / "MISSING.DAT").string(), after));
    EXPECT_FALSE(fs::exists(dir.Dir() / "MISSING.DAT"));
    fs::create_directories(dir.Dir() / "FOLDER.DAT");
    EXPECT_TRUE(platform::RewriteInPlace((dir.Dir() / "FOLDER.DAT").string(), {}));
}

TEST(FileLock, ExcludesAnotherHolderUntilReleased) {
    TempCard dir;
    const std::string path = (dir.Dir() / "slotkit.lock").string();
    platform::FileLock first, second;
    ASSERT_FALSE(first.Take(path));
    EXPECT_TRUE(first.Held());
    EXPECT_EQ(second.Take(path, false), std::errc::resource_unavailable_try_again);
    EXPECT_FALSE(second.Held());
    // A waiting holder gets the lock once the first lets it go.
    std::thread waiter([&] { EXPECT_FALSE(second.Take(path, true)); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    first.Release();
    waiter.join();
    EXPECT_TRUE(second.Held());
    EXPECT_TRUE(platform::FileLock().Take((dir.Dir() / "no" / "such.lock").string(), false));
}

}  // namespace
}  // namespace slotkit::test
