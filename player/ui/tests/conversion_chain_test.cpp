// The conversion chain on the simulated machine: the exact command lines and
// start-up of every tool, the order of the steps, what each failure shows
// and which files are made and removed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialog/message_box.h"
#include "platform/dialog/scripted_host.h"
#include "platform/win32/simulated/simulated_machine.h"
#include "player/ui/player_app.h"
#include "player/ui/player_dialog.h"
#include "player/ui/player_resources.h"
#include "player/ui/wait_dialogs.h"
#include "testing/test_support.h"

namespace vocna {
namespace {

using dlg::Event;

void WriteText(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    testing_support::WriteBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}
using win32::sim::SimulatedMachine;
using win32::sim::SimulatedProcess;

// Table paths name the start directory {D} (its name has a blank, as a
// user's folder may) and the music folder {M}; both are real folders, which
// the simulated machine reaches through paths that start with '/'.
const std::string kTowave = "{D}/towave.exe";
const std::string kDecodeA = "{D}/decodeA.exe ";
const std::string kMpegenc = "{D}/mpegenc.exe ";
const std::string kWav = "{D}/temp000.wav";
const std::string kPcm = "{D}/temp000.pcm";
const std::string kSbs = "{D}/temp.sbs";
const std::string kTempMp3 = "{D}/tempMP3.mp3";

constexpr std::size_t kHeader = 512;
constexpr std::size_t kBlock = 512;

std::string WaveSoundFile(char firstByte) {
    std::string file(kHeader + kBlock, '\x11');
    file[0] = firstByte;
    return file;
}

// A type-3 sound file of two blocks; block bytes count up from 1.
std::string FramesSoundFile() {
    std::string file(kHeader, '\0');
    file[0] = '\x80';
    for (std::size_t i = 0; i < 2 * kBlock; ++i) file += static_cast<char>(1 + i % 251);
    return file;
}

// What the decoder must be given for FramesSoundFile: per block 51 frames,
// each frame's two 5-byte halves interleaved; the 2 spare bytes dropped.
std::string FramesBitstream() {
    const std::string file = FramesSoundFile();
    std::string out;
    for (std::size_t block = 0; block < 2; ++block) {
        const std::size_t at = kHeader + block * kBlock;
        for (std::size_t frame = 0; frame < 51; ++frame) {
            for (std::size_t k = 0; k < 5; ++k) {
                out += file[at + frame * 10 + k];
                out += file[at + frame * 10 + 5 + k];
            }
        }
    }
    return out;
}

// The simulated tools: each writes its output (the last quoted path of its
// line) and runs for two polls. A tool named in `missing` cannot start.
class ChainTest : public ::testing::Test {
  protected:
    ChainTest() : machine_(win32::sim::Flavour::Windows2K) {
        start_ = (temp_.path() / "Vocana Tools").string();
        music_ = (temp_.path() / "music").string();
        std::filesystem::create_directories(start_);
        std::filesystem::create_directories(music_);
        std::strcpy(g_szStartDir, start_.c_str());
        WaitDialog::s_nSpinStep = 1;
        machine_.OnProcess([this](const std::string& line) {
            SimulatedProcess program;
            lines_.push_back(line);
            for (const std::string& tool : missing_) {
                if (line.rfind("\"" + R(tool) + "\"", 0) == 0) program.startFails = true;
            }
            if (program.startFails) return program;
            if (line.find(R(kSbs)) != std::string::npos) bitstreamSeen_ = ReadFile(R(kSbs));
            const std::size_t close = line.rfind('"');
            const std::size_t open = line.rfind('"', close - 1);
            const std::string output = line.substr(open + 1, close - open - 1);
            program.atStart = [output] { WriteText(output, "output of a tool"); };
            program.runningPolls = 2;
            return program;
        });
    }
    ~ChainTest() override {
        EXPECT_EQ(machine_.OpenHandles(), 0);
        g_szStartDir[0] = '\0';
    }

    // Runs the dialog: each click of the play button answered by one file,
    // then Exit when `exit`. The whole script is one step, so that the wait
    // boxes' own loops see nothing but their timers.
    void Run(const std::vector<std::optional<std::string>>& files, bool outputChecked = true,
             bool exit = true) {
        PlayerDialog dialog(host_, machine_);
        host_.Queue(Event::Action([&] {
            if (!outputChecked) dialog.HandleEvent(Event::Click(kIdOutputMp3));
            for (const auto& file : files) {
                host_.AnswerFileOpen(file);
                dialog.HandleEvent(Event::Click(kIdPlayFile));
            }
            shown_ = dialog.GetDlgItemText(kIdPathBox);
            playFile_ = dialog.m_strPlayFile;
            tempFile_ = dialog.m_strTempFile;
            if (exit) {
                dialog.HandleEvent(Event::Click(kIdPlayerExit));
            } else {
                dialog.EndDialog(dlg::IDOK);
            }
        }));
        dialog.DoModal();
        EXPECT_EQ(host_.StalledRuns(), 0);
    }

