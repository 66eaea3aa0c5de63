// The VWIN32 device of the simulated Windows 98/ME machine: how it opens, how
// it decodes the register image and the request blocks, and the volume lock.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

#include "platform/win32/simulated/simulated_machine.h"

namespace win32::sim {
namespace {

constexpr DWORD kIoctl = VWIN32_DIOC_DOS_IOCTL;
constexpr DWORD kDriveInfo = VWIN32_DIOC_DOS_DRIVEINFO;
constexpr REGISTER kDriveE = 5;

HANDLE OpenVwin32(SimulatedMachine& machine, const char* name = "\\\\.\\vwin32") {
    return machine.CreateFileA(name, 0, 0, nullptr, 0, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

struct Answer {
    BOOL result = FALSE;
    DWORD returned = 0;
    DIOC_REGISTERS registers{};
    bool carry() const { return (registers.reg_Flags & CARRY_FLAG) != 0; }
    REGISTER ax() const { return registers.reg_EAX & 0xFFFF; }
};

Answer Issue(SimulatedMachine& machine, HANDLE device, DWORD code, DIOC_REGISTERS registers) {
    Answer answer;
    answer.registers = registers;
    answer.result = machine.DeviceIoControl(device, code, &answer.registers, sizeof(DIOC_REGISTERS),
                                            &answer.registers, sizeof(DIOC_REGISTERS),
                                            &answer.returned, nullptr);
    return answer;
}

DIOC_REGISTERS Lock(REGISTER drive) {
    DIOC_REGISTERS r{};
    r.reg_EAX = 0x440D;
    r.reg_EBX = drive;
    r.reg_ECX = 0x484A;
    r.reg_EDX = 0;
    return r;
}

DIOC_REGISTERS Unlock(REGISTER drive) {
    DIOC_REGISTERS r{};
    r.reg_EAX = 0x440D;
    r.reg_EBX = drive;
    r.reg_ECX = 0x486A;
    return r;
}

DIOC_REGISTERS GetParams(REGISTER drive, DEVICEPARAMS& params) {
    DIOC_REGISTERS r{};
    r.reg_EAX = 0x440D;
    r.reg_EBX = drive;
    r.reg_ECX = 0x0860;
    r.reg_EDX = reinterpret_cast<REGISTER>(&params);
    r.reg_Flags = CARRY_FLAG;
    return r;
}

DIOC_REGISTERS DiskIo(REGISTER drive, DISKIO& packet, bool write) {
    DIOC_REGISTERS r{};
    r.reg_EAX = 0x7305;
    r.reg_EBX = reinterpret_cast<REGISTER>(&packet);
    r.reg_ECX = 0xFFFFFFFF;
    r.reg_EDX = drive;
    r.reg_ESI = write ? 0x6001 : 0;
    return r;
}

DISKIO Packet(std::uint32_t start, std::uint16_t count, void* buffer) {
    DISKIO packet{};
    packet.diStartSector = start;
    packet.diSectors = count;
    packet.diBuffer = reinterpret_cast<REGISTER>(buffer);
    return packet;
}

// A disk whose byte i is i * 7 mod 251, so every sector differs.
std::shared_ptr<Disk> PatternDisk(std::uint64_t size) {
    auto disk = MemoryDisk(size);
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 % 251);
    disk->Write(0, bytes.data(), bytes.size());
    return disk;
}

class Vwin32Test : public ::testing::Test {
  protected:
    Vwin32Test() : machine(Flavour::Windows98) {
        DriveSpec driveSpec;
        driveSpec.disk = PatternDisk(64 * 512);
        machine.AddDrive('E', driveSpec);
        device = OpenVwin32(machine);
    }
    ~Vwin32Test() override { machine.CloseHandle(device); }

    SimulatedMachine machine;
    HANDLE device = nullptr;
};

TEST(Vwin32Open, OpensOnlyOnWindows98UnderEitherCase) {
    struct Case {
        Flavour flavour;
        const char* name;
        bool opens;
    };
    const Case cases[] = {
        {Flavour::Windows98, "\\\\.\\vwin32", true},  {Flavour::Windows98, "\\\\.\\VWIN32", true},
        {Flavour::Windows98, "\\\\.\\VWin32", true},  {Flavour::Windows2K, "\\\\.\\vwin32", false},
        {Flavour::Windows2K, "\\\\.\\VWIN32", false}, {Flavour::Windows98, "\\\\.\\vwin3", false},
    };
    for (const Case& c : cases) {
        SimulatedMachine machine(c.flavour);
        HANDLE h = OpenVwin32(machine, c.name);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens) << c.name;
        EXPECT_EQ(machine.OpenHandles(), c.opens ? 1 : 0);
        if (h != INVALID_HANDLE_VALUE) {
            EXPECT_TRUE(machine.CloseHandle(h));
        }
        EXPECT_EQ(machine.OpenHandles(), 0);
    }
}

TEST(Vwin32Open, AcceptsOnlyThePublishedOpenFlags) {
    SimulatedMachine machine(Flavour::Windows98);
    struct Flags {
        DWORD access, share, creation, flags;
    };
    const Flags refused[] = {
        {GENERIC_READ, 0, 0, FILE_FLAG_DELETE_ON_CLOSE},
        {0, FILE_SHARE_READ, 0, FILE_FLAG_DELETE_ON_CLOSE},
        {0, 0, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE},
        {0, 0, 0, 0},
    };
    for (const Flags& f : refused) {
        EXPECT_EQ(machine.CreateFileA("\\\\.\\vwin32", f.access, f.share, nullptr, f.creation,
                                      f.flags, nullptr),
                  INVALID_HANDLE_VALUE);
    }
    EXPECT_EQ(machine.OpenHandles(), 0);
}

TEST_F(Vwin32Test, LockAndUnlockAreCounted) {
    Answer lock = Issue(machine, device, kIoctl, Lock(kDriveE));
    EXPECT_TRUE(lock.result);
    EXPECT_FALSE(lock.carry());
    EXPECT_EQ(lock.returned, sizeof(DIOC_REGISTERS));
    EXPECT_EQ(machine.HeldLocks(), 1);
    EXPECT_EQ(machine.LocksOn('E'), 1);

    Answer unlock = Issue(machine, device, kIoctl, Unlock(kDriveE));
    EXPECT_TRUE(unlock.result);
    EXPECT_FALSE(unlock.carry());
    EXPECT_EQ(machine.HeldLocks(), 0);

    Answer again = Issue(machine, device, kIoctl, Unlock(kDriveE));
    EXPECT_TRUE(again.result);
    EXPECT_TRUE(again.carry());
    EXPECT_EQ(again.ax(), 0xB0u);  // volume not locked
    EXPECT_EQ(machine.HeldLocks(), 0);
}

TEST_F(Vwin32Test, RefusedLockSetsCarryAndHoldsNothing) {
    machine.Drive('E').refuseLock = true;
    Answer lock = Issue(machine, device, kIoctl, Lock(kDriveE));
    EXPECT_TRUE(lock.result);
    EXPECT_TRUE(lock.carry());
    EXPECT_EQ(machine.HeldLocks(), 0);
}

TEST_F(Vwin32Test, LockLevelOtherThanZeroIsRefused) {
    Answer lock = Issue(machine, device, kIoctl, Lock(kDriveE | 0x0100));
    EXPECT_TRUE(lock.carry());
    EXPECT_EQ(machine.HeldLocks(), 0);
}

TEST_F(Vwin32Test, DeviceParametersCarryTheCountIn16Or32Bits) {
    struct Case {
        std::uint32_t sectors;
        WORD bytesPerSector;
        WORD expectSectors;
        DWORD expectHuge;
    };
    const Case cases[] = {
        {63488, 512, 63488, 0},   {65535, 512, 65535, 0}, {65536, 512, 0, 65536},
        {260096, 512, 0, 260096}, {1000, 2048, 1000, 0},
    };
    for (const Case& c : cases) {
        machine.Drive('E').reportedSectors = c.sectors;
        machine.Drive('E').bytesPerSector = c.bytesPerSector;
        machine.Drive('E').deviceType = 5;
        std::uint8_t block[64];
        std::memset(block, 0xCC, sizeof block);
        block[0] = 0;  // dpSpecFunc
        auto& params = *reinterpret_cast<DEVICEPARAMS*>(block);
        Answer answer = Issue(machine, device, kIoctl, GetParams(kDriveE, params));
        ASSERT_TRUE(answer.result);
        EXPECT_FALSE(answer.carry());
        EXPECT_EQ(block[1], 5);  // dpDevType
        EXPECT_EQ(block[7] | (block[8] << 8), c.bytesPerSector);
        EXPECT_EQ(block[15] | (block[16] << 8), c.expectSectors) << c.sectors;
        const DWORD huge = static_cast<DWORD>(block[28] | (block[29] << 8) | (block[30] << 16) |
                                              (static_cast<DWORD>(block[31]) << 24));
        EXPECT_EQ(huge, c.expectHuge) << c.sectors;
        EXPECT_EQ(block[0], 0);
        for (std::size_t i = 40; i < sizeof block; ++i) EXPECT_EQ(block[i], 0xCC) << i;
    }
    // With no reported count the disk's own size is given: 64 sectors.
    machine.Drive('E').reportedSectors.reset();
    machine.Drive('E').bytesPerSector = 512;
    DEVICEPARAMS params{};
    Issue(machine, device, kIoctl, GetParams(kDriveE, params));
    EXPECT_EQ(unsigned{params.dpSectors}, 64u);
}

TEST_F(Vwin32Test, DeviceParametersReportTheDeviceType) {
    machine.Drive('E').deviceType = 8;
    DEVICEPARAMS params{};
    Answer answer = Issue(machine, device, kIoctl, GetParams(kDriveE, params));
    EXPECT_FALSE(answer.carry());
    EXPECT_EQ(unsigned{params.dpDevType}, 8u);
}

TEST_F(Vwin32Test, AbsoluteReadMovesTheAskedSectors) {
    std::vector<std::uint8_t> buffer(3 * 512, 0);
    DISKIO packet = Packet(10, 3, buffer.data());
    Answer answer = Issue(machine, device, kDriveInfo, DiskIo(kDriveE, packet, false));
    EXPECT_TRUE(answer.result);
    EXPECT_FALSE(answer.carry());
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        ASSERT_EQ(buffer[i], static_cast<std::uint8_t>((10 * 512 + i) * 7 % 251)) << i;
    }
    const Call& call = machine.Calls().back();
    ASSERT_TRUE(call.packet);
    EXPECT_EQ(DWORD{call.packet->diStartSector}, 10u);
    EXPECT_EQ(unsigned{call.packet->diSectors}, 3u);
    EXPECT_EQ(call.moved, 3u * 512);
    EXPECT_EQ(call.drive, 'E');
    EXPECT_TRUE(call.ok);
}

TEST_F(Vwin32Test, AbsoluteWriteNeedsTheLock) {
    const auto before = machine.Drive('E').disk->Snapshot();
    std::vector<std::uint8_t> buffer(2 * 512, 0xAB);
    DISKIO packet = Packet(4, 2, buffer.data());
    Answer unlocked = Issue(machine, device, kDriveInfo, DiskIo(kDriveE, packet, true));
    EXPECT_TRUE(unlocked.result);
    EXPECT_TRUE(unlocked.carry());
    EXPECT_EQ(machine.Drive('E').disk->Snapshot(), before);

    Issue(machine, device, kIoctl, Lock(kDriveE));
    Answer locked = Issue(machine, device, kDriveInfo, DiskIo(kDriveE, packet, true));
    EXPECT_FALSE(locked.carry());
    auto after = machine.Drive('E').disk->Snapshot();
    for (std::size_t i = 0; i < after.size(); ++i) {
        const bool written = i >= 4 * 512 && i < 6 * 512;
        ASSERT_EQ(after[i], written ? 0xAB : before[i]) << i;
    }
    Issue(machine, device, kIoctl, Unlock(kDriveE));
}

TEST_F(Vwin32Test, TransferPastTheEndFailsWithoutMovingAByte) {
    std::vector<std::uint8_t> buffer(2 * 512, 0x11);
    DISKIO packet = Packet(63, 2, buffer.data());  // the disk has 64 sectors
    Answer answer = Issue(machine, device, kDriveInfo, DiskIo(kDriveE, packet, false));
    EXPECT_TRUE(answer.carry());
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(2 * 512, 0x11));
}

