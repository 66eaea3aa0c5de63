// Vocna's resources: the dialog templates, the string table and the icon.
#pragma once

#include <string>

#include "platform/dialog/dialog_template.h"

namespace vocna {

constexpr int kPlayerAboutTemplate = 100;
constexpr int kPlayerDialogTemplate = 102;
constexpr int kWaitDialogTemplate = 130;
constexpr int kBusyDialogTemplate = 131;
constexpr int kAboutString = 101;
constexpr int kProgramIcon = 128;

// Controls of template 102.
enum PlayerControl : int {
    kIdPlayerExit = 2,  // the cancel command
    kIdMediaPlayer = 1000,
    kIdPlayFile = 1001,
    kIdPathBox = 1005,
    kIdOutputMp3 = 1012,
};

// Controls of templates 130 and 131.
constexpr int kIdWaitText = 1009;
constexpr int kIdBusyText = 1013;

// Controls of template 100.
constexpr int kIdAboutIcon = 1100;
constexpr int kIdAboutTitle = 1101;
constexpr int kIdAboutLine = 1102;

// The class identifier of the media player control, as template 102 names it.
inline constexpr const char* kMediaPlayerClassId = "{22D6F312-B0F6-11D0-94AB-0080C74C7E95}";

const dlg::DialogTemplate& PlayerDialogTemplate();
const dlg::DialogTemplate& PlayerAboutTemplate();
const dlg::DialogTemplate& WaitDialogTemplate();
const dlg::DialogTemplate& BusyDialogTemplate();

// The string table; empty for an id it does not hold.
std::string LoadPlayerString(int id);

}  // namespace vocna
