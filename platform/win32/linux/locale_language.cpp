// The system default language of the Linux host, taken from the locale.
#include <array>
#include <cctype>
#include <cstdlib>
#include <string_view>

#include "platform/win32/linux/linux_win32.h"

namespace win32::linux_host {
namespace {

constexpr LANGID kChinesePrc = 0x0804;
constexpr LANGID kChineseTaiwan = 0x0404;
constexpr LANGID kChineseHongKong = 0x0C04;
constexpr LANGID kChineseSingapore = 0x1004;
constexpr LANGID kChineseMacao = 0x1404;

constexpr UINT kCodePageGbk = 936;
constexpr UINT kCodePageBig5 = 950;
constexpr UINT kCodePageWestern = 1252;

struct Territory {
    std::string_view code;
    LANGID language;
};

constexpr std::array<Territory, 5> kChineseTerritories{{
    {"CN", kChinesePrc},
    {"TW", kChineseTaiwan},
    {"HK", kChineseHongKong},
    {"SG", kChineseSingapore},
    {"MO", kChineseMacao},
}};

char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}
char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

}  // namespace

LANGID LanguageOfLocaleName(const std::string& locale) {
    // language[_territory][.codeset][@modifier]
    const std::string_view name(locale.data(), locale.find_first_of(".@") == std::string::npos
                                                   ? locale.size()
                                                   : locale.find_first_of(".@"));
    if (name.size() != 5 || Lower(name[0]) != 'z' || Lower(name[1]) != 'h' ||
        (name[2] != '_' && name[2] != '-')) {
        return LANG_ENGLISH_US;
    }
    const char territory[2] = {Upper(name[3]), Upper(name[4])};
    for (const auto& entry : kChineseTerritories) {
        if (entry.code == std::string_view(territory, 2)) return entry.language;
    }
    return LANG_ENGLISH_US;
}

LANGID LanguageFromLocale() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return LanguageOfLocaleName(value);
    }
    return LANG_ENGLISH_US;
}

UINT AnsiCodePage(LANGID language) {
    switch (language) {
        case kChinesePrc:
        case kChineseSingapore:
            return kCodePageGbk;
        case kChineseTaiwan:
        case kChineseHongKong:
        case kChineseMacao:
            return kCodePageBig5;
        default:
            return kCodePageWestern;
    }
}

}  // namespace win32::linux_host
