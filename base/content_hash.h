// The content hash of a save: 64-bit XXH64 (seed 0), which `xxhsum` also computes, so that a
// user can check a kept version or a sync record by hand.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace slotkit::base {

std::uint64_t ContentHash(std::span<const std::uint8_t> bytes);
// 16 lower-case hex digits.
std::string HashText(std::uint64_t hash);

}  // namespace slotkit::base
