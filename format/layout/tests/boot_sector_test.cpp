#include "format/layout/boot_sector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "format/layout/tests/expected_layout.h"
#include "format/layout/tests/tool_runner.h"

namespace kerfa::layout {
namespace {

using testing::kExpectedBootHeaders;

std::string Bytes(const std::uint8_t* at, std::size_t n) {
    return std::string(reinterpret_cast<const char*>(at), n);
}

TEST(BootSectorTest, ClassHeadersAreTheDocumentedBytes) {
    for (int i = 0; i < kClassCount; ++i) {
        SCOPED_TRACE(i);
        const auto& want = kExpectedBootHeaders[static_cast<std::size_t>(i)];
        const BootHeader& got = ClassBootHeader(i);
        EXPECT_EQ(std::vector<std::uint8_t>(got.begin(), got.end()),
                  std::vector<std::uint8_t>(want.begin(), want.end()));
    }
}

TEST(BootSectorTest, GenericSectorIsTheClass31Sector) {
    const BootSector& s = GenericBootSector();
    const auto& class31 = kExpectedBootHeaders[0];
    EXPECT_EQ(std::vector<std::uint8_t>(s.begin(), s.begin() + 48),
              std::vector<std::uint8_t>(class31.begin(), class31.end()));
    EXPECT_EQ(Bytes(&s[43], 11), "NO NAME    ");
    EXPECT_EQ(Bytes(&s[54], 8), "FAT16   ");
    EXPECT_EQ(s[510], 0x55);
    EXPECT_EQ(s[511], 0xAA);

    BootSector built{};
    BuildBootSector(0, built.data());
    EXPECT_EQ(built, s);
}

TEST(BootSectorTest, EveryClassSectorIsItsHeaderOverTheGenericSector) {
    for (int i = 0; i < kClassCount; ++i) {
        SCOPED_TRACE(i);
        BootSector built{};
        BuildBootSector(i, built.data());
        const auto& header = kExpectedBootHeaders[static_cast<std::size_t>(i)];
        EXPECT_TRUE(std::equal(header.begin(), header.end(), built.begin()));
        EXPECT_TRUE(std::equal(built.begin() + 48, built.end(), GenericBootSector().begin() + 48));
    }
}

// The bootstrap is hand-assembled; a disassembler confirms that the bytes are
// the intended program: the jump lands on it, it prints the message through the
// BIOS, waits for a key and reboots.
TEST(BootSectorTest, BootstrapDisassemblesToAMessageLoop) {
    testing::TempDir dir;
    const auto file = dir.path() / "boot.bin";
    {
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(GenericBootSector().data()), kSectorBytes);
    }
    // The header and the data are no code: disassemble the jump and the code
    // on their own.
    const auto disassemble = [&](const std::string& start, const std::string& stop) {
        return testing::RunTool("objdump",
                                "-D -b binary -m i8086 -M intel --adjust-vma=0x7c00 "
                                "--start-address=" +
                                    start + " --stop-address=" + stop + " '" + file.string() + "'");
    };
    const auto jump = disassemble("0x7c00", "0x7c02");
    ASSERT_EQ(jump.exitCode, 0) << jump.output;
    EXPECT_NE(jump.output.find("jmp    0x7c40"), std::string::npos) << jump.output;

    const auto listing = disassemble("0x7c40", "0x7e00");
    ASSERT_EQ(listing.exitCode, 0) << listing.output;
    EXPECT_NE(listing.output.find("7c40:\tfa"), std::string::npos) << listing.output;

    // SI gets the message; what follows it is text, not code.
    std::smatch si;
    ASSERT_TRUE(std::regex_search(listing.output, si, std::regex(R"(mov    si,0x([0-9a-f]+))")))
        << listing.output;
    const std::size_t messageAddress = std::stoul(si[1].str(), nullptr, 16);
    std::stringstream addressColon;
    addressColon << std::hex << messageAddress << ":";
    const std::string code = listing.output.substr(0, listing.output.find(addressColon.str()));

    const auto int10 = code.find("int    0x10");
    const auto int16 = code.find("int    0x16");
    const auto int19 = code.find("int    0x19");
    ASSERT_NE(int10, std::string::npos) << code;
    ASSERT_NE(int16, std::string::npos) << code;
    ASSERT_NE(int19, std::string::npos) << code;
    EXPECT_LT(int10, int16);
    EXPECT_LT(int16, int19);

    // The print loop goes back to the lodsb that fetches the next character.
    std::smatch lods;
    ASSERT_TRUE(std::regex_search(code, lods, std::regex(R"(([0-9a-f]+):\tac\s+\tlods)"))) << code;
    EXPECT_NE(code.find("jmp    0x" + lods[1].str()), std::string::npos) << code;

    // The message is NUL-terminated text that ends before the signature.
    ASSERT_GE(messageAddress, 0x7C40u);
    const std::size_t message = messageAddress - 0x7C00;
    const BootSector& s = GenericBootSector();
    std::size_t end = message;
    while (end < 510 && s[end] != 0) {
        const std::uint8_t c = s[end];
        EXPECT_TRUE((c >= 0x20 && c < 0x7F) || c == '\r' || c == '\n') << end;
        ++end;
    }
    EXPECT_LT(end, 510u);
    EXPECT_NE(Bytes(&s[message], end - message).find("not bootable"), std::string::npos);
}

}  // namespace
}  // namespace kerfa::layout
