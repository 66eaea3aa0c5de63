// The programs' texts are byte strings in the machine's ANSI code page
// (ASCII/Western 1252, GBK 936, Big5 950); the toolkit speaks Unicode. This
// is the one place where the two meet.
#pragma once

#include <wx/strconv.h>
#include <wx/string.h>

#include <string>

namespace dlg::desktop {

class AnsiText {
  public:
    explicit AnsiText(unsigned codePage);

    unsigned codePage() const { return codePage_; }

    // Bytes that do not decode show as U+FFFD, as a broken byte would on the
    // system the texts were written for; the rest of the text still shows.
    wxString ToWx(const std::string& bytes) const;
    // Characters the code page has no bytes for become '?', as the system's
    // own conversion does.
    std::string FromWx(const wxString& text) const;

  private:
    unsigned codePage_;
    wxCSConv conv_;
};

}  // namespace dlg::desktop
