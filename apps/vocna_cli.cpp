// vocna-cli: Vocna's player dialog driven from the terminal. It runs PlayerApp
// and PlayerDialog as they are, over the Linux machine, in the working
// directory as start directory, and plays the user's part: press the play
// button, pick FILE, then Exit. The media player plays through GStreamer.
#include <getopt.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "apps/media_playback.h"
#include "platform/dialog/terminal_host.h"
#include "platform/win32/linux/linux_win32.h"
#include "player/ui/media_player.h"
#include "player/ui/player_app.h"
#include "player/ui/player_dialog.h"
#include "player/ui/player_resources.h"

namespace {

constexpr int kExitPlayed = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr unsigned kVocnaCodePage = 1252;

constexpr char kUsage[] =
    "usage: vocna-cli [--no-output-mp3] [--no-play] FILE\n"
    "\n"
    "Converts the player's VRK sound file FILE to MP3 with Vocana's dialog, driven\n"
    "from the terminal, and plays the MP3. The working directory is Vocana's start\n"
    "directory, as if the program had been started there: the converter tools must\n"
    "lie in it, and its temporary files are made in it:\n"
    "  towave.exe    converts sound files of types 0 to 2 (first byte 05, 04, 03) to WAV\n"
    "  decodeA.exe   converts the bitstream of type-3 files (first byte 80) to PCM\n"
    "  mpegenc.exe   encodes the WAV or PCM file to MP3 (ours is built with Vocana)\n"
    "\n"
    "vocna-cli presses the play button (\"Vocana File...\"), answers the file dialog\n"
    "with FILE (made absolute), lets the conversion run and presses Exit, which\n"
    "removes the temporary files.\n"
    "\n"
    "  --no-output-mp3  uncheck \"Output .mp3 file\": the MP3 is the temporary\n"
    "                   tempMP3.mp3 in the working directory, removed at Exit;\n"
    "                   checked (the default) it is FILE's path up to its last '.'\n"
    "                   plus \".mp3\", and stays\n"
    "  --no-play        do not play the MP3\n"
    "  --help           show this text\n"
    "\n"
    "While a tool runs its wait message turns on a terminal (on standard error).\n"
    "Every message box is printed on standard output: its caption on one line, then\n"
    "its text, then an empty line. The MP3 is played to its end through GStreamer;\n"
    "the audio sink is $VOCNA_AUDIO_SINK when set (a gst-launch description such as\n"
    "\"fakesink sync=true\"), else the system's default. Ctrl-C during playback stops\n"
    "it and Exit follows.\n"
    "\n"
    "Exit status: 0 when the player was handed an MP3 (and, unless --no-play, played\n"
    "it to the end); 1 otherwise (a message box, a file that was not converted, a\n"
    "tool that could not start, an MP3 that could not be played); 2 for a usage error.\n";

std::atomic<bool> g_stopPlayback{false};

void StopPlayback(int) {
    g_stopPlayback = true;
}

// The terminal host with Vocana's media player and wait messages.
class VocnaTerminal final : public dlg::TerminalHost {
  public:
    VocnaTerminal(dlg::TerminalOptions options, bool play)
        : dlg::TerminalHost(options), play_(play), spinnerOnTerminal_(::isatty(STDERR_FILENO)) {}

    dlg::Dialog* MainDialog() const { return main_; }
    bool Played() const { return played_; }

    int RunModal(dlg::Dialog& dialog) override {
        if (main_ == nullptr) main_ = &dialog;
        const int result = dlg::TerminalHost::RunModal(dialog);
        if (&dialog != main_) EndSpinner();
        return result;
    }
    int MessageBox(dlg::Dialog* owner, const std::string& text, const std::string& caption,
                   unsigned style) override {
        EndSpinner();
        return dlg::TerminalHost::MessageBox(owner, text, caption, style);
    }
    void Changed(dlg::Dialog& dialog, int id) override {
        if (id == vocna::kIdWaitText || id == vocna::kIdBusyText) {
            ShowSpinner(text().ToUtf8(dialog.GetDlgItemText(id)));
        }
        dlg::TerminalHost::Changed(dialog, id);
    }
    void PropertySet(dlg::Dialog& dialog, int id, int dispatchId) override {
        if (id != vocna::kIdMediaPlayer || dispatchId != vocna::kFileNameDispatchId) return;
        const std::string name = dialog.GetItemProperty(id, dispatchId);
        if (!name.empty()) Play(name);
    }

