// Which block devices carry a mounted filesystem, from the kernel's mount
// table of this process (/proc/self/mountinfo).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/win32/linux/block_devices.h"

namespace win32::linux_host {

// Where the first of `devices` that is mounted is mounted, if any is.
std::optional<std::string> MountPointOf(const std::string& mountInfo,
                                        const std::vector<DevNumber>& devices);

}  // namespace win32::linux_host
