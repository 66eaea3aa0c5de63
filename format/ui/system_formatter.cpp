// The hidden "FormatNow" button: format the selected drive with the system's
// formatter instead of writing the system area ourselves.
#include "format/ui/system_formatter.h"

#include <string_view>
#include <thread>
#include <vector>

#include "format/layout/volume_label.h"
#include "format/ui/format_dialog.h"
#include "format/ui/ui_texts.h"

namespace kerfa {

namespace system_formatter {

namespace {

constexpr char kWindows98[] = "Windows98";
constexpr char kFormatter98[] = "\\command\\format.com";
constexpr char kFormatterNt[] = "\\system32\\format.com";
constexpr char kAnswersFile[] = "\\tmptmp.tmp";
constexpr char kMarkerFile[] = "\\finish";
// 98 asks only whether to go on; NT first wants ENTER for "insert the disk".
constexpr char kAnswers98[] = "y\n\n";
constexpr char kAnswersNt[] = "\ny\n\n";
constexpr char kNtSwitches[] = "/fs:fat /a:2048";
constexpr char kQuickSwitch[] = "/q";
constexpr char kLabelSwitch[] = "/v:";
constexpr char kInputRedirection[] = " < ";
constexpr char kInterpreterPrefix[] = "cmd /c ";

// What cmd and command.com act on outside the program's own reading of its
// arguments, and a few more that nobody needs in a path or label here.
constexpr std::string_view kInterpreterSpecials = "&|<>^()%!\"'`;,=@";
constexpr unsigned char kFirstPrintable = 0x21;  // the blank is a separator
constexpr unsigned char kDelete = 0x7F;

}  // namespace

bool IsWindows98(const std::string& platform) {
    return platform == kWindows98;
}

std::string FormatterPath(const std::string& windowsDirectory, const std::string& platform) {
    return windowsDirectory + (IsWindows98(platform) ? kFormatter98 : kFormatterNt);
}

std::string AnswersPath(const std::string& windowsDirectory) {
    return windowsDirectory + kAnswersFile;
}

std::string AnswersText(const std::string& platform) {
    return IsWindows98(platform) ? kAnswers98 : kAnswersNt;
}

std::string TextFileBytes(const std::string& text) {
    std::string bytes;
    for (const char c : text) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    return bytes;
}

std::string Arguments(const std::string& drive, const std::string& platform, bool quick,
                      const std::string& label) {
    std::string arguments = drive;
    if (!IsWindows98(platform)) arguments += kNtSwitches;
    if (quick) arguments += kQuickSwitch;
    return arguments + kLabelSwitch + label;
}

std::string CommandLine(const std::string& formatterPath, const std::string& arguments,
                        const std::string& answersPath) {
    return formatterPath + " " + arguments + kInputRedirection + answersPath;
}

std::string InterpreterCommandLine(const std::string& commandLine) {
    return kInterpreterPrefix + commandLine;
}

std::string MarkerPath(const std::string& drive) {
    return drive + kMarkerFile;
}

bool IsDriveName(const std::string& drive) {
    if (drive.size() != 2 || drive[1] != ':') return false;
    const char letter = drive[0];
    return (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
}

bool IsCommandLineSafe(const std::string& text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        // Bytes from 0x80 on are never one of the interpreter's ASCII signs.
        if (byte < kFirstPrintable || byte == kDelete) return false;
        if (kInterpreterSpecials.find(c) != std::string_view::npos) return false;
    }
    return true;
}

bool IsSafeLabel(const std::string& label) {
    return layout::IsValidLabel(label) != 0 && IsCommandLineSafe(label);
}

void SleepFor(std::chrono::milliseconds pause) {
    std::this_thread::sleep_for(pause);
}

bool PlaceMarker(win32::Win32& system, const std::string& answersPath,
                 const std::string& markerPath, const MarkerWait& wait, const Pause& pause) {
    for (int attempt = 1; attempt <= wait.tries; ++attempt) {
        if (system.CopyFileA(answersPath.c_str(), markerPath.c_str(), win32::FALSE)) return true;
        if (attempt < wait.tries) pause(wait.pause);
    }
    return false;
}

bool RunHiddenToEnd(win32::Win32& system, const std::string& line) {
    // WinExec would start it the same way but give nothing to wait on.
    win32::STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = win32::STARTF_USESHOWWINDOW;
    startup.wShowWindow = win32::SW_HIDE;
    win32::PROCESS_INFORMATION process{};
    std::vector<char> writable(line.begin(), line.end());
    writable.push_back('\0');
    if (!system.CreateProcessA(nullptr, writable.data(), nullptr, nullptr, win32::FALSE, 0, nullptr,
                               nullptr, &startup, &process)) {
        return false;
    }
    const win32::DWORD waited = system.WaitForSingleObject(process.hProcess, win32::INFINITE);
    system.CloseHandle(process.hThread);
    system.CloseHandle(process.hProcess);
    return waited == win32::WAIT_OBJECT_0;
}

}  // namespace system_formatter

namespace {

namespace sf = system_formatter;

// The wait cursor for the length of one run; the arrow again on every way out.
class WaitCursor {
  public:
    explicit WaitCursor(dlg::Dialog& dialog) : dialog_(dialog) {
        dialog_.SetCursor(dlg::Cursor::Wait);
    }
    ~WaitCursor() { dialog_.SetCursor(dlg::Cursor::Arrow); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    dlg::Dialog& dialog_;
};

// The Windows directory, or nothing when the system gives none that fits.
bool ReadWindowsDirectory(win32::Win32& system, std::string& directory) {
    char buffer[sf::kWindowsDirectoryChars] = {};
    const win32::UINT length = system.GetWindowsDirectoryA(buffer, sf::kWindowsDirectoryChars);
    if (length == 0 || length >= sf::kWindowsDirectoryChars) return false;
    directory.assign(buffer, length);
    return true;
}

bool FileExists(win32::Win32& system, const std::string& path) {
    const win32::HANDLE file =
        system.CreateFileA(path.c_str(), win32::GENERIC_READ, win32::FILE_SHARE_READ, nullptr,
                           win32::OPEN_EXISTING, win32::FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == win32::INVALID_HANDLE_VALUE) return false;
    system.CloseHandle(file);
    return true;
}

}  // namespace

void FormatDialog::OnFormatNowLegacy() {
    UpdateData(true);  // a failed save leaves the members as they are
    if (MessageBox(sf::kEraseQuestion, kWarningCaption, dlg::MB_YESNO | dlg::MB_ICONINFORMATION) !=
        dlg::IDYES)
        return;

    auto sorry = [this](const std::string& text) {
        MessageBox(text, kSorryCaption, dlg::MB_ICONERROR);
    };
    std::string windows;
    if (!ReadWindowsDirectory(system(), windows)) return sorry(sf::kInconsistentSystem);
    // The directory and the drive go onto a command line unquoted.
    if (!sf::IsCommandLineSafe(windows)) {
        return sorry(std::string(sf::kInvalidWindowsDirectory) + "\n\n" + windows);
    }
    const std::string drive = SelectedDrive();
    if (!sf::IsDriveName(drive)) return sorry(sf::kInvalidDrive);

    const std::string formatter = sf::FormatterPath(windows, m_strPlatform);
    if (!FileExists(system(), formatter)) return sorry(sf::kInconsistentSystem);

    const std::string answers = sf::AnswersPath(windows);
    if (!WriteAnswerFile(answers)) return;

    // The label box's own refusal; the format goes on without a label.
    if (!sf::IsSafeLabel(m_strLabel)) {
        MessageBox(m_strBadLabel, kBadLabelCaption, dlg::MB_ICONINFORMATION);
        m_strLabel.clear();
        UpdateData(false);
    }
    const std::string commandLine = sf::CommandLine(
        formatter, sf::Arguments(drive, m_strPlatform, m_bQuick != 0, m_strLabel), answers);

    const WaitCursor waitCursor(*this);
    // Both routes return once the formatter has ended: system waits by itself.
    const bool ran = sf::IsWindows98(m_strPlatform)
                         ? system().system(commandLine.c_str()) != -1
                         : sf::RunHiddenToEnd(system(), sf::InterpreterCommandLine(commandLine));
    if (!ran) {
        system().DeleteFileA(answers.c_str());
        return sorry(sf::kFormatError);
    }

    const std::string marker = sf::MarkerPath(drive);
    const bool back = sf::PlaceMarker(system(), answers, marker, sf::kMarkerWait, sf::SleepFor);
    if (back) system().DeleteFileA(marker.c_str());
    system().DeleteFileA(answers.c_str());
    if (!back) return sorry(sf::kDiskDidNotComeBack);

    MessageBox(sf::kFormatComplete, sf::kCompleteCaption, dlg::MB_OK);
}

bool FormatDialog::WriteAnswerFile(const std::string& path) {
    const std::string bytes = sf::TextFileBytes(sf::AnswersText(m_strPlatform));
    const win32::HANDLE file =
        system().CreateFileA(path.c_str(), win32::GENERIC_WRITE, 0, nullptr, win32::CREATE_ALWAYS,
                             win32::FILE_ATTRIBUTE_NORMAL, nullptr);
    bool written = false;
    if (file != win32::INVALID_HANDLE_VALUE) {
        win32::DWORD moved = 0;
        const auto size = static_cast<win32::DWORD>(bytes.size());
        written = system().WriteFile(file, bytes.data(), size, &moved, nullptr) && moved == size;
        written = system().CloseHandle(file) && written;
        // A half-written file would feed the formatter wrong answers.
        if (!written) system().DeleteFileA(path.c_str());
    }
    if (!written) MessageBox(path, sf::kTempFileCaption, dlg::MB_OK);
    return written;
}

}  // namespace kerfa
