// vocna-cli end to end: real processes, the stand-in converter tools and our
// mpegenc in a start directory whose path holds a blank, and a real decoder
// reading the MP3 back.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "testing/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::RunCommand;
using testing_support::ShellQuote;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kHeader = 512;
constexpr std::size_t kBlock = 512;
constexpr std::size_t kBlocks = 20;  // 1,020 frames of 20 ms: 20.4 s of speech

Bytes WaveSoundFile(std::uint8_t firstByte) {
    Bytes file(kHeader + kBlock, 0x11);
    file[0] = firstByte;
    return file;
}

Bytes FramesSoundFile() {
    Bytes file(kHeader, 0);
    file[0] = 0x80;
    for (std::size_t i = 0; i < kBlocks * kBlock; ++i)
        file.push_back(static_cast<std::uint8_t>(3 + i % 241));
    return file;
}

// Per block 51 frames whose two 5-byte halves are interleaved; the 2 spare
// bytes of each block are dropped.
Bytes FramesBitstream(const Bytes& file) {
    Bytes out;
    for (std::size_t block = 0; block < kBlocks; ++block) {
        const std::size_t at = kHeader + block * kBlock;
        for (std::size_t frame = 0; frame < 51; ++frame)
            for (std::size_t k = 0; k < 5; ++k) {
                out.push_back(file[at + frame * 10 + k]);
                out.push_back(file[at + frame * 10 + 5 + k]);
            }
    }
    return out;
}

std::vector<std::string> ArgsOf(const fs::path& record) {
    std::vector<std::string> args;
    std::string current;
    for (std::uint8_t byte : testing_support::ReadBytes(record)) {
        if (byte == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(byte);
        }
    }
    return args;
}

class VocnaCliTest : public ::testing::Test {
  protected:
    VocnaCliTest()
        : start_(temp_.path() / "Vocana start"),
          music_(temp_.path() / "my music"),
          records_(temp_.path() / "records") {
        for (const fs::path& dir : {start_, music_, records_}) fs::create_directories(dir);
        fs::copy_file(KV_STANDIN_TOOL, start_ / "towave.exe");
        fs::copy_file(KV_STANDIN_TOOL, start_ / "decodeA.exe");
        fs::copy_file(KV_MPEGENC, start_ / "mpegenc.exe");
    }

    testing_support::CommandResult Run(const std::string& arguments, const std::string& env = "") {
        // Standard error apart, so that the output holds the boxes alone.
        return RunCommand("cd " + ShellQuote(start_.string()) +
                          " && { VOCNA_STANDIN_DIR=" + ShellQuote(records_.string()) +
                          " LSAN_OPTIONS=suppressions=" + ShellQuote(KV_LSAN_MEDIA_SUPPRESSIONS) +
                          ":print_suppressions=0 " + env + " " + ShellQuote(VOCNA_CLI) + " " +
                          arguments + " 2>" + ShellQuote((records_ / "stderr").string()) + "; }");
    }
    std::string Stderr() const {
        const Bytes bytes = testing_support::ReadBytes(records_ / "stderr");
        return {bytes.begin(), bytes.end()};
    }
    fs::path Put(const std::string& name, const Bytes& bytes) {
        const fs::path path = music_ / name;
        testing_support::WriteBytes(path, bytes);
        return path;
    }
    std::vector<std::string> TemporaryFilesLeft() const {
        std::vector<std::string> left;
        for (const char* name : {"temp000.wav", "temp000.pcm", "temp.sbs", "tempMP3.mp3"})
            if (fs::exists(start_ / name)) left.push_back(name);
        return left;
    }
    // The seconds of audio mpg123 decodes from `mp3`, with its rate and channels.
    struct Decoded {
        int exitCode;
        std::string info;
    };
    Decoded Decode(const fs::path& mp3) const {
        const auto result =
            RunCommand("mpg123 -q -w " + ShellQuote((records_ / "decoded.wav").string()) + " " +
                       ShellQuote(mp3.string()) + " && for o in -r -c -D; do soxi $o " +
                       ShellQuote((records_ / "decoded.wav").string()) + "; done");
        return {result.exitCode, result.output};
    }

