// Command-line rules under random input: splitting never fails, and quoting
// whatever a line split into gives the same arguments back; the interpreter's
// parser never fails either, and never lets an operator through.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/linux/command_interpreter.h"
#include "platform/win32/linux/command_line.h"

namespace {

using win32::linux_host::QuoteArgument;
using win32::linux_host::SplitCommandLine;

void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckRoundTrip(const std::vector<std::string>& arguments) {
    std::string line = "prog";
    for (const std::string& argument : arguments) line += ' ' + QuoteArgument(argument);
    std::vector<std::string> expected{"prog"};
    expected.insert(expected.end(), arguments.begin(), arguments.end());
    Check(SplitCommandLine(line) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // The input as a line: whatever it splits into survives requoting.
    const std::vector<std::string> argv = SplitCommandLine(input);
    Check(!argv.empty());
    CheckRoundTrip(std::vector<std::string>(argv.begin() + 1, argv.end()));

    // The input as NUL-separated arguments.
    std::vector<std::string> arguments;
    for (std::size_t start = 0; start <= size;) {
        const std::size_t end = std::min(input.find('\0', start), size);
        arguments.emplace_back(input.substr(start, end - start));
        start = end + 1;
    }
    CheckRoundTrip(arguments);

    // The interpreter's line: what it accepts holds no operator outside quotes.
    if (const auto command = win32::linux_host::ParseInterpreterLine(input)) {
        bool inQuotes = false;
        for (const char c : command->commandLine) {
            if (c == '"') inQuotes = !inQuotes;
            Check(inQuotes || std::string_view("&|<>()^%!\r\n").find(c) == std::string_view::npos);
        }
    }
    const auto noProgram = [](const std::string&) { return false; };
    (void)win32::linux_host::InterpreterLineOf(input, noProgram);
    return 0;
}
