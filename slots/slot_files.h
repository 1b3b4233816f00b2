// Which files in a mode's save folder are slots: those whose names end in ".DAT".
#pragma once

#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace slotkit::slots {

// True for a name that ends in ".DAT" in any letter case.
bool IsSlotFileName(std::string_view name);

// The slot files of `folder`, in the order the file system returns them; folders are never
// listed, whatever their names. A missing or unreadable folder gives no names; `error`, when
// given, then tells why a folder that exists could not be read.
std::vector<std::string> ListSlotFiles(const std::string& folder, std::error_code* error = nullptr);

}  // namespace slotkit::slots
