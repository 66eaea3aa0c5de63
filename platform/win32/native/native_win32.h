// The Win32 subset on real Windows: each call goes to the system's own.
#pragma once

#include "platform/win32/win32.h"

namespace win32::native {

class NativeWin32 final : public Win32 {
  public:
    HANDLE CreateFileA(const char* name, DWORD access, DWORD share, void* security, DWORD creation,
                       DWORD flags, HANDLE templateFile) override;
    BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out,
                         DWORD outSize, DWORD* returned, void* overlapped) override;
    DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) override;
    BOOL ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* read, void* overlapped) override;
    BOOL WriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* written,
                   void* overlapped) override;
    BOOL FlushFileBuffers(HANDLE file) override;
    DWORD GetFileSize(HANDLE file, DWORD* sizeHigh) override;
    BOOL CloseHandle(HANDLE handle) override;
    BOOL CopyFileA(const char* from, const char* to, BOOL failIfExists) override;
    BOOL DeleteFileA(const char* path) override;
    DWORD GetLastError() override;

    DWORD GetLogicalDriveStringsA(DWORD size, char* buffer) override;
    UINT GetDriveTypeA(const char* rootPath) override;
    BOOL GetVolumeInformationA(const char* rootPath, char* volumeName, DWORD volumeNameSize,
                               DWORD* serial, DWORD* maxComponentLength, DWORD* fileSystemFlags,
                               char* fileSystemName, DWORD fileSystemNameSize) override;

    DWORD GetVersion() override;
    LANGID GetSystemDefaultLangID() override;
    UINT GetWindowsDirectoryA(char* buffer, UINT size) override;
    DWORD GetCurrentDirectoryA(DWORD size, char* buffer) override;

    void GetStartupInfoA(STARTUPINFOA* info) override;
    BOOL CreateProcessA(const char* applicationName, char* commandLine, void* processAttributes,
                        void* threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                        void* environment, const char* currentDirectory, STARTUPINFOA* startupInfo,
                        PROCESS_INFORMATION* processInformation) override;
    DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) override;
    UINT WinExec(const char* commandLine, UINT show) override;
    int system(const char* command) override;
};

}  // namespace win32::native
