#include "platform/dialog/code_page_text.h"

#include <iconv.h>

#include <cerrno>
#include <string>

namespace dlg {

namespace {

const iconv_t kNoConversion = reinterpret_cast<iconv_t>(-1);
constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

std::string IconvName(unsigned codePage) {
    switch (codePage) {
        case 936:
            return "CP936";
        case 950:
            return "CP950";
        case 1252:
            return "CP1252";
        default:
            return "CP" + std::to_string(codePage);
    }
}

iconv_t Open(const std::string& to, const std::string& from) {
    return iconv_open(to.c_str(), from.c_str());
}

// Runs one conversion; on a byte it cannot take, `onBad` decides: it appends
// what stands for the byte and returns true to go on, or false to give up.
template <typename OnBad>
bool Convert(iconv_t cd, const std::string& in, std::string& out, OnBad onBad) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char buffer[256];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, sizeof buffer - outLeft);
        if (done != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) continue;
        // EILSEQ or an incomplete sequence at the end: one byte is bad.
        if (!onBad(out)) return false;
        ++inPtr;
        --inLeft;
    }
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, sizeof buffer - outLeft);
    return true;
}

}  // namespace

CodePageText::CodePageText(unsigned codePage)
    : codePage_(codePage),
      toUtf8_(Open("UTF-8", IconvName(codePage))),
      fromUtf8_(Open(IconvName(codePage), "UTF-8")) {}

CodePageText::~CodePageText() {
    if (static_cast<iconv_t>(toUtf8_) != kNoConversion) iconv_close(static_cast<iconv_t>(toUtf8_));
    if (static_cast<iconv_t>(fromUtf8_) != kNoConversion)
        iconv_close(static_cast<iconv_t>(fromUtf8_));
}

std::string CodePageText::ToUtf8(const std::string& bytes) const {
    const auto cd = static_cast<iconv_t>(toUtf8_);
    if (cd == kNoConversion) {
        // A code page the C library does not know: only ASCII is certain.
        std::string out;
        for (char c : bytes) {
            if (static_cast<unsigned char>(c) < 0x80)
                out += c;
            else
                out += kReplacement;
        }
        return out;
    }
    std::string out;
    Convert(cd, bytes, out, [](std::string& text) {
        text += kReplacement;
        return true;
    });
    return out;
}

std::optional<std::string> CodePageText::FromUtf8(const std::string& text) const {
    const auto cd = static_cast<iconv_t>(fromUtf8_);
    if (cd == kNoConversion) return std::nullopt;
    std::string out;
    if (!Convert(cd, text, out, [](std::string&) { return false; })) return std::nullopt;
    return out;
}

}  // namespace dlg
