#include "player/convert/vrk_blocks.h"

#include <cstring>

namespace vocna {

std::uint64_t CompleteBlockCount(std::uint64_t fileLength) {
    if (fileLength < kVrkHeaderBytes) return 0;
    return (fileLength - kVrkHeaderBytes) / kVrkBlockBytes;
}

namespace {

// Sixteen bytes in one vector register: the repack of a large file spends its
// time here, and GCC and clang turn these shuffles into single instructions
// (byte shift, byte unpack) on every target.
using Bytes16 = std::uint8_t __attribute__((vector_size(16)));
static_assert(kFrameBytes == 10 && kHalfFrameBytes == 5, "the shuffles below spell out the frame");

Bytes16 Load16(const std::uint8_t* p) {
    Bytes16 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Lanes 0..9 of `v` hold a frame; the result's lanes 0..9 hold it interleaved.
Bytes16 InterleaveHalves(Bytes16 v) {
    const Bytes16 zero{};
    const Bytes16 second =
        __builtin_shufflevector(v, zero, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 16, 16, 16, 16);
    return __builtin_shufflevector(v, second, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7,
                                   23);
}

}  // namespace

void RepackBlocks(const std::uint8_t* in, std::size_t blocks, std::uint8_t* out) {
    constexpr std::size_t kLastFrame = (kFramesPerBlock - 1) * kFrameBytes;
    constexpr std::size_t kTailLoad = kVrkBlockBytes - sizeof(Bytes16);  // 496
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::uint8_t* block = in + b * kVrkBlockBytes;
        std::uint8_t* packed = out + b * kBitstreamBlockBytes;
        // Each frame is written 16 bytes wide; the next frame writes over the
        // six bytes too many, and every load stays inside the block.
        for (std::size_t at = 0; at < kLastFrame; at += kFrameBytes) {
            const Bytes16 frame = InterleaveHalves(Load16(block + at));
            std::memcpy(packed + at, &frame, sizeof frame);
        }
        // The last frame: loaded from the end of the block, written 10 wide.
        const Bytes16 zero{};
        const Bytes16 tail = __builtin_shufflevector(Load16(block + kTailLoad), zero, 4, 5, 6, 7, 8,
                                                     9, 10, 11, 12, 13, 14, 15, 16, 16, 16, 16);
        static_assert(kLastFrame - kTailLoad == 4);
        const Bytes16 frame = InterleaveHalves(tail);
        std::memcpy(packed + kLastFrame, &frame, kFrameBytes);
    }
}

}  // namespace vocna
