#include "platform/dialog/desktop/dialog_window.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dcclient.h>
#include <wx/menu.h>
#include <wx/radiobut.h>
#include <wx/settings.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "platform/dialog/desktop/ansi_text.h"
#include "platform/dialog/desktop/desktop_host.h"
#include "platform/dialog/desktop/dialog_layout.h"
#include "platform/dialog/desktop/media_player_window.h"
#include "platform/dialog/desktop/program_icons.h"

namespace dlg::desktop {
namespace {

// The point size the templates' metrics were made for: the desktop's own
// dialog font stands in for it, and other sizes scale from it.
constexpr double kTemplateBasePoints = 8.0;
constexpr int kIconPixels = 32;
constexpr char kMeasuredLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr char kBoldTemplateFont[] = "System";

long WindowStyleOf(const DialogTemplate& tmpl, bool hasParent) {
    long style = 0;
    if (tmpl.style & kCaption) style |= wxCAPTION;
    if (tmpl.style & kSystemMenu) style |= wxSYSTEM_MENU | wxCLOSE_BOX;
    if (tmpl.style & kMinimizeBox) style |= wxMINIMIZE_BOX;
    if (!(tmpl.style & kCaption)) style |= wxBORDER_SIMPLE;
    if (!hasParent) style |= wxDIALOG_NO_PARENT;
    return style;
}

bool TakesKeyboardFocus(ControlKind kind) {
    switch (kind) {
        case ControlKind::PushButton:
        case ControlKind::DefPushButton:
        case ControlKind::AutoRadioButton:
        case ControlKind::AutoCheckBox:
        case ControlKind::EditBox:
        case ControlKind::DropDownList:
            return true;
        default:
            return false;
    }
}

}  // namespace

DialogWindow::DialogWindow(DesktopHost& host, Dialog& dialog, wxWindow* parent)
    : wxDialog(parent, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
               WindowStyleOf(dialog.dialogTemplate(), parent != nullptr)),
      host_(host),
      dialog_(&dialog) {
    const DialogTemplate& tmpl = dialog.dialogTemplate();
    wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    font.SetFractionalPointSize(font.GetFractionalPointSize() * tmpl.fontPoints /
                                kTemplateBasePoints);
    if (tmpl.fontName == kBoldTemplateFont) font.MakeBold();
    SetFont(font);
    BuildControls();

    Bind(wxEVT_BUTTON, [this](wxCommandEvent& event) {
        const Entry* entry = FindWindow(event.GetEventObject());
        if (!entry) return event.Skip();
        Deliver(Event::Click(entry->tmpl->id), entry->tmpl->id);
    });
    Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent& event) {
        const Entry* entry = FindWindow(event.GetEventObject());
        if (!entry) return event.Skip();
        Deliver(Event::Click(entry->tmpl->id), entry->tmpl->id);
        // A radio group's other buttons were changed by the toolkit too.
        for (const auto& e : controls_)
            if (e.tmpl->kind == ControlKind::AutoRadioButton) Sync(e.tmpl->id);
    });
    Bind(wxEVT_CHECKBOX, [this](wxCommandEvent& event) {
        const Entry* entry = FindWindow(event.GetEventObject());
        if (!entry) return event.Skip();
        Deliver(Event::Click(entry->tmpl->id), entry->tmpl->id);
    });
    Bind(wxEVT_CHOICE, [this](wxCommandEvent& event) {
        const Entry* entry = FindWindow(event.GetEventObject());
        if (!entry) return event.Skip();
        Deliver(Event::SelChange(entry->tmpl->id, event.GetSelection()), entry->tmpl->id);
    });
    Bind(wxEVT_TEXT, &DialogWindow::OnText, this);
    Bind(wxEVT_CHAR_HOOK, &DialogWindow::OnCharHook, this);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
        // The dialog decides whether the close box ends it.
        if (event.CanVeto()) event.Veto();
        Deliver(Event::Close(), 0);
    });
    Bind(wxEVT_CONTEXT_MENU, [this](wxContextMenuEvent& event) {
        wxPoint at = event.GetPosition();
        at = at == wxDefaultPosition ? wxPoint(0, 0) : ScreenToClient(at);
        ShowSystemMenu(at);
    });
    Bind(wxEVT_TIMER, [this](wxTimerEvent& event) { Deliver(Event::Timer(event.GetId()), 0); });
}

