// What the Windows file services must do beyond what the commands' tests already show:
// UTF-8 paths, 8.3 aliases, read-only files and case-only renames.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/drives.h"
#include "platform/durable_writes.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/short_names.h"
#include "slots/slot_files.h"
#include "temp_card.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

class Win32Platform : public ::testing::Test {
  protected:
    TempCard card;
    fs::path folder = card.PcFolder();

    fs::path Write(const fs::path& name, const Bytes& bytes) {
        WriteFile(folder / name, bytes);
        return folder / name;
    }
    void MakeReadOnly(const fs::path& path, bool readOnly) {
        fs::permissions(path, fs::perms::owner_write,
                        readOnly ? fs::perm_options::remove : fs::perm_options::add);
    }
};

TEST_F(Win32Platform, ReplaceWritesThroughATemporaryFileAndLeavesNoneBehind) {
    const fs::path target = Write("SLOT.DAT", PatternBytes(300, 1));
    const Bytes content = PatternBytes(5000, 2);
    ASSERT_FALSE(platform::ReplaceFile(Utf8(target), content));
    EXPECT_EQ(ReadFile(target), content);
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"SLOT.DAT"});

    // A new file is created the same way.
    ASSERT_FALSE(platform::ReplaceFile(Utf8(folder / "NEW.DAT"), content));
    EXPECT_EQ(ReadFile(folder / "NEW.DAT"), content);
}

TEST_F(Win32Platform, FailedReplaceLeavesTargetAndFolderAsTheyWere) {
    const Bytes old = PatternBytes(300, 3);
    const fs::path target = Write("LOCKED.DAT", old);
    fs::create_directory(folder / "DIR.DAT");
    MakeReadOnly(target, true);
    EXPECT_TRUE(platform::ReplaceFile(Utf8(target), PatternBytes(10, 4)));
    EXPECT_TRUE(platform::CopyFileSafely(Utf8(target), Utf8(folder / "DIR.DAT"), false));
    EXPECT_TRUE(platform::CheckUpdatable(Utf8(target)));
    MakeReadOnly(target, false);
    EXPECT_EQ(ReadFile(target), old);
    EXPECT_TRUE(fs::is_directory(folder / "DIR.DAT"));
    EXPECT_EQ(FolderEntries(folder), (std::vector<std::string>{"DIR.DAT", "LOCKED.DAT"}));
    EXPECT_FALSE(platform::CheckUpdatable(Utf8(target)));
}

TEST_F(Win32Platform, CopyNeedsAnExistingDestinationWhenAsked) {
    const Bytes content = PatternBytes(263168, 5);
    const fs::path source = Write("SRC.DAT", content);
    EXPECT_TRUE(platform::CopyFileSafely(Utf8(source), Utf8(folder / "MISSING.DAT"), true));
    EXPECT_FALSE(fs::exists(folder / "MISSING.DAT"));
    ASSERT_FALSE(platform::CopyFileSafely(Utf8(source), Utf8(folder / "COPY.DAT"), false));
    EXPECT_EQ(ReadFile(folder / "COPY.DAT"), content);
    EXPECT_TRUE(platform::CopyFileSafely(Utf8(folder), Utf8(folder / "X.DAT"), false));
}

TEST_F(Win32Platform, UnicodeNamesRoundTripThroughUtf8) {
    const fs::path name = fs::path(u8"セーブ é.DAT");
    const Bytes content = PatternBytes(64, 6);
    Write(name, content);
    const std::vector<std::string> listed = slots::ListSlotFiles(Utf8(folder));
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0], Utf8(name));
    Bytes read;
    ASSERT_FALSE(platform::ReadWholeFile(platform::JoinPath(Utf8(folder), listed[0]), read));
    EXPECT_EQ(read, content);
    EXPECT_TRUE(platform::LastWriteTime(platform::JoinPath(Utf8(folder), listed[0])));
}

TEST_F(Win32Platform, ListingSkipsFoldersAndNamesMatchedOnlyByTheirShortAlias) {
    Write("KEEP.dat", Bytes(4));
    Write("notes.data", Bytes(4));  // its 8.3 alias ends in .DAT
    Write("long name of a save.DAT", Bytes(4));
    fs::create_directory(folder / "FOLDER.DAT");
    std::vector<std::string> listed = slots::ListSlotFiles(Utf8(folder));
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::string>{"KEEP.dat", "long name of a save.DAT"}));
    EXPECT_TRUE(slots::ListSlotFiles(Utf8(folder / "absent")).empty());
}

