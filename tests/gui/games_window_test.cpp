// The games of the slots in the window: the hover over a row, found off the window's thread,
// and the "Games on the card" dialog with its link of a save to a game.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "app/control_ids.h"
#include "app/games_dlg.h"
#include "app/name_dialogs.h"
#include "app/slot_games.h"
#include "app/slot_manager_dlg.h"
#include "base/row_number.h"
#include "games/rom_names.h"
#include "games/rom_save_type.h"
#include "platform/files.h"
#include "platform/short_names.h"
#include "platform/user_places.h"
#include "rom_images.h"
#include "slots/slot_listing.h"
#include "temp_card.h"
#include "window_fixture.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;
using app::CGamesDlg;
using namespace roms;

// A place below the card root as the system writes it: "ROMS\\GAME.nds" on Windows.
std::string OnCard(std::string place) {
#ifdef _WIN32
    std::replace(place.begin(), place.end(), '/', '\\');
#endif
    return place;
}

// A DS ROM whose banner has the title "<language number> <title>" and an icon of two colours.
Bytes DsRomWithIcon(std::string_view title, std::string_view code, const std::u16string& name) {
    Bytes rom = DsHeaderBytes(title, code, "01", 0, 0x200);
    Bytes banner = DsBannerBytes(1, name);
    for (std::size_t i = 0x20; i < 0x220; ++i) {
        banner[i] = 0x21;  // colours 1 and 2 side by side
    }
    PutU16(banner, 0x222, 0x001F);  // red
    PutU16(banner, 0x224, 0x7C00);  // blue
    SealDsBanner(banner, 1);
    rom.insert(rom.end(), banner.begin(), banner.end());
    return rom;
}

class GamesWindowTest : public CardWindowTest {
  protected:
    // The pointer goes back where it was: without a window manager the keyboard goes to the
    // window under it, and later tests type into dialogs at the middle of the screen.
    void SetUp() override {
        pointerAtStart_ = wxGetMousePosition();
        CardWindowTest::SetUp();
    }
    void TearDown() override {
        // Before the window goes: the simulated pointer takes its scale from a window.
        if (!WindowClosed()) {
            PointTo(pointerAtStart_);
        }
        CardWindowTest::TearDown();
    }
    fs::path CardPath() const { return card.Dir() / "card"; }

