// Child processes on the Linux host, started from Windows command lines.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/linux/command_line.h"
#include "platform/win32/linux/linux_processes.h"
#include "testing/test_support.h"

namespace win32::linux_host {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

// Bounds the loops that wait for the kernel to show a child's state.
constexpr int kStateLooks = 30000;

// The state letter of our child `pid` in /proc ('Z' for a zombie), or
// nothing once it is gone (or no longer ours).
std::optional<char> ChildState(pid_t pid) {
    // A process of another test may end while its entry is read: read with
    // plain calls, whose failure just means "gone".
    std::string stat;
    const int fd = ::open(("/proc/" + std::to_string(pid) + "/stat").c_str(), O_RDONLY);
    if (fd < 0) return std::nullopt;
    char chunk[512];
    ssize_t got;
    while ((got = ::read(fd, chunk, sizeof chunk)) > 0)
        stat.append(chunk, static_cast<std::size_t>(got));
    ::close(fd);
    const auto end = stat.rfind(')');
    if (end == std::string::npos || end + 4 > stat.size()) return std::nullopt;
    const char state = stat[end + 2];
    const long parent = std::strtol(stat.c_str() + end + 4, nullptr, 10);
    if (parent != ::getpid()) return std::nullopt;
    return state;
}

std::vector<pid_t> ZombieChildren() {
    std::vector<pid_t> zombies;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const pid_t pid = static_cast<pid_t>(std::stol(name));
        if (ChildState(pid) == 'Z') zombies.push_back(pid);
    }
    return zombies;
}

