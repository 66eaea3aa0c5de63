// kerfa-cli as a user runs it: the real program on disk-image files, its
// output, its exit status, and fsck.fat and mtools reading what it wrote.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "testing/test_support.h"

namespace {

using testing_support::CommandResult;
using testing_support::ShellQuote;
using testing_support::TempDir;

constexpr std::uint64_t kMiB = 1048576;

struct CliRun {
    int exitCode;
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs kerfa-cli in the given locale, with no controlling terminal.
CliRun KerfaCli(const TempDir& dir, const std::string& arguments, const std::string& lang = "C") {
    const std::string err = (dir / "stderr.txt").string();
    const CommandResult r = testing_support::RunCommand(
        "( env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG=" + lang + " setsid -w " KERFA_CLI " " +
        arguments + " 2>" + ShellQuote(err) + " )");
    std::string errors;
    if (std::filesystem::exists(err)) {
        const auto bytes = testing_support::ReadBytes(err);
        errors.assign(bytes.begin(), bytes.end());
    }
    return {r.exitCode, r.output, errors};
}

std::string Image(const TempDir& dir, const std::string& name, std::uint64_t bytes) {
    const auto path = dir / name;
    testing_support::MakeSparseFile(path, bytes);
    return path.string();
}

// The whole file at once (the shared reader goes byte by byte, slow under the
// sanitizers for images of this size).
std::vector<std::uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes(std::filesystem::file_size(path));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(in.good()) << path;
    return bytes;
}

CommandResult Tool(const std::string& commandLine) {
    return testing_support::RunCommand("MTOOLS_SKIP_CHECK=1 " + commandLine);
}

const std::string kEraseBox =
    "Warning\nALL DATA ON THIS DISK WILL BE LOST!\n\nAre you sure?(Y/N)\n\n";

std::string ResultsBox(const std::string& drive, const std::string& total,
                       const std::string& units) {
    return "Format Results - Removable Disk(" + drive + ")\n" + "total disk space: " + total +
           " bytes\n\nbad sectors: 0 bytes\n\navailable on disk: " + total +
           " bytes\n\n\neach allocation unit: 2048 bytes\n\ntotal allocation units: " + units +
           "\n\n";
}

struct ClassCase {
    int mib;
    const char* total;
    const char* units;
};
const ClassCase kClasses[] = {
    {31, "32423936", "15832"},
    {63, "65912832", "32184"},
    {95, "99401728", "48536"},
    {127, "132890624", "64888"},
};

TEST(KerfaCli, EachClassInQuickAndFullModePrintsTheResultsAndFsckAcceptsIt) {
    ASSERT_TRUE(testing_support::HaveProgram("fsck.fat"));
    ASSERT_TRUE(testing_support::HaveProgram("mlabel"));
    for (const auto& c : kClasses) {
        for (const std::string mode : {"--quick --label player", "--full"}) {
            SCOPED_TRACE(std::to_string(c.mib) + " MiB " + mode);
            TempDir dir;
            const std::string image = Image(dir, "player.img", c.mib * kMiB);
            const CliRun run = KerfaCli(dir, mode + " --yes --no-devices " + ShellQuote(image));
            EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
            EXPECT_EQ(run.out, kEraseBox + ResultsBox("D:", c.total, c.units));
            EXPECT_EQ(Tool("fsck.fat -n " + ShellQuote(image)).exitCode, 0);
            const CommandResult label = Tool("mlabel -s -i " + ShellQuote(image) + " ::");
            if (mode == "--full")
                EXPECT_NE(label.output.find("has no label"), std::string::npos) << label.output;
            else
                EXPECT_NE(label.output.find("Volume label is PLAYER"), std::string::npos)
                    << label.output;
        }
    }
}

TEST(KerfaCli, LowFormatPrintsItsProgressLinesThenTheResults) {
    TempDir dir;
    const std::string image = Image(dir, "player.img", 31 * kMiB);
    const CliRun run = KerfaCli(dir, "--low --yes --no-devices " + ShellQuote(image));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // Lines, not a bar: the output is no terminal.
    EXPECT_EQ(run.out.find('\r'), std::string::npos);
    EXPECT_EQ(run.out.rfind(kEraseBox + "System area: 0(0%)\nData area: ", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("\nData area: 31773(50%)\n"), std::string::npos);
    const std::string end = "Data area: 63488(100%)\n" + ResultsBox("D:", "32423936", "15832");
    ASSERT_GE(run.out.size(), end.size());
    EXPECT_EQ(run.out.substr(run.out.size() - end.size()), end);
    EXPECT_EQ(Tool("fsck.fat -n " + ShellQuote(image)).exitCode, 0);
}

TEST(KerfaCli, ChineseLocalesPrintTheChineseTexts) {
    struct Case {
        const char* lang;
        const char* erase;
        const char* results;
    };
    const Case cases[] = {
        {"zh_CN.UTF-8", "Warning\n该磁盘上的所有数据将丢失!\n\n是否进行格式化?(Y/N)\n\n",
         "磁盘空间共: 65912832 bytes\n\n坏扇区共: 0 bytes\n\n可用磁盘空间: 65912832 "
         "bytes\n\n\n\n每个分配单元共有: 2048 bytes\n\n磁盘分配单元总数: 32184\n\n"},
        {"zh_TW.UTF-8", "Warning\n該磁碟上的所有資料將丟失!\n\n是否進行格式化?(Y/N)\n\n",
         "磁碟空間共: 65912832 bytes\n\n壞扇區共: 0 bytes\n\n用磁碟空間: 65912832 "
         "bytes\n\n\nC個分配單元共有: 2048 bytes\n\n磁碟分配單元總數: 32184\n\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lang);
        TempDir dir;
        const std::string image = Image(dir, "player.img", 63 * kMiB);
        const CliRun run = KerfaCli(dir, "--full --yes --no-devices " + ShellQuote(image), c.lang);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out,
                  std::string(c.erase) + "Format Results - Removable Disk(D:)\n" + c.results);
    }
}

TEST(KerfaCli, UnsupportedSizeShowsBothBoxesExitsOneAndLeavesTheImageAsItWas) {
    TempDir dir;
    // No probe sector lies inside 16 MiB: the disk measures 15 MiB, no class.
    const auto path = dir / "small.img";
    std::vector<std::uint8_t> bytes(16 * kMiB);
    for (std::size_t i = 0; i < bytes.size(); i += 4093) bytes[i] = static_cast<std::uint8_t>(i);
    testing_support::WriteBytes(path, bytes);
    const CliRun run = KerfaCli(dir, "--quick --yes --no-devices " + ShellQuote(path.string()));
    EXPECT_EQ(run.exitCode, 1);
    // The English text ends in GBK's full-width mark, which code page 1252
    // shows as two Latin characters.
    EXPECT_EQ(run.out, kEraseBox + "Sorry!\nUnsupported type£¡\n\nSorry!\nFormat fail!\n\n");
    EXPECT_EQ(FileBytes(path.string()), bytes);
}

TEST(KerfaCli, NoCandidateDrivePrintsTheNoDriveBox) {
    struct Case {
        const char* lang;
        const char* text;
    };
    const Case cases[] = {
        {"C", "No Find Removable Disk Drive!"},
        {"zh_CN.UTF-8", "未发现可移动磁盘!"},
        {"zh_TW.UTF-8", "未發現可移動磁碟!"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const CliRun run = KerfaCli(dir, "--yes --no-devices E:", c.lang);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, std::string("Format\n") + c.text + "\n\n");
    }
}

TEST(KerfaCli, AMissingImageIsNoCandidateAndTheReasonGoesToStandardError) {
    TempDir dir;
    const std::string missing = (dir / "missing.img").string();
    const CliRun run = KerfaCli(dir, "--yes --no-devices " + ShellQuote(missing));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "Format\nNo Find Removable Disk Drive!\n\n");
    EXPECT_NE(run.err.find(missing + ": No such file or directory"), std::string::npos) << run.err;
}

TEST(KerfaCli, WithoutATerminalTheEraseWarningIsAnsweredNo) {
    TempDir dir;
    const std::string image = Image(dir, "player.img", 31 * kMiB);
    const CliRun run = KerfaCli(dir, "--full --no-devices " + ShellQuote(image));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, kEraseBox);
    // Nothing was written: the sparse image is still all zeros.
    const auto bytes = FileBytes(image);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0), static_cast<long>(bytes.size()));
}

