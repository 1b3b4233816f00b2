// "Sync with a folder..." from the slot list's menu, driven with real clicks and keys.
#include <algorithm>
#include <filesystem>

#include "app/control_ids.h"
#include "app/history_dlg.h"
#include "app/sync_dlg.h"
#include "app/wx_text.h"
#include "window_fixture.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;
using app::CHistoryDlg;
using app::CSyncDlg;

class SyncWindowTest : public CardWindowTest {
  protected:
    fs::path Folder() const { return card.PcFolder() / "emu"; }
    // A slot of the game `shortName` names, whose save is 512 bytes of `fill`.
    Bytes Slot(const char* name, const char* shortName, std::uint8_t fill) {
        Bytes slot =
            card.WriteSlot(slots::EditMode::Nds, name, slots::kNdsLayout.newFormSize, shortName);
        std::fill(slot.begin(), slot.begin() + slots::kNdsLayout.saveRegionSize, 0xFF);
        std::fill_n(slot.begin(), 512, fill);
        WriteFile(card.SlotFile(slots::EditMode::Nds, name), slot);
        return slot;
    }
    // Opens "Sync with a folder..." from the menu of row 0, the folder chosen.
    int OpenSync(std::function<int(CSyncDlg*)> inDialog, const char* reportStart) {
        chosenPaths = {Folder().string()};
        int menus = 0;
        wxTEST_DIALOG(menus = RightClickAt(RowOnScreen(0),
                                           [](wxUIActionSimulator& input) {
                                               for (int i = 0; i < 3; ++i) {
                                                   input.Char(WXK_DOWN);
                                               }
                                               input.Char(WXK_RETURN);
                                           }),
                      ExpectWith<CSyncDlg>([&](CSyncDlg* dialog) {
                          dialog->Show();
                          PumpEvents();
                          return inDialog(dialog);
                      }),
                      ExpectMessage("true", reportStart, wxID_OK, true));
        return menus;
    }
    // Clicks the middle of a row of a dialog's list.
    static void ClickRow(CSyncDlg* dialog, long row) { ClickListRow(dialog->Pairs(), row); }
};

TEST_F(SyncWindowTest, AConflictSettledInTheDialogGoesTheWayChosenAndTheRestFollowsTheRule) {
    Slot("A.DAT", "ZELDA   NDS", 1);
    Slot("B.DAT", "MARIO   NDS", 2);
    fs::create_directories(Folder());
    WriteFile(Folder() / "ZELDA.sav", Bytes(512, 9));  // differs, never synced: a conflict
    OpenCard();

    const int menus = OpenSync(
        [&](CSyncDlg* dialog) {
            EXPECT_EQ(dialog->Pairs()->GetItemCount(), 2);
            EXPECT_FALSE(dialog->KeepFolderButton()->IsEnabled());
            ClickRow(dialog, 0);
            EXPECT_TRUE(dialog->KeepFolderButton()->IsEnabled());
            ClickOn(dialog->KeepFolderButton());
            EXPECT_TRUE(dialog->Pairs()->GetItemText(0, 2).StartsWith("folder -> card"))
                << dialog->Pairs()->GetItemText(0, 2);
            ClickRow(dialog, 1);  // not a conflict: nothing to choose
            EXPECT_FALSE(dialog->KeepCardButton()->IsEnabled());
            return wxID_OK;
        },
        "Success!");
    EXPECT_EQ(menus, 1);
    const Bytes a = ReadFile(card.SlotFile(slots::EditMode::Nds, "A.DAT"));
    EXPECT_EQ(Bytes(a.begin(), a.begin() + 512), Bytes(512, 9));
    EXPECT_EQ(ReadFile(Folder() / "MARIO.sav"), Bytes(512, 2));
}

TEST_F(SyncWindowTest, AFileTheSyncReplacedComesBackThroughTheHistoryDialog) {
    Slot("A.DAT", "ZELDA   NDS", 1);
    fs::create_directories(Folder());
    WriteFile(Folder() / "ZELDA.sav", Bytes(512, 9));
    OpenCard();
    OpenSync(
        [&](CSyncDlg* dialog) {
            ClickRow(dialog, 0);
            ClickOn(dialog->KeepCardButton());
            return wxID_OK;
        },
        "Success!");
    ASSERT_EQ(ReadFile(Folder() / "ZELDA.sav"), Bytes(512, 1));

    // "History..." lists the file the sync replaced; "Put back" brings it back.
    wxTEST_DIALOG(RightClickAt(RowOnScreen(0),
                               [](wxUIActionSimulator& input) {
                                   input.Char(WXK_DOWN);
                                   input.Char(WXK_DOWN);
                                   input.Char(WXK_RETURN);
                               }),
                  ExpectWith<CHistoryDlg>([&](CHistoryDlg* dialog) {
                      dialog->Show();
                      PumpEvents();
                      long row = -1;
                      for (long i = 0; i < dialog->Versions()->GetItemCount(); ++i) {
                          if (dialog->Versions()->GetItemText(i, 0).StartsWith("ZELDA.sav in ")) {
                              row = i;
                          }
                      }
                      EXPECT_NE(row, -1);
                      if (row != -1) {
                          ClickListRow(dialog->Versions(), row);
                          ClickOn(dialog->PutBackButton());
                      }
                      return wxID_CANCEL;
                  }),
                  ExpectMessage("History", "Puts back version 1 of ZELDA.sav", wxID_YES, true),
                  ExpectMessage("true", "Success!"));
    EXPECT_EQ(ReadFile(Folder() / "ZELDA.sav"), Bytes(512, 9));
}

