// The buttons run their commands on the rows selected in the window, through the window's own
// message boxes, name dialogs and (stubbed) file choosers.

#include <chrono>
#include <filesystem>

#include "app/control_ids.h"
#include "app/name_dialogs.h"
#include "app/slot_manager_dlg.h"
#include "temp_card.h"
#include "window_fixture.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;
using app::CSlotManagerDlg;

using WindowCommandsTest = CardWindowTest;

TEST_F(WindowCommandsTest, BackupOfOneRowCopiesItThroughTheSaveChooser) {
    const Bytes slot = card.WriteSlot(slots::EditMode::Nds, "A.DAT", slots::kNdsLayout.newFormSize);
    OpenCard();
    Select({0});
    chosenPaths = {(card.PcFolder() / "copy").string()};
    wxTEST_DIALOG(Click(app::kBackupId), ExpectMessage("true", "Success!"));
    ASSERT_EQ(choosers.size(), 1u);
    EXPECT_EQ(choosers[0].kind, app::ChooserKind::Save);
    EXPECT_EQ(choosers[0].filters.at(0).description, "Q9 SAVE FILE(*.DAT)");
    EXPECT_EQ(ReadFile(card.PcFolder() / "copy.DAT"), slot);
    EXPECT_EQ(window->SlotList()->GetSelectedItemCount(), 0);  // the list was refreshed
}

TEST_F(WindowCommandsTest, CommandsWithoutASelectionEndSilently) {
    card.WriteSlot(slots::EditMode::Nds, "A.DAT", slots::kNdsLayout.newFormSize);
    OpenCard();
    for (int id : {app::kBackupId, app::kRestoreId, app::kConvertId, app::kRenameId, app::kImportId,
                   app::kExportId, app::kChangeTargetRomId}) {
        ThrowingModalHook noDialogAtAll(__FILE__, __LINE__, __func__);
        Click(id);
    }
    EXPECT_TRUE(choosers.empty());
}

TEST_F(WindowCommandsTest, MakeDummyAsksForANameForAnEmptyRow) {
    card.MakeSaveFolder(slots::EditMode::Nds);
    OpenCard();
    Select({0});
    wxTEST_DIALOG(Click(app::kMakeDummyId),
                  ExpectMessage("<< Alert >>",
                                "This mode creates a Q9-Save slot(dummy slot).\nWhen executing to "
                                "existing file, it erases contents.\nDoes it execute really?",
                                wxID_YES),
                  ExpectNameDialog<app::CSlotNameDlg>("NEWSLOT"),
                  ExpectMessage("message", "Success!"));
    EXPECT_EQ(ReadFile(card.SlotFile(slots::EditMode::Nds, "NEWSLOT.DAT")),
              Bytes(slots::kNdsLayout.newFormSize, 0));
    EXPECT_EQ(Cell(0, 1), "NEWSLOT.DAT");
    EXPECT_EQ(Cell(0, 2), "Not used");
}

TEST_F(WindowCommandsTest, RenameTakesTheNameFromItsDialog) {
    card.WriteSlot(slots::EditMode::Nds, "OLD.DAT", slots::kNdsLayout.newFormSize);
    OpenCard();
    Select({0});
    wxTEST_DIALOG(Click(app::kRenameId), ExpectNameDialog<app::CRenameDlg>("NEW"));
    EXPECT_TRUE(fs::exists(card.SlotFile(slots::EditMode::Nds, "NEW.DAT")));
    EXPECT_FALSE(fs::exists(card.SlotFile(slots::EditMode::Nds, "OLD.DAT")));
    EXPECT_EQ(Cell(0, 1), "NEW.DAT");
}

TEST_F(WindowCommandsTest, DeleteAnsweredNoKeepsTheFile) {
    card.WriteSlot(slots::EditMode::Nds, "KEEP.DAT", slots::kNdsLayout.newFormSize);
    OpenCard();
    Select({0});
    wxTEST_DIALOG(
        Click(app::kDeleteId),
        ExpectMessage("<< Alert >>", "Deletes a chosen file.\nDoes it execute really?", wxID_NO));
    EXPECT_TRUE(fs::exists(card.SlotFile(slots::EditMode::Nds, "KEEP.DAT")));
    EXPECT_EQ(window->SlotList()->GetSelectedItemCount(), 1);  // not refreshed
}