TEST_F(Vwin32Test, UnknownRequestsAndMissingDrivesSetCarry) {
    std::vector<std::uint8_t> buffer(512);
    DISKIO packet = Packet(0, 1, buffer.data());
    DEVICEPARAMS params{};
    struct Case {
        const char* what;
        DWORD code;
        DIOC_REGISTERS registers;
    };
    DIOC_REGISTERS otherFunction = Lock(kDriveE);
    otherFunction.reg_EAX = 0x4408;
    DIOC_REGISTERS otherMinor = Lock(kDriveE);
    otherMinor.reg_ECX = 0x0841;
    DIOC_REGISTERS otherDriveInfo = DiskIo(kDriveE, packet, false);
    otherDriveInfo.reg_EAX = 0x7302;
    DIOC_REGISTERS oldForm = DiskIo(kDriveE, packet, false);
    oldForm.reg_ECX = 1;
    DIOC_REGISTERS wrongRoute = DiskIo(kDriveE, packet, false);
    DIOC_REGISTERS noPacket = DiskIo(kDriveE, packet, false);
    noPacket.reg_EBX = 0;
    const Case cases[] = {
        {"other 44xxh function", kIoctl, otherFunction},
        {"other 440Dh minor code", kIoctl, otherMinor},
        {"other 73xxh function", kDriveInfo, otherDriveInfo},
        {"7305h without CX = -1", kDriveInfo, oldForm},
        {"7305h through the IOCTL code", kIoctl, wrongRoute},
        {"7305h without a packet", kDriveInfo, noPacket},
        {"lock of a missing drive", kIoctl, Lock(7)},
        {"lock of drive 0", kIoctl, Lock(0)},
        {"parameters of a missing drive", kIoctl, GetParams(26, params)},
        {"read of a missing drive", kDriveInfo, DiskIo(3, packet, false)},
    };
    for (const Case& c : cases) {
        Answer answer = Issue(machine, device, c.code, c.registers);
        EXPECT_TRUE(answer.result) << c.what;
        EXPECT_TRUE(answer.carry()) << c.what;
        EXPECT_FALSE(machine.Calls().back().ok) << c.what;
    }
    EXPECT_EQ(machine.HeldLocks(), 0);
}

