// The ids of the main window's controls and menu command.
#pragma once

namespace slotkit::app {

enum ControlId : int {
    kSlotListId = 1000,
    kDriveListId = 1002,
    kModeNdsId = 1003,
    kModeGbaId = 1004,
    kRefreshId = 1005,
    kBackupId = 1006,
    kRestoreId = 1007,
    kMakeDummyId = 1008,
    kConvertId = 1009,
    kRenameId = 1010,
    kDeleteId = 1011,
    kImportId = 1012,
    kExportId = 1013,
    kChangeTargetRomId = 1014,
    // The slot list's right-click menu.
    kHistoryMenuId = 1015,
    // The menu's "Exit(&E)" command. wx menu ids must stay below 0x7FFF, so it takes wx's
    // own exit id rather than 32771.
    kExitMenuId = 5006,  // wxID_EXIT
    // The slot list's right-click menu.
    kExportNewMenuId = 6001,
    kNoRowMenuId = 6002,  // the menu's note that no row is selected
    kSyncMenuId = 6003,
    kGamesMenuId = 6004,
    kEjectMenuId = 6005,
};

}  // namespace slotkit::app
