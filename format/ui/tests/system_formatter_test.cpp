// The hidden "FormatNow" path on the simulated machine, both platforms: the
// command line, the answers file, the launch routes and their failures, the
// wait for the drive and what is left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "format/ui/format_dialog.h"
#include "platform/dialog/scripted_host.h"
#include "platform/win32/simulated/simulated_machine.h"

namespace kerfa {
namespace {

using win32::sim::Call;
using win32::sim::Flavour;
using win32::sim::SimulatedProcess;

// The path never reads the disk itself; a small medium keeps the rig quick.
constexpr std::uint64_t kDiskBytes = 1 << 20;

constexpr char kQuestion[] = "ALL DATA ON THIS DISK WILL BE LOST!\n\nAre you sure?(Y/N)";
constexpr char kBadLabelText[] = "Invalid volume label!";

enum class Mode { Quick, Full, Low };

int ModeButton(Mode mode) {
    return mode == Mode::Quick ? kIdQuick : mode == Mode::Full ? kIdFull : kIdLow;
}

struct Box {
    std::string text;
    std::string caption;
    unsigned style;
    friend bool operator==(const Box&, const Box&) = default;
};

std::ostream& operator<<(std::ostream& out, const Box& box) {
    return out << "{\"" << box.text << "\", \"" << box.caption << "\", 0x" << std::hex << box.style
               << std::dec << "}";
}

struct Rig {
    explicit Rig(Flavour flavour)
        : windows(flavour == Flavour::Windows98 ? "C:\\WINDOWS" : "C:\\WINNT"),
          formatter(windows + (flavour == Flavour::Windows98 ? "\\command\\format.com"
                                                             : "\\system32\\format.com")),
          answers(windows + "\\tmptmp.tmp"),
          machine(flavour),
          dialog(host, machine) {
        machine.AddRemovableDisk('E', kDiskBytes);
        machine.AddRemovableDisk('F', kDiskBytes);
        machine.SetWindowsDirectory(windows);
        machine.AddFile(formatter, "MZ");
        dialog.m_drives = {"E:", "F:"};
        dialog.m_strPlatform = flavour == Flavour::Windows98 ? "Windows98" : "Windows2K";
        machine.OnProcess([this](const std::string& line) {
            SimulatedProcess program;
            program.startFails = startFails;
            program.atStart = [this, line] {
                started.push_back(line);
                answersAtStart = machine.FileContents(answers);
            };
            program.runningPolls = 3;
            return program;
        });
    }

    // Picks drive and mode, types the label and clicks the hidden button
    // (a user cannot: it is never shown), answering the question.
    void Run(Mode mode, const std::optional<std::string>& label, int answer = dlg::IDYES,
             int driveIndex = 0) {
        if (driveIndex != 0) host.Queue(dlg::Event::SelChange(kIdDriveBox, driveIndex));
        host.QueueClick(ModeButton(mode));
        if (label) host.Queue(dlg::Event::Type(kIdLabelBox, *label));
        host.Queue(dlg::Event::Action([this] {
            machine.ClearCalls();
            host.ClearLogs();
            dialog.OnFormatNowLegacy();
        }));
        host.Answer(answer);
        dialog.DoModal();
    }

    std::vector<Box> Boxes() const {
        std::vector<Box> boxes;
        for (const auto& box : host.Boxes()) boxes.push_back({box.text, box.caption, box.style});
        return boxes;
    }
    std::vector<Box> BoxesAfterQuestion() const {
        std::vector<Box> boxes = Boxes();
        EXPECT_FALSE(boxes.empty());
        if (!boxes.empty()) boxes.erase(boxes.begin());
        return boxes;
    }

    std::vector<const Call*> CallsOf(const std::string& function) const {
        std::vector<const Call*> calls;
        for (const Call& call : machine.Calls())
            if (call.function == function) calls.push_back(&call);
        return calls;
    }
    int IndexOf(const std::string& function, int nth = 0) const {
        int seen = 0;
        for (std::size_t i = 0; i < machine.Calls().size(); ++i)
            if (machine.Calls()[i].function == function && seen++ == nth)
                return static_cast<int>(i);
        return -1;
    }
    int ProcessStarts() const {
        return static_cast<int>(CallsOf("system").size() + CallsOf("CreateProcessA").size() +
                                CallsOf("WinExec").size());
    }

    // Whatever the outcome: nothing open, the arrow back if the wait cursor was set.
    void ExpectClean() const {
        EXPECT_EQ(machine.OpenHandles(), 0);
        EXPECT_EQ(machine.InvalidHandleUses(), 0);
        EXPECT_EQ(host.CurrentCursor(), dlg::Cursor::Arrow);
        EXPECT_FALSE(machine.FileExists("E:\\finish"));
        EXPECT_FALSE(machine.FileExists("F:\\finish"));
    }

