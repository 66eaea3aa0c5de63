// vocna: the player dialog on the desktop. Its tools and temporary files are
// in the working directory it starts in (the desktop entry sets it).
#include <cstdio>
#include <cstring>

#include "apps/vocna_desktop_program.h"
#include "platform/dialog/desktop/desktop_session.h"

int main(int argc, char** argv) {
    if (argc > 1) {
        const bool help = std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0;
        std::fputs(
            "usage: vocna\nPlays the player's VRK sound files. Start it in the folder of "
            "its tools (towave, decodeA, mpegenc).\n",
            help ? stdout : stderr);
        return help ? 0 : 2;
    }
    dlg::DesktopSession session(argc, argv);
    if (!session.ok()) {
        std::fputs("vocna: no desktop to show the window on (is DISPLAY set?)\n", stderr);
        return 1;
    }
    dlg::DesktopHost host(vocna::desktop::VocnaHostOptions());
    vocna::desktop::RegisterVocnaIcons(host);
    return vocna::desktop::RunVocna(host);
}
