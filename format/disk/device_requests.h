// The device requests that every raw-disk operation shares: opening VWIN32
// and the volume, the register images of the MS-DOS requests that VWIN32
// carries, and the limits of one transfer.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32/win32.h"

namespace kerfa::disk {

// VWIN32 under the two names the operations use; the device matches either.
inline constexpr const char* kVwin32ForTransfers = "\\\\.\\vwin32";  // reads, writes, surface test
inline constexpr const char* kVwin32ForQueries = "\\\\.\\VWIN32";    // lock, unlock, parameters

inline constexpr std::uint32_t kSectorBytes = 512;
inline constexpr unsigned kSectorShift = 9;
// The NT back-end passes start x 512 as a signed 32-bit distance.
inline constexpr std::uint32_t kFirstUnreachableSector = 0x80000000u >> kSectorShift;
// The 9x packet carries the count in 16 bits.
inline constexpr std::uint32_t kMostSectorsPerRequest = 0xFFFF;

// A transfer both back-ends can make exactly as asked. Which back-end runs is
// known only after VWIN32 has been opened, and a refused transfer opens
// nothing, so the limits of both apply to every transfer.
bool TransferFits(std::uint32_t start, std::uint32_t count);

// The 9x drive number of a drive name: its first letter's code minus 64 (E: = 5).
win32::REGISTER DriveNumber(const std::string& drive);

// "\\.\" followed by the drive name.
std::string VolumePath(const std::string& drive);

// Opens VWIN32 the published way; INVALID_HANDLE_VALUE when the system has none.
win32::HANDLE OpenVwin32(win32::Win32& sys, const char* name);

// Opens the drive's volume (NT back-end), shared for reading and writing.
win32::HANDLE OpenVolume(win32::Win32& sys, const std::string& drive, win32::DWORD access);

// Sends one register image through VWIN32 with `code`; true when the device
// call worked and the DOS function left the carry flag clear.
bool DosRequest(win32::Win32& sys, win32::HANDLE vwin32, win32::DWORD code,
                win32::DIOC_REGISTERS& registers);

// Register images of the requests (interrupt 21h functions 440Dh and 7305h).
win32::DIOC_REGISTERS LockRequest(const std::string& drive);
win32::DIOC_REGISTERS UnlockRequest(const std::string& drive);
win32::DIOC_REGISTERS DeviceParametersRequest(const std::string& drive,
                                              win32::DEVICEPARAMS& params);
enum class DiskAccess { Read, Write };
win32::DIOC_REGISTERS AbsoluteDiskRequest(const std::string& drive, win32::DISKIO& packet,
                                          DiskAccess access);
win32::DISKIO DiskPacket(std::uint32_t start, std::uint32_t count, const void* buffer);

// Moves the volume's file pointer to `start`; false when the system did not
// put it exactly there.
bool SeekSector(win32::Win32& sys, win32::HANDLE volume, std::uint32_t start);

// Asks the drive for its device parameters (9x); false when the query failed.
bool GetDeviceParameters(win32::Win32& sys, const std::string& drive, win32::DEVICEPARAMS& params);

// Upper case of a drive name, leaving the second byte of a double-byte
// character of the ANSI code pages (936, 950) alone.
std::string UpperDriveName(std::string drive);

}  // namespace kerfa::disk
