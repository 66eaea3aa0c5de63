#include "platform/dialog/desktop/desktop_session.h"

#include <wx/app.h>
#include <wx/init.h>

#include <clocale>

namespace dlg {

DesktopSession::DesktopSession(int& argc, char** argv) {
    wxApp::SetInstance(new wxApp);
    ok_ = wxEntryStart(argc, argv) && wxTheApp && wxTheApp->CallOnInit();
    // The toolkit takes the user's locale; the programs format numbers the
    // way their own system does ("63.00M"), whatever the desktop's language.
    std::setlocale(LC_NUMERIC, "C");
}

DesktopSession::~DesktopSession() {
    if (wxTheApp) wxTheApp->OnExit();
    wxEntryCleanup();
}

}  // namespace dlg
