#include "platform/win32/linux/host_path.h"

#include <algorithm>

namespace win32::linux_host {
namespace {

constexpr std::string_view kDeviceNamespace = "\\\\.\\";

char Letter(char c) {
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z') return c;
    return 0;
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

}  // namespace

std::optional<std::string> DeviceNamespaceName(std::string_view path) {
    if (path.size() < kDeviceNamespace.size() ||
        !std::equal(kDeviceNamespace.begin(), kDeviceNamespace.end(), path.begin())) {
        return std::nullopt;
    }
    return std::string(path.substr(kDeviceNamespace.size()));
}

char VolumeLetter(std::string_view deviceName) {
    if (deviceName.size() != 2 || deviceName[1] != ':') return 0;
    return Letter(deviceName[0]);
}

char RootLetter(std::string_view rootPath) {
    if (rootPath.size() < 2 || rootPath.size() > 3 || rootPath[1] != ':') return 0;
    if (rootPath.size() == 3 && !IsSeparator(rootPath[2])) return 0;
    return Letter(rootPath[0]);
}

char DriveLetterOfPath(std::string_view path) {
    if (path.size() < 2 || path[1] != ':') return 0;
    return Letter(path[0]);
}

std::string SlashPath(std::string_view path) {
    std::string host(path);
    std::replace(host.begin(), host.end(), '\\', '/');
    return host;
}

}  // namespace win32::linux_host
