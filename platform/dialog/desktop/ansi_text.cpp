#include "platform/dialog/desktop/ansi_text.h"

namespace dlg::desktop {
namespace {

wxFontEncoding EncodingOf(unsigned codePage) {
    switch (codePage) {
        case 936:
            return wxFONTENCODING_CP936;
        case 950:
            return wxFONTENCODING_CP950;
        default:
            return wxFONTENCODING_CP1252;
    }
}

constexpr wchar_t kReplacement = 0xFFFD;
// The longest byte sequence of one character in the code pages we serve.
constexpr std::size_t kMaxCharBytes = 2;

}  // namespace

AnsiText::AnsiText(unsigned codePage) : codePage_(codePage), conv_(EncodingOf(codePage)) {}

wxString AnsiText::ToWx(const std::string& bytes) const {
    if (bytes.empty()) return {};
    wxString whole(bytes.data(), conv_, bytes.size());
    if (!whole.empty()) return whole;
    // Somewhere a byte does not decode: go character by character.
    wxString text;
    std::size_t at = 0;
    while (at < bytes.size()) {
        bool decoded = false;
        for (std::size_t length = 1; length <= kMaxCharBytes && at + length <= bytes.size();
             ++length) {
            wxString one(bytes.data() + at, conv_, length);
            if (!one.empty()) {
                text += one;
                at += length;
                decoded = true;
                break;
            }
        }
        if (!decoded) {
            text += kReplacement;
            ++at;
        }
    }
    return text;
}

std::string AnsiText::FromWx(const wxString& text) const {
    if (text.empty()) return {};
    const wxScopedCharBuffer whole = text.mb_str(conv_);
    if (whole.length() != 0) return std::string(whole.data(), whole.length());
    std::string bytes;
    for (const auto& c : text) {
        const wxString one(c);
        const wxScopedCharBuffer converted = one.mb_str(conv_);
        if (converted.length() != 0)
            bytes.append(converted.data(), converted.length());
        else
            bytes += '?';
    }
    return bytes;
}

}  // namespace dlg::desktop
