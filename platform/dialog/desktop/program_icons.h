// Program icons drawn from SVG text at the sizes a window asks for.
#pragma once

#include <wx/bmpbndl.h>
#include <wx/iconbndl.h>

#include <string>

namespace dlg::desktop {

// The 16, 32 and 48 pixel images of the icon.
wxIconBundle IconBundleFromSvg(const std::string& svg);
wxBitmapBundle BitmapBundleFromSvg(const std::string& svg, int size);

}  // namespace dlg::desktop
