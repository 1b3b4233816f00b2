// DeSmuME .dsv and .sav files: the save, then a 122-byte footer: a line of text, six u32
// fields (the save's size, its padded size, the save type, the address size, the size again
// and a version) and "|-DESMUME SAVE-|" at the very end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/container_common.h"

namespace slotkit::formats {

// The DeSmuME footer and its last 16 bytes.
inline constexpr std::size_t kDesmumeFooterSize = 122;

FoundSave ReadDesmume(ByteSpan file);

// The save before the footer of a DeSmuME file.
ExportRoom DesmumeExportRoom(ByteSpan file);

// A DeSmuME footer for a save of `size` bytes: one of the sizes of NewFileSizes, or a flash or
// NAND size of a DS game card from 512 KiB to 64 MiB.
std::vector<std::uint8_t> DesmumeFooter(std::uint32_t size);

}  // namespace slotkit::formats
