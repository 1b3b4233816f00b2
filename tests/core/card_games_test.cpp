// Finding the games on the card and the slot files that belong to them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "games/card_games.h"
#include "platform/short_names.h"
#include "rom_images.h"
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
using namespace roms;

// A slot file whose trailer names `shortName` and, where given, `longName`.
void WriteSlotFor(const TempCard& card, slots::EditMode mode, const std::string& name,
                  const std::string& shortName, const std::optional<std::string>& longName) {
    const slots::SlotLayout& layout = LayoutFor(mode);
    Bytes slot(layout.newFormSize, 0);
    Put(slot, layout.ShortNameOffset(), shortName.substr(0, slots::kShortNameSize));
    if (longName) {
        slot[layout.LongNameFlagOffset()] = 1;
        Put(slot, layout.LongNameOffset(), longName->substr(0, slots::kLongNameSize));
    }
    card.MakeSaveFolder(mode);
    WriteFile(card.SlotFile(mode, name), slot);
}

// A DS ROM with a correct header and a version 1 banner behind it.
Bytes DsRom(std::string_view title, std::string_view code, const std::u16string& bannerTitle) {
    Bytes rom = DsHeaderBytes(title, code, "01", 0, 0x200);
    const Bytes banner = DsBannerBytes(1, bannerTitle);
    rom.insert(rom.end(), banner.begin(), banner.end());
    return rom;
}

TEST(SlotBelongsTo, ShortNameAndLongName) {
    struct Case {
        const char* what;
        games::SlotGame slot;
        std::string romName;
        std::optional<std::string> romShort;
        bool belongs;
    };
    const Case cases[] = {
        {"the short name alone",
         {"A.DAT", "GAME    NDS", std::nullopt},
         "GAME.NDS",
         "GAME    NDS",
         true},
        {"another short name",
         {"A.DAT", "GAME    NDS", std::nullopt},
         "GAME2.NDS",
         "GAME2   NDS",
         false},
        {"both names",
         {"A.DAT", "POKEMO~1NDS", "Pokemon Black.nds"},
         "Pokemon Black.nds",
         "POKEMO~1NDS",
         true},
        {"the short name, another long name",
         {"A.DAT", "POKEMO~1NDS", "Pokemon White.nds"},
         "Pokemon Black.nds",
         "POKEMO~1NDS",
         false},
        {"the long name in another letter case",
         {"A.DAT", "POKEMO~1NDS", "pokemon black.nds"},
         "Pokemon Black.nds",
         "POKEMO~1NDS",
         false},
        {"a long name cut to the field",
         {"A.DAT", "AVERYL~1NDS", std::string(33, 'a')},
         std::string(40, 'a') + ".nds",
         "AVERYL~1NDS",
         true},
        {"no 8.3 name known: the long name decides",
         {"A.DAT", "POKEMO~1NDS", "Pokemon.nds"},
         "Pokemon.nds",
         std::nullopt,
         true},
        {"no 8.3 name known and no long name",
         {"A.DAT", "POKEMO~1NDS", std::nullopt},
         "Pokemon.nds",
         std::nullopt,
         false},
        {"no 8.3 name known and an empty long name",
         {"A.DAT", "POKEMO~1NDS", ""},
         "",
         std::nullopt,
         false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SlotBelongsTo(c.slot, c.romName, c.romShort), c.belongs) << c.what;
    }
}

TEST(DottedShortName, AsAFileName) {
    EXPECT_EQ(games::DottedShortName("POKEMO~1NDS"), "POKEMO~1.NDS");
    EXPECT_EQ(games::DottedShortName("GAME    NDS"), "GAME.NDS");
    EXPECT_EQ(games::DottedShortName("GAME    "), "GAME");
    EXPECT_EQ(games::DottedShortName("AB\tC    GBA"), "AB\uFFFDC.GBA");
}

