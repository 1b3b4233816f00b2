// Numbers stored least significant byte first, as ROM headers and the save files of other devices
// and emulators keep them. The caller checks that the bytes are there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace slotkit::base {

inline std::uint16_t ReadU16Le(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

inline std::uint32_t ReadU32Le(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline std::uint64_t ReadU64Le(const std::uint8_t* p) {
    return static_cast<std::uint64_t>(ReadU32Le(p + 4)) << 32 | ReadU32Le(p);
}

inline std::uint16_t ReadU16Le(std::span<const std::uint8_t> bytes, std::size_t at) {
    return ReadU16Le(bytes.subspan(at, 2).data());
}

inline std::uint32_t ReadU32Le(std::span<const std::uint8_t> bytes, std::size_t at) {
    return ReadU32Le(bytes.subspan(at, 4).data());
}

inline void WriteU16Le(std::uint8_t* p, std::uint16_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void WriteU32Le(std::uint8_t* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

inline void WriteU16Le(std::span<std::uint8_t> bytes, std::size_t at, std::uint16_t value) {
    WriteU16Le(bytes.subspan(at, 2).data(), value);
}

inline void WriteU32Le(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value) {
    WriteU32Le(bytes.subspan(at, 4).data(), value);
}

}  // namespace slotkit::base
