// Boot sector of each capacity class: a 48-byte class header laid over one
// generic sector.
#pragma once

#include <array>
#include <cstdint>

#include "format/layout/capacity_class.h"

namespace kerfa::layout {

constexpr std::uint32_t kBootHeaderBytes = 48;  // jump, OEM name, BPB, extended boot record
constexpr std::uint32_t kVolumeLabelOffset = 43;
constexpr std::uint32_t kVolumeLabelBytes = 11;
constexpr std::uint32_t kFileSystemTypeOffset = 54;
constexpr std::uint32_t kBootstrapOffset = 62;  // bootstrap region up to the signature
constexpr std::uint32_t kBootSignatureOffset = 510;

using BootHeader = std::array<std::uint8_t, kBootHeaderBytes>;
using BootSector = std::array<std::uint8_t, kSectorBytes>;

const BootHeader& ClassBootHeader(int classIndex);
const BootSector& GenericBootSector();

// The generic sector with the class header over bytes 0-47, into `sector`
// (kSectorBytes bytes).
void BuildBootSector(int classIndex, std::uint8_t* sector);

}  // namespace kerfa::layout
