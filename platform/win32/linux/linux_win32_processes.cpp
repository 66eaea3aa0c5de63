// LinuxWin32's process calls, forwarded to the process table.
#include "platform/win32/linux/linux_processes.h"
#include "platform/win32/linux/linux_win32.h"

namespace win32::linux_host {

void LinuxWin32::ProcessesDeleter::operator()(Processes* processes) const {
    delete processes;
}

std::unique_ptr<Processes, LinuxWin32::ProcessesDeleter> LinuxWin32::MakeProcesses(
    const LinuxWin32Options& options) {
    return std::unique_ptr<Processes, ProcessesDeleter>(
        new Processes(options.hiddenChildOutputToErrors));
}

bool LinuxWin32::OwnedByProcesses(HANDLE handle) const {
    return processes_->Owns(handle);
}

BOOL LinuxWin32::CloseProcessHandle(HANDLE handle) {
    const BOOL closed = processes_->CloseHandle(handle);
    lastError_ = closed ? ERROR_SUCCESS : processes_->LastError();
    return closed;
}

int LinuxWin32::ProcessHandles() const {
    return processes_->OpenHandles();
}

void LinuxWin32::GetStartupInfoA(STARTUPINFOA* info) {
    processes_->GetStartupInfoA(info);
}

BOOL LinuxWin32::CreateProcessA(const char* applicationName, char* commandLine,
                                void* processAttributes, void* threadAttributes,
                                BOOL inheritHandles, DWORD creationFlags, void* environment,
                                const char* currentDirectory, STARTUPINFOA* startupInfo,
                                PROCESS_INFORMATION* processInformation) {
    const BOOL started = processes_->CreateProcessA(
        applicationName, commandLine, processAttributes, threadAttributes, inheritHandles,
        creationFlags, environment, currentDirectory, startupInfo, processInformation);
    lastError_ = processes_->LastError();
    return started;
}

DWORD LinuxWin32::WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    const DWORD result = processes_->WaitForSingleObject(handle, milliseconds);
    lastError_ = processes_->LastError();
    return result;
}

UINT LinuxWin32::WinExec(const char* commandLine, UINT show) {
    const UINT result = processes_->WinExec(commandLine, show);
    lastError_ = processes_->LastError();
    return result;
}

int LinuxWin32::system(const char* command) {
    const int result = processes_->system(command);
    lastError_ = processes_->LastError();
    return result;
}

}  // namespace win32::linux_host
