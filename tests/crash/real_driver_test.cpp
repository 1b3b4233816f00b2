// The command line on Linux's own vfat driver, in the guest, on cards laid out with mtools: the
// listing follows the order of the save folder on the card and takes ".DAT" in any case, a
// rename never replaces another slot and keeps the bytes, and a change of target ROM writes the
// 8.3 name that the card's file system keeps for the ROM, "~2" aliases included.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "card_check.h"
#include "guest.h"
#include "guest_test.h"
#include "run_tool.h"
#include "scenarios.h"

namespace slotkit::crash {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kNewForm = 263168;
constexpr std::size_t kShortNameOffset = 0x40005;

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

ToolResult Mtools(const std::string& tool, const std::string& image,
                  std::vector<std::string> args) {
    args.insert(args.begin(), {tool, "-i", image});
    return RunTool(args, {"MTOOLS_SKIP_CHECK=1"});
}

// A FAT32 card image with the folders `folders`; files are put on it in the order asked.
class CardImage {
  public:
    CardImage(const std::string& image, const std::string& files) : image_(image), files_(files) {
        fs::create_directories(files_);
        ok_ = RunTool({"truncate", "-s", "40M", image_}).status == 0 &&
              RunTool({"mkfs.fat", "-F", "32", "-n", "CARD", image_}).status == 0;
    }
    bool Folder(const std::string& path) {
        return ok_ = ok_ && Mtools("mmd", image_, {"::/" + path}).status == 0;
    }
    bool Put(const std::string& path, const std::vector<unsigned char>& bytes) {
        const std::string source = files_ + "/" + std::to_string(count_++);
        WriteFile(source, bytes);
        return ok_ = ok_ && Mtools("mcopy", image_, {source, "::/" + path}).status == 0;
    }
    bool Remove(const std::string& path) {
        return ok_ = ok_ && Mtools("mdel", image_, {"::/" + path}).status == 0;
    }
    // The names in a folder in the order its entries are on the card.
    std::vector<std::string> Names(const std::string& folder) const {
        std::vector<std::string> names;
        for (const std::string& line : Lines(Mtools("mdir", image_, {"-b", "::/" + folder}).out)) {
            names.push_back(line.substr(line.rfind('/') + 1));
        }
        return names;
    }
    std::string Listing(const std::string& folder) const {
        return Mtools("mdir", image_, {"::/" + folder}).out;
    }
    std::vector<unsigned char> Read(const std::string& path) const {
        const std::string copy = files_ + "/read";
        fs::remove(copy);
        Mtools("mcopy", image_, {"::/" + path, copy});
        std::vector<unsigned char> bytes;
        if (fs::exists(copy)) {
            const std::size_t size = fs::file_size(copy);
            bytes.resize(size);
            FILE* file = std::fopen(copy.c_str(), "rb");
            if (file != nullptr) {
                bytes.resize(std::fread(bytes.data(), 1, size, file));
                std::fclose(file);
            }
        }
        return bytes;
    }
    bool ok() const { return ok_; }
    const std::string& image() const { return image_; }

