// The native layer's system calls, with the system's own header. Sizes and
// pointers of the system's types are converted here, value by value, so no
// pointer is ever reinterpreted as another integer type.
#include "platform/win32/native/native_shim.h"

#include <windows.h>

namespace {

// A caller's optional 32-bit out value, filled from the system's DWORD.
class OutDword {
  public:
    explicit OutDword(uint32_t* target) : target_(target) {}
    ~OutDword() {
        if (target_ != nullptr) *target_ = static_cast<uint32_t>(value_);
    }
    OutDword(const OutDword&) = delete;
    OutDword& operator=(const OutDword&) = delete;
    LPDWORD get() { return target_ != nullptr ? &value_ : nullptr; }

  private:
    uint32_t* target_;
    DWORD value_ = 0;
};

STARTUPINFOA ToSystem(const kv_startup_info& in) {
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

kv_startup_info FromSystem(const STARTUPINFOA& in) {
    kv_startup_info out{};
    out.cb = static_cast<uint32_t>(in.cb);
    out.lpReserved = in.lpReserved;
    out.lpDesktop = in.lpDesktop;
    out.lpTitle = in.lpTitle;
    out.dwX = static_cast<uint32_t>(in.dwX);
    out.dwY = static_cast<uint32_t>(in.dwY);
    out.dwXSize = static_cast<uint32_t>(in.dwXSize);
    out.dwYSize = static_cast<uint32_t>(in.dwYSize);
    out.dwXCountChars = static_cast<uint32_t>(in.dwXCountChars);
    out.dwYCountChars = static_cast<uint32_t>(in.dwYCountChars);
    out.dwFillAttribute = static_cast<uint32_t>(in.dwFillAttribute);
    out.dwFlags = static_cast<uint32_t>(in.dwFlags);
    out.wShowWindow = in.wShowWindow;
    out.cbReserved2 = in.cbReserved2;
    out.lpReserved2 = in.lpReserved2;
    out.hStdInput = in.hStdInput;
    out.hStdOutput = in.hStdOutput;
    out.hStdError = in.hStdError;
    return out;
}

}  // namespace

extern "C" {

void* kv_CreateFileA(const char* name, uint32_t access, uint32_t share, void* security,
                     uint32_t creation, uint32_t flags, void* templateFile) {
    return ::CreateFileA(name, access, share, static_cast<LPSECURITY_ATTRIBUTES>(security),
                         creation, flags, templateFile);
}

int kv_DeviceIoControl(void* device, uint32_t code, void* in, uint32_t inSize, void* out,
                       uint32_t outSize, uint32_t* returned, void* overlapped) {
    OutDword bytes(returned);
    return ::DeviceIoControl(device, code, in, inSize, out, outSize, bytes.get(),
                             static_cast<LPOVERLAPPED>(overlapped));
}

uint32_t kv_SetFilePointer(void* file, int32_t distance, int32_t* distanceHigh, uint32_t method) {
    LONG high = distanceHigh != nullptr ? *distanceHigh : 0;
    const DWORD low =
        ::SetFilePointer(file, distance, distanceHigh != nullptr ? &high : nullptr, method);
    if (distanceHigh != nullptr) *distanceHigh = static_cast<int32_t>(high);
    return static_cast<uint32_t>(low);
}

int kv_ReadFile(void* file, void* buffer, uint32_t size, uint32_t* read, void* overlapped) {
    OutDword bytes(read);
    return ::ReadFile(file, buffer, size, bytes.get(), static_cast<LPOVERLAPPED>(overlapped));
}

int kv_WriteFile(void* file, const void* buffer, uint32_t size, uint32_t* written,
                 void* overlapped) {
    OutDword bytes(written);
    return ::WriteFile(file, buffer, size, bytes.get(), static_cast<LPOVERLAPPED>(overlapped));
}

int kv_FlushFileBuffers(void* file) {
    return ::FlushFileBuffers(file);
}

uint32_t kv_GetFileSize(void* file, uint32_t* sizeHigh) {
    OutDword high(sizeHigh);
    return static_cast<uint32_t>(::GetFileSize(file, high.get()));
}

int kv_CloseHandle(void* handle) {
    return ::CloseHandle(handle);
}

int kv_CopyFileA(const char* from, const char* to, int failIfExists) {
    return ::CopyFileA(from, to, failIfExists);
}

int kv_DeleteFileA(const char* path) {
    return ::DeleteFileA(path);
}

uint32_t kv_GetLastError(void) {
    return static_cast<uint32_t>(::GetLastError());
}

uint32_t kv_GetLogicalDriveStringsA(uint32_t size, char* buffer) {
    return static_cast<uint32_t>(::GetLogicalDriveStringsA(size, buffer));
}

unsigned kv_GetDriveTypeA(const char* rootPath) {
    return ::GetDriveTypeA(rootPath);
}

int kv_GetVolumeInformationA(const char* rootPath, char* volumeName, uint32_t volumeNameSize,
                             uint32_t* serial, uint32_t* maxComponentLength,
                             uint32_t* fileSystemFlags, char* fileSystemName,
                             uint32_t fileSystemNameSize) {
    OutDword serialOut(serial);
    OutDword componentOut(maxComponentLength);
    OutDword flagsOut(fileSystemFlags);
    return ::GetVolumeInformationA(rootPath, volumeName, volumeNameSize, serialOut.get(),
                                   componentOut.get(), flagsOut.get(), fileSystemName,
                                   fileSystemNameSize);
}

uint32_t kv_GetVersion(void) {
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    // The platform test reads the family from the top bit, which only this
    // call gives.
    return static_cast<uint32_t>(::GetVersion());
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
}

uint16_t kv_GetSystemDefaultLangID(void) {
    return ::GetSystemDefaultLangID();
}

unsigned kv_GetWindowsDirectoryA(char* buffer, unsigned size) {
    return ::GetWindowsDirectoryA(buffer, size);
}

uint32_t kv_GetCurrentDirectoryA(uint32_t size, char* buffer) {
    return static_cast<uint32_t>(::GetCurrentDirectoryA(size, buffer));
}

void kv_GetStartupInfoA(kv_startup_info* info) {
    STARTUPINFOA system{};
    ::GetStartupInfoA(&system);
    if (info != nullptr) *info = FromSystem(system);
}

int kv_CreateProcessA(const char* applicationName, char* commandLine, void* processAttributes,
                      void* threadAttributes, int inheritHandles, uint32_t creationFlags,
                      void* environment, const char* currentDirectory, kv_startup_info* startupInfo,
                      kv_process_information* processInformation) {
    STARTUPINFOA startup = startupInfo != nullptr ? ToSystem(*startupInfo) : STARTUPINFOA{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started = ::CreateProcessA(
        applicationName, commandLine, static_cast<LPSECURITY_ATTRIBUTES>(processAttributes),
        static_cast<LPSECURITY_ATTRIBUTES>(threadAttributes), inheritHandles, creationFlags,
        environment, currentDirectory, &startup, &process);
    if (processInformation != nullptr) {
        processInformation->hProcess = process.hProcess;
        processInformation->hThread = process.hThread;
        processInformation->dwProcessId = static_cast<uint32_t>(process.dwProcessId);
        processInformation->dwThreadId = static_cast<uint32_t>(process.dwThreadId);
    }
    return started;
}

uint32_t kv_WaitForSingleObject(void* handle, uint32_t milliseconds) {
    return static_cast<uint32_t>(::WaitForSingleObject(handle, milliseconds));
}

unsigned kv_WinExec(const char* commandLine, unsigned show) {
    return ::WinExec(commandLine, show);
}

}  // extern "C"
