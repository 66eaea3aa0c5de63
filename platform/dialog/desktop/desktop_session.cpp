#include "platform/dialog/desktop/desktop_session.h"

#include <wx/app.h>
#include <wx/init.h>

#include <clocale>

namespace dlg {

DesktopSession::DesktopSession(int& argc, char** argv) {
    wxApp::SetInstance(new wxApp);
    started_ = wxEntryStart(argc, argv);
    ok_ = started_ && wxTheApp && wxTheApp->CallOnInit();
    // The toolkit takes the user's locale; the programs format numbers the
    // way their own system does ("63.00M"), whatever the desktop's language.
    std::setlocale(LC_NUMERIC, "C");
}

DesktopSession::~DesktopSession() {
    if (!started_) return;
    if (ok_) wxTheApp->OnExit();
    wxEntryCleanup();
}

}  // namespace dlg
