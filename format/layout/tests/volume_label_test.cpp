#include "format/layout/volume_label.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format/layout/system_area.h"

namespace kerfa::layout {
namespace {

using namespace std::string_literals;

TEST(VolumeLabelTest, LabelRule) {
    struct Case {
        std::string label;
        int valid;
    };
    const Case cases[] = {
        {"ABCDEFGHIJKL", 0},  // 12 bytes
        {"", 1},
        {"ABCDEFGHIJK", 1},  // 11 letters
        {"music", 1},        // lower case is upper-cased later
        {"DISK?", 1},
        {"A|B", 1},
        {"0123456789", 1},
        {"!-_#$%&'()", 1},
        {"@^`{}~", 1},
        // the 15 forbidden bytes
        {"A B", 0},
        {"A\"B", 0},
        {"A*B", 0},
        {"A+B", 0},
        {"A,B", 0},
        {"A.B", 0},
        {"A/B", 0},
        {"A:B", 0},
        {"A;B", 0},
        {"A<B", 0},
        {"A=B", 0},
        {"A>B", 0},
        {"A[B", 0},
        {"A\\B", 0},
        {"A]B", 0},
        {"MY DISK", 0},
        {"X=1", 0},
        {"C:", 0},
        {" ", 0},
        // not printable
        {"A\x01", 0},
        {"\x1F", 0},
        {"A\tB", 0},
        {"A\0B"s, 0},
        {"A\x7F", 0},
        {"A\x80", 0},
        {"\xFF", 0},
        {"\xD2\xF4\xC0\xD6", 0},  // a double-byte text of code page 936
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidLabel(c.label), c.valid) << '"' << c.label << '"';
    }
}

TEST(VolumeLabelTest, UpperCasingMapsOnlyLatinLetters) {
    const std::pair<std::string, std::string> cases[] = {
        {"music", "MUSIC"},
        {"Mix3d-_?", "MIX3D-_?"},
        {"az`{@[AZ", "AZ`{@[AZ"},
        {"\xE1\xF0", "\xE1\xF0"},
        {"", ""},
    };
    for (const auto& [in, want] : cases) EXPECT_EQ(UpperCaseLabel(in), want) << in;
}

TEST(VolumeLabelTest, EmptyLabelWritesNothing) {
    std::vector<std::uint8_t> image(80'384, 0x5A);
    const auto before = image;
    WriteVolumeLabel(0, "", image.data());
    EXPECT_TRUE(image == before);
}

TEST(VolumeLabelTest, LabelEntryReplacesWhatTheEntryHeld) {
    std::vector<std::uint8_t> image(145'920, 0x5A);
    WriteVolumeLabel(1, "MUSIC", image.data());
    const std::vector<std::uint8_t> entry(image.begin() + 129'536, image.begin() + 129'536 + 32);
    EXPECT_EQ(entry,
              (std::vector<std::uint8_t>{'M',  'U',  'S',  'I',  'C', ' ', ' ', ' ', ' ', ' ', ' ',
                                         0x28, 0,    0,    0,    0,   0,   0,   0,   0,   0,   0,
                                         0xE1, 0x7A, 0x73, 0x2D, 0,   0,   0,   0,   0,   0}));
    EXPECT_EQ(std::string(image.begin() + 43, image.begin() + 54), "MUSIC      ");
    EXPECT_EQ(image[42], 0x5A);
    EXPECT_EQ(image[54], 0x5A);
    EXPECT_EQ(image[129'536 + 32], 0x5A);
}

}  // namespace
}  // namespace kerfa::layout
