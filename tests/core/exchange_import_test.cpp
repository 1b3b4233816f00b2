// Importing a foreign save into the selected slot.
#include <gtest/gtest.h>

#include "commands/import_save.h"
#include "exchange_test_support.h"
#include "foreign_files.h"
#include "formats/dst_decoder.h"

namespace slotkit::test {
namespace {

constexpr const char* kQuestion =
    "Does the import of the save data.\nDon't use for an [Not-used] slot.\nIt doesn't permit "
    "writing in save of the different game, too.\n\nDoes it execute really?";

class ImportTest : public CardTest {
  protected:
    Bytes slot;

    // One slot, listed and selected.
    void SetUpSlot(slots::EditMode slotMode, std::uint64_t size) {
        mode = slotMode;
        slot = card.WriteSlot(mode, "GAME.DAT", size);
        ListAndSelect({0});
    }
    Bytes SlotNow() { return ReadFile(card.SlotFile(mode, "GAME.DAT")); }

    // A file on the PC, chosen in the chooser.
    std::string Choose(const std::string& name, const Bytes& content) {
        const std::string path = (card.PcFolder() / name).string();
        WriteFile(path, content);
        prompter.paths.push_back(path);
        return path;
    }

    void Import() { commands::ImportSave(Context()); }

    std::size_t Region() const { return LayoutFor(mode).saveRegionSize; }
};

Bytes Header(std::size_t size) {
    return PatternBytes(size, 77);
}

Bytes Joined(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(ImportTest, SavIntoGbaSlotReplacesOnlyItsOwnLength) {
    SetUpSlot(slots::EditMode::Gba, slots::kGbaLayout.newFormSize);
    const Bytes save = PatternBytes(65536, 1);
    Choose("game.sav", save);
    Import();

    EXPECT_EQ(SlotNow(), Overlaid(slot, save));
    ASSERT_EQ(prompter.choosers.size(), 1u);
    EXPECT_EQ(prompter.choosers[0].kind, "open");
    EXPECT_EQ(prompter.choosers[0].title, "");
    ASSERT_EQ(prompter.choosers[0].filters.size(), 4u);
    EXPECT_EQ(prompter.choosers[0].filters[0].description, "GBA-SAV File(*.sav)");
    EXPECT_EQ(prompter.choosers[0].filters[0].pattern, "*.sav");
    EXPECT_EQ(
        prompter.Transcript(),
        (std::vector<std::string>{
            std::string("Inport - [VisualBoyAdvance/No-header SAVEDATA](*.SAV) type: ") + kQuestion,
            "true: Success!"}));
    EXPECT_EQ(prompter.LastMessage().kind, Shown::Kind::Info);
    EXPECT_EQ(view.showCount, 0);  // no refresh
}

TEST_F(ImportTest, DssAndDucSkipTheirHeaderAndFillTheRegion) {
    const std::pair<const char*, const char*> files[] = {
        {"game.dss", "Inport - [ACTION REPLAY MAX Duo](*.DSS) type"},
        {"GAME.DUC", "Inport - [MAXDRIVE-DS NoCompress-data](*.DUC) type"}};
    for (const auto& [name, caption] : files) {
        SetUpSlot(slots::EditMode::Nds, slots::kNdsLayout.newFormSize);
        const Bytes save = PatternBytes(Region(), 2);
        Choose(name, Joined(Header(500), save));
        Import();
        const Bytes now = SlotNow();
        EXPECT_EQ(now, Overlaid(slot, save)) << name;
        EXPECT_EQ(prompter.shown[0].caption, caption);
        EXPECT_EQ(prompter.LastMessage().text, "Success!");
    }
    EXPECT_EQ(prompter.choosers[0].filters.size(), 6u);
    EXPECT_EQ(prompter.choosers[0].filters[0].description, "ALL Files(*.*)");
    EXPECT_EQ(prompter.choosers[0].filters[2].description, "MAXDRIVE Compressed File(*.dst)");
}

TEST_F(ImportTest, DstIsDecodedIntoTheSlot) {
    SetUpSlot(slots::EditMode::Nds, slots::kOldFormSize);
    Bytes file(formats::kDstMarkerOffset, 0);
    file.insert(file.end(), {0xEE, 0x41, 0x00, 0x42, 0xEE, 0x03, 0x55, 0x00, 0x00, 0x00, 0x99});
    Choose("game.dst", file);
    Import();
    EXPECT_EQ(SlotNow(), Overlaid(slot, {0x41, 0x00, 0x42, 0x55, 0x55, 0x55, 0x55}));
    EXPECT_EQ(prompter.shown[0].caption, "Inport - [MAXDRIVE-DS Compress-data](*.DST) type");
}

// Save data longer than the region is cut to it: the trailer and the file length stay.
TEST_F(ImportTest, DataLongerThanTheRegionIsCutAndTheUserIsTold) {
    SetUpSlot(slots::EditMode::Nds, slots::kNdsLayout.newFormSize);
    const Bytes save = PatternBytes(Region() + 1500, 3);
    Choose("big.sav", save);
    Import();

    const Bytes now = SlotNow();
    ASSERT_EQ(now.size(), slot.size());
    EXPECT_EQ(Slice(now, 0, Region()), Slice(save, 0, Region()));
    EXPECT_EQ(Slice(now, Region(), slots::kTrailerSize),
              Slice(slot, Region(), slots::kTrailerSize));
    EXPECT_NE(prompter.shown[0].text.find("1,500 bytes are left out."), std::string::npos);
    EXPECT_TRUE(prompter.shown[0].text.ends_with("\n\nDoes it execute really?"));
    EXPECT_EQ(prompter.LastMessage().kind, Shown::Kind::Info);
    EXPECT_TRUE(prompter.LastMessage().text.starts_with("Success!\n"));
    EXPECT_NE(prompter.LastMessage().text.find("1,500 bytes are left out."), std::string::npos);
}

TEST_F(ImportTest, DstPastTheDecoderBufferIsCutLikeAnyLongData) {
    SetUpSlot(slots::EditMode::Nds, slots::kOldFormSize);
    Bytes file(formats::kDstMarkerOffset, 0);
    file.push_back(0xEE);
    for (int i = 0; i < 4200; ++i) {
        file.insert(file.end(), {0xEE, 0xFF, 0x66});
    }
    Choose("huge.dst", file);
    Import();
    EXPECT_EQ(SlotNow(), Overlaid(slot, Bytes(Region(), 0x66)));
    EXPECT_NE(prompter.shown[0].text.find("more than 1,048,511 bytes"), std::string::npos);
    EXPECT_TRUE(prompter.LastMessage().text.starts_with("Success!\n"));
}

TEST_F(ImportTest, DataOfExactlyTheRegionTellsNothingMore) {
    SetUpSlot(slots::EditMode::Gba, slots::kGbaLayout.newFormSize);
    const Bytes save = PatternBytes(Region(), 4);
    Choose("exact.sav", save);
    Import();
    EXPECT_EQ(SlotNow(), Overlaid(slot, save));
    EXPECT_EQ(prompter.shown[0].text, kQuestion);
    EXPECT_EQ(prompter.LastMessage().text, "Success!");
}

TEST_F(ImportTest, EmptySaveDataWritesNothingAndSucceeds) {
    Bytes dst(formats::kDstMarkerOffset + 1, 0);
    dst.back() = 0xEE;
    const std::pair<const char*, Bytes> files[] = {{"empty.sav", {}},
                                                   {"empty.dss", Header(500)},
                                                   {"empty.duc", Header(500)},
                                                   {"empty.dst", dst}};
    for (const auto& [name, content] : files) {
        SetUpSlot(slots::EditMode::Nds, slots::kNdsLayout.newFormSize);
        Choose(name, content);
        Import();
        EXPECT_EQ(SlotNow(), slot) << name;
        EXPECT_EQ(prompter.LastMessage().text, "Success!") << name;
        EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), std::vector<std::string>{"GAME.DAT"});
    }
}

TEST_F(ImportTest, SelectionOtherThanOneRow) {
    card.WriteSlot(slots::EditMode::Nds, "A.DAT", slots::kNdsLayout.newFormSize);
    card.WriteSlot(slots::EditMode::Nds, "B.DAT", slots::kNdsLayout.newFormSize);
    ListAndSelect({});
    Import();
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(prompter.choosers.empty());

    ListAndSelect({0, 1});
    Import();
    EXPECT_EQ(prompter.Transcript(),
              std::vector<std::string>{"Alert: Please select a one-savefile."});
    EXPECT_TRUE(prompter.choosers.empty());
    EXPECT_TRUE(prompter.AnyFailure());
}

// Every refusal leaves the slot and the chosen file as they were and asks nothing.
TEST_F(ImportTest, RefusalsChangeNothing) {
    struct Case {
        const char* what;
        slots::EditMode mode;
        const char* chosen;  // a file of that name is written unless it is "missing"
        std::size_t chosenSize;
        int row;  // 0: GAME.DAT; 1: a row without a file
        const char* message;
    };
    const Case cases[] = {
        {"missing import file", slots::EditMode::Nds, "missing", 0, 0,
         "It doesn't open an import file."},
        {"row without a file", slots::EditMode::Nds, "game.sav", 100, 1,
         "It doesn't open the file of the memory card."},
        {"the slot is checked before the type", slots::EditMode::Nds, "game.txt", 100, 1,
         "It doesn't open the file of the memory card."},
        {"unknown type", slots::EditMode::Nds, "game.txt", 100, 0, "It doesn't support."},
        {".dss in GBA mode", slots::EditMode::Gba, "game.dss", 1000, 0, "It doesn't support."},
        {".dst in GBA mode", slots::EditMode::Gba, "game.dst", 1000, 0, "It doesn't support."},
        {".dss shorter than its header", slots::EditMode::Nds, "game.dss", 499, 0,
         "It doesn't import: the file is shorter than the 500-byte header of a *.DSS file."},
        {".duc shorter than its header", slots::EditMode::Nds, "game.duc", 0, 0,
         "It doesn't import: the file is shorter than the 500-byte header of a *.DUC file."},
    };
    for (const Case& c : cases) {
        SetUpSlot(c.mode, slots::kOldFormSize);
        ListAndSelect({c.row});
        const std::string path = (card.PcFolder() / c.chosen).string();
        const Bytes chosen = PatternBytes(c.chosenSize, 5);
        if (std::string(c.chosen) != "missing") {
            WriteFile(path, chosen);
        }
        prompter.paths.push_back(path);
        Import();
        EXPECT_EQ(prompter.Transcript(),
                  std::vector<std::string>{std::string("error: ") + c.message})
            << c.what;
        EXPECT_TRUE(prompter.AnyFailure()) << c.what;
        EXPECT_EQ(SlotNow(), slot) << c.what;
        if (std::string(c.chosen) != "missing") {
            EXPECT_EQ(ReadFile(path), chosen) << c.what;
        }
    }
}

TEST_F(ImportTest, AFolderInPlaceOfEitherFileIsRefused) {
    SetUpSlot(slots::EditMode::Nds, slots::kNdsLayout.newFormSize);
    std::filesystem::create_directories(card.PcFolder() / "dir.sav");
    prompter.paths.push_back((card.PcFolder() / "dir.sav").string());
    Import();
    EXPECT_EQ(prompter.LastMessage().text, "It doesn't open an import file.");

    // The row still names GAME.DAT, but a folder now stands there.
    std::filesystem::remove(card.SlotFile(mode, "GAME.DAT"));
    std::filesystem::create_directories(card.SlotFile(mode, "GAME.DAT"));
    Choose("game.sav", PatternBytes(10, 6));
    Import();
    EXPECT_EQ(prompter.LastMessage().text, "It doesn't open the file of the memory card.");
}

TEST_F(ImportTest, CancelledChooserOrNoChangesNothing) {
    SetUpSlot(slots::EditMode::Nds, slots::kNdsLayout.newFormSize);
    prompter.paths.push_back(std::nullopt);
    Import();
    EXPECT_TRUE(prompter.shown.empty());

    Choose("game.sav", PatternBytes(1000, 7));
    prompter.answers.push_back(false);
    Import();
    EXPECT_EQ(prompter.shown.size(), 1u);  // only the question
    EXPECT_EQ(prompter.shown[0].kind, Shown::Kind::Question);
    EXPECT_EQ(SlotNow(), slot);
}

TEST_F(ImportTest, AFailedWriteIsReportedAndLeavesTheSlot) {
    SetUpSlot(slots::EditMode::Nds, slots::kNdsLayout.newFormSize);
    Choose("game.sav", PatternBytes(1000, 8));
    QuestionHookPrompter hooked;
    hooked.paths = prompter.paths;
    {
        FolderBlocked blocked(card.SaveFolder(mode));
        hooked.onQuestion = [&] { blocked.Block(); };
        commands::ImportSave(slots::CommandContext{card.Root(), mode, hooked, view});
    }
    const Shown last = hooked.LastMessage();
    EXPECT_EQ(last.kind, Shown::Kind::Failure);
    EXPECT_EQ(last.caption, "error");
    EXPECT_TRUE(last.text.starts_with("It doesn't write the file of the memory card.\n"));
    EXPECT_EQ(SlotNow(), slot);
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), std::vector<std::string>{"GAME.DAT"});
}

