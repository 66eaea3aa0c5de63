#include "format/disk/sector_device.h"

#include "format/disk/device_requests.h"

namespace kerfa::disk {

using namespace win32;

namespace {

// The lock and the unlock share everything but their register image.
int VolumeLockRequest(Win32& sys, DIOC_REGISTERS registers) {
    HANDLE vwin32 = OpenVwin32(sys, kVwin32ForQueries);
    if (vwin32 == INVALID_HANDLE_VALUE) return 0;
    const bool ok = DosRequest(sys, vwin32, VWIN32_DIOC_DOS_IOCTL, registers);
    sys.CloseHandle(vwin32);
    return ok ? 1 : 0;
}

}  // namespace

int ReadSectors(Win32& sys, std::string drive, void* buffer, std::uint32_t start,
                std::uint32_t count) {
    if (!TransferFits(start, count)) return 0;
    HANDLE vwin32 = OpenVwin32(sys, kVwin32ForTransfers);
    if (vwin32 != INVALID_HANDLE_VALUE) {
        DISKIO packet = DiskPacket(start, count, buffer);
        DIOC_REGISTERS registers = AbsoluteDiskRequest(drive, packet, DiskAccess::Read);
        const bool ok = DosRequest(sys, vwin32, VWIN32_DIOC_DOS_DRIVEINFO, registers);
        sys.CloseHandle(vwin32);
        return ok ? 1 : 0;
    }
    HANDLE volume = OpenVolume(sys, drive, GENERIC_READ | GENERIC_WRITE);
    if (volume == INVALID_HANDLE_VALUE) return 0;
    const DWORD bytes = count << kSectorShift;
    DWORD read = 0;
    // A read after a failed seek would come from another position.
    const bool ok = SeekSector(sys, volume, start) &&
                    sys.ReadFile(volume, buffer, bytes, &read, nullptr) != FALSE && read == bytes;
    sys.CloseHandle(volume);
    return ok ? 1 : 0;
}

WriteResult WriteSectors(Win32& sys, std::string drive, const void* buffer, std::uint32_t start,
                         std::uint32_t count) {
    if (!TransferFits(start, count)) return WriteResult::Failed;
    HANDLE vwin32 = OpenVwin32(sys, kVwin32ForTransfers);
    if (vwin32 != INVALID_HANDLE_VALUE) {
        if (LockVolume(sys, drive) == 0) {
            sys.CloseHandle(vwin32);
            return WriteResult::LockRefused;
        }
        DISKIO packet = DiskPacket(start, count, buffer);
        DIOC_REGISTERS registers = AbsoluteDiskRequest(drive, packet, DiskAccess::Write);
        const bool ok = DosRequest(sys, vwin32, VWIN32_DIOC_DOS_DRIVEINFO, registers);
        sys.CloseHandle(vwin32);
        UnlockVolume(sys, drive);
        return ok ? WriteResult::Written : WriteResult::Failed;
    }
    HANDLE volume = OpenVolume(sys, drive, GENERIC_READ | GENERIC_WRITE);
    if (volume == INVALID_HANDLE_VALUE) return WriteResult::Failed;
    const DWORD bytes = count << kSectorShift;
    DWORD written = 0;
    // A write after a failed seek would land at another position.
    const bool ok = SeekSector(sys, volume, start) &&
                    sys.WriteFile(volume, buffer, bytes, &written, nullptr) != FALSE &&
                    written == bytes;
    if (ok) sys.FlushFileBuffers(volume);  // its result does not change the outcome
    sys.CloseHandle(volume);
    return ok ? WriteResult::Written : WriteResult::Failed;
}

int LockVolume(Win32& sys, std::string drive) {
    return VolumeLockRequest(sys, LockRequest(drive));
}

int UnlockVolume(Win32& sys, std::string drive) {
    return VolumeLockRequest(sys, UnlockRequest(drive));
}

}  // namespace kerfa::disk
