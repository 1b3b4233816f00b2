#include "app/wx_text.h"

#include "base/display_text.h"

namespace slotkit::app {

wxString ToWx(std::string_view text) {
    std::string safe;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        safe += base::DisplayText(text.substr(start, end - start));
        if (end == std::string_view::npos) {
            break;
        }
        safe += '\n';
        start = end + 1;
    }
    return wxString::FromUTF8(safe.data(), safe.size());
}

std::string FromWx(const wxString& text) {
    return text.utf8_string();
}

}  // namespace slotkit::app
