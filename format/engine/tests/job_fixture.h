// A Kerfa dialog on a simulated machine with one removable drive E:, driven
// by the scripted host.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "format/ui/format_dialog.h"
#include "platform/dialog/scripted_host.h"
#include "platform/win32/simulated/simulated_machine.h"

namespace kerfa::testing {

using win32::sim::Flavour;

enum class Mode { Quick, Full, Low };

inline const char* ModeName(Mode mode) {
    return mode == Mode::Quick ? "Quick" : mode == Mode::Full ? "Full" : "Low";
}

inline int ModeButton(Mode mode) {
    return mode == Mode::Quick ? kIdQuick : mode == Mode::Full ? kIdFull : kIdLow;
}

struct JobRig {
    explicit JobRig(Flavour flavour) : machine(flavour), dialog(host, machine) {
        dialog.m_drives = {"E:"};
        dialog.m_strPlatform = flavour == Flavour::Windows98 ? "Windows98" : "Windows2K";
    }

    // Queues a press of Format Now with the answer to the erase warning. The
    // machine's record starts anew with the job (the dialog's initialisation
    // has measured the drive already), and onJobStart runs then.
    void QueueJob(int answer = dlg::IDYES) {
        host.Answer(answer);
        host.Queue(dlg::Event::Action([this] {
            machine.ClearCalls();
            if (onJobStart) onJobStart();
        }));
        host.QueueClick(kIdFormatNow);
    }

    // Runs the dialog: picks the mode, types the label (when given), answers
    // the erase warning and presses Format Now.
    void RunJobs(Mode mode, const std::string* label, int answer) {
        host.Queue(dlg::Event::Click(ModeButton(mode)));
        if (label) host.Queue(dlg::Event::Type(kIdLabelBox, *label));
        QueueJob(answer);
        dialog.DoModal();
    }
    void RunJob(Mode mode, int answer = dlg::IDYES) { RunJobs(mode, nullptr, answer); }
    void RunJob(Mode mode, const std::string& label, int answer = dlg::IDYES) {
        RunJobs(mode, &label, answer);
    }

    // Message boxes after the erase warning, as (caption, text) pairs.
    std::vector<std::pair<std::string, std::string>> BoxesAfterWarning() const {
        std::vector<std::pair<std::string, std::string>> boxes;
        bool seenWarning = false;
        for (const auto& box : host.Boxes()) {
            if (!seenWarning && box.caption == "Warning") {
                seenWarning = true;
                continue;
            }
            if (seenWarning) boxes.emplace_back(box.caption, box.text);
        }
        return boxes;
    }

    // What every job leaves behind, whatever its outcome.
    void ExpectIdle() const {
        for (int id : {kIdFormatNow, kIdDriveBox, kIdLabelBox, kIdQuick, kIdFull, kIdLow})
            EXPECT_TRUE(dialog.IsItemEnabled(id)) << "control " << id;
        EXPECT_EQ(dialog.GetDlgItemText(kIdExit), dialog.m_strQuit);
        EXPECT_EQ(dialog.m_bBusy, 0);
        EXPECT_EQ(dialog.GetDlgItemText(kIdCurrentLine), "Current:");
        EXPECT_EQ(host.CurrentCursor(), dlg::Cursor::Arrow);
        EXPECT_EQ(dialog.FocusId(), kIdDriveBox);
        EXPECT_EQ(machine.OpenHandles(), 0);
        EXPECT_EQ(machine.HeldLocks(), 0);
    }

    std::function<void()> onJobStart;
    dlg::ScriptedHost host;
    win32::sim::SimulatedMachine machine;
    FormatDialog dialog;
};

}  // namespace kerfa::testing
