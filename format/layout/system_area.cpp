#include "format/layout/system_area.h"

#include <algorithm>

#include "format/layout/boot_sector.h"
#include "format/layout/little_endian.h"

namespace kerfa::layout {
namespace {

void PutFatEntry(std::uint8_t* fat, std::uint32_t entry, std::uint16_t value) {
    PutLe16(fat + entry * kFatEntryBytes, value);
}

}  // namespace

std::uint32_t FatBytes(int classIndex) {
    return ClassAt(classIndex).sectorsPerFat * kSectorBytes;
}

std::uint32_t Fat2Offset(int classIndex) {
    return kFat1Offset + FatBytes(classIndex);
}

std::uint32_t RootDirOffset(int classIndex) {
    return kFat1Offset + kFatCount * FatBytes(classIndex);
}

std::uint32_t BuildSystemAreaImage(int classIndex, const std::uint8_t* oldFat,
                                   std::uint8_t* image) {
    const CapacityClass& geometry = ClassAt(classIndex);
    BuildBootSector(classIndex, image);

    std::uint8_t* fat1 = image + kFat1Offset;
    PutFatEntry(fat1, 0, kFatEntryMedia);
    PutFatEntry(fat1, 1, kFatEntryReserved);
    // Only bad marks survive a Quick format; chains and end marks of the old
    // files are dropped. Entries past the last cluster are carried too.
    std::uint32_t carried = 0;
    for (std::uint32_t k = kFirstClusterEntry; k < geometry.fatEntries; ++k) {
        const bool bad = oldFat != nullptr && GetLe16(oldFat + k * kFatEntryBytes) == kFatEntryBad;
        PutFatEntry(fat1, k, bad ? kFatEntryBad : kFatEntryFree);
        if (bad) ++carried;
    }

    std::copy(fat1, fat1 + FatBytes(classIndex), image + Fat2Offset(classIndex));
    std::fill(image + RootDirOffset(classIndex), image + RootDirOffset(classIndex) + kRootDirBytes,
              std::uint8_t{0});
    return carried;
}

std::uint32_t MarkBadClusters(int classIndex, const std::vector<std::uint32_t>& relativeClusters,
                              std::uint8_t* image) {
    const CapacityClass& geometry = ClassAt(classIndex);
    std::uint8_t* fat1 = image + kFat1Offset;
    std::uint8_t* fat2 = image + Fat2Offset(classIndex);
    // The list may name a cluster more than once; count each once.
    std::vector<bool> marked(geometry.fatEntries, false);
    std::uint32_t distinct = 0;
    for (std::uint32_t d : relativeClusters) {
        // 64-bit so that a number near 2^32 cannot wrap into the FAT.
        const std::uint64_t entry = std::uint64_t{d} + kFirstClusterEntry;
        if (entry >= geometry.fatEntries) continue;
        const auto k = static_cast<std::uint32_t>(entry);
        PutFatEntry(fat1, k, kFatEntryBad);
        PutFatEntry(fat2, k, kFatEntryBad);
        if (!marked[k]) {
            marked[k] = true;
            ++distinct;
        }
    }
    return distinct;
}

}  // namespace kerfa::layout
