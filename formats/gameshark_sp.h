// GameShark SP .gsv files: "ADVSAVEG", the game's name at 0x0C, the save type at 0x1C, the
// bytes 78 56 34 12 at 0x42C and the save from 0x430. EEPROM saves are kept as big-endian
// words.
#pragma once

#include "formats/container_common.h"

namespace slotkit::formats {

FoundSave ReadGameSharkSp(ByteSpan file);

}  // namespace slotkit::formats
