// The hidden "FormatNow" path on the Linux machine, end to end: Kerfa's
// application and dialog over LinuxWin32, the interpreter line run without a
// shell, this folder's format.com on a disk-image drive, the marker written
// into the new filesystem; fsck.fat and mtools read the result.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "format/ui/format_app.h"
#include "format/ui/format_dialog.h"
#include "format/ui/system_formatter.h"
#include "platform/dialog/scripted_host.h"
#include "platform/win32/linux/linux_win32.h"
#include "testing/test_support.h"

namespace kerfa {
namespace {

namespace sf = system_formatter;
using testing_support::CommandResult;
using testing_support::RunCommand;
using testing_support::ShellQuote;

constexpr std::uint64_t kImageBytes = 32u << 20;
// Boot sector fields that show what mkfs.fat was asked for.
constexpr std::size_t kSectorsPerClusterOffset = 13;
constexpr std::size_t kFileSystemTypeOffset = 54;

// A variable of this process's environment, put back when the scope ends.
class ScopedVariable {
  public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        if (const char* before = std::getenv(name)) before_ = before;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() {
        if (before_) {
            ::setenv(name_, before_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    const char* name_;
    std::optional<std::string> before_;
};

// The working directory for one scope.
class ScopedWorkingDirectory {
  public:
    explicit ScopedWorkingDirectory(const std::filesystem::path& dir)
        : before_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~ScopedWorkingDirectory() {
        std::error_code ignored;
        std::filesystem::current_path(before_, ignored);
    }
    ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
    ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

  private:
    std::filesystem::path before_;
};

struct LinuxRig {
    LinuxRig() : windows(dir.path() / "windows"), image(dir.path() / "player.img") {
        std::filesystem::create_directories(windows / "system32");
        std::filesystem::create_symlink(KV_FORMAT_COM, windows / "system32" / "format.com");
        testing_support::MakeSparseFile(image, kImageBytes);
        win32::linux_host::LinuxWin32Options options;
        options.images = {image.string()};
        options.blockDevices = false;
        options.windowsDirectory = windows.string();
        machine = std::make_unique<win32::linux_host::LinuxWin32>(options);
    }

    // The user's part: pick a mode, type the label, then the program's own
    // command for the hidden button; Yes to the erase warning.
    void Run(int modeButton, const std::string& label) {
        host.QueueClick(modeButton);
        host.Queue(dlg::Event::Type(kIdLabelBox, label));
        host.Queue(dlg::Event::Command(kIdFormatNowLegacy));
        host.Answer(dlg::IDYES);
        FormatApp app(host, *machine);
        app.StartUp();
    }

    CommandResult Mtools(const std::string& command) const {
        return RunCommand("MTOOLS_SKIP_CHECK=1 " + command + " -i " + ShellQuote(image.string()) +
                          " ::");
    }

    void ExpectFormattedAndClean() const {
        ASSERT_FALSE(host.Boxes().empty());
        EXPECT_EQ(host.Boxes().back().text, sf::kFormatComplete);
        EXPECT_EQ(host.Boxes().back().caption, sf::kCompleteCaption);
        const auto fsck =
            RunCommand("PATH=$PATH:/usr/sbin:/sbin fsck.fat -n " + ShellQuote(image.string()));
        EXPECT_EQ(fsck.exitCode, 0) << fsck.output;
        // Neither the answers file nor the marker is left.
        EXPECT_FALSE(std::filesystem::exists(windows / "tmptmp.tmp"));
        const auto root = Mtools("mdir -a -b");
        EXPECT_EQ(root.exitCode, 0) << root.output;
        EXPECT_EQ(root.output.find("FINISH"), std::string::npos) << root.output;
        EXPECT_EQ(machine->OpenHandles(), 0);
        EXPECT_EQ(host.CurrentCursor(), dlg::Cursor::Arrow);
    }

    testing_support::TempDir dir;
    std::filesystem::path windows;
    std::filesystem::path image;
    dlg::ScriptedHost host;
    std::unique_ptr<win32::linux_host::LinuxWin32> machine;
};

TEST(SystemFormatterLinux, FormatsAnImageDriveWithTheLabelInEachMode) {
    for (const int mode : {kIdQuick, kIdFull}) {
        SCOPED_TRACE(mode == kIdQuick ? "Quick" : "Full");
        LinuxRig rig;
        rig.Run(mode, "music");
        ASSERT_EQ(rig.host.Boxes().size(), 2u);
        EXPECT_EQ(rig.host.Boxes()[0].text, sf::kEraseQuestion);
        rig.ExpectFormattedAndClean();
        const auto label = rig.Mtools("mlabel -s");
        EXPECT_NE(label.output.find("Volume label is MUSIC"), std::string::npos) << label.output;
        const auto bytes = testing_support::ReadBytes(rig.image);
        ASSERT_GE(bytes.size(), kFileSystemTypeOffset + 8);
        EXPECT_EQ(bytes[kSectorsPerClusterOffset], 4);  // 2048-byte clusters
        EXPECT_EQ(std::string(bytes.begin() + kFileSystemTypeOffset,
                              bytes.begin() + kFileSystemTypeOffset + 8),
                  "FAT16   ");
    }
}

// Each label is one the label rule admits and that, run by an interpreter,
// would start a second program; every such program here leaves a file.
TEST(SystemFormatterLinux, ALabelThatWouldStartAProgramNeverStartsIt) {
    for (const std::string label :
         {"X&S", "A|S", "S^&S", "(S)&S", "50%&S", "A&touch PRF", "A|touch PRF"}) {
        SCOPED_TRACE(label);
        LinuxRig rig;
        const auto bin = rig.dir.path() / "bin";
        std::filesystem::create_directory(bin);
        const auto sentinel = rig.dir.path() / "sentinel";
        std::ofstream(bin / "S") << "#!/bin/sh\ntouch " << ShellQuote(sentinel.string()) << "\n";
        std::filesystem::permissions(bin / "S", std::filesystem::perms::owner_all);
        const auto work = rig.dir.path() / "work";
        std::filesystem::create_directory(work);
        {
            const ScopedVariable path("PATH", bin.string() + ":" + std::getenv("PATH"));
            const ScopedWorkingDirectory cwd(work);
            rig.Run(kIdQuick, label);
        }
        EXPECT_FALSE(std::filesystem::exists(sentinel));
        EXPECT_FALSE(std::filesystem::exists(work / "PRF"));
        ASSERT_EQ(rig.host.Boxes().size(), 3u);
        EXPECT_EQ(rig.host.Boxes()[1].caption, "Ingore!");
        rig.ExpectFormattedAndClean();
        // The formatter was given no label at all.
        const auto shown = rig.Mtools("mlabel -s");
        EXPECT_NE(shown.output.find("has no label"), std::string::npos) << shown.output;
    }
}

// Past the dialog's own check, the host's interpreter still refuses a line
// that holds a second command, and starts nothing.
TEST(SystemFormatterLinux, TheInterpreterRouteRefusesALineWithASecondCommand) {
    LinuxRig rig;
    const auto work = rig.dir.path() / "work";
    std::filesystem::create_directory(work);
    const std::string drive = std::string(1, rig.machine->Drives().front().letter) + ":";
    const std::string answers = sf::AnswersPath(rig.windows.string());
    std::ofstream(answers) << "\r\ny\r\n\r\n";
    for (const std::string label : {"A&touch PRF", "A|touch PRF", "(A)&touch PRF"}) {
        SCOPED_TRACE(label);
        const std::string line = sf::InterpreterCommandLine(
            sf::CommandLine(sf::FormatterPath(rig.windows.string(), "Windows2K"),
                            sf::Arguments(drive, "Windows2K", true, label), answers));
        const ScopedWorkingDirectory cwd(work);
        // 31 and less: nothing was started.
        EXPECT_LE(rig.machine->WinExec(line.c_str(), win32::SW_HIDE), 31u);
        EXPECT_FALSE(std::filesystem::exists(work / "PRF"));
    }
    EXPECT_EQ(rig.machine->OpenHandles(), 0);
}

}  // namespace
}  // namespace kerfa
