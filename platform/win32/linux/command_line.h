// Windows command lines as the Microsoft C runtime reads them into argv.
//
// The rules are those of the runtime since Visual C++ 2008:
// - blanks (space, tab) outside double quotes separate arguments;
// - the program name (argv[0]) runs to the first blank outside quotes; each
//   double quote toggles quoting and is dropped; backslashes are plain text;
// - in the arguments, 2n backslashes before a double quote give n backslashes
//   and the quote toggles quoting; 2n+1 backslashes before a double quote give
//   n backslashes and a literal quote; backslashes before anything else are
//   plain text;
// - inside a quoted region "" gives one literal quote and quoting goes on
//   (the runtimes before 2008 ended the quoted region there);
// - a line that ends inside quotes ends the last argument;
// - the line ends at its first NUL, as the runtime reads a C string.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace win32::linux_host {

// argv of a command line; never empty (argv[0] may be "").
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// The text of one argument (not the program name) that SplitCommandLine
// gives back unchanged. `argument` must hold no NUL.
std::string QuoteArgument(std::string_view argument);

// True when `path` put between two double quotes, as the tools' command lines
// are built ("\"%s\""), comes back from SplitCommandLine as one whole
// argument: it holds no double quote and does not end in a backslash (which
// would turn the closing quote into a literal one). A Linux file name may hold
// either; a caller refuses such a path with a message of its own rather than
// let the child receive different arguments.
bool CanQuoteWhole(std::string_view path);

// True for the runtime's argument separators.
constexpr bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace win32::linux_host
