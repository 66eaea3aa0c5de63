// The media player control of a dialog: plays the file named by its file-name
// property as soon as the name is set, and stops and lets go of the file when
// the name is empty. Built on the toolkit's media control (GStreamer). A file
// is first opened by GStreamer's discoverer, which names why it cannot be
// played (a missing decoder, a broken file) within a time-out; the player
// itself must then load it within the same time-out. Every failure is
// reported, never a silent wait.
#pragma once

#include <wx/panel.h>
#include <wx/timer.h>

#include <functional>
#include <string>

class wxButton;
class wxMediaCtrl;
class wxMediaEvent;
class wxSlider;
class wxStaticText;

typedef struct _GstDiscoverer GstDiscoverer;
typedef struct _GstDiscovererInfo GstDiscovererInfo;
typedef struct _GError GError;

namespace dlg::desktop {

class MediaPlayerWindow : public wxPanel {
  public:
    enum class State { Empty, Opening, Playing, Paused, Stopped, Failed };

    // `report` is told, in a sentence, why a file cannot be played.
    MediaPlayerWindow(wxWindow* parent, wxWindowID id, unsigned openTimeoutMs,
                      std::function<void(const wxString&)> report);
    ~MediaPlayerWindow() override;

    // A host path; empty stops and unloads.
    void SetFileName(const std::string& path);
    // Stops playing and waits (boundedly) until the player has stopped, so
    // that nothing of it is still under way when the window goes.
    void Shut();

    State state() const { return state_; }
    wxString StatusText() const;
    const std::string& path() const { return path_; }
    // Told each time the state changes (tests, the dialog's status).
    std::function<void(State)> onStateChanged;

  private:
    static void Discovered(GstDiscoverer* discoverer, GstDiscovererInfo* info, GError* error,
                           void* self);
    void OnDiscovered(GstDiscovererInfo* info, GError* error);
    void StopDiscovery();
    void OpenInPlayer();
    void Fail(const wxString& reason);
    wxString TimeoutReason() const;
    void SetState(State state);
    void ShowPosition();
    void OnLoaded(wxMediaEvent& event);
    void OnPlayPause();
    void OnStop();

    unsigned openTimeoutMs_;
    std::function<void(const wxString&)> report_;
    wxMediaCtrl* media_ = nullptr;
    wxButton* playPause_ = nullptr;
    wxButton* stop_ = nullptr;
    wxSlider* position_ = nullptr;
    wxStaticText* status_ = nullptr;
    wxTimer openTimer_;
    wxTimer tickTimer_;
    GstDiscoverer* discoverer_ = nullptr;
    std::string path_;
    wxString failure_;
    State state_ = State::Empty;
};

}  // namespace dlg::desktop
