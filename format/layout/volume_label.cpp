#include "format/layout/volume_label.h"

#include <algorithm>
#include <string_view>

#include "format/layout/boot_sector.h"
#include "format/layout/little_endian.h"
#include "format/layout/system_area.h"

namespace kerfa::layout {
namespace {

// Printable signs a label may not hold.
constexpr std::string_view kForbiddenLabelBytes = " \"*+,./:;<=>[\\]";
static_assert(kForbiddenLabelBytes.size() == 15);

constexpr std::uint8_t kFirstPrintable = 0x20;
constexpr std::uint8_t kLastPrintable = 0x7E;

// Directory entry offsets.
constexpr std::size_t kEntryAttributesOffset = 11;
constexpr std::size_t kEntryTimeOffset = 22;
constexpr std::size_t kEntryDateOffset = 24;

bool IsLabelByte(unsigned char c) {
    return c >= kFirstPrintable && c <= kLastPrintable &&
           kForbiddenLabelBytes.find(static_cast<char>(c)) == std::string_view::npos;
}

}  // namespace

int IsValidLabel(const std::string& label) {
    if (label.size() > kVolumeLabelBytes) return 0;
    return std::all_of(label.begin(), label.end(),
                       [](char c) { return IsLabelByte(static_cast<unsigned char>(c)); })
               ? 1
               : 0;
}

std::string UpperCaseLabel(std::string label) {
    for (char& c : label) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return label;
}

void WriteVolumeLabel(int classIndex, const std::string& label, std::uint8_t* image) {
    if (label.empty()) return;
    std::uint8_t* entry = image + RootDirOffset(classIndex);
    std::fill(entry, entry + kDirEntryBytes, std::uint8_t{0});
    for (std::uint32_t i = 0; i < kVolumeLabelBytes; ++i) {
        const auto byte = static_cast<std::uint8_t>(i < label.size() ? label[i] : ' ');
        entry[i] = byte;
        image[kVolumeLabelOffset + i] = byte;
    }
    entry[kEntryAttributesOffset] = kLabelEntryAttributes;
    PutLe16(entry + kEntryTimeOffset, kLabelEntryTime);
    PutLe16(entry + kEntryDateOffset, kLabelEntryDate);
}

}  // namespace kerfa::layout
