// The remembered GBA save types: the cache file's lines, and the cache on the disk beside the
// ROMs it speaks of.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stop_token>
#include <vector>

#include "games/card_games.h"
#include "games/rom_save_size.h"
#include "games/rom_save_type.h"
#include "games/save_type_cache.h"
#include "platform/files.h"
#include "platform/user_places.h"
#include "rom_images.h"
#include "temp_card.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;
using games::GbaSaveKind;

constexpr std::string_view kGood =
    "4194304 2024-05-01T12:34:56 0123456789abcdef flash128k 1048576 c FLASH1M_V103";

TEST(SaveTypeCache, ReadsGoodLinesAndPassesByJunk) {
    struct Case {
        std::string line;
        std::optional<GbaSaveKind> kind;  // nothing: the line is junk
    };
    // A NUL byte inside a line.
    constexpr char kWithNul[] = "16 2024-05-01T12:34:56 000000000000\0000 none 0 -";
    const Case cases[] = {
        {std::string(kGood), GbaSaveKind::Flash128K},
        {std::string(kGood) + "\r", GbaSaveKind::Flash128K},
        {"16 2024-05-01T12:34:56 0000000000000000 none 0 -", GbaSaveKind::None},
        {"16 2024-05-01T12:34:56 0000000000000000 eeprom 64 - EEPROM_V124", GbaSaveKind::Eeprom},
        {"16 2024-05-01T12:34:56 0000000000000000 sram 64 x SRAM_V113", GbaSaveKind::Sram},
        {"16  2024-05-01T12:34:56  0000000000000000 flash64k 8 cx FLASH_V126",
         GbaSaveKind::Flash64K},
        {"", std::nullopt},
        {"# 16 2024-05-01T12:34:56 0000000000000000 none 0 -", std::nullopt},
        {"garbage", std::nullopt},
        {"-16 2024-05-01T12:34:56 0000000000000000 none 0 -", std::nullopt},
        {"99999999999999999999999 2024-05-01T12:34:56 0000000000000000 none 0 -", std::nullopt},
        {"16 2024-05-01 12:34:56 0000000000000000 none 0 -", std::nullopt},
        {"16 2024-05-01T12:34:5x 0000000000000000 none 0 -", std::nullopt},
        {"16 2024-05-01T12:34:56 0123456789ABCDEF none 0 -", std::nullopt},
        {"16 2024-05-01T12:34:56 0123456789abcde none 0 -", std::nullopt},
        {"16 2024-05-01T12:34:56 0000000000000000 flash 0 - FLASH_V1", std::nullopt},
        {"16 2024-05-01T12:34:56 0000000000000000 none 0 - SRAM_V1", std::nullopt},
        {"16 2024-05-01T12:34:56 0000000000000000 sram 0 -", std::nullopt},
        {"16 2024-05-01T12:34:56 0000000000000000 sram 0 q SRAM_V1", std::nullopt},
        {"16 2024-05-01T12:34:56 0000000000000000 sram 0 - sram_v1", std::nullopt},
        {"16 2024-05-01T12:34:56 0000000000000000 sram 0 - SRAM_V1234567890123", std::nullopt},
        {"16 2024-05-01T12:34:56 0000000000000000 sram 0 - SRAM_V1 more", std::nullopt},
        {std::string(kGood.substr(0, kGood.size() - 20)), std::nullopt},
        {std::string(kWithNul, sizeof kWithNul - 1), std::nullopt},
    };
    for (const Case& c : cases) {
        const auto entries = games::ParseSaveTypeCache(c.line);
        ASSERT_EQ(entries.size(), c.kind ? 1u : 0u) << c.line;
        if (c.kind) {
            EXPECT_EQ(entries[0].type.kind, *c.kind) << c.line;
        }
    }
}

