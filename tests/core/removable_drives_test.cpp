#include "platform/posix/removable_drives.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "temp_card.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;

// A made-up /sys: block devices under sys/devices, linked from sys/dev/block; the mounts are
// given as GIO reads them.
class RemovableDrivesTest : public ::testing::Test {
  protected:
    TempCard scratch;
    fs::path sys = scratch.Dir() / "sys";
    std::vector<platform::MountedVolume> mounts;

    void SetUp() override { fs::create_directories(sys / "dev" / "block"); }

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
    void Mount(const std::string& majorMinor, const std::string& mountPoint) {
        mounts.push_back({mountPoint, majorMinor});
    }
    std::vector<std::string> Drives() { return platform::RemovableRoots(mounts, sys.string()); }
};

TEST_F(RemovableDrivesTest, OffersRemovableDisksCardsAndDesktopMountsOnly) {
    Disk("sda", "8:0", false);
    Partition("sda", "sda1", "8:1");
    Disk("sdb", "8:16", true);
    Partition("sdb", "sdb1", "8:17");
    Disk("mmcblk0", "179:0", false);
    Partition("mmcblk0", "mmcblk0p1", "179:1");
    Mount("8:1", "/");
    Mount("8:1", "/home");
    Mount("8:17", "/mnt/usb");
    Mount("179:1", "/mnt/sd");
    Mount("0:45", "/media/user/CARD");  // no block device behind it
    Mount("0:22", "/proc");
    EXPECT_EQ(Drives(), (std::vector<std::string>{"/mnt/usb/", "/mnt/sd/", "/media/user/CARD/"}));
}

TEST_F(RemovableDrivesTest, WholeRemovableDiskWithoutPartitionsCounts) {
    Disk("sdc", "8:32", true);
    Mount("8:32", "/run/media/me/STICK");
    Mount("8:32", "/srv/stick");
    EXPECT_EQ(Drives(), (std::vector<std::string>{"/run/media/me/STICK/", "/srv/stick/"}));
}

TEST_F(RemovableDrivesTest, ACardMountedTwiceIsOfferedAtEachFolderOnce) {
    Disk("sdb", "8:16", true);
    Mount("8:16", "/mnt/my card");
    Mount("8:16", "/mnt/my card/");
    Mount("8:16", "/srv/again");
    EXPECT_EQ(Drives(), (std::vector<std::string>{"/mnt/my card/", "/srv/again/"}));
}

TEST_F(RemovableDrivesTest, NothingMountedOrNoSysGivesNoDrivesButDesktopMounts) {
    EXPECT_TRUE(Drives().empty());
    fs::remove_all(sys);
    Mount("8:16", "/mnt/usb");
    Mount("8:16", "/media/me/CARD");
    EXPECT_EQ(Drives(), (std::vector<std::string>{"/media/me/CARD/"}));
}

}  // namespace
}  // namespace slotkit::test
