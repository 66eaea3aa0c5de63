// Raw access to the 512-byte sectors of one drive, by its drive name ("E:"),
// numbered from sector 0 of the volume. Each call chooses the back-end anew:
// VWIN32 when it opens (Windows 98/ME), else the volume opened as a file
// (Windows 2000/XP). No handle outlives a call; the 9x volume lock is the only
// state that does.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32/win32.h"

namespace kerfa::disk {

enum class WriteResult { Written, Failed, LockRefused };

// 1 when all count x 512 bytes were read into `buffer`, else 0.
int ReadSectors(win32::Win32& sys, std::string drive, void* buffer, std::uint32_t start,
                std::uint32_t count);
// Written when all count x 512 bytes were written. On Windows 98/ME the call
// takes the volume lock around its write and releases it on every way out;
// LockRefused means nothing was written because the lock was refused.
WriteResult WriteSectors(win32::Win32& sys, std::string drive, const void* buffer,
                         std::uint32_t start, std::uint32_t count);
// The Windows 98/ME level-0 volume lock; 1 when granted (released), 0 otherwise
// and always 0 where VWIN32 does not exist.
int LockVolume(win32::Win32& sys, std::string drive);
int UnlockVolume(win32::Win32& sys, std::string drive);

// A start sector of 4,194,304 or more, or a count above 65,535, cannot be
// expressed by one of the back-ends; such a call moves no byte and opens
// nothing, on both platforms (ReadSectors 0, WriteSectors Failed).

}  // namespace kerfa::disk
