// The Low format's surface test on the simulated machine: passes, chunks,
// progress lines, bad units, Stop, and every way out closing the device.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "format/engine/tests/job_fixture.h"
#include "format/engine/tests/transfers.h"
#include "testing/test_support.h"

namespace kerfa::testing {
namespace {

constexpr std::uint64_t kClass31Bytes = 31ull << 20;  // 63,488 sectors
constexpr std::uint32_t kFirstDataSector = 157;
constexpr std::uint32_t kFat1 = 512;
constexpr std::uint32_t kFat2 = 512 + 62 * 512;

using Boxes = std::vector<std::pair<std::string, std::string>>;

const char* FlavourName(Flavour flavour) {
    return flavour == Flavour::Windows98 ? "Win98" : "Win2K";
}

std::uint16_t Entry(const std::vector<std::uint8_t>& disk, std::uint32_t fat, std::uint32_t e) {
    return static_cast<std::uint16_t>(disk[fat + 2 * e] | (disk[fat + 2 * e + 1] << 8));
}

// Byte offset on the medium of a byte of the data chunk that starts k
// sectors after the first data sector.
std::uint64_t DataByte(std::uint32_t k, std::uint32_t offsetInChunk) {
    return std::uint64_t{kFirstDataSector + k} * 512 + offsetInChunk;
}

// A predicate that fails the n-th sector transfer of one direction (1-based).
std::function<bool(const win32::sim::Call&)> FailNthTransfer(bool write, int n) {
    auto seen = std::make_shared<int>(0);
    return [=](const win32::sim::Call& call) {
        const bool isWrite =
            call.function == "WriteFile" || (call.function == "DeviceIoControl" && call.packet &&
                                             call.registersIn.reg_ESI == 0x6001);
        const bool isRead =
            call.function == "ReadFile" ||
            (call.function == "DeviceIoControl" && call.packet && call.registersIn.reg_ESI == 0);
        if (!(write ? isWrite : isRead)) return false;
        return ++*seen == n;
    };
}

class SurfaceTestOn : public ::testing::TestWithParam<Flavour> {};

TEST_P(SurfaceTestOn, RunsBothPassesInChunksWithTheirProgressLines) {
    JobRig rig(GetParam());
    rig.machine.AddRemovableDisk('E', kClass31Bytes);
    rig.RunJob(Mode::Low);

    const auto lines = rig.host.TextsOf(kFormatDialogTemplate, kIdCurrentLine);
    std::vector<std::string> system, data;
    for (const auto& line : lines) {
        if (line.rfind("System area: ", 0) == 0) system.push_back(line);
        if (line.rfind("Data area: ", 0) == 0) data.push_back(line);
    }
    const std::vector<std::string> expectedSystem{"System area: 0(0%)", "System area: 32(0%)",
                                                  "System area: 64(0%)", "System area: 96(0%)",
                                                  "System area: 128(0%)"};
    EXPECT_EQ(system, expectedSystem);
    ASSERT_EQ(data.size(), 1980u + 1);
    EXPECT_EQ(data.front(), "Data area: 157(0%)");
    EXPECT_EQ(data[1979], "Data area: 63485(99%)");
    EXPECT_EQ(data.back(), "Data area: 63488(100%)");
    EXPECT_EQ(lines.back(), "Current:");

    // Each chunk is one write and one read back of the same sectors; the
    // system area follows in one write.
    const auto transfers = Transfers(rig.machine);
    std::vector<Transfer> chunks;
    for (const auto& t : transfers)
        if (t.sectors != 1 && !(t.write && t.sector == 0 && t.sectors == 157)) chunks.push_back(t);
    ASSERT_EQ(chunks.size(), 2u * (5 + 1980));
    EXPECT_EQ(chunks[8], (Transfer{true, 128, 29}));
    EXPECT_EQ(chunks[9], (Transfer{false, 128, 29}));
    EXPECT_EQ(chunks[10], (Transfer{true, 157, 32}));
    EXPECT_EQ(chunks[chunks.size() - 2], (Transfer{true, 63485, 3}));
    EXPECT_EQ(chunks.back(), (Transfer{false, 63485, 3}));
    EXPECT_EQ(transfers.back(), (Transfer{true, 0, 157}));

    EXPECT_TRUE(rig.dialog.m_badClusters.empty());
    const Boxes boxes = rig.BoxesAfterWarning();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first, "Format Results - Removable Disk(E:)");
    rig.ExpectIdle();
}

TEST_P(SurfaceTestOn, AWrongUnitMarksItsClusterAndTheSevenAfterIt) {
    JobRig rig(GetParam());
    auto disk = rig.machine.AddRemovableDisk('E', kClass31Bytes);
    rig.machine.CorruptReadBack('E', DataByte(64, 2048 + 100));
    rig.RunJob(Mode::Low);

    const std::vector<std::uint32_t> expected{17, 18, 19, 20, 21, 22, 23, 24};
    EXPECT_EQ(rig.dialog.m_badClusters, expected);
    const auto after = disk->Snapshot();
    for (std::uint32_t fat : {kFat1, kFat2})
        for (std::uint32_t e = 2; e < 62 * 256; ++e)
            ASSERT_EQ(Entry(after, fat, e), e >= 19 && e <= 26 ? 0xFFF7 : 0) << "entry " << e;
    // Each marked cluster counts once among the bad sectors.
    const Boxes boxes = rig.BoxesAfterWarning();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].second.find("bad sectors: 16384 bytes"), std::string::npos);
    rig.ExpectIdle();
}

