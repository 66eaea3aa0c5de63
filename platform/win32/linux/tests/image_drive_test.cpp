#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win32/linux/linux_win32.h"
#include "platform/win32/linux/tests/drive_test_support.h"
#include "platform/win32/linux/tests/text_files.h"

namespace win32::linux_host {
namespace {

using namespace testing;

constexpr std::uint64_t kImageBytes = 4 * 1024 * 1024;
constexpr DWORD kErrorUnrecognizedVolume = 1005;

class LinuxImageDrive : public ::testing::Test {
  protected:
    void SetUp() override {
        testing_support::MakeSparseFile(image_, kImageBytes);
        LinuxWin32Options options;
        options.images = {image_};
        options.blockDevices = false;
        options.reporter = reports_.Sink();
        host_ = std::make_unique<LinuxWin32>(options);
    }
    void TearDown() override { EXPECT_EQ(host_->OpenHandles(), 0); }

    TempDir dir_;
    std::string image_ = dir_ / "player.img";
    Reports reports_;
    std::unique_ptr<LinuxWin32> host_;
};

TEST_F(LinuxImageDrive, IsListedAsRemovableDriveD) {
    const auto drives = host_->Drives();
    ASSERT_EQ(drives.size(), 1u);
    EXPECT_EQ(drives[0].letter, 'D');
    EXPECT_EQ(drives[0].path, image_);
    EXPECT_TRUE(drives[0].isImage);

    std::array<char, 150> buffer{};
    buffer.fill('#');
    EXPECT_EQ(host_->GetLogicalDriveStringsA(150, buffer.data()), 4u);
    EXPECT_EQ(std::string(buffer.data(), 6), std::string("D:\\\0\0#", 6));
    EXPECT_EQ(host_->GetLogicalDriveStringsA(3, buffer.data()), 5u);  // too small: size asked

    EXPECT_EQ(host_->GetDriveTypeA("D:\\"), DRIVE_REMOVABLE);
    EXPECT_EQ(host_->GetDriveTypeA("d:\\"), DRIVE_REMOVABLE);
    EXPECT_EQ(host_->GetDriveTypeA("C:\\"), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(host_->GetDriveTypeA("E:\\"), DRIVE_NO_ROOT_DIR);
}

TEST_F(LinuxImageDrive, MoreImagesTakeTheNextLetters) {
    const std::string second = dir_ / "second.img";
    testing_support::MakeSparseFile(second, kImageBytes);
    EXPECT_EQ(host_->AddImage(second), 'E');
    std::array<char, 150> buffer{};
    EXPECT_EQ(host_->GetLogicalDriveStringsA(150, buffer.data()), 8u);
    EXPECT_EQ(std::string(buffer.data(), 9), std::string("D:\\\0E:\\\0\0", 9));
    EXPECT_EQ(host_->Drives()[1].path, second);
}

TEST_F(LinuxImageDrive, SystemAreaWriteReachesTheImageAndReadsBack) {
    // The largest class's system area: 541 sectors at sector 0, as one write.
    const auto area = Pattern(541 * kSector, 1);
    HANDLE volume = OpenVolume(*host_, "\\\\.\\D:", kReadWrite);
    ASSERT_NE(volume, INVALID_HANDLE_VALUE);
    EXPECT_EQ(host_->SetFilePointer(volume, 0, nullptr, FILE_BEGIN), 0u);
    DWORD written = 0;
    ASSERT_TRUE(
        host_->WriteFile(volume, area.data(), static_cast<DWORD>(area.size()), &written, nullptr));
    EXPECT_EQ(written, area.size());
    EXPECT_TRUE(host_->FlushFileBuffers(volume));
    EXPECT_TRUE(host_->CloseHandle(volume));

    const std::string bytes = ReadText(image_);
    ASSERT_EQ(bytes.size(), kImageBytes);  // the image does not grow
    EXPECT_EQ(bytes.substr(0, area.size()), std::string(area.begin(), area.end()));

    // Read back sectors 100-131 through a new handle, lower-case name.
    volume = OpenVolume(*host_, "\\\\.\\d:", kReadWrite);
    ASSERT_NE(volume, INVALID_HANDLE_VALUE);
    EXPECT_EQ(host_->SetFilePointer(volume, 100 * kSector, nullptr, FILE_BEGIN), 100 * kSector);
    std::vector<char> chunk(32 * kSector);
    DWORD read = 0;
    ASSERT_TRUE(
        host_->ReadFile(volume, chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr));
    EXPECT_EQ(read, chunk.size());
    EXPECT_TRUE(std::equal(chunk.begin(), chunk.end(), area.begin() + 100 * kSector));
    EXPECT_TRUE(host_->CloseHandle(volume));
}

TEST_F(LinuxImageDrive, TransfersPastTheEndMoveFewerBytesOrNone) {
    HANDLE volume = OpenVolume(*host_, "\\\\.\\D:", kReadWrite);
    ASSERT_NE(volume, INVALID_HANDLE_VALUE);
    std::vector<char> buffer(2 * kSector);
    DWORD moved = 0;
    const auto last = static_cast<LONG>(kImageBytes - kSector);
    EXPECT_EQ(host_->SetFilePointer(volume, last, nullptr, FILE_BEGIN), kImageBytes - kSector);
    EXPECT_TRUE(host_->ReadFile(volume, buffer.data(), 2 * kSector, &moved, nullptr));
    EXPECT_EQ(moved, kSector);
    EXPECT_FALSE(host_->ReadFile(volume, buffer.data(), kSector, &moved, nullptr));
    EXPECT_EQ(moved, 0u);
    EXPECT_EQ(host_->GetLastError(), ERROR_SECTOR_NOT_FOUND);

    // A write that does not fit writes nothing at all.
    const auto ones = std::vector<char>(2 * kSector, '\x11');
    EXPECT_EQ(host_->SetFilePointer(volume, last, nullptr, FILE_BEGIN), kImageBytes - kSector);
    EXPECT_FALSE(host_->WriteFile(volume, ones.data(), 2 * kSector, &moved, nullptr));
    EXPECT_EQ(moved, 0u);
    EXPECT_EQ(host_->GetLastError(), ERROR_SECTOR_NOT_FOUND);
    EXPECT_TRUE(host_->CloseHandle(volume));
    EXPECT_EQ(ReadText(image_), std::string(kImageBytes, '\0'));
}

TEST_F(LinuxImageDrive, OnlyWholeSectorsMove) {
    HANDLE volume = OpenVolume(*host_, "\\\\.\\D:", kReadWrite);
    ASSERT_NE(volume, INVALID_HANDLE_VALUE);
    std::vector<char> buffer(kSector);
    DWORD moved = 0;
    EXPECT_FALSE(host_->ReadFile(volume, buffer.data(), 100, &moved, nullptr));
    EXPECT_EQ(host_->GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(host_->SetFilePointer(volume, 10, nullptr, FILE_BEGIN), 10u);
    EXPECT_FALSE(host_->WriteFile(volume, buffer.data(), kSector, &moved, nullptr));
    EXPECT_EQ(host_->GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(host_->CloseHandle(volume));
}

TEST_F(LinuxImageDrive, GeometryReportsRemovableMedia) {
    // The drive filter's open: no access at all, then the geometry request.
    HANDLE volume = OpenVolume(*host_, "\\\\.\\D:", 0);
    ASSERT_NE(volume, INVALID_HANDLE_VALUE);
    std::array<unsigned char, 480> out{};
    DWORD returned = 0;
    ASSERT_TRUE(host_->DeviceIoControl(volume, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0,
                                       out.data(), 480, &returned, nullptr));
    EXPECT_EQ(returned, 24u);
    DISK_GEOMETRY geometry{};
    std::memcpy(&geometry, out.data(), sizeof geometry);
    EXPECT_EQ(geometry.MediaType, 11);  // RemovableMedia
    EXPECT_EQ(geometry.BytesPerSector, 512u);
    EXPECT_EQ(geometry.Cylinders * geometry.TracksPerCylinder * geometry.SectorsPerTrack * 512,
              kImageBytes / (255 * 63 * 512) * (255 * 63 * 512));

    EXPECT_FALSE(host_->DeviceIoControl(volume, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0,
                                        out.data(), 23, &returned, nullptr));
    EXPECT_FALSE(host_->DeviceIoControl(volume, 0x00074004u, nullptr, 0, out.data(), 480, &returned,
                                        nullptr));
    EXPECT_EQ(returned, 0u);
    // A handle without access moves no data.
    DWORD moved = 0;
    EXPECT_FALSE(host_->ReadFile(volume, out.data(), kSector, &moved, nullptr));
    EXPECT_EQ(host_->GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(host_->CloseHandle(volume));
}

TEST_F(LinuxImageDrive, ExclusiveOpenConflictsWithASharingOne) {
    HANDLE shared = OpenVolume(*host_, "\\\\.\\D:", kReadWrite);
    ASSERT_NE(shared, INVALID_HANDLE_VALUE);
    HANDLE also = OpenVolume(*host_, "\\\\.\\D:", kReadWrite);
    EXPECT_NE(also, INVALID_HANDLE_VALUE);
    EXPECT_EQ(host_->CreateFileA("\\\\.\\D:", kReadWrite, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(host_->GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(host_->CloseHandle(shared));
    EXPECT_TRUE(host_->CloseHandle(also));
}

TEST_F(LinuxImageDrive, LabelComesFromTheFilesystem) {
    ASSERT_TRUE(testing_support::HaveProgram("mkfs.fat")) << "mkfs.fat is missing";
    // No filesystem yet.
    char label[150] = "#";
    char type[150] = "#";
    EXPECT_FALSE(
        host_->GetVolumeInformationA("D:\\", label, 150, nullptr, nullptr, nullptr, type, 150));
    EXPECT_EQ(host_->GetLastError(), kErrorUnrecognizedVolume);

    const auto made = testing_support::RunCommand("mkfs.fat -n PLAYER -i 1234ABCD " +
                                                  testing_support::ShellQuote(image_));
    ASSERT_EQ(made.exitCode, 0) << made.output;
    DWORD serial = 0;
    DWORD component = 0;
    DWORD flags = 0;
    ASSERT_TRUE(
        host_->GetVolumeInformationA("D:\\", label, 150, &serial, &component, &flags, type, 150));
    EXPECT_STREQ(label, "PLAYER");
    EXPECT_STREQ(type, "FAT");
    EXPECT_EQ(serial, 0x1234ABCDu);

    // Without a label the name is empty.
    const auto unlabelled =
        testing_support::RunCommand("mkfs.fat " + testing_support::ShellQuote(image_));
    ASSERT_EQ(unlabelled.exitCode, 0) << unlabelled.output;
    ASSERT_TRUE(
        host_->GetVolumeInformationA("D:\\", label, 150, nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_STREQ(label, "");
    EXPECT_FALSE(
        host_->GetVolumeInformationA("E:\\", label, 150, nullptr, nullptr, nullptr, nullptr, 0));
}

TEST_F(LinuxImageDrive, AMissingImageSaysWhy) {
    std::filesystem::remove(image_);
    EXPECT_EQ(OpenVolume(*host_, "\\\\.\\D:", kReadWrite), INVALID_HANDLE_VALUE);
    EXPECT_EQ(host_->GetLastError(), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(reports_.lines.size(), 1u);
    EXPECT_EQ(reports_.lines[0], image_ + ": No such file or directory");
}

TEST_F(LinuxImageDrive, AFolderIsNoDrive) {
    EXPECT_EQ(host_->AddImage(dir_.path().string()), 'E');
    EXPECT_EQ(OpenVolume(*host_, "\\\\.\\E:", GENERIC_READ), INVALID_HANDLE_VALUE);
    EXPECT_EQ(host_->GetLastError(), ERROR_ACCESS_DENIED);
    ASSERT_EQ(reports_.lines.size(), 1u);
    EXPECT_EQ(reports_.lines[0],
              dir_.path().string() + ": neither a disk image file nor a block device");
}

TEST(LinuxWindowsDirectory, IsConfigurableAndFollowsTheEnvironment) {
    LinuxWin32Options options;
    options.blockDevices = false;
    options.windowsDirectory = "/opt/kerfa/windows";
    LinuxWin32 configured(options);
    char buffer[300];
    EXPECT_EQ(configured.GetWindowsDirectoryA(buffer, 300), 18u);
    EXPECT_STREQ(buffer, "/opt/kerfa/windows");
    EXPECT_EQ(configured.GetWindowsDirectoryA(buffer, 18), 19u);

    const char* saved = std::getenv("KERFA_WINDOWS_DIR");
    const std::string before = saved ? saved : "";
    ::setenv("KERFA_WINDOWS_DIR", "/srv/win", 1);
    LinuxWin32Options defaults;
    defaults.blockDevices = false;
    LinuxWin32 fromEnvironment(defaults);
    EXPECT_EQ(fromEnvironment.GetWindowsDirectoryA(buffer, 300), 8u);
    EXPECT_STREQ(buffer, "/srv/win");
    if (saved) {
        ::setenv("KERFA_WINDOWS_DIR", before.c_str(), 1);
    } else {
        ::unsetenv("KERFA_WINDOWS_DIR");
    }
}

}  // namespace
}  // namespace win32::linux_host
