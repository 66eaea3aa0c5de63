#include "platform/win32/linux/direct_io.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace win32::linux_host {
namespace {

// Memory alignment that every device's direct I/O accepts.
constexpr std::size_t kBufferAlignment = 4096;
// The largest bounce buffer one request uses; longer requests go in pieces.
constexpr std::size_t kBounceBytes = 1024 * 1024;

struct FreeAligned {
    void operator()(void* memory) const { std::free(memory); }
};
using Bounce = std::unique_ptr<char, FreeAligned>;

Bounce AllocateBounce(std::size_t size) {
    const std::size_t rounded = (size + kBufferAlignment - 1) / kBufferAlignment * kBufferAlignment;
    return Bounce(static_cast<char*>(std::aligned_alloc(kBufferAlignment, rounded)));
}

// pread/pwrite until done, the end of the medium, or an error.
Transferred Whole(bool writing, int fd, std::uint64_t offset, char* buffer, std::size_t size) {
    Transferred moved;
    while (moved.bytes < size) {
        const auto at = static_cast<off_t>(offset + moved.bytes);
        const ssize_t n = writing ? ::pwrite(fd, buffer + moved.bytes, size - moved.bytes, at)
                                  : ::pread(fd, buffer + moved.bytes, size - moved.bytes, at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            moved.error = errno;
            break;
        }
        if (n == 0) {
            if (writing) moved.error = ENOSPC;
            break;
        }
        moved.bytes += static_cast<std::size_t>(n);
    }
    return moved;
}

// One piece of at most kBounceBytes through the bounce buffer.
Transferred DirectPiece(const VolumeIo& io, bool writing, std::uint64_t offset, char* data,
                        std::size_t size, char* bounce) {
    const std::uint64_t block = io.blockSize;
    const std::uint64_t start = offset / block * block;
    const std::uint64_t end = (offset + size + block - 1) / block * block;
    const auto span = static_cast<std::size_t>(end - start);
    const auto lead = static_cast<std::size_t>(offset - start);
    Transferred moved;
    if (writing) {
        // Edge blocks that the request covers only in part are read first.
        if (lead != 0 || (offset + size) % block != 0) {
            const Transferred edges = Whole(false, io.fd, start, bounce, span);
            if (edges.error != 0) return {0, edges.error};
        }
        std::memcpy(bounce + lead, data, size);
        const Transferred put = Whole(true, io.fd, start, bounce, span);
        moved.error = put.error;
        moved.bytes = put.bytes > lead ? std::min(put.bytes - lead, size) : 0;
    } else {
        const Transferred got = Whole(false, io.fd, start, bounce, span);
        moved.error = got.error;
        moved.bytes = got.bytes > lead ? std::min(got.bytes - lead, size) : 0;
        std::memcpy(data, bounce + lead, moved.bytes);
    }
    return moved;
}

Transferred Direct(const VolumeIo& io, bool writing, std::uint64_t offset, char* data,
                   std::size_t size) {
    // A piece may grow by one block at each end.
    const std::size_t pieceBytes = kBounceBytes - 2 * io.blockSize;
    Bounce bounce = AllocateBounce(std::min(size, pieceBytes) + 2 * io.blockSize);
    if (!bounce) return {0, ENOMEM};
    Transferred total;
    while (total.bytes < size) {
        const std::size_t piece = std::min(size - total.bytes, pieceBytes);
        const Transferred moved =
            DirectPiece(io, writing, offset + total.bytes, data + total.bytes, piece, bounce.get());
        total.bytes += moved.bytes;
        total.error = moved.error;
        if (moved.error != 0 || moved.bytes < piece) break;
    }
    return total;
}

}  // namespace

Transferred ReadAt(const VolumeIo& io, std::uint64_t offset, void* buffer, std::size_t size) {
    auto* data = static_cast<char*>(buffer);
    return io.direct ? Direct(io, false, offset, data, size)
                     : Whole(false, io.fd, offset, data, size);
}

Transferred WriteAt(const VolumeIo& io, std::uint64_t offset, const void* buffer,
                    std::size_t size) {
    // The bytes are only read from; the shared helpers take one pointer type.
    auto* data = const_cast<char*>(static_cast<const char*>(buffer));
    return io.direct ? Direct(io, true, offset, data, size)
                     : Whole(true, io.fd, offset, data, size);
}

}  // namespace win32::linux_host
