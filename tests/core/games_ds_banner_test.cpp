// Reading the banner of a DS ROM: its CRCs, icon and titles.
#include <gtest/gtest.h>

#include "games/ds_banner.h"
#include "rom_images.h"

namespace slotkit::test {
namespace {

using namespace roms;
using games::DsLanguage;
using Lines = std::vector<std::string>;

std::size_t LanguagesOffered(const games::DsBanner& banner) {
    std::size_t count = 0;
    while (count < banner.titles.size() && banner.titles[count]) {
        ++count;
    }
    return count;
}

std::array<std::uint8_t, 4> Pixel(const games::DsBanner& banner, int x, int y) {
    std::array<std::uint8_t, 4> rgba{};
    std::copy_n(banner.iconRgba->begin() + (y * 32 + x) * 4, 4, rgba.begin());
    return rgba;
}

// What a listing reads of a banner, a part at a time, is what the whole reading gives.
void ExpectPartsAsWhole(const Bytes& banner) {
    const games::DsBanner whole = games::ReadDsBanner(banner);
    EXPECT_EQ(games::ReadDsBannerIcon(banner), whole.iconRgba);
    for (std::size_t language = 0; language < games::kDsLanguageCount; ++language) {
        const auto preferred = static_cast<DsLanguage>(language);
        const Lines* title = whole.Title(preferred);
        EXPECT_EQ(games::ReadDsBannerTitle(banner, preferred),
                  title ? std::optional(*title) : std::nullopt)
            << "language " << language;
    }
}

// A version 1 banner written out from the format's table, with the CRC a ROM tool gives it.
TEST(ReadDsBanner, ReadsARealWorldLayout) {
    Bytes banner(0x840, 0);
    PutU16(banner, 0x000, 1);
    PutU16(banner, 0x002, 0x1EAD);
    // Tile 0: every left pixel colour 0, every right pixel colour 1; the other 15 tiles: left 2,
    // right 3.
    std::fill_n(banner.begin() + 0x020, 32, 0x10);
    std::fill_n(banner.begin() + 0x040, 480, 0x32);
    PutU16(banner, 0x222, 0x001F);  // colour 1: red
    PutU16(banner, 0x224, 0x03E0);  // colour 2: green
    PutU16(banner, 0x226, 0x7C00);  // colour 3: blue
    for (std::size_t language = 0; language < 6; ++language) {
        PutTitle(banner, language, u"Slotkit Demo\nMade-up Games");
    }
    const games::DsBanner read = games::ReadDsBanner(banner);
    ASSERT_FALSE(read.cut);
    EXPECT_EQ(read.version, 1);
    EXPECT_TRUE(read.crcs[0].Passes());
    EXPECT_FALSE(read.crcs[1].present);
    ASSERT_TRUE(read.iconRgba);
    using P = std::array<std::uint8_t, 4>;
    EXPECT_EQ(Pixel(read, 0, 0), (P{0, 0, 0, 0}));
    EXPECT_EQ(Pixel(read, 1, 0), (P{255, 0, 0, 255}));
    EXPECT_EQ(Pixel(read, 7, 7), (P{255, 0, 0, 255}));
    EXPECT_EQ(Pixel(read, 8, 0), (P{0, 255, 0, 255}));  // tile 1, to the right of tile 0
    EXPECT_EQ(Pixel(read, 9, 0), (P{0, 0, 255, 255}));
    EXPECT_EQ(Pixel(read, 0, 8), (P{0, 255, 0, 255}));  // tile 4, below tile 0
    EXPECT_EQ(Pixel(read, 31, 31), (P{0, 0, 255, 255}));
    EXPECT_EQ(LanguagesOffered(read), 6u);
    EXPECT_EQ(*read.titles[1], (Lines{"Slotkit Demo", "Made-up Games"}));
}

TEST(ReadDsBanner, IconPixelsComeFromTheirTileAndNibble) {
    Bytes banner = DsBannerBytes(1, u"X");
    // Colour n is (n, 2n, 3n) in five-bit channels; pixel (x, y) gets colour (x + y) % 16.
    for (unsigned n = 1; n < 16; ++n) {
        PutU16(banner, 0x220 + 2 * n, n | (2 * n % 32) << 5 | (3 * n % 32) << 10);
    }
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; x += 2) {
            const std::size_t at = 0x20 + ((y / 8) * 4 + x / 8) * 32 + (y % 8) * 4 + (x % 8) / 2;
            banner[at] = static_cast<std::uint8_t>((x + y) % 16 | ((x + 1 + y) % 16) << 4);
        }
    }
    SealDsBanner(banner, 1);
    const games::DsBanner read = games::ReadDsBanner(banner);
    ASSERT_TRUE(read.iconRgba);
    auto expand = [](unsigned five) { return static_cast<std::uint8_t>(five << 3 | five >> 2); };
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const unsigned n = (x + y) % 16;
            const std::array<std::uint8_t, 4> expected =
                n == 0 ? std::array<std::uint8_t, 4>{}
                       : std::array<std::uint8_t, 4>{expand(n), expand(2 * n % 32),
                                                     expand(3 * n % 32), 255};
            ASSERT_EQ(Pixel(read, x, y), expected) << x << "," << y;
        }
    }
}

