// mpegenc.exe with the two command lines Vocna gives it, checked by real
// decoders: mpg123 decodes, sox reads the decoded file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include "testing/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::RunCommand;
using testing_support::ShellQuote;

constexpr double kToneHz = 440.0;
constexpr double kAmplitude = 10000.0;
// An MPEG-2 and MPEG-2.5 layer III frame holds 576 samples per channel.
constexpr long kSamplesPerFrame = 576;
constexpr double kToleranceSamples = 2 * kSamplesPerFrame;

std::vector<std::int16_t> Tone(int rateHz, double seconds, int channels) {
    const auto frames = static_cast<std::size_t>(std::lround(rateHz * seconds));
    std::vector<std::int16_t> samples;
    for (std::size_t i = 0; i < frames; ++i) {
        const double value =
            kAmplitude * std::sin(2 * std::numbers::pi * kToneHz * static_cast<double>(i) / rateHz);
        for (int c = 0; c < channels; ++c) samples.push_back(static_cast<std::int16_t>(value));
    }
    return samples;
}

void PutLe(std::vector<std::uint8_t>& bytes, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A canonical 16-bit PCM WAV file, written field by field.
std::vector<std::uint8_t> WaveFile(const std::vector<std::int16_t>& samples, int rateHz,
                                   int channels) {
    const auto dataBytes = static_cast<std::uint32_t>(2 * samples.size());
    std::vector<std::uint8_t> bytes{'R', 'I', 'F', 'F'};
    PutLe(bytes, 36 + dataBytes, 4);
    bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLe(bytes, 16, 4);
    PutLe(bytes, 1, 2);  // PCM
    PutLe(bytes, static_cast<std::uint32_t>(channels), 2);
    PutLe(bytes, static_cast<std::uint32_t>(rateHz), 4);
    PutLe(bytes, static_cast<std::uint32_t>(rateHz * channels * 2), 4);
    PutLe(bytes, static_cast<std::uint32_t>(channels * 2), 2);
    PutLe(bytes, 16, 2);
    // A chunk of another kind, odd-sized and padded, before the data.
    bytes.insert(bytes.end(), {'L', 'I', 'S', 'T'});
    PutLe(bytes, 3, 4);
    bytes.insert(bytes.end(), {'a', 'b', 'c', 0});
    bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
    PutLe(bytes, dataBytes, 4);
    for (const std::int16_t s : samples) PutLe(bytes, static_cast<std::uint16_t>(s), 2);
    return bytes;
}

std::vector<std::uint8_t> BigEndianRaw(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> bytes;
    for (const std::int16_t s : samples) {
        const auto u = static_cast<std::uint16_t>(s);
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
        bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
    }
    return bytes;
}

struct Decoded {
    long rateHz = 0;
    long channels = 0;
    double frames = 0;
    double toneShare = 0;  // of the signal's energy at kToneHz, first channel
};

long SoxInfo(const fs::path& wav, const char* flag) {
    const auto result = RunCommand("soxi " + std::string(flag) + " " + ShellQuote(wav.string()));
    EXPECT_EQ(result.exitCode, 0) << result.output;
    return std::strtol(result.output.c_str(), nullptr, 10);
}

// Decodes with mpg123 and reads the result with sox.
Decoded Decode(const fs::path& mp3, const fs::path& folder) {
    const fs::path wav = folder / "decoded.wav";
    const fs::path raw = folder / "decoded.raw";
    auto result =
        RunCommand("mpg123 -q -w " + ShellQuote(wav.string()) + " " + ShellQuote(mp3.string()));
    EXPECT_EQ(result.exitCode, 0) << result.output;
    Decoded decoded;
    decoded.rateHz = SoxInfo(wav, "-r");
    decoded.channels = SoxInfo(wav, "-c");
    decoded.frames = static_cast<double>(SoxInfo(wav, "-s"));
    result = RunCommand("sox " + ShellQuote(wav.string()) + " -t raw -e signed -b 16 -L " +
                        ShellQuote(raw.string()) + " remix 1");
    EXPECT_EQ(result.exitCode, 0) << result.output;
    const auto bytes = testing_support::ReadBytes(raw);
    // Goertzel: the energy at the tone's frequency against all of it.
    const double w = 2 * std::numbers::pi * kToneHz / static_cast<double>(decoded.rateHz);
    double s1 = 0, s2 = 0, total = 0;
    const std::size_t n = bytes.size() / 2;
    for (std::size_t i = 0; i < n; ++i) {
        const double x = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
        const double s0 = x + 2 * std::cos(w) * s1 - s2;
        s2 = s1;
        s1 = s0;
        total += x * x;
    }
    const double power = s1 * s1 + s2 * s2 - 2 * std::cos(w) * s1 * s2;
    if (n > 0 && total > 0) decoded.toneShare = 2 * power / (static_cast<double>(n) * total);
    return decoded;
}

// The bit rate (kbit/s) of every frame of an MPEG-2 or 2.5 layer III file,
// read from the frame headers; the Xing or Info tag frame in front left out.
std::vector<int> AudioFrameBitRates(const std::vector<std::uint8_t>& mp3) {
    constexpr int kBitRatesKbps[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    constexpr int kMpeg2RatesHz[] = {22050, 24000, 16000};
    std::vector<int> rates;
    std::size_t at = 0;
    while (at + 4 <= mp3.size()) {
        const bool sync = mp3[at] == 0xFF && (mp3[at + 1] & 0xE6) == 0xE2;  // layer III
        const int rateIndex = (mp3[at + 2] >> 2) & 3;
        const int bitRateIndex = mp3[at + 2] >> 4;
        if (!sync || rateIndex == 3 || bitRateIndex == 0 || bitRateIndex == 15) break;
        const bool mpeg25 = (mp3[at + 1] & 0x18) == 0;
        const int rateHz = kMpeg2RatesHz[rateIndex] / (mpeg25 ? 2 : 1);
        const int kbps = kBitRatesKbps[bitRateIndex];
        const std::size_t bytes = 72000u * kbps / rateHz + ((mp3[at + 2] >> 1) & 1);
        const std::string_view body(reinterpret_cast<const char*>(mp3.data()) + at,
                                    std::min(bytes, mp3.size() - at));
        const bool tag = at == 0 && (body.find("Xing") != std::string_view::npos ||
                                     body.find("Info") != std::string_view::npos);
        if (!tag) rates.push_back(kbps);
        at += bytes;
    }
    EXPECT_EQ(at, mp3.size()) << "frames do not cover the file";
    return rates;
}

void ExpectEveryFrameAt32Kbps(const fs::path& mp3) {
    const auto rates = AudioFrameBitRates(testing_support::ReadBytes(mp3));
    EXPECT_FALSE(rates.empty());
    EXPECT_EQ(std::count(rates.begin(), rates.end(), 32), static_cast<long>(rates.size()));
}

class MpegEncTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(testing_support::HaveProgram("mpg123"));
        ASSERT_TRUE(testing_support::HaveProgram("soxi"));
        fs::create_directory(folder_);
    }

    testing_support::CommandResult Encode(const std::string& options, const fs::path& in,
                                          const fs::path& out) {
        return RunCommand(ShellQuote(MPEGENC_PATH) + " " + options + " " + ShellQuote(in.string()) +
                          " " + ShellQuote(out.string()));
    }

    testing_support::TempDir temp_;
    const fs::path folder_ = temp_ / "start dir";
    const fs::path mp3_ = folder_ / "tempMP3.mp3";
};

