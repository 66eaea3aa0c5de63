// The sector device on both back-ends: the exact requests, the lock around a
// 9x write, the fall-back to the volume path, refused transfers, and that no
// handle or lock is left after any of them.
#include "format/disk/sector_device.h"

#include <gtest/gtest.h>

#include <numeric>

#include "format/disk/tests/machine_checks.h"
#include "testing/test_support.h"

namespace kerfa::disk {
namespace {

using namespace testing;
using win32::sim::Disk;

constexpr std::uint32_t kDiskSectors = 1024;

// Byte i of sector s is (s + i) mod 256, so every sector is told apart.
std::vector<std::uint8_t> Pattern(std::uint32_t firstSector, std::uint32_t sectors) {
    std::vector<std::uint8_t> bytes(std::size_t{sectors} * 512);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(firstSector + i / 512 + i % 512);
    }
    return bytes;
}

class SectorDeviceTest : public ::testing::Test {
  protected:
    explicit SectorDeviceTest(Flavour flavour) : machine(flavour) {
        disk = machine.AddRemovableDisk('E', std::uint64_t{kDiskSectors} * 512);
        const auto bytes = Pattern(0, kDiskSectors);
        disk->Write(0, bytes.data(), bytes.size());
    }
    void TearDown() override { ExpectNothingLeft(machine); }

