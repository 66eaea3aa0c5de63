// printf-style formatting into a byte string, as the dialog programs format
// their texts ("%s: %d(%d%%)", "%.2fM").
#pragma once

#include <string>

namespace dlg {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string Format(const char* format, ...);

// The same for a format held in a text table (not a literal).
std::string FormatText(const std::string& format, ...);

}  // namespace dlg
