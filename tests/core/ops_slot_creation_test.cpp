#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "commands/slot_creation.h"
#include "history/keep_history.h"
#include "ops_fixture.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDummyQuestion =
    "<< Alert >>: This mode creates a Q9-Save slot(dummy slot).\nWhen executing to existing "
    "file, it erases contents.\nDoes it execute really?";
constexpr const char* kConvertQuestion =
    "<< Alert >>: Changes old form (1024KB) into new format (257KB).\nThere is possibility that "
    "the file breaks.\nDo Backup beforehand.";

bool AllZero(const Bytes& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

class SlotCreationTest : public OpsTest {};

TEST_F(SlotCreationTest, DummyBlanksExistingFilesWithTheModesSize) {
    struct Case {
        slots::EditMode mode;
        std::uint64_t before, after;
    };
    for (const Case c : {Case{slots::EditMode::Nds, slots::kOldFormSize, 263'168},
                         Case{slots::EditMode::Gba, 132'096, 1'048'576}}) {
        mode = c.mode;
        card.WriteSlot(mode, "SAVE.DAT", c.before);
        SelectFiles({"SAVE.DAT"});
        commands::MakeDummy(Context());

        const Bytes after = ReadFile(Slot("SAVE.DAT"));
        EXPECT_EQ(after.size(), c.after);
        EXPECT_TRUE(AllZero(after));
        EXPECT_EQ(prompter.Transcript(),
                  (std::vector<std::string>{kDummyQuestion, "message: Success!"}));
        EXPECT_EQ(prompter.beeps, 0);
        EXPECT_EQ(view.rows.at(RowOf("SAVE.DAT")).title, "Not used");
    }
    EXPECT_EQ(FolderEntries(card.SaveFolder(slots::EditMode::Nds)),
              std::vector<std::string>{"SAVE.DAT"});
}

TEST_F(SlotCreationTest, DummyAsksANameForEachRowWithoutFile) {
    SelectFiles({}, 3);
    prompter.slotNames = {"one", std::nullopt, "two.dat"};
    commands::MakeDummy(Context());

    EXPECT_EQ(prompter.slotNameDialogs, 3);
    EXPECT_EQ(prompter.beeps, 2);
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)),
              (std::vector<std::string>{"one.DAT", "two.dat"}));
    EXPECT_EQ(ReadFile(Slot("one.DAT")), Bytes(263'168, 0));
    EXPECT_EQ(ReadFile(Slot("two.dat")), Bytes(263'168, 0));
    EXPECT_EQ(prompter.LastMessage().text, "Success!");
}

TEST_F(SlotCreationTest, DummyAsksBeforeANewNameBlanksAnotherSave) {
    const Bytes keep = card.WriteSlot(mode, "KEEP.DAT", 263'168);
    SelectFiles({}, 1);
    prompter.slotNames = {"KEEP"};
    prompter.answers = {true, false};  // the command's question, then No to the overwrite
    commands::MakeDummy(Context());
    EXPECT_EQ(ReadFile(Slot("KEEP.DAT")), keep);
    ASSERT_EQ(prompter.shown.size(), 3u);
    EXPECT_EQ(prompter.shown[1].caption, "<< Alert >>");
    EXPECT_NE(prompter.shown[1].text.find("KEEP.DAT"), std::string::npos);
    EXPECT_EQ(prompter.beeps, 0);

    SelectFiles({}, 1);
    prompter.slotNames = {"KEEP"};
    commands::MakeDummy(Context());
    EXPECT_EQ(ReadFile(Slot("KEEP.DAT")), Bytes(263'168, 0));
    EXPECT_EQ(prompter.beeps, 1);
}

TEST_F(SlotCreationTest, DummyRefusesNamesThatAreNotPlainAndWritesNothing) {
    // Among them names the card would not list: the blank slot would vanish from sight.
    const std::vector<std::optional<std::string>> names{
        "../x", "a/b", std::string(300, 'n'), "", "   ", "Save v1.2", "ABC.", "...", "FOO.SAV"};
    SelectFiles({}, static_cast<int>(names.size()));
    prompter.slotNames.assign(names.begin(), names.end());
    commands::MakeDummy(Context());

    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), std::vector<std::string>{});
    EXPECT_EQ(FolderEntries(card.Dir() / "card"), std::vector<std::string>{"NDSSAVE"});
    EXPECT_EQ(prompter.beeps, 0);
    const auto failures =
        std::count_if(prompter.shown.begin(), prompter.shown.end(),
                      [](const Shown& s) { return s.kind == Shown::Kind::Failure; });
    // A refusal a name, then the report; a name left empty is said in the report alone.
    EXPECT_EQ(failures, static_cast<long>(names.size()) - 2 + 1);
    EXPECT_EQ(prompter.LastMessage().kind, Shown::Kind::Failure);
    EXPECT_EQ(prompter.LastMessage().text.rfind("Failed!", 0), 0u);
}

// "Success!" only when a slot was made; an empty name is one message, about the empty name.
TEST_F(SlotCreationTest, DummySaysWhatItDidWhenItMadeNothing) {
    SelectFiles({}, 1);
    prompter.slotNames = {std::nullopt};
    commands::MakeDummy(Context());
    EXPECT_EQ(prompter.Transcript(),
              (std::vector<std::string>{kDummyQuestion, "message: No slot was made."}));

    SelectFiles({}, 1);
    prompter.slotNames = {""};
    commands::MakeDummy(Context());
    const int row = FirstEmptyRow();
    EXPECT_EQ(prompter.Transcript(),
              (std::vector<std::string>{kDummyQuestion,
                                        "error: Failed!\nThese DAT files were not written:\nRow " +
                                            std::string(row < 10 ? "0" : "") + std::to_string(row) +
                                            ": no name was typed, so no slot was made"}));
    EXPECT_TRUE(prompter.AnyFailure());
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), std::vector<std::string>{});
}

#ifndef _WIN32  // needs a child process or POSIX permissions
TEST_F(SlotCreationTest, DummyReportsAFailedWriteAndKeepsThatFile) {
    const Bytes a = card.WriteSlot(mode, "A.DAT", slots::kOldFormSize);
    card.WriteSlot(mode, "B.DAT", slots::kOldFormSize);
    SelectFiles({"A.DAT", "B.DAT"});
    // B.DAT has become a folder since the listing: its blank cannot be written.
    fs::remove(Slot("B.DAT"));
    fs::create_directory(Slot("B.DAT"));
    commands::MakeDummy(Context());
    EXPECT_EQ(ReadFile(Slot("A.DAT")), Bytes(263'168, 0));
    EXPECT_TRUE(fs::is_directory(Slot("B.DAT")));
    EXPECT_EQ(prompter.LastMessage().caption, "error");
    EXPECT_NE(prompter.LastMessage().text.find("B.DAT"), std::string::npos);
    EXPECT_TRUE(prompter.AnyFailure());

    // A write that fails part-way leaves the old file whole.
    fs::remove(Slot("B.DAT"));
    WriteFile(Slot("A.DAT"), a);
    SelectFiles({"A.DAT"});
    // The history holds these versions already, so only the card's own write can fail.
    ASSERT_TRUE(history::KeepBeforeChange(Context(), {"A.DAT"}, "dummy"));
    const int status = RunInChild([&] {
        LimitFileSize(4096);
        commands::MakeDummy(Context());
        return prompter.AnyFailure() ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(Slot("A.DAT")), a);
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), std::vector<std::string>{"A.DAT"});
}
#endif

TEST_F(SlotCreationTest, DummyAnsweredNoWritesNothingAndNoSelectionSaysSo) {
    const Bytes a = card.WriteSlot(mode, "A.DAT", slots::kOldFormSize);
    SelectFiles({"A.DAT"});
    prompter.answers = {false};
    commands::MakeDummy(Context());
    EXPECT_EQ(ReadFile(Slot("A.DAT")), a);
    EXPECT_EQ(view.showCount, 0);

    SelectFiles({});
    commands::MakeDummy(Context());
    EXPECT_EQ(prompter.Transcript(),
              (std::vector<std::string>{kDummyQuestion,
                                        "message: No row was selected: no slot was made."}));
    EXPECT_EQ(prompter.slotNameDialogs, 0);
    EXPECT_GT(view.showCount, 0);
}

TEST_F(SlotCreationTest, ConvertCutsOldFormsToTheModesNewForm) {
    for (const auto& [m, kept] : {std::pair{slots::EditMode::Nds, std::size_t{263'168}},
                                  std::pair{slots::EditMode::Gba, std::size_t{132'096}}}) {
        mode = m;
        const Bytes old = card.WriteSlot(mode, "OLD.DAT", slots::kOldFormSize);
        SelectFiles({"OLD.DAT"});
        commands::Convert(Context());
        EXPECT_EQ(ReadFile(Slot("OLD.DAT")), Bytes(old.begin(), old.begin() + kept));
        EXPECT_EQ(prompter.Transcript(),
                  (std::vector<std::string>{kConvertQuestion, "message: Success!"}));
    }
}

TEST_F(SlotCreationTest, ConvertLeavesNewFormsAndShortFilesAndReportsTheShortOnes) {
    const Bytes done = card.WriteSlot(mode, "NEW.DAT", 263'168);
    const Bytes shorter = card.WriteSlot(mode, "SHORT.DAT", 100'000);
    const Bytes old = card.WriteSlot(mode, "OLD.DAT", slots::kOldFormSize);
    const auto writtenBefore = std::filesystem::last_write_time(Slot("NEW.DAT"));
#ifndef _WIN32
    struct stat before;
    ASSERT_EQ(::stat(Slot("NEW.DAT").c_str(), &before), 0);
#endif

    SelectFiles({"NEW.DAT", "SHORT.DAT", "OLD.DAT"}, 1);
    commands::Convert(Context());

    EXPECT_EQ(ReadFile(Slot("NEW.DAT")), done);
    EXPECT_EQ(ReadFile(Slot("SHORT.DAT")), shorter);
    EXPECT_EQ(ReadFile(Slot("OLD.DAT")), Bytes(old.begin(), old.begin() + 263'168));
    EXPECT_EQ(std::filesystem::last_write_time(Slot("NEW.DAT")), writtenBefore);
#ifndef _WIN32
    struct stat after;
    ASSERT_EQ(::stat(Slot("NEW.DAT").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);  // not replaced by a new file either
#endif

    const Shown last = prompter.LastMessage();
    EXPECT_EQ(last.kind, Shown::Kind::Failure);
    EXPECT_EQ(last.caption, "error");
    EXPECT_NE(last.text.find("SHORT.DAT"), std::string::npos);
    EXPECT_EQ(last.text.find("NEW.DAT"), std::string::npos);
    EXPECT_EQ(prompter.shown.size(), 2u);  // the question, then the report: no other message
}

TEST_F(SlotCreationTest, ConvertWithoutSelectionAsksNothingAndSkipsRowsWithoutFile) {
    SelectFiles({});
    commands::Convert(Context());
    EXPECT_TRUE(prompter.shown.empty());

    SelectFiles({}, 2);
    commands::Convert(Context());
    EXPECT_EQ(prompter.Transcript(),
              (std::vector<std::string>{kConvertQuestion, "message: Success!"}));
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), std::vector<std::string>{});
}

}  // namespace
}  // namespace slotkit::test
