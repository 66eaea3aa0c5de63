// Driving real windows from inside the test process: events the widgets
// would send, real clicks through the X server, waiting for the event loop,
// screenshots.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class wxWindow;

namespace dlg::desktop::testing {

// Dispatches events until `done` holds; false when it still does not after
// `limitMs` (a guard against a hang, not a measurement).
bool RunUntil(const std::function<bool()>& done, int limitMs = 20000);
// Lets the event loop run (painting, pending events) for a moment.
void Settle(int ms = 150);

// What the widget sends when the user operates it: a click on a button,
// radio button or check box (which the check box toggles first), a pick in a
// drop-down list, typed text in an edit box.
void Press(wxWindow* control);
void Pick(wxWindow* choice, int index);
void TypeText(wxWindow* edit, const std::string& utf8);

// A real mouse click in the middle of the window, through the X server.
void RealClick(wxWindow* control);
// A real right click at a point of the window's client area.
void RealRightClick(wxWindow* window, int x, int y);
// Real key presses (wx key codes), through the X server.
void RealKeys(const std::vector<int>& keys);
// Opens a dialog's window menu with a real right click on its background and
// picks item `index` (0: the first) with the keyboard once the menu is open.
void PickFromWindowMenu(wxWindow* dialog, int index);

// The window's client area as a PNG file, taken from the screen.
bool Screenshot(wxWindow* window, const std::filesystem::path& file);

// The folder screenshots go to (the build folder of the tests).
std::filesystem::path ShotFolder();

}  // namespace dlg::desktop::testing
