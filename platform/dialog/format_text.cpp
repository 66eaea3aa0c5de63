#include "platform/dialog/format_text.h"

#include <cstdarg>
#include <cstdio>

namespace dlg {

namespace {

std::string FormatList(const char* format, std::va_list args) {
    std::va_list measure;
    va_copy(measure, args);
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    text.resize(static_cast<std::size_t>(length));
    return text;
}

}  // namespace

std::string Format(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::string text = FormatList(format, args);
    va_end(args);
    return text;
}

}  // namespace dlg
