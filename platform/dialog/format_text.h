// printf-style formatting into a byte string, as the dialog programs format
// their texts ("%s: %d(%d%%)", "%.2fM").
#pragma once

#include <string>

namespace dlg {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
// The format may come from a text table: `Format(text.c_str(), ...)`.
std::string Format(const char* format, ...);

}  // namespace dlg
