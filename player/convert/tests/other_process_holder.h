// A file held open by another process, through that process's own Win32
// host, for as long as the object lives.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/win32/linux/linux_win32.h"

namespace vocna::testing {

class OtherProcessHolder {
  public:
    OtherProcessHolder(const std::string& path, win32::DWORD access, win32::DWORD share) {
        int ready[2];
        int release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            win32::linux_host::LinuxWin32Options options;
            options.blockDevices = false;
            win32::linux_host::LinuxWin32 system(options);
            win32::HANDLE file = system.CreateFileA(path.c_str(), access, share, nullptr,
                                                    win32::OPEN_EXISTING, 0, nullptr);
            const char opened = file == win32::INVALID_HANDLE_VALUE ? 'n' : 'y';
            if (::write(ready[1], &opened, 1) != 1) ::_exit(1);
            char ignored;
            while (::read(release[0], &ignored, 1) > 0) {
            }
            if (opened == 'y') system.CloseHandle(file);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        release_ = release[1];
        char opened = 'n';
        held_ = ::read(ready[0], &opened, 1) == 1 && opened == 'y';
        ::close(ready[0]);
    }
    ~OtherProcessHolder() { Release(); }
    OtherProcessHolder(const OtherProcessHolder&) = delete;
    OtherProcessHolder& operator=(const OtherProcessHolder&) = delete;

    bool held() const { return held_; }
    void Release() {
        if (release_ >= 0) ::close(release_);
        release_ = -1;
        if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
        held_ = false;
    }

  private:
    pid_t pid_ = -1;
    int release_ = -1;
    bool held_ = false;
};

}  // namespace vocna::testing
