// How the format job derives a class index from a size in MiB: the classes
// are 32 MiB apart (31, 63, 95, 127 MiB).
#pragma once

#include <cstdint>

namespace kerfa {

constexpr std::uint32_t kMiBPerClassStep = 32;

constexpr std::uint32_t ClassIndexOfSize(std::uint32_t sizeMiB) {
    return sizeMiB / kMiBPerClassStep;
}

}  // namespace kerfa
