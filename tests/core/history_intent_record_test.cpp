// The intent record of an in-place slot write, without the disk: what it says reads back, and a
// record damaged anywhere is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "history/history_format.h"
#include "history/intent_record.h"
#include "temp_card.h"

namespace slotkit::history {
namespace {

using test::Bytes;
using test::PatternBytes;

TEST(IntentRecord, ReadsBackWhatItWrote) {
    const struct {
        std::string slot;
        std::size_t size;
    } cases[] = {{"POKEMON.DAT", 263'168},
                 {"with space and %25 and\nbreak.DAT", 100},
                 {"\xe3\x83\x9d\xe3\x82\xb1.DAT", 1},
                 {"EMPTY.DAT", 0}};
    for (const auto& c : cases) {
        const Bytes newBytes = PatternBytes(c.size, 7);
        const Intent intent{"volume-1A2B-3C4D", "NDSSAVE", c.slot, 0, 0x0123456789abcdefull, 0};
        const std::vector<std::uint8_t> record = IntentRecord(intent, newBytes);
        std::string why;
        const auto read = ParseIntentRecord(record, why);
        ASSERT_TRUE(read) << c.slot << ": " << why;
        EXPECT_EQ(read->intent.card, "volume-1A2B-3C4D");
        EXPECT_EQ(read->intent.mode, "NDSSAVE");
        EXPECT_EQ(read->intent.slotFileName, c.slot);
        EXPECT_EQ(read->intent.size, c.size);
        EXPECT_EQ(read->intent.oldHash, 0x0123456789abcdefull);
        EXPECT_EQ(read->intent.newHash, base::ContentHash(newBytes));
        EXPECT_EQ(Bytes(read->newBytes.begin(), read->newBytes.end()), newBytes);
    }
}

TEST(IntentRecord, HeaderIsPlainTextThatXxhsumCanCheck) {
    const Bytes newBytes(3, 'x');
    const auto record = IntentRecord({"folder-%2Fcard", "GAMESAVE", "A.DAT", 0, 1, 0}, newBytes);
    const std::string text(record.begin(), record.end());
    const std::string header =
        "slotkit unfinished write 1\ncard: folder-%252Fcard\n"
        "mode: GAMESAVE\nslot: A.DAT\nsize: 3\nold: 0000000000000001\n"
        "new: " +
        base::HashText(base::ContentHash(newBytes)) + "\n";
    const std::string check = base::HashText(
        base::ContentHash({reinterpret_cast<const std::uint8_t*>(header.data()), header.size()}));
    EXPECT_EQ(text, header + "check: " + check + "\nxxx");
}

TEST(IntentRecord, DamagedOrCutRecordsAreRefused) {
    const Bytes newBytes = PatternBytes(600, 3);
    const std::vector<std::uint8_t> good =
        IntentRecord({"volume-1234-ABCD", "NDSSAVE", "A.DAT", 0, 42, 0}, newBytes);
    const std::string text(good.begin(), good.end());
    const std::size_t headerEnd = text.find("\n", text.find("check: ")) + 1;

    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> damaged;
    damaged.push_back({"empty", {}});
    // Any byte of the header changed: the checksum or the header's own form catches it.
    for (std::size_t at = 0; at < headerEnd; ++at) {
        auto changed = good;
        changed[at] ^= 0x01;
        damaged.push_back({"header byte " + std::to_string(at), changed});
    }
    for (const std::size_t at : {headerEnd, headerEnd + 299, good.size() - 1}) {
        auto changed = good;
        changed[at] ^= 0x80;
        damaged.push_back({"new byte " + std::to_string(at), changed});
    }
    for (const std::size_t length : {std::size_t{10}, headerEnd - 1, headerEnd, good.size() - 1}) {
        damaged.push_back({"cut to " + std::to_string(length),
                           std::vector<std::uint8_t>(good.begin(), good.begin() + length)});
    }
    auto longer = good;
    longer.push_back(0);
    damaged.push_back({"a byte more", longer});
    // A header rewritten by hand with a fresh checksum but a wrong size still fails.
    std::string edited = text.substr(0, headerEnd);
    edited.replace(edited.find("size: 600"), 9, "size: 599");
    const std::size_t checkAt = edited.find("check: ");
    edited = edited.substr(0, checkAt);
    edited += "check: " +
              base::HashText(base::ContentHash(
                  {reinterpret_cast<const std::uint8_t*>(edited.data()), edited.size()})) +
              "\n";
    std::vector<std::uint8_t> resized(edited.begin(), edited.end());
    resized.insert(resized.end(), newBytes.begin(), newBytes.end());
    damaged.push_back({"size edited", resized});

    for (const auto& [what, record] : damaged) {
        std::string why;
        EXPECT_FALSE(ParseIntentRecord(record, why)) << what;
        EXPECT_FALSE(why.empty()) << what;
    }
}

TEST(IntentRecord, FileNameIsTheSlotsMadeSafe) {
    EXPECT_EQ(IntentFileName("POKEMON.DAT"), "POKEMON.DAT.intent");
    EXPECT_EQ(IntentFileName("a/b.DAT"), "a%2Fb.DAT.intent");
}

}  // namespace
}  // namespace slotkit::history
