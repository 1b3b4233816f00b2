// Importing a foreign save into the selected slot.
#include <gtest/gtest.h>

#include "exchange/dst_decoder.h"
#include "exchange/import_save.h"
#include "exchange_test_support.h"

namespace slotkit::test {
namespace {

constexpr const char* kQuestion =
    "Does the import of the save data.\nDon't use for an [Not-used] slot.\nIt doesn't permit "
    "writing in save of the different game, too.\n\nDoes it execute really?";

class ImportTest : public CardTest {
  protected:
    Bytes slot;

    // One slot, listed and selected.
    void SetUpSlot(EditMode slotMode, std::uint64_t size) {
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

    void Import() { ImportSave(Context()); }

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
    SetUpSlot(EditMode::Gba, kGbaLayout.newFormSize);
    const Bytes save = PatternBytes(65536, 1);
    Choose("game.sav", save);
    Import();

    EXPECT_EQ(SlotNow(), Overlaid(slot, save));
    ASSERT_EQ(prompter.choosers.size(), 1u);
    EXPECT_EQ(prompter.choosers[0].kind, "open");
    EXPECT_EQ(prompter.choosers[0].title, "");
    ASSERT_EQ(prompter.choosers[0].filters.size(), 1u);
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
        SetUpSlot(EditMode::Nds, kNdsLayout.newFormSize);
        const Bytes save = PatternBytes(Region(), 2);
        Choose(name, Joined(Header(500), save));
        Import();
        const Bytes now = SlotNow();
        EXPECT_EQ(now, Overlaid(slot, save)) << name;
        EXPECT_EQ(prompter.shown[0].caption, caption);
        EXPECT_EQ(prompter.LastMessage().text, "Success!");
    }
    EXPECT_EQ(prompter.choosers[0].filters.size(), 5u);
    EXPECT_EQ(prompter.choosers[0].filters[0].description, "ALL Files(*.*)");
    EXPECT_EQ(prompter.choosers[0].filters[2].description, "MAXDRIVE Compressed File(*.dst)");
}

TEST_F(ImportTest, DstIsDecodedIntoTheSlot) {
    SetUpSlot(EditMode::Nds, kOldFormSize);
    Bytes file(kDstMarkerOffset, 0);
    file.insert(file.end(), {0xEE, 0x41, 0x00, 0x42, 0xEE, 0x03, 0x55, 0x00, 0x00, 0x00, 0x99});
    Choose("game.dst", file);
    Import();
    EXPECT_EQ(SlotNow(), Overlaid(slot, {0x41, 0x00, 0x42, 0x55, 0x55, 0x55, 0x55}));
    EXPECT_EQ(prompter.shown[0].caption, "Inport - [MAXDRIVE-DS Compress-data](*.DST) type");
}

// Save data longer than the region is cut to it: the trailer and the file length stay.
TEST_F(ImportTest, DataLongerThanTheRegionIsCutAndTheUserIsTold) {
    SetUpSlot(EditMode::Nds, kNdsLayout.newFormSize);
    const Bytes save = PatternBytes(Region() + 1500, 3);
    Choose("big.sav", save);
    Import();

    const Bytes now = SlotNow();
    ASSERT_EQ(now.size(), slot.size());
    EXPECT_EQ(Slice(now, 0, Region()), Slice(save, 0, Region()));
    EXPECT_EQ(Slice(now, Region(), kTrailerSize), Slice(slot, Region(), kTrailerSize));
    EXPECT_NE(prompter.shown[0].text.find("1,500 bytes are left out."), std::string::npos);
    EXPECT_TRUE(prompter.shown[0].text.ends_with("\n\nDoes it execute really?"));
    EXPECT_EQ(prompter.LastMessage().kind, Shown::Kind::Info);
    EXPECT_TRUE(prompter.LastMessage().text.starts_with("Success!\n"));
    EXPECT_NE(prompter.LastMessage().text.find("1,500 bytes are left out."), std::string::npos);
}

TEST_F(ImportTest, DstPastTheDecoderBufferIsCutLikeAnyLongData) {
    SetUpSlot(EditMode::Nds, kOldFormSize);
    Bytes file(kDstMarkerOffset, 0);
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
    SetUpSlot(EditMode::Gba, kGbaLayout.newFormSize);
    const Bytes save = PatternBytes(Region(), 4);
    Choose("exact.sav", save);
    Import();
    EXPECT_EQ(SlotNow(), Overlaid(slot, save));
    EXPECT_EQ(prompter.shown[0].text, kQuestion);
    EXPECT_EQ(prompter.LastMessage().text, "Success!");
}

TEST_F(ImportTest, EmptySaveDataWritesNothingAndSucceeds) {
    Bytes dst(kDstMarkerOffset + 1, 0);
    dst.back() = 0xEE;
    const std::pair<const char*, Bytes> files[] = {{"empty.sav", {}},
                                                   {"empty.dss", Header(500)},
                                                   {"empty.duc", Header(500)},
                                                   {"empty.dst", dst}};
    for (const auto& [name, content] : files) {
        SetUpSlot(EditMode::Nds, kNdsLayout.newFormSize);
        Choose(name, content);
        Import();
        EXPECT_EQ(SlotNow(), slot) << name;
        EXPECT_EQ(prompter.LastMessage().text, "Success!") << name;
        EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), std::vector<std::string>{"GAME.DAT"});
    }
}

