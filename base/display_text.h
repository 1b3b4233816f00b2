// Text from a slot or a file system may hold any byte; this makes it safe to show.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace slotkit::base {

// Valid UTF-8 passes unchanged; every byte that is not part of a valid sequence, and every
// control character, becomes U+FFFD, so the text around an odd byte is kept.
std::string DisplayText(std::string_view bytes);
// The same, added to the end of `out`.
void AppendDisplayText(std::string_view bytes, std::string& out);

// A count with its thousands grouped: "262,144".
std::string ByteCount(std::uint64_t count);

}  // namespace slotkit::base
