#include "player/ui/player_app.h"

#include "platform/dialog/message_box.h"
#include "player/ui/player_dialog.h"

namespace vocna {

char g_szStartDir[kStartDirBytes] = {};

bool PlayerApp::InitInstance() {
    const win32::DWORD length =
        system_.GetCurrentDirectoryA(static_cast<win32::DWORD>(kStartDirBytes), g_szStartDir);
    // A directory that does not fit comes back as the size it would need; a
    // truncated path would send every tool and temporary file elsewhere.
    if (length == 0 || length >= kStartDirBytes) {
        g_szStartDir[0] = '\0';
        host_.MessageBox(nullptr, length == 0 ? kStartDirUnreadable : kStartDirTooLong,
                         kPlayerBoxCaption, dlg::MB_OK | dlg::MB_ICONERROR);
        return false;
    }
    PlayerDialog dialog(host_, system_);
    dialog.DoModal();
    return false;
}

}  // namespace vocna
