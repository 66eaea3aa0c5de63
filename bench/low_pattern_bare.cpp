// The bare I/O pattern of a Low format, for comparison: for each 16 KiB chunk
// of a file or device, write 0xFF, flush, read back and compare, with direct
// I/O. Prints the bytes tested and the mismatching chunks.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kChunkBytes = 16384;
constexpr std::size_t kAlignment = 4096;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: low_pattern_bare FILE\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDWR | O_DIRECT);
    if (fd < 0) {
        std::perror(argv[1]);
        return 1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        std::perror("fstat");
        return 1;
    }
    off_t size = st.st_size;
    if (S_ISBLK(st.st_mode)) size = ::lseek(fd, 0, SEEK_END);
    void* memory = nullptr;
    if (::posix_memalign(&memory, kAlignment, kChunkBytes) != 0) return 1;
    auto* buffer = static_cast<unsigned char*>(memory);
    long mismatches = 0;
    for (off_t at = 0; at < size; at += static_cast<off_t>(kChunkBytes)) {
        const std::size_t n = static_cast<std::size_t>(
            size - at < static_cast<off_t>(kChunkBytes) ? size - at : static_cast<off_t>(kChunkBytes));
        std::memset(buffer, 0xFF, kChunkBytes);
        if (::pwrite(fd, buffer, n, at) != static_cast<ssize_t>(n) || ::fdatasync(fd) != 0 ||
            ::pread(fd, buffer, n, at) != static_cast<ssize_t>(n)) {
            std::perror("chunk");
            return 1;
        }
        for (std::size_t i = 0; i < n; ++i) {
            if (buffer[i] != 0xFF) {
                ++mismatches;
                break;
            }
        }
    }
    std::free(memory);
    ::close(fd);
    std::printf("%lld bytes tested, %ld chunks differ\n", static_cast<long long>(size), mismatches);
    return 0;
}