TEST(KerfaCli, CtrlCDuringALowFormatStopsItWithStatus130) {
    TempDir dir;
    const std::string image = Image(dir, "player.img", 31 * kMiB);
    const std::string out = (dir / "out.txt").string();
    // Interrupt once the data-area pass is under way, as a user would.
    const CommandResult r = testing_support::RunCommand(
        "env -u LC_ALL -u LC_MESSAGES LANG=C " KERFA_CLI " --low --yes --no-devices " +
        ShellQuote(image) + " >" + ShellQuote(out) + " 2>&1 & pid=$!; " +
        "until grep -q 'Data area' " + ShellQuote(out) + "; do sleep 0.05; done; " +
        "kill -INT $pid; wait $pid; echo status=$?");
    EXPECT_NE(r.output.find("status=130"), std::string::npos) << r.output;
    const auto bytes = testing_support::ReadBytes(out);
    const std::string printed(bytes.begin(), bytes.end());
    EXPECT_NE(printed.find("Kerfa\nAre you sure?(Y/N)\n\n"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("Format Results"), std::string::npos);
}

TEST(KerfaCli, ListShowsEachCandidateWithWhatItIsItsSizeAndLabel) {
    TempDir dir;
    const std::string formatted = Image(dir, "a.img", 63 * kMiB);
    const std::string blank = Image(dir, "b.img", 31 * kMiB);
    ASSERT_EQ(
        KerfaCli(dir, "--full --label PLAYER --yes --no-devices " + ShellQuote(formatted)).exitCode,
        0);
    const CliRun run =
        KerfaCli(dir, "--list --no-devices " + ShellQuote(formatted) + " " + ShellQuote(blank));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "D:  image " + formatted + "  63.00M  PLAYER\n" + "E:  image " + blank +
                           "  31.00M  (no label)\n");
}

