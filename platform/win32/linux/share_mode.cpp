#include "platform/win32/linux/share_mode.h"

#include <sys/file.h>

#include <cerrno>

namespace win32::linux_host {
namespace {

int Lock(int fd, int operation) {
    while (::flock(fd, operation | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        // Filesystems without flock support cannot hold share modes at all.
        return errno == EWOULDBLOCK ? EWOULDBLOCK : 0;
    }
    return 0;
}

}  // namespace

int TakeShareLock(int fd, DWORD share) {
    const bool shares = (share & (FILE_SHARE_READ | FILE_SHARE_WRITE)) != 0;
    return Lock(fd, shares ? LOCK_SH : LOCK_EX);
}

bool HeldByAnOpen(int fd) {
    if (Lock(fd, LOCK_EX) != 0) return true;
    ::flock(fd, LOCK_UN);
    return false;
}

}  // namespace win32::linux_host
