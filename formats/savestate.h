// DeSmuME savestates (.dst): "DeSmuME SState" and a NUL at byte 0. A snapshot of the whole
// emulator, not a save, so the file is refused with advice on what to import instead.
#pragma once

#include "formats/container_common.h"

namespace slotkit::formats {

FoundSave ReadSavestate(ByteSpan file);

}  // namespace slotkit::formats