TEST_F(WindowCommandsTest, ImportWithTwoRowsSelectedAsksForOne) {
    card.WriteSlot(slots::EditMode::Nds, "A.DAT", slots::kNdsLayout.newFormSize);
    card.WriteSlot(slots::EditMode::Nds, "B.DAT", slots::kNdsLayout.newFormSize);
    OpenCard();
    Select({0, 1});
    wxTEST_DIALOG(Click(app::kImportId), ExpectMessage("Alert", "Please select a one-savefile."));
    EXPECT_TRUE(choosers.empty());
}

// Escape, the close box or any way out of a question but Yes is No: nothing is written.
TEST_F(WindowCommandsTest, QuestionsClosedWithoutAButtonChangeNothing) {
    const auto closed = [] { return wxExpectModal<wxMessageDialog>(wxID_CANCEL); };
    const auto yes = [] { return wxExpectModal<wxMessageDialog>(wxID_YES); };
    const auto ok = [] { return wxExpectModal<wxMessageDialog>(wxID_OK); };
    const fs::path a = card.SlotFile(slots::EditMode::Nds, "A.DAT");
    const Bytes slot =
        card.WriteSlot(slots::EditMode::Nds, "A.DAT", slots::kOldFormSize, "OLDGAME NDS");
    WriteFile(card.PcFolder() / "save.sav", Bytes(512, 0x5A));
    WriteFile(card.PcFolder() / "GAME.NDS", Bytes(4, 0));
    WriteFile(card.PcFolder() / "A.DAT", Bytes(100, 1));
    const auto unchanged = [&](const char* what) {
        EXPECT_EQ(ReadFile(a), slot) << what;
        EXPECT_EQ(ReadFile(card.PcFolder() / "save.sav"), Bytes(512, 0x5A)) << what;
        EXPECT_EQ(ReadFile(card.PcFolder() / "A.DAT"), Bytes(100, 1)) << what;
    };

    for (int id : {app::kDeleteId, app::kConvertId, app::kMakeDummyId}) {
        OpenCard();
        Select({0});
        wxTEST_DIALOG(Click(id), closed());
        unchanged("delete, convert or blank");
    }

    OpenCard();  // a new slot's name is taken: the question about blanking it
    Select({1});
    wxTEST_DIALOG(Click(app::kMakeDummyId), yes(), ExpectNameDialog<app::CSlotNameDlg>("A"),
                  closed(), ok());
    unchanged("blank over a taken name");

    OpenCard();  // the rename offered after a change of target ROM
    Select({0});
    chosenPaths = {(card.PcFolder() / "GAME.NDS").string()};
    wxTEST_DIALOG(Click(app::kChangeTargetRomId), yes(), closed());
    EXPECT_TRUE(fs::exists(a));
    EXPECT_EQ(Cell(0, 1), "A.DAT");

    const Bytes retargeted = ReadFile(a);
    for (int id : {app::kImportId, app::kExportId, app::kRestoreId}) {
        OpenCard();
        Select({0});
        chosenPaths = {(card.PcFolder() / (id == app::kRestoreId ? "A.DAT" : "save.sav")).string()};
        wxTEST_DIALOG(Click(id), closed());
        EXPECT_EQ(ReadFile(a), retargeted);
        EXPECT_EQ(ReadFile(card.PcFolder() / "save.sav"), Bytes(512, 0x5A));
    }

    card.WriteSlot(slots::EditMode::Nds, "B.DAT", slots::kNdsLayout.newFormSize);
    OpenCard();  // a batch backup over older backups of the same names
    Select({0, 1});
    chosenPaths = {card.PcFolder().string()};
    wxTEST_DIALOG(Click(app::kBackupId), closed());
    EXPECT_EQ(ReadFile(card.PcFolder() / "A.DAT"), Bytes(100, 1));
    EXPECT_FALSE(fs::exists(card.PcFolder() / "B.DAT"));

    static_cast<wxRadioButton*>(window->FindWindow(app::kModeGbaId))->SetValue(true);
    wxTEST_DIALOG(window->OnEditModeClicked(), closed());  // create GAMESAVE?
    EXPECT_FALSE(fs::exists(card.SaveFolder(slots::EditMode::Gba)));
}

