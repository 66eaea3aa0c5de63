// The surface test's device on both back-ends: one handle for the whole test,
// the 9x lock held as long, a chunk written and read back into one buffer.
#include "format/disk/surface_device.h"

#include <gtest/gtest.h>

#include "format/disk/tests/machine_checks.h"

namespace kerfa::disk {
namespace {

using namespace testing;

constexpr std::uint32_t kDiskSectors = 1024;
constexpr std::uint32_t kChunk = 32;

class SurfaceDeviceTest : public ::testing::TestWithParam<Flavour> {
  protected:
    SurfaceDeviceTest() : machine(GetParam()) {
        disk = machine.AddRemovableDisk('E', std::uint64_t{kDiskSectors} * 512);
    }
    void TearDown() override { ExpectNothingLeft(machine); }
    bool nineX() const { return GetParam() == Flavour::Windows98; }

    SimulatedMachine machine;
    std::shared_ptr<win32::sim::Disk> disk;
};

TEST_P(SurfaceDeviceTest, OpensOnceAndHoldsTheLockUntilClose) {
    SurfaceDevice device(machine, "E:");
    ASSERT_EQ(device.Open(), SurfaceDevice::OpenResult::Opened);
    EXPECT_EQ(device.is9x(), nineX());
    EXPECT_EQ(machine.OpenHandles(), 1);
    EXPECT_EQ(machine.HeldLocks(), nineX() ? 1 : 0);
    const auto& calls = machine.Calls();
    ExpectVwin32Open(calls[0], kVwin32Lower);
    if (nineX()) {
        ASSERT_EQ(calls.size(), 4u);
        ExpectVwin32Open(calls[1], kVwin32Upper);
        ExpectLockRequest(calls[2], 0x484A, 5);
        ExpectClose(calls[3], calls[1].handle);
    } else {
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_FALSE(calls[0].ok);
        ExpectVolumeOpen(calls[1], kVolumeE, kReadWrite);
    }
    const win32::HANDLE kept = nineX() ? calls[0].handle : calls[1].handle;
    machine.ClearCalls();
    device.Close();
    if (nineX()) {
        EXPECT_EQ(Outline(machine),
                  (std::vector<std::string>{"CloseHandle", "CreateFileA " + kVwin32Upper,
                                            "DeviceIoControl 1", "CloseHandle"}));
        ExpectClose(machine.Calls()[0], kept);
        ExpectLockRequest(machine.Calls()[2], 0x486A, 5);
    } else {
        EXPECT_EQ(Outline(machine), std::vector<std::string>{"CloseHandle"});
        ExpectClose(machine.Calls()[0], kept);
    }
    machine.ClearCalls();
    device.Close();  // a second close does nothing
    EXPECT_TRUE(machine.Calls().empty());
}

TEST_P(SurfaceDeviceTest, WritesAChunkAndReadsItBackIntoTheSameBuffer) {
    SurfaceDevice device(machine, "E:");
    ASSERT_EQ(device.Open(), SurfaceDevice::OpenResult::Opened);
    machine.CorruptReadBack('E', (157 + 4) * 512 + 100, 0x01);  // one unit reads back wrong
    std::vector<std::uint8_t> buffer(kChunk * 512, 0xFF);
    machine.ClearCalls();
    EXPECT_TRUE(device.WriteAndReadBack(157, kChunk, buffer.data()));
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        ASSERT_EQ(buffer[i], i == 4 * 512 + 100 ? 0xFE : 0xFF) << i;
    }
    const auto after = disk->Snapshot();
    for (std::size_t i = 157 * 512; i < (157 + kChunk) * 512; ++i) ASSERT_EQ(after[i], 0xFF) << i;
    EXPECT_EQ(after[157 * 512 - 1], 0);
    EXPECT_EQ(after[(157 + kChunk) * 512], 0);

