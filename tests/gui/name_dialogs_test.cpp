#include <wx/uiaction.h>

#include "app/name_dialogs.h"
#include "app/wx_prompter.h"
#include "gui_test_support.h"

namespace slotkit::test {
namespace {

using app::CRenameDlg;
using app::CSlotNameDlg;
using app::NameEntryDlg;

// Runs the dialog modally for real and feeds it keystrokes once it is up; a dialog that does
// not close on its own within five seconds ends with wxID_ABORT.
template <class Dialog>
int RunWithKeys(Dialog& dialog, std::function<void(wxUIActionSimulator&)> keys) {
    wxTimer watchdog;
    watchdog.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { dialog.EndModal(wxID_ABORT); });
    watchdog.StartOnce(5000);
    dialog.CallAfter([&] {
        wxUIActionSimulator simulator;
        keys(simulator);
    });
    return dialog.ShowModal();
}

void ExpectNoOverlap(const NameEntryDlg& dialog) {
    const wxRect field = dialog.Field()->GetRect();
    const wxRect ok = dialog.OkButton()->GetRect();
    const wxRect cancel = dialog.CancelButton()->GetRect();
    EXPECT_FALSE(field.Intersects(ok));
    EXPECT_FALSE(field.Intersects(cancel));
    EXPECT_FALSE(ok.Intersects(cancel));
    const wxSize client = dialog.GetClientSize();
    for (const wxRect& r : {field, ok, cancel}) {
        EXPECT_LE(r.GetRight(), client.x);
        EXPECT_LE(r.GetBottom(), client.y);
    }
}

TEST(NameDialogs, SlotNameDialogMatchesItsLayout) {
    CSlotNameDlg dialog(nullptr);
    EXPECT_EQ(dialog.GetTitle(), "Please input DAT filename");
    EXPECT_EQ(dialog.OkButton()->GetLabel(), "Make");
    EXPECT_EQ(dialog.CancelButton()->GetLabel(), "Cansel");
    EXPECT_EQ(dialog.Field()->GetId(), 1007);
    EXPECT_EQ(dialog.Field()->GetValue(), "");
    // "Make" is the first tab stop, and the focus starts there.
    EXPECT_EQ(dialog.GetChildren().front(), dialog.OkButton());
    ExpectNoOverlap(dialog);
}

TEST(NameDialogs, RenameDialogMatchesItsLayout) {
    CRenameDlg dialog(nullptr);
    EXPECT_EQ(dialog.GetTitle(), "Please input new-filename.");
    EXPECT_EQ(dialog.OkButton()->GetLabel(), "Rename");
    EXPECT_EQ(dialog.CancelButton()->GetLabel(), "Cansel");
    EXPECT_EQ(dialog.Field()->GetValue(), "");
    EXPECT_EQ(dialog.GetChildren().front(), dialog.Field());
    ExpectNoOverlap(dialog);
}

TEST(NameDialogs, FocusStartsOnMakeOrInTheField) {
    {
        CSlotNameDlg dialog(nullptr);
        wxWindow* focused = nullptr;
        RunWithKeys(dialog, [&](wxUIActionSimulator&) {
            focused = wxWindow::FindFocus();
            dialog.EndModal(wxID_CANCEL);
        });
        EXPECT_EQ(focused, dialog.OkButton());
    }
    {
        CRenameDlg dialog(nullptr);
        wxWindow* focused = nullptr;
        RunWithKeys(dialog, [&](wxUIActionSimulator&) {
            focused = wxWindow::FindFocus();
            dialog.EndModal(wxID_CANCEL);
        });
        EXPECT_EQ(focused, dialog.Field());
    }
}

TEST(NameDialogs, EnterInTheFieldPressesTheDefaultButton) {
    CRenameDlg dialog(nullptr);
    const int result = RunWithKeys(dialog, [](wxUIActionSimulator& keys) {
        keys.Text("save2");
        keys.Char(WXK_RETURN);
    });
    EXPECT_EQ(result, wxID_OK);
    EXPECT_EQ(dialog.EnteredName(), "save2");
}

TEST(NameDialogs, EnterOnMakePressesMake) {
    CSlotNameDlg dialog(nullptr);
    const int result =
        RunWithKeys(dialog, [](wxUIActionSimulator& keys) { keys.Char(WXK_RETURN); });
    EXPECT_EQ(result, wxID_OK);
    EXPECT_EQ(dialog.EnteredName(), "");
}

TEST(NameDialogs, EscapeCancels) {
    CSlotNameDlg dialog(nullptr);
    const int result =
        RunWithKeys(dialog, [](wxUIActionSimulator& keys) { keys.Char(WXK_ESCAPE); });
    EXPECT_EQ(result, wxID_CANCEL);
}

TEST(NameDialogs, PrompterReturnsTheTypedNameOrNothing) {
    app::WxPrompter prompter(nullptr);
    std::optional<std::string> name;
    wxTEST_DIALOG(name = prompter.AskSlotName(), ExpectNameDialog<CSlotNameDlg>("ポケモン"));
    EXPECT_EQ(name, "ポケモン");
    wxTEST_DIALOG(name = prompter.AskNewName(), ExpectNameDialog<CRenameDlg>(std::nullopt));
    EXPECT_EQ(name, std::nullopt);
}

TEST(NameDialogs, PrompterQuestionsGoOnUnlessTheAnswerIsNo) {
    app::WxPrompter prompter(nullptr);
    bool yes = false;
    wxTEST_DIALOG(yes = prompter.AskYesNo("Delete?", "<< Alert >>"),
                  ExpectMessage("<< Alert >>", "Delete?", wxID_YES));
    EXPECT_TRUE(yes);
    wxTEST_DIALOG(yes = prompter.AskYesNo("Delete?", "<< Alert >>"),
                  ExpectMessage("<< Alert >>", "Delete?", wxID_NO));
    EXPECT_FALSE(yes);
}

TEST(FileDialogWildcard, PatternsMatchInAnyCaseOnGtk) {
    const wxString wildcard =
        app::FileDialogWildcard({{"Q9 SAVE FILE(*.DAT)", "*.DAT"}, {"ALL Files(*.*)", "*.*"}});
#ifdef __WXGTK__
    EXPECT_EQ(wildcard, "Q9 SAVE FILE(*.DAT)|*.[Dd][Aa][Tt]|ALL Files(*.*)|*.*");
#else
    EXPECT_EQ(wildcard, "Q9 SAVE FILE(*.DAT)|*.DAT|ALL Files(*.*)|*.*");
#endif
}

}  // namespace
}  // namespace slotkit::test
