// kerfa-cli: Kerfa's dialog driven from the terminal. It runs FormatApp and
// FormatDialog as they are, over the Linux machine, and plays the user's part
// with a script: pick the drive, press the mode button, type the label, press
// "Format Now".
#include <getopt.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "format/disk/capacity.h"
#include "format/disk/drive_discovery.h"
#include "format/ui/format_app.h"
#include "format/ui/format_dialog.h"
#include "format/ui/system_formatter.h"
#include "format/ui/ui_texts.h"
#include "platform/dialog/code_page_text.h"
#include "platform/dialog/format_text.h"
#include "platform/dialog/terminal_host.h"
#include "platform/win32/linux/linux_win32.h"

namespace {

namespace linux_host = win32::linux_host;

constexpr int kExitResults = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitStopped = 130;  // as a shell reports a program ended by Ctrl-C

constexpr char kUsage[] =
    "usage: kerfa-cli --list [IMAGE...]\n"
    "       kerfa-cli [--quick|--full|--low] [--label TEXT] [--yes] [--no-devices] TARGET\n"
    "       kerfa-cli --system-formatter [--quick|--full] [--label TEXT] [--yes] [--no-devices]\n"
    "                 TARGET\n"
    "\n"
    "Formats the portable player's disk with Kerfa's dialog, driven from the terminal.\n"
    "\n"
    "TARGET is a drive name such as E: (see --list), a block device path such as\n"
    "/dev/sdb, or a disk-image file path; an image file becomes a removable drive of\n"
    "its own. kerfa-cli selects TARGET in the drive box, presses the mode button,\n"
    "types the label when one is given and presses \"Format Now\".\n"
    "\n"
    "  --list          print each drive offered for formatting, one a line: its drive\n"
    "                  name, what it is on this machine (\"device\" or \"image\" and its\n"
    "                  path), its size as the dialog shows it and its label; the\n"
    "                  IMAGE files named are offered too\n"
    "  --quick         Quick format (the default): bad-cluster marks of the old FAT\n"
    "                  are carried over\n"
    "  --full          Full format: clean FATs\n"
    "  --low           Low format: the whole disk is first written with 0xFF and read\n"
    "                  back; failing clusters are marked bad\n"
    "  --label TEXT    type TEXT into the volume label box (it holds 11 characters);\n"
    "                  without it the box keeps the label read from the disk\n"
    "  --yes           answer Yes to the erase warning and to the stop question\n"
    "  --no-devices    offer none of this machine's removable disks, only TARGET\n"
    "  --system-formatter\n"
    "                  the alternative path instead of \"Format Now\": the dialog's\n"
    "                  hidden \"FormatNow\" button, which formats TARGET with the\n"
    "                  system's formatter (FAT, 2048-byte clusters; --quick skips its\n"
    "                  read check, --full does it; no --low). That formatter is\n"
    "                  WINDOWS/system32/format.com (over mkfs.fat), WINDOWS being\n"
    "                  $KERFA_WINDOWS_DIR when set, else the folder kerfa-cli was built\n"
    "                  or installed with. A label unsafe on a command line is refused\n"
    "                  by the label box's own box and the disk gets none. The texts of\n"
    "                  this path are English; the formatter's own messages go to\n"
    "                  standard error\n"
    "  --help          show this text\n"
    "\n"
    "Every message box is printed on standard output: its caption on one line, then\n"
    "its text, then an empty line. Without --yes each question is asked on the\n"
    "terminal; with no terminal the answer is No. The progress line of a Low format\n"
    "is a live bar on a terminal, otherwise a line each time its whole percentage\n"
    "changes, and always its last state. Ctrl-C presses Stop, and the stop question\n"
    "follows. Why this machine refused a device (permission, busy, mounted) is\n"
    "printed on standard error. The texts follow the locale (LANG): English,\n"
    "Simplified Chinese (zh_CN) or Traditional Chinese (zh_TW, zh_HK, zh_SG).\n"
    "\n"
    "Exit status: 0 when the results box (with --system-formatter, the \"Format\n"
    "complete!\" box) appeared; 1 after a failure box, the no-drive box or the\n"
    "answer No to the erase warning; 2 for a usage error; 130 when the format was\n"
    "stopped.\n";

struct Command {
    bool list = false;
    bool noDevices = false;
    bool yes = false;
    bool systemFormatter = false;
    int mode = kerfa::kIdQuick;
    std::optional<std::string> label;
    std::vector<std::string> targets;
};

int UsageError(const char* why) {
    std::fprintf(stderr, "kerfa-cli: %s\n%s", why, kUsage);
    return kExitUsage;
}

// E: or e:, the form the drive box shows upper-cased.
bool IsDriveName(const std::string& target) {
    return target.size() == 2 && target[1] == ':' &&
           ((target[0] >= 'A' && target[0] <= 'Z') || (target[0] >= 'a' && target[0] <= 'z'));
}

std::string UpperDrive(std::string drive) {
    if (drive[0] >= 'a' && drive[0] <= 'z') drive[0] = static_cast<char>(drive[0] - 'a' + 'A');
    return drive;
}

linux_host::LinuxWin32Options Machine(const Command& command,
                                      const std::vector<std::string>& images) {
    linux_host::LinuxWin32Options machine;
    machine.images = images;
    machine.blockDevices = !command.noDevices;
    // Standard output carries the boxes alone; the system formatter talks on
    // standard error.
    machine.hiddenChildOutputToErrors = true;
    machine.reporter = [](const std::string& sentence) {
        std::fprintf(stderr, "kerfa-cli: %s\n", sentence.c_str());
    };
    return machine;
}

unsigned CodePageOf(win32::Win32& system) {
    return linux_host::AnsiCodePage(system.GetSystemDefaultLangID());
}

// ---- --list ------------------------------------------------------------------------

constexpr win32::DWORD kNameBytes = 150;
constexpr double kBytesPerMiB = 1048576.0;

int List(const Command& command) {
    std::vector<std::string> images;
    for (const auto& target : command.targets)
        if (!IsDriveName(target)) images.push_back(target);
    linux_host::LinuxWin32 system(Machine(command, images));
    const dlg::CodePageText text(CodePageOf(system));

    std::vector<std::string> drives;
    kerfa::disk::WalkDrives(system, drives);
    const std::string platform = kerfa::disk::GetPlatformKind(system);
    const auto known = system.Drives();
    for (const auto& drive : drives) {
        std::string what = "?";
        for (const auto& info : known) {
            if (info.letter == drive[0])
                what = std::string(info.isImage ? "image " : "device ") + info.path;
        }
        const std::uint32_t bytes = kerfa::disk::GetDiskBytes(system, platform, drive);
        const std::string size =
            dlg::Format(kerfa::kSizeFormat, static_cast<double>(bytes) / kBytesPerMiB);
        char label[kNameBytes] = {};
        char fileSystem[kNameBytes] = {};
        const std::string root = drive + "\\";
        const bool named =
            system.GetVolumeInformationA(root.c_str(), label, kNameBytes, nullptr, nullptr, nullptr,
                                         fileSystem, kNameBytes) != 0 &&
            label[0] != '\0';
        std::printf("%s  %s  %s  %s\n", drive.c_str(), what.c_str(), size.c_str(),
                    named ? text.ToUtf8(label).c_str() : "(no label)");
    }
    return kExitResults;
}

// ---- a format ---------------------------------------------------------------------------

int ExitStatus(const std::vector<dlg::TerminalBox>& boxes) {
    const std::string results(kerfa::kResultsCaption,
                              std::strchr(kerfa::kResultsCaption, '%') - kerfa::kResultsCaption);
    bool stopped = false;
    for (const auto& box : boxes) {
        if (box.caption.compare(0, results.size(), results) == 0) return kExitResults;
        if (box.caption == kerfa::system_formatter::kCompleteCaption) return kExitResults;
        if (box.caption == kerfa::kStopQueryCaption && box.answer == dlg::IDYES) stopped = true;
    }
    return stopped ? kExitStopped : kExitFailed;
}

int Format(const Command& command) {
    const std::string& target = command.targets.front();
    const bool byName = IsDriveName(target);
    linux_host::LinuxWin32 system(
        Machine(command, byName ? std::vector<std::string>{} : std::vector<std::string>{target}));
    std::string drive;
    if (byName) {
        drive = UpperDrive(target);
    } else {
        for (const auto& info : system.Drives())
            if (info.path == target) drive = std::string(1, info.letter) + ":";
        if (drive.empty()) {
            std::fprintf(stderr, "kerfa-cli: %s: no drive letter is left for it\n", target.c_str());
            return kExitFailed;
        }
    }

    dlg::TerminalOptions terminal;
    terminal.codePage = CodePageOf(system);
    terminal.questions = command.yes ? dlg::QuestionPolicy::AnswerYes : dlg::QuestionPolicy::Ask;
    terminal.progressControl = kerfa::kIdCurrentLine;
    terminal.interruptControl = kerfa::kIdExit;
    dlg::TerminalHost host(terminal);
    host.CatchInterrupts();

    host.QueueSelect(kerfa::kIdDriveBox, drive);
    host.Queue(dlg::Event::Click(command.mode));
    if (command.label) {
        // Typed on this terminal in UTF-8; the dialog takes its code page.
        std::string typed = host.text().FromUtf8(*command.label).value_or(*command.label);
        if (typed.size() > kerfa::kLabelLimit)
            std::fprintf(stderr, "kerfa-cli: the label box holds %zu characters: %s is cut\n",
                         kerfa::kLabelLimit, command.label->c_str());
        host.Queue(dlg::Event::Type(kerfa::kIdLabelBox, std::move(typed)));
    }
    // The hidden button cannot be clicked; the program's own command reaches it.
    host.Queue(command.systemFormatter ? dlg::Event::Command(kerfa::kIdFormatNowLegacy)
                                       : dlg::Event::Click(kerfa::kIdFormatNow));

    kerfa::FormatApp app(host, system);
    app.StartUp();

    if (host.MissingItem()) {
        std::fprintf(stderr,
                     "kerfa-cli: %s (%s) is not offered for formatting; see kerfa-cli --list\n",
                     target.c_str(), drive.c_str());
        return kExitFailed;
    }
    return ExitStatus(host.Boxes());
}

}  // namespace

