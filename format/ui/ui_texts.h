// Kerfa's vocabulary: the three language sets and the texts every language
// shares. The texts are byte strings in the ANSI code page of their language:
// English in ASCII, Simplified Chinese in GBK (936), Traditional Chinese in
// Big5 (950). Hosts convert them at the edge.
#pragma once

#include <array>
#include <cstddef>

#include "format/ui/ui_language.h"

namespace kerfa {

// The strings FormatDialog holds for its messages and labels; ApplyLanguage
// copies one set into the m_str... members of the same names.
struct UiTexts {
    const char* eraseWarning;
    const char* formatFail;
    const char* lockError;
    const char* unsupported;
    const char* badLabel;
    const char* systemAreaError;
    const char* noDrive;
    const char* systemArea;
    const char* dataArea;
    const char* totalSectors;
    const char* current;
    const char* quit;
    const char* stop;
    const char* stopQuery;
};

struct ControlCaption {
    int id;
    const char* text;
};

// The window caption and the captions of the ten captioned controls, in the
// order ApplyLanguage sets them. The English set is what template 102 holds.
constexpr std::size_t kLanguageCaptionedControls = 10;
struct DialogCaptions {
    const char* window;
    std::array<ControlCaption, kLanguageCaptionedControls> controls;
};

const UiTexts& UiTextsFor(UiLanguage language);
const DialogCaptions& DialogCaptionsFor(UiLanguage language);

// Body of the results box: five %d fields, filled with the data-area bytes,
// the bad bytes, their difference, the cluster bytes and the cluster count.
const char* ResultsText(UiLanguage language);

// Texts that are the same in every language.
inline constexpr char kStartUpCaption[] = "Format";
inline constexpr char kWarningCaption[] = "Warning";
inline constexpr char kSorryCaption[] = "Sorry!";
inline constexpr char kBadLabelCaption[] = "Ingore!";
inline constexpr char kResultsCaption[] = "Format Results - Removable Disk(%s)";
inline constexpr char kStopQueryCaption[] = "Kerfa";
inline constexpr char kSizeFormat[] = "%.2fM";
inline constexpr char kAboutMenuText[] = "&About ...";  // string resource 101

// The about box (template 100).
inline constexpr char kAboutCaption[] = "About";
inline constexpr char kAboutTitle[] = "Kerfa Version 1.1";
inline constexpr char kAboutYear[] = "Copyright (C) 2002";

}  // namespace kerfa
