// A Win32 that hands every call to another one. Tests derive from it to
// change the few calls they care about: a read that fails, a wait that
// reports a running process.
#pragma once

#include "platform/win32/win32.h"

namespace vocna::testing {

using namespace win32;

class InterposedWin32 : public Win32 {
  public:
    explicit InterposedWin32(Win32& inner) : inner_(inner) {}

    HANDLE CreateFileA(const char* name, DWORD access, DWORD share, void* security, DWORD creation,
                       DWORD flags, HANDLE templateFile) override {
        return inner_.CreateFileA(name, access, share, security, creation, flags, templateFile);
    }
    BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out,
                         DWORD outSize, DWORD* returned, void* overlapped) override {
        return inner_.DeviceIoControl(device, code, in, inSize, out, outSize, returned, overlapped);
    }
    DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) override {
        return inner_.SetFilePointer(file, distance, distanceHigh, method);
    }
    BOOL ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* read, void* overlapped) override {
        return inner_.ReadFile(file, buffer, size, read, overlapped);
    }
    BOOL WriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* written,
                   void* overlapped) override {
        return inner_.WriteFile(file, buffer, size, written, overlapped);
    }
    BOOL FlushFileBuffers(HANDLE file) override { return inner_.FlushFileBuffers(file); }
    DWORD GetFileSize(HANDLE file, DWORD* sizeHigh) override {
        return inner_.GetFileSize(file, sizeHigh);
    }
    BOOL CloseHandle(HANDLE handle) override { return inner_.CloseHandle(handle); }
    BOOL CopyFileA(const char* from, const char* to, BOOL failIfExists) override {
        return inner_.CopyFileA(from, to, failIfExists);
    }
    BOOL DeleteFileA(const char* path) override { return inner_.DeleteFileA(path); }
    DWORD GetLastError() override { return inner_.GetLastError(); }
    DWORD GetLogicalDriveStringsA(DWORD size, char* buffer) override {
        return inner_.GetLogicalDriveStringsA(size, buffer);
    }
    UINT GetDriveTypeA(const char* rootPath) override { return inner_.GetDriveTypeA(rootPath); }
    BOOL GetVolumeInformationA(const char* rootPath, char* volumeName, DWORD volumeNameSize,
                               DWORD* serial, DWORD* maxComponentLength, DWORD* fileSystemFlags,
                               char* fileSystemName, DWORD fileSystemNameSize) override {
        return inner_.GetVolumeInformationA(rootPath, volumeName, volumeNameSize, serial,
                                            maxComponentLength, fileSystemFlags, fileSystemName,
                                            fileSystemNameSize);
    }
    DWORD GetVersion() override { return inner_.GetVersion(); }
    LANGID GetSystemDefaultLangID() override { return inner_.GetSystemDefaultLangID(); }
    UINT GetWindowsDirectoryA(char* buffer, UINT size) override {
        return inner_.GetWindowsDirectoryA(buffer, size);
    }
    DWORD GetCurrentDirectoryA(DWORD size, char* buffer) override {
        return inner_.GetCurrentDirectoryA(size, buffer);
    }
    void GetStartupInfoA(STARTUPINFOA* info) override { inner_.GetStartupInfoA(info); }
    BOOL CreateProcessA(const char* applicationName, char* commandLine, void* processAttributes,
                        void* threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                        void* environment, const char* currentDirectory, STARTUPINFOA* startupInfo,
                        PROCESS_INFORMATION* processInformation) override {
        return inner_.CreateProcessA(applicationName, commandLine, processAttributes,
                                     threadAttributes, inheritHandles, creationFlags, environment,
                                     currentDirectory, startupInfo, processInformation);
    }
    DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) override {
        return inner_.WaitForSingleObject(handle, milliseconds);
    }
    UINT WinExec(const char* commandLine, UINT show) override {
        return inner_.WinExec(commandLine, show);
    }
    int system(const char* command) override { return inner_.system(command); }

  protected:
    Win32& inner_;
};

}  // namespace vocna::testing
