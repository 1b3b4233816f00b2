// A bare wxWidgets frame with the same controls as slotkit's window, at the same dialog-unit
// places, and nothing of slotkit behind them: the floor that bench/windows_startup.sh holds the
// window's start-up time and memory against.
#include <wx/listctrl.h>
#include <wx/odcombo.h>
#include <wx/wx.h>

namespace {

class BareFrameApp : public wxApp {
  public:
    bool OnInit() override {
        auto* frame =
            new wxFrame(nullptr, wxID_ANY, "slotkit bare frame", wxDefaultPosition, wxDefaultSize,
                        wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX);
        auto* menu = new wxMenu;
        menu->Append(wxID_EXIT, "Exit(&E)");
        auto* bar = new wxMenuBar;
        bar->Append(menu, "Exit(&E)");
        frame->SetMenuBar(bar);

        auto* panel = new wxPanel(frame);
        auto at = [panel](int x, int y, int width, int height) {
            return wxRect(panel->ConvertDialogToPixels(wxPoint(x, y)),
                          panel->ConvertDialogToPixels(wxSize(width, height)));
        };
        auto place = [](wxWindow* control, const wxRect& rect) { control->SetSize(rect); };

        auto* list = new wxListCtrl(panel, 1000, wxDefaultPosition, wxDefaultSize,
                                    wxLC_REPORT | wxBORDER_SUNKEN);
        const char* headers[] = {"Num", "FileName", "Target ROM title", "Date"};
        const int widths[] = {36, 106, 130, 116};
        for (int i = 0; i < 4; ++i) {
            list->InsertColumn(i, headers[i], wxLIST_FORMAT_LEFT, list->FromDIP(widths[i]));
        }
        place(list, at(5, 20, 240, 260));
        place(new wxStaticText(panel, wxID_ANY, "Select CF/SD card drive"), at(6, 6, 74, 8));
        place(new wxOwnerDrawnComboBox(panel, 1002, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                       0, nullptr, wxCB_DROPDOWN | wxCB_READONLY | wxCB_SORT),
              at(80, 3, 30, 12));
        place(new wxStaticText(panel, wxID_ANY, "EditMode : "), at(130, 6, 34, 8));
        auto* nds =
            new wxRadioButton(panel, 1003, "NDS", wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
        nds->SetValue(true);
        place(nds, at(164, 5, 29, 10));
        place(new wxRadioButton(panel, 1004, "GBA"), at(194, 5, 30, 10));
        place(new wxButton(panel, 1005, "Refresh"), at(5, 280, 240, 10));
        place(new wxStaticBox(panel, wxID_ANY, "Backup && Restore"), at(250, 15, 110, 70));
        place(new wxButton(panel, 1006, "Memorycard >> PC"), at(255, 30, 100, 20));
        place(new wxButton(panel, 1007, "Memorycard << PC"), at(255, 55, 100, 20));
        place(new wxStaticBox(panel, wxID_ANY, "Extra"), at(250, 95, 110, 175));
        const struct {
            int id;
            const char* label;
            int y;
        } extra[] = {
            {1008, "Make dummy && Init-slot", 111},
            {1009, "Convert NDS 1024KB->257KB\n           GBA 1024KB->129KB", 132},
            {1010, "Rename DAT file", 153},
            {1011, "Delete DAT file", 174},
            {1012, "Q9 << anotherSAVE inport", 220},
            {1013, "Q9 >> anotherSAVE export", 241},
            {1014, "Change Target ROM", 195},
        };
        for (const auto& button : extra) {
            place(new wxButton(panel, button.id, button.label), at(255, button.y, 100, 20));
        }
        frame->SetClientSize(panel->ConvertDialogToPixels(wxSize(363, 296)));
        frame->Bind(
            wxEVT_MENU, [frame](wxCommandEvent&) { frame->Close(); }, wxID_EXIT);
        frame->Show();
        return true;
    }
};

}  // namespace

wxIMPLEMENT_APP(BareFrameApp);
