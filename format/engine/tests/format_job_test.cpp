// The format job end to end on the simulated machine: what the user sees,
// what reaches the disk, and the idle dialog it always leaves.
#include <gtest/gtest.h>

#include <cstring>

#include "format/engine/tests/job_fixture.h"
#include "format/engine/tests/transfers.h"
#include "testing/test_support.h"

namespace kerfa::testing {
namespace {

using testing_support::RunCommand;
using testing_support::ShellQuote;

struct ClassCase {
    std::uint32_t mib;
    std::uint32_t systemAreaSectors;
    std::uint32_t totalDiskSpace;
    std::uint32_t allocationUnits;
};

// The results of a disk of the class size itself, with no bad clusters.
constexpr ClassCase kClasses[] = {
    {31, 157, 32'423'936, 15'832},
    {63, 285, 65'912'832, 32'184},
    {95, 413, 99'401'728, 48'536},
    {127, 541, 132'890'624, 64'888},
};

std::string EnglishResults(std::uint32_t total, std::uint32_t bad, std::uint32_t units) {
    return "total disk space: " + std::to_string(total) +
           " bytes\n\nbad sectors: " + std::to_string(bad) +
           " bytes\n\navailable on disk: " + std::to_string(total - bad) +
           " bytes\n\n\neach allocation unit: 2048 bytes\n\ntotal allocation units: " +
           std::to_string(units) + "\n";
}

// mdir groups the digits of its figures by three, with blanks.
std::string GroupedDigits(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), " ");
    return digits;
}

constexpr std::uint64_t MiB(std::uint64_t n) {
    return n << 20;
}

class FormatJobByClass : public ::testing::TestWithParam<std::tuple<Flavour, ClassCase, Mode>> {};

TEST_P(FormatJobByClass, WritesTheSystemAreaOnceAndReportsTheClassFigures) {
    const auto [flavour, cls, mode] = GetParam();
    JobRig rig(flavour);
    rig.machine.AddRemovableDisk('E', MiB(cls.mib));
    rig.RunJob(mode);

    const std::vector<Transfer> expectedWrites{{true, 0, cls.systemAreaSectors}};
    EXPECT_EQ(Writes(rig.machine), expectedWrites);
    const auto boxes = rig.BoxesAfterWarning();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first, "Format Results - Removable Disk(E:)");
    EXPECT_EQ(boxes[0].second, EnglishResults(cls.totalDiskSpace, 0, cls.allocationUnits));
    EXPECT_EQ(rig.host.Boxes().back().style, dlg::MB_OK);
    rig.ExpectIdle();
}

INSTANTIATE_TEST_SUITE_P(
    AllClasses, FormatJobByClass,
    ::testing::Combine(::testing::Values(Flavour::Windows98, Flavour::Windows2K),
                       ::testing::ValuesIn(kClasses), ::testing::Values(Mode::Quick, Mode::Full)),
    [](const auto& p) {
        return std::string(std::get<0>(p.param) == Flavour::Windows98 ? "Win98" : "Win2K") + "_" +
               std::to_string(std::get<1>(p.param).mib) + "MiB_" + ModeName(std::get<2>(p.param));
    });

TEST(FormatJob, TheEraseWarningComesFirstAndNoChangesNothing) {
    JobRig rig(Flavour::Windows2K);
    auto disk = rig.machine.AddRemovableDisk('E', MiB(31));
    const auto before = disk->Snapshot();
    rig.host.Queue(dlg::Event::Action([&] { rig.host.ClearLogs(); }));
    rig.RunJob(Mode::Quick, dlg::IDNO);

    ASSERT_EQ(rig.host.Boxes().size(), 1u);
    const auto& warning = rig.host.Boxes()[0];
    EXPECT_EQ(warning.caption, "Warning");
    EXPECT_EQ(warning.text, "ALL DATA ON THIS DISK WILL BE LOST!\n\nAre you sure?(Y/N)");
    EXPECT_EQ(warning.style, dlg::MB_YESNO | dlg::MB_ICONINFORMATION);
    EXPECT_TRUE(rig.host.CursorLog().empty());
    // Only the language is looked up before the question.
    ASSERT_EQ(rig.machine.Calls().size(), 1u);
    EXPECT_EQ(rig.machine.Calls()[0].function, "GetSystemDefaultLangID");
    EXPECT_EQ(disk->Snapshot(), before);
    // The Exit button still reads the template's caption: no job has run.
    EXPECT_EQ(rig.dialog.GetDlgItemText(kIdExit), "Exit");
    for (int id : {kIdFormatNow, kIdDriveBox, kIdLabelBox, kIdQuick, kIdFull, kIdLow})
        EXPECT_TRUE(rig.dialog.IsItemEnabled(id));
}

struct RefusalCase {
    const char* name;
    Flavour flavour;
    std::uint64_t diskBytes;
    bool failQuery;
};
// By name: the printer would otherwise read the padding bytes.
void PrintTo(const RefusalCase& c, std::ostream* out) {
    *out << c.name;
}

class RefusedSize : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusedSize, ShowsBothBoxesAndLeavesTheDiskAlone) {
    const RefusalCase& c = GetParam();
    JobRig rig(c.flavour);
    auto disk = rig.machine.AddRemovableDisk('E', c.diskBytes);
    if (c.failQuery) {
        rig.machine.FailWhen([](const win32::sim::Call& call) {
            return call.function == "DeviceIoControl" && call.registersIn.reg_ECX == 0x0860;
        });
    }
    const auto before = disk->Snapshot();
    rig.RunJob(Mode::Quick);

