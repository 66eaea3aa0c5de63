#include "apps/kerfa_desktop_program.h"

#include "format/ui/format_app.h"
#include "format/ui/format_dialog.h"
#include "platform/dialog/message_box.h"
#include "platform/win32/linux/linux_win32.h"

extern const char kKerfaIconSvg[];

namespace kerfa::desktop {
namespace {
constexpr char kReportCaption[] = "Kerfa";
}

dlg::DesktopHostOptions KerfaHostOptions() {
    dlg::DesktopHostOptions options;
    options.codePage = win32::linux_host::AnsiCodePage(win32::linux_host::LanguageFromLocale());
    return options;
}

void RegisterKerfaIcons(dlg::DesktopHost& host) {
    host.RegisterIcon(kProgramIcon, kKerfaIconSvg);
}

int RunKerfa(dlg::DesktopHost& host, const KerfaOptions& options) {
    win32::linux_host::LinuxWin32Options machine;
    machine.images = options.images;
    machine.blockDevices = options.blockDevices;
    // Why this machine refused to open or write a drive (mounted, read-only,
    // not permitted): the program's own box only says that it failed.
    machine.reporter = [&host](const std::string& sentence) {
        host.MessageBox(nullptr, sentence, kReportCaption, dlg::MB_OK | dlg::MB_ICONWARNING);
    };
    win32::linux_host::LinuxWin32 system(machine);
    FormatApp app(host, system);
    app.StartUp();
    return 0;
}

}  // namespace kerfa::desktop