// A change of target ROM and an import do not refresh (the selection stays for the next
// command), but the rows they changed show what the card now holds.
TEST_F(WindowCommandsTest, RowsChangedWithoutARefreshShowTheCardAsItIs) {
    const fs::path a = card.SlotFile(slots::EditMode::Nds, "A.DAT");
    card.WriteSlot(slots::EditMode::Nds, "A.DAT", slots::kNdsLayout.newFormSize, "OLDGAME NDS");
    fs::last_write_time(a, fs::last_write_time(a) - std::chrono::hours(24 * 400));
    WriteFile(card.PcFolder() / "GAME.NDS", Bytes(4, 0));
    WriteFile(card.PcFolder() / "save.sav", Bytes(512, 0x5A));
    OpenCard();
    const wxString oldDate = Cell(0, 3);
    Select({0});

    chosenPaths = {(card.PcFolder() / "GAME.NDS").string()};
    wxTEST_DIALOG(Click(app::kChangeTargetRomId), wxExpectModal<wxMessageDialog>(wxID_YES),
                  wxExpectModal<wxMessageDialog>(wxID_NO));
    EXPECT_EQ(Cell(0, 2), "GAME    NDS");
    EXPECT_NE(Cell(0, 3), oldDate);
    EXPECT_EQ(window->SlotList()->GetSelectedItemCount(), 1);

    fs::last_write_time(a, fs::last_write_time(a) - std::chrono::hours(24 * 400));
    chosenPaths = {(card.PcFolder() / "save.sav").string()};
    wxTEST_DIALOG(Click(app::kImportId), wxExpectModal<wxMessageDialog>(wxID_YES),
                  ExpectMessage("true", "Success!"));
    EXPECT_NE(Cell(0, 3), oldDate);
    EXPECT_EQ(Cell(0, 2), "GAME    NDS");
    EXPECT_EQ(window->SlotList()->GetSelectedItemCount(), 1);
}

// A card taken out may leave its mount folder behind on the system disk.
TEST_F(WindowCommandsTest, ACardNoLongerOfferedIsNeitherListedNorWritten) {
    card.WriteSlot(slots::EditMode::Nds, "A.DAT", slots::kNdsLayout.newFormSize);
    OpenCard();
    Select({0});
    cardInserted = false;
    fs::remove_all(card.SaveFolder(slots::EditMode::Nds));
    for (int id : {app::kRefreshId, app::kMakeDummyId}) {
        wxTEST_DIALOG(Click(id), ExpectMessage("Alert", "A memory card isn't set in the drive."));
    }
    EXPECT_FALSE(fs::exists(card.SaveFolder(slots::EditMode::Nds)));
}

// The middle of a row as a drop onto it reports it: in the coordinates of the window that holds
// the drop target (on GTK the list's inner window below its header).
wxPoint RowCenter(wxListCtrl* list, long row) {
    wxRect rect;
    list->GetItemRect(row, rect);
    const wxPoint center(rect.x + rect.width / 2, rect.y + rect.height / 2);
    wxWindow* target = list;
    for (wxWindow* child : list->GetChildren()) {
        if (child->GetDropTarget() != nullptr) {
            target = child;
        }
    }
    return target->ScreenToClient(list->ClientToScreen(center));
}

// Files dropped onto the list as the system delivers them: a drop-files event to the list, whose
// command runs once the event has returned.
void DropOnto(wxListCtrl* list, wxPoint at, const std::vector<std::string>& paths) {
    auto* names = new wxString[paths.size()];  // the event owns them
    std::copy(paths.begin(), paths.end(), names);
    wxDropFilesEvent event(wxEVT_DROP_FILES, static_cast<int>(paths.size()), names);
    event.m_pos = at;
    list->ProcessWindowEvent(event);
    wxTheApp->ProcessPendingEvents();
}

TEST_F(WindowCommandsTest, OneFileDroppedOntoARowIsImportedIntoIt) {
    const Bytes a = card.WriteSlot(slots::EditMode::Nds, "A.DAT", slots::kNdsLayout.newFormSize);
    const Bytes b = card.WriteSlot(slots::EditMode::Nds, "B.DAT", slots::kNdsLayout.newFormSize);
    OpenCard();
    Select({0});
    const Bytes save = PatternBytes(1000, 30);
    const fs::path dropped = card.PcFolder() / "dropped.sav";
    WriteFile(dropped, save);
    wxTEST_DIALOG(
        DropOnto(window->SlotList(), RowCenter(window->SlotList(), 1), {dropped.string()}),
        ExpectMessage("Inport - [SuperCard/No-header SAVEDATA](*.SAV) type",
                      ("Does the import of the save data.\nDon't use for an [Not-used] "
                       "slot.\nIt doesn't permit writing in save of the different game, "
                       "too.\n\nFile: " +
                       dropped.string() + "\nInto the slot: " + Cell(1, 1).utf8_string() +
                       "\n\nDoes it execute really?")
                          .c_str(),
                      wxID_YES),
        ExpectMessage("true", "Success!"));
    EXPECT_TRUE(choosers.empty());  // the dropped file is the chooser's answer
    Bytes expected = b;
    std::copy(save.begin(), save.end(), expected.begin());
    EXPECT_EQ(ReadFile(card.SlotFile(slots::EditMode::Nds, "B.DAT")), expected);
    EXPECT_EQ(ReadFile(card.SlotFile(slots::EditMode::Nds, "A.DAT")), a);
    EXPECT_EQ(window->SlotList()->GetSelectedItemCount(), 1);
    EXPECT_EQ(window->SlotList()->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED), 1);
}

