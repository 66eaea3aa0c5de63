// Windows path forms on the Linux host.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace win32::linux_host {

// NAME of a device-namespace path "\\.\NAME"; nothing for any other path.
std::optional<std::string> DeviceNamespaceName(std::string_view path);

// The upper-case letter of a volume name "E:" (any case), else 0.
char VolumeLetter(std::string_view deviceName);

// The upper-case letter of a root path "E:\" (also "E:" or "E:/"), else 0.
char RootLetter(std::string_view rootPath);

// The upper-case letter of a drive-rooted path "E:\dir\file", else 0.
char DriveLetterOfPath(std::string_view path);

// The host form of a Windows path: every backslash becomes a slash.
std::string SlashPath(std::string_view path);

}  // namespace win32::linux_host
