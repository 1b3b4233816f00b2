// Exporting the selected slot's save into a new file of the game's save size.
#include <gtest/gtest.h>

#include "base/display_text.h"
#include "commands/export_new.h"
#include "exchange_test_support.h"
#include "formats/save_containers.h"

namespace slotkit::test {
namespace {

// What a DS export says when the slot's game is not on the card.
const std::string kGuessed =
    "The game's save size is not known (the slot's ROM is not on the card): the size was "
    "guessed from the save's data. Another size can be chosen in the file chooser's size box "
    "(export-new --size on the command line).";

// A scripted prompter whose save chooser also answers the size choice.
class SizingPrompter : public ScriptedPrompter {
  public:
    std::optional<std::uint64_t> size;  // the user's choice; nothing: keep the suggestion
    std::uint64_t suggested = 0;
    std::vector<std::uint64_t> offered;

    std::optional<std::string> ChooseSaveFileAndSize(const std::vector<ports::FileFilter>& filters,
                                                     std::string_view title,
                                                     std::span<const std::uint64_t> sizes,
                                                     std::uint64_t& chosen) override {
        suggested = chosen;
        offered.assign(sizes.begin(), sizes.end());
        if (size) {
            chosen = *size;
        }
        return ChooseSaveFile(filters, title);
    }
};

class ExportNewTest : public ::testing::Test {
  protected:
    TempCard card;
    SizingPrompter prompter;
    MemorySlotView view;
    slots::EditMode mode = slots::EditMode::Nds;
    Bytes slot;
    std::string target;

    // A slot whose save data region holds `used` bytes of data, then `fill` to its end.
    void SetUpSlot(slots::EditMode slotMode, std::size_t used, std::uint8_t fill = 0xFF,
                   std::uint64_t size = 0) {
        mode = slotMode;
        const slots::SlotLayout& layout = LayoutFor(mode);
        slot = card.WriteSlot(mode, "GAME.DAT", size ? size : layout.newFormSize);
        std::fill(slot.begin() + static_cast<std::ptrdiff_t>(used),
                  slot.begin() + static_cast<std::ptrdiff_t>(
                                     std::min<std::uint64_t>(layout.saveRegionSize, slot.size())),
                  fill);
        WriteFile(card.SlotFile(mode, "GAME.DAT"), slot);
        commands::Refresh(Context());
        view.selected = {0};
        prompter.shown.clear();
    }
    slots::CommandContext Context() {
        return slots::CommandContext{card.Root(), mode, prompter, view};
    }
    void ExportTo(const std::string& name) {
        target = (card.PcFolder() / name).string();
        prompter.paths.push_back(target);
        commands::ExportNewSave(Context());
    }
};

TEST_F(ExportNewTest, RawSavOfTheSuggestedSize) {
    SetUpSlot(slots::EditMode::Nds, 8000);
    ExportTo("game.sav");
    EXPECT_EQ(ReadFile(target), Slice(slot, 0, 8192));
    EXPECT_EQ(prompter.suggested, 8192u);
    EXPECT_EQ(prompter.offered,
              (std::vector<std::uint64_t>{512, 8192, 32768, 65536, 131072, 262144}));
    ASSERT_EQ(prompter.choosers.size(), 1u);
    EXPECT_EQ(prompter.choosers[0].kind, "save");
    EXPECT_EQ(prompter.choosers[0].title, "Export to a new file");
    ASSERT_EQ(prompter.choosers[0].filters.size(), 2u);
    EXPECT_EQ(prompter.choosers[0].filters[1].description, "DeSmuME File(*.dsv)");
    EXPECT_EQ(prompter.Transcript(),
              std::vector<std::string>{
                  "true: Success!\nThe new file holds a save of 8,192 bytes.\n" + kGuessed});
    EXPECT_EQ(ReadFile(card.SlotFile(mode, "GAME.DAT")), slot);
}

TEST_F(ExportNewTest, DsvHasTheSaveThenTheFooter) {
    SetUpSlot(slots::EditMode::Nds, 70000, 0x00);
    ExportTo("game.DSV");
    Bytes expected = Slice(slot, 0, 131072);
    const Bytes footer = formats::DesmumeFooter(131072);
    expected.insert(expected.end(), footer.begin(), footer.end());
    EXPECT_EQ(ReadFile(target), expected);
}

TEST_F(ExportNewTest, TheChosenSizeOverridesTheSuggestion) {
    SetUpSlot(slots::EditMode::Gba, 100);
    prompter.size = 65536;
    ExportTo("game.sav");
    EXPECT_EQ(prompter.suggested, 512u);
    EXPECT_EQ(ReadFile(target), Slice(slot, 0, 65536));
    EXPECT_EQ(prompter.choosers[0].filters.size(), 1u);
    EXPECT_EQ(prompter.LastMessage().text, "Success!\nThe new file holds a save of 65,536 bytes.");
}

// A size that cuts off data (bytes that are not the save's padding) is asked about first; one
// that cuts off padding only is not.
TEST_F(ExportNewTest, ASizeThatCutsOffDataIsAskedAbout) {
    SetUpSlot(slots::EditMode::Nds, 262144);  // data to the region's end: 0xFF nowhere as padding
    slot[262143] = 0xFF;
    std::fill(slot.begin() + 9000, slot.begin() + 262143, 0xFF);  // data up to byte 9,000
    WriteFile(card.SlotFile(mode, "GAME.DAT"), slot);
    const std::size_t lost = static_cast<std::size_t>(
        std::count_if(slot.begin() + 8192, slot.begin() + 9000, [](auto b) { return b != 0xFF; }));
    ASSERT_GT(lost, 0u);
    prompter.size = 8192;
    prompter.answers = {false};
    ExportTo("cut.sav");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].caption, "Export to a new file");
    EXPECT_EQ(prompter.shown[0].text,
              "A save of 8,192 bytes leaves out the slot's save data from byte 8,192 on: " +
                  base::ByteCount(lost) +
                  " bytes there are not blank, and the new file will not hold them.\nThe "
                  "smallest size that holds the whole save is 32,768 bytes.\n\nDoes it execute "
                  "really?");
    EXPECT_FALSE(std::filesystem::exists(target));