    const std::vector<std::pair<std::string, std::string>> expected{
        {"Sorry!", "Unsupported type\xA3\xA1"}, {"Sorry!", "Format fail!"}};
    EXPECT_EQ(rig.BoxesAfterWarning(), expected);
    EXPECT_TRUE(Writes(rig.machine).empty());
    EXPECT_EQ(disk->Snapshot(), before);
    rig.ExpectIdle();
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, RefusedSize,
    ::testing::Values(RefusalCase{"FailedQuery", Flavour::Windows98, MiB(31), true},
                      RefusalCase{"Exactly32MiB", Flavour::Windows98, MiB(32), false},
                      RefusalCase{"Of15MiB", Flavour::Windows98, MiB(15), false},
                      RefusalCase{"Of287MiB", Flavour::Windows98, MiB(287), false},
                      RefusalCase{"NoProbeReadable", Flavour::Windows2K, MiB(10), false}),
    [](const auto& p) { return std::string(p.param.name); });

// An old FAT 1 whose entries `marked` hold the bad-cluster mark, among other
// values that are not carried over.
void WriteOldFat(win32::sim::Disk& disk, std::uint32_t sectorsPerFat,
                 const std::vector<std::uint32_t>& marked) {
    std::vector<std::uint8_t> fat(sectorsPerFat * 512, 0);
    for (std::uint32_t entry = 2; entry < sectorsPerFat * 256; entry += 3) {
        fat[2 * entry] = 0xFF;  // end-of-chain marks, never carried
        fat[2 * entry + 1] = 0xFF;
    }
    for (std::uint32_t entry : marked) {
        fat[2 * entry] = 0xF7;
        fat[2 * entry + 1] = 0xFF;
    }
    ASSERT_TRUE(disk.Write(512, fat.data(), fat.size()));
}

std::uint16_t FatEntry(const std::vector<std::uint8_t>& bytes, std::uint32_t fatStart,
                       std::uint32_t entry) {
    return static_cast<std::uint16_t>(bytes[fatStart + 2 * entry] |
                                      (bytes[fatStart + 2 * entry + 1] << 8));
}

TEST(FormatJob, QuickCarriesTheOldBadMarksAndCountsThem) {
    for (Flavour flavour : {Flavour::Windows98, Flavour::Windows2K}) {
        SCOPED_TRACE(flavour == Flavour::Windows98 ? "Win98" : "Win2K");
        JobRig rig(flavour);
        auto disk = rig.machine.AddRemovableDisk('E', MiB(31));
        // 15,833 is past the last cluster (entry 15,833) but still in the FAT.
        WriteOldFat(*disk, 62, {5, 700, 15'860});
        rig.RunJob(Mode::Quick);

        const auto boxes = rig.BoxesAfterWarning();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].second, EnglishResults(32'423'936, 6144, 15'832));
        const auto after = disk->Snapshot();
        for (std::uint32_t fatStart : {512u, 512u + 62 * 512}) {
            for (std::uint32_t entry = 2; entry < 62 * 256; ++entry) {
                const bool bad = entry == 5 || entry == 700 || entry == 15'860;
                ASSERT_EQ(FatEntry(after, fatStart, entry), bad ? 0xFFF7 : 0x0000)
                    << "entry " << entry;
            }
        }
        EXPECT_EQ(rig.dialog.m_bQuick, 1);
    }
}

TEST(FormatJob, AFailedOldFatReadTurnsQuickIntoFull) {
    JobRig rig(Flavour::Windows2K);
    auto disk = rig.machine.AddRemovableDisk('E', MiB(31));
    WriteOldFat(*disk, 62, {5, 6, 7});
    // The old FAT is the only read of 62 sectors.
    rig.machine.FailWhen([](const win32::sim::Call& call) {
        return call.function == "ReadFile" && call.size == 62 * 512;
    });
    rig.RunJob(Mode::Quick);

    const auto boxes = rig.BoxesAfterWarning();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].second, EnglishResults(32'423'936, 0, 15'832));
    EXPECT_EQ(FatEntry(disk->Snapshot(), 512, 5), 0);
    EXPECT_EQ(rig.dialog.m_bQuick, 0);
    EXPECT_EQ(rig.dialog.IsDlgButtonChecked(kIdQuick), 1);
    rig.ExpectIdle();
}

TEST(FormatJob, AFailedWriteShowsFormatFailAndNoResults) {
    for (Flavour flavour : {Flavour::Windows98, Flavour::Windows2K}) {
        SCOPED_TRACE(flavour == Flavour::Windows98 ? "Win98" : "Win2K");
        JobRig rig(flavour);
        rig.machine.AddRemovableDisk('E', MiB(63));
        rig.machine.FailWhen([](const win32::sim::Call& call) {
            return (call.function == "WriteFile") ||
                   (call.function == "DeviceIoControl" && call.registersIn.reg_ESI == 0x6001);
        });
        rig.RunJob(Mode::Full);

        const std::vector<std::pair<std::string, std::string>> expected{{"Sorry!", "Format fail!"}};
        EXPECT_EQ(rig.BoxesAfterWarning(), expected);
        EXPECT_EQ(rig.host.Boxes().back().style, dlg::MB_ICONERROR);
        rig.ExpectIdle();
    }
}

TEST(FormatJob, ARefusedLockShowsTheLockErrorThenFormatFail) {
    JobRig rig(Flavour::Windows98);
    auto disk = rig.machine.AddRemovableDisk('E', MiB(63));
    rig.machine.Drive('E').refuseLock = true;
    const auto before = disk->Snapshot();
    rig.RunJob(Mode::Full);

    const std::vector<std::pair<std::string, std::string>> expected{
        {"Sorry!", "Lock volume error!"}, {"Sorry!", "Format fail!"}};
    EXPECT_EQ(rig.BoxesAfterWarning(), expected);
    EXPECT_EQ(disk->Snapshot(), before);
    rig.ExpectIdle();
}

TEST(FormatJob, LabelsAreUpperCasedWrittenOrRefused) {
    struct Case {
        std::string typed;
        std::string shownAfter;
        bool refused;
    };
    for (const Case& c : {Case{"music", "MUSIC", false}, Case{"MY DISK", "", true},
                          Case{"A.B", "", true}, Case{"DISK?", "DISK?", false}}) {
        SCOPED_TRACE(c.typed);
        JobRig rig(Flavour::Windows2K);
        auto disk = rig.machine.AddRemovableDisk('E', MiB(31));
        rig.RunJob(Mode::Full, c.typed);
        const auto boxes = rig.BoxesAfterWarning();
        ASSERT_EQ(boxes.size(), c.refused ? 2u : 1u);
        if (c.refused) {
            EXPECT_EQ(boxes[0],
                      std::make_pair(std::string("Ingore!"), std::string("Invalid volume label!")));
        }
        EXPECT_EQ(rig.dialog.m_strLabel, c.shownAfter);
        EXPECT_EQ(rig.dialog.GetDlgItemText(kIdLabelBox), c.shownAfter);
        const auto after = disk->Snapshot();
        std::string field(after.begin() + 43, after.begin() + 54);
        std::string expectedField = c.refused ? "NO NAME    " : c.shownAfter;
        expectedField.resize(11, ' ');
        EXPECT_EQ(field, expectedField);
    }
}

// The real checking tools read what the job wrote to an image file.
TEST(FormatJob, ImagesOfEveryClassPassFsckAndMtools) {
    ASSERT_TRUE(testing_support::HaveProgram("fsck.fat")) << "dosfstools is not installed";
    ASSERT_TRUE(testing_support::HaveProgram("minfo")) << "mtools is not installed";
    testing_support::TempDir dir;
    const std::uint32_t sectorsPerFat[] = {62, 126, 190, 254};
    int index = 0;
    for (const ClassCase& cls : kClasses) {
        for (Mode mode : {Mode::Quick, Mode::Full}) {
            SCOPED_TRACE(std::to_string(cls.mib) + " " + ModeName(mode));
            const auto path = dir / ("disk" + std::to_string(cls.mib) + ModeName(mode) + ".img");
            testing_support::MakeSparseFile(path, MiB(cls.mib));
            JobRig rig(Flavour::Windows2K);
            win32::sim::DriveSpec driveSpec;
            driveSpec.disk = win32::sim::FileDisk(path.string());
            rig.machine.AddDrive('E', driveSpec);
            rig.RunJob(mode, "PLAYER" + std::to_string(cls.mib));
            ASSERT_EQ(rig.BoxesAfterWarning().size(), 1u);

            const std::string image = ShellQuote(path.string());
            const auto fsck = RunCommand("fsck.fat -n " + image);
            EXPECT_EQ(fsck.exitCode, 0) << fsck.output;
            const auto info = RunCommand("MTOOLS_SKIP_CHECK=1 minfo -i " + image + " ::");
            EXPECT_EQ(info.exitCode, 0) << info.output;
            EXPECT_NE(info.output.find("cluster size: 4 sectors"), std::string::npos)
                << info.output;
            EXPECT_NE(info.output.find("disk type=\"FAT16   \""), std::string::npos) << info.output;
            EXPECT_NE(info.output.find("sectors per fat: " + std::to_string(sectorsPerFat[index])),
                      std::string::npos)
                << info.output;
            const auto label = RunCommand("MTOOLS_SKIP_CHECK=1 mlabel -s -i " + image + " ::");
            EXPECT_NE(label.output.find("PLAYER" + std::to_string(cls.mib)), std::string::npos)
                << label.output;
            const auto dirList = RunCommand("MTOOLS_SKIP_CHECK=1 mdir -i " + image + " ::");
            EXPECT_NE(dirList.output.find(GroupedDigits(cls.totalDiskSpace) + " bytes free"),
                      std::string::npos)
                << dirList.output;
        }
        ++index;
    }
}

TEST(FormatJob, TraditionalChineseResultsForSingapore) {
    JobRig rig(Flavour::Windows2K);
    rig.machine.SetLanguage(0x1004);
    rig.machine.AddRemovableDisk('E', MiB(31));
    rig.RunJob(Mode::Full);
    const auto boxes = rig.BoxesAfterWarning();
    ASSERT_EQ(boxes.size(), 1u);
    // "磁碟空間共: " in Big5, then the figure.
    EXPECT_EQ(boxes[0].second.rfind("\xBA\xCF\xBA\xD0\xAA\xC5\xB6\xA1\xA6\x40: 32423936 bytes", 0),
              0u);
    EXPECT_EQ(boxes[0].first, "Format Results - Removable Disk(E:)");
}

}  // namespace
}  // namespace kerfa::testing
