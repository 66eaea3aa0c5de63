// The command interpreter's part of a command line ("cmd /c LINE", and the
// line that the C library's system() hands to the interpreter), served on
// the Linux host without any shell.
//
// Only one form is carried out: one program with its arguments and at most
// one input redirection "< FILE". Whatever the Windows interpreter would read
// as more than that (a second command, a pipe, output redirection, grouping,
// its escape character, variable expansion, a line break) is refused, so a
// line never runs something here that it would not run there, and a text put
// into a line can never start a second program.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace win32::linux_host {

struct InterpreterCommand {
    std::string commandLine;  // program and arguments, split by SplitCommandLine
    std::string inputPath;    // standard input from this file; empty: inherited
};

// Parses an interpreter line. On refusal returns nothing and, when `refusal`
// is given, says why in a sentence.
std::optional<InterpreterCommand> ParseInterpreterLine(std::string_view line,
                                                       std::string* refusal = nullptr);

// True for a file the interpreter could run (used by its quote rule).
using IsProgramFile = std::function<bool(const std::string& path)>;

// LINE of a command line "cmd /c LINE" (also "cmd.exe", any case, and "/C"),
// after the interpreter's own treatment of quotes around LINE: they are kept
// when LINE holds exactly two quotes with a blank and none of &<>()@^| between
// them and the text between them names a program file; otherwise a leading
// quote is dropped together with the last quote of LINE. Nothing for a line
// that does not start the interpreter that way.
std::optional<std::string> InterpreterLineOf(std::string_view commandLine,
                                             const IsProgramFile& isProgramFile);

}  // namespace win32::linux_host
