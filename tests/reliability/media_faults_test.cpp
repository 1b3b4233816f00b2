// Every writing command on a full disk, against /dev/full, with files that cannot be opened,
// and with a card that disappears between the files of a batch.
#include <fcntl.h>
#include <unistd.h>

#include "rel_support.h"

namespace slotkit::reliability {
namespace {

Snapshot IntendedOf(const Scenario& scenario) {
    TempDir dir;
    scenario.setup(dir.path());
    const RunResult run = RunSlotkit(scenario.args(dir.path()));
    EXPECT_EQ(run.status, 0) << Describe(run);
    return TakeSnapshot(dir.path());
}

void CheckRun(const Scenario& scenario, const Snapshot& before, const Snapshot& intended,
              const Snapshot& after, const RunResult& run) {
    if (scenario.wholeTree) {
        EXPECT_TRUE(WholeBeforeOrIntended(before, intended, after));
    } else {
        EXPECT_TRUE(EachEntryBeforeOrIntended(before, intended, after));
    }
    EXPECT_TRUE(NoTemporaryFiles(after));
    EXPECT_TRUE(HonestOutcome(run, after == intended));
}

// Fills what is left of the file system holding `path`, leaving `spare` bytes.
void FillUp(const fs::path& path, std::size_t spare) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const Bytes block(4096, 0x5a);
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    ::close(fd);
    fs::resize_file(path, fs::file_size(path) > spare ? fs::file_size(path) - spare : 0);
}

class EveryCommand : public ::testing::TestWithParam<Scenario> {};

TEST_P(EveryCommand, FullDiskLeavesEverySaveWhole) {
    if (!IsRoot()) {
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    }
    UnmountLeftovers();
    const Scenario& scenario = GetParam();
    const Snapshot intended = IntendedOf(scenario);
    for (std::size_t spare : {std::size_t{0}, std::size_t{64 * 1024}}) {
        TempDir dir;
        const fs::path root = dir.path() / "disk";
        TmpfsMount disk(root, 4 << 20);
        ASSERT_TRUE(disk.ok()) << "mount -t tmpfs failed";
        scenario.setup(root);
        FillUp(root / "filler", spare);
        const Snapshot before = TakeSnapshot(root);
        Snapshot wanted = intended;
        wanted["filler"] = before.at("filler");
        const RunResult run = RunSlotkit(scenario.args(root));
        SCOPED_TRACE(scenario.name + " with " + std::to_string(spare) + " bytes free");
        CheckRun(scenario, before, wanted, TakeSnapshot(root), run);
    }
}

TEST_P(EveryCommand, UnreadableAndUnwritableFilesForAnUnprivilegedUser) {
    if (!IsRoot() || !HaveProgram("setpriv")) {
        GTEST_SKIP() << "needs root and setpriv to run slotkit as nobody";
    }
    const Scenario& scenario = GetParam();
    const Snapshot intended = IntendedOf(scenario);
    // Each file of the tree made read-only in turn, then each folder.
    TempDir probe;
    scenario.setup(probe.path());
    std::vector<std::string> paths;
    for (const auto& [path, entry] : TakeSnapshot(probe.path())) {
        paths.push_back(path);
    }
    for (const std::string& locked : paths) {
        TempDir dir;
        fs::permissions(dir.path(), fs::perms::all);
        scenario.setup(dir.path());
        for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
            fs::permissions(entry.path(), entry.is_directory() ? fs::perms::all : fs::perms(0666));
        }
        const fs::path target = dir.path() / locked;
        fs::permissions(target, fs::is_directory(target) ? fs::perms(0555) : fs::perms(0444));
        const Snapshot before = TakeSnapshot(dir.path());
        RunOptions options;
        options.prefix = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
        const RunResult run = RunSlotkit(scenario.args(dir.path()), options);
        SCOPED_TRACE(scenario.name + " with " + locked + " read-only");
        CheckRun(scenario, before, intended, TakeSnapshot(dir.path()), run);
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, EveryCommand, ::testing::ValuesIn(WritingScenarios()),
                         [](const auto& info) { return info.param.name; });

// Paths that name no file the command may use: /dev/full (reads give zeros, writes fail), a
// folder where a file should be, and a file that does not exist.
TEST(Unopenable, DevFullFoldersAndMissingFilesAreRefused) {
    TempDir dir;
    const fs::path r = dir.path();
    LayOutCard(r);
    fs::create_symlink("/dev/full", r / "pc" / "full.sav");
    fs::create_directories(r / "pc" / "folder.sav");
    fs::create_directories(r / "pc" / "folder.DAT");
    fs::remove(r / "pc" / "out" / "B.DAT");
    fs::create_symlink("/dev/full", r / "pc" / "out" / "B.DAT");
    const std::string card = CardOf(r).string();
    const auto pc = [&](const char* name) { return (r / "pc" / name).string(); };
    const std::vector<std::vector<std::string>> calls{
        {"--yes", "backup", "A.DAT", pc("full.sav")},
        {"--yes", "backup", "A.DAT", pc("folder.DAT")},
        {"restore", "A.DAT", "/dev/full"},
        {"restore", "A.DAT", pc("folder.DAT")},
        {"restore", "A.DAT", pc("missing.DAT")},
        {"restore", "A.DAT", "B.DAT", pc("missing")},
        {"--yes", "import", "A.DAT", pc("full.sav")},
        {"--yes", "import", "A.DAT", pc("folder.sav")},
        {"--yes", "import", "A.DAT", pc("missing.sav")},
        {"--yes", "export", "A.DAT", pc("full.sav")},
        {"--yes", "export", "A.DAT", pc("folder.sav")},
        {"--yes", "export", "A.DAT", pc("missing.sav")},
        {"--yes", "retarget", "A.DAT", "/dev/full"},
        {"--yes", "retarget", "A.DAT", pc("missing.nds")},
        {"--yes", "dummy", "99", "--name", "../pc/folder.DAT"},
    };
    const Snapshot before = TakeSnapshot(r);
    for (std::vector<std::string> args : calls) {
        args.insert(args.begin(), {"--card", card});
        const RunResult run = RunSlotkit(args);
        SCOPED_TRACE(::testing::PrintToString(args));
        EXPECT_EQ(TakeSnapshot(r), before);
        EXPECT_TRUE(HonestOutcome(run, false));
    }
    // A batch backup whose second file is /dev/full: the other two are written, the run fails.
    const RunResult batch =
        RunSlotkit({"--card", card, "--yes", "backup", "A.DAT", "B.DAT", "C.DAT", pc("out")});
    EXPECT_TRUE(HonestOutcome(batch, false));
    EXPECT_EQ(ReadBytes(r / "pc/out/A.DAT"), ReadBytes(SlotOf(r, "A.DAT")));
    EXPECT_EQ(ReadBytes(r / "pc/out/C.DAT"), ReadBytes(SlotOf(r, "C.DAT")));
    EXPECT_TRUE(fs::is_symlink(r / "pc/out/B.DAT"));
}

// The card goes away while a batch runs: its save folder is moved off (as when the card is
// pulled out) or the FUSE driver of a FAT card is killed, just before the second file.
struct Vanish {
    const char* name;
    std::vector<std::string> (*args)(const fs::path& root);
    const char* match;  // the open that the card disappears before
    int nth;            // which such open (the listing opens each slot once first)
};

const Vanish kVanishes[] = {
    {"restore_batch",
     [](const fs::path& r) {
         return std::vector<std::string>{
             "--card", CardOf(r).string(),       "--no", "restore", "A.DAT", "B.DAT",
             "C.DAT",  (r / "pc/batch").string()};
     },
     // A.DAT and C.DAT keep their length and are rewritten in place first, then B.DAT (an
     // old-form slot) is replaced: the card goes as B's backup is opened to be copied, its
     // second open (the first reads the game it names).
     "batch/B.DAT", 2},
    {"backup_batch",
     [](const fs::path& r) {
         return std::vector<std::string>{
             "--card", CardOf(r).string(), "--no", "backup", "A.DAT", "B.DAT",
             "C.DAT",  (r / "pc").string()};  // a folder without older backups to ask about
     },
     "NDSSAVE/B.DAT", 2},
};

TEST(VanishingCard, SaveFolderRemovedBetweenRows) {
    for (const Vanish& vanish : kVanishes) {
        SCOPED_TRACE(vanish.name);
        TempDir clean;
        LayOutCard(clean.path());
        ASSERT_EQ(RunSlotkit(vanish.args(clean.path())).status, 0);
        const Snapshot intended = TakeSnapshot(clean.path());

        TempDir dir;
        LayOutCard(dir.path());
        const Snapshot before = TakeSnapshot(dir.path());
        const fs::path folder = CardOf(dir.path()) / "NDSSAVE";
        const fs::path away = dir.path() / "pulled";
        RunOptions options;
        options.env = {std::string("LD_PRELOAD=") + SLOTKIT_VANISH_SHIM,
                       std::string("SLOTKIT_VANISH_MATCH=") + vanish.match,
                       "SLOTKIT_VANISH_NTH=" + std::to_string(vanish.nth),
                       "SLOTKIT_VANISH_MOVE_FROM=" + folder.string(),
                       "SLOTKIT_VANISH_MOVE_TO=" + away.string(),
                       "ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0"};
        const RunResult run = RunSlotkit(vanish.args(dir.path()), options);
        ASSERT_TRUE(fs::exists(away)) << "the card did not vanish: " << Describe(run);
        EXPECT_TRUE(HonestOutcome(run, false));
        EXPECT_EQ(run.out.find("Success!"), std::string::npos);
        fs::rename(away, folder);  // the card comes back
        const Snapshot after = TakeSnapshot(dir.path());
        EXPECT_TRUE(EachEntryBeforeOrIntended(before, intended, after));
        EXPECT_TRUE(NoTemporaryFiles(after));
        EXPECT_NE(after, before) << "the first row was not copied before the card went away";
    }
}

TEST(VanishingCard, FuseDriverKilledBetweenRows) {
    if (!IsRoot() || !HaveProgram("fusefat") || !HaveProgram("mkfs.vfat")) {
        GTEST_SKIP() << "needs root, fusefat and mkfs.vfat";
    }
    UnmountLeftovers();
    for (const Vanish& vanish : kVanishes) {
        SCOPED_TRACE(vanish.name);
        TempDir clean;
        LayOutCard(clean.path());
        ASSERT_EQ(RunSlotkit(vanish.args(clean.path())).status, 0);
        const Snapshot intended = TakeSnapshot(clean.path());

        TempDir dir;
        FatImage fat(dir.path() / "card.img", dir.path() / "card");
        ASSERT_TRUE(fat.ok()) << "fusefat did not mount the image";
        LayOutCard(dir.path());
        fat.Mount();  // written out and mounted afresh
        const auto snapshot = [&] {
            Snapshot taken = TakeSnapshot(dir.path());
            taken.erase("card.img");
            return taken;
        };
        const Snapshot before = snapshot();
        RunOptions options;
        options.env = {std::string("LD_PRELOAD=") + SLOTKIT_VANISH_SHIM,
                       std::string("SLOTKIT_VANISH_MATCH=") + vanish.match,
                       "SLOTKIT_VANISH_NTH=" + std::to_string(vanish.nth),
                       "SLOTKIT_VANISH_KILL=" + std::to_string(fat.driverPid()),
                       "ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0"};
        const RunResult run = RunSlotkit(vanish.args(dir.path()), options);
        EXPECT_TRUE(HonestOutcome(run, false));
        EXPECT_EQ(run.out.find("Success!"), std::string::npos);
        ASSERT_TRUE(fat.Mount()) << "the image does not mount again";
        const Snapshot after = snapshot();
        EXPECT_TRUE(EachEntryBeforeOrIntended(before, intended, after));
        EXPECT_TRUE(NoTemporaryFiles(after));
        EXPECT_NE(after, before) << "the first row was not copied before the card went away";
    }
}

}  // namespace
}  // namespace slotkit::reliability

namespace slotkit::reliability {
namespace {

// A backup to "save" writes "save.DAT": an existing save.DAT is replaced only when the user
// says so, even though the name typed was another one.
TEST(Unopenable, BackupAsksBeforeReplacingTheDatFile) {
    TempDir dir;
    LayOutCard(dir.path());
    const fs::path typed = dir.path() / "pc" / "existing";
    const std::string card = CardOf(dir.path()).string();
    const Snapshot before = TakeSnapshot(dir.path());
    RunResult run = RunSlotkit({"--card", card, "--no", "backup", "A.DAT", typed.string()});
    EXPECT_EQ(TakeSnapshot(dir.path()), before) << Describe(run);
    run = RunSlotkit({"--card", card, "--yes", "backup", "A.DAT", typed.string()});
    EXPECT_EQ(run.status, 0) << Describe(run);
    EXPECT_EQ(ReadBytes(dir.path() / "pc/existing.DAT"), ReadBytes(SlotOf(dir.path(), "A.DAT")));
}

}  // namespace
}  // namespace slotkit::reliability
