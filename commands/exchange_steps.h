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

namespace slotkit::exchange {

inline constexpr const char* kSlotNotOpened = "It doesn't open the file of the memory card.";
inline constexpr const char* kNotSupported = "It doesn't support.";

// The filters of the import and export choosers; the first pair is in force when they open.
std::vector<FileFilter> ImportFilters(EditMode mode);
std::vector<FileFilter> ExportFilters(EditMode mode);

// The selected row when exactly one is selected. With none it says nothing; with more it shows
// "Please select a one-savefile.".
std::optional<int> OnlySelectedRow(const CommandContext& context);

// Reads the whole slot file `slotName` into `bytes` after checking that it could also be
// written, and gives its path. A row without a file (an empty name) never names the save
// folder: it fails like a missing file. On failure it has shown kSlotNotOpened.
std::optional<std::string> ReadUpdatableSlot(const CommandContext& context,
                                             const std::string& slotName,
                                             std::vector<std::uint8_t>& bytes);

// The refusal of a .DSS or .DUC file too short for its header, for "import" or "export".
std::string HeaderTooShort(std::string_view action, std::string_view suffix);

void ShowError(const CommandContext& context, std::string_view text);
void ShowSuccess(const CommandContext& context, std::string_view note);

// The question text with `note`, when there is one, as a paragraph before the last line.
std::string Question(std::string_view body, std::string_view note);

}  // namespace slotkit::exchange
