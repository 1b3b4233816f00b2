// The window's slot list: a report-style list control with the four columns of the listing.
#pragma once

#include <wx/listctrl.h>

#include <functional>
#include <vector>

#include "ports/slot_view.h"

namespace slotkit::app {

class SlotListView : public ports::SlotView {
  public:
    explicit SlotListView(wxListCtrl* list) : list_(list) {}

    // Adds the four columns, wide enough for their headers and typical content at the
    // list's font.
    void SetUpColumns();

    int NextSelected(int row) const override;
    std::string FileName(int row) const override;
    void Show(const std::vector<ports::SlotRow>& rows) override;
    void ShowRow(int row, const ports::SlotRow& shown) override;

    // Called after every change of the rows: a new listing, or a row shown anew.
    void SetOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

  private:
    wxListCtrl* list_;
    std::function<void()> onChange_;
    // The file names as the file system gave them; the list shows a displayable copy.
    std::vector<std::string> fileNames_;
};

// The row of `list` under a point on the screen, or -1 where no row is (below the last row, on
// the header). Found from the rows' own rectangles, which every port gives in the control's
// client coordinates with its header and scrolling accounted for.
long RowAtScreenPoint(const wxListCtrl& list, const wxPoint& onScreen);

}  // namespace slotkit::app
