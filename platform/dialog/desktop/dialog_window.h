// One dialog on screen: its controls built from the template, placed in
// dialog units, kept in step with the dialog's state, and what the user does
// handed back to the dialog as events.
#pragma once

#include <wx/dialog.h>
#include <wx/timer.h>

#include <map>
#include <memory>
#include <vector>

#include "platform/dialog/dialog.h"

namespace dlg {
class DesktopHost;
}

namespace dlg::desktop {

class MediaPlayerWindow;

class DialogWindow : public wxDialog {
  public:
    DialogWindow(DesktopHost& host, Dialog& dialog, wxWindow* parent);
    ~DialogWindow() override;

    // Model to screen: after the dialog's initialisation, everything and the
    // layout; afterwards one control (0: the window itself).
    void SyncAll();
    void Sync(int id);
    void LayOutControls();

    wxWindow* Control(int id) const;
    MediaPlayerWindow* MediaPlayer(int id) const;
    Dialog* dialog() const { return dialog_; }
    // The dialog lets go of its window: no more events reach it.
    void Detach();

    void StartTimer(unsigned id, unsigned milliseconds);
    void StopTimer(unsigned id);
    // The system menu's items as a pop-up menu at `where` (client position).
    void ShowSystemMenu(const wxPoint& where);

  private:
    struct Entry {
        const ControlTemplate* tmpl = nullptr;
        wxWindow* window = nullptr;
    };
    void BuildControls();
    wxWindow* MakeControl(const ControlTemplate& tmpl, bool& startsNewRadioGroup);
    const Entry* Find(int id) const;
    const Entry* FindWindow(const wxObject* object) const;
    void Deliver(const Event& event, int resyncId);
    void OnCharHook(wxKeyEvent& event);
    void OnText(wxCommandEvent& event);
    void SyncControl(const Entry& entry, const ControlState& state);

    DesktopHost& host_;
    Dialog* dialog_;
    std::vector<Entry> controls_;
    std::map<unsigned, std::unique_ptr<wxTimer>> timers_;
    int focusShown_ = 0;
    int iconShown_ = 0;
};

}  // namespace dlg::desktop
