// What every command is handed: the card, the mode, and the two ports to the outside.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ports/captions.h"
#include "ports/prompter.h"
#include "ports/slot_view.h"
#include "slots/slot_format.h"

namespace slotkit::slots {

struct CommandContext {
    std::string cardRoot;  // ends with the separator; empty: no drive chosen
    EditMode mode = EditMode::Nds;
    ports::Prompter& prompter;
    ports::SlotView& view;
    // The history folder that keeps every slot version a command replaces; empty: the user's.
    std::string historyFolder{};
    // Whether the card is still in its drive. A card taken out may leave its mount folder
    // behind on the system disk, where nothing may be written. Empty: the card root is taken
    // as it is (the command line, whose card root is checked before the command runs).
    std::function<bool()> cardInDrive{};

    const SlotLayout& Layout() const { return LayoutFor(mode); }
    bool CardInDrive() const { return !cardInDrive || cardInDrive(); }
    std::string SaveFolder() const;
    std::string SlotPathOf(const std::string& fileName) const;
};

// The selected rows, in list order.
std::vector<int> SelectedRows(const ports::SlotView& view);

}  // namespace slotkit::slots
