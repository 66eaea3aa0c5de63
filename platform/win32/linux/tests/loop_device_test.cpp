// The Linux host on real block devices: loop devices over image files, where
// this machine lets the test make them. Where it does not, each test says
// why and is skipped.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/win32/linux/linux_win32.h"
#include "platform/win32/linux/tests/drive_test_support.h"
#include "platform/win32/linux/tests/text_files.h"

namespace win32::linux_host {
namespace {

using namespace testing;
using testing_support::RunCommand;
using testing_support::ShellQuote;

constexpr std::uint64_t kImageBytes = 8 * 1024 * 1024;
constexpr DWORD kSectorUnderTest = 100;

// A loop device over a file, detached again at the end.
class LoopDevice {
  public:
    explicit LoopDevice(const std::string& image, bool readOnly = false) {
        const auto attached = RunCommand(std::string("losetup --find --show ") +
                                         (readOnly ? "--read-only " : "") + ShellQuote(image));
        if (attached.exitCode != 0) {
            why_ = "cannot attach a loop device here: " + attached.output;
            return;
        }
        node_ = attached.output.substr(0, attached.output.find('\n'));
    }
    ~LoopDevice() {
        if (!node_.empty()) RunCommand("losetup --detach " + ShellQuote(node_));
    }
    LoopDevice(const LoopDevice&) = delete;
    LoopDevice& operator=(const LoopDevice&) = delete;

    const std::string& node() const { return node_; }
    const std::string& why() const { return why_; }

  private:
    std::string node_;
    std::string why_;
};

class LinuxLoopDevice : public ::testing::Test {
  protected:
    void SetUp() override { testing_support::MakeSparseFile(image_, kImageBytes); }

    std::unique_ptr<LinuxWin32> HostFor(const std::string& path) {
        LinuxWin32Options options;
        options.images = {path};
        options.blockDevices = false;
        options.reporter = reports_.Sink();
        return std::make_unique<LinuxWin32>(options);
    }

    // Writes one sector into the image file behind the loop device's back.
    void ChangeBackingFile(const std::vector<char>& sector) {
        const int fd = ::open(image_.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, sector.data(), kSector, kSectorUnderTest * kSector),
                  static_cast<ssize_t>(kSector));
        ::fsync(fd);
        ::close(fd);
    }