    SimulatedMachine machine;
    std::shared_ptr<Disk> disk;
};

class SectorDevice98 : public SectorDeviceTest {
  protected:
    SectorDevice98() : SectorDeviceTest(Flavour::Windows98) {}
};

class SectorDevice2K : public SectorDeviceTest {
  protected:
    SectorDevice2K() : SectorDeviceTest(Flavour::Windows2K) {}
};

// ---- Windows 98/ME ----

TEST_F(SectorDevice98, ReadIsOneAbsoluteDiskRequestThroughVwin32) {
    std::vector<std::uint8_t> buffer(3 * 512);
    EXPECT_EQ(ReadSectors(machine, "E:", buffer.data(), 10, 3), 1);
    EXPECT_EQ(buffer, Pattern(10, 3));
    const auto& calls = machine.Calls();
    ASSERT_EQ(calls.size(), 3u);
    ExpectVwin32Open(calls[0], kVwin32Lower);
    ExpectDiskRequest(calls[1], 5, 0x0000, 10, 3, buffer.data());
    EXPECT_EQ(calls[1].handle, calls[0].handle);
    ExpectClose(calls[2], calls[0].handle);
}

TEST_F(SectorDevice98, DriveNumberIsTheLetterMinus64) {
    const std::pair<char, win32::REGISTER> drives[] = {{'A', 1}, {'E', 5}, {'H', 8}, {'Z', 26}};
    for (auto [letter, number] : drives) {
        if (letter != 'E') machine.AddRemovableDisk(letter, 64 * 512);
        machine.ClearCalls();
        std::vector<std::uint8_t> buffer(512);
        const std::string drive = std::string(1, letter) + ":";
        EXPECT_EQ(ReadSectors(machine, drive, buffer.data(), 0, 1), 1) << drive;
        EXPECT_EQ(machine.Calls()[1].registersIn.reg_EDX, number) << drive;
        machine.ClearCalls();
        EXPECT_EQ(WriteSectors(machine, drive, buffer.data(), 0, 1), WriteResult::Written);
        EXPECT_EQ(machine.Calls()[2].registersIn.reg_EBX, number) << drive;  // the lock
        EXPECT_EQ(machine.Calls()[4].registersIn.reg_EDX, number) << drive;  // the write
        EXPECT_EQ(machine.Calls()[7].registersIn.reg_EBX, number) << drive;  // the unlock
    }
}

TEST_F(SectorDevice98, WriteTakesTheLockAroundItsOneRequest) {
    const auto data = std::vector<std::uint8_t>(285 * 512, 0xA5);
    EXPECT_EQ(WriteSectors(machine, "E:", data.data(), 0, 285), WriteResult::Written);
    const auto& calls = machine.Calls();
    ASSERT_EQ(calls.size(), 9u);
    ExpectVwin32Open(calls[0], kVwin32Lower);
    ExpectVwin32Open(calls[1], kVwin32Upper);
    ExpectLockRequest(calls[2], 0x484A, 5);
    ExpectClose(calls[3], calls[1].handle);
    ExpectDiskRequest(calls[4], 5, 0x6001, 0, 285, data.data());
    EXPECT_EQ(calls[4].handle, calls[0].handle);
    EXPECT_TRUE(calls[4].ok);  // the machine refuses a write without the lock
    ExpectClose(calls[5], calls[0].handle);
    ExpectVwin32Open(calls[6], kVwin32Upper);
    ExpectLockRequest(calls[7], 0x486A, 5);
    ExpectClose(calls[8], calls[6].handle);
    const auto after = disk->Snapshot();
    EXPECT_TRUE(std::equal(data.begin(), data.end(), after.begin()));
    EXPECT_EQ(after[285 * 512], Pattern(285, 1)[0]);
}

TEST_F(SectorDevice98, FailedWriteStillReleasesTheLock) {
    struct Case {
        const char* what;
        std::function<void(SimulatedMachine&)> inject;
    };
    const Case cases[] = {
        {"device call fails", [](SimulatedMachine& m) { m.FailCall(5); }},
        {"request moves fewer sectors", [](SimulatedMachine& m) { m.ShortCall(5); }},
        {"drive lost at the write", [](SimulatedMachine& m) { m.LoseDriveAt('E', 5); }},
    };
    for (const Case& c : cases) {
        SimulatedMachine m(Flavour::Windows98);
        m.AddRemovableDisk('E', 1024 * 512);
        c.inject(m);
        const auto data = std::vector<std::uint8_t>(4 * 512, 0x11);
        EXPECT_EQ(WriteSectors(m, "E:", data.data(), 0, 4), WriteResult::Failed) << c.what;
        ASSERT_EQ(m.Calls().size(), 9u) << c.what;
        ExpectLockRequest(m.Calls()[7], 0x486A, 5);
        ExpectNothingLeft(m);
    }
}

TEST_F(SectorDevice98, RefusedLockWritesNothing) {
    machine.Drive('E').refuseLock = true;
    const auto before = disk->Snapshot();
    const auto data = std::vector<std::uint8_t>(512, 0x11);
    EXPECT_EQ(WriteSectors(machine, "E:", data.data(), 0, 1), WriteResult::LockRefused);
    EXPECT_EQ(Outline(machine), (std::vector<std::string>{
                                    "CreateFileA " + kVwin32Lower, "CreateFileA " + kVwin32Upper,
                                    "DeviceIoControl 1", "CloseHandle", "CloseHandle"}));
    ExpectClose(machine.Calls()[4], machine.Calls()[0].handle);
    EXPECT_EQ(disk->Snapshot(), before);
}

TEST_F(SectorDevice98, FailedReadIsZero) {
    std::vector<std::uint8_t> buffer(2 * 512);
    EXPECT_EQ(ReadSectors(machine, "E:", buffer.data(), kDiskSectors - 1, 2), 0);  // past the end
    machine.FailCall(static_cast<int>(machine.Calls().size()) + 2);  // the next request
    EXPECT_EQ(ReadSectors(machine, "E:", buffer.data(), 0, 1), 0);
    EXPECT_EQ(ReadSectors(machine, "F:", buffer.data(), 0, 1), 0);  // no such drive
}

TEST_F(SectorDevice98, NeverReachesTheVolumePath) {
    std::vector<std::uint8_t> buffer(512);
    ReadSectors(machine, "E:", buffer.data(), 0, 1);
    WriteSectors(machine, "E:", buffer.data(), 0, 1);
    machine.Drive('E').refuseLock = true;
    WriteSectors(machine, "E:", buffer.data(), 0, 1);
    for (const Call& call : machine.Calls()) {
        EXPECT_FALSE(call.function == "CreateFileA" && call.name == kVolumeE);
        EXPECT_NE(call.function, "ReadFile");
        EXPECT_NE(call.function, "WriteFile");
    }
}

TEST_F(SectorDevice98, LockAndUnlockOpenTheirOwnHandle) {
    EXPECT_EQ(LockVolume(machine, "E:"), 1);
    EXPECT_EQ(machine.HeldLocks(), 1);
    EXPECT_EQ(machine.OpenHandles(), 0);  // the lock outlives its handle
    EXPECT_EQ(UnlockVolume(machine, "E:"), 1);
    const auto& calls = machine.Calls();
    ASSERT_EQ(calls.size(), 6u);
    ExpectVwin32Open(calls[0], kVwin32Upper);
    ExpectLockRequest(calls[1], 0x484A, 5);
    ExpectClose(calls[2], calls[0].handle);
    ExpectVwin32Open(calls[3], kVwin32Upper);
    ExpectLockRequest(calls[4], 0x486A, 5);
    ExpectClose(calls[5], calls[3].handle);
    machine.Drive('E').refuseLock = true;
    EXPECT_EQ(LockVolume(machine, "E:"), 0);
    EXPECT_EQ(UnlockVolume(machine, "E:"), 0);  // nothing to release
}

// ---- Windows 2000/XP ----

TEST_F(SectorDevice2K, ReadFailsToOpenVwin32ThenUsesTheVolume) {
    std::vector<std::uint8_t> buffer(3 * 512);
    EXPECT_EQ(ReadSectors(machine, "E:", buffer.data(), 10, 3), 1);
    EXPECT_EQ(buffer, Pattern(10, 3));
    const auto& calls = machine.Calls();
    ASSERT_EQ(calls.size(), 5u);
    ExpectVwin32Open(calls[0], kVwin32Lower);
    EXPECT_FALSE(calls[0].ok);
    ExpectVolumeOpen(calls[1], kVolumeE, kReadWrite);
    EXPECT_EQ(calls[2].function, "SetFilePointer");
    EXPECT_EQ(calls[2].distance, 10 * 512);
    EXPECT_FALSE(calls[2].hasHighPart);
    EXPECT_EQ(calls[2].method, 0u);  // FILE_BEGIN
    EXPECT_EQ(calls[3].function, "ReadFile");
    EXPECT_EQ(calls[3].size, 3u * 512);
    EXPECT_FALSE(calls[3].hasOverlapped);
    ExpectClose(calls[4], calls[1].handle);
}

TEST_F(SectorDevice2K, WriteFlushesAfterAWholeWrite) {
    const auto data = std::vector<std::uint8_t>(2 * 512, 0x3C);
    EXPECT_EQ(WriteSectors(machine, "E:", data.data(), 7, 2), WriteResult::Written);
    EXPECT_EQ(Outline(machine),
              (std::vector<std::string>{"CreateFileA " + kVwin32Lower, "CreateFileA " + kVolumeE,
                                        "SetFilePointer", "WriteFile", "FlushFileBuffers",
                                        "CloseHandle"}));
    EXPECT_EQ(machine.Calls()[2].distance, 7 * 512);
    EXPECT_EQ(machine.Calls()[3].size, 2u * 512);
    const auto after = disk->Snapshot();
    EXPECT_TRUE(std::equal(data.begin(), data.end(), after.begin() + 7 * 512));
    EXPECT_EQ(after[9 * 512], Pattern(9, 1)[0]);
}

TEST_F(SectorDevice2K, FlushFailureDoesNotChangeTheResult) {
    machine.FailWhen([](const Call& call) { return call.function == "FlushFileBuffers"; });
    const auto data = std::vector<std::uint8_t>(512, 0x3C);
    EXPECT_EQ(WriteSectors(machine, "E:", data.data(), 0, 1), WriteResult::Written);
}

TEST_F(SectorDevice2K, ShortOrFailedWriteIsFailedWithoutFlush) {
    const auto data = std::vector<std::uint8_t>(4 * 512, 0x3C);
    machine.ShortCall(4);  // the WriteFile
    EXPECT_EQ(WriteSectors(machine, "E:", data.data(), 0, 4), WriteResult::Failed);
    EXPECT_EQ(Outline(machine),
              (std::vector<std::string>{"CreateFileA " + kVwin32Lower, "CreateFileA " + kVolumeE,
                                        "SetFilePointer", "WriteFile", "CloseHandle"}));
    machine.ClearCalls();
    machine.FailCall(4);
    EXPECT_EQ(WriteSectors(machine, "E:", data.data(), 0, 4), WriteResult::Failed);
    // Past the end of the medium only part of it fits.
    EXPECT_EQ(WriteSectors(machine, "E:", data.data(), kDiskSectors - 2, 4), WriteResult::Failed);
}

TEST_F(SectorDevice2K, ReadPastTheEndIsZero) {
    std::vector<std::uint8_t> buffer(4 * 512);
    EXPECT_EQ(ReadSectors(machine, "E:", buffer.data(), kDiskSectors - 1, 1), 1);
    EXPECT_EQ(ReadSectors(machine, "E:", buffer.data(), kDiskSectors - 2, 4), 0);  // fewer bytes
    EXPECT_EQ(ReadSectors(machine, "E:", buffer.data(), kDiskSectors, 1), 0);      // fails
}

TEST_F(SectorDevice2K, VolumeThatDoesNotOpenFails) {
    std::vector<std::uint8_t> buffer(512);
    machine.AddDrive('G', win32::sim::DriveSpec{});  // no medium
    EXPECT_EQ(ReadSectors(machine, "G:", buffer.data(), 0, 1), 0);
    EXPECT_EQ(WriteSectors(machine, "G:", buffer.data(), 0, 1), WriteResult::Failed);
    EXPECT_EQ(ReadSectors(machine, "Q:", buffer.data(), 0, 1), 0);
}

TEST_F(SectorDevice2K, FailedSeekMovesNoByte) {
    machine.FailWhen([](const Call& call) { return call.function == "SetFilePointer"; });
    const auto before = disk->Snapshot();
    std::vector<std::uint8_t> buffer(512, 0x77);
    EXPECT_EQ(ReadSectors(machine, "E:", buffer.data(), 5, 1), 0);
    EXPECT_EQ(WriteSectors(machine, "E:", buffer.data(), 5, 1), WriteResult::Failed);
    for (const Call& call : machine.Calls()) {
        EXPECT_NE(call.function, "ReadFile");
        EXPECT_NE(call.function, "WriteFile");
    }
    EXPECT_EQ(disk->Snapshot(), before);
}

TEST_F(SectorDevice2K, LockVolumeIsZero) {
    EXPECT_EQ(LockVolume(machine, "E:"), 0);
    EXPECT_EQ(UnlockVolume(machine, "E:"), 0);
    const auto& calls = machine.Calls();
    ASSERT_EQ(calls.size(), 2u);
    ExpectVwin32Open(calls[0], kVwin32Upper);
    EXPECT_FALSE(calls[0].ok);
    ExpectVwin32Open(calls[1], kVwin32Upper);
}

// ---- refused transfers, both platforms ----

TEST(RefusedTransfers, MoveNoByteAndOpenNothing) {
    struct Case {
        std::uint32_t start;
        std::uint32_t count;
    };
    const Case cases[] = {
        {4194304, 1}, {0xFFFFFFFFu, 1}, {0, 65536}, {0, 8388608}, {0, 0xFFFFFFFFu},
    };
    for (Flavour flavour : {Flavour::Windows98, Flavour::Windows2K}) {
        for (const Case& c : cases) {
            SimulatedMachine machine(flavour);
            auto disk = machine.AddRemovableDisk('E', 64 * 512);
            const auto before = disk->Snapshot();
            std::vector<std::uint8_t> buffer(512, 0x5A);
            EXPECT_EQ(ReadSectors(machine, "E:", buffer.data(), c.start, c.count), 0);
            EXPECT_EQ(WriteSectors(machine, "E:", buffer.data(), c.start, c.count),
                      WriteResult::Failed);
            EXPECT_TRUE(machine.Calls().empty()) << FlavourName(flavour) << " " << c.start;
            EXPECT_EQ(buffer, std::vector<std::uint8_t>(512, 0x5A));
            EXPECT_EQ(disk->Snapshot(), before);
        }
    }
}

TEST(RefusedTransfers, TheLastReachableSectorIsStillRead) {
    testing_support::TempDir dir;
    const auto image = dir / "big.img";
    testing_support::MakeSparseFile(image, std::uint64_t{4194304} * 512);  // 2 GiB, sparse
    SimulatedMachine machine(Flavour::Windows2K);
    win32::sim::DriveSpec driveSpec;
    driveSpec.disk = win32::sim::FileDisk(image.string());
    machine.AddDrive('E', driveSpec);
    std::vector<std::uint8_t> buffer(512, 0x5A);
    EXPECT_EQ(ReadSectors(machine, "E:", buffer.data(), 4194303, 1), 1);
    EXPECT_EQ(machine.Calls()[2].distance, 0x7FFFFE00);
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(512, 0));
    ExpectNothingLeft(machine);
}

TEST(RefusedTransfers, The9xPacketCarriesUpTo65535Sectors) {
    SimulatedMachine machine(Flavour::Windows98);
    machine.AddRemovableDisk('E', std::uint64_t{65535} * 512);
    std::vector<std::uint8_t> buffer(std::size_t{65535} * 512, 0x5A);
    EXPECT_EQ(ReadSectors(machine, "E:", buffer.data(), 0, 65535), 1);
    EXPECT_EQ(unsigned{machine.Calls()[1].packet->diSectors}, 65535u);
    EXPECT_EQ(buffer[buffer.size() - 1], 0);
    ExpectNothingLeft(machine);
}

}  // namespace
}  // namespace kerfa::disk
