#include "platform/win32/linux/linux_processes.h"

#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/win32/linux/child_spawn.h"
#include "platform/win32/linux/command_interpreter.h"
#include "platform/win32/linux/command_line.h"

namespace win32::linux_host {

namespace {

// Codes of the process calls beyond the shared set.
constexpr DWORD ERROR_BAD_ENVIRONMENT = 10;
constexpr DWORD ERROR_BAD_FORMAT = 11;
constexpr DWORD ERROR_BAD_EXE_FORMAT = 193;
constexpr DWORD ERROR_DIRECTORY = 267;

// STARTUPINFOA flag for handles we cannot hand to a child.
constexpr DWORD STARTF_USESTDHANDLES = 0x00000100u;

// WinExec's result for a started program: anything above 31 means success.
constexpr UINT kWinExecStarted = 33;
constexpr UINT kWinExecHighestError = 31;

// A child that died of signal N reports this plus N, as shells do.
constexpr DWORD kSignalExitBase = 128;
// Someone else reaped the child; its code is lost.
constexpr DWORD kExitCodeUnknown = 0xFFFFFFFFu;

// Between two looks at a child that a time-out wait polls.
constexpr auto kPollPause = std::chrono::milliseconds(2);

DWORD ErrorOfStart(int error) {
    switch (error) {
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
        case ELOOP:
        case ENAMETOOLONG:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case ENOEXEC:
        case ELIBBAD:
            return ERROR_BAD_EXE_FORMAT;
        case ETXTBSY:
            return ERROR_SHARING_VIOLATION;
        case ENOMEM:
        case EAGAIN:
            return ERROR_NOT_ENOUGH_MEMORY;
        case E2BIG:
            return ERROR_BAD_ENVIRONMENT;
        default:
            return ERROR_GEN_FAILURE;
    }
}

bool IsRunnableFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// A Windows path names a host file with slashes.
std::string HostSlashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string WithoutTrailingBlanks(std::string text) {
    while (!text.empty() && IsBlank(text.back())) text.pop_back();
    return text;
}

// A relative path names a file from our working directory, also for a child
// that starts in another one.
std::string ProgramPath(std::string program) {
    if (program.find('/') == std::string::npos || program.front() == '/') return program;
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(program, ignored);
    return absolute.empty() ? program : absolute.string();
}

// "NAME=value\0NAME=value\0\0".
std::vector<std::string> EnvironmentOfBlock(const char* block) {
    std::vector<std::string> variables;
    for (const char* p = block; *p != '\0'; p += std::strlen(p) + 1) variables.emplace_back(p);
    return variables;
}

struct Child {
    pid_t pid = -1;
    bool ended = false;
    DWORD exitCode = STILL_ACTIVE;

    void Record(int status) {
        ended = true;
        if (WIFEXITED(status)) {
            exitCode = static_cast<DWORD>(WEXITSTATUS(status));
        } else if (WIFSIGNALED(status)) {
            exitCode = kSignalExitBase + static_cast<DWORD>(WTERMSIG(status));
        } else {
            exitCode = kExitCodeUnknown;
        }
    }

    // Looks once (or waits) and reaps when it has ended.
    void Reap(bool wait) {
        if (ended) return;
        int status = 0;
        for (;;) {
            const pid_t reaped = ::waitpid(pid, &status, wait ? 0 : WNOHANG);
            if (reaped == pid) {
                Record(status);
                return;
            }
            if (reaped == 0) return;
            if (errno == EINTR) continue;
            ended = true;
            exitCode = kExitCodeUnknown;
            return;
        }
    }
};

enum class HandleKind { Process, Thread };

struct HandleEntry {
    HandleKind kind;
    std::shared_ptr<Child> child;
};

struct StartRequest {
    const char* applicationName = nullptr;
    std::string_view commandLine;
    bool interpreterLine = false;  // commandLine is already the interpreter's line
    bool hidden = false;           // started with its window hidden
    const char* directory = nullptr;
    const char* environmentBlock = nullptr;
};

}  // namespace

struct Processes::Table {
    std::map<HANDLE, std::unique_ptr<HandleEntry>> handles;
    std::vector<std::shared_ptr<Child>> unreaped;
    std::shared_ptr<Child> lastWinExec;
    DWORD lastError = ERROR_SUCCESS;
    bool hiddenOutputToErrors = false;