// Which parts each version offers, and which a failed CRC or a cut file takes away.
TEST(ReadDsBanner, APartIsOfferedOnlyWhenItsCrcsPass) {
    auto changed = [](Bytes banner, std::size_t at) {
        banner[at] ^= 0x5A;
        return banner;
    };
    auto cut = [](Bytes banner, std::size_t size) {
        banner.resize(size);
        return banner;
    };
    struct Case {
        const char* what;
        Bytes banner;
        std::size_t languages;
        bool icon;
        bool animated;
    };
    const Case cases[] = {
        {"version 1", DsBannerBytes(1, u"T"), 6, true, false},
        {"version 2: Chinese", DsBannerBytes(2, u"T"), 7, true, false},
        {"version 3: Korean", DsBannerBytes(3, u"T"), 8, true, false},
        {"version 0x0103: the animated icon", DsBannerBytes(0x0103, u"T"), 8, true, true},
        {"an unknown version reads as version 1",
         [] {
             Bytes b = DsBannerBytes(3, u"T");
             PutU16(b, 0, 0x0004);
             return b;
         }(),
         6, true, false},
        {"version 1, a changed icon byte: nothing", changed(DsBannerBytes(1, u"T"), 0x30), 0, false,
         false},
        {"version 1, a changed palette byte: nothing", changed(DsBannerBytes(1, u"T"), 0x221), 0,
         false, false},
        {"version 1, a changed English title: nothing", changed(DsBannerBytes(1, u"T"), 0x342), 0,
         false, false},
        {"version 1, the stored CRC changed", changed(DsBannerBytes(1, u"T"), 0x02), 0, false,
         false},
        {"version 2, a changed Chinese title: no Chinese", changed(DsBannerBytes(2, u"T"), 0x842),
         6, true, false},
        {"version 3, a changed Korean title: no Korean", changed(DsBannerBytes(3, u"T"), 0x942), 7,
         true, false},
        {"version 3, its Chinese CRC changed: neither", changed(DsBannerBytes(3, u"T"), 0x04), 6,
         true, false},
        {"version 0x0103, a changed animated icon: the rest stays",
         changed(DsBannerBytes(0x0103, u"T"), 0x2000), 8, true, false},
        {"version 3 cut inside its Korean title", cut(DsBannerBytes(3, u"T"), 0xA3F), 7, true,
         false},
        {"version 2 cut inside its Chinese title", cut(DsBannerBytes(2, u"T"), 0x900), 6, true,
         false},
        {"version 0x0103 cut inside the animated icon", cut(DsBannerBytes(0x0103, u"T"), 0x2000), 8,
         true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const games::DsBanner read = games::ReadDsBanner(c.banner);
        EXPECT_FALSE(read.cut);
        EXPECT_EQ(LanguagesOffered(read), c.languages);
        EXPECT_EQ(read.iconRgba.has_value(), c.icon);
        EXPECT_EQ(read.animatedIconPasses, c.animated);
        for (std::size_t language = 0; language < c.languages; ++language) {
            EXPECT_EQ(*read.titles[language], Lines{std::to_string(language) + " T"});
        }
        ExpectPartsAsWhole(c.banner);
    }
}

TEST(ReadDsBanner, ACutBannerSaysSo) {
    const Bytes whole = DsBannerBytes(1, u"T");
    for (const std::size_t size : {std::size_t{0}, std::size_t{2}, std::size_t{0x83F}}) {
        const Bytes banner(whole.begin(), whole.begin() + size);
        const games::DsBanner read = games::ReadDsBanner(banner);
        EXPECT_TRUE(read.cut) << size;
        EXPECT_FALSE(read.iconRgba) << size;
        EXPECT_EQ(LanguagesOffered(read), 0u) << size;
        ExpectPartsAsWhole(banner);
    }
}

TEST(ReadDsBanner, TitlesSplitIntoLinesAndStaySafe) {
    struct Case {
        const char* what;
        std::u16string title;
        std::optional<Lines> lines;
    };
    const std::u16string full(128, u'W');
    const Case cases[] = {
        {"three lines", u"One\nTwo\nThree", Lines{"One", "Two", "Three"}},
        {"a fourth line joins the third", u"A\nB\nC\nD", Lines{"A", "B", "C D"}},
        {"carriage returns dropped", u"A\r\nB", Lines{"A", "B"}},
        {"empty lines at the end dropped", u"A\n\n", Lines{"A"}},
        {"an empty line inside kept", u"A\n\nC", Lines{"A", "", "C"}},
        {"no text: no title", u"", std::nullopt},
        {"only line feeds: no title", u"\n\n", std::nullopt},
        {"Japanese", u"\u30B9\u30ED\u30C3\u30C8", Lines{"\u30B9\u30ED\u30C3\u30C8"}},
        {"a surrogate pair", u"\xD83D\xDE00!", Lines{"\U0001F600!"}},
        {"a lone high surrogate", u"a\xD800z", Lines{"a\uFFFDz"}},
        {"a lone low surrogate", u"a\xDC00z", Lines{"a\uFFFDz"}},
        {"a high surrogate last", u"a\xDBFF", Lines{"a\uFFFD"}},
        {"controls and non-characters", u"\x01\tb\x9F\xFFFF", Lines{"\uFFFD\uFFFDb\uFFFD\uFFFD"}},
        {"128 units with no terminator", full, Lines{std::string(128, 'W')}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes banner(0x840, 0);
        PutU16(banner, 0, 1);
        PutTitle(banner, 1, c.title);
        // The next language's title starts right behind: it must not run into this one.
        PutTitle(banner, 2, u"NEXT");
        SealDsBanner(banner, 1);
        const games::DsBanner read = games::ReadDsBanner(banner);
        EXPECT_EQ(read.titles[1], c.lines);
    }
}

TEST(ReadDsBanner, TitleFallsBackToEnglishThenTheFirstOffered) {
    Bytes banner(0x840, 0);
    PutU16(banner, 0, 1);
    PutTitle(banner, 1, u"English");
    PutTitle(banner, 3, u"Deutsch");
    SealDsBanner(banner, 1);
    const games::DsBanner read = games::ReadDsBanner(banner);
    EXPECT_EQ(*read.Title(DsLanguage::German), Lines{"Deutsch"});
    EXPECT_EQ(*read.Title(DsLanguage::French), Lines{"English"});
    EXPECT_EQ(*read.Title(DsLanguage::Korean), Lines{"English"});
    ExpectPartsAsWhole(banner);

    Bytes noEnglish(0x840, 0);
    PutU16(noEnglish, 0, 1);
    PutTitle(noEnglish, 4, u"Italiano");
    SealDsBanner(noEnglish, 1);
    EXPECT_EQ(*games::ReadDsBanner(noEnglish).Title(DsLanguage::Japanese), Lines{"Italiano"});
    ExpectPartsAsWhole(noEnglish);

    Bytes none(0x840, 0);
    PutU16(none, 0, 1);
    SealDsBanner(none, 1);
    EXPECT_EQ(games::ReadDsBanner(none).Title(DsLanguage::English), nullptr);
    ExpectPartsAsWhole(none);
}

}  // namespace
}  // namespace slotkit::test
