#include "player/convert/sound_file_repacker.h"

#include <algorithm>

#include "player/convert/vrk_blocks.h"

namespace vocna {

using win32::DWORD;
using win32::INVALID_HANDLE_VALUE;

SoundFileRepacker::SoundFileRepacker(win32::Win32& system)
    : system_(system),
      blocks_(kBlocksPerChunk * kVrkBlockBytes),
      packed_(kBlocksPerChunk * kBitstreamBlockBytes) {}

SoundFileRepacker::~SoundFileRepacker() {
    CloseBoth();
}

int SoundFileRepacker::Open(const std::string& soundPath, const std::string& bitstreamPath) {
    CloseBoth();
    sound_ = system_.CreateFileA(soundPath.c_str(), win32::GENERIC_READ, 0, nullptr,
                                 win32::OPEN_EXISTING, win32::FILE_ATTRIBUTE_NORMAL, nullptr);
    if (sound_ == INVALID_HANDLE_VALUE) return kRepackNoSoundFile;
    bitstream_ = system_.CreateFileA(bitstreamPath.c_str(), win32::GENERIC_WRITE, 0, nullptr,
                                     win32::CREATE_ALWAYS, win32::FILE_ATTRIBUTE_NORMAL, nullptr);
    if (bitstream_ == INVALID_HANDLE_VALUE) {
        CloseBoth();
        return kRepackNoBitstream;
    }
    bitstreamPath_ = bitstreamPath;

    DWORD high = 0;
    const DWORD low = system_.GetFileSize(sound_, &high);
    if (low == win32::INVALID_FILE_SIZE && system_.GetLastError() != win32::ERROR_SUCCESS)
        return Fail();
    soundLength_ = (std::uint64_t{high} << 32) | low;

    std::uint8_t firstByte = 0;
    DWORD read = 0;
    if (!system_.ReadFile(sound_, &firstByte, 1, &read, nullptr)) return Fail();
    // An empty file has no first byte, so it is not a file of this kind either.
    if (read != 1 || firstByte != kFrames10TypeByte) {
        if (!CloseBoth()) return Fail();
        return kRepackNotFrames10;
    }
    if (system_.SetFilePointer(sound_, static_cast<win32::LONG>(kVrkHeaderBytes), nullptr,
                               win32::FILE_BEGIN) != kVrkHeaderBytes)
        return Fail();
    return kRepackDone;
}

int SoundFileRepacker::Run() {
    if (sound_ == INVALID_HANDLE_VALUE || bitstream_ == INVALID_HANDLE_VALUE)
        return kRepackReadWriteError;
    std::uint64_t remaining = CompleteBlockCount(soundLength_);
    while (remaining > 0) {
        const std::size_t blocks =
            static_cast<std::size_t>(std::min<std::uint64_t>(remaining, kBlocksPerChunk));
        if (!ReadWhole(blocks_.data(), static_cast<DWORD>(blocks * kVrkBlockBytes))) return Fail();
        RepackBlocks(blocks_.data(), blocks, packed_.data());
        if (!WriteWhole(packed_.data(), static_cast<DWORD>(blocks * kBitstreamBlockBytes)))
            return Fail();
        remaining -= blocks;
    }
    if (!CloseBoth()) return Fail();
    return kRepackDone;
}

// The sound file is held without sharing, so a read that ends early means
// the file is not what its length said: an error, never a shorter bitstream.
bool SoundFileRepacker::ReadWhole(std::uint8_t* buffer, DWORD size) {
    while (size > 0) {
        DWORD read = 0;
        if (!system_.ReadFile(sound_, buffer, size, &read, nullptr) || read == 0 || read > size)
            return false;
        buffer += read;
        size -= read;
    }
    return true;
}

bool SoundFileRepacker::WriteWhole(const std::uint8_t* buffer, DWORD size) {
    while (size > 0) {
        DWORD written = 0;
        if (!system_.WriteFile(bitstream_, buffer, size, &written, nullptr) || written == 0 ||
            written > size)
            return false;
        buffer += written;
        size -= written;
    }
    return true;
}

bool SoundFileRepacker::CloseBoth() {
    if (sound_ != INVALID_HANDLE_VALUE) system_.CloseHandle(sound_);
    sound_ = INVALID_HANDLE_VALUE;
    bool closed = true;
    if (bitstream_ != INVALID_HANDLE_VALUE) closed = system_.CloseHandle(bitstream_) != 0;
    bitstream_ = INVALID_HANDLE_VALUE;
    return closed;
}

int SoundFileRepacker::Fail() {
    CloseBoth();
    system_.DeleteFileA(bitstreamPath_.c_str());
    return kRepackReadWriteError;
}

}  // namespace vocna
