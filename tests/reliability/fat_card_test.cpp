// The real binary on a FAT32 card image mounted through fusefat: the listing follows the
// directory order of the image, slot names match in any case, renames keep the bytes, every
// writing command leaves the bytes it should, and retarget writes the alias the card keeps.
#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

#include "rel_support.h"

namespace slotkit::reliability {
namespace {

constexpr std::size_t kNewForm = 263168;
constexpr std::size_t kShortNameOffset = 0x40005;

bool HaveFatTools() {
    return IsRoot() && HaveProgram("fusefat") && HaveProgram("mkfs.vfat") && HaveProgram("mdir") &&
           HaveProgram("mcopy") && HaveProgram("mmd");
}

#define SKIP_WITHOUT_FAT_TOOLS()                                         \
    do {                                                                 \
        if (!HaveFatTools()) {                                           \
            GTEST_SKIP() << "needs root, fusefat, mkfs.vfat and mtools"; \
        }                                                                \
        UnmountLeftovers();                                              \
    } while (false)

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

RunResult Mtools(const std::string& tool, const fs::path& image, std::vector<std::string> args) {
    args.insert(args.begin(), {tool, "-i", image.string()});
    RunOptions options;
    options.env = {"MTOOLS_SKIP_CHECK=1"};
    return RunProgram(args, options);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The file names of the rows that name a file, in the order `slotkit list` prints them.
std::vector<std::string> ListedNames(const fs::path& card) {
    const RunResult run = RunSlotkit({"--card", card.string(), "list"});
    EXPECT_EQ(run.status, 0) << Describe(run);
    std::vector<std::string> names;
    for (const std::string& line : Lines(run.out)) {
        const auto first = line.find('\t');
        const auto second = line.find('\t', first + 1);
        if (first != std::string::npos && second != first + 1) {
            names.push_back(line.substr(first + 1, second - first - 1));
        }
    }
    return names;
}

bool EndsWithDat(const std::string& name) {
    return name.size() > 4 && Upper(name.substr(name.size() - 4)) == ".DAT";
}

TEST(FatCard, ListingFollowsTheDirectoryOrderAndMatchesDatInAnyCase) {
    SKIP_WITHOUT_FAT_TOOLS();
    TempDir dir;
    FatImage fat(dir.path() / "card.img", dir.path() / "card");
    ASSERT_TRUE(fat.ok()) << "fusefat did not mount the image";
    const fs::path saves = dir.path() / "card" / "NDSSAVE";
    std::uint32_t seed = 1;
    for (const char* name : {"Z.DAT", "a.dat", "x.txt", "B.Dat", "C.DAT", "M.DAT"}) {
        WriteBytes(saves / name, Pattern(kNewForm, seed++));
    }
    fs::remove(saves / "Z.DAT");  // leaves a free entry at the front of the folder
    WriteBytes(saves / "y.dAt", Pattern(kNewForm, seed++));
    const std::vector<std::string> listed = ListedNames(dir.path() / "card");

    fat.Unmount();
    const RunResult mdir = Mtools("mdir", fat.image(), {"-b", "::/NDSSAVE"});
    ASSERT_EQ(mdir.status, 0) << Describe(mdir);
    std::vector<std::string> onImage;
    for (const std::string& line : Lines(mdir.out)) {
        const std::string name = line.substr(line.rfind('/') + 1);
        if (EndsWithDat(name)) {
            onImage.push_back(name);
        }
    }
    EXPECT_EQ(listed, onImage) << mdir.out;
    for (const char* name : {"a.dat", "B.Dat", "C.DAT", "M.DAT", "y.dAt"}) {
        EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end()) << name;
    }
    EXPECT_EQ(std::find(listed.begin(), listed.end(), "x.txt"), listed.end());
}

TEST(FatCard, RenamesKeepTheBytesAndNeverReplaceAnotherSlot) {
    SKIP_WITHOUT_FAT_TOOLS();
    TempDir dir;
    FatImage fat(dir.path() / "card.img", dir.path() / "card");
    ASSERT_TRUE(fat.ok()) << "fusefat did not mount the image";
    const fs::path card = dir.path() / "card";
    const fs::path saves = card / "NDSSAVE";
    WriteBytes(saves / "game.dat", Pattern(kNewForm, 1));
    WriteBytes(saves / "A.DAT", Pattern(kNewForm, 2));
    WriteBytes(saves / "B.DAT", Pattern(kNewForm, 3));

    // A case-only rename.
    RunResult run = RunSlotkit({"--card", card.string(), "rename", "game.dat", "GAME.DAT"});
    EXPECT_EQ(run.status, 0) << Describe(run);
    std::vector<std::string> listed = ListedNames(card);
    EXPECT_NE(std::find(listed.begin(), listed.end(), "GAME.DAT"), listed.end());
    EXPECT_EQ(std::find(listed.begin(), listed.end(), "game.dat"), listed.end());

    // Onto an existing slot, in the same case and in another case.
    const Snapshot before = TakeSnapshot(card);
    for (const char* name : {"B.DAT", "B", "b.dat", "b"}) {
        SCOPED_TRACE(name);
        run = RunSlotkit({"--card", card.string(), "rename", "A.DAT", name});
        EXPECT_EQ(run.status, 1) << Describe(run);
        EXPECT_EQ(run.out.find("Success!"), std::string::npos) << Describe(run);
        EXPECT_EQ(TakeSnapshot(card), before);
    }

    // All of it reached the image.
    ASSERT_TRUE(fat.Mount());
    const Snapshot after = TakeSnapshot(card);
    EXPECT_EQ(after, before);
    ASSERT_TRUE(after.count("NDSSAVE/GAME.DAT"));
    EXPECT_EQ(after.at("NDSSAVE/GAME.DAT").bytes, Pattern(kNewForm, 1));
}

// Each writing command once, with the card on the FAT image and the PC files beside it: the
// bytes are those the same run leaves on an ordinary disk, also after the image is remounted.
TEST(FatCard, EveryWritingCommandLeavesTheBytesItShould) {
    SKIP_WITHOUT_FAT_TOOLS();
    for (const Scenario& scenario : WritingScenarios()) {
        SCOPED_TRACE(scenario.name);
        TempDir clean;
        scenario.setup(clean.path());
        const RunResult plain = RunSlotkit(scenario.args(clean.path()));
        ASSERT_EQ(plain.status, 0) << Describe(plain);
        const Snapshot intended = TakeSnapshot(clean.path());

        TempDir dir;
        FatImage fat(dir.path() / "card.img", CardOf(dir.path()));
        ASSERT_TRUE(fat.ok()) << "fusefat did not mount the image";
        scenario.setup(dir.path());
        const auto snapshot = [&] {
            Snapshot taken = TakeSnapshot(dir.path());
            taken.erase("card.img");
            return taken;
        };
        const Snapshot before = snapshot();
        const RunResult run = RunSlotkit(scenario.args(dir.path()));
        EXPECT_EQ(run.status, 0) << Describe(run);
        EXPECT_EQ(snapshot(), intended);
        ASSERT_TRUE(fat.Mount()) << "the image does not mount again";
        EXPECT_EQ(snapshot(), intended);
        EXPECT_NE(before, intended);
    }
}

// The 11 bytes of an mdir line's short name: eight name characters and three extension ones.
std::string AliasField(const std::string& mdirLine) {
    return Upper(mdirLine.substr(0, 8) + mdirLine.substr(9, 3));
}

// The mdir line of `name` in a listing of one folder.
std::string MdirLineOf(const std::string& listing, const std::string& name) {
    for (const std::string& line : Lines(listing)) {
        if (line.size() < 12) {
            continue;
        }
        if (line.size() > name.size() && line.ends_with(" " + name)) {
            return line;  // the long name closes the line
        }
        std::string base = line.substr(0, 8), ext = line.substr(9, 3);
        base.erase(base.find_last_not_of(' ') + 1);
        ext.erase(ext.find_last_not_of(' ') + 1);
        if (Upper(base + (ext.empty() ? "" : "." + ext)) == Upper(name)) {
            return line;
        }
    }
    return {};
}

Bytes ShortNameBytes(const fs::path& slot) {
    const Bytes bytes = ReadBytes(slot);
    if (bytes.size() < kShortNameOffset + 11) {
        return {};
    }
    return Bytes(bytes.begin() + kShortNameOffset, bytes.begin() + kShortNameOffset + 11);
}

TEST(FatCard, RetargetWritesTheAliasTheCardKeeps) {
    SKIP_WITHOUT_FAT_TOOLS();
    TempDir dir;
    const fs::path card = dir.path() / "card";
    FatImage fat(dir.path() / "card.img", card);
    ASSERT_TRUE(fat.ok()) << "fusefat did not mount the image";
    const fs::path slot = card / "NDSSAVE" / "A.DAT";
    WriteBytes(slot, Pattern(kNewForm, 1));
    fat.Unmount();

    // The ROMs are put on with mtools, which gives them the aliases a FAT driver keeps (fusefat
    // itself gives every new file a bare "~N" short name).
    const std::vector<std::string> roms{"Long Game Name.nds", "Pokemon Black.nds", "ab.nds",
                                        "my game.v2.nds"};
    const fs::path source = dir.path() / "rom.nds";
    WriteBytes(source, Pattern(4096, 9));
    for (const char* folder : {"::/roms", "::/dup"}) {
        ASSERT_EQ(Mtools("mmd", fat.image(), {folder}).status, 0);
    }
    for (const std::string& rom : roms) {
        ASSERT_EQ(Mtools("mcopy", fat.image(), {source.string(), "::/roms/" + rom}).status, 0);
    }
    for (const char* rom : {"Long Game Name.nds", "Long Game Other.nds"}) {
        ASSERT_EQ(
            Mtools("mcopy", fat.image(), {source.string(), std::string("::/dup/") + rom}).status,
            0);
    }
    const RunResult dupListing = Mtools("mdir", fat.image(), {"::/dup"});
    EXPECT_EQ(AliasField(MdirLineOf(dupListing.out, "Long Game Other.nds")), "LONGGA~2NDS")
        << dupListing.out;
    ASSERT_TRUE(fat.Mount());

    // The second ROM's alias is "~2", which cannot be told without the disk's short names: the
    // command refuses and the slot stays as it was. The first one is refused as well, since
    // which of the two has "~1" is not known either.
    const Bytes original = ReadBytes(slot);
    for (const char* rom : {"Long Game Other.nds", "Long Game Name.nds"}) {
        SCOPED_TRACE(rom);
        const RunResult run = RunSlotkit(
            {"-c", card.string(), "--yes", "retarget", "A.DAT", (card / "dup" / rom).string()});
        EXPECT_EQ(run.status, 1) << Describe(run);
        EXPECT_NE(run.err.find("short (8.3) name"), std::string::npos) << Describe(run);
        EXPECT_EQ(run.out.find("Success!"), std::string::npos) << Describe(run);
        EXPECT_EQ(ReadBytes(slot), original);
    }

    std::vector<Bytes> written;
    for (const std::string& rom : roms) {
        const RunResult run = RunSlotkit(
            {"-c", card.string(), "--yes", "retarget", "A.DAT", (card / "roms" / rom).string()});
        EXPECT_EQ(run.status, 0) << rom << ": " << Describe(run);
        written.push_back(ShortNameBytes(slot));
    }
    fat.Unmount();
    const RunResult listing = Mtools("mdir", fat.image(), {"::/roms"});
    ASSERT_EQ(listing.status, 0) << Describe(listing);
    for (std::size_t i = 0; i < roms.size(); ++i) {
        const std::string line = MdirLineOf(listing.out, roms[i]);
        ASSERT_FALSE(line.empty()) << roms[i] << " not in\n" << listing.out;
        EXPECT_EQ(std::string(written[i].begin(), written[i].end()), AliasField(line)) << roms[i];
    }
}

}  // namespace
}  // namespace slotkit::reliability
