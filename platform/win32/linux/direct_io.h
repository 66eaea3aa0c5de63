// Positioned transfers on a volume. With direct I/O the bytes go between the
// medium and an aligned bounce buffer, never through the page cache; a
// request that does not cover whole blocks of the device is widened to
// them (reading the edge blocks first when writing).
#pragma once

#include <cstddef>
#include <cstdint>

namespace win32::linux_host {

struct Transferred {
    std::size_t bytes = 0;  // moved of those asked for
    int error = 0;          // errno of the request that failed, else 0
};

struct VolumeIo {
    int fd = -1;
    bool direct = false;        // opened with O_DIRECT
    std::size_t blockSize = 0;  // the device's logical block size when direct
};

Transferred ReadAt(const VolumeIo& io, std::uint64_t offset, void* buffer, std::size_t size);
Transferred WriteAt(const VolumeIo& io, std::uint64_t offset, const void* buffer, std::size_t size);

}  // namespace win32::linux_host
