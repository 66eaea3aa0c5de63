// Kerfa as the user sees it: the program started on a disk image, its dialog
// on a real display in each language, a Quick format checked by fsck.fat, a
// Low format stopped with the Stop button.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

// The program's own headers first: the toolkit defines TRUE and FALSE as
// macros, which the Win32 subset declares as constants.
#include "apps/kerfa_desktop_program.h"
#include "format/ui/format_dialog.h"
// clang-format off
#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>
// clang-format on
#include "platform/dialog/desktop/desktop_host.h"
#include "platform/dialog/desktop/message_box_window.h"
#include "platform/dialog/desktop/tests/gui_driver.h"
#include "testing/test_support.h"

namespace kerfa::desktop {
namespace {

using dlg::desktop::testing::PickFromWindowMenu;
using dlg::desktop::testing::Press;
using dlg::desktop::testing::RealClick;
using dlg::desktop::testing::RunUntil;
using dlg::desktop::testing::Screenshot;
using dlg::desktop::testing::ShotFolder;
using dlg::desktop::testing::TypeText;
using testing_support::RunCommand;
using testing_support::ShellQuote;

constexpr std::uint64_t kClass63Bytes = 66060288;  // 63 MiB class, 129024 sectors

void UseLocale(const char* locale) {
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    ::setenv("LANG", locale, 1);
}

struct LanguageCase {
    const char* locale;
    const char* shot;
    const char* caption;
    std::map<int, const char*> controls;  // caption of each control, UTF-8
    const char* totalLine;
};

const std::vector<LanguageCase>& Languages() {
    static const std::vector<LanguageCase> cases = {
        {"en_US.UTF-8",
         "kerfa_english.png",
         "Kerfa V1.1",
         {{kIdHint, "Please select a removable disk"},
          {kIdVolumeLabel, "Volume:"},
          {kIdDriveLabel, "Drive:"},
          {kIdSizeLabel, "Size:"},
          {kIdModeGroup, "Type"},
          {kIdQuick, "Quick"},
          {kIdFull, "Full"},
          {kIdLow, "Low"},
          {kIdFormatNow, "Format Now"},
          {kIdExit, "Exit"},
          {kIdFormatNowLegacy, "FormatNow"}},
         "Total Sectors:129024"},
        {"zh_CN.UTF-8",
         "kerfa_simplified_chinese.png",
         "KerfaV1.1",
         {{kIdHint, "请选择"},
          {kIdVolumeLabel, "卷标:"},
          {kIdDriveLabel, "驱动器:"},
          {kIdSizeLabel, "容量:"},
          {kIdModeGroup, "类型"},
          {kIdQuick, "快速"},
          {kIdFull, "全面"},
          {kIdLow, "低级"},
          {kIdFormatNow, "开始"},
          {kIdExit, "退出"}},
         "总共扇区数:129024"},
        {"zh_TW.UTF-8",
         "kerfa_traditional_chinese.png",
         "KerfaV1.1",
         {{kIdHint, "請選擇"},
          {kIdVolumeLabel, "卷標:"},
          {kIdDriveLabel, "驅動器:"},
          {kIdSizeLabel, "容量:"},
          {kIdModeGroup, "類型"},
          {kIdQuick, "快速"},
          {kIdFull, "全面"},
          {kIdLow, "低級"},
          {kIdFormatNow, "開始"},
          {kIdExit, "退出"}},
         "總共扇區數:129024"},
    };
    return cases;
}

class KerfaDesktopTest : public ::testing::Test {
  protected:
    KerfaDesktopTest() : image_(dir_ / "player.img") {
        testing_support::MakeSparseFile(image_, kClass63Bytes);
    }
    ~KerfaDesktopTest() override { UseLocale("C.UTF-8"); }

    KerfaOptions Options() const { return {{image_.string()}, false}; }
    static wxWindow* Control(dlg::DesktopHost& host, dlg::Dialog& d, int id) {
        return host.ControlWindow(d, id);
    }

