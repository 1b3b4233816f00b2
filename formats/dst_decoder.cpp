#include "formats/dst_decoder.h"

#include <algorithm>
#include <cstring>

namespace slotkit::formats {

namespace {

// The output buffer; appends stop at its capacity.
class Output {
  public:
    explicit Output(DecodedDst& result) : result_(result) {}

    // Each returns false when not everything fitted; decoding then stops.
    bool Append(const std::uint8_t* bytes, std::size_t count) {
        const std::size_t n = Fitting(count);
        std::memcpy(result_.buffer.get() + result_.length, bytes, n);
        return Advance(n, count);
    }
    bool Fill(std::size_t count, std::uint8_t value) {
        const std::size_t n = Fitting(count);
        std::memset(result_.buffer.get() + result_.length, value, n);
        return Advance(n, count);
    }

  private:
    std::size_t Fitting(std::size_t count) const {
        return std::min(count, kDstCapacity - result_.length);
    }
    bool Advance(std::size_t written, std::size_t wanted) {
        result_.length += written;
        if (written < wanted) {
            result_.capacityReached = true;
            return false;
        }
        return true;
    }

    DecodedDst& result_;
};

// Finds the next byte that can begin an item other than a literal: the marker or 0x00. Literal
// stretches between them are copied whole. The last position found for each byte value is
// kept, so the data is scanned about once per value however many items it holds.
class ItemStartFinder {
  public:
    explicit ItemStartFinder(std::span<const std::uint8_t> data) : data_(data) {}

    std::size_t Next(std::size_t from, std::uint8_t marker) {
        if (nextZero_ < from || nextZero_ == kStale) {
            nextZero_ = Find(from, 0x00);
        }
        if (nextMarker_ < from || nextMarker_ == kStale) {
            nextMarker_ = Find(from, marker);
        }
        return std::min(nextZero_, nextMarker_);
    }
    void MarkerChanged() { nextMarker_ = kStale; }

  private:
    static constexpr std::size_t kStale = static_cast<std::size_t>(-1);

    std::size_t Find(std::size_t from, std::uint8_t value) const {
        const void* found = std::memchr(data_.data() + from, value, data_.size() - from);
        return found ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) -
                                                data_.data())
                     : data_.size();
    }

    std::span<const std::uint8_t> data_;
    std::size_t nextZero_ = kStale;
    std::size_t nextMarker_ = kStale;
};

void Decode(std::span<const std::uint8_t> file, Output& out) {
    const std::size_t size = file.size();
    std::size_t pos = kDstMarkerOffset;
    std::uint8_t marker = file[pos++];
    ItemStartFinder finder(file);

    while (pos < size) {
        const std::uint8_t c = file[pos];
        if (c != marker && c != 0x00) {
            // Literals: every byte up to the next marker or zero byte.
            const std::size_t itemStart = finder.Next(pos, marker);
            if (!out.Append(file.data() + pos, itemStart - pos)) {
                return;
            }
            pos = itemStart;
            continue;
        }
        ++pos;
        if (c == marker) {
            // A run; one whose count or value byte is missing gives nothing.
            if (size - pos < 2) {
                return;
            }
            const std::size_t count = std::size_t{file[pos]} + 1;
            const std::uint8_t value = file[pos + 1];
            pos += 2;
            if (!out.Fill(count, value)) {
                return;
            }
            continue;
        }

        // c is 0x00.
        if (pos == size || file[pos] != 0x00) {
            // A zero literal; the byte after it, if any, begins the next item.
            if (!out.Fill(1, 0x00)) {
                return;
            }
            continue;
        }
        ++pos;  // the second 0x00
        if (pos == size || file[pos] == 0x00) {
            return;  // the end item
        }
        // A block boundary: B and five more bytes, then the new marker.
        pos += 6;
        if (pos >= size) {
            return;
        }
        marker = file[pos++];
        finder.MarkerChanged();
    }
}

}  // namespace

DecodedDst DecodeDst(std::span<const std::uint8_t> file) {
    DecodedDst result;
    result.buffer = std::make_unique_for_overwrite<std::uint8_t[]>(kDstCapacity);
    // A file that ends before the marker byte decodes to nothing.
    if (file.size() > kDstMarkerOffset) {
        Output out(result);
        Decode(file, out);
    }
    return result;
}

}  // namespace slotkit::formats
