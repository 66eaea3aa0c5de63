// Vocna as the user sees it: the player dialog on a real display with the
// template's controls, the About item, and the media player control ready.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

// The program's own headers first: the toolkit defines TRUE and FALSE as
// macros, which the Win32 subset declares as constants.
#include "apps/vocna_desktop_program.h"
#include "player/ui/player_resources.h"
// clang-format off
#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>
// clang-format on
#include "platform/dialog/desktop/media_player_window.h"
#include "platform/dialog/desktop/message_box_window.h"
#include "platform/dialog/desktop/tests/counting_audio_sink.h"
#include "platform/dialog/desktop/tests/gui_driver.h"
#include "testing/test_support.h"

namespace vocna::desktop {
namespace {

using dlg::desktop::testing::PickFromWindowMenu;
using dlg::desktop::testing::Press;
using dlg::desktop::testing::RunUntil;
using dlg::desktop::testing::Screenshot;
using dlg::desktop::testing::ShotFolder;

TEST(VocnaDesktop, TheDialogShowsTheTemplate) {
    dlg::DesktopHost host(VocnaHostOptions());
    RegisterVocnaIcons(host);
    int shown = 0;
    host.onMessageBoxShown = [&](dlg::ShownMessageBox& box) {
        ADD_FAILURE() << "unexpected box " << box.text;
        box.window->Press(dlg::desktop::AnswersOf(box.style).back());
    };
    host.onWindowShown = [&](dlg::Dialog& d) {
        ++shown;
        wxDialog* window = host.WindowOf(d);
        EXPECT_EQ(window->GetTitle(), "Orvane Vocana");
        EXPECT_EQ(host.ControlWindow(d, kIdPlayerExit)->GetLabel(), "Exit");
        EXPECT_EQ(window->GetDefaultItem(), host.ControlWindow(d, kIdPlayerExit));
        EXPECT_EQ(host.ControlWindow(d, kIdPlayFile)->GetLabel(), "Vocana File...");
        auto* output = dynamic_cast<wxCheckBox*>(host.ControlWindow(d, kIdOutputMp3));
        EXPECT_EQ(output->GetLabel(), "Output .mp3 file");
        EXPECT_TRUE(output->GetValue());
        auto* path = dynamic_cast<wxTextCtrl*>(host.ControlWindow(d, kIdPathBox));
        EXPECT_FALSE(path->IsEditable());
        auto* player = host.MediaPlayerOf(d, kIdMediaPlayer);
        ASSERT_NE(player, nullptr);
        EXPECT_EQ(player->state(), dlg::desktop::MediaPlayerWindow::State::Empty);
        EXPECT_GT(window->GetIcons().GetIconCount(), 0u);
        ASSERT_EQ(d.SystemMenu().size(), 2u);
        EXPECT_EQ(d.SystemMenu()[1].text, "&About Vocana...");
        const wxRect client(wxPoint(0, 0), window->GetClientSize());
        for (const auto& t : PlayerDialogTemplate().controls)
            EXPECT_TRUE(client.Contains(host.ControlWindow(d, t.id)->GetRect())) << t.id;
        EXPECT_TRUE(Screenshot(window, ShotFolder() / "vocna.png"));
        Press(host.ControlWindow(d, kIdPlayerExit));
    };
    EXPECT_EQ(RunVocna(host), 0);
    EXPECT_EQ(shown, 1);
}

TEST(VocnaDesktop, TheAboutItemOpensTheAboutBox) {
    dlg::DesktopHost host(VocnaHostOptions());
    RegisterVocnaIcons(host);
    std::vector<int> shown;
    host.onWindowShown = [&](dlg::Dialog& d) {
        shown.push_back(d.dialogTemplate().id);
        if (d.dialogTemplate().id == kPlayerAboutTemplate) {
            EXPECT_TRUE(Screenshot(host.WindowOf(d), ShotFolder() / "vocna_about.png"));
            Press(host.ControlWindow(d, dlg::IDOK));
            return;
        }
        if (shown.size() == 1) {
            PickFromWindowMenu(host.WindowOf(d), 0);
            if (!RunUntil([&] { return shown.size() >= 2; }, 10000))
                ADD_FAILURE() << "the window menu did not open the about box";
        }
        Press(host.ControlWindow(d, kIdPlayerExit));
    };
    RunVocna(host);
    EXPECT_EQ(shown, (std::vector<int>{kPlayerDialogTemplate, kPlayerAboutTemplate}));
}

// The whole chain on the desktop: the play button, the file dialog, the
// stand-in towave and our mpegenc in a start directory with a blank, and the
// media control playing the MP3 into the counting sink.
TEST(VocnaDesktop, ConvertsASoundFileAndPlaysTheMp3) {
    namespace fs = std::filesystem;
    using dlg::desktop::testing::CountedSoFar;
    dlg::desktop::testing::RegisterCountingAudioSink();
    dlg::desktop::testing::ResetCounts();
    testing_support::TempDir temp;
    const fs::path start = temp.path() / "Vocana start";
    fs::create_directories(start);
    fs::copy_file(KV_STANDIN_TOOL, start / "towave.exe");
    fs::copy_file(KV_MPEGENC, start / "mpegenc.exe");
    const fs::path sound = temp.path() / "R001.vrk";
    std::vector<std::uint8_t> contents(1024, 0x11);
    contents[0] = 0x05;
    testing_support::WriteBytes(sound, contents);
    const fs::path before = fs::current_path();
    fs::current_path(start);

    dlg::DesktopHost host(VocnaHostOptions());
    RegisterVocnaIcons(host);
    std::vector<std::string> requests;
    host.onFileOpen = [&](const dlg::FileOpenRequest& request, const std::string&) {
        requests.push_back(request.filter);
        return std::optional<std::string>(sound.string());
    };
    host.onMessageBoxShown = [&](dlg::ShownMessageBox& box) {
        ADD_FAILURE() << "unexpected box " << box.text;
        box.window->Press(dlg::desktop::AnswersOf(box.style).back());
    };
    std::vector<int> shown;
    std::string pathShown;
    bool played = false;
    host.onWindowShown = [&](dlg::Dialog& d) {
        shown.push_back(d.dialogTemplate().id);
        if (d.dialogTemplate().id != kPlayerDialogTemplate) return;
        Press(host.ControlWindow(d, kIdPlayFile));
        auto* player = host.MediaPlayerOf(d, kIdMediaPlayer);
        played = RunUntil([] { return CountedSoFar().ended; }, 60000);
        EXPECT_EQ(player->path(), (temp.path() / "R001.mp3").string());
        pathShown = dynamic_cast<wxTextCtrl*>(host.ControlWindow(d, kIdPathBox))->GetValue();
        EXPECT_TRUE(Screenshot(host.WindowOf(d), ShotFolder() / "vocna_played.png"));
        Press(host.ControlWindow(d, kIdPlayerExit));
    };
    EXPECT_EQ(RunVocna(host), 0);
    fs::current_path(before);

    EXPECT_TRUE(played);
    EXPECT_EQ(requests, std::vector<std::string>{"VRK File(*.vrk)|*.vrk|All File(*.*)|*.*||"});
    // The wait box came up while each of the two tools ran.
    EXPECT_EQ(std::count(shown.begin(), shown.end(), kWaitDialogTemplate), 2);
    EXPECT_EQ(pathShown, "\"" + sound.string() + "\"");
    // Half a second of sound reached the sink.
    EXPECT_GT(CountedSoFar().bytes, 0u);
    EXPECT_TRUE(fs::exists(temp.path() / "R001.mp3"));
    EXPECT_FALSE(fs::exists(start / "temp000.wav"));
}

}  // namespace
}  // namespace vocna::desktop
