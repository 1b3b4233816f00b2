// A row of the slot list as the list and every message name it: "00" to "99".
#pragma once

#include <cstdio>
#include <string>

namespace slotkit::base {

inline std::string RowNumber(int row) {
    char number[16];
    std::snprintf(number, sizeof number, "%02d", row);
    return number;
}

}  // namespace slotkit::base