int main(int argc, char** argv) {
    enum Option {
        kList = 256,
        kQuick,
        kFull,
        kLow,
        kLabel,
        kYes,
        kNoDevices,
        kSystemFormatter,
        kHelp
    };
    const option options[] = {
        {"list", no_argument, nullptr, kList},
        {"quick", no_argument, nullptr, kQuick},
        {"full", no_argument, nullptr, kFull},
        {"low", no_argument, nullptr, kLow},
        {"label", required_argument, nullptr, kLabel},
        {"yes", no_argument, nullptr, kYes},
        {"no-devices", no_argument, nullptr, kNoDevices},
        {"system-formatter", no_argument, nullptr, kSystemFormatter},
        {"help", no_argument, nullptr, kHelp},
        {nullptr, 0, nullptr, 0},
    };
    Command command;
    int modes = 0;
    opterr = 0;
    for (int c; (c = getopt_long(argc, argv, "", options, nullptr)) != -1;) {
        switch (c) {
            case kList:
                command.list = true;
                break;
            case kQuick:
            case kFull:
            case kLow:
                ++modes;
                command.mode = c == kQuick  ? kerfa::kIdQuick
                               : c == kFull ? kerfa::kIdFull
                                            : kerfa::kIdLow;
                break;
            case kLabel:
                command.label = optarg;
                break;
            case kYes:
                command.yes = true;
                break;
            case kNoDevices:
                command.noDevices = true;
                break;
            case kSystemFormatter:
                command.systemFormatter = true;
                break;
            case kHelp:
                std::fputs(kUsage, stdout);
                return kExitResults;
            default: {
                const std::string bad = argv[optind - 1] != nullptr ? argv[optind - 1] : "";
                return UsageError(("unknown option or missing value: " + bad).c_str());
            }
        }
    }
    for (int i = optind; i < argc; ++i) command.targets.emplace_back(argv[i]);

    if (command.list) {
        if (modes > 0 || command.label || command.yes || command.systemFormatter)
            return UsageError("--list takes no mode, label, --yes or --system-formatter");
        return List(command);
    }
    if (modes > 1) return UsageError("choose one of --quick, --full and --low");
    if (command.systemFormatter && command.mode == kerfa::kIdLow)
        return UsageError("the system formatter has no Low mode");
    if (command.targets.size() != 1) return UsageError("name one TARGET");
    if (command.targets.front().empty()) return UsageError("TARGET is empty");
    return Format(command);
}
