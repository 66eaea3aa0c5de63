#include "platform/win32/linux/command_line.h"

#include <cstddef>

namespace win32::linux_host {

namespace {

constexpr char kQuote = '"';
constexpr char kBackslash = '\\';

// Reads the program name from the front of `line`; leaves `pos` after the
// blank that ended it (or at the end).
std::string ReadProgramName(std::string_view line, std::size_t& pos) {
    std::string name;
    bool inQuotes = false;
    while (pos < line.size()) {
        const char c = line[pos++];
        if (c == kQuote) {
            inQuotes = !inQuotes;
        } else if (!inQuotes && IsBlank(c)) {
            break;
        } else {
            name += c;
        }
    }
    return name;
}

// Reads one argument that starts at `pos` (not a blank).
std::string ReadArgument(std::string_view line, std::size_t& pos) {
    std::string argument;
    bool inQuotes = false;
    while (pos < line.size()) {
        std::size_t backslashes = 0;
        while (pos < line.size() && line[pos] == kBackslash) {
            ++backslashes;
            ++pos;
        }
        if (pos < line.size() && line[pos] == kQuote) {
            argument.append(backslashes / 2, kBackslash);
            if (backslashes % 2 == 1) {
                argument += kQuote;
            } else if (inQuotes && pos + 1 < line.size() && line[pos + 1] == kQuote) {
                argument += kQuote;
                ++pos;
            } else {
                inQuotes = !inQuotes;
            }
            ++pos;
            continue;
        }
        argument.append(backslashes, kBackslash);
        if (pos == line.size() || (!inQuotes && IsBlank(line[pos]))) break;
        argument += line[pos++];
    }
    return argument;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    const std::string_view line = commandLine.substr(0, commandLine.find('\0'));
    std::size_t pos = 0;
    std::vector<std::string> argv{ReadProgramName(line, pos)};
    for (;;) {
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        if (pos == line.size()) break;
        argv.push_back(ReadArgument(line, pos));
    }
    return argv;
}

std::string QuoteArgument(std::string_view argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string_view::npos) {
        return std::string(argument);
    }
    std::string quoted(1, kQuote);
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == kBackslash) {
            ++backslashes;
            continue;
        }
        // Backslashes count double before a quote, the literal one and the
        // closing one alike.
        if (c == kQuote) {
            quoted.append(2 * backslashes + 1, kBackslash);
        } else {
            quoted.append(backslashes, kBackslash);
        }
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, kBackslash);
    quoted += kQuote;
    return quoted;
}

bool CanQuoteWhole(std::string_view path) {
    return path.find(kQuote) == std::string_view::npos &&
           path.find('\0') == std::string_view::npos && (path.empty() || path.back() != kBackslash);
}

}  // namespace win32::linux_host