    prompter.shown.clear();
    prompter.answers = {true};
    ExportTo("cut.sav");
    EXPECT_EQ(ReadFile(target), Slice(slot, 0, 8192));

    // Only padding past the size: no question.
    SetUpSlot(slots::EditMode::Nds, 400, 0x00);
    prompter.size = 512;
    ExportTo("small.sav");
    EXPECT_EQ(prompter.Transcript(),
              std::vector<std::string>{"true: Success!\nThe new file holds a save of 512 bytes.\n" +
                                       kGuessed});
}

// Every refusal writes nothing.
TEST_F(ExportNewTest, Refusals) {
    struct Case {
        const char* what;
        slots::EditMode mode;
        const char* name;
        std::optional<std::uint64_t> size;
        std::uint64_t slotSize;  // 0: a slot of the new form
        std::string message;
    };
    const Case cases[] = {
        {"another extension", slots::EditMode::Nds, "game.dss", std::nullopt, 0,
         "It doesn't export to this kind of file. A new file can be *.sav (the save alone) or "
         "*.dsv (a DeSmuME save)."},
        {".dsv in GBA mode", slots::EditMode::Gba, "game.dsv", std::nullopt, 0,
         "It doesn't export to this kind of file. A new file can be *.sav (the save alone)."},
        {"a size no game has", slots::EditMode::Nds, "game.sav", 1000, 0,
         "It doesn't export a save of 1,000 bytes. The save sizes are 512, 8,192, 32,768, "
         "65,536, 131,072, 262,144 bytes."},
        {"a NDS size in GBA mode", slots::EditMode::Gba, "game.sav", 262144, 0,
         "It doesn't export a save of 262,144 bytes. The save sizes are 512, 8,192, 32,768, "
         "65,536, 131,072 bytes."},
        {"a slot too short for the size", slots::EditMode::Nds, "game.sav", 32768, 9000,
         "It doesn't export a save of 32,768 bytes: the file of the memory card holds only "
         "9,000 bytes of save data."},
    };
    for (const Case& c : cases) {
        SetUpSlot(c.mode, 10, 0xFF, c.slotSize);
        prompter.size = c.size;
        ExportTo(c.name);
        EXPECT_EQ(prompter.Transcript(), std::vector<std::string>{"error: " + c.message}) << c.what;
        EXPECT_FALSE(std::filesystem::exists(target)) << c.what;
        EXPECT_EQ(FolderEntries(card.PcFolder()), std::vector<std::string>{}) << c.what;
    }
}

TEST_F(ExportNewTest, AnExistingFileIsReplacedWhole) {
    SetUpSlot(slots::EditMode::Nds, 400);
    WriteFile(card.PcFolder() / "game.sav", PatternBytes(100000, 3));
    ExportTo("game.sav");
    EXPECT_EQ(ReadFile(target), Slice(slot, 0, 512));
    EXPECT_EQ(FolderEntries(card.PcFolder()), std::vector<std::string>{"game.sav"});
}

TEST_F(ExportNewTest, NothingSelectedOrARowWithoutAFile) {
    SetUpSlot(slots::EditMode::Nds, 400);
    view.selected = {};
    ExportTo("game.sav");
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(prompter.choosers.empty());

    view.selected = {1};
    ExportTo("game.sav");
    EXPECT_EQ(prompter.Transcript(),
              std::vector<std::string>{"error: It doesn't open the file of the memory card."});
    EXPECT_FALSE(std::filesystem::exists(target));
}

}  // namespace
}  // namespace slotkit::test
