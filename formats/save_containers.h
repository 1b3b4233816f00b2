// The containers today's emulators and devices wrap a save in, read from the file's bytes.
// Each reader is a pure function over a file in memory: it finds its signature or says that it
// is not there, and a size written in a file is checked against the file's length (and against
// the decoder's buffer) before anything is allocated for it.
//
//   no$gba .sav         "NocashGbaBackupMediaSavDataFile" 0x1A, "SRAM" at 0x40, method at 0x44:
//                       0 stored (size at 0x48, save from 0x4C), 1 compressed (packed size at
//                       0x48, unpacked size at 0x4C, coded data from 0x50)
//   DeSmuME .dsv/.sav   the save, then a 122-byte footer ending in "|-DESMUME SAVE-|"
//   clock data (.sav)   a GBA save of a standard size followed by 16 bytes of clock data
//   Action Replay       "ARDS000000000001" and 500 header bytes, or a 164-byte header
//   savestate (.dst)    "DeSmuME SState" 0x00 at 0: not a save at all
//   SharkPort .sps      a text header, a 0x1C-byte ROM header, the save and a checksum
//   GameShark SP .gsv   "ADVSAVEG", the save from 0x430
//
// All numbers in these files are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "formats/foreign_save.h"

namespace slotkit {

using ByteSpan = std::span<const std::uint8_t>;

// What a file's bytes say about where its save is.
struct FoundSave {
    enum class Outcome {
        Raw,      // no signature: the file is read as its kind has always been read
        Found,    // a container was recognised; the save is below
        Refused,  // the file cannot be imported; `refusal` says why
    };
    Outcome outcome = Outcome::Raw;
    std::size_t offset = 0;  // the save: `length` bytes of the file from `offset`...
    std::size_t length = 0;
    std::optional<std::vector<std::uint8_t>> owned;  // ...or these bytes, when decoded or reordered
    std::string what;                                // "no$gba save, compressed"
    std::string game;  // the game the header names; empty when it names none
    // The same in parts, to compare with a ROM: a title and a code as a ROM header holds them
    // (the code empty where the file keeps none), or a name the user typed (`gameFreeText`).
    std::string gameTitle;
    std::string gameCode;
    bool gameFreeText = false;
    std::string remark;   // something the user should know, such as a checksum that differs
    std::string refusal;  // the reason, for Refused

    ByteSpan Save(ByteSpan file) const {
        return owned ? ByteSpan(*owned) : file.subspan(offset, length);
    }
};

// Where an export writes into an existing file of a recognised container.
struct ExportRoom {
    FoundSave::Outcome outcome = FoundSave::Outcome::Raw;
    std::size_t offset = 0;  // the save's bytes in the file, which the export replaces
    std::size_t length = 0;
    std::string what;     // "DeSmuME save"
    std::string refusal;  // for Refused
};

// The no$gba decoder's output never grows past this; a header naming more is refused.
inline constexpr std::size_t kNocashCapacity = 0x100000;
// The DeSmuME footer and its last 16 bytes.
inline constexpr std::size_t kDesmumeFooterSize = 122;
// The newer Action Replay header.
inline constexpr std::size_t kShortArHeaderSize = 0xA4;

// The individual readers; each gives Raw when its signature is not there.
FoundSave ReadNocash(ByteSpan file);
FoundSave ReadDesmume(ByteSpan file);
FoundSave ReadGbaClockData(ByteSpan file);
FoundSave ReadActionReplay(ByteSpan file);
FoundSave ReadSavestate(ByteSpan file);
FoundSave ReadSharkPort(ByteSpan file);
FoundSave ReadGameSharkSp(ByteSpan file);

// Decodes no$gba's run-length coding: control byte c, 0 ends; 1-0x7F: c plain bytes;
// 0x81-0xFF: the next byte c - 0x80 times; 0x80: the next byte repeated by the u16 after it.
// The data must decode to exactly `unpacked` bytes (at most kNocashCapacity); otherwise the
// reason is given in `error` and nothing is returned.
std::optional<std::vector<std::uint8_t>> DecodeNocash(ByteSpan coded, std::size_t unpacked,
                                                      std::string& error);

// The save inside a file of kind `type`: the signatures that kind may carry, in order. A .dsv,
// .sps, .xps or .gsv file without its signature is refused; other kinds without one are Raw.
FoundSave ReadForeignSave(ForeignSaveType type, ByteSpan file);

// Where the save data of an existing file of kind `type` lies, for an export into it.
ExportRoom FindExportRoom(ForeignSaveType type, ByteSpan file);

// A DeSmuME footer for a save of `size` bytes: one of the sizes of NewFileSizes, or a flash or
// NAND size of a DS game card from 512 KiB to 64 MiB.
std::vector<std::uint8_t> DesmumeFooter(std::uint32_t size);

// The save sizes a new file may have in `mode`, smallest first.
std::span<const std::uint64_t> NewFileSizes(EditMode mode);

// The smallest size of NewFileSizes(mode) that holds every byte of `region` up to its last
// byte that differs from the region's final byte, when that final byte is 0x00 or 0xFF
// (otherwise the whole region).
std::uint64_t SuggestedSize(EditMode mode, ByteSpan region);
// How many bytes of `region` from `size` on differ from its padding: the region's final byte
// when that is 0x00 or 0xFF, or else every byte counts. A save cut to `size` loses these.
std::size_t DataBytesPast(ByteSpan region, std::size_t size);

// Reverses the bytes of every 8-byte word: EEPROM saves are stored as big-endian words.
void ReverseEepromWords(std::vector<std::uint8_t>& save);

}  // namespace slotkit
