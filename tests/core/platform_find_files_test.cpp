// The bounded search for files anywhere under a folder (the ROMs on a card).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/folders.h"
#include "temp_card.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;

// The card root as a path, made.
fs::path CardDir(const TempCard& card) {
    const fs::path root = card.Dir() / "card";
    fs::create_directories(root);
    return root;
}

std::vector<std::string> Below(const fs::path& root, const platform::FoundFiles& found) {
    std::vector<std::string> places;
    for (const std::string& path : found.paths) {
        places.push_back(fs::path(path).lexically_relative(root).generic_string());
    }
    std::sort(places.begin(), places.end());
    return places;
}

platform::FileSearch RomSearch() {
    platform::FileSearch search;
    search.suffixes = {".NDS"};
    search.skippedRootFolders = {"NDSSAVE", "GAMESAVE"};
    return search;
}

TEST(FindFiles, FindsByNameAnywhereWithinTheDepth) {
    TempCard card;
    const fs::path root = CardDir(card);
    fs::path deep = root;
    for (int level = 1; level <= 9; ++level) {
        deep /= "d" + std::to_string(level);
        fs::create_directories(deep);
        WriteFile(deep / ("level" + std::to_string(level) + ".nds"), Bytes(4, 1));
    }
    WriteFile(root / "TOP.NDS", Bytes(4, 1));
    WriteFile(root / "mixed.Nds", Bytes(4, 1));
    WriteFile(root / "other.gba", Bytes(4, 1));
    WriteFile(root / ".nds", Bytes(4, 1));  // nothing before the suffix: not a ROM name
    WriteFile(root / "GAME.NDS.txt", Bytes(4, 1));
    fs::create_directories(root / "FOLDER.NDS");  // a folder with a ROM's name
    fs::create_directories(root / "NDSSAVE");
    WriteFile(root / "NDSSAVE" / "IN_SAVES.NDS", Bytes(4, 1));
    fs::create_directories(root / "gamesave");
    WriteFile(root / "gamesave" / "IN_SAVES.NDS", Bytes(4, 1));
    fs::create_directories(root / "d1" /
                           "NDSSAVE");  // only the card's own save folders are skipped
    WriteFile(root / "d1" / "NDSSAVE" / "KEPT.NDS", Bytes(4, 1));

    const platform::FoundFiles found = platform::FindFiles(card.Root(), RomSearch());
    EXPECT_FALSE(found.stoppedAtLimit);
    const std::vector<std::string> expected = {
        "TOP.NDS",
        "d1/NDSSAVE/KEPT.NDS",
        "d1/d2/d3/d4/d5/d6/d7/d8/level8.nds",
        "d1/d2/d3/d4/d5/d6/d7/level7.nds",
        "d1/d2/d3/d4/d5/d6/level6.nds",
        "d1/d2/d3/d4/d5/level5.nds",
        "d1/d2/d3/d4/level4.nds",
        "d1/d2/d3/level3.nds",
        "d1/d2/level2.nds",
        "d1/level1.nds",
        "mixed.Nds",
    };
    EXPECT_EQ(Below(root, found), expected);
}

#ifndef _WIN32
TEST(FindFiles, FollowsNoLinkAndEndsOnLoops) {
    TempCard card;
    const fs::path root = CardDir(card);
    fs::create_directories(root / "roms");
    WriteFile(root / "roms" / "REAL.NDS", Bytes(4, 1));
    fs::create_symlink(root / "roms" / "REAL.NDS", root / "LINK.NDS");
    fs::create_symlink(root, root / "roms" / "loop");
    fs::create_directory_symlink(root / "roms", root / "roms2");
    fs::create_symlink(root / "missing", root / "DANGLING.NDS");
    const platform::FoundFiles found = platform::FindFiles(card.Root(), RomSearch());
    EXPECT_EQ(Below(root, found), std::vector<std::string>{"roms/REAL.NDS"});
}

TEST(FindFiles, ARootThatIsALinkIsWalked) {
    TempCard card;
    fs::create_directories(CardDir(card) / "real");
    WriteFile(CardDir(card) / "real" / "A.NDS", Bytes(4, 1));
    fs::create_directory_symlink(CardDir(card) / "real", CardDir(card) / "mounted");
    const platform::FoundFiles found =
        platform::FindFiles((CardDir(card) / "mounted").string() + "/", RomSearch());
    EXPECT_EQ(found.paths.size(), 1u);
}
#endif

TEST(FindFiles, StopsAfterItsEntryLimitAndSaysSo) {
    TempCard card;
    for (int i = 0; i < 6; ++i) {
        WriteFile(CardDir(card) / ("G" + std::to_string(i) + ".NDS"), Bytes(4, 1));
    }
    platform::FileSearch search = RomSearch();
    struct Case {
        std::size_t limit;
        std::size_t found;
        bool stopped;
    };
    for (const Case& c : {Case{6, 6, false}, Case{5, 5, true}, Case{0, 0, true}}) {
        search.maxEntries = c.limit;
        const platform::FoundFiles found = platform::FindFiles(card.Root(), search);
        EXPECT_EQ(found.paths.size(), c.found) << c.limit;
        EXPECT_EQ(found.stoppedAtLimit, c.stopped) << c.limit;
    }
}

TEST(FindFiles, TenThousandFilesAreTheDefaultBound) {
    TempCard card;
    const fs::path folder = CardDir(card) / "many";
    fs::create_directories(folder);
    for (int i = 0; i < 10001; ++i) {
        std::ofstream(folder / (std::to_string(i) + ".txt"));
    }
    WriteFile(CardDir(card) / "FIRST.NDS", Bytes(4, 1));
    const platform::FoundFiles found = platform::FindFiles(card.Root(), RomSearch());
    EXPECT_TRUE(found.stoppedAtLimit);
    EXPECT_EQ(found.paths.size(), 1u);  // the root's files come before its folders' entries
}

TEST(FindFiles, AMissingOrFileRootFindsNothing) {
    TempCard card;
    WriteFile(CardDir(card) / "A.NDS", Bytes(4, 1));
    EXPECT_TRUE(platform::FindFiles((CardDir(card) / "none").string(), RomSearch()).paths.empty());
    EXPECT_TRUE(platform::FindFiles((CardDir(card) / "A.NDS").string(), RomSearch()).paths.empty());
}

}  // namespace
}  // namespace slotkit::test
