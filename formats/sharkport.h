// SharkPort .sps and .xps files: a u32 length and "SharkPortSave", a u32 0x000F0000, three
// texts each after its u32 length (title, date, notes), the u32 size of a block holding a
// 0x1C-byte copy of the ROM header's title and code and then the save, and a u32 checksum of
// that block. EEPROM saves are kept as big-endian words.
#pragma once

#include "formats/container_common.h"

namespace slotkit::formats {

FoundSave ReadSharkPort(ByteSpan file);

}  // namespace slotkit::formats
