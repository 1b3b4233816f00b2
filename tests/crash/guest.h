// One boot of the guest: Debian's kernel under QEMU (TCG), each card a FAT image behind QEMU's
// blklogwrites driver, mounted as vfat, and one slotkit command line run on each.
#pragma once

#include <string>
#include <vector>

namespace slotkit::crash {

struct GuestCard {
    std::string image, log;            // the image QEMU writes, the log of its writes (none:
                                       // the image is attached as it is, nothing logged)
    std::string mountPoint;            // the same path as the card's folder on the host
    std::vector<std::string> command;  // slotkit's arguments
    std::string before;                // shell lines run before the command
    std::vector<std::vector<std::string>> more;  // further commands on the same card
};

struct GuestBoot {
    std::string kernel, baseArchive;     // from guest_kit.sh
    std::string mountOptions;            // vfat options, as a desktop or a plain mount sets them
    std::vector<std::string> pcFolders;  // copied into the guest at the same paths
    std::vector<GuestCard> cards;
    // Each card mounted only for its own command and unmounted after it, so that several
    // images can be mounted in turn at one path.
    bool oneCardAtATime = false;
    // A library preloaded into every command (copied into the guest), and the environment
    // the commands get (NAME=VALUE, space separated).
    std::string preload, environment;
    // Guest folders written out after the commands, as a tar archive into `exportImage`.
    std::vector<std::string> exportFolders;
    std::string exportImage;
    // An archive written out by an earlier boot, attached read-only; the cards' `before` lines
    // find its device in $ARCHIVE.
    std::string archiveIn;
};

struct GuestResult {
    bool booted = false;      // the guest reached the end of its commands
    std::vector<int> status;  // each card's first command's exit status, -1 when it did not run
    // What each command of each card printed (standard output and error together) and its
    // exit status.
    struct Run {
        int status = -1;
        std::string output;
    };
    std::vector<std::vector<Run>> runs;
    std::string console;  // everything the guest printed
    double seconds = 0;   // the whole boot
    double secondsToFirstCommand = 0;
};

// Boots the guest in `work` (its archive goes there) and runs the cards' commands one after
// the other; the guest powers off without unmounting, as a card pulled after "Success!".
GuestResult BootGuest(const GuestBoot& boot, const std::string& work);

}  // namespace slotkit::crash
