// The slot list of the command line: the rows of the last refresh and the rows the user named.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ports/slot_view.h"

namespace slotkit::cli {

class ListedSlotView : public ports::SlotView {
  public:
    int NextSelected(int row) const override;
    std::string FileName(int row) const override;
    void Show(const std::vector<ports::SlotRow>& rows) override;
    void ShowRow(int row, const ports::SlotRow& shown) override;

    const std::vector<ports::SlotRow>& Rows() const { return rows_; }

    // A row named by its number ("7", "07") or by its file name, also in another letter case
    // when exactly one file matches; nothing when none matches.
    std::optional<int> FindRow(const std::string& spec) const;
    // Selects the rows; the selection is walked in list order whatever order they came in.
    void Select(std::vector<int> rows);

  private:
    std::vector<ports::SlotRow> rows_;
    std::vector<int> selected_;
};

}  // namespace slotkit::cli
