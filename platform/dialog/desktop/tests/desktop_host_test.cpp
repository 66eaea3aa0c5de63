// The desktop host on a real display: windows from templates, the model kept
// in step, the framework's services.
#include "platform/dialog/desktop/desktop_host.h"

#include <fnmatch.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/filedlg.h>
#include <wx/radiobut.h>
#include <wx/statbmp.h>
#include <wx/textctrl.h>

#include "platform/dialog/desktop/ansi_text.h"
#include "platform/dialog/desktop/dialog_layout.h"
#include "platform/dialog/desktop/file_filter.h"
#include "platform/dialog/desktop/message_box_window.h"
#include "platform/dialog/desktop/tests/gui_driver.h"
#include "platform/dialog/desktop/tests/host_test_dialog.h"

extern const char kTestIconSvg[];

namespace dlg::desktop::testing {
namespace {

DesktopHostOptions OptionsFor(unsigned codePage) {
    DesktopHostOptions options;
    options.codePage = codePage;
    return options;
}

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

// ---- texts at the edge ------------------------------------------------------

struct TextCase {
    unsigned codePage;
    std::string bytes;
    const char* utf8;
};

TEST(AnsiText, DecodesEachCodePage) {
    const std::vector<TextCase> cases = {
        {1252, "Drive:", "Drive:"},
        // "Unsupported type" ends in A3 A1, which the Western code page shows
        // as a pound sign and an inverted exclamation mark.
        {1252, "type" + Bytes({0xA3, 0xA1}), "type\xC2\xA3\xC2\xA1"},
        // 驱动器: in GBK
        {936, Bytes({0xC7, 0xFD, 0xB6, 0xAF, 0xC6, 0xF7, ':'}),
         "\xE9\xA9\xB1\xE5\x8A\xA8\xE5\x99\xA8:"},
        // 驅動器: in Big5
        {950, Bytes({0xC5, 0x58, 0xB0, 0xCA, 0xBE, 0xB9, ':'}),
         "\xE9\xA9\x85\xE5\x8B\x95\xE5\x99\xA8:"},
    };
    for (const auto& c : cases) {
        AnsiText text(c.codePage);
        EXPECT_EQ(text.ToWx(c.bytes), wxString::FromUTF8(c.utf8)) << c.codePage;
        EXPECT_EQ(text.FromWx(wxString::FromUTF8(c.utf8)), c.bytes) << c.codePage;
    }
}

TEST(AnsiText, KeepsWhatItCanOfBrokenText) {
    AnsiText gbk(936);
    // A lead byte at the end has no second byte.
    EXPECT_EQ(gbk.ToWx("ab" + Bytes({0xC7})), wxString::FromUTF8("ab\xEF\xBF\xBD"));
    // A character GBK has no bytes for becomes '?', the rest stays.
    EXPECT_EQ(gbk.FromWx(wxString::FromUTF8("a\xE2\x98\x83"
                                            "b")),
              "a?b");
}

// ---- dialog units -------------------------------------------------------------

TEST(DialogLayout, BaseUnitsAndPixels) {
    // An extent of 422 pixels for the 52 letters: (422 / 26 + 1) / 2 = 8.
    const BaseUnits base = BaseUnitsOf(422, 17);
    EXPECT_EQ(base.x, 8);
    EXPECT_EQ(base.y, 17);
    // x 5 -> 10, y 19 -> 40.4 -> 40, right 39 -> 78, bottom 71 -> 150.9 -> 151.
    EXPECT_EQ(ToPixels({5, 19, 34, 52}, base), (PixelRect{10, 40, 68, 111}));
    EXPECT_EQ(ToPixels({23, 97, 45, 14}, {6, 13}), (PixelRect{35, 158, 67, 22}));
}

TEST(DialogLayout, ControlsGrowToWhatTheToolkitNeeds) {
    const BaseUnits base{8, 16};  // 2 pixels a unit each way
    const std::vector<LayoutItem> items = {
        // A button 20 pixels high that needs 30 grows around its centre.
        {ControlKind::PushButton, {10, 20, 40, 10}, {60, 30}, true},
        // A drop-down list shows at the toolkit's height from its top.
        {ControlKind::DropDownList, {10, 50, 40, 60}, {0, 34}, true},
        // A hidden control keeps its place and size and does not count.
        {ControlKind::StaticText, {90, 90, 10, 10}, {500, 500}, false},
        // Room enough: the template's size stands.
        {ControlKind::StaticText, {10, 70, 40, 8}, {50, 14}, true},
    };
    const ControlLayout layout = LayOut(items, 100, 100, base);
    EXPECT_EQ(layout.controls[0], (PixelRect{20, 35, 80, 30}));
    EXPECT_EQ(layout.controls[1], (PixelRect{20, 100, 80, 34}));
    EXPECT_EQ(layout.controls[2], (PixelRect{180, 180, 20, 20}));
    EXPECT_EQ(layout.controls[3], (PixelRect{20, 140, 80, 16}));
    EXPECT_EQ(layout.client, (PixelSize{200, 200}));
    // A control that reaches past the edge makes the dialog bigger, keeping
    // a margin of 4 units.
    const ControlLayout wide =
        LayOut({{ControlKind::PushButton, {80, 80, 20, 10}, {60, 40}, true}}, 100, 100, base);
    EXPECT_EQ(wide.client, (PixelSize{228, 200}));
}

// ---- the file-open filter -------------------------------------------------------

TEST(FileFilter, MatchesInAnyLetterCaseAndAllMeansAll) {
    const auto entries = ParseFileFilter("VRK File(*.vrk)|*.vrk|All File(*.*)|*.*||");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].description, "VRK File(*.vrk)");
    EXPECT_EQ(entries[1].description, "All File(*.*)");
    struct NameCase {
        const char* name;
        bool vrk;
    };
    for (const NameCase& c : std::vector<NameCase>{{"song.vrk", true},
                                                   {"SONG.VRK", true},
                                                   {"Song.Vrk", true},
                                                   {"song.vrkx", false},
                                                   {"song.mp3", false},
                                                   {"README", false}}) {
        bool matched = false;
        for (const auto& p : entries[0].patterns) matched |= fnmatch(p.c_str(), c.name, 0) == 0;
        EXPECT_EQ(matched, c.vrk) << c.name;
        EXPECT_EQ(fnmatch(entries[1].patterns.at(0).c_str(), c.name, 0), 0) << c.name;
    }
}

