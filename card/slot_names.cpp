#include "card/slot_names.h"

#include <algorithm>
#include <cctype>

#include "card/display_text.h"
#include "platform/platform.h"

namespace slotkit {

std::string WithDatExtension(std::string_view name) {
    std::string result(name);
    if (result.find('.') == std::string::npos) {
        result += ".DAT";
    }
    return result;
}

bool HasDatExtension(std::string_view name) {
    constexpr std::string_view kExtension = ".DAT";
    if (name.size() < kExtension.size()) {
        return false;
    }
    auto tail = name.substr(name.size() - kExtension.size());
    return std::equal(tail.begin(), tail.end(), kExtension.begin(), [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) == b;
    });
}

namespace {

bool IsForbiddenByte(unsigned char c) {
    constexpr std::string_view kForbidden = "/\\<>:\"|?*";
    return c < 0x20 || c == 0x7F || kForbidden.find(static_cast<char>(c)) != std::string::npos;
}

}  // namespace

std::optional<std::string> RefuseFileName(std::string_view folder, std::string_view fileName) {
    const bool plain = !fileName.empty() && fileName != "." && fileName != ".." &&
                       std::none_of(fileName.begin(), fileName.end(), [](char c) {
                           return IsForbiddenByte(static_cast<unsigned char>(c));
                       });
    if (!plain) {
        return "This name can't be used for a DAT file:\n" + DisplayText(fileName) +
               "\n\nA name can't contain \\ / : * ? \" < > | or control characters.";
    }
    if (platform::JoinPath(folder, fileName).size() > kMaxPathBytes) {
        return "This name is too long. The path of a DAT file must be shorter than 260 "
               "characters.";
    }
    return std::nullopt;
}

}  // namespace slotkit
