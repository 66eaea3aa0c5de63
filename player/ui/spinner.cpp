#include "player/ui/spinner.h"

#include "platform/dialog/format_text.h"

namespace vocna {

namespace {

constexpr int kSpinSteps = 4;
constexpr const char* kSpinFormats[kSpinSteps] = {"%s |", "%s /", "%s --", "%s \\"};

}  // namespace

std::string NextSpinnerText(int& spinStep, const std::string& message) {
    // A counter that has gone negative still picks one of the four formats.
    const int index = ((spinStep % kSpinSteps) + kSpinSteps) % kSpinSteps;
    std::string text = dlg::Format(kSpinFormats[index], message.c_str());
    spinStep = (spinStep + 1) % kSpinSteps;
    return text;
}

}  // namespace vocna
