#include "tools/mpegenc/pcm_input.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <string_view>

namespace mpegenc {

namespace {

constexpr std::size_t kBytesPerSample = 2;
constexpr int kBitsPerSample = 16;
constexpr std::uint16_t kFormatPcm = 0x0001;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::size_t kRiffHeaderBytes = 12;
constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::size_t kFmtBytes = 16;
// WAVE_FORMAT_EXTENSIBLE: cbSize, valid bits, channel mask, then the
// sub-format whose first two bytes are the format tag.
constexpr std::size_t kExtensibleSubFormatOffset = 24;
constexpr std::size_t kExtensibleFmtBytes = 40;
// More than any writer puts in a fmt chunk.
constexpr std::size_t kLargestFmtBytes = 1024;

std::uint16_t Le16(const char* p) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(p[0]) |
                                      static_cast<unsigned char>(p[1]) << 8);
}

std::uint32_t Le32(const char* p) {
    return static_cast<std::uint32_t>(Le16(p)) | static_cast<std::uint32_t>(Le16(p + 2)) << 16;
}

std::optional<std::ifstream> OpenFile(const std::string& path, std::uint64_t& size,
                                      std::string& error) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    size = static_cast<std::uint64_t>(file.tellg());
    file.seekg(0);
    return file;
}

bool ReadExactly(std::ifstream& file, char* buffer, std::size_t bytes) {
    return static_cast<bool>(file.read(buffer, static_cast<std::streamsize>(bytes)));
}

}  // namespace

std::optional<PcmInput> PcmInput::OpenRaw(const std::string& path, const PcmFormat& format,
                                          std::string& error) {
    std::uint64_t size = 0;
    auto file = OpenFile(path, size, error);
    if (!file) return std::nullopt;
    return PcmInput(std::move(*file), format, size);
}

std::optional<PcmInput> PcmInput::OpenWave(const std::string& path, std::string& error) {
    std::uint64_t size = 0;
    auto opened = OpenFile(path, size, error);
    if (!opened) return std::nullopt;
    std::ifstream& file = *opened;
    const auto refuse = [&](const std::string& why) -> std::optional<PcmInput> {
        error = path + ": " + why;
        return std::nullopt;
    };

    std::array<char, kRiffHeaderBytes> riff{};
    if (!ReadExactly(file, riff.data(), riff.size()) ||
        std::string_view(riff.data(), 4) != "RIFF" ||
        std::string_view(riff.data() + 8, 4) != "WAVE") {
        return refuse("not a RIFF/WAVE file");
    }
    std::optional<PcmFormat> format;
    std::uint64_t position = kRiffHeaderBytes;
    for (;;) {
        std::array<char, kChunkHeaderBytes> header{};
        if (!ReadExactly(file, header.data(), header.size())) return refuse("no data chunk");
        position += kChunkHeaderBytes;
        const std::string_view id(header.data(), 4);
        const std::uint64_t chunkBytes = Le32(header.data() + 4);
        if (id == "fmt ") {
            if (chunkBytes < kFmtBytes || chunkBytes > kLargestFmtBytes) {
                return refuse("malformed fmt chunk");
            }
            std::vector<char> fmt(chunkBytes);
            if (!ReadExactly(file, fmt.data(), fmt.size())) return refuse("malformed fmt chunk");
            std::uint16_t tag = Le16(fmt.data());
            if (tag == kFormatExtensible && chunkBytes >= kExtensibleFmtBytes) {
                tag = Le16(fmt.data() + kExtensibleSubFormatOffset);
            }
            const int channels = Le16(fmt.data() + 2);
            const auto rate = static_cast<int>(Le32(fmt.data() + 4));
            const int bits = Le16(fmt.data() + 14);
            if (tag != kFormatPcm || bits != kBitsPerSample) {
                return refuse("not 16-bit PCM");
            }
            if (channels != 1 && channels != 2) return refuse("not mono or stereo");
            if (rate <= 0) return refuse("no sample rate");
            format = PcmFormat{channels, rate, false};
        } else if (id == "data") {
            if (!format) return refuse("data chunk before the fmt chunk");
            // Writers that stream leave the size open: take what is there.
            const std::uint64_t present = size > position ? size - position : 0;
            return PcmInput(std::move(file), *format, std::min(chunkBytes, present));
        } else {
            file.seekg(static_cast<std::streamoff>(chunkBytes), std::ios::cur);
        }
        position += chunkBytes;
        // Chunks are padded to an even length.
        if (chunkBytes % 2 != 0) {
            file.seekg(1, std::ios::cur);
            ++position;
        }
    }
}

bool PcmInput::Read(std::size_t frames, std::vector<std::int16_t>& samples) {
    const std::size_t frameBytes = kBytesPerSample * static_cast<std::size_t>(format_.channels);
    const std::uint64_t wanted = std::min<std::uint64_t>(frames * frameBytes, bytesLeft_);
    const std::size_t bytes = static_cast<std::size_t>(wanted - wanted % frameBytes);
    buffer_.resize(bytes);
    samples.clear();
    if (bytes == 0) return true;
    if (!ReadExactly(file_, buffer_.data(), bytes)) {
        // A file that ends early just ends; a failing device is an error.
        if (!file_.eof()) return false;
        buffer_.resize(static_cast<std::size_t>(file_.gcount()) / frameBytes * frameBytes);
        bytesLeft_ = 0;
    } else {
        bytesLeft_ -= bytes;
    }
    samples.resize(buffer_.size() / kBytesPerSample);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto first = static_cast<unsigned char>(buffer_[2 * i]);
        const auto second = static_cast<unsigned char>(buffer_[2 * i + 1]);
        const unsigned value = format_.bigEndian ? (first << 8 | second) : (second << 8 | first);
        samples[i] = static_cast<std::int16_t>(value);
    }
    return true;
}

}  // namespace mpegenc
