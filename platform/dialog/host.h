// The services a dialog needs from the window system. Hosts: scripted (tests),
// terminal, desktop.
#pragma once

#include <string>

#include "platform/dialog/message_box.h"

namespace dlg {

class Dialog;

struct FileOpenRequest {
    std::string defaultExtension;
    std::string initialName;
    unsigned flags = 0;
    std::string filter;  // "Name(*.x)|*.x|All(*.*)|*.*||"
};

constexpr unsigned OFN_OVERWRITEPROMPT = 0x00000002u;
constexpr unsigned OFN_HIDEREADONLY = 0x00000004u;

class Host {
public:
    virtual ~Host() = default;

    // Creates the window of `dialog`, runs its initialisation and processes
    // events until the dialog ends; returns its result. Runs nest.
    virtual int RunModal(Dialog& dialog) = 0;
    // Creates a modeless window and runs its initialisation; returns at once.
    virtual void CreateModeless(Dialog& dialog) = 0;
    // Destroys the window of a dialog (modal or modeless).
    virtual void DestroyWindow(Dialog& dialog) = 0;
    // A modal dialog asked to end; its run returns once the current handler has.
    virtual void EndModal(Dialog& dialog, int result) = 0;

    // Dispatches at most one pending event; true when one was dispatched.
    virtual bool DispatchOnePending() = 0;

    // `owner` may be nullptr (a box with no owner window).
    virtual int MessageBox(Dialog* owner, const std::string& text, const std::string& caption,
                           unsigned style) = 0;
    virtual void SetCursor(Cursor cursor) = 0;

    virtual void SetTimer(Dialog& dialog, unsigned id, unsigned milliseconds) = 0;
    virtual void KillTimer(Dialog& dialog, unsigned id) = 0;

    // The system's file-open dialog; true and `path` filled when confirmed.
    virtual bool FileOpen(Dialog* owner, const FileOpenRequest& request, std::string& path) = 0;

    // The dialog changed something a window shows: control `id` (0 for the
    // dialog itself: caption, icon, system menu).
    virtual void Changed(Dialog& dialog, int id) = 0;

    // Control `id` was given string property `dispatchId` (each time, even
    // with the value it had): what an embedded control such as the media
    // player acts on. Called after Changed.
    virtual void PropertySet(Dialog& /*dialog*/, int /*id*/, int /*dispatchId*/) {}
};

}  // namespace dlg
