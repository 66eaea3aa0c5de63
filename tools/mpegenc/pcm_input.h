// The samples mpegenc encodes: 16-bit PCM from a RIFF/WAVE file or from a
// headerless (raw) file.
#pragma once

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace mpegenc {

struct PcmFormat {
    int channels = 1;
    int sampleRateHz = 0;
    bool bigEndian = false;
};

class PcmInput {
  public:
    // A WAV file: 16-bit PCM, one or two channels. Nothing, and a sentence in
    // `error`, when it cannot be read as such.
    static std::optional<PcmInput> OpenWave(const std::string& path, std::string& error);
    // A raw file: its whole content is samples of `format`.
    static std::optional<PcmInput> OpenRaw(const std::string& path, const PcmFormat& format,
                                           std::string& error);

    const PcmFormat& format() const { return format_; }
    // Reads up to `frames` sample frames, interleaved; an empty result at
    // the end. False on a read error.
    bool Read(std::size_t frames, std::vector<std::int16_t>& samples);

  private:
    PcmInput(std::ifstream file, PcmFormat format, std::uint64_t bytes)
        : file_(std::move(file)), format_(format), bytesLeft_(bytes) {}

    std::ifstream file_;
    PcmFormat format_;
    std::uint64_t bytesLeft_;
    std::vector<char> buffer_;
};

}  // namespace mpegenc
