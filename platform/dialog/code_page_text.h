// Texts between an ANSI code page (1252, 936, 950, ...) and UTF-8, for the
// hosts whose screen speaks UTF-8. Built on the C library's iconv.
#pragma once

#include <optional>
#include <string>

namespace dlg {

class CodePageText {
  public:
    explicit CodePageText(unsigned codePage);
    ~CodePageText();
    CodePageText(const CodePageText&) = delete;
    CodePageText& operator=(const CodePageText&) = delete;

    unsigned codePage() const { return codePage_; }

    // Bytes the code page does not hold show as U+FFFD; the rest still shows.
    std::string ToUtf8(const std::string& bytes) const;
    // std::nullopt when the text is no valid UTF-8 or holds a character the
    // code page has no bytes for.
    std::optional<std::string> FromUtf8(const std::string& text) const;

  private:
    unsigned codePage_;
    void* toUtf8_;    // iconv_t
    void* fromUtf8_;  // iconv_t
};

}  // namespace dlg
