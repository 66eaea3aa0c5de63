// A message box with the look the programs ask for by their style bits: the
// icon (error, question, warning, information or none), the button set (OK;
// OK and Cancel; Yes and No) and the answer of the button pressed.
#pragma once

#include <wx/dialog.h>

#include <vector>

namespace dlg::desktop {

// The buttons of a style, in the order they show, by their answers.
std::vector<int> AnswersOf(unsigned style);
// What Escape or the close box answers; 0 where the box cannot be closed
// without a choice (Yes/No).
int EscapeAnswerOf(unsigned style);
// The art id of the icon of a style, nullptr for none.
const char* IconArtOf(unsigned style);
// The caption of a button in the language of the code page.
wxString ButtonCaption(int answer, unsigned codePage);

class MessageBoxWindow : public wxDialog {
  public:
    MessageBoxWindow(wxWindow* parent, const wxString& text, const wxString& caption,
                     unsigned style, unsigned codePage);

    // The answer of the button pressed, after the box has closed.
    int Answer() const { return answer_; }
    // Presses the button of `answer` as a click would.
    void Press(int answer);
    wxWindow* ButtonOf(int answer) const;
    unsigned style() const { return style_; }
    const wxString& text() const { return text_; }

  private:
    void Finish(int answer);

    unsigned style_;
    wxString text_;
    int answer_ = 0;
    std::vector<std::pair<int, wxWindow*>> buttons_;
};

}  // namespace dlg::desktop