    std::string windows;
    std::string formatter;
    std::string answers;
    dlg::ScriptedHost host;
    win32::sim::SimulatedMachine machine;
    FormatDialog dialog;
    bool startFails = false;
    std::vector<std::string> started;
    std::optional<std::string> answersAtStart;
};

const Box kQuestionBox{kQuestion, "Warning", dlg::MB_YESNO | dlg::MB_ICONINFORMATION};
const Box kCompleteBox{"Format complete!", "congratulation!", dlg::MB_OK};

struct LineCase {
    Flavour flavour;
    Mode mode;
    std::string label;
    int driveIndex;
    std::string startedLine;  // what the machine was asked to run
    std::string answerBytes;
};

class CommandLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(CommandLineTest, RunsTheFormatterWithItsAnswersAndLeavesNothingBehind) {
    const LineCase& c = GetParam();
    Rig rig(c.flavour);
    rig.Run(c.mode, c.label, dlg::IDYES, c.driveIndex);

    ASSERT_EQ(rig.started, std::vector<std::string>{c.startedLine});
    ASSERT_TRUE(rig.answersAtStart.has_value());
    EXPECT_EQ(*rig.answersAtStart, c.answerBytes);
    EXPECT_EQ(rig.Boxes(), (std::vector<Box>{kQuestionBox, kCompleteBox}));
    EXPECT_EQ(rig.ProcessStarts(), 1);

    const std::string drive = c.driveIndex == 0 ? "E:" : "F:";
    const auto copies = rig.CallsOf("CopyFileA");
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0]->name, rig.answers);
    EXPECT_EQ(copies[0]->target, drive + "\\finish");
    EXPECT_EQ(copies[0]->flags, 0u);  // overwrites a marker of that name
    const auto deletions = rig.CallsOf("DeleteFileA");
    ASSERT_EQ(deletions.size(), 2u);
    EXPECT_EQ(deletions[0]->name, drive + "\\finish");
    EXPECT_EQ(deletions[1]->name, rig.answers);
    EXPECT_TRUE(deletions[0]->ok && deletions[1]->ok);
    EXPECT_FALSE(rig.machine.FileExists(rig.answers));

    // The wait cursor while the formatter ran, the arrow after the last box.
    const auto& cursors = rig.host.CursorLog();
    EXPECT_EQ(std::count(cursors.begin(), cursors.end(), dlg::Cursor::Wait), 1);
    ASSERT_FALSE(cursors.empty());
    EXPECT_EQ(cursors.back(), dlg::Cursor::Arrow);
    rig.ExpectClean();
}

INSTANTIATE_TEST_SUITE_P(
    BothPlatforms, CommandLineTest,
    ::testing::Values(
        LineCase{Flavour::Windows98, Mode::Quick, "", 0,
                 "C:\\WINDOWS\\command\\format.com E:/q/v: < C:\\WINDOWS\\tmptmp.tmp",
                 "\x79\x0D\x0A\x0D\x0A"},
        LineCase{Flavour::Windows98, Mode::Quick, "MUSIC", 0,
                 "C:\\WINDOWS\\command\\format.com E:/q/v:MUSIC < C:\\WINDOWS\\tmptmp.tmp",
                 "\x79\x0D\x0A\x0D\x0A"},
        LineCase{Flavour::Windows98, Mode::Low, "Tunes_2", 1,
                 "C:\\WINDOWS\\command\\format.com F:/v:Tunes_2 < C:\\WINDOWS\\tmptmp.tmp",
                 "\x79\x0D\x0A\x0D\x0A"},
        LineCase{Flavour::Windows2K, Mode::Full, "MUSIC", 0,
                 "cmd /c C:\\WINNT\\system32\\format.com E:/fs:fat /a:2048/v:MUSIC < "
                 "C:\\WINNT\\tmptmp.tmp",
                 "\x0D\x0A\x79\x0D\x0A\x0D\x0A"},
        LineCase{Flavour::Windows2K, Mode::Full, "", 1,
                 "cmd /c C:\\WINNT\\system32\\format.com F:/fs:fat /a:2048/v: < "
                 "C:\\WINNT\\tmptmp.tmp",
                 "\x0D\x0A\x79\x0D\x0A\x0D\x0A"},
        LineCase{Flavour::Windows2K, Mode::Quick, "a-b~c", 0,
                 "cmd /c C:\\WINNT\\system32\\format.com E:/fs:fat /a:2048/q/v:a-b~c < "
                 "C:\\WINNT\\tmptmp.tmp",
                 "\x0D\x0A\x79\x0D\x0A\x0D\x0A"}));

