// The POSIX file services that every write of the slot commands goes through.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>

#include "ops_fixture.h"
#include "platform/durable_writes.h"
#include "platform/files.h"
#include "slots/slot_files.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;

class FileServicesTest : public ::testing::Test {
  protected:
    TempCard card;
    fs::path dir = card.PcFolder();
    std::string P(const std::string& name) const { return (dir / name).string(); }
};

#ifndef _WIN32  // needs a child process or POSIX permissions
TEST_F(FileServicesTest, ReplaceAndCopyKeepTheTargetWholeWhenAWriteFails) {
    const Bytes old = PatternBytes(300'000, 1);
    WriteFile(P("T.DAT"), old);
    WriteFile(P("SRC"), PatternBytes(300'000, 2));
    const int status = RunInChild([&] {
        LimitFileSize(65'536);
        const Bytes content = PatternBytes(300'000, 3);
        const bool replaceFailed = static_cast<bool>(platform::ReplaceFile(P("T.DAT"), content));
        const bool copyFailed =
            static_cast<bool>(platform::CopyFileSafely(P("SRC"), P("T.DAT"), true));
        return replaceFailed && copyFailed ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(P("T.DAT")), old);
    EXPECT_EQ(FolderEntries(dir), (std::vector<std::string>{"SRC", "T.DAT"}));
}
#endif

TEST_F(FileServicesTest, CopyRefusesFoldersAndAMissingDestinationWhenItMustExist) {
    WriteFile(P("SRC"), PatternBytes(10, 1));
    fs::create_directory(dir / "FOLDER");
    EXPECT_TRUE(platform::CopyFileSafely(P("SRC"), P("FOLDER"), false));
    EXPECT_TRUE(platform::CopyFileSafely(P("FOLDER"), P("NEW"), false));
    EXPECT_TRUE(platform::CopyFileSafely(P("SRC"), P("NEW"), true));
    EXPECT_TRUE(platform::CopyFileSafely(P("SRC"), P("nowhere/NEW"), false));
    EXPECT_EQ(FolderEntries(dir), (std::vector<std::string>{"FOLDER", "SRC"}));
    EXPECT_TRUE(fs::is_empty(dir / "FOLDER"));

    EXPECT_FALSE(platform::CopyFileSafely(P("SRC"), P("NEW"), false));
    EXPECT_EQ(ReadFile(P("NEW")), PatternBytes(10, 1));
}

TEST_F(FileServicesTest, TruncateCutsButNeverLengthens) {
    const Bytes bytes = PatternBytes(1000, 5);
    WriteFile(P("F"), bytes);
    EXPECT_TRUE(platform::TruncateFile(P("F"), 1001));
    EXPECT_EQ(ReadFile(P("F")), bytes);
    EXPECT_FALSE(platform::TruncateFile(P("F"), 400));
    EXPECT_EQ(ReadFile(P("F")), Bytes(bytes.begin(), bytes.begin() + 400));
    EXPECT_TRUE(platform::TruncateFile(P("missing"), 0));
    EXPECT_FALSE(fs::exists(P("missing")));
}

#ifndef _WIN32  // needs a child process or POSIX permissions
TEST_F(FileServicesTest, AFifoNamedLikeASlotNeverBlocks) {
    ASSERT_EQ(::mkfifo(P("PIPE.DAT").c_str(), 0666), 0);
    std::vector<std::uint8_t> out;
    EXPECT_TRUE(platform::ReadAt(P("PIPE.DAT"), 0, 11, out));
    EXPECT_TRUE(platform::ReadWholeFile(P("PIPE.DAT"), out));
    EXPECT_TRUE(platform::CheckUpdatable(P("PIPE.DAT")));
    EXPECT_TRUE(platform::TruncateFile(P("PIPE.DAT"), 0));
    EXPECT_TRUE(platform::ReplaceFile(P("PIPE.DAT"), Bytes(4, 0)));
    // The removal holds the file open until its entry is gone: a FIFO must not block that.
    EXPECT_FALSE(platform::RemoveFile(P("PIPE.DAT")));
    EXPECT_FALSE(fs::exists(P("PIPE.DAT")));
}

// The games' listing opens each ROM by its name in its folder, trusting the listing that found
// it: whatever has taken its place since must fail to read, never block or be followed.
TEST_F(FileServicesTest, AFileOpenedByNameInItsFolderIsReadButNothingElseInItsPlace) {
    WriteFile(P("GAME.NDS"), Bytes{1, 2, 3, 4, 5});
    platform::OpenFolder folder;
    ASSERT_FALSE(folder.Open(dir.string()));
    platform::FileReader file;
    ASSERT_FALSE(file.OpenListed(folder, "GAME.NDS"));
    std::array<std::uint8_t, 8> bytes{};
    std::size_t got = 99;
    EXPECT_FALSE(file.ReadAt(1, bytes, got));
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(bytes[0], 2);
    EXPECT_EQ(file.Size(), 5u);
    EXPECT_TRUE(file.LastWrite());

    fs::create_symlink(P("GAME.NDS"), P("LINK.NDS"));
    EXPECT_TRUE(file.OpenListed(folder, "LINK.NDS"));
    ASSERT_EQ(::mkfifo(P("PIPE.NDS").c_str(), 0666), 0);
    if (!file.OpenListed(folder, "PIPE.NDS")) {
        EXPECT_TRUE(file.ReadAt(0, bytes, got));
        EXPECT_EQ(got, 0u);
        EXPECT_EQ(file.Size(), std::nullopt);
    }
    fs::create_directory(P("FOLDER.NDS"));
    if (!file.OpenListed(folder, "FOLDER.NDS")) {
        EXPECT_TRUE(file.ReadAt(0, bytes, got));
    }
    EXPECT_TRUE(file.OpenListed(folder, "MISSING.NDS"));

    platform::OpenFolder gone;
    EXPECT_TRUE(gone.Open(P("GONE")));
    EXPECT_TRUE(file.OpenListed(gone, "GAME.NDS"));
}

// A cut goes through a replace (a cut in place frees the tail before the entry shrinks): the
// file keeps its permissions and the folder holds nothing else after it.
TEST_F(FileServicesTest, ACutKeepsThePermissionsAndLeavesNoTemporaryFile) {
    const Bytes bytes = PatternBytes(5000, 6);
    WriteFile(P("F.DAT"), bytes);
    ASSERT_EQ(::chmod(P("F.DAT").c_str(), 0640), 0);
    for (std::uint64_t length : {std::uint64_t{5000}, std::uint64_t{1200}, std::uint64_t{0}}) {
        EXPECT_FALSE(platform::TruncateFile(P("F.DAT"), length)) << length;
        EXPECT_EQ(ReadFile(P("F.DAT")), Bytes(bytes.begin(), bytes.begin() + length)) << length;
        struct stat st;
        ASSERT_EQ(::stat(P("F.DAT").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u) << length;
        EXPECT_EQ(FolderEntries(dir), (std::vector<std::string>{"F.DAT"})) << length;
    }
}
#endif

#ifndef _WIN32  // needs a child process or POSIX permissions
TEST_F(FileServicesTest, ReadOnlyFilesAreNotReplacedBehindTheUsersBack) {
    const Bytes old = PatternBytes(100, 6);
    WriteFile(P("RO.DAT"), old);
    WriteFile(P("SRC"), PatternBytes(100, 7));
    fs::permissions(P("RO.DAT"),
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    // The folder stays writable: only the file's own mode protects it.
    fs::permissions(card.Dir(), fs::perms::all);
    fs::permissions(dir, fs::perms::all);
    const int status = RunInChild([&] {
        if (!DropToNobody()) {
            return 77;
        }
        const bool replaceRefused =
            static_cast<bool>(platform::ReplaceFile(P("RO.DAT"), Bytes(4, 0)));
        const bool copyRefused =
            static_cast<bool>(platform::CopyFileSafely(P("SRC"), P("RO.DAT"), true));
        return replaceRefused && copyRefused ? 0 : 1;
    });
    if (status == 77) {
        GTEST_SKIP() << "cannot give up root here";
    }
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(P("RO.DAT")), old);
}
#endif

TEST_F(FileServicesTest, RenameNeverReplacesAndNeverMovesAFolder) {
    WriteFile(P("A.DAT"), PatternBytes(10, 1));
    WriteFile(P("B.DAT"), PatternBytes(10, 2));
    fs::create_directory(dir / "SUB");
    EXPECT_EQ(platform::RenameNoReplace(P("A.DAT"), P("B.DAT")), std::errc::file_exists);
    EXPECT_TRUE(platform::RenameNoReplace(P("SUB"), P("MOVED")));
    EXPECT_FALSE(platform::RenameNoReplace(P("A.DAT"), P("C.DAT")));
    EXPECT_EQ(FolderEntries(dir), (std::vector<std::string>{"B.DAT", "C.DAT", "SUB"}));
    EXPECT_EQ(ReadFile(P("C.DAT")), PatternBytes(10, 1));

    EXPECT_TRUE(platform::RemoveFile(P("SUB")));
    EXPECT_TRUE(fs::is_directory(dir / "SUB"));
    EXPECT_FALSE(platform::RemoveFile(P("C.DAT")));
    EXPECT_FALSE(fs::exists(P("C.DAT")));
}

// A FAT image mounted through FUSE: names are case-insensitive there, as on the card.
#ifndef _WIN32  // a FAT image mounted through FUSE
class FatImageTest : public FileServicesTest {
  protected:
    void SetUp() override {
        mount = card.Dir() / "fat";
        fs::create_directories(mount);
        const fs::path image = card.Dir() / "fat.img";
        const std::string command = "truncate -s 4M '" + image.string() + "' && mkfs.vfat '" +
                                    image.string() + "' >/dev/null 2>&1 && fusefat -o rw+ '" +
                                    image.string() + "' '" + mount.string() + "' >/dev/null 2>&1";
        if (::geteuid() != 0 || !fs::exists("/dev/fuse") || std::system(command.c_str()) != 0) {
            GTEST_SKIP() << "cannot mount a FAT image through FUSE here";
        }
        mounted = true;
    }
    void TearDown() override {
        if (mounted) {
            std::system(("fusermount -u '" + mount.string() + "'").c_str());
        }
    }
    std::string F(const std::string& name) const { return (mount / name).string(); }

    fs::path mount;
    bool mounted = false;
};

TEST_F(FatImageTest, CaseOnlyRenameChangesTheCaseAndOtherNamesAreNotReplaced) {
    WriteFile(F("save.dat"), PatternBytes(5000, 1));
    WriteFile(F("OTHER.DAT"), PatternBytes(5000, 2));
    ASSERT_TRUE(fs::exists(F("SAVE.DAT"))) << "the image is not case-insensitive";

    EXPECT_FALSE(platform::RenameNoReplace(F("save.dat"), F("SAVE.DAT")));
    EXPECT_EQ(slots::ListSlotFiles(mount.string()).size(), 2u);
    EXPECT_EQ(FolderEntries(mount), (std::vector<std::string>{"OTHER.DAT", "SAVE.DAT"}));
    EXPECT_EQ(ReadFile(F("SAVE.DAT")), PatternBytes(5000, 1));

    EXPECT_EQ(platform::RenameNoReplace(F("SAVE.DAT"), F("other.dat")), std::errc::file_exists);
    EXPECT_EQ(ReadFile(F("OTHER.DAT")), PatternBytes(5000, 2));
    EXPECT_EQ(ReadFile(F("SAVE.DAT")), PatternBytes(5000, 1));

    EXPECT_FALSE(platform::ReplaceFile(F("SAVE.DAT"), PatternBytes(100, 3)));
    EXPECT_EQ(ReadFile(F("save.dat")), PatternBytes(100, 3));
    EXPECT_EQ(FolderEntries(mount), (std::vector<std::string>{"OTHER.DAT", "SAVE.DAT"}));
}
#endif

}  // namespace
}  // namespace slotkit::test
