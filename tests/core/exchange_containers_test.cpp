// Reading the containers of emulators and devices from a file's bytes.
#include <gtest/gtest.h>

#include "foreign_files.h"
#include "formats/save_containers.h"
#include "temp_card.h"

namespace slotkit::test {
namespace {

using namespace files;
using T = formats::ForeignSaveType;
using O = formats::FoundSave::Outcome;

Bytes SaveOf(const formats::FoundSave& found, const Bytes& file) {
    const formats::ByteSpan save = found.Save(file);
    return Bytes(save.begin(), save.end());
}

// Signatures and cases beyond those the import command's own test goes through.
TEST(ReadForeignSave, FindsEachSignature) {
    const Bytes save8k = PatternBytes(8192, 1);
    const Bytes save32k = PatternBytes(32768, 2);
    Bytes runs(65536, 0xFF);
    std::fill_n(runs.begin(), 300, 0x00);
    std::copy_n(save32k.begin(), 5000, runs.begin() + 1000);
    struct Case {
        const char* what;
        T type;
        Bytes file;
        Bytes save;
        std::string found;
        std::string game;
    };
    const Case cases[] = {
        {"no$gba stored, GBA", T::GbaSav, NocashStored(save32k), save32k, "no$gba save", ""},
        {"no$gba stored, data behind the named size is left", T::GbaSav,
         Joined(Joined(NocashHeader(0, 512), Bytes(512, 7)), Bytes(20, 9)), Bytes(512, 7),
         "no$gba save", ""},
        {"no$gba compressed, long runs", T::NdsSav, NocashCompressed(runs), runs,
         "no$gba save, compressed", ""},
        {"no$gba compressed, empty",
         T::NdsSav,
         NocashCompressed({}),
         {},
         "no$gba save, compressed",
         ""},
        {"DeSmuME footer in a .dsv", T::Dsv, Desmume(save8k), save8k, "DeSmuME save", ""},
        {"SharkPort, .xps", T::Xps, SharkPort(save32k, "ZELDA", "BZME"), save32k, "SharkPort save",
         "ZELDA (BZME)"},
        {"SharkPort with a code and no title", T::Sps, SharkPort(save32k, "", "BZME"), save32k,
         "SharkPort save", "BZME"},
        {"GameShark SP by type", T::Gsv,
         Joined(GameSharkSp(save32k, 2, "FIRE EMBLEM"), Bytes(100, 5)), save32k,
         "GameShark SP save", "FIRE EMBLEM"},
        {"GameShark SP EEPROM", T::Gsv, GameSharkSp(WordsReversed(PatternBytes(512, 3)), 3, "X"),
         PatternBytes(512, 3), "GameShark SP save", "X"},
        {"GameShark SP, length from the file", T::Gsv, GameSharkSp(Bytes(1000, 4), 9, "Y"),
         Bytes(1000, 4), "GameShark SP save", "Y"},
    };
    for (const Case& c : cases) {
        const formats::FoundSave found = ReadForeignSave(c.type, c.file);
        ASSERT_EQ(found.outcome, O::Found) << c.what << ": " << found.refusal;
        EXPECT_EQ(SaveOf(found, c.file), c.save) << c.what;
        EXPECT_EQ(found.what, c.found) << c.what;
        EXPECT_EQ(found.game, c.game) << c.what;
    }
}

// Files without a signature are read as before: the caller gets Raw.
TEST(ReadForeignSave, FilesWithoutASignatureAreRaw) {
    struct Case {
        const char* what;
        T type;
        Bytes file;
    };
    const Case cases[] = {
        {"plain .sav", T::NdsSav, PatternBytes(8192, 5)},
        {"GBA .sav of a plain size", T::GbaSav, PatternBytes(32768, 5)},
        {"NDS .sav of a size plus 16 has no clock data", T::NdsSav, PatternBytes(8208, 5)},
        {"no$gba text without SRAM", T::GbaSav,
         [] {
             Bytes b = NocashStored(Bytes(100, 1));
             b[0x40] = 'X';
             return b;
         }()},
        {"DeSmuME end text in a GBA .sav", T::GbaSav, Desmume(Bytes(512, 1))},
        {"plain .dss", T::Dss, PatternBytes(800, 5)},
        {"164-byte header with a length that differs", T::Duc,
         Joined(Ar164File(Bytes(512, 1), "A"), Bytes(1, 0))},
        {"plain .dst", T::Dst, PatternBytes(900, 5)},
        {"empty", T::NdsSav, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadForeignSave(c.type, c.file).outcome, O::Raw) << c.what;
    }
}

// A size written in a header is never trusted, and damaged data is refused, never guessed at.
TEST(ReadForeignSave, RefusesWhatItCannotReadSafely) {
    Bytes nocashTooBig = NocashHeader(0, 0xFFFFFFF0);
    nocashTooBig.resize(0x4C + 100);
    Bytes packedTooBig = NocashHeader(1, 1000);
    Put32(packedTooBig, 8);
    packedTooBig.push_back(0);
    Bytes unpackedTooBig = NocashHeader(1, 1);
    Put32(unpackedTooBig, 0x7FFFFFFF);
    unpackedTooBig.push_back(0);
    Bytes shortDecode = NocashHeader(1, 3);
    Put32(shortDecode, 10);
    shortDecode.insert(shortDecode.end(), {0x81, 0x01, 0x00});
    Bytes longDecode = NocashHeader(1, 4);
    Put32(longDecode, 2);
    longDecode.insert(longDecode.end(), {0x80, 0x01, 0xFF, 0xFF});
    Bytes noEnd = NocashHeader(1, 2);
    Put32(noEnd, 1);
    noEnd.insert(noEnd.end(), {0x01, 0x05});
    Bytes cutLiteral = NocashHeader(1, 2);
    Put32(cutLiteral, 5);
    cutLiteral.insert(cutLiteral.end(), {0x05, 0x05});
    Bytes badPadSize = Desmume(Bytes(512, 1));
    Put32At(badPadSize, 512 + 82 + 4, 511);
    Bytes sharkCut = SharkPort(Bytes(512, 1), "A", "B");
    sharkCut.resize(sharkCut.size() - 5);
    Bytes sharkHuge = SharkPort(Bytes(512, 1), "A", "B");
    Put32At(sharkHuge, 4 + 13 + 4, 0xFFFFFFFF);  // the title's length
    Bytes gsvTooBig = GameSharkSp(Bytes(512, 1), 6, "A");
    Bytes gsvCut = GameSharkSp({}, 3, "A");
    gsvCut.resize(0x100);
    struct Case {
        const char* what;
        T type;
        Bytes file;
        std::string reason;  // a part of the refusal
    };
    const Case cases[] = {
        {"stored size past the file", T::NdsSav, nocashTooBig, "more than the file holds"},
        {"packed size past the file", T::GbaSav, packedTooBig, "more than the file holds"},
        {"unpacked size past the decoder", T::GbaSav, unpackedTooBig,
         "more than the 1048576 bytes"},
        {"decodes to less than named", T::GbaSav, shortDecode, "decodes to 1 bytes, not the 10"},
        {"decodes to more than named", T::GbaSav, longDecode, "more than the 2 bytes"},
        {"no end mark", T::GbaSav, noEnd, "without its end mark"},
        {"literal cut short", T::GbaSav, cutLiteral, "cut short"},
        {"unknown no$gba method", T::GbaSav, NocashHeader(2, 0), "method (2)"},
        {"DeSmuME footer of another version", T::NdsSav, Desmume(Bytes(512, 1), 1), "version (1)"},
        {"DeSmuME footer naming another size", T::Dsv, badPadSize, "names 511 bytes"},
        {".dsv without a footer", T::Dsv, PatternBytes(512, 1), "footer of a DeSmuME save"},
        {"DeSmuME savestate", T::Dst, Savestate(2000), "savestate"},
        {".sps without its header", T::Sps, PatternBytes(600, 1), "header of a SharkPort save"},
        {".xps without its header", T::Xps, {}, "header of a SharkPort save"},
        {"SharkPort cut short", T::Sps, sharkCut, "ends before"},
        {"SharkPort text longer than the file", T::Sps, sharkHuge, "ends before"},
        {".gsv without its header", T::Gsv, PatternBytes(2000, 1), "GameShark SP"},
        {"GameShark SP type past the file", T::Gsv, gsvTooBig, "more than the file holds"},
        {"GameShark SP header cut", T::Gsv, gsvCut, "ends inside its header"},
    };
    for (const Case& c : cases) {
        const formats::FoundSave found = ReadForeignSave(c.type, c.file);
        ASSERT_EQ(found.outcome, O::Refused) << c.what;
        EXPECT_NE(found.refusal.find(c.reason), std::string::npos)
            << c.what << ": " << found.refusal;
    }
}

TEST(ReadForeignSave, SharkPortChecksumThatDiffersIsSaidNotRefused) {
    const Bytes save = PatternBytes(32768, 8);
    const formats::FoundSave good = ReadForeignSave(T::Sps, SharkPort(save, "A", "B"));
    EXPECT_EQ(good.remark, "");
    const Bytes file = SharkPort(save, "A", "B", false);
    const formats::FoundSave bad = ReadForeignSave(T::Sps, file);
    ASSERT_EQ(bad.outcome, O::Found);
    EXPECT_EQ(SaveOf(bad, file), save);
    EXPECT_NE(bad.remark.find("may be damaged"), std::string::npos);
}

// The reader's checksum takes a shortcut on the steps whose carry is the usual one for the
// byte's sign; saves of every kind of content must agree with the format's plain formula.
TEST(ReadForeignSave, SharkPortChecksumAgreesWithTheFormulaOnAnyContent) {
    Bytes alternating(65536);
    for (std::size_t i = 0; i < alternating.size(); ++i) {
        alternating[i] = i % 2 ? 0x80 : 0x7F;
    }
    const Bytes saves[] = {
        PatternBytes(131072, 3), PatternBytes(512, 9), Bytes(32768, 0x00), Bytes(32768, 0xFF),
        Bytes(65536, 0x7F),      Bytes(65536, 0x80),   alternating};
    for (const Bytes& save : saves) {
        const formats::FoundSave found = ReadForeignSave(T::Sps, SharkPort(save, "A", "B"));
        ASSERT_EQ(found.outcome, O::Found);
        EXPECT_EQ(found.remark, "") << save.size() << " bytes starting " << int(save[0]);
    }
}

TEST(DesmumeFooter, IsWhatDesmumeWritesForEachSize) {
    struct Case {
        std::uint32_t size, type, addressSize;
    };
    const Case cases[] = {{512, 1, 1},      {8192, 2, 2},      {32768, 4, 2},    {65536, 3, 2},
                          {131072, 0, 3},   {262144, 5, 3},    {524288, 6, 3},   {1048576, 7, 3},
                          {8388608, 10, 3}, {16777216, 11, 3}, {67108864, 13, 3}};
    for (const Case& c : cases) {
        Bytes expected;
        PutText(expected,
                "|<--Snip above here to create a raw sav by excluding this DeSmuME "
                "savedata footer:");
        for (std::uint32_t field : {c.size, c.size, c.type, c.addressSize, c.size, 0u}) {
            Put32(expected, field);
        }
        PutText(expected, "|-DESMUME SAVE-|");
        EXPECT_EQ(formats::DesmumeFooter(c.size), expected) << c.size;
        // And the program reads back what it writes.
        const Bytes file = Joined(PatternBytes(c.size, 1), formats::DesmumeFooter(c.size));
        const formats::FoundSave found = ReadForeignSave(T::Dsv, file);
        EXPECT_EQ(found.outcome, O::Found);
        EXPECT_EQ(found.length, c.size);
    }
}

TEST(SuggestedSize, SmallestSizeHoldingEveryByteBeforeTheFill) {
    auto region = [](std::size_t size, std::uint8_t fill, std::size_t used) {
        Bytes r(size, fill);
        std::fill_n(r.begin(), used, 0x5A);
        return r;
    };
    struct Case {
        const char* what;
        slots::EditMode mode;
        Bytes region;
        std::uint64_t size;
    };
    const Case cases[] = {
        {"all 0xFF", slots::EditMode::Nds, region(262144, 0xFF, 0), 512},
        {"512 used", slots::EditMode::Nds, region(262144, 0xFF, 512), 512},
        {"513 used", slots::EditMode::Nds, region(262144, 0x00, 513), 8192},
        {"64K + 1 used", slots::EditMode::Nds, region(262144, 0xFF, 65537), 131072},
        {"ends in another byte: the whole region", slots::EditMode::Nds, region(262144, 0x12, 10),
         262144},
        {"GBA 32K", slots::EditMode::Gba, region(131072, 0xFF, 20000), 32768},
        {"GBA ends in another byte", slots::EditMode::Gba, region(131072, 0x12, 1), 131072},
        {"short slot", slots::EditMode::Gba, region(600, 0x00, 600), 8192},
        {"empty", slots::EditMode::Gba, {}, 512},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formats::SuggestedSize(c.mode, c.region), c.size) << c.what;
    }
}

TEST(DecodeNocash, AgreesWithTheCodingOfRandomData) {
    std::uint32_t seed = 1;
    for (int round = 0; round < 200; ++round) {
        Bytes save;
        const std::size_t parts = seed % 20;
        for (std::size_t p = 0; p < parts; ++p) {
            seed = seed * 1103515245 + 12345;
            const std::size_t length = (seed >> 8) % (p % 3 == 0 ? 70000 : 300);
            if (p % 2 == 0) {
                save.insert(save.end(), length, static_cast<std::uint8_t>(seed >> 24));
            } else {
                const Bytes literal = PatternBytes(length, seed);
                save.insert(save.end(), literal.begin(), literal.end());
            }
        }
        std::string error;
        const auto decoded = formats::DecodeNocash(NocashCode(save), save.size(), error);
        ASSERT_TRUE(decoded) << error;
        ASSERT_EQ(*decoded, save) << "round " << round;
    }
}

}  // namespace
}  // namespace slotkit::test