// Files whose name alone misleads: the bytes decide where the save is. Each case also shows
// that reading the file by its name alone, as before, puts something else into the slot.
TEST_F(ImportTest, SignaturesDecideWhereTheSaveIs) {
    using namespace files;
    // Reading by the name alone refused the file, or found the same save.
    constexpr std::size_t kNothingToCompare = static_cast<std::size_t>(-1);
    const Bytes save8k = PatternBytes(8192, 21);
    const Bytes save64k = PatternBytes(65536, 22);
    const Bytes big = PatternBytes(524288, 23);
    struct Case {
        const char* what;
        slots::EditMode mode;
        const char* name;
        Bytes file;
        Bytes save;            // what the slot receives
        std::size_t byNameAt;  // where reading by the name alone took the save from
        std::string caption;
        std::string note;  // the question's paragraph about the file
    };
    const Case cases[] = {
        {"no$gba .sav", slots::EditMode::Gba, "game.sav", NocashStored(save64k), save64k, 0,
         "Inport - [VisualBoyAdvance/No-header SAVEDATA](*.SAV) type", "no$gba save: 65,536 bytes"},
        {"compressed no$gba .sav", slots::EditMode::Nds, "game.SAV", NocashCompressed(save8k),
         save8k, 0, "Inport - [SuperCard/No-header SAVEDATA](*.SAV) type",
         "no$gba save, compressed: 8,192 bytes"},
        {"164-byte header .duc", slots::EditMode::Nds, "game.duc",
         Ar164File(save64k, "NEW SUPER MARIO"), save64k, 500,
         "Inport - [MAXDRIVE-DS NoCompress-data](*.DUC) type",
         "Action Replay save, 164-byte header: 65,536 bytes\nGame: NEW SUPER MARIO"},
        {"500-byte header .dss names its game", slots::EditMode::Nds, "game.dss",
         ArdsFile(save8k, "POKEMON PLATINUM"), save8k, kNothingToCompare,
         "Inport - [ACTION REPLAY MAX Duo](*.DSS) type",
         "Action Replay save: 8,192 bytes\nGame: POKEMON PLATINUM"},
        {"DeSmuME .dsv larger than the slot", slots::EditMode::Nds, "game.dsv", Desmume(big),
         Slice(big, 0, 262144), kNothingToCompare, "Inport - [DeSmuME SAVEDATA](*.DSV) type",
         "DeSmuME save: 524,288 bytes; only its first 262,144 bytes fit the slot"},
        {"DeSmuME .sav", slots::EditMode::Nds, "game.sav", Desmume(save8k), save8k, 0,
         "Inport - [SuperCard/No-header SAVEDATA](*.SAV) type", "DeSmuME save: 8,192 bytes"},
        {"GBA .sav with clock data", slots::EditMode::Gba, "game.sav",
         Joined(save8k, Bytes(16, 0xC1)), save8k, 0,
         "Inport - [VisualBoyAdvance/No-header SAVEDATA](*.SAV) type",
         "save with clock data: 8,192 bytes\nThe last 16 bytes of the file are an emulator's "
         "clock data, not save data; they are left out."},
        {"SharkPort EEPROM", slots::EditMode::Gba, "game.sps",
         SharkPort(WordsReversed(save8k), "POKEMON RUBY", "AXVE"), save8k, 0,
         "Inport - [SharkPort SAVEDATA](*.SPS) type",
         "SharkPort save: 8,192 bytes\nGame: POKEMON RUBY (AXVE)"},
        {"SharkPort with a wrong checksum", slots::EditMode::Gba, "game.XPS",
         SharkPort(save64k, "METROID", "BMXE", false), save64k, 0,
         "Inport - [SharkPort SAVEDATA](*.XPS) type",
         "SharkPort save: 65,536 bytes\nGame: METROID (BMXE)\nThe checksum of this file does "
         "not match its data: the file may be damaged."},
        {"GameShark SP", slots::EditMode::Gba, "game.gsv", GameSharkSp(save64k, 5, "ADVANCE WARS"),
         save64k, 0, "Inport - [GameShark SP SAVEDATA](*.GSV) type",
         "GameShark SP save: 65,536 bytes\nGame: ADVANCE WARS"},
    };
    for (const Case& c : cases) {
        SetUpSlot(c.mode, LayoutFor(c.mode).newFormSize);
        Choose(c.name, c.file);
        Import();
        const Bytes now = SlotNow();
        EXPECT_EQ(now, Overlaid(slot, c.save)) << c.what;
        if (c.byNameAt != kNothingToCompare) {
            const std::size_t n = std::min(c.file.size() - c.byNameAt, Region());
            EXPECT_NE(Slice(now, 0, n), Slice(c.file, c.byNameAt, n)) << c.what;
        }
        ASSERT_EQ(prompter.shown.size(), 2u) << c.what;
        EXPECT_EQ(prompter.shown[0].caption, c.caption) << c.what;
        EXPECT_EQ(prompter.shown[0].text, std::string(kQuestion).insert(
                                              std::string(kQuestion).size() - 25, "\n\n" + c.note))
            << c.what;
        EXPECT_EQ(prompter.LastMessage().text, "Success!\n" + c.note) << c.what;
    }
}

