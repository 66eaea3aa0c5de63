// A stand-in for the player's own converter tools in the tests, installed
// under their names (towave.exe, decodeA.exe). It records what it was given
// and writes a plausible output file at the path of its last argument:
//   towave.exe  SOUND OUT  -> a 16-bit mono 8 kHz WAV file (half a second)
//   decodeA.exe IN OUT     -> raw 16-bit big-endian mono 8 kHz PCM, one
//                             20 ms frame per 10 input bytes
// With VOCNA_STANDIN_DIR set it writes there <name>.args (argv, each entry
// ended by a NUL) and <name>.input (a copy of the input file). With
// VOCNA_STANDIN_NO_OUTPUT set it ends without writing its output.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kSampleRate = 8000;
constexpr int kToneHz = 440;
constexpr double kAmplitude = 8000.0;
constexpr int kWaveSamples = kSampleRate / 2;
constexpr std::size_t kFrameBytes = 10;
constexpr int kFrameSamples = kSampleRate / 50;

std::int16_t ToneSample(int index) {
    const double phase = 2.0 * std::numbers::pi * kToneHz * index / kSampleRate;
    return static_cast<std::int16_t>(kAmplitude * std::sin(phase));
}

void PutLittle(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string WaveFile(int samples) {
    const auto dataBytes = static_cast<std::uint32_t>(samples * 2);
    std::string out = "RIFF";
    PutLittle(out, 36 + dataBytes, 4);
    out += "WAVEfmt ";
    PutLittle(out, 16, 4);           // format chunk size
    PutLittle(out, 1, 2);            // PCM
    PutLittle(out, 1, 2);            // one channel
    PutLittle(out, kSampleRate, 4);  // samples per second
    PutLittle(out, kSampleRate * 2, 4);
    PutLittle(out, 2, 2);   // bytes per sample frame
    PutLittle(out, 16, 2);  // bits per sample
    out += "data";
    PutLittle(out, dataBytes, 4);
    for (int i = 0; i < samples; ++i) PutLittle(out, static_cast<std::uint16_t>(ToneSample(i)), 2);
    return out;
}

std::string BigEndianPcm(int samples) {
    std::string out;
    for (int i = 0; i < samples; ++i) {
        const auto sample = static_cast<std::uint16_t>(ToneSample(i));
        out += static_cast<char>(sample >> 8);
        out += static_cast<char>(sample & 0xFF);
    }
    return out;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteWhole(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string name = std::filesystem::path(argv[0]).stem().string();
    if (argc < 3) return 2;
    const std::string input = argv[argc - 2];
    const std::string output = argv[argc - 1];
    if (const char* dir = std::getenv("VOCNA_STANDIN_DIR")) {
        std::string args;
        for (int i = 0; i < argc; ++i) args += std::string(argv[i]) + '\0';
        WriteWhole(std::filesystem::path(dir) / (name + ".args"), args);
        WriteWhole(std::filesystem::path(dir) / (name + ".input"), ReadWhole(input));
    }
    if (std::getenv("VOCNA_STANDIN_NO_OUTPUT") != nullptr) return 0;
    if (name == "decodeA") {
        const auto frames = static_cast<int>(ReadWhole(input).size() / kFrameBytes);
        WriteWhole(output, BigEndianPcm(frames * kFrameSamples));
    } else {
        WriteWhole(output, WaveFile(kWaveSamples));
    }
    return 0;
}
