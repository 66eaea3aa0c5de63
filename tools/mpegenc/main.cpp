// mpegenc.exe: Vocna's sibling encoder on Linux. Encodes the WAV file of the
// towave tool or the raw PCM of the decodeA tool (signed 16-bit, big-endian,
// one channel, 8 kHz) to a constant-bit-rate MP3.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/mpegenc/encoder_options.h"
#include "tools/mpegenc/mp3_encoder.h"
#include "tools/mpegenc/pcm_input.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int Fail(const std::string& sentence, int code) {
    std::fprintf(stderr, "mpegenc.exe: %s\n", sentence.c_str());
    if (code == kExitUsage) std::fputs(mpegenc::kUsage, stderr);
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options =
        mpegenc::ParseEncoderOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) return Fail(error, kExitUsage);
    if (options->help) {
        std::fputs(mpegenc::kUsage, stdout);
        return 0;
    }

    auto input = options->rawInput
                     ? mpegenc::PcmInput::OpenRaw(
                           options->inputPath,
                           mpegenc::PcmFormat{1, options->rawRateHz, options->bigEndian}, error)
                     : mpegenc::PcmInput::OpenWave(options->inputPath, error);
    if (!input) return Fail(error, kExitFailed);

    const mpegenc::Mp3Settings settings{options->bitRateKbps, options->outputRateHz};
    if (!mpegenc::EncodeMp3File(*input, settings, options->outputPath, error)) {
        return Fail(error, kExitFailed);
    }
    return 0;
}