TEST_P(SurfaceTestOn, ARefusedOrUnopenableDeviceEndsTheJobBeforeAnyProgress) {
    const Flavour flavour = GetParam();
    JobRig rig(flavour);
    auto disk = rig.machine.AddRemovableDisk('E', kClass31Bytes);
    const auto before = disk->Snapshot();
    Boxes expected;
    if (flavour == Flavour::Windows98) {
        rig.machine.Drive('E').refuseLock = true;
        expected = {{"Sorry!", "Lock volume error!"}, {"Sorry!", "Format fail!"}};
    } else {
        // The four capacity probes open the volume; the fifth open is the test's.
        rig.onJobStart = [&rig] {
            auto opens = std::make_shared<int>(0);
            rig.machine.FailWhen([opens](const win32::sim::Call& call) {
                return call.function == "CreateFileA" && call.name == "\\\\.\\E:" && ++*opens == 5;
            });
        };
        expected = {{"Sorry!", "Format fail!"}};
    }
    rig.RunJob(Mode::Low);

    EXPECT_EQ(rig.BoxesAfterWarning(), expected);
    for (const auto& line : rig.host.TextsOf(kFormatDialogTemplate, kIdCurrentLine))
        EXPECT_EQ(line.find("area"), std::string::npos) << line;
    EXPECT_EQ(disk->Snapshot(), before);
    rig.ExpectIdle();
}

TEST_P(SurfaceTestOn, AFailedRequestEndsTheTestWithoutBlamingAnyCluster) {
    struct Case {
        const char* name;
        bool write;
        int n;  // the n-th transfer of that direction
    };
    // Transfers before the test: capacity probes (reads, none on 9x) only.
    const int probeReads = GetParam() == Flavour::Windows2K ? 4 : 0;
    for (const Case& c :
         {Case{"system-area write", true, 2}, Case{"system-area read back", false, probeReads + 3},
          Case{"data-area write", true, 5 + 40},
          Case{"data-area read back", false, probeReads + 5 + 700}}) {
        SCOPED_TRACE(c.name);
        JobRig rig(GetParam());
        rig.machine.AddRemovableDisk('E', kClass31Bytes);
        rig.onJobStart = [&rig, c] { rig.machine.FailWhen(FailNthTransfer(c.write, c.n)); };
        rig.RunJob(Mode::Low);

        const Boxes expected{{"Sorry!", "Format fail!"}};
        EXPECT_EQ(rig.BoxesAfterWarning(), expected);
        EXPECT_TRUE(rig.dialog.m_badClusters.empty());
        const auto writes = Writes(rig.machine);
        ASSERT_FALSE(writes.empty());
        EXPECT_NE(writes.back(), (Transfer{true, 0, 157})) << "the system area was written";
        rig.ExpectIdle();
    }
}

TEST_P(SurfaceTestOn, AWrongByteInTheSystemAreaIsFatal) {
    JobRig rig(GetParam());
    auto disk = rig.machine.AddRemovableDisk('E', kClass31Bytes);
    const auto before = disk->Snapshot();
    rig.machine.CorruptReadBack('E', 100 * 512 + 7);
    rig.RunJob(Mode::Low);

    const Boxes expected{{"Sorry!", "System area error!"}, {"Sorry!", "Format fail!"}};
    EXPECT_EQ(rig.BoxesAfterWarning(), expected);
    EXPECT_TRUE(rig.dialog.m_badClusters.empty());
    const std::vector<Transfer> writes{
        {true, 0, 32}, {true, 32, 32}, {true, 64, 32}, {true, 96, 32}};
    EXPECT_EQ(Writes(rig.machine), writes);
    const auto after = disk->Snapshot();
    // Tested sectors hold the pattern, the rest of the disk is as it was.
    EXPECT_TRUE(std::all_of(after.begin(), after.begin() + 128 * 512,
                            [](std::uint8_t b) { return b == 0xFF; }));
    EXPECT_TRUE(std::equal(after.begin() + 128 * 512, after.end(), before.begin() + 128 * 512));
    rig.ExpectIdle();
}

