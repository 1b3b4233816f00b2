// An in-memory slot list with a selection the test sets, counting how often it was refilled.
#pragma once

#include <set>
#include <vector>

#include "ports/slot_view.h"

namespace slotkit::test {

class MemorySlotView : public ports::SlotView {
  public:
    std::vector<ports::SlotRow> rows;
    std::set<int> selected;
    int showCount = 0;  // every Show, the clearing one of a refresh included

    int NextSelected(int row) const override {
        auto next = selected.upper_bound(row);
        return next == selected.end() ? -1 : *next;
    }
    std::string FileName(int row) const override {
        return row >= 0 && static_cast<std::size_t>(row) < rows.size() ? rows[row].fileName
                                                                       : std::string();
    }
    void Show(const std::vector<ports::SlotRow>& newRows) override {
        rows = newRows;
        selected.clear();
        ++showCount;
    }
    void ShowRow(int row, const ports::SlotRow& shown) override {
        rows.at(static_cast<std::size_t>(row)) = shown;
        ++rowUpdates;
    }
    int rowUpdates = 0;
};

}  // namespace slotkit::test
