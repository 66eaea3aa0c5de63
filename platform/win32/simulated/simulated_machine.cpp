// The simulated machine: its set-up, the call record, fault injection, the
// handle table, and the calls about the system and its drives.
#include "platform/win32/simulated/simulated_machine.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "platform/win32/simulated/machine_state.h"

namespace win32::sim {

namespace {

// GetVersion of Windows 98 (4.10, top bit set) and Windows 2000 (5.0, build 2195).
constexpr DWORD kVersionWindows98 = 0xC0000A04u;
constexpr DWORD kVersionWindows2K = 0x08930005u;

// Copies `text` with its NUL when it fits; returns what the Get...DirectoryA
// calls return: the length without the NUL, or the size needed with it.
DWORD CopyOut(const std::string& text, char* buffer, DWORD size) {
    const auto needed = static_cast<DWORD>(text.size() + 1);
    if (buffer == nullptr || size < needed) return needed;
    std::memcpy(buffer, text.c_str(), needed);
    return needed - 1;
}

// "E:\" (any case of the letter) -> 'E'; 0 for anything else.
char RootPathDrive(const char* rootPath) {
    if (rootPath == nullptr) return 0;
    const std::string root(rootPath);
    if (root.size() != 3 || root[1] != ':' || root[2] != '\\') return 0;
    const char letter = UpperAscii(root[0]);
    return letter >= 'A' && letter <= 'Z' ? letter : 0;
}

}  // namespace

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return UpperAscii(x) == UpperAscii(y);
           });
}

// ---- State ----

SimulatedMachine::State::State(Flavour f)
    : flavour(f), windowsDirectory(f == Flavour::Windows98 ? "C:\\WINDOWS" : "C:\\WINNT") {}

Call SimulatedMachine::State::Begin(const char* function) {
    Call call;
    call.number = ++callCount;
    call.function = function;
    return call;
}

Fault SimulatedMachine::State::Decide(const Call& call) const {
    Fault fault;
    fault.fail = failOnce.count(call.number) != 0 || (failFrom && call.number >= *failFrom) ||
                 std::any_of(failPredicates.begin(), failPredicates.end(),
                             [&](const auto& predicate) { return predicate(call); });
    fault.shortMove = shortCalls.count(call.number) != 0;
    return fault;
}

void SimulatedMachine::State::Finish(Call& call, bool ok, DWORD error) {
    call.ok = ok;
    if (!ok) lastError = error;
    calls.push_back(call);
}

void SimulatedMachine::State::FinishInjected(Call& call) {
    call.moved = 0;
    Finish(call, false, ERROR_GEN_FAILURE);
}

HANDLE SimulatedMachine::State::Open(OpenObject object) {
    const std::uintptr_t value = nextHandle;
    nextHandle += 4;
    handles.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

OpenObject* SimulatedMachine::State::Find(HANDLE handle) {
    auto it = handles.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == handles.end()) {
        ++invalidHandleUses;
        return nullptr;
    }
    return &it->second;
}

DriveState* SimulatedMachine::State::FindDrive(char letter) {
    auto it = drives.find(UpperAscii(letter));
    return it == drives.end() ? nullptr : &it->second;
}

bool SimulatedMachine::State::HasMedium(char letter) {
    DriveState* drive = FindDrive(letter);
    if (drive == nullptr || !drive->driveSpec.disk) return false;
    return !(drive->lostAt && callCount >= *drive->lostAt);
}

std::uint64_t SimulatedMachine::State::MediumBytes(char letter) {
    return HasMedium(letter) ? FindDrive(letter)->driveSpec.disk->Size() : 0;
}

bool SimulatedMachine::State::ReadMedium(char letter, std::uint64_t offset, void* buffer,
                                         std::size_t size) {
    if (!HasMedium(letter)) return false;
    DriveState& drive = *FindDrive(letter);
    if (!drive.driveSpec.disk->Read(offset, buffer, size)) return false;
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    for (auto it = drive.flips.lower_bound(offset);
         it != drive.flips.end() && it->first < offset + size; ++it) {
        bytes[it->first - offset] ^= it->second;
    }
    return true;
}