TEST(SaveTypeCache, ALineGivesTheWholeTypeAndSurvivesARoundTrip) {
    const auto entries = games::ParseSaveTypeCache("# comment\n" + std::string(kGood) + "\njunk\n");
    ASSERT_EQ(entries.size(), 1u);
    const games::RememberedSaveType& entry = entries[0];
    EXPECT_EQ(entry.rom, (games::RomStamp{4194304, "2024-05-01T12:34:56", 0x0123456789abcdefull}));
    EXPECT_EQ(entry.type.size, 131072u);
    EXPECT_EQ(entry.type.offset, 1048576u);
    EXPECT_EQ(entry.type.libraryId, "FLASH1M_V103");
    EXPECT_TRUE(entry.type.hasClock);
    EXPECT_FALSE(entry.type.conflicting);

    const std::string text = FormatSaveTypeCache(entries);
    EXPECT_EQ(text.substr(0, 1), "#");
    EXPECT_NE(text.find(std::string(kGood) + "\n"), std::string::npos) << text;
    const auto again = games::ParseSaveTypeCache(text);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].rom, entry.rom);
    EXPECT_EQ(again[0].type.libraryId, entry.type.libraryId);
    // A ROM named twice keeps its later line.
    const auto twice = games::ParseSaveTypeCache(
        std::string(kGood) + "\n" + "4194304 2024-05-01T12:34:56 0123456789abcdef none 0 -");
    ASSERT_EQ(twice.size(), 1u);
    EXPECT_EQ(twice[0].type.kind, GbaSaveKind::None);
}

TEST(SaveTypeCache, StampsTellRomsApartAndTheCacheStaysBounded) {
    const Bytes header = roms::GbaHeaderBytes("GAME", "AGME", "01");
    Bytes other = header;
    other[0xA0] = 'X';
    const games::RomStamp stamp = games::MakeRomStamp(1 << 20, 2024, 5, 1, 12, 34, 56, header);
    EXPECT_EQ(stamp.lastWrite, "2024-05-01T12:34:56");
    EXPECT_EQ(stamp, games::MakeRomStamp(1 << 20, 2024, 5, 1, 12, 34, 56, header));
    EXPECT_NE(stamp, games::MakeRomStamp(1 << 20, 2024, 5, 1, 12, 34, 57, header));
    EXPECT_NE(stamp, games::MakeRomStamp(2 << 20, 2024, 5, 1, 12, 34, 56, header));
    EXPECT_NE(stamp, games::MakeRomStamp(1 << 20, 2024, 5, 1, 12, 34, 56, other));
    // Bytes past the header do not count.
    Bytes longer = header;
    longer.resize(0x200, 0x55);
    EXPECT_EQ(stamp, games::MakeRomStamp(1 << 20, 2024, 5, 1, 12, 34, 56, longer));

    std::vector<games::RememberedSaveType> entries;
    for (std::uint64_t i = 0; i < games::kSaveTypeCacheEntries + 10; ++i) {
        Remember(entries, {{i, stamp.lastWrite, 0}, {}});
    }
    ASSERT_EQ(entries.size(), games::kSaveTypeCacheEntries);
    EXPECT_EQ(entries.front().rom.size, 10u);  // the oldest went
    Remember(entries, {{10, stamp.lastWrite, 0}, {GbaSaveKind::Sram, 32768, "SRAM_V1"}});
    EXPECT_EQ(entries.size(), games::kSaveTypeCacheEntries);
    EXPECT_EQ(FindRemembered(entries, {10, stamp.lastWrite, 0})->kind, GbaSaveKind::Sram);
    EXPECT_FALSE(FindRemembered(entries, {5, stamp.lastWrite, 0}));
}

// The cache on the disk, in a folder of the test's own.
class RememberedTypeTest : public ::testing::Test {
  protected:
    TempCard card;
    fs::path cacheHome = card.Dir() / "cache-home";
    std::string saved;

