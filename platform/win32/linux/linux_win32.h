// The Win32 subset on a real Linux machine.
//
// Files: ordinary paths (backslashes become slashes) with Windows share modes
// emulated by flock(2). Drives: disk-image files the user names and removable
// block devices, each under a drive letter, served through the NT volume path
// "\\.\E:" with pread/pwrite that reach the medium, not the page cache. A
// mounted filesystem is never written underneath the kernel. The machine looks
// like the NT family, so the 9x VWIN32 device never opens.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/win32.h"

namespace win32::linux_host {

class Processes;

// What a drive letter stands for.
struct DriveInfo {
    char letter = 0;       // 'D' for D:
    std::string path;      // the device node or the disk-image file
    bool isImage = false;  // a regular file, not a block device
};

struct LinuxWin32Options {
    // Disk-image files (or block devices) offered as drives, in this order,
    // from the first drive letter on.
    std::vector<std::string> images;
    // Also offer the removable block devices found in sysfs (after the images).
    bool blockDevices = true;
    // GetWindowsDirectoryA. Empty: $KERFA_WINDOWS_DIR, else the folder that
    // holds format.com at system32/format.com: the build's ${KV_TOOLS_DIR}/windows
    // for a program of the build tree, else the installed
    // ${CMAKE_INSTALL_LIBEXECDIR}/kerfa/windows.
    std::string windowsDirectory;
    // A child started with its window hidden writes its standard output to
    // our standard error (a hidden window shows nothing); else it inherits ours.
    bool hiddenChildOutputToErrors = false;
    // Told, in a sentence, why an open or a write of a drive was refused.
    std::function<void(const std::string&)> reporter;
    // Where the machine's state is read; tests point these at fakes.
    std::string sysfsRoot = "/sys";
    std::string devRoot = "/dev";
    std::string mountInfo = "/proc/self/mountinfo";
};

class LinuxWin32 final : public Win32 {
  public:
    explicit LinuxWin32(LinuxWin32Options options = {});
    ~LinuxWin32() override;
    LinuxWin32(const LinuxWin32&) = delete;
    LinuxWin32& operator=(const LinuxWin32&) = delete;

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

    // Offers a disk-image file (or a block device) under the next free drive
    // letter and returns that letter, or 0 when none is left.
    char AddImage(const std::string& path);
    // Every drive letter and what it stands for, in drive-letter order.
    std::vector<DriveInfo> Drives() const;
    // Handles of files, volumes and processes not yet closed.
    int OpenHandles() const;

  private:
    struct OpenFile;
    struct Drive;
    struct ProcessesDeleter {
        void operator()(Processes* processes) const;
    };

    HANDLE OpenPath(const std::string& path, DWORD access, DWORD share, DWORD creation);
    HANDLE OpenVolume(const Drive& drive, DWORD access, DWORD share);
    std::string WhyNotWritable(const Drive& drive) const;
    std::string MountPointOfDrive(const Drive& drive) const;
    struct LoopMount {
        std::string loop;  // the loop device's node
        std::string at;    // where it is mounted
    };
    // A mounted loop device whose backing file is the drive's image.
    std::optional<LoopMount> MountedLoopOver(const Drive& drive) const;
    BOOL ReadVolume(OpenFile& file, void* buffer, DWORD size, DWORD* read);
    BOOL WriteVolume(OpenFile& file, const void* buffer, DWORD size, DWORD* written);
    BOOL DriveGeometry(const OpenFile& file, void* out, DWORD outSize, DWORD* returned);
    char AddDrive(Drive drive);
    void DiscoverDrives();
    HANDLE Adopt(std::unique_ptr<OpenFile> file);
    OpenFile* Find(HANDLE handle);
    BOOL Fail(DWORD error);
    void Report(const std::string& sentence) const;
    const Drive* DriveOf(char letter) const;
    std::string HostPathOf(const char* windowsPath);
    static std::unique_ptr<Processes, ProcessesDeleter> MakeProcesses(
        const LinuxWin32Options& options);
    bool OwnedByProcesses(HANDLE handle) const;
    BOOL CloseProcessHandle(HANDLE handle);
    int ProcessHandles() const;

    LinuxWin32Options options_;
    std::vector<Drive> drives_;
    std::map<HANDLE, std::unique_ptr<OpenFile>> files_;
    std::unique_ptr<Processes, ProcessesDeleter> processes_;
    DWORD lastError_ = ERROR_SUCCESS;
};

// The language id of the machine's locale ($LC_ALL, $LC_MESSAGES, $LANG, the
// first one set): zh_CN, zh_TW, zh_HK, zh_SG, zh_MO, else US English.
LANGID LanguageFromLocale();
// The same rule for one locale name such as "zh_TW.UTF-8".
LANGID LanguageOfLocaleName(const std::string& locale);
// The ANSI code page that goes with a language id: 936, 950, else 1252.
UINT AnsiCodePage(LANGID language);

}  // namespace win32::linux_host
