// The audio blocks of a VRK sound file with 10-byte frames (first byte 0x80)
// and how they become the decoder's bitstream.
//
// The file is a 512-byte header (only its first byte means anything), then
// 512-byte blocks; a trailing partial block is ignored. A block holds 51
// frames of 10 bytes and 2 unused bytes. A frame is stored as two 5-byte
// halves; the bitstream wants them interleaved byte by byte, and holds
// nothing but the frames: 510 bytes per block, no header.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vocna {

inline constexpr std::uint8_t kFrames10TypeByte = 0x80;
inline constexpr std::size_t kVrkHeaderBytes = 512;
inline constexpr std::size_t kVrkBlockBytes = 512;
inline constexpr std::size_t kFrameBytes = 10;
inline constexpr std::size_t kHalfFrameBytes = kFrameBytes / 2;
inline constexpr std::size_t kFramesPerBlock = 51;
inline constexpr std::size_t kBitstreamBlockBytes = kFramesPerBlock * kFrameBytes;
static_assert(kBitstreamBlockBytes == 510 && kBitstreamBlockBytes <= kVrkBlockBytes);

// The number of complete blocks in a sound file of `fileLength` bytes.
std::uint64_t CompleteBlockCount(std::uint64_t fileLength);

// `blocks` whole VRK blocks at `in` become blocks × 510 bitstream bytes at
// `out`: in each frame, output byte 2k is input byte k and output byte 2k+1
// is input byte k+5. The two buffers must not overlap.
void RepackBlocks(const std::uint8_t* in, std::size_t blocks, std::uint8_t* out);

}  // namespace vocna
