// Each call of the subset handed to the system through the C shim; our
// types are the system's in size, so values pass through unchanged.
#include "platform/win32/native/native_win32.h"

#include <cstdlib>

#include "platform/win32/native/native_shim.h"

namespace win32::native {
namespace {

kv_startup_info ToShim(const STARTUPINFOA& in) {
    kv_startup_info out{};
    out.cb = in.cb;
    out.lpReserved = in.lpReserved;
    out.lpDesktop = in.lpDesktop;
    out.lpTitle = in.lpTitle;
    out.dwX = in.dwX;
    out.dwY = in.dwY;
    out.dwXSize = in.dwXSize;
    out.dwYSize = in.dwYSize;
    out.dwXCountChars = in.dwXCountChars;
    out.dwYCountChars = in.dwYCountChars;
    out.dwFillAttribute = in.dwFillAttribute;
    out.dwFlags = in.dwFlags;
    out.wShowWindow = in.wShowWindow;
    out.cbReserved2 = in.cbReserved2;
    out.lpReserved2 = in.lpReserved2;
    out.hStdInput = in.hStdInput;
    out.hStdOutput = in.hStdOutput;
    out.hStdError = in.hStdError;
    return out;
}

STARTUPINFOA FromShim(const kv_startup_info& in) {
    STARTUPINFOA out{};
    out.cb = sizeof out;
    out.lpReserved = in.lpReserved;
    out.lpDesktop = in.lpDesktop;
    out.lpTitle = in.lpTitle;
    out.dwX = in.dwX;
    out.dwY = in.dwY;
    out.dwXSize = in.dwXSize;
    out.dwYSize = in.dwYSize;
    out.dwXCountChars = in.dwXCountChars;
    out.dwYCountChars = in.dwYCountChars;
    out.dwFillAttribute = in.dwFillAttribute;
    out.dwFlags = in.dwFlags;
    out.wShowWindow = in.wShowWindow;
    out.cbReserved2 = in.cbReserved2;
    out.lpReserved2 = in.lpReserved2;
    out.hStdInput = in.hStdInput;
    out.hStdOutput = in.hStdOutput;
    out.hStdError = in.hStdError;
    return out;
}

}  // namespace

HANDLE NativeWin32::CreateFileA(const char* name, DWORD access, DWORD share, void* security,
                                DWORD creation, DWORD flags, HANDLE templateFile) {
    return kv_CreateFileA(name, access, share, security, creation, flags, templateFile);
}

BOOL NativeWin32::DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out,
                                  DWORD outSize, DWORD* returned, void* overlapped) {
    return kv_DeviceIoControl(device, code, in, inSize, out, outSize, returned, overlapped);
}

DWORD NativeWin32::SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
    return kv_SetFilePointer(file, distance, distanceHigh, method);
}

BOOL NativeWin32::ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* read, void* overlapped) {
    return kv_ReadFile(file, buffer, size, read, overlapped);
}

BOOL NativeWin32::WriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* written,
                            void* overlapped) {
    return kv_WriteFile(file, buffer, size, written, overlapped);
}

BOOL NativeWin32::FlushFileBuffers(HANDLE file) {
    return kv_FlushFileBuffers(file);
}

DWORD NativeWin32::GetFileSize(HANDLE file, DWORD* sizeHigh) {
    return kv_GetFileSize(file, sizeHigh);
}

BOOL NativeWin32::CloseHandle(HANDLE handle) {
    return kv_CloseHandle(handle);
}

BOOL NativeWin32::CopyFileA(const char* from, const char* to, BOOL failIfExists) {
    return kv_CopyFileA(from, to, failIfExists);
}

BOOL NativeWin32::DeleteFileA(const char* path) {
    return kv_DeleteFileA(path);
}

DWORD NativeWin32::GetLastError() {
    return kv_GetLastError();
}

DWORD NativeWin32::GetLogicalDriveStringsA(DWORD size, char* buffer) {
    return kv_GetLogicalDriveStringsA(size, buffer);
}

UINT NativeWin32::GetDriveTypeA(const char* rootPath) {
    return kv_GetDriveTypeA(rootPath);
}

BOOL NativeWin32::GetVolumeInformationA(const char* rootPath, char* volumeName,
                                        DWORD volumeNameSize, DWORD* serial,
                                        DWORD* maxComponentLength, DWORD* fileSystemFlags,
                                        char* fileSystemName, DWORD fileSystemNameSize) {
    return kv_GetVolumeInformationA(rootPath, volumeName, volumeNameSize, serial,
                                    maxComponentLength, fileSystemFlags, fileSystemName,
                                    fileSystemNameSize);
}

DWORD NativeWin32::GetVersion() {
    return kv_GetVersion();
}

LANGID NativeWin32::GetSystemDefaultLangID() {
    return kv_GetSystemDefaultLangID();
}

UINT NativeWin32::GetWindowsDirectoryA(char* buffer, UINT size) {
    return kv_GetWindowsDirectoryA(buffer, size);
}

DWORD NativeWin32::GetCurrentDirectoryA(DWORD size, char* buffer) {
    return kv_GetCurrentDirectoryA(size, buffer);
}

void NativeWin32::GetStartupInfoA(STARTUPINFOA* info) {
    kv_startup_info shim{};
    kv_GetStartupInfoA(&shim);
    if (info != nullptr) *info = FromShim(shim);
}

BOOL NativeWin32::CreateProcessA(const char* applicationName, char* commandLine,
                                 void* processAttributes, void* threadAttributes,
                                 BOOL inheritHandles, DWORD creationFlags, void* environment,
                                 const char* currentDirectory, STARTUPINFOA* startupInfo,
                                 PROCESS_INFORMATION* processInformation) {
    kv_startup_info startup = startupInfo != nullptr ? ToShim(*startupInfo) : kv_startup_info{};
    kv_process_information process{};
    const BOOL started = kv_CreateProcessA(applicationName, commandLine, processAttributes,
                                           threadAttributes, inheritHandles, creationFlags,
                                           environment, currentDirectory, &startup, &process);
    if (processInformation != nullptr) {
        processInformation->hProcess = process.hProcess;
        processInformation->hThread = process.hThread;
        processInformation->dwProcessId = process.dwProcessId;
        processInformation->dwThreadId = process.dwThreadId;
    }
    return started;
}

DWORD NativeWin32::WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    return kv_WaitForSingleObject(handle, milliseconds);
}

UINT NativeWin32::WinExec(const char* commandLine, UINT show) {
    return kv_WinExec(commandLine, show);
}

int NativeWin32::system(const char* command) {
    return std::system(command);
}

}  // namespace win32::native