  private:
    std::string image_, files_;
    int count_ = 0;
    bool ok_ = false;
};

// The FileName column of `slotkit list`, rows without a file left out.
std::vector<std::string> ListedNames(const std::string& output) {
    std::vector<std::string> names;
    for (const std::string& line : Lines(output)) {
        const auto first = line.find('\t');
        const auto second = line.find('\t', first + 1);
        if (first != std::string::npos && second != std::string::npos && second != first + 1) {
            names.push_back(line.substr(first + 1, second - first - 1));
        }
    }
    return names;
}

// The 11 bytes of an mdir line's short name: eight name characters and three extension ones.
std::string AliasOf(const std::string& listing, const std::string& longName) {
    for (const std::string& line : Lines(listing)) {
        if (line.size() < 12) {
            continue;
        }
        // A name that fits 8.3 has no long name: only its short one is listed.
        std::string base = line.substr(0, 8), ext = line.substr(9, 3);
        base.erase(base.find_last_not_of(' ') + 1);
        ext.erase(ext.find_last_not_of(' ') + 1);
        if (line.ends_with(" " + longName) ||
            Upper(base + (ext.empty() ? "" : "." + ext)) == Upper(longName)) {
            return Upper(line.substr(0, 8) + line.substr(9, 3));
        }
    }
    return "(" + longName + " not listed)";
}

class RealDriver : public GuestTest {};

TEST_F(RealDriver, ListingRenameAndChangeOfTargetRom) {
    ASSERT_NO_FATAL_FAILURE(MakeKit());
    GuestBoot boot;
    boot.kernel = kit_ + "/kernel";
    boot.baseArchive = kit_ + "/base.cpio";
    boot.mountOptions = "utf8,shortname=mixed";
    const auto card = [&](const std::string& name, std::vector<std::vector<std::string>> commands) {
        const std::string at = root_ + "/" + name;
        for (auto& command : commands) {
            command.insert(command.begin(), {"--yes", "--card", at, "--history", "/tmp/h"});
        }
        std::vector<std::vector<std::string>> more(commands.begin() + 1, commands.end());
        boot.cards.push_back({root_ + "/" + name + ".img", "", at, commands.front(), "", more});
        return at;
    };

    // The listing: a free entry at the front of the folder, names in every case, a file that is
    // no slot.
    CardImage listing(root_ + "/listing.img", root_ + "/listing-files");
    listing.Folder("NDSSAVE");
    unsigned seed = 1;
    for (const char* name : {"Z.DAT", "a.dat", "x.txt", "B.Dat", "C.DAT", "M.DAT"}) {
        listing.Put(std::string("NDSSAVE/") + name, Pattern(kNewForm, seed++));
    }
    listing.Remove("NDSSAVE/Z.DAT");
    listing.Put("NDSSAVE/y.dAt", Pattern(kNewForm, seed++));
    ASSERT_TRUE(listing.ok());
    card("listing", {{"list"}});

    // Renames: one of the letter case only, then four onto another slot.
    CardImage renames(root_ + "/renames.img", root_ + "/renames-files");
    renames.Folder("NDSSAVE");
    renames.Put("NDSSAVE/game.dat", Pattern(kNewForm, 1));
    renames.Put("NDSSAVE/A.DAT", Pattern(kNewForm, 2));
    renames.Put("NDSSAVE/B.DAT", Pattern(kNewForm, 3));
    ASSERT_TRUE(renames.ok());
    card("renames", {{"rename", "game.dat", "GAME.DAT"},
                     {"list"},
                     {"rename", "A.DAT", "B.DAT"},
                     {"rename", "A.DAT", "B"},
                     {"rename", "A.DAT", "b.dat"},
                     {"rename", "A.DAT", "b"}});

    // Changes of target ROM, each slot to one ROM; two ROMs share the start of their names.
    CardImage retarget(root_ + "/retarget.img", root_ + "/retarget-files");
    retarget.Folder("NDSSAVE");
    retarget.Folder("roms");
    retarget.Folder("dup");
    const std::vector<std::string> roms{
        "roms/Long Game Name.nds", "roms/Pokemon Black.nds", "roms/ab.nds",
        "roms/my game.v2.nds",     "dup/Long Game Name.nds", "dup/Long Game Other.nds"};
    std::vector<std::vector<std::string>> commands;
    const std::string at = root_ + "/retarget";
    for (std::size_t i = 0; i < roms.size(); ++i) {
        const std::string slot = "S" + std::to_string(i) + ".DAT";
        retarget.Put("NDSSAVE/" + slot, Pattern(kNewForm, 10 + i));
        retarget.Put(roms[i], Pattern(4096, 20 + i));
        commands.push_back({"retarget", slot, at + "/" + roms[i]});
    }
    ASSERT_TRUE(retarget.ok());
    card("retarget", commands);

    const GuestResult result = BootGuest(boot, root_);
    ASSERT_TRUE(result.booted) << result.console;

    {
        SCOPED_TRACE("listing");
        ASSERT_EQ(result.runs[0].size(), 1u) << result.console;
        EXPECT_EQ(result.runs[0][0].status, 0) << result.runs[0][0].output;
        std::vector<std::string> slots;
        for (const std::string& name : listing.Names("NDSSAVE")) {
            if (name.size() > 4 && Upper(name.substr(name.size() - 4)) == ".DAT") {
                slots.push_back(name);
            }
        }
        EXPECT_EQ(slots, (std::vector<std::string>{"a.dat", "B.Dat", "C.DAT", "M.DAT", "y.dAt"}));
        EXPECT_EQ(ListedNames(result.runs[0][0].output), slots) << result.runs[0][0].output;
    }
    {
        SCOPED_TRACE("renames");
        const auto& runs = result.runs[1];
        ASSERT_EQ(runs.size(), 6u) << result.console;
        EXPECT_EQ(runs[0].status, 0) << runs[0].output;
        const std::vector<std::string> listed = ListedNames(runs[1].output);
        EXPECT_NE(std::find(listed.begin(), listed.end(), "GAME.DAT"), listed.end());
        EXPECT_EQ(std::find(listed.begin(), listed.end(), "game.dat"), listed.end());
        for (std::size_t i = 2; i < runs.size(); ++i) {
            EXPECT_EQ(runs[i].status, 1) << runs[i].output;
            EXPECT_EQ(runs[i].output.find("Success!"), std::string::npos) << runs[i].output;
        }
        EXPECT_EQ(renames.Read("NDSSAVE/GAME.DAT"), Pattern(kNewForm, 1));
        EXPECT_EQ(renames.Read("NDSSAVE/A.DAT"), Pattern(kNewForm, 2));
        EXPECT_EQ(renames.Read("NDSSAVE/B.DAT"), Pattern(kNewForm, 3));
    }
    {
        SCOPED_TRACE("change of target ROM");
        const auto& runs = result.runs[2];
        ASSERT_EQ(runs.size(), roms.size()) << result.console;
        for (std::size_t i = 0; i < roms.size(); ++i) {
            EXPECT_EQ(runs[i].status, 0) << roms[i] << ": " << runs[i].output;
            const std::vector<unsigned char> slot =
                retarget.Read("NDSSAVE/S" + std::to_string(i) + ".DAT");
            ASSERT_EQ(slot.size(), kNewForm);
            const std::string written(slot.begin() + kShortNameOffset,
                                      slot.begin() + kShortNameOffset + 11);
            const std::string folder = roms[i].substr(0, roms[i].find('/'));
            EXPECT_EQ(written, AliasOf(retarget.Listing(folder), roms[i].substr(folder.size() + 1)))
                << roms[i];
        }
        EXPECT_EQ(AliasOf(retarget.Listing("dup"), "Long Game Other.nds"), "LONGGA~2NDS");
    }
}

}  // namespace
}  // namespace slotkit::crash
