// Cards put in and taken out on Windows: the system's WM_DEVICECHANGE broadcast, sent by the
// test to the window that receives it, as the system sends it when a volume arrives or leaves.
// Runs under Wine with the card folder that scripts/windows-cross.sh maps as drive E:.

#include <windows.h>
// After <windows.h>:
#include <dbt.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "app/slot_manager_dlg.h"
#include "temp_card.h"
#include "window_fixture.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;

// Sends the volume's arrival or removal to the windows that watch for cards.
void Broadcast(char letter, WPARAM what) {
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof volume;
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = 1u << (letter - 'A');
    HWND watcher = nullptr;
    while ((watcher = ::FindWindowExW(nullptr, watcher, L"slotkit card events", nullptr))) {
        ::SendMessageW(watcher, WM_DEVICECHANGE, what, reinterpret_cast<LPARAM>(&volume));
    }
}

class Win32CardEventsTest : public WindowTest {};

TEST_F(Win32CardEventsTest, ArrivalListsTheCardAndRemovalEmptiesTheList) {
    const char* root = std::getenv("SLOTKIT_TEST_CARD_DRIVE");
    const char* folder = std::getenv("SLOTKIT_TEST_CARD_DIR");
    if (root == nullptr || folder == nullptr || *root == '\0' || *folder == '\0') {
        GTEST_SKIP() << "needs a card folder mapped as a removable drive (the Wine run of "
                        "scripts/windows-cross.sh)";
    }
    const fs::path card(folder);
    fs::create_directories(card / "NDSSAVE");
    WriteFile(card / "NDSSAVE" / "MARIO.DAT", Bytes(slots::kNdsLayout.newFormSize, 0));
    // The drive is offered from its arrival on, as a card reader's drive is once a card is in.
    bool inserted = false;
    OpenWindow(
        [&] { return inserted ? std::vector<std::string>{root} : std::vector<std::string>{}; });

    inserted = true;
    Broadcast(root[0], DBT_DEVICEARRIVAL);
    EXPECT_TRUE(WaitFor([&] { return window->CardRoot() == root; }));
    EXPECT_EQ(window->SlotList()->GetItemText(0, 1), "MARIO.DAT");

    inserted = false;
    bool emptied = false;
    wxTEST_DIALOG(
        {
            Broadcast(root[0], DBT_DEVICEREMOVECOMPLETE);
            emptied = WaitFor([&] { return window->CardRoot().empty(); });
        },
        ExpectMessage("Alert",
                      "The card was taken out. The list stays empty until a card is "
                      "chosen."));
    EXPECT_TRUE(emptied);
    EXPECT_EQ(window->SlotList()->GetItemCount(), 0);
    fs::remove_all(card / "NDSSAVE");
}

}  // namespace
}  // namespace slotkit::test
