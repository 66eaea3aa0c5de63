// The SystemAreaImage: boot sector, FAT 1, FAT 2 and root directory of one
// capacity class, in one buffer written at sector 0.
#pragma once

#include <cstdint>
#include <vector>

#include "format/layout/capacity_class.h"
#include "format/layout/volume_label.h"

namespace kerfa::layout {

constexpr std::uint16_t kFatEntryFree = 0x0000;
constexpr std::uint16_t kFatEntryBad = 0xFFF7;
constexpr std::uint16_t kFatEntryMedia = 0xFF00 | kMediaDescriptor;  // entry 0
constexpr std::uint16_t kFatEntryReserved = 0xFFFF;                  // entry 1

// Byte offsets inside the image of a class.
constexpr std::uint32_t kFat1Offset = kBootSectorCount * kSectorBytes;
std::uint32_t FatBytes(int classIndex);
std::uint32_t Fat2Offset(int classIndex);
std::uint32_t RootDirOffset(int classIndex);

// Builds boot sector, FAT 1, FAT 2 (a copy) and a zeroed root directory into
// `image` (ClassAt(classIndex).imageBytes bytes, every one written).
// oldFat: nullptr for clean FATs, else the disk's old FAT 1 (FatBytes() bytes);
// every entry k >= 2 that holds 0xFFF7 is marked bad in the new FATs too.
// Returns the number of bad-cluster marks carried over.
std::uint32_t BuildSystemAreaImage(int classIndex, const std::uint8_t* oldFat, std::uint8_t* image);

// Marks relative cluster numbers (0 is FAT entry 2) 0xFFF7 in both FATs, in
// order. A number whose entry lies past the FAT is skipped: nothing outside the
// two FATs is ever written. Returns how many distinct clusters were marked.
std::uint32_t MarkBadClusters(int classIndex, const std::vector<std::uint32_t>& relativeClusters,
                              std::uint8_t* image);

}  // namespace kerfa::layout
