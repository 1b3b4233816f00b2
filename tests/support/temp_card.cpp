#include "temp_card.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>

#include "slots/card_paths.h"

namespace slotkit::test {

namespace fs = std::filesystem;

TempCard::TempCard() {
    // A fresh folder with a random name; create_directory fails on a name already taken.
    static std::mt19937_64 random{
        std::random_device{}() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100 && dir_.empty(); ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "slotkit-test-%012llx",
                      static_cast<unsigned long long>(random() & 0xffffffffffffULL));
        if (fs::create_directory(base / name)) {
            dir_ = base / name;
        }
    }
    if (dir_.empty()) {
        throw std::runtime_error("cannot create a temporary folder in " + base.string());
    }
    fs::create_directories(dir_ / "card");
}

TempCard::~TempCard() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
}

std::string TempCard::Root() const {
    return slots::AsCardRoot((dir_ / "card").string());
}

fs::path TempCard::SaveFolder(slots::EditMode mode) const {
    return dir_ / "card" / std::string(SaveFolderName(mode));
}

fs::path TempCard::SlotFile(slots::EditMode mode, const std::string& name) const {
    return SaveFolder(mode) / name;
}

fs::path TempCard::PcFolder() const {
    fs::create_directories(dir_ / "pc");
    return dir_ / "pc";
}

void TempCard::MakeSaveFolder(slots::EditMode mode) const {
    fs::create_directories(SaveFolder(mode));
    PcFolder();
}

Bytes TempCard::WriteSlot(slots::EditMode mode, const std::string& name, std::uint64_t size,
                          const std::string& shortName) const {
    MakeSaveFolder(mode);
    Bytes bytes = PatternBytes(size, static_cast<std::uint32_t>(std::hash<std::string>{}(name)));
    const std::uint64_t offset = LayoutFor(mode).ShortNameOffset();
    for (std::size_t i = 0; i < shortName.size() && offset + i < size; ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>(shortName[i]);
    }
    WriteFile(SlotFile(mode, name), bytes);
    return bytes;
}

Bytes PatternBytes(std::size_t size, std::uint32_t seed) {
    Bytes bytes(size);
    std::uint32_t x = seed * 2654435761u + 12345u;
    for (auto& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x);
    }
    return bytes;
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ADD_FAILURE() << "cannot read " << path;
        return {};
    }
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::vector<std::string> FolderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace slotkit::test
