// The media of simulated drives: bytes in memory, or a real file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

#include "platform/win32/simulated/simulated_machine.h"

namespace win32::sim {

std::vector<std::uint8_t> Disk::Snapshot() const {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(Size()));
    if (!bytes.empty() && !Read(0, bytes.data(), bytes.size())) {
        throw std::runtime_error("disk snapshot: medium cannot be read");
    }
    return bytes;
}

namespace {

bool InRange(std::uint64_t offset, std::size_t size, std::uint64_t total) {
    return offset <= total && size <= total - offset;
}

class MemoryMedium : public Disk {
  public:
    MemoryMedium(std::uint64_t size, std::uint8_t fill)
        : bytes_(static_cast<std::size_t>(size), fill) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    bool Read(std::uint64_t offset, void* buffer, std::size_t size) const override {
        if (!InRange(offset, size, bytes_.size())) return false;
        if (size != 0) std::memcpy(buffer, bytes_.data() + offset, size);
        return true;
    }
    bool Write(std::uint64_t offset, const void* buffer, std::size_t size) override {
        if (!InRange(offset, size, bytes_.size())) return false;
        if (size != 0) std::memcpy(bytes_.data() + offset, buffer, size);
        return true;
    }

  private:
    std::vector<std::uint8_t> bytes_;
};

class FileMedium : public Disk {
  public:
    explicit FileMedium(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_CLOEXEC)) {
        if (fd_ < 0) throw std::runtime_error("FileDisk: cannot open " + path);
    }
    ~FileMedium() override { ::close(fd_); }
    FileMedium(const FileMedium&) = delete;
    FileMedium& operator=(const FileMedium&) = delete;

    std::uint64_t Size() const override {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) return 0;
        return static_cast<std::uint64_t>(st.st_size);
    }
    bool Read(std::uint64_t offset, void* buffer, std::size_t size) const override {
        if (!InRange(offset, size, Size())) return false;
        auto* out = static_cast<char*>(buffer);
        while (size > 0) {
            ssize_t n = ::pread(fd_, out, size, static_cast<off_t>(offset));
            if (n <= 0) return false;
            out += n;
            size -= static_cast<std::size_t>(n);
            offset += static_cast<std::uint64_t>(n);
        }
        return true;
    }
    // The medium keeps its size: a file disk never grows.
    bool Write(std::uint64_t offset, const void* buffer, std::size_t size) override {
        if (!InRange(offset, size, Size())) return false;
        const auto* in = static_cast<const char*>(buffer);
        while (size > 0) {
            ssize_t n = ::pwrite(fd_, in, size, static_cast<off_t>(offset));
            if (n <= 0) return false;
            in += n;
            size -= static_cast<std::size_t>(n);
            offset += static_cast<std::uint64_t>(n);
        }
        return true;
    }

  private:
    int fd_;
};

}  // namespace

std::shared_ptr<Disk> MemoryDisk(std::uint64_t size, std::uint8_t fill) {
    return std::make_shared<MemoryMedium>(size, fill);
}

std::shared_ptr<Disk> FileDisk(const std::string& path) {
    return std::make_shared<FileMedium>(path);
}

}  // namespace win32::sim
