#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/short_name_alias.h"
#include "platform/short_names.h"
#include "temp_card.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;
using platform::ShortNameFor;

TEST(ShortNameAlias, ValidShortNamesStayAsTheyAre) {
    for (const char* name :
         {"GAME.NDS", "game.nds", "ABCDEFGH.GBA", "noext", "A.B", "$~!#&(1).-_@"}) {
        EXPECT_TRUE(platform::IsValidShortName(name)) << name;
        EXPECT_EQ(ShortNameFor(name), name);
    }
}

TEST(ShortNameAlias, OtherNamesGetTheNumberedAlias) {
    const std::pair<const char*, const char*> table[] = {
        {"ABCDEFGHI.GBA", "ABCDEF~1.GBA"},  // name part too long
        {"game.long", "GAME~1.LON"},        // extension too long
        {"Pokemon Black Version.nds", "POKEMO~1.NDS"},
        {"My Game.nds", "MYGAME~1.NDS"},  // spaces dropped
        {"a b", "AB~1"},
        {" lead.nds", "LEAD~1.NDS"},
        {"game.n s", "GAME~1.NS"},
        {"a.b.c.nds", "ABC~1.NDS"},  // all dots but the last dropped
        {"a..b", "A~1.B"},
        {".hidden", "HIDDEN~1"},           // leading dots dropped
        {"GAME.", "GAME~1"},               // trailing dot
        {"x+y=z[1].gba", "X_Y_Z_~1.GBA"},  // characters not allowed in short names
        {"a,b;c.nds", "A_B_C~1.NDS"},
        {"ポケモン.nds", "____~1.NDS"},  // one '_' a non-ASCII character
        {"caf\xC3\xA9.gba", "CAF_~1.GBA"},
        {"game.\xC3\xA9xt", "GAME~1._XT"},
    };
    for (const auto& [name, alias] : table) {
        EXPECT_FALSE(platform::IsValidShortName(name)) << name;
        EXPECT_EQ(ShortNameFor(name), std::optional<std::string>(alias)) << name;
    }
}

TEST(ShortNameAlias, NamesWithoutAnyNameCharacterHaveNone) {
    for (const char* name : {"", "...", "   ", ". ."}) {
        EXPECT_EQ(ShortNameFor(name), std::nullopt) << name;
    }
    EXPECT_EQ(ShortNameFor("...nds"), "NDS~1");  // the dots lead, so "nds" is the name
}

#ifndef _WIN32  // the Linux service; Windows asks GetShortPathNameW
TEST(ShortPathName, ShortensTheFileNameAndKeepsTheFolders) {
    TempCard card;
    const fs::path folder = card.PcFolder() / "My Roms";
    fs::create_directories(folder);
    for (const char* name : {"Mario Kart DS.nds", "game.nds", "..."}) {
        std::ofstream(folder / name) << "rom";
    }
    EXPECT_EQ(platform::ShortPathName((folder / "Mario Kart DS.nds").string()),
              (folder / "MARIOK~1.NDS").string());
    EXPECT_EQ(platform::ShortPathName((folder / "game.nds").string()),
              (folder / "game.nds").string());
    EXPECT_EQ(platform::ShortPathName((folder / "...").string()), std::nullopt);
    EXPECT_EQ(platform::ShortPathName((folder / "missing.nds").string()), std::nullopt);
}

// Without a file system that keeps short names, two long names that shorten alike have no
// trustworthy alias: the disk gives one of them "~2", which the rules alone cannot tell.
TEST(ShortPathName, NoAliasWhenAnotherEntryWouldShortenAlike) {
    TempCard card;
    const fs::path folder = card.PcFolder() / "roms";
    fs::create_directories(folder);
    for (const char* name : {"Long Game Name.nds", "Long Game Other.nds", "Pokemon Black.nds",
                             "POKEMO~1.GBA", "Mario Kart DS.nds", "mariok~1.nds", "ab.nds"}) {
        std::ofstream(folder / name) << "rom";
    }
    for (const char* name : {"Long Game Name.nds", "Long Game Other.nds", "Mario Kart DS.nds"}) {
        EXPECT_EQ(platform::ShortPathName((folder / name).string()), std::nullopt) << name;
    }
    // Same first six characters but another extension, and a valid 8.3 name, stay as before.
    EXPECT_EQ(platform::ShortPathName((folder / "Pokemon Black.nds").string()),
              (folder / "POKEMO~1.NDS").string());
    EXPECT_EQ(platform::ShortPathName((folder / "ab.nds").string()), (folder / "ab.nds").string());
}

bool KernelKnowsFileSystem(const std::string& type) {
    std::ifstream list("/proc/filesystems");
    std::string line;
    while (std::getline(list, line)) {
        if (line.size() >= type.size() &&
            line.compare(line.size() - type.size(), type.size(), type) == 0) {
            return true;
        }
    }
    return false;
}

TEST(ShortPathName, TakesTheAliasAKernelFatFileSystemKeeps) {
    if (::geteuid() != 0 || !KernelKnowsFileSystem("vfat")) {
        GTEST_SKIP() << "needs root and the kernel's vfat driver";
    }
    TempCard card;
    const fs::path image = card.Dir() / "fat.img", mount = card.Dir() / "mnt";
    fs::create_directories(mount);
    const std::string make = "truncate -s 8M '" + image.string() + "' && mkfs.vfat -q '" +
                             image.string() + "' && mount -o loop -t vfat '" + image.string() +
                             "' '" + mount.string() + "'";
    if (std::system(make.c_str()) != 0) {
        GTEST_SKIP() << "cannot mount a FAT image here";
    }
    // Two names with the same first six characters: the second file's real alias is ~2, which
    // the rules alone would not give.
    std::ofstream(mount / "Long File One.nds") << "rom";
    std::ofstream(mount / "Long File Two.nds") << "rom";
    const auto first = platform::ShortPathName((mount / "Long File One.nds").string());
    const auto second = platform::ShortPathName((mount / "Long File Two.nds").string());
    std::system(("umount '" + mount.string() + "'").c_str());
    // The driver may show the alias in lower case; the command upper-cases it anyway.
    auto upper = [](const std::optional<std::string>& path) {
        std::string text = path.value_or("");
        for (char& c : text) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        return text;
    };
    EXPECT_EQ(upper(first).substr(mount.string().size()), "/LONGFI~1.NDS");
    EXPECT_EQ(upper(second).substr(mount.string().size()), "/LONGFI~2.NDS");
}
#endif

}  // namespace
}  // namespace slotkit::test
