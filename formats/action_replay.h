// Action Replay .dss and .duc files: "ARDS000000000001" and a header of kForeignHeaderSize
// bytes before the save, or the newer 164-byte header: four zero bytes, the game's name from
// byte 4, and at its end the save's size in 256-byte units and the byte 0xC0.
#pragma once

#include <cstddef>

#include "formats/container_common.h"

namespace slotkit::formats {

// The newer Action Replay header.
inline constexpr std::size_t kShortArHeaderSize = 0xA4;

FoundSave ReadActionReplay(ByteSpan file);

// The save after either header.
ExportRoom ActionReplayExportRoom(ByteSpan file);

}  // namespace slotkit::formats
