// A card folder in a fresh temporary directory, removed again when the test ends.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "slots/slot_format.h"

namespace slotkit::test {

using Bytes = std::vector<std::uint8_t>;

class TempCard {
  public:
    TempCard();
    ~TempCard();
    TempCard(const TempCard&) = delete;
    TempCard& operator=(const TempCard&) = delete;

    // The card root with its trailing separator, as a command gets it.
    std::string Root() const;
    std::filesystem::path Dir() const { return dir_; }
    std::filesystem::path SaveFolder(slots::EditMode mode) const;
    std::filesystem::path SlotFile(slots::EditMode mode, const std::string& name) const;
    // A folder beside the card for files on the PC side.
    std::filesystem::path PcFolder() const;

    // Creates the save folder of a mode (and the PC folder).
    void MakeSaveFolder(slots::EditMode mode) const;
    // Writes a slot file of `size` bytes, filled with a pattern unique to `name`, with the
    // ROM short name field set to `shortName` (when it fits).
    Bytes WriteSlot(slots::EditMode mode, const std::string& name, std::uint64_t size,
                    const std::string& shortName = "GAME    NDS") const;

  private:
    std::filesystem::path dir_;
};

// A byte pattern that differs from file to file, so mixed-up content shows.
Bytes PatternBytes(std::size_t size, std::uint32_t seed);

Bytes ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const Bytes& bytes);

// The names of the files in a folder, sorted; hidden temporary files included.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);

}  // namespace slotkit::test
