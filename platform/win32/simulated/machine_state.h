// The inside of the simulated machine, shared by the files that implement its
// calls: drives, open handles, the call record and the faults to inject.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/simulated/simulated_machine.h"

namespace win32::sim {

// Error codes of the machine beyond the shared list.
constexpr DWORD ERROR_INVALID_FUNCTION = 1;
constexpr DWORD ERROR_BAD_LENGTH = 24;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_NEGATIVE_SEEK = 131;

constexpr std::uint32_t kSectorBytes = 512;

struct DriveState {
    DriveSpec driveSpec;
    std::optional<int> lostAt;                    // call number from which the medium is gone
    std::map<std::uint64_t, std::uint8_t> flips;  // offset -> xor mask applied on every read
    int locks = 0;
};

struct ProcessState {
    std::string commandLine;
    int pollsLeft = 0;
};

enum class HandleKind { Vwin32, Volume, File, Process, Thread };

struct OpenObject {
    HandleKind kind = HandleKind::File;
    std::string name;  // as opened
    char drive = 0;    // Volume: its drive; File: the drive of its path, if a machine drive
    DWORD access = 0;
    std::uint64_t position = 0;
    std::string fileKey;  // File: where it lives (see FileTable)
    std::shared_ptr<ProcessState> process;
};

// What fault injection asks of one call.
struct Fault {
    bool fail = false;
    bool shortMove = false;
};

struct SimulatedMachine::State {
    explicit State(Flavour f);

    Flavour flavour;
    std::map<char, DriveState> drives;
    LANGID language = LANG_ENGLISH_US;
    std::string windowsDirectory;
    std::string currentDirectory = "C:\\";
    DWORD lastError = ERROR_SUCCESS;

    // Handles: values are never reused, so a stale handle is always noticed.
    std::map<std::uintptr_t, OpenObject> handles;
    std::uintptr_t nextHandle = 0x100;
    int invalidHandleUses = 0;

    // The record and the faults.
    std::vector<Call> calls;
    int callCount = 0;  // number of the call being made (or last made)
    std::set<int> failOnce;
    std::optional<int> failFrom;
    std::set<int> shortCalls;
    std::vector<std::function<bool(const Call&)>> failPredicates;

    // Files.
    std::map<std::string, std::string> memoryFiles;  // upper-cased Windows path -> contents
    std::vector<std::pair<std::string, std::filesystem::path>> mappedFolders;

    // Processes.
    std::function<SimulatedProcess(const std::string&)> program;
    UINT winExecResult = 33;
    int systemResult = 0;

    // ---- recording ----
    Call Begin(const char* function);
    Fault Decide(const Call& call) const;
    // Appends the call; sets the machine's last error when it failed.
    void Finish(Call& call, bool ok, DWORD error = ERROR_SUCCESS);
    // Fails the call as injected: records it and sets ERROR_GEN_FAILURE.
    void FinishInjected(Call& call);

    // ---- handles ----
    HANDLE Open(OpenObject object);
    OpenObject* Find(HANDLE handle);
    int CountOpen() const { return static_cast<int>(handles.size()); }

    // ---- drives ----
    DriveState* FindDrive(char letter);
    // The drive has a medium at the current call.
    bool HasMedium(char letter);
    std::uint64_t MediumBytes(char letter);
    // Reads through the drive's read-back faults; false outside the medium.
    bool ReadMedium(char letter, std::uint64_t offset, void* buffer, std::size_t size);
    bool WriteMedium(char letter, std::uint64_t offset, const void* buffer, std::size_t size);

    // ---- devices (devices.cpp, vwin32.cpp) ----
    // Opens "\\.\" + device; records the result in `call`.
    HANDLE OpenDevice(Call& call, const std::string& device, DWORD access, DWORD share,
                      DWORD creation, DWORD flags);
    // One DOS request through VWIN32: decodes `registers` and carries it out.
    void Vwin32Request(Call& call, const Fault& fault, DIOC_REGISTERS& registers);

    // ---- files (files.cpp) ----
    // Where a path lives: "mem:" + upper-cased Windows path or "host:" + host
    // path; `drive` receives the machine drive the path is on (0: none).
    std::string FileKey(const std::string& path, char* drive) const;
    bool FileKeyExists(const std::string& key) const;
    std::optional<std::string> LoadFile(const std::string& key) const;
    bool StoreFile(const std::string& key, const std::string& contents);
    bool RemoveFile(const std::string& key);
    bool FileIsOpen(const std::string& key) const;
    HANDLE OpenFile(Call& call, const std::string& path, DWORD access, DWORD creation);
};

// Upper case of an ASCII letter, other bytes unchanged.
char UpperAscii(char c);
bool EqualsNoCase(const std::string& a, const std::string& b);

// The volume label of a FAT disk as Windows reports it: the root directory's
// label entry, else the boot sector's label; nullopt when the disk holds no
// valid FAT boot sector.
struct FatVolumeInfo {
    std::string label;
    DWORD serial = 0;
};
std::optional<FatVolumeInfo> ReadFatVolumeInfo(
    const std::function<bool(std::uint64_t, void*, std::size_t)>& read);

}  // namespace win32::sim
