// The media player control of the player dialog (control 1000). It plays the
// file named by its string property 1026 as soon as that is set; an empty
// name unloads it and lets go of the file.
#pragma once

#include <string>

#include "platform/dialog/dialog.h"

namespace vocna {

inline constexpr int kFileNameDispatchId = 1026;

class CMediaPlayer2 : public dlg::ControlRef {
  public:
    void SetFileName(const std::string& name);
};

}  // namespace vocna
