// Drives of the simulated machine: the drive list, drive types, the platform
// version and the volume label read from the disk's own file system.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32/simulated/simulated_machine.h"
#include "testing/test_support.h"

namespace win32::sim {
namespace {

TEST(Platform, VersionTopBitTellsTheFamily) {
    SimulatedMachine nine(Flavour::Windows98);
    SimulatedMachine nt(Flavour::Windows2K);
    EXPECT_NE(nine.GetVersion() & 0x80000000u, 0u);
    EXPECT_EQ(nt.GetVersion() & 0x80000000u, 0u);
    EXPECT_EQ(nine.flavour(), Flavour::Windows98);
}

TEST(Platform, LanguageAndDirectoriesAreSettable) {
    SimulatedMachine machine(Flavour::Windows98);
    EXPECT_EQ(machine.GetSystemDefaultLangID(), 0x0409);
    machine.SetLanguage(0x0804);
    EXPECT_EQ(machine.GetSystemDefaultLangID(), 0x0804);

    char buffer[300];
    EXPECT_EQ(machine.GetWindowsDirectoryA(buffer, sizeof buffer), 10u);
    EXPECT_STREQ(buffer, "C:\\WINDOWS");
    machine.SetWindowsDirectory("D:\\WIN");
    EXPECT_EQ(machine.GetWindowsDirectoryA(buffer, sizeof buffer), 6u);
    EXPECT_STREQ(buffer, "D:\\WIN");
    EXPECT_EQ(machine.GetWindowsDirectoryA(buffer, 6), 7u);  // too small: the size needed
    EXPECT_STREQ(buffer, "D:\\WIN");                         // and nothing written

    machine.SetCurrentDirectory("C:\\PLAYER");
    EXPECT_EQ(machine.GetCurrentDirectoryA(sizeof buffer, buffer), 9u);
    EXPECT_STREQ(buffer, "C:\\PLAYER");
}

TEST(DriveList, ListsRootPathsInLetterOrder) {
    SimulatedMachine machine(Flavour::Windows2K);
    DriveSpec fixed;
    fixed.type = DRIVE_FIXED;
    machine.AddDrive('C', fixed);
    machine.AddRemovableDisk('F', 512);
    machine.AddRemovableDisk('A', 512);
    char buffer[150];
    std::memset(buffer, '#', sizeof buffer);
    const DWORD length = machine.GetLogicalDriveStringsA(sizeof buffer, buffer);
    const char expected[] = "A:\\\0C:\\\0F:\\\0";  // and the closing empty string
    EXPECT_EQ(length, 12u);
    EXPECT_EQ(std::memcmp(buffer, expected, 13), 0);
    EXPECT_EQ(buffer[13], '#');  // nothing past the list

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(machine.GetLogicalDriveStringsA(12, buffer), 13u);  // one byte short
    EXPECT_EQ(buffer[0], '#');
    EXPECT_EQ(machine.GetLogicalDriveStringsA(13, buffer), 12u);
}

TEST(DriveList, DriveTypesByRootPath) {
    SimulatedMachine machine(Flavour::Windows2K);
    const UINT types[] = {DRIVE_REMOVABLE, DRIVE_FIXED, DRIVE_CDROM, DRIVE_REMOTE};
    char letter = 'D';
    for (UINT type : types) {
        DriveSpec driveSpec;
        driveSpec.type = type;
        machine.AddDrive(letter++, driveSpec);
    }
    EXPECT_EQ(machine.GetDriveTypeA("D:\\"), DRIVE_REMOVABLE);
    EXPECT_EQ(machine.GetDriveTypeA("e:\\"), DRIVE_FIXED);
    EXPECT_EQ(machine.GetDriveTypeA("F:\\"), DRIVE_CDROM);
    EXPECT_EQ(machine.GetDriveTypeA("G:\\"), DRIVE_REMOTE);
    EXPECT_EQ(machine.GetDriveTypeA("H:\\"), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(machine.GetDriveTypeA("D:"), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(machine.Calls().front().name, "D:\\");
    EXPECT_EQ(machine.Calls().front().drive, 'D');
}

// A FAT16 boot sector and root directory built by hand: 512 bytes per
// sector, 4 per cluster, 1 reserved, 2 FATs of 2 sectors, 16 root entries.
std::shared_ptr<Disk> HandMadeFat16(const char* bootLabel, bool extended = true) {
    auto disk = MemoryDisk(64 * 512);
    std::uint8_t boot[512] = {0xEB, 0x3C, 0x90};
    std::memcpy(boot + 3, "MSWIN4.1", 8);
    boot[11] = 0x00, boot[12] = 0x02;  // 512 bytes per sector
    boot[13] = 4;
    boot[14] = 1;   // reserved
    boot[16] = 2;   // FATs
    boot[17] = 16;  // root entries
    boot[19] = 64;  // total sectors
    boot[21] = 0xF8;
    boot[22] = 2;  // sectors per FAT
    if (extended) {
        boot[38] = 0x29;
        boot[39] = 0x78, boot[40] = 0x56, boot[41] = 0x34, boot[42] = 0x12;
        std::memcpy(boot + 43, bootLabel, 11);
        std::memcpy(boot + 54, "FAT16   ", 8);
    }
    boot[510] = 0x55, boot[511] = 0xAA;
    disk->Write(0, boot, sizeof boot);
    return disk;
}

constexpr std::uint64_t kRootOffset = (1 + 2 * 2) * 512;

void PutEntry(Disk& disk, int index, const char* name, std::uint8_t attribute) {
    std::uint8_t entry[32] = {};
    std::memcpy(entry, name, 11);
    entry[11] = attribute;
    disk.Write(kRootOffset + 32u * static_cast<unsigned>(index), entry, sizeof entry);
}

std::optional<std::string> Label(SimulatedMachine& machine, DWORD* serial = nullptr) {
    char name[150];
    char fileSystem[150];
    DWORD s = 0, maxLength = 0, flags = 0;
    if (!machine.GetVolumeInformationA("E:\\", name, sizeof name, &s, &maxLength, &flags,
                                       fileSystem, sizeof fileSystem)) {
        return std::nullopt;
    }
    if (serial != nullptr) *serial = s;
    return std::string(name);
}

TEST(VolumeLabel, RootDirectoryLabelEntryWins) {
    SimulatedMachine machine(Flavour::Windows98);
    DriveSpec driveSpec;
    driveSpec.disk = HandMadeFat16("BOOTLABEL  ");
    machine.AddDrive('E', driveSpec);
    PutEntry(*driveSpec.disk, 0, "A\0B\0C\0D\0E\0F", 0x0F);  // a long-name entry first
    driveSpec.disk->Write(kRootOffset + 32, "\xE5", 1);      // then a deleted entry
    PutEntry(*driveSpec.disk, 1, "\xE5OLD       ", 0x08);
    PutEntry(*driveSpec.disk, 2, "MUSIC      ", 0x08);
    DWORD serial = 0;
    EXPECT_EQ(Label(machine, &serial), "MUSIC");
    EXPECT_EQ(serial, 0x12345678u);
}

TEST(VolumeLabel, BootSectorLabelWhenTheRootHasNone) {
    struct Case {
        const char* bootLabel;
        bool extended;
        const char* expected;
    };
    const Case cases[] = {
        {"PLAYER     ", true, "PLAYER"},
        {"NO NAME    ", true, ""},
        {"IGNORED    ", false, ""},
    };
    for (const Case& c : cases) {
        SimulatedMachine machine(Flavour::Windows2K);
        DriveSpec driveSpec;
        driveSpec.disk = HandMadeFat16(c.bootLabel, c.extended);
        machine.AddDrive('E', driveSpec);
        PutEntry(*driveSpec.disk, 0, "README  TXT", 0x20);
        EXPECT_EQ(Label(machine), c.expected) << c.bootLabel;
    }
}

TEST(VolumeLabel, FailsWithoutMediumOrFatBootSector) {
    SimulatedMachine machine(Flavour::Windows2K);
    machine.AddDrive('E', DriveSpec{});  // no medium
    EXPECT_FALSE(Label(machine));
    EXPECT_EQ(machine.GetLastError(), ERROR_NOT_READY);

    auto blank = MemoryDisk(64 * 512);
    machine.Drive('E').disk = blank;
    EXPECT_FALSE(Label(machine));

    // The signature without a sane parameter block is no FAT either.
    auto broken = HandMadeFat16("X          ");
    const std::uint8_t zero[2] = {0, 0};
    broken->Write(11, zero, 2);  // 0 bytes per sector
    machine.Drive('E').disk = broken;
    EXPECT_FALSE(Label(machine));
    EXPECT_FALSE(
        machine.GetVolumeInformationA("Q:\\", nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0));
}

TEST(VolumeLabel, LabelOfAnImageMadeByMkfsFat) {
    ASSERT_TRUE(testing_support::HaveProgram("mkfs.fat")) << "mkfs.fat is needed (dosfstools)";
    testing_support::TempDir dir;
    const auto image = dir / "player.img";
    testing_support::MakeSparseFile(image, 32 * 1024 * 1024);
    const auto made = testing_support::RunCommand("mkfs.fat -F 16 -n KERFATEST -i 0BADF00D " +
                                                  testing_support::ShellQuote(image.string()));
    ASSERT_EQ(made.exitCode, 0) << made.output;
    SimulatedMachine machine(Flavour::Windows2K);
    DriveSpec driveSpec;
    driveSpec.disk = FileDisk(image.string());
    machine.AddDrive('E', driveSpec);
    DWORD serial = 0;
    EXPECT_EQ(Label(machine, &serial), "KERFATEST");
    EXPECT_EQ(serial, 0x0BADF00Du);
}

TEST(VolumeLabel, TooSmallNameBufferFails) {
    SimulatedMachine machine(Flavour::Windows2K);
    DriveSpec driveSpec;
    driveSpec.disk = HandMadeFat16("LONGLABEL  ");
    machine.AddDrive('E', driveSpec);
    char name[5];
    EXPECT_FALSE(machine.GetVolumeInformationA("E:\\", name, sizeof name, nullptr, nullptr, nullptr,
                                               nullptr, 0));
}

}  // namespace
}  // namespace win32::sim
