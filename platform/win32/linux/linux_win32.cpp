#include "platform/win32/linux/linux_win32.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/win32/linux/drive_files.h"
#include "platform/win32/linux/host_errors.h"
#include "platform/win32/linux/host_path.h"
#include "platform/win32/linux/open_file.h"
#include "platform/win32/linux/share_mode.h"

namespace win32::linux_host {
namespace {

// What GetVersion reports: Windows XP (5.1, build 2600), the NT family.
constexpr DWORD kWindowsXpVersion = (2600u << 16) | (1u << 8) | 5u;

constexpr std::size_t kCopyChunk = 64 * 1024;

// Windows' answer for a string into a caller's buffer: the length without
// the terminator when it fits, else the size the buffer needs.
DWORD CopyOut(const std::string& text, DWORD size, char* buffer) {
    const auto needed = static_cast<DWORD>(text.size() + 1);
    if (buffer == nullptr || size < needed) return needed;
    std::memcpy(buffer, text.c_str(), needed);
    return needed - 1;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// ENOENT from an open names the file when its folder exists, else the path.
DWORD OpenError(int error, const std::string& path) {
    if (error != ENOENT) return ErrorFromErrno(error);
    const auto parent = std::filesystem::path(path).parent_path();
    if (parent.empty() || Exists(parent.string())) return ERROR_FILE_NOT_FOUND;
    return ERROR_PATH_NOT_FOUND;
}

// The folder that holds this machine's system formatter: the build's own for
// a program run from the build tree, else the installed one.
std::string DefaultWindowsDirectory() {
    if (const char* dir = std::getenv("KERFA_WINDOWS_DIR"); dir != nullptr && *dir != '\0') {
        return dir;
    }
    std::error_code error;
    const std::string program = std::filesystem::read_symlink("/proc/self/exe", error).string();
    const std::string buildTree = std::string(KV_BUILD_TREE) + "/";
    if (!error && program.compare(0, buildTree.size(), buildTree) == 0) {
        return KV_BUILD_WINDOWS_DIR;
    }
    return KV_INSTALLED_WINDOWS_DIR;
}

}  // namespace

LinuxWin32::LinuxWin32(LinuxWin32Options options)
    : options_(std::move(options)), processes_(MakeProcesses(options_)) {
    if (options_.windowsDirectory.empty()) options_.windowsDirectory = DefaultWindowsDirectory();
    DiscoverDrives();
}

LinuxWin32::~LinuxWin32() = default;

BOOL LinuxWin32::Fail(DWORD error) {
    lastError_ = error;
    return FALSE;
}

void LinuxWin32::Report(const std::string& sentence) const {
    if (options_.reporter) options_.reporter(sentence);
}

HANDLE LinuxWin32::Adopt(std::unique_ptr<OpenFile> file) {
    // The entry's own address is the handle: unique while it is open, and
    // only ever looked up in the table, never dereferenced as given.
    HANDLE handle = file.get();
    files_.emplace(handle, std::move(file));
    return handle;
}

LinuxWin32::OpenFile* LinuxWin32::Find(HANDLE handle) {
    const auto it = files_.find(handle);
    if (it == files_.end()) {
        lastError_ = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    return it->second.get();
}

std::string LinuxWin32::HostPathOf(const char* windowsPath) {
    if (DriveLetterOfPath(windowsPath) != 0) {
        // A drive-rooted path has no folder of the host behind it.
        lastError_ = ERROR_PATH_NOT_FOUND;
        return {};
    }
    return SlashPath(windowsPath);
}

HANDLE LinuxWin32::CreateFileA(const char* name, DWORD access, DWORD share, void* /*security*/,
                               DWORD creation, DWORD flags, HANDLE /*templateFile*/) {
    lastError_ = ERROR_SUCCESS;
    if (name == nullptr || *name == '\0') {
        lastError_ = ERROR_PATH_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    if (const auto device = DeviceNamespaceName(name)) {
        // Only drive volumes: VWIN32 and every other device name are unknown.
        if (const Drive* drive = DriveOf(VolumeLetter(*device))) {
            return OpenVolume(*drive, access, share);
        }
        lastError_ = ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    const std::string path = HostPathOf(name);
    if (path.empty()) return INVALID_HANDLE_VALUE;
    HANDLE handle = OpenPath(path, access, share, creation);
    if (handle != INVALID_HANDLE_VALUE && (flags & FILE_FLAG_DELETE_ON_CLOSE) != 0) {
        files_.at(handle)->deleteOnClose = path;
    }
    return handle;
}

HANDLE LinuxWin32::OpenPath(const std::string& path, DWORD access, DWORD share, DWORD creation) {
    const bool wantRead = (access & GENERIC_READ) != 0;
    const bool wantWrite = (access & GENERIC_WRITE) != 0;
    const bool truncates = creation == CREATE_ALWAYS || creation == TRUNCATE_EXISTING;
    if (creation < CREATE_NEW || creation > TRUNCATE_EXISTING ||
        (creation == TRUNCATE_EXISTING && !wantWrite)) {
        lastError_ = ERROR_INVALID_PARAMETER;
        return INVALID_HANDLE_VALUE;
    }

    int flags = O_CLOEXEC | O_NOCTTY;
    if (wantWrite || truncates) {
        flags |= (wantRead || !wantWrite) ? O_RDWR : O_WRONLY;
    } else {
        flags |= O_RDONLY;
    }
    if (creation == CREATE_NEW) flags |= O_CREAT | O_EXCL;
    if (creation == CREATE_ALWAYS || creation == OPEN_ALWAYS) flags |= O_CREAT;

    const bool existed = Exists(path);
    auto file = std::make_unique<OpenFile>();
    file->fd = ::open(path.c_str(), flags, 0666);
    if (file->fd < 0) {
        lastError_ = OpenError(errno, path);
        return INVALID_HANDLE_VALUE;
    }
    struct stat st {};
    if (::fstat(file->fd, &st) != 0 || S_ISDIR(st.st_mode) || S_ISBLK(st.st_mode)) {
        // Folders do not open as files; disks open only through their drive.
        lastError_ = ERROR_ACCESS_DENIED;
        return INVALID_HANDLE_VALUE;
    }
    if (TakeShareLock(file->fd, share) != 0) {
        lastError_ = ERROR_SHARING_VIOLATION;
        return INVALID_HANDLE_VALUE;
    }
    // Truncated only once the share lock says nobody else holds it.
    if (truncates && existed && ::ftruncate(file->fd, 0) != 0) {
        lastError_ = ErrorFromErrno(errno, Transfer::Write);
        return INVALID_HANDLE_VALUE;
    }
    file->canRead = wantRead;
    file->canWrite = wantWrite;
    const bool reportsExisting = creation == CREATE_ALWAYS || creation == OPEN_ALWAYS;
    lastError_ = reportsExisting && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
    return Adopt(std::move(file));
}

BOOL LinuxWin32::DeviceIoControl(HANDLE device, DWORD code, void* /*in*/, DWORD /*inSize*/,
                                 void* out, DWORD outSize, DWORD* returned, void* overlapped) {
    if (returned != nullptr) *returned = 0;
    OpenFile* file = Find(device);
    if (file == nullptr) return FALSE;
    if (overlapped != nullptr) return Fail(ERROR_INVALID_PARAMETER);
    // Ordinary files answer no device request, volumes only the geometry.
    if (!file->volume || code != IOCTL_DISK_GET_DRIVE_GEOMETRY) {
        return Fail(ERROR_INVALID_FUNCTION);
    }
    return DriveGeometry(*file, out, outSize, returned);
}

DWORD LinuxWin32::SetFilePointer(HANDLE handle, LONG distance, LONG* distanceHigh, DWORD method) {
    OpenFile* file = Find(handle);
    if (file == nullptr) return INVALID_SET_FILE_POINTER;
    std::int64_t move = distance;
    if (distanceHigh != nullptr) {
        move = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(static_cast<DWORD>(*distanceHigh)) << 32) |
            static_cast<DWORD>(distance));
    }
    std::int64_t base = 0;
    if (method == FILE_CURRENT) {
        base = static_cast<std::int64_t>(file->position);
    } else if (method == FILE_END && file->volume) {
        base = static_cast<std::int64_t>(file->volume->size);
    } else if (method == FILE_END) {
        struct stat st {};
        if (::fstat(file->fd, &st) != 0) {
            lastError_ = ErrorFromErrno(errno);
            return INVALID_SET_FILE_POINTER;
        }
        base = st.st_size;
    } else if (method != FILE_BEGIN) {
        lastError_ = ERROR_INVALID_PARAMETER;
        return INVALID_SET_FILE_POINTER;
    }
    if ((move > 0 && base > INT64_MAX - move) || base + move < 0) {
        lastError_ = ERROR_NEGATIVE_SEEK;
        return INVALID_SET_FILE_POINTER;
    }
    const auto position = static_cast<std::uint64_t>(base + move);
    if (distanceHigh == nullptr && position > 0xFFFFFFFFu) {
        lastError_ = ERROR_INVALID_PARAMETER;
        return INVALID_SET_FILE_POINTER;
    }
    file->position = position;
    if (distanceHigh != nullptr) *distanceHigh = static_cast<LONG>(position >> 32);
    lastError_ = ERROR_SUCCESS;
    return static_cast<DWORD>(position);
}

BOOL LinuxWin32::ReadFile(HANDLE handle, void* buffer, DWORD size, DWORD* read, void* overlapped) {
    if (read != nullptr) *read = 0;
    OpenFile* file = Find(handle);
    if (file == nullptr) return FALSE;
    if (overlapped != nullptr || (buffer == nullptr && size > 0)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (!file->canRead) return Fail(ERROR_ACCESS_DENIED);
    if (file->volume) return ReadVolume(*file, buffer, size, read);
    auto* bytes = static_cast<char*>(buffer);
    DWORD done = 0;
    while (done < size) {
        const ssize_t n =
            ::pread(file->fd, bytes + done, size - done, static_cast<off_t>(file->position));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            if (read != nullptr) *read = done;
            return Fail(ErrorFromErrno(errno, Transfer::Read));
        }
        if (n == 0) break;  // end of file: a short read, not an error
        done += static_cast<DWORD>(n);
        file->position += static_cast<std::uint64_t>(n);
    }
    if (read != nullptr) *read = done;
    lastError_ = ERROR_SUCCESS;
    return TRUE;
}

BOOL LinuxWin32::WriteFile(HANDLE handle, const void* buffer, DWORD size, DWORD* written,
                           void* overlapped) {
    if (written != nullptr) *written = 0;
    OpenFile* file = Find(handle);
    if (file == nullptr) return FALSE;
    if (overlapped != nullptr || (buffer == nullptr && size > 0)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (!file->canWrite) return Fail(ERROR_ACCESS_DENIED);
    if (file->volume) return WriteVolume(*file, buffer, size, written);
    const auto* bytes = static_cast<const char*>(buffer);
    DWORD done = 0;
    while (done < size) {
        const ssize_t n =
            ::pwrite(file->fd, bytes + done, size - done, static_cast<off_t>(file->position));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (written != nullptr) *written = done;
            return Fail(n == 0 ? ERROR_DISK_FULL : ErrorFromErrno(errno, Transfer::Write));
        }
        done += static_cast<DWORD>(n);
        file->position += static_cast<std::uint64_t>(n);
    }
    if (written != nullptr) *written = done;
    lastError_ = ERROR_SUCCESS;
    return TRUE;
}

BOOL LinuxWin32::FlushFileBuffers(HANDLE handle) {
    OpenFile* file = Find(handle);
    if (file == nullptr) return FALSE;
    if (!file->canWrite) return Fail(ERROR_ACCESS_DENIED);
    if (::fsync(file->fd) != 0) return Fail(ErrorFromErrno(errno, Transfer::Write));
    lastError_ = ERROR_SUCCESS;
    return TRUE;
}

DWORD LinuxWin32::GetFileSize(HANDLE handle, DWORD* sizeHigh) {
    OpenFile* file = Find(handle);
    if (file == nullptr) return INVALID_FILE_SIZE;
    std::uint64_t size = 0;
    if (file->volume) {
        size = file->volume->size;
    } else {
        struct stat st {};
        if (::fstat(file->fd, &st) != 0) {
            lastError_ = ErrorFromErrno(errno);
            return INVALID_FILE_SIZE;
        }
        size = static_cast<std::uint64_t>(st.st_size);
    }
    if (sizeHigh != nullptr) *sizeHigh = static_cast<DWORD>(size >> 32);
    lastError_ = ERROR_SUCCESS;
    return static_cast<DWORD>(size);
}

BOOL LinuxWin32::CloseHandle(HANDLE handle) {
    if (OwnedByProcesses(handle)) return CloseProcessHandle(handle);
    if (files_.erase(handle) == 0) return Fail(ERROR_INVALID_HANDLE);
    lastError_ = ERROR_SUCCESS;
    return TRUE;
}

BOOL LinuxWin32::CopyFileA(const char* from, const char* to, BOOL failIfExists) {
    if (from == nullptr || to == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if (const auto onDrive = ParseDriveFilePath(to)) {
        const Drive* drive = DriveOf(onDrive->letter);
        if (drive == nullptr) return Fail(ERROR_PATH_NOT_FOUND);
        const std::string source = HostPathOf(from);
        if (source.empty()) return FALSE;
        const DWORD error = CopyIntoDrive({drive->info.path, MountPointOfDrive(*drive)}, source,
                                          onDrive->name, failIfExists != FALSE);
        lastError_ = error;
        return error == ERROR_SUCCESS ? TRUE : FALSE;
    }
    const std::string source = HostPathOf(from);
    const std::string target = HostPathOf(to);
    if (source.empty() || target.empty()) return FALSE;
    HANDLE in = OpenPath(source, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (in == INVALID_HANDLE_VALUE) return FALSE;
    HANDLE out = OpenPath(target, GENERIC_WRITE, 0, failIfExists ? CREATE_NEW : CREATE_ALWAYS);
    if (out == INVALID_HANDLE_VALUE) {
        const DWORD error = lastError_;
        CloseHandle(in);
        return Fail(error);
    }
    struct stat st {};
    if (::fstat(files_.at(in)->fd, &st) == 0) ::fchmod(files_.at(out)->fd, st.st_mode & 07777);

    std::array<char, kCopyChunk> chunk{};
    BOOL ok = TRUE;
    for (;;) {
        DWORD got = 0;
        DWORD put = 0;
        ok = ReadFile(in, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr);
        if (!ok || got == 0) break;
        ok = WriteFile(out, chunk.data(), got, &put, nullptr);
        if (!ok) break;
    }
    const DWORD error = lastError_;
    CloseHandle(in);
    CloseHandle(out);
    if (!ok) {
        // No half copy is left behind.
        ::unlink(target.c_str());
        return Fail(error);
    }
    lastError_ = ERROR_SUCCESS;
    return TRUE;
}

BOOL LinuxWin32::DeleteFileA(const char* path) {
    if (path == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if (const auto onDrive = ParseDriveFilePath(path)) {
        const Drive* drive = DriveOf(onDrive->letter);
        if (drive == nullptr) return Fail(ERROR_PATH_NOT_FOUND);
        const DWORD error =
            DeleteFromDrive({drive->info.path, MountPointOfDrive(*drive)}, onDrive->name);
        lastError_ = error;
        return error == ERROR_SUCCESS ? TRUE : FALSE;
    }
    const std::string host = HostPathOf(path);
    if (host.empty()) return FALSE;
    const int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0 && errno != ELOOP && errno != EACCES) return Fail(OpenError(errno, host));
    if (fd >= 0) {
        struct stat st {};
        const bool isFolder = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
        // An open handle shares no deletion, as on Windows.
        const bool held = !isFolder && HeldByAnOpen(fd);
        ::close(fd);
        if (isFolder) return Fail(ERROR_ACCESS_DENIED);
        if (held) return Fail(ERROR_SHARING_VIOLATION);
    }
    if (::unlink(host.c_str()) != 0) return Fail(OpenError(errno, host));
    lastError_ = ERROR_SUCCESS;
    return TRUE;
}

DWORD LinuxWin32::GetLastError() {
    return lastError_;
}

DWORD LinuxWin32::GetVersion() {
    return kWindowsXpVersion;
}

LANGID LinuxWin32::GetSystemDefaultLangID() {
    return LanguageFromLocale();
}

UINT LinuxWin32::GetWindowsDirectoryA(char* buffer, UINT size) {
    return CopyOut(options_.windowsDirectory, size, buffer);
}

DWORD LinuxWin32::GetCurrentDirectoryA(DWORD size, char* buffer) {
    std::error_code error;
    const auto cwd = std::filesystem::current_path(error);
    if (error) {
        lastError_ = ErrorFromErrno(error.value());
        return 0;
    }
    lastError_ = ERROR_SUCCESS;
    return CopyOut(cwd.string(), size, buffer);
}

int LinuxWin32::OpenHandles() const {
    return static_cast<int>(files_.size()) + ProcessHandles();
}

}  // namespace win32::linux_host