TEST_F(MpegEncTest, WaveLineGivesMono16kHzOfTheSameLength) {
    const int rate = 22050;
    const double seconds = 1.5;
    const fs::path wav = folder_ / "temp000.wav";
    testing_support::WriteBytes(wav, WaveFile(Tone(rate, seconds, 1), rate, 1));
    const auto result = Encode("-b 32 --resample 16", wav, mp3_);
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const Decoded decoded = Decode(mp3_, folder_);
    EXPECT_EQ(decoded.rateHz, 16000);
    EXPECT_EQ(decoded.channels, 1);
    EXPECT_NEAR(decoded.frames, 16000 * seconds, kToleranceSamples);
    EXPECT_GT(decoded.toneShare, 0.8);
    ExpectEveryFrameAt32Kbps(mp3_);
}

TEST_F(MpegEncTest, WaveLineKeepsStereo) {
    const int rate = 44100;
    const double seconds = 1.0;
    const fs::path wav = folder_ / "temp000.wav";
    testing_support::WriteBytes(wav, WaveFile(Tone(rate, seconds, 2), rate, 2));
    const auto result = Encode("-b 32 --resample 16", wav, mp3_);
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const Decoded decoded = Decode(mp3_, folder_);
    EXPECT_EQ(decoded.rateHz, 16000);
    EXPECT_EQ(decoded.channels, 2);
    EXPECT_NEAR(decoded.frames, 16000 * seconds, kToleranceSamples);
    EXPECT_GT(decoded.toneShare, 0.8);
}

