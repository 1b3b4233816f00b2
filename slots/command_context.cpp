#include "slots/command_context.h"

#include "slots/card_paths.h"

namespace slotkit::slots {

std::string CommandContext::SaveFolder() const {
    return SaveFolderPath(cardRoot, mode);
}

std::string CommandContext::SlotPathOf(const std::string& fileName) const {
    return SlotPath(cardRoot, mode, fileName);
}

std::vector<int> SelectedRows(const ports::SlotView& view) {
    std::vector<int> rows;
    for (int row = view.NextSelected(-1); row != -1; row = view.NextSelected(row)) {
        rows.push_back(row);
    }
    return rows;
}

}  // namespace slotkit::slots