    std::vector<std::string> PlayerNames() const {
        return host_.PropertiesOf(kPlayerDialogTemplate, kIdMediaPlayer, 1026);
    }
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : host_.Boxes()) {
            EXPECT_EQ(box.style, dlg::MB_OK | dlg::MB_ICONERROR) << box.text;
            texts.push_back(box.text);
        }
        return texts;
    }
    std::vector<std::string> Deleted() const {
        std::vector<std::string> names;
        for (const auto& call : machine_.Calls())
            if (call.function == "DeleteFileA") names.push_back(call.name);
        return names;
    }
    // A table path with its folders filled in.
    std::string R(std::string path) const {
        for (const auto& [name, folder] : {std::pair{"{D}", start_}, std::pair{"{M}", music_}}) {
            for (std::size_t at; (at = path.find(name)) != std::string::npos;)
                path.replace(at, 3, folder);
        }
        return path;
    }
    std::vector<std::string> R(const std::vector<std::string>& paths) const {
        std::vector<std::string> out;
        for (const auto& path : paths) out.push_back(R(path));
        return out;
    }
    static std::optional<std::string> ReadFile(const std::string& path) {
        if (!std::filesystem::exists(path)) return std::nullopt;
        const auto bytes = testing_support::ReadBytes(path);
        return std::string(bytes.begin(), bytes.end());
    }
    void Put(const std::string& path, const std::string& contents) { WriteText(R(path), contents); }
    bool Exists(const std::string& path) const { return std::filesystem::exists(R(path)); }

    testing_support::TempDir temp_;
    std::string start_, music_;
    SimulatedMachine machine_;
    dlg::ScriptedHost host_;
    std::vector<std::string> lines_;
    std::vector<std::string> missing_;
    std::optional<std::string> bitstreamSeen_;
    std::string shown_, playFile_, tempFile_;
};

struct RunCase {
    const char* name;
    std::string soundPath;
    std::string contents;
    bool outputChecked;
    std::vector<std::string> lines;
    std::string mp3;
    std::string shown;
};

class ChainRunTest : public ChainTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(ChainRunTest, RunsEachToolWithItsLineAndCleansUp) {
    const RunCase& c = GetParam();
    Put(c.soundPath, c.contents);
    Run({R(c.soundPath)}, c.outputChecked, /*exit=*/false);

    EXPECT_EQ(lines_, R(c.lines));
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(playFile_, R(c.mp3));
    EXPECT_EQ(PlayerNames(), (std::vector<std::string>{"", R(c.mp3)}));
    EXPECT_EQ(shown_, R(c.shown));
    EXPECT_TRUE(Exists(c.mp3));
    EXPECT_FALSE(Exists(kWav));
    EXPECT_FALSE(Exists(kPcm));
    EXPECT_FALSE(Exists(kSbs));