TEST_F(ImportTest, SelectionOtherThanOneRow) {
    card.WriteSlot(EditMode::Nds, "A.DAT", kNdsLayout.newFormSize);
    card.WriteSlot(EditMode::Nds, "B.DAT", kNdsLayout.newFormSize);
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
        EditMode mode;
        const char* chosen;  // a file of that name is written unless it is "missing"
        std::size_t chosenSize;
        int row;  // 0: GAME.DAT; 1: a row without a file
        const char* message;
    };
    const Case cases[] = {
        {"missing import file", EditMode::Nds, "missing", 0, 0, "It doesn't open an import file."},
        {"row without a file", EditMode::Nds, "game.sav", 100, 1,
         "It doesn't open the file of the memory card."},
        {"the slot is checked before the type", EditMode::Nds, "game.txt", 100, 1,
         "It doesn't open the file of the memory card."},
        {"unknown type", EditMode::Nds, "game.txt", 100, 0, "It doesn't support."},
        {".dss in GBA mode", EditMode::Gba, "game.dss", 1000, 0, "It doesn't support."},
        {".dst in GBA mode", EditMode::Gba, "game.dst", 1000, 0, "It doesn't support."},
        {".dss shorter than its header", EditMode::Nds, "game.dss", 499, 0,
         "It doesn't import: the file is shorter than the 500-byte header of a *.DSS file."},
        {".duc shorter than its header", EditMode::Nds, "game.duc", 0, 0,
         "It doesn't import: the file is shorter than the 500-byte header of a *.DUC file."},
    };
    for (const Case& c : cases) {
        SetUpSlot(c.mode, kOldFormSize);
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
    SetUpSlot(EditMode::Nds, kNdsLayout.newFormSize);
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
    SetUpSlot(EditMode::Nds, kNdsLayout.newFormSize);
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
    SetUpSlot(EditMode::Nds, kNdsLayout.newFormSize);
    Choose("game.sav", PatternBytes(1000, 8));
    QuestionHookPrompter hooked;
    hooked.paths = prompter.paths;
    {
        FolderBlocked blocked(card.SaveFolder(mode));
        hooked.onQuestion = [&] { blocked.Block(); };
        ImportSave(CommandContext{card.Root(), mode, hooked, view});
    }
    const Shown last = hooked.LastMessage();
    EXPECT_EQ(last.kind, Shown::Kind::Failure);
    EXPECT_EQ(last.caption, "error");
    EXPECT_TRUE(last.text.starts_with("It doesn't write the file of the memory card.\n"));
    EXPECT_EQ(SlotNow(), slot);
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), std::vector<std::string>{"GAME.DAT"});
}

}  // namespace
}  // namespace slotkit::test
