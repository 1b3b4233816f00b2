#include "games/rom_names.h"

#include <algorithm>

#include "base/ascii.h"
#include "platform/paths.h"

namespace slotkit::games {

std::string_view FileNamePart(std::string_view path) {
    return path.substr(platform::FileNameStart(path));
}

std::string ShortNameText(std::string_view shortForm) {
    const std::string_view name = FileNamePart(shortForm);
    const auto dot = name.rfind('.');
    std::string text(name.substr(
        0, std::min<std::size_t>(dot == std::string_view::npos ? name.size() : dot, 8)));
    text.resize(8, ' ');
    if (dot != std::string_view::npos) {
        text += name.substr(dot + 1);
    }
    return base::AsciiUpper(text);
}

std::array<std::uint8_t, slots::kShortNameSize> ShortNameField(std::string_view shortNameText) {
    std::array<std::uint8_t, slots::kShortNameSize> field{};
    std::copy_n(shortNameText.begin(), std::min(shortNameText.size(), field.size()), field.begin());
    return field;
}

std::array<std::uint8_t, slots::kLongNameSize> LongNameField(std::string_view romPath) {
    const std::string_view name = FileNamePart(romPath);
    std::array<std::uint8_t, slots::kLongNameSize> field{};
    std::copy_n(name.begin(), std::min(name.size(), field.size()), field.begin());
    return field;
}

}  // namespace slotkit::games