TEST(ReadSlotGame, TheTrailersNames) {
    TempCard card;
    WriteSlotFor(card, slots::EditMode::Nds, "LONG.DAT", "POKEMO~1NDS", "Pokemon.nds");
    WriteSlotFor(card, slots::EditMode::Nds, "SHORT.DAT", "GAME    NDS", std::nullopt);
    WriteSlotFor(card, slots::EditMode::Nds, "BLANK.DAT", "", std::nullopt);
    WriteFile(card.SlotFile(slots::EditMode::Nds, "CUT.DAT"),
              Bytes(slots::kNdsLayout.ShortNameOffset() + 5, 1));
    auto read = [&](const std::string& name) {
        return games::ReadSlotGame(card.SlotFile(slots::EditMode::Nds, name).string(), name,
                                   slots::kNdsLayout);
    };
    const auto withLong = read("LONG.DAT");
    ASSERT_TRUE(withLong);
    EXPECT_EQ(withLong->shortName, "POKEMO~1NDS");
    EXPECT_EQ(withLong->longName, "Pokemon.nds");
    const auto shortOnly = read("SHORT.DAT");
    ASSERT_TRUE(shortOnly);
    EXPECT_EQ(shortOnly->longName, std::nullopt);
    EXPECT_FALSE(read("BLANK.DAT"));
    EXPECT_FALSE(read("CUT.DAT"));
    EXPECT_FALSE(read("MISSING.DAT"));
}

TEST(FindCardGames, MatchesSlotsToTheRomsAnywhereOnTheCard) {
    TempCard card;
    const fs::path root = CardDir(card);
    fs::create_directories(root / "roms" / "rpg");
    fs::create_directories(root / "copy");
    WriteFile(root / "GAME.NDS", DsRom("GAME", "AGME", u"Game"));
    WriteFile(root / "roms" / "rpg" / "QUEST.NDS", DsRom("QUEST", "AQSE", u"Quest\nPart two"));
    WriteFile(root / "copy" / "QUEST.NDS", DsRom("QUEST", "AQSE", u"Quest"));
    Bytes broken = DsRom("BROKEN", "ABRE", u"Broken");
    broken[0] ^= 1;  // the header CRC fails
    WriteFile(root / "BROKEN.NDS", broken);
    WriteFile(root / "CUT.NDS", Bytes(0x100, 0));
    WriteFile(root / "OTHER.GBA", GbaHeaderBytes("OTHER", "BOTE", "01"));
    WriteSlotFor(card, slots::EditMode::Nds, "GAME.DAT", "GAME    NDS", std::nullopt);
    WriteSlotFor(card, slots::EditMode::Nds, "QUEST.DAT", "QUEST   NDS", "QUEST.NDS");
    WriteSlotFor(card, slots::EditMode::Nds, "GONE.DAT", "POKEMO~1NDS", "Pokemon.nds");
    WriteSlotFor(card, slots::EditMode::Nds, "BLANK.DAT", "", std::nullopt);
    WriteFile(root / "NDSSAVE" / "SAVED.NDS", DsRom("SAVED", "ASVE", u"Saved"));

    const games::CardGames games = games::FindCardGames(card.Root(), slots::EditMode::Nds);
    EXPECT_FALSE(games.searchStopped);
    struct Expected {
        std::string place;
        std::string code;
        std::string title;
        std::vector<std::string> slots;
    };
    const std::vector<Expected> expected = {
        {"BROKEN.NDS", "", "", {}},
        {"CUT.NDS", "", "", {}},
        {"GAME.NDS", "AGME", "1 Game", {"GAME.DAT"}},
        {"copy/QUEST.NDS", "AQSE", "1 Quest", {"QUEST.DAT"}},
        {"roms/rpg/QUEST.NDS", "AQSE", "1 Quest / Part two", {"QUEST.DAT"}},
    };
    ASSERT_EQ(games.roms.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const games::CardRom& rom = games.roms[i];
        EXPECT_EQ(fs::path(rom.place).generic_string(), expected[i].place);
        EXPECT_EQ(rom.info.code, expected[i].code) << expected[i].place;
        EXPECT_EQ(rom.info.Title(), expected[i].title) << expected[i].place;
        EXPECT_EQ(rom.slotFiles, expected[i].slots) << expected[i].place;
    }
    EXPECT_TRUE(games.roms[0].info.readable);
    ASSERT_EQ(games.slotsWithoutGame.size(), 1u);
    EXPECT_EQ(games.slotsWithoutGame[0].slotFile, "GONE.DAT");
}

