// One boot of the guest: Debian's kernel under QEMU (TCG), each card a FAT image behind QEMU's
// blklogwrites driver, mounted as vfat, and one slotkit command line run on each.
#pragma once

#include <string>
#include <vector>

namespace slotkit::crash {

struct GuestCard {
    std::string image, log;            // the image QEMU writes, the log of its writes
    std::string mountPoint;            // the same path as the card's folder on the host
    std::vector<std::string> command;  // slotkit's arguments
};

struct GuestBoot {
    std::string kernel, baseArchive;     // from guest_kit.sh
    std::string mountOptions;            // vfat options, as a desktop or a plain mount sets them
    std::vector<std::string> pcFolders;  // copied into the guest at the same paths
    std::vector<GuestCard> cards;
};

struct GuestResult {
    bool booted = false;      // the guest reached the end of its commands
    std::vector<int> status;  // each command's exit status, -1 when it did not run
    std::string console;      // everything the guest printed
    double seconds = 0;       // the whole boot
    double secondsToFirstCommand = 0;
};

// Boots the guest in `work` (its archive goes there) and runs the cards' commands one after
// the other; the guest powers off without unmounting, as a card pulled after "Success!".
GuestResult BootGuest(const GuestBoot& boot, const std::string& work);

}  // namespace slotkit::crash
