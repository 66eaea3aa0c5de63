// Which platform family this is, and which drives are offered for formatting.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/win32.h"

namespace kerfa::disk {

// The PlatformKind strings; every consumer compares with kWindows98.
inline constexpr const char* kWindows98 = "Windows98";
inline constexpr const char* kWindows2K = "Windows2K";

// "Windows98" when GetVersion has its top bit set, else "Windows2K".
std::string GetPlatformKind(win32::Win32& sys);

// 1 when the device behind the drive is the right kind of disk: device type 5
// (Windows 98/ME) or a geometry that reports RemovableMedia (Windows 2000/XP).
int IsFormatCandidate(win32::Win32& sys, std::string drive);

// Appends the removable drives that pass IsFormatCandidate ("E:"), in the
// system's order, and returns how many it added (0 also when the system
// lists no drives). Drives of any other type are never opened.
int WalkDrives(win32::Win32& sys, std::vector<std::string>& drives);

}  // namespace kerfa::disk
