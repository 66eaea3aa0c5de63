#include "player/ui/wait_dialogs.h"

#include <gtest/gtest.h>

#include "platform/dialog/scripted_host.h"
#include "platform/win32/simulated/simulated_machine.h"
#include "player/ui/player_resources.h"
#include "player/ui/spinner.h"

namespace vocna {
namespace {

using dlg::Event;
using win32::sim::SimulatedMachine;
using win32::sim::SimulatedProcess;

// Before any test touches them: the counters as the program starts.
const int kWaitStepAtStart = WaitDialog::s_nSpinStep;
const int kBusyStepAtStart = BusyDialog::s_nSpinStep;

TEST(SpinnerTest, CountersStartAtOne) {
    EXPECT_EQ(kWaitStepAtStart, 1);
    EXPECT_EQ(kBusyStepAtStart, 1);
}

TEST(SpinnerTest, FourStepsFromStepOne) {
    int step = 1;
    const std::vector<std::string> expected = {"Go /", "Go --", "Go \\", "Go |", "Go /"};
    for (const auto& text : expected) EXPECT_EQ(NextSpinnerText(step, "Go"), text);
    EXPECT_EQ(step, 2);
    EXPECT_EQ(std::string("Go \\").size(), 4u);  // one backslash
    // The message is text, never a format.
    step = 0;
    EXPECT_EQ(NextSpinnerText(step, "50% %s"), "50% %s |");
}

class WaitDialogTest : public ::testing::Test {
  protected:
    WaitDialogTest() : machine_(win32::sim::Flavour::Windows2K) {
        // Each test is one run of the program.
        WaitDialog::s_nSpinStep = 1;
        BusyDialog::s_nSpinStep = 1;
        // "tool N" runs for N polls.
        machine_.OnProcess([](const std::string& commandLine) {
            SimulatedProcess program;
            program.runningPolls = std::stoi(commandLine.substr(commandLine.find(' ') + 1));
            return program;
        });
    }
    ~WaitDialogTest() override { EXPECT_EQ(machine_.OpenHandles(), 0); }

    win32::PROCESS_INFORMATION Start(int polls) {
        std::string line = "tool " + std::to_string(polls);
        win32::STARTUPINFOA startup{};
        win32::PROCESS_INFORMATION info{};
        EXPECT_TRUE(machine_.CreateProcessA(nullptr, line.data(), nullptr, nullptr, win32::TRUE, 0,
                                            nullptr, nullptr, &startup, &info));
        return info;
    }
    void Close(const win32::PROCESS_INFORMATION& info) {
        machine_.CloseHandle(info.hThread);
        machine_.CloseHandle(info.hProcess);
    }
    // Shows a WaitDialog for a process that runs `polls` polls.
    int Wait(int polls, const std::string& message = "Work ...") {
        const auto info = Start(polls);
        WaitDialog wait(host_, machine_);
        wait.m_strMessage = message;
        wait.m_hProcess = info.hProcess;
        const int result = wait.DoModal();
        Close(info);
        return result;
    }
    int Polls() const {
        int polls = 0;
        for (const auto& call : machine_.Calls())
            if (call.function == "WaitForSingleObject") {
                EXPECT_EQ(call.timeout, 0u);
                ++polls;
            }
        return polls;
    }
    std::vector<std::string> Texts() const {
        return host_.TextsOf(kWaitDialogTemplate, kIdWaitText);
    }

    dlg::ScriptedHost host_;
    SimulatedMachine machine_;
};

TEST_F(WaitDialogTest, SpinsEveryTickUntilTheProcessHasEnded) {
    EXPECT_EQ(Wait(3, "Convert VRK file to PCM ..."), dlg::IDOK);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"", "Convert VRK file to PCM ... /",
                                                 "Convert VRK file to PCM ... --",
                                                 "Convert VRK file to PCM ... \\"}));
    // Three ticks while it runs, and the fourth finds it ended.
    EXPECT_EQ(host_.TimerTicks(), 4);
    EXPECT_EQ(host_.VirtualMilliseconds(), 4u * 800u);
    EXPECT_EQ(Polls(), 4);
    EXPECT_FALSE(host_.HasWindow(kWaitDialogTemplate));
}

TEST_F(WaitDialogTest, ASecondBoxGoesOnWhereTheFirstStopped) {
    Wait(3, "A");
    host_.ClearLogs();
    Wait(3, "B");
    EXPECT_EQ(Texts(), (std::vector<std::string>{"", "B |", "B /", "B --"}));
}

TEST_F(WaitDialogTest, AProcessThatHasEndedClosesItAtTheFirstTick) {
    EXPECT_EQ(Wait(0), dlg::IDOK);
    EXPECT_EQ(Texts(), std::vector<std::string>{""});
    EXPECT_EQ(host_.TimerTicks(), 1);
    EXPECT_EQ(host_.VirtualMilliseconds(), 800u);
    EXPECT_EQ(Polls(), 1);
    EXPECT_EQ(WaitDialog::s_nSpinStep, 1);
}