    void SetUp() override {
#ifdef _WIN32
        const char* variable = "LOCALAPPDATA";
        fs::create_directories(cacheHome);  // Windows always has this folder
#else
        const char* variable = "XDG_CACHE_HOME";
#endif
        const char* before = std::getenv(variable);
        saved = before ? before : "";
        SetCacheHome(cacheHome.string());
    }
    void TearDown() override {
        SetCacheHome(saved);
    }
    static void SetCacheHome(const std::string& value) {
#ifdef _WIN32
        ::_putenv_s("LOCALAPPDATA", value.c_str());
#else
        ::setenv("XDG_CACHE_HOME", value.c_str(), 1);
#endif
    }
    fs::path CacheFile() const {
        std::string folder;
        EXPECT_FALSE(platform::UserCacheFolder(folder));
        return fs::path(folder) / games::kSaveTypeCacheFileName;
    }
    // A GBA ROM with its header and, at `idAt`, a save library's ID.
    fs::path WriteRom(const std::string& name, std::string_view id, std::size_t idAt = 0x4000,
                      std::string_view title = "GAME") {
        Bytes rom = roms::GbaHeaderBytes(title, "AGME", "01");
        rom.resize(idAt + 0x100, 0xFF);
        roms::Put(rom, idAt, id);
        const fs::path path = card.Dir() / name;
        WriteFile(path, rom);
        return path;
    }
};

TEST_F(RememberedTypeTest, ReadOnceThenRememberedUntilTheRomChanges) {
    const fs::path rom = WriteRom("GAME.GBA", "FLASH1M_V103");
    EXPECT_FALSE(games::RememberedGbaSaveType(rom.string()));
    const auto type = games::GbaSaveTypeOfRom(rom.string());
    ASSERT_TRUE(type);
    EXPECT_EQ(type->kind, GbaSaveKind::Flash128K);
    ASSERT_TRUE(fs::exists(CacheFile()));  // the folders on the way were made
    const auto remembered = games::RememberedGbaSaveType(rom.string());
    ASSERT_TRUE(remembered);
    EXPECT_EQ(remembered->libraryId, "FLASH1M_V103");
    EXPECT_EQ(remembered->offset, 0x4000u);

    // The listing knows it too, from the header it reads anyway.
    const std::string romName = "CARD.GBA";
    fs::create_directories(card.Dir() / "card");
    fs::copy_file(rom, card.Dir() / "card" / romName);
    fs::last_write_time(card.Dir() / "card" / romName, fs::last_write_time(rom));
    const games::CardGames games =
        games::FindCardGames((card.Dir() / "card").string() + "/", slots::EditMode::Gba);
    ASSERT_EQ(games.roms.size(), 1u);
    ASSERT_TRUE(games.roms[0].saveType);
    EXPECT_EQ(games.roms[0].saveType->kind, GbaSaveKind::Flash128K);

    // A ROM replaced by another (here in the same second, of the same size) is read again.
    WriteRom("GAME.GBA", "SRAM_V113", 0x4000, "GAMF");
    EXPECT_FALSE(games::RememberedGbaSaveType(rom.string()));
    EXPECT_EQ(games::GbaSaveTypeOfRom(rom.string())->kind, GbaSaveKind::Sram);
    const Bytes cache = ReadFile(CacheFile());
    EXPECT_EQ(games::ParseSaveTypeCache(std::string(cache.begin(), cache.end())).size(), 2u);
}

TEST_F(RememberedTypeTest, JunkOrAnUnwritableCacheIsPassedBy) {
    const fs::path rom = WriteRom("GAME.GBA", "EEPROM_V124");
    fs::create_directories(CacheFile().parent_path());
    const std::string junk = "junk\n\x01\x02\xff\n" + std::string(300, 'x') + "\n";
    WriteFile(CacheFile(), Bytes(junk.begin(), junk.end()));
    ASSERT_TRUE(games::GbaSaveTypeOfRom(rom.string()));
    EXPECT_EQ(games::RememberedGbaSaveType(rom.string())->kind, GbaSaveKind::Eeprom);
    // EEPROM's size comes from the save: data past 512 bytes makes it 8 KiB.
    Bytes save(8192, 0xFF);
    EXPECT_EQ(games::GbaSaveSizeOfRom(rom.string(), save), 512u);
    save[600] = 1;
    EXPECT_EQ(games::GbaSaveSizeOfRom(rom.string(), save), 8192u);

    // A file where the cache folder would be: the type is still read, never remembered.
    fs::remove_all(cacheHome);
    WriteFile(cacheHome, Bytes{1});
    const fs::path other = WriteRom("OTHER.GBA", "SRAM_F_V100");
    EXPECT_EQ(games::GbaSaveTypeOfRom(other.string())->kind, GbaSaveKind::Sram);
    EXPECT_FALSE(games::RememberedGbaSaveType(other.string()));
}

