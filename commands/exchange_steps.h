// What the import and the export have in common: the texts they show, the chooser filters, and
// the steps before their files are read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/display_text.h"
#include "slots/command_context.h"

namespace slotkit::commands {

inline constexpr const char* kSlotNotOpened = "It doesn't open the file of the memory card.";
inline constexpr const char* kNotSupported = "It doesn't support.";

// The filters of the import and export choosers; the first pair is in force when they open.
std::vector<ports::FileFilter> ImportFilters(slots::EditMode mode);
std::vector<ports::FileFilter> ExportFilters(slots::EditMode mode);

// The selected row when exactly one is selected. With none it says nothing; with more it shows
// "Please select a one-savefile.".
std::optional<int> OnlySelectedRow(const slots::CommandContext& context);

// Reads the whole slot file `slotName` into `bytes` after checking that it could also be
// written, and gives its path. A row without a file (an empty name) never names the save
// folder: it fails like a missing file. On failure it has shown kSlotNotOpened.
std::optional<std::string> ReadUpdatableSlot(const slots::CommandContext& context,
                                             const std::string& slotName,
                                             std::vector<std::uint8_t>& bytes);

// The refusal of a .DSS or .DUC file too short for its header, for "import" or "export".
std::string HeaderTooShort(std::string_view action, std::string_view suffix);

void ShowError(const slots::CommandContext& context, std::string_view text);
void ShowSuccess(const slots::CommandContext& context, std::string_view note);

// The question text with `note`, when there is one, as a paragraph before the last line.
std::string Question(std::string_view body, std::string_view note);

}  // namespace slotkit::commands
