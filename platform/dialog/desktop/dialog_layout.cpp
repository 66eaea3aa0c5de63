#include "platform/dialog/desktop/dialog_layout.h"

#include <algorithm>

namespace dlg::desktop {
namespace {

constexpr int kHorizontalUnitsPerChar = 4;
constexpr int kVerticalUnitsPerChar = 8;
constexpr int kLettersMeasured = 26;  // the extent covers 2 x 26 letters

// value * numerator / denominator, rounded half away from zero.
int MulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    const long long rounded =
        product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
    return static_cast<int>(rounded);
}

}  // namespace

BaseUnits BaseUnitsOf(int extentOf52Letters, int charHeight) {
    return {(extentOf52Letters / kLettersMeasured + 1) / 2, charHeight};
}

int HorizontalPixels(int dialogUnits, BaseUnits base) {
    return MulDiv(dialogUnits, base.x, kHorizontalUnitsPerChar);
}

int VerticalPixels(int dialogUnits, BaseUnits base) {
    return MulDiv(dialogUnits, base.y, kVerticalUnitsPerChar);
}

PixelRect ToPixels(const Rect& rect, BaseUnits base) {
    const int left = HorizontalPixels(rect.x, base);
    const int top = VerticalPixels(rect.y, base);
    return {left, top, HorizontalPixels(rect.x + rect.cx, base) - left,
            VerticalPixels(rect.y + rect.cy, base) - top};
}

ControlLayout LayOut(const std::vector<LayoutItem>& items, int templateWidth, int templateHeight,
                     BaseUnits base) {
    ControlLayout layout;
    layout.client = {HorizontalPixels(templateWidth, base), VerticalPixels(templateHeight, base)};
    // The template's own margin: what its controls leave free at the right
    // and bottom edges is kept when the dialog has to grow.
    const int margin = HorizontalPixels(4, base);
    int right = 0;
    int bottom = 0;
    for (const auto& item : items) {
        PixelRect r = ToPixels(item.rect, base);
        if (item.visible) {
            if (item.kind == ControlKind::DropDownList) {
                if (item.needed.height > 0) r.height = item.needed.height;
            } else if (item.needed.height > r.height) {
                r.y -= (item.needed.height - r.height) / 2;
                r.height = item.needed.height;
            }
            if (item.needed.width > r.width) {
                // Captioned controls keep their left edge: their text starts there.
                r.width = item.needed.width;
            }
            r.y = std::max(r.y, 0);
            right = std::max(right, r.right());
            bottom = std::max(bottom, r.bottom());
        }
        layout.controls.push_back(r);
    }
    layout.client.width = std::max(layout.client.width, right + margin);
    layout.client.height = std::max(layout.client.height, bottom + margin);
    return layout;
}

}  // namespace dlg::desktop
