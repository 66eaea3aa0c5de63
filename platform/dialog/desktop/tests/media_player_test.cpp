// The media player control on GStreamer: a file plays once its name is set,
// an empty name stops and lets go of the file, and a file that cannot be
// played is reported.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/dialog/desktop/desktop_host.h"
#include "platform/dialog/desktop/media_player_window.h"
#include "platform/dialog/desktop/message_box_window.h"
#include "platform/dialog/desktop/tests/counting_audio_sink.h"
#include "platform/dialog/desktop/tests/gui_driver.h"
#include "testing/test_support.h"

namespace dlg::desktop::testing {
namespace {

using State = MediaPlayerWindow::State;
using testing_support::RunCommand;
using testing_support::ShellQuote;

constexpr int kPlayerId = 1000;
constexpr int kFileName = 1026;
constexpr unsigned kSampleRate = 44100;

const DialogTemplate& PlayerTemplate() {
    static const DialogTemplate t{
        600,
        "Player test",
        228,
        80,
        "MS Sans Serif",
        8,
        kCaption | kSystemMenu | kModalFrame | kPopup | kVisible,
        {
            {kPlayerId, ControlKind::MediaPlayer, "", {18, 7, 198, 47}, kTabStop},
            {IDOK, ControlKind::DefPushButton, "OK", {164, 60, 50, 14}, kTabStop},
        },
    };
    return t;
}

// Whether this process still has the file open.
bool ProcessHoldsFile(const std::filesystem::path& file) {
    const auto target = std::filesystem::weakly_canonical(file);
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const auto link = std::filesystem::read_symlink(fd.path(), error);
        if (!error && link == target) return true;
    }
    return false;
}

class MediaPlayerTest : public ::testing::Test {
  protected:
    MediaPlayerTest() {
        RegisterCountingAudioSink();
        ResetCounts();
        options_.mediaOpenTimeoutMs = 8000;
    }

    // One second of a tone, encoded by LAME.
    std::filesystem::path MakeMp3() {
        const auto wav = dir_ / "tone.wav";
        const auto mp3 = dir_ / "tone.mp3";
        auto made = RunCommand("sox -n -r " + std::to_string(kSampleRate) + " -c 1 -b 16 " +
                               ShellQuote(wav.string()) + " synth 1 sine 440 && lame --quiet " +
                               ShellQuote(wav.string()) + " " + ShellQuote(mp3.string()));
        EXPECT_EQ(made.exitCode, 0) << made.output;
        return mp3;
    }

    // Runs the dialog; `act` is called with the player once it is on screen.
    std::vector<ShownMessageBox> Run(const std::function<void(Dialog&, MediaPlayerWindow&)>& act) {
        DesktopHost host(options_);
        Dialog dialog(host, PlayerTemplate());
        std::vector<ShownMessageBox> boxes;
        host.onMessageBoxShown = [&](ShownMessageBox& box) {
            boxes.push_back(box);
            box.window->Press(IDOK);
        };
        host.onWindowShown = [&](Dialog& d) {
            act(d, *host.MediaPlayerOf(d, kPlayerId));
            d.EndDialog(IDOK);
        };
        dialog.DoModal();
        return boxes;
    }

