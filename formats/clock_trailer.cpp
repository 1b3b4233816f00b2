#include "formats/clock_trailer.h"

#include <algorithm>
#include <cstddef>

#include "formats/save_sizes.h"

namespace slotkit::formats {

namespace {

constexpr std::size_t kClockDataSize = 16;

}  // namespace

FoundSave ReadGbaClockData(ByteSpan file) {
    if (file.size() < kClockDataSize ||
        std::find(kGbaSaveSizes.begin(), kGbaSaveSizes.end(), file.size() - kClockDataSize) ==
            kGbaSaveSizes.end()) {
        return {};
    }
    FoundSave found = Found("save with clock data", 0, file.size() - kClockDataSize);
    found.remark =
        "The last 16 bytes of the file are an emulator's clock data, not save data; "
        "they are left out.";
    return found;
}

ExportRoom GbaClockDataExportRoom(ByteSpan file) {
    return RoomOf(ReadGbaClockData(file));
}

}  // namespace slotkit::formats
