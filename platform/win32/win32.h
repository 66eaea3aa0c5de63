// The Win32 subset: one method per system call that Kerfa and Vocna make.
// Hosts: the native Windows forwarder, the Linux machine and the simulated
// machine of the tests.
#pragma once

#include <string>

#include "platform/win32/win32_types.h"

namespace win32 {

class Win32 {
public:
    virtual ~Win32() = default;

    // Files and devices.
    virtual HANDLE CreateFileA(const char* name, DWORD access, DWORD share, void* security,
                               DWORD creation, DWORD flags, HANDLE templateFile) = 0;
    virtual BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out,
                                 DWORD outSize, DWORD* returned, void* overlapped) = 0;
    virtual DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh,
                                 DWORD method) = 0;
    virtual BOOL ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* read,
                          void* overlapped) = 0;
    virtual BOOL WriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* written,
                           void* overlapped) = 0;
    virtual BOOL FlushFileBuffers(HANDLE file) = 0;
    virtual DWORD GetFileSize(HANDLE file, DWORD* sizeHigh) = 0;
    virtual BOOL CloseHandle(HANDLE handle) = 0;
    virtual BOOL CopyFileA(const char* from, const char* to, BOOL failIfExists) = 0;
    virtual BOOL DeleteFileA(const char* path) = 0;
    virtual DWORD GetLastError() = 0;

    // Drives and volumes.
    virtual DWORD GetLogicalDriveStringsA(DWORD size, char* buffer) = 0;
    virtual UINT GetDriveTypeA(const char* rootPath) = 0;
    virtual BOOL GetVolumeInformationA(const char* rootPath, char* volumeName,
                                       DWORD volumeNameSize, DWORD* serial,
                                       DWORD* maxComponentLength, DWORD* fileSystemFlags,
                                       char* fileSystemName, DWORD fileSystemNameSize) = 0;

    // The system.
    virtual DWORD GetVersion() = 0;
    virtual LANGID GetSystemDefaultLangID() = 0;
    virtual UINT GetWindowsDirectoryA(char* buffer, UINT size) = 0;
    virtual DWORD GetCurrentDirectoryA(DWORD size, char* buffer) = 0;

    // Processes.
    virtual void GetStartupInfoA(STARTUPINFOA* info) = 0;
    virtual BOOL CreateProcessA(const char* applicationName, char* commandLine,
                                void* processAttributes, void* threadAttributes,
                                BOOL inheritHandles, DWORD creationFlags, void* environment,
                                const char* currentDirectory, STARTUPINFOA* startupInfo,
                                PROCESS_INFORMATION* processInformation) = 0;
    virtual DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) = 0;
    virtual UINT WinExec(const char* commandLine, UINT show) = 0;
    virtual int system(const char* command) = 0;
};

}  // namespace win32
