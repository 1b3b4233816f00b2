// Exporting the selected slot's save data into an existing foreign save.
#include <gtest/gtest.h>

#include "commands/exchange_steps.h"
#include "commands/export_save.h"
#include "exchange_test_support.h"
#include "foreign_files.h"

namespace slotkit::test {
namespace {

constexpr const char* kQuestion =
    "Does the export of the save data.\nIt doesn't permit writing in save of the different game, "
    "too.\n\nDoes it execute really?";

class ExportTest : public CardTest {
  protected:
    Bytes slot;
    Bytes before;  // the target before the export
    std::string target;

    void SetUpSlot(slots::EditMode slotMode, std::uint64_t size) {
        mode = slotMode;
        slot = card.WriteSlot(mode, "GAME.DAT", size);
        ListAndSelect({0});
    }
    void ChooseTarget(const std::string& name, std::size_t size) {
        target = (card.PcFolder() / name).string();
        before = PatternBytes(size, 40);
        WriteFile(target, before);
        prompter.paths.push_back(target);
    }
    Bytes TargetNow() const { return ReadFile(target); }
    Bytes SlotNow() { return ReadFile(card.SlotFile(mode, "GAME.DAT")); }
    void Export() { commands::ExportSave(Context()); }
    std::size_t Region() const { return LayoutFor(mode).saveRegionSize; }
};

TEST_F(ExportTest, GbaSavTargetReceivesTheStartOfTheRegionAndKeepsItsLength) {
    SetUpSlot(slots::EditMode::Gba, slots::kGbaLayout.newFormSize);
    ChooseTarget("game.sav", 65536);
    Export();
    EXPECT_EQ(TargetNow(), Slice(slot, 0, 65536));
    EXPECT_EQ(SlotNow(), slot);
    ASSERT_EQ(prompter.choosers.size(), 1u);
    EXPECT_EQ(prompter.choosers[0].kind, "open");
    EXPECT_EQ(prompter.choosers[0].title, "");
    ASSERT_EQ(prompter.choosers[0].filters.size(), 1u);
    EXPECT_EQ(prompter.choosers[0].filters[0].description, "SAV File(*.sav)");
    EXPECT_EQ(
        prompter.Transcript(),
        (std::vector<std::string>{
            std::string("Export - [VisualBoyAdvance/No-header SAVEDATA](*.SAV) type: ") + kQuestion,
            "true: Success!"}));
    EXPECT_EQ(prompter.LastMessage().kind, Shown::Kind::Info);
    EXPECT_EQ(view.showCount, 0);
}

TEST_F(ExportTest, DssAndDucTargetsKeepTheirHeader) {
    const std::pair<const char*, const char*> files[] = {
        {"game.DSS", "Export - [ACTION REPLAY MAX Duo](*.DSS) type"},
        {"game.duc", "Export - [MAXDRIVE-DS NoCompress-data](*.DUC) type"}};
    for (const auto& [name, caption] : files) {
        SetUpSlot(slots::EditMode::Nds, slots::kNdsLayout.newFormSize);
        ChooseTarget(name, 500 + Region());
        Export();
        EXPECT_EQ(TargetNow(), Overlaid(before, Slice(slot, 0, Region()), 500)) << name;
        EXPECT_EQ(prompter.shown[0].caption, caption);
        EXPECT_EQ(prompter.shown[0].text, kQuestion);
        EXPECT_EQ(prompter.LastMessage().text, "Success!");
    }
    EXPECT_EQ(prompter.choosers[0].filters.size(), 6u);
    EXPECT_EQ(prompter.choosers[0].filters[4].description, "SAV File(*.sav)");
    EXPECT_EQ(prompter.choosers[0].filters[5].description, "DeSmuME File(*.dsv)");
}

// A target with room for more than the region gets the region only; the slot trailer is never
// copied and the target's bytes behind the region stay.
TEST_F(ExportTest, TargetLongerThanTheRegionKeepsItsBytesBeyondIt) {
    SetUpSlot(slots::EditMode::Nds, slots::kOldFormSize);
    ChooseTarget("big.sav", Region() + 5000);
    Export();
    EXPECT_EQ(TargetNow(), Overlaid(before, Slice(slot, 0, Region())));
    EXPECT_NE(prompter.shown[0].text.find("the other 5,000 bytes stay as they were."),
              std::string::npos);
    EXPECT_TRUE(prompter.LastMessage().text.starts_with("Success!\n"));
    EXPECT_EQ(prompter.LastMessage().kind, Shown::Kind::Info);
}

TEST_F(ExportTest, OnlyTheBytesTheSlotHoldsAreCopied) {
    SetUpSlot(slots::EditMode::Nds, 1000);  // a damaged slot
    ChooseTarget("game.dss", 500 + 4000);
    Export();
    EXPECT_EQ(TargetNow(), Overlaid(before, slot, 500));
    EXPECT_NE(prompter.shown[0].text.find("holds only 1,000 bytes"), std::string::npos);
    EXPECT_NE(prompter.shown[0].text.find("the other 3,000 bytes"), std::string::npos);
}

TEST_F(ExportTest, TargetsWithoutRoomForDataSucceedWithoutWriting) {
    const std::pair<const char*, std::size_t> files[] = {
        {"empty.sav", 0}, {"empty.dss", 500}, {"empty.duc", 500}};
    for (const auto& [name, size] : files) {
        SetUpSlot(slots::EditMode::Nds, slots::kNdsLayout.newFormSize);
        ChooseTarget(name, size);
        Export();
        EXPECT_EQ(TargetNow(), before) << name;
        EXPECT_EQ(prompter.LastMessage().text, "Success!") << name;
    }
    EXPECT_EQ(FolderEntries(card.PcFolder()),
              (std::vector<std::string>{"empty.dss", "empty.duc", "empty.sav"}));
}

TEST_F(ExportTest, SelectionOtherThanOneRow) {
    card.WriteSlot(slots::EditMode::Nds, "A.DAT", slots::kNdsLayout.newFormSize);
    card.WriteSlot(slots::EditMode::Nds, "B.DAT", slots::kNdsLayout.newFormSize);
    ListAndSelect({});
    Export();
    EXPECT_TRUE(prompter.shown.empty());
    ListAndSelect({0, 1});
    Export();
    EXPECT_EQ(prompter.Transcript(),
              std::vector<std::string>{"Alert: Please select a one-savefile."});
    EXPECT_TRUE(prompter.choosers.empty());
}

TEST_F(ExportTest, RefusalsChangeNothing) {
    struct Case {
        const char* what;
        slots::EditMode mode;
        const char* target;  // "missing": no such file
        std::size_t size;
        int row;  // 0: GAME.DAT; 1: a row without a file
        const char* message;
    };
    const Case cases[] = {
        {"missing target", slots::EditMode::Nds, "missing", 0, 0,
         "It doesn't open an export file."},
        {"row without a file", slots::EditMode::Nds, "game.sav", 100, 1,
         "It doesn't open the file of the memory card."},
        {"the slot is checked before the type", slots::EditMode::Nds, "game.dst", 100, 1,
         "It doesn't open the file of the memory card."},
        {".dst target", slots::EditMode::Nds, "game.dst", 5000, 0,
         "It isn't supporting MAXDRIVE-DST(Compress) file."},
        {".duc in GBA mode", slots::EditMode::Gba, "game.duc", 5000, 0, "It doesn't support."},
        {"unknown type", slots::EditMode::Nds, "game.bin", 5000, 0, "It doesn't support."},
        {".dss shorter than its header", slots::EditMode::Nds, "game.dss", 100, 0,
         "It doesn't export: the file is shorter than the 500-byte header of a *.DSS file."},
        {".duc shorter than its header", slots::EditMode::Nds, "game.duc", 499, 0,
         "It doesn't export: the file is shorter than the 500-byte header of a *.DUC file."},
    };
    for (const Case& c : cases) {
        SetUpSlot(c.mode, slots::kOldFormSize);
        ListAndSelect({c.row});
        const bool missing = std::string(c.target) == "missing";
        ChooseTarget(c.target, c.size);
        if (missing) {
            std::filesystem::remove(target);
        }
        Export();
        EXPECT_EQ(prompter.Transcript(),
                  std::vector<std::string>{std::string("error: ") + c.message})
            << c.what;
        EXPECT_TRUE(prompter.AnyFailure()) << c.what;
        EXPECT_EQ(SlotNow(), slot) << c.what;
        if (!missing) {
            EXPECT_EQ(TargetNow(), before) << c.what;
        }
    }
}

TEST_F(ExportTest, AFolderAsTargetOrSlotIsRefused) {
    SetUpSlot(slots::EditMode::Nds, slots::kNdsLayout.newFormSize);
    std::filesystem::create_directories(card.PcFolder() / "dir.sav");
    prompter.paths.push_back((card.PcFolder() / "dir.sav").string());
    Export();
    EXPECT_EQ(prompter.LastMessage().text, "It doesn't open an export file.");

    std::filesystem::remove(card.SlotFile(mode, "GAME.DAT"));
    std::filesystem::create_directories(card.SlotFile(mode, "GAME.DAT"));
    ChooseTarget("game.sav", 100);
    Export();
    EXPECT_EQ(prompter.LastMessage().text, "It doesn't open the file of the memory card.");
    EXPECT_EQ(TargetNow(), before);
}

TEST_F(ExportTest, AnsweringNoChangesNothing) {
    SetUpSlot(slots::EditMode::Nds, slots::kNdsLayout.newFormSize);
    ChooseTarget("game.sav", 1000);
    prompter.answers.push_back(false);
    Export();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].kind, Shown::Kind::Question);
    EXPECT_EQ(TargetNow(), before);
}

