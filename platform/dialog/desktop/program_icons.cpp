#include "platform/dialog/desktop/program_icons.h"

#include <wx/icon.h>

#include <array>

namespace dlg::desktop {

wxBitmapBundle BitmapBundleFromSvg(const std::string& svg, int size) {
    return wxBitmapBundle::FromSVG(svg.c_str(), wxSize(size, size));
}

wxIconBundle IconBundleFromSvg(const std::string& svg) {
    wxIconBundle bundle;
    for (int size : std::array{16, 32, 48}) {
        const wxBitmap bitmap = BitmapBundleFromSvg(svg, size).GetBitmap(wxSize(size, size));
        if (!bitmap.IsOk()) continue;
        wxIcon icon;
        icon.CopyFromBitmap(bitmap);
        bundle.AddIcon(icon);
    }
    return bundle;
}

}  // namespace dlg::desktop
