#include "slots/slot_names.h"

#include <algorithm>
#include <cctype>

#include "base/ascii.h"
#include "base/display_text.h"
#include "platform/paths.h"

namespace slotkit::slots {

std::string WithDatExtension(std::string_view name) {
    std::string result(name);
    if (result.find('.') == std::string::npos) {
        result += ".DAT";
    }
    return result;
}

bool HasDatExtension(std::string_view name) {
    return base::EndsWithIgnoringAsciiCase(name, ".DAT");
}

namespace {

bool IsForbiddenByte(unsigned char c) {
    constexpr std::string_view kForbidden = "/\\<>:\"|?*";
    return c < 0x20 || c == 0x7F || kForbidden.find(static_cast<char>(c)) != std::string::npos;
}

}  // namespace

std::optional<std::string> RefuseFileName(std::string_view folder, std::string_view fileName) {
    const std::string shown = base::DisplayText(fileName);
    const bool plain = !fileName.empty() && fileName != "." && fileName != ".." &&
                       std::none_of(fileName.begin(), fileName.end(), [](char c) {
                           return IsForbiddenByte(static_cast<unsigned char>(c));
                       });
    if (!plain) {
        return "This name can't be used for a DAT file:\n" + shown +
               "\n\nA name can't contain \\ / : * ? \" < > | or control characters.";
    }
    // A file the listing and the cartridge do not show is a save the user loses sight of.
    if (fileName.back() == '.') {
        return "This name can't be used for a DAT file:\n" + shown +
               "\n\nA name can't end in a dot.";
    }
    if (!HasDatExtension(fileName)) {
        return "This name can't be used for a DAT file:\n" + shown +
               "\n\nThe name must end in \".DAT\" (a name without a dot gets it added); the card "
               "lists no other file.";
    }
    const std::string_view stem = fileName.substr(0, fileName.size() - 4);
    if (stem.find_first_not_of(' ') == std::string_view::npos) {
        return "This name can't be used for a DAT file:\n" + shown +
               "\n\nThe name is empty or only blanks.";
    }
    if (platform::JoinPath(folder, fileName).size() > kMaxPathBytes) {
        return "This name is too long. The path of a DAT file must be shorter than 260 "
               "characters.";
    }
    return std::nullopt;
}

}  // namespace slotkit::slots
