// Drive discovery and the mount check against a machine described by files:
// a sysfs tree, device nodes and a mount table of our own making.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/win32/linux/linux_win32.h"
#include "platform/win32/linux/tests/drive_test_support.h"
#include "platform/win32/linux/tests/text_files.h"

namespace win32::linux_host {
namespace {

using namespace testing;
namespace fs = std::filesystem;

struct FakeDevice {
    std::string path;  // under block/: "sdc" or "sdc/sdc1"
    std::string dev;   // "8:32"
    std::uint64_t sectors;
    int removable;  // -1: no such entry (a partition)
    int partition;  // 0: a whole disk
    int scsiType;   // -1: no device/type entry
};

class FakeMachine : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(dev_);
        const FakeDevice devices[] = {
            {"sda", "8:0", 2000000, 0, 0, 0},       // fixed disk
            {"sdb", "8:16", 65024, 1, 0, 0},        // removable, no partitions
            {"sdc", "8:32", 4096, 1, 0, 0},         // removable, partitioned
            {"sdc/sdc2", "8:34", 1024, -1, 2, -1},  //
            {"sdc/sdc1", "8:33", 2048, -1, 1, -1},  // its first partition
            {"sdd", "8:48", 0, 1, 0, 0},            // card reader, no card
            {"sr0", "11:0", 1000, 1, 0, 5},         // optical drive
            {"fd0", "2:0", 2880, 1, 0, -1},         // floppy drive
            {"loop0", "7:0", 8192, 0, 0, -1},       // loop device over an image
        };
        for (const auto& d : devices) {
            const fs::path dir = sysfs_ / "block" / d.path;
            fs::create_directories(dir);
            WriteText(dir / "dev", d.dev + "\n");
            WriteText(dir / "size", std::to_string(d.sectors) + "\n");
            if (d.removable >= 0) WriteText(dir / "removable", std::to_string(d.removable) + "\n");
            if (d.partition > 0) WriteText(dir / "partition", std::to_string(d.partition) + "\n");
            if (d.scsiType >= 0) {
                fs::create_directories(dir / "device");
                WriteText(dir / "device/type", std::to_string(d.scsiType) + "\n");
            }
            // The node stands in for the device: a file of the device's size.
            testing_support::MakeSparseFile(dev_ / fs::path(d.path).filename(), d.sectors * 512);
        }
        testing_support::MakeSparseFile(image_, 8192 * 512);
        fs::create_directories(sysfs_ / "block/loop0/loop");
        WriteText(sysfs_ / "block/loop0/loop/backing_file", fs::canonical(image_).string() + "\n");
        WriteText(mountInfo_,
                  "22 1 0:21 / /sys rw,relatime - sysfs sysfs rw\n"
                  "25 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n");
    }

    LinuxWin32Options Options() {
        LinuxWin32Options options;
        options.sysfsRoot = sysfs_;
        options.devRoot = dev_;
        options.mountInfo = mountInfo_;
        options.reporter = reports_.Sink();
        return options;
    }

    void Mount(const std::string& number, const std::string& at) {
        std::ofstream(mountInfo_, std::ios::app)
            << "40 25 " << number << " / " << at << " rw,nosuid - vfat /dev/x rw\n";
    }

    TempDir dir_;
    fs::path sysfs_ = dir_ / "sys";
    fs::path dev_ = dir_ / "dev";
    std::string mountInfo_ = dir_ / "mountinfo";
    std::string image_ = dir_ / "player.img";
    Reports reports_;
};

TEST_F(FakeMachine, RemovableDisksWithAMediumBecomeDrivesInNameOrder) {
    LinuxWin32 host(Options());
    const auto drives = host.Drives();
    ASSERT_EQ(drives.size(), 3u);
    const std::pair<char, std::string> expected[] = {
        {'D', dev_ / "fd0"}, {'E', dev_ / "sdb"}, {'F', dev_ / "sdc1"}};
    for (std::size_t i = 0; i < drives.size(); ++i) {
        EXPECT_EQ(drives[i].letter, expected[i].first);
        EXPECT_EQ(drives[i].path, expected[i].second);
        EXPECT_FALSE(drives[i].isImage);
    }
    std::array<char, 150> buffer{};
    EXPECT_EQ(host.GetLogicalDriveStringsA(150, buffer.data()), 12u);
    EXPECT_EQ(std::string(buffer.data(), 13), std::string("D:\\\0E:\\\0F:\\\0\0", 13));
}

TEST_F(FakeMachine, ImagesComeFirstThenTheDevices) {
    auto options = Options();
    options.images = {image_};
    LinuxWin32 host(options);
    const auto drives = host.Drives();
    ASSERT_EQ(drives.size(), 4u);
    EXPECT_EQ(drives[0].letter, 'D');
    EXPECT_EQ(drives[0].path, image_);
    EXPECT_TRUE(drives[0].isImage);
    EXPECT_EQ(drives[1].letter, 'E');
    EXPECT_EQ(drives[1].path, dev_ / "fd0");
    EXPECT_EQ(drives[3].letter, 'G');
}

