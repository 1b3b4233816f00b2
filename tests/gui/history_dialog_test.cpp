// The list's "History..." dialog: the kept versions of the selected slot and of deleted ones,
// and "Put back", which asks first and refreshes the list.

#include <filesystem>
#include <functional>

#include "app/control_ids.h"
#include "app/history_dlg.h"
#include "app/slot_manager_dlg.h"
#include "temp_card.h"
#include "window_fixture.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;
using app::CHistoryDlg;
using app::CSlotManagerDlg;

class HistoryDialogTest : public CardWindowTest {
  protected:
    long RowOf(const std::string& name) const {
        for (long row = 0; row < window->SlotList()->GetItemCount(); ++row) {
            if (window->SlotList()->GetItemText(row, 1).utf8_string() == name) {
                return row;
            }
        }
        return -1;
    }
};

TEST_F(HistoryDialogTest, ListsTheSelectedAndDeletedSlotsAndPutsAVersionBack) {
    const Bytes a =
        card.WriteSlot(slots::EditMode::Nds, "A.DAT", slots::kNdsLayout.newFormSize, "MARIO   NDS");
    card.WriteSlot(slots::EditMode::Nds, "B.DAT", slots::kNdsLayout.newFormSize);
    OpenCard();
    window->SlotList()->SetItemState(RowOf("A.DAT"), wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    wxTEST_DIALOG(window->OnDelete(), ExpectMessage("<< Alert >>",
                                                    "Deletes a chosen file.\nDoes it execute "
                                                    "really?",
                                                    wxID_YES));
    ASSERT_FALSE(fs::exists(card.SlotFile(slots::EditMode::Nds, "A.DAT")));
    window->SlotList()->SetItemState(RowOf("B.DAT"), wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);

    wxTEST_DIALOG(
        window->OnHistory(), ExpectWith<CHistoryDlg>([](CHistoryDlg* dialog) {
            // B.DAT, selected, has no versions; A.DAT is no longer on the card.
            EXPECT_EQ(dialog->Versions()->GetItemCount(), 1);
            EXPECT_EQ(dialog->Versions()->GetItemText(0, 0), "A.DAT");
            EXPECT_EQ(dialog->Versions()->GetItemText(0, 1), "1");
            EXPECT_EQ(dialog->Versions()->GetItemText(0, 3), "delete");
            EXPECT_EQ(dialog->Versions()->GetItemText(0, 4), "263168");
            EXPECT_EQ(dialog->Versions()->GetItemText(0, 5), "MARIO   NDS");
            // Every column shows its header and its cells whole, and the list shows every
            // column, at the size the dialog opens with.
            wxListCtrl* list = dialog->Versions();
            int columns = 0;
            for (int column = 0; column < list->GetColumnCount(); ++column) {
                wxListItem header;
                header.SetMask(wxLIST_MASK_TEXT);
                list->GetColumn(column, header);
                const int width = list->GetColumnWidth(column);
                EXPECT_GT(width, list->GetTextExtent(header.GetText()).x) << header.GetText();
                EXPECT_GT(width, list->GetTextExtent(list->GetItemText(0, column)).x)
                    << header.GetText();
                columns += width;
            }
            EXPECT_LE(columns, list->GetClientSize().x);
            EXPECT_TRUE(dialog->PutBackButton()->IsEnabled());
            dialog->OnPutBack();
            return wxID_CANCEL;
        }),
        ExpectWith<wxMessageDialog>([](wxMessageDialog* box) {
            EXPECT_EQ(box->GetTitle(), "History");
            EXPECT_TRUE(box->GetMessage().StartsWith("Puts back version 1 of A.DAT, kept "));
            return wxID_YES;
        }),
        ExpectMessage("true", "Success!"));
    EXPECT_EQ(ReadFile(card.SlotFile(slots::EditMode::Nds, "A.DAT")), a);
    EXPECT_NE(RowOf("A.DAT"), -1) << "the list was not refreshed";
}

TEST_F(HistoryDialogTest, PutBackAnsweredNoChangesNothing) {
    card.WriteSlot(slots::EditMode::Nds, "A.DAT", slots::kNdsLayout.newFormSize);
    OpenCard();
    window->SlotList()->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    wxTEST_DIALOG(window->OnDelete(), ExpectMessage("<< Alert >>",
                                                    "Deletes a chosen file.\nDoes it execute "
                                                    "really?",
                                                    wxID_YES));
    wxTEST_DIALOG(window->OnHistory(), ExpectWith<CHistoryDlg>([](CHistoryDlg* dialog) {
                      dialog->OnPutBack();
                      return wxID_CANCEL;
                  }),
                  ExpectWith<wxMessageDialog>([](wxMessageDialog*) { return wxID_NO; }));
    EXPECT_FALSE(fs::exists(card.SlotFile(slots::EditMode::Nds, "A.DAT")));
}

}  // namespace
}  // namespace slotkit::test