TEST_P(SurfaceTestOn, StopConfirmedBeforeAChunkEndsTheTestSilently) {
    const Flavour flavour = GetParam();
    constexpr int kStopAtChunk = 100;  // the chunk at k = 99 * 32
    JobRig rig(flavour);
    rig.machine.AddRemovableDisk('E', kClass31Bytes);
    int locksDuringTest = -1;
    rig.host.onPump = [&](int pump) {
        if (pump == 2) locksDuringTest = rig.machine.HeldLocks();
        if (pump == kStopAtChunk) rig.host.QueueClick(kIdExit);
    };
    rig.host.Queue(dlg::Event::Click(kIdLow));
    rig.QueueJob();               // the erase warning: Yes
    rig.host.Answer(dlg::IDYES);  // the stop question
    rig.dialog.DoModal();

    ASSERT_EQ(rig.host.Boxes().size(), 2u);
    EXPECT_EQ(rig.host.Boxes()[1].caption, "Kerfa");
    EXPECT_EQ(rig.host.Boxes()[1].text, "Are you sure?(Y/N)");
    EXPECT_EQ(rig.host.Boxes()[1].style, dlg::MB_YESNO | dlg::MB_ICONQUESTION);
    EXPECT_EQ(locksDuringTest, flavour == Flavour::Windows98 ? 1 : 0);

    const std::uint32_t stoppedSector = kFirstDataSector + (kStopAtChunk - 1) * 32;
    const std::uint32_t lastSector = stoppedSector - 32;
    const auto lines = rig.host.TextsOf(kFormatDialogTemplate, kIdCurrentLine);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Data area: " + std::to_string(lastSector) + "(" +
                                           std::to_string(lastSector * 100 / 63488) + "%)");
    for (const auto& t : Transfers(rig.machine)) {
        if (t.sectors > 1) {  // not a capacity probe
            EXPECT_LT(t.sector, stoppedSector);
        }
    }
    EXPECT_EQ(rig.dialog.GetDlgItemText(kIdExit), "Quit");
    rig.ExpectIdle();
}

TEST_P(SurfaceTestOn, StopAnsweredNoLetsTheTestRunToItsEnd) {
    JobRig rig(GetParam());
    rig.machine.AddRemovableDisk('E', kClass31Bytes);
    rig.host.onPump = [&](int pump) {
        if (pump == 10) rig.host.QueueClick(kIdExit);
    };
    rig.host.Queue(dlg::Event::Click(kIdLow));
    rig.QueueJob();
    rig.host.Answer(dlg::IDNO);  // the stop question
    rig.dialog.DoModal();

    ASSERT_EQ(rig.host.Boxes().size(), 3u);
    EXPECT_EQ(rig.host.Boxes()[2].caption, "Format Results - Removable Disk(E:)");
    EXPECT_EQ(Writes(rig.machine).back(), (Transfer{true, 0, 157}));
    rig.ExpectIdle();
}

INSTANTIATE_TEST_SUITE_P(BothFlavours, SurfaceTestOn,
                         ::testing::Values(Flavour::Windows98, Flavour::Windows2K),
                         [](const auto& p) { return std::string(FlavourName(p.param)); });

TEST(SurfaceTest, WrongBytesAppendOneRunPerFailingUnit) {
    struct Case {
        const char* name;
        std::vector<std::uint32_t> offsets;  // in the chunk at k = 0
        std::vector<std::uint32_t> recorded;
        std::uint32_t badBytes;
    };
    const std::vector<Case> cases{
        {"two bytes of one unit", {10, 2000}, {0, 1, 2, 3, 4, 5, 6, 7}, 8 * 2048},
        {"two units of one chunk",
         {10, 2048 + 10},
         {0, 1, 2, 3, 4, 5, 6, 7, 1, 2, 3, 4, 5, 6, 7, 8},
         9 * 2048},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JobRig rig(Flavour::Windows2K);
        auto disk = rig.machine.AddRemovableDisk('E', kClass31Bytes);
        for (std::uint32_t offset : c.offsets)
            rig.machine.CorruptReadBack('E', DataByte(0, offset));
        rig.RunJob(Mode::Low);
        EXPECT_EQ(rig.dialog.m_badClusters, c.recorded);
        const Boxes boxes = rig.BoxesAfterWarning();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].second.find("bad sectors: " + std::to_string(c.badBytes) + " bytes"),
                  std::string::npos)
            << boxes[0].second;
    }
}

