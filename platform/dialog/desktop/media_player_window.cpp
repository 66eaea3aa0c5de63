#include "platform/dialog/desktop/media_player_window.h"

#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>
#include <sys/stat.h>
#include <wx/button.h>
#include <wx/evtloop.h>
#include <wx/filename.h>
#include <wx/mediactrl.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/utils.h>

namespace dlg::desktop {
namespace {

constexpr int kOpenTimerId = 1;
constexpr int kTickTimerId = 2;
constexpr int kTickMilliseconds = 250;
constexpr int kPositionSteps = 1000;
constexpr long kShutWaitMilliseconds = 2000;
constexpr int kMillisecondsPerSecond = 1000;

wxString Clock(wxLongLong milliseconds) {
    const long seconds = static_cast<long>(milliseconds.GetValue() / kMillisecondsPerSecond);
    return wxString::Format("%ld:%02ld", seconds / 60, seconds % 60);
}

// "gstreamer|1.0|app|MPEG-1 Layer 3 (MP3) decoder|decoder-audio/mpeg..." -> the
// description, the fourth field.
wxString MissingElementOf(const gchar* installerDetail) {
    const wxString detail = wxString::FromUTF8(installerDetail);
    wxArrayString fields = wxSplit(detail, '|', 0);
    return fields.size() > 3 ? fields[3] : detail;
}

}  // namespace

MediaPlayerWindow::MediaPlayerWindow(wxWindow* parent, wxWindowID id, unsigned openTimeoutMs,
                                     std::function<void(const wxString&)> report)
    : wxPanel(parent, id, wxDefaultPosition, wxDefaultSize, wxBORDER_THEME | wxTAB_TRAVERSAL),
      openTimeoutMs_(openTimeoutMs),
      report_(std::move(report)),
      openTimer_(this, kOpenTimerId),
      tickTimer_(this, kTickTimerId) {
    gst_init_check(nullptr, nullptr, nullptr);
    // The media control shows pictures only; a sound file has none, so it
    // stays out of sight and the panel shows the transport instead.
    media_ = new wxMediaCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxSize(1, 1), 0,
                             wxMEDIABACKEND_GSTREAMER);
    media_->Hide();
    status_ = new wxStaticText(this, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                               wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
    position_ = new wxSlider(this, wxID_ANY, 0, 0, kPositionSteps);
    playPause_ = new wxButton(this, wxID_ANY, "Pause");
    stop_ = new wxButton(this, wxID_ANY, "Stop");

    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(playPause_, 0, wxRIGHT, FromDIP(4));
    row->Add(stop_, 0, wxRIGHT, FromDIP(4));
    row->Add(position_, 1, wxALIGN_CENTER_VERTICAL);
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(status_, 0, wxEXPAND | wxALL, FromDIP(4));
    column->AddStretchSpacer();
    column->Add(row, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, FromDIP(4));
    SetSizer(column);

    playPause_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnPlayPause(); });
    stop_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnStop(); });
    position_->Bind(wxEVT_SLIDER, [this](wxCommandEvent&) {
        const wxLongLong length = media_->Length();
        if (length > 0) media_->Seek((length * position_->GetValue() / kPositionSteps).GetValue());
    });
    media_->Bind(wxEVT_MEDIA_LOADED, &MediaPlayerWindow::OnLoaded, this);
    media_->Bind(wxEVT_MEDIA_PLAY, [this](wxMediaEvent&) {
        if (state_ != State::Empty && state_ != State::Failed) SetState(State::Playing);
    });
    media_->Bind(wxEVT_MEDIA_PAUSE, [this](wxMediaEvent&) {
        if (state_ == State::Playing) SetState(State::Paused);
    });
    media_->Bind(wxEVT_MEDIA_STOP, [this](wxMediaEvent&) {
        if (state_ == State::Playing || state_ == State::Paused) SetState(State::Stopped);
    });
    media_->Bind(wxEVT_MEDIA_FINISHED, [this](wxMediaEvent&) {
        if (state_ == State::Playing || state_ == State::Paused) SetState(State::Stopped);
    });
    Bind(wxEVT_TIMER, [this](wxTimerEvent& event) {
        if (event.GetId() == kOpenTimerId) {
            if (state_ == State::Opening) Fail(TimeoutReason());
        } else {
            ShowPosition();
        }
    });
    SetState(State::Empty);
}

