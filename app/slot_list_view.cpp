#include "app/slot_list_view.h"

#include <wx/dcclient.h>

#include <algorithm>

#include "app/wx_text.h"

namespace slotkit::app {

namespace {

struct ColumnSpec {
    const char* header;
    int designedWidth;   // pixels at the layout's own font
    const char* sample;  // the widest content the column should show unclipped
};

constexpr ColumnSpec kColumns[] = {
    {"Num", 36, "00"},
    {"FileName", 106, "MMMMMMMM.DAT"},
    {"Target ROM title", 130, "MMMMMMMMNDS"},
    {"Date", 116, "2026/12/31 23:59:59"},
};

}  // namespace

long RowAtScreenPoint(const wxListCtrl& list, const wxPoint& onScreen) {
    const wxPoint at = list.ScreenToClient(onScreen);
    const long count = list.GetItemCount();
    const long top = std::max(0L, list.GetTopItem());
    // A partly shown row below the page counts too.
    const long last = std::min(count, top + list.GetCountPerPage() + 2);
    for (long row = top; row < last; ++row) {
        wxRect rect;
        if (list.GetItemRect(row, rect, wxLIST_RECT_BOUNDS) && at.y >= rect.GetTop() &&
            at.y <= rect.GetBottom()) {
            return row;
        }
    }
    return -1;
}

void SlotListView::SetUpColumns() {
    // Room for the cell's own padding and, in the header, the sort-arrow space.
    const int padding = list_->FromDIP(24);
    wxClientDC dc(list_);  // one for all the texts measured
    dc.SetFont(list_->GetFont());
    for (int i = 0; i < 4; ++i) {
        const ColumnSpec& column = kColumns[i];
        const int needed =
            std::max(dc.GetTextExtent(column.header).x, dc.GetTextExtent(column.sample).x) +
            padding;
        list_->InsertColumn(i, column.header, wxLIST_FORMAT_LEFT,
                            std::max(list_->FromDIP(column.designedWidth), needed));
    }
}

int SlotListView::NextSelected(int row) const {
    return static_cast<int>(list_->GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED));
}

std::string SlotListView::FileName(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= fileNames_.size()) {
        return {};
    }
    return fileNames_[row];
}

void SlotListView::Show(const std::vector<ports::SlotRow>& rows) {
    list_->Freeze();
    list_->DeleteAllItems();
    fileNames_.clear();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ports::SlotRow& row = rows[i];
        const long item = list_->InsertItem(static_cast<long>(i), ToWx(row.number));
        list_->SetItem(item, 1, ToWx(row.fileName));
        list_->SetItem(item, 2, ToWx(row.title));
        list_->SetItem(item, 3, ToWx(row.date));
        fileNames_.push_back(row.fileName);
    }
    list_->Thaw();
    if (onChange_) {
        onChange_();
    }
}

void SlotListView::ShowRow(int row, const ports::SlotRow& shown) {
    if (row < 0 || row >= list_->GetItemCount()) {
        return;
    }
    list_->SetItem(row, 1, ToWx(shown.fileName));
    list_->SetItem(row, 2, ToWx(shown.title));
    list_->SetItem(row, 3, ToWx(shown.date));
    fileNames_[row] = shown.fileName;
    if (onChange_) {
        onChange_();
    }
}

}  // namespace slotkit::app
