#include "format/layout/capacity_class.h"

#include <cstdlib>

namespace kerfa::layout {

// Every cluster must have its FAT entry.
static_assert([] {
    for (const CapacityClass& c : kCapacityClasses) {
        if (c.clusters + kFirstClusterEntry > c.fatEntries) return false;
    }
    return true;
}());

const CapacityClass& ClassAt(int classIndex) {
    if (classIndex < 0 || classIndex >= kClassCount) std::abort();
    return kCapacityClasses[static_cast<std::size_t>(classIndex)];
}

std::optional<int> ClassOfCapacity(std::uint32_t capacityBytes) {
    const std::uint32_t mib = capacityBytes >> kMiBShift;
    for (int i = 0; i < kClassCount; ++i) {
        if (ClassAt(i).mib == mib) return i;
    }
    return std::nullopt;
}

}  // namespace kerfa::layout
