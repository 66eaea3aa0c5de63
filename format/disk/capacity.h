// How large the disk behind a drive is, in bytes.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32/win32.h"

namespace kerfa::disk {

// Size of a device that cannot be told in 32 bits (4 GiB or more on the 9x
// path): no capacity class matches it.
inline constexpr std::uint32_t kDiskTooLarge = 0xFFFFFFFFu;

// "Windows98": bytes per sector x sector count from the device parameters, 0
// when the query fails. Any other PlatformKind: the highest of four probe
// sectors that can be read gives one of five fixed sizes (never 0).
std::uint32_t GetDiskBytes(win32::Win32& sys, const std::string& platformKind, std::string drive);

}  // namespace kerfa::disk
