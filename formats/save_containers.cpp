#include "formats/save_containers.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace slotkit {

namespace {

using Outcome = FoundSave::Outcome;

bool HasAt(ByteSpan file, std::size_t at, std::string_view text) {
    return file.size() >= at && file.size() - at >= text.size() &&
           std::memcmp(file.data() + at, text.data(), text.size()) == 0;
}

// The caller has checked that four bytes are there.
std::uint32_t U32At(ByteSpan file, std::size_t at) {
    return static_cast<std::uint32_t>(file[at]) | static_cast<std::uint32_t>(file[at + 1]) << 8 |
           static_cast<std::uint32_t>(file[at + 2]) << 16 |
           static_cast<std::uint32_t>(file[at + 3]) << 24;
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

// A game name from a header: printable ASCII up to the first NUL, blanks trimmed; any other
// byte shows as '?'.
std::string AsciiName(ByteSpan file, std::size_t at, std::size_t size) {
    std::string name;
    for (std::size_t i = at; i < at + size && i < file.size() && file[i] != 0; ++i) {
        const std::uint8_t c = file[i];
        name += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    const auto first = name.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

FoundSave Found(std::string what, std::size_t offset, std::size_t length) {
    FoundSave found;
    found.outcome = Outcome::Found;
    found.what = std::move(what);
    found.offset = offset;
    found.length = length;
    return found;
}

FoundSave Refused(std::string what, std::string why) {
    FoundSave found;
    found.outcome = Outcome::Refused;
    found.what = std::move(what);
    found.refusal = std::move(why);
    return found;
}

// ----- no$gba

constexpr std::string_view kNocashMagic = "NocashGbaBackupMediaSavDataFile\x1A";
constexpr std::size_t kNocashStoredData = 0x4C;
constexpr std::size_t kNocashCodedData = 0x50;

bool IsNocash(ByteSpan file) {
    return HasAt(file, 0, kNocashMagic) && HasAt(file, 0x40, "SRAM") &&
           file.size() >= kNocashStoredData;
}

// ----- DeSmuME

constexpr std::string_view kDesmumeEnd = "|-DESMUME SAVE-|";
constexpr std::string_view kDesmumeText =
    "|<--Snip above here to create a raw sav by excluding this DeSmuME savedata footer:";
static_assert(kDesmumeText.size() == 82);
static_assert(82 + 6 * 4 + kDesmumeEnd.size() == kDesmumeFooterSize);

// ----- GBA saves and their sizes

constexpr std::array<std::uint64_t, 6> kNdsSizes{512, 8192, 32768, 65536, 131072, 262144};
constexpr std::array<std::uint64_t, 5> kGbaSizes{512, 8192, 32768, 65536, 131072};
constexpr std::size_t kClockDataSize = 16;

bool IsEepromSize(std::size_t size) {
    return size == 512 || size == 8192;
}

// ----- Action Replay

constexpr std::string_view kArdsMagic = "ARDS000000000001";

// ----- SharkPort

constexpr std::string_view kSharkPortMagic = "SharkPortSave";
constexpr std::size_t kSharkPortHeader = 0x1C;

constexpr std::uint32_t SignedByte(std::uint8_t byte) {
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int8_t>(byte)));
}

// The checksum adds each byte shifted by the sum so far modulo 24, so every step waits for the
// one before it and a division by 24 in each would set the pace. The next shift follows from
// the current one, the byte and whether the 32-bit addition carried (2^32 is 16 modulo 24):
// (shift + (value << shift) % 24 + 8 * carried) % 24. A negative byte nearly always carries and
// a positive one nearly never does, so this table holds the next shift for that case, and the
// division is left for the rare step that goes the other way.
constexpr std::array<std::uint8_t, 256 * 24> kNextShift = [] {
    std::array<std::uint8_t, 256 * 24> next{};
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        for (std::uint32_t shift = 0; shift < 24; ++shift) {
            const std::uint32_t added = SignedByte(static_cast<std::uint8_t>(byte)) << shift;
            next[byte * 24 + shift] =
                static_cast<std::uint8_t>((shift + added % 24 + (byte >= 0x80 ? 8 : 0)) % 24);
        }
    }
    return next;
}();

std::uint32_t SharkPortChecksum(ByteSpan bytes) {
    std::uint32_t sum = 0;
    std::uint32_t shift = 0;  // sum % 24
    for (const std::uint8_t byte : bytes) {
        const std::uint32_t next = sum + (SignedByte(byte) << shift);
        if ((next < sum) == (byte >= 0x80)) [[likely]] {
            shift = kNextShift[byte * 24 + shift];
        } else {
            shift = next % 24;
        }
        sum = next;
    }
    return sum;
}

// ----- GameShark SP

constexpr std::size_t kGsvData = 0x430;

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
        if (c == 0) {
            break;
        }
        if (c < 0x80) {
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
        std::size_t count = c - 0x80u;
        const std::size_t needed = c == 0x80 ? 3 : 1;
        if (static_cast<std::size_t>(end - p) < needed) {
            error = "its compressed data is cut short";
            return std::nullopt;
        }
        const std::uint8_t value = *p;
        if (c == 0x80) {
            count = static_cast<std::size_t>(p[1]) | static_cast<std::size_t>(p[2]) << 8;
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
    const std::uint32_t method = U32At(file, 0x44);
    const std::uint32_t size = U32At(file, 0x48);
    if (method == 0) {
        const std::string what = "no$gba save";
        if (size > file.size() - kNocashStoredData) {
            return Refused(what, "its header names " + std::to_string(size) +
                                     " bytes of save data, more than the file holds");
        }
        return Found(what, kNocashStoredData, size);
    }
    const std::string what = "no$gba save, compressed";
    if (method != 1) {
        return Refused("no$gba save", "it is stored by a method (" + std::to_string(method) +
                                          ") this program does not know");
    }
    if (file.size() < kNocashCodedData) {
        return Refused(what, "the file ends inside its header");
    }
    if (size > file.size() - kNocashCodedData) {
        return Refused(what, "its header names " + std::to_string(size) +
                                 " bytes of compressed data, more than the file holds");
    }
    std::string error;
    auto decoded = DecodeNocash(file.subspan(kNocashCodedData, size), U32At(file, 0x4C), error);
    if (!decoded) {
        return Refused(what, error);
    }
    FoundSave found = Found(what, 0, decoded->size());
    found.owned = std::move(decoded);
    return found;
}

FoundSave ReadDesmume(ByteSpan file) {
    if (file.size() < kDesmumeFooterSize ||
        !HasAt(file, file.size() - kDesmumeEnd.size(), kDesmumeEnd)) {
        return {};
    }
    const std::string what = "DeSmuME save";
    const std::size_t fields = file.size() - kDesmumeFooterSize + kDesmumeText.size();
    const std::uint32_t padSize = U32At(file, fields + 4);
    const std::uint32_t version = U32At(file, fields + 20);
    if (version != 0) {
        return Refused(what, "its footer is of a version (" + std::to_string(version) +
                                 ") this program does not know");
    }
    if (padSize != file.size() - kDesmumeFooterSize) {
        return Refused(what, "its footer names " + std::to_string(padSize) +
                                 " bytes of save data, but the file holds " +
                                 std::to_string(file.size() - kDesmumeFooterSize));
    }
    return Found(what, 0, padSize);
}

FoundSave ReadGbaClockData(ByteSpan file) {
    if (file.size() < kClockDataSize ||
        std::find(kGbaSizes.begin(), kGbaSizes.end(), file.size() - kClockDataSize) ==
            kGbaSizes.end()) {
        return {};
    }
    FoundSave found = Found("save with clock data", 0, file.size() - kClockDataSize);
    found.remark =
        "The last 16 bytes of the file are an emulator's clock data, not save data; "
        "they are left out.";
    return found;
}

FoundSave ReadActionReplay(ByteSpan file) {
    if (HasAt(file, 0, kArdsMagic) && file.size() >= kForeignHeaderSize) {
        FoundSave found =
            Found("Action Replay save", kForeignHeaderSize, file.size() - kForeignHeaderSize);
        found.game = found.gameTitle = AsciiName(file, 0x158, 28);
        found.gameFreeText = true;
        return found;
    }
    if (file.size() >= kShortArHeaderSize && file[0] == 0 && file[1] == 0 && file[2] == 0 &&
        file[3] == 0 && file[0xA3] == 0xC0 &&
        std::size_t{file[0xA1]} * 0x100 + std::size_t{file[0xA2]} * 0x10000 ==
            file.size() - kShortArHeaderSize) {
        FoundSave found = Found("Action Replay save, 164-byte header", kShortArHeaderSize,
                                file.size() - kShortArHeaderSize);
        found.game = found.gameTitle = AsciiName(file, 0x04, 23);
        found.gameFreeText = true;
        return found;
    }
    return {};
}

FoundSave ReadSavestate(ByteSpan file) {
    using namespace std::string_view_literals;
    if (!HasAt(file, 0, "DeSmuME SState\0"sv)) {
        return {};
    }
    return Refused("file",
                   "it is a DeSmuME savestate, a snapshot of the whole emulator, not a save. "
                   "Export the save from the emulator (a .dsv or .sav file) and import that");
}

FoundSave ReadSharkPort(ByteSpan file) {
    if (!(file.size() >= 4 + kSharkPortMagic.size() && U32At(file, 0) == kSharkPortMagic.size() &&
          HasAt(file, 4, kSharkPortMagic))) {
        return {};
    }
    const std::string what = "SharkPort save";
    const FoundSave cut = Refused(what, "the file ends before the save data its header names");
    std::size_t at = 4 + kSharkPortMagic.size();
    if (file.size() - at < 4 || U32At(file, at) != 0x000F0000) {
        return Refused(what, "its header is not one this program knows");
    }
    at += 4;
    for (int text = 0; text < 3; ++text) {  // title, date, notes
        if (file.size() - at < 4) {
            return cut;
        }
        const std::uint32_t length = U32At(file, at);
        at += 4;
        if (length > file.size() - at) {
            return cut;
        }
        at += length;
    }
    if (file.size() - at < 4) {
        return cut;
    }
    const std::uint32_t block = U32At(file, at);  // the ROM header and the save
    at += 4;
    if (block < kSharkPortHeader) {
        return Refused(what, "its header names a save block too short for its own header");
    }
    if (block > file.size() - at || file.size() - at - block < 4) {
        return cut;
    }
    const std::size_t saveSize = block - kSharkPortHeader;
    FoundSave found = Found(what, at + kSharkPortHeader, saveSize);
    const std::string title = AsciiName(file, at, 12);
    const std::string code = AsciiName(file, at + 12, 4);
    found.game = code.empty() ? title : title.empty() ? code : title + " (" + code + ")";
    found.gameTitle = title;
    found.gameCode = code;
    if (SharkPortChecksum(file.subspan(at, block)) != U32At(file, at + block)) {
        found.remark =
            "The checksum of this file does not match its data: the file may be "
            "damaged.";
    }
    if (IsEepromSize(saveSize)) {
        found.owned.emplace(file.begin() + static_cast<std::ptrdiff_t>(found.offset),
                            file.begin() + static_cast<std::ptrdiff_t>(found.offset + saveSize));
        ReverseEepromWords(*found.owned);
    }
    return found;
}

FoundSave ReadGameSharkSp(ByteSpan file) {
    if (!HasAt(file, 0, "ADVSAVEG")) {
        return {};
    }
    const std::string what = "GameShark SP save";
    if (file.size() < kGsvData) {
        return Refused(what, "the file ends inside its header");
    }
    if (!HasAt(file, 0x42C, "xV4\x12")) {
        return Refused(what, "its header is not one this program knows");
    }
    const std::size_t available = file.size() - kGsvData;
    std::size_t saveSize = available;
    switch (U32At(file, 0x1C)) {
        case 2:
            saveSize = 32768;
            break;
        case 3:
            saveSize = 512;
            break;
        case 4:
            saveSize = 8192;
            break;
        case 5:
            saveSize = 65536;
            break;
        case 6:
            saveSize = 131072;
            break;
        default:
            break;
    }
    if (saveSize > available) {
        return Refused(what, "its header names " + std::to_string(saveSize) +
                                 " bytes of save data, more than the file holds");
    }
    FoundSave found = Found(what, kGsvData, saveSize);
    found.game = found.gameTitle = AsciiName(file, 0x0C, 12);
    if (IsEepromSize(saveSize)) {
        found.owned.emplace(file.begin() + static_cast<std::ptrdiff_t>(kGsvData),
                            file.begin() + static_cast<std::ptrdiff_t>(kGsvData + saveSize));
        ReverseEepromWords(*found.owned);
    }
    return found;
}

FoundSave ReadForeignSave(ForeignSaveType type, ByteSpan file) {
    // Each kind's signatures in order; the first that is there decides.
    auto first = [&](std::initializer_list<FoundSave (*)(ByteSpan)> readers) {
        for (auto* reader : readers) {
            FoundSave found = reader(file);
            if (found.outcome != Outcome::Raw) {
                return found;
            }
        }
        return FoundSave{};
    };
    switch (type) {
        case ForeignSaveType::NdsSav:
            return first({ReadNocash, ReadDesmume});
        case ForeignSaveType::GbaSav:
            return first({ReadNocash, ReadGbaClockData});
        case ForeignSaveType::Dss:
        case ForeignSaveType::Duc:
            return ReadActionReplay(file);
        case ForeignSaveType::Dst:
            return ReadSavestate(file);
        case ForeignSaveType::Dsv: {
            FoundSave found = ReadDesmume(file);
            if (found.outcome == Outcome::Raw) {
                return Refused("file", "it does not end with the footer of a DeSmuME save");
            }
            return found;
        }
        case ForeignSaveType::Sps:
        case ForeignSaveType::Xps: {
            FoundSave found = ReadSharkPort(file);
            if (found.outcome == Outcome::Raw) {
                return Refused("file", "it does not begin with the header of a SharkPort save");
            }
            return found;
        }
        case ForeignSaveType::Gsv: {
            FoundSave found = ReadGameSharkSp(file);
            if (found.outcome == Outcome::Raw) {
                return Refused("file", "it does not begin with the header of a GameShark SP save");
            }
            return found;
        }
        case ForeignSaveType::Unsupported:
            break;
    }
    return {};
}

ExportRoom FindExportRoom(ForeignSaveType type, ByteSpan file) {
    ExportRoom room;
    auto from = [&](const FoundSave& found) {
        room.outcome = found.outcome;
        room.what = found.what;
        room.refusal = found.refusal;
        room.offset = found.offset;
        room.length = found.length;
    };
    switch (type) {
        case ForeignSaveType::NdsSav:
        case ForeignSaveType::GbaSav:
            if (IsNocash(file)) {
                if (U32At(file, 0x44) != 0) {
                    room.outcome = Outcome::Refused;
                    room.what = "no$gba save, compressed";
                    room.refusal =
                        "this program does not write compressed no$gba saves; export "
                        "into a no$gba save that is not compressed, or into a new "
                        "file";
                    return room;
                }
                from(ReadNocash(file));
            } else if (type == ForeignSaveType::NdsSav) {
                from(ReadDesmume(file));
            } else {
                from(ReadGbaClockData(file));
            }
            return room;
        case ForeignSaveType::Dss:
        case ForeignSaveType::Duc:
            from(ReadActionReplay(file));
            return room;
        case ForeignSaveType::Dsv:
            from(ReadForeignSave(type, file));
            return room;
        default:
            return room;
    }
}

std::vector<std::uint8_t> DesmumeFooter(std::uint32_t size) {
    // DeSmuME's own numbers for its save types; flash (and NAND, which it keeps as flash) from
    // 256 KiB up to 64 MiB take the types 5 to 13, one for each doubling, with 3 address bytes.
    std::uint32_t kind = 0;
    std::uint32_t addressSize = 3;
    switch (size) {
        case 512:
            kind = 1;
            addressSize = 1;
            break;
        case 8192:
            kind = 2;
            addressSize = 2;
            break;
        case 65536:
            kind = 3;
            addressSize = 2;
            break;
        case 32768:
            kind = 4;
            addressSize = 2;
            break;
        default:  // 131,072 has no type of its own: DeSmuME finds it out from the game
            for (std::uint32_t flash = 262144, next = 5; flash <= 64u << 20; flash *= 2, ++next) {
                if (size == flash) {
                    kind = next;
                }
            }
            break;
    }
    std::vector<std::uint8_t> footer(kDesmumeText.begin(), kDesmumeText.end());
    for (const std::uint32_t field : {size, size, kind, addressSize, size, 0u}) {
        PutU32(footer, field);
    }
    footer.insert(footer.end(), kDesmumeEnd.begin(), kDesmumeEnd.end());
    return footer;
}

std::span<const std::uint64_t> NewFileSizes(EditMode mode) {
    if (mode == EditMode::Gba) {
        return kGbaSizes;
    }
    return kNdsSizes;
}

namespace {

// The byte the unused end of a save is filled with, when it is one.
std::optional<std::uint8_t> PaddingOf(ByteSpan region) {
    if (!region.empty() && (region.back() == 0x00 || region.back() == 0xFF)) {
        return region.back();
    }
    return std::nullopt;
}

}  // namespace

std::uint64_t SuggestedSize(EditMode mode, ByteSpan region) {
    std::size_t used = region.size();
    if (const auto fill = PaddingOf(region)) {
        while (used > 0 && region[used - 1] == *fill) {
            --used;
        }
    }
    const auto sizes = NewFileSizes(mode);
    for (const std::uint64_t size : sizes) {
        if (size >= used) {
            return size;
        }
    }
    return sizes.back();
}

std::size_t DataBytesPast(ByteSpan region, std::size_t size) {
    if (size >= region.size()) {
        return 0;
    }
    const auto fill = PaddingOf(region);
    const auto past = region.subspan(size);
    return fill ? static_cast<std::size_t>(std::count_if(
                      past.begin(), past.end(), [&](std::uint8_t b) { return b != *fill; }))
                : past.size();
}

void ReverseEepromWords(std::vector<std::uint8_t>& save) {
    for (std::size_t at = 0; at + 8 <= save.size(); at += 8) {
        std::reverse(save.begin() + static_cast<std::ptrdiff_t>(at),
                     save.begin() + static_cast<std::ptrdiff_t>(at + 8));
    }
}

}  // namespace slotkit