    testing_support::TempDir temp_;
    fs::path start_, music_, records_;
};

struct TypeCase {
    const char* name;
    std::uint8_t firstByte;
    const char* tool;
};

class VocnaCliTypeTest : public VocnaCliTest, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(VocnaCliTypeTest, ConvertsWithTheToolsArgumentsAndLeavesOnlyTheMp3) {
    const TypeCase& c = GetParam();
    const Bytes contents = c.firstByte == 0x80 ? FramesSoundFile() : WaveSoundFile(c.firstByte);
    const fs::path sound = Put("R 001.vrk", contents);
    const auto result = Run("--no-play " + ShellQuote(sound.string()));
    EXPECT_EQ(result.exitCode, 0) << result.output << Stderr();
    EXPECT_EQ(result.output, "");  // no box

    const std::string d = start_.string();
    if (c.firstByte == 0x80) {
        EXPECT_EQ(
            ArgsOf(records_ / "decodeA.args"),
            (std::vector<std::string>{d + "/decodeA.exe", d + "/temp.sbs", d + "/temp000.pcm"}));
        EXPECT_EQ(testing_support::ReadBytes(records_ / "decodeA.input"),
                  FramesBitstream(contents));
        EXPECT_FALSE(fs::exists(records_ / "towave.args"));
    } else {
        EXPECT_EQ(
            ArgsOf(records_ / "towave.args"),
            (std::vector<std::string>{d + "/towave.exe", sound.string(), d + "/temp000.wav"}));
        EXPECT_EQ(testing_support::ReadBytes(records_ / "towave.input"), contents);
        EXPECT_FALSE(fs::exists(records_ / "decodeA.args"));
    }
    EXPECT_EQ(TemporaryFilesLeft(), std::vector<std::string>{});

    // The stand-ins speak half a second of WAV (encoded at 16 kHz) or 20 ms
    // per frame of 8 kHz PCM; the MP3 holds one channel of that length.
    const Decoded decoded = Decode(music_ / "R 001.mp3");
    ASSERT_EQ(decoded.exitCode, 0) << decoded.info;
    std::istringstream info(decoded.info);
    int rate = 0, channels = 0;
    double seconds = 0;
    info >> rate >> channels >> seconds;
    EXPECT_EQ(rate, c.firstByte == 0x80 ? 8000 : 16000);
    EXPECT_EQ(channels, 1);
    // An MP3 decoder adds its delay and pads the last frame.
    const double expected = c.firstByte == 0x80 ? kBlocks * 51 * 0.020 : 0.5;
    EXPECT_NEAR(seconds, expected, 0.15) << decoded.info;
}

