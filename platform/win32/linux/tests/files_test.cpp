#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <string>

#include "platform/win32/linux/linux_win32.h"
#include "platform/win32/linux/tests/text_files.h"

namespace win32::linux_host {
namespace {

using testing::ReadText;
using testing::TempDir;
using testing::WriteText;

constexpr DWORD kShareBoth = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kErrorNegativeSeek = 131;

class LinuxFiles : public ::testing::Test {
  protected:
    void TearDown() override { EXPECT_EQ(host_.OpenHandles(), 0); }

    HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD creation) {
        return host_.CreateFileA(path.c_str(), access, share, nullptr, creation,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    TempDir dir_;
    LinuxWin32 host_;
};

TEST_F(LinuxFiles, WritesReadsBackAndReportsSize) {
    const std::string path = dir_ / "a.bin";
    HANDLE file = Open(path, kReadWrite, 0, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(host_.WriteFile(file, "hello world", 11, &written, nullptr));
    EXPECT_EQ(written, 11u);
    EXPECT_TRUE(host_.FlushFileBuffers(file));
    DWORD high = 7;
    EXPECT_EQ(host_.GetFileSize(file, &high), 11u);
    EXPECT_EQ(high, 0u);

    EXPECT_EQ(host_.SetFilePointer(file, 6, nullptr, FILE_BEGIN), 6u);
    std::array<char, 16> buffer{};
    DWORD read = 0;
    ASSERT_TRUE(host_.ReadFile(file, buffer.data(), 16, &read, nullptr));
    EXPECT_EQ(read, 5u);  // a short read at the end of the file
    EXPECT_EQ(std::string(buffer.data(), read), "world");
    ASSERT_TRUE(host_.ReadFile(file, buffer.data(), 16, &read, nullptr));
    EXPECT_EQ(read, 0u);  // at the end: success, nothing moved
    EXPECT_TRUE(host_.CloseHandle(file));
    EXPECT_EQ(ReadText(path), "hello world");
}

struct Disposition {
    const char* name;
    bool exists;
    DWORD creation;
    bool opens;
    DWORD error;           // GetLastError after the call
    const char* contents;  // the file afterwards; nullptr: no file
};

class LinuxDispositions : public LinuxFiles, public ::testing::WithParamInterface<Disposition> {};

TEST_P(LinuxDispositions, FollowTheCreationDisposition) {
    const Disposition& c = GetParam();
    const std::string path = dir_ / "f.txt";
    if (c.exists) WriteText(path, "old");
    HANDLE file = Open(path, GENERIC_WRITE, 0, c.creation);
    EXPECT_EQ(host_.GetLastError(), c.error);
    EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens);
    if (file != INVALID_HANDLE_VALUE) {
        EXPECT_TRUE(host_.CloseHandle(file));
    }
    if (c.contents == nullptr) {
        EXPECT_FALSE(std::filesystem::exists(path));
    } else {
        EXPECT_EQ(ReadText(path), c.contents);
    }
}

INSTANTIATE_TEST_SUITE_P(
    All, LinuxDispositions,
    ::testing::Values(
        Disposition{"CreateNewAbsent", false, CREATE_NEW, true, ERROR_SUCCESS, ""},
        Disposition{"CreateNewPresent", true, CREATE_NEW, false, ERROR_FILE_EXISTS, "old"},
        Disposition{"CreateAlwaysAbsent", false, CREATE_ALWAYS, true, ERROR_SUCCESS, ""},
        Disposition{"CreateAlwaysPresent", true, CREATE_ALWAYS, true, ERROR_ALREADY_EXISTS, ""},
        Disposition{"OpenExistingAbsent", false, OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND,
                    nullptr},
        Disposition{"OpenExistingPresent", true, OPEN_EXISTING, true, ERROR_SUCCESS, "old"},
        Disposition{"OpenAlwaysAbsent", false, OPEN_ALWAYS, true, ERROR_SUCCESS, ""},
        Disposition{"OpenAlwaysPresent", true, OPEN_ALWAYS, true, ERROR_ALREADY_EXISTS, "old"},
        Disposition{"TruncateAbsent", false, TRUNCATE_EXISTING, false, ERROR_FILE_NOT_FOUND,
                    nullptr},
        Disposition{"TruncatePresent", true, TRUNCATE_EXISTING, true, ERROR_SUCCESS, ""},
        Disposition{"NoDisposition", true, 0, false, ERROR_INVALID_PARAMETER, "old"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(LinuxFiles, PathsWithBackslashesNameHostFiles) {
    std::filesystem::create_directory(dir_.path() / "sub");
    WriteText(dir_ / "sub/x.txt", "x");
    const std::string windowsPath = dir_.path().string() + "\\sub\\x.txt";
    HANDLE file = Open(windowsPath, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(host_.CloseHandle(file));
}

TEST_F(LinuxFiles, MissingFolderFolderAndDeviceNamesDoNotOpen) {
    struct Case {
        std::string name;
        DWORD error;
    };
    const Case cases[] = {
        {dir_ / "none/x.txt", ERROR_PATH_NOT_FOUND}, {dir_.path().string(), ERROR_ACCESS_DENIED},
        {"\\\\.\\vwin32", ERROR_FILE_NOT_FOUND},     {"\\\\.\\VWIN32", ERROR_FILE_NOT_FOUND},
        {"\\\\.\\E:", ERROR_FILE_NOT_FOUND},         {"Q:\\file.txt", ERROR_PATH_NOT_FOUND},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(host_.CreateFileA(c.name.c_str(), 0, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_DELETE_ON_CLOSE, nullptr),
                  INVALID_HANDLE_VALUE)
            << c.name;
        EXPECT_EQ(host_.GetLastError(), c.error) << c.name;
    }
}

TEST_F(LinuxFiles, AccessIsCheckedPerHandle) {
    const std::string path = dir_ / "r.txt";
    WriteText(path, "data");
    HANDLE reader = Open(path, GENERIC_READ, kShareBoth, OPEN_EXISTING);
    HANDLE writer = Open(path, GENERIC_WRITE, kShareBoth, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    char byte = 0;
    DWORD moved = 9;
    EXPECT_FALSE(host_.WriteFile(reader, "z", 1, &moved, nullptr));
    EXPECT_EQ(host_.GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(moved, 0u);
    EXPECT_FALSE(host_.FlushFileBuffers(reader));
    EXPECT_FALSE(host_.ReadFile(writer, &byte, 1, &moved, nullptr));
    EXPECT_EQ(host_.GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(host_.CloseHandle(reader));
    EXPECT_TRUE(host_.CloseHandle(writer));
    EXPECT_EQ(ReadText(path), "data");
}

TEST_F(LinuxFiles, HandlesAreOurOwnAndCloseOnce) {
    const std::string path = dir_ / "h.txt";
    HANDLE file = Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(host_.OpenHandles(), 1);
    EXPECT_TRUE(host_.CloseHandle(file));
    EXPECT_FALSE(host_.CloseHandle(file));
    EXPECT_EQ(host_.GetLastError(), ERROR_INVALID_HANDLE);
    // A file descriptor number is no handle.
    EXPECT_FALSE(
        host_.WriteFile(reinterpret_cast<HANDLE>(std::intptr_t{1}), "x", 1, nullptr, nullptr));
    EXPECT_EQ(host_.GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(host_.CloseHandle(INVALID_HANDLE_VALUE));
}

TEST_F(LinuxFiles, DeleteOnCloseRemovesTheFile) {
    const std::string path = dir_ / "gone.txt";
    HANDLE file = host_.CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_TRUE(host_.CloseHandle(file));
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(LinuxFiles, FilePointerMovesLikeWindows) {
    const std::string path = dir_ / "p.bin";
    WriteText(path, std::string(100, 'p'));
    HANDLE file = Open(path, kReadWrite, 0, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(host_.SetFilePointer(file, -10, nullptr, FILE_END), 90u);
    EXPECT_EQ(host_.SetFilePointer(file, 5, nullptr, FILE_CURRENT), 95u);
    EXPECT_EQ(host_.SetFilePointer(file, -96, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(host_.GetLastError(), kErrorNegativeSeek);
    EXPECT_EQ(host_.SetFilePointer(file, 0, nullptr, FILE_CURRENT), 95u);  // unmoved

    // 64-bit positions through the high part.
    LONG high = 1;
    EXPECT_EQ(host_.SetFilePointer(file, 0x10, &high, FILE_BEGIN), 0x10u);
    EXPECT_EQ(high, 1);
    high = 0;
    EXPECT_EQ(host_.SetFilePointer(file, 0, &high, FILE_CURRENT), 0x10u);
    EXPECT_EQ(high, 1);
    // Without a high part a position must fit in 32 bits.
    EXPECT_EQ(host_.SetFilePointer(file, 0, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(host_.SetFilePointer(file, 0, nullptr, 7), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(host_.GetLastError(), ERROR_INVALID_PARAMETER);

    // Writing after the end fills the gap with zero bytes.
    EXPECT_EQ(host_.SetFilePointer(file, 104, nullptr, FILE_BEGIN), 104u);
    DWORD written = 0;
    EXPECT_TRUE(host_.WriteFile(file, "!", 1, &written, nullptr));
    EXPECT_EQ(host_.GetFileSize(file, nullptr), 105u);
    EXPECT_TRUE(host_.CloseHandle(file));
    EXPECT_EQ(ReadText(path), std::string(100, 'p') + std::string(4, '\0') + "!");
}

struct ShareCase {
    const char* name;
    DWORD firstShare;
    DWORD secondShare;
    bool secondOpens;
};

class LinuxShareModes : public LinuxFiles, public ::testing::WithParamInterface<ShareCase> {};

TEST_P(LinuxShareModes, WithinOneProcess) {
    const ShareCase& c = GetParam();
    const std::string path = dir_ / "s.vrk";
    WriteText(path, "\x80");
    HANDLE first = Open(path, GENERIC_READ, c.firstShare, OPEN_EXISTING);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    HANDLE second = Open(path, GENERIC_READ, c.secondShare, OPEN_EXISTING);
    EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.secondOpens);
    if (second != INVALID_HANDLE_VALUE) {
        EXPECT_TRUE(host_.CloseHandle(second));
    } else {
        EXPECT_EQ(host_.GetLastError(), ERROR_SHARING_VIOLATION);
    }
    EXPECT_TRUE(host_.CloseHandle(first));
    // Once the first handle is closed, nothing is held any more.
    HANDLE exclusive = Open(path, GENERIC_READ, 0, OPEN_EXISTING);
    EXPECT_NE(exclusive, INVALID_HANDLE_VALUE);
    if (exclusive != INVALID_HANDLE_VALUE) {
        EXPECT_TRUE(host_.CloseHandle(exclusive));
    }
}

// Runs `body` in a child process that holds `path` open with `share` through
// its own host until the parent is done.
class HolderProcess {
  public:
    HolderProcess(const std::string& path, DWORD share) {
        int ready[2];
        int done[2];
        if (::pipe(ready) != 0 || ::pipe(done) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(done[1]);
            LinuxWin32 child;
            HANDLE file = child.CreateFileA(path.c_str(), GENERIC_READ, share, nullptr,
                                            OPEN_EXISTING, 0, nullptr);
            const char opened = file != INVALID_HANDLE_VALUE ? 'y' : 'n';
            (void)!::write(ready[1], &opened, 1);
            char wait = 0;
            (void)!::read(done[0], &wait, 1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(done[0]);
        done_ = done[1];
        char opened = 0;
        held_ = ::read(ready[0], &opened, 1) == 1 && opened == 'y';
        ::close(ready[0]);
    }
    ~HolderProcess() {
        if (done_ >= 0) ::close(done_);
        if (pid_ > 0) {
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    bool held() const { return held_; }

  private:
    pid_t pid_ = -1;
    int done_ = -1;
    bool held_ = false;
};

TEST_P(LinuxShareModes, AcrossProcesses) {
    const ShareCase& c = GetParam();
    const std::string path = dir_ / "s.vrk";
    WriteText(path, "\x80");
    HolderProcess holder(path, c.firstShare);
    ASSERT_TRUE(holder.held());
    HANDLE second = Open(path, GENERIC_READ, c.secondShare, OPEN_EXISTING);
    EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.secondOpens);
    if (second != INVALID_HANDLE_VALUE) {
        char byte = 0;
        DWORD read = 0;
        EXPECT_TRUE(host_.ReadFile(second, &byte, 1, &read, nullptr));
        EXPECT_EQ(static_cast<unsigned char>(byte), 0x80);
        EXPECT_TRUE(host_.CloseHandle(second));
    } else {
        EXPECT_EQ(host_.GetLastError(), ERROR_SHARING_VIOLATION);
    }
}

INSTANTIATE_TEST_SUITE_P(All, LinuxShareModes,
                         ::testing::Values(ShareCase{"SharingThenSharing", kShareBoth, kShareBoth,
                                                     true},
                                           ShareCase{"SharingThenExclusive", kShareBoth, 0, false},
                                           ShareCase{"ExclusiveThenSharing", 0, kShareBoth, false},
                                           ShareCase{"ExclusiveThenExclusive", 0, 0, false},
                                           ShareCase{"ReadSharingThenWriteSharing", FILE_SHARE_READ,
                                                     FILE_SHARE_WRITE, true}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(LinuxFiles, CreateAlwaysOnAHeldFileLeavesItWhole) {
    const std::string path = dir_ / "held.bin";
    WriteText(path, "keep");
    HolderProcess holder(path, 0);
    ASSERT_TRUE(holder.held());
    EXPECT_EQ(Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(host_.GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(ReadText(path), "keep");
}

TEST_F(LinuxFiles, CopyFileCopiesAndHonoursFailIfExists) {
    const std::string from = dir_ / "from.bin";
    const std::string to = dir_ / "to.bin";
    std::string payload(200000, '\0');
    for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(i * 7);
    WriteText(from, payload);
    EXPECT_TRUE(host_.CopyFileA(from.c_str(), to.c_str(), TRUE));
    EXPECT_EQ(ReadText(to), payload);

    WriteText(to, "other");
    EXPECT_FALSE(host_.CopyFileA(from.c_str(), to.c_str(), TRUE));
    EXPECT_EQ(host_.GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_EQ(ReadText(to), "other");
    EXPECT_TRUE(host_.CopyFileA(from.c_str(), to.c_str(), FALSE));
    EXPECT_EQ(ReadText(to), payload);

    // Onto itself: refused, and the file stays whole.
    EXPECT_FALSE(host_.CopyFileA(from.c_str(), from.c_str(), FALSE));
    EXPECT_EQ(host_.GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(ReadText(from), payload);

    EXPECT_FALSE(host_.CopyFileA((dir_ / "none").c_str(), to.c_str(), FALSE));
    EXPECT_EQ(host_.GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(LinuxFiles, DeleteFileRefusesOpenFilesAndFolders) {
    const std::string path = dir_ / "temp000.wav";
    WriteText(path, "RIFF");
    HANDLE file = Open(path, GENERIC_READ, kShareBoth, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(host_.DeleteFileA(path.c_str()));
    EXPECT_EQ(host_.GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(host_.CloseHandle(file));
    EXPECT_TRUE(host_.DeleteFileA(path.c_str()));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(host_.DeleteFileA(path.c_str()));
    EXPECT_EQ(host_.GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(host_.DeleteFileA(dir_.path().c_str()));
    EXPECT_EQ(host_.GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(LinuxFiles, CurrentDirectoryFollowsTheBufferRule) {
    const std::string cwd = std::filesystem::current_path().string();
    const auto length = static_cast<DWORD>(cwd.size());
    std::string small(4, '#');
    EXPECT_EQ(host_.GetCurrentDirectoryA(static_cast<DWORD>(small.size()), small.data()),
              length + 1);
    EXPECT_EQ(small, "####");
    std::string buffer(cwd.size() + 1, '#');
    EXPECT_EQ(host_.GetCurrentDirectoryA(length + 1, buffer.data()), length);
    EXPECT_EQ(buffer, cwd + '\0');
}

TEST_F(LinuxFiles, TheMachineIsOfTheNtFamily) {
    EXPECT_EQ(host_.GetVersion() & 0x80000000u, 0u);
    EXPECT_EQ(host_.GetVersion() & 0xFFu, 5u);
}

#ifdef KV_LINUX_PROCESS_TABLE
TEST_F(LinuxFiles, ProcessCallsReachTheProcessTable) {
    const std::string path = dir_ / "open.txt";
    HANDLE file = Open(path, GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);

    char commandLine[] = "\"/bin/true\"";
    STARTUPINFOA startup{};
    host_.GetStartupInfoA(&startup);
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(host_.CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr,
                                     nullptr, &startup, &info));
    EXPECT_EQ(host_.OpenHandles(), 3);  // the file, the process and its thread
    EXPECT_EQ(host_.WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(host_.CloseHandle(info.hThread));
    EXPECT_TRUE(host_.CloseHandle(info.hProcess));
    EXPECT_TRUE(host_.CloseHandle(file));

    char missing[] = "\"/nonexistent/kv-no-such-program\"";
    EXPECT_FALSE(host_.CreateProcessA(nullptr, missing, nullptr, nullptr, FALSE, 0, nullptr,
                                      nullptr, &startup, &info));
    EXPECT_NE(host_.GetLastError(), ERROR_SUCCESS);
}
#else
TEST_F(LinuxFiles, WithoutTheProcessTableNoChildStarts) {
    char commandLine[] = "\"/bin/true\"";
    STARTUPINFOA startup{};
    PROCESS_INFORMATION info{};
    EXPECT_FALSE(host_.CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr,
                                      nullptr, &startup, &info));
    EXPECT_EQ(host_.GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(host_.WinExec("/bin/true", SW_HIDE), 0u);
    EXPECT_EQ(host_.WaitForSingleObject(info.hProcess, INFINITE), WAIT_FAILED);
}
#endif

}  // namespace
}  // namespace win32::linux_host