TEST(SystemFormatterNt, StartsTheInterpreterHiddenAndWaitsForItBeforeProbingTheDrive) {
    Rig rig(Flavour::Windows2K);
    rig.Run(Mode::Quick, "MUSIC");

    EXPECT_TRUE(rig.CallsOf("WinExec").empty());
    EXPECT_TRUE(rig.CallsOf("system").empty());
    const auto starts = rig.CallsOf("CreateProcessA");
    ASSERT_EQ(starts.size(), 1u);
    const Call& start = *starts[0];
    EXPECT_EQ(start.target, "");  // the interpreter is found from the line
    ASSERT_TRUE(start.startupInfo.has_value());
    EXPECT_EQ(start.startupInfo->cb, sizeof(win32::STARTUPINFOA));
    EXPECT_EQ(start.startupInfo->dwFlags, win32::STARTF_USESHOWWINDOW);
    EXPECT_EQ(start.startupInfo->wShowWindow, win32::SW_HIDE);
    EXPECT_FALSE(start.hasEnvironment);
    EXPECT_FALSE(start.currentDirectory.has_value());

    // The process has ended before the first probe: the wait that answered
    // "ended" comes before the copy, and both handles are closed by then.
    const int wait = rig.IndexOf("WaitForSingleObject");
    const int copy = rig.IndexOf("CopyFileA");
    ASSERT_GE(wait, 0);
    ASSERT_GT(copy, wait);
    const Call& waitCall = rig.machine.Calls()[static_cast<std::size_t>(wait)];
    EXPECT_EQ(waitCall.handle, start.handle);
    EXPECT_EQ(waitCall.timeout, win32::INFINITE);
    EXPECT_EQ(waitCall.result, win32::WAIT_OBJECT_0);
    int closes = 0;
    for (int i = wait; i < copy; ++i)
        closes += rig.machine.Calls()[static_cast<std::size_t>(i)].function == "CloseHandle";
    EXPECT_EQ(closes, 2);
    rig.ExpectClean();
}

TEST(SystemFormatter98, TheCCallWaitsByItselfAndNothingElseRuns) {
    Rig rig(Flavour::Windows98);
    rig.Run(Mode::Quick, "");
    EXPECT_EQ(rig.CallsOf("system").size(), 1u);
    EXPECT_TRUE(rig.CallsOf("CreateProcessA").empty());
    EXPECT_TRUE(rig.CallsOf("WinExec").empty());
    EXPECT_TRUE(rig.CallsOf("WaitForSingleObject").empty());
    EXPECT_GT(rig.IndexOf("CopyFileA"), rig.IndexOf("system"));
    rig.ExpectClean();
}

TEST(SystemFormatter, NoAnswerToTheQuestionDoesNothing) {
    Rig rig(Flavour::Windows2K);
    rig.Run(Mode::Quick, "MUSIC", dlg::IDNO);
    EXPECT_EQ(rig.Boxes(), std::vector<Box>{kQuestionBox});
    EXPECT_TRUE(rig.CallsOf("GetWindowsDirectoryA").empty());
    EXPECT_TRUE(rig.CallsOf("CreateFileA").empty());
    EXPECT_EQ(rig.ProcessStarts(), 0);
    EXPECT_TRUE(rig.host.CursorLog().empty());
    rig.ExpectClean();
}

class BothFlavours : public ::testing::TestWithParam<Flavour> {};

TEST_P(BothFlavours, AMachineWithoutTheFormatterWritesNoAnswersFile) {
    Rig rig(GetParam());
    rig.machine.DeleteFileA(rig.formatter.c_str());
    rig.Run(Mode::Quick, "MUSIC");

    EXPECT_EQ(
        rig.BoxesAfterQuestion(),
        (std::vector<Box>{{"Your Windows system is inconsistent!", "Sorry!", dlg::MB_ICONERROR}}));
    const auto opens = rig.CallsOf("CreateFileA");
    ASSERT_EQ(opens.size(), 1u);  // the formatter, looked for and not found
    EXPECT_EQ(opens[0]->name, rig.formatter);
    EXPECT_EQ(opens[0]->access, win32::GENERIC_READ);
    EXPECT_EQ(opens[0]->share, win32::FILE_SHARE_READ);
    EXPECT_EQ(opens[0]->creation, win32::OPEN_EXISTING);
    EXPECT_FALSE(rig.machine.FileExists(rig.answers));
    EXPECT_EQ(rig.ProcessStarts(), 0);
    EXPECT_TRUE(rig.host.CursorLog().empty());
    rig.ExpectClean();
}

