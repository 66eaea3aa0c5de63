#include "format/layout/capacity_class.h"

#include <gtest/gtest.h>

#include <optional>

#include "format/layout/tests/expected_layout.h"

namespace kerfa::layout {
namespace {

using testing::kExpectedClasses;

TEST(CapacityClassTest, EveryClassRowMatchesTheTable) {
    for (int i = 0; i < kClassCount; ++i) {
        SCOPED_TRACE(i);
        const auto& want = kExpectedClasses[static_cast<std::size_t>(i)];
        const CapacityClass& got = ClassAt(i);
        EXPECT_EQ(got.mib, want.mib);
        EXPECT_EQ(got.sectorsPerFat, want.sectorsPerFat);
        EXPECT_EQ(got.systemAreaSectors, want.systemAreaSectors);
        EXPECT_EQ(got.imageBytes, want.imageBytes);
        EXPECT_EQ(got.totalSectors, want.totalSectors);
        EXPECT_EQ(got.clusters, want.clusters);
        EXPECT_EQ(got.fatEntries, want.fatEntries);
        EXPECT_EQ(ClassOfCapacity(want.lowestCapacity), std::optional<int>(i));
        EXPECT_EQ(ClassOfCapacity(want.highestCapacity), std::optional<int>(i));
        EXPECT_EQ(ClassOfCapacity(want.lowestCapacity - 1), std::nullopt);
        EXPECT_EQ(ClassOfCapacity(want.highestCapacity + 1), std::nullopt);
    }
}

TEST(CapacityClassTest, CapacitiesAndTheirClass) {
    struct Case {
        std::uint32_t capacity;
        std::optional<int> classIndex;
    };
    const Case cases[] = {
        {32'505'856, 0},              // 31 MiB exactly
        {33'554'431, 0},              // one byte short of 32 MiB
        {33'554'432, std::nullopt},   // 32 MiB
        {0, std::nullopt},            // failed capacity query
        {15'728'640, std::nullopt},   // 15 MiB
        {300'941'312, std::nullopt},  // 287 MiB: low byte of the MiB count is 31
        {334'495'744, std::nullopt},  // 319 MiB: low byte 63
        {368'050'176, std::nullopt},  // 351 MiB: low byte 95
        {401'604'608, std::nullopt},  // 383 MiB: low byte 127
        {0xFFFF'FFFF, std::nullopt},  // largest 32-bit capacity
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClassOfCapacity(c.capacity), c.classIndex) << c.capacity;
    }
}

}  // namespace
}  // namespace kerfa::layout
