// The images are read by programs nobody here wrote: dosfstools' checker and
// mtools must see a clean FAT16 volume of the class with our geometry.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "format/layout/system_area.h"
#include "format/layout/tests/expected_layout.h"
#include "format/layout/tests/tool_runner.h"

namespace kerfa::layout {
namespace {

using namespace std::string_literals;
using testing::kExpectedClasses;
using testing::RunTool;
using testing::ToolResult;

struct PeerCase {
    int classIndex;
    std::string label;
    bool withBadClusters;
};

// Writes the image at the start of a sparse file of the class size.
std::filesystem::path WriteDisk(const std::filesystem::path& dir, int classIndex,
                                const std::vector<std::uint8_t>& image) {
    const auto path = dir / ("disk" + std::to_string(classIndex) + ".img");
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(image.data()),
                  static_cast<std::streamsize>(image.size()));
    }
    std::filesystem::resize_file(
        path, std::uintmax_t{kExpectedClasses[static_cast<std::size_t>(classIndex)].mib} << 20);
    return path;
}

std::string Quoted(const std::filesystem::path& p) {
    return "'" + p.string() + "'";
}

std::uint64_t FreeBytes(const ToolResult& mdir) {
    std::smatch m;
    if (!std::regex_search(mdir.output, m, std::regex(R"(([0-9 ]+) bytes free)"))) return 0;
    std::string digits;
    for (char c : m[1].str()) {
        if (c != ' ') digits += c;
    }
    return std::stoull(digits);
}

void PrintTo(const PeerCase& c, std::ostream* os) {
    *os << "class " << c.classIndex << " label \"" << c.label << '"'
        << (c.withBadClusters ? " with bad clusters" : "");
}

class RealPeersTest : public ::testing::TestWithParam<PeerCase> {};

TEST_P(RealPeersTest, ToolsReadTheVolume) {
    const PeerCase& p = GetParam();
    const auto& want = kExpectedClasses[static_cast<std::size_t>(p.classIndex)];
    std::vector<std::uint8_t> image(want.imageBytes);

    // Bad clusters: carried from an old FAT (one of them past the last cluster,
    // which no tool counts) and found by a surface test.
    std::uint32_t badInClusters = 0;
    if (p.withBadClusters) {
        std::vector<std::uint8_t> oldFat(want.sectorsPerFat * 512);
        for (std::uint32_t k : {7u, 1000u, want.clusters + 1, want.clusters + 5}) {
            oldFat[2 * k] = 0xF7;
            oldFat[2 * k + 1] = 0xFF;
        }
        ASSERT_EQ(BuildSystemAreaImage(p.classIndex, oldFat.data(), image.data()), 4u);
        ASSERT_EQ(MarkBadClusters(p.classIndex, {0, 17, 18, 17}, image.data()), 3u);
        badInClusters = 3 + 3;
    } else {
        ASSERT_EQ(BuildSystemAreaImage(p.classIndex, nullptr, image.data()), 0u);
    }
    WriteVolumeLabel(p.classIndex, p.label, image.data());

    testing::TempDir dir;
    const auto disk = Quoted(WriteDisk(dir.path(), p.classIndex, image));

    const ToolResult fsck = RunTool("fsck.fat", "-n -v " + disk);
    EXPECT_EQ(fsck.exitCode, 0) << fsck.output;
    EXPECT_NE(fsck.output.find(std::to_string(badInClusters) + "/" + std::to_string(want.clusters) +
                               " clusters"),
              std::string::npos)
        << fsck.output;
    EXPECT_NE(fsck.output.find("16 bit entries"), std::string::npos) << fsck.output;
    EXPECT_NE(fsck.output.find(std::to_string(want.totalSectors) + " sectors total"),
              std::string::npos)
        << fsck.output;

    const ToolResult minfo = RunTool("minfo", "-i " + disk + " ::");
    ASSERT_EQ(minfo.exitCode, 0) << minfo.output;
    for (const std::string& line : {
             "sector size: 512 bytes"s,
             "cluster size: 4 sectors"s,
             "reserved (boot) sectors: 1"s,
             "fats: 2"s,
             "max available root directory slots: 512"s,
             "media descriptor byte: 0xf8"s,
             "sectors per fat: "s + std::to_string(want.sectorsPerFat) + "\n",
             "hidden sectors: 0"s,
             "serial number: "s + testing::kExpectedSerials[static_cast<std::size_t>(p.classIndex)],
             "disk type=\"FAT16   \""s,
         }) {
        EXPECT_NE(minfo.output.find(line), std::string::npos) << line << "\n" << minfo.output;
    }
    // minfo prints the 32-bit count only when the 16-bit one is 0.
    const bool small = want.totalSectors < 65536;
    const std::string sizes = small
                                  ? "small size: " + std::to_string(want.totalSectors) + " sectors"
                                  : "small size: 0 sectors";
    EXPECT_NE(minfo.output.find(sizes), std::string::npos) << minfo.output;
    if (!small) {
        EXPECT_NE(minfo.output.find("big size: " + std::to_string(want.totalSectors) + " sectors"),
                  std::string::npos)
            << minfo.output;
    }

    const ToolResult mdir = RunTool("mdir", "-i " + disk + " ::");
    ASSERT_EQ(mdir.exitCode, 0) << mdir.output;
    EXPECT_EQ(FreeBytes(mdir), std::uint64_t{want.clusters - badInClusters} * 2048) << mdir.output;

    const ToolResult mlabel = RunTool("mlabel", "-s -i " + disk + " ::");
    ASSERT_EQ(mlabel.exitCode, 0) << mlabel.output;
    const std::string expectedLabel =
        p.label.empty() ? "Volume has no label"
                        : "Volume label is " + p.label + std::string(11 - p.label.size(), ' ');
    EXPECT_NE(mlabel.output.find(expectedLabel), std::string::npos) << mlabel.output;
}

std::vector<PeerCase> AllPeerCases() {
    std::vector<PeerCase> cases;
    for (int i = 0; i < kClassCount; ++i) {
        cases.push_back({i, "", false});
        cases.push_back({i, "KERFA", false});
        cases.push_back({i, "ABCDEFGHIJK", true});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(
    AllClasses, RealPeersTest, ::testing::ValuesIn(AllPeerCases()), [](const auto& testInfo) {
        const PeerCase& p = testInfo.param;
        return "Class" +
               std::to_string(kExpectedClasses[static_cast<std::size_t>(p.classIndex)].mib) +
               (p.label.empty() ? "NoLabel" : p.label) + (p.withBadClusters ? "BadClusters" : "");
    });

}  // namespace
}  // namespace kerfa::layout
