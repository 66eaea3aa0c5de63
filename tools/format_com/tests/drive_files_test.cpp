// Files put onto and taken off a drive's FAT filesystem by the Linux host:
// through mtools on an unmounted image, through the mount point otherwise.
#include "platform/win32/linux/drive_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "testing/test_support.h"

namespace win32::linux_host {
namespace {

using testing_support::RunCommand;
using testing_support::ShellQuote;

constexpr DWORD ERROR_INVALID_NAME = 123;

struct PathCase {
    std::string path;
    std::optional<char> letter;
    std::string name;
};

class DrivePathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(DrivePathTest, FindsTheDriveAndTheRootName) {
    const auto parsed = ParseDriveFilePath(GetParam().path);
    ASSERT_EQ(parsed.has_value(), GetParam().letter.has_value());
    if (!parsed) return;
    EXPECT_EQ(parsed->letter, *GetParam().letter);
    EXPECT_EQ(parsed->name, GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(DriveFiles, DrivePathTest,
                         ::testing::Values(PathCase{"E:\\finish", 'E', "finish"},
                                           PathCase{"e:/finish", 'E', "finish"},
                                           PathCase{"F:\\tmptmp.tmp", 'F', "tmptmp.tmp"},
                                           PathCase{"E:\\dir\\finish", 'E', ""},
                                           PathCase{"E:\\", 'E', ""}, PathCase{"E:\\a*b", 'E', ""},
                                           PathCase{"E:finish", std::nullopt, ""},
                                           PathCase{"/home/u/finish", std::nullopt, ""},
                                           PathCase{"1:\\finish", std::nullopt, ""},
                                           PathCase{"\\\\.\\E:", std::nullopt, ""}));

struct FatImage {
    FatImage() : image(dir / "e.img"), source(dir / "source.txt") {
        testing_support::MakeSparseFile(image, 32 << 20);
        const auto made =
            RunCommand("PATH=$PATH:/usr/sbin:/sbin mkfs.fat -F 16 -s 4 " + ShellQuote(image));
        EXPECT_EQ(made.exitCode, 0) << made.output;
        Write(source, "y\r\n");
    }
    static void Write(const std::filesystem::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    DriveMedium medium() const { return {image.string(), ""}; }
    // The file's bytes as mtools reads them, or nothing when it is not there.
    std::optional<std::string> OnDrive(const std::string& name) const {
        const auto typed = RunCommand("MTOOLS_SKIP_CHECK=1 mtype -i " + ShellQuote(image) +
                                      " ::" + ShellQuote(name) + " 2>/dev/null");
        if (typed.exitCode != 0) return std::nullopt;
        return typed.output;
    }
    void ExpectClean() const {
        const auto fsck = RunCommand("PATH=$PATH:/usr/sbin:/sbin fsck.fat -n " + ShellQuote(image));
        EXPECT_EQ(fsck.exitCode, 0) << fsck.output;
    }

    testing_support::TempDir dir;
    std::filesystem::path image;
    std::filesystem::path source;
};

TEST(DriveFiles, CopiesOverwritesAndDeletesOnAnUnmountedImage) {
    ASSERT_TRUE(testing_support::HaveProgram("mcopy"));
    FatImage fat;
    EXPECT_EQ(CopyIntoDrive(fat.medium(), fat.source, "finish", false), ERROR_SUCCESS);
    EXPECT_EQ(fat.OnDrive("finish"), "y\r\n");

    FatImage::Write(fat.source, "second");
    EXPECT_EQ(CopyIntoDrive(fat.medium(), fat.source, "finish", false), ERROR_SUCCESS);
    EXPECT_EQ(fat.OnDrive("finish"), "second");

    FatImage::Write(fat.source, "third");
    EXPECT_EQ(CopyIntoDrive(fat.medium(), fat.source, "finish", true), ERROR_FILE_EXISTS);
    EXPECT_EQ(fat.OnDrive("finish"), "second");

    EXPECT_EQ(DeleteFromDrive(fat.medium(), "finish"), ERROR_SUCCESS);
    EXPECT_EQ(fat.OnDrive("finish"), std::nullopt);
    EXPECT_EQ(DeleteFromDrive(fat.medium(), "finish"), ERROR_FILE_NOT_FOUND);
    fat.ExpectClean();
}

TEST(DriveFiles, RefusesWhatItCannotDo) {
    FatImage fat;
    EXPECT_EQ(CopyIntoDrive(fat.medium(), fat.dir / "missing", "finish", false),
              ERROR_FILE_NOT_FOUND);
    for (const std::string name : {"", "a/b", "a\\b", "*", "f?", "..", "a\nb"}) {
        EXPECT_EQ(CopyIntoDrive(fat.medium(), fat.source, name, false), ERROR_INVALID_NAME) << name;
        EXPECT_EQ(DeleteFromDrive(fat.medium(), name), ERROR_INVALID_NAME) << name;
    }

    // A medium with no FAT filesystem on it, and none at all.
    const auto blank = fat.dir / "blank.img";
    testing_support::MakeSparseFile(blank, 1 << 20);
    EXPECT_EQ(CopyIntoDrive({blank.string(), ""}, fat.source, "finish", false), ERROR_NOT_READY);
    EXPECT_EQ(DeleteFromDrive({blank.string(), ""}, "finish"), ERROR_NOT_READY);
    EXPECT_EQ(CopyIntoDrive({(fat.dir / "gone.img").string(), ""}, fat.source, "finish", false),
              ERROR_NOT_READY);
    EXPECT_EQ(fat.OnDrive("finish"), std::nullopt);
}

TEST(DriveFiles, TheDriveRefusesFilesWhileAFormatterHoldsIt) {
    FatImage fat;
    // What format.com takes for as long as it formats.
    const int fd = ::open(fat.image.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    EXPECT_EQ(CopyIntoDrive(fat.medium(), fat.source, "finish", false), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(DeleteFromDrive(fat.medium(), "finish"), ERROR_SHARING_VIOLATION);
    ::close(fd);
    EXPECT_EQ(fat.OnDrive("finish"), std::nullopt);
    EXPECT_EQ(CopyIntoDrive(fat.medium(), fat.source, "finish", false), ERROR_SUCCESS);
}

TEST(DriveFiles, AMountedMediumIsReachedOnlyThroughItsMountPoint) {
    FatImage fat;
    const auto mounted = fat.dir / "mnt";
    std::filesystem::create_directory(mounted);
    const DriveMedium medium{fat.image.string(), mounted.string()};
    const auto digest = [&fat] {
        return RunCommand("sha256sum < " + ShellQuote(fat.image)).output;
    };
    const std::string before = digest();

    EXPECT_EQ(CopyIntoDrive(medium, fat.source, "finish", false), ERROR_SUCCESS);
    EXPECT_EQ(testing_support::ReadBytes(mounted / "finish"),
              (std::vector<std::uint8_t>{'y', '\r', '\n'}));
    EXPECT_EQ(CopyIntoDrive(medium, fat.source, "finish", true), ERROR_FILE_EXISTS);
    EXPECT_EQ(DeleteFromDrive(medium, "finish"), ERROR_SUCCESS);
    EXPECT_FALSE(std::filesystem::exists(mounted / "finish"));
    EXPECT_EQ(DeleteFromDrive(medium, "finish"), ERROR_FILE_NOT_FOUND);
    // The medium underneath was never written.
    EXPECT_EQ(digest(), before);
}

}  // namespace
}  // namespace win32::linux_host
