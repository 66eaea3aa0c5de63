// PCM to MP3 through LAME, every audio frame at the one bit rate asked for.
#pragma once

#include <string>

#include "tools/mpegenc/pcm_input.h"

namespace mpegenc {

struct Mp3Settings {
    int bitRateKbps = 128;
    int outputRateHz = 0;  // 0: the input's rate
};

// Encodes all of `input` into the file at `outputPath`. False, and a sentence
// in `error`, when LAME refuses the settings or a file cannot be written.
bool EncodeMp3File(PcmInput& input, const Mp3Settings& settings, const std::string& outputPath,
                   std::string& error);

}  // namespace mpegenc
