// The main dialog and the start-up on the scripted host over a simulated
// Windows machine.
#include "format/ui/format_dialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "format/ui/format_about_dialog.h"
#include "format/ui/format_app.h"
#include "format/ui/tests/decode.h"
#include "platform/dialog/scripted_host.h"
#include "platform/win32/simulated/simulated_machine.h"

namespace kerfa {
namespace {

using testing_text::Decode;
using win32::sim::Flavour;
using win32::sim::SimulatedMachine;

constexpr std::uint64_t kClass31Bytes = 32505856;

class Kerfa : public ::testing::Test {
  protected:
    SimulatedMachine& Machine(Flavour flavour = Flavour::Windows2K) {
        machine_ = std::make_unique<SimulatedMachine>(flavour);
        return *machine_;
    }

    // Runs `check` on the open main dialog once the events queued before it
    // have been handled.
    void Then(std::function<void(FormatDialog&)> check) {
        ++checksQueued_;
        host.Queue(dlg::Event::Action([this, check] {
            ++checksRun_;
            FormatDialog* dialog = MainDialog();
            ASSERT_NE(dialog, nullptr) << "the main dialog is not open";
            check(*dialog);
        }));
    }

    FormatDialog* MainDialog() {
        for (dlg::Dialog* d : host.Windows())
            if (d->dialogTemplate().id == kFormatDialogTemplate)
                return static_cast<FormatDialog*>(d);
        return nullptr;
    }

    void StartUp() {
        FormatApp app(host, *machine_);
        EXPECT_FALSE(app.StartUp());
        EXPECT_EQ(checksRun_, checksQueued_) << "a check did not run";
        EXPECT_EQ(machine_->OpenHandles(), 0);
        EXPECT_EQ(machine_->HeldLocks(), 0);
    }

    dlg::ScriptedHost host;

