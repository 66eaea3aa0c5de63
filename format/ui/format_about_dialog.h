// Kerfa's about box, template 100: the program's title and year, and OK.
#pragma once

#include "platform/dialog/dialog.h"

namespace kerfa {

const dlg::DialogTemplate& FormatAboutTemplate();

// No handlers of its own: OK and Escape close it.
class FormatAboutDialog : public dlg::Dialog {
  public:
    FormatAboutDialog(dlg::Host& host, dlg::Dialog* owner);
};

}  // namespace kerfa