TEST_F(WindowCommandsTest, DropsThatAreNotOneFileOnARowSayWhatADropDoes) {
    const Bytes a = card.WriteSlot(slots::EditMode::Nds, "A.DAT", slots::kNdsLayout.newFormSize);
    OpenCard();
    const std::string file = (card.PcFolder() / "x.sav").string();
    WriteFile(file, Bytes(10, 1));
    const char* help =
        "Drop one save file onto the row of the slot it goes into: it is imported into that slot.";
    wxTEST_DIALOG(DropOnto(window->SlotList(), RowCenter(window->SlotList(), 0), {file, file}),
                  ExpectMessage("message", help));
    wxTEST_DIALOG(DropOnto(window->SlotList(), wxPoint(5, 100000), {file}),
                  ExpectMessage("message", help));
    wxTEST_DIALOG(DropOnto(window->SlotList(), RowCenter(window->SlotList(), 1), {file}),
                  ExpectMessage("message",
                                "A save file is imported by dropping it onto the row of a slot "
                                "file. Row 01 holds no slot file; nothing was imported."));
    EXPECT_EQ(ReadFile(card.SlotFile(slots::EditMode::Nds, "A.DAT")), a);
    EXPECT_EQ(fs::directory_iterator(card.SaveFolder(slots::EditMode::Nds))->path().filename(),
              "A.DAT");
}

// The card taken out while a chooser is open: the card is said to be gone, and nothing is
// written on either side.
TEST_F(WindowCommandsTest, ACardTakenOutWhileAChooserIsOpenIsSaidToBeGone) {
    const Bytes a = card.WriteSlot(slots::EditMode::Nds, "A.DAT", slots::kNdsLayout.newFormSize);
    OpenCard();
    const fs::path pcFile = card.PcFolder() / "m.DAT";
    WriteFile(pcFile, Bytes(slots::kNdsLayout.newFormSize, 7));
    window->Prompter().SetChooserStub([&](const app::ChooserRequest&) {
        cardInserted = false;
        return std::optional<std::string>(pcFile.string());
    });
    for (int id : {app::kRestoreId, app::kImportId, app::kBackupId}) {
        cardInserted = true;
        OpenCard();
        Select({0});
        wxTEST_DIALOG(Click(id), ExpectMessage("Alert", "A memory card isn't set in the drive."));
        EXPECT_EQ(window->SlotList()->GetItemCount(), 0);
    }
    EXPECT_EQ(ReadFile(card.SlotFile(slots::EditMode::Nds, "A.DAT")), a);
    EXPECT_EQ(ReadFile(pcFile), Bytes(slots::kNdsLayout.newFormSize, 7));
}

TEST_F(WindowCommandsTest, RightClickMenuExportsToANewFile) {
    Bytes slot = card.WriteSlot(slots::EditMode::Nds, "A.DAT", slots::kNdsLayout.newFormSize);
    std::fill(slot.begin() + 300, slot.begin() + slots::kNdsLayout.saveRegionSize, 0xFF);
    WriteFile(card.SlotFile(slots::EditMode::Nds, "A.DAT"), slot);
    OpenCard();
    Select({0});
    const std::unique_ptr<wxMenu> menu = window->SlotMenu();
    ASSERT_NE(menu->FindItem(app::kExportNewMenuId), nullptr);
    EXPECT_EQ(menu->GetLabelText(app::kExportNewMenuId), "Export to a new file...");

    chosenPaths = {(card.PcFolder() / "new.dsv").string()};
    wxCommandEvent event(wxEVT_MENU, app::kExportNewMenuId);
    wxTEST_DIALOG(window->GetEventHandler()->ProcessEvent(event),
                  ExpectMessage("true", kExportedWithAGuessedSize));
    ASSERT_EQ(choosers.size(), 1u);
    EXPECT_EQ(choosers[0].kind, app::ChooserKind::Save);
    EXPECT_EQ(choosers[0].title, "Export to a new file");
    EXPECT_EQ(ReadFile(card.PcFolder() / "new.dsv").size(), 512u + 122u);
    EXPECT_TRUE(window->IsShown());  // the menu command does not close the window
}

}  // namespace
}  // namespace slotkit::test