    TempDir dir_;
    std::string image_ = dir_ / "loop.img";
    Reports reports_;
};

TEST_F(LinuxLoopDevice, ReadsReachTheMediumNotThePageCache) {
    LoopDevice loop(image_);
    if (loop.node().empty()) GTEST_SKIP() << loop.why();
    auto host = HostFor(loop.node());
    ASSERT_FALSE(host->Drives()[0].isImage);

    HANDLE volume = OpenVolume(*host, "\\\\.\\D:", kReadWrite);
    ASSERT_NE(volume, INVALID_HANDLE_VALUE) << (reports_.lines.empty() ? "" : reports_.lines[0]);
    const auto first = Pattern(kSector, 1);
    DWORD moved = 0;
    host->SetFilePointer(volume, kSectorUnderTest * kSector, nullptr, FILE_BEGIN);
    ASSERT_TRUE(host->WriteFile(volume, first.data(), kSector, &moved, nullptr));
    EXPECT_TRUE(host->FlushFileBuffers(volume));

    // A buffered reader pulls the sector into the device's page cache.
    const int cached = ::open(loop.node().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(cached, 0);
    std::vector<char> seen(kSector);
    ASSERT_EQ(::pread(cached, seen.data(), kSector, kSectorUnderTest * kSector),
              static_cast<ssize_t>(kSector));
    EXPECT_EQ(seen, first);

    // The medium changes underneath: the loop device's backing file.
    const auto second = Pattern(kSector, 2);
    ChangeBackingFile(second);

    std::vector<char> back(kSector);
    host->SetFilePointer(volume, kSectorUnderTest * kSector, nullptr, FILE_BEGIN);
    ASSERT_TRUE(host->ReadFile(volume, back.data(), kSector, &moved, nullptr));
    EXPECT_EQ(moved, kSector);
    EXPECT_EQ(back, second) << "the read came from the page cache, not the medium";

    ASSERT_EQ(::pread(cached, seen.data(), kSector, kSectorUnderTest * kSector),
              static_cast<ssize_t>(kSector));
    if (seen == first) {
        std::printf("note: a buffered read still sees the old bytes; ours saw the new ones\n");
    }
    ::close(cached);
    EXPECT_TRUE(host->CloseHandle(volume));
    EXPECT_EQ(host->OpenHandles(), 0);
}

TEST_F(LinuxLoopDevice, GeometryOfAFixedDeviceIsFixedMedia) {
    LoopDevice loop(image_);
    if (loop.node().empty()) GTEST_SKIP() << loop.why();
    auto host = HostFor(loop.node());
    HANDLE volume = OpenVolume(*host, "\\\\.\\D:", 0);
    ASSERT_NE(volume, INVALID_HANDLE_VALUE);
    DISK_GEOMETRY geometry{};
    DWORD returned = 0;
    ASSERT_TRUE(host->DeviceIoControl(volume, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry,
                                      sizeof geometry, &returned, nullptr));
    // Loop devices say in sysfs that their medium is not removable.
    EXPECT_EQ(geometry.MediaType, 12);  // FixedMedia
    EXPECT_TRUE(host->CloseHandle(volume));

    // The size is the device's: the last sector reads, the one after does not.
    volume = OpenVolume(*host, "\\\\.\\D:", GENERIC_READ);
    ASSERT_NE(volume, INVALID_HANDLE_VALUE);
    std::vector<char> sector(kSector);
    DWORD moved = 0;
    host->SetFilePointer(volume, static_cast<LONG>(kImageBytes - kSector), nullptr, FILE_BEGIN);
    EXPECT_TRUE(host->ReadFile(volume, sector.data(), kSector, &moved, nullptr));
    EXPECT_EQ(moved, kSector);
    EXPECT_FALSE(host->ReadFile(volume, sector.data(), kSector, &moved, nullptr));
    EXPECT_TRUE(host->CloseHandle(volume));
}

TEST_F(LinuxLoopDevice, AWriterHoldsTheDeviceExclusively) {
    LoopDevice loop(image_);
    if (loop.node().empty()) GTEST_SKIP() << loop.why();
    auto host = HostFor(loop.node());
    HANDLE volume = OpenVolume(*host, "\\\\.\\D:", kReadWrite);
    ASSERT_NE(volume, INVALID_HANDLE_VALUE);
    // Another program (here a second host) cannot claim it for writing too.
    Reports other;
    LinuxWin32Options options;
    options.images = {loop.node()};
    options.blockDevices = false;
    options.reporter = other.Sink();
    LinuxWin32 second(options);
    EXPECT_EQ(OpenVolume(second, "\\\\.\\D:", kReadWrite), INVALID_HANDLE_VALUE);
    EXPECT_EQ(second.GetLastError(), ERROR_BUSY);
    ASSERT_EQ(other.lines.size(), 1u);
    EXPECT_EQ(other.lines[0],
              loop.node() + ": device is busy (held exclusively by the system or another program)");
    EXPECT_TRUE(host->CloseHandle(volume));
}

TEST_F(LinuxLoopDevice, AWriteProtectedMediumReadsButRefusesWrites) {
    LoopDevice loop(image_, true);
    if (loop.node().empty()) GTEST_SKIP() << loop.why();
    auto host = HostFor(loop.node());
    HANDLE volume = OpenVolume(*host, "\\\\.\\D:", kReadWrite);
    ASSERT_NE(volume, INVALID_HANDLE_VALUE);
    std::vector<char> sector(kSector);
    DWORD moved = 0;
    EXPECT_TRUE(host->ReadFile(volume, sector.data(), kSector, &moved, nullptr));
    host->SetFilePointer(volume, 0, nullptr, FILE_BEGIN);
    EXPECT_FALSE(host->WriteFile(volume, sector.data(), kSector, &moved, nullptr));
    EXPECT_EQ(host->GetLastError(), ERROR_WRITE_PROTECT);
    ASSERT_EQ(reports_.lines.size(), 1u);
    EXPECT_EQ(reports_.lines[0], loop.node() + ": medium is write-protected");
    EXPECT_TRUE(host->CloseHandle(volume));
}

TEST_F(LinuxLoopDevice, AMountedDeviceAndItsImageAreNeverWritten) {
    // ext4: the filesystem this machine's kernel surely mounts.
    ASSERT_TRUE(testing_support::HaveProgram("mkfs.ext4")) << "mkfs.ext4 is missing";
    ASSERT_EQ(RunCommand("mkfs.ext4 -q -F -L MOUNTED " + ShellQuote(image_)).exitCode, 0);
    LoopDevice loop(image_);
    if (loop.node().empty()) GTEST_SKIP() << loop.why();
    const std::string at = dir_ / "mnt";
    std::filesystem::create_directory(at);
    const auto mounted =
        RunCommand("mount -t ext4 " + ShellQuote(loop.node()) + " " + ShellQuote(at));
    if (mounted.exitCode != 0) GTEST_SKIP() << "cannot mount here: " << mounted.output;
    struct Unmount {
        std::string at;
        ~Unmount() { RunCommand("umount " + ShellQuote(at)); }
    } unmount{at};

    auto device = HostFor(loop.node());
    EXPECT_EQ(OpenVolume(*device, "\\\\.\\D:", kReadWrite), INVALID_HANDLE_VALUE);
    EXPECT_EQ(device->GetLastError(), ERROR_BUSY);
    auto image = HostFor(image_);
    EXPECT_EQ(OpenVolume(*image, "\\\\.\\D:", kReadWrite), INVALID_HANDLE_VALUE);
    EXPECT_EQ(image->GetLastError(), ERROR_BUSY);
    ASSERT_EQ(reports_.lines.size(), 2u);
    EXPECT_EQ(reports_.lines[0],
              loop.node() + ": device is mounted at " + at + "; unmount it first");
    EXPECT_EQ(reports_.lines[1], image_ + ": image is attached to " + loop.node() +
                                     ", which is mounted at " + at + "; unmount it first");

    // Reading the mounted device, and its label, stays possible.
    HANDLE volume = OpenVolume(*device, "\\\\.\\D:", GENERIC_READ);
    EXPECT_NE(volume, INVALID_HANDLE_VALUE);
    if (volume != INVALID_HANDLE_VALUE) {
        EXPECT_TRUE(device->CloseHandle(volume));
    }
    char label[150] = "";
    EXPECT_TRUE(
        device->GetVolumeInformationA("D:\\", label, 150, nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_STREQ(label, "MOUNTED");
}

// Runs `body` as an unprivileged user when the test runs as root, so that
// file permissions apply; returns what the body returned.
int AsUnprivilegedUser(const std::function<int()>& body) {
    if (::geteuid() != 0) return body();
    const pid_t child = ::fork();
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(100);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
}

TEST_F(LinuxLoopDevice, APermissionRefusalSaysSo) {
    std::filesystem::permissions(
        image_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    std::filesystem::permissions(dir_.path(), std::filesystem::perms::all);
    const std::string image = image_;
    const int result = AsUnprivilegedUser([&image] {
        std::string said;
        LinuxWin32Options options;
        options.images = {image};
        options.blockDevices = false;
        options.reporter = [&said](const std::string& line) { said = line; };
        LinuxWin32 host(options);
        if (OpenVolume(host, "\\\\.\\D:", kReadWrite) != INVALID_HANDLE_VALUE) return 1;
        if (host.GetLastError() != ERROR_ACCESS_DENIED) return 2;
        if (said != image + ": Permission denied") return 3;
        return 0;
    });
    EXPECT_EQ(result, 0);
}

}  // namespace
}  // namespace win32::linux_host
