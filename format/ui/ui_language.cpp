#include "format/ui/ui_language.h"

namespace kerfa {

UiLanguage UiLanguageOf(win32::LANGID id) {
    switch (id) {
        case kLangChinesePrc:
            return UiLanguage::SimplifiedChinese;
        case kLangChineseTaiwan:
        case kLangChineseHongKong:
        case kLangChineseSingapore:
            return UiLanguage::TraditionalChinese;
        default:
            return UiLanguage::English;
    }
}

UiLanguage PickUiLanguage(win32::Win32& system) {
    return UiLanguageOf(system.GetSystemDefaultLangID());
}

}  // namespace kerfa
