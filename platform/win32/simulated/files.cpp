// Ordinary files of the simulated machine: an in-memory table for Windows
// paths, real host files for host paths and mapped folders.
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/win32/simulated/machine_state.h"

namespace win32::sim {

namespace {

constexpr const char* kMemoryPrefix = "mem:";
constexpr const char* kHostPrefix = "host:";

std::string Replace(std::string text, char from, char to) {
    for (char& c : text) {
        if (c == from) c = to;
    }
    return text;
}

std::string Upper(std::string text) {
    for (char& c : text) c = UpperAscii(c);
    return text;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

bool IsAbsoluteWindowsPath(const std::string& path) {
    return (path.size() >= 3 && path[1] == ':' && path[2] == '\\') || StartsWith(path, "\\\\");
}

}  // namespace

std::string SimulatedMachine::State::FileKey(const std::string& path, char* drive) const {
    if (drive != nullptr) *drive = 0;
    std::string full = path;
    if (!StartsWith(full, "/")) {
        full = Replace(full, '/', '\\');
        if (!IsAbsoluteWindowsPath(full)) {
            std::string base = currentDirectory;
            if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
            full = base + full;
        }
    }
    if (StartsWith(full, "/")) return kHostPrefix + Replace(full, '\\', '/');
    for (const auto& [prefix, folder] : mappedFolders) {
        if (full.size() >= prefix.size() && EqualsNoCase(full.substr(0, prefix.size()), prefix) &&
            (full.size() == prefix.size() || full[prefix.size()] == '\\')) {
            std::string rest = Replace(full.substr(prefix.size()), '\\', '/');
            while (StartsWith(rest, "/")) rest.erase(0, 1);
            return kHostPrefix + (folder / rest).string();
        }
    }
    if (drive != nullptr && full.size() >= 2 && full[1] == ':' &&
        drives.count(UpperAscii(full[0]))) {
        *drive = UpperAscii(full[0]);
    }
    return kMemoryPrefix + Upper(full);
}

bool SimulatedMachine::State::FileKeyExists(const std::string& key) const {
    if (StartsWith(key, kHostPrefix)) {
        std::error_code error;
        return std::filesystem::is_regular_file(key.substr(std::string(kHostPrefix).size()), error);
    }
    return memoryFiles.count(key.substr(std::string(kMemoryPrefix).size())) != 0;
}

std::optional<std::string> SimulatedMachine::State::LoadFile(const std::string& key) const {
    if (StartsWith(key, kHostPrefix)) {
        if (!FileKeyExists(key)) return std::nullopt;
        std::ifstream in(key.substr(std::string(kHostPrefix).size()), std::ios::binary);
        if (!in) return std::nullopt;
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    auto it = memoryFiles.find(key.substr(std::string(kMemoryPrefix).size()));
    if (it == memoryFiles.end()) return std::nullopt;
    return it->second;
}

bool SimulatedMachine::State::StoreFile(const std::string& key, const std::string& contents) {
    if (StartsWith(key, kHostPrefix)) {
        std::ofstream out(key.substr(std::string(kHostPrefix).size()),
                          std::ios::binary | std::ios::trunc);
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
        return static_cast<bool>(out);
    }
    memoryFiles[key.substr(std::string(kMemoryPrefix).size())] = contents;
    return true;
}

bool SimulatedMachine::State::RemoveFile(const std::string& key) {
    if (StartsWith(key, kHostPrefix)) {
        std::error_code error;
        return std::filesystem::remove(key.substr(std::string(kHostPrefix).size()), error);
    }
    return memoryFiles.erase(key.substr(std::string(kMemoryPrefix).size())) != 0;
}

bool SimulatedMachine::State::FileIsOpen(const std::string& key) const {
    for (const auto& [value, object] : handles) {
        if (object.kind == HandleKind::File && object.fileKey == key) return true;
    }
    return false;
}

HANDLE SimulatedMachine::State::OpenFile(Call& call, const std::string& path, DWORD access,
                                         DWORD creation) {
    char drive = 0;
    const std::string key = FileKey(path, &drive);
    call.drive = drive;
    if (drive != 0 && !HasMedium(drive)) {
        Finish(call, false, ERROR_NOT_READY);
        return INVALID_HANDLE_VALUE;
    }
    const bool exists = FileKeyExists(key);
    DWORD error = ERROR_SUCCESS;
    bool truncate = false;
    switch (creation) {
        case OPEN_EXISTING:
            if (!exists) error = ERROR_FILE_NOT_FOUND;
            break;
        case CREATE_NEW:
            if (exists) error = ERROR_FILE_EXISTS;
            truncate = true;
            break;
        case CREATE_ALWAYS:
            truncate = true;
            break;
        case OPEN_ALWAYS:
            truncate = !exists;
            break;
        case TRUNCATE_EXISTING:
            if (!exists) error = ERROR_FILE_NOT_FOUND;
            truncate = true;
            break;
        default:
            error = ERROR_INVALID_PARAMETER;
    }
    if (error == ERROR_SUCCESS && truncate && !StoreFile(key, "")) error = ERROR_PATH_NOT_FOUND;
    if (error != ERROR_SUCCESS) {
        Finish(call, false, error);
        return INVALID_HANDLE_VALUE;
    }
    OpenObject object;
    object.kind = HandleKind::File;
    object.name = path;
    object.drive = drive;
    object.access = access;
    object.fileKey = key;
    call.handle = Open(object);
    Finish(call, true);
    return call.handle;
}

// ---- the machine's file table ----

void SimulatedMachine::MapDirectory(std::string windowsPrefix, std::filesystem::path hostFolder) {
    windowsPrefix = Replace(windowsPrefix, '/', '\\');
    while (!windowsPrefix.empty() && windowsPrefix.back() == '\\') windowsPrefix.pop_back();
    state_->mappedFolders.emplace_back(std::move(windowsPrefix), std::move(hostFolder));
}

void SimulatedMachine::AddFile(const std::string& path, std::string contents) {
    state_->StoreFile(state_->FileKey(path, nullptr), contents);
}

bool SimulatedMachine::FileExists(const std::string& path) const {
    return state_->FileKeyExists(state_->FileKey(path, nullptr));
}

std::optional<std::string> SimulatedMachine::FileContents(const std::string& path) const {
    return state_->LoadFile(state_->FileKey(path, nullptr));
}

// ---- Win32 ----

BOOL SimulatedMachine::CopyFileA(const char* from, const char* to, BOOL failIfExists) {
    Call call = state_->Begin("CopyFileA");
    call.name = from != nullptr ? from : "";
    call.target = to != nullptr ? to : "";
    call.flags = static_cast<DWORD>(failIfExists);
    char fromDrive = 0;
    char toDrive = 0;
    const std::string fromKey = state_->FileKey(call.name, &fromDrive);
    const std::string toKey = state_->FileKey(call.target, &toDrive);
    call.drive = toDrive != 0 ? toDrive : fromDrive;
    if (state_->Decide(call).fail) {
        state_->FinishInjected(call);
        return FALSE;
    }
    DWORD error = ERROR_SUCCESS;
    std::optional<std::string> contents;
    if (from == nullptr || to == nullptr) {
        error = ERROR_INVALID_PARAMETER;
    } else if ((fromDrive != 0 && !state_->HasMedium(fromDrive)) ||
               (toDrive != 0 && !state_->HasMedium(toDrive))) {
        error = ERROR_NOT_READY;
    } else if (!(contents = state_->LoadFile(fromKey))) {
        error = ERROR_FILE_NOT_FOUND;
    } else if (failIfExists && state_->FileKeyExists(toKey)) {
        error = ERROR_FILE_EXISTS;
    } else if (state_->FileIsOpen(toKey)) {
        error = ERROR_SHARING_VIOLATION;
    } else if (!state_->StoreFile(toKey, *contents)) {
        error = ERROR_PATH_NOT_FOUND;
    } else {
        call.moved = static_cast<DWORD>(contents->size());
    }
    state_->Finish(call, error == ERROR_SUCCESS, error);
    return error == ERROR_SUCCESS ? TRUE : FALSE;
}

BOOL SimulatedMachine::DeleteFileA(const char* path) {
    Call call = state_->Begin("DeleteFileA");
    call.name = path != nullptr ? path : "";
    char drive = 0;
    const std::string key = state_->FileKey(call.name, &drive);
    call.drive = drive;
    if (state_->Decide(call).fail) {
        state_->FinishInjected(call);
        return FALSE;
    }
    DWORD error = ERROR_SUCCESS;
    if (path == nullptr) {
        error = ERROR_INVALID_PARAMETER;
    } else if (drive != 0 && !state_->HasMedium(drive)) {
        error = ERROR_NOT_READY;
    } else if (!state_->FileKeyExists(key)) {
        error = ERROR_FILE_NOT_FOUND;
    } else if (state_->FileIsOpen(key)) {
        error = ERROR_SHARING_VIOLATION;
    } else if (!state_->RemoveFile(key)) {
        error = ERROR_ACCESS_DENIED;
    }
    state_->Finish(call, error == ERROR_SUCCESS, error);
    return error == ERROR_SUCCESS ? TRUE : FALSE;
}

}  // namespace win32::sim
