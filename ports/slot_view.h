// The port through which commands read and change the slot list as the user sees it.
#pragma once

#include <string>
#include <vector>

namespace slotkit::ports {

// One row of the slot list, as shown.
struct SlotRow {
    std::string number;    // "00" to "99"
    std::string fileName;  // the file's name as the file system gives it; empty: no file
    std::string title;     // UTF-8, safe to show
    std::string date;      // empty when the time could not be read
};

class SlotView {
  public:
    virtual ~SlotView() = default;

    // The next selected row after `row` (-1 to start); -1 when none is left.
    virtual int NextSelected(int row) const = 0;
    // The FileName of a row; empty for a row without a file.
    virtual std::string FileName(int row) const = 0;
    // Replaces every row with `rows`; afterwards no row is selected.
    virtual void Show(const std::vector<SlotRow>& rows) = 0;
    // Replaces the shown columns of one row; the selection stays as it is.
    virtual void ShowRow(int row, const SlotRow& shown) = 0;
};

}  // namespace slotkit::ports
