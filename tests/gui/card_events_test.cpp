// Cards put in and taken out while the window runs, with the system's real mount events: a
// folder bind-mounted under /media stands for the card the desktop mounts there.

#include <chrono>
#include <functional>

#include "app/slot_manager_dlg.h"
#include "bind_mount.h"
#include "platform/drives.h"
#include "temp_card.h"
#include "window_fixture.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;

class CardEventsTest : public WindowTest {
  protected:
    TempCard card;
    BindMount media{"slotkit-window"};
    wxPoint pointer = wxDefaultPosition;  // where the pointer was before the test

    void SetUp() override {
        if (const std::string why = BindMount::CannotMount(); !why.empty()) {
            GTEST_SKIP() << why;
        }
        card.WriteSlot(slots::EditMode::Nds, "MARIO.DAT", slots::kNdsLayout.newFormSize);
        pointer = wxGetMousePosition();
        OpenWindow(platform::RemovableDrives);
    }
    void TearDown() override {
        WindowTest::TearDown();
        // Without a window manager the keys go to the window under the pointer: it goes back
        // where the tests after this one expect it.
        if (pointer != wxDefaultPosition) {
            TypeKeys([this](wxUIActionSimulator& input) { input.MouseMove(pointer); }, 100);
        }
    }

    bool Offered(const std::string& root) const {
        return window->DriveList()->FindString(wxString::FromUTF8(root)) != wxNOT_FOUND;
    }
    void PutCardIn() {
        ASSERT_TRUE(media.Mount(card.Dir() / "card"))
            << "the system refused to bind-mount a folder at " << media.At();
        ASSERT_TRUE(WaitFor([&] { return window->CardRoot() == media.Root(); }))
            << "the window did not choose the card put in";
    }
};

TEST_F(CardEventsTest, ACardPutInIsListedAndEjectFromTheMenuUnmountsIt) {
    PutCardIn();
    EXPECT_EQ(Cell(0, 1), "MARIO.DAT");
    EXPECT_EQ(window->DriveList()->GetValue(), wxString::FromUTF8(media.Root()));

    // Right-click the row, then down to "Eject the card", the menu's last entry.
    int menus = 0;
    wxTEST_DIALOG(menus = RightClickAt(RowOnScreen(0),
                                       [](wxUIActionSimulator& input) {
                                           for (int i = 0; i < 5; ++i) {
                                               input.Char(WXK_DOWN);
                                           }
                                           input.Char(WXK_RETURN);
                                       }),
                  ExpectMessage("Eject the card", "The card can be taken out."));
    EXPECT_EQ(menus, 1);
    EXPECT_FALSE(IsMounted(media.At()));
    EXPECT_TRUE(window->CardRoot().empty());
    EXPECT_EQ(window->SlotList()->GetItemCount(), 0);
    EXPECT_TRUE(WaitFor([&] { return !Offered(media.Root()); }, 2000));
}

TEST_F(CardEventsTest, ACardTakenOutWhileListedEmptiesTheListAtOnce) {
    PutCardIn();
    ASSERT_EQ(window->SlotList()->GetItemCount(), 100);
    bool emptied = false;
    wxTEST_DIALOG(
        {
            ASSERT_TRUE(media.Unmount());
            emptied = WaitFor([&] { return window->CardRoot().empty(); });
        },
        ExpectMessage("Alert",
                      "The card was taken out. The list stays empty until a card is "
                      "chosen."));
    EXPECT_TRUE(emptied);
    EXPECT_EQ(window->SlotList()->GetItemCount(), 0);
    EXPECT_FALSE(Offered(media.Root()));
}

TEST_F(CardEventsTest, OnlyANewDriveWithSavesIsChosenAndOnlyWhenNoneIs) {
    // A drive without a save folder is offered, not chosen.
    TempCard blank;
    fs::create_directories(blank.Dir() / "card");
    BindMount other{"slotkit-window-blank"};
    ASSERT_TRUE(other.Mount(blank.Dir() / "card"));
    ASSERT_TRUE(WaitFor([&] { return Offered(other.Root()); }));
    EXPECT_TRUE(window->CardRoot().empty());

    PutCardIn();
    // A second card leaves the listed one chosen.
    TempCard second;
    second.WriteSlot(slots::EditMode::Nds, "ZELDA.DAT", slots::kNdsLayout.newFormSize);
    BindMount third{"slotkit-window-second"};
    ASSERT_TRUE(third.Mount(second.Dir() / "card"));
    ASSERT_TRUE(WaitFor([&] { return Offered(third.Root()); }));
    EXPECT_EQ(window->CardRoot(), media.Root());
    EXPECT_EQ(Cell(0, 1), "MARIO.DAT");
}

}  // namespace
}  // namespace slotkit::test
