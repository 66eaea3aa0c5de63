// The built format.com on disk-image files: the arguments Kerfa gives it, the
// answers it reads, the filesystem it leaves, checked with fsck.fat and mtools.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "testing/test_support.h"

namespace {

using testing_support::RunCommand;
using testing_support::ShellQuote;

constexpr std::uint64_t kImageBytes = 32 << 20;

struct Image {
    Image() : path(dir / "e.img") { testing_support::MakeSparseFile(path, kImageBytes); }

    // Runs format.com with exactly these arguments (the shell only passes
    // them on) and these bytes on its standard input.
    testing_support::CommandResult Format(const std::vector<std::string>& arguments,
                                          const std::string& input, bool withDrive = true) {
        const auto inputFile = dir / "stdin";
        std::ofstream(inputFile, std::ios::binary) << input;
        std::string line = "cd " + ShellQuote(dir.path()) +
                           " && env PATH=" + ShellQuote(bin().string() + ":" + std::getenv("PATH"));
        if (withDrive) line += " KERFA_DRIVE_E=" + ShellQuote(path);
        line += " " + ShellQuote(KV_FORMAT_COM);
        for (const std::string& argument : arguments) line += " " + ShellQuote(argument);
        return RunCommand(line + " < " + ShellQuote(inputFile));
    }

    std::filesystem::path bin() const { return dir / "bin"; }

    std::string Mtools(const std::string& command) const {
        return RunCommand("MTOOLS_SKIP_CHECK=1 " + command + " -i " + ShellQuote(path) + " ::")
            .output;
    }