  private:
    std::unique_ptr<SimulatedMachine> machine_;
    int checksQueued_ = 0;
    int checksRun_ = 0;
};

// ---- start-up ----------------------------------------------------------------

TEST_F(Kerfa, NoCandidateDriveShowsTheNoDriveBoxInTheUsersLanguage) {
    struct Case {
        win32::LANGID language;
        const char* codePage;
        const char* text;
    };
    const Case cases[] = {
        {0x0409, "ASCII", "No Find Removable Disk Drive!"},
        {0x0804, "CP936", "未发现可移动磁盘!"},
        {0x0404, "CP950", "未發現可移動磁碟!"},
        {0x1004, "CP950", "未發現可移動磁碟!"},
        {0x1404, "ASCII", "No Find Removable Disk Drive!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        host = dlg::ScriptedHost();
        SimulatedMachine& machine = Machine();
        machine.SetLanguage(c.language);
        win32::sim::DriveSpec fixed;
        fixed.type = win32::DRIVE_FIXED;
        fixed.mediaType = win32::FixedMedia;
        fixed.disk = win32::sim::MemoryDisk(kClass31Bytes);
        machine.AddDrive('C', fixed);
        StartUp();
        ASSERT_EQ(host.Boxes().size(), 1u);
        const auto& box = host.Boxes()[0];
        EXPECT_EQ(box.ownerTemplate, 0);
        EXPECT_EQ(box.caption, "Format");
        EXPECT_EQ(box.style, dlg::MB_OK | dlg::MB_ICONERROR);
        EXPECT_EQ(Decode(box.text, c.codePage), c.text);
        EXPECT_TRUE(host.ModalRuns().empty());
    }
}

TEST_F(Kerfa, StartUpFillsTheDriveBoxAndInitialisesTheDialog) {
    SimulatedMachine& machine = Machine();
    win32::sim::DriveSpec fixed;
    fixed.type = win32::DRIVE_FIXED;
    fixed.mediaType = win32::FixedMedia;
    fixed.disk = win32::sim::MemoryDisk(kClass31Bytes);
    machine.AddDrive('C', fixed);
    machine.AddRemovableDisk('E', kClass31Bytes);
    machine.AddRemovableDisk('G', kClass31Bytes);
    Then([](FormatDialog& d) {
        EXPECT_EQ(d.m_drives, (std::vector<std::string>{"E:", "G:"}));
        EXPECT_EQ(d.Control(kIdDriveBox)->items, (std::vector<std::string>{"E:", "G:"}));
        EXPECT_EQ(d.Control(kIdDriveBox)->selection, 0);
        EXPECT_EQ(d.m_strPlatform, "Windows2K");
        EXPECT_EQ(d.m_bBusy, 0);
        EXPECT_EQ(d.IsDlgButtonChecked(kIdQuick), 1);
        EXPECT_EQ(d.Icon(dlg::IconSize::Big), kProgramIcon);
        EXPECT_EQ(d.Icon(dlg::IconSize::Small), kProgramIcon);
        EXPECT_EQ(d.OnQueryDragIcon(), kProgramIcon);
        EXPECT_EQ(d.FocusId(), kIdDriveBox);
        EXPECT_EQ(d.Control(kIdLabelBox)->textLimit, 11u);
    });
    StartUp();
    EXPECT_EQ(host.ModalRuns(), (std::vector<int>{kFormatDialogTemplate}));
}

// ---- the per-drive information -----------------------------------------------------

TEST_F(Kerfa, SizeAndSectorLinesFollowTheReportedBytes) {
    struct Case {
        std::uint64_t bytes;
        const char* size;
        const char* total;
    };
    const Case cases[] = {
        {33554432, "32.00M", "Total Sectors:65536"},
        {66060288, "63.00M", "Total Sectors:129024"},
        {51200512, "48.83M", "Total Sectors:100001"},  // 48.8286 MiB
        {1048064, "1.00M", "Total Sectors:2047"},      // 0.9995 MiB rounds up
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        host = dlg::ScriptedHost();
        // The 9x path reports the device's own size.
        Machine(Flavour::Windows98).AddRemovableDisk('E', c.bytes);
        Then([&](FormatDialog& d) {
            EXPECT_EQ(d.GetDlgItemText(kIdSizeText), c.size);
            EXPECT_EQ(d.GetDlgItemText(kIdTotalLine), c.total);
            EXPECT_EQ(d.GetDlgItemText(kIdCurrentLine), "Current:");
            // An unformatted disk has no volume to read: the label box is empty.
            EXPECT_EQ(d.GetDlgItemText(kIdLabelBox), "");
        });
        StartUp();
    }
}

TEST_F(Kerfa, LabelBoxShowsOnlyAReadableValidLabel) {
    SimulatedMachine& machine = Machine();
    machine.AddRemovableDisk('E', kClass31Bytes);
    auto spaced = machine.AddRemovableDisk('F', kClass31Bytes);
    machine.AddRemovableDisk('G', kClass31Bytes);
    // Format E: and F: with labels, then give F: a label the rule refuses.
    for (int index : {0, 1}) {
        host.Queue(dlg::Event::SelChange(kIdDriveBox, index));
        host.Queue(dlg::Event::Type(kIdLabelBox, "PLAYER"));
        host.QueueClick(kIdFull);
        host.QueueClick(kIdFormatNow);
        host.Answer(dlg::IDYES);
        host.Answer(dlg::IDOK);  // the results
    }
    StartUp();
    ASSERT_EQ(host.Boxes().size(), 4u);
    // Root directory entry 0 of class 31 (sector 125) and the boot sector's
    // label field: "MY DISK" holds a blank, which no label may.
    const std::string spacedName = "MY DISK    ";
    ASSERT_TRUE(spaced->Write(125 * 512, spacedName.data(), spacedName.size()));
    ASSERT_TRUE(spaced->Write(43, spacedName.data(), spacedName.size()));

    host = dlg::ScriptedHost();
    Then([](FormatDialog& d) { EXPECT_EQ(d.GetDlgItemText(kIdLabelBox), "PLAYER"); });
    host.Queue(dlg::Event::SelChange(kIdDriveBox, 1));
    Then([](FormatDialog& d) { EXPECT_EQ(d.GetDlgItemText(kIdLabelBox), ""); });
    host.Queue(dlg::Event::SelChange(kIdDriveBox, 0));
    host.Queue(dlg::Event::SelChange(kIdDriveBox, 2));
    Then([](FormatDialog& d) {
        // G: was never formatted.
        EXPECT_EQ(d.m_strLabel, "");
        EXPECT_EQ(d.GetDlgItemText(kIdLabelBox), "");
        EXPECT_EQ(d.GetDlgItemText(kIdCurrentLine), "Current:");
    });
    StartUp();
}

// ---- the mode buttons ---------------------------------------------------------------

TEST_F(Kerfa, ModeButtonsCheckExactlyOneModeAndOnlyLowEnablesTheProgressLine) {
    struct Step {
        int click;
        int quick, low;
        int checked1006, checked1007, checked1017;
        bool progressLine;
    };
    const Step steps[] = {
        {kIdLow, 0, 1, 0, 0, 1, true},    {kIdFull, 0, 0, 0, 1, 0, false},
        {kIdLow, 0, 1, 0, 0, 1, true},    {kIdQuick, 1, 0, 1, 0, 0, false},
        {kIdQuick, 1, 0, 1, 0, 0, false}, {kIdFull, 0, 0, 0, 1, 0, false},
    };
    Machine().AddRemovableDisk('E', kClass31Bytes);
    Then([](FormatDialog& d) {
        EXPECT_EQ(d.m_bQuick, 1);
        EXPECT_EQ(d.m_bLow, 0);
        EXPECT_FALSE(d.IsItemEnabled(kIdCurrentLine));
    });
    for (const auto& s : steps) {
        host.QueueClick(s.click);
        Then([s](FormatDialog& d) {
            SCOPED_TRACE(s.click);
            EXPECT_EQ(d.m_bQuick, s.quick);
            EXPECT_EQ(d.m_bLow, s.low);
            EXPECT_EQ(d.IsDlgButtonChecked(kIdQuick), s.checked1006);
            EXPECT_EQ(d.IsDlgButtonChecked(kIdFull), s.checked1007);
            EXPECT_EQ(d.IsDlgButtonChecked(kIdLow), s.checked1017);
            EXPECT_EQ(d.IsItemEnabled(kIdCurrentLine), s.progressLine);
            EXPECT_EQ(d.m_strCurrentLine, "Current:");
        });
    }
    StartUp();
}

// ---- Exit and Stop --------------------------------------------------------------------

TEST_F(Kerfa, ExitWhileIdleEndsTheDialogAtOnce) {
    Machine().AddRemovableDisk('E', kClass31Bytes);
    host.Queue(dlg::Event::Type(kIdLabelBox, "PLAYER"));
    host.QueueClick(kIdExit);
    StartUp();
    EXPECT_TRUE(host.Boxes().empty());
    EXPECT_EQ(host.StalledRuns(), 0);
}

TEST_F(Kerfa, ExitWithATooLongLabelKeepsTheDialogOpen) {
    Machine().AddRemovableDisk('E', kClass31Bytes);
    // Only a program can put 12 characters into the box; typing stops at 11.
    Then([](FormatDialog& d) { d.SetDlgItemText(kIdLabelBox, "TWELVECHARSX"); });
    host.QueueClick(kIdExit);
    Then([](FormatDialog& d) { EXPECT_FALSE(d.Ended()); });
    StartUp();
    ASSERT_EQ(host.Boxes().size(), 1u);
    EXPECT_EQ(host.Boxes()[0].text, dlg::MaxCharsMessage(11));
    EXPECT_EQ(host.StalledRuns(), 1);
}

TEST_F(Kerfa, ExitWhileBusyAsksAndNeverEndsTheDialog) {
    Machine().AddRemovableDisk('E', kClass31Bytes);
    Then([](FormatDialog& d) { d.m_bBusy = 1; });
    host.QueueClick(kIdExit);
    host.Answer(dlg::IDNO);
    Then([](FormatDialog& d) {
        EXPECT_EQ(d.m_bBusy, 1);
        EXPECT_FALSE(d.Ended());
    });
    host.QueueClick(kIdExit);
    host.Answer(dlg::IDYES);
    Then([](FormatDialog& d) {
        EXPECT_EQ(d.m_bBusy, 0);
        EXPECT_FALSE(d.Ended());
    });
    StartUp();
    ASSERT_EQ(host.Boxes().size(), 2u);
    for (const auto& box : host.Boxes()) {
        EXPECT_EQ(box.text, "Are you sure?(Y/N)");
        EXPECT_EQ(box.caption, "Kerfa");
        EXPECT_EQ(box.style, dlg::MB_YESNO | dlg::MB_ICONQUESTION);
        EXPECT_EQ(box.ownerTemplate, kFormatDialogTemplate);
    }
    EXPECT_EQ(host.StalledRuns(), 1);  // the script's end closed it, not Exit
}

TEST_F(Kerfa, StopDuringALowFormatEndsTheJobSilentlyAndTheDialogStaysOpen) {
    Machine().AddRemovableDisk('E', kClass31Bytes);
    host.QueueClick(kIdLow);
    host.QueueClick(kIdFormatNow);
    host.Answer(dlg::IDYES);  // erase warning
    host.Answer(dlg::IDYES);  // stop question
    // The check follows the click, so that it runs once the job has ended.
    host.onPump = [this](int pump) {
        if (pump != 10) return;
        host.QueueClick(kIdExit);
        Then([](FormatDialog& d) {
            EXPECT_FALSE(d.Ended());
            EXPECT_EQ(d.m_bBusy, 0);
            EXPECT_EQ(d.GetDlgItemText(kIdExit), "Quit");
            EXPECT_EQ(d.GetDlgItemText(kIdCurrentLine), "Current:");
        });
    };
    StartUp();
    ASSERT_EQ(host.Boxes().size(), 2u);
    EXPECT_EQ(host.Boxes()[0].caption, "Warning");
    EXPECT_EQ(host.Boxes()[1].caption, "Kerfa");
    EXPECT_EQ(host.StalledRuns(), 1);
}

// ---- Exit's caption in each language ---------------------------------------------------

TEST_F(Kerfa, ExitCaptionBeforeAndAfterAJob) {
    struct Case {
        win32::LANGID language;
        const char* codePage;
        const char* before;
        const char* after;
    };
    const Case cases[] = {
        {0x0409, "ASCII", "Exit", "Quit"},
        {0x0804, "CP936", "退出", "退出"},
        {0x0404, "CP950", "退出", "退出"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        host = dlg::ScriptedHost();
        SimulatedMachine& machine = Machine();
        machine.SetLanguage(c.language);
        machine.AddRemovableDisk('E', kClass31Bytes);
        Then([&](FormatDialog& d) {
            EXPECT_EQ(Decode(d.GetDlgItemText(kIdExit), c.codePage), c.before);
        });
        host.QueueClick(kIdFull);
        host.QueueClick(kIdFormatNow);
        host.Answer(dlg::IDYES);
        Then([&](FormatDialog& d) {
            EXPECT_EQ(Decode(d.GetDlgItemText(kIdExit), c.codePage), c.after);
        });
        StartUp();
        ASSERT_EQ(host.Boxes().size(), 2u);  // the warning and the results
        EXPECT_EQ(host.Boxes()[1].caption, "Format Results - Removable Disk(E:)");
    }
}

TEST_F(Kerfa, LanguageSetsReachTheWindowTheControlsAndTheTexts) {
    struct Case {
        win32::LANGID language;
        const char* codePage;
        const char* window;
        const char* driveLabel;
        const char* lowButton;
        const char* stop;
        const char* totalLine;
    };
    const Case cases[] = {
        {0x0409, "ASCII", "Kerfa V1.1", "Drive:", "Low", "Stop", "Total Sectors:63488"},
        {0x0804, "CP936", "KerfaV1.1", "驱动器:", "低级", "停止", "总共扇区数:63488"},
        {0x0404, "CP950", "KerfaV1.1", "驅動器:", "低級", "停止", "總共扇區數:63488"},
        {0x0C04, "CP950", "KerfaV1.1", "驅動器:", "低級", "停止", "總共扇區數:63488"},
        {0x1004, "CP950", "KerfaV1.1", "驅動器:", "低級", "停止", "總共扇區數:63488"},
        {0x1404, "ASCII", "Kerfa V1.1", "Drive:", "Low", "Stop", "Total Sectors:63488"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        host = dlg::ScriptedHost();
        SimulatedMachine& machine = Machine();
        machine.SetLanguage(c.language);
        machine.AddRemovableDisk('E', kClass31Bytes);
        Then([&](FormatDialog& d) {
            EXPECT_EQ(Decode(d.WindowText(), c.codePage), c.window);
            EXPECT_EQ(Decode(d.GetDlgItemText(kIdDriveLabel), c.codePage), c.driveLabel);
            EXPECT_EQ(Decode(d.GetDlgItemText(kIdLow), c.codePage), c.lowButton);
            EXPECT_EQ(Decode(d.m_strStop, c.codePage), c.stop);
            EXPECT_EQ(Decode(d.GetDlgItemText(kIdTotalLine), c.codePage), c.totalLine);
            // The hidden controls stay hidden in every language.
            EXPECT_FALSE(d.Control(kIdHint)->visible);
            EXPECT_FALSE(d.Control(kIdFormatNowLegacy)->visible);
        });
        StartUp();
    }
}

// ---- the system menu and the about box ---------------------------------------------------

TEST_F(Kerfa, AboutItemFollowsASeparatorAtTheEndOfTheSystemMenu) {
    Machine().AddRemovableDisk('E', kClass31Bytes);
    Then([](FormatDialog& d) {
        const auto& menu = d.SystemMenu();
        ASSERT_GE(menu.size(), 2u);
        EXPECT_TRUE(menu[menu.size() - 2].separator);
        EXPECT_FALSE(menu.back().separator);
        EXPECT_EQ(menu.back().command, 16);
        EXPECT_EQ(menu.back().text, "&About ...");
    });
    // The low four bits of a system command are the system's own.
    for (int command : {16, 16 | 0x3}) {
        host.Queue(dlg::Event::SysCommand(command));
        host.QueueClick(dlg::IDOK);  // closes the about box
    }
    host.Queue(dlg::Event::SysCommand(dlg::SC_CLOSE));
    StartUp();
    EXPECT_EQ(host.ModalRuns(), (std::vector<int>{kFormatDialogTemplate, kFormatAboutTemplate,
                                                  kFormatAboutTemplate}));
    EXPECT_EQ(host.StalledRuns(), 0);
}

TEST(FormatAboutTemplate, HoldsTheIconTheTwoLinesAndOk) {
    const dlg::DialogTemplate& t = FormatAboutTemplate();
    EXPECT_EQ(t.id, 100);
    EXPECT_EQ(t.caption, "About");
    EXPECT_EQ(t.cx, 235);
    EXPECT_EQ(t.cy, 55);
    EXPECT_EQ(t.fontName, "MS Sans Serif");
    EXPECT_EQ(t.fontPoints, 8);
    EXPECT_TRUE(t.style & dlg::kSystemMenu);
    ASSERT_EQ(t.controls.size(), 4u);
    EXPECT_EQ(t.controls[0].kind, dlg::ControlKind::Icon);
    EXPECT_EQ(t.controls[0].iconId, 128);
    EXPECT_EQ(t.controls[0].rect.x, 11);
    EXPECT_EQ(t.controls[0].rect.y, 11);
    EXPECT_EQ(t.controls[1].caption, "Kerfa Version 1.1");
    EXPECT_EQ(t.controls[2].caption, "Copyright (C) 2002");
    EXPECT_EQ(t.controls[3].id, dlg::IDOK);
    EXPECT_EQ(t.controls[3].kind, dlg::ControlKind::DefPushButton);
    EXPECT_EQ(t.controls[3].caption, "OK");
}

// ---- template 102 ------------------------------------------------------------------------

TEST(FormatDialogTemplate, ControlsInTemplateOrder) {
    using K = dlg::ControlKind;
    struct Row {
        int id;
        K kind;
        const char* caption;
        int x, y, cx, cy;
        bool tabStop, hidden, disabled;
    };
    const Row rows[] = {
        {1003, K::DropDownList, "", 5, 19, 34, 52, true, false, false},
        {1008, K::EditBox, "", 5, 52, 77, 12, true, false, false},
        {1006, K::AutoRadioButton, "Quick", 105, 26, 36, 10, true, false, false},
        {1009, K::DefPushButton, "Format Now", 23, 97, 45, 14, true, false, false},
        {1, K::PushButton, "Exit", 87, 97, 45, 14, true, false, false},
        {1000, K::PushButton, "FormatNow", 35, 35, 41, 14, false, true, false},
        {1011, K::StaticText, "Please select a removable disk", 109, 34, 14, 8, false, true, false},
        {1007, K::AutoRadioButton, "Full", 105, 46, 36, 10, false, false, false},
        {1014, K::GroupBox, "Type", 94, 7, 57, 83, false, false, false},
        {1016, K::StaticText, "Volume:", 5, 39, 29, 8, false, false, false},
        {1012, K::StaticText, "Drive:", 5, 7, 29, 8, false, false, false},
        {1010, K::StaticText, "Size", 44, 23, 39, 12, false, false, false},
        {1013, K::StaticText, "Size:", 44, 7, 20, 8, false, false, false},
        {1017, K::AutoRadioButton, "Low", 105, 66, 36, 10, false, false, false},
        {1021, K::StaticText, "Current:", 5, 82, 88, 8, false, false, true},
        {1022, K::StaticText, "Total Sectors:", 5, 70, 88, 8, false, false, false},
    };
    const dlg::DialogTemplate& t = FormatDialogTemplate();
    EXPECT_EQ(t.id, 102);
    EXPECT_EQ(t.caption, "Kerfa V1.1");
    EXPECT_EQ(t.cx, 157);
    EXPECT_EQ(t.cy, 115);
    EXPECT_EQ(t.fontName, "MS Sans Serif");
    EXPECT_EQ(t.fontPoints, 8);
    for (unsigned style :
         {dlg::kCaption, dlg::kSystemMenu, dlg::kMinimizeBox, dlg::kModalFrame, dlg::kAppWindow})
        EXPECT_TRUE(t.style & style) << style;
    ASSERT_EQ(t.controls.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const auto& r = rows[i];
        const auto& c = t.controls[i];
        SCOPED_TRACE(r.id);
        EXPECT_EQ(c.id, r.id);
        EXPECT_EQ(c.kind, r.kind);
        EXPECT_EQ(c.caption, r.caption);
        EXPECT_EQ(c.rect.x, r.x);
        EXPECT_EQ(c.rect.y, r.y);
        EXPECT_EQ(c.rect.cx, r.cx);
        EXPECT_EQ(c.rect.cy, r.cy);
        EXPECT_EQ((c.style & dlg::kTabStop) != 0, r.tabStop);
        EXPECT_EQ((c.style & dlg::kHidden) != 0, r.hidden);
        EXPECT_EQ((c.style & dlg::kDisabled) != 0, r.disabled);
    }
    EXPECT_TRUE(t.Find(1003)->style & dlg::kSorted);
    EXPECT_TRUE(t.Find(1006)->style & dlg::kGroup);
}

TEST(FormatDialogIcon, MinimisedIconIsCentredWithRoundedHalves) {
    struct Case {
        int width, height, iconWidth, iconHeight, x, y;
    };
    const Case cases[] = {
        {100, 50, 32, 32, 34, 9},
        {101, 51, 32, 32, 35, 10},
        {32, 32, 32, 32, 0, 0},
        {160, 24, 16, 16, 72, 4},
    };
    for (const auto& c : cases) {
        const auto p =
            FormatDialog::MinimizedIconPosition(c.width, c.height, c.iconWidth, c.iconHeight);
        EXPECT_EQ(p.x, c.x);
        EXPECT_EQ(p.y, c.y);
    }
}

}  // namespace
}  // namespace kerfa
