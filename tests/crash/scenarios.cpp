#include "scenarios.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

namespace slotkit::crash {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kNewForm = 263168;
constexpr std::size_t kOldForm = 1048576;
constexpr std::size_t kGbaForm = 132096;

// Other slots, a GBA slot and ROMs around the slots under test: they must come through
// every state untouched.
void LayOutCard(const ScenarioPlace& at) {
    for (unsigned i = 1; i <= 4; ++i) {
        WriteFile(at.card + "/NDSSAVE/OTHER" + std::to_string(i) + ".DAT",
                  Pattern(kNewForm, 100 + i));
    }
    WriteFile(at.card + "/GAMESAVE/GBA1.DAT", Pattern(kGbaForm, 110));
    WriteFile(at.card + "/GAME1.NDS", Pattern(65536, 111));
    WriteFile(at.card + "/GAME2.NDS", Pattern(65536, 112));
}

// A new-form slot whose trailer names the ROM `shortName` (its 8.3 name, 11 characters).
std::vector<unsigned char> SlotOf(const char* shortName, unsigned seed) {
    std::vector<unsigned char> bytes = Pattern(kNewForm, seed);
    std::copy_n(shortName, 11, bytes.begin() + 0x40005);
    bytes[0x40010] = 0;  // no long name
    return bytes;
}

std::string Slot(const std::string& name) {
    return "NDSSAVE/" + name;
}

}  // namespace

void WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<unsigned char> Pattern(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<unsigned char> bytes(size);
    for (auto& byte : bytes) {
        byte = static_cast<unsigned char>(random());
    }
    return bytes;
}

