#include "format/ui/format_app.h"

#include "format/disk/drive_discovery.h"
#include "format/ui/format_dialog.h"
#include "format/ui/ui_language.h"
#include "format/ui/ui_texts.h"

namespace kerfa {

bool FormatApp::StartUp() {
    const char* noDrive = UiTextsFor(PickUiLanguage(system_)).noDrive;

    FormatDialog dialog(host_, system_);
    // The walk reads the system's drive list itself; it counts 0 both when
    // the list is empty and when no drive passes the filter.
    if (disk::WalkDrives(system_, dialog.m_drives) == 0) {
        host_.MessageBox(nullptr, noDrive, kStartUpCaption, dlg::MB_OK | dlg::MB_ICONERROR);
        return false;
    }
    dialog.m_strPlatform = disk::GetPlatformKind(system_);
    dialog.DoModal();
    return false;
}

}  // namespace kerfa
