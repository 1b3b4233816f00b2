// The save type of a GBA ROM, from the ID strings its save library leaves in the ROM, each at a
// word-aligned offset and followed by the library's version digits ("FLASH1M_V103"):
//
//   EEPROM_V              EEPROM, 512 bytes or 8 KiB (the ID does not say which)
//   SRAM_V, SRAM_F_V      32 KiB
//   FLASH_V, FLASH512_V   64 KiB
//   FLASH1M_V             128 KiB
//   none of them          no save
//   SIIRTC_V              the cartridge has a clock (not a save type of its own)
//
// The scan reads the whole ROM, so it takes the ROM in chunks of any size: the caller reads a
// large file piece by piece and feeds each piece in order.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "games/rom_bytes.h"

namespace slotkit::games {

enum class GbaSaveKind { None, Eeprom, Sram, Flash64K, Flash128K };

inline constexpr std::uint32_t kGbaEepromSmall = 512;
inline constexpr std::uint32_t kGbaEepromLarge = 8192;

struct GbaSaveType {
    GbaSaveKind kind = GbaSaveKind::None;
    // The save's size in bytes; 0 for no save and for EEPROM, whose size the ROM does not give
    // (kGbaEepromSmall or kGbaEepromLarge).
    std::uint32_t size = 0;
    // The ID that decided, with up to three version digits: "FLASH1M_V103". Empty for none.
    std::string libraryId;
    std::uint64_t offset = 0;  // where that ID is in the ROM
    // IDs of more than one save kind are in the ROM; the first in the ROM decides.
    bool conflicting = false;
    bool hasClock = false;
};

class GbaSaveTypeScanner {
  public:
    // The next piece of the ROM, right after the previous one.
    void Feed(ByteSpan chunk);
    // The result, once every piece has been fed.
    GbaSaveType Finish();

  private:
    // The longest ID and its version digits: an offset is decided once this many bytes from it
    // are known (or the ROM has ended).
    static constexpr std::size_t kWindow = 13;

    void TestAt(std::uint64_t offset, ByteSpan from);

    std::uint64_t fed_ = 0;  // bytes fed so far
    // The last bytes fed, whose offsets are not decided yet: at most kWindow - 1.
    std::array<std::uint8_t, kWindow - 1> tail_{};
    std::size_t tailSize_ = 0;
    bool found_ = false;
    GbaSaveType result_;
    unsigned kindsSeen_ = 0;  // one bit per GbaSaveKind
};

// The whole ROM at once.
GbaSaveType ScanGbaSaveType(ByteSpan rom);

}  // namespace slotkit::games
