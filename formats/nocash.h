// no$gba .sav files: "NocashGbaBackupMediaSavDataFile" 0x1A, "SRAM" at 0x40 and the storage
// method at 0x44. Method 0 keeps the save as it is (its size at 0x48, the save from 0x4C);
// method 1 keeps it run-length coded (the coded size at 0x48, the decoded size at 0x4C, the
// coded data from 0x50).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "formats/container_common.h"

namespace slotkit::formats {

// The no$gba decoder's output never grows past this; a header naming more is refused.
inline constexpr std::size_t kNocashCapacity = 0x100000;

FoundSave ReadNocash(ByteSpan file);

// Decodes no$gba's run-length coding: control byte c, 0 ends; 1-0x7F: c plain bytes;
// 0x81-0xFF: the next byte c - 0x80 times; 0x80: the next byte repeated by the u16 after it.
// The data must decode to exactly `unpacked` bytes (at most kNocashCapacity); otherwise the
// reason is given in `error` and nothing is returned.
std::optional<std::vector<std::uint8_t>> DecodeNocash(ByteSpan coded, std::size_t unpacked,
                                                      std::string& error);

// The save of a no$gba file that is not compressed; a compressed one is refused, as this
// program does not write the coding.
ExportRoom NocashExportRoom(ByteSpan file);

}  // namespace slotkit::formats
