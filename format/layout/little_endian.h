// FAT stores every multi-byte number little-endian.
#pragma once

#include <cstdint>

namespace kerfa::layout {

constexpr void PutLe16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

constexpr void PutLe32(std::uint8_t* at, std::uint32_t value) {
    PutLe16(at, static_cast<std::uint16_t>(value));
    PutLe16(at + 2, static_cast<std::uint16_t>(value >> 16));
}

constexpr std::uint16_t GetLe16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

}  // namespace kerfa::layout
