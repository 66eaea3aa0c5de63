#include "format/disk/device_requests.h"

namespace kerfa::disk {

using namespace win32;

namespace {

// Interrupt 21h functions and the 440Dh requests (category in CH, minor code in CL).
constexpr REGISTER kDosDeviceIoctl = 0x440D;
constexpr REGISTER kDosAbsoluteDiskIo = 0x7305;
constexpr REGISTER kLockLogicalVolume = 0x484A;
constexpr REGISTER kUnlockLogicalVolume = 0x486A;
constexpr REGISTER kGetDeviceParameters = 0x0860;
constexpr REGISTER kLockLevel0 = 0x0000;      // BH
constexpr REGISTER kNoPermissions = 0;        // DX of the lock
constexpr REGISTER kPacketForm = 0xFFFFFFFF;  // CX = -1
constexpr REGISTER kReadMode = 0x0000;
constexpr REGISTER kWriteFileData = 0x6001;  // bit 0 write, bits 13-14 ordinary file data

// Bytes that open a double-byte character in code pages 936 and 950.
bool IsLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

}  // namespace

bool TransferFits(std::uint32_t start, std::uint32_t count) {
    return start < kFirstUnreachableSector && count <= kMostSectorsPerRequest;
}

REGISTER DriveNumber(const std::string& drive) {
    const auto letter = static_cast<unsigned char>(drive.empty() ? '\0' : drive[0]);
    return letter >= 64 ? REGISTER{letter} - 64 : 0;  // 0 names no drive: the request fails
}

std::string VolumePath(const std::string& drive) {
    return "\\\\.\\" + drive;
}

HANDLE OpenVwin32(Win32& sys, const char* name) {
    return sys.CreateFileA(name, 0, 0, nullptr, 0, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

HANDLE OpenVolume(Win32& sys, const std::string& drive, DWORD access) {
    return sys.CreateFileA(VolumePath(drive).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
}

bool DosRequest(Win32& sys, HANDLE vwin32, DWORD code, DIOC_REGISTERS& registers) {
    DWORD returned = 0;
    const BOOL done = sys.DeviceIoControl(vwin32, code, &registers, sizeof registers, &registers,
                                          sizeof registers, &returned, nullptr);
    return done != FALSE && (registers.reg_Flags & CARRY_FLAG) == 0;
}

DIOC_REGISTERS LockRequest(const std::string& drive) {
    DIOC_REGISTERS r{};
    r.reg_EAX = kDosDeviceIoctl;
    r.reg_EBX = kLockLevel0 | DriveNumber(drive);
    r.reg_ECX = kLockLogicalVolume;
    r.reg_EDX = kNoPermissions;
    return r;
}

DIOC_REGISTERS UnlockRequest(const std::string& drive) {
    DIOC_REGISTERS r{};
    r.reg_EAX = kDosDeviceIoctl;
    r.reg_EBX = DriveNumber(drive);
    r.reg_ECX = kUnlockLogicalVolume;
    return r;
}

DIOC_REGISTERS DeviceParametersRequest(const std::string& drive, DEVICEPARAMS& params) {
    params.dpSpecFunc = 0;
    DIOC_REGISTERS r{};
    r.reg_EAX = kDosDeviceIoctl;
    r.reg_EBX = DriveNumber(drive);
    r.reg_ECX = kGetDeviceParameters;
    r.reg_EDX = reinterpret_cast<REGISTER>(&params);
    r.reg_Flags = CARRY_FLAG;  // preset: a DOS that does nothing reports failure
    return r;
}

DISKIO DiskPacket(std::uint32_t start, std::uint32_t count, const void* buffer) {
    DISKIO packet{};
    packet.diStartSector = start;
    packet.diSectors = static_cast<WORD>(count & 0xFFFF);
    packet.diBuffer = reinterpret_cast<REGISTER>(buffer);
    return packet;
}

DIOC_REGISTERS AbsoluteDiskRequest(const std::string& drive, DISKIO& packet, DiskAccess access) {
    DIOC_REGISTERS r{};
    r.reg_EAX = kDosAbsoluteDiskIo;
    r.reg_EBX = reinterpret_cast<REGISTER>(&packet);
    r.reg_ECX = kPacketForm;
    r.reg_EDX = DriveNumber(drive);
    r.reg_ESI = access == DiskAccess::Write ? kWriteFileData : kReadMode;
    return r;
}

bool SeekSector(Win32& sys, HANDLE volume, std::uint32_t start) {
    // Below kFirstUnreachableSector the offset is a positive 32-bit distance,
    // and the system answers with it when the pointer moved.
    const auto offset = static_cast<LONG>(start << kSectorShift);
    return sys.SetFilePointer(volume, offset, nullptr, FILE_BEGIN) == static_cast<DWORD>(offset);
}

bool GetDeviceParameters(Win32& sys, const std::string& drive, DEVICEPARAMS& params) {
    HANDLE vwin32 = OpenVwin32(sys, kVwin32ForQueries);
    if (vwin32 == INVALID_HANDLE_VALUE) return false;
    DIOC_REGISTERS registers = DeviceParametersRequest(drive, params);
    const bool ok = DosRequest(sys, vwin32, VWIN32_DIOC_DOS_IOCTL, registers);
    sys.CloseHandle(vwin32);
    return ok;
}

std::string UpperDriveName(std::string drive) {
    for (std::size_t i = 0; i < drive.size(); ++i) {
        const auto c = static_cast<unsigned char>(drive[i]);
        if (IsLeadByte(c)) {
            ++i;  // the trail byte is part of the character
        } else if (c >= 'a' && c <= 'z') {
            drive[i] = static_cast<char>(c - 'a' + 'A');
        }
    }
    return drive;
}

}  // namespace kerfa::disk
