// Repacks a VRK sound file with 10-byte frames into the decoder's bitstream
// file, through the Win32 subset.
//
// Two steps, so that the caller can put up its busy box once the files are
// known to be good: Open takes both files and checks the first byte, Run
// repacks every block. Both files are closed when Run returns and after a
// failed Open. A bitstream that could not be written whole is deleted, so it
// is never decoded as if it were complete.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/win32.h"

namespace vocna {

enum RepackResult : int {
    kRepackDone = 0,
    kRepackNoSoundFile = -1,     // the sound file cannot be opened for reading
    kRepackNoBitstream = -2,     // the bitstream file cannot be created
    kRepackReadWriteError = -3,  // reading the sound file or writing the bitstream failed
    kRepackNotFrames10 = -4,     // the first byte is not 0x80 (the bitstream stays, empty)
};

class SoundFileRepacker {
  public:
    explicit SoundFileRepacker(win32::Win32& system);
    ~SoundFileRepacker();
    SoundFileRepacker(const SoundFileRepacker&) = delete;
    SoundFileRepacker& operator=(const SoundFileRepacker&) = delete;

    // Opens the sound file without sharing, creates (or truncates) the
    // bitstream file without sharing, takes the length and checks the first
    // byte. kRepackDone when Run may follow.
    int Open(const std::string& soundPath, const std::string& bitstreamPath);
    // Repacks the complete blocks and closes both files.
    int Run();

    // Blocks read and written per call: the buffer is the same for every
    // size of file.
    static constexpr std::size_t kBlocksPerChunk = 512;

  private:
    bool ReadWhole(std::uint8_t* buffer, win32::DWORD size);
    bool WriteWhole(const std::uint8_t* buffer, win32::DWORD size);
    // Closes what is open; false when closing the bitstream reported a failure.
    bool CloseBoth();
    int Fail();

    win32::Win32& system_;
    win32::HANDLE sound_ = win32::INVALID_HANDLE_VALUE;
    win32::HANDLE bitstream_ = win32::INVALID_HANDLE_VALUE;
    std::string bitstreamPath_;
    std::uint64_t soundLength_ = 0;
    std::vector<std::uint8_t> blocks_;
    std::vector<std::uint8_t> packed_;
};

}  // namespace vocna
