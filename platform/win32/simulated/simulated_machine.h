// A Windows 98/ME or 2000/XP machine in memory, for the tests: drives with
// their types, disks in memory or in a file, the VWIN32 device, the 9x volume
// lock, and fault injection. It records every call and counts open handles and
// held locks, so a test can assert the exact requests and that nothing leaked.
//
// This header is the contract the tests are written against; the
// implementation may add to it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/win32.h"

namespace win32::sim {

enum class Flavour {
    Windows98,  // GetVersion with the top bit set; VWIN32 present
    Windows2K,  // no VWIN32; volumes opened as files
};

// The medium behind a drive: bytes in memory or in a file.
class Disk {
public:
    virtual ~Disk() = default;
    virtual std::uint64_t Size() const = 0;
    virtual bool Read(std::uint64_t offset, void* buffer, std::size_t size) const = 0;
    virtual bool Write(std::uint64_t offset, const void* buffer, std::size_t size) = 0;
    // A copy of the whole medium.
    std::vector<std::uint8_t> Snapshot() const;
};

std::shared_ptr<Disk> MemoryDisk(std::uint64_t size, std::uint8_t fill = 0);
std::shared_ptr<Disk> FileDisk(const std::string& path);  // the file must exist

struct DriveSpec {
    UINT type = DRIVE_REMOVABLE;
    BYTE deviceType = DEVTYPE_FIXED_DISK;  // DEVICEPARAMS.dpDevType on 9x
    MEDIA_TYPE mediaType = RemovableMedia;  // DISK_GEOMETRY.MediaType on NT
    std::shared_ptr<Disk> disk;            // nullptr: no medium
    bool refuseLock = false;               // the 9x level-0 lock is refused
    // The 9x device parameters report this many bytes per sector and sectors
    // (0: taken from the disk's size).
    WORD bytesPerSector = 512;
    std::optional<std::uint32_t> reportedSectors;
};

// One recorded call into the Win32 subset.
struct Call {
    int number = 0;          // 1 for the first call of the machine
    std::string function;    // "CreateFileA", "DeviceIoControl", ...
    std::string name;        // CreateFileA's name, GetDriveTypeA's root, ...
    HANDLE handle = nullptr; // the handle the call worked on (or returned)
    DWORD code = 0;          // DeviceIoControl's control code
    DWORD access = 0, share = 0, creation = 0, flags = 0;
    DIOC_REGISTERS registersIn{};  // VWIN32 requests: the registers as given
    std::optional<DISKIO> packet;  // 7305h requests: the packet as given
    LONG distance = 0;             // SetFilePointer
    bool hasHighPart = false;
    DWORD size = 0;                // bytes asked for (ReadFile, WriteFile, buffers)
    DWORD moved = 0;               // bytes moved
    bool ok = false;               // the call succeeded
};

class SimulatedMachine : public Win32 {
public:
    explicit SimulatedMachine(Flavour flavour);
    ~SimulatedMachine() override;

    // ---- the machine ----
    Flavour flavour() const;
    void AddDrive(char letter, DriveSpec spec);
    // A removable disk of the player's kind with a fresh memory medium.
    std::shared_ptr<Disk> AddRemovableDisk(char letter, std::uint64_t size);
    DriveSpec& Drive(char letter);
    void SetLanguage(LANGID id);
    void SetWindowsDirectory(std::string path);

    // ---- fault injection ----
    // Call number n fails (once); from n on every call fails.
    void FailCall(int n);
    void FailCallsFrom(int n);
    // Call number n moves fewer bytes than asked (reads and writes).
    void ShortCall(int n);
    // The drive vanishes at call number n (it and every later call fail as a
    // missing device would).
    void LoseDriveAt(char letter, int n);
    // Every read of the byte at `offset` of the drive's medium returns it with
    // `xorMask` applied: a unit that reads back wrong.
    void CorruptReadBack(char letter, std::uint64_t offset, std::uint8_t xorMask = 0x01);
    // Any call for which the predicate holds fails.
    void FailWhen(std::function<bool(const Call&)> predicate);

    // ---- what happened ----
    const std::vector<Call>& Calls() const;
    void ClearCalls();  // also restarts the numbering
    int OpenHandles() const;
    int HeldLocks() const;

    // ---- Win32 ----
    HANDLE CreateFileA(const char* name, DWORD access, DWORD share, void* security,
                       DWORD creation, DWORD flags, HANDLE templateFile) override;
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
                        void* environment, const char* currentDirectory,
                        STARTUPINFOA* startupInfo,
                        PROCESS_INFORMATION* processInformation) override;
    DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) override;
    UINT WinExec(const char* commandLine, UINT show) override;
    int system(const char* command) override;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace win32::sim