// Files the program cannot read safely are refused before anything is written.
TEST_F(ImportTest, UnreadableContainersAreRefusedAndChangeNothing) {
    using namespace files;
    // Read by its name alone, a savestate decodes to bytes that would have gone into the slot.
    EXPECT_GT(formats::DecodeDst(Savestate(5000)).length, 0u);
    Bytes lying = NocashHeader(0, 0x7FFFFFFF);
    lying.resize(0x4C + 64);
    struct Case {
        const char* what;
        slots::EditMode mode;
        const char* name;
        Bytes file;
        std::string message;
    };
    const Case cases[] = {
        {"DeSmuME savestate", slots::EditMode::Nds, "game.dst", Savestate(5000),
         "It doesn't import this file: it is a DeSmuME savestate, a snapshot of the whole "
         "emulator, not a save. Export the save from the emulator (a .dsv or .sav file) and "
         "import that."},
        {".dsv without a footer", slots::EditMode::Nds, "game.dsv", PatternBytes(8192, 1),
         "It doesn't import this file: it does not end with the footer of a DeSmuME save."},
        {"no$gba header naming more than the file", slots::EditMode::Gba, "game.sav", lying,
         "It doesn't import this no$gba save: its header names 2147483647 bytes of save data, "
         "more than the file holds."},
        {".gsv without its header", slots::EditMode::Gba, "game.gsv", PatternBytes(9000, 1),
         "It doesn't import this file: it does not begin with the header of a GameShark SP "
         "save."},
    };
    for (const Case& c : cases) {
        SetUpSlot(c.mode, slots::kOldFormSize);
        Choose(c.name, c.file);
        Import();
        EXPECT_EQ(prompter.Transcript(), std::vector<std::string>{"error: " + c.message}) << c.what;
        EXPECT_EQ(SlotNow(), slot) << c.what;
    }
}

}  // namespace
}  // namespace slotkit::test
