// Names no slot file may have, through every command that takes a typed name, and foreign
// files of every length through import and export.
#include <array>

#include "../support/foreign_files.h"
#include "rel_support.h"

namespace slotkit::reliability {
namespace {

std::vector<std::string> BadNames() {
    return {"a/b", "../escape", "..", ".", "a\\b", "sub/../x", "x\x01y", "tab\tname", "new\nline",
            "del\x7f", "<>", "what?", "pipe|x", "colon:x", "star*", "quote\"x",
            std::string(300, 'n'), "/abs",
            // names the card would not list
            "   ", "Save v1.2", "ABC.", "...", "FOO.SAV"};
}

TEST(HostileInput, BadNamesAreRefusedAndNothingChanges) {
    int runs = 0;
    for (const std::string& name : BadNames()) {
        const std::vector<std::vector<std::string>> calls{
            {"--yes", "dummy", "99", "--name", name},
            {"rename", "A.DAT", name},
            {"--yes", "retarget", "A.DAT", "ROM", "--rename", name},
        };
        for (std::vector<std::string> args : calls) {
            TempDir dir;
            LayOutCard(dir.path());
            for (auto& arg : args) {
                if (arg == "ROM") {
                    arg = (dir.path() / "pc/rom/Long Game Name.nds").string();
                }
            }
            args.insert(args.begin(), {"--card", CardOf(dir.path()).string()});
            const Snapshot before = TakeSnapshot(dir.path());
            const RunResult run = RunSlotkit(args);
            ++runs;
            SCOPED_TRACE(::testing::PrintToString(args));
            ASSERT_FALSE(run.Crashed()) << Describe(run);
            EXPECT_EQ(run.status, 1) << Describe(run);
            EXPECT_FALSE(run.err.empty());
            Snapshot after = TakeSnapshot(dir.path());
            if (args[2] == "--yes" && args[3] == "retarget") {
                // The ROM names are written first; only the rename must be refused.
                after.erase("card/NDSSAVE/A.DAT");
                Snapshot rest = before;
                rest.erase("card/NDSSAVE/A.DAT");
                EXPECT_EQ(after, rest);
            } else {
                EXPECT_EQ(after, before);
            }
        }
    }
    std::cout << "[ counts ] bad names: " << runs << " runs\n";
}

std::vector<std::size_t> Lengths() {
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 600; ++n) {
        lengths.push_back(n);
    }
    for (std::size_t base : {std::size_t{131072}, std::size_t{262144}}) {
        for (std::size_t d : {0, 1, 499, 500, 501, 1000}) {
            lengths.push_back(base - 1 + d);
        }
    }
    lengths.push_back((1u << 20) + 1);
    return lengths;
}

// Import and export of every length: the slot changes only inside its save data region, the
// foreign file keeps its length and header, nothing else on the disk changes, nothing crashes.
TEST(HostileInput, ForeignFilesOfEveryLength) {
    constexpr std::size_t kRegion = 262144;
    TempDir dir;
    LayOutCard(dir.path());
    const fs::path slot = SlotOf(dir.path(), "A.DAT");
    const Bytes slotBefore = ReadBytes(slot);
    int runs = 0;
    int index = 0;
    for (std::size_t length : Lengths()) {
        const char* suffix = std::array{"sav", "dss", "duc"}[index++ % 3];
        const fs::path file = dir.path() / "pc" / (std::string("f.") + suffix);
        const std::size_t header = std::string(suffix) == "sav" ? 0 : 500;
        const Bytes content = Pattern(length, static_cast<std::uint32_t>(length));
        // Import.
        WriteBytes(slot, slotBefore);
        WriteBytes(file, content);
        RunResult run = RunSlotkit(
            {"--card", CardOf(dir.path()).string(), "--yes", "import", "A.DAT", file.string()});
        ++runs;
        SCOPED_TRACE(std::string(suffix) + " of " + std::to_string(length) + " bytes");
        ASSERT_FALSE(run.Crashed()) << Describe(run);
        Bytes expected = slotBefore;
        if (length >= header) {
            const std::size_t kept = std::min(length - header, kRegion);
            std::copy_n(content.begin() + static_cast<std::ptrdiff_t>(header), kept,
                        expected.begin());
            EXPECT_EQ(run.status, 0) << Describe(run);
        } else {
            EXPECT_EQ(run.status, 1) << Describe(run);
        }
        EXPECT_EQ(ReadBytes(slot), expected);
        // Export.
        WriteBytes(slot, slotBefore);
        run = RunSlotkit(
            {"--card", CardOf(dir.path()).string(), "--yes", "export", "A.DAT", file.string()});
        ++runs;
        ASSERT_FALSE(run.Crashed()) << Describe(run);
        expected = content;
        if (length >= header) {
            const std::size_t copied = std::min(length - header, kRegion);
            std::copy_n(slotBefore.begin(), copied,
                        expected.begin() + static_cast<std::ptrdiff_t>(header));
            EXPECT_EQ(run.status, 0) << Describe(run);
        } else {
            EXPECT_EQ(run.status, 1) << Describe(run);
        }
        EXPECT_EQ(ReadBytes(file), expected);
        EXPECT_EQ(ReadBytes(slot), slotBefore);
        EXPECT_TRUE(NoTemporaryFiles(TakeSnapshot(dir.path())));
        if (::testing::Test::HasFailure()) {
            break;
        }
    }
    std::cout << "[ counts ] foreign lengths: " << runs << " runs\n";
}

// Containers cut short at every length of their header and some beyond, and with every byte of
// their header changed: each import either writes the slot's save data region only and
// succeeds, or is refused and changes nothing; no export into one writes outside the file's
// length or a header it recognised; nothing crashes.
TEST(HostileInput, DamagedContainers) {
    struct Kind {
        const char* name;
        const char* mode;
        const char* slot;
        Bytes file;
    };
    const Kind kinds[] = {
        {"game.dsv", "nds", "A.DAT", files::Desmume(Pattern(512, 40))},
        {"game.sav", "nds", "A.DAT", files::NocashCompressed(Pattern(512, 41))},
        {"game.duc", "nds", "A.DAT", files::Ar164File(Pattern(512, 42), "GAME")},
        {"game.dss", "nds", "A.DAT", files::ArdsFile(Pattern(512, 43), "GAME")},
        {"game.sps", "gba", "G.DAT", files::SharkPort(Pattern(512, 44), "GAME", "ABCE")},
        {"game.gsv", "gba", "G.DAT", files::GameSharkSp(Pattern(512, 45), 3, "GAME")},
        {"game.dst", "nds", "A.DAT", files::Savestate(700)},
    };
    TempDir dir;
    LayOutCard(dir.path());
    int runs = 0;
    for (const Kind& kind : kinds) {
        const bool gba = std::string(kind.mode) == "gba";
        const fs::path slot =
            gba ? dir.path() / "card" / "GAMESAVE" / kind.slot : SlotOf(dir.path(), kind.slot);
        const std::size_t region = gba ? 131072 : 262144;
        const Bytes slotBefore = ReadBytes(slot);
        std::vector<Bytes> damaged;
        for (std::size_t n = 0; n < kind.file.size(); n += n < 0x440 ? 19 : 97) {
            damaged.emplace_back(kind.file.begin(),
                                 kind.file.begin() + static_cast<std::ptrdiff_t>(n));
        }
        for (std::size_t at = 0; at < std::min<std::size_t>(kind.file.size(), 0x440); at += 13) {
            Bytes changed = kind.file;
            changed[at] ^= 0xA5;
            damaged.push_back(changed);
        }
        const fs::path file = dir.path() / "pc" / kind.name;
        for (const Bytes& content : damaged) {
            SCOPED_TRACE(std::string(kind.name) + " of " + std::to_string(content.size()));
            WriteBytes(slot, slotBefore);
            WriteBytes(file, content);
            RunResult run = RunSlotkit({"--card", CardOf(dir.path()).string(), "-m", kind.mode,
                                        "--yes", "import", kind.slot, file.string()});
            ++runs;
            ASSERT_FALSE(run.Crashed()) << Describe(run);
            const Bytes after = ReadBytes(slot);
            ASSERT_EQ(after.size(), slotBefore.size());
            if (run.status == 0) {
                EXPECT_TRUE(std::equal(after.begin() + static_cast<std::ptrdiff_t>(region),
                                       after.end(),
                                       slotBefore.begin() + static_cast<std::ptrdiff_t>(region)));
            } else {
                EXPECT_EQ(run.status, 1) << Describe(run);
                EXPECT_EQ(after, slotBefore);
                EXPECT_FALSE(run.err.empty());
            }
            if (!gba && std::string(kind.name) != "game.dst") {
                run = RunSlotkit({"--card", CardOf(dir.path()).string(), "--yes", "export",
                                  kind.slot, file.string()});
                ++runs;
                ASSERT_FALSE(run.Crashed()) << Describe(run);
                EXPECT_EQ(ReadBytes(file).size(), content.size());
                if (run.status != 0) {
                    EXPECT_EQ(ReadBytes(file), content);
                }
            }
            if (::testing::Test::HasFailure()) {
                break;
            }
        }
        // A temporary file left by any run is still there.
        EXPECT_TRUE(NoTemporaryFiles(TakeSnapshot(dir.path())));
        WriteBytes(slot, slotBefore);
    }
    std::cout << "[ counts ] damaged containers: " << runs << " runs\n";
}

}  // namespace
}  // namespace slotkit::reliability
