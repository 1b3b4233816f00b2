// The intent record of a slot that is rewritten in place on the card: kept in the history on the
// PC, flushed before the first byte goes to the card, and removed once the card's flush has
// returned. A record left behind (a pulled card, a stopped program) holds all it takes to finish
// the write. Plain functions over bytes; the disk is reached elsewhere (history/history_store.h).
//
// A record is a short text header, one "key: value" a line, then the slot's new bytes:
//
//   slotkit unfinished write 1
//   card: volume-1A2B-3C4D
//   mode: NDSSAVE
//   slot: POKEMON.DAT
//   size: 263168
//   old: 0123456789abcdef
//   new: fedcba9876543210
//   check: 89abcdef01234567
//   <263168 bytes>
//
// `old` and `new` are the content hashes (XXH64, as `xxhsum` prints them) of the slot before and
// after; `check` is the content hash of the header lines above it. A header that fails its check,
// bytes that are not `size` long or that do not hash to `new` make a damaged record.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace slotkit::history {

// The end of a record's file name: "POKEMON.DAT.intent".
inline constexpr std::string_view kIntentSuffix = ".intent";

// What a record says, apart from the new bytes themselves.
struct Intent {
    std::string card;          // the card's folder in the history (CardFolderName)
    std::string mode;          // the save folder on the card: "NDSSAVE" or "GAMESAVE"
    std::string slotFileName;  // the slot file in that folder
    std::uint64_t size = 0;    // the slot's length, old and new
    std::uint64_t oldHash = 0;
    std::uint64_t newHash = 0;
};

// The whole record: header and new bytes. The hash of `newBytes` and its size are taken from
// the bytes, whatever `intent` says.
std::vector<std::uint8_t> IntentRecord(const Intent& intent,
                                       std::span<const std::uint8_t> newBytes);

// A record read back: what it says and where its new bytes are in the record given.
struct ReadIntent {
    Intent intent;
    std::span<const std::uint8_t> newBytes;
};
// The record's contents, or nothing with `why` telling what is wrong with it.
std::optional<ReadIntent> ParseIntentRecord(std::span<const std::uint8_t> record, std::string& why);

// The file name of a slot's record in its mode's folder of the history.
std::string IntentFileName(std::string_view slotFileName);

}  // namespace slotkit::history