DialogWindow::~DialogWindow() {
    timers_.clear();
}

void DialogWindow::BuildControls() {
    bool radioGroupOpen = false;
    for (const auto& tmpl : dialog_->dialogTemplate().controls) {
        bool startsGroup = !radioGroupOpen || (tmpl.style & kGroup);
        wxWindow* window = MakeControl(tmpl, startsGroup);
        if (tmpl.kind == ControlKind::AutoRadioButton) radioGroupOpen = true;
        if (TakesKeyboardFocus(tmpl.kind) && !(tmpl.style & kTabStop))
            window->DisableFocusFromKeyboard();
        if (tmpl.style & kHidden) window->Hide();
        if (tmpl.style & kDisabled) window->Disable();
        controls_.push_back({&tmpl, window});
    }
}

wxWindow* DialogWindow::MakeControl(const ControlTemplate& tmpl, bool& startsNewRadioGroup) {
    const wxString caption = host_.Text().ToWx(tmpl.caption);
    const int id = tmpl.id;
    switch (tmpl.kind) {
        case ControlKind::PushButton:
            return new wxButton(this, id, caption, wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
        case ControlKind::DefPushButton: {
            auto* button =
                new wxButton(this, id, caption, wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
            button->SetDefault();
            return button;
        }
        case ControlKind::AutoRadioButton:
            return new wxRadioButton(this, id, caption, wxDefaultPosition, wxDefaultSize,
                                     startsNewRadioGroup ? wxRB_GROUP : 0);
        case ControlKind::AutoCheckBox:
            return new wxCheckBox(this, id, caption);
        case ControlKind::GroupBox:
            return new wxStaticBox(this, id, caption);
        case ControlKind::StaticText:
            return new wxStaticText(this, id, caption, wxDefaultPosition, wxDefaultSize,
                                    wxST_NO_AUTORESIZE);
        case ControlKind::EditBox:
            return new wxTextCtrl(this, id, caption, wxDefaultPosition, wxDefaultSize,
                                  (tmpl.style & kReadOnly) ? wxTE_READONLY : 0);
        case ControlKind::DropDownList:
            return new wxChoice(this, id);
        case ControlKind::Icon:
            return new wxStaticBitmap(this, id, host_.IconBitmap(tmpl.iconId, kIconPixels));
        case ControlKind::MediaPlayer: {
            Dialog* dialog = dialog_;
            DesktopHost* host = &host_;
            return new MediaPlayerWindow(this, id, host_.options().mediaOpenTimeoutMs,
                                         [host, dialog](const wxString& sentence) {
                                             host->ReportMediaFailure(*dialog, sentence);
                                         });
        }
    }
    return new wxWindow(this, id);
}

const DialogWindow::Entry* DialogWindow::Find(int id) const {
    for (const auto& e : controls_)
        if (e.tmpl->id == id) return &e;
    return nullptr;
}

const DialogWindow::Entry* DialogWindow::FindWindow(const wxObject* object) const {
    for (const auto& e : controls_)
        if (e.window == object) return &e;
    return nullptr;
}

wxWindow* DialogWindow::Control(int id) const {
    const Entry* e = Find(id);
    return e ? e->window : nullptr;
}

MediaPlayerWindow* DialogWindow::MediaPlayer(int id) const {
    const Entry* e = Find(id);
    if (!e || e->tmpl->kind != ControlKind::MediaPlayer) return nullptr;
    return static_cast<MediaPlayerWindow*>(e->window);
}

void DialogWindow::Detach() {
    timers_.clear();
    for (const auto& e : controls_)
        if (e.tmpl->kind == ControlKind::MediaPlayer)
            static_cast<MediaPlayerWindow*>(e.window)->Shut();
    dialog_ = nullptr;
}

void DialogWindow::Deliver(const Event& event, int resyncId) {
    if (!dialog_) return;
    Event e = event;
    e.target = dialog_;
    dialog_->HandleEvent(e);
    // The dialog may have refused what the toolkit already shows (a click on
    // a control it ignores, more text than the limit): show the model again.
    if (dialog_ && resyncId) Sync(resyncId);
}

void DialogWindow::OnText(wxCommandEvent& event) {
    const Entry* entry = FindWindow(event.GetEventObject());
    if (!entry || entry->tmpl->kind != ControlKind::EditBox || !dialog_) return event.Skip();
    auto* edit = static_cast<wxTextCtrl*>(entry->window);
    const ControlState* state = dialog_->Control(entry->tmpl->id);
    wxString value = edit->GetValue();
    std::string bytes = host_.Text().FromWx(value);
    // The limit counts bytes of the code page, as the system's edit box does:
    // a character that would not fit whole is refused.
    if (state && state->textLimit && bytes.size() > state->textLimit) {
        while (!value.empty() && bytes.size() > state->textLimit) {
            value.RemoveLast();
            bytes = host_.Text().FromWx(value);
        }
        edit->ChangeValue(value);
        edit->SetInsertionPointEnd();
        wxBell();
    }
    Deliver(Event::Type(entry->tmpl->id, bytes), entry->tmpl->id);
}

void DialogWindow::OnCharHook(wxKeyEvent& event) {
    const int key = event.GetKeyCode();
    if (key == WXK_RETURN || key == WXK_NUMPAD_ENTER) {
        // A focused push button takes Enter itself, as it does there.
        if (dynamic_cast<wxButton*>(wxWindow::FindFocus())) return event.Skip();
        Deliver(Event::EnterKey(), 0);
        return;
    }
    if (key == WXK_ESCAPE) {
        Deliver(Event::EscapeKey(), 0);
        return;
    }
    const bool menuKey = key == WXK_MENU ||
                         (key == WXK_F10 && event.GetModifiers() == wxMOD_SHIFT) ||
                         (key == WXK_SPACE && event.GetModifiers() == wxMOD_ALT);
    if (menuKey) {
        ShowSystemMenu(wxPoint(0, 0));
        return;
    }
    event.Skip();
}

void DialogWindow::ShowSystemMenu(const wxPoint& where) {
    if (!dialog_) return;
    wxMenu menu;
    std::vector<int> commands;
    bool separatorDue = false;
    for (const auto& item : dialog_->SystemMenu()) {
        if (item.separator) {
            separatorDue = !commands.empty();
            continue;
        }
        if (separatorDue) menu.AppendSeparator();
        separatorDue = false;
        menu.Append(wxID_HIGHEST + 1 + static_cast<int>(commands.size()),
                    host_.Text().ToWx(item.text));
        commands.push_back(item.command);
    }
    if (commands.empty()) return;
    const int chosen = GetPopupMenuSelectionFromUser(menu, where);
    const int index = chosen - wxID_HIGHEST - 1;
    if (index >= 0 && index < static_cast<int>(commands.size()))
        Deliver(Event::SysCommand(commands[static_cast<std::size_t>(index)]), 0);
}

void DialogWindow::StartTimer(unsigned id, unsigned milliseconds) {
    auto timer = std::make_unique<wxTimer>(this, static_cast<int>(id));
    timer->Start(static_cast<int>(milliseconds));
    timers_[id] = std::move(timer);
}

void DialogWindow::StopTimer(unsigned id) {
    timers_.erase(id);
}

void DialogWindow::SyncAll() {
    Sync(0);
    for (const auto& e : controls_) Sync(e.tmpl->id);
}

void DialogWindow::Sync(int id) {
    if (!dialog_) return;
    if (id != 0) {
        const Entry* entry = Find(id);
        const ControlState* state = dialog_->Control(id);
        if (entry && state) SyncControl(*entry, *state);
        return;
    }
    const wxString title = host_.Text().ToWx(dialog_->WindowText());
    if (GetTitle() != title) SetTitle(title);
    const int icon = dialog_->Icon(IconSize::Big) ? dialog_->Icon(IconSize::Big)
                                                  : dialog_->Icon(IconSize::Small);
    if (icon != iconShown_) {
        iconShown_ = icon;
        if (host_.HasIcon(icon)) SetIcons(host_.Icons(icon));
    }
    const int focus = dialog_->FocusId();
    if (focus != focusShown_) {
        focusShown_ = focus;
        if (wxWindow* w = Control(focus)) w->SetFocus();
    }
}

void DialogWindow::SyncControl(const Entry& entry, const ControlState& state) {
    wxWindow* w = entry.window;
    const wxString text = host_.Text().ToWx(state.text);
    switch (entry.tmpl->kind) {
        case ControlKind::PushButton:
        case ControlKind::DefPushButton:
        case ControlKind::GroupBox:
        case ControlKind::StaticText:
            if (w->GetLabel() != text) w->SetLabel(text);
            break;
        case ControlKind::AutoRadioButton: {
            auto* radio = static_cast<wxRadioButton*>(w);
            if (radio->GetLabel() != text) radio->SetLabel(text);
            if (radio->GetValue() != (state.checked != 0)) radio->SetValue(state.checked != 0);
            break;
        }
        case ControlKind::AutoCheckBox: {
            auto* check = static_cast<wxCheckBox*>(w);
            if (check->GetLabel() != text) check->SetLabel(text);
            if (check->GetValue() != (state.checked != 0)) check->SetValue(state.checked != 0);
            break;
        }
        case ControlKind::EditBox: {
            auto* edit = static_cast<wxTextCtrl*>(w);
            if (edit->GetValue() != text) edit->ChangeValue(text);
            break;
        }
        case ControlKind::DropDownList: {
            auto* choice = static_cast<wxChoice*>(w);
            wxArrayString items;
            for (const auto& item : state.items) items.Add(host_.Text().ToWx(item));
            if (choice->GetStrings() != items) choice->Set(items);
            const int selection =
                state.selection >= 0 && state.selection < static_cast<int>(items.size())
                    ? state.selection
                    : wxNOT_FOUND;
            if (choice->GetSelection() != selection) choice->SetSelection(selection);
            break;
        }
        case ControlKind::Icon:
        case ControlKind::MediaPlayer:
            break;
    }
    if (w->IsEnabled() != state.enabled) w->Enable(state.enabled);
    if (w->IsShown() != state.visible) w->Show(state.visible);
}

void DialogWindow::LayOutControls() {
    const DialogTemplate& tmpl = dialog_ ? dialog_->dialogTemplate() : DialogTemplate{};
    wxClientDC dc(this);
    dc.SetFont(GetFont());
    const wxSize letters = dc.GetTextExtent(kMeasuredLetters);
    const BaseUnits base = BaseUnitsOf(letters.x, dc.GetCharHeight());

    std::vector<LayoutItem> items;
    for (const auto& e : controls_) {
        LayoutItem item{e.tmpl->kind, e.tmpl->rect, {}, e.window->IsShown()};
        const wxSize best = e.window->GetBestSize();
        switch (e.tmpl->kind) {
            case ControlKind::PushButton:
            case ControlKind::DefPushButton:
            case ControlKind::AutoRadioButton:
            case ControlKind::AutoCheckBox:
                item.needed = {best.x, best.y};
                break;
            case ControlKind::StaticText:
                if (!e.window->GetLabel().empty()) item.needed = {best.x, best.y};
                break;
            case ControlKind::EditBox:
            case ControlKind::DropDownList:
                item.needed = {0, best.y};
                break;
            case ControlKind::Icon:
                item.needed = {kIconPixels, kIconPixels};
                break;
            case ControlKind::GroupBox:
            case ControlKind::MediaPlayer:
                break;
        }
        items.push_back(item);
    }
    const ControlLayout layout = LayOut(items, tmpl.cx, tmpl.cy, base);
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const PixelRect& r = layout.controls[i];
        controls_[i].window->SetSize(r.x, r.y, r.width, r.height);
    }
    SetClientSize(layout.client.width, layout.client.height);
    Layout();
    if (GetParent())
        CentreOnParent();
    else
        Centre();
}

}  // namespace dlg::desktop
