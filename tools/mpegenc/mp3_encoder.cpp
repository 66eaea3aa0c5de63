#include "tools/mpegenc/mp3_encoder.h"

#include <lame/lame.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

namespace mpegenc {

namespace {

// Sample frames handed to LAME at a time.
constexpr std::size_t kFramesPerChunk = 8192;
// LAME's own bound for the MP3 bytes of n frames: 1.25 n + 7200.
constexpr std::size_t Mp3BufferBytes(std::size_t frames) {
    return frames * 5 / 4 + 7200;
}

// The rates an MP3 frame can carry; any other input rate is resampled.
constexpr int kMpegRatesHz[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

bool IsMpegRate(int rateHz) {
    return std::find(std::begin(kMpegRatesHz), std::end(kMpegRatesHz), rateHz) !=
           std::end(kMpegRatesHz);
}

// The MP3 rate for input at `rateHz` when none is asked for: the same, else
// the next one up (the highest for anything above it).
int MpegRateFor(int rateHz) {
    const auto* const rate =
        std::lower_bound(std::begin(kMpegRatesHz), std::end(kMpegRatesHz), rateHz);
    return rate != std::end(kMpegRatesHz) ? *rate : *std::rbegin(kMpegRatesHz);
}

// The bit rates of a layer III frame (kbit/s): MPEG-1 at 32 kHz and up,
// MPEG-2 and 2.5 below.
constexpr int kMpeg1BitRatesKbps[] = {32,  40,  48,  56,  64,  80,  96,
                                      112, 128, 160, 192, 224, 256, 320};
constexpr int kMpeg2BitRatesKbps[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
constexpr int kLowestMpeg1RateHz = 32000;

bool IsBitRateOf(int bitRateKbps, int rateHz) {
    if (rateHz >= kLowestMpeg1RateHz) {
        return std::find(std::begin(kMpeg1BitRatesKbps), std::end(kMpeg1BitRatesKbps),
                         bitRateKbps) != std::end(kMpeg1BitRatesKbps);
    }
    return std::find(std::begin(kMpeg2BitRatesKbps), std::end(kMpeg2BitRatesKbps), bitRateKbps) !=
           std::end(kMpeg2BitRatesKbps);
}

struct LameDeleter {
    void operator()(lame_global_flags* flags) const { lame_close(flags); }
};
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Encodes all of `input` into `out`.
bool WriteMp3(lame_global_flags* lame, PcmInput& input, std::FILE* out, std::string& error) {
    const int channels = input.format().channels;
    std::vector<unsigned char> mp3(Mp3BufferBytes(kFramesPerChunk));
    const auto write = [&](int count) {
        if (count < 0) {
            error = "LAME failed while encoding (code " + std::to_string(count) + ")";
            return false;
        }
        if (std::fwrite(mp3.data(), 1, static_cast<std::size_t>(count), out) !=
            static_cast<std::size_t>(count)) {
            error = std::strerror(errno);
            return false;
        }
        return true;
    };
    const auto encode = [&](std::vector<std::int16_t>& samples) {
        const int frames = static_cast<int>(samples.size()) / channels;
        mp3.resize(Mp3BufferBytes(static_cast<std::size_t>(frames)));
        const int capacity = static_cast<int>(mp3.size());
        return write(channels == 1 ? lame_encode_buffer(lame, samples.data(), samples.data(),
                                                        frames, mp3.data(), capacity)
                                   : lame_encode_buffer_interleaved(lame, samples.data(), frames,
                                                                    mp3.data(), capacity));
    };

    std::vector<std::int16_t> samples;
    for (;;) {
        if (!input.Read(kFramesPerChunk, samples)) {
            error = "cannot read the input";
            return false;
        }
        if (samples.empty()) break;
        if (!encode(samples)) return false;
    }
    mp3.resize(Mp3BufferBytes(kFramesPerChunk));
    if (!write(lame_encode_flush(lame, mp3.data(), static_cast<int>(mp3.size())))) return false;
    lame_mp3_tags_fid(lame, out);
    if (std::fflush(out) != 0 || std::ferror(out) != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

bool EncodeMp3File(PcmInput& input, const Mp3Settings& settings, const std::string& outputPath,
                   std::string& error) {
    const PcmFormat& format = input.format();
    std::unique_ptr<lame_global_flags, LameDeleter> lame(lame_init());
    if (!lame) {
        error = "LAME cannot start";
        return false;
    }
    const int outputRate =
        settings.outputRateHz != 0 ? settings.outputRateHz : MpegRateFor(format.sampleRateHz);
    if (!IsMpegRate(outputRate)) {
        error = "an MP3 cannot have " + std::to_string(outputRate) + " Hz";
        return false;
    }
    // LAME would quietly take the nearest rate; the caller asked for this one.
    if (!IsBitRateOf(settings.bitRateKbps, outputRate)) {
        error = "an MP3 at " + std::to_string(outputRate) + " Hz cannot have " +
                std::to_string(settings.bitRateKbps) + " kbit/s";
        return false;
    }
    lame_set_num_channels(lame.get(), format.channels);
    lame_set_in_samplerate(lame.get(), format.sampleRateHz);
    lame_set_out_samplerate(lame.get(), outputRate);
    lame_set_mode(lame.get(), format.channels == 1 ? MONO : JOINT_STEREO);
    // The tag frame in front tells decoders the exact length (encoder delay
    // and padding). In plain CBR LAME puts it in a frame of the stream's own
    // bit rate, where it does not fit at low rates (32 kbit/s at 16 kHz) and
    // is left out. Average bit rate pinned at both ends gives every audio
    // frame the bit rate asked for and the tag a frame of its own size.
    lame_set_VBR(lame.get(), vbr_abr);
    lame_set_VBR_mean_bitrate_kbps(lame.get(), settings.bitRateKbps);
    lame_set_VBR_min_bitrate_kbps(lame.get(), settings.bitRateKbps);
    lame_set_VBR_max_bitrate_kbps(lame.get(), settings.bitRateKbps);
    lame_set_VBR_hard_min(lame.get(), 1);
    lame_set_bWriteVbrTag(lame.get(), 1);
    if (lame_init_params(lame.get()) < 0) {
        error = "LAME cannot encode " + std::to_string(outputRate) + " Hz at " +
                std::to_string(settings.bitRateKbps) + " kbit/s";
        return false;
    }

    // Read and write: LAME reads the start back to fill in its tag frame.
    std::unique_ptr<std::FILE, FileCloser> out(std::fopen(outputPath.c_str(), "w+b"));
    if (!out) {
        error = "cannot write " + outputPath + ": " + std::strerror(errno);
        return false;
    }
    if (!WriteMp3(lame.get(), input, out.get(), error)) {
        error = outputPath + ": " + error;
        // No half-written MP3 is left for the player to take.
        out.reset();
        std::remove(outputPath.c_str());
        return false;
    }
    if (std::fclose(out.release()) != 0) {
        error = "cannot write " + outputPath + ": " + std::strerror(errno);
        std::remove(outputPath.c_str());
        return false;
    }
    return true;
}

}  // namespace mpegenc