TEST(FileFilter, TheDesktopDialogFiltersThatWay) {
    DesktopHost host;
    const auto entries = ParseFileFilter("VRK File(*.vrk)|*.vrk|All File(*.*)|*.*||");
    wxFileDialog dialog(nullptr, "Open", "", "", wxString::FromUTF8(WildcardOf(entries)));
    GSList* filters = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(dialog.GetHandle()));
    ASSERT_EQ(g_slist_length(filters), 2u);
    auto passes = [](void* filter, const char* name) {
        GtkFileFilterInfo info{GTK_FILE_FILTER_DISPLAY_NAME, nullptr, nullptr, name, nullptr};
        return gtk_file_filter_filter(GTK_FILE_FILTER(filter), &info) != 0;
    };
    void* vrk = g_slist_nth_data(filters, 0);
    void* all = g_slist_nth_data(filters, 1);
    EXPECT_TRUE(passes(vrk, "a.vrk"));
    EXPECT_TRUE(passes(vrk, "B.VRK"));
    EXPECT_TRUE(passes(vrk, "c.vRk"));
    EXPECT_FALSE(passes(vrk, "d.mp3"));
    EXPECT_TRUE(passes(all, "noextension"));
    EXPECT_TRUE(passes(all, "e.mp3"));
    g_slist_free(filters);
}

TEST(FileFilter, TheProgramGetsTheAnswer) {
    DesktopHost host;
    std::string wildcardSeen;
    host.onFileOpen = [&](const FileOpenRequest&, const std::string& wildcard) {
        wildcardSeen = wildcard;
        return std::optional<std::string>("/music/A.VRK");
    };
    std::string path;
    EXPECT_TRUE(
        host.FileOpen(nullptr, {"vrk", "", 0, "VRK File(*.vrk)|*.vrk|All File(*.*)|*.*||"}, path));
    EXPECT_EQ(path, "/music/A.VRK");
    EXPECT_EQ(wildcardSeen, "VRK File(*.vrk)|*.[vV][rR][kK]|All File(*.*)|*");
    host.onFileOpen = [](const FileOpenRequest&, const std::string&) {
        return std::optional<std::string>();
    };
    EXPECT_FALSE(host.FileOpen(nullptr, {}, path));
}

// ---- message boxes -------------------------------------------------------------------

