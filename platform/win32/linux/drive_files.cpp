#include "platform/win32/linux/drive_files.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

extern char** environ;

namespace win32::linux_host {

namespace {

constexpr DWORD ERROR_INVALID_NAME = 123;

// The root folder of the filesystem in mtools' "-i IMAGE" form.
constexpr char kImageRoot[] = "::";
// mtools' own check of the geometry refuses images that every FAT reader
// accepts; the boot sector says all there is.
constexpr char kSkipGeometryCheck[] = "MTOOLS_SKIP_CHECK=1";
constexpr char kNullDevice[] = "/dev/null";

// Signs a Windows file name may not hold, and mtools' wildcards among them.
constexpr std::string_view kNotInNames = "\\/:*?\"<>|";

bool IsRootName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || kNotInNames.find(c) != std::string_view::npos) {
            return false;
        }
    }
    return true;
}

bool IsRegularFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

DWORD ErrorOfHold(int error) {
    switch (error) {
        case EBUSY:
        case EWOULDBLOCK:
            return ERROR_SHARING_VIOLATION;
        case EACCES:
        case EPERM:
            return ERROR_ACCESS_DENIED;
        default:
            return ERROR_NOT_READY;
    }
}

// Keeps others off the medium while the tools work on it: an exclusive open
// of a device node (refused while the kernel or a formatter holds it) and the
// advisory lock that format.com takes while it formats.
class MediumHold {
  public:
    explicit MediumHold(const std::string& path) {
        struct stat status {};
        const bool blockDevice = ::stat(path.c_str(), &status) == 0 && S_ISBLK(status.st_mode);
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | (blockDevice ? O_EXCL : 0));
        if (fd_ < 0) {
            error_ = ErrorOfHold(errno);
        } else if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            error_ = ErrorOfHold(errno);
        }
    }
    ~MediumHold() {
        if (fd_ >= 0) ::close(fd_);
    }
    MediumHold(const MediumHold&) = delete;
    MediumHold& operator=(const MediumHold&) = delete;

    DWORD error() const { return error_; }

  private:
    int fd_ = -1;
    DWORD error_ = ERROR_SUCCESS;
};

// Runs one of the mtools without a shell and without its output: its exit
// status, or -1.
int RunTool(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<char*> environment;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        environment.push_back(*variable);
    }
    std::string skipCheck = kSkipGeometryCheck;
    environment.push_back(skipCheck.data());
    environment.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (::posix_spawn_file_actions_init(&actions) != 0) return -1;
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, kNullDevice, O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, kNullDevice, O_WRONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, kNullDevice, O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned =
        ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environment.data());
    ::posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool ExistsOnImage(const std::string& image, const std::string& name) {
    return RunTool({"mdir", "-b", "-i", image, kImageRoot + name}) == 0;
}

// The tools read a leading '-' as an option.
std::string AsOperand(const std::string& path) {
    return path.empty() || path.front() != '-' ? path : "./" + path;
}

DWORD CopyThroughMountPoint(const std::string& mountPoint, const std::string& source,
                            const std::string& name, bool failIfExists) {
    const std::filesystem::path target = std::filesystem::path(mountPoint) / name;
    std::error_code error;
    if (failIfExists && std::filesystem::exists(target, error)) return ERROR_FILE_EXISTS;
    std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing,
                               error);
    if (!error) return ERROR_SUCCESS;
    return error == std::errc::permission_denied || error == std::errc::read_only_file_system
               ? ERROR_ACCESS_DENIED
               : ERROR_NOT_READY;
}

}  // namespace

std::optional<DriveFilePath> ParseDriveFilePath(std::string_view path) {
    if (path.size() < 3 || path[1] != ':' || (path[2] != '\\' && path[2] != '/')) {
        return std::nullopt;
    }
    const char letter = path[0];
    DriveFilePath parsed;
    if (letter >= 'a' && letter <= 'z') {
        parsed.letter = static_cast<char>(letter - 'a' + 'A');
    } else if (letter >= 'A' && letter <= 'Z') {
        parsed.letter = letter;
    } else {
        return std::nullopt;
    }
    const std::string name(path.substr(3));
    if (IsRootName(name)) parsed.name = name;
    return parsed;
}

DWORD CopyIntoDrive(const DriveMedium& medium, const std::string& hostSource,
                    const std::string& name, bool failIfExists) {
    if (!IsRootName(name)) return ERROR_INVALID_NAME;
    if (!IsRegularFile(hostSource)) return ERROR_FILE_NOT_FOUND;
    if (!medium.mountPoint.empty()) {
        return CopyThroughMountPoint(medium.mountPoint, hostSource, name, failIfExists);
    }
    const MediumHold hold(medium.path);
    if (hold.error() != ERROR_SUCCESS) return hold.error();
    if (failIfExists && ExistsOnImage(medium.path, name)) return ERROR_FILE_EXISTS;
    // -D o: a file of that name is overwritten, without a question.
    if (RunTool({"mcopy", "-D", "o", "-i", medium.path, AsOperand(hostSource),
                 kImageRoot + name}) != 0) {
        return ERROR_NOT_READY;
    }
    return ERROR_SUCCESS;
}

DWORD DeleteFromDrive(const DriveMedium& medium, const std::string& name) {
    if (!IsRootName(name)) return ERROR_INVALID_NAME;
    if (!medium.mountPoint.empty()) {
        std::error_code error;
        if (std::filesystem::remove(std::filesystem::path(medium.mountPoint) / name, error)) {
            return ERROR_SUCCESS;
        }
        return error ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
    }
    const MediumHold hold(medium.path);
    if (hold.error() != ERROR_SUCCESS) return hold.error();
    if (!ExistsOnImage(medium.path, name)) {
        // Nothing to list at all: no filesystem the tools can read.
        return RunTool({"mdir", "-b", "-i", medium.path, kImageRoot}) == 0 ? ERROR_FILE_NOT_FOUND
                                                                           : ERROR_NOT_READY;
    }
    if (RunTool({"mdel", "-i", medium.path, kImageRoot + name}) != 0) return ERROR_NOT_READY;
    return ERROR_SUCCESS;
}

}  // namespace win32::linux_host
