// The command line of mpegenc.exe. Vocna gives one of two:
//   mpegenc.exe -b 32 --resample 16 IN.wav OUT.mp3
//   mpegenc.exe -b 32 -r -x -s 8 IN.pcm OUT.mp3
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace mpegenc {

struct EncoderOptions {
    int bitRateKbps = 128;   // -b: constant bit rate
    int outputRateHz = 0;    // --resample (kHz); 0: the input's rate
    bool rawInput = false;   // -r: headerless PCM instead of a WAV file
    bool bigEndian = false;  // -x: raw samples with the high byte first
    int rawRateHz = 0;       // -s (kHz): the rate of raw samples
    std::string inputPath;
    std::string outputPath;
    bool help = false;  // --help
};

// The options of argv[1..]; nothing and a sentence in `error` when they
// cannot be used.
std::optional<EncoderOptions> ParseEncoderOptions(const std::vector<std::string>& arguments,
                                                  std::string& error);

extern const char* const kUsage;

}  // namespace mpegenc