MediaPlayerWindow::~MediaPlayerWindow() {
    openTimer_.Stop();
    tickTimer_.Stop();
    StopDiscovery();
}

void MediaPlayerWindow::SetFileName(const std::string& path) {
    openTimer_.Stop();
    StopDiscovery();
    if (state_ != State::Empty && state_ != State::Failed) media_->Stop();
    path_ = path;
    failure_.clear();
    if (path.empty()) {
        SetState(State::Empty);
        return;
    }
    SetState(State::Opening);
    // GStreamer opens the file on this thread: a pipe or a device could keep
    // it waiting for ever, so only an ordinary file goes that far.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        Fail("the file cannot be found");
        return;
    }
    if (!S_ISREG(info.st_mode)) {
        Fail("it is no ordinary file");
        return;
    }
    GError* error = nullptr;
    gchar* uri = gst_filename_to_uri(path.c_str(), &error);
    if (!uri) {
        Fail(error ? wxString::FromUTF8(error->message) : wxString("the name is no file name"));
        if (error) g_error_free(error);
        return;
    }
    discoverer_ =
        gst_discoverer_new(static_cast<GstClockTime>(openTimeoutMs_) * GST_MSECOND, &error);
    if (!discoverer_) {
        g_free(uri);
        Fail(error ? wxString::FromUTF8(error->message) : wxString("GStreamer cannot start"));
        if (error) g_error_free(error);
        return;
    }
    g_signal_connect(discoverer_, "discovered", G_CALLBACK(&MediaPlayerWindow::Discovered), this);
    gst_discoverer_start(discoverer_);
    gst_discoverer_discover_uri_async(discoverer_, uri);
    g_free(uri);
}

void MediaPlayerWindow::Discovered(GstDiscoverer*, GstDiscovererInfo* info, GError* error,
                                   void* self) {
    static_cast<MediaPlayerWindow*>(self)->OnDiscovered(info, error);
}

void MediaPlayerWindow::OnDiscovered(GstDiscovererInfo* info, GError* error) {
    if (state_ != State::Opening) return;
    const GstDiscovererResult result = gst_discoverer_info_get_result(info);
    wxString reason;
    switch (result) {
        case GST_DISCOVERER_OK: {
            GList* audio = gst_discoverer_info_get_audio_streams(info);
            GList* video = gst_discoverer_info_get_video_streams(info);
            if (!audio && !video) reason = "it holds no sound";
            gst_discoverer_stream_info_list_free(audio);
            gst_discoverer_stream_info_list_free(video);
            break;
        }
        case GST_DISCOVERER_MISSING_PLUGINS: {
            reason = "this system has no decoder for it";
            const gchar** details =
                gst_discoverer_info_get_missing_elements_installer_details(info);
            if (details && details[0])
                reason += wxString::Format(" (missing: %s)", MissingElementOf(details[0]));
            break;
        }
        case GST_DISCOVERER_TIMEOUT:
            reason = TimeoutReason();
            break;
        case GST_DISCOVERER_URI_INVALID:
            reason = "the name is no file name";
            break;
        default:
            reason = error ? wxString::FromUTF8(error->message) : wxString("it cannot be read");
            break;
    }
    // The discoverer cannot be stopped from inside its own signal.
    CallAfter([this, reason] {
        StopDiscovery();
        if (state_ != State::Opening) return;
        if (reason.empty())
            OpenInPlayer();
        else
            Fail(reason);
    });
}

void MediaPlayerWindow::StopDiscovery() {
    if (!discoverer_) return;
    g_signal_handlers_disconnect_by_data(discoverer_, this);
    gst_discoverer_stop(discoverer_);
    g_object_unref(discoverer_);
    discoverer_ = nullptr;
}