    testing_support::TempDir dir_;
    DesktopHostOptions options_;
};

TEST_F(MediaPlayerTest, PlaysTheFileOnceItsNameIsSetAndLetsGoOfItOnAnEmptyName) {
    const auto mp3 = MakeMp3();
    std::vector<State> states;
    const auto boxes = Run([&](Dialog& d, MediaPlayerWindow& player) {
        player.onStateChanged = [&](State s) { states.push_back(s); };
        d.SetItemProperty(kPlayerId, kFileName, mp3.string());
        EXPECT_EQ(player.state(), State::Opening);
        ASSERT_TRUE(RunUntil([] { return CountedSoFar().ended; }));
        EXPECT_TRUE(Screenshot(player.GetParent(), ShotFolder() / "media_player.png"));
        d.SetItemProperty(kPlayerId, kFileName, "");
        EXPECT_EQ(player.state(), State::Empty);
        EXPECT_TRUE(RunUntil([&] { return !ProcessHoldsFile(mp3); }, 5000));
    });
    EXPECT_TRUE(boxes.empty());
    ASSERT_GE(states.size(), 3u);
    EXPECT_EQ(states[0], State::Opening);
    EXPECT_EQ(states[1], State::Playing);
    EXPECT_EQ(states.back(), State::Empty);
    // A second of mono sound at 44.1 kHz: at least 44100 samples of 2 bytes
    // each reached the sink, whatever sample format the decoder chose.
    EXPECT_GE(CountedSoFar().bytes, kSampleRate * 2 * 9 / 10);
}

TEST_F(MediaPlayerTest, ABrokenFileIsReported) {
    const auto broken = dir_ / "broken.mp3";
    testing_support::WriteBytes(broken, std::vector<std::uint8_t>(4096, 0x5A));
    State final = State::Empty;
    const auto boxes = Run([&](Dialog& d, MediaPlayerWindow& player) {
        d.SetItemProperty(kPlayerId, kFileName, broken.string());
        ASSERT_TRUE(RunUntil([&] { return player.state() == State::Failed; }));
        final = player.state();
    });
    EXPECT_EQ(final, State::Failed);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Player test");
    EXPECT_EQ(boxes[0].style, MB_OK | MB_ICONERROR);
    EXPECT_EQ(boxes[0].text.rfind("broken.mp3 cannot be played: ", 0), 0u) << boxes[0].text;
    EXPECT_EQ(CountedSoFar().buffers, 0u);
}

TEST_F(MediaPlayerTest, AMissingDecoderIsReported) {
    const auto mp3 = MakeMp3();
    // Take every MP3 decoder out of this process's choice.
    GstCaps* caps = gst_caps_from_string("audio/mpeg, mpegversion=(int)1, layer=(int)3");
    GList* decoders =
        gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_DECODER, GST_RANK_NONE);
    GList* mp3Decoders = gst_element_factory_list_filter(decoders, caps, GST_PAD_SINK, FALSE);
    std::vector<std::pair<GstPluginFeature*, guint>> ranks;
    for (GList* l = mp3Decoders; l; l = l->next) {
        auto* feature = GST_PLUGIN_FEATURE(l->data);
        ranks.emplace_back(feature, gst_plugin_feature_get_rank(feature));
        gst_plugin_feature_set_rank(feature, GST_RANK_NONE);
    }
    ASSERT_FALSE(ranks.empty());
    const auto boxes = Run([&](Dialog& d, MediaPlayerWindow& player) {
        d.SetItemProperty(kPlayerId, kFileName, mp3.string());
        ASSERT_TRUE(RunUntil([&] { return player.state() == State::Failed; }));
    });
    for (auto& [feature, rank] : ranks) gst_plugin_feature_set_rank(feature, rank);
    gst_plugin_feature_list_free(mp3Decoders);
    gst_plugin_feature_list_free(decoders);
    gst_caps_unref(caps);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("no decoder"), std::string::npos) << boxes[0].text;
    EXPECT_EQ(CountedSoFar().buffers, 0u);
}

TEST_F(MediaPlayerTest, WhatIsNoOrdinaryFileIsReportedWithoutWaiting) {
    // A named pipe nobody writes to: opening it would wait for ever.
    const auto pipe = dir_ / "stuck.mp3";
    ASSERT_EQ(RunCommand("mkfifo " + ShellQuote(pipe.string())).exitCode, 0);
    const auto missing = dir_ / "gone.mp3";
    std::vector<State> states;
    const auto boxes = Run([&](Dialog& d, MediaPlayerWindow& player) {
        d.SetItemProperty(kPlayerId, kFileName, pipe.string());
        states.push_back(player.state());
        d.SetItemProperty(kPlayerId, kFileName, missing.string());
        states.push_back(player.state());
    });
    EXPECT_EQ(states, (std::vector<State>{State::Failed, State::Failed}));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "stuck.mp3 cannot be played: it is no ordinary file.");
    EXPECT_EQ(boxes[1].text, "gone.mp3 cannot be played: the file cannot be found.");
}

TEST_F(MediaPlayerTest, AFileThatDoesNotOpenInTimeIsReported) {
    const auto mp3 = MakeMp3();
    // No decoder opens a file within a millisecond.
    options_.mediaOpenTimeoutMs = 1;
    const auto boxes = Run([&](Dialog& d, MediaPlayerWindow& player) {
        d.SetItemProperty(kPlayerId, kFileName, mp3.string());
        ASSERT_TRUE(RunUntil([&] { return player.state() == State::Failed; }));
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("did not open within"), std::string::npos) << boxes[0].text;
}

}  // namespace
}  // namespace dlg::desktop::testing
