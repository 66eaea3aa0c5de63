// Files and programs of the simulated machine.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/win32/simulated/simulated_machine.h"
#include "testing/test_support.h"

namespace win32::sim {
namespace {

TEST(Files, CopyAndDeleteInTheMemoryTable) {
    SimulatedMachine machine(Flavour::Windows2K);
    machine.AddRemovableDisk('E', 512);
    machine.AddFile("C:\\WINNT\\tmptmp.tmp", "\r\ny\r\n\r\n");
    EXPECT_TRUE(machine.CopyFileA("C:\\winnt\\TMPTMP.TMP", "E:\\finish", FALSE));
    EXPECT_EQ(machine.FileContents("e:\\FINISH"), "\r\ny\r\n\r\n");
    EXPECT_FALSE(machine.CopyFileA("C:\\WINNT\\tmptmp.tmp", "E:\\finish", TRUE));
    EXPECT_EQ(machine.GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_FALSE(machine.CopyFileA("C:\\missing", "E:\\x", FALSE));
    EXPECT_EQ(machine.GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(machine.DeleteFileA("E:\\finish"));
    EXPECT_FALSE(machine.FileExists("E:\\finish"));
    EXPECT_FALSE(machine.DeleteFileA("E:\\finish"));

    machine.LoseDriveAt('E', 1);  // from now on
    EXPECT_FALSE(machine.CopyFileA("C:\\WINNT\\tmptmp.tmp", "E:\\finish", FALSE));
    EXPECT_EQ(machine.GetLastError(), ERROR_NOT_READY);
}

TEST(Files, OpenReadAndWriteAFile) {
    SimulatedMachine machine(Flavour::Windows98);
    EXPECT_EQ(machine.CreateFileA("C:\\WINDOWS\\command\\format.com", GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    machine.AddFile("C:\\WINDOWS\\command\\format.com", "MZ");
    HANDLE h = machine.CreateFileA("C:\\WINDOWS\\command\\format.com", GENERIC_READ,
                                   FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(machine.GetFileSize(h, nullptr), 2u);
    char buffer[8] = {};
    DWORD moved = 0;
    EXPECT_TRUE(machine.ReadFile(h, buffer, sizeof buffer, &moved, nullptr));
    EXPECT_EQ(moved, 2u);
    EXPECT_FALSE(machine.DeleteFileA("C:\\WINDOWS\\command\\format.com"));  // still open
    EXPECT_TRUE(machine.CloseHandle(h));

    HANDLE out = machine.CreateFileA("C:\\new.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(out, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(machine.WriteFile(out, "abc", 3, &moved, nullptr));
    EXPECT_TRUE(machine.CloseHandle(out));
    EXPECT_EQ(machine.FileContents("C:\\NEW.TXT"), "abc");
}

TEST(Files, HostPathsAndMappedFoldersAreRealFiles) {
    testing_support::TempDir dir;
    SimulatedMachine machine(Flavour::Windows2K);
    machine.MapDirectory("C:\\VOCNA", dir.path());
    { std::ofstream(dir / "song.mp3") << "ID3"; }
    EXPECT_TRUE(machine.CopyFileA("C:\\vocna\\song.mp3",
                                  (dir.path().string() + "\\kept.mp3").c_str(), FALSE));
    EXPECT_TRUE(std::filesystem::exists(dir / "kept.mp3"));
    EXPECT_TRUE(machine.DeleteFileA("C:\\VOCNA\\song.mp3"));
    EXPECT_FALSE(std::filesystem::exists(dir / "song.mp3"));
    // Relative names are taken from the current directory.
    machine.SetCurrentDirectory(dir.path().string());
    EXPECT_TRUE(machine.FileExists("kept.mp3"));
}

TEST(Processes, RunsThePolledNumberOfTimesThenEnds) {
    testing_support::TempDir dir;
    SimulatedMachine machine(Flavour::Windows2K);
    std::string seen;
    machine.OnProcess([&](const std::string& commandLine) {
        seen = commandLine;
        SimulatedProcess process;
        process.runningPolls = 2;
        process.atStart = [&] { std::ofstream(dir / "out.wav") << "RIFF"; };
        return process;
    });
    STARTUPINFOA startup{};
    startup.cb = 68;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    PROCESS_INFORMATION info{};
    char line[] = "\"C:\\towave.exe\" \"a.vrk\" \"b.wav\"";
    ASSERT_TRUE(machine.CreateProcessA(nullptr, line, nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                       &startup, &info));
    EXPECT_EQ(seen, line);
    EXPECT_TRUE(std::filesystem::exists(dir / "out.wav"));
    const Call& call = machine.Calls().back();
    EXPECT_EQ(call.name, line);
    EXPECT_TRUE(call.inheritHandles);
    ASSERT_TRUE(call.startupInfo);
    EXPECT_EQ(call.startupInfo->cb, 68u);
    EXPECT_EQ(machine.WaitForSingleObject(info.hProcess, 0), WAIT_TIMEOUT);
    EXPECT_EQ(machine.WaitForSingleObject(info.hProcess, 0), WAIT_TIMEOUT);
    EXPECT_EQ(machine.WaitForSingleObject(info.hProcess, 0), WAIT_OBJECT_0);
    EXPECT_EQ(machine.WaitForSingleObject(info.hProcess, 0), WAIT_OBJECT_0);
    EXPECT_EQ(machine.OpenHandles(), 2);
    machine.CloseHandle(info.hThread);
    machine.CloseHandle(info.hProcess);
    EXPECT_EQ(machine.OpenHandles(), 0);
}

TEST(Processes, StartFailureGivesNoHandle) {
    SimulatedMachine machine(Flavour::Windows2K);
    machine.OnProcess([](const std::string&) {
        SimulatedProcess process;
        process.startFails = true;
        return process;
    });
    STARTUPINFOA startup{};
    PROCESS_INFORMATION info{};
    char line[] = "\"C:\\missing.exe\"";
    EXPECT_FALSE(machine.CreateProcessA(nullptr, line, nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &info));
    EXPECT_EQ(machine.GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(machine.OpenHandles(), 0);
    EXPECT_EQ(machine.WinExec("cmd /c x", SW_HIDE), 2u);
    EXPECT_EQ(machine.system("x"), -1);
}

TEST(Processes, WinExecAndSystemAreRecordedWithTheirResults) {
    SimulatedMachine machine(Flavour::Windows98);
    EXPECT_EQ(machine.WinExec("cmd /c format", SW_HIDE), 33u);
    machine.SetWinExecResult(31);
    EXPECT_EQ(machine.WinExec("cmd /c format", SW_HIDE), 31u);
    EXPECT_FALSE(machine.Calls().back().ok);
    EXPECT_EQ(machine.Calls().back().show, SW_HIDE);
    EXPECT_EQ(machine.system("format E:"), 0);
    machine.SetSystemResult(-1);
    EXPECT_EQ(machine.system("format E:"), -1);
    EXPECT_EQ(machine.Calls().back().name, "format E:");
}

}  // namespace
}  // namespace win32::sim
