#include "format/disk/drive_discovery.h"

#include <array>
#include <cstddef>

#include "format/disk/device_requests.h"

namespace kerfa::disk {

using namespace win32;

namespace {

constexpr DWORD kNt9xBit = 0x80000000u;    // GetVersion: set on Windows 98/ME
constexpr DWORD kDriveStringsBytes = 150;  // 26 root paths need 105
constexpr std::size_t kRootPathBytes = 4;  // "E:\" and its NUL
constexpr std::size_t kGeometryBytes = 480;
constexpr std::size_t kMediaTypeEnd = offsetof(DISK_GEOMETRY, MediaType) + sizeof(MEDIA_TYPE);

int IsCandidate9x(Win32& sys, const std::string& drive) {
    DEVICEPARAMS params{};
    return GetDeviceParameters(sys, drive, params) && params.dpDevType == DEVTYPE_FIXED_DISK ? 1
                                                                                             : 0;
}

int IsCandidateNt(Win32& sys, const std::string& drive) {
    HANDLE volume = OpenVolume(sys, drive, 0);
    if (volume == INVALID_HANDLE_VALUE) return 0;
    std::array<DISK_GEOMETRY, kGeometryBytes / sizeof(DISK_GEOMETRY)> geometry{};
    DWORD returned = 0;
    const BOOL done = sys.DeviceIoControl(volume, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0,
                                          geometry.data(), kGeometryBytes, &returned, nullptr);
    // MediaType counts only when the driver wrote it.
    const bool removable =
        done != FALSE && returned >= kMediaTypeEnd && geometry[0].MediaType == RemovableMedia;
    sys.CloseHandle(volume);
    return removable ? 1 : 0;
}

}  // namespace

std::string GetPlatformKind(Win32& sys) {
    return (sys.GetVersion() & kNt9xBit) != 0 ? kWindows98 : kWindows2K;
}

int IsFormatCandidate(Win32& sys, std::string drive) {
    drive = UpperDriveName(std::move(drive));
    return GetPlatformKind(sys) == kWindows98 ? IsCandidate9x(sys, drive)
                                              : IsCandidateNt(sys, drive);
}

int WalkDrives(Win32& sys, std::vector<std::string>& drives) {
    std::array<char, kDriveStringsBytes> list{};
    const DWORD length = sys.GetLogicalDriveStringsA(kDriveStringsBytes, list.data());
    // 0 is failure; a length that does not fit means nothing was written.
    if (length == 0 || length >= kDriveStringsBytes) return 0;
    int added = 0;
    for (std::size_t entry = 0; entry < length && list[entry] != '\0'; entry += kRootPathBytes) {
        std::array<char, kRootPathBytes + 1> root{};
        for (std::size_t i = 0; i < kRootPathBytes && entry + i < length && list[entry + i] != '\0';
             ++i) {
            root[i] = list[entry + i];
        }
        if (sys.GetDriveTypeA(root.data()) != DRIVE_REMOVABLE) continue;
        root[2] = '\0';  // cut after the colon: the drive name
        std::string name(root.data());
        if (IsFormatCandidate(sys, name) == 1) {
            drives.push_back(std::move(name));
            ++added;
        }
    }
    return added;
}

}  // namespace kerfa::disk