TEST(MessageBox, StylesGiveTheirButtonsAndIcons) {
    struct StyleCase {
        unsigned style;
        std::vector<int> answers;
        int escape;
        const char* art;
    };
    const std::vector<StyleCase> cases = {
        {MB_OK | MB_ICONERROR, {IDOK}, IDOK, wxART_ERROR},
        {MB_YESNO | MB_ICONQUESTION, {IDYES, IDNO}, 0, wxART_QUESTION},
        {MB_YESNO | MB_ICONWARNING, {IDYES, IDNO}, 0, wxART_WARNING},
        {MB_OKCANCEL | MB_ICONINFORMATION, {IDOK, IDCANCEL}, IDCANCEL, wxART_INFORMATION},
        {MB_OK, {IDOK}, IDOK, nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AnswersOf(c.style), c.answers) << c.style;
        EXPECT_EQ(EscapeAnswerOf(c.style), c.escape) << c.style;
        if (c.art) {
            EXPECT_STREQ(IconArtOf(c.style), c.art) << c.style;
        } else {
            EXPECT_EQ(IconArtOf(c.style), nullptr) << c.style;
        }
    }
}

TEST(MessageBox, ShowsOnScreenAndAnswersWithThePressedButton) {
    struct AnswerCase {
        unsigned codePage;
        unsigned style;
        int press;
        const char* buttonCaption;
    };
    const std::vector<AnswerCase> cases = {
        {1252, MB_YESNO | MB_ICONQUESTION, IDYES, "&Yes"},
        {1252, MB_YESNO | MB_ICONQUESTION, IDNO, "&No"},
        {1252, MB_OK | MB_ICONERROR, IDOK, "OK"},
        {1252, MB_OKCANCEL, IDCANCEL, "Cancel"},
        {936, MB_YESNO | MB_ICONWARNING, IDYES, "是(&Y)"},
        {950, MB_OK | MB_ICONINFORMATION, IDOK, "確定"},
    };
    for (const auto& c : cases) {
        DesktopHost host(OptionsFor(c.codePage));
        bool shown = false;
        host.onMessageBoxShown = [&](ShownMessageBox& box) {
            shown = box.window->IsShown();
            EXPECT_EQ(box.caption, "Kerfa");
            EXPECT_EQ(box.window->GetTitle(), "Kerfa");
            ASSERT_NE(box.window->ButtonOf(c.press), nullptr);
            EXPECT_EQ(box.window->ButtonOf(c.press)->GetLabel(),
                      wxString::FromUTF8(c.buttonCaption));
            box.window->Press(c.press);
        };
        EXPECT_EQ(host.MessageBox(nullptr, "Are you sure?(Y/N)", "Kerfa", c.style), c.press);
        EXPECT_TRUE(shown);
    }
}

TEST(MessageBox, AYesNoBoxIgnoresEscape) {
    DesktopHost host;
    host.onMessageBoxShown = [](ShownMessageBox& box) {
        wxKeyEvent escape(wxEVT_CHAR_HOOK);
        escape.m_keyCode = WXK_ESCAPE;
        box.window->ProcessWindowEvent(escape);
        EXPECT_TRUE(box.window->IsModal());
        box.window->Press(IDNO);
    };
    EXPECT_EQ(host.MessageBox(nullptr, "Stop?", "Kerfa", MB_YESNO), IDNO);
}

// ---- a dialog on screen ---------------------------------------------------------------------

class DesktopDialogTest : public ::testing::Test {
  protected:
    DesktopDialogTest() { host.RegisterIcon(kHostTestIcon, kTestIconSvg); }
    wxWindow* Control(Dialog& d, int id) { return host.ControlWindow(d, id); }

    DesktopHost host;
};

