#include "platform/win32/linux/command_interpreter.h"

#include <algorithm>
#include <cctype>
#include <cstddef>

#include "platform/win32/linux/command_line.h"

namespace win32::linux_host {

namespace {

constexpr char kQuote = '"';
constexpr char kInputRedirection = '<';

// Characters with a meaning of their own to the interpreter outside quotes.
constexpr std::string_view kOperators = "&|>()^";
// Expanded by the interpreter even between quotes; line breaks end a command.
constexpr std::string_view kExpandedAnywhere = "%!\r\n";
// What the interpreter's quote rule looks for between the two quotes.
constexpr std::string_view kQuoteRuleSpecials = "&<>()@^|";

bool Refuse(std::string* refusal, std::string sentence) {
    if (refusal != nullptr) *refusal = std::move(sentence);
    return false;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Reads the file name after '<': quotes toggle, a blank or an operator
// outside quotes ends it.
std::string ReadRedirectionTarget(std::string_view line, std::size_t& pos) {
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    std::string target;
    bool inQuotes = false;
    for (; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == kQuote) {
            inQuotes = !inQuotes;
            continue;
        }
        if (!inQuotes && (IsBlank(c) || c == kInputRedirection ||
                          kOperators.find(c) != std::string_view::npos)) {
            break;
        }
        target += c;
    }
    return target;
}

// "2< file" names a handle, not an argument 2.
bool IsHandleNumberBefore(std::string_view line, std::size_t pos) {
    return pos > 0 && std::isdigit(static_cast<unsigned char>(line[pos - 1])) &&
           (pos == 1 || IsBlank(line[pos - 2]));
}

}  // namespace

std::optional<InterpreterCommand> ParseInterpreterLine(std::string_view line,
                                                       std::string* refusal) {
    if (line.find('\0') != std::string_view::npos) {
        Refuse(refusal, "The command holds a NUL character.");
        return std::nullopt;
    }
    if (line.find_first_of(kExpandedAnywhere) != std::string_view::npos) {
        Refuse(refusal,
               "The command holds a character the interpreter expands (% or !) or a "
               "line break.");
        return std::nullopt;
    }
    InterpreterCommand command;
    bool redirected = false;
    bool inQuotes = false;
    for (std::size_t pos = 0; pos < line.size();) {
        const char c = line[pos];
        if (c == kQuote) inQuotes = !inQuotes;
        if (inQuotes || c == kQuote) {
            command.commandLine += c;
            ++pos;
            continue;
        }
        if (kOperators.find(c) != std::string_view::npos) {
            Refuse(refusal, std::string("The command holds the interpreter operator ") + c +
                                " outside quotes.");
            return std::nullopt;
        }
        if (c != kInputRedirection) {
            command.commandLine += c;
            ++pos;
            continue;
        }
        if (redirected || IsHandleNumberBefore(line, pos)) {
            Refuse(refusal, "The command redirects more than one standard input.");
            return std::nullopt;
        }
        ++pos;
        command.inputPath = ReadRedirectionTarget(line, pos);
        if (command.inputPath.empty()) {
            Refuse(refusal, "The command's input redirection names no file.");
            return std::nullopt;
        }
        redirected = true;
        // The redirection separates what stands on either side of it.
        command.commandLine += ' ';
    }
    command.commandLine = std::string(TrimBlanks(command.commandLine));
    if (command.commandLine.empty()) {
        Refuse(refusal, "The command names no program.");
        return std::nullopt;
    }
    return command;
}

std::optional<std::string> InterpreterLineOf(std::string_view commandLine,
                                             const IsProgramFile& isProgramFile) {
    const std::string_view line = commandLine.substr(0, commandLine.find('\0'));
    // The interpreter's own name, read by the program-name rule.
    std::size_t pos = 0;
    bool inQuotes = false;
    std::string program;
    for (; pos < line.size() && (inQuotes || !IsBlank(line[pos])); ++pos) {
        if (line[pos] == kQuote) {
            inQuotes = !inQuotes;
        } else {
            program += line[pos];
        }
    }
    if (!EqualsIgnoringCase(program, "cmd") && !EqualsIgnoringCase(program, "cmd.exe")) {
        return std::nullopt;
    }
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos + 2 > line.size() || line[pos] != '/' ||
        (line[pos + 1] != 'c' && line[pos + 1] != 'C') ||
        (pos + 2 < line.size() && !IsBlank(line[pos + 2]))) {
        return std::nullopt;
    }
    pos += 2;
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    std::string rest(line.substr(pos));
    if (rest.empty() || rest.front() != kQuote) return rest;

    const auto quotes = std::count(rest.begin(), rest.end(), kQuote);
    const std::size_t closing = rest.rfind(kQuote);
    if (quotes == 2) {
        const std::string between = rest.substr(1, closing - 1);
        if (between.find_first_of(kQuoteRuleSpecials) == std::string::npos &&
            std::any_of(between.begin(), between.end(), IsBlank) && isProgramFile(between)) {
            return rest;
        }
    }
    rest.erase(closing, 1);
    rest.erase(0, 1);
    return rest;
}

}  // namespace win32::linux_host