INSTANTIATE_TEST_SUITE_P(VocnaCli, VocnaCliTypeTest,
                         ::testing::Values(TypeCase{"Type0", 0x05, "towave"},
                                           TypeCase{"Type1", 0x04, "towave"},
                                           TypeCase{"Type2", 0x03, "towave"},
                                           TypeCase{"Type3", 0x80, "decodeA"}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(VocnaCliTest, PlaysTheTemporaryMp3ToTheEndAndExitRemovesIt) {
    const fs::path sound = Put("R002.vrk", WaveSoundFile(0x05));
    const auto result = Run("--no-output-mp3 " + ShellQuote(sound.string()),
                            "VOCNA_AUDIO_SINK='fakesink sync=true'");
    EXPECT_EQ(result.exitCode, 0) << result.output << Stderr();
    EXPECT_NE(Stderr().find("playing " + (start_ / "tempMP3.mp3").string()), std::string::npos)
        << Stderr();
    EXPECT_NE(Stderr().find("played to the end"), std::string::npos) << Stderr();
    EXPECT_FALSE(fs::exists(music_ / "R002.mp3"));
    EXPECT_EQ(TemporaryFilesLeft(), std::vector<std::string>{});
}

TEST_F(VocnaCliTest, AFileThatIsNoMp3IsReportedAsNotPlayed) {
    // An encoder that writes bytes no decoder takes at the MP3's path.
    fs::remove(start_ / "mpegenc.exe");
    const std::string script = "#!/bin/sh\neval out=\\${$#}\nhead -c 4000 /dev/zero > \"$out\"\n";
    testing_support::WriteBytes(start_ / "mpegenc.exe", Bytes(script.begin(), script.end()));
    fs::permissions(start_ / "mpegenc.exe", fs::perms::owner_all);
    const fs::path sound = Put("R003.vrk", WaveSoundFile(0x05));
    const auto result = Run(ShellQuote(sound.string()), "VOCNA_AUDIO_SINK='fakesink sync=true'");
    EXPECT_EQ(result.exitCode, 1) << result.output << Stderr();
    EXPECT_NE(Stderr().find("cannot play"), std::string::npos) << Stderr();
}

struct FailureCase {
    const char* name;
    std::uint8_t firstByte;
    const char* missingTool;  // nullptr: all there
    const char* env;
    std::string stdoutText;
    std::vector<std::string> started;
    std::vector<std::string> left;
};

class VocnaCliFailureTest : public VocnaCliTest,
                            public ::testing::WithParamInterface<FailureCase> {};

TEST_P(VocnaCliFailureTest, ShowsItsBoxAndExitsOne) {
    const FailureCase& c = GetParam();
    if (c.missingTool != nullptr) fs::remove(start_ / c.missingTool);
    const Bytes contents = c.firstByte == 0x80 ? FramesSoundFile() : WaveSoundFile(c.firstByte);
    const fs::path sound = Put("R004.vrk", contents);
    const auto result = Run("--no-play " + ShellQuote(sound.string()), c.env);
    EXPECT_EQ(result.exitCode, 1) << Stderr();
    EXPECT_EQ(result.output, c.stdoutText);
    std::vector<std::string> started;
    for (const char* tool : {"towave", "decodeA"})
        if (fs::exists(records_ / (std::string(tool) + ".args"))) started.push_back(tool);
    EXPECT_EQ(started, c.started);
    EXPECT_EQ(TemporaryFilesLeft(), c.left);
    EXPECT_FALSE(fs::exists(music_ / "R004.mp3"));
}

INSTANTIATE_TEST_SUITE_P(
    VocnaCli, VocnaCliFailureTest,
    ::testing::Values(
        FailureCase{"Unsupported",
                    0x40,
                    nullptr,
                    "",
                    "Vocana\nCan not open this file or unsupport format!\n\n",
                    {},
                    {}},
        FailureCase{"TowaveMissing", 0x05, "towave.exe", "", "", {}, {}},
        FailureCase{"DecodeAMissing",
                    0x80,
                    "decodeA.exe",
                    "",
                    "Vocana\nConvert error!\n\n",
                    {},
                    {"temp.sbs"}},
        FailureCase{"MpegencMissing",
                    0x05,
                    "mpegenc.exe",
                    "",
                    "Vocana\nOutput .MP3 file error!\n\n",
                    {"towave"},
                    {}},
        // towave ends without its WAV: the chain goes on and the encoder has
        // nothing to read.
        FailureCase{
            "NoWaveWritten", 0x05, nullptr, "VOCNA_STANDIN_NO_OUTPUT=1", "", {"towave"}, {}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(VocnaCliTest, UsageErrorsAndHelp) {
    for (const std::string& arguments :
         {std::string(""), std::string("a.vrk b.vrk"), std::string("--bogus a.vrk")}) {
        EXPECT_EQ(Run(arguments).exitCode, 2) << arguments;
        EXPECT_NE(Stderr().find("usage: vocna-cli [--no-output-mp3] [--no-play] FILE"),
                  std::string::npos);
    }
    const auto help = Run("--help");
    EXPECT_EQ(help.exitCode, 0);
    for (const char* text : {"usage: vocna-cli [--no-output-mp3] [--no-play] FILE", "towave.exe",
                             "decodeA.exe", "mpegenc.exe", "Exit status"})
        EXPECT_NE(help.output.find(text), std::string::npos) << text;
}

}  // namespace