std::vector<Scenario> WritingScenarios() {
    using Run = std::function<bool(std::vector<std::string>)>;
    std::vector<Scenario> all;
    all.push_back({"restore one",
                   [](const ScenarioPlace& at, const Run&) {
                       LayOutCard(at);
                       WriteFile(at.card + "/NDSSAVE/A.DAT", Pattern(kNewForm, 1));
                       WriteFile(at.pc + "/restore.DAT", Pattern(kNewForm, 2));
                   },
                   [](const ScenarioPlace& at) {
                       return std::vector<std::string>{"restore", "A.DAT", at.pc + "/restore.DAT"};
                   },
                   {{Slot("A.DAT")}}});
    Scenario batch{"restore batch of 10",
                   [](const ScenarioPlace& at, const Run&) {
                       LayOutCard(at);
                       for (unsigned i = 0; i < 10; ++i) {
                           const std::string name = "S0" + std::to_string(i) + ".DAT";
                           WriteFile(at.card + "/NDSSAVE/" + name, Pattern(kNewForm, 10 + i));
                           WriteFile(at.pc + "/batch/" + name, Pattern(kNewForm, 30 + i));
                       }
                   },
                   [](const ScenarioPlace& at) {
                       std::vector<std::string> args{"restore"};
                       for (unsigned i = 0; i < 10; ++i) {
                           args.push_back("S0" + std::to_string(i) + ".DAT");
                       }
                       args.push_back(at.pc + "/batch");
                       return args;
                   },
                   {}};
    for (unsigned i = 0; i < 10; ++i) {
        batch.slots.push_back({Slot("S0" + std::to_string(i) + ".DAT")});
    }
    all.push_back(batch);
    all.push_back({"import into a slot",
                   [](const ScenarioPlace& at, const Run&) {
                       LayOutCard(at);
                       WriteFile(at.card + "/NDSSAVE/A.DAT", Pattern(kNewForm, 1));
                       WriteFile(at.pc + "/game.sav", Pattern(65536, 3));
                   },
                   [](const ScenarioPlace& at) {
                       return std::vector<std::string>{"import", "A.DAT", at.pc + "/game.sav"};
                   },
                   {{Slot("A.DAT")}}});
    all.push_back({"make dummy over a slot",
                   [](const ScenarioPlace& at, const Run&) {
                       LayOutCard(at);
                       WriteFile(at.card + "/NDSSAVE/A.DAT", Pattern(kNewForm, 1));
                   },
                   [](const ScenarioPlace&) {
                       return std::vector<std::string>{"dummy", "A.DAT"};
                   },
                   {{Slot("A.DAT")}}});
    all.push_back({"make dummy as a new slot",
                   [](const ScenarioPlace& at, const Run&) { LayOutCard(at); },
                   [](const ScenarioPlace&) {
                       return std::vector<std::string>{"dummy", "99", "--name", "NEW"};
                   },
                   {{Slot("NEW.DAT")}}});
    all.push_back({"convert",
                   [](const ScenarioPlace& at, const Run&) {
                       LayOutCard(at);
                       WriteFile(at.card + "/NDSSAVE/B.DAT", Pattern(kOldForm, 4));
                   },
                   [](const ScenarioPlace&) {
                       return std::vector<std::string>{"convert", "B.DAT"};
                   },
                   {{Slot("B.DAT")}}});
    all.push_back({"rename",
                   [](const ScenarioPlace& at, const Run&) {
                       LayOutCard(at);
                       WriteFile(at.card + "/NDSSAVE/A.DAT", Pattern(kNewForm, 1));
                   },
                   [](const ScenarioPlace&) {
                       return std::vector<std::string>{"rename", "A.DAT", "RENAMED"};
                   },
                   {{Slot("A.DAT"), Slot("RENAMED.DAT")}}});
    all.push_back({"delete",
                   [](const ScenarioPlace& at, const Run&) {
                       LayOutCard(at);
                       WriteFile(at.card + "/NDSSAVE/A.DAT", Pattern(kNewForm, 1));
                   },
                   [](const ScenarioPlace&) {
                       return std::vector<std::string>{"delete", "A.DAT"};
                   },
                   {{Slot("A.DAT")}}});
    all.push_back({"change of target ROM",
                   [](const ScenarioPlace& at, const Run&) {
                       LayOutCard(at);
                       WriteFile(at.card + "/NDSSAVE/A.DAT", Pattern(kNewForm, 1));
                       WriteFile(at.pc + "/GAME3.NDS", Pattern(65536, 5));
                   },
                   [](const ScenarioPlace& at) {
                       return std::vector<std::string>{"retarget", "A.DAT", at.pc + "/GAME3.NDS"};
                   },
                   {{Slot("A.DAT")}}});
    all.push_back({"revert",
                   [](const ScenarioPlace& at, const Run& run) {
                       // The history holds the slot's first bytes; the card holds a restore.
                       LayOutCard(at);
                       WriteFile(at.card + "/NDSSAVE/A.DAT", Pattern(kNewForm, 1));
                       WriteFile(at.pc + "/restore.DAT", Pattern(kNewForm, 6));
                       run({"restore", "A.DAT", at.pc + "/restore.DAT"});
                   },
                   [](const ScenarioPlace&) {
                       return std::vector<std::string>{"revert", "A.DAT"};
                   },
                   {{Slot("A.DAT")}}});
    all.push_back(
        {"sync, the folder preferred",
         [](const ScenarioPlace& at, const Run&) {
             LayOutCard(at);
             for (unsigned i = 1; i <= 4; ++i) {  // their games' saves go to the folder
                 const std::string name = "OTHER" + std::to_string(i) + " NDS";
                 WriteFile(at.card + "/NDSSAVE/OTHER" + std::to_string(i) + ".DAT",
                           SlotOf(name.c_str(), 100 + i));
             }
             // A.DAT's game has a save in the emulator's folder that differs from the
             // slot's: the folder's wins. C.DAT's game has none there: it is written
             // to the folder, and its slot stays.
             WriteFile(at.card + "/NDSSAVE/A.DAT", SlotOf("ZELDA   NDS", 1));
             WriteFile(at.card + "/NDSSAVE/C.DAT", SlotOf("METROID NDS", 7));
             WriteFile(at.pc + "/emu/ZELDA.sav", Pattern(65536, 8));
         },
         [](const ScenarioPlace& at) {
             return std::vector<std::string>{"sync", at.pc + "/emu", "--prefer", "folder"};
         },
         {{Slot("A.DAT")}, {Slot("C.DAT")}}});
    return all;
}

}  // namespace slotkit::crash
