#include "apps/vocna_desktop_program.h"

#include "platform/win32/linux/host_path.h"
#include "platform/win32/linux/linux_win32.h"
#include "player/ui/player_app.h"
#include "player/ui/player_resources.h"

extern const char kVocnaIconSvg[];

namespace vocna::desktop {

dlg::DesktopHostOptions VocnaHostOptions() {
    dlg::DesktopHostOptions options;
    options.codePage = win32::linux_host::AnsiCodePage(win32::linux_host::LanguageFromLocale());
    // The program builds its paths with backslashes, as the machine it was
    // written for does.
    options.hostPath = [](const std::string& path) { return win32::linux_host::SlashPath(path); };
    return options;
}

void RegisterVocnaIcons(dlg::DesktopHost& host) {
    host.RegisterIcon(kProgramIcon, kVocnaIconSvg);
}

int RunVocna(dlg::DesktopHost& host) {
    win32::linux_host::LinuxWin32Options machine;
    machine.blockDevices = false;  // Vocna formats nothing
    win32::linux_host::LinuxWin32 system(machine);
    PlayerApp app(host, system);
    app.InitInstance();
    return 0;
}

}  // namespace vocna::desktop