TEST_F(MpegEncTest, RawLineReadsBigEndianMono8kHz) {
    const double seconds = 2.0;
    const fs::path pcm = folder_ / "temp000.pcm";
    testing_support::WriteBytes(pcm, BigEndianRaw(Tone(8000, seconds, 1)));
    const auto result = Encode("-b 32 -r -x -s 8", pcm, mp3_);
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const Decoded decoded = Decode(mp3_, folder_);
    EXPECT_EQ(decoded.rateHz, 8000);
    EXPECT_EQ(decoded.channels, 1);
    // Read as stereo it would last half as long; read little-endian, the
    // tone would be noise.
    EXPECT_NEAR(decoded.frames, 8000 * seconds, kToleranceSamples);
    EXPECT_GT(decoded.toneShare, 0.8);
    ExpectEveryFrameAt32Kbps(mp3_);
}

TEST_F(MpegEncTest, WrongCommandLinesAreUsageErrors) {
    const fs::path pcm = folder_ / "temp000.pcm";
    testing_support::WriteBytes(pcm, BigEndianRaw(Tone(8000, 0.1, 1)));
    const std::string in = ShellQuote(pcm.string());
    const std::string out = ShellQuote(mp3_.string());
    const std::string lines[] = {
        "",
        "-b 32 " + in,
        "-b 32 " + in + " " + out + " extra",
        "-b 32 --bogus " + in + " " + out,
        "-b thirty " + in + " " + out,
        "-b 32 -r " + in + " " + out,
        "-b 32 -s 8 " + in + " " + out,
        "-b 32 -x " + in + " " + out,
        "-b 32 -r -x -s " + in + " " + out,
        "-b 32 --resample -16 " + in + " " + out,
    };
    for (const std::string& arguments : lines) {
        const auto result = RunCommand(ShellQuote(MPEGENC_PATH) + " " + arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments << "\n" << result.output;
        EXPECT_NE(result.output.find("mpegenc.exe: "), std::string::npos) << arguments;
        EXPECT_NE(result.output.find("usage:"), std::string::npos) << arguments;
    }
    EXPECT_FALSE(fs::exists(mp3_));
    const auto help = RunCommand(ShellQuote(MPEGENC_PATH) + " --help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("-r "), std::string::npos);
}

TEST_F(MpegEncTest, UnusableInputFailsAndLeavesNoMp3) {
    const fs::path text = folder_ / "temp000.wav";
    testing_support::WriteBytes(text, {'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v', 'e', '!', '!'});
    const fs::path eightBit = folder_ / "eight.wav";
    auto wave = WaveFile(Tone(8000, 0.1, 1), 8000, 1);
    wave[34] = 8;  // bits per sample
    testing_support::WriteBytes(eightBit, wave);
    const fs::path tone = folder_ / "tone.wav";
    testing_support::WriteBytes(tone, WaveFile(Tone(16000, 0.1, 1), 16000, 1));
    struct Case {
        std::string options;
        fs::path input;
        const char* says;
    };
    const Case cases[] = {
        {"-b 32 --resample 16", folder_ / "missing.wav", "cannot read"},
        {"-b 32 --resample 16", text, "not a RIFF/WAVE file"},
        {"-b 32 --resample 16", eightBit, "not 16-bit PCM"},
        {"-b 33 --resample 16", tone, "cannot have 33 kbit/s"},
        {"-b 32 --resample 15", tone, "cannot have 15000 Hz"},
    };
    for (const Case& c : cases) {
        const auto result = Encode(c.options, c.input, mp3_);
        EXPECT_EQ(result.exitCode, 1) << c.input << "\n" << result.output;
        EXPECT_NE(result.output.find(c.says), std::string::npos) << result.output;
        EXPECT_FALSE(fs::exists(mp3_));
    }
    const auto result = Encode("-b 32 --resample 16", tone, folder_ / "no dir" / "out.mp3");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.output.find("cannot write"), std::string::npos) << result.output;
}

}  // namespace
