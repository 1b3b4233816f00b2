// Where a mode's slot files live under the card root.
#pragma once

#include <string>
#include <string_view>

#include "slots/slot_format.h"

namespace slotkit::slots {

// The folder name of a mode: "NDSSAVE" or "GAMESAVE".
std::string_view SaveFolderName(EditMode mode);

// cardRoot ends with the path separator, as a drive root does ("E:\", "/media/card/").
std::string SaveFolderPath(std::string_view cardRoot, EditMode mode);
std::string SlotPath(std::string_view cardRoot, EditMode mode, std::string_view fileName);

// Makes a folder usable as a card root: appends the separator when it is missing.
std::string AsCardRoot(std::string_view folder);

}  // namespace slotkit::slots
