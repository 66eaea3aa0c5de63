// Kerfa's application object: picks the drives, runs the main dialog once.
#pragma once

#include "platform/dialog/host.h"
#include "platform/win32/win32.h"

namespace kerfa {

class FormatApp {
  public:
    FormatApp(dlg::Host& host, win32::Win32& system) : host_(host), system_(system) {}

    // Runs the main dialog modally, or shows the no-drive box when no drive is
    // a candidate. Always false: the application ends afterwards.
    bool StartUp();

  private:
    dlg::Host& host_;
    win32::Win32& system_;
};

}  // namespace kerfa
