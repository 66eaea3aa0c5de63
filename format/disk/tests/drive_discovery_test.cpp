// Platform detection, the drive filter on both platforms, and the drive walk:
// only removable drives are queried, in the system's order, and the walk
// reads nothing past the list it was given.
#include "format/disk/drive_discovery.h"

#include <gtest/gtest.h>

#include <cstring>

#include "format/disk/tests/machine_checks.h"

namespace kerfa::disk {
namespace {

using namespace testing;
using win32::sim::DriveSpec;
using win32::sim::MemoryDisk;

DriveSpec Drive(win32::UINT type, win32::BYTE deviceType = 5,
                win32::MEDIA_TYPE mediaType = win32::RemovableMedia) {
    DriveSpec driveSpec;
    driveSpec.type = type;
    driveSpec.deviceType = deviceType;
    driveSpec.mediaType = mediaType;
    driveSpec.disk = MemoryDisk(64 * 512);
    return driveSpec;
}

TEST(PlatformKind, FromTheVersionsTopBit) {
    SimulatedMachine nine(Flavour::Windows98);
    SimulatedMachine nt(Flavour::Windows2K);
    EXPECT_EQ(GetPlatformKind(nine), "Windows98");
    EXPECT_EQ(GetPlatformKind(nt), "Windows2K");
    ASSERT_EQ(nine.Calls().size(), 1u);
    EXPECT_EQ(nine.Calls()[0].function, "GetVersion");
}

class DriveWalk : public ::testing::TestWithParam<Flavour> {
  protected:
    DriveWalk() : machine(GetParam()) {
        machine.AddDrive('A', Drive(win32::DRIVE_REMOVABLE, 2, win32::F3_1Pt44_512));  // floppy
        machine.AddDrive('C', Drive(win32::DRIVE_FIXED, 5, win32::FixedMedia));
        machine.AddDrive('D', Drive(win32::DRIVE_CDROM));
        machine.AddDrive('E', Drive(win32::DRIVE_REMOVABLE));
        machine.AddDrive('F', Drive(win32::DRIVE_REMOTE));
        machine.AddDrive('G', Drive(win32::DRIVE_REMOVABLE));
        machine.AddDrive('H', Drive(win32::DRIVE_REMOVABLE, 0, win32::FixedMedia));
        machine.AddDrive('I', Drive(win32::DRIVE_RAMDISK));
    }
    void TearDown() override { ExpectNothingLeft(machine); }