void MediaPlayerWindow::OpenInPlayer() {
    if (!media_->Load(wxString::FromUTF8(path_))) {
        Fail("the player refused it");
        return;
    }
    openTimer_.StartOnce(static_cast<int>(openTimeoutMs_));
}

void MediaPlayerWindow::OnLoaded(wxMediaEvent&) {
    if (state_ != State::Opening) return;
    openTimer_.Stop();
    media_->Play();
    SetState(State::Playing);
}

void MediaPlayerWindow::Fail(const wxString& reason) {
    openTimer_.Stop();
    StopDiscovery();
    media_->Stop();
    failure_ = reason;
    SetState(State::Failed);
    if (report_) {
        const wxString name = wxFileName(wxString::FromUTF8(path_)).GetFullName();
        report_(wxString::Format("%s cannot be played: %s.", name, reason));
    }
}

void MediaPlayerWindow::OnPlayPause() {
    switch (state_) {
        case State::Playing:
            media_->Pause();
            break;
        case State::Paused:
        case State::Stopped:
            media_->Play();
            break;
        default:
            break;
    }
}

void MediaPlayerWindow::OnStop() {
    if (state_ == State::Playing || state_ == State::Paused) {
        media_->Stop();
        media_->Seek(0);
        SetState(State::Stopped);
    }
}

void MediaPlayerWindow::Shut() {
    openTimer_.Stop();
    tickTimer_.Stop();
    StopDiscovery();
    if (state_ == State::Empty || state_ == State::Failed) return;
    media_->Stop();
    // The player reports its stop through the event loop; it must have done
    // so before the control goes, or the report would find it gone.
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    const wxLongLong until = wxGetLocalTimeMillis() + kShutWaitMilliseconds;
    while (loop && media_->GetState() != wxMEDIASTATE_STOPPED && wxGetLocalTimeMillis() < until) {
        if (loop->Pending())
            loop->Dispatch();
        else
            wxMilliSleep(5);
    }
    SetState(State::Empty);
}

wxString MediaPlayerWindow::TimeoutReason() const {
    return wxString::Format("it did not open within %g seconds",
                            openTimeoutMs_ / double(kMillisecondsPerSecond));
}

wxString MediaPlayerWindow::StatusText() const {
    const wxString name = wxFileName(wxString::FromUTF8(path_)).GetFullName();
    switch (state_) {
        case State::Empty:
            return "No file";
        case State::Opening:
            return "Opening " + name;
        case State::Playing:
            return "Playing " + name;
        case State::Paused:
            return "Paused " + name;
        case State::Stopped:
            return "Stopped " + name;
        case State::Failed:
            return "Cannot play " + name + ": " + failure_;
    }
    return {};
}

void MediaPlayerWindow::SetState(State state) {
    state_ = state;
    const bool loaded =
        state == State::Playing || state == State::Paused || state == State::Stopped;
    playPause_->Enable(loaded);
    stop_->Enable(state == State::Playing || state == State::Paused);
    position_->Enable(loaded);
    playPause_->SetLabel(state == State::Playing ? "Pause" : "Play");
    if (loaded)
        tickTimer_.Start(kTickMilliseconds);
    else
        tickTimer_.Stop();
    if (!loaded) position_->SetValue(0);
    ShowPosition();
    Layout();
    if (onStateChanged) onStateChanged(state);
}

void MediaPlayerWindow::ShowPosition() {
    wxString text = StatusText();
    const bool loaded =
        state_ == State::Playing || state_ == State::Paused || state_ == State::Stopped;
    if (loaded) {
        const wxLongLong length = media_->Length();
        const wxLongLong at = media_->Tell();
        text += "  " + Clock(at) + " / " + Clock(length);
        if (length > 0 && state_ != State::Stopped)
            position_->SetValue(static_cast<int>((at * kPositionSteps / length).GetValue()));
        else
            position_->SetValue(0);
    }
    if (status_->GetLabel() != text) status_->SetLabel(text);
}

}  // namespace dlg::desktop
