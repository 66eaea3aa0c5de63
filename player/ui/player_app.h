// Vocna's start-up: captures the start directory and runs the player dialog.
#pragma once

#include <cstddef>

#include "platform/dialog/host.h"
#include "platform/win32/win32.h"

namespace vocna {

inline constexpr std::size_t kStartDirBytes = 256;

// The working directory at start-up (not the program's folder), with its
// terminating zero. Every tool and temporary-file path is built from it.
extern char g_szStartDir[kStartDirBytes];

// Shown, with the error icon, when the working directory cannot be taken whole.
inline constexpr const char* kStartDirTooLong =
    "Vocana cannot start in this folder: its path is longer than 255 characters, so the "
    "converter tools and temporary files could not be found in it.\n"
    "Please start Vocana from a folder with a shorter path.";
inline constexpr const char* kStartDirUnreadable =
    "Vocana cannot start: the current folder cannot be read.";
inline constexpr const char* kPlayerBoxCaption = "Vocana";

class PlayerApp {
  public:
    PlayerApp(dlg::Host& host, win32::Win32& system) : host_(host), system_(system) {}

    // Runs the program; false, as the program ends once the dialog has closed.
    bool InitInstance();

  private:
    dlg::Host& host_;
    win32::Win32& system_;
};

}  // namespace vocna
