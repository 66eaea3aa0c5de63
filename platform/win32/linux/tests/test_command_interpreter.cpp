// The command interpreter's part of a line: one program, one input file,
// nothing that could start a second command.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/win32/linux/command_interpreter.h"

namespace win32::linux_host {
namespace {

TEST(ParseInterpreterLine, TakesOneProgramAndOneInputFile) {
    struct Case {
        const char* line;
        const char* commandLine;
        const char* inputPath;
    };
    const Case cases[] = {
        {"/w/system32/format.com E:/fs:fat /a:2048/v:MUSIC < /w/tmptmp.tmp",
         "/w/system32/format.com E:/fs:fat /a:2048/v:MUSIC", "/w/tmptmp.tmp"},
        {"/w/command/format.com E:/q/v: < /w/tmptmp.tmp",
         "/w/command/format.com E:/q/v:", "/w/tmptmp.tmp"},
        {"prog a<in.txt", "prog a", "in.txt"},
        {"< \"my input\" prog a", "prog a", "my input"},
        {"prog \"a|b & (c) ^ > d <\" e", "prog \"a|b & (c) ^ > d <\" e", ""},
        {"  prog  ", "prog", ""},
    };
    for (const Case& c : cases) {
        const auto command = ParseInterpreterLine(c.line);
        ASSERT_TRUE(command) << c.line;
        EXPECT_EQ(command->commandLine, c.commandLine) << c.line;
        EXPECT_EQ(command->inputPath, c.inputPath) << c.line;
    }
}

TEST(ParseInterpreterLine, RefusesWhatWouldMeanMoreThanOneProgram) {
    const char* const lines[] = {
        "format.com E:/v:A|B",
        "format.com E:/v:X&Y",
        "format.com E:/v:A^B",
        "format.com E:/v:(A)",
        "format.com E:/v:50%",
        "format.com E:/v:A!B",
        "prog \"50%\"",
        "prog > out",
        "prog < a < b",
        "prog 2< in",
        "prog <",
        "prog\nother",
        "prog\rother",
        "",
        "< in",
        "prog a&&touch /tmp/x",
        "prog || other",
    };
    for (const char* line : lines) {
        std::string refusal;
        EXPECT_FALSE(ParseInterpreterLine(line, &refusal)) << line;
        EXPECT_FALSE(refusal.empty()) << line;
    }
}

TEST(InterpreterLineOf, FindsTheLineAfterSlashC) {
    const auto never = [](const std::string&) { return false; };
    EXPECT_EQ(InterpreterLineOf("cmd /c prog x", never), "prog x");
    EXPECT_EQ(InterpreterLineOf("CMD.EXE /C  prog x", never), "prog x");
    EXPECT_EQ(InterpreterLineOf("\"cmd\" /c prog", never), "prog");
    EXPECT_EQ(InterpreterLineOf("cmd /c", never), "");
    EXPECT_EQ(InterpreterLineOf("cmdx /c prog", never), std::nullopt);
    EXPECT_EQ(InterpreterLineOf("cmd /cprog", never), std::nullopt);
    EXPECT_EQ(InterpreterLineOf("cmd prog", never), std::nullopt);
    EXPECT_EQ(InterpreterLineOf("/bin/cmd /c prog", never), std::nullopt);
    EXPECT_EQ(InterpreterLineOf("prog /c x", never), std::nullopt);
}

TEST(InterpreterLineOf, TreatsQuotesAroundTheLineAsTheInterpreterDoes) {
    const auto isTool = [](const std::string& path) { return path == "/my dir/tool"; };
    // Exactly two quotes around a program with a blank: kept.
    EXPECT_EQ(InterpreterLineOf("cmd /c \"/my dir/tool\"", isTool), "\"/my dir/tool\"");
    // Otherwise the first and the last quote go.
    EXPECT_EQ(InterpreterLineOf("cmd /c \"/my dir/other\"", isTool), "/my dir/other");
    EXPECT_EQ(InterpreterLineOf("cmd /c \"/my dir/tool\" \"a b\"", isTool), "/my dir/tool\" \"a b");
    EXPECT_EQ(InterpreterLineOf("cmd /c \"\"/my dir/tool\" \"a b\"\"", isTool),
              "\"/my dir/tool\" \"a b\"");
    EXPECT_EQ(InterpreterLineOf("cmd /c \"/my dir/tool\" x", isTool), "\"/my dir/tool\" x");
    EXPECT_EQ(InterpreterLineOf("cmd /c \"/my dir/tool&\" x", isTool), "/my dir/tool& x");
}

}  // namespace
}  // namespace win32::linux_host
