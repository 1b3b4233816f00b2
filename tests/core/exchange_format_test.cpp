// The kinds of foreign saves and the .DST decoder.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "formats/dst_decoder.h"
#include "formats/foreign_save.h"
#include "fuzz/dst_reference_decoder.h"

namespace slotkit::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using T = formats::ForeignSaveType;

TEST(ClassifyForeignSave, LastThreeLettersInAnyCaseDecide) {
    struct Case {
        const char* path;
        formats::ForeignSaveType nds;
        formats::ForeignSaveType gba;
    };
    const Case cases[] = {
        {"/pc/game.sav", T::NdsSav, T::GbaSav},
        {"/pc/game.Sav", T::NdsSav, T::GbaSav},
        {"C:\\SAVES\\GAME.SAV", T::NdsSav, T::GbaSav},
        {"/pc/game.dss", T::Dss, T::Unsupported},
        {"/pc/game.DsT", T::Dst, T::Unsupported},
        {"/pc/game.duc", T::Duc, T::Unsupported},
        {"/pc/olddss", T::Dss, T::Unsupported},  // no dot is looked for
        {"sav", T::NdsSav, T::GbaSav},
        {"/pc/game.sav.bak", T::Unsupported, T::Unsupported},
        {"/pc/game.DAT", T::Unsupported, T::Unsupported},
        {"/pc/game.s@v", T::Unsupported, T::Unsupported},
        {"/pc/game.\xe0"
         "av",
         T::Unsupported, T::Unsupported},  // only a-z are upper-cased
        {"av", T::Unsupported, T::Unsupported},
        {"", T::Unsupported, T::Unsupported},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formats::ClassifyForeignSave(slots::EditMode::Nds, c.path), c.nds) << c.path;
        EXPECT_EQ(formats::ClassifyForeignSave(slots::EditMode::Gba, c.path), c.gba) << c.path;
    }
}

TEST(ClassifyForeignSave, CaptionsAndPayloadOffsets) {
    EXPECT_EQ(ImportCaption(T::Dss), "Inport - [ACTION REPLAY MAX Duo](*.DSS) type");
    EXPECT_EQ(ImportCaption(T::Dst), "Inport - [MAXDRIVE-DS Compress-data](*.DST) type");
    EXPECT_EQ(ImportCaption(T::NdsSav), "Inport - [SuperCard/No-header SAVEDATA](*.SAV) type");
    EXPECT_EQ(ImportCaption(T::Duc), "Inport - [MAXDRIVE-DS NoCompress-data](*.DUC) type");
    EXPECT_EQ(ImportCaption(T::GbaSav),
              "Inport - [VisualBoyAdvance/No-header SAVEDATA](*.SAV) type");
    EXPECT_EQ(ExportCaption(T::Dss), "Export - [ACTION REPLAY MAX Duo](*.DSS) type");
    EXPECT_EQ(ExportCaption(T::GbaSav),
              "Export - [VisualBoyAdvance/No-header SAVEDATA](*.SAV) type");
    EXPECT_EQ(PayloadOffset(T::Dss), 500u);
    EXPECT_EQ(PayloadOffset(T::Duc), 500u);
    EXPECT_EQ(PayloadOffset(T::NdsSav), 0u);
    EXPECT_EQ(PayloadOffset(T::GbaSav), 0u);
}

// A .DST file: the 516 header bytes, then `coded` (its first byte is the marker).
Bytes DstFile(const Bytes& coded) {
    Bytes file(formats::kDstMarkerOffset, 0x5A);
    file.insert(file.end(), coded.begin(), coded.end());
    return file;
}

Bytes Decoded(const Bytes& file) {
    const formats::DecodedDst result = formats::DecodeDst(file);
    EXPECT_FALSE(result.capacityReached);
    return Bytes(result.Bytes().begin(), result.Bytes().end());
}

Bytes Repeat(std::size_t count, std::uint8_t value) {
    return Bytes(count, value);
}

