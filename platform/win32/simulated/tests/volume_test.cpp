// The volumes of the simulated Windows 2000/XP machine: opening "\\.\E:",
// seeking, reading and writing whole sectors, the end of the medium, the
// geometry query, and disks backed by a file.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32/simulated/simulated_machine.h"
#include "testing/test_support.h"

namespace win32::sim {
namespace {

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;

HANDLE OpenVolume(SimulatedMachine& machine,
                  const char* name = "\\\\.\\E:", DWORD access = kReadWrite) {
    return machine.CreateFileA(name, access, kShareReadWrite, nullptr, OPEN_EXISTING, 0, nullptr);
}

class VolumeTest : public ::testing::Test {
  protected:
    VolumeTest() : machine(Flavour::Windows2K) {
        disk = machine.AddRemovableDisk('E', 16 * 512);
        std::vector<std::uint8_t> bytes(16 * 512);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<std::uint8_t>(i / 512);
        disk->Write(0, bytes.data(), bytes.size());
    }

    SimulatedMachine machine;
    std::shared_ptr<Disk> disk;
};

TEST_F(VolumeTest, OpensTheVolumeOfAnExistingDriveOnly) {
    const char* names[] = {"\\\\.\\E:", "\\\\.\\e:"};
    for (const char* name : names) {
        HANDLE h = OpenVolume(machine, name);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << name;
        const Call& call = machine.Calls().back();
        EXPECT_EQ(call.access, kReadWrite);
        EXPECT_EQ(call.share, kShareReadWrite);
        EXPECT_EQ(call.creation, OPEN_EXISTING);
        EXPECT_EQ(call.flags, 0u);
        EXPECT_EQ(call.drive, 'E');
        EXPECT_EQ(call.handle, h);
        EXPECT_TRUE(machine.CloseHandle(h));
    }
    EXPECT_EQ(OpenVolume(machine, "\\\\.\\F:"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenVolume(machine, "\\\\.\\vwin32", 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(machine.CreateFileA("\\\\.\\E:", kReadWrite, kShareReadWrite, nullptr, CREATE_ALWAYS,
                                  0, nullptr),
              INVALID_HANDLE_VALUE);
    machine.AddDrive('G', DriveSpec{});  // no medium
    EXPECT_EQ(OpenVolume(machine, "\\\\.\\G:"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(machine.OpenHandles(), 0);
}

TEST_F(VolumeTest, SeeksAndMovesWholeSectors) {
    HANDLE h = OpenVolume(machine);
    EXPECT_EQ(machine.SetFilePointer(h, 3 * 512, nullptr, FILE_BEGIN), 3u * 512);
    std::vector<std::uint8_t> buffer(2 * 512);
    DWORD moved = 0;
    ASSERT_TRUE(machine.ReadFile(h, buffer.data(), 2 * 512, &moved, nullptr));
    EXPECT_EQ(moved, 2u * 512);
    EXPECT_EQ(buffer[0], 3);
    EXPECT_EQ(buffer[1023], 4);

    std::fill(buffer.begin(), buffer.end(), 0xEE);
    EXPECT_EQ(machine.SetFilePointer(h, 8 * 512, nullptr, FILE_BEGIN), 8u * 512);
    ASSERT_TRUE(machine.WriteFile(h, buffer.data(), 2 * 512, &moved, nullptr));
    EXPECT_EQ(moved, 2u * 512);
    EXPECT_TRUE(machine.FlushFileBuffers(h));
    const auto after = disk->Snapshot();
    EXPECT_EQ(after[8 * 512 - 1], 7);
    EXPECT_EQ(after[8 * 512], 0xEE);
    EXPECT_EQ(after[10 * 512 - 1], 0xEE);
    EXPECT_EQ(after[10 * 512], 10);
    // The position moved on with the transfer.
    EXPECT_EQ(machine.SetFilePointer(h, 0, nullptr, FILE_CURRENT), 10u * 512);
    EXPECT_TRUE(machine.CloseHandle(h));
}

TEST_F(VolumeTest, TheEndOfTheMediumStopsTransfers) {
    HANDLE h = OpenVolume(machine);
    std::vector<std::uint8_t> buffer(4 * 512);
    DWORD moved = 99;
    struct Case {
        LONG sector;
        DWORD bytes;
        bool result;
        DWORD moved;
    };
    const Case cases[] = {
        {15, 512, true, 512},       // the last sector
        {14, 4 * 512, true, 1024},  // crosses the end: fewer bytes
        {16, 512, false, 0},        // just past the end
        {1000, 512, false, 0},
    };
    for (const Case& c : cases) {
        machine.SetFilePointer(h, c.sector * 512, nullptr, FILE_BEGIN);
        EXPECT_EQ(machine.ReadFile(h, buffer.data(), c.bytes, &moved, nullptr), c.result ? 1 : 0)
            << c.sector;
        EXPECT_EQ(moved, c.moved) << c.sector;
        machine.SetFilePointer(h, c.sector * 512, nullptr, FILE_BEGIN);
        EXPECT_EQ(machine.WriteFile(h, buffer.data(), c.bytes, &moved, nullptr), c.result ? 1 : 0);
        EXPECT_EQ(moved, c.moved);
    }
    EXPECT_EQ(disk->Size(), 16u * 512);
    machine.CloseHandle(h);
}

TEST_F(VolumeTest, RefusesPartialSectorsAndMissingRights) {
    HANDLE h = OpenVolume(machine);
    std::vector<std::uint8_t> buffer(512);
    DWORD moved = 0;
    EXPECT_FALSE(machine.ReadFile(h, buffer.data(), 100, &moved, nullptr));
    machine.SetFilePointer(h, 100, nullptr, FILE_BEGIN);
    EXPECT_FALSE(machine.ReadFile(h, buffer.data(), 512, &moved, nullptr));
    EXPECT_FALSE(machine.ReadFile(h, buffer.data(), 512, nullptr, nullptr));
    machine.CloseHandle(h);

    HANDLE readOnly = OpenVolume(machine, "\\\\.\\E:", GENERIC_READ);
    EXPECT_TRUE(machine.ReadFile(readOnly, buffer.data(), 512, &moved, nullptr));
    EXPECT_FALSE(machine.WriteFile(readOnly, buffer.data(), 512, &moved, nullptr));
    EXPECT_FALSE(machine.FlushFileBuffers(readOnly));
    machine.CloseHandle(readOnly);

    HANDLE query = OpenVolume(machine, "\\\\.\\E:", 0);
    EXPECT_FALSE(machine.ReadFile(query, buffer.data(), 512, &moved, nullptr));
    machine.CloseHandle(query);
    EXPECT_EQ(machine.OpenHandles(), 0);
}

TEST_F(VolumeTest, SeekTakesTheSignedDistanceOrTheHighPart) {
    HANDLE h = OpenVolume(machine);
    EXPECT_EQ(machine.SetFilePointer(h, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    LONG high = 1;
    EXPECT_EQ(machine.SetFilePointer(h, 512, &high, FILE_BEGIN), 512u);
    EXPECT_EQ(high, 1);
    const Call& call = machine.Calls().back();
    EXPECT_TRUE(call.hasHighPart);
    EXPECT_EQ(call.distance, 512);
    EXPECT_EQ(call.method, FILE_BEGIN);
    machine.CloseHandle(h);
}

TEST_F(VolumeTest, GeometryReportsTheDrivesMediaType) {
    struct Case {
        MEDIA_TYPE type;
    };
    for (MEDIA_TYPE type : {RemovableMedia, FixedMedia, F3_1Pt44_512}) {
        machine.Drive('E').mediaType = type;
        HANDLE h = OpenVolume(machine, "\\\\.\\E:", 0);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        std::uint8_t out[480];
        std::memset(out, 0xCC, sizeof out);
        DWORD returned = 0;
        ASSERT_TRUE(machine.DeviceIoControl(h, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, out,
                                            sizeof out, &returned, nullptr));
        EXPECT_EQ(returned, sizeof(DISK_GEOMETRY));
        std::int32_t media = 0;
        std::memcpy(&media, out + 8, 4);  // after the 64-bit cylinder count
        EXPECT_EQ(media, type);
        EXPECT_EQ(out[sizeof(DISK_GEOMETRY)], 0xCC);  // one structure only
        DISK_GEOMETRY small{};
        EXPECT_FALSE(machine.DeviceIoControl(h, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &small,
                                             sizeof small - 1, &returned, nullptr));
        EXPECT_FALSE(machine.DeviceIoControl(h, 0x00070004u, nullptr, 0, out, sizeof out, &returned,
                                             nullptr));
        machine.CloseHandle(h);
    }
    EXPECT_EQ(machine.OpenHandles(), 0);
}

TEST(FileDiskTest, ReadsAndWritesTheFileInPlace) {
    testing_support::TempDir dir;
    const auto image = dir / "disk.img";
    testing_support::WriteBytes(image, std::vector<std::uint8_t>(8 * 512, 0x5A));
    SimulatedMachine machine(Flavour::Windows2K);
    DriveSpec driveSpec;
    driveSpec.disk = FileDisk(image.string());
    machine.AddDrive('F', driveSpec);
    HANDLE h = OpenVolume(machine, "\\\\.\\F:");
    std::vector<std::uint8_t> sector(512, 0x01);
    DWORD moved = 0;
    machine.SetFilePointer(h, 7 * 512, nullptr, FILE_BEGIN);
    ASSERT_TRUE(machine.WriteFile(h, sector.data(), 512, &moved, nullptr));
    machine.SetFilePointer(h, 8 * 512, nullptr, FILE_BEGIN);
    EXPECT_FALSE(machine.WriteFile(h, sector.data(), 512, &moved, nullptr));  // never grows
    machine.CloseHandle(h);
    const auto bytes = testing_support::ReadBytes(image);
    ASSERT_EQ(bytes.size(), 8u * 512);
    EXPECT_EQ(bytes[7 * 512 - 1], 0x5A);
    EXPECT_EQ(bytes[7 * 512], 0x01);
    EXPECT_EQ(bytes.back(), 0x01);
}

}  // namespace
}  // namespace win32::sim