bool SimulatedMachine::State::WriteMedium(char letter, std::uint64_t offset, const void* buffer,
                                          std::size_t size) {
    return HasMedium(letter) && FindDrive(letter)->driveSpec.disk->Write(offset, buffer, size);
}

// ---- the machine ----

SimulatedMachine::SimulatedMachine(Flavour flavour) : state_(std::make_unique<State>(flavour)) {}
SimulatedMachine::~SimulatedMachine() = default;

Flavour SimulatedMachine::flavour() const {
    return state_->flavour;
}

void SimulatedMachine::AddDrive(char letter, DriveSpec driveSpec) {
    DriveState drive;
    drive.driveSpec = std::move(driveSpec);
    state_->drives[UpperAscii(letter)] = std::move(drive);
}

std::shared_ptr<Disk> SimulatedMachine::AddRemovableDisk(char letter, std::uint64_t size) {
    DriveSpec driveSpec;
    driveSpec.disk = MemoryDisk(size);
    AddDrive(letter, driveSpec);
    return driveSpec.disk;
}

DriveSpec& SimulatedMachine::Drive(char letter) {
    DriveState* drive = state_->FindDrive(letter);
    if (drive == nullptr) throw std::out_of_range("no simulated drive " + std::string(1, letter));
    return drive->driveSpec;
}

void SimulatedMachine::SetLanguage(LANGID id) {
    state_->language = id;
}
void SimulatedMachine::SetWindowsDirectory(std::string path) {
    state_->windowsDirectory = std::move(path);
}
void SimulatedMachine::SetCurrentDirectory(std::string path) {
    state_->currentDirectory = std::move(path);
}

int SimulatedMachine::LocksOn(char letter) const {
    auto it = state_->drives.find(UpperAscii(letter));
    return it == state_->drives.end() ? 0 : it->second.locks;
}

void SimulatedMachine::FailCall(int n) {
    state_->failOnce.insert(n);
}
void SimulatedMachine::FailCallsFrom(int n) {
    state_->failFrom = state_->failFrom ? std::min(*state_->failFrom, n) : n;
}
void SimulatedMachine::ShortCall(int n) {
    state_->shortCalls.insert(n);
}
void SimulatedMachine::LoseDriveAt(char letter, int n) {
    DriveState* drive = state_->FindDrive(letter);
    if (drive == nullptr) throw std::out_of_range("no simulated drive " + std::string(1, letter));
    drive->lostAt = n;
}
void SimulatedMachine::CorruptReadBack(char letter, std::uint64_t offset, std::uint8_t xorMask) {
    DriveState* drive = state_->FindDrive(letter);
    if (drive == nullptr) throw std::out_of_range("no simulated drive " + std::string(1, letter));
    drive->flips[offset] ^= xorMask;
}
void SimulatedMachine::FailWhen(std::function<bool(const Call&)> predicate) {
    state_->failPredicates.push_back(std::move(predicate));
}

const std::vector<Call>& SimulatedMachine::Calls() const {
    return state_->calls;
}
void SimulatedMachine::ClearCalls() {
    state_->calls.clear();
    state_->callCount = 0;
}
void SimulatedMachine::ReserveCalls(std::size_t count) {
    state_->calls.reserve(count);
}
int SimulatedMachine::OpenHandles() const {
    return state_->CountOpen();
}
int SimulatedMachine::HeldLocks() const {
    int held = 0;
    for (const auto& [letter, drive] : state_->drives) held += drive.locks;
    return held;
}
int SimulatedMachine::InvalidHandleUses() const {
    return state_->invalidHandleUses;
}

void SimulatedMachine::OnProcess(
    std::function<SimulatedProcess(const std::string& commandLine)> program) {
    state_->program = std::move(program);
}
void SimulatedMachine::SetWinExecResult(UINT result) {
    state_->winExecResult = result;
}
void SimulatedMachine::SetSystemResult(int result) {
    state_->systemResult = result;
}

