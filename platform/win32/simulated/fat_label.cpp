// The volume label of a FAT12/FAT16 disk, read from the disk's own boot
// sector and root directory as Windows reports it.
#include <array>
#include <cstring>
#include <vector>

#include "platform/win32/simulated/machine_state.h"

namespace win32::sim {

namespace {

constexpr std::size_t kBootSignatureOffset = 510;
constexpr std::size_t kBytesPerSectorOffset = 11;
constexpr std::size_t kSectorsPerClusterOffset = 13;
constexpr std::size_t kReservedSectorsOffset = 14;
constexpr std::size_t kFatCountOffset = 16;
constexpr std::size_t kRootEntriesOffset = 17;
constexpr std::size_t kTotalSectors16Offset = 19;
constexpr std::size_t kSectorsPerFatOffset = 22;
constexpr std::size_t kTotalSectors32Offset = 32;
constexpr std::size_t kExtendedSignatureOffset = 38;
constexpr std::size_t kSerialOffset = 39;
constexpr std::size_t kBootLabelOffset = 43;
constexpr std::uint8_t kExtendedSignature = 0x29;

constexpr std::size_t kDirEntryBytes = 32;
constexpr std::size_t kNameBytes = 11;
constexpr std::size_t kAttributeOffset = 11;
constexpr std::uint8_t kAttributeVolumeLabel = 0x08;
constexpr std::uint8_t kAttributeLongName = 0x0F;
constexpr std::uint8_t kEntryEnd = 0x00;
constexpr std::uint8_t kEntryDeleted = 0xE5;
constexpr std::uint8_t kEntryLeadE5 = 0x05;  // a name whose first byte is E5

unsigned Le16(const std::uint8_t* p) {
    return static_cast<unsigned>(p[0] | (p[1] << 8));
}
DWORD Le32(const std::uint8_t* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) |
           (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[3]) << 24);
}

bool PowerOfTwo(unsigned v) {
    return v != 0 && (v & (v - 1)) == 0;
}

// The 11-byte label without its padding blanks.
std::string LabelText(const std::uint8_t* name) {
    std::string label(reinterpret_cast<const char*>(name), kNameBytes);
    if (!label.empty() && static_cast<std::uint8_t>(label[0]) == kEntryLeadE5) {
        label[0] = static_cast<char>(kEntryDeleted);
    }
    while (!label.empty() && label.back() == ' ') label.pop_back();
    return label;
}

}  // namespace

std::optional<FatVolumeInfo> ReadFatVolumeInfo(
    const std::function<bool(std::uint64_t, void*, std::size_t)>& read) {
    std::array<std::uint8_t, 512> boot{};
    if (!read(0, boot.data(), boot.size())) return std::nullopt;
    if (boot[kBootSignatureOffset] != 0x55 || boot[kBootSignatureOffset + 1] != 0xAA) {
        return std::nullopt;
    }
    const unsigned bytesPerSector = Le16(&boot[kBytesPerSectorOffset]);
    const unsigned sectorsPerCluster = boot[kSectorsPerClusterOffset];
    const unsigned reserved = Le16(&boot[kReservedSectorsOffset]);
    const unsigned fats = boot[kFatCountOffset];
    const unsigned rootEntries = Le16(&boot[kRootEntriesOffset]);
    const unsigned sectorsPerFat = Le16(&boot[kSectorsPerFatOffset]);
    const DWORD totalSectors = Le16(&boot[kTotalSectors16Offset]) != 0
                                   ? Le16(&boot[kTotalSectors16Offset])
                                   : Le32(&boot[kTotalSectors32Offset]);
    const bool sane = bytesPerSector >= 512 && bytesPerSector <= 4096 &&
                      PowerOfTwo(bytesPerSector) && PowerOfTwo(sectorsPerCluster) &&
                      sectorsPerCluster <= 128 && reserved >= 1 && fats >= 1 && fats <= 2 &&
                      rootEntries != 0 && sectorsPerFat != 0 && totalSectors != 0;
    if (!sane) return std::nullopt;

    FatVolumeInfo info;
    const bool extended = boot[kExtendedSignatureOffset] == kExtendedSignature;
    if (extended) info.serial = Le32(&boot[kSerialOffset]);

    std::vector<std::uint8_t> root(std::size_t{rootEntries} * kDirEntryBytes);
    const std::uint64_t rootOffset =
        (std::uint64_t{reserved} + std::uint64_t{fats} * sectorsPerFat) * bytesPerSector;
    if (read(rootOffset, root.data(), root.size())) {
        for (std::size_t at = 0; at < root.size(); at += kDirEntryBytes) {
            const std::uint8_t* entry = &root[at];
            if (entry[0] == kEntryEnd) break;
            if (entry[0] == kEntryDeleted) continue;
            const std::uint8_t attribute = entry[kAttributeOffset];
            if (attribute == kAttributeLongName) continue;
            if ((attribute & kAttributeVolumeLabel) != 0) {
                info.label = LabelText(entry);
                return info;
            }
        }
    }
    if (extended) {
        info.label = LabelText(&boot[kBootLabelOffset]);
        if (info.label == "NO NAME") info.label.clear();
    }
    return info;
}

}  // namespace win32::sim
