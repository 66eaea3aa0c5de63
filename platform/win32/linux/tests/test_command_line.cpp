// The Microsoft C runtime's command-line rules, from their published examples.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/win32/linux/command_line.h"

namespace win32::linux_host {
namespace {

using Args = std::vector<std::string>;

struct SplitCase {
    const char* line;
    Args argv;
};

// The arguments of the published examples, after a program name.
const SplitCase kArgumentCases[] = {
    {R"(prog "a b c" d e)", {"prog", "a b c", "d", "e"}},
    {R"(prog "abc" d e)", {"prog", "abc", "d", "e"}},
    {R"(prog "ab\"c" "\\" d)", {"prog", R"(ab"c)", R"(\)", "d"}},
    {R"(prog a\\\b d"e f"g h)", {"prog", R"(a\\\b)", "de fg", "h"}},
    {R"(prog a\\b d"e f"g h)", {"prog", R"(a\\b)", "de fg", "h"}},
    {R"(prog a\\\"b c d)", {"prog", R"(a\"b)", "c", "d"}},
    {R"(prog a\\\\"b c" d e)", {"prog", R"(a\\b c)", "d", "e"}},
    // "" inside quotes: one literal quote, and the quoted region goes on.
    {R"(prog a"b"" c d)", {"prog", R"(ab" c d)"}},
    {R"(prog "a""b")", {"prog", R"(a"b)"}},
    // "" outside quotes is an empty piece of the argument.
    {R"(prog "" x)", {"prog", "", "x"}},
    {R"(prog a""b)", {"prog", "ab"}},
    // An unclosed quote runs to the end of the line.
    {R"(prog "a b)", {"prog", "a b"}},
    // Tabs separate, runs of blanks count once, trailing blanks end nothing.
    {"prog\ta \t b  \t", {"prog", "a", "b"}},
    // Backslashes at the end of the line are plain text.
    {R"(prog a\\)", {"prog", R"(a\\)"}},
};

// The program name: quotes toggle, backslashes are plain text.
const SplitCase kProgramCases[] = {
    {R"("C:\Program Files\tool.exe" x)", {R"(C:\Program Files\tool.exe)", "x"}},
    {R"("/dir/mpegenc.exe " -b 32)", {"/dir/mpegenc.exe ", "-b", "32"}},
    {R"(a\"b c" d)", {R"(a\b c)", "d"}},
    {R"(C:\dir\)", {R"(C:\dir\)"}},
    {R"(pro"g x"y z)", {"prog xy", "z"}},
    {"", {""}},
    {" lead", {"", "lead"}},
};

TEST(SplitCommandLine, FollowsTheRuntimeForArguments) {
    for (const SplitCase& c : kArgumentCases) {
        EXPECT_EQ(SplitCommandLine(c.line), c.argv) << c.line;
    }
}

TEST(SplitCommandLine, FollowsTheRuntimeForTheProgramName) {
    for (const SplitCase& c : kProgramCases) {
        EXPECT_EQ(SplitCommandLine(c.line), c.argv) << c.line;
    }
}

TEST(SplitCommandLine, StopsAtNul) {
    const std::string line("prog a\0b", 8);
    EXPECT_EQ(SplitCommandLine(line), (Args{"prog", "a"}));
}

TEST(QuoteArgument, QuotesOnlyWhatNeedsIt) {
    const std::pair<const char*, const char*> cases[] = {
        {"plain", "plain"},         {R"(C:\dir\)", R"(C:\dir\)"}, {"", R"("")"},
        {"a b", R"("a b")"},        {"a\tb", "\"a\tb\""},         {R"(a"b)", R"("a\"b")"},
        {R"(a\"b)", R"("a\\\"b")"}, {R"(a b\)", R"("a b\\")"},    {R"(a\b c)", R"("a\b c")"},
    };
    for (const auto& [argument, quoted] : cases) {
        EXPECT_EQ(QuoteArgument(argument), quoted) << argument;
    }
}

TEST(QuoteArgument, RoundTripsRandomArguments) {
    // Few letters, many of them the ones the rules care about.
    const std::string alphabet = "ab \t\"\\\\\"";
    std::mt19937 random(20240611u);
    std::uniform_int_distribution<std::size_t> letter(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 10);
    std::uniform_int_distribution<int> count(0, 5);
    for (int round = 0; round < 5000; ++round) {
        Args args{"prog"};
        std::string line = "prog";
        for (int n = count(random); n > 0; --n) {
            std::string argument;
            for (int k = length(random); k > 0; --k) argument += alphabet[letter(random)];
            args.push_back(argument);
            line += ' ' + QuoteArgument(argument);
        }
        ASSERT_EQ(SplitCommandLine(line), args) << line;
    }
}

TEST(CanQuoteWhole, RefusesWhatAQuotedLineCannotCarry) {
    const std::pair<const char*, bool> cases[] = {
        {"/home/u/My Music/R001.vrk", true},
        {R"(/odd\name/x.vrk)", true},
        {"", true},
        {"/dir/a\"b.vrk", false},
        {R"(/dir/name\)", false},
        {R"(/dir/name\\)", false},
    };
    for (const auto& [path, whole] : cases) {
        EXPECT_EQ(CanQuoteWhole(path), whole) << path;
        const std::string line = std::string("\"tool\" \"") + path + "\" x";
        const bool cameBackWhole = SplitCommandLine(line) == Args{"tool", path, "x"};
        EXPECT_EQ(cameBackWhole, whole) << line;
    }
}

}  // namespace
}  // namespace win32::linux_host