TEST(FindCardGames, GbaModeReadsGbaRomsAndTheirSlots) {
    TempCard card;
    WriteFile(CardDir(card) / "ZELDA.GBA", GbaHeaderBytes("ZELDA", "BZLE", "01"));
    Bytes unchecked = GbaHeaderBytes("HOMEBREW", "BHBE", "01");
    unchecked[0xBD] ^= 0xFF;
    WriteFile(CardDir(card) / "HOMEBREW.gba", unchecked);
    WriteFile(CardDir(card) / "GAME.NDS", DsRom("GAME", "AGME", u"Game"));
    WriteSlotFor(card, slots::EditMode::Gba, "ZELDA.DAT", "ZELDA   GBA", std::nullopt);
    WriteSlotFor(card, slots::EditMode::Nds, "GAME.DAT", "GAME    NDS", std::nullopt);
    const games::CardGames games = games::FindCardGames(card.Root(), slots::EditMode::Gba);
    ASSERT_EQ(games.roms.size(), 2u);
    EXPECT_EQ(games.roms[0].place, "HOMEBREW.gba");
    EXPECT_EQ(games.roms[0].info.code, "");  // its complement check fails
    EXPECT_EQ(games.roms[1].place, "ZELDA.GBA");
    EXPECT_EQ(games.roms[1].info.Title(), "ZELDA");
    EXPECT_EQ(games.roms[1].slotFiles, std::vector<std::string>{"ZELDA.DAT"});
    EXPECT_TRUE(games.slotsWithoutGame.empty());
}

// Two long names in one folder share the alias "POKEMO~1" where no 8.3 name can be read: the
// slot's long name tells them apart, and a slot without one is shown with both.
TEST(FindCardGames, RomsOfOneAliasAreToldApartByTheSlotsLongName) {
    TempCard card;
    WriteFile(CardDir(card) / "Pokemon Black.nds", DsRom("BLACK", "IRBO", u"Black"));
    WriteFile(CardDir(card) / "Pokemon White.nds", DsRom("WHITE", "IRAO", u"White"));
    if (platform::ShortPathName((CardDir(card) / "Pokemon Black.nds").string())) {
        GTEST_SKIP() << "this file system gives each of the two files an 8.3 name of its own";
    }
    WriteSlotFor(card, slots::EditMode::Nds, "BLACK.DAT", "POKEMO~1NDS", "Pokemon Black.nds");
    WriteSlotFor(card, slots::EditMode::Nds, "EITHER.DAT", "POKEMO~1NDS", std::nullopt);
    const games::CardGames games = games::FindCardGames(card.Root(), slots::EditMode::Nds);
    ASSERT_EQ(games.roms.size(), 2u);
    std::vector<std::string> black = games.roms[0].slotFiles;
    std::vector<std::string> white = games.roms[1].slotFiles;
    std::sort(black.begin(), black.end());
    EXPECT_EQ(black, (std::vector<std::string>{"BLACK.DAT", "EITHER.DAT"}));
    EXPECT_EQ(white, std::vector<std::string>{"EITHER.DAT"});
    EXPECT_TRUE(games.slotsWithoutGame.empty());
}

// The list shows 100 rows; the games look at every slot file of the save folder.
TEST(FindCardGames, SlotsPastTheHundredthRowAreSeen) {
    TempCard card;
    for (int i = 0; i < 101; ++i) {
        WriteSlotFor(card, slots::EditMode::Gba, "S" + std::to_string(i) + ".DAT", "GONE    GBA",
                     std::nullopt);
    }
    EXPECT_EQ(games::FindCardGames(card.Root(), slots::EditMode::Gba).slotsWithoutGame.size(),
              101u);
}

