// Formatting through the operating system's own formatter: the command line,
// the answers file that feeds the formatter's prompts and the wait for the
// drive to take a file again. Dialog-free; FormatDialog::OnFormatNowLegacy
// shows the boxes around it.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "platform/win32/win32.h"

namespace kerfa::system_formatter {

// Every text of this path is English, whatever the system language.
inline constexpr char kEraseQuestion[] =
    "ALL DATA ON THIS DISK WILL BE LOST!\n\nAre you sure?(Y/N)";
inline constexpr char kInconsistentSystem[] = "Your Windows system is inconsistent!";
inline constexpr char kTempFileCaption[] = "Can not create temp file!";
inline constexpr char kFormatError[] = "Format error!";
inline constexpr char kFormatComplete[] = "Format complete!";
inline constexpr char kCompleteCaption[] = "congratulation!";
// Our own boxes, in the same style.
inline constexpr char kDiskDidNotComeBack[] = "The disk did not come back after formatting!";
inline constexpr char kInvalidDrive[] = "Invalid drive name!";
inline constexpr char kInvalidWindowsDirectory[] = "Invalid Windows directory!";

// GetWindowsDirectoryA's buffer, in characters.
constexpr win32::UINT kWindowsDirectoryChars = 300;

// The PlatformKind of Windows 98/ME; every other value is the NT family.
bool IsWindows98(const std::string& platform);

// The formatter of the platform, without the blank that separates it from
// its arguments on the command line.
std::string FormatterPath(const std::string& windowsDirectory, const std::string& platform);
std::string AnswersPath(const std::string& windowsDirectory);
// The answers as text; the file holds them with CR LF line ends.
std::string AnswersText(const std::string& platform);
// What a text-mode write puts on disk: every line feed becomes CR LF.
std::string TextFileBytes(const std::string& text);

// The drive followed directly by the switches: "E:/fs:fat /a:2048/q/v:MUSIC".
std::string Arguments(const std::string& drive, const std::string& platform, bool quick,
                      const std::string& label);
// "FORMATTER ARGUMENTS < ANSWERS".
std::string CommandLine(const std::string& formatterPath, const std::string& arguments,
                        const std::string& answersPath);
// The line the NT family starts: the interpreter runs the command line.
std::string InterpreterCommandLine(const std::string& commandLine);
// The file whose copy onto the drive tells that the formatter let go of it.
std::string MarkerPath(const std::string& drive);

// A drive letter and a colon.
bool IsDriveName(const std::string& drive);
// True when no byte of `text` means anything to a command interpreter: no
// blank or control character and none of & | < > ^ ( ) % ! " ' ` ; , = @.
bool IsCommandLineSafe(const std::string& text);
// A label that may go onto the command line: the volume label rule, and safe.
bool IsSafeLabel(const std::string& label);

// How long the drive may take to accept the marker once the formatter has
// ended: a few seconds of tries with a pause between them.
struct MarkerWait {
    int tries;
    std::chrono::milliseconds pause;
};
inline constexpr MarkerWait kMarkerWait{50, std::chrono::milliseconds(100)};

using Pause = std::function<void(std::chrono::milliseconds)>;
// Sleeps on the calling thread.
void SleepFor(std::chrono::milliseconds pause);

// Copies the answers file onto the marker (overwriting) until the drive takes
// it, at most `wait.tries` times, pausing between tries. True once it did.
bool PlaceMarker(win32::Win32& system, const std::string& answersPath,
                 const std::string& markerPath, const MarkerWait& wait, const Pause& pause);

// Starts the interpreter line hidden and waits for it to end. False when it
// could not be started, or the wait for it failed.
bool RunHiddenToEnd(win32::Win32& system, const std::string& line);

}  // namespace kerfa::system_formatter
