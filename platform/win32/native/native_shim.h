/* The system calls of the native layer behind plain C types. The system's
   header and our own Win32 subset header define the same names, so no file
   includes both: native_win32.cpp sees only ours and this, native_shim.cpp
   only the system's and this. */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The process-start block, field by field as the system lays it out. */
typedef struct kv_startup_info {
    uint32_t cb;
    char* lpReserved;
    char* lpDesktop;
    char* lpTitle;
    uint32_t dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars;
    uint32_t dwFillAttribute;
    uint32_t dwFlags;
    uint16_t wShowWindow;
    uint16_t cbReserved2;
    uint8_t* lpReserved2;
    void* hStdInput;
    void* hStdOutput;
    void* hStdError;
} kv_startup_info;

typedef struct kv_process_information {
    void* hProcess;
    void* hThread;
    uint32_t dwProcessId;
    uint32_t dwThreadId;
} kv_process_information;

void* kv_CreateFileA(const char* name, uint32_t access, uint32_t share, void* security,
                     uint32_t creation, uint32_t flags, void* templateFile);
int kv_DeviceIoControl(void* device, uint32_t code, void* in, uint32_t inSize, void* out,
                       uint32_t outSize, uint32_t* returned, void* overlapped);
uint32_t kv_SetFilePointer(void* file, int32_t distance, int32_t* distanceHigh, uint32_t method);
int kv_ReadFile(void* file, void* buffer, uint32_t size, uint32_t* read, void* overlapped);
int kv_WriteFile(void* file, const void* buffer, uint32_t size, uint32_t* written,
                 void* overlapped);
int kv_FlushFileBuffers(void* file);
uint32_t kv_GetFileSize(void* file, uint32_t* sizeHigh);
int kv_CloseHandle(void* handle);
int kv_CopyFileA(const char* from, const char* to, int failIfExists);
int kv_DeleteFileA(const char* path);
uint32_t kv_GetLastError(void);

uint32_t kv_GetLogicalDriveStringsA(uint32_t size, char* buffer);
unsigned kv_GetDriveTypeA(const char* rootPath);
int kv_GetVolumeInformationA(const char* rootPath, char* volumeName, uint32_t volumeNameSize,
                             uint32_t* serial, uint32_t* maxComponentLength,
                             uint32_t* fileSystemFlags, char* fileSystemName,
                             uint32_t fileSystemNameSize);

uint32_t kv_GetVersion(void);
uint16_t kv_GetSystemDefaultLangID(void);
unsigned kv_GetWindowsDirectoryA(char* buffer, unsigned size);
uint32_t kv_GetCurrentDirectoryA(uint32_t size, char* buffer);

void kv_GetStartupInfoA(kv_startup_info* info);
int kv_CreateProcessA(const char* applicationName, char* commandLine, void* processAttributes,
                      void* threadAttributes, int inheritHandles, uint32_t creationFlags,
                      void* environment, const char* currentDirectory, kv_startup_info* startupInfo,
                      kv_process_information* processInformation);
uint32_t kv_WaitForSingleObject(void* handle, uint32_t milliseconds);
unsigned kv_WinExec(const char* commandLine, unsigned show);

#ifdef __cplusplus
}
#endif
