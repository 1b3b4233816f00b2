#include "slots/slot_files.h"

#include "base/ascii.h"
#include "platform/folders.h"

namespace slotkit::slots {

bool IsSlotFileName(std::string_view name) {
    return base::EndsWithIgnoringAsciiCase(name, ".DAT");
}

std::vector<std::string> ListSlotFiles(const std::string& folder, std::error_code* error) {
    return platform::ListFiles(folder, IsSlotFileName, error);
}

}  // namespace slotkit::slots
