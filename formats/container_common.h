// What every container reader gives back, and the small helpers they share. Each reader is a
// pure function over a file in memory: it finds its signature or says that it is not there,
// and a size written in a file is checked against the file's length (and against the decoder's
// buffer) before anything is allocated for it. All numbers in these files are little-endian
// (base/little_endian.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace slotkit::formats {

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

// A reader of one container; it gives Raw when its signature is not there.
using ContainerReader = FoundSave (*)(ByteSpan file);
// The room an export finds in one container; Raw when its signature is not there.
using ExportRoomFinder = ExportRoom (*)(ByteSpan file);

// Whether `text` is in `file` from byte `at` on.
bool HasAt(ByteSpan file, std::size_t at, std::string_view text);

// A game name from a header: printable ASCII up to the first NUL, blanks trimmed; any other
// byte shows as '?'.
std::string AsciiName(ByteSpan file, std::size_t at, std::size_t size);

FoundSave Found(std::string what, std::size_t offset, std::size_t length);
FoundSave Refused(std::string what, std::string why);

// The room of a save a reader found: an export replaces the same bytes an import reads.
ExportRoom RoomOf(const FoundSave& found);

}  // namespace slotkit::formats
