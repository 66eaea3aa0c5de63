#include "tools/format_com/medium.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/win32/linux/block_devices.h"
#include "platform/win32/linux/mount_table.h"

namespace format_com {

namespace {

constexpr char kDriveVariablePrefix[] = "KERFA_DRIVE_";
constexpr char kSysfsRoot[] = "/sys";
constexpr char kDevRoot[] = "/dev";
constexpr char kMountInfo[] = "/proc/self/mountinfo";

}  // namespace

std::string DriveVariable(char drive) {
    return std::string(kDriveVariablePrefix) + drive;
}

std::optional<std::string> MediumOf(char drive) {
    const char* value = std::getenv(DriveVariable(drive).c_str());
    if (value == nullptr || *value == '\0') return std::nullopt;
    return std::string(value);
}

std::string WhyNotFormattable(const std::string& medium) {
    struct stat status {};
    if (::stat(medium.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return {};
    namespace host = win32::linux_host;
    const host::Sysfs sysfs(kSysfsRoot, kDevRoot);
    for (const std::string& loop : sysfs.LoopsBacking(medium)) {
        if (const auto at = host::MountPointOf(kMountInfo, sysfs.Family(loop))) {
            return medium + " is attached to " + sysfs.Node(loop) + ", which is mounted at " + *at;
        }
    }
    return {};
}

MediumLock::MediumLock(const std::string& medium) {
    fd_ = ::open(medium.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) {
        error_ = errno;
        return;
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        error_ = errno;
        return;
    }
    held_ = true;
}

MediumLock::~MediumLock() {
    if (fd_ >= 0) ::close(fd_);  // releases the lock
}

}  // namespace format_com
