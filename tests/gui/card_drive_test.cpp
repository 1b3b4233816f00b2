// The card as a user reaches it: through the drive box, and a card that is pulled out between
// the listing and a command.
//
// Under Wine, scripts/windows-cross.sh maps a temporary folder as the removable drive E: of
// the Wine prefix and names it in SLOTKIT_TEST_CARD_DRIVE (the drive root, E:\) and
// SLOTKIT_TEST_CARD_DIR (the folder behind it, as a Windows path). Without them the card is a
// temporary folder that a stand-in drive list offers.

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <optional>

#include "app/control_ids.h"
#include "app/slot_manager_dlg.h"
#include "platform/drives.h"
#include "ports/prompter.h"
#include "temp_card.h"
#include "window_fixture.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;
using app::CSlotManagerDlg;

// The mapped drive, when the test script made one.
struct MappedDrive {
    std::string root;  // E:\ .
    fs::path folder;   // the folder the drive shows
};

std::optional<MappedDrive> MappedCardDrive() {
    const char* root = std::getenv("SLOTKIT_TEST_CARD_DRIVE");
    const char* folder = std::getenv("SLOTKIT_TEST_CARD_DIR");
    if (root == nullptr || folder == nullptr || *root == '\0' || *folder == '\0') {
        return std::nullopt;
    }
    return MappedDrive{root, fs::path(folder)};
}

class CardDriveTest : public WindowTest {
  protected:
    TempCard pc;  // the PC side; also the card where no drive is mapped
    std::optional<MappedDrive> mapped = MappedCardDrive();

    void SetUp() override {
        if (mapped) {
            Empty(mapped->folder);
        }
        OpenWindow([this] {
            return mapped ? platform::RemovableDrives() : std::vector<std::string>{pc.Root()};
        });
    }
    void TearDown() override {
        WindowTest::TearDown();
        if (mapped) {
            std::error_code ignored;
            if (fs::exists(Gone()) && !fs::exists(mapped->folder)) {
                fs::rename(Gone(), mapped->folder, ignored);
            }
            Empty(mapped->folder);
        }
    }

    // The drive's mapping points at the mapped card folder: it is only emptied or renamed,
    // never removed.
    static void Empty(const fs::path& folder) {
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(folder, ignored)) {
            fs::remove_all(entry.path(), ignored);
        }
    }

    std::string Root() const { return mapped ? mapped->root : pc.Root(); }
    fs::path CardFolder() const { return mapped ? mapped->folder : pc.Dir() / "card"; }
    fs::path Gone() const { return CardFolder().string() + "-gone"; }
    fs::path Slot(const std::string& name) const { return CardFolder() / "NDSSAVE" / name; }

    // Opens the drive box, as a click on it does, and picks `root` from what it offers.
    bool PickDrive(const std::string& root) {
        window->OnDropDownDrives();
        const int index = window->DriveList()->FindString(wxString::FromUTF8(root));
        if (index == wxNOT_FOUND) {
            return false;
        }
        window->DriveList()->SetSelection(index);
        window->OnSelectDrive();
        return true;
    }
};

TEST_F(CardDriveTest, DriveBoxOffersTheCardDriveAndListsItsSlots) {
    if (!mapped) {
        GTEST_SKIP() << "needs a card folder mapped as a removable drive (the Wine run of "
                        "scripts/windows-cross.sh); elsewhere the drive box is fed by the tests";
    }
    fs::create_directories(CardFolder() / "NDSSAVE");
    WriteFile(Slot("MARIO.DAT"), Bytes(slots::kNdsLayout.newFormSize, 0));
    window->OnDropDownDrives();
    wxArrayString offered = window->DriveList()->GetStrings();
    EXPECT_NE(offered.Index(wxString::FromUTF8(mapped->root)), wxNOT_FOUND)
        << "offered: " << wxJoin(offered, ' ');
    for (const wxString& drive : offered) {
        EXPECT_TRUE(drive.size() == 3 && drive[1] == ':' && drive[2] == '\\') << drive;
        EXPECT_TRUE(drive[0] >= 'C' && drive[0] <= 'Z') << drive;
    }
    ASSERT_TRUE(PickDrive(mapped->root));
    EXPECT_EQ(window->CardRoot(), mapped->root);
    ASSERT_EQ(window->SlotList()->GetItemCount(), 100);
    EXPECT_EQ(Cell(0, 1), "MARIO.DAT");
    EXPECT_EQ(Cell(0, 2), "Not used");
    EXPECT_EQ(Cell(1, 2), "File not found.");
}

// The card leaves after its slots are listed, before the command or while its chooser is open:
// the window says the card is gone, the same on every platform, and nothing is written on the
// card's folder or the PC.
TEST_F(CardDriveTest, CardPulledOutBeforeOrDuringACommandWritesNothing) {
    const fs::path pcFile = pc.PcFolder() / "A.DAT";
    const struct {
        const char* name;
        int button;
        bool pcFileExists;  // restore reads it, backup would write it
    } cases[] = {{"backup", app::kBackupId, false}, {"restore", app::kRestoreId, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Empty(CardFolder());
        fs::create_directories(CardFolder() / "NDSSAVE");
        const Bytes slot = PatternBytes(slots::kNdsLayout.newFormSize, 1);
        WriteFile(Slot("A.DAT"), slot);
        fs::remove(pcFile);
        if (c.pcFileExists) {
            WriteFile(pcFile, PatternBytes(slots::kNdsLayout.newFormSize, 2));
        }
        ASSERT_TRUE(PickDrive(Root()));
        ASSERT_EQ(Cell(0, 1), "A.DAT");
        window->SlotList()->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);

        for (const bool duringChooser : {false, true}) {
            SCOPED_TRACE(duringChooser ? "pulled out while the chooser is open" : "before");
            window->SlotList()->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
            if (duringChooser) {
                window->Prompter().SetChooserStub([&](const app::ChooserRequest&) {
                    fs::rename(CardFolder(), Gone());
                    return std::optional<std::string>(pcFile.string());
                });
            } else {
                fs::rename(CardFolder(), Gone());
            }
            wxTEST_DIALOG(Click(c.button),
                          ExpectMessage("Alert", "A memory card isn't set in the drive."));

            EXPECT_FALSE(fs::exists(CardFolder()));
            EXPECT_EQ(FolderEntries(Gone() / "NDSSAVE"), std::vector<std::string>{"A.DAT"});
            EXPECT_EQ(ReadFile(Gone() / "NDSSAVE" / "A.DAT"), slot);
            EXPECT_EQ(FolderEntries(pc.PcFolder()), c.pcFileExists
                                                        ? std::vector<std::string>{"A.DAT"}
                                                        : std::vector<std::string>{});
            EXPECT_EQ(window->SlotList()->GetItemCount(), 0);
            fs::rename(Gone(), CardFolder());  // back in
            ASSERT_TRUE(PickDrive(Root()));
        }
    }
}

}  // namespace
}  // namespace slotkit::test