TEST_F(ExportTest, AFailedWriteIsReportedAndLeavesTheTarget) {
    SetUpSlot(slots::EditMode::Nds, slots::kNdsLayout.newFormSize);
    ChooseTarget("game.sav", 1000);
    QuestionHookPrompter hooked;
    hooked.paths = prompter.paths;
    {
        FolderBlocked blocked(card.PcFolder());
        hooked.onQuestion = [&] { blocked.Block(); };
        commands::ExportSave(slots::CommandContext{card.Root(), mode, hooked, view});
    }
    const Shown last = hooked.LastMessage();
    EXPECT_EQ(last.kind, Shown::Kind::Failure);
    EXPECT_TRUE(last.text.starts_with("It doesn't write the export file.\n"));
    EXPECT_EQ(TargetNow(), before);
    EXPECT_EQ(FolderEntries(card.PcFolder()), std::vector<std::string>{"game.sav"});
    EXPECT_EQ(SlotNow(), slot);
}

// A recognised target receives the slot's data in its save only: headers and footers stay. Each
// case also shows that writing by the name alone, as before, would have damaged the file.
TEST_F(ExportTest, RecognisedTargetsKeepWhatIsNotTheirSave) {
    using namespace files;
    struct Case {
        const char* what;
        slots::EditMode mode;
        const char* name;
        Bytes file;
        std::size_t at, length;  // the save inside the file
        std::size_t byNameAt;    // where writing by the name alone began
        std::string caption;
    };
    const Case cases[] = {
        {"164-byte header .duc", slots::EditMode::Nds, "game.duc", Ar164File(Bytes(8192, 1), "A"),
         0xA4, 8192, 500, "Export - [MAXDRIVE-DS NoCompress-data](*.DUC) type"},
        {"DeSmuME .sav", slots::EditMode::Nds, "game.sav", Desmume(Bytes(8192, 1)), 0, 8192, 0,
         "Export - [SuperCard/No-header SAVEDATA](*.SAV) type"},
        {"DeSmuME .dsv", slots::EditMode::Nds, "game.dsv", Desmume(Bytes(65536, 1)), 0, 65536, 0,
         "Export - [DeSmuME SAVEDATA](*.DSV) type"},
        {"stored no$gba .sav", slots::EditMode::Gba, "game.sav", NocashStored(Bytes(32768, 1)),
         0x4C, 32768, 0, "Export - [VisualBoyAdvance/No-header SAVEDATA](*.SAV) type"},
        {"GBA .sav with clock data", slots::EditMode::Gba, "game.sav", Bytes(8192 + 16, 1), 0, 8192,
         0, "Export - [VisualBoyAdvance/No-header SAVEDATA](*.SAV) type"},
    };
    for (const Case& c : cases) {
        SetUpSlot(c.mode, LayoutFor(c.mode).newFormSize);
        target = (card.PcFolder() / c.name).string();
        WriteFile(target, c.file);
        prompter.paths.push_back(target);
        Export();
        const Bytes now = TargetNow();
        EXPECT_EQ(now, Overlaid(c.file, Slice(slot, 0, c.length), c.at)) << c.what;
        const std::size_t byNameLength = c.file.size() - c.byNameAt;
        EXPECT_NE(now, Overlaid(c.file, Slice(slot, 0, byNameLength), c.byNameAt)) << c.what;
        EXPECT_EQ(prompter.shown[0].caption, c.caption) << c.what;
        EXPECT_NE(
            prompter.shown[0].text.find("with room for " + base::ByteCount(c.length) + " bytes"),
            std::string::npos)
            << c.what;
        EXPECT_EQ(prompter.LastMessage().kind, Shown::Kind::Info) << c.what;
    }
}