TEST_P(BothFlavours, AnAnswersFileThatCannotBeCreatedStopsThePathWithItsBox) {
    Rig rig(GetParam());
    rig.machine.FailWhen([&rig](const Call& call) {
        return call.function == "CreateFileA" && call.name == rig.answers;
    });
    rig.Run(Mode::Quick, "MUSIC");

    EXPECT_EQ(rig.BoxesAfterQuestion(),
              (std::vector<Box>{{rig.answers, "Can not create temp file!", dlg::MB_OK}}));
    EXPECT_FALSE(rig.machine.FileExists(rig.answers));
    EXPECT_EQ(rig.ProcessStarts(), 0);
    EXPECT_TRUE(rig.host.CursorLog().empty());
    rig.ExpectClean();
}

TEST_P(BothFlavours, AnAnswersFileThatCannotBeWrittenIsRemovedAndReportedTheSameWay) {
    Rig rig(GetParam());
    rig.machine.FailWhen([](const Call& call) { return call.function == "WriteFile"; });
    rig.Run(Mode::Quick, "MUSIC");

    EXPECT_EQ(rig.BoxesAfterQuestion(),
              (std::vector<Box>{{rig.answers, "Can not create temp file!", dlg::MB_OK}}));
    EXPECT_FALSE(rig.machine.FileExists(rig.answers));
    EXPECT_EQ(rig.ProcessStarts(), 0);
    rig.ExpectClean();
}

TEST_P(BothFlavours, AFormatterThatCannotBeStartedIsAFormatErrorAndTheAnswersGo) {
    Rig rig(GetParam());
    if (GetParam() == Flavour::Windows98) {
        rig.machine.SetSystemResult(-1);
    } else {
        rig.startFails = true;
    }
    rig.Run(Mode::Quick, "MUSIC");

    EXPECT_EQ(rig.BoxesAfterQuestion(),
              (std::vector<Box>{{"Format error!", "Sorry!", dlg::MB_ICONERROR}}));
    EXPECT_TRUE(rig.CallsOf("CopyFileA").empty());
    EXPECT_FALSE(rig.machine.FileExists(rig.answers));
    EXPECT_EQ(rig.host.CursorLog(),
              (std::vector<dlg::Cursor>{dlg::Cursor::Wait, dlg::Cursor::Arrow}));
    rig.ExpectClean();
}

TEST_P(BothFlavours, ADriveThatTakesTheMarkerLateEndsTheWaitThere) {
    Rig rig(GetParam());
    int refusals = 3;
    rig.machine.FailWhen([&refusals](const Call& call) {
        return call.function == "CopyFileA" && call.target == "E:\\finish" && refusals-- > 0;
    });
    rig.Run(Mode::Full, "MUSIC");

    EXPECT_EQ(rig.CallsOf("CopyFileA").size(), 4u);
    EXPECT_EQ(rig.BoxesAfterQuestion(), std::vector<Box>{kCompleteBox});
    EXPECT_FALSE(rig.machine.FileExists(rig.answers));
    rig.ExpectClean();
}

TEST_P(BothFlavours, ADriveThatNeverTakesTheMarkerIsReportedAndTheAnswersGo) {
    Rig rig(GetParam());
    rig.machine.FailWhen([](const Call& call) {
        return call.function == "CopyFileA" && call.target == "E:\\finish";
    });
    rig.Run(Mode::Quick, "");

    EXPECT_EQ(rig.CallsOf("CopyFileA").size(), 50u);
    EXPECT_EQ(rig.BoxesAfterQuestion(),
              (std::vector<Box>{
                  {"The disk did not come back after formatting!", "Sorry!", dlg::MB_ICONERROR}}));
    const auto deletions = rig.CallsOf("DeleteFileA");
    ASSERT_EQ(deletions.size(), 1u);
    EXPECT_EQ(deletions[0]->name, rig.answers);
    EXPECT_FALSE(rig.machine.FileExists(rig.answers));
    EXPECT_EQ(rig.host.CursorLog(),
              (std::vector<dlg::Cursor>{dlg::Cursor::Wait, dlg::Cursor::Arrow}));
    rig.ExpectClean();
}

INSTANTIATE_TEST_SUITE_P(SystemFormatter, BothFlavours,
                         ::testing::Values(Flavour::Windows98, Flavour::Windows2K),
                         [](const auto& param) {
                             return param.param == Flavour::Windows98 ? "Windows98" : "Windows2K";
                         });

struct LabelCase {
    std::string label;
};

