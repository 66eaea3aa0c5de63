#include "platform/dialog/desktop/tests/gui_driver.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/menu.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <cstdlib>
#include <memory>

#include "testing/test_support.h"

namespace dlg::desktop::testing {

bool RunUntil(const std::function<bool()>& done, int limitMs) {
    const wxLongLong until = wxGetLocalTimeMillis() + limitMs;
    while (!done()) {
        if (wxGetLocalTimeMillis() > until) return false;
        wxTheApp->Yield(true);
        wxMilliSleep(2);
    }
    return true;
}

void Settle(int ms) {
    const wxLongLong until = wxGetLocalTimeMillis() + ms;
    while (wxGetLocalTimeMillis() < until) {
        wxTheApp->Yield(true);
        wxMilliSleep(5);
    }
}

void Press(wxWindow* control) {
    wxEventType type = wxEVT_BUTTON;
    if (auto* radio = dynamic_cast<wxRadioButton*>(control)) {
        radio->SetValue(true);
        type = wxEVT_RADIOBUTTON;
    } else if (auto* check = dynamic_cast<wxCheckBox*>(control)) {
        check->SetValue(!check->GetValue());
        type = wxEVT_CHECKBOX;
    }
    wxCommandEvent event(type, control->GetId());
    event.SetEventObject(control);
    if (type != wxEVT_BUTTON) event.SetInt(1);
    control->ProcessWindowEvent(event);
}

void Pick(wxWindow* window, int index) {
    auto* choice = dynamic_cast<wxChoice*>(window);
    choice->SetSelection(index);
    wxCommandEvent event(wxEVT_CHOICE, choice->GetId());
    event.SetEventObject(choice);
    event.SetInt(index);
    choice->ProcessWindowEvent(event);
}

void TypeText(wxWindow* window, const std::string& utf8) {
    // SetValue sends the text event, as typing does.
    dynamic_cast<wxTextCtrl*>(window)->SetValue(wxString::FromUTF8(utf8));
}

void RealClick(wxWindow* control) {
    wxUIActionSimulator simulator;
    const wxRect r = control->GetScreenRect();
    simulator.MouseMove(r.x + r.width / 2, r.y + r.height / 2);
    simulator.MouseClick();
}

void RealRightClick(wxWindow* window, int x, int y) {
    wxUIActionSimulator simulator;
    const wxPoint at = window->ClientToScreen(wxPoint(x, y));
    simulator.MouseMove(at.x, at.y);
    simulator.MouseClick(wxMOUSE_BTN_RIGHT);
}

void RealKeys(const std::vector<int>& keys) {
    wxUIActionSimulator simulator;
    for (int key : keys) simulator.Char(key);
}

void PickFromWindowMenu(wxWindow* dialog, int index) {
    auto picked = std::make_shared<bool>(false);
    dialog->Bind(wxEVT_MENU_OPEN, [dialog, picked, index](wxMenuEvent& event) {
        event.Skip();
        if (*picked) return;
        *picked = true;
        dialog->CallAfter([index] {
            std::vector<int> keys(static_cast<std::size_t>(index) + 1, WXK_DOWN);
            keys.push_back(WXK_RETURN);
            RealKeys(keys);
        });
    });
    RealRightClick(dialog, 4, dialog->GetClientSize().y - 4);
}

bool Screenshot(wxWindow* window, const std::filesystem::path& file) {
    window->Refresh();
    window->Update();
    Settle(300);
    const wxPoint origin = window->ClientToScreen(wxPoint(0, 0));
    const wxSize size = window->GetClientSize();
    const std::string command = "import -window root -crop " + std::to_string(size.x) + "x" +
                                std::to_string(size.y) + "+" + std::to_string(origin.x) + "+" +
                                std::to_string(origin.y) + " +repage " +
                                testing_support::ShellQuote(file.string());
    return testing_support::RunCommand(command).exitCode == 0;
}

std::filesystem::path ShotFolder() {
    const char* folder = std::getenv("KV_SCREENSHOT_DIR");
    std::filesystem::path path = folder ? folder : std::filesystem::current_path();
    std::filesystem::create_directories(path);
    return path;
}

}  // namespace dlg::desktop::testing