TEST_F(RememberedTypeTest, UnreadableRomsHaveNoType) {
    const fs::path folder = card.Dir() / "FOLDER.GBA";
    fs::create_directories(folder);
    EXPECT_FALSE(games::GbaSaveTypeOfRom(folder.string()));
    EXPECT_FALSE(games::RememberedGbaSaveType(folder.string()));
    EXPECT_FALSE(games::GbaSaveTypeOfRom((card.Dir() / "MISSING.GBA").string()));
    EXPECT_FALSE(games::GbaSaveSizeOfRom((card.Dir() / "MISSING.GBA").string(), {}));
    // A cut header is still a ROM: nothing in it names a save.
    WriteFile(card.Dir() / "CUT.GBA", Bytes(0x20, 0));
    const auto cut = games::GbaSaveTypeOfRom((card.Dir() / "CUT.GBA").string());
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->kind, GbaSaveKind::None);
    EXPECT_EQ(GbaSaveTypeText(*cut), "no save");
    const auto remembered = games::RememberedGbaSaveType((card.Dir() / "CUT.GBA").string());
    ASSERT_TRUE(remembered);
    EXPECT_EQ(remembered->kind, GbaSaveKind::None);
}

TEST_F(RememberedTypeTest, AStopBetweenPiecesKeepsTheTypesReadBeforeIt) {
    // Two ROMs of more than one piece: the stop comes while the second's second piece is read.
    const fs::path first = WriteRom("FIRST.GBA", "FLASH1M_V103", games::kRomReadPiece + 0x100);
    const fs::path second = WriteRom("SECOND.GBA", "SRAM_V113", 2 * games::kRomReadPiece + 0x100);
    const std::string paths[] = {first.string(), second.string()};
    std::stop_source stop;
    std::vector<std::uint64_t> secondPieces;
    std::vector<games::SaveTypeProgress> told;
    std::vector<std::size_t> found;
    games::SaveTypeReading reading;
    reading.readPiece = [&](const std::string& path, std::uint64_t at, std::size_t count,
                            std::vector<std::uint8_t>& out, std::stop_token) {
        if (path == second.string()) {
            secondPieces.push_back(at);
            if (at == games::kRomReadPiece) {
                stop.request_stop();
            }
        }
        return platform::ReadAt(path, at, count, out);
    };
    reading.progress = [&](const games::SaveTypeProgress& progress) { told.push_back(progress); };
    reading.found = [&](std::size_t rom, const games::GbaSaveType&) { found.push_back(rom); };
    const auto types = ReadGbaSaveTypes(paths, reading, stop.get_token());

    ASSERT_TRUE(types[0]);
    EXPECT_EQ(types[0]->kind, GbaSaveKind::Flash128K);
    EXPECT_FALSE(types[1]);
    EXPECT_EQ(found, std::vector<std::size_t>{0});
    // The piece being read when the stop came is the last one read.
    EXPECT_EQ(secondPieces, (std::vector<std::uint64_t>{0, games::kRomReadPiece}));
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.front().bytesToRead, fs::file_size(first) + fs::file_size(second));
    EXPECT_EQ(told.back().romsDone, 1u);
    EXPECT_EQ(told.back().bytesRead, fs::file_size(first) + games::kRomReadPiece);
    // The first is remembered; the second is read whole next time.
    EXPECT_EQ(games::RememberedGbaSaveType(first.string())->kind, GbaSaveKind::Flash128K);
    EXPECT_FALSE(games::RememberedGbaSaveType(second.string()));
    const auto again = games::ReadGbaSaveTypes(paths, {});
    ASSERT_TRUE(again[1]);
    EXPECT_EQ(again[1]->kind, GbaSaveKind::Sram);
    EXPECT_EQ(games::RememberedGbaSaveType(second.string())->kind, GbaSaveKind::Sram);
}

}  // namespace
}  // namespace slotkit::test
