// The desktop host: every dialog as a real window on wxWidgets (GTK).
//
// The dialog model stays the truth: a window is built from the dialog's
// template, shows the model's state (Changed) and hands what the user does
// back as events (clicks, Enter, Escape, the close box, typing, picking a
// drive). Texts are converted from the ANSI code page at this edge.
//
// The system menu: this desktop has none, so its items (such as "&About ...")
// are offered as a context menu of the dialog: a right click on the dialog's
// background, the Menu key, Shift+F10 or Alt+Space open it, and choosing an
// item sends the same system command as on the original system.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialog/dialog.h"
#include "platform/dialog/host.h"

class wxBitmapBundle;
class wxDialog;
class wxIconBundle;
class wxString;
class wxWindow;

namespace dlg {

namespace desktop {
class AnsiText;
class DialogWindow;
class MediaPlayerWindow;
class MessageBoxWindow;
}  // namespace desktop

struct DesktopHostOptions {
    // The ANSI code page the programs' texts are written in: 1252, 936, 950.
    unsigned codePage = 1252;
    // The host form of a path a program names (for the media player);
    // unchanged when empty.
    std::function<std::string(const std::string&)> hostPath;
    // How long the media player may take to open a file before it reports
    // that the file cannot be played.
    unsigned mediaOpenTimeoutMs = 10000;
};

// A message box on screen, as a test hook sees it.
struct ShownMessageBox {
    Dialog* owner = nullptr;
    std::string text;     // the program's bytes
    std::string caption;  // the program's bytes
    unsigned style = 0;
    desktop::MessageBoxWindow* window = nullptr;
};

class DesktopHost : public Host {
  public:
    explicit DesktopHost(DesktopHostOptions options = {});
    ~DesktopHost() override;
    DesktopHost(const DesktopHost&) = delete;
    DesktopHost& operator=(const DesktopHost&) = delete;

    // Program icons by resource id, drawn from SVG text.
    void RegisterIcon(int iconId, const std::string& svg);
    bool HasIcon(int iconId) const { return icons_.count(iconId) != 0; }
    // The window icons of `iconId` (empty when none is registered).
    wxIconBundle Icons(int iconId) const;
    // One picture of the icon, for an icon control.
    wxBitmapBundle IconBitmap(int iconId, int pixels) const;

    // A media player of `dialog` cannot play its file: tells the user.
    void ReportMediaFailure(Dialog& dialog, const wxString& sentence);

    // ---- for tests and the programs' start-up ----
    // Called once a dialog's window is on screen (from the event loop).
    std::function<void(Dialog&)> onWindowShown;
    // Called once a message box is on screen (from its own event loop); the
    // hook may answer it with window->Press(answer).
    std::function<void(ShownMessageBox&)> onMessageBoxShown;
    // Called instead of the file-open dialog when set: the answer, or
    // nothing for a cancelled dialog. Gets the request and the wildcard the
    // dialog would have used.
    std::function<std::optional<std::string>(const FileOpenRequest&, const std::string&)>
        onFileOpen;
    // Called each time a program dispatches one pending event, with the count
    // of such calls so far, before the event is taken.
    std::function<void(int)> onPump;

    // The window of a dialog, nullptr when it has none.
    wxDialog* WindowOf(const Dialog& dialog) const;
    // The toolkit window of control `id` of a dialog.
    wxWindow* ControlWindow(const Dialog& dialog, int id) const;
    desktop::MediaPlayerWindow* MediaPlayerOf(const Dialog& dialog, int id) const;
    const desktop::AnsiText& Text() const { return *text_; }
    int PumpCount() const { return pumps_; }
    const DesktopHostOptions& options() const { return options_; }

    // ---- Host ----
    int RunModal(Dialog& dialog) override;
    void CreateModeless(Dialog& dialog) override;
    void DestroyWindow(Dialog& dialog) override;
    void EndModal(Dialog& dialog, int result) override;
    bool DispatchOnePending() override;
    int MessageBox(Dialog* owner, const std::string& text, const std::string& caption,
                   unsigned style) override;
    void SetCursor(Cursor cursor) override;
    void SetTimer(Dialog& dialog, unsigned id, unsigned milliseconds) override;
    void KillTimer(Dialog& dialog, unsigned id) override;
    bool FileOpen(Dialog* owner, const FileOpenRequest& request, std::string& path) override;
    void Changed(Dialog& dialog, int id) override;
    void PropertySet(Dialog& dialog, int id, int dispatchId) override;

  private:
    desktop::DialogWindow* Find(const Dialog& dialog) const;
    desktop::DialogWindow* MakeWindow(Dialog& dialog);
    void Release(Dialog& dialog);
    void AnnounceShown(Dialog& dialog);

    DesktopHostOptions options_;
    std::unique_ptr<desktop::AnsiText> text_;
    std::map<const Dialog*, desktop::DialogWindow*> windows_;
    std::map<int, std::string> icons_;
    bool busyCursor_ = false;
    int pumps_ = 0;
};

}  // namespace dlg
