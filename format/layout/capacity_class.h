// The four disk sizes the player ships with and the fixed FAT16 geometry of each.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace kerfa::layout {

// Geometry shared by every class.
constexpr std::uint32_t kSectorBytes = 512;
constexpr std::uint32_t kSectorsPerCluster = 4;
constexpr std::uint32_t kClusterBytes = kSectorBytes * kSectorsPerCluster;  // 2048
constexpr std::uint32_t kBootSectorCount = 1;  // the only reserved sector
constexpr std::uint32_t kFatCount = 2;
constexpr std::uint32_t kDirEntryBytes = 32;
constexpr std::uint32_t kRootDirEntries = 512;
constexpr std::uint32_t kRootDirBytes = kRootDirEntries * kDirEntryBytes;      // 16384
constexpr std::uint32_t kRootDirSectors = kRootDirBytes / kSectorBytes;        // 32
constexpr std::uint32_t kFatEntryBytes = 2;                                    // FAT16
constexpr std::uint32_t kFatEntriesPerSector = kSectorBytes / kFatEntryBytes;  // 256
constexpr std::uint32_t kFirstClusterEntry = 2;  // FAT entry of the first data cluster
constexpr std::uint8_t kMediaDescriptor = 0xF8;  // fixed disk
constexpr std::uint32_t kMiBShift = 20;
constexpr std::uint32_t kBytesPerMiB = 1u << kMiBShift;
constexpr std::uint32_t kSectorsPerMiB = kBytesPerMiB / kSectorBytes;  // 2048

struct CapacityClass {
    std::uint32_t mib;                // class size in MiB; the file system always has this size
    std::uint32_t sectorsPerFat;      // S
    std::uint32_t systemAreaSectors;  // boot + 2 FATs + root dir; also the first data sector
    std::uint32_t imageBytes;         // SystemAreaImage size
    std::uint32_t totalSectors;       // written to the boot sector
    std::uint32_t clusters;           // data clusters; the 3 sectors left over belong to none
    std::uint32_t fatEntries;         // entries in each FAT, some past the last cluster
};

constexpr int kClassCount = 4;

constexpr CapacityClass MakeCapacityClass(std::uint32_t mib, std::uint32_t sectorsPerFat) {
    const std::uint32_t systemAreaSectors =
        kBootSectorCount + kFatCount * sectorsPerFat + kRootDirSectors;
    const std::uint32_t totalSectors = mib * kSectorsPerMiB;
    return CapacityClass{
        .mib = mib,
        .sectorsPerFat = sectorsPerFat,
        .systemAreaSectors = systemAreaSectors,
        .imageBytes = systemAreaSectors * kSectorBytes,
        .totalSectors = totalSectors,
        .clusters = (totalSectors - systemAreaSectors) / kSectorsPerCluster,
        .fatEntries = sectorsPerFat * kFatEntriesPerSector,
    };
}

// The player's sizes, by class index. The FAT sizes are the maker's: one step of
// 64 sectors per class.
constexpr std::array<CapacityClass, kClassCount> kCapacityClasses = {
    MakeCapacityClass(31, 62),
    MakeCapacityClass(63, 126),
    MakeCapacityClass(95, 190),
    MakeCapacityClass(127, 254),
};

// 0..3; any other index aborts.
const CapacityClass& ClassAt(int classIndex);

// The class whose MiB value equals the capacity in whole MiB, if any.
std::optional<int> ClassOfCapacity(std::uint32_t capacityBytes);

}  // namespace kerfa::layout
