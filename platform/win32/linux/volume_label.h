// What the filesystem on a drive says about itself, read with libblkid.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace win32::linux_host {

struct FilesystemInfo {
    std::string label;  // empty when the filesystem carries none
    std::string type;   // Windows' name: "FAT", "FAT32", "NTFS", ...
    std::uint32_t serial = 0;
};

// Nothing when the medium holds no filesystem libblkid knows; `error` gets
// the errno when the medium could not be read at all.
std::optional<FilesystemInfo> ProbeFilesystem(const std::string& path, int& error);

}  // namespace win32::linux_host
