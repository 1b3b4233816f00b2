// A second .DST decoder, written byte by byte straight from the item rules in
// formats/dst_decoder.h. It is slow and has no buffer of its own to guard; the fuzz target and
// the tests check the real decoder against it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "formats/dst_decoder.h"

namespace slotkit::reference {

// What `file` decodes to; it stops once more than `limit` bytes are decoded.
inline std::vector<std::uint8_t> DecodeDst(std::span<const std::uint8_t> file,
                                           std::size_t limit = formats::kDstCapacity) {
    std::vector<std::uint8_t> out;
    std::size_t pos = formats::kDstMarkerOffset;
    auto read = [&]() -> std::optional<std::uint8_t> {
        if (pos >= file.size()) {
            return std::nullopt;
        }
        return file[pos++];
    };

    std::optional<std::uint8_t> marker = read();
    while (marker && out.size() <= limit) {
        const std::optional<std::uint8_t> c = read();
        if (!c) {
            break;
        }
        if (*c == *marker) {
            const std::optional<std::uint8_t> count = read();
            const std::optional<std::uint8_t> value = read();
            if (!count || !value) {
                break;
            }
            out.insert(out.end(), std::size_t{*count} + 1, *value);
        } else if (*c == 0x00) {
            if (pos >= file.size() || file[pos] != 0x00) {
                out.push_back(0x00);
                continue;
            }
            ++pos;
            const std::optional<std::uint8_t> d = read();
            if (!d || *d == 0x00) {
                break;
            }
            pos += 5;
            marker = read();
        } else {
            out.push_back(*c);
        }
    }
    return out;
}

// Empty when `decoded` is what `file` decodes to within the decoder's capacity; otherwise
// what is wrong with it.
inline std::string Mismatch(std::span<const std::uint8_t> file,
                            const formats::DecodedDst& decoded) {
    const std::vector<std::uint8_t> expected = DecodeDst(file);
    if (decoded.length > formats::kDstCapacity) {
        return "length beyond the capacity";
    }
    const bool overflows = expected.size() > formats::kDstCapacity;
    if (decoded.capacityReached != overflows) {
        return overflows ? "capacity reached but not reported" : "capacity reported wrongly";
    }
    const std::size_t expectedLength = overflows ? formats::kDstCapacity : expected.size();
    if (decoded.length != expectedLength) {
        return "length " + std::to_string(decoded.length) + " instead of " +
               std::to_string(expectedLength);
    }
    if (expectedLength > 0 && std::memcmp(decoded.buffer.get(), expected.data(), expectedLength)) {
        return "the decoded bytes differ";
    }
    return {};
}

}  // namespace slotkit::reference
