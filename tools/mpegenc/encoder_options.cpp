#include "tools/mpegenc/encoder_options.h"

#include <charconv>
#include <cmath>

namespace mpegenc {

const char* const kUsage =
    "usage: mpegenc.exe [-b KBPS] [--resample KHZ] IN.wav OUT.mp3\n"
    "       mpegenc.exe [-b KBPS] [--resample KHZ] -r [-x] -s KHZ IN.pcm OUT.mp3\n"
    "Encodes 16-bit PCM to an MP3 file at a constant bit rate (default 128 kbit/s).\n"
    "  -b KBPS         bit rate in kbit/s\n"
    "  --resample KHZ  sample rate of the MP3 in kHz (default: the input's)\n"
    "  -r              the input is raw: signed 16-bit samples, one channel\n"
    "  -x              raw samples are big-endian (default little-endian)\n"
    "  -s KHZ          sample rate of the raw input in kHz\n"
    "A WAV input is 16-bit PCM, mono or stereo, at any rate.\n";

namespace {

constexpr int kHzPerKhz = 1000;

std::optional<double> NumberOf(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [last, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || last != end || !(value > 0) || value > 1e6) return std::nullopt;
    return value;
}

// "16" or "22.05" (kHz) as a whole number of Hz.
std::optional<int> RateOf(const std::string& text) {
    const auto khz = NumberOf(text);
    if (!khz) return std::nullopt;
    return static_cast<int>(std::lround(*khz * kHzPerKhz));
}

std::optional<int> WholeNumberOf(const std::string& text) {
    const auto value = NumberOf(text);
    if (!value || *value != std::floor(*value)) return std::nullopt;
    return static_cast<int>(*value);
}

}  // namespace

std::optional<EncoderOptions> ParseEncoderOptions(const std::vector<std::string>& arguments,
                                                  std::string& error) {
    EncoderOptions options;
    std::vector<std::string> files;
    bool rateGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const auto value = [&]() -> const std::string* {
            if (i + 1 >= arguments.size()) {
                error = "option " + argument + " needs a value";
                return nullptr;
            }
            return &arguments[++i];
        };
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            return options;
        } else if (argument == "-r") {
            options.rawInput = true;
        } else if (argument == "-x") {
            options.bigEndian = true;
        } else if (argument == "-b" || argument == "-s" || argument == "--resample") {
            const std::string* text = value();
            if (text == nullptr) return std::nullopt;
            const auto number = argument == "-b" ? WholeNumberOf(*text) : RateOf(*text);
            if (!number) {
                error = "option " + argument + " takes a positive number, not \"" + *text + "\"";
                return std::nullopt;
            }
            if (argument == "-b") {
                options.bitRateKbps = *number;
            } else if (argument == "-s") {
                options.rawRateHz = *number;
                rateGiven = true;
            } else {
                options.outputRateHz = *number;
            }
        } else if (argument.size() > 1 && argument.front() == '-') {
            error = "unknown option " + argument;
            return std::nullopt;
        } else {
            files.push_back(argument);
        }
    }
    if (files.size() != 2) {
        error = "give one input file and one output file";
        return std::nullopt;
    }
    if (options.rawInput != rateGiven) {
        error = options.rawInput ? "raw input (-r) needs its sample rate (-s)"
                                 : "-s gives the rate of raw input and needs -r";
        return std::nullopt;
    }
    if (options.bigEndian && !options.rawInput) {
        error = "-x swaps the bytes of raw input and needs -r";
        return std::nullopt;
    }
    options.inputPath = files[0];
    options.outputPath = files[1];
    return options;
}

}  // namespace mpegenc