TEST_F(Vwin32Test, MisformedDeviceCallsReturnFalse) {
    DIOC_REGISTERS r = Lock(kDriveE);
    DWORD returned = 0;
    EXPECT_FALSE(machine.DeviceIoControl(device, kIoctl, &r, sizeof r - 1, &r, sizeof r, &returned,
                                         nullptr));
    EXPECT_FALSE(machine.DeviceIoControl(device, kIoctl, &r, sizeof r, &r, sizeof r + 4, &returned,
                                         nullptr));
    EXPECT_FALSE(
        machine.DeviceIoControl(device, kIoctl, &r, sizeof r, &r, sizeof r, nullptr, nullptr));
    int overlapped = 0;
    EXPECT_FALSE(machine.DeviceIoControl(device, kIoctl, &r, sizeof r, &r, sizeof r, &returned,
                                         &overlapped));
    EXPECT_FALSE(
        machine.DeviceIoControl(device, 2, &r, sizeof r, &r, sizeof r, &returned, nullptr));
    EXPECT_EQ(machine.HeldLocks(), 0);
}

TEST_F(Vwin32Test, RecordsTheRegistersAndTheBlocksAsGiven) {
    DEVICEPARAMS params{};
    DIOC_REGISTERS in = GetParams(kDriveE, params);
    Issue(machine, device, kIoctl, in);
    const Call& call = machine.Calls().back();
    EXPECT_EQ(call.function, "DeviceIoControl");
    EXPECT_EQ(call.handle, device);
    EXPECT_EQ(call.code, kIoctl);
    EXPECT_EQ(call.size, sizeof(DIOC_REGISTERS));
    EXPECT_EQ(call.outSize, sizeof(DIOC_REGISTERS));
    EXPECT_EQ(call.registersIn.reg_EAX, 0x440Du);
    EXPECT_EQ(call.registersIn.reg_EBX, kDriveE);
    EXPECT_EQ(call.registersIn.reg_ECX, 0x0860u);
    EXPECT_EQ(call.registersIn.reg_Flags, CARRY_FLAG);
    EXPECT_EQ(call.registersOut.reg_Flags & CARRY_FLAG, 0u);
    ASSERT_TRUE(call.params);
    EXPECT_EQ(call.params->dpSpecFunc, 0);
    EXPECT_FALSE(call.packet);
    EXPECT_TRUE(call.hasReturned);
    EXPECT_FALSE(call.hasOverlapped);
    EXPECT_EQ(call.name, "\\\\.\\vwin32");
}

TEST(Vwin32Volumes, Windows98OpensNoVolumePath) {
    SimulatedMachine machine(Flavour::Windows98);
    machine.AddRemovableDisk('E', 64 * 512);
    EXPECT_EQ(
        machine.CreateFileA("\\\\.\\E:", GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr),
        INVALID_HANDLE_VALUE);
    EXPECT_EQ(machine.OpenHandles(), 0);
}

}  // namespace
}  // namespace win32::sim