TEST(SurfaceTest, AnEarlierDisksBadClustersAreNeverMarkedOnTheNextOne) {
    JobRig rig(Flavour::Windows2K);
    rig.dialog.m_drives = {"E:", "F:"};
    rig.machine.AddRemovableDisk('E', kClass31Bytes);
    auto second = rig.machine.AddRemovableDisk('F', kClass31Bytes);
    rig.machine.CorruptReadBack('E', DataByte(64, 100));
    rig.host.Queue(dlg::Event::Click(kIdLow));
    rig.QueueJob();
    // Events queued earlier would reach the first job's message pump: the
    // second job is asked for once the first one's results are up.
    rig.host.onMessageBox = [&rig](const dlg::MessageBoxRecord& box) {
        if (box.caption == "Format Results - Removable Disk(E:)") {
            rig.host.Queue(dlg::Event::SelChange(kIdDriveBox, 1));
            rig.QueueJob();
            return dlg::IDOK;
        }
        return 0;
    };
    rig.dialog.DoModal();

    ASSERT_EQ(rig.host.Boxes().size(), 4u);
    EXPECT_EQ(rig.host.Boxes()[3].caption, "Format Results - Removable Disk(F:)");

    EXPECT_TRUE(rig.dialog.m_badClusters.empty());
    const auto after = second->Snapshot();
    for (std::uint32_t e = 2; e < 62 * 256; ++e) ASSERT_EQ(Entry(after, kFat1, e), 0) << e;
}

TEST(SurfaceTest, NumbersPastTheFatNeverWriteOutsideIt) {
    // On Windows 98/ME a device larger than its class is tested to its end,
    // past the clusters the FAT can describe.
    constexpr std::uint32_t kSectors = 65'535;  // 33,553,920 bytes: still 31 MiB
    JobRig clean(Flavour::Windows98);
    auto cleanDisk = clean.machine.AddRemovableDisk('E', std::uint64_t{kSectors} * 512);
    clean.RunJob(Mode::Low);

    JobRig rig(Flavour::Windows98);
    auto disk = rig.machine.AddRemovableDisk('E', std::uint64_t{kSectors} * 512);
    const std::uint32_t lastChunk = (kSectors - kFirstDataSector) / 32 * 32;
    rig.machine.CorruptReadBack('E', DataByte(lastChunk, 5));
    rig.RunJob(Mode::Low);

    EXPECT_EQ(rig.dialog.m_badClusters.front(), lastChunk / 4);
    const auto a = disk->Snapshot();
    const auto b = cleanDisk->Snapshot();
    EXPECT_TRUE(std::equal(a.begin(), a.begin() + 157 * 512, b.begin()))
        << "the system area differs from a clean one";
    const Boxes boxes = rig.BoxesAfterWarning();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].second.find("bad sectors: 0 bytes"), std::string::npos);
}

// The marked volume is still a sound file system to the real tools, with the
// marked clusters gone from its free space.
TEST(SurfaceTest, AMarkedImagePassesFsckWithLessFreeSpace) {
    ASSERT_TRUE(testing_support::HaveProgram("fsck.fat")) << "dosfstools is not installed";
    ASSERT_TRUE(testing_support::HaveProgram("mdir")) << "mtools is not installed";
    testing_support::TempDir dir;
    const auto path = dir / "low.img";
    testing_support::MakeSparseFile(path, kClass31Bytes);
    JobRig rig(Flavour::Windows2K);
    win32::sim::DriveSpec driveSpec;
    driveSpec.disk = win32::sim::FileDisk(path.string());
    rig.machine.AddDrive('E', driveSpec);
    rig.machine.CorruptReadBack('E', DataByte(64, 2048 + 100));
    rig.RunJob(Mode::Low);
    ASSERT_EQ(rig.BoxesAfterWarning().size(), 1u);

    const std::string image = testing_support::ShellQuote(path.string());
    const auto fsck = testing_support::RunCommand("fsck.fat -n " + image);
    EXPECT_EQ(fsck.exitCode, 0) << fsck.output;
    const auto listing =
        testing_support::RunCommand("MTOOLS_SKIP_CHECK=1 mdir -i " + image + " ::");
    // 15,832 clusters less the eight marked ones, 2048 bytes each.
    EXPECT_NE(listing.output.find("32 407 552 bytes free"), std::string::npos) << listing.output;
}

}  // namespace
}  // namespace kerfa::testing