  private:
    void ShowSpinner(const std::string& line) {
        if (line.empty()) return;
        if (spinnerOnTerminal_) {
            std::fprintf(stderr, "\r%s\x1b[K", line.c_str());
            spinnerShown_ = true;
            return;
        }
        // Elsewhere each wait message once, without its turning bar.
        const std::string message = line.substr(0, line.rfind(' '));
        if (message != lastMessage_) std::fprintf(stderr, "%s\n", message.c_str());
        lastMessage_ = message;
    }
    void EndSpinner() {
        if (spinnerShown_) std::fputs("\r\x1b[K", stderr);
        spinnerShown_ = false;
        lastMessage_.clear();
    }

    void Play(const std::string& name) {
        EndSpinner();
        std::error_code error;
        if (!std::filesystem::is_regular_file(name, error)) {
            std::fprintf(stderr, "vocna-cli: the player was given %s, which was not made\n",
                         name.c_str());
            return;
        }
        if (!play_) {
            played_ = true;
            return;
        }
        std::fprintf(stderr, "vocna-cli: playing %s\n", name.c_str());
        g_stopPlayback = false;
        struct sigaction stop {};
        stop.sa_handler = StopPlayback;
        struct sigaction previous {};
        ::sigaction(SIGINT, &stop, &previous);
        const vocna::cli::PlaybackResult result = vocna::cli::PlayToEnd(name, g_stopPlayback);
        ::sigaction(SIGINT, &previous, nullptr);
        if (!result.error.empty()) {
            std::fprintf(stderr, "vocna-cli: cannot play %s: %s\n", name.c_str(),
                         result.error.c_str());
            return;
        }
        played_ = true;
        if (result.reachedEnd) {
            std::fprintf(stderr, "vocna-cli: played to the end (%.2f s)\n", result.seconds);
        } else {
            std::fputs("vocna-cli: playback stopped\n", stderr);
        }
    }

    bool play_;
    bool spinnerOnTerminal_;
    bool spinnerShown_ = false;
    std::string lastMessage_;
    dlg::Dialog* main_ = nullptr;
    bool played_ = false;
};

int Usage(const char* problem) {
    if (problem != nullptr) std::fprintf(stderr, "vocna-cli: %s\n", problem);
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    bool outputMp3 = true;
    bool play = true;
    enum Option { kNoOutput = 1, kNoPlay, kHelp };
    static const option kOptions[] = {{"no-output-mp3", no_argument, nullptr, kNoOutput},
                                      {"no-play", no_argument, nullptr, kNoPlay},
                                      {"help", no_argument, nullptr, kHelp},
                                      {nullptr, 0, nullptr, 0}};
    opterr = 0;
    for (int c; (c = ::getopt_long(argc, argv, "+", kOptions, nullptr)) != -1;) {
        switch (c) {
            case kNoOutput:
                outputMp3 = false;
                break;
            case kNoPlay:
                play = false;
                break;
            case kHelp:
                std::fputs(kUsage, stdout);
                return kExitPlayed;
            default:
                return Usage("unknown option");
        }
    }
    if (optind != argc - 1) return Usage(optind >= argc ? "no FILE given" : "one FILE only");
    std::error_code error;
    const std::filesystem::path file = std::filesystem::absolute(argv[optind], error);
    if (error) return Usage("FILE cannot be made absolute");

    dlg::TerminalOptions options;
    options.codePage = kVocnaCodePage;
    VocnaTerminal host(options, play);
    win32::linux_host::LinuxWin32Options machineOptions;
    machineOptions.blockDevices = false;
    win32::linux_host::LinuxWin32 machine(machineOptions);

    // One step for the whole part of the user: the wait boxes' own loops then
    // see nothing but their timers.
    host.Queue(dlg::Event::Action([&] {
        dlg::Dialog* dialog = host.MainDialog();
        if (dialog == nullptr) return;
        if (!outputMp3) dialog->HandleEvent(dlg::Event::Click(vocna::kIdOutputMp3));
        host.AnswerFileOpen(file.string());
        dialog->HandleEvent(dlg::Event::Click(vocna::kIdPlayFile));
        dialog->HandleEvent(dlg::Event::Click(vocna::kIdPlayerExit));
    }));
    vocna::PlayerApp app(host, machine);
    app.InitInstance();

    if (host.Played()) return kExitPlayed;
    if (host.Boxes().empty()) {
        std::fprintf(stderr,
                     "vocna-cli: no MP3 was made from %s (are the tools in the working "
                     "directory %s?)\n",
                     file.c_str(), vocna::g_szStartDir);
    }
    return kExitFailed;
}
