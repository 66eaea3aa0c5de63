#include "platform/win32/linux/mount_table.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace win32::linux_host {
namespace {

// mountinfo escapes blanks, tabs, newlines and backslashes as \ooo.
std::string Unescape(const std::string& field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string octal = field.substr(i + 1, 3);
            if (octal.find_first_not_of("01234567") == std::string::npos) {
                text += static_cast<char>(std::stoi(octal, nullptr, 8));
                i += 3;
                continue;
            }
        }
        text += field[i];
    }
    return text;
}

// The kernel's major numbers of loop devices and of the extended range that
// partitions of a loop device get.
constexpr unsigned kLoopMajor = 7;
constexpr unsigned kExtendedMajor = 259;

// The first mount, in table order, whose device satisfies `wanted`; its
// mount point.
template <typename Wanted>
std::optional<std::string> FirstMount(const std::string& mountInfo, const Wanted& wanted) {
    std::ifstream in(mountInfo);
    std::string line;
    while (std::getline(in, line)) {
        // mount-id parent-id major:minor root mount-point ...
        std::istringstream fields(line);
        std::string id, parent, number, root, mountPoint;
        if (!(fields >> id >> parent >> number >> root >> mountPoint)) continue;
        DevNumber device;
        if (std::sscanf(number.c_str(), "%u:%u", &device.major, &device.minor) != 2) continue;
        if (wanted(device)) return Unescape(mountPoint);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> MountPointOf(const std::string& mountInfo,
                                        const std::vector<DevNumber>& devices) {
    return FirstMount(mountInfo, [&](const DevNumber& device) {
        return std::find(devices.begin(), devices.end(), device) != devices.end();
    });
}

bool AnyLoopMounted(const std::string& mountInfo) {
    return FirstMount(mountInfo,
                      [](const DevNumber& device) {
                          return device.major == kLoopMajor || device.major == kExtendedMajor;
                      })
        .has_value();
}

}  // namespace win32::linux_host
