// The slot listing: the 100 rows of the main list, rebuilt from the card on every refresh.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/row_number.h"
#include "platform/files.h"
#include "slots/command_context.h"

namespace slotkit::slots {

inline constexpr int kSlotRowCount = 100;

inline constexpr const char* kTitleNotUsed = "Not used";
inline constexpr const char* kTitleNoFile = "File not found.";
inline constexpr const char* kTitleTooShort = "Damaged (file too short)";

// The title column for the bytes read at the ROM short name offset.
std::string TitleFromShortName(std::span<const std::uint8_t> bytesRead);

// "2005/11/20 2:53:5"
std::string FormatDate(const platform::LocalTime& time);

// A row's number as the list shows it: "07".

// The rows for the slot files found in `saveFolder`, in enumeration order, padded to 100.
std::vector<ports::SlotRow> ReadSlotRows(const std::string& saveFolder, const SlotLayout& layout,
                                         std::error_code* error = nullptr);

// Shows the title and date of `row` as the card now holds them, after a command changed its
// file without a refresh; the selection stays.
void ShowRowAsOnCard(const CommandContext& context, int row);

}  // namespace slotkit::slots
