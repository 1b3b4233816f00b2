// The writing commands, each called the way a user calls it, on one shared card layout.
#include "../support/foreign_files.h"
#include "rel_support.h"

namespace slotkit::reliability {

namespace {

constexpr std::size_t kNewForm = 263168;
constexpr std::size_t kOldForm = 1048576;

std::string P(const fs::path& path) {
    return path.string();
}

std::vector<std::string> Card(const fs::path& root, std::vector<std::string> rest) {
    std::vector<std::string> args{"--card", P(CardOf(root))};
    args.insert(args.end(), rest.begin(), rest.end());
    return args;
}

}  // namespace

fs::path CardOf(const fs::path& root) {
    return root / "card";
}

fs::path SlotOf(const fs::path& root, const std::string& name) {
    return root / "card" / "NDSSAVE" / name;
}

void LayOutCard(const fs::path& root) {
    WriteBytes(SlotOf(root, "A.DAT"), Pattern(kNewForm, 1));
    WriteBytes(SlotOf(root, "B.DAT"), Pattern(kOldForm, 2));
    WriteBytes(SlotOf(root, "C.DAT"), Pattern(kNewForm, 3));
    WriteBytes(root / "pc" / "restore.DAT", Pattern(kNewForm, 11));
    for (const char* name : {"A.DAT", "B.DAT", "C.DAT"}) {
        WriteBytes(root / "pc" / "batch" / name, Pattern(kNewForm, 20 + name[0]));
        WriteBytes(root / "pc" / "out" / name, Pattern(1000, 30 + name[0]));
    }
    WriteBytes(root / "pc" / "existing.DAT", Pattern(5000, 12));
    WriteBytes(root / "pc" / "game.sav", Pattern(65536, 13));
    WriteBytes(root / "pc" / "target.dss", Pattern(500 + 262144, 14));
    WriteBytes(root / "pc" / "rom" / "Long Game Name.nds", Pattern(4096, 15));
    // The containers of emulators and devices, and a GBA slot for theirs.
    WriteBytes(root / "pc" / "game.dsv", files::Desmume(Pattern(65536, 16)));
    WriteBytes(root / "pc" / "target.dsv", files::Desmume(Pattern(8192, 19)));
    WriteBytes(root / "card" / "GAMESAVE" / "G.DAT", Pattern(132096, 4));
    WriteBytes(root / "pc" / "game.sps", files::SharkPort(Pattern(8192, 20), "GAME", "ABCE"));
    WriteBytes(root / "pc" / "game.gsv", files::GameSharkSp(Pattern(65536, 21), 5, "GAME"));
}

// A card whose slots name games, and an emulator's folder: A.DAT's game has a file
// there whose save differs (never synced: a conflict), C.DAT's has none, B.DAT names no game.
void LayOutSyncCard(const fs::path& root) {
    const auto slot = [&](const char* name, std::size_t size, std::uint32_t seed,
                          const char* shortName) {
        Bytes bytes = Pattern(size, seed);
        std::copy_n(shortName, 11, bytes.begin() + 0x40005);
        bytes[0x40010] = 0;  // no long name
        WriteBytes(SlotOf(root, name), bytes);
    };
    slot("A.DAT", kNewForm, 1, "ZELDA   NDS");
    slot("B.DAT", kOldForm, 2, "\0\0\0\0\0\0\0\0\0\0\0");
    slot("C.DAT", kNewForm, 3, "METROID NDS");
    WriteBytes(root / "pc" / "emu" / "ZELDA.sav", Pattern(65536, 40));
    WriteBytes(root / "pc" / "emu" / "other.sav", Pattern(512, 41));
}

std::vector<Scenario> WritingScenarios() {
    return {
        {"restore_one", LayOutCard,
         [](const fs::path& r) {
             return Card(r, {"restore", "A.DAT", P(r / "pc/restore.DAT")});
         }},
        {"restore_batch", LayOutCard,
         [](const fs::path& r) {
             return Card(r, {"restore", "A.DAT", "B.DAT", "C.DAT", P(r / "pc/batch")});
         },
         false},
        {"backup_onto_existing", LayOutCard,
         [](const fs::path& r) {
             return Card(r, {"--yes", "backup", "B.DAT", P(r / "pc/existing.DAT")});
         }},
        {"backup_batch", LayOutCard,
         [](const fs::path& r) {
             return Card(r, {"--yes", "backup", "A.DAT", "B.DAT", "C.DAT", P(r / "pc/out")});
         },
         false},
        {"dummy", LayOutCard,
         [](const fs::path& r) {
             return Card(r, {"--yes", "dummy", "A.DAT", "99", "--name", "NEW"});
         },
         false},
        {"convert", LayOutCard,
         [](const fs::path& r) {
             return Card(r, {"--yes", "convert", "B.DAT"});
         }},
        {"rename", LayOutCard,
         [](const fs::path& r) {
             return Card(r, {"rename", "A.DAT", "RENAMED"});
         }},
        {"delete", LayOutCard,
         [](const fs::path& r) {
             return Card(r, {"--yes", "delete", "A.DAT", "C.DAT"});
         },
         false},
        {"retarget", LayOutCard,
         [](const fs::path& r) {
             return Card(r, {"--yes", "retarget", "A.DAT", P(r / "pc/rom/Long Game Name.nds")});
         }},
        {"import", LayOutCard,
         [](const fs::path& r) {
             return Card(r, {"--yes", "import", "A.DAT", P(r / "pc/game.sav")});
         }},
        {"export", LayOutCard,
         [](const fs::path& r) {
             return Card(r, {"--yes", "export", "A.DAT", P(r / "pc/target.dss")});
         }},
        {"import_dsv", LayOutCard,
         [](const fs::path& r) {
             return Card(r, {"--yes", "import", "A.DAT", P(r / "pc/game.dsv")});
         }},
        {"import_sps", LayOutCard,
         [](const fs::path& r) {
             return Card(r, {"-m", "gba", "--yes", "import", "G.DAT", P(r / "pc/game.sps")});
         }},
        {"import_gsv", LayOutCard,
         [](const fs::path& r) {
             return Card(r, {"-m", "gba", "--yes", "import", "G.DAT", P(r / "pc/game.gsv")});
         }},
        {"export_dsv", LayOutCard,
         [](const fs::path& r) {
             return Card(r, {"--yes", "export", "A.DAT", P(r / "pc/target.dsv")});
         }},
        {"export_new_dsv", LayOutCard,
         [](const fs::path& r) {
             // A save larger than 64K is cut: the question is answered Yes.
             return Card(r, {"--yes", "export-new", "A.DAT", P(r / "pc/new.dsv"), "--size", "64K"});
         }},
        {"export_new_over_sav", LayOutCard,
         [](const fs::path& r) {
             return Card(r, {"--yes", "export-new", "C.DAT", P(r / "pc/game.sav")});
         }},
        // Both sides written: A.DAT takes the folder's file, C.DAT's save goes to a new file.
        {"sync_prefer_folder", LayOutSyncCard,
         [](const fs::path& r) {
             return Card(r, {"--yes", "sync", P(r / "pc/emu"), "--prefer", "folder"});
         },
         false},
    };
}

}  // namespace slotkit::reliability
