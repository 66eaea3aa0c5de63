#include "platform/dialog/desktop/desktop_host.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/filedlg.h>
#include <wx/iconbndl.h>
#include <wx/utils.h>

#include "platform/dialog/desktop/ansi_text.h"
#include "platform/dialog/desktop/dialog_window.h"
#include "platform/dialog/desktop/file_filter.h"
#include "platform/dialog/desktop/media_player_window.h"
#include "platform/dialog/desktop/message_box_window.h"
#include "platform/dialog/desktop/program_icons.h"

namespace dlg {
namespace {

constexpr int kFileNameDispatchId = 1026;  // the media player's file name

wxString OpenTitle(unsigned codePage) {
    switch (codePage) {
        case 936:
            return wxString::FromUTF8("打开");
        case 950:
            return wxString::FromUTF8("開啟");
        default:
            return "Open";
    }
}

}  // namespace

DesktopHost::DesktopHost(DesktopHostOptions options)
    : options_(std::move(options)), text_(std::make_unique<desktop::AnsiText>(options_.codePage)) {}

DesktopHost::~DesktopHost() {
    if (busyCursor_) wxEndBusyCursor();
    for (auto& [dialog, window] : windows_) {
        window->Detach();
        window->Destroy();
    }
}

void DesktopHost::RegisterIcon(int iconId, const std::string& svg) {
    icons_[iconId] = svg;
}

wxIconBundle DesktopHost::Icons(int iconId) const {
    auto it = icons_.find(iconId);
    return it == icons_.end() ? wxIconBundle() : desktop::IconBundleFromSvg(it->second);
}

wxBitmapBundle DesktopHost::IconBitmap(int iconId, int pixels) const {
    auto it = icons_.find(iconId);
    return it == icons_.end() ? wxBitmapBundle() : desktop::BitmapBundleFromSvg(it->second, pixels);
}

desktop::DialogWindow* DesktopHost::Find(const Dialog& dialog) const {
    auto it = windows_.find(&dialog);
    return it == windows_.end() ? nullptr : it->second;
}

wxDialog* DesktopHost::WindowOf(const Dialog& dialog) const {
    return Find(dialog);
}

wxWindow* DesktopHost::ControlWindow(const Dialog& dialog, int id) const {
    desktop::DialogWindow* window = Find(dialog);
    return window ? window->Control(id) : nullptr;
}

desktop::MediaPlayerWindow* DesktopHost::MediaPlayerOf(const Dialog& dialog, int id) const {
    desktop::DialogWindow* window = Find(dialog);
    return window ? window->MediaPlayer(id) : nullptr;
}

desktop::DialogWindow* DesktopHost::MakeWindow(Dialog& dialog) {
    Release(dialog);
    wxWindow* parent = dialog.owner() ? WindowOf(*dialog.owner()) : nullptr;
    auto* window = new desktop::DialogWindow(*this, dialog, parent);
    windows_[&dialog] = window;
    return window;
}

void DesktopHost::Release(Dialog& dialog) {
    auto it = windows_.find(&dialog);
    if (it == windows_.end()) return;
    desktop::DialogWindow* window = it->second;
    windows_.erase(it);
    window->Detach();
    if (window->IsModal()) window->EndModal(dialog.Result());
    window->Destroy();
    dialog.WindowDestroyed();
}

void DesktopHost::AnnounceShown(Dialog& dialog) {
    if (!onWindowShown) return;
    desktop::DialogWindow* window = Find(dialog);
    if (!window) return;
    window->CallAfter([this, &dialog] {
        if (Find(dialog)) onWindowShown(dialog);
    });
}

int DesktopHost::RunModal(Dialog& dialog) {
    desktop::DialogWindow* window = MakeWindow(dialog);
    dialog.InitWindow();
    if (!dialog.Ended() && Find(dialog) == window) {
        window->SyncAll();
        window->LayOutControls();
        AnnounceShown(dialog);
        window->ShowModal();
    }
    const int result = dialog.Result();
    Release(dialog);
    return result;
}

void DesktopHost::CreateModeless(Dialog& dialog) {
    desktop::DialogWindow* window = MakeWindow(dialog);
    dialog.InitWindow();
    if (Find(dialog) != window) return;
    window->SyncAll();
    window->LayOutControls();
    if (dialog.dialogTemplate().style & kVisible) {
        window->Show();
        // Shown at once, not only when the event loop next runs: the
        // program may go on working without dispatching anything.
        window->Update();
        AnnounceShown(dialog);
    }
}

void DesktopHost::DestroyWindow(Dialog& dialog) {
    Release(dialog);
}

void DesktopHost::EndModal(Dialog& dialog, int result) {
    desktop::DialogWindow* window = Find(dialog);
    // Ended during its initialisation the dialog never shows; RunModal sees it.
    if (window && window->IsModal()) window->EndModal(result);
}

bool DesktopHost::DispatchOnePending() {
    ++pumps_;
    if (onPump) onPump(pumps_);
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    if (!loop || !loop->Pending()) return false;
    loop->Dispatch();
    return true;
}

int DesktopHost::MessageBox(Dialog* owner, const std::string& text, const std::string& caption,
                            unsigned style) {
    wxWindow* parent = owner ? WindowOf(*owner) : nullptr;
    desktop::MessageBoxWindow box(parent, text_->ToWx(text), text_->ToWx(caption), style,
                                  options_.codePage);
    // The wait cursor belongs to the work, not to the question.
    std::unique_ptr<wxBusyCursorSuspender> arrow;
    if (busyCursor_) arrow = std::make_unique<wxBusyCursorSuspender>();
    if (onMessageBoxShown) {
        box.CallAfter([this, &box, owner, text, caption, style] {
            ShownMessageBox shown{owner, text, caption, style, &box};
            onMessageBoxShown(shown);
        });
    }
    box.ShowModal();
    return box.Answer() ? box.Answer() : desktop::AnswersOf(style).back();
}

void DesktopHost::SetCursor(Cursor cursor) {
    const bool wait = cursor == Cursor::Wait;
    if (wait == busyCursor_) return;
    busyCursor_ = wait;
    if (wait)
        wxBeginBusyCursor();
    else
        wxEndBusyCursor();
}

void DesktopHost::SetTimer(Dialog& dialog, unsigned id, unsigned milliseconds) {
    if (desktop::DialogWindow* window = Find(dialog)) window->StartTimer(id, milliseconds);
}

void DesktopHost::KillTimer(Dialog& dialog, unsigned id) {
    if (desktop::DialogWindow* window = Find(dialog)) window->StopTimer(id);
}

bool DesktopHost::FileOpen(Dialog* owner, const FileOpenRequest& request, std::string& path) {
    std::vector<desktop::FilterEntry> entries = desktop::ParseFileFilter(request.filter);
    for (auto& entry : entries)
        entry.description = std::string(text_->ToWx(entry.description).utf8_str());
    const std::string wildcard = desktop::WildcardOf(entries);
    if (onFileOpen) {
        std::optional<std::string> answer = onFileOpen(request, wildcard);
        if (!answer) return false;
        path = *answer;
        return true;
    }
    wxWindow* parent = owner ? WindowOf(*owner) : nullptr;
    std::unique_ptr<wxBusyCursorSuspender> arrow;
    if (busyCursor_) arrow = std::make_unique<wxBusyCursorSuspender>();
    wxFileDialog dialog(parent, OpenTitle(options_.codePage), wxString(),
                        text_->ToWx(request.initialName), wxString::FromUTF8(wildcard),
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK) return false;
    // The name as the file system spells it, so the program can open it.
    path = std::string(dialog.GetPath().fn_str());
    return true;
}

void DesktopHost::Changed(Dialog& dialog, int id) {
    if (desktop::DialogWindow* window = Find(dialog)) window->Sync(id);
}

void DesktopHost::PropertySet(Dialog& dialog, int id, int dispatchId) {
    if (dispatchId != kFileNameDispatchId) return;
    desktop::MediaPlayerWindow* player = MediaPlayerOf(dialog, id);
    if (!player) return;
    std::string name = dialog.GetItemProperty(id, dispatchId);
    if (options_.hostPath && !name.empty()) name = options_.hostPath(name);
    player->SetFileName(name);
}

void DesktopHost::ReportMediaFailure(Dialog& dialog, const wxString& sentence) {
    if (!Find(dialog)) return;
    MessageBox(&dialog, text_->FromWx(sentence), dialog.WindowText(), MB_OK | MB_ICONERROR);
}

}  // namespace dlg
