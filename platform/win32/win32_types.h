// The types, constants and request blocks of the Win32 subset that Kerfa and
// Vocna use. Written from the published layouts; no system header is included,
// so code above this layer compiles the same on every host.
#pragma once

#include <cstddef>
#include <cstdint>

namespace win32 {

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned int;
using BOOL = int;
using LANGID = std::uint16_t;
using HANDLE = void*;

// A register of the 9x register image. It must carry a whole address on a
// 64-bit build; on a 32-bit build it is the published 32-bit field.
using REGISTER = std::uintptr_t;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

inline HANDLE const INVALID_HANDLE_VALUE =
    reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

// CreateFileA access, share, creation and flags.
constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 0x00000001u;
constexpr DWORD FILE_SHARE_WRITE = 0x00000002u;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080u;
constexpr DWORD FILE_FLAG_DELETE_ON_CLOSE = 0x04000000u;

// SetFilePointer.
constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;

// GetDriveTypeA.
constexpr UINT DRIVE_UNKNOWN = 0;
constexpr UINT DRIVE_NO_ROOT_DIR = 1;
constexpr UINT DRIVE_REMOVABLE = 2;
constexpr UINT DRIVE_FIXED = 3;
constexpr UINT DRIVE_REMOTE = 4;
constexpr UINT DRIVE_CDROM = 5;
constexpr UINT DRIVE_RAMDISK = 6;

// GetLastError codes the hosts report.
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_WRITE_PROTECT = 19;
constexpr DWORD ERROR_NOT_READY = 21;
constexpr DWORD ERROR_SECTOR_NOT_FOUND = 27;
constexpr DWORD ERROR_WRITE_FAULT = 29;
constexpr DWORD ERROR_READ_FAULT = 30;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_LOCK_VIOLATION = 33;
constexpr DWORD ERROR_HANDLE_EOF = 38;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_BUSY = 170;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;

// VWIN32 control codes (Windows 98/ME).
constexpr DWORD VWIN32_DIOC_DOS_IOCTL = 1;      // interrupt 21h function 44xxh
constexpr DWORD VWIN32_DIOC_DOS_DRIVEINFO = 6;  // interrupt 21h function 73xxh

// Carry flag in reg_Flags: the DOS function failed.
constexpr REGISTER CARRY_FLAG = 0x0001;

// The register image that goes in and out of DeviceIoControl on VWIN32.
struct DIOC_REGISTERS {
    REGISTER reg_EBX;
    REGISTER reg_EDX;
    REGISTER reg_ECX;
    REGISTER reg_EAX;
    REGISTER reg_EDI;
    REGISTER reg_ESI;
    REGISTER reg_Flags;
};

#pragma pack(push, 1)
// Interrupt 21h function 7305h packet: absolute disk read/write.
struct DISKIO {
    DWORD diStartSector;
    WORD diSectors;
    REGISTER diBuffer;  // address of the caller's buffer
};

// Interrupt 21h function 440Dh minor 60h (get device parameters), category 08h.
struct DEVICEPARAMS {
    BYTE dpSpecFunc;
    BYTE dpDevType;
    WORD dpDevAttr;
    WORD dpCylinders;
    BYTE dpMediaType;
    // BIOS parameter block
    WORD dpBytesPerSec;
    BYTE dpSecPerClust;
    WORD dpResSectors;
    BYTE dpFATs;
    WORD dpRootDirEnts;
    WORD dpSectors;
    BYTE dpMedia;
    WORD dpFATsecs;
    WORD dpSecPerTrack;
    WORD dpHeads;
    DWORD dpHiddenSecs;
    DWORD dpHugeSectors;
    BYTE dpReserved[32];
};
#pragma pack(pop)

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(DIOC_REGISTERS) == 28, "published 32-bit register image");
static_assert(sizeof(DISKIO) == 10, "published 32-bit DISKIO packet");
#endif
static_assert(offsetof(DEVICEPARAMS, dpDevType) == 1);
static_assert(offsetof(DEVICEPARAMS, dpBytesPerSec) == 7);
static_assert(offsetof(DEVICEPARAMS, dpSectors) == 15);
static_assert(offsetof(DEVICEPARAMS, dpHugeSectors) == 28);
static_assert(sizeof(DEVICEPARAMS) >= 40);

// Device types of DEVICEPARAMS.dpDevType.
constexpr BYTE DEVTYPE_FIXED_DISK = 5;

// DeviceIoControl code on the NT volume path.
constexpr DWORD IOCTL_DISK_GET_DRIVE_GEOMETRY = 0x00070000u;

// The published MEDIA_TYPE values the programs compare with.
enum MEDIA_TYPE : std::int32_t {
    Unknown = 0,
    F5_1Pt2_512 = 1,
    F3_1Pt44_512 = 2,
    RemovableMedia = 11,
    FixedMedia = 12,
};

struct DISK_GEOMETRY {
    std::int64_t Cylinders;
    MEDIA_TYPE MediaType;
    DWORD TracksPerCylinder;
    DWORD SectorsPerTrack;
    DWORD BytesPerSector;
};
static_assert(sizeof(DISK_GEOMETRY) == 24);

// Processes.
constexpr DWORD STARTF_USESHOWWINDOW = 0x00000001u;
constexpr WORD SW_HIDE = 0;
constexpr WORD SW_SHOWNORMAL = 1;
constexpr DWORD INFINITE = 0xFFFFFFFFu;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;

struct STARTUPINFOA {
    DWORD cb;
    char* lpReserved;
    char* lpDesktop;
    char* lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
};

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};

// Language ids and helpers.
constexpr LANGID LANG_ENGLISH_US = 0x0409;

}  // namespace win32
