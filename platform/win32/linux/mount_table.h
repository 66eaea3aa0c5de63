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

// Whether any mounted filesystem lies on a loop device or on a partition of
// one (whose number may come from the extended range the kernel hands out).
bool AnyLoopMounted(const std::string& mountInfo);

}  // namespace win32::linux_host