TEST(FindCardGames, AStopEndsTheSearchAtTheNextEntry) {
    // The window stops a search that a newer listing or its own end makes useless.
    TempCard card;
    const fs::path root = CardDir(card);
    WriteFile(root / "GAME.NDS", DsRom("GAME", "AGME", u"Game"));
    WriteSlotFor(card, slots::EditMode::Nds, "GONE.DAT", "POKEMO~1NDS", std::nullopt);
    std::stop_source stop;
    stop.request_stop();
    const games::CardGames stopped =
        games::FindCardGames(card.Root(), slots::EditMode::Nds, stop.get_token());
    EXPECT_TRUE(stopped.roms.empty());
    EXPECT_TRUE(stopped.slotsWithoutGame.empty());
    EXPECT_TRUE(stopped.searchStopped);
    // A stop source that is never used changes nothing.
    std::stop_source unused;
    const games::CardGames whole =
        games::FindCardGames(card.Root(), slots::EditMode::Nds, unused.get_token());
    EXPECT_EQ(whole.roms.size(), 1u);
    EXPECT_EQ(whole.slotsWithoutGame.size(), 1u);
    EXPECT_FALSE(whole.searchStopped);
}

// `slotkit games` keeps only each banner's English title; it must show what the whole banner
// shows, including where the banner is damaged or cut.
TEST(FindCardGames, KeepingOnlyTheEnglishTitleShowsWhatTheWholeBannerShows) {
    TempCard card;
    const fs::path root = CardDir(card);
    WriteFile(root / "A.NDS", DsRom("WHOLE", "AWHE", u"Whole\nMaker"));
    Bytes damaged = DsRom("DAMAGED", "ADME", u"Damaged");
    damaged[0x200 + 0x300] ^= 1;  // a title byte: the banner's CRC fails
    WriteFile(root / "B.NDS", damaged);
    Bytes cut = DsRom("CUT BANNER", "ACBE", u"Cut");
    cut.resize(0x200 + 0x83F);  // one byte short of the smallest banner
    WriteFile(root / "C.NDS", cut);
    Bytes later = DsHeaderBytes("KOREAN", "AKOE", "01", 0, 0x200);
    const Bytes banner = DsBannerBytes(3, u"Korean too");
    later.insert(later.end(), banner.begin(), banner.end());
    WriteFile(root / "D.NDS", later);

    const std::vector<std::string> titles = {"1 Whole / Maker", "DAMAGED", "CUT BANNER",
                                             "1 Korean too"};
    const games::CardGames whole = games::FindCardGames(card.Root(), slots::EditMode::Nds);
    const games::CardGames titleOnly =
        FindCardGames(card.Root(), slots::EditMode::Nds, {}, games::BannerKept::EnglishTitle);
    ASSERT_EQ(whole.roms.size(), titles.size());
    ASSERT_EQ(titleOnly.roms.size(), titles.size());
    for (std::size_t i = 0; i < titles.size(); ++i) {
        EXPECT_EQ(whole.roms[i].info.Title(), titles[i]) << whole.roms[i].place;
        EXPECT_EQ(titleOnly.roms[i].info.Title(), titles[i]) << titleOnly.roms[i].place;
        EXPECT_TRUE(titleOnly.roms[i].info.banner.empty());
    }
    EXPECT_FALSE(whole.roms[0].info.banner.empty());
    EXPECT_TRUE(whole.roms[2].info.banner.empty());  // cut: no banner at all
}

TEST(FindCardGames, ABannerOffsetPastTheEndLeavesTheHeaderTitle) {
    TempCard card;
    Bytes rom = DsHeaderBytes("HEADER ONLY", "AHOE", "01", 0, 0x10000);
    WriteFile(CardDir(card) / "H.NDS", rom);
    const games::CardGames games = games::FindCardGames(card.Root(), slots::EditMode::Nds);
    ASSERT_EQ(games.roms.size(), 1u);
    EXPECT_EQ(games.roms[0].info.Title(), "HEADER ONLY");
    EXPECT_TRUE(games.roms[0].info.banner.empty());
}

}  // namespace
}  // namespace slotkit::test