TEST_F(ExportTest, TargetsItCannotWriteSafelyAreRefused) {
    using namespace files;
    struct Case {
        const char* what;
        slots::EditMode mode;
        const char* name;
        Bytes file;
        std::string message;
    };
    const Case cases[] = {
        {"compressed no$gba", slots::EditMode::Gba, "game.sav", NocashCompressed(Bytes(8192, 0xFF)),
         "It doesn't export into this no$gba save, compressed: this program does not write "
         "compressed no$gba saves; export into a no$gba save that is not compressed, or into a "
         "new file."},
        {".dsv without a footer", slots::EditMode::Nds, "game.dsv", Bytes(8192, 1),
         "It doesn't export into this file: it does not end with the footer of a DeSmuME save."},
        {".sps is imported only", slots::EditMode::Gba, "game.sps", Bytes(8192, 1),
         "It doesn't support."},
        {".gsv is imported only", slots::EditMode::Gba, "game.gsv", Bytes(8192, 1),
         "It doesn't support."},
    };
    for (const Case& c : cases) {
        SetUpSlot(c.mode, slots::kOldFormSize);
        target = (card.PcFolder() / c.name).string();
        WriteFile(target, c.file);
        prompter.paths.push_back(target);
        Export();
        EXPECT_EQ(prompter.Transcript(), std::vector<std::string>{"error: " + c.message}) << c.what;
        EXPECT_EQ(TargetNow(), c.file) << c.what;
    }
}

}  // namespace
}  // namespace slotkit::test
