#include "formats/savestate.h"

#include <string_view>

namespace slotkit::formats {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kMagic = "DeSmuME SState\0"sv;

}  // namespace

FoundSave ReadSavestate(ByteSpan file) {
    if (!HasAt(file, 0, kMagic)) {
        return {};
    }
    return Refused("file",
                   "it is a DeSmuME savestate, a snapshot of the whole emulator, not a save. "
                   "Export the save from the emulator (a .dsv or .sav file) and import that");
}

}  // namespace slotkit::formats