    testing_support::TempDir dir_;
    std::filesystem::path image_;
};

TEST_F(KerfaDesktopTest, TheDialogShowsTheTemplateInEachLanguage) {
    for (const auto& language : Languages()) {
        UseLocale(language.locale);
        dlg::DesktopHost host(KerfaHostOptions());
        RegisterKerfaIcons(host);
        int shownDialogs = 0;
        host.onMessageBoxShown = [&](dlg::ShownMessageBox& box) {
            ADD_FAILURE() << language.locale << ": unexpected box " << box.text;
            box.window->Press(dlg::desktop::AnswersOf(box.style).back());
        };
        host.onWindowShown = [&](dlg::Dialog& d) {
            ++shownDialogs;
            wxDialog* window = host.WindowOf(d);
            EXPECT_EQ(window->GetTitle(), wxString::FromUTF8(language.caption)) << language.locale;
            for (const auto& [id, caption] : language.controls) {
                wxWindow* w = Control(host, d, id);
                ASSERT_NE(w, nullptr) << id;
                EXPECT_EQ(w->GetLabel(), wxString::FromUTF8(caption))
                    << language.locale << " " << id;
            }
            // The hidden controls stay hidden; the progress line is grey until Low.
            EXPECT_FALSE(Control(host, d, kIdHint)->IsShown());
            EXPECT_FALSE(Control(host, d, kIdFormatNowLegacy)->IsShown());
            EXPECT_FALSE(Control(host, d, kIdCurrentLine)->IsEnabled());
            EXPECT_EQ(Control(host, d, kIdSizeText)->GetLabel(), "63.00M");
            EXPECT_EQ(Control(host, d, kIdTotalLine)->GetLabel(),
                      wxString::FromUTF8(language.totalLine));
            auto* drives = dynamic_cast<wxChoice*>(Control(host, d, kIdDriveBox));
            ASSERT_EQ(drives->GetCount(), 1u);
            EXPECT_EQ(drives->GetSelection(), 0);
            EXPECT_EQ(window->GetDefaultItem(), Control(host, d, kIdFormatNow));
            EXPECT_EQ(d.IsDlgButtonChecked(kIdQuick), 1);
            EXPECT_GT(window->GetIcons().GetIconCount(), 0u);
            // The system menu's About item, offered by the window.
            ASSERT_EQ(d.SystemMenu().size(), 2u);
            EXPECT_EQ(d.SystemMenu()[1].command, kAboutCommand);
            // Nothing visible overlaps anything else but the mode frame.
            const wxRect client(wxPoint(0, 0), window->GetClientSize());
            std::vector<std::pair<int, wxRect>> shown;
            for (const auto& t : FormatDialogTemplate().controls) {
                wxWindow* w = Control(host, d, t.id);
                if (!w->IsShown()) continue;
                EXPECT_TRUE(client.Contains(w->GetRect())) << language.locale << " " << t.id;
                if (t.id != kIdModeGroup) shown.emplace_back(t.id, w->GetRect());
                // Every caption fits its control.
                if (t.kind != dlg::ControlKind::EditBox &&
                    t.kind != dlg::ControlKind::DropDownList) {
                    EXPECT_GE(w->GetSize().x, w->GetBestSize().x) << language.locale << " " << t.id;
                }
            }
            for (std::size_t i = 0; i < shown.size(); ++i) {
                for (std::size_t j = i + 1; j < shown.size(); ++j) {
                    EXPECT_FALSE(shown[i].second.Intersects(shown[j].second))
                        << language.locale << " " << shown[i].first << " " << shown[j].first;
                }
            }
            EXPECT_TRUE(Screenshot(window, ShotFolder() / language.shot));
            Press(Control(host, d, kIdExit));
        };
        EXPECT_EQ(RunKerfa(host, Options()), 0);
        EXPECT_EQ(shownDialogs, 1) << language.locale;
    }
}

TEST_F(KerfaDesktopTest, TheAboutItemOfTheWindowMenuOpensTheAboutBox) {
    UseLocale("en_US.UTF-8");
    dlg::DesktopHost host(KerfaHostOptions());
    RegisterKerfaIcons(host);
    std::vector<int> shown;
    host.onWindowShown = [&](dlg::Dialog& d) {
        shown.push_back(d.dialogTemplate().id);
        if (d.dialogTemplate().id == kFormatAboutTemplate) {
            EXPECT_EQ(host.WindowOf(d)->GetTitle(), "About");
            EXPECT_TRUE(Screenshot(host.WindowOf(d), ShotFolder() / "kerfa_about.png"));
            Press(Control(host, d, dlg::IDOK));
            return;
        }
        // A right click on the dialog's background opens the window menu;
        // its one item is picked with the keyboard, as a user would.
        PickFromWindowMenu(host.WindowOf(d), 0);
        if (!RunUntil([&] { return shown.size() >= 2; }, 10000)) {
            ADD_FAILURE() << "the window menu did not open the about box";
            Press(Control(host, d, kIdExit));
            return;
        }
        Press(Control(host, d, kIdExit));
    };
    RunKerfa(host, Options());
    EXPECT_EQ(shown, (std::vector<int>{kFormatDialogTemplate, kFormatAboutTemplate}));
}

TEST_F(KerfaDesktopTest, AQuickFormatRunsFromTheClickToTheResultsBox) {
    UseLocale("en_US.UTF-8");
    dlg::DesktopHost host(KerfaHostOptions());
    RegisterKerfaIcons(host);
    std::vector<std::string> captions;
    std::string results;
    host.onMessageBoxShown = [&](dlg::ShownMessageBox& box) {
        captions.push_back(box.caption);
        if (box.caption == "Warning") {
            EXPECT_EQ(box.style & dlg::MB_TYPEMASK, dlg::MB_YESNO);
            box.window->Press(dlg::IDYES);
            return;
        }
        if (box.caption.rfind("Format Results - Removable Disk(", 0) == 0) {
            results = box.text;
            EXPECT_TRUE(Screenshot(box.window, ShotFolder() / "kerfa_results.png"));
        }
        box.window->Press(dlg::desktop::AnswersOf(box.style).front());
    };
    bool formatted = false;
    host.onWindowShown = [&](dlg::Dialog& d) {
        if (d.dialogTemplate().id != kFormatDialogTemplate) return;
        TypeText(Control(host, d, kIdLabelBox), "PLAYER");
        Press(Control(host, d, kIdFormatNow));
        formatted = true;
        EXPECT_EQ(Control(host, d, kIdExit)->GetLabel(), "Quit");
        EXPECT_TRUE(Control(host, d, kIdFormatNow)->IsEnabled());
        Press(Control(host, d, kIdExit));
    };
    RunKerfa(host, Options());
    ASSERT_TRUE(formatted);
    ASSERT_EQ(captions.size(), 2u);
    EXPECT_EQ(captions[0], "Warning");
    EXPECT_EQ(captions[1], "Format Results - Removable Disk(D:)");
    EXPECT_NE(results.find("total disk space: "), std::string::npos) << results;
    EXPECT_NE(results.find("each allocation unit: 2048 bytes"), std::string::npos) << results;
    const auto fsck = RunCommand("fsck.fat -n " + ShellQuote(image_.string()));
    EXPECT_EQ(fsck.exitCode, 0) << fsck.output;
    const auto label =
        RunCommand("MTOOLS_SKIP_CHECK=1 mlabel -s -i " + ShellQuote(image_.string()) + " ::");
    EXPECT_NE(label.output.find("PLAYER"), std::string::npos) << label.output;
}

TEST_F(KerfaDesktopTest, ALowFormatStopsWithTheStopButtonAndItsConfirmation) {
    UseLocale("en_US.UTF-8");
    dlg::DesktopHost host(KerfaHostOptions());
    RegisterKerfaIcons(host);
    dlg::Dialog* main = nullptr;
    constexpr int kStopAt = 40;
    bool stopAsked = false;
    int pumpsAtStop = 0;
    std::vector<std::string> captions;
    host.onPump = [&](int count) {
        if (count == kStopAt - 1) {
            EXPECT_EQ(Control(host, *main, kIdExit)->GetLabel(), "Stop");
            EXPECT_FALSE(Control(host, *main, kIdFormatNow)->IsEnabled());
            EXPECT_TRUE(Screenshot(host.WindowOf(*main), ShotFolder() / "kerfa_low_running.png"));
        }
        // A real click through the display while the surface test runs.
        if (count == kStopAt) RealClick(Control(host, *main, kIdExit));
    };
    host.onMessageBoxShown = [&](dlg::ShownMessageBox& box) {
        captions.push_back(box.caption);
        if (box.caption == "Warning") return box.window->Press(dlg::IDYES);
        if (box.caption == "Kerfa" && box.text == "Are you sure?(Y/N)") {
            stopAsked = true;
            pumpsAtStop = host.PumpCount();
            return box.window->Press(dlg::IDYES);
        }
        box.window->Press(dlg::desktop::AnswersOf(box.style).front());
    };
    host.onWindowShown = [&](dlg::Dialog& d) {
        if (d.dialogTemplate().id != kFormatDialogTemplate) return;
        main = &d;
        Press(Control(host, d, kIdLow));
        EXPECT_TRUE(Control(host, d, kIdCurrentLine)->IsEnabled());
        Press(Control(host, d, kIdFormatNow));
        // The job has ended: the controls are back and Exit leaves again.
        EXPECT_TRUE(Control(host, d, kIdFormatNow)->IsEnabled());
        EXPECT_NE(Control(host, d, kIdExit)->GetLabel(), "Stop");
        Press(Control(host, d, kIdExit));
    };
    RunKerfa(host, Options());
    EXPECT_TRUE(stopAsked);
    EXPECT_GE(pumpsAtStop, kStopAt);
    // A 63 MiB disk has 4032 chunks of 32 sectors: the test ended well before.
    EXPECT_LT(host.PumpCount(), 4032);
    EXPECT_FALSE(wxIsBusy());
}

}  // namespace
}  // namespace kerfa::desktop
