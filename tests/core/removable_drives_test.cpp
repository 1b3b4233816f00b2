#include "platform/posix/removable_drives.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "temp_card.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;

// A made-up /proc and /sys: block devices under sys/devices, linked from sys/dev/block.
class RemovableDrivesTest : public ::testing::Test {
  protected:
    TempCard scratch;
    fs::path proc = scratch.Dir() / "proc";
    fs::path sys = scratch.Dir() / "sys";
    std::string mountinfo;

    void SetUp() override {
        fs::create_directories(proc / "self");
        fs::create_directories(sys / "dev" / "block");
    }

    void Disk(const std::string& name, const std::string& majorMinor, bool removable) {
        const fs::path dir = sys / "devices" / "pci0" / "block" / name;
        fs::create_directories(dir);
        std::ofstream(dir / "removable") << (removable ? "1\n" : "0\n");
        fs::create_symlink(fs::path("../../devices/pci0/block") / name,
                           sys / "dev" / "block" / majorMinor);
    }
    void Partition(const std::string& disk, const std::string& name,
                   const std::string& majorMinor) {
        const fs::path dir = sys / "devices" / "pci0" / "block" / disk / name;
        fs::create_directories(dir);
        std::ofstream(dir / "partition") << "1\n";
        fs::create_symlink(fs::path("../../devices/pci0/block") / disk / name,
                           sys / "dev" / "block" / majorMinor);
    }
    void Mount(const std::string& majorMinor, const std::string& mountPoint,
               const std::string& fsType = "vfat") {
        mountinfo += "30 1 " + majorMinor + " / " + mountPoint + " rw,relatime shared:1 - " +
                     fsType + " /dev/x rw\n";
    }
    std::vector<std::string> Drives() {
        std::ofstream(proc / "self" / "mountinfo") << mountinfo;
        return platform::RemovableDrivesUnder(proc.string(), sys.string());
    }
};

TEST_F(RemovableDrivesTest, OffersRemovableDisksCardsAndDesktopMountsOnly) {
    Disk("sda", "8:0", false);
    Partition("sda", "sda1", "8:1");
    Disk("sdb", "8:16", true);
    Partition("sdb", "sdb1", "8:17");
    Disk("mmcblk0", "179:0", false);
    Partition("mmcblk0", "mmcblk0p1", "179:1");
    Mount("8:1", "/");
    Mount("8:1", "/home", "ext4");
    Mount("8:17", "/mnt/usb");
    Mount("179:1", "/mnt/sd");
    Mount("0:45", "/media/user/CARD", "fuseblk");  // no block device behind it
    Mount("0:22", "/proc", "proc");
    EXPECT_EQ(Drives(), (std::vector<std::string>{"/mnt/usb/", "/mnt/sd/", "/media/user/CARD/"}));
}

TEST_F(RemovableDrivesTest, WholeRemovableDiskWithoutPartitionsCounts) {
    Disk("sdc", "8:32", true);
    Mount("8:32", "/run/media/me/STICK");
    Mount("8:32", "/srv/stick");
    EXPECT_EQ(Drives(), (std::vector<std::string>{"/run/media/me/STICK/", "/srv/stick/"}));
}

TEST_F(RemovableDrivesTest, EscapedMountPointsAreDecodedAndListedOnce) {
    Disk("sdb", "8:16", true);
    Mount("8:16", "/mnt/my\\040card");
    Mount("8:16", "/mnt/my\\040card");
    EXPECT_EQ(Drives(), (std::vector<std::string>{"/mnt/my card/"}));
}

TEST_F(RemovableDrivesTest, NothingMountedOrNoMountinfoGivesNoDrives) {
    EXPECT_TRUE(Drives().empty());
    fs::remove(proc / "self" / "mountinfo");
    EXPECT_TRUE(platform::RemovableDrivesUnder(proc.string(), sys.string()).empty());
}

}  // namespace
}  // namespace slotkit::test
