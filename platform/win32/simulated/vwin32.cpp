// The DOS requests that the simulated VWIN32 device carries out: interrupt
// 21h function 440Dh (lock, unlock, get device parameters) and 7305h
// (absolute disk read and write). A failing request sets the carry flag and
// an MS-DOS error code in AX, as DOS does.
#include <algorithm>
#include <cstring>

#include "platform/win32/simulated/machine_state.h"

namespace win32::sim {

namespace {

// Interrupt 21h functions, in AX.
constexpr REGISTER kDosDeviceIoctl = 0x440D;
constexpr REGISTER kDosAbsoluteDiskIo = 0x7305;
// 440Dh requests, in CX: category in CH, minor code in CL.
constexpr REGISTER kLockLogicalVolume = 0x484A;
constexpr REGISTER kUnlockLogicalVolume = 0x486A;
constexpr REGISTER kGetDeviceParameters = 0x0860;
// 7305h: CX = FFFFh selects the packet form; SI bit 0 set means write.
constexpr REGISTER kPacketForm = 0xFFFF;
constexpr REGISTER kWriteBit = 0x0001;

// MS-DOS error codes.
constexpr REGISTER kDosInvalidFunction = 0x01;
constexpr REGISTER kDosAccessDenied = 0x05;
constexpr REGISTER kDosInvalidDrive = 0x0F;
constexpr REGISTER kDosNotReady = 0x15;
constexpr REGISTER kDosSectorNotFound = 0x1B;
constexpr REGISTER kDosGeneralFailure = 0x1F;
constexpr REGISTER kDosVolumeNotLocked = 0xB0;

// DEVICEPARAMS.dpDevAttr bit 0: the medium is not removable.
constexpr WORD kNotRemovable = 0x0001;

REGISTER Low16(REGISTER value) {
    return value & 0xFFFF;
}

void Succeed(DIOC_REGISTERS& r) {
    r.reg_Flags &= ~CARRY_FLAG;
}

void Carry(DIOC_REGISTERS& r, REGISTER dosError) {
    r.reg_Flags |= CARRY_FLAG;
    r.reg_EAX = (r.reg_EAX & ~REGISTER{0xFFFF}) | dosError;
}

template <typename T>
void Put(REGISTER address, std::size_t offset, T value) {
    std::memcpy(reinterpret_cast<std::uint8_t*>(address) + offset, &value, sizeof value);
}

}  // namespace

void SimulatedMachine::State::Vwin32Request(Call& call, const Fault& fault, DIOC_REGISTERS& r) {
    const char letter = call.drive;  // decoded from BL or DL by the caller
    DriveState* drive = letter != 0 ? FindDrive(letter) : nullptr;

    if (call.code == VWIN32_DIOC_DOS_IOCTL) {
        if (Low16(r.reg_EAX) != kDosDeviceIoctl) return Carry(r, kDosInvalidFunction);
        const REGISTER request = Low16(r.reg_ECX);
        if (request != kLockLogicalVolume && request != kUnlockLogicalVolume &&
            request != kGetDeviceParameters) {
            return Carry(r, kDosInvalidFunction);
        }
        if (drive == nullptr) return Carry(r, kDosInvalidDrive);
        if (request == kUnlockLogicalVolume) {
            // The lock is the system's own record: it can be released even
            // when the medium has gone.
            if (drive->locks == 0) return Carry(r, kDosVolumeNotLocked);
            --drive->locks;
            return Succeed(r);
        }
        if (!HasMedium(letter)) return Carry(r, kDosNotReady);
        if (request == kLockLogicalVolume) {
            const REGISTER level = (r.reg_EBX >> 8) & 0xFF;        // BH
            if (level != 0) return Carry(r, kDosInvalidFunction);  // only level 0 is modelled
            if (drive->driveSpec.refuseLock) return Carry(r, kDosAccessDenied);
            ++drive->locks;
            return Succeed(r);
        }
        // Get device parameters, category 08h, into the block at EDX.
        if (r.reg_EDX == 0) return Carry(r, kDosInvalidFunction);
        const DriveSpec& driveSpec = drive->driveSpec;
        const std::uint64_t sectors =
            driveSpec.reportedSectors
                ? *driveSpec.reportedSectors
                : driveSpec.disk->Size() /
                      (driveSpec.bytesPerSector != 0 ? driveSpec.bytesPerSector : kSectorBytes);
        const auto count = static_cast<DWORD>(std::min<std::uint64_t>(sectors, 0xFFFFFFFFu));
        const bool small = count <= 0xFFFF;
        Put<BYTE>(r.reg_EDX, offsetof(DEVICEPARAMS, dpDevType), driveSpec.deviceType);
        Put<WORD>(r.reg_EDX, offsetof(DEVICEPARAMS, dpDevAttr),
                  driveSpec.type == DRIVE_REMOVABLE ? WORD{0} : kNotRemovable);
        Put<WORD>(r.reg_EDX, offsetof(DEVICEPARAMS, dpBytesPerSec), driveSpec.bytesPerSector);
        Put<WORD>(r.reg_EDX, offsetof(DEVICEPARAMS, dpSectors),
                  small ? static_cast<WORD>(count) : WORD{0});
        Put<DWORD>(r.reg_EDX, offsetof(DEVICEPARAMS, dpHugeSectors), small ? 0 : count);
        return Succeed(r);
    }

    // VWIN32_DIOC_DOS_DRIVEINFO: 7305h, absolute disk read/write of the packet at EBX.
    if (Low16(r.reg_EAX) != kDosAbsoluteDiskIo || Low16(r.reg_ECX) != kPacketForm || !call.packet) {
        return Carry(r, kDosInvalidFunction);
    }
    if (drive == nullptr) return Carry(r, kDosInvalidDrive);
    if (!HasMedium(letter)) return Carry(r, kDosNotReady);
    const DISKIO& packet = *call.packet;
    const bool write = (r.reg_ESI & kWriteBit) != 0;
    // An unlocked write is refused, as Windows 98/ME refuses direct writes
    // to a volume that the program has not locked.
    if (write && drive->locks == 0) return Carry(r, kDosAccessDenied);
    if (packet.diSectors != 0 && packet.diBuffer == 0) return Carry(r, kDosInvalidFunction);
    const std::uint64_t totalSectors = MediumBytes(letter) / kSectorBytes;
    if (std::uint64_t{packet.diStartSector} + packet.diSectors > totalSectors) {
        return Carry(r, kDosSectorNotFound);
    }
    const std::uint64_t sectors = fault.shortMove ? packet.diSectors / 2 : packet.diSectors;
    const std::uint64_t offset = std::uint64_t{packet.diStartSector} * kSectorBytes;
    auto* buffer = reinterpret_cast<std::uint8_t*>(packet.diBuffer);
    const std::size_t bytes = static_cast<std::size_t>(sectors * kSectorBytes);
    const bool done = write ? WriteMedium(letter, offset, buffer, bytes)
                            : ReadMedium(letter, offset, buffer, bytes);
    if (!done) return Carry(r, kDosNotReady);
    call.moved = static_cast<DWORD>(bytes);
    if (fault.shortMove) return Carry(r, kDosGeneralFailure);
    Succeed(r);
}

}  // namespace win32::sim