    // Reaps whatever has ended since the last call.
    void ReapEnded() {
        std::erase_if(unreaped, [](const std::shared_ptr<Child>& child) {
            child->Reap(false);
            return child->ended;
        });
    }

    HandleEntry* Find(HANDLE handle) {
        const auto it = handles.find(handle);
        return it == handles.end() ? nullptr : it->second.get();
    }

    HANDLE Open(HandleKind kind, std::shared_ptr<Child> child) {
        auto entry = std::make_unique<HandleEntry>(HandleEntry{kind, std::move(child)});
        HANDLE handle = entry.get();
        handles.emplace(handle, std::move(entry));
        return handle;
    }

    bool Fail(DWORD error) {
        lastError = error;
        return false;
    }

    // Starts the program of a command line; the child, or nothing with
    // lastError set.
    std::shared_ptr<Child> Start(const StartRequest& start) {
        SpawnRequest spawn;
        std::string programLine(start.commandLine);
        std::optional<std::string> interpreterLine;
        if (start.interpreterLine) {
            interpreterLine = programLine;
        } else if (start.applicationName == nullptr) {
            interpreterLine = InterpreterLineOf(programLine, IsRunnableFile);
        }
        if (interpreterLine) {
            auto command = ParseInterpreterLine(*interpreterLine);
            if (!command) {
                Fail(ERROR_BAD_FORMAT);
                return nullptr;
            }
            programLine = command->commandLine;
            spawn.inputPath = HostSlashes(command->inputPath);
        }
        spawn.arguments = SplitCommandLine(programLine);
        spawn.program = WithoutTrailingBlanks(
            start.applicationName != nullptr ? start.applicationName : spawn.arguments.front());
        if (start.applicationName == nullptr) spawn.arguments.front() = spawn.program;
        if (spawn.program.empty()) {
            Fail(ERROR_FILE_NOT_FOUND);
            return nullptr;
        }
        spawn.program = ProgramPath(HostSlashes(spawn.program));
        spawn.outputToErrors = start.hidden && hiddenOutputToErrors;

        if (start.directory != nullptr) {
            struct stat status {};
            if (::stat(start.directory, &status) != 0 || !S_ISDIR(status.st_mode)) {
                Fail(ERROR_DIRECTORY);
                return nullptr;
            }
            spawn.directory = start.directory;
        }
        std::vector<std::string> environment;
        if (start.environmentBlock != nullptr) {
            environment = EnvironmentOfBlock(start.environmentBlock);
            spawn.environment = &environment;
        }

        const SpawnResult spawned = SpawnChild(spawn);
        if (spawned.error != 0) {
            Fail(ErrorOfStart(spawned.error));
            return nullptr;
        }
        auto child = std::make_shared<Child>();
        child->pid = spawned.pid;
        unreaped.push_back(child);
        lastError = ERROR_SUCCESS;
        return child;
    }
};

Processes::Processes(bool hiddenOutputToErrors) : table_(std::make_unique<Table>()) {
    table_->hiddenOutputToErrors = hiddenOutputToErrors;
}

Processes::~Processes() {
    table_->ReapEnded();
    // Children still running outlive the table, as they outlive their
    // handles on Windows; a thread of their own reaps each when it ends.
    for (const std::shared_ptr<Child>& child : table_->unreaped) {
        try {
            std::thread([pid = child->pid] {
                int status = 0;
                while (::waitpid(pid, &status, 0) == -1 && errno == EINTR) {
                }
            }).detach();
        } catch (const std::system_error&) {
            // No thread to be had: the child is adopted and reaped by the
            // system once this program ends.
        }
    }
}

void Processes::GetStartupInfoA(STARTUPINFOA* info) {
    if (info == nullptr) return;
    std::memset(info, 0, sizeof *info);
    info->cb = sizeof *info;
}

BOOL Processes::CreateProcessA(const char* applicationName, char* commandLine,
                               void* /*processAttributes*/, void* /*threadAttributes*/,
                               BOOL /*inheritHandles*/, DWORD /*creationFlags*/, void* environment,
                               const char* currentDirectory, STARTUPINFOA* startupInfo,
                               PROCESS_INFORMATION* processInformation) {
    Table& table = *table_;
    table.ReapEnded();
    if (processInformation == nullptr || (applicationName == nullptr && commandLine == nullptr)) {
        return table.Fail(ERROR_INVALID_PARAMETER);
    }
    if (startupInfo != nullptr && (startupInfo->dwFlags & STARTF_USESTDHANDLES) != 0) {
        return table.Fail(ERROR_NOT_SUPPORTED);
    }
    StartRequest start;
    start.applicationName = applicationName;
    start.commandLine = commandLine != nullptr ? commandLine : applicationName;
    start.directory = currentDirectory;
    start.environmentBlock = static_cast<const char*>(environment);
    start.hidden = startupInfo != nullptr && (startupInfo->dwFlags & STARTF_USESHOWWINDOW) != 0 &&
                   startupInfo->wShowWindow == SW_HIDE;
    std::shared_ptr<Child> child = table.Start(start);
    if (!child) return FALSE;

    processInformation->dwProcessId = static_cast<DWORD>(child->pid);
    // The main thread of a Linux process carries the process's id.
    processInformation->dwThreadId = static_cast<DWORD>(child->pid);
    processInformation->hProcess = table.Open(HandleKind::Process, child);
    processInformation->hThread = table.Open(HandleKind::Thread, child);
    return TRUE;
}

DWORD Processes::WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    Table& table = *table_;
    table.ReapEnded();
    HandleEntry* entry = table.Find(handle);
    if (entry == nullptr) {
        table.Fail(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    Child& child = *entry->child;
    if (milliseconds == INFINITE) {
        child.Reap(true);
    } else {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        child.Reap(false);
        while (!child.ended && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
                kPollPause, deadline - std::chrono::steady_clock::now()));
            child.Reap(false);
        }
    }
    table.ReapEnded();
    table.lastError = ERROR_SUCCESS;
    return child.ended ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

UINT Processes::WinExec(const char* commandLine, UINT show) {
    Table& table = *table_;
    table.ReapEnded();
    table.lastWinExec.reset();
    if (commandLine == nullptr) {
        table.Fail(ERROR_BAD_FORMAT);
        return ERROR_BAD_FORMAT;
    }
    StartRequest start;
    start.commandLine = commandLine;
    start.hidden = show == SW_HIDE;
    table.lastWinExec = table.Start(start);
    if (table.lastWinExec) return kWinExecStarted;
    // WinExec reports only the small codes; the rest say the file is no program.
    return table.lastError <= kWinExecHighestError ? static_cast<UINT>(table.lastError)
                                                   : static_cast<UINT>(ERROR_BAD_FORMAT);
}

int Processes::system(const char* command) {
    Table& table = *table_;
    table.ReapEnded();
    if (command == nullptr) return 1;
    StartRequest start;
    start.commandLine = command;
    start.interpreterLine = true;
    std::shared_ptr<Child> child = table.Start(start);
    if (!child) return -1;
    child->Reap(true);
    table.ReapEnded();
    return static_cast<int>(child->exitCode);
}

BOOL Processes::GetExitCodeProcess(HANDLE process, DWORD* exitCode) {
    Table& table = *table_;
    table.ReapEnded();
    HandleEntry* entry = table.Find(process);
    if (entry == nullptr || exitCode == nullptr) {
        return table.Fail(entry == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    }
    *exitCode = entry->child->exitCode;
    table.lastError = ERROR_SUCCESS;
    return TRUE;
}

HANDLE Processes::OpenLastWinExecProcess() {
    Table& table = *table_;
    table.ReapEnded();
    if (!table.lastWinExec) return nullptr;
    return table.Open(HandleKind::Process, table.lastWinExec);
}

bool Processes::Owns(HANDLE handle) const {
    return table_->handles.count(handle) != 0;
}

BOOL Processes::CloseHandle(HANDLE handle) {
    Table& table = *table_;
    if (table.handles.erase(handle) == 0) return table.Fail(ERROR_INVALID_HANDLE);
    table.ReapEnded();
    table.lastError = ERROR_SUCCESS;
    return TRUE;
}

int Processes::OpenHandles() const {
    return static_cast<int>(table_->handles.size());
}

DWORD Processes::LastError() const {
    return table_->lastError;
}

}  // namespace win32::linux_host
