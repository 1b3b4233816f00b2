// The history of slot versions kept on the PC: how its folders, files and index are named and
// written, and which versions go when it grows past its bounds. Plain functions over text and
// bytes; the disk is reached elsewhere (history/history_store.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/content_hash.h"

namespace slotkit::history {

// The bounds: versions per slot, and bytes of kept versions per history folder. The newest
// version of a slot is never removed to make room.
inline constexpr std::size_t kMaxVersionsPerSlot = 20;
inline constexpr std::uint64_t kMaxHistoryBytes = 256ull * 1024 * 1024;

// The name of the index file in each slot's folder.
inline constexpr const char* kIndexFileName = "index.txt";

// A UTC point in time, to the millisecond.
struct UtcTime {
    int year, month, day, hour, minute, second, millisecond;
};
// "2026-12-08 07:04:18.123 UTC": how the index writes a time.
std::string UtcText(const UtcTime& time);
std::optional<UtcTime> ParseUtcText(std::string_view text);

// One kept version of a slot, as one line of its index.
struct KeptVersion {
    int number = 0;       // 1, 2, ... in the order kept; never reused for a slot
    UtcTime kept{};       // when it was kept
    std::string command;  // the command that replaced it: "restore", "delete", ...
    std::uint64_t size = 0;
    std::string hash;   // HashText of the content
    std::string title;  // the ROM title the slot held
    std::string file;   // the copy's file name in the slot's folder
};

// The file name of a version: "2026-12-08_07-04-18.123Z_restore.DAT"; `attempt` > 0 adds
// "-2", "-3", ... for a name already taken.
std::string VersionFileName(const UtcTime& kept, std::string_view command, int attempt = 0);

// The index of one slot's folder: a comment header, then one version a line, oldest first,
// tab separated: number, time kept, command, size, hash, title, file.
std::string IndexText(std::string_view slotFileName, const std::vector<KeptVersion>& versions);
// The versions an index names, oldest first; lines that cannot be read are left out.
std::vector<KeptVersion> ParseIndex(std::string_view text);

// The folder name of a card: "volume-<ID>" when the system tells the volume's serial number or
// UUID, otherwise "folder-" and the card root's path made safe.
std::string CardFolderName(const std::optional<std::string>& volumeId, std::string_view cardRoot);
// Any text as one safe folder name on every system: letters, digits, '-', '_' and '.' stay,
// every other byte becomes "%XX", so two texts never give the same name. Long texts are cut and
// end with their hash.
std::string SafeFolderName(std::string_view text);

// True when two slot file names name one file on the card, whose FAT file system ignores the
// letter case of ASCII letters: a slot keeps one history whatever case its name is listed in.
bool SameSlotFile(std::string_view a, std::string_view b);

// All the versions of one slot, as its index lists them (oldest first).
struct SlotVersions {
    std::string slotFileName;
    std::vector<KeptVersion> versions;
};
struct Removal {
    std::size_t slot;     // index into the SlotVersions given
    std::size_t version;  // index into that slot's versions
};
// The versions to remove so that no slot keeps more than `maxPerSlot` and all together take at
// most `maxBytes`: a slot's oldest first, then the oldest of all; never a slot's newest.
std::vector<Removal> ChooseRemovals(const std::vector<SlotVersions>& slots,
                                    std::size_t maxPerSlot = kMaxVersionsPerSlot,
                                    std::uint64_t maxBytes = kMaxHistoryBytes);

}  // namespace slotkit::history