TEST(KerfaCli, UsageErrorsExitTwoAndHelpDescribesEveryOption) {
    TempDir dir;
    for (const std::string arguments :
         {"", "--quick --low E:", "--bogus E:", "--label", "E: F:", "--list --yes",
          "--system-formatter --low E:", "--list --system-formatter"}) {
        SCOPED_TRACE(arguments);
        const CliRun run = KerfaCli(dir, arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.out.empty());
        EXPECT_NE(run.err.find("usage: kerfa-cli"), std::string::npos);
    }
    const CliRun help = KerfaCli(dir, "--help");
    EXPECT_EQ(help.exitCode, 0);
    for (const char* word :
         {"--list", "--quick", "--full", "--low", "--label", "--yes", "--no-devices",
          "--system-formatter", "TARGET", "Exit status", "130", "Ctrl-C", "standard error"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
}

// The alternative path: the dialog's hidden button runs the system formatter
// of the Windows directory, here the build's own format.com.
TEST(KerfaCli, SystemFormatterFormatsTheImageAndLeavesNothingBehind) {
    TempDir dir;
    const auto windows = std::filesystem::path(KV_FORMAT_COM).parent_path().parent_path();
    const std::string image = Image(dir, "player.img", 63 * kMiB);
    ::unsetenv("KERFA_WINDOWS_DIR");
    const CliRun run = KerfaCli(
        dir, "--system-formatter --quick --yes --label music --no-devices " + ShellQuote(image));
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(run.out, kEraseBox + "congratulation!\nFormat complete!\n\n");
    EXPECT_NE(run.err.find("Proceed with Format (Y/N)?"), std::string::npos) << run.err;
    const auto fsck = Tool("PATH=$PATH:/usr/sbin:/sbin fsck.fat -n " + ShellQuote(image));
    EXPECT_EQ(fsck.exitCode, 0) << fsck.output;
    const auto label = Tool("mlabel -s -i " + ShellQuote(image) + " ::");
    EXPECT_NE(label.output.find("Volume label is MUSIC"), std::string::npos) << label.output;
    EXPECT_FALSE(std::filesystem::exists(windows / "tmptmp.tmp"));
    const auto root = Tool("mdir -a -b -i " + ShellQuote(image) + " ::");
    EXPECT_EQ(root.exitCode, 0) << root.output;
    EXPECT_EQ(root.output.find("FINISH"), std::string::npos) << root.output;
}

// A label that an interpreter would read as a second command is refused by
// the label box's own box; nothing else runs and the disk gets no label.
TEST(KerfaCli, SystemFormatterRefusesALabelThatWouldStartACommand) {
    TempDir dir;
    const std::string image = Image(dir, "player.img", 31 * kMiB);
    ::unsetenv("KERFA_WINDOWS_DIR");
    // Run in the temporary folder, where a started `touch` would leave PRF.
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const CliRun run = KerfaCli(
        dir, "--system-formatter --yes --label 'A&touch PRF' --no-devices " + ShellQuote(image));
    std::filesystem::current_path(before);
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("Ingore!\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("congratulation!\nFormat complete!\n"), std::string::npos) << run.out;
    EXPECT_FALSE(std::filesystem::exists(dir / "PRF"));
    const auto label = Tool("mlabel -s -i " + ShellQuote(image) + " ::");
    EXPECT_NE(label.output.find("has no label"), std::string::npos) << label.output;
}

TEST(KerfaCli, SystemFormatterMissingIsAnInconsistentSystem) {
    TempDir dir;
    std::filesystem::create_directories(dir / "windows");
    const std::string image = Image(dir, "player.img", 63 * kMiB);
    ::setenv("KERFA_WINDOWS_DIR", (dir / "windows").c_str(), 1);
    const CliRun run = KerfaCli(dir, "--system-formatter --yes --no-devices " + ShellQuote(image));
    ::unsetenv("KERFA_WINDOWS_DIR");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, kEraseBox + "Sorry!\nYour Windows system is inconsistent!\n\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "windows" / "tmptmp.tmp"));
}

}  // namespace
