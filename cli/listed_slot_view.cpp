#include "cli/listed_slot_view.h"

#include <algorithm>
#include <cctype>

#include "base/ascii.h"

namespace slotkit::cli {

namespace {

bool SameLetters(const std::string& a, const std::string& b) {
    return base::EqualIgnoringAsciiCase(a, b);
}

}  // namespace

int ListedSlotView::NextSelected(int row) const {
    auto next = std::upper_bound(selected_.begin(), selected_.end(), row);
    return next == selected_.end() ? -1 : *next;
}

std::string ListedSlotView::FileName(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) {
        return {};
    }
    return rows_[row].fileName;
}

void ListedSlotView::Show(const std::vector<ports::SlotRow>& rows) {
    rows_ = rows;
    selected_.clear();
}

void ListedSlotView::ShowRow(int row, const ports::SlotRow& shown) {
    if (row >= 0 && static_cast<std::size_t>(row) < rows_.size()) {
        rows_[row] = shown;
    }
}

std::optional<int> ListedSlotView::FindRow(const std::string& spec) const {
    const bool number =
        !spec.empty() && spec.size() <= 2 && std::all_of(spec.begin(), spec.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c));
        });
    if (number) {
        const int row = std::stoi(spec);
        if (static_cast<std::size_t>(row) < rows_.size()) {
            return row;
        }
        return std::nullopt;
    }
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (!rows_[i].fileName.empty() && rows_[i].fileName == spec) {
            return static_cast<int>(i);
        }
    }
    // FAT names ignore letter case; a spelling that fits several files names none of them.
    std::optional<int> found;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (!rows_[i].fileName.empty() && SameLetters(rows_[i].fileName, spec)) {
            if (found) {
                return std::nullopt;
            }
            found = static_cast<int>(i);
        }
    }
    return found;
}

void ListedSlotView::Select(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    selected_ = std::move(rows);
}

}  // namespace slotkit::cli
