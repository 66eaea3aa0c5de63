#include "platform/dialog/desktop/message_box_window.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "platform/dialog/message_box.h"

namespace dlg::desktop {
namespace {

constexpr unsigned kCodePageGbk = 936;
constexpr unsigned kCodePageBig5 = 950;

}  // namespace

std::vector<int> AnswersOf(unsigned style) {
    switch (style & MB_TYPEMASK) {
        case MB_OKCANCEL:
            return {IDOK, IDCANCEL};
        case MB_YESNO:
            return {IDYES, IDNO};
        default:
            return {IDOK};
    }
}

int EscapeAnswerOf(unsigned style) {
    switch (style & MB_TYPEMASK) {
        case MB_OKCANCEL:
            return IDCANCEL;
        case MB_YESNO:
            return 0;
        default:
            return IDOK;
    }
}

const char* IconArtOf(unsigned style) {
    switch (style & MB_ICONMASK) {
        case MB_ICONERROR:
            return wxART_ERROR;
        case MB_ICONQUESTION:
            return wxART_QUESTION;
        case MB_ICONWARNING:
            return wxART_WARNING;
        case MB_ICONINFORMATION:
            return wxART_INFORMATION;
        default:
            return nullptr;
    }
}

wxString ButtonCaption(int answer, unsigned codePage) {
    struct Captions {
        const char* ok;
        const char* cancel;
        const char* yes;
        const char* no;
    };
    static const Captions kEnglish{"OK", "Cancel", "&Yes", "&No"};
    static const Captions kSimplified{"确定", "取消", "是(&Y)", "否(&N)"};
    static const Captions kTraditional{"確定", "取消", "是(&Y)", "否(&N)"};
    const Captions& c = codePage == kCodePageGbk    ? kSimplified
                        : codePage == kCodePageBig5 ? kTraditional
                                                    : kEnglish;
    switch (answer) {
        case IDCANCEL:
            return wxString::FromUTF8(c.cancel);
        case IDYES:
            return wxString::FromUTF8(c.yes);
        case IDNO:
            return wxString::FromUTF8(c.no);
        default:
            return wxString::FromUTF8(c.ok);
    }
}

MessageBoxWindow::MessageBoxWindow(wxWindow* parent, const wxString& text, const wxString& caption,
                                   unsigned style, unsigned codePage)
    : wxDialog(parent, wxID_ANY, caption, wxDefaultPosition, wxDefaultSize,
               wxCAPTION | (EscapeAnswerOf(style) ? wxCLOSE_BOX | wxSYSTEM_MENU : 0) |
                   (parent ? 0 : wxDIALOG_NO_PARENT)),
      style_(style),
      text_(text) {
    const int gap = FromDIP(12);
    auto* body = new wxBoxSizer(wxHORIZONTAL);
    if (const char* art = IconArtOf(style)) {
        body->Add(new wxStaticBitmap(this, wxID_ANY,
                                     wxArtProvider::GetBitmapBundle(art, wxART_MESSAGE_BOX)),
                  0, wxALIGN_TOP | wxRIGHT, gap);
    }
    // Line feeds break lines; an empty line shows as a gap, as it does there.
    auto* label = new wxStaticText(this, wxID_ANY, wxString());
    label->SetLabelText(text);
    body->Add(label, 1, wxALIGN_CENTER_VERTICAL);

    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->AddStretchSpacer();
    for (int answer : AnswersOf(style)) {
        auto* button = new wxButton(this, wxID_ANY, ButtonCaption(answer, codePage));
        button->Bind(wxEVT_BUTTON, [this, answer](wxCommandEvent&) { Finish(answer); });
        buttons_.emplace_back(answer, button);
        row->Add(button, 0, wxLEFT | wxRIGHT, gap / 3);
        if (buttons_.size() == 1) {
            button->SetDefault();
            button->SetFocus();
        }
    }
    row->AddStretchSpacer();

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(body, 1, wxEXPAND | wxALL, gap);
    top->Add(row, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, gap);
    SetSizerAndFit(top);
    SetMinClientSize(wxSize(FromDIP(200), -1));
    Fit();
    CentreOnParent();

    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
        if (event.GetKeyCode() == WXK_ESCAPE) {
            if (int answer = EscapeAnswerOf(style_)) Finish(answer);
            return;
        }
        event.Skip();
    });
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
        if (int answer = EscapeAnswerOf(style_)) {
            Finish(answer);
        } else if (event.CanVeto()) {
            event.Veto();
        }
    });
}

wxWindow* MessageBoxWindow::ButtonOf(int answer) const {
    for (const auto& [a, button] : buttons_)
        if (a == answer) return button;
    return nullptr;
}

void MessageBoxWindow::Press(int answer) {
    wxWindow* button = ButtonOf(answer);
    if (!button) return;
    wxCommandEvent click(wxEVT_BUTTON, button->GetId());
    click.SetEventObject(button);
    button->ProcessWindowEvent(click);
}

void MessageBoxWindow::Finish(int answer) {
    answer_ = answer;
    if (IsModal()) EndModal(answer);
}

}  // namespace dlg::desktop
