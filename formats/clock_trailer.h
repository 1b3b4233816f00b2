// GBA saves with clock data: a save of one of the standard GBA sizes followed by 16 bytes an
// emulator keeps its real-time clock in.
#pragma once

#include "formats/container_common.h"

namespace slotkit::formats {

FoundSave ReadGbaClockData(ByteSpan file);

// The save before the clock data.
ExportRoom GbaClockDataExportRoom(ByteSpan file);

}  // namespace slotkit::formats
