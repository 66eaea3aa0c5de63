// Message box styles and answers, with the values of the Windows API so that
// a native host can pass them straight on.
#pragma once

namespace dlg {

constexpr unsigned MB_OK = 0x00000000u;
constexpr unsigned MB_OKCANCEL = 0x00000001u;
constexpr unsigned MB_YESNO = 0x00000004u;
constexpr unsigned MB_ICONERROR = 0x00000010u;
constexpr unsigned MB_ICONQUESTION = 0x00000020u;
constexpr unsigned MB_ICONWARNING = 0x00000030u;
constexpr unsigned MB_ICONINFORMATION = 0x00000040u;
constexpr unsigned MB_TYPEMASK = 0x0000000Fu;
constexpr unsigned MB_ICONMASK = 0x000000F0u;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

enum class Cursor { Arrow, Wait };

}  // namespace dlg