    testing_support::TempDir dir;
    std::filesystem::path path;
};

// A fingerprint of the whole image, taken by a tool made for large files.
std::string Digest(const std::filesystem::path& path) {
    return RunCommand("sha256sum < " + ShellQuote(path)).output;
}

// The boot sector.
std::vector<std::uint8_t> FirstSector(const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes(512);
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

std::uint16_t Le16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

// What a player's disk must be: FAT16, 512-byte sectors, 2048-byte clusters,
// one volume from sector 0, clean for fsck.fat.
void ExpectPlayerFat16(const Image& image) {
    ASSERT_TRUE(testing_support::HaveProgram("fsck.fat") ||
                std::filesystem::exists("/usr/sbin/fsck.fat"));
    const auto fsck =
        RunCommand("PATH=$PATH:/usr/sbin:/sbin fsck.fat -n " + ShellQuote(image.path));
    EXPECT_EQ(fsck.exitCode, 0) << fsck.output;
    const auto bytes = FirstSector(image.path);
    ASSERT_GE(bytes.size(), 512u);
    EXPECT_EQ(Le16(bytes, 11), 512);  // bytes per sector
    EXPECT_EQ(bytes[13], 4);          // sectors per cluster
    EXPECT_EQ(std::string(bytes.begin() + 54, bytes.begin() + 62), "FAT16   ");
    EXPECT_EQ(Le16(bytes, 510), 0xAA55);
}

struct RunCase {
    std::string name;
    std::vector<std::string> arguments;
    std::string input;
    std::string label;  // what mtools shows; "" for none
};

class FormatsTest : public ::testing::TestWithParam<RunCase> {};

TEST_P(FormatsTest, LaysDownThePlayersFat16WithTheLabel) {
    const RunCase& c = GetParam();
    Image image;
    std::ofstream(image.dir / "answers.tmp", std::ios::binary) << "\r\ny\r\n\r\n";
    std::vector<std::string> arguments = c.arguments;
    for (std::string& argument : arguments)
        if (argument == "ANSWERS") argument = (image.dir / "answers.tmp").string();

    const auto run = image.Format(arguments, c.input);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    ExpectPlayerFat16(image);
    const std::string labelLine = image.Mtools("mlabel -s");
    if (c.label.empty()) {
        EXPECT_NE(labelLine.find("has no label"), std::string::npos) << labelLine;
    } else {
        EXPECT_NE(labelLine.find("Volume label is " + c.label + " "), std::string::npos)
            << labelLine;
    }
}

INSTANTIATE_TEST_SUITE_P(
    FormatCom, FormatsTest,
    ::testing::Values(
        RunCase{"NtQuickLabel", {"E:/fs:fat", "/a:2048/q/v:MUSIC"}, "\r\ny\r\n\r\n", "MUSIC"},
        RunCase{"NtFullNoLabel", {"E:/fs:fat", "/a:2048/v:"}, "\r\ny\r\n\r\n", ""},
        RunCase{"Win98QuickNoLabel", {"E:/q/v:"}, "y\r\n\r\n", ""},
        RunCase{"LowerCaseLabel", {"E:/q/v:tunes"}, "y\r\n", "TUNES"},
        RunCase{"AnswersAfterRedirection",
                {"E:/fs:fat", "/a:2048/q/v:MUSIC", "<", "ANSWERS"},
                "",
                "MUSIC"},
        // A shell would run S for each of these; here they are a label.
        RunCase{"CommandSubstitutionIsALabel", {"E:/q/v:$(S)"}, "y\r\n", "$(S)"},
        RunCase{"BackQuotesAreALabel", {"E:/q/v:`S`"}, "y\r\n", "`S`"},
        RunCase{"AmpersandIsALabel", {"E:/q/v:X&S"}, "y\r\n", "X&S"}),
    [](const auto& param) { return param.param.name; });

TEST(FormatCom, NeverRunsAProgramNamedInItsLabel) {
    Image image;
    const auto sentinel = image.dir / "sentinel";
    std::filesystem::create_directory(image.bin());
    const auto program = image.bin() / "S";
    std::ofstream(program) << "#!/bin/sh\ntouch " << ShellQuote(sentinel) << "\n";
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    for (const std::string label : {"$(S)", "`S`", "X&S", "X;S", "X|S"}) {
        SCOPED_TRACE(label);
        image.Format({"E:/q/v:" + label}, "y\r\n");
        EXPECT_FALSE(std::filesystem::exists(sentinel));
    }
    // The sentinel program itself works.
    RunCommand(ShellQuote(program));
    EXPECT_TRUE(std::filesystem::exists(sentinel));
}

struct UntouchedCase {
    std::string name;
    std::vector<std::string> arguments;
    std::string input;
    bool withDrive;
    int exitCode;
};

class LeavesTheDiskTest : public ::testing::TestWithParam<UntouchedCase> {};

TEST_P(LeavesTheDiskTest, Untouched) {
    const UntouchedCase& c = GetParam();
    Image image;
    const std::string before = Digest(image.path);
    const auto run = image.Format(c.arguments, c.input, c.withDrive);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
    EXPECT_EQ(Digest(image.path), before);
}

INSTANTIATE_TEST_SUITE_P(
    FormatCom, LeavesTheDiskTest,
    ::testing::Values(UntouchedCase{"AnsweredNo", {"E:/q/v:"}, "n\r\n", true, 5},
                      UntouchedCase{"NoAnswers", {"E:/q/v:"}, "", true, 5},
                      UntouchedCase{"OnlyEnter", {"E:/q/v:"}, "\r\n\r\n", true, 5},
                      UntouchedCase{"UnknownDrive", {"E:/q/v:"}, "y\r\n", false, 1},
                      UntouchedCase{"OtherDrive", {"F:/q/v:"}, "y\r\n", true, 1},
                      UntouchedCase{"BadSwitch", {"E:/fs:ntfs"}, "y\r\n", true, 1},
                      UntouchedCase{"BadLabel", {"E:/q/v:A*B"}, "y\r\n", true, 1},
                      UntouchedCase{
                          "MissingAnswersFile", {"E:/q", "<", "nowhere"}, "y\r\n", true, 4}),
    [](const auto& param) { return param.param.name; });

TEST(FormatCom, WaitsForNobodyWhileAnotherProgramHoldsTheMedium) {
    Image image;
    const std::string before = Digest(image.path);
    const int fd = ::open(image.path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    const auto run = image.Format({"E:/q/v:"}, "y\r\n");
    ::close(fd);
    EXPECT_EQ(run.exitCode, 4) << run.output;
    EXPECT_EQ(Digest(image.path), before);
}

}  // namespace