TEST_F(DesktopDialogTest, ShowsEveryControlOfTheTemplateWithItsState) {
    HostTestDialog dialog(host);
    bool checked = false;
    host.onWindowShown = [&](Dialog& d) {
        wxDialog* window = host.WindowOf(d);
        EXPECT_TRUE(window->IsShown());
        EXPECT_EQ(window->GetTitle(), "Host test");
        for (const auto& t : HostTestTemplate().controls) {
            wxWindow* w = Control(d, t.id);
            ASSERT_NE(w, nullptr) << t.id;
            if (t.kind != ControlKind::EditBox && t.kind != ControlKind::DropDownList &&
                t.kind != ControlKind::Icon) {
                EXPECT_EQ(w->GetLabel(), wxString(t.caption)) << t.id;
            }
            EXPECT_EQ(w->IsShown(), (t.style & kHidden) == 0) << t.id;
            EXPECT_EQ(w->IsEnabled(), (t.style & kDisabled) == 0) << t.id;
        }
        EXPECT_EQ(window->GetDefaultItem(), Control(d, kIdRun));
        EXPECT_FALSE(Control(d, kIdTwo)->CanAcceptFocusFromKeyboard());
        EXPECT_TRUE(Control(d, kIdOne)->CanAcceptFocusFromKeyboard());
        EXPECT_TRUE(dynamic_cast<wxRadioButton*>(Control(d, kIdOne))->GetValue());
        auto* list = dynamic_cast<wxChoice*>(Control(d, kIdList));
        ASSERT_EQ(list->GetCount(), 3u);
        EXPECT_EQ(list->GetString(1), "E:");
        EXPECT_EQ(list->GetSelection(), 0);
        EXPECT_TRUE(dynamic_cast<wxStaticBitmap*>(Control(d, kIdIcon))->GetBitmap().IsOk());
        EXPECT_TRUE(window->GetIcons().GetIconCount() > 0);
        // Every visible control lies inside the client area, none on another
        // except the group box around the radio buttons.
        const wxRect client(wxPoint(0, 0), window->GetClientSize());
        for (const auto& t : HostTestTemplate().controls) {
            wxWindow* w = Control(d, t.id);
            if (w->IsShown()) {
                EXPECT_TRUE(client.Contains(w->GetRect())) << t.id;
            }
        }
        EXPECT_TRUE(Screenshot(window, ShotFolder() / "host_test_dialog.png"));
        checked = true;
        Press(Control(d, IDOK));
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(checked);
    EXPECT_EQ(host.WindowOf(dialog), nullptr);
    EXPECT_FALSE(dialog.HasWindow());
}

TEST_F(DesktopDialogTest, WhatTheUserDoesReachesTheModel) {
    HostTestDialog dialog(host);
    host.onWindowShown = [&](Dialog& d) {
        Press(Control(d, kIdKeep));
        EXPECT_EQ(dialog.IsDlgButtonChecked(kIdKeep), 1);
        Press(Control(d, kIdKeep));
        EXPECT_EQ(dialog.IsDlgButtonChecked(kIdKeep), 0);
        Press(Control(d, kIdTwo));
        EXPECT_EQ(dialog.IsDlgButtonChecked(kIdOne), 0);
        EXPECT_EQ(dialog.IsDlgButtonChecked(kIdTwo), 1);
        EXPECT_FALSE(dynamic_cast<wxRadioButton*>(Control(d, kIdOne))->GetValue());
        Pick(Control(d, kIdList), 2);
        EXPECT_EQ(dialog.Control(kIdList)->selection, 2);
        EXPECT_EQ(dialog.selections, 1);
        TypeText(Control(d, kIdName), "PLAYER");
        EXPECT_EQ(dialog.GetDlgItemText(kIdName), "PLAYER");
        // The model's changes show at once.
        dialog.SetDlgItemText(kIdGrey, "Total Sectors:129024");
        EXPECT_EQ(Control(d, kIdGrey)->GetLabel(), "Total Sectors:129024");
        dialog.EnableItem(kIdGrey, true);
        EXPECT_TRUE(Control(d, kIdGrey)->IsEnabled());
        dialog.SetWindowText("Renamed");
        EXPECT_EQ(host.WindowOf(d)->GetTitle(), "Renamed");
        // A disabled button's click does not reach the handler.
        dialog.EnableItem(kIdStop, false);
        Press(Control(d, kIdStop));
        EXPECT_EQ(dialog.stops, 0);
        // Enter presses the default button, Escape cancels.
        dialog.EnableItem(kIdRun, false);
        wxKeyEvent enter(wxEVT_CHAR_HOOK);
        enter.m_keyCode = WXK_RETURN;
        Control(d, kIdName)->SetFocus();
        host.WindowOf(d)->ProcessWindowEvent(enter);
        EXPECT_EQ(dialog.runs, 0);  // disabled
        wxKeyEvent escape(wxEVT_CHAR_HOOK);
        escape.m_keyCode = WXK_ESCAPE;
        host.WindowOf(d)->ProcessWindowEvent(escape);
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.m_strName, "");  // cancel saves nothing
}

TEST_F(DesktopDialogTest, TheLimitCountsBytesOfTheCodePage) {
    DesktopHost gbkHost(OptionsFor(936));
    HostTestDialog dialog(gbkHost);
    gbkHost.onWindowShown = [&](Dialog& d) {
        // Six characters of two bytes each: only five fit into 11 bytes.
        TypeText(gbkHost.ControlWindow(d, kIdName), "卷标卷标卷标");
        EXPECT_EQ(dialog.GetDlgItemText(kIdName).size(), 10u);
        EXPECT_EQ(dynamic_cast<wxTextCtrl*>(gbkHost.ControlWindow(d, kIdName))->GetValue(),
                  wxString::FromUTF8("卷标卷标卷"));
        Press(gbkHost.ControlWindow(d, IDOK));
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_strName,
              Bytes({0xBE, 0xED, 0xB1, 0xEA, 0xBE, 0xED, 0xB1, 0xEA, 0xBE, 0xED}));
}

TEST_F(DesktopDialogTest, TheCloseBoxIsTheCancelCommand) {
    HostTestDialog dialog(host);
    host.onWindowShown = [&](Dialog& d) { host.WindowOf(d)->Close(); };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

TEST_F(DesktopDialogTest, AStopClickReachesALongJobThroughTheOnePendingEvent) {
    HostTestDialog dialog(host);
    constexpr int kClickAt = 20;
    host.onPump = [&](int count) {
        // A real click through the display, while the job runs.
        if (count == kClickAt) RealClick(host.ControlWindow(dialog, kIdStop));
    };
    host.onWindowShown = [&](Dialog& d) {
        Press(Control(d, kIdRun));
        Press(Control(d, IDOK));
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.runs, 1);
    EXPECT_EQ(dialog.stops, 1);
    EXPECT_TRUE(dialog.stopRequested);
    EXPECT_GE(dialog.pumpsInRun, kClickAt);
    EXPECT_LT(dialog.pumpsInRun, 200000);
}

TEST_F(DesktopDialogTest, TimersTickUntilTheDialogEndsItself) {
    HostTestDialog dialog(host);
    dialog.onInit = [](HostTestDialog& d) { d.SetTimer(7, 20); };
    std::vector<unsigned> ids;
    dialog.onTimer = [&](HostTestDialog& d, unsigned id) {
        ids.push_back(id);
        if (d.timerTicks == 3) d.EndDialog(IDOK);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(ids, (std::vector<unsigned>{7, 7, 7}));
}

TEST_F(DesktopDialogTest, ModalRunsNestAndModelessWindowsComeAndGo) {
    HostTestDialog outer(host);
    int innerResult = 0;
    bool modelessSeen = false;
    host.onWindowShown = [&](Dialog& d) {
        if (&d != &outer) return;
        {
            HostTestDialog modeless(host, &outer);
            modeless.Create();
            modelessSeen = host.WindowOf(modeless) && host.WindowOf(modeless)->IsShown() &&
                           !host.WindowOf(modeless)->IsModal();
            modeless.SetDlgItemText(kIdGrey, "busy");
            EXPECT_EQ(host.ControlWindow(modeless, kIdGrey)->GetLabel(), "busy");
            modeless.DestroyWindow();
            EXPECT_EQ(host.WindowOf(modeless), nullptr);
        }
        HostTestDialog inner(host, &outer);
        inner.onInit = [](HostTestDialog& i) { i.SetTimer(1, 10); };
        inner.onTimer = [](HostTestDialog& i, unsigned) { i.EndDialog(IDCANCEL); };
        innerResult = inner.DoModal();
        // The outer run goes on after the inner one has ended.
        EXPECT_TRUE(host.WindowOf(outer)->IsModal());
        outer.EndDialog(IDOK);
    };
    EXPECT_EQ(outer.DoModal(), IDOK);
    EXPECT_EQ(innerResult, IDCANCEL);
    EXPECT_TRUE(modelessSeen);
}

TEST_F(DesktopDialogTest, ADialogThatEndsInItsInitialisationNeverShows) {
    HostTestDialog dialog(host);
    dialog.onInit = [](HostTestDialog& d) { d.EndDialog(IDCANCEL); };
    bool shown = false;
    host.onWindowShown = [&](Dialog&) { shown = true; };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    Settle(50);
    EXPECT_FALSE(shown);
}

TEST_F(DesktopDialogTest, TheWaitCursorComesAndGoes) {
    host.SetCursor(Cursor::Wait);
    EXPECT_TRUE(wxIsBusy());
    host.SetCursor(Cursor::Wait);
    host.SetCursor(Cursor::Arrow);
    EXPECT_FALSE(wxIsBusy());
}

}  // namespace
}  // namespace dlg::desktop::testing
