#include "formats/container_common.h"

#include <cstring>

namespace slotkit::formats {

bool HasAt(ByteSpan file, std::size_t at, std::string_view text) {
    return file.size() >= at && file.size() - at >= text.size() &&
           std::memcmp(file.data() + at, text.data(), text.size()) == 0;
}

std::string AsciiName(ByteSpan file, std::size_t at, std::size_t size) {
    std::string name;
    for (std::size_t i = at; i < at + size && i < file.size() && file[i] != 0; ++i) {
        const std::uint8_t c = file[i];
        name += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    const auto first = name.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

FoundSave Found(std::string what, std::size_t offset, std::size_t length) {
    FoundSave found;
    found.outcome = FoundSave::Outcome::Found;
    found.what = std::move(what);
    found.offset = offset;
    found.length = length;
    return found;
}

FoundSave Refused(std::string what, std::string why) {
    FoundSave found;
    found.outcome = FoundSave::Outcome::Refused;
    found.what = std::move(what);
    found.refusal = std::move(why);
    return found;
}

ExportRoom RoomOf(const FoundSave& found) {
    ExportRoom room;
    room.outcome = found.outcome;
    room.what = found.what;
    room.refusal = found.refusal;
    room.offset = found.offset;
    room.length = found.length;
    return room;
}

}  // namespace slotkit::formats
