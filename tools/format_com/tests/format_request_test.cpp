// format.com's reading of its command line and of its answers, and the
// mkfs.fat call it makes of them.
#include "tools/format_com/format_request.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tools/format_com/mkfs_fat.h"

namespace format_com {
namespace {

struct ArgumentCase {
    std::vector<std::string> arguments;
    char drive;
    bool quick;
    std::optional<std::string> label;
    unsigned clusterBytes;
    std::string answersPath;
};

class ArgumentsTest : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(ArgumentsTest, ReadsTheFormatterSyntax) {
    const ArgumentCase& c = GetParam();
    const ParseResult parsed = ParseArguments(c.arguments);
    ASSERT_TRUE(parsed.request.has_value()) << parsed.error;
    EXPECT_EQ(parsed.request->drive, c.drive);
    EXPECT_EQ(parsed.request->quick, c.quick);
    EXPECT_EQ(parsed.request->label, c.label);
    EXPECT_EQ(parsed.request->clusterBytes, c.clusterBytes);
    EXPECT_EQ(parsed.request->answersPath, c.answersPath);
}

INSTANTIATE_TEST_SUITE_P(
    FormatCom, ArgumentsTest,
    ::testing::Values(
        // As the NT family's interpreter hands them over.
        ArgumentCase{{"E:/fs:fat", "/a:2048/q/v:MUSIC"}, 'E', true, "MUSIC", 2048, ""},
        ArgumentCase{{"F:/fs:fat", "/a:2048/v:"}, 'F', false, "", 2048, ""},
        // The 98 family's arguments: no file system, no unit size.
        ArgumentCase{{"E:/q/v:"}, 'E', true, "", 2048, ""},
        ArgumentCase{{"e:/v:music"}, 'E', false, "MUSIC", 2048, ""},
        // Blanks anywhere between switches, switches in any case.
        ArgumentCase{{"E:", "/Q", "/FS:FAT", "/A:4096"}, 'E', true, std::nullopt, 4096, ""},
        ArgumentCase{{"G:"}, 'G', false, std::nullopt, 2048, ""},
        // Started without an interpreter, the redirection arrives as arguments.
        ArgumentCase{{"E:/fs:fat", "/a:2048/q/v:X", "<", "C:\\WINNT\\tmptmp.tmp"},
                     'E',
                     true,
                     "X",
                     2048,
                     "C:\\WINNT\\tmptmp.tmp"},
        ArgumentCase{{"E:/v:", "</w/tmptmp.tmp"}, 'E', false, "", 2048, "/w/tmptmp.tmp"},
        // Label signs that mean something to a shell are plain text here.
        ArgumentCase{{"E:/v:$(s)"}, 'E', false, "$(S)", 2048, ""},
        ArgumentCase{{"E:/v:x&y|z"}, 'E', false, "X&Y|Z", 2048, ""}));

struct RefusalCase {
    std::vector<std::string> arguments;
    std::string error;
};

class RefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, SaysWhatIsWrong) {
    const ParseResult parsed = ParseArguments(GetParam().arguments);
    EXPECT_FALSE(parsed.request.has_value());
    EXPECT_EQ(parsed.error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    FormatCom, RefusalTest,
    ::testing::Values(RefusalCase{{}, "Required parameter missing - drive"},
                      RefusalCase{{"/q"}, "Required parameter missing - drive"},
                      RefusalCase{{"E:/fs:ntfs"}, "The file system ntfs is not supported"},
                      RefusalCase{{"E:/a:3000"}, "Invalid allocation unit size - 3000"},
                      RefusalCase{{"E:/a:65536"}, "Invalid allocation unit size - 65536"},
                      RefusalCase{{"E:/a:"}, "Invalid allocation unit size - "},
                      RefusalCase{{"E:/x"}, "Invalid parameter - /x"},
                      RefusalCase{{"E:/q:1"}, "Invalid parameter - /q:1"},
                      RefusalCase{{"E:", "F:"}, "Invalid parameter - F:"},
                      RefusalCase{{"E:/v:ABCDEFGHIJKL"}, "Invalid volume label - ABCDEFGHIJKL"},
                      RefusalCase{{"E:/v:A*B"}, "Invalid volume label - A*B"},
                      RefusalCase{{"E:", "<"}, "Required parameter missing - answers file after <"},
                      RefusalCase{{"E:", "<", "a", "/q"}, "Invalid parameter - /q"}));

struct AnswerCase {
    std::string answers;
    Confirmation confirmation;
    int questions;  // how often the question was put
};

class AnswersTest : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(AnswersTest, GoesOnOnlyAfterAYes) {
    std::istringstream answers(GetParam().answers);
    std::ostringstream prompts;
    EXPECT_EQ(AskToProceed(answers, prompts), GetParam().confirmation);
    const std::string shown = prompts.str();
    int questions = 0;
    for (std::size_t at = shown.find("(Y/N)?"); at != std::string::npos;
         at = shown.find("(Y/N)?", at + 1))
        ++questions;
    EXPECT_EQ(questions, GetParam().questions);
}

INSTANTIATE_TEST_SUITE_P(
    FormatCom, AnswersTest,
    ::testing::Values(
        // The two answers files Kerfa writes.
        AnswerCase{"y\r\n\r\n", Confirmation::Yes, 1},
        AnswerCase{"\r\ny\r\n\r\n", Confirmation::Yes, 2}, AnswerCase{"Y\n", Confirmation::Yes, 1},
        AnswerCase{"n\r\n", Confirmation::No, 1}, AnswerCase{"maybe\r\nN\r\n", Confirmation::No, 2},
        AnswerCase{"", Confirmation::No, 1}, AnswerCase{"\r\n\r\n", Confirmation::No, 3},
        AnswerCase{"yes\r\n", Confirmation::No, 2}));

TEST(MkfsArguments, FormatTheMediumAsFat16WithTheRequestedUnitAndLabel) {
    FormatRequest request;
    request.drive = 'E';
    request.quick = true;
    request.label = "MUSIC";
    EXPECT_EQ(MkfsArguments(request, "/img/e.img"),
              (std::vector<std::string>{"mkfs.fat", "-F", "16", "-S", "512", "-s", "4", "--mbr=n",
                                        "-n", "MUSIC", "--", "/img/e.img"}));

    request.quick = false;
    request.label = "";
    request.clusterBytes = 4096;
    EXPECT_EQ(MkfsArguments(request, "-odd"),
              (std::vector<std::string>{"mkfs.fat", "-F", "16", "-S", "512", "-s", "8", "--mbr=n",
                                        "-c", "--", "-odd"}));
}

}  // namespace
}  // namespace format_com
