// kerfa [--image PATH]...: Kerfa's dialog on the desktop. Each image file is
// offered as a removable drive besides the machine's own removable disks.
#include <cstdio>
#include <cstring>

#include "apps/kerfa_desktop_program.h"
#include "platform/dialog/desktop/desktop_session.h"

namespace {

constexpr char kUsage[] =
    "usage: kerfa [--image PATH]...\n"
    "Formats the player's disk. Each --image file is offered as a removable drive.\n";

}  // namespace

int main(int argc, char** argv) {
    kerfa::desktop::KerfaOptions options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--image") == 0 && i + 1 < argc) {
            options.images.emplace_back(argv[++i]);
        } else if (std::strncmp(argv[i], "--image=", 8) == 0) {
            options.images.emplace_back(argv[i] + 8);
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    int toolkitArgc = 1;
    dlg::DesktopSession session(toolkitArgc, argv);
    if (!session.ok()) {
        std::fputs("kerfa: no desktop to show the window on (is DISPLAY set?)\n", stderr);
        return 1;
    }
    dlg::DesktopHost host(kerfa::desktop::KerfaHostOptions());
    kerfa::desktop::RegisterKerfaIcons(host);
    return kerfa::desktop::RunKerfa(host, options);
}
