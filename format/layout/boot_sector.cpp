#include "format/layout/boot_sector.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "format/layout/little_endian.h"

namespace kerfa::layout {
namespace {

// Fields of the BIOS parameter block and extended boot record that are the same
// for every class.
constexpr std::array<std::uint8_t, 3> kJumpToBootstrap = {0xEB, 0x3E, 0x90};  // jmp short 0x40; nop
constexpr std::uint16_t kSectorsPerTrack = 32;
constexpr std::uint16_t kHeads = 64;
constexpr std::uint32_t kHiddenSectors = 0;  // the volume starts at sector 0
constexpr std::uint8_t kPhysicalDriveNumber = 0x80;
constexpr std::uint8_t kExtendedBootSignature = 0x29;
constexpr std::string_view kDefaultVolumeLabel = "NO NAME    ";
constexpr std::string_view kFileSystemType = "FAT16   ";
constexpr std::array<std::uint8_t, 2> kBootSignature = {0x55, 0xAA};

// BPB offsets.
constexpr std::size_t kOemNameOffset = 3;
constexpr std::size_t kBytesPerSectorOffset = 11;
constexpr std::size_t kSectorsPerClusterOffset = 13;
constexpr std::size_t kReservedSectorsOffset = 14;
constexpr std::size_t kFatCountOffset = 16;
constexpr std::size_t kRootEntriesOffset = 17;
constexpr std::size_t kTotalSectors16Offset = 19;
constexpr std::size_t kMediaDescriptorOffset = 21;
constexpr std::size_t kSectorsPerFatOffset = 22;
constexpr std::size_t kSectorsPerTrackOffset = 24;
constexpr std::size_t kHeadsOffset = 26;
constexpr std::size_t kHiddenSectorsOffset = 28;
constexpr std::size_t kTotalSectors32Offset = 32;
constexpr std::size_t kDriveNumberOffset = 36;
constexpr std::size_t kExtendedSignatureOffset = 38;
constexpr std::size_t kSerialNumberOffset = 39;

// What sets the classes apart besides their geometry. Every disk of a class gets
// the same serial number.
struct ClassIdentity {
    std::array<std::uint8_t, 8> oemName;  // "*" ... "IHC"; class 63's holds a double quote
    std::uint32_t serialNumber;
};

constexpr std::array<ClassIdentity, kClassCount> kClassIdentities = {{
    {{0x2A, 0x67, 0x34, 0x75, 0x38, 0x49, 0x48, 0x43}, 0x15F02014},  // *g4u8IHC
    {{0x2A, 0x6A, 0x22, 0x69, 0x2B, 0x49, 0x48, 0x43}, 0x17ED1611},  // *j"i+IHC
    {{0x2A, 0x69, 0x2E, 0x5E, 0x33, 0x49, 0x48, 0x43}, 0x17F43719},  // *i.^3IHC
    {{0x2A, 0x68, 0x6F, 0x3C, 0x55, 0x49, 0x48, 0x43}, 0x17F91561},  // *ho<UIHC
}};

constexpr void PutText(std::uint8_t* at, std::string_view text) {
    for (char c : text) *at++ = static_cast<std::uint8_t>(c);
}

constexpr BootHeader MakeBootHeader(const CapacityClass& geometry, const ClassIdentity& identity) {
    BootHeader h{};
    std::copy(kJumpToBootstrap.begin(), kJumpToBootstrap.end(), h.begin());
    std::copy(identity.oemName.begin(), identity.oemName.end(), h.begin() + kOemNameOffset);
    PutLe16(&h[kBytesPerSectorOffset], kSectorBytes);
    h[kSectorsPerClusterOffset] = kSectorsPerCluster;
    PutLe16(&h[kReservedSectorsOffset], kBootSectorCount);
    h[kFatCountOffset] = kFatCount;
    PutLe16(&h[kRootEntriesOffset], kRootDirEntries);
    // The 16-bit count is used when it can hold the size, the 32-bit one otherwise.
    const bool fitsIn16 = geometry.totalSectors <= 0xFFFF;
    PutLe16(&h[kTotalSectors16Offset],
            fitsIn16 ? static_cast<std::uint16_t>(geometry.totalSectors) : 0);
    h[kMediaDescriptorOffset] = kMediaDescriptor;
    PutLe16(&h[kSectorsPerFatOffset], static_cast<std::uint16_t>(geometry.sectorsPerFat));
    PutLe16(&h[kSectorsPerTrackOffset], kSectorsPerTrack);
    PutLe16(&h[kHeadsOffset], kHeads);
    PutLe32(&h[kHiddenSectorsOffset], kHiddenSectors);
    PutLe32(&h[kTotalSectors32Offset], fitsIn16 ? 0 : geometry.totalSectors);
    h[kDriveNumberOffset] = kPhysicalDriveNumber;
    h[kExtendedSignatureOffset] = kExtendedBootSignature;
    PutLe32(&h[kSerialNumberOffset], identity.serialNumber);
    // The header ends inside the label field; the generic sector holds the rest.
    PutText(&h[kVolumeLabelOffset],
            kDefaultVolumeLabel.substr(0, kBootHeaderBytes - kVolumeLabelOffset));
    return h;
}

constexpr std::array<BootHeader, kClassCount> kClassBootHeaders = [] {
    std::array<BootHeader, kClassCount> headers{};
    for (std::size_t i = 0; i < headers.size(); ++i) {
        headers[i] = MakeBootHeader(kCapacityClasses[i], kClassIdentities[i]);
    }
    return headers;
}();

// Bootstrap: the disk holds no system, so the code only says so, waits for a key
// and hands the machine back to the BIOS. The BIOS loads the sector at
// 0000:7C00; the jump at offset 0 lands at offset 64 (0x7C40). The message
// follows the code at 0x7C66.
constexpr std::uint32_t kBootstrapCodeOffset = 64;
static_assert(2 + kJumpToBootstrap[1] == kBootstrapCodeOffset);  // short jump from offset 2
constexpr std::uint16_t kBootLoadAddress = 0x7C00;
// clang-format off
constexpr std::array<std::uint8_t, 38> kBootstrapCode = {
    0xFA,              // 7C40        cli
    0x31, 0xC0,        // 7C41        xor  ax, ax
    0x8E, 0xD8,        // 7C43        mov  ds, ax
    0x8E, 0xD0,        // 7C45        mov  ss, ax
    0xBC, 0x00, 0x7C,  // 7C47        mov  sp, 0x7C00     ; stack below the sector
    0xFB,              // 7C4A        sti
    0xFC,              // 7C4B        cld
    0xBE, 0x66, 0x7C,  // 7C4C        mov  si, message
    0xAC,              // 7C4F  next: lodsb
    0x84, 0xC0,        // 7C50        test al, al
    0x74, 0x09,        // 7C52        jz   wait
    0xB4, 0x0E,        // 7C54        mov  ah, 0x0E       ; teletype output
    0xBB, 0x07, 0x00,  // 7C56        mov  bx, 0x0007     ; page 0, light grey
    0xCD, 0x10,        // 7C59        int  0x10
    0xEB, 0xF2,        // 7C5B        jmp  next
    0x31, 0xC0,        // 7C5D  wait: xor  ax, ax       ; read a key
    0xCD, 0x16,        // 7C5F        int  0x16
    0xCD, 0x19,        // 7C61        int  0x19           ; let the BIOS boot the next device
    0xF4,              // 7C63  halt: hlt               ; in case int 19h returns
    0xEB, 0xFD,        // 7C64        jmp  halt
};
// clang-format on
constexpr char kBootMessageText[] = "\r\nThis disk is not bootable.\r\nPress a key to restart.\r\n";
constexpr std::string_view kBootMessage{kBootMessageText, sizeof kBootMessageText};  // with NUL
constexpr std::uint32_t kBootMessageOffset = kBootstrapCodeOffset + kBootstrapCode.size();
constexpr std::size_t kMessageOperand = 13;  // the immediate of "mov si, message"
static_assert(GetLe16(&kBootstrapCode[kMessageOperand]) == kBootLoadAddress + kBootMessageOffset);
static_assert(kBootMessageOffset + kBootMessage.size() <= kBootSignatureOffset);
// Data bytes that precede the code.
constexpr std::array<std::uint8_t, 2> kBootstrapLeadIn = {0xF1, 0x7D};

constexpr BootSector kGenericBootSector = [] {
    BootSector s{};
    const BootHeader& class31 = kClassBootHeaders[0];
    std::copy(class31.begin(), class31.end(), s.begin());
    PutText(&s[kVolumeLabelOffset], kDefaultVolumeLabel);
    PutText(&s[kFileSystemTypeOffset], kFileSystemType);
    std::copy(kBootstrapLeadIn.begin(), kBootstrapLeadIn.end(), s.begin() + kBootstrapOffset);
    std::copy(kBootstrapCode.begin(), kBootstrapCode.end(), s.begin() + kBootstrapCodeOffset);
    PutText(&s[kBootMessageOffset], kBootMessage);
    std::copy(kBootSignature.begin(), kBootSignature.end(), s.begin() + kBootSignatureOffset);
    return s;
}();

}  // namespace

const BootHeader& ClassBootHeader(int classIndex) {
    if (classIndex < 0 || classIndex >= kClassCount) std::abort();
    return kClassBootHeaders[static_cast<std::size_t>(classIndex)];
}

const BootSector& GenericBootSector() {
    return kGenericBootSector;
}

void BuildBootSector(int classIndex, std::uint8_t* sector) {
    const BootHeader& header = ClassBootHeader(classIndex);
    std::copy(kGenericBootSector.begin(), kGenericBootSector.end(), sector);
    std::copy(header.begin(), header.end(), sector);
}

}  // namespace kerfa::layout