    // Every tool: no application name, hidden, handles inherited, nothing else.
    int started = 0;
    for (const auto& call : machine_.Calls()) {
        if (call.function != "CreateProcessA") continue;
        ++started;
        EXPECT_EQ(call.target, "");
        ASSERT_TRUE(call.startupInfo.has_value());
        EXPECT_EQ(call.startupInfo->cb, 68u);
        EXPECT_EQ(call.startupInfo->dwFlags, win32::STARTF_USESHOWWINDOW);
        EXPECT_EQ(call.startupInfo->wShowWindow, win32::SW_HIDE);
        EXPECT_EQ(call.inheritHandles, win32::TRUE);
        EXPECT_EQ(call.flags, 0u);
        EXPECT_FALSE(call.hasSecurity);
        EXPECT_FALSE(call.hasEnvironment);
        EXPECT_FALSE(call.currentDirectory.has_value());
    }
    EXPECT_EQ(started, static_cast<int>(c.lines.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Chain, ChainRunTest,
    ::testing::Values(
        RunCase{"TowaveKeepsTheMp3BesideTheSoundFile",
                "{M}/R001.vrk",
                WaveSoundFile('\x05'),
                true,
                {"\"" + kTowave + "\" \"{M}/R001.vrk\" \"" + kWav + "\"",
                 "\"" + kMpegenc + "\" -b 32 --resample 16 \"" + kWav + "\" \"{M}/R001.mp3\""},
                "{M}/R001.mp3",
                "\"{M}/R001.vrk\""},
        RunCase{"TowaveTypeTwoToTheTemporaryMp3",
                "{M}/my voice/R 002.vrk",
                WaveSoundFile('\x03'),
                false,
                {"\"" + kTowave + "\" \"{M}/my voice/R 002.vrk\" \"" + kWav + "\"",
                 "\"" + kMpegenc + "\" -b 32 --resample 16 \"" + kWav + "\" \"" + kTempMp3 + "\""},
                kTempMp3,
                "\"{M}/my voice/R 002.vrk\""},
        RunCase{"FramesThroughDecodeA",
                "{M}/R003.VRK",
                FramesSoundFile(),
                true,
                {"\"" + kDecodeA + "\" \"" + kSbs + "\" \"" + kPcm + "\"",
                 "\"" + kMpegenc + "\" -b 32 -r -x -s 8 \"" + kPcm + "\" \"{M}/R003.mp3\""},
                "{M}/R003.mp3",
                "{M}/R003.VRK"},
        // The base is cut at the last dot of the whole path, here the folder's.
        RunCase{"AFolderDotCutsTheBase",
                "{M}/v1.2/R004",
                WaveSoundFile('\x04'),
                true,
                {"\"" + kTowave + "\" \"{M}/v1.2/R004\" \"" + kWav + "\"",
                 "\"" + kMpegenc + "\" -b 32 --resample 16 \"" + kWav + "\" \"{M}/v1.mp3\""},
                "{M}/v1.mp3",
                "\"{M}/v1.2/R004\""}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(ChainTest, TheDecoderGetsTheRepackedFramesAndTheBitstreamGoesAfterIt) {
    Put("{M}/R.vrk", FramesSoundFile());
    Run({R("{M}/R.vrk")});
    ASSERT_TRUE(bitstreamSeen_.has_value());
    EXPECT_EQ(*bitstreamSeen_, FramesBitstream());
    // temp.sbs right after decodeA, the PCM after encoding, then Exit's two.
    EXPECT_EQ(Deleted(), R({kSbs, kPcm, kPcm, kTempMp3}));
    EXPECT_EQ(tempFile_, R(kPcm));
}

TEST_F(ChainTest, EachToolShowsItsWaitMessageUntilItEnds) {
    Put("{M}/A.vrk", WaveSoundFile('\x05'));
    Put("{M}/B.vrk", FramesSoundFile());
    Run({R("{M}/A.vrk"), R("{M}/B.vrk")});
    std::vector<std::string> messages;
    for (const auto& text : host_.TextsOf(kWaitDialogTemplate, kIdWaitText)) {
        if (text.empty()) continue;
        const std::string message = text.substr(0, text.rfind(' '));
        if (messages.empty() || messages.back() != message) messages.push_back(message);
    }
    EXPECT_EQ(messages,
              (std::vector<std::string>{"Convert VRK file to PCM ...", "Encoding PCM to mp3...",
                                        "Convert bistream to PCM ...", "Encoding PCM to mp3..."}));
    // A wait box lasts at least until its first tick.
    EXPECT_GE(host_.VirtualMilliseconds(), 4u * 800u);
}

TEST_F(ChainTest, ExitRemovesTheTemporaryMp3AndTheLastIntermediate) {
    Put("{M}/A.vrk", WaveSoundFile('\x05'));
    Run({R("{M}/A.vrk"), R("{M}/A.vrk")}, /*outputChecked=*/false);
    EXPECT_FALSE(Exists(kTempMp3));
    EXPECT_EQ(Deleted(), R({kWav, kWav, kWav, kTempMp3}));
    // The second run unloads the first run's MP3 before the encoder overwrites it.
    EXPECT_EQ(PlayerNames(), R({"", kTempMp3, "", kTempMp3, ""}));
}

TEST_F(ChainTest, AKeptMp3SurvivesExit) {
    Put("{M}/A.vrk", WaveSoundFile('\x05'));
    Run({R("{M}/A.vrk")});
    EXPECT_TRUE(Exists("{M}/A.mp3"));
}

struct FailureCase {
    const char* name;
    std::string contents;  // empty: the file does not exist
    std::vector<std::string> missing;
    std::vector<std::string> boxes;
    std::vector<std::string> startedTools;  // the programs the chain tried, in order
    bool playerGetsEmptyName;               // the run went on to hand a name over
    std::string shown;
    std::vector<std::string> left;  // temporary files still there before Exit
};

class ChainFailureTest : public ChainTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ChainFailureTest, ShowsWhatItsRowSays) {
    const FailureCase& c = GetParam();
    const std::string sound = "{M}/R001.vrk";
    if (!c.contents.empty()) Put(sound, c.contents);
    missing_ = c.missing;
    Run({R(sound)}, true, /*exit=*/false);

    EXPECT_EQ(BoxTexts(), c.boxes);
    std::vector<std::string> tools;
    for (const auto& line : lines_) tools.push_back(line.substr(1, line.find('"', 1) - 1));
    EXPECT_EQ(tools, R(c.startedTools));
    const std::vector<std::string> names =
        c.playerGetsEmptyName ? std::vector<std::string>{"", ""} : std::vector<std::string>{""};
    EXPECT_EQ(PlayerNames(), names);
    EXPECT_EQ(shown_, R(c.shown));
    for (const std::string& file : {kWav, kPcm, kSbs}) {
        const bool expected = std::find(c.left.begin(), c.left.end(), file) != c.left.end();
        EXPECT_EQ(Exists(file), expected) << file;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Chain, ChainFailureTest,
    ::testing::Values(FailureCase{"TwentyTwoByteFramesAreUnsupported",
                                  WaveSoundFile('\x40'),
                                  {},
                                  {"Can not open this file or unsupport format!"},
                                  {},
                                  false,
                                  "",
                                  {}},
                      FailureCase{"AMissingFileIsUnsupported",
                                  "",
                                  {},
                                  {"Can not open this file or unsupport format!"},
                                  {},
                                  false,
                                  "",
                                  {}},
                      FailureCase{"TowaveMissingDoesNothingVisible",
                                  WaveSoundFile('\x05'),
                                  {kTowave},
                                  {},
                                  {kTowave},
                                  false,
                                  "",
                                  {}},
                      FailureCase{"DecodeAMissingLeavesTheBitstream",
                                  FramesSoundFile(),
                                  {kDecodeA},
                                  {"Convert error!"},
                                  {kDecodeA},
                                  false,
                                  "",
                                  {kSbs}},
                      FailureCase{"MpegencMissingStillDeletesTheIntermediate",
                                  WaveSoundFile('\x05'),
                                  {kMpegenc},
                                  {"Output .MP3 file error!"},
                                  {kTowave, kMpegenc},
                                  true,
                                  "\"{M}/R001.vrk\"",
                                  {}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(ChainTest, ARepackThatFailsIsAConvertError) {
    // A frames file whose bitstream cannot be created.
    Put("{M}/R.vrk", FramesSoundFile());
    machine_.FailWhen([this](const win32::sim::Call& call) {
        return call.function == "CreateFileA" && call.name == R(kSbs);
    });
    Run({R("{M}/R.vrk")}, true, false);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Convert error!"}));
    EXPECT_TRUE(lines_.empty());
    EXPECT_EQ(PlayerNames(), (std::vector<std::string>{""}));
}

TEST_F(ChainTest, CancellingTheFileDialogOnlyUnloadsThePlayer) {
    Put("{M}/A.vrk", WaveSoundFile('\x05'));
    Run({R("{M}/A.vrk"), std::nullopt}, true, false);
    EXPECT_EQ(PlayerNames(), R({"", "{M}/A.mp3", ""}));
    EXPECT_EQ(shown_, R("\"{M}/A.vrk\""));
    ASSERT_EQ(host_.FileOpenRequests().size(), 2u);
    const auto& request = host_.FileOpenRequests()[0];
    EXPECT_EQ(request.defaultExtension, ".vrk|.*");
    EXPECT_EQ(request.initialName, "");
    EXPECT_EQ(request.flags, dlg::OFN_HIDEREADONLY | dlg::OFN_OVERWRITEPROMPT);
    EXPECT_EQ(request.filter, "VRK File(*.vrk)|*.vrk|All File(*.*)|*.*||");
}

TEST_F(ChainTest, APathWithADoubleQuoteNeverReachesACommandLine) {
    const std::string sound = "{M}/say \"hi\".vrk";
    Put(sound, WaveSoundFile('\x05'));
    Run({R(sound)}, true, false);
    ASSERT_EQ(BoxTexts().size(), 1u);
    EXPECT_NE(BoxTexts()[0].find("double quote"), std::string::npos);
    EXPECT_TRUE(lines_.empty());
    EXPECT_EQ(shown_, "");
}

TEST_F(ChainTest, DecodeBitstreamKnowsKindsThreeAndFourOnly) {
    PlayerDialog dialog(host_, machine_);
    host_.Queue(Event::Action([&] {
        EXPECT_EQ(dialog.DecodeBitstream(R("{D}/in"), R("{D}/out"), 3), 1);
        EXPECT_EQ(dialog.DecodeBitstream(R("{D}/in"), R("{D}/out"), 4), 1);
        EXPECT_EQ(dialog.DecodeBitstream(R("{D}/in"), R("{D}/out"), 5), 0);
        EXPECT_EQ(dialog.DecodeBitstream(R("{D}/in"), R("{D}/out"), 0), 0);
        dialog.EndDialog(dlg::IDOK);
    }));
    dialog.DoModal();
    EXPECT_EQ(lines_, R({"\"" + kDecodeA + "\" \"{D}/in\" \"{D}/out\"",
                         "\"{D}/decodeB.exe \" \"{D}/in\" \"{D}/out\""}));
}

}  // namespace
}  // namespace vocna
