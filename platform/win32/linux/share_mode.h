// Windows share modes across processes, approximated with flock(2) on the
// open file description: an open that shares nothing takes the lock
// exclusively, an open that shares reading and/or writing takes it shared.
// So two sharing opens always coexist (whatever access each asked for), and
// an exclusive open fails while any other is held, also within one process.
// Only programs that take flock locks themselves are kept out.
#pragma once

#include "platform/win32/win32_types.h"

namespace win32::linux_host {

// 0 when the share lock was taken (or the filesystem has no flock), else the
// errno that refused it (EWOULDBLOCK: another open conflicts).
int TakeShareLock(int fd, DWORD share);

// Whether the file at `path` is held by an open of ours or another process's
// share lock, as DeleteFileA must refuse then.
bool HeldByAnOpen(int fd);

}  // namespace win32::linux_host
