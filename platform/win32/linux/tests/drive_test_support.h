// Helpers for the drive tests of the Linux host.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/linux/linux_win32.h"

namespace win32::linux_host::testing {

constexpr DWORD kShareBoth = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kSector = 512;

// Collects what the host tells the user.
struct Reports {
    std::vector<std::string> lines;
    std::function<void(const std::string&)> Sink() {
        return [this](const std::string& line) { lines.push_back(line); };
    }
};

inline HANDLE OpenVolume(Win32& host, const std::string& volume, DWORD access) {
    return host.CreateFileA(volume.c_str(), access, kShareBoth, nullptr, OPEN_EXISTING, 0, nullptr);
}

inline std::vector<char> Pattern(std::size_t size, unsigned seed) {
    std::vector<char> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 31 + seed) >> 3);
    return bytes;
}

}  // namespace win32::linux_host::testing
