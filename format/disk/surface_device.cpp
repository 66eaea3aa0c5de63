#include "format/disk/surface_device.h"

#include "format/disk/device_requests.h"
#include "format/disk/sector_device.h"

namespace kerfa::disk {

using namespace win32;

SurfaceDevice::SurfaceDevice(Win32& sys, std::string drive)
    : sys_(sys), drive_(std::move(drive)), handle_(INVALID_HANDLE_VALUE) {}

SurfaceDevice::~SurfaceDevice() {
    Close();
}

SurfaceDevice::OpenResult SurfaceDevice::Open() {
    Close();
    HANDLE vwin32 = OpenVwin32(sys_, kVwin32ForTransfers);
    if (vwin32 != INVALID_HANDLE_VALUE) {
        if (LockVolume(sys_, drive_) == 0) {
            sys_.CloseHandle(vwin32);
            return OpenResult::LockRefused;
        }
        handle_ = vwin32;
        is9x_ = true;
        open_ = true;
        return OpenResult::Opened;
    }
    HANDLE volume = OpenVolume(sys_, drive_, GENERIC_READ | GENERIC_WRITE);
    if (volume == INVALID_HANDLE_VALUE) return OpenResult::VolumeOpenFailed;
    handle_ = volume;
    is9x_ = false;
    open_ = true;
    return OpenResult::Opened;
}

bool SurfaceDevice::WriteAndReadBack(std::uint32_t sector, std::uint32_t count,
                                     std::uint8_t* buffer) {
    if (!open_ || !TransferFits(sector, count)) return false;
    if (is9x_) {
        DISKIO packet = DiskPacket(sector, count, buffer);
        DIOC_REGISTERS write = AbsoluteDiskRequest(drive_, packet, DiskAccess::Write);
        if (!DosRequest(sys_, handle_, VWIN32_DIOC_DOS_DRIVEINFO, write)) return false;
        DISKIO readPacket = DiskPacket(sector, count, buffer);
        DIOC_REGISTERS read = AbsoluteDiskRequest(drive_, readPacket, DiskAccess::Read);
        return DosRequest(sys_, handle_, VWIN32_DIOC_DOS_DRIVEINFO, read);
    }
    const DWORD bytes = count << kSectorShift;
    DWORD written = 0;
    if (!SeekSector(sys_, handle_, sector) ||
        sys_.WriteFile(handle_, buffer, bytes, &written, nullptr) == FALSE || written != bytes) {
        return false;
    }
    sys_.FlushFileBuffers(handle_);  // its result is not examined
    DWORD read = 0;
    return SeekSector(sys_, handle_, sector) &&
           sys_.ReadFile(handle_, buffer, bytes, &read, nullptr) != FALSE && read == bytes;
}

void SurfaceDevice::Close() {
    if (!open_) return;
    open_ = false;
    sys_.CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    if (is9x_) UnlockVolume(sys_, drive_);  // its result is not examined
}

}  // namespace kerfa::disk
