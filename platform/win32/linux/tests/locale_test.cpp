#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/linux/linux_win32.h"

namespace win32::linux_host {
namespace {

struct LocaleCase {
    const char* locale;
    LANGID language;
    UINT codePage;
};

class LocaleLanguage : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(LocaleLanguage, MapsToLanguageAndCodePage) {
    const LocaleCase& c = GetParam();
    EXPECT_EQ(LanguageOfLocaleName(c.locale), c.language) << c.locale;
    EXPECT_EQ(AnsiCodePage(LanguageOfLocaleName(c.locale)), c.codePage) << c.locale;
}

INSTANTIATE_TEST_SUITE_P(
    All, LocaleLanguage,
    ::testing::Values(LocaleCase{"zh_CN.UTF-8", 0x0804, 936},
                      LocaleCase{"zh_CN.GB2312", 0x0804, 936}, LocaleCase{"zh_CN", 0x0804, 936},
                      LocaleCase{"zh_TW.Big5", 0x0404, 950}, LocaleCase{"zh_HK.UTF-8", 0x0C04, 950},
                      LocaleCase{"zh_SG@pinyin", 0x1004, 936}, LocaleCase{"zh_MO", 0x1404, 950},
                      LocaleCase{"zh", 0x0409, 1252}, LocaleCase{"zh_XX.UTF-8", 0x0409, 1252},
                      LocaleCase{"zh_CNX", 0x0409, 1252}, LocaleCase{"en_US.UTF-8", 0x0409, 1252},
                      LocaleCase{"de_DE", 0x0409, 1252}, LocaleCase{"C", 0x0409, 1252},
                      LocaleCase{"POSIX", 0x0409, 1252}, LocaleCase{"", 0x0409, 1252}),
    [](const auto& param) {
        std::string name = param.param.locale;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        }
        return name.empty() ? std::string("Empty") : name;
    });

// Sets the three locale variables for one test and restores them afterwards.
class LocaleEnvironment : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : kNames) {
            const char* value = std::getenv(name);
            saved_.push_back(value ? std::optional<std::string>(value) : std::nullopt);
        }
    }
    void TearDown() override {
        for (std::size_t i = 0; i < kNames.size(); ++i) Set(kNames[i], saved_[i]);
    }
    static void Set(const char* name, const std::optional<std::string>& value) {
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    static constexpr std::array<const char*, 3> kNames{"LC_ALL", "LC_MESSAGES", "LANG"};
    std::vector<std::optional<std::string>> saved_;
};

TEST_F(LocaleEnvironment, FirstSetVariableDecides) {
    struct Case {
        std::optional<std::string> lcAll, lcMessages, lang;
        LANGID language;
    };
    const Case cases[] = {
        {"zh_TW.UTF-8", "zh_CN.UTF-8", "en_US.UTF-8", 0x0404},
        {std::nullopt, "zh_CN.UTF-8", "zh_TW.UTF-8", 0x0804},
        {"", "", "zh_HK.UTF-8", 0x0C04},  // empty counts as unset
        {std::nullopt, std::nullopt, "zh_SG", 0x1004},
        {"C", std::nullopt, "zh_CN.UTF-8", 0x0409},
        {std::nullopt, std::nullopt, std::nullopt, 0x0409},
    };
    LinuxWin32 host;
    for (const auto& c : cases) {
        Set("LC_ALL", c.lcAll);
        Set("LC_MESSAGES", c.lcMessages);
        Set("LANG", c.lang);
        EXPECT_EQ(host.GetSystemDefaultLangID(), c.language);
    }
}

}  // namespace
}  // namespace win32::linux_host
