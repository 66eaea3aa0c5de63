// Fault injection of the simulated machine: which call fails, how, and that
// handles and locks stay counted.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32/simulated/simulated_machine.h"

namespace win32::sim {
namespace {

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;

HANDLE OpenVolume(SimulatedMachine& machine) {
    return machine.CreateFileA("\\\\.\\E:", kReadWrite, kShareReadWrite, nullptr, OPEN_EXISTING, 0,
                               nullptr);
}

HANDLE OpenVwin32(SimulatedMachine& machine) {
    return machine.CreateFileA("\\\\.\\vwin32", 0, 0, nullptr, 0, FILE_FLAG_DELETE_ON_CLOSE,
                               nullptr);
}

// One sector read of sector `sector` through a fresh volume handle: open,
// seek, read, close (calls n .. n + 3). Returns the bytes read, -1 on failure.
int ReadOneSector(SimulatedMachine& machine, std::uint8_t* buffer, LONG sector = 0) {
    HANDLE h = OpenVolume(machine);
    if (h == INVALID_HANDLE_VALUE) return -1;
    DWORD moved = 0;
    int result = -1;
    if (machine.SetFilePointer(h, sector * 512, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
        machine.ReadFile(h, buffer, 512, &moved, nullptr)) {
        result = static_cast<int>(moved);
    }
    machine.CloseHandle(h);
    return result;
}

DIOC_REGISTERS Request(REGISTER eax, REGISTER ebx, REGISTER ecx, REGISTER edx, REGISTER esi = 0) {
    DIOC_REGISTERS r{};
    r.reg_EAX = eax;
    r.reg_EBX = ebx;
    r.reg_ECX = ecx;
    r.reg_EDX = edx;
    r.reg_ESI = esi;
    return r;
}

TEST(FaultInjection, CallsAreNumberedFromOneAndAfterClearCalls) {
    SimulatedMachine machine(Flavour::Windows2K);
    machine.AddRemovableDisk('E', 8 * 512);
    std::uint8_t buffer[512];
    ReadOneSector(machine, buffer);
    ASSERT_EQ(machine.Calls().size(), 4u);
    const char* functions[] = {"CreateFileA", "SetFilePointer", "ReadFile", "CloseHandle"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(machine.Calls()[i].number, i + 1);
        EXPECT_EQ(machine.Calls()[i].function, functions[i]);
        EXPECT_TRUE(machine.Calls()[i].ok);
    }
    machine.ClearCalls();
    EXPECT_TRUE(machine.Calls().empty());
    machine.GetVersion();
    EXPECT_EQ(machine.Calls().front().number, 1);
}

TEST(FaultInjection, TheNamedCallFailsWithItsFailureValue) {
    for (int n = 1; n <= 4; ++n) {
        SimulatedMachine machine(Flavour::Windows2K);
        machine.AddRemovableDisk('E', 8 * 512);
        machine.FailCall(n);
        std::uint8_t buffer[512];
        const int result = ReadOneSector(machine, buffer);
        EXPECT_EQ(result, n == 4 ? 512 : -1) << n;  // a failed close still read the sector
        ASSERT_GE(static_cast<int>(machine.Calls().size()), n);
        EXPECT_FALSE(machine.Calls()[n - 1].ok) << n;
        for (const Call& call : machine.Calls()) {
            EXPECT_TRUE(call.ok || call.number == n) << n << " " << call.function;
        }
        EXPECT_EQ(machine.GetLastError(), ERROR_GEN_FAILURE);
        EXPECT_EQ(machine.OpenHandles(), 0) << n;  // even a failed CloseHandle releases
        EXPECT_EQ(machine.InvalidHandleUses(), 0);
        // Only once: the next round works.
        EXPECT_EQ(ReadOneSector(machine, buffer), 512);
    }
}

TEST(FaultInjection, FailureValuesOfTheByteCalls) {
    SimulatedMachine machine(Flavour::Windows2K);
    machine.AddRemovableDisk('E', 8 * 512);
    HANDLE h = OpenVolume(machine);  // call 1
    std::uint8_t buffer[512];
    DWORD moved = 77;
    machine.FailCallsFrom(2);
    EXPECT_EQ(machine.SetFilePointer(h, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_FALSE(machine.ReadFile(h, buffer, 512, &moved, nullptr));
    EXPECT_EQ(moved, 0u);
    moved = 77;
    EXPECT_FALSE(machine.WriteFile(h, buffer, 512, &moved, nullptr));
    EXPECT_EQ(moved, 0u);
    EXPECT_FALSE(machine.FlushFileBuffers(h));
    DWORD returned = 0;
    DISK_GEOMETRY geometry{};
    EXPECT_FALSE(machine.DeviceIoControl(h, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry,
                                         sizeof geometry, &returned, nullptr));
    EXPECT_EQ(OpenVolume(machine), INVALID_HANDLE_VALUE);
    EXPECT_EQ(machine.GetLogicalDriveStringsA(0, nullptr), 0u);
    EXPECT_FALSE(machine.CloseHandle(h));
    EXPECT_EQ(machine.OpenHandles(), 0);
    // Calls that cannot fail are not affected.
    EXPECT_NE(machine.GetVersion(), 0u);
    EXPECT_EQ(machine.GetSystemDefaultLangID(), 0x0409);
}

TEST(FaultInjection, ShortCallsMoveHalf) {
    SimulatedMachine machine(Flavour::Windows2K);
    machine.AddRemovableDisk('E', 8 * 512);
    HANDLE h = OpenVolume(machine);  // 1
    std::vector<std::uint8_t> buffer(4 * 512);
    DWORD moved = 0;
    machine.ShortCall(2);
    machine.ShortCall(4);
    EXPECT_TRUE(machine.ReadFile(h, buffer.data(), 4 * 512, &moved, nullptr));  // 2
    EXPECT_EQ(moved, 2u * 512);
    EXPECT_TRUE(machine.ReadFile(h, buffer.data(), 4 * 512, &moved, nullptr));  // 3
    EXPECT_EQ(moved, 4u * 512);
    EXPECT_TRUE(machine.WriteFile(h, buffer.data(), 512, &moved, nullptr));  // 4: one sector
    EXPECT_EQ(moved, 0u);
    machine.CloseHandle(h);
}

TEST(FaultInjection, ShortDiskRequestMovesHalfTheSectorsAndReportsCarry) {
    SimulatedMachine machine(Flavour::Windows98);
    machine.AddRemovableDisk('E', 8 * 512);
    HANDLE h = OpenVwin32(machine);  // 1
    std::vector<std::uint8_t> buffer(4 * 512, 0xFF);
    DISKIO packet{};
    packet.diStartSector = 0;
    packet.diSectors = 4;
    packet.diBuffer = reinterpret_cast<REGISTER>(buffer.data());
    DIOC_REGISTERS r = Request(0x7305, reinterpret_cast<REGISTER>(&packet), 0xFFFFFFFF, 5);
    DWORD returned = 0;
    machine.ShortCall(2);
    ASSERT_TRUE(machine.DeviceIoControl(h, 6, &r, sizeof r, &r, sizeof r, &returned, nullptr));
    EXPECT_NE(r.reg_Flags & CARRY_FLAG, 0u);
    EXPECT_EQ(machine.Calls().back().moved, 2u * 512);
    EXPECT_EQ(buffer[2 * 512 - 1], 0);  // read from the zeroed disk
    EXPECT_EQ(buffer[2 * 512], 0xFF);   // not reached
    machine.CloseHandle(h);
}

TEST(FaultInjection, AFailedDeviceCallLeavesTheRegistersAlone) {
    SimulatedMachine machine(Flavour::Windows98);
    machine.AddRemovableDisk('E', 8 * 512);
    HANDLE h = OpenVwin32(machine);  // 1
    DIOC_REGISTERS r = Request(0x440D, 5, 0x484A, 0);
    const DIOC_REGISTERS before = r;
    DWORD returned = 0;
    machine.FailCall(2);
    EXPECT_FALSE(machine.DeviceIoControl(h, 1, &r, sizeof r, &r, sizeof r, &returned, nullptr));
    EXPECT_EQ(std::memcmp(&r, &before, sizeof r), 0);
    EXPECT_EQ(machine.HeldLocks(), 0);
    machine.CloseHandle(h);
}

TEST(FaultInjection, LostDriveFailsOpensAndOpenHandles) {
    SimulatedMachine machine(Flavour::Windows2K);
    machine.AddRemovableDisk('E', 8 * 512);
    HANDLE h = OpenVolume(machine);  // 1
    std::uint8_t buffer[512];
    DWORD moved = 0;
    machine.LoseDriveAt('E', 3);
    EXPECT_TRUE(machine.ReadFile(h, buffer, 512, &moved, nullptr));   // 2
    EXPECT_FALSE(machine.ReadFile(h, buffer, 512, &moved, nullptr));  // 3
    EXPECT_EQ(machine.GetLastError(), ERROR_NOT_READY);
    EXPECT_EQ(OpenVolume(machine), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(
        machine.GetVolumeInformationA("E:\\", nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(machine.GetDriveTypeA("E:\\"), DRIVE_REMOVABLE);  // the letter stays
    EXPECT_TRUE(machine.CloseHandle(h));
    EXPECT_EQ(machine.OpenHandles(), 0);
}

TEST(FaultInjection, LostDriveOn98RefusesRequestsButReleasesItsLock) {
    SimulatedMachine machine(Flavour::Windows98);
    machine.AddRemovableDisk('E', 8 * 512);
    HANDLE h = OpenVwin32(machine);  // 1
    DWORD returned = 0;
    DIOC_REGISTERS lock = Request(0x440D, 5, 0x484A, 0);
    machine.DeviceIoControl(h, 1, &lock, sizeof lock, &lock, sizeof lock, &returned, nullptr);  // 2
    ASSERT_EQ(machine.HeldLocks(), 1);
    machine.LoseDriveAt('E', 3);
    std::vector<std::uint8_t> buffer(512);
    DISKIO packet{0, 1, reinterpret_cast<REGISTER>(buffer.data())};
    DIOC_REGISTERS read = Request(0x7305, reinterpret_cast<REGISTER>(&packet), 0xFFFFFFFF, 5);
    EXPECT_TRUE(
        machine.DeviceIoControl(h, 6, &read, sizeof read, &read, sizeof read, &returned, nullptr));
    EXPECT_NE(read.reg_Flags & CARRY_FLAG, 0u);
    DIOC_REGISTERS relock = Request(0x440D, 5, 0x484A, 0);
    machine.DeviceIoControl(h, 1, &relock, sizeof relock, &relock, sizeof relock, &returned,
                            nullptr);
    EXPECT_NE(relock.reg_Flags & CARRY_FLAG, 0u);
    DIOC_REGISTERS unlock = Request(0x440D, 5, 0x486A, 0);
    machine.DeviceIoControl(h, 1, &unlock, sizeof unlock, &unlock, sizeof unlock, &returned,
                            nullptr);
    EXPECT_EQ(unlock.reg_Flags & CARRY_FLAG, 0u);
    EXPECT_EQ(machine.HeldLocks(), 0);
    machine.CloseHandle(h);
}

TEST(FaultInjection, CorruptReadBackFlipsTheByteOnEveryRead) {
    SimulatedMachine machine(Flavour::Windows2K);
    auto disk = machine.AddRemovableDisk('E', 8 * 512);
    machine.CorruptReadBack('E', 3 * 512 + 10, 0x80);
    std::uint8_t buffer[512];
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(ReadOneSector(machine, buffer, 3), 512);
        for (int i = 0; i < 512; ++i) EXPECT_EQ(buffer[i], i == 10 ? 0x80 : 0x00) << i;
    }
    EXPECT_EQ(disk->Snapshot()[3 * 512 + 10], 0);  // the medium itself holds what was written
    ASSERT_EQ(ReadOneSector(machine, buffer, 2), 512);
    EXPECT_EQ(buffer[10], 0);
}

TEST(FaultInjection, FailWhenSeesTheCallsInputs) {
    SimulatedMachine machine(Flavour::Windows2K);
    machine.AddRemovableDisk('E', 8 * 512);
    machine.FailWhen([](const Call& call) {
        return call.function == "SetFilePointer" && call.distance == 5 * 512;
    });
    std::uint8_t buffer[512];
    EXPECT_EQ(ReadOneSector(machine, buffer, 4), 512);
    EXPECT_EQ(ReadOneSector(machine, buffer, 5), -1);
    EXPECT_EQ(ReadOneSector(machine, buffer, 6), 512);
    EXPECT_EQ(machine.OpenHandles(), 0);
}

TEST(HandleCounting, CountsEveryKindAndNoticesStaleHandles) {
    SimulatedMachine machine(Flavour::Windows98);
    machine.AddRemovableDisk('E', 8 * 512);
    HANDLE a = OpenVwin32(machine);
    HANDLE b = OpenVwin32(machine);
    EXPECT_NE(a, b);
    machine.AddFile("C:\\x.txt", "x");
    HANDLE f = machine.CreateFileA("C:\\x.txt", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup{};
    PROCESS_INFORMATION info{};
    char line[] = "\"C:\\tool.exe\"";
    ASSERT_TRUE(machine.CreateProcessA(nullptr, line, nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                       &startup, &info));
    EXPECT_EQ(machine.OpenHandles(), 5);
    for (HANDLE h : {a, b, f, info.hThread, info.hProcess}) EXPECT_TRUE(machine.CloseHandle(h));
    EXPECT_EQ(machine.OpenHandles(), 0);
    EXPECT_EQ(machine.InvalidHandleUses(), 0);
    EXPECT_FALSE(machine.CloseHandle(a));
    EXPECT_EQ(machine.GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(machine.WaitForSingleObject(info.hProcess, 0), WAIT_FAILED);
    EXPECT_EQ(machine.InvalidHandleUses(), 2);
    // A new handle never takes the value of a closed one.
    HANDLE c = OpenVwin32(machine);
    for (HANDLE old : {a, b, f, info.hThread, info.hProcess}) EXPECT_NE(c, old);
    machine.CloseHandle(c);
}

}  // namespace
}  // namespace win32::sim
