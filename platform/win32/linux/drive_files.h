// Files in the root folder of a drive's FAT filesystem, for CopyFileA and
// DeleteFileA on paths such as "E:\finish". An unmounted medium (device node
// or disk-image file) is reached with mtools, never through the kernel; a
// mounted one only through its mount point, so a mounted filesystem is never
// written underneath the kernel.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/win32/win32_types.h"

namespace win32::linux_host {

// "E:\NAME" or "E:/NAME" (any case of the letter): the letter in upper case
// and NAME, a name in the root folder.
struct DriveFilePath {
    char letter = 0;
    std::string name;
};
// Nothing for a path that is not drive-rooted; a NAME that is empty, names a
// subfolder or holds a control character gives a path with an empty name.
std::optional<DriveFilePath> ParseDriveFilePath(std::string_view path);

struct DriveMedium {
    std::string path;        // the device node or the disk-image file
    std::string mountPoint;  // where its filesystem is mounted; empty: not mounted
};

// Each returns ERROR_SUCCESS or the Win32 error of the failure:
// ERROR_FILE_NOT_FOUND (no source / no such file on the drive),
// ERROR_FILE_EXISTS (failIfExists), ERROR_SHARING_VIOLATION (a formatter or
// another program holds the medium), ERROR_INVALID_NAME (a name not in the
// root folder), ERROR_NOT_READY (no FAT filesystem the tools can use, or the
// medium cannot be opened).
DWORD CopyIntoDrive(const DriveMedium& medium, const std::string& hostSource,
                    const std::string& name, bool failIfExists);
DWORD DeleteFromDrive(const DriveMedium& medium, const std::string& name);

}  // namespace win32::linux_host
