#include "format/layout/system_area.h"

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "format/layout/boot_sector.h"
#include "format/layout/tests/expected_layout.h"

namespace kerfa::layout {
namespace {

using testing::kExpectedBootHeaders;
using testing::kExpectedClasses;

constexpr std::uint8_t kUnwritten = 0xA5;  // fills buffers so that untouched bytes show
constexpr std::size_t kGuardBytes = 4096;  // after the image: must stay unwritten

const testing::ExpectedClass& Want(int classIndex) {
    return kExpectedClasses[static_cast<std::size_t>(classIndex)];
}

void PutText(std::vector<std::uint8_t>& image, std::size_t at, const std::string& text) {
    for (char c : text) image[at++] = static_cast<std::uint8_t>(c);
}

// The image as documented: class header, "ME    ", "FAT16   ", our bootstrap,
// 55 AA; both FATs F8 FF FF FF then free entries except the bad ones; a zero
// root directory with the label entry when there is a label.
std::vector<std::uint8_t> ExpectedImage(int classIndex, const std::set<std::uint32_t>& badEntries,
                                        const std::string& label) {
    const auto& c = Want(classIndex);
    std::vector<std::uint8_t> image(c.imageBytes, 0);
    const auto& header = kExpectedBootHeaders[static_cast<std::size_t>(classIndex)];
    std::copy(header.begin(), header.end(), image.begin());
    PutText(image, 48, "ME    ");
    PutText(image, 54, "FAT16   ");
    std::copy(GenericBootSector().begin() + 62, GenericBootSector().begin() + 510,
              image.begin() + 62);
    image[510] = 0x55;
    image[511] = 0xAA;
    const std::size_t fatBytes = c.sectorsPerFat * 512;
    for (std::size_t fat : {std::size_t{512}, 512 + fatBytes}) {
        image[fat + 0] = 0xF8;
        image[fat + 1] = 0xFF;
        image[fat + 2] = 0xFF;
        image[fat + 3] = 0xFF;
        for (std::uint32_t k : badEntries) {
            image[fat + 2 * k] = 0xF7;
            image[fat + 2 * k + 1] = 0xFF;
        }
    }
    if (!label.empty()) {
        const std::size_t root = 512 + 2 * fatBytes;
        const std::string padded = label + std::string(11 - label.size(), ' ');
        PutText(image, 43, padded);
        PutText(image, root, padded);
        image[root + 11] = 0x28;
        image[root + 22] = 0xE1;
        image[root + 23] = 0x7A;
        image[root + 24] = 0x73;
        image[root + 25] = 0x2D;
    }
    return image;
}

// First differing offset, for a readable failure.
std::string FirstDifference(const std::vector<std::uint8_t>& got,
                            const std::vector<std::uint8_t>& want) {
    for (std::size_t i = 0; i < want.size(); ++i) {
        if (got[i] != want[i]) {
            return "offset " + std::to_string(i) + ": got " + std::to_string(got[i]) + ", want " +
                   std::to_string(want[i]);
        }
    }
    return "none";
}

void PutEntry(std::vector<std::uint8_t>& fat, std::uint32_t k, std::uint16_t value) {
    fat[2 * k] = static_cast<std::uint8_t>(value);
    fat[2 * k + 1] = static_cast<std::uint8_t>(value >> 8);
}

// An old FAT 1 full of files: chains, end marks, free entries, near misses of
// the bad mark, and bad marks in the clusters, on the last cluster, past it and
// in the very last entry. Entry 1 holding the bad mark is not a cluster.
struct OldFat {
    std::vector<std::uint8_t> bytes;
    std::set<std::uint32_t> badEntries;
};

OldFat MakeOldFat(int classIndex) {
    const auto& c = Want(classIndex);
    OldFat old{std::vector<std::uint8_t>(c.sectorsPerFat * 512), {}};
    for (std::uint32_t k = 0; k < c.fatEntries; ++k) {
        const std::uint16_t values[] = {
            static_cast<std::uint16_t>(k + 1), 0xFFFF, 0xFFF8, 0x0000, 0xF7FF, 0xFFF6};
        PutEntry(old.bytes, k, values[k % 6]);
    }
    PutEntry(old.bytes, 1, 0xFFF7);
    old.badEntries = {2, 5, 300, c.clusters + 1, c.clusters + 2, c.fatEntries - 1};
    for (std::uint32_t k : old.badEntries) PutEntry(old.bytes, k, 0xFFF7);
    return old;
}

struct ImageCase {
    int classIndex;
    bool quick;
    std::string label;  // as accepted and upper-cased
};

void PrintTo(const ImageCase& c, std::ostream* os) {
    *os << "class " << c.classIndex << (c.quick ? " Quick" : " Full") << " label \"" << c.label
        << '"';
}

class SystemAreaImageTest : public ::testing::TestWithParam<ImageCase> {};

TEST_P(SystemAreaImageTest, ImageIsByteExact) {
    const ImageCase& p = GetParam();
    const auto& c = Want(p.classIndex);
    const OldFat old = MakeOldFat(p.classIndex);
    std::vector<std::uint8_t> buffer(c.imageBytes + kGuardBytes, kUnwritten);

    const std::uint32_t carried =
        BuildSystemAreaImage(p.classIndex, p.quick ? old.bytes.data() : nullptr, buffer.data());
    WriteVolumeLabel(p.classIndex, p.label, buffer.data());

    const std::set<std::uint32_t> bad = p.quick ? old.badEntries : std::set<std::uint32_t>{};
    EXPECT_EQ(carried, bad.size());
    const std::vector<std::uint8_t> want = ExpectedImage(p.classIndex, bad, p.label);
    const std::vector<std::uint8_t> got(buffer.begin(), buffer.begin() + c.imageBytes);
    EXPECT_TRUE(got == want) << FirstDifference(got, want);
    for (std::size_t i = c.imageBytes; i < buffer.size(); ++i) {
        ASSERT_EQ(buffer[i], kUnwritten) << "written past the image at " << i;
    }
}

std::vector<ImageCase> AllImageCases() {
    std::vector<ImageCase> cases;
    for (int i = 0; i < kClassCount; ++i) {
        for (bool quick : {false, true}) {
            for (const char* label : {"", "MUSIC", "ABCDEFGHIJK", "DISK?"}) {
                cases.push_back({i, quick, label});
            }
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(AllClasses, SystemAreaImageTest, ::testing::ValuesIn(AllImageCases()),
                         [](const auto& testInfo) {
                             const ImageCase& p = testInfo.param;
                             std::string name = "Class" + std::to_string(Want(p.classIndex).mib) +
                                                (p.quick ? "Quick" : "Full");
                             for (char ch : p.label) {
                                 if (std::isalnum(static_cast<unsigned char>(ch))) name += ch;
                             }
                             return name + (p.label.empty() ? "NoLabel" : "");
                         });

// Offsets named in the documentation, written out literally.
TEST(SystemAreaTest, DocumentedOffsets) {
    std::vector<std::uint8_t> image31(80'384);
    BuildSystemAreaImage(0, nullptr, image31.data());
    EXPECT_EQ(image31[19], 0x00);
    EXPECT_EQ(image31[20], 0xF8);
    EXPECT_EQ(std::vector<std::uint8_t>(image31.begin() + 32, image31.begin() + 36),
              (std::vector<std::uint8_t>{0, 0, 0, 0}));
    // FAT 1 at 512, FAT 2 at 512 + 31,744, root directory at 64,000.
    for (std::size_t fat : {512u, 32'256u}) {
        EXPECT_EQ(std::vector<std::uint8_t>(image31.begin() + fat, image31.begin() + fat + 4),
                  (std::vector<std::uint8_t>{0xF8, 0xFF, 0xFF, 0xFF}));
        EXPECT_TRUE(std::all_of(image31.begin() + fat + 4, image31.begin() + fat + 31'744,
                                [](std::uint8_t b) { return b == 0; }));
    }
    EXPECT_EQ(RootDirOffset(0), 64'000u);
    EXPECT_TRUE(std::all_of(image31.begin() + 64'000, image31.end(),
                            [](std::uint8_t b) { return b == 0; }));

    std::vector<std::uint8_t> image63(145'920);
    BuildSystemAreaImage(1, nullptr, image63.data());
    EXPECT_EQ(image63[19], 0x00);
    EXPECT_EQ(image63[20], 0x00);
    EXPECT_EQ(std::vector<std::uint8_t>(image63.begin() + 32, image63.begin() + 36),
              (std::vector<std::uint8_t>{0x00, 0xF8, 0x01, 0x00}));
    EXPECT_EQ(Fat2Offset(1), 65'024u);
    EXPECT_EQ(RootDirOffset(1), 129'536u);
    EXPECT_EQ(image63[65'024], 0xF8);
}

TEST(SystemAreaTest, QuickCarriesOnlyTheBadMarkOfEntry5) {
    const int classIndex = 1;  // 126 sectors per FAT
    std::vector<std::uint8_t> old(126 * 512);
    // A file chain 2 -> 3 -> 4 (end), another ending at 6, a free 7, bad 5.
    PutEntry(old, 0, 0xFFF8);
    PutEntry(old, 1, 0xFFFF);
    PutEntry(old, 2, 0x0003);
    PutEntry(old, 3, 0x0004);
    PutEntry(old, 4, 0xFFFF);
    PutEntry(old, 5, 0xFFF7);
    PutEntry(old, 6, 0xFFF8);
    PutEntry(old, 8, 0x0009);
    PutEntry(old, 9, 0xFFFF);
    std::vector<std::uint8_t> image(145'920);

    EXPECT_EQ(BuildSystemAreaImage(classIndex, old.data(), image.data()), 1u);

    for (std::size_t fat : {512u, 65'024u}) {
        EXPECT_EQ(std::vector<std::uint8_t>(image.begin() + fat, image.begin() + fat + 20),
                  (std::vector<std::uint8_t>{0xF8, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0,
                                             0xF7, 0xFF, 0,    0,    0, 0, 0, 0, 0, 0}));
        EXPECT_TRUE(std::all_of(image.begin() + fat + 12, image.begin() + fat + 64'512,
                                [](std::uint8_t b) { return b == 0; }));
    }
}

TEST(SystemAreaTest, MarksBadClustersInBothFats) {
    const int classIndex = 0;
    std::vector<std::uint8_t> image(80'384);
    BuildSystemAreaImage(classIndex, nullptr, image.data());
    std::vector<std::uint8_t> want = image;
    // Relative clusters 17..24 are entries 19..26: bytes 38..53 of each FAT.
    for (std::size_t fat : {512u, 32'256u}) {
        for (std::size_t at = fat + 38; at < fat + 54; at += 2) {
            want[at] = 0xF7;
            want[at + 1] = 0xFF;
        }
    }

    EXPECT_EQ(MarkBadClusters(classIndex, {17, 18, 19, 20, 21, 22, 23, 24}, image.data()), 8u);
    EXPECT_TRUE(image == want) << FirstDifference(image, want);
}

TEST(SystemAreaTest, MarkingCountsEachClusterOnce) {
    std::vector<std::uint8_t> image(80'384);
    BuildSystemAreaImage(0, nullptr, image.data());
    EXPECT_EQ(MarkBadClusters(0, {5, 5, 6, 5, 6, 7}, image.data()), 3u);
    EXPECT_EQ(MarkBadClusters(0, {}, image.data()), 0u);
}

// A device larger than its class yields numbers past the FAT: they have no
// entry and must not spill into FAT 2 or the root directory.
TEST(SystemAreaTest, NumbersPastTheFatWriteNothing) {
    for (int i = 0; i < kClassCount; ++i) {
        SCOPED_TRACE(i);
        const auto& c = Want(i);
        std::vector<std::uint8_t> image(c.imageBytes + kGuardBytes, kUnwritten);
        BuildSystemAreaImage(i, nullptr, image.data());
        const std::vector<std::uint8_t> before = image;
        const std::uint32_t lastInFat = c.fatEntries - 3;  // entry fatEntries - 1
        const std::vector<std::uint32_t> numbers = {
            c.fatEntries - 2,  // entry fatEntries: first past FAT 1
            c.fatEntries,     c.fatEntries * 2, 0xFFFF'FFFE, 0xFFFF'FFFF,  // would wrap to 0, 1
        };
        EXPECT_EQ(MarkBadClusters(i, numbers, image.data()), 0u);
        EXPECT_TRUE(image == before) << FirstDifference(image, before);

        EXPECT_EQ(MarkBadClusters(i, {lastInFat}, image.data()), 1u);
        std::vector<std::uint8_t> want = before;
        const std::size_t fatBytes = c.sectorsPerFat * 512;
        for (std::size_t fat : {std::size_t{512}, 512 + fatBytes}) {
            want[fat + fatBytes - 2] = 0xF7;
            want[fat + fatBytes - 1] = 0xFF;
        }
        EXPECT_TRUE(image == want) << FirstDifference(image, want);
    }
}

}  // namespace
}  // namespace kerfa::layout