TEST_F(WaitDialogTest, EnterPollsAtOnce) {
    const auto info = Start(1);
    WaitDialog wait(host_, machine_);
    wait.m_strMessage = "M";
    wait.m_hProcess = info.hProcess;
    std::vector<std::string> seen;
    host_.Queue(Event::EnterKey());  // still running: one spinner step
    host_.Queue(Event::Action([&] {
        seen.push_back(wait.m_strText);
        seen.push_back(std::to_string(host_.TimerTicks()));
    }));
    host_.Queue(Event::EnterKey());  // ended: the box closes without a tick
    EXPECT_EQ(wait.DoModal(), dlg::IDOK);
    Close(info);
    EXPECT_EQ(seen, (std::vector<std::string>{"M /", "0"}));
    EXPECT_EQ(host_.TimerTicks(), 0);
    EXPECT_EQ(Polls(), 2);
}

TEST_F(WaitDialogTest, AFailedWaitEndsItLikeAFinishedProcess) {
    WaitDialog unset(host_, machine_);  // no process handle given
    unset.m_strMessage = "M";
    EXPECT_EQ(unset.DoModal(), dlg::IDOK);
    EXPECT_EQ(host_.TimerTicks(), 1);

    const auto info = Start(5);
    machine_.FailWhen(
        [](const win32::sim::Call& call) { return call.function == "WaitForSingleObject"; });
    WaitDialog failing(host_, machine_);
    failing.m_strMessage = "M";
    failing.m_hProcess = info.hProcess;
    EXPECT_EQ(failing.DoModal(), dlg::IDOK);
    EXPECT_EQ(host_.TimerTicks(), 2);
    EXPECT_EQ(Texts(), std::vector<std::string>{""});
    machine_.FailWhen([](const win32::sim::Call&) { return false; });
    Close(info);
}

// Escape (or the hidden Cancel) does not take the box away from a running
// tool; once the tool has ended it closes the box at once.
TEST_F(WaitDialogTest, CancelWaitsForTheProcess) {
    const auto info = Start(2);
    WaitDialog wait(host_, machine_);
    wait.m_strMessage = "M";
    wait.m_hProcess = info.hProcess;
    bool upAfterEscape = false;
    host_.Queue(Event::EscapeKey());
    host_.Queue(Event::Action([&] { upAfterEscape = host_.HasWindow(kWaitDialogTemplate); }));
    EXPECT_EQ(wait.DoModal(), dlg::IDOK);
    EXPECT_TRUE(upAfterEscape);
    EXPECT_EQ(host_.TimerTicks(), 2);  // the escape took one poll, one tick the other

    WaitDialog ended(host_, machine_);
    ended.m_hProcess = info.hProcess;
    host_.Queue(Event::EscapeKey());
    EXPECT_EQ(ended.DoModal(), dlg::IDCANCEL);
    EXPECT_EQ(host_.TimerTicks(), 2);
    Close(info);
}

TEST_F(WaitDialogTest, TheBusyBoxIsUpAtOnceWithAnEmptyLine) {
    {
        BusyDialog busy(host_, nullptr);
        EXPECT_TRUE(host_.HasWindow(kBusyDialogTemplate));
        EXPECT_EQ(busy.GetDlgItemText(kIdBusyText), "");
        EXPECT_EQ(busy.m_strText, "");
        EXPECT_EQ(host_.TextsOf(kBusyDialogTemplate, kIdBusyText), std::vector<std::string>{""});
    }
    EXPECT_FALSE(host_.HasWindow(kBusyDialogTemplate));
}

// The busy box spins on its own counter: beside a WaitDialog both start at
// "%s /", each tick of a box moves only that box's counter.
TEST_F(WaitDialogTest, TheBusyBoxHasItsOwnCounter) {
    BusyDialog busy(host_, nullptr);
    busy.m_strMessage = "B";
    busy.UpdateData(false);
    Wait(2, "W");
    EXPECT_EQ(host_.TextsOf(kBusyDialogTemplate, kIdBusyText),
              (std::vector<std::string>{"", "B /", "B --", "B \\"}));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"", "W /", "W --"}));
    EXPECT_EQ(BusyDialog::s_nSpinStep, 0);
    EXPECT_EQ(WaitDialog::s_nSpinStep, 3);

    // Only its own timer turns it.
    Event other = Event::Timer(static_cast<int>(kWaitTimer));
    other.target = &busy;
    host_.Queue(other);
    host_.DispatchOnePending();
    EXPECT_EQ(busy.m_strText, "B \\");
    Event own = Event::Timer(static_cast<int>(kBusyTimer));
    own.target = &busy;
    host_.Queue(own);
    host_.DispatchOnePending();
    EXPECT_EQ(busy.m_strText, "B |");
    EXPECT_EQ(WaitDialog::s_nSpinStep, 3);
}

}  // namespace
}  // namespace vocna
