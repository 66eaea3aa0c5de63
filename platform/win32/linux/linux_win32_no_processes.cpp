// LinuxWin32's process calls on a build without the process table: no child
// can be started, and every call says so.
#include <cstring>

#include "platform/win32/linux/linux_win32.h"

namespace win32::linux_host {

void LinuxWin32::ProcessesDeleter::operator()(Processes* /*processes*/) const {}

std::unique_ptr<Processes, LinuxWin32::ProcessesDeleter> LinuxWin32::MakeProcesses(
    const LinuxWin32Options& /*options*/) {
    return nullptr;
}

bool LinuxWin32::OwnedByProcesses(HANDLE /*handle*/) const {
    return false;
}

BOOL LinuxWin32::CloseProcessHandle(HANDLE /*handle*/) {
    return Fail(ERROR_INVALID_HANDLE);
}

int LinuxWin32::ProcessHandles() const {
    return 0;
}

void LinuxWin32::GetStartupInfoA(STARTUPINFOA* info) {
    if (info == nullptr) return;
    std::memset(info, 0, sizeof *info);
    info->cb = sizeof *info;
}

BOOL LinuxWin32::CreateProcessA(const char* /*applicationName*/, char* /*commandLine*/,
                                void* /*processAttributes*/, void* /*threadAttributes*/,
                                BOOL /*inheritHandles*/, DWORD /*creationFlags*/,
                                void* /*environment*/, const char* /*currentDirectory*/,
                                STARTUPINFOA* /*startupInfo*/,
                                PROCESS_INFORMATION* /*processInformation*/) {
    return Fail(ERROR_NOT_SUPPORTED);
}

DWORD LinuxWin32::WaitForSingleObject(HANDLE /*handle*/, DWORD /*milliseconds*/) {
    lastError_ = ERROR_INVALID_HANDLE;
    return WAIT_FAILED;
}

UINT LinuxWin32::WinExec(const char* /*commandLine*/, UINT /*show*/) {
    // WinExec's codes below 32 are errors; 0 means out of resources.
    lastError_ = ERROR_NOT_SUPPORTED;
    return 0;
}

int LinuxWin32::system(const char* /*command*/) {
    lastError_ = ERROR_NOT_SUPPORTED;
    return -1;
}

}  // namespace win32::linux_host
