// The volume label: which labels the player's disk may carry, and where the
// label is written.
#pragma once

#include <cstdint>
#include <string>

namespace kerfa::layout {

constexpr std::uint8_t kAttrVolumeLabel = 0x08;
constexpr std::uint8_t kAttrArchive = 0x20;
constexpr std::uint8_t kLabelEntryAttributes = kAttrVolumeLabel | kAttrArchive;
// Every labelled disk carries the same stamp: 19 November 2002, 15:23:02.
constexpr std::uint16_t kLabelEntryTime = 0x7AE1;
constexpr std::uint16_t kLabelEntryDate = 0x2D73;

// 1 when the label may be written: at most 11 bytes, each printable ASCII and
// not one of the signs that a short file name may not hold (space included).
// An empty label is valid.
int IsValidLabel(const std::string& label);

// Maps a-z to A-Z, nothing else; that covers every byte an accepted label holds.
std::string UpperCaseLabel(std::string label);

// Writes an accepted, upper-cased label, padded with spaces to 11 bytes, as root
// directory entry 0 and over the boot sector's label field of the class's
// SystemAreaImage. An empty label writes nothing: the disk then has no label.
// Bytes past the 11th are never written.
void WriteVolumeLabel(int classIndex, const std::string& label, std::uint8_t* image);

}  // namespace kerfa::layout