TEST(DecodeDst, Items) {
    struct Case {
        const char* what;
        Bytes coded;
        Bytes expected;
    };
    const Case cases[] = {
        {"literals and a zero literal", {0xEE, 0x41, 0x00, 0x42}, {0x41, 0x00, 0x42}},
        {"a run", {0xEE, 0xEE, 0x02, 0x55}, {0x55, 0x55, 0x55}},
        {"count 0x00 gives one byte", {0xEE, 0xEE, 0x00, 0x7F}, {0x7F}},
        {"count 0xFF gives 256 bytes", {0xEE, 0xEE, 0xFF, 0x7F}, Repeat(256, 0x7F)},
        {"count and value equal to the marker", {0xEE, 0xEE, 0xEE, 0xEE}, Repeat(239, 0xEE)},
        {"zero count and value", {0xEE, 0xEE, 0x00, 0x00, 0x00, 0x41}, {0x00, 0x00, 0x41}},
        {"a zero literal before a run", {0xEE, 0x00, 0xEE, 0x01, 0x33}, {0x00, 0x33, 0x33}},
        {"the end item hides what follows", {0xEE, 0x00, 0x00, 0x00, 0x41}, {}},
        {"a block boundary sets a new marker",
         {0xEE, 0x00, 0x00, 0x07, 0x01, 0x02, 0x03, 0x04, 0x05, 0xAA, 0xAA, 0x01, 0x33},
         {0x33, 0x33}},
        {"skipped bytes are not items and the old marker is a literal",
         {0xEE, 0x41, 0x00, 0x00, 0x01, 0x00, 0xEE, 0x00, 0x00, 0x00, 0xAA, 0xEE, 0xAA, 0x00, 0xEE},
         {0x41, 0xEE, 0xEE}},
        {"a new marker found before the old one",
         {0xEE, 0x41, 0x00, 0x00, 0x05, 1, 2, 3, 4, 5, 0x42, 0x43, 0x42, 0x01, 0x44, 0xEE},
         {0x41, 0x43, 0x44, 0x44, 0xEE}},
        {"marker 0x00: every zero starts a run",
         {0x00, 0x41, 0x00, 0x02, 0x09, 0x00, 0x00, 0x00, 0x42},
         {0x41, 0x09, 0x09, 0x09, 0x00, 0x42}},
        {"marker 0x00: no end item", {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, {0x00, 0x00}},
        {"no coded data after the marker", {0xEE}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Decoded(DstFile(c.coded)), c.expected) << c.what;
    }
}

TEST(DecodeDst, TheEndOfTheFileCutsEveryItem) {
    // An item cut after each of its bytes: what was decoded before it stays, the cut item
    // gives nothing, except a lone zero, which is a zero literal.
    const Bytes whole[] = {
        {0xEE, 0x41, 0xEE, 0x02, 0x55},
        {0xEE, 0x41, 0x00, 0x00, 0x07, 0x01, 0x02, 0x03, 0x04, 0x05, 0xAA, 0xAA, 0x01, 0x33},
        {0xEE, 0x41, 0x00, 0x00, 0x00},
    };
    for (const Bytes& coded : whole) {
        for (std::size_t length = 2; length < coded.size(); ++length) {
            const Bytes cut(coded.begin(), coded.begin() + static_cast<std::ptrdiff_t>(length));
            const Bytes expected =
                length == 3 && coded[2] == 0x00 ? Bytes{0x41, 0x00} : Bytes{0x41};
            EXPECT_EQ(Decoded(DstFile(cut)), expected) << "cut after " << length << " bytes";
        }
    }
}

TEST(DecodeDst, FilesUpToTheMarkerByteDecodeToNothing) {
    for (std::size_t size : {0u, 1u, 515u, 516u, 517u}) {
        EXPECT_EQ(Decoded(Bytes(size, 0x41)), Bytes{}) << size;
    }
    Bytes oneLiteral(518, 0x41);
    oneLiteral[formats::kDstMarkerOffset] = 0xEE;
    EXPECT_EQ(Decoded(oneLiteral), Bytes{0x41});
}

TEST(DecodeDst, StopsAtItsCapacity) {
    // 4,095 runs of 256 and one of 191 fill the buffer exactly.
    Bytes exact{0xEE};
    for (int i = 0; i < 4095; ++i) {
        exact.insert(exact.end(), {0xEE, 0xFF, 0x11});
    }
    exact.insert(exact.end(), {0xEE, 190, 0x22});
    formats::DecodedDst full = formats::DecodeDst(DstFile(exact));
    EXPECT_EQ(full.length, formats::kDstCapacity);
    EXPECT_FALSE(full.capacityReached);
    EXPECT_EQ(full.buffer[formats::kDstCapacity - 1], 0x22);

    // One more byte, as a run or as a literal, does not fit.
    for (const Bytes& more : {Bytes{0xEE, 0x00, 0x33}, Bytes{0x33}}) {
        Bytes coded = exact;
        coded.insert(coded.end(), more.begin(), more.end());
        formats::DecodedDst over = formats::DecodeDst(DstFile(coded));
        EXPECT_EQ(over.length, formats::kDstCapacity);
        EXPECT_TRUE(over.capacityReached);
    }

    // A literal stretch that runs past the end of the buffer.
    Bytes literals(formats::kDstCapacity + 1000, 0x41);
    literals[0] = 0xEE;
    formats::DecodedDst cut = formats::DecodeDst(DstFile(literals));
    EXPECT_EQ(cut.length, formats::kDstCapacity);
    EXPECT_TRUE(cut.capacityReached);
    EXPECT_EQ(cut.buffer[formats::kDstCapacity - 1], 0x41);
}

// Random coded data made mostly of the bytes that matter (0x00, the markers, block
// boundaries), checked against the byte-by-byte reference decoder.
TEST(DecodeDst, AgreesWithTheReferenceOnRandomData) {
    std::mt19937 random(20240601);
    const std::uint8_t alphabet[] = {0x00, 0xEE, 0xAA, 0x41, 0xFF, 0x01};
    for (int round = 0; round < 3000; ++round) {
        Bytes coded;
        const std::size_t length = random() % 400;
        for (std::size_t i = 0; i < length; ++i) {
            coded.push_back(random() % 4 == 0 ? static_cast<std::uint8_t>(random())
                                              : alphabet[random() % std::size(alphabet)]);
        }
        const Bytes file = DstFile(coded);
        const std::string mismatch = reference::Mismatch(file, formats::DecodeDst(file));
        ASSERT_EQ(mismatch, "") << "round " << round;
    }
}

}  // namespace
}  // namespace slotkit::test