    SimulatedMachine machine;
};

TEST_P(DriveWalk, ListsPassingRemovableDrivesInLetterOrder) {
    std::vector<std::string> drives = {"X:"};
    EXPECT_EQ(WalkDrives(machine, drives), 2);
    EXPECT_EQ(drives, (std::vector<std::string>{"X:", "E:", "G:"}));

    std::vector<std::string> roots;
    std::vector<std::string> opened;
    for (const Call& call : machine.Calls()) {
        if (call.function == "GetDriveTypeA") roots.push_back(call.name);
        if (call.function == "CreateFileA") opened.push_back(call.name);
    }
    EXPECT_EQ(roots, (std::vector<std::string>{"A:\\", "C:\\", "D:\\", "E:\\", "F:\\", "G:\\",
                                               "H:\\", "I:\\"}));
    // Fixed, CD-ROM, network and RAM drives are never opened.
    const std::vector<std::string> expectedOpens =
        GetParam() == Flavour::Windows98
            ? std::vector<std::string>(4, kVwin32Upper)
            : std::vector<std::string>{"\\\\.\\A:", "\\\\.\\E:", "\\\\.\\G:", "\\\\.\\H:"};
    EXPECT_EQ(opened, expectedOpens);
    for (const Call& call : machine.Calls()) {
        if (call.function == "GetDriveTypeA") continue;
        EXPECT_TRUE(call.drive == 0 || call.drive == 'A' || call.drive == 'E' ||
                    call.drive == 'G' || call.drive == 'H')
            << call.function << " " << call.drive;
    }
    EXPECT_EQ(machine.Calls()[0].function, "GetLogicalDriveStringsA");
    EXPECT_EQ(machine.Calls()[0].size, 150u);
}

TEST_P(DriveWalk, OnlyRemovableDriveE) {
    SimulatedMachine single(GetParam());
    single.AddDrive('C', Drive(win32::DRIVE_FIXED));
    single.AddDrive('E', Drive(win32::DRIVE_REMOVABLE));
    std::vector<std::string> drives;
    EXPECT_EQ(WalkDrives(single, drives), 1);
    EXPECT_EQ(drives, std::vector<std::string>{"E:"});
    ExpectNothingLeft(single);
}

INSTANTIATE_TEST_SUITE_P(BothPlatforms, DriveWalk,
                         ::testing::Values(Flavour::Windows98, Flavour::Windows2K),
                         [](const auto& param) { return std::string(FlavourName(param.param)); });

TEST(Filter9x, DeviceTypeFiveOnly) {
    const std::pair<win32::BYTE, int> cases[] = {{5, 1}, {0, 0}, {2, 0}, {7, 0}, {8, 0}};
    for (auto [deviceType, expected] : cases) {
        SimulatedMachine machine(Flavour::Windows98);
        machine.AddDrive('E', Drive(win32::DRIVE_REMOVABLE, deviceType));
        EXPECT_EQ(IsFormatCandidate(machine, "e:"), expected) << int{deviceType};
        const auto& calls = machine.Calls();
        ASSERT_EQ(calls.size(), 4u);
        EXPECT_EQ(calls[0].function, "GetVersion");
        ExpectVwin32Open(calls[1], kVwin32Upper);
        ExpectParametersRequest(calls[2], 5);
        ExpectClose(calls[3], calls[1].handle);
        ExpectNothingLeft(machine);
    }
}

TEST(Filter9x, FailedQueryIsNoCandidate) {
    for (int failing : {2, 3}) {  // the VWIN32 open, the request
        SimulatedMachine machine(Flavour::Windows98);
        machine.AddDrive('E', Drive(win32::DRIVE_REMOVABLE));
        machine.FailCall(failing);
        EXPECT_EQ(IsFormatCandidate(machine, "E:"), 0) << failing;
        ExpectNothingLeft(machine);
    }
    SimulatedMachine machine(Flavour::Windows98);
    DriveSpec empty = Drive(win32::DRIVE_REMOVABLE);
    empty.disk = nullptr;
    machine.AddDrive('E', empty);
    EXPECT_EQ(IsFormatCandidate(machine, "E:"), 0);  // carry
}

TEST(FilterNt, RemovableMediaOnly) {
    const std::pair<win32::MEDIA_TYPE, int> cases[] = {{win32::RemovableMedia, 1},
                                                       {win32::FixedMedia, 0},
                                                       {win32::F3_1Pt44_512, 0},
                                                       {win32::Unknown, 0}};
    for (auto [mediaType, expected] : cases) {
        SimulatedMachine machine(Flavour::Windows2K);
        machine.AddDrive('E', Drive(win32::DRIVE_REMOVABLE, 5, mediaType));
        EXPECT_EQ(IsFormatCandidate(machine, "e:"), expected) << int{mediaType};
        const auto& calls = machine.Calls();
        ASSERT_EQ(calls.size(), 4u);
        EXPECT_EQ(calls[0].function, "GetVersion");
        ExpectVolumeOpen(calls[1], kVolumeE, 0);
        EXPECT_EQ(calls[2].function, "DeviceIoControl");
        EXPECT_EQ(calls[2].code, 0x00070000u);
        EXPECT_EQ(calls[2].size, 0u);
        EXPECT_EQ(calls[2].outSize, 480u);
        EXPECT_TRUE(calls[2].hasReturned);
        EXPECT_FALSE(calls[2].hasOverlapped);
        ExpectClose(calls[3], calls[1].handle);
        ExpectNothingLeft(machine);
    }
}

// A machine whose geometry request succeeds without returning a byte.
class SilentGeometry : public SimulatedMachine {
  public:
    using SimulatedMachine::SimulatedMachine;
    win32::BOOL DeviceIoControl(win32::HANDLE device, win32::DWORD code, void* in,
                                win32::DWORD inSize, void* out, win32::DWORD outSize,
                                win32::DWORD* returned, void* overlapped) override {
        const win32::BOOL done = SimulatedMachine::DeviceIoControl(device, code, in, inSize, out,
                                                                   outSize, returned, overlapped);
        if (returned != nullptr) *returned = 0;
        return done;
    }
};

TEST(FilterNt, FailedOrEmptyGeometryIsNoCandidate) {
    for (int failing : {2, 3}) {  // the volume open, the geometry request
        SimulatedMachine machine(Flavour::Windows2K);
        machine.AddDrive('E', Drive(win32::DRIVE_REMOVABLE));
        machine.FailCall(failing);
        EXPECT_EQ(IsFormatCandidate(machine, "E:"), 0) << failing;
        ExpectNothingLeft(machine);
    }
    SilentGeometry silent(Flavour::Windows2K);
    silent.AddDrive('E', Drive(win32::DRIVE_REMOVABLE));
    EXPECT_EQ(IsFormatCandidate(silent, "E:"), 0);
    ExpectNothingLeft(silent);
}

// A machine that answers GetLogicalDriveStringsA with what a test gives.
class ScriptedDriveList : public SimulatedMachine {
  public:
    ScriptedDriveList() : SimulatedMachine(Flavour::Windows2K) {}
    std::string written;    // bytes the call writes
    std::string leftovers;  // bytes already in the buffer after them (not written)
    win32::DWORD answer = 0;
    win32::DWORD GetLogicalDriveStringsA(win32::DWORD size, char* buffer) override {
        SimulatedMachine::GetLogicalDriveStringsA(0, nullptr);  // recorded like the real call
        const std::string bytes = written + leftovers;
        std::memcpy(buffer, bytes.data(), std::min<std::size_t>(bytes.size(), size));
        return answer;
    }
};

std::vector<std::string> RootsAsked(const SimulatedMachine& machine) {
    std::vector<std::string> roots;
    for (const Call& call : machine.Calls()) {
        if (call.function == "GetDriveTypeA") roots.push_back(call.name);
    }
    return roots;
}

TEST(WalkBounds, StopsAtTheReturnedLength) {
    ScriptedDriveList machine;
    machine.AddDrive('E', Drive(win32::DRIVE_REMOVABLE));
    machine.AddDrive('G', Drive(win32::DRIVE_REMOVABLE));
    machine.written = std::string("E:\\\0", 4);
    machine.leftovers = std::string("G:\\\0", 4);  // no closing empty string was written
    machine.answer = 4;
    std::vector<std::string> drives;
    EXPECT_EQ(WalkDrives(machine, drives), 1);
    EXPECT_EQ(drives, std::vector<std::string>{"E:"});
    EXPECT_EQ(RootsAsked(machine), std::vector<std::string>{"E:\\"});
    ExpectNothingLeft(machine);
}

TEST(WalkBounds, StopsAtTheEmptyString) {
    ScriptedDriveList machine;
    machine.AddDrive('E', Drive(win32::DRIVE_REMOVABLE));
    machine.written = std::string("E:\\\0\0G:\\\0", 9);
    machine.answer = 8;  // a length that claims more than the list holds
    std::vector<std::string> drives;
    EXPECT_EQ(WalkDrives(machine, drives), 1);
    EXPECT_EQ(RootsAsked(machine), std::vector<std::string>{"E:\\"});
}

TEST(WalkBounds, NeverPastTheBuffer) {
    ScriptedDriveList machine;
    machine.written.clear();
    for (int i = 0; i < 38; ++i) machine.written += std::string("Z:\\\0", 4);
    machine.written.resize(149);  // the last entry is cut by the buffer's end
    machine.answer = 149;
    std::vector<std::string> drives;
    EXPECT_EQ(WalkDrives(machine, drives), 0);
    const auto roots = RootsAsked(machine);
    ASSERT_EQ(roots.size(), 38u);
    EXPECT_EQ(roots.back(), "Z");
}

TEST(WalkBounds, NoListMeansNoDrive) {
    for (win32::DWORD answer : {0u, 150u, 151u, 400u}) {
        ScriptedDriveList machine;
        machine.AddDrive('E', Drive(win32::DRIVE_REMOVABLE));
        machine.written = std::string("E:\\\0\0", 5);
        machine.answer = answer;
        std::vector<std::string> drives;
        EXPECT_EQ(WalkDrives(machine, drives), 0) << answer;
        EXPECT_TRUE(drives.empty());
        EXPECT_TRUE(RootsAsked(machine).empty()) << answer;
    }
}

TEST(WalkBounds, TwentySixDrivesFit) {
    SimulatedMachine machine(Flavour::Windows98);
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        machine.AddDrive(letter, Drive(win32::DRIVE_REMOVABLE));
    }
    std::vector<std::string> drives;
    EXPECT_EQ(WalkDrives(machine, drives), 26);
    EXPECT_EQ(drives.front(), "A:");
    EXPECT_EQ(drives.back(), "Z:");
    ExpectNothingLeft(machine);
}

}  // namespace
}  // namespace kerfa::disk