    void WriteRom(const std::string& place, const Bytes& bytes) const {
        fs::create_directories((CardPath() / place).parent_path());
        WriteFile(CardPath() / place, bytes);
    }
    // A slot file naming the game `shortName` (and no long name), the rest of it a pattern.
    Bytes WriteSlotFor(const std::string& name, const std::string& shortName) const {
        Bytes slot =
            card.WriteSlot(slots::EditMode::Nds, name, slots::kNdsLayout.newFormSize, shortName);
        slot[slots::kNdsLayout.LongNameFlagOffset()] = 0;
        WriteFile(card.SlotFile(slots::EditMode::Nds, name), slot);
        return slot;
    }
    long RowOf(const std::string& name) const {
        for (long row = 0; row < window->SlotList()->GetItemCount(); ++row) {
            if (Cell(row, 1).utf8_string() == name) {
                return row;
            }
        }
        return -1;
    }
    // Lets the window run until its search for the games has ended.
    bool WaitForGames() {
        for (int i = 0; i < 1000; ++i) {
            PumpEvents();
            if (window->Games().Result()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    // The pointer moved to `onScreen` through the system.
    static void PointTo(wxPoint onScreen) {
        TypeKeys([onScreen](wxUIActionSimulator& input) { input.MouseMove(onScreen); }, 400);
    }
    wxString HoverText() const {
        return window->HoverShown() ? window->HoverPopup()->Text() : wxString("(no popup)");
    }
    // "1 Pocket Hero" in English: the title the banner holds in the system's language.
    static std::string TitleIn(const std::string& title) {
        return std::to_string(static_cast<int>(app::SystemBannerLanguage())) + " " + title;
    }
    static void ClickRow(wxListCtrl* list, long row) { ClickListRow(list, row, 500); }
    // Lets the window run until `done`, or about four seconds.
    static bool RunUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 800 && !done(); ++i) {
            PumpEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return done();
    }
    static std::string ShortNameAt(const Bytes& slot) {
        const auto at =
            slot.begin() + static_cast<std::ptrdiff_t>(slots::kNdsLayout.ShortNameOffset());
        return std::string(at, at + slots::kShortNameSize);
    }

  private:
    wxPoint pointerAtStart_;
};

TEST(SlotGames, BannerLanguageOfTheLocale) {
    using games::DsLanguage;
    const std::pair<const char*, DsLanguage> cases[] = {
        {"fr_FR", DsLanguage::French},
        {"de", DsLanguage::German},
        {"ja_JP.UTF-8", DsLanguage::Japanese},
        {"zh_Hans_CN", DsLanguage::Chinese},
        {"ko-KR", DsLanguage::Korean},
        {"es_MX", DsLanguage::Spanish},
        {"it_IT@euro", DsLanguage::Italian},
        {"pt_BR", DsLanguage::English},
        {"C", DsLanguage::English},
        {"", DsLanguage::English},
    };
    for (const auto& [locale, language] : cases) {
        EXPECT_EQ(app::BannerLanguageFor(locale), language) << locale;
    }
}

TEST(SlotGames, TextOfTheHover) {
    games::CardGames games;
    games::CardRom rom;
    rom.place = "ROMS/GAME.nds";
    rom.info.code = "AXYE";
    rom.info.headerTitle = "POCKET HERO";
    rom.slotFiles = {"A.DAT"};
    games.roms = {rom, rom};
    games.roms[1].place = "OLD/GAME.nds";
    games.roms[1].info.code.clear();
    games.roms[1].info.headerTitle.clear();
    games.slotsWithoutGame = {{"B.DAT", "POKEMO~1NDS", std::nullopt}};
    const auto english = games::DsLanguage::English;

    EXPECT_EQ(app::SlotGameText(nullptr, "A.DAT", english), "looking...");
    // Two ROMs of one 8.3 name: both, the unknown one said so.
    EXPECT_EQ(app::SlotGameText(&games, "A.DAT", english),
              "POCKET HERO\nGame code: AXYE\nSave: unknown\nOn the card: ROMS/GAME.nds\n\n(title "
              "unknown)\nGame code: unknown\nSave: unknown\nOn the card: OLD/GAME.nds");
    EXPECT_EQ(app::SlotGameText(&games, "B.DAT", english),
              "The game of this save is not on the card: POKEMO~1.NDS");
    EXPECT_EQ(app::SlotGameText(&games, "BLANK.DAT", english), "This save names no game.");
    // A search that stopped at its limit may have missed the game.
    games.searchStopped = true;
    EXPECT_NE(app::SlotGameText(&games, "B.DAT", english).find("may be in the part not searched"),
              std::string::npos);
}

TEST(SlotGames, HoverSaysTheSaveMemoryOfADsGame) {
    games::CardGames games;
    games::CardRom rom;
    rom.place = "GAME.nds";
    rom.info.code = "ADAE";
    rom.info.headerTitle = "DIAMOND";
    rom.slotFiles = {"A.DAT"};
    rom.dsSave = games::DsSaveMemory{games::DsSaveKind::Flash, 512 * 1024};
    games.roms = {rom};
    const auto english = games::DsLanguage::English;
    EXPECT_EQ(app::SlotGameText(&games, "A.DAT", english),
              "DIAMOND\nGame code: ADAE\nSave: Flash 512 KiB (a slot holds 256 KiB)\nOn the card: "
              "GAME.nds");
    games.roms[0].dsSave = games::DsSaveMemory{games::DsSaveKind::Flash, 256 * 1024};
    EXPECT_EQ(app::SlotGameText(&games, "A.DAT", english),
              "DIAMOND\nGame code: ADAE\nSave: Flash 256 KiB\nOn the card: GAME.nds");
    // A GBA game's hover names its save type where it is known, and else no save.
    games.mode = slots::EditMode::Gba;
    games.roms[0].dsSave.reset();
    EXPECT_EQ(app::SlotGameText(&games, "A.DAT", english),
              "DIAMOND\nGame code: ADAE\nOn the card: GAME.nds");
    games.roms[0].saveType =
        games::GbaSaveType{games::GbaSaveKind::Flash128K, 131072, "", 0, false, true};
    EXPECT_EQ(app::SlotGameText(&games, "A.DAT", english),
              "DIAMOND\nGame code: ADAE\nSave: Flash 128 KiB, clock\nOn the card: GAME.nds");
}

TEST_F(GamesWindowTest, HoverShowsTheGameOfTheRowUnderThePointer) {
    WriteRom("ROMS/GAME.nds", DsRomWithIcon("POCKETHERO", "ADAE", u"Pocket Hero"));
    WriteSlotFor("A.DAT", "GAME    NDS");
    WriteSlotFor("B.DAT", "POKEMO~1NDS");
    OpenCard();
    ASSERT_TRUE(WaitForGames());
    const long a = RowOf("A.DAT");
    const long b = RowOf("B.DAT");
    ASSERT_NE(a, -1);
    ASSERT_NE(b, -1);

    PointTo(RowOnScreen(a));
    EXPECT_EQ(HoverText().utf8_string(),
              TitleIn("Pocket Hero") +
                  "\nGame code: ADAE\nSave: Flash 512 KiB (a slot holds 256 KiB)\nOn the card: " +
                  OnCard("ROMS/GAME.nds"));
    EXPECT_TRUE(window->HoverPopup()->HasIcon());
    // The popup is next to the pointer and does not cover the row under it.
    const wxRect popup = window->HoverPopup()->GetScreenRect();
    EXPECT_FALSE(popup.Contains(RowOnScreen(a)));
    EXPECT_LT(std::abs(popup.x - RowOnScreen(a).x), window->FromDIP(60));

    // The next row down: the popup follows, and says the game is missing.
    PointTo(RowOnScreen(b));
    EXPECT_EQ(HoverText(), "The game of this save is not on the card: POKEMO~1.NDS");
    EXPECT_FALSE(window->HoverPopup()->HasIcon());

    // A row without a file, then off the list: no popup.
    PointTo(RowOnScreen(5));
    EXPECT_FALSE(window->HoverShown());
    PointTo(RowOnScreen(a));
    ASSERT_TRUE(window->HoverShown());
    ClickOn(window->FindWindow(app::kRefreshId), 400);
    EXPECT_FALSE(window->HoverShown());
}

// A search the test holds up until it lets it go; a stop ends it at once.
struct HeldFinder {
    std::atomic<bool> released{false};
    std::atomic<int> started{0};
    std::atomic<int> stopped{0};

    app::GamesSearch::Finder Finder() {
        return [this](const std::string& root, slots::EditMode mode, std::stop_token stop) {
            ++started;
            while (!released && !stop.stop_requested()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            if (stop.stop_requested()) {
                ++stopped;
                return games::CardGames{};
            }
            return games::FindCardGames(root, mode, stop);
        };
    }
};

TEST_F(GamesWindowTest, HoverSaysLookingUntilTheSearchEndsThenShowsTheGame) {
    WriteRom("GAME.nds", DsRomWithIcon("POCKETHERO", "AXYE", u"Pocket Hero"));
    WriteSlotFor("A.DAT", "GAME    NDS");
    HeldFinder held;
    window->Games().SetFinder(held.Finder());
    OpenCard();
    PointTo(RowOnScreen(RowOf("A.DAT")));
    EXPECT_EQ(HoverText(), "looking...");
    EXPECT_EQ(held.started, 1);

    // The list stays usable while the search runs: a refresh starts a new search, and the old
    // one is stopped and its result dropped.
    window->OnRefresh();
    PumpEvents();
    PointTo(RowOnScreen(RowOf("A.DAT")) + wxPoint(6, 0));
    EXPECT_EQ(HoverText(), "looking...");
    held.released = true;
    ASSERT_TRUE(WaitForGames());
    EXPECT_EQ(held.stopped, 1);
    EXPECT_EQ(held.started, 2);
    EXPECT_EQ(window->Games().Result()->roms.size(), 1u);
    // The popup under the pointer shows the game without the pointer moving.
    EXPECT_EQ(HoverText().utf8_string(),
              TitleIn("Pocket Hero") + "\nGame code: AXYE\nSave: unknown\nOn the card: GAME.nds");
}

TEST_F(GamesWindowTest, ClosingTheWindowStopsASearchThatWouldNeverEnd) {
    WriteSlotFor("A.DAT", "GAME    NDS");
    HeldFinder held;
    window->Games().SetFinder(held.Finder());
    OpenCard();
    for (int i = 0; i < 1000 && held.started == 0; ++i) {
        PumpEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_EQ(held.started, 1);
    // The window's end waits for the search, which only a stop ends.
    window->Close();
    PumpEvents();
    EXPECT_TRUE(WindowClosed());
    EXPECT_EQ(held.stopped, 1);
}

TEST_F(GamesWindowTest, DialogListsTheRomsAndTheSavesWhoseGameIsGoneAndLinksOnePastTheList) {
    WriteRom("ROMS/GAME.nds", DsRomWithIcon("POCKETHERO", "AXYE", u"Pocket Hero"));
    WriteRom("ROMS/Other Game.NDS", DsHeaderBytes("OTHER", "BOTE", "01", 0, 0));
    WriteSlotFor("A.DAT", "GAME    NDS");
    // More slot files than the list's 100 rows; the first that it cannot show names a game that
    // is not on the card.
    for (int i = 0; i < 101; ++i) {
        WriteSlotFor("S" + std::to_string(i) + ".DAT", std::string(slots::kShortNameSize, '\0'));
    }
    OpenCard();
    std::string pastTheList;
    for (const auto& entry : fs::directory_iterator(card.SaveFolder(slots::EditMode::Nds))) {
        if (RowOf(entry.path().filename().string()) == -1) {
            pastTheList = entry.path().filename().string();
        }
    }
    ASSERT_FALSE(pastTheList.empty());
    const Bytes lost = WriteSlotFor(pastTheList, "POKEMO~1NDS");
    window->OnRefresh();
    ASSERT_TRUE(WaitForGames());
    // A row is selected, so the menu starts with its commands; "Games on the card..." is the
    // fourth.
    const long a = RowOf("A.DAT");
    wxTEST_DIALOG(
        RightClickAt(RowOnScreen(a),
                     [](wxUIActionSimulator& input) {
                         for (int i = 0; i < 4; ++i) {
                             input.Char(WXK_DOWN);
                         }
                         input.Char(WXK_RETURN);
                     }),
        ExpectWith<CGamesDlg>([&](CGamesDlg* dialog) -> int {
            wxListCtrl* roms = dialog->Roms();
            EXPECT_EQ(roms->GetItemCount(), 2);
            EXPECT_EQ(roms->GetItemText(0, 0).utf8_string(), TitleIn("Pocket Hero"));
            EXPECT_EQ(roms->GetItemText(0, 1), "AXYE");
            EXPECT_EQ(roms->GetItemText(0, 2), "unknown");  // a code the list does not know
            EXPECT_EQ(roms->GetItemText(0, 3), OnCard("ROMS/GAME.nds"));
            EXPECT_EQ(roms->GetItemText(0, 4), "A.DAT");
            EXPECT_EQ(roms->GetItemText(1, 0), "OTHER");
            EXPECT_EQ(roms->GetItemText(1, 3), OnCard("ROMS/Other Game.NDS"));
            EXPECT_EQ(roms->GetItemText(1, 4), "no save yet");
            wxListCtrl* lostList = dialog->LostSlots();
            EXPECT_EQ(lostList->GetItemCount(), 1);
            EXPECT_EQ(lostList->GetItemText(0, 0).utf8_string(), pastTheList);
            EXPECT_EQ(lostList->GetItemText(0, 1),
                      "the cartridge will not find this save: POKEMO~1.NDS is not on the card");
            // Every column shows its header and its cells whole.
            dialog->Show();
            PumpEvents();
            for (wxListCtrl* list : {roms, lostList}) {
                wxClientDC dc(list);
                dc.SetFont(list->GetFont());
                for (int column = 0; column < list->GetColumnCount(); ++column) {
                    for (long row = 0; row < list->GetItemCount(); ++row) {
                        EXPECT_GE(list->GetColumnWidth(column),
                                  dc.GetTextExtent(list->GetItemText(row, column)).x)
                            << "column " << column;
                    }
                }
            }
            // A game and no save: the button waits; the row selected in the main list is
            // A.DAT, so a game alone lets it link that.
            EXPECT_FALSE(dialog->LinkButton()->IsEnabled());
            roms->SetItemState(1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
            EXPECT_TRUE(dialog->LinkButton()->IsEnabled());
            EXPECT_EQ(dialog->LinkNote()->GetLabel(),
                      "The button links A.DAT to " + OnCard("ROMS/Other Game.NDS") + ".");
            // The save past the list, chosen here, is the one linked.
            lostList->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
            ClickOn(dialog->LinkButton());
            // The link's refresh hands the dialog the games found anew: the search may not have
            // begun yet (the list is then still enabled, with the old rows), so wait for its
            // result, on a slow machine for a while.
            for (int i = 0; i < 2000 && (!lostList->IsEnabled() || lostList->GetItemCount() != 0);
                 ++i) {
                PumpEvents();
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            EXPECT_EQ(lostList->GetItemCount(), 0);
            EXPECT_EQ(roms->GetItemText(1, 4).utf8_string(), pastTheList);
            return wxID_CANCEL;
        }),
        ExpectMessage("Change a NDS-ROM info - confirmation",
                      "It changes the ROM information which was stored in the DAT file.", wxID_YES,
                      true),
        ExpectMessage("message", "It succeeded.\n\nContinuously, does it do DAT-Rename?\n",
                      wxID_NO));
    // The slot past the list names the other game now, by the 8.3 name the system keeps for it
    // ("OTHERG~1NDS" where the name stands in for one); nothing else of it changed.
    const Bytes after = ReadFile(card.SlotFile(slots::EditMode::Nds, pastTheList));
    const auto kept = platform::ShortPathName((CardPath() / "ROMS" / "Other Game.NDS").string());
    ASSERT_TRUE(kept);
    EXPECT_EQ(ShortNameAt(after), games::ShortNameText(games::FileNamePart(*kept)));
    Bytes expected = lost;
    std::copy_n(
        after.begin() + static_cast<std::ptrdiff_t>(slots::kNdsLayout.ShortNameOffset()),
        slots::kShortNameSize,
        expected.begin() + static_cast<std::ptrdiff_t>(slots::kNdsLayout.ShortNameOffset()));
    EXPECT_EQ(after, expected);
    EXPECT_EQ(
        ReadFile(card.SlotFile(slots::EditMode::Nds, "A.DAT"))[slots::kNdsLayout.ShortNameOffset()],
        'G');
}

TEST_F(GamesWindowTest, DialogShowsTheSaveMemoryOfEachDsGameWhole) {
    WriteRom("A.nds", DsRomWithIcon("KART", "AMCE", u"Kart"));
    WriteRom("B.nds", DsRomWithIcon("PUZZLE", "A22E", u"Puzzle"));
    WriteRom("C.nds", DsRomWithIcon("DIAMOND", "ADAE", u"Diamond"));
    WriteRom("D.nds", DsRomWithIcon("BIGSAVE", "A23E", u"Big save"));
    WriteRom("E.nds", DsRomWithIcon("HOMEBREW", "AGME", u"Homebrew"));
    Bytes broken = DsRomWithIcon("KART", "AMCE", u"Kart");
    broken[0] ^= 1;  // the header fails its check: its code is not looked up
    WriteRom("F.nds", broken);
    WriteSlotFor("A.DAT", "C       NDS");
    OpenCard();
    ASSERT_TRUE(WaitForGames());
    wxTEST_DIALOG(
        window->OnGamesOnCard(), ExpectWith<CGamesDlg>([&](CGamesDlg* dialog) -> int {
            wxListCtrl* roms = dialog->Roms();
            const std::vector<std::pair<std::string, std::string>> expected{
                {"AMCE", "Flash 256 KiB"},
                {"A22E", "EEPROM 8 KiB"},
                {"ADAE", "Flash 512 KiB (slot too small)"},
                {"A23E", "NAND 8 MiB (slot too small)"},
                {"AGME", "unknown"},
            };
            // The ROM whose header fails its check is not a game: it is counted
            // below the list.
            EXPECT_EQ(roms->GetItemCount(), static_cast<int>(expected.size()));
            EXPECT_EQ(dialog->NotGamesLine()->GetLabel(), "1 file named .NDS is not a game.");
            for (std::size_t i = 0; i < expected.size(); ++i) {
                const long row = static_cast<long>(i);
                EXPECT_EQ(roms->GetItemText(row, 1).utf8_string(), expected[i].first);
                EXPECT_EQ(roms->GetItemText(row, 2).utf8_string(), expected[i].second)
                    << expected[i].first;
            }
            EXPECT_EQ(roms->GetItemText(2, 4), "A.DAT");
            // The column shows its longest text whole.
            dialog->Show();
            PumpEvents();
            wxClientDC dc(roms);
            dc.SetFont(roms->GetFont());
            for (long row = 0; row < roms->GetItemCount(); ++row) {
                EXPECT_GE(roms->GetColumnWidth(2), dc.GetTextExtent(roms->GetItemText(row, 2)).x);
            }
            return wxID_CANCEL;
        }));
}

TEST_F(GamesWindowTest, LinkButtonRetargetsTheSlotSelectedInTheList) {
    WriteRom("ROMS/NEWGAME.nds", DsRomWithIcon("NEWGAME", "ANWE", u"New Game"));
    const Bytes before = WriteSlotFor("A.DAT", "GAME    NDS");
    OpenCard();
    ASSERT_TRUE(WaitForGames());
    Select({RowOf("A.DAT")});
    CGamesDlg* games = nullptr;
    wxTEST_DIALOG(
        window->OnGamesOnCard(), ExpectWith<CGamesDlg>([&](CGamesDlg* dialog) -> int {
            games = dialog;
            EXPECT_EQ(dialog->LostSlots()->GetItemCount(), 1);
            dialog->Roms()->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
            EXPECT_EQ(dialog->LinkNote()->GetLabel(),
                      "The button links A.DAT to " + OnCard("ROMS/NEWGAME.nds") + ".");
            // No: nothing is written, and the dialog is ready for the next link
            // once the games are found anew.
            dialog->Show();
            ClickOn(dialog->LinkButton());
            EXPECT_EQ(ReadFile(card.SlotFile(slots::EditMode::Nds, "A.DAT")), before);
            for (int i = 0; i < 2000 && !dialog->LinkButton()->IsEnabled(); ++i) {
                PumpEvents();
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            ClickOn(dialog->LinkButton());
            // The keyboard is still the dialog's: Escape closes it.
            TypeKeys([](wxUIActionSimulator& keys) { keys.Char(WXK_ESCAPE); });
            EXPECT_FALSE(dialog->IsShown());
            return wxID_CANCEL;
        }),
        // The questions are asked over the dialog, which gets the keyboard back after them.
        ExpectWith<wxMessageDialog>([&](wxMessageDialog* question) {
            EXPECT_EQ(question->GetParent(), games);
            EXPECT_EQ(question->GetTitle(), "Change a NDS-ROM info - confirmation");
            return wxID_NO;
        }),
        ExpectMessage("Change a NDS-ROM info - confirmation", "It changes the ROM information",
                      wxID_YES, true),
        ExpectMessage("message", "It succeeded.\n\nContinuously, does it do DAT-Rename?\n",
                      wxID_NO));
    const Bytes after = ReadFile(card.SlotFile(slots::EditMode::Nds, "A.DAT"));
    EXPECT_EQ(ShortNameAt(after), "NEWGAME NDS");
    ASSERT_TRUE(WaitForGames());
    EXPECT_TRUE(window->Games().Result()->slotsWithoutGame.empty());
    EXPECT_EQ(window->Games().Result()->roms.at(0).slotFiles, std::vector<std::string>{"A.DAT"});
}

TEST_F(GamesWindowTest, FilesThatAreNotGamesAreCountedBelowTheGamesAndListedOnRequest) {
    // Many files named .NDS without a header, sorted before the one real game.
    for (int i = 0; i < 2000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "JUNK/J%04d.NDS", i);
        WriteRom(name, Bytes(0x200, 0));
    }
    WriteRom("ZGAME.nds", DsRomWithIcon("POCKETHERO", "AXYE", u"Pocket Hero"));
    WriteSlotFor("A.DAT", "ZGAME   NDS");
    OpenCard();
    ASSERT_TRUE(WaitForGames());
    wxTEST_DIALOG(window->OnGamesOnCard(), ExpectWith<CGamesDlg>([&](CGamesDlg* dialog) -> int {
                      wxListCtrl* roms = dialog->Roms();
                      dialog->Show();
                      PumpEvents();
                      EXPECT_EQ(roms->GetItemCount(), 1);
                      EXPECT_EQ(roms->GetItemText(0, 0).utf8_string(), TitleIn("Pocket Hero"));
                      EXPECT_EQ(roms->GetItemText(0, 4), "A.DAT");
                      EXPECT_TRUE(dialog->NotGamesLine()->IsShown());
                      EXPECT_EQ(dialog->NotGamesLine()->GetLabel(),
                                "2,000 files named .NDS are not games.");
                      // A row is as tall as a DS icon and its padding, and the dialog is no wider
                      // than its games need.
                      wxRect first;
                      EXPECT_TRUE(roms->GetItemRect(0, first));
                      EXPECT_LE(first.height, games::kDsIconSide + dialog->FromDIP(6));
                      EXPECT_LT(dialog->GetSize().x, dialog->FromDIP(800));

                      // The button lists the files after the games; pressed again, it takes them
                      // off.
                      const wxSize size = dialog->GetSize();
                      ClickOn(dialog->NotGamesButton());
                      EXPECT_EQ(roms->GetItemCount(), 2001);
                      EXPECT_EQ(roms->GetItemText(0, 1), "AXYE");
                      EXPECT_EQ(roms->GetItemText(1, 3), OnCard("JUNK/J0000.NDS"));
                      EXPECT_EQ(roms->GetItemText(1, 1), "unknown");
                      EXPECT_EQ(dialog->NotGamesButton()->GetLabel(), "Take them off the list");
                      EXPECT_EQ(dialog->GetSize(), size);
                      ClickOn(dialog->NotGamesButton());
                      EXPECT_EQ(roms->GetItemCount(), 1);
                      // The game is chosen by a click, and the main list's row links to it.
                      ClickRow(roms, 0);
                      EXPECT_EQ(dialog->RomOfRow(0)->place, "ZGAME.nds");
                      return wxID_CANCEL;
                  }));
}

// A reader of ROM pieces that holds up the piece at `heldAt` of the ROM named `heldRom` until
// the test lets it go or the reading is stopped; it counts the pieces it read of each ROM.
struct HeldReader {
    std::string heldRom;
    std::uint64_t heldAt = 0;
    std::atomic<bool> released{false};
    std::atomic<bool> waiting{false};
    std::atomic<bool> sawStop{false};
    std::mutex mutex;
    std::map<std::string, int> pieces;

    games::RomPieceReader Reader() {
        return [this](const std::string& path, std::uint64_t at, std::size_t count,
                      std::vector<std::uint8_t>& out, std::stop_token stop) {
            if (fs::path(path).filename() == heldRom && at == heldAt) {
                waiting = true;
                while (!released && !stop.stop_requested()) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }
                sawStop = stop.stop_requested();
                waiting = false;
            }
            {
                std::lock_guard lock(mutex);
                ++pieces[fs::path(path).filename().string()];
            }
            return platform::ReadAt(path, at, count, out);
        };
    }
    int PiecesOf(const std::string& name) {
        std::lock_guard lock(mutex);
        return pieces[name];
    }
};

class GbaGamesWindowTest : public GamesWindowTest {
  protected:
    // A GBA ROM of `size` bytes whose save library's ID is at `idAt`.
    fs::path WriteGbaRom(const std::string& name, std::string_view id, std::size_t idAt,
                         std::size_t size) const {
        Bytes rom = GbaHeaderBytes(name.substr(0, name.find('.')), "AGME", "01");
        rom.resize(size, 0xFF);
        Put(rom, idAt, id);
        WriteRom(name, rom);
        return CardPath() / name;
    }
    // The card in GBA mode, with a ROM of three pieces whose type is read from its last, and
    // one of two pieces; no save type remembered.
    void OpenGbaCard() {
        std::string folder;
        ASSERT_FALSE(platform::UserCacheFolder(folder));
        fs::remove(fs::path(folder) / games::kSaveTypeCacheFileName);
        first =
            WriteGbaRom("FIRST.gba", "FLASH1M_V103", 0x150000, 2 * games::kRomReadPiece - 0x1000);
        second =
            WriteGbaRom("SECOND.gba", "SRAM_V113", 0x280000, 3 * games::kRomReadPiece - 0x1000);
        card.MakeSaveFolder(slots::EditMode::Nds);
        card.MakeSaveFolder(slots::EditMode::Gba);
        OpenCard();
        static_cast<wxRadioButton*>(window->FindWindow(app::kModeGbaId))->SetValue(true);
        window->OnEditModeClicked();
        ASSERT_TRUE(WaitForGames());
        ASSERT_EQ(window->Games().Result()->mode, slots::EditMode::Gba);
    }
    // Clicks "Read the save types" and waits until the reader holds up its piece.
    bool ReadUntilHeld(CGamesDlg* dialog, HeldReader& held) {
        dialog->SetRomReader(held.Reader());
        ClickOn(dialog->ReadTypesButton());
        return RunUntil([&] { return held.waiting.load(); });
    }

    fs::path first, second;
};

TEST_F(GbaGamesWindowTest, SaveTypesAreReadOnRequestAndACancelKeepsWhatWasRead) {
    OpenGbaCard();
    HeldReader held;
    held.heldRom = "SECOND.gba";
    held.heldAt = games::kRomReadPiece;
    wxTEST_DIALOG(
        window->OnGamesOnCard(), ExpectWith<CGamesDlg>([&](CGamesDlg* dialog) -> int {
            wxListCtrl* roms = dialog->Roms();
            dialog->Show();
            PumpEvents();
            EXPECT_EQ(roms->GetItemText(0, 2), "unknown");
            EXPECT_EQ(roms->GetItemText(1, 2), "unknown");
            // GBA ROMs have no icon: no room is kept for one.
            wxRect row;
            EXPECT_TRUE(roms->GetItemRect(0, row));
            EXPECT_LT(row.height, games::kDsIconSide);
            EXPECT_TRUE(dialog->ReadTypesButton()->IsEnabled());
            EXPECT_FALSE(dialog->CancelReadingButton()->IsEnabled());

            // The first ROM is read and its type shown and remembered while the second's
            // second piece is held up.
            if (!ReadUntilHeld(dialog, held)) {
                ADD_FAILURE() << "the reader was never held up";
                return wxID_CANCEL;
            }
            EXPECT_TRUE(RunUntil([&] { return roms->GetItemText(0, 2) == "Flash 128 KiB"; }));
            EXPECT_TRUE(RunUntil([&] {
                return dialog->ReadLine()->GetLabel() == "1 of 2 ROMs, 3.0 MiB read";
            })) << dialog->ReadLine()->GetLabel();
            EXPECT_EQ(dialog->ReadGauge()->GetValue(), 1000 * 3 / 5);
            EXPECT_FALSE(dialog->ReadTypesButton()->IsEnabled());
            EXPECT_EQ(games::RememberedGbaSaveType(first.string())->kind,
                      games::GbaSaveKind::Flash128K);

            // Cancel, pressed during the held piece, ends the reading before the next one.
            ClickOn(dialog->CancelReadingButton(), 300);
            EXPECT_TRUE(dialog->ReadTypesButton()->IsEnabled());
            held.released = true;
            EXPECT_EQ(held.PiecesOf("SECOND.gba"), 2);
            EXPECT_EQ(dialog->ReadLine()->GetLabel(), "Stopped: 1 of 2 ROMs, 3.0 MiB read");
            EXPECT_FALSE(dialog->CancelReadingButton()->IsEnabled());
            EXPECT_EQ(roms->GetItemText(1, 2), "unknown");
            EXPECT_FALSE(games::RememberedGbaSaveType(second.string()));

            // Read again: only the ROM still unknown, whole.
            ClickOn(dialog->ReadTypesButton());
            EXPECT_TRUE(RunUntil([&] { return roms->GetItemText(1, 2) == "SRAM 32 KiB"; }));
            EXPECT_TRUE(RunUntil(
                [&] { return dialog->ReadLine()->GetLabel() == "1 of 1 ROM, 3.0 MiB read"; }));
            EXPECT_EQ(dialog->ReadGauge()->GetValue(), 1000);
            EXPECT_EQ(held.PiecesOf("FIRST.gba"), 2);
            EXPECT_FALSE(dialog->ReadTypesButton()->IsEnabled());
            return wxID_CANCEL;
        }));
    // The games are looked for again and know the types from the cache.
    ASSERT_TRUE(WaitForGames());
    for (const games::CardRom& rom : window->Games().Result()->roms) {
        EXPECT_TRUE(rom.saveType) << rom.place;
    }
}

TEST_F(GbaGamesWindowTest, ClosingTheDialogDuringTheReadStopsIt) {
    OpenGbaCard();
    HeldReader held;
    held.heldRom = "FIRST.gba";
    held.heldAt = games::kRomReadPiece;
    wxTEST_DIALOG(window->OnGamesOnCard(), ExpectWith<CGamesDlg>([&](CGamesDlg* dialog) -> int {
                      dialog->Show();
                      PumpEvents();
                      EXPECT_TRUE(ReadUntilHeld(dialog, held));
                      ClickOn(dialog->FindWindow(wxID_CANCEL), 300);
                      EXPECT_FALSE(dialog->IsShown());
                      return wxID_CANCEL;
                  }));
    // The dialog is gone: its reader saw the stop, and nothing was read after it.
    EXPECT_TRUE(held.sawStop);
    EXPECT_EQ(held.PiecesOf("FIRST.gba"), 2);
    EXPECT_EQ(held.PiecesOf("SECOND.gba"), 0);
    EXPECT_FALSE(games::RememberedGbaSaveType(first.string()));
    PumpEvents();
    EXPECT_FALSE(WindowClosed());
}

TEST_F(GamesWindowTest, LinkThenAFailedRenameKeepsTheDialogAndSaysTheSaveIsLinked) {
    WriteRom("ROMS/ZELDA.nds", DsRomWithIcon("ZELDA", "AZEE", u"Zelda"));
    const Bytes zelda = WriteSlotFor("ZELDA.DAT", "ZELDA   NDS");
    const Bytes gone = WriteSlotFor("GONE.DAT", "GONE    NDS");
    OpenCard();
    ASSERT_TRUE(WaitForGames());
    const std::string failure = std::string("Failed!\nRow ") + base::RowNumber(RowOf("GONE.DAT")) +
                                ", GONE.DAT: ZELDA.DAT already exists.";
    wxSize before;
    wxTEST_DIALOG(
        window->OnGamesOnCard(), ExpectWith<CGamesDlg>([&](CGamesDlg* dialog) -> int {
            dialog->Show();
            PumpEvents();
            before = dialog->GetSize();
            EXPECT_EQ(dialog->LostSlots()->GetItemText(0, 0), "GONE.DAT");
            ClickRow(dialog->Roms(), 0);
            ClickRow(dialog->LostSlots(), 0);
            EXPECT_EQ(dialog->LinkNote()->GetLabel(),
                      "The button links GONE.DAT to " + OnCard("ROMS/ZELDA.nds") + ".");
            ClickOn(dialog->LinkButton());
            EXPECT_TRUE(RunUntil([&] { return window->Games().Result() != nullptr; }));
            EXPECT_EQ(dialog->LostSlots()->GetItemCount(), 0);
            // Linked: the size the user sees is kept, and the note and the button say so.
            EXPECT_EQ(dialog->GetSize(), before);
            EXPECT_TRUE(dialog->Roms()->GetItemText(0, 4).Contains("GONE.DAT"));
            EXPECT_EQ(dialog->LinkNote()->GetLabel(),
                      "GONE.DAT is linked to " + OnCard("ROMS/ZELDA.nds") + ".");
            EXPECT_FALSE(dialog->LinkButton()->IsEnabled());
            return wxID_CANCEL;
        }),
        ExpectMessage("Change a NDS-ROM info - confirmation", "It changes the ROM information",
                      wxID_YES, true),
        ExpectMessage("message", "It succeeded.\n\nContinuously, does it do DAT-Rename?\n",
                      wxID_YES),
        // The taken name typed with the keys.
        ExpectWith<app::CRenameDlg>([&](app::CRenameDlg* rename) -> int {
            // Shown as a window of its own here: the button pressed is its answer.
            int pressed = wxID_CANCEL;
            rename->Bind(wxEVT_BUTTON, [&](wxCommandEvent& event) {
                pressed = event.GetId();
                event.Skip();
            });
            rename->Show();
            PumpEvents();
            ClickOn(rename->Field(), 300);
            TypeKeys([](wxUIActionSimulator& keys) { keys.Text("ZELDA"); });
            ClickOn(rename->OkButton(), 300);
            EXPECT_EQ(rename->EnteredName(), "ZELDA");
            EXPECT_FALSE(rename->IsShown());
            return pressed;
        }),
        ExpectMessage("error", failure.c_str()));
    // GONE.DAT names the game now and keeps its name; ZELDA.DAT is as it was.
    Bytes expected = gone;
    const std::string shortName = "ZELDA   NDS";
    std::copy(shortName.begin(), shortName.end(),
              expected.begin() + static_cast<std::ptrdiff_t>(slots::kNdsLayout.ShortNameOffset()));
    EXPECT_EQ(ReadFile(card.SlotFile(slots::EditMode::Nds, "GONE.DAT")), expected);
    EXPECT_EQ(ReadFile(card.SlotFile(slots::EditMode::Nds, "ZELDA.DAT")), zelda);
}

}  // namespace
}  // namespace slotkit::test
