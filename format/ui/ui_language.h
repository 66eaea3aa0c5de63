// Which of the three text sets Kerfa speaks, from the system default language.
#pragma once

#include "platform/win32/win32.h"

namespace kerfa {

enum class UiLanguage { English, SimplifiedChinese, TraditionalChinese };

// Language ids that pick a Chinese set; whole 16-bit ids are compared, so the
// other Chinese locales (Macau among them) get English.
constexpr win32::LANGID kLangChinesePrc = 0x0804;
constexpr win32::LANGID kLangChineseTaiwan = 0x0404;
constexpr win32::LANGID kLangChineseHongKong = 0x0C04;
constexpr win32::LANGID kLangChineseSingapore = 0x1004;

UiLanguage UiLanguageOf(win32::LANGID id);

// Reads the system default language id each time; the choice is never stored.
UiLanguage PickUiLanguage(win32::Win32& system);

}  // namespace kerfa
