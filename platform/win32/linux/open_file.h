// The entries of LinuxWin32's handle table and drive list (private to the
// host's own files).
#pragma once

#include <unistd.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/win32/linux/block_devices.h"
#include "platform/win32/linux/direct_io.h"
#include "platform/win32/linux/linux_win32.h"

namespace win32::linux_host {

struct LinuxWin32::Drive {
    DriveInfo info;
    std::optional<BlockDevice> device;  // the sysfs entry of a block device
};

// A drive's volume opened through "\\.\E:".
struct VolumeState {
    std::string path;  // the device node or image file, for reports
    VolumeIo io;       // fd -1: opened for device queries only
    std::uint64_t size = 0;
    DWORD bytesPerSector = 512;
    MEDIA_TYPE media = RemovableMedia;
    bool writeProtected = false;  // asked for writing, but the medium is read-only
};

struct LinuxWin32::OpenFile {
    int fd = -1;
    bool canRead = false;
    bool canWrite = false;
    std::uint64_t position = 0;
    std::string deleteOnClose;  // host path removed when the handle closes
    std::optional<VolumeState> volume;

    OpenFile() = default;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile() {
        if (!deleteOnClose.empty()) ::unlink(deleteOnClose.c_str());
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace win32::linux_host
