#include "formats/nocash.h"

#include <string_view>

#include "base/little_endian.h"

namespace slotkit::formats {

namespace {

constexpr std::string_view kMagic = "NocashGbaBackupMediaSavDataFile\x1A";
constexpr std::size_t kMediaAt = 0x40;
constexpr std::string_view kMediaSram = "SRAM";
constexpr std::size_t kMethodAt = 0x44;
constexpr std::uint32_t kMethodStored = 0;
constexpr std::uint32_t kMethodCoded = 1;
constexpr std::size_t kSizeAt = 0x48;        // stored: the save's size; coded: the data's
constexpr std::size_t kStoredDataAt = 0x4C;  // stored: the save
constexpr std::size_t kUnpackedAt = 0x4C;    // coded: the decoded save's size
constexpr std::size_t kCodedDataAt = 0x50;   // coded: the data

// The run-length codes.
constexpr std::uint8_t kEndCode = 0x00;
constexpr std::uint8_t kLongRunCode = 0x80;  // a byte, then its count as a u16
constexpr std::size_t kLongRunArguments = 3;

bool IsNocash(ByteSpan file) {
    return HasAt(file, 0, kMagic) && HasAt(file, kMediaAt, kMediaSram) &&
           file.size() >= kStoredDataAt;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> DecodeNocash(ByteSpan coded, std::size_t unpacked,
                                                      std::string& error) {
    if (unpacked > kNocashCapacity) {
        error = "its header names " + std::to_string(unpacked) +
                " bytes of save data, more than the " + std::to_string(kNocashCapacity) +
                " bytes any save can have";
        return std::nullopt;
    }
    std::vector<std::uint8_t> out;
    out.reserve(unpacked);
    const std::uint8_t* p = coded.data();
    const std::uint8_t* const end = p + coded.size();
    auto tooMuch = [&](std::size_t count) {
        if (count > unpacked - out.size()) {
            error = "its compressed data decodes to more than the " + std::to_string(unpacked) +
                    " bytes its header names";
            return true;
        }
        return false;
    };
    while (true) {
        if (p == end) {
            error = "its compressed data ends without its end mark";
            return std::nullopt;
        }
        const std::uint8_t c = *p++;
        if (c == kEndCode) {
            break;
        }
        if (c < kLongRunCode) {
            if (static_cast<std::size_t>(end - p) < c) {
                error = "its compressed data is cut short";
                return std::nullopt;
            }
            if (tooMuch(c)) {
                return std::nullopt;
            }
            out.insert(out.end(), p, p + c);
            p += c;
            continue;
        }
        std::size_t count = c - std::size_t{kLongRunCode};
        const std::size_t needed = c == kLongRunCode ? kLongRunArguments : 1;
        if (static_cast<std::size_t>(end - p) < needed) {
            error = "its compressed data is cut short";
            return std::nullopt;
        }
        const std::uint8_t value = *p;
        if (c == kLongRunCode) {
            count = base::ReadU16Le(p + 1);
        }
        p += needed;
        if (tooMuch(count)) {
            return std::nullopt;
        }
        out.insert(out.end(), count, value);
    }
    if (out.size() != unpacked) {
        error = "its compressed data decodes to " + std::to_string(out.size()) +
                " bytes, not the " + std::to_string(unpacked) + " its header names";
        return std::nullopt;
    }
    return out;
}

FoundSave ReadNocash(ByteSpan file) {
    if (!IsNocash(file)) {
        return {};
    }
    const std::uint32_t method = base::ReadU32Le(file, kMethodAt);
    const std::uint32_t size = base::ReadU32Le(file, kSizeAt);
    if (method == kMethodStored) {
        const std::string what = "no$gba save";
        if (size > file.size() - kStoredDataAt) {
            return Refused(what, "its header names " + std::to_string(size) +
                                     " bytes of save data, more than the file holds");
        }
        return Found(what, kStoredDataAt, size);
    }
    const std::string what = "no$gba save, compressed";
    if (method != kMethodCoded) {
        return Refused("no$gba save", "it is stored by a method (" + std::to_string(method) +
                                          ") this program does not know");
    }
    if (file.size() < kCodedDataAt) {
        return Refused(what, "the file ends inside its header");
    }
    if (size > file.size() - kCodedDataAt) {
        return Refused(what, "its header names " + std::to_string(size) +
                                 " bytes of compressed data, more than the file holds");
    }
    std::string error;
    auto decoded =
        DecodeNocash(file.subspan(kCodedDataAt, size), base::ReadU32Le(file, kUnpackedAt), error);
    if (!decoded) {
        return Refused(what, error);
    }
    FoundSave found = Found(what, 0, decoded->size());
    found.owned = std::move(decoded);
    return found;
}

ExportRoom NocashExportRoom(ByteSpan file) {
    if (!IsNocash(file)) {
        return {};
    }
    if (base::ReadU32Le(file, kMethodAt) != kMethodStored) {
        ExportRoom room;
        room.outcome = FoundSave::Outcome::Refused;
        room.what = "no$gba save, compressed";
        room.refusal =
            "this program does not write compressed no$gba saves; export "
            "into a no$gba save that is not compressed, or into a new "
            "file";
        return room;
    }
    return RoomOf(ReadNocash(file));
}

}  // namespace slotkit::formats