TEST_F(Win32Platform, RenameNeverReplacesButChangesLetterCase) {
    const Bytes a = PatternBytes(10, 7), b = PatternBytes(10, 8);
    const fs::path first = Write("save.dat", a);
    const fs::path second = Write("OTHER.DAT", b);
    EXPECT_EQ(platform::RenameNoReplace(Utf8(first), Utf8(second)), std::errc::file_exists);
    EXPECT_EQ(ReadFile(first), a);
    EXPECT_EQ(ReadFile(second), b);

    ASSERT_FALSE(platform::RenameNoReplace(Utf8(first), Utf8(folder / "SAVE.DAT")));
    EXPECT_EQ(FolderEntries(folder), (std::vector<std::string>{"OTHER.DAT", "SAVE.DAT"}));
    EXPECT_EQ(ReadFile(folder / "SAVE.DAT"), a);

    fs::create_directory(folder / "DIR.DAT");
    EXPECT_TRUE(platform::RenameNoReplace(Utf8(folder / "DIR.DAT"), Utf8(folder / "D2.DAT")));
    EXPECT_TRUE(platform::RemoveFile(Utf8(folder / "DIR.DAT")));
    EXPECT_TRUE(fs::is_directory(folder / "DIR.DAT"));
    EXPECT_FALSE(platform::RemoveFile(Utf8(second)));
    EXPECT_FALSE(fs::exists(second));
}

TEST_F(Win32Platform, TruncateKeepsTheFirstBytes) {
    const Bytes content = PatternBytes(1000, 9);
    const fs::path file = Write("CUT.DAT", content);
    ASSERT_FALSE(platform::TruncateFile(Utf8(file), 600));
    EXPECT_EQ(ReadFile(file), Bytes(content.begin(), content.begin() + 600));
    EXPECT_EQ(platform::FileSize(Utf8(file)), 600u);
    EXPECT_FALSE(platform::FileSize(Utf8(folder)));
}

TEST_F(Win32Platform, ShortPathNamesTheSameFile) {
    const Bytes content = PatternBytes(32, 10);
    const fs::path file = Write("A rather long ROM name.nds", content);
    const auto shortPath = platform::ShortPathName(Utf8(file));
    ASSERT_TRUE(shortPath);
    Bytes read;
    ASSERT_FALSE(platform::ReadWholeFile(*shortPath, read));
    EXPECT_EQ(read, content);
    EXPECT_FALSE(platform::ShortPathName(Utf8(folder / "absent.nds")));
}

// The games read a folder's 8.3 names in one pass; they must be the ones ShortPathName gives.
TEST_F(Win32Platform, KeptShortNamesAreTheShortPathNames) {
    Write("A rather long ROM name.nds", {});
    Write("GAME.NDS", {});
    const auto kept = platform::KeptShortNames(Utf8(folder));
    ASSERT_TRUE(kept);
    int seen = 0;
    for (const platform::KeptShortName& entry : *kept) {
        if (entry.name == "A rather long ROM name.nds" || entry.name == "GAME.NDS") {
            const auto shortPath = platform::ShortPathName(Utf8(folder / entry.name));
            ASSERT_TRUE(shortPath);
            EXPECT_EQ(entry.shortName, fs::path(*shortPath).filename().string()) << entry.name;
            ++seen;
        }
    }
    EXPECT_EQ(seen, 2);
    EXPECT_FALSE(platform::KeptShortNames(Utf8(folder / "absent")));
}

TEST(Win32Drives, RootsAreDriveLettersWithABackslash) {
    for (const std::string& root : platform::RemovableDrives()) {
        ASSERT_EQ(root.size(), 3u);
        EXPECT_GE(root[0], 'C');
        EXPECT_LE(root[0], 'Z');
        EXPECT_EQ(root.substr(1), ":\\");
    }
}

}  // namespace
}  // namespace slotkit::test

#endif  // _WIN32