TEST_F(SyncWindowTest, CancelInTheDialogWritesNothing) {
    Slot("A.DAT", "ZELDA   NDS", 1);
    fs::create_directories(Folder());
    OpenCard();
    chosenPaths = {Folder().string()};
    wxTEST_DIALOG(RightClickAt(RowOnScreen(0),
                               [](wxUIActionSimulator& input) {
                                   for (int i = 0; i < 3; ++i) {
                                       input.Char(WXK_DOWN);
                                   }
                                   input.Char(WXK_RETURN);
                               }),
                  ExpectWith<CSyncDlg>([](CSyncDlg* dialog) {
                      EXPECT_TRUE(dialog->SyncButton()->IsEnabled());
                      return wxID_CANCEL;
                  }));
    EXPECT_TRUE(FolderEntries(Folder()).empty());
    EXPECT_FALSE(fs::exists(card.Dir() / "history"));
}

// At the dialog's opening size the columns fit the list (no scroll bar to find), and each row's
// whole line, however long, is read in the detail line below the list once the row is clicked.
TEST_F(SyncWindowTest, EveryRowsWholeLineIsReadableAtTheOpeningSize) {
    Slot("A.DAT", "ZELDA   NDS", 1);  // no ROM on the card: a long reason
    Slot("B.DAT", "MARIO   NDS", 2);
    fs::create_directories(Folder());
    WriteFile(Folder() / "MARIO.sav", Bytes(700, 5));  // never synced, and they differ
    OpenCard();
    OpenSync(
        [&](CSyncDlg* dialog) {
            wxListCtrl* list = dialog->Pairs();
            int widths = 0;
            for (int column = 0; column < list->GetColumnCount(); ++column) {
                widths += list->GetColumnWidth(column);
            }
            EXPECT_LE(widths, list->GetClientSize().x);
            EXPECT_LE(dialog->GetSize().x, wxGetClientDisplayRect().width);
            // Each column holds its widest text; only the reasons may be cut, and only once the
            // dialog is as wide as it goes. (A last column stretched to the list's edge would
            // pass the sum above and never widen the dialog.)
            const bool widest =
                dialog->GetSize().x >= wxGetClientDisplayRect().width * 9 / 10 - dialog->FromDIP(2);
            for (int column = 0; column < list->GetColumnCount(); ++column) {
                int text = 0;
                for (long row = 0; row < list->GetItemCount(); ++row) {
                    text = std::max(text, list->GetTextExtent(list->GetItemText(row, column)).x);
                }
                if (column < 2 || !widest) {
                    EXPECT_GE(list->GetColumnWidth(column), text) << "column " << column;
                }
            }
            EXPECT_TRUE(dialog->Detail()->GetLabel().StartsWith("Select a row"));
            for (long row = 0; row < list->GetItemCount(); ++row) {
                ClickRow(dialog, row);
                wxString detail = dialog->Detail()->GetLabel();
                detail.Replace("\n", " ");
                EXPECT_EQ(detail, list->GetItemText(row, 0) + " <-> " + list->GetItemText(row, 1) +
                                      ": " + list->GetItemText(row, 2));
                EXPECT_LE(dialog->Detail()->GetBestSize().x, list->GetSize().x);
                EXPECT_GE(dialog->Detail()->GetSize().y, dialog->Detail()->GetBestSize().y);
            }
            return wxID_OK;
        },
        "Success!");
}

// The folder chooser opens in the user's home folder, then in the folder of the card's last
// sync (GTK's own start, "Recent", takes no typed path); a sync cancelled is not remembered.
TEST_F(SyncWindowTest, TheFolderChooserOpensWhereTheCardWasLastSynced) {
    Slot("A.DAT", "ZELDA   NDS", 1);
    fs::create_directories(Folder());
    OpenCard();
    OpenSync([](CSyncDlg*) { return wxID_OK; }, "Success!");
    ASSERT_EQ(choosers.size(), 1u);
    EXPECT_EQ(choosers[0].kind, app::ChooserKind::Folder);
    EXPECT_EQ(choosers[0].startFolder, app::FromWx(wxGetHomeDir()));

    OpenSync([](CSyncDlg*) { return wxID_OK; }, "Success!");
    ASSERT_EQ(choosers.size(), 2u);
    EXPECT_EQ(choosers[1].startFolder, Folder().string());

    // A folder that is gone: home again.
    fs::rename(Folder(), card.PcFolder() / "moved");
    chosenPaths = {};  // the chooser is cancelled: no dialog follows
    RightClickAt(RowOnScreen(0), [](wxUIActionSimulator& input) {
        for (int i = 0; i < 3; ++i) {
            input.Char(WXK_DOWN);
        }
        input.Char(WXK_RETURN);
    });
    ASSERT_EQ(choosers.size(), 3u);
    EXPECT_EQ(choosers[2].startFolder, app::FromWx(wxGetHomeDir()));
}

}  // namespace
}  // namespace slotkit::test
