// Making a rename or a removal on the card durable. Measured on Linux's vfat driver with the
// crash replay (tests/crash): a rename over a file attaches the renamed file to the target's
// folder entry and only marks the file dirty; syncing the folder writes the folder and the FAT,
// in which the replaced file's clusters are already free, but not that entry, which still names
// the replaced file's first cluster. Until the file itself is written back, a pulled card holds
// a slot whose entry points at free clusters. So the renamed file is synced first, then its
// folder. A removal syncs the folder, so that the entry is gone before its clusters are reused.
#pragma once

#include <string>

#include "platform/posix/unique_fd.h"

namespace slotkit::platform {

// On a kernel-mounted FAT file system, `path` opened so that a rename over it or its removal
// frees its clusters only when the descriptor closes: the driver mounted with `flush` writes
// freed clusters at once, before the folder entry that still names them is on the card.
// Elsewhere nothing is held (a FUSE driver would keep the file under a hidden name instead).
UniqueFd HoldClusters(const std::string& path);

// The rename or removal itself has happened: a file or folder that cannot be opened is left as
// it is, but a flush that fails is the error (the device may not hold the change).
std::error_code SyncRenamedFile(const std::string& renamed);
std::error_code SyncFolderOf(const std::string& path);

}  // namespace slotkit::platform