// Waits (boundedly) until our child `pid` is in `state`, or gone when
// `state` is empty.
bool ChildReaches(pid_t pid, std::optional<char> state) {
    for (int look = 0; look < kStateLooks; ++look) {
        if (ChildState(pid) == state) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

struct ProbeReport {
    std::string workingDirectory;
    std::string value;
    std::string input;
    Args argv;
};

class ProcessesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(toolDir_);
        fs::copy_file(KV_PROCESS_PROBE, probe_);
        ::setenv("KV_PROBE_OUT", out_.c_str(), 1);
        for (const char* name :
             {"KV_PROBE_VALUE", "KV_PROBE_STDIN", "KV_PROBE_WAIT_FOR", "KV_PROBE_EXIT"}) {
            ::unsetenv(name);
        }
    }
    void TearDown() override {
        ::unsetenv("KV_PROBE_OUT");
        EXPECT_EQ(ZombieChildren(), std::vector<pid_t>{});
    }

    // The tool's command line as the conversion chain builds it: the quoted
    // program path with a blank before the closing quote.
    std::string ProbeLine(const std::string& arguments) const {
        return "\"" + probe_.string() + " \" " + arguments;
    }

    BOOL Start(const std::string& line, PROCESS_INFORMATION* info, const char* directory = nullptr,
               void* environment = nullptr) {
        std::vector<char> writable(line.begin(), line.end());
        writable.push_back('\0');
        STARTUPINFOA startup{};
        processes_.GetStartupInfoA(&startup);
        startup.cb = 68;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        return processes_.CreateProcessA(nullptr, writable.data(), nullptr, nullptr, TRUE, 0,
                                         environment, directory, &startup, info);
    }

    // Starts, waits for the end and closes both handles; the exit code.
    DWORD Run(const std::string& line, const char* directory = nullptr,
              void* environment = nullptr) {
        PROCESS_INFORMATION info{};
        EXPECT_EQ(Start(line, &info, directory, environment), TRUE) << line;
        EXPECT_EQ(processes_.WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
        DWORD code = 0;
        EXPECT_EQ(processes_.GetExitCodeProcess(info.hProcess, &code), TRUE);
        EXPECT_EQ(processes_.CloseHandle(info.hThread), TRUE);
        EXPECT_EQ(processes_.CloseHandle(info.hProcess), TRUE);
        return code;
    }

    ProbeReport Report() const {
        std::ifstream in(out_, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        std::vector<std::string> fields;
        std::string field;
        for (const char c : text) {
            if (c == '\0') {
                fields.push_back(field);
                field.clear();
            } else {
                field += c;
            }
        }
        ProbeReport report;
        if (fields.size() < 3) return report;
        report.workingDirectory = fields[0];
        report.value = fields[1];
        report.input = fields[2];
        report.argv.assign(fields.begin() + 3, fields.end());
        return report;
    }

    testing_support::TempDir temp_;
    const fs::path toolDir_ = temp_ / "tool dir";
    const fs::path probe_ = toolDir_ / "probe.exe";
    const fs::path out_ = temp_ / "report.bin";
    Processes processes_;
};

TEST_F(ProcessesTest, StartsTheFirstTokenWithTheArgumentsSplit) {
    const std::string input = (temp_ / "in put.wav").string();
    EXPECT_EQ(Run(ProbeLine("-b 32 --resample 16 \"" + input + "\" \"a\\\"b\"  x\\y")), 0u);
    EXPECT_EQ(Report().argv,
              (Args{probe_.string(), "-b", "32", "--resample", "16", input, "a\"b", "x\\y"}));
    EXPECT_EQ(processes_.OpenHandles(), 0);
}

TEST_F(ProcessesTest, ApplicationNameNamesTheProgramAndTheLineGivesArgv) {
    std::string line = "first second";
    PROCESS_INFORMATION info{};
    ASSERT_EQ(processes_.CreateProcessA(probe_.c_str(), line.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, nullptr, &info),
              TRUE);
    EXPECT_EQ(processes_.WaitForSingleObject(info.hThread, INFINITE), WAIT_OBJECT_0);
    processes_.CloseHandle(info.hThread);
    processes_.CloseHandle(info.hProcess);
    EXPECT_EQ(Report().argv, (Args{"first", "second"}));
}

TEST_F(ProcessesTest, ChildInheritsWorkingDirectoryAndEnvironment) {
    const fs::path before = fs::current_path();
    fs::current_path(temp_.path());
    ::setenv("KV_PROBE_VALUE", "inherited", 1);
    // A relative program path, as from our working directory.
    EXPECT_EQ(Run("\"tool dir/probe.exe\""), 0u);
    fs::current_path(before);
    const ProbeReport report = Report();
    EXPECT_EQ(report.workingDirectory, temp_.path().string());
    EXPECT_EQ(report.value, "inherited");
}

TEST_F(ProcessesTest, TakesTheGivenDirectoryAndEnvironmentBlock) {
    const fs::path work = temp_ / "work";
    fs::create_directory(work);
    const std::string block = "KV_PROBE_OUT=" + out_.string() + std::string(1, '\0') +
                              "KV_PROBE_VALUE=from block" + std::string(2, '\0');
    std::vector<char> environment(block.begin(), block.end());
    const fs::path before = fs::current_path();
    fs::current_path(temp_.path());
    EXPECT_EQ(Run("\"tool dir/probe.exe\"", work.c_str(), environment.data()), 0u);
    fs::current_path(before);
    const ProbeReport report = Report();
    EXPECT_EQ(report.workingDirectory, work.string());
    EXPECT_EQ(report.value, "from block");
}

TEST_F(ProcessesTest, ZeroTimeOutPollsARunningChild) {
    const fs::path release = temp_ / "release";
    ::setenv("KV_PROBE_WAIT_FOR", release.c_str(), 1);
    PROCESS_INFORMATION info{};
    ASSERT_EQ(Start(ProbeLine(""), &info), TRUE);
    EXPECT_NE(info.hProcess, info.hThread);
    EXPECT_TRUE(processes_.Owns(info.hProcess));
    EXPECT_TRUE(processes_.Owns(info.hThread));
    EXPECT_EQ(processes_.OpenHandles(), 2);
    EXPECT_EQ(processes_.WaitForSingleObject(info.hProcess, 0), WAIT_TIMEOUT);
    EXPECT_EQ(processes_.WaitForSingleObject(info.hThread, 0), WAIT_TIMEOUT);
    EXPECT_EQ(processes_.WaitForSingleObject(info.hProcess, 5), WAIT_TIMEOUT);
    DWORD code = 0;
    EXPECT_EQ(processes_.GetExitCodeProcess(info.hProcess, &code), TRUE);
    EXPECT_EQ(code, STILL_ACTIVE);

    testing_support::WriteBytes(release, {});
    DWORD result = WAIT_TIMEOUT;
    while (result == WAIT_TIMEOUT) result = processes_.WaitForSingleObject(info.hProcess, 0);
    EXPECT_EQ(result, WAIT_OBJECT_0);
    EXPECT_EQ(processes_.WaitForSingleObject(info.hThread, 0), WAIT_OBJECT_0);
    EXPECT_EQ(ChildState(static_cast<pid_t>(info.dwProcessId)), std::nullopt);
    processes_.CloseHandle(info.hThread);
    processes_.CloseHandle(info.hProcess);
    EXPECT_FALSE(processes_.Owns(info.hProcess));
    EXPECT_EQ(processes_.OpenHandles(), 0);
}

TEST_F(ProcessesTest, KeepsTheExitCodeAfterTheChildIsReaped) {
    ::setenv("KV_PROBE_EXIT", "7", 1);
    PROCESS_INFORMATION info{};
    ASSERT_EQ(Start(ProbeLine(""), &info), TRUE);
    EXPECT_EQ(processes_.WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(processes_.CloseHandle(info.hThread), TRUE);
    DWORD code = 0;
    EXPECT_EQ(processes_.GetExitCodeProcess(info.hProcess, &code), TRUE);
    EXPECT_EQ(code, 7u);
    EXPECT_EQ(processes_.WaitForSingleObject(info.hProcess, 0), WAIT_OBJECT_0);
    EXPECT_EQ(processes_.GetExitCodeProcess(info.hProcess, &code), TRUE);
    EXPECT_EQ(code, 7u);
    processes_.CloseHandle(info.hProcess);
}

TEST_F(ProcessesTest, ReportsASignalDeathAs128PlusTheSignal) {
    ::setenv("KV_PROBE_WAIT_FOR", (temp_ / "never").c_str(), 1);
    PROCESS_INFORMATION info{};
    ASSERT_EQ(Start(ProbeLine(""), &info), TRUE);
    ::kill(static_cast<pid_t>(info.dwProcessId), SIGKILL);
    EXPECT_EQ(processes_.WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
    DWORD code = 0;
    processes_.GetExitCodeProcess(info.hProcess, &code);
    EXPECT_EQ(code, 128u + SIGKILL);
    processes_.CloseHandle(info.hThread);
    processes_.CloseHandle(info.hProcess);
}

TEST_F(ProcessesTest, AFailedStartSaysWhy) {
    const fs::path plain = temp_ / "plain.txt";
    testing_support::WriteBytes(plain, {'h', 'i', '\n'});
    const fs::path script = temp_ / "script";
    testing_support::WriteBytes(script, {'e', 'c', 'h', 'o', '\n'});
    fs::permissions(script, fs::perms::owner_all);
    struct Case {
        std::string line;
        const char* directory;
        DWORD error;
    };
    const Case cases[] = {
        {"\"" + (temp_ / "missing.exe").string() + "\" x", nullptr, ERROR_FILE_NOT_FOUND},
        {"no-such-program-of-kerfa-or-vocna", nullptr, ERROR_FILE_NOT_FOUND},
        {"", nullptr, ERROR_FILE_NOT_FOUND},
        {"\"" + (plain / "x").string() + "\"", nullptr, ERROR_PATH_NOT_FOUND},
        {"\"" + plain.string() + "\"", nullptr, ERROR_ACCESS_DENIED},
        {"\"" + toolDir_.string() + "\"", nullptr, ERROR_ACCESS_DENIED},
        {"\"" + script.string() + "\"", nullptr, 193},        // not a program file
        {ProbeLine(""), "/nonexistent-folder", 267},          // not a directory
        {"cmd /c " + probe_.string() + " a|b", nullptr, 11},  // refused by the interpreter
    };
    for (const Case& c : cases) {
        PROCESS_INFORMATION info{};
        EXPECT_EQ(Start(c.line, &info, c.directory), FALSE) << c.line;
        EXPECT_EQ(processes_.LastError(), c.error) << c.line;
        EXPECT_EQ(info.hProcess, nullptr);
        EXPECT_EQ(processes_.OpenHandles(), 0);
    }
    EXPECT_FALSE(fs::exists(out_));
}

TEST_F(ProcessesTest, RefusesStandardHandlesItCannotHandOver) {
    std::string line = ProbeLine("");
    STARTUPINFOA startup{};
    processes_.GetStartupInfoA(&startup);
    EXPECT_EQ(startup.cb, sizeof startup);
    startup.dwFlags = 0x100;  // STARTF_USESTDHANDLES
    PROCESS_INFORMATION info{};
    EXPECT_EQ(processes_.CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &info),
              FALSE);
    EXPECT_EQ(processes_.LastError(), ERROR_NOT_SUPPORTED);
}

TEST_F(ProcessesTest, ForeignHandlesFail) {
    int somethingElse = 0;
    for (HANDLE handle : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE,
                          static_cast<HANDLE>(&somethingElse)}) {
        EXPECT_FALSE(processes_.Owns(handle));
        EXPECT_EQ(processes_.WaitForSingleObject(handle, 0), WAIT_FAILED);
        EXPECT_EQ(processes_.LastError(), ERROR_INVALID_HANDLE);
        EXPECT_EQ(processes_.CloseHandle(handle), FALSE);
        EXPECT_EQ(processes_.LastError(), ERROR_INVALID_HANDLE);
    }
    PROCESS_INFORMATION info{};
    ASSERT_EQ(Start(ProbeLine(""), &info), TRUE);
    processes_.CloseHandle(info.hThread);
    EXPECT_EQ(processes_.WaitForSingleObject(info.hThread, INFINITE), WAIT_FAILED);
    EXPECT_EQ(processes_.WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
    processes_.CloseHandle(info.hProcess);
}

TEST_F(ProcessesTest, ClosingARunningChildLeavesNoZombie) {
    const fs::path release = temp_ / "release";
    ::setenv("KV_PROBE_WAIT_FOR", release.c_str(), 1);
    PROCESS_INFORMATION info{};
    ASSERT_EQ(Start(ProbeLine(""), &info), TRUE);
    const pid_t pid = static_cast<pid_t>(info.dwProcessId);
    processes_.CloseHandle(info.hThread);
    processes_.CloseHandle(info.hProcess);
    EXPECT_NE(ChildState(pid), 'Z');  // not killed by the close
    testing_support::WriteBytes(release, {});
    ASSERT_TRUE(ChildReaches(pid, 'Z'));
    // The next call of any kind reaps it.
    EXPECT_EQ(processes_.WaitForSingleObject(nullptr, 0), WAIT_FAILED);
    EXPECT_EQ(ChildState(pid), std::nullopt);
    EXPECT_EQ(Report().argv.size(), 1u);
}

TEST_F(ProcessesTest, TheTableReapsOnItsWayOut) {
    const fs::path release = temp_ / "release";
    pid_t ended = 0;
    pid_t running = 0;
    {
        Processes processes;
        std::string line = ProbeLine("");
        PROCESS_INFORMATION info{};
        ASSERT_EQ(processes.CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                           nullptr, nullptr, &info),
                  TRUE);
        ended = static_cast<pid_t>(info.dwProcessId);
        ::setenv("KV_PROBE_WAIT_FOR", release.c_str(), 1);
        ASSERT_EQ(processes.CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                           nullptr, nullptr, &info),
                  TRUE);
        running = static_cast<pid_t>(info.dwProcessId);
        ASSERT_TRUE(ChildReaches(ended, 'Z'));
        // Handles left open on purpose: the table goes with them.
    }
    EXPECT_EQ(ChildState(ended), std::nullopt);
    EXPECT_TRUE(ChildState(running).has_value());  // still running, not killed
    testing_support::WriteBytes(release, {});
    EXPECT_TRUE(ChildReaches(running, std::nullopt));
}

TEST_F(ProcessesTest, WinExecStartsWithoutWaitingAndTheChildCanBeAwaited) {
    const fs::path release = temp_ / "release";
    ::setenv("KV_PROBE_WAIT_FOR", release.c_str(), 1);
    EXPECT_GT(processes_.WinExec(ProbeLine("one \"t w o\"").c_str(), SW_HIDE), 31u);
    HANDLE started = processes_.OpenLastWinExecProcess();
    ASSERT_NE(started, nullptr);
    EXPECT_EQ(processes_.WaitForSingleObject(started, 0), WAIT_TIMEOUT);
    testing_support::WriteBytes(release, {});
    EXPECT_EQ(processes_.WaitForSingleObject(started, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(processes_.CloseHandle(started), TRUE);
    EXPECT_EQ(Report().argv, (Args{probe_.string(), "one", "t w o"}));
    EXPECT_EQ(processes_.OpenHandles(), 0);
}

TEST_F(ProcessesTest, WinExecFailuresAreSmallCodes) {
    EXPECT_EQ(processes_.WinExec((temp_ / "missing.exe").c_str(), SW_HIDE), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(processes_.OpenLastWinExecProcess(), nullptr);
    EXPECT_EQ(processes_.WinExec(nullptr, SW_HIDE), 11u);
    const fs::path script = temp_ / "script";
    testing_support::WriteBytes(script, {'x', '\n'});
    fs::permissions(script, fs::perms::owner_all);
    EXPECT_EQ(processes_.WinExec(script.c_str(), SW_HIDE), 11u);  // no program file
}

TEST_F(ProcessesTest, TheInterpreterRouteFeedsTheInputFile) {
    const fs::path answers = temp_ / "answers file.tmp";
    testing_support::WriteBytes(answers, {'\r', '\n', 'y', '\r', '\n', '\r', '\n'});
    ::setenv("KV_PROBE_STDIN", "1", 1);
    // As the formatter path starts it: cmd /c, the program, its arguments
    // without blanks between pieces, the answers file on standard input. The
    // outer quotes go, as the interpreter drops them.
    const std::string line = "cmd /c \"\"" + probe_.string() + "\" E:/fs:fat /a:2048/v:MUSIC < \"" +
                             answers.string() + "\"\"";
    EXPECT_GT(processes_.WinExec(line.c_str(), SW_HIDE), 31u);
    HANDLE started = processes_.OpenLastWinExecProcess();
    ASSERT_NE(started, nullptr);
    EXPECT_EQ(processes_.WaitForSingleObject(started, INFINITE), WAIT_OBJECT_0);
    processes_.CloseHandle(started);
    const ProbeReport report = Report();
    EXPECT_EQ(report.argv, (Args{probe_.string(), "E:/fs:fat", "/a:2048/v:MUSIC"}));
    EXPECT_EQ(report.input, "\r\ny\r\n\r\n");
}

TEST_F(ProcessesTest, NoLabelStartsASecondCommand) {
    const fs::path answers = temp_ / "answers.tmp";
    testing_support::WriteBytes(answers, {'y'});
    const fs::path injected = temp_ / "injected";
    const std::string touch = "touch " + injected.string();
    const std::string labels[] = {"A|" + touch,   "X&" + touch, "A^&" + touch, "(A)&" + touch,
                                  "50%&" + touch, "A|B",        "X&Y",         "A^B",
                                  "(A)",          "50%"};
    const std::string program = probe_.string();
    for (const std::string& label : labels) {
        const std::string arguments = " E:/fs:fat /a:2048/v:" + label + " < " + answers.string();
        EXPECT_EQ(processes_.WinExec(("cmd /c " + program + arguments).c_str(), SW_HIDE), 11u)
            << label;
        EXPECT_EQ(processes_.OpenLastWinExecProcess(), nullptr);
        EXPECT_EQ(processes_.system((program + arguments).c_str()), -1) << label;
    }
    EXPECT_FALSE(fs::exists(injected));
    EXPECT_FALSE(fs::exists(out_));
}

TEST_F(ProcessesTest, SystemRunsTheCommandAndWaits) {
    EXPECT_EQ(processes_.system(nullptr), 1);
    const fs::path answers = temp_ / "answers.tmp";
    testing_support::WriteBytes(answers, {'y', '\r', '\n', '\r', '\n'});
    ::setenv("KV_PROBE_STDIN", "1", 1);
    ::setenv("KV_PROBE_EXIT", "3", 1);
    const std::string line = "\"" + probe_.string() + "\" E:/q/v:MUSIC < " + answers.string();
    EXPECT_EQ(processes_.system(line.c_str()), 3);
    const ProbeReport report = Report();
    EXPECT_EQ(report.argv, (Args{probe_.string(), "E:/q/v:MUSIC"}));
    EXPECT_EQ(report.input, "y\r\n\r\n");
    EXPECT_EQ(processes_.OpenHandles(), 0);
}

TEST_F(ProcessesTest, SystemFailsWhenNothingCanStart) {
    EXPECT_EQ(processes_.system((temp_ / "missing.exe").c_str()), -1);
    EXPECT_EQ(processes_.LastError(), ERROR_FILE_NOT_FOUND);
    const std::string noInput = "\"" + probe_.string() + "\" < " + (temp_ / "none").string();
    EXPECT_EQ(processes_.system(noInput.c_str()), -1);
    EXPECT_FALSE(fs::exists(out_));
}

}  // namespace
}  // namespace win32::linux_host
