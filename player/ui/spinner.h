// The four-step text spinner of the wait dialogs: the message followed by a
// turning bar. Each dialog class keeps its own step counter.
#pragma once

#include <string>

namespace vocna {

// The line for step `spinStep` (taken modulo 4), then `spinStep` moves on.
std::string NextSpinnerText(int& spinStep, const std::string& message);

}  // namespace vocna
