// Dialog units to pixels, as the dialog templates mean them: a horizontal
// unit is a quarter of the dialog font's average character width, a vertical
// unit an eighth of its height. Where the toolkit needs more room than the
// template gives a control, the control grows around its centre and the
// dialog grows with it, so nothing is clipped.
#pragma once

#include <vector>

#include "platform/dialog/dialog_template.h"

namespace dlg::desktop {

struct BaseUnits {
    int x = 0;
    int y = 0;
};

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int right() const { return x + width; }
    int bottom() const { return y + height; }
    bool operator==(const PixelRect&) const = default;
};

struct PixelSize {
    int width = 0;
    int height = 0;
    bool operator==(const PixelSize&) const = default;
};

// Base units from the font: the extent of the 52 letters A-Z a-z and the
// character height, rounded the way the system that defined the unit does.
BaseUnits BaseUnitsOf(int extentOf52Letters, int charHeight);

int HorizontalPixels(int dialogUnits, BaseUnits base);
int VerticalPixels(int dialogUnits, BaseUnits base);
PixelRect ToPixels(const Rect& rect, BaseUnits base);

// One control to place: its template rectangle and the smallest size the
// toolkit can draw it in (0 where the toolkit has no opinion).
struct LayoutItem {
    ControlKind kind = ControlKind::StaticText;
    Rect rect;
    PixelSize needed;
    bool visible = true;
};

struct ControlLayout {
    std::vector<PixelRect> controls;  // in the order of the items
    PixelSize client;
};

// A drop-down list's template height is that of its open list; it shows at
// the toolkit's height from its top edge. Every other control keeps its
// template centre when it grows. Hidden controls keep their template place.
ControlLayout LayOut(const std::vector<LayoutItem>& items, int templateWidth, int templateHeight,
                     BaseUnits base);

}  // namespace dlg::desktop