class UnsafeLabelTest : public ::testing::TestWithParam<LabelCase> {};

// Labels the volume label rule lets through but an interpreter would act on
// (a second command, a pipe, its escape sign, grouping, expansion), and one
// the rule refuses: none reaches the command line.
TEST_P(UnsafeLabelTest, IsRefusedByTheLabelBoxAndTheFormatGoesOnWithoutIt) {
    for (const Flavour flavour : {Flavour::Windows98, Flavour::Windows2K}) {
        SCOPED_TRACE(flavour == Flavour::Windows98 ? "Windows98" : "Windows2K");
        Rig rig(flavour);
        rig.Run(Mode::Quick, GetParam().label);

        EXPECT_EQ(
            rig.BoxesAfterQuestion(),
            (std::vector<Box>{{kBadLabelText, "Ingore!", dlg::MB_ICONINFORMATION}, kCompleteBox}));
        const std::string expected =
            flavour == Flavour::Windows98
                ? "C:\\WINDOWS\\command\\format.com E:/q/v: < C:\\WINDOWS\\tmptmp.tmp"
                : "cmd /c C:\\WINNT\\system32\\format.com E:/fs:fat /a:2048/q/v: < "
                  "C:\\WINNT\\tmptmp.tmp";
        EXPECT_EQ(rig.started, std::vector<std::string>{expected});
        EXPECT_EQ(rig.ProcessStarts(), 1);
        EXPECT_EQ(rig.dialog.m_strLabel, "");
        EXPECT_EQ(rig.dialog.GetDlgItemText(kIdLabelBox), "");
        rig.ExpectClean();
    }
}

INSTANTIATE_TEST_SUITE_P(SystemFormatter, UnsafeLabelTest,
                         ::testing::Values(LabelCase{"A|B"}, LabelCase{"X&Y"}, LabelCase{"A^B"},
                                           LabelCase{"(A)"}, LabelCase{"50%"}, LabelCase{"%PATH%"},
                                           LabelCase{"!X!"}, LabelCase{"A&calc"}, LabelCase{"x'y"},
                                           LabelCase{"@echo"}, LabelCase{"A B"},
                                           LabelCase{"A\"&B"}));

TEST(SystemFormatter, AWindowsDirectoryTheInterpreterWouldSplitIsRefusedBeforeAnyFile) {
    for (const std::string windows : {"C:\\Program Files\\Win", "C:\\WIN&NT", "C:\\W(1)"}) {
        SCOPED_TRACE(windows);
        Rig rig(Flavour::Windows2K);
        rig.machine.SetWindowsDirectory(windows);
        rig.machine.AddFile(windows + "\\system32\\format.com", "MZ");
        rig.Run(Mode::Quick, "MUSIC");

        EXPECT_EQ(rig.BoxesAfterQuestion(),
                  (std::vector<Box>{
                      {"Invalid Windows directory!\n\n" + windows, "Sorry!", dlg::MB_ICONERROR}}));
        EXPECT_TRUE(rig.CallsOf("CreateFileA").empty());
        EXPECT_EQ(rig.ProcessStarts(), 0);
        rig.ExpectClean();
    }
}

TEST(SystemFormatter, NoWindowsDirectoryIsAnInconsistentSystem) {
    Rig rig(Flavour::Windows2K);
    rig.machine.FailWhen([](const Call& call) { return call.function == "GetWindowsDirectoryA"; });
    rig.Run(Mode::Quick, "MUSIC");
    EXPECT_EQ(
        rig.BoxesAfterQuestion(),
        (std::vector<Box>{{"Your Windows system is inconsistent!", "Sorry!", dlg::MB_ICONERROR}}));
    EXPECT_TRUE(rig.CallsOf("CreateFileA").empty());
    EXPECT_EQ(rig.ProcessStarts(), 0);
    rig.ExpectClean();
}

TEST(SystemFormatter, ADriveEntryThatIsNoDriveNameNeverReachesTheCommandLine) {
    for (const std::string drive : {"E:&X", "E", "1:"}) {
        SCOPED_TRACE(drive);
        Rig rig(Flavour::Windows2K);
        rig.dialog.m_drives = {drive};
        rig.Run(Mode::Quick, "MUSIC");
        EXPECT_EQ(rig.BoxesAfterQuestion(),
                  (std::vector<Box>{{"Invalid drive name!", "Sorry!", dlg::MB_ICONERROR}}));
        EXPECT_TRUE(rig.CallsOf("CreateFileA").empty());
        EXPECT_EQ(rig.ProcessStarts(), 0);
        rig.ExpectClean();
    }
}

}  // namespace
}  // namespace kerfa
