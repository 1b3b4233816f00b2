// The history's names, index text and bounds, without the disk.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "history/history_format.h"

namespace slotkit::history {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

TEST(HistoryFormat, ContentHashIsXxh64) {
    std::vector<std::uint8_t> counting;
    for (int i = 0; i < 3; ++i) {
        for (int b = 0; b < 256; ++b) {
            counting.push_back(static_cast<std::uint8_t>(b));
        }
    }
    std::string nine;
    for (int i = 0; i < 9; ++i) {
        nine += "slotkit";
    }
    // Values as the reference library computes them, for every path through the function:
    // under 4 bytes, 4-7, whole 8-byte words, and the 32-byte stripes with every kind of tail.
    const struct {
        std::vector<std::uint8_t> input;
        const char* hash;
    } cases[] = {{Bytes(""), "ef46db3751d8e999"},
                 {Bytes("a"), "d24ec4f1a98c6e5b"},
                 {Bytes("abc"), "44bc2cf5ad770999"},
                 {counting, "8e03c838c596036f"},
                 {Bytes(nine), "3c06016d20b09cc2"}};
    for (const auto& c : cases) {
        EXPECT_EQ(base::HashText(base::ContentHash(c.input)), c.hash) << c.input.size() << " bytes";
    }
}

TEST(HistoryFormat, IndexReadsBackWhatItWroteAndSkipsDamagedLines) {
    const std::vector<KeptVersion> versions{{1,
                                             {2026, 1, 2, 3, 4, 5, 6},
                                             "restore",
                                             263168,
                                             "0123456789abcdef",
                                             "POKEMON D",
                                             "2026-01-02_03-04-05.006Z_restore.DAT"},
                                            {7,
                                             {2026, 12, 31, 23, 59, 59, 999},
                                             "delete",
                                             0,
                                             "ef46db3751d8e999",
                                             "tab\there",
                                             "b.DAT"}};
    std::string text = IndexText("A.DAT", versions);
    text += "garbage line\n";
    text += "8\t2026-01-02 03:04:05.006 UTC\trestore\t12\th\tt\t../../escape.DAT\n";
    text += "9\tyesterday\trestore\t12\th\tt\tx.DAT\n";
    text += "10\t2026-01-02 03:04:05.006 UTC\trestore\t-5\th\tt\tx.DAT\r\n";

    const auto read = ParseIndex(text);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].number, 1);
    EXPECT_EQ(UtcText(read[0].kept), "2026-01-02 03:04:05.006 UTC");
    EXPECT_EQ(read[0].command, "restore");
    EXPECT_EQ(read[0].size, 263168u);
    EXPECT_EQ(read[0].hash, "0123456789abcdef");
    EXPECT_EQ(read[0].title, "POKEMON D");
    EXPECT_EQ(read[0].file, "2026-01-02_03-04-05.006Z_restore.DAT");
    EXPECT_EQ(read[1].number, 7);
    EXPECT_EQ(read[1].title, "tab here");  // a tab would split the line
    EXPECT_EQ(ParseIndex(IndexText("A.DAT", read)).size(), 2u);
}

TEST(HistoryFormat, VersionNamesSortByTimeAndNeverRepeat) {
    const UtcTime t{2026, 12, 8, 7, 4, 18, 123};
    EXPECT_EQ(VersionFileName(t, "restore"), "2026-12-08_07-04-18.123Z_restore.DAT");
    EXPECT_EQ(VersionFileName(t, "restore", 1), "2026-12-08_07-04-18.123Z_restore-2.DAT");
    EXPECT_LT(VersionFileName({2026, 12, 8, 7, 4, 18, 123}, "x"),
              VersionFileName({2026, 12, 8, 7, 4, 19, 0}, "x"));
}

TEST(HistoryFormat, FolderNamesAreSafeAndDistinct) {
    const std::vector<std::string> texts{"/media/me/SDCARD",
                                         "/media/me_SDCARD",
                                         "/media/me%2FSDCARD",
                                         "E:\\",
                                         ".",
                                         "..",
                                         "",
                                         "a b",
                                         "x/../..",
                                         std::string(300, 'z'),
                                         std::string(299, 'z') + "y"};
    std::set<std::string> names;
    for (const std::string& text : texts) {
        const std::string name = SafeFolderName(text);
        names.insert(name);
        EXPECT_LE(name.size(), 120u) << text;
        EXPECT_EQ(name.find_first_of("/\\:*?\"<>| "), std::string::npos) << name;
        EXPECT_NE(name.find_first_not_of('.'), std::string::npos) << name;
    }
    EXPECT_EQ(names.size(), texts.size());
    EXPECT_EQ(SafeFolderName("/media/me/SD CARD"), "%2Fmedia%2Fme%2FSD%20CARD");

    EXPECT_EQ(CardFolderName(std::string("1234-ABCD"), "/media/me/CARD/"), "volume-1234-ABCD");
    EXPECT_EQ(CardFolderName(std::nullopt, "/media/me/CARD/"), "folder-%2Fmedia%2Fme%2FCARD");
    EXPECT_EQ(CardFolderName(std::nullopt, "/media/me/CARD"), "folder-%2Fmedia%2Fme%2FCARD");
    EXPECT_EQ(CardFolderName(std::nullopt, "E:\\"), "folder-E%3A");
}

KeptVersion At(int number, int minute, std::uint64_t size) {
    return {number, {2026, 1, 1, 0, minute, 0, 0}, "restore", size, "h", "t", "f"};
}

TEST(HistoryFormat, BoundsRemoveTheOldestButNeverASlotsNewest) {
    const struct {
        const char* what;
        std::vector<SlotVersions> slots;
        std::size_t maxPerSlot;
        std::uint64_t maxBytes;
        std::set<std::pair<std::size_t, std::size_t>> removed;
    } cases[] = {
        {"within bounds", {{"A", {At(1, 0, 10), At(2, 1, 10)}}}, 20, 100, {}},
        {"per slot: the oldest go",
         {{"A", {At(1, 0, 10), At(2, 1, 10), At(3, 2, 10)}}, {"B", {At(1, 0, 10)}}},
         2,
         1000,
         {{0, 0}}},
        {"numbers decide the order within a slot, not the line order",
         {{"A", {At(3, 2, 10), At(1, 0, 10), At(2, 1, 10)}}},
         1,
         1000,
         {{0, 1}, {0, 2}}},
        {"total: the oldest of all go first",
         {{"A", {At(1, 0, 10), At(2, 5, 10)}}, {"B", {At(1, 1, 10), At(2, 6, 10)}}},
         20,
         25,
         {{0, 0}, {1, 0}}},
        {"total: a slot's newest stays even past the bound",
         {{"A", {At(1, 0, 100)}}, {"B", {At(1, 1, 100), At(2, 2, 100)}}},
         20,
         50,
         {{1, 0}}},
    };
    for (const auto& c : cases) {
        std::set<std::pair<std::size_t, std::size_t>> removed;
        for (const Removal& r : ChooseRemovals(c.slots, c.maxPerSlot, c.maxBytes)) {
            removed.insert({r.slot, r.version});
        }
        EXPECT_EQ(removed, c.removed) << c.what;
    }
}

}  // namespace
}  // namespace slotkit::history
