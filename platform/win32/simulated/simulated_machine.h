// A Windows 98/ME or 2000/XP machine in memory, for the tests: drives with
// their types, disks in memory or in a file, the VWIN32 device, the 9x volume
// lock, and fault injection. It records every call and counts open handles and
// held locks, so a test can assert the exact requests and that nothing leaked.
//
// This header is the contract the tests are written against; the
// implementation may add to it.
#pragma once

#include <cstdint>
#include <filesystem>
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
    BYTE deviceType = DEVTYPE_FIXED_DISK;   // DEVICEPARAMS.dpDevType on 9x
    MEDIA_TYPE mediaType = RemovableMedia;  // DISK_GEOMETRY.MediaType on NT
    std::shared_ptr<Disk> disk;             // nullptr: no medium
    bool refuseLock = false;                // the 9x level-0 lock is refused
    // The 9x device parameters report this many bytes per sector and sectors
    // (0: taken from the disk's size).
    WORD bytesPerSector = 512;
    std::optional<std::uint32_t> reportedSectors;
};

// One recorded call into the Win32 subset.
struct Call {
    int number = 0;           // 1 for the first call of the machine
    std::string function;     // "CreateFileA", "DeviceIoControl", ...
    std::string name;         // CreateFileA's name, GetDriveTypeA's root, ...
    HANDLE handle = nullptr;  // the handle the call worked on (or returned)
    DWORD code = 0;           // DeviceIoControl's control code
    DWORD access = 0, share = 0, creation = 0, flags = 0;
    DIOC_REGISTERS registersIn{};  // VWIN32 requests: the registers as given
    std::optional<DISKIO> packet;  // 7305h requests: the packet as given
    LONG distance = 0;             // SetFilePointer
    bool hasHighPart = false;
    DWORD size = 0;   // bytes asked for (ReadFile, WriteFile, buffers)
    DWORD moved = 0;  // bytes moved
    bool ok = false;  // the call succeeded; for a VWIN32 request: carry clear too

    // Added to the contract; all filled before the call runs unless marked.
    char drive = 0;              // the drive the call concerns (upper case), 0: none
    DWORD outSize = 0;           // DeviceIoControl's output size
    bool hasSecurity = false;    // CreateFileA / CreateProcessA got security attributes
    bool hasTemplate = false;    // CreateFileA got a template handle
    bool hasReturned = false;    // DeviceIoControl / ReadFile / WriteFile got a count variable
    bool hasOverlapped = false;  // ... and an overlapped structure
    std::optional<DEVICEPARAMS> params;  // 440Dh/0860h: the block as given
    DIOC_REGISTERS registersOut{};       // VWIN32 requests: the registers returned (after the call)
    std::string target;                  // CopyFileA's target, CreateProcessA's application name
    std::optional<std::string> currentDirectory;  // CreateProcessA
    std::optional<STARTUPINFOA> startupInfo;      // CreateProcessA
    BOOL inheritHandles = FALSE;                  // CreateProcessA
    bool hasEnvironment = false;                  // CreateProcessA
    DWORD method = 0;                             // SetFilePointer's move method
    DWORD timeout = 0;                            // WaitForSingleObject
    UINT show = 0;                                // WinExec
    DWORD result = 0;  // the value returned, for calls that return a number
};

// What a started program does (see OnProcess).
struct SimulatedProcess {
    bool startFails = false;                  // CreateProcessA / WinExec / system fail
    DWORD startError = ERROR_FILE_NOT_FOUND;  // GetLastError after a failed start
    int runningPolls = 0;           // waits with a time-out that answer WAIT_TIMEOUT before it ends
    std::function<void()> atStart;  // run when the program starts
};

class SimulatedMachine : public Win32 {
  public:
    explicit SimulatedMachine(Flavour flavour);
    ~SimulatedMachine() override;

    // ---- the machine ----
    Flavour flavour() const;
    void AddDrive(char letter, DriveSpec driveSpec);
    // A removable disk of the player's kind with a fresh memory medium.
    std::shared_ptr<Disk> AddRemovableDisk(char letter, std::uint64_t size);
    DriveSpec& Drive(char letter);
    void SetLanguage(LANGID id);
    void SetWindowsDirectory(std::string path);
    void SetCurrentDirectory(std::string path);
    // Locks held on one drive.
    int LocksOn(char letter) const;

    // ---- files ----
    // Paths that begin with '/' are files of the real host; paths under a
    // mapped prefix go to its host folder; every other path lives in an
    // in-memory table (names compared without regard to case).
    void MapDirectory(std::string windowsPrefix, std::filesystem::path hostFolder);
    void AddFile(const std::string& path, std::string contents);
    bool FileExists(const std::string& path) const;
    std::optional<std::string> FileContents(const std::string& path) const;

    // ---- processes ----
    // Says what each started program does, from its command line; without
    // it every start succeeds and the program has ended at the first wait.
    void OnProcess(std::function<SimulatedProcess(const std::string& commandLine)> program);
    void SetWinExecResult(UINT result);  // default 33 (started)
    void SetSystemResult(int result);    // default 0

    // ---- fault injection ----
    // Calls are numbered from 1 since construction or the last ClearCalls;
    // the numbers given here count in that numbering and survive ClearCalls.
    // A failing call returns its failure value without doing anything, and
    // GetLastError then reports ERROR_GEN_FAILURE. Calls that cannot fail
    // (GetVersion, GetSystemDefaultLangID, GetStartupInfoA, GetLastError) are
    // numbered but not affected. A failing CloseHandle still releases the
    // handle, as the real call does once the handle was valid: the failure is
    // about what closing reported (a flush that did not reach the medium),
    // never a handle that stays open. Closing a handle that is not open fails
    // with ERROR_INVALID_HANDLE and counts in InvalidHandleUses.
    // Call number n fails (once); from n on every call fails.
    void FailCall(int n);
    void FailCallsFrom(int n);
    // Call number n moves fewer bytes than asked: ReadFile and WriteFile
    // succeed with half the bytes (whole sectors on a volume), an absolute
    // disk request of VWIN32 moves half the sectors and reports carry.
    void ShortCall(int n);
    // The drive's medium is gone from call number n on: opens of its volume
    // and its files fail, requests on handles already open fail, VWIN32
    // requests for it report carry (an unlock still releases its lock). The
    // drive letter stays listed, as a card reader's does.
    void LoseDriveAt(char letter, int n);
    // Every read of the byte at `offset` of the drive's medium returns it with
    // `xorMask` applied: a unit that reads back wrong.
    void CorruptReadBack(char letter, std::uint64_t offset, std::uint8_t xorMask = 0x01);
    // Any call for which the predicate holds fails.
    void FailWhen(std::function<bool(const Call&)> predicate);

    // ---- what happened ----
    const std::vector<Call>& Calls() const;
    void ClearCalls();  // also restarts the numbering
    // Makes room in the record for this many calls, so that a test that
    // records thousands of them does not regrow it call after call.
    void ReserveCalls(std::size_t count);
    int OpenHandles() const;
    int HeldLocks() const;
    // Calls that named a handle that is not open (double close, use after close).
    int InvalidHandleUses() const;

    // ---- Win32 ----
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

    // The machine's inside, defined by its implementation only.
    struct State;

  private:
    std::unique_ptr<State> state_;
};

}  // namespace win32::sim
