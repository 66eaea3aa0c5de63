// Capacity detection: the probe table of the NT path on disks just below and
// above each probe, and the device-parameter product of the 9x path.
#include "format/disk/capacity.h"

#include <gtest/gtest.h>

#include "format/disk/tests/machine_checks.h"
#include "testing/test_support.h"

namespace kerfa::disk {
namespace {

using namespace testing;
using win32::sim::DriveSpec;
using win32::sim::FileDisk;

// A removable drive E: over a sparse image of `sectors` sectors.
class SparseDrive {
  public:
    SparseDrive(SimulatedMachine& machine, std::uint64_t sectors) {
        const auto image = dir_ / "disk.img";
        testing_support::MakeSparseFile(image, sectors * 512);
        DriveSpec driveSpec;
        driveSpec.disk = FileDisk(image.string());
        machine.AddDrive('E', driveSpec);
    }

  private:
    testing_support::TempDir dir_;
};

TEST(CapacityNt, EveryRowOfTheProbeTable) {
    struct Case {
        std::uint64_t sectors;
        std::uint32_t bytes;
    };
    const Case cases[] = {
        {2048, 15728640},      // 1 MiB: no probe
        {32768, 15728640},     // the probe at 32,768 is the first sector past the end
        {32769, 32505856},     //
        {63488, 32505856},     // 31 MiB
        {96256, 32505856},     //
        {96257, 66060288},     //
        {129024, 66060288},    // 63 MiB
        {161792, 66060288},    //
        {161793, 99614720},    //
        {194560, 99614720},    // 95 MiB
        {227328, 99614720},    //
        {227329, 133169152},   //
        {260096, 133169152},   // 127 MiB
        {1048576, 133169152},  // 512 MiB: any size above 111 MiB
    };
    for (const Case& c : cases) {
        SimulatedMachine machine(Flavour::Windows2K);
        SparseDrive drive(machine, c.sectors);
        EXPECT_EQ(GetDiskBytes(machine, "Windows2K", "E:"), c.bytes) << c.sectors;
        ExpectNothingLeft(machine);
    }
}

TEST(CapacityNt, ReadsAllFourProbesInOrderThroughTheirOwnHandles) {
    SimulatedMachine machine(Flavour::Windows2K);
    SparseDrive drive(machine, 260096);
    EXPECT_EQ(GetDiskBytes(machine, "Windows2K", "e:"), 133169152u);
    std::vector<win32::LONG> seeks;
    int opens = 0;
    for (const Call& call : machine.Calls()) {
        if (call.function == "SetFilePointer") seeks.push_back(call.distance);
        EXPECT_TRUE(call.function != "ReadFile" || call.size == 512u);
        if (call.function == "CreateFileA" && call.name == kVolumeE) ++opens;
        EXPECT_FALSE(call.function == "DeviceIoControl");
    }
    const std::vector<win32::LONG> expected = {227328 * 512, 161792 * 512, 96256 * 512,
                                               32768 * 512};
    EXPECT_EQ(seeks, expected);
    EXPECT_EQ(opens, 4);
    ExpectNothingLeft(machine);
}

TEST(CapacityNt, DriveThatCannotBeOpenedIs15MiBNeverZero) {
    SimulatedMachine machine(Flavour::Windows2K);
    machine.AddDrive('E', DriveSpec{});  // no medium
    EXPECT_EQ(GetDiskBytes(machine, "Windows2K", "E:"), 15728640u);
    ExpectNothingLeft(machine);
}

TEST(CapacityNt, AnyOtherPlatformKindProbes) {
    // On a 9x machine the probes go through VWIN32 reads; no parameters are asked.
    for (const char* kind : {"Windows2K", "windows98", "Windows98 ", ""}) {
        SimulatedMachine machine(Flavour::Windows98);
        SparseDrive drive(machine, 63488);
        EXPECT_EQ(GetDiskBytes(machine, kind, "E:"), 32505856u) << kind;
        int diskRequests = 0;
        for (const Call& call : machine.Calls()) {
            if (call.function == "DeviceIoControl") {
                EXPECT_EQ(call.code, 6u);
                ++diskRequests;
            }
        }
        EXPECT_EQ(diskRequests, 4) << kind;
        ExpectNothingLeft(machine);
    }
}

TEST(Capacity9x, ProductOfSectorSizeAndCount) {
    struct Case {
        win32::WORD bytesPerSector;
        std::uint32_t sectors;
        std::uint32_t bytes;
    };
    const Case cases[] = {
        {512, 63488, 32505856},                                     // 16-bit count
        {512, 129024, 66060288},                                    // 32-bit count
        {512, 260096, 133169152},                                   // 32-bit count
        {512, 65535, 33553920},                                     // the largest 16-bit count
        {2048, 1000, 2048000},        {512, 8388607, 4294966784u},  // the largest product that fits
        {512, 8388608, 0xFFFFFFFFu},                                // 4 GiB: no class
        {4096, 2097152, 0xFFFFFFFFu},                               // 8 GiB
    };
    for (const Case& c : cases) {
        SimulatedMachine machine(Flavour::Windows98);
        machine.AddRemovableDisk('E', 512);
        machine.Drive('E').bytesPerSector = c.bytesPerSector;
        machine.Drive('E').reportedSectors = c.sectors;
        EXPECT_EQ(GetDiskBytes(machine, "Windows98", "E:"), c.bytes) << c.sectors;
        ExpectNothingLeft(machine);
    }
}

TEST(Capacity9x, OneParametersRequestThroughVwin32) {
    SimulatedMachine machine(Flavour::Windows98);
    machine.AddRemovableDisk('E', 512);
    machine.Drive('E').reportedSectors = 63488;
    EXPECT_EQ(GetDiskBytes(machine, "Windows98", "e:"), 32505856u);  // lower case reaches E:
    const auto& calls = machine.Calls();
    ASSERT_EQ(calls.size(), 3u);
    ExpectVwin32Open(calls[0], kVwin32Upper);
    ExpectParametersRequest(calls[1], 5);
    ExpectClose(calls[2], calls[0].handle);
}

TEST(Capacity9x, LowerCaseNameAddressesTheRightDrive) {
    SimulatedMachine machine(Flavour::Windows98);
    for (auto [letter, sectors] : {std::pair{'E', 63488u}, std::pair{'H', 260096u}}) {
        machine.AddRemovableDisk(letter, 512);
        machine.Drive(letter).reportedSectors = sectors;
    }
    EXPECT_EQ(GetDiskBytes(machine, "Windows98", "h:"), 133169152u);
    EXPECT_EQ(GetDiskBytes(machine, "Windows98", "e:"), 32505856u);
}

TEST(Capacity9x, FailedQueryIsZero) {
    struct Case {
        const char* what;
        std::function<void(SimulatedMachine&)> arrange;
    };
    const Case cases[] = {
        {"VWIN32 does not open", [](SimulatedMachine& m) { m.FailCall(1); }},
        {"device call fails", [](SimulatedMachine& m) { m.FailCall(2); }},
        {"carry: no medium", [](SimulatedMachine& m) { m.Drive('E').disk = nullptr; }},
        {"carry: drive lost", [](SimulatedMachine& m) { m.LoseDriveAt('E', 1); }},
    };
    for (const Case& c : cases) {
        SimulatedMachine machine(Flavour::Windows98);
        machine.AddRemovableDisk('E', 63488 * 512);
        c.arrange(machine);
        EXPECT_EQ(GetDiskBytes(machine, "Windows98", "E:"), 0u) << c.what;
        ExpectNothingLeft(machine);
    }
    SimulatedMachine machine(Flavour::Windows98);
    EXPECT_EQ(GetDiskBytes(machine, "Windows98", "F:"), 0u);  // no such drive
}

}  // namespace
}  // namespace kerfa::disk
