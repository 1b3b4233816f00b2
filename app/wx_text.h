// Conversions between the program's UTF-8 text and wxString.
#pragma once

#include <wx/string.h>

#include <string>
#include <string_view>

namespace slotkit::app {

// Shows any bytes: odd ones become U+FFFD, line breaks stay.
wxString ToWx(std::string_view text);
std::string FromWx(const wxString& text);

}  // namespace slotkit::app
