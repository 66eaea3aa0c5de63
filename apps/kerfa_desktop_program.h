// Kerfa on the desktop: the drives of this machine (and the disk images the
// user names) behind the Win32 subset, the dialogs as real windows.
#pragma once

#include <string>
#include <vector>

#include "platform/dialog/desktop/desktop_host.h"

namespace kerfa::desktop {

struct KerfaOptions {
    // Disk-image files offered as removable drives, in this order.
    std::vector<std::string> images;
    // Also offer the machine's removable block devices.
    bool blockDevices = true;
};

// The host for Kerfa's texts: the code page of the locale's language, the
// program icon.
dlg::DesktopHostOptions KerfaHostOptions();
void RegisterKerfaIcons(dlg::DesktopHost& host);

// Runs Kerfa to its end; the process's exit status.
int RunKerfa(dlg::DesktopHost& host, const KerfaOptions& options);

}  // namespace kerfa::desktop