    const auto& calls = machine.Calls();
    if (nineX()) {
        ASSERT_EQ(calls.size(), 2u);
        ExpectDiskRequest(calls[0], 5, 0x6001, 157, kChunk, buffer.data());
        ExpectDiskRequest(calls[1], 5, 0x0000, 157, kChunk, buffer.data());
    } else {
        EXPECT_EQ(Outline(machine),
                  (std::vector<std::string>{"SetFilePointer", "WriteFile", "FlushFileBuffers",
                                            "SetFilePointer", "ReadFile"}));
        EXPECT_EQ(calls[0].distance, 157 * 512);
        EXPECT_FALSE(calls[0].hasHighPart);
        EXPECT_EQ(calls[1].size, kChunk * 512);
        EXPECT_EQ(calls[3].distance, 157 * 512);
        EXPECT_EQ(calls[4].size, kChunk * 512);
    }
}

TEST_P(SurfaceDeviceTest, AnyFailedOrShortRequestIsFalse) {
    // Calls after ClearCalls: 9x write 1, read 2; NT seek 1, write 2, flush 3, seek 4, read 5.
    const std::vector<int> failing =
        nineX() ? std::vector<int>{1, 2} : std::vector<int>{1, 2, 4, 5};
    const std::vector<int> shortened = nineX() ? std::vector<int>{1, 2} : std::vector<int>{2, 5};
    for (bool shortMove : {false, true}) {
        for (int n : shortMove ? shortened : failing) {
            SimulatedMachine m(GetParam());
            m.AddRemovableDisk('E', std::uint64_t{kDiskSectors} * 512);
            {
                SurfaceDevice device(m, "E:");
                ASSERT_EQ(device.Open(), SurfaceDevice::OpenResult::Opened);
                m.ClearCalls();
                if (shortMove) {
                    m.ShortCall(n);
                } else {
                    m.FailCall(n);
                }
                std::vector<std::uint8_t> buffer(kChunk * 512, 0xFF);
                EXPECT_FALSE(device.WriteAndReadBack(0, kChunk, buffer.data()))
                    << (shortMove ? "short " : "failed ") << n;
                // After a failed write nothing is read back.
                EXPECT_EQ(static_cast<int>(m.Calls().size()), n) << n;
            }
            ExpectNothingLeft(m);  // the destructor closed the device
        }
    }
    // A failed flush does not matter.
    if (!nineX()) {
        SurfaceDevice device(machine, "E:");
        device.Open();
        machine.FailWhen([](const Call& call) { return call.function == "FlushFileBuffers"; });
        std::vector<std::uint8_t> buffer(kChunk * 512, 0xFF);
        EXPECT_TRUE(device.WriteAndReadBack(0, kChunk, buffer.data()));
    }
}

TEST_P(SurfaceDeviceTest, ShortLastChunkAtTheEndOfTheDisk) {
    SurfaceDevice device(machine, "E:");
    ASSERT_EQ(device.Open(), SurfaceDevice::OpenResult::Opened);
    std::vector<std::uint8_t> buffer(kChunk * 512, 0xFF);
    EXPECT_TRUE(device.WriteAndReadBack(kDiskSectors - 3, 3, buffer.data()));
    EXPECT_FALSE(device.WriteAndReadBack(kDiskSectors - 3, kChunk, buffer.data()));
}

TEST_P(SurfaceDeviceTest, RefusesWhatIsNotOpenOrDoesNotFit) {
    SurfaceDevice device(machine, "E:");
    std::vector<std::uint8_t> buffer(512, 0xFF);
    EXPECT_FALSE(device.WriteAndReadBack(0, 1, buffer.data()));  // not open
    EXPECT_TRUE(machine.Calls().empty());
    ASSERT_EQ(device.Open(), SurfaceDevice::OpenResult::Opened);
    machine.ClearCalls();
    EXPECT_FALSE(device.WriteAndReadBack(4194304, 1, buffer.data()));
    EXPECT_FALSE(device.WriteAndReadBack(0, 65536, buffer.data()));
    EXPECT_TRUE(machine.Calls().empty());
}

TEST_P(SurfaceDeviceTest, WhenTheDeviceCannotBeOpened) {
    SurfaceDevice device(machine, "E:");
    if (nineX()) {
        machine.Drive('E').refuseLock = true;
        EXPECT_EQ(device.Open(), SurfaceDevice::OpenResult::LockRefused);
        EXPECT_EQ(
            Outline(machine),
            (std::vector<std::string>{"CreateFileA " + kVwin32Lower, "CreateFileA " + kVwin32Upper,
                                      "DeviceIoControl 1", "CloseHandle", "CloseHandle"}));
        ExpectClose(machine.Calls()[4], machine.Calls()[0].handle);
    } else {
        machine.Drive('E').disk = nullptr;
        EXPECT_EQ(device.Open(), SurfaceDevice::OpenResult::VolumeOpenFailed);
    }
    machine.ClearCalls();
    device.Close();  // nothing to close: no unlock either
    EXPECT_TRUE(machine.Calls().empty());
}

INSTANTIATE_TEST_SUITE_P(BothPlatforms, SurfaceDeviceTest,
                         ::testing::Values(Flavour::Windows98, Flavour::Windows2K),
                         [](const auto& param) { return std::string(FlavourName(param.param)); });

}  // namespace
}  // namespace kerfa::disk
