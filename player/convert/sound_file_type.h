// The type of a VRK sound file, told by its first byte.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32/win32.h"

namespace vocna {

// SoundFileType: what the conversion chain does with a sound file.
enum SoundFileType : int {
    kSoundWaveA = 0,        // converted to WAV by the towave tool
    kSoundWaveB = 1,        // converted to WAV by the towave tool
    kSoundWaveC = 2,        // converted to WAV by the towave tool
    kSoundFrames10 = 3,     // 10-byte frames: repacked, then decoded by decodeA
    kSoundFrames22 = 4,     // 22-byte frames: recognised but not converted
    kSoundUnsupported = 5,  // anything else, and a file that cannot be read
};

// The first bytes that name a type; every other byte means kSoundUnsupported.
struct TypeByte {
    std::uint8_t firstByte;
    SoundFileType type;
};
inline constexpr TypeByte kTypeBytes[] = {
    {0x05, kSoundWaveA},    {0x04, kSoundWaveB},    {0x03, kSoundWaveC},
    {0x80, kSoundFrames10}, {0x40, kSoundFrames22},
};

int ClassifyFirstByte(std::uint8_t firstByte);

// Opens the file read-only, sharing reading and writing with every other
// holder, and classifies its first byte. A file that cannot be opened or read,
// or that is empty, is kSoundUnsupported.
int ReadSoundFileType(win32::Win32& system, const std::string& path);

}  // namespace vocna
