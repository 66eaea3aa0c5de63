// Child processes on the Linux host: started without a shell from a
// Windows-style command line, split by the Microsoft C runtime's rules
// (command_line.h). LinuxWin32 forwards its process calls here.
//
// - The program is the first token of the command line (or applicationName),
//   its trailing blanks ignored as Windows ignores them. A name with a slash
//   is a path from the caller's working directory; a bare name is searched
//   on PATH. The child inherits the working directory (or gets
//   currentDirectory), the environment (or the given block) and the
//   standard streams; inheritHandles and the creation flags change nothing.
// - A command line "cmd /c LINE", and the command of system(), go to the
//   command interpreter; here that is command_interpreter.h: one program, at
//   most one "< FILE", everything else refused. No shell ever runs.
// - Handles are addresses of this table's entries, so they never equal a
//   handle of another table. A child is reaped as soon as it is seen to have
//   ended, its exit code kept for its handles; a child whose handles are all
//   closed while it runs is reaped by a later call or, after the table is
//   gone, by a waiting thread: no zombie is left and no child is killed.
#pragma once

#include <memory>

#include "platform/win32/win32_types.h"

namespace win32::linux_host {

constexpr DWORD STILL_ACTIVE = 259;

class Processes {
  public:
    // hiddenOutputToErrors: a child started with its window hidden writes its
    // standard output to our standard error, so it never mixes with what we
    // print on standard output ourselves.
    explicit Processes(bool hiddenOutputToErrors = false);
    ~Processes();  // reaps every child still known; leaves no zombie
    Processes(const Processes&) = delete;
    Processes& operator=(const Processes&) = delete;

    void GetStartupInfoA(STARTUPINFOA* info);
    BOOL CreateProcessA(const char* applicationName, char* commandLine, void* processAttributes,
                        void* threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                        void* environment, const char* currentDirectory, STARTUPINFOA* startupInfo,
                        PROCESS_INFORMATION* processInformation);
    DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
    // Starts without waiting; > 31 when started, else a code <= 31.
    UINT WinExec(const char* commandLine, UINT show);
    // Runs the command through the interpreter and waits: its exit code, or
    // -1 when it could not be started (also for a refused command).
    // system(nullptr) is 1: an interpreter is there.
    int system(const char* command);

    // Beyond the Win32 subset.
    // The exit code of a process (or thread) handle; STILL_ACTIVE while it
    // runs. A child killed by signal N reports 128 + N.
    BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode);
    // A new process handle to the child that the last successful WinExec
    // started, for a caller that has to wait for it; nullptr when the last
    // WinExec failed or there was none. The caller closes it.
    HANDLE OpenLastWinExecProcess();

    // True when `handle` is a process or thread handle of this table.
    bool Owns(HANDLE handle) const;
    BOOL CloseHandle(HANDLE handle);
    int OpenHandles() const;
    DWORD LastError() const;

  private:
    struct Table;
    std::unique_ptr<Table> table_;
};

}  // namespace win32::linux_host
