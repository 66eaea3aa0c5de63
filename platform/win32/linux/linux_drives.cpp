// LinuxWin32's drives: the drive list, the volumes behind "\\.\E:", their
// geometry and their filesystem's label.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/win32/linux/host_errors.h"
#include "platform/win32/linux/host_path.h"
#include "platform/win32/linux/linux_win32.h"
#include "platform/win32/linux/mount_table.h"
#include "platform/win32/linux/open_file.h"
#include "platform/win32/linux/share_mode.h"
#include "platform/win32/linux/volume_label.h"

namespace win32::linux_host {
namespace {

// Drive letters handed out: A and B are floppies' and C the system's on
// Windows, so the first drive here is D.
constexpr char kFirstDriveLetter = 'D';
constexpr char kLastDriveLetter = 'Z';

constexpr DWORD kSectorBytes = 512;
// The translated geometry Windows reports for disks of this size class.
constexpr DWORD kTracksPerCylinder = 255;
constexpr DWORD kSectorsPerTrack = 63;

constexpr DWORD ERROR_UNRECOGNIZED_VOLUME = 1005;
constexpr DWORD kMaxComponentLength = 255;
constexpr DWORD FILE_CASE_PRESERVED_NAMES = 0x00000002;
constexpr DWORD FILE_UNICODE_ON_DISK = 0x00000004;

bool IsFloppy(const std::string& disk) {
    return disk.rfind("fd", 0) == 0;
}

std::string Reason(const std::string& path, int error) {
    switch (error) {
        case EBUSY:
            return path + ": device is busy (held exclusively by the system or another program)";
        case EROFS:
            return path + ": medium is write-protected";
        default:
            return path + ": " + std::strerror(error);
    }
}

bool IsWriteRefusal(int error) {
    return error == EROFS || error == EPERM || error == EACCES;
}

// Whether a write refusal came from the medium itself: a read-only block
// device, or a file on a read-only filesystem.
bool IsReadOnlyMedium(int fd, bool blockDevice, int refusal) {
    if (!blockDevice) return refusal == EROFS;
    int readOnly = 0;
    return ::ioctl(fd, BLKROGET, &readOnly) == 0 && readOnly != 0;
}

// An image whose filesystem refuses a direct transfer of this shape goes on
// through the page cache, which every reader of the file sees alike. Block
// devices never fall back.
bool DropDirectIo(VolumeIo& io) {
    struct stat st {};
    if (!io.direct || ::fstat(io.fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (::fcntl(io.fd, F_SETFL, ::fcntl(io.fd, F_GETFL) & ~O_DIRECT) != 0) return false;
    io.direct = false;
    return true;
}

// A string into a caller's buffer of `size` bytes, terminator included.
bool CopyString(const std::string& text, char* buffer, DWORD size) {
    if (buffer == nullptr) return true;
    if (text.size() + 1 > size) return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

}  // namespace

void LinuxWin32::DiscoverDrives() {
    for (const auto& image : options_.images) AddImage(image);
    if (!options_.blockDevices) return;
    const Sysfs sysfs(options_.sysfsRoot, options_.devRoot);
    for (auto& device : sysfs.RemovableDrives()) {
        const bool named = std::any_of(drives_.begin(), drives_.end(), [&](const Drive& d) {
            return d.device && d.device->number == device.number;
        });
        if (named) continue;
        Drive drive;
        drive.info.path = sysfs.Node(device.name);
        drive.device = std::move(device);
        AddDrive(std::move(drive));
    }
}

char LinuxWin32::AddDrive(Drive drive) {
    for (char letter = kFirstDriveLetter; letter <= kLastDriveLetter; ++letter) {
        if (DriveOf(letter) == nullptr) {
            drive.info.letter = letter;
            // Children such as format.com learn the drive's medium from here.
            // Absolute, as a child may start in another working directory.
            std::error_code ignored;
            const std::string medium = std::filesystem::absolute(drive.info.path, ignored).string();
            ::setenv(("KERFA_DRIVE_" + std::string(1, letter)).c_str(),
                     medium.empty() ? drive.info.path.c_str() : medium.c_str(), 1);
            drives_.push_back(std::move(drive));
            std::sort(drives_.begin(), drives_.end(),
                      [](const Drive& a, const Drive& b) { return a.info.letter < b.info.letter; });
            return letter;
        }
    }
    Report(drive.info.path + ": no drive letter is left for it");
    return 0;
}

char LinuxWin32::AddImage(const std::string& path) {
    Drive drive;
    drive.info.path = path;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISBLK(st.st_mode)) {
        const Sysfs sysfs(options_.sysfsRoot, options_.devRoot);
        drive.device = sysfs.ByNumber({::major(st.st_rdev), ::minor(st.st_rdev)});
    } else {
        drive.info.isImage = true;
    }
    return AddDrive(std::move(drive));
}

std::vector<DriveInfo> LinuxWin32::Drives() const {
    std::vector<DriveInfo> drives;
    for (const auto& drive : drives_) drives.push_back(drive.info);
    return drives;
}

const LinuxWin32::Drive* LinuxWin32::DriveOf(char letter) const {
    for (const auto& drive : drives_) {
        if (drive.info.letter == letter) return &drive;
    }
    return nullptr;
}

std::optional<LinuxWin32::LoopMount> LinuxWin32::MountedLoopOver(const Drive& drive) const {
    // Cheap first: with no loop mounted at all, the loop devices need no look.
    if (!AnyLoopMounted(options_.mountInfo)) return std::nullopt;
    const Sysfs sysfs(options_.sysfsRoot, options_.devRoot);
    for (const auto& loop : sysfs.LoopsBacking(drive.info.path)) {
        if (const auto at = MountPointOf(options_.mountInfo, sysfs.Family(loop))) {
            return LoopMount{sysfs.Node(loop), *at};
        }
    }
    return std::nullopt;
}

std::string LinuxWin32::MountPointOfDrive(const Drive& drive) const {
    if (drive.device) {
        const Sysfs sysfs(options_.sysfsRoot, options_.devRoot);
        return MountPointOf(options_.mountInfo, sysfs.Family(drive.device->disk)).value_or("");
    }
    const auto mounted = MountedLoopOver(drive);
    return mounted ? mounted->at : std::string();
}

std::string LinuxWin32::WhyNotWritable(const Drive& drive) const {
    const Sysfs sysfs(options_.sysfsRoot, options_.devRoot);
    if (drive.device) {
        // Any mounted partition of the disk keeps the whole disk off limits.
        if (const auto at = MountPointOf(options_.mountInfo, sysfs.Family(drive.device->disk))) {
            return drive.info.path + ": device is mounted at " + *at + "; unmount it first";
        }
        return {};
    }
    if (const auto mounted = MountedLoopOver(drive)) {
        return drive.info.path + ": image is attached to " + mounted->loop +
               ", which is mounted at " + mounted->at + "; unmount it first";
    }
    return {};
}

HANDLE LinuxWin32::OpenVolume(const Drive& drive, DWORD access, DWORD share) {
    const std::string& path = drive.info.path;
    const bool wantRead = (access & GENERIC_READ) != 0;
    const bool wantWrite = (access & GENERIC_WRITE) != 0;
    auto file = std::make_unique<OpenFile>();
    VolumeState volume;
    volume.path = path;
    if (drive.device) {
        const Sysfs sysfs(options_.sysfsRoot, options_.devRoot);
        const std::string& disk = drive.device->disk;
        volume.media = IsFloppy(disk)          ? F3_1Pt44_512
                       : sysfs.Removable(disk) ? RemovableMedia
                                               : FixedMedia;
    } else if (!drive.info.isImage) {
        volume.media = FixedMedia;  // a block device sysfs does not describe
    }

    if (wantWrite) {
        if (const std::string why = WhyNotWritable(drive); !why.empty()) {
            Report(why);
            lastError_ = ERROR_BUSY;
            return INVALID_HANDLE_VALUE;
        }
    }

    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const int error = errno;
        Report(Reason(path, error));
        lastError_ = ErrorFromErrno(error);
        return INVALID_HANDLE_VALUE;
    }
    const bool blockDevice = S_ISBLK(st.st_mode);
    if (!blockDevice && !S_ISREG(st.st_mode)) {
        Report(path + ": neither a disk image file nor a block device");
        lastError_ = ERROR_ACCESS_DENIED;
        return INVALID_HANDLE_VALUE;
    }

    if (wantRead || wantWrite) {
        int flags = O_CLOEXEC | O_DIRECT | (wantWrite ? O_RDWR : O_RDONLY);
        // Exclusive on a block device: the kernel cannot mount it meanwhile.
        if (wantWrite && blockDevice) flags |= O_EXCL;
        int fd = ::open(path.c_str(), flags);
        if (fd < 0 && errno == EINVAL && !blockDevice) {
            // A filesystem without direct I/O: the page cache is then what
            // every reader of the image sees, so buffered transfers are true.
            flags &= ~O_DIRECT;
            fd = ::open(path.c_str(), flags);
        }
        if (fd < 0 && wantWrite && IsWriteRefusal(errno)) {
            // A read-only medium is still readable; its writes are refused
            // with the reason.
            const int refusal = errno;
            const int readOnlyFlags = (flags & ~(O_RDWR | O_EXCL)) | O_RDONLY;
            fd = ::open(path.c_str(), readOnlyFlags);
            if (fd >= 0 && IsReadOnlyMedium(fd, blockDevice, refusal)) {
                volume.writeProtected = true;
                flags = readOnlyFlags;
            } else {
                if (fd >= 0) ::close(fd);
                fd = -1;
                errno = refusal;
            }
        }
        if (fd < 0) {
            const int error = errno;
            Report(Reason(path, error));
            lastError_ = ErrorFromErrno(error);
            return INVALID_HANDLE_VALUE;
        }
        file->fd = fd;
        // Some kernels open a read-only device for writing and fail each write.
        if (wantWrite && blockDevice && IsReadOnlyMedium(fd, true, 0)) {
            volume.writeProtected = true;
        }
        if (TakeShareLock(fd, share) != 0) {
            Report(path + ": drive is open elsewhere without sharing");
            lastError_ = ERROR_SHARING_VIOLATION;
            return INVALID_HANDLE_VALUE;
        }
        volume.io.fd = fd;
        volume.io.direct = (flags & O_DIRECT) != 0;
        volume.io.blockSize = kSectorBytes;
    }

    if (blockDevice && file->fd >= 0) {
        std::uint64_t bytes = 0;
        int logical = 0;
        if (::ioctl(file->fd, BLKGETSIZE64, &bytes) == 0) volume.size = bytes;
        if (::ioctl(file->fd, BLKSSZGET, &logical) == 0 && logical > 0) {
            volume.io.blockSize = static_cast<std::size_t>(logical);
        }
    } else if (blockDevice) {
        volume.size = drive.device ? drive.device->sectors * kSectorBytes : 0;
    } else {
        volume.size = static_cast<std::uint64_t>(st.st_size);
    }
    file->canRead = wantRead;
    file->canWrite = wantWrite;
    file->volume = std::move(volume);
    lastError_ = ERROR_SUCCESS;
    return Adopt(std::move(file));
}

BOOL LinuxWin32::ReadVolume(OpenFile& file, void* buffer, DWORD size, DWORD* read) {
    VolumeState& volume = *file.volume;
    // A volume moves whole sectors only, as on Windows.
    if (size % kSectorBytes != 0 || file.position % kSectorBytes != 0) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (size == 0) {
        lastError_ = ERROR_SUCCESS;
        return TRUE;
    }
    if (file.position >= volume.size) return Fail(ERROR_SECTOR_NOT_FOUND);
    // A request that runs past the end moves what is there.
    const std::uint64_t available = volume.size - file.position;
    const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(size, available));
    Transferred moved = ReadAt(volume.io, file.position, buffer, wanted);
    if (moved.error == EINVAL && moved.bytes == 0 && DropDirectIo(volume.io)) {
        moved = ReadAt(volume.io, file.position, buffer, wanted);
    }
    file.position += moved.bytes;
    if (read != nullptr) *read = static_cast<DWORD>(moved.bytes);
    if (moved.error != 0) return Fail(ErrorFromErrno(moved.error, Transfer::Read));
    lastError_ = ERROR_SUCCESS;
    return TRUE;
}

BOOL LinuxWin32::WriteVolume(OpenFile& file, const void* buffer, DWORD size, DWORD* written) {
    VolumeState& volume = *file.volume;
    if (volume.writeProtected) {
        Report(Reason(volume.path, EROFS));
        return Fail(ERROR_WRITE_PROTECT);
    }
    if (size % kSectorBytes != 0 || file.position % kSectorBytes != 0) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    // Nothing is written when the request does not fit on the medium.
    if (file.position > volume.size || size > volume.size - file.position) {
        return Fail(ERROR_SECTOR_NOT_FOUND);
    }
    Transferred moved = WriteAt(volume.io, file.position, buffer, size);
    if (moved.error == EINVAL && moved.bytes == 0 && DropDirectIo(volume.io)) {
        moved = WriteAt(volume.io, file.position, buffer, size);
    }
    file.position += moved.bytes;
    if (written != nullptr) *written = static_cast<DWORD>(moved.bytes);
    if (moved.error != 0) {
        Report(Reason(volume.path, moved.error));
        return Fail(ErrorFromErrno(moved.error, Transfer::Write));
    }
    lastError_ = ERROR_SUCCESS;
    return TRUE;
}

BOOL LinuxWin32::DriveGeometry(const OpenFile& file, void* out, DWORD outSize, DWORD* returned) {
    if (out == nullptr || outSize < sizeof(DISK_GEOMETRY)) {
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    const VolumeState& volume = *file.volume;
    DISK_GEOMETRY geometry{};
    geometry.MediaType = volume.media;
    geometry.BytesPerSector = kSectorBytes;
    geometry.SectorsPerTrack = kSectorsPerTrack;
    geometry.TracksPerCylinder = kTracksPerCylinder;
    geometry.Cylinders = static_cast<std::int64_t>(
        volume.size / (std::uint64_t{kTracksPerCylinder} * kSectorsPerTrack * kSectorBytes));
    std::memcpy(out, &geometry, sizeof geometry);
    if (returned != nullptr) *returned = sizeof geometry;
    lastError_ = ERROR_SUCCESS;
    return TRUE;
}

DWORD LinuxWin32::GetLogicalDriveStringsA(DWORD size, char* buffer) {
    // Each root "E:\" with its terminator, then one more terminator.
    std::string list;
    for (const auto& drive : drives_) {
        list += drive.info.letter;
        list += ":\\";
        list += '\0';
    }
    lastError_ = ERROR_SUCCESS;
    if (list.empty()) return 0;
    const auto needed = static_cast<DWORD>(list.size() + 1);
    if (buffer == nullptr || size < needed) return needed;
    std::memcpy(buffer, list.data(), list.size());
    buffer[list.size()] = '\0';
    return needed - 1;
}

UINT LinuxWin32::GetDriveTypeA(const char* rootPath) {
    const char letter = rootPath == nullptr ? 0 : RootLetter(rootPath);
    return DriveOf(letter) != nullptr ? DRIVE_REMOVABLE : DRIVE_NO_ROOT_DIR;
}

BOOL LinuxWin32::GetVolumeInformationA(const char* rootPath, char* volumeName, DWORD volumeNameSize,
                                       DWORD* serial, DWORD* maxComponentLength,
                                       DWORD* fileSystemFlags, char* fileSystemName,
                                       DWORD fileSystemNameSize) {
    const Drive* drive = DriveOf(rootPath == nullptr ? 0 : RootLetter(rootPath));
    if (drive == nullptr) return Fail(ERROR_PATH_NOT_FOUND);
    int error = 0;
    const auto filesystem = ProbeFilesystem(drive->info.path, error);
    if (!filesystem) {
        if (error != 0) {
            Report(Reason(drive->info.path, error));
            return Fail(ErrorFromErrno(error, Transfer::Read));
        }
        return Fail(ERROR_UNRECOGNIZED_VOLUME);
    }
    if (!CopyString(filesystem->label, volumeName, volumeNameSize) ||
        !CopyString(filesystem->type, fileSystemName, fileSystemNameSize)) {
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    if (serial != nullptr) *serial = filesystem->serial;
    if (maxComponentLength != nullptr) *maxComponentLength = kMaxComponentLength;
    if (fileSystemFlags != nullptr) {
        const bool fat = filesystem->type == "FAT" || filesystem->type == "FAT32";
        *fileSystemFlags = fat ? FILE_CASE_PRESERVED_NAMES | FILE_UNICODE_ON_DISK : 0;
    }
    lastError_ = ERROR_SUCCESS;
    return TRUE;
}

}  // namespace win32::linux_host