TEST_F(FakeMachine, GeometryTellsFloppiesFromRemovableDisks) {
    LinuxWin32 host(Options());
    const std::pair<const char*, std::int32_t> cases[] = {
        {"\\\\.\\D:", 2},   // F3_1Pt44_512
        {"\\\\.\\E:", 11},  // RemovableMedia
        {"\\\\.\\F:", 11},
    };
    for (const auto& [volume, media] : cases) {
        HANDLE handle = OpenVolume(host, volume, 0);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE) << volume;
        DISK_GEOMETRY geometry{};
        DWORD returned = 0;
        EXPECT_TRUE(host.DeviceIoControl(handle, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0,
                                         &geometry, sizeof geometry, &returned, nullptr));
        EXPECT_EQ(geometry.MediaType, media) << volume;
        EXPECT_TRUE(host.CloseHandle(handle));
    }
    EXPECT_EQ(host.OpenHandles(), 0);
}

TEST_F(FakeMachine, AMountedPartitionKeepsItsWholeDiskFromWriting) {
    // The second partition is mounted; the drive is the first one.
    Mount("8:34", "/media/u/MY\\040DISK");
    LinuxWin32 host(Options());
    EXPECT_EQ(OpenVolume(host, "\\\\.\\F:", kReadWrite), INVALID_HANDLE_VALUE);
    EXPECT_EQ(host.GetLastError(), ERROR_BUSY);
    ASSERT_EQ(reports_.lines.size(), 1u);
    EXPECT_EQ(reports_.lines[0], (dev_ / "sdc1").string() +
                                     ": device is mounted at /media/u/MY DISK; unmount it first");

    // Reading it stays possible; the other disk is not affected.
    for (const char* volume : {"\\\\.\\F:", "\\\\.\\E:"}) {
        HANDLE handle = OpenVolume(host, volume,
                                   std::string(volume) == "\\\\.\\F:" ? GENERIC_READ : kReadWrite);
        EXPECT_NE(handle, INVALID_HANDLE_VALUE) << volume;
        if (handle != INVALID_HANDLE_VALUE) {
            EXPECT_TRUE(host.CloseHandle(handle));
        }
    }
    EXPECT_EQ(reports_.lines.size(), 1u);
}

TEST_F(FakeMachine, AMountedWholeDiskIsRefused) {
    Mount("8:16", "/media/u/PLAYER");
    LinuxWin32 host(Options());
    EXPECT_EQ(OpenVolume(host, "\\\\.\\E:", GENERIC_WRITE), INVALID_HANDLE_VALUE);
    EXPECT_EQ(host.GetLastError(), ERROR_BUSY);
    ASSERT_EQ(reports_.lines.size(), 1u);
    EXPECT_EQ(reports_.lines[0],
              (dev_ / "sdb").string() + ": device is mounted at /media/u/PLAYER; unmount it first");
}

TEST_F(FakeMachine, AnImageWhoseLoopDeviceIsMountedIsRefused) {
    auto options = Options();
    options.images = {image_};
    options.blockDevices = false;
    {
        // Attached but not mounted: writing the image is fine.
        LinuxWin32 host(options);
        HANDLE handle = OpenVolume(host, "\\\\.\\D:", kReadWrite);
        EXPECT_NE(handle, INVALID_HANDLE_VALUE);
        if (handle != INVALID_HANDLE_VALUE) {
            EXPECT_TRUE(host.CloseHandle(handle));
        }
    }
    Mount("7:0", "/mnt/img");
    LinuxWin32 host(options);
    EXPECT_EQ(OpenVolume(host, "\\\\.\\D:", kReadWrite), INVALID_HANDLE_VALUE);
    EXPECT_EQ(host.GetLastError(), ERROR_BUSY);
    ASSERT_EQ(reports_.lines.size(), 1u);
    EXPECT_EQ(reports_.lines[0], image_ + ": image is attached to " + (dev_ / "loop0").string() +
                                     ", which is mounted at /mnt/img; unmount it first");
}

// A partition of a loop device carries a number of the kernel's extended range.
TEST_F(FakeMachine, AnImageWhoseLoopDevicesPartitionIsMountedIsNotWritten) {
    const fs::path partition = sysfs_ / "block/loop0/loop0p1";
    fs::create_directories(partition);
    WriteText(partition / "dev", "259:3\n");
    WriteText(partition / "partition", "1\n");
    Mount("259:3", "/mnt/part");
    auto options = Options();
    options.images = {image_};
    options.blockDevices = false;
    LinuxWin32 host(options);
    EXPECT_EQ(OpenVolume(host, "\\\\.\\D:", kReadWrite), INVALID_HANDLE_VALUE);
    EXPECT_EQ(host.GetLastError(), ERROR_BUSY);
    ASSERT_EQ(reports_.lines.size(), 1u);
    EXPECT_EQ(reports_.lines[0], image_ + ": image is attached to " + (dev_ / "loop0").string() +
                                     ", which is mounted at /mnt/part; unmount it first");
}

}  // namespace
}  // namespace win32::linux_host
