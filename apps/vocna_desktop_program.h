// Vocna on the desktop: this machine behind the Win32 subset, the player
// dialog as a real window with the media player on GStreamer.
#pragma once

#include "platform/dialog/desktop/desktop_host.h"

namespace vocna::desktop {

// The host for Vocna: the machine's code page, its paths for the media
// player, the program icon.
dlg::DesktopHostOptions VocnaHostOptions();
void RegisterVocnaIcons(dlg::DesktopHost& host);

// Runs Vocna to its end in the current working directory (where its tools
// are); the process's exit status.
int RunVocna(dlg::DesktopHost& host);

}  // namespace vocna::desktop