// ---- Win32: handles ----

HANDLE SimulatedMachine::CreateFileA(const char* name, DWORD access, DWORD share, void* security,
                                     DWORD creation, DWORD flags, HANDLE templateFile) {
    Call call = state_->Begin("CreateFileA");
    call.name = name != nullptr ? name : "";
    call.access = access;
    call.share = share;
    call.creation = creation;
    call.flags = flags;
    call.hasSecurity = security != nullptr;
    call.hasTemplate = templateFile != nullptr;
    const std::string devicePrefix = "\\\\.\\";
    const bool isDevice = call.name.rfind(devicePrefix, 0) == 0;
    if (isDevice && call.name.size() == devicePrefix.size() + 2 && call.name.back() == ':') {
        call.drive = UpperAscii(call.name[devicePrefix.size()]);
    }
    if (state_->Decide(call).fail) {
        state_->FinishInjected(call);
        return INVALID_HANDLE_VALUE;
    }
    if (name == nullptr) {
        state_->Finish(call, false, ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (isDevice) {
        return state_->OpenDevice(call, call.name.substr(devicePrefix.size()), access, share,
                                  creation, flags);
    }
    return state_->OpenFile(call, call.name, access, creation);
}

BOOL SimulatedMachine::CloseHandle(HANDLE handle) {
    Call call = state_->Begin("CloseHandle");
    call.handle = handle;
    auto it = state_->handles.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == state_->handles.end()) {
        ++state_->invalidHandleUses;
        state_->Finish(call, false, ERROR_INVALID_HANDLE);
        return FALSE;
    }
    call.name = it->second.name;
    call.drive = it->second.drive;
    const Fault fault = state_->Decide(call);
    state_->handles.erase(it);  // released whatever closing reports
    if (fault.fail) {
        state_->FinishInjected(call);
        return FALSE;
    }
    state_->Finish(call, true);
    return TRUE;
}

DWORD SimulatedMachine::GetLastError() {
    Call call = state_->Begin("GetLastError");
    call.result = state_->lastError;
    state_->Finish(call, true);
    return state_->lastError;
}

// ---- Win32: drives ----

DWORD SimulatedMachine::GetLogicalDriveStringsA(DWORD size, char* buffer) {
    Call call = state_->Begin("GetLogicalDriveStringsA");
    call.size = size;
    if (state_->Decide(call).fail) {
        state_->FinishInjected(call);
        return 0;
    }
    std::string list;
    for (const auto& [letter, drive] : state_->drives) {
        if (drive.driveSpec.type == DRIVE_NO_ROOT_DIR) continue;
        list += letter;
        list += ":\\";
        list += '\0';
    }
    const auto needed = static_cast<DWORD>(list.size() + 1);  // with the closing empty string
    if (buffer == nullptr || size < needed) {
        call.result = needed;
        state_->Finish(call, true);
        return needed;
    }
    std::memcpy(buffer, list.data(), list.size());
    buffer[list.size()] = '\0';
    call.result = needed - 1;
    call.moved = needed;
    state_->Finish(call, true);
    return needed - 1;
}

UINT SimulatedMachine::GetDriveTypeA(const char* rootPath) {
    Call call = state_->Begin("GetDriveTypeA");
    call.name = rootPath != nullptr ? rootPath : "";
    call.drive = RootPathDrive(rootPath);
    if (state_->Decide(call).fail) {
        state_->FinishInjected(call);
        return DRIVE_UNKNOWN;
    }
    DriveState* drive = call.drive != 0 ? state_->FindDrive(call.drive) : nullptr;
    const UINT type = drive != nullptr ? drive->driveSpec.type : DRIVE_NO_ROOT_DIR;
    call.result = type;
    state_->Finish(call, type != DRIVE_NO_ROOT_DIR, ERROR_PATH_NOT_FOUND);
    return type;
}

BOOL SimulatedMachine::GetVolumeInformationA(const char* rootPath, char* volumeName,
                                             DWORD volumeNameSize, DWORD* serial,
                                             DWORD* maxComponentLength, DWORD* fileSystemFlags,
                                             char* fileSystemName, DWORD fileSystemNameSize) {
    Call call = state_->Begin("GetVolumeInformationA");
    call.name = rootPath != nullptr ? rootPath : "";
    call.drive = RootPathDrive(rootPath);
    call.size = volumeNameSize;
    call.outSize = fileSystemNameSize;
    if (state_->Decide(call).fail) {
        state_->FinishInjected(call);
        return FALSE;
    }
    const char letter = call.drive;
    if (letter == 0 || state_->FindDrive(letter) == nullptr) {
        state_->Finish(call, false, ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (!state_->HasMedium(letter)) {
        state_->Finish(call, false, ERROR_NOT_READY);
        return FALSE;
    }
    auto info = ReadFatVolumeInfo([&](std::uint64_t offset, void* buffer, std::size_t size) {
        return state_->ReadMedium(letter, offset, buffer, size);
    });
    if (!info) {
        state_->Finish(call, false, ERROR_NOT_SUPPORTED);  // no file system Windows knows
        return FALSE;
    }
    const std::string fileSystem = "FAT";
    if ((volumeName != nullptr && volumeNameSize < info->label.size() + 1) ||
        (fileSystemName != nullptr && fileSystemNameSize < fileSystem.size() + 1)) {
        state_->Finish(call, false, ERROR_BAD_LENGTH);
        return FALSE;
    }
    if (volumeName != nullptr) std::memcpy(volumeName, info->label.c_str(), info->label.size() + 1);
    if (fileSystemName != nullptr) {
        std::memcpy(fileSystemName, fileSystem.c_str(), fileSystem.size() + 1);
    }
    if (serial != nullptr) *serial = info->serial;
    if (maxComponentLength != nullptr) *maxComponentLength = 255;
    if (fileSystemFlags != nullptr) *fileSystemFlags = 0x00000006u;  // case preserved, unicode
    state_->Finish(call, true);
    return TRUE;
}

// ---- Win32: the system ----

DWORD SimulatedMachine::GetVersion() {
    Call call = state_->Begin("GetVersion");
    call.result = state_->flavour == Flavour::Windows98 ? kVersionWindows98 : kVersionWindows2K;
    state_->Finish(call, true);
    return call.result;
}

LANGID SimulatedMachine::GetSystemDefaultLangID() {
    Call call = state_->Begin("GetSystemDefaultLangID");
    call.result = state_->language;
    state_->Finish(call, true);
    return state_->language;
}

UINT SimulatedMachine::GetWindowsDirectoryA(char* buffer, UINT size) {
    Call call = state_->Begin("GetWindowsDirectoryA");
    call.size = size;
    if (state_->Decide(call).fail) {
        state_->FinishInjected(call);
        return 0;
    }
    call.result = CopyOut(state_->windowsDirectory, buffer, size);
    state_->Finish(call, true);
    return call.result;
}

DWORD SimulatedMachine::GetCurrentDirectoryA(DWORD size, char* buffer) {
    Call call = state_->Begin("GetCurrentDirectoryA");
    call.size = size;
    if (state_->Decide(call).fail) {
        state_->FinishInjected(call);
        return 0;
    }
    call.result = CopyOut(state_->currentDirectory, buffer, size);
    state_->Finish(call, true);
    return call.result;
}

void SimulatedMachine::GetStartupInfoA(STARTUPINFOA* info) {
    Call call = state_->Begin("GetStartupInfoA");
    if (info != nullptr) {
        *info = STARTUPINFOA{};
        info->cb = sizeof(STARTUPINFOA);
        info->wShowWindow = SW_SHOWNORMAL;
    }
    state_->Finish(call, info != nullptr, ERROR_INVALID_PARAMETER);
}

}  // namespace win32::sim
