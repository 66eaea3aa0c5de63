#include "player/ui/player_resources.h"

#include "platform/dialog/message_box.h"

namespace vocna {

using dlg::ControlKind;

const dlg::DialogTemplate& PlayerDialogTemplate() {
    static const dlg::DialogTemplate dialogTemplate{
        kPlayerDialogTemplate,
        "Orvane Vocana",
        228,
        120,
        "MS Sans Serif",
        8,
        dlg::kPopup | dlg::kVisible | dlg::kCaption | dlg::kSystemMenu | dlg::kModalFrame,
        {
            {kIdPlayerExit, ControlKind::DefPushButton, "Exit", {164, 95, 50, 14}, dlg::kTabStop},
            {kIdMediaPlayer,
             ControlKind::MediaPlayer,
             kMediaPlayerClassId,
             {18, 7, 198, 47},
             dlg::kTabStop},
            {kIdPlayFile,
             ControlKind::PushButton,
             "Vocana File...",
             {18, 68, 77, 14},
             dlg::kTabStop},
            {kIdPathBox,
             ControlKind::EditBox,
             "",
             {98, 68, 118, 14},
             dlg::kBorder | dlg::kReadOnly | dlg::kAutoHScroll | dlg::kTabStop},
            {kIdOutputMp3,
             ControlKind::AutoCheckBox,
             "Output .mp3 file",
             {18, 95, 80, 10},
             dlg::kTabStop},
        },
    };
    return dialogTemplate;
}

const dlg::DialogTemplate& PlayerAboutTemplate() {
    static const dlg::DialogTemplate dialogTemplate{
        kPlayerAboutTemplate,
        "About Vocana",
        235,
        55,
        "MS Sans Serif",
        8,
        dlg::kCaption | dlg::kSystemMenu | dlg::kModalFrame | dlg::kPopup,
        {
            {kIdAboutIcon, ControlKind::Icon, "", {11, 11, 20, 20}, dlg::kStyleNone, kProgramIcon},
            {kIdAboutTitle, ControlKind::StaticText, "Orvane Vocana Version 1.0", {40, 10, 149, 8}},
            {kIdAboutLine,
             ControlKind::StaticText,
             "Plays the player's VRK sound files",
             {40, 25, 119, 8}},
            {dlg::IDOK,
             ControlKind::DefPushButton,
             "OK",
             {169, 27, 50, 14},
             dlg::kGroup | dlg::kTabStop},
        },
    };
    return dialogTemplate;
}

const dlg::DialogTemplate& WaitDialogTemplate() {
    static const dlg::DialogTemplate dialogTemplate{
        kWaitDialogTemplate,
        "",
        135,
        30,
        "System",
        10,
        dlg::kPopup | dlg::kModalFrame,
        {
            {dlg::IDOK, ControlKind::PushButton, "OK", {38, 7, 15, 14}, dlg::kHidden},
            {dlg::IDCANCEL, ControlKind::PushButton, "Cancel", {7, 7, 27, 14}, dlg::kHidden},
            {kIdWaitText, ControlKind::StaticText, "", {7, 10, 123, 8}},
        },
    };
    return dialogTemplate;
}

const dlg::DialogTemplate& BusyDialogTemplate() {
    static const dlg::DialogTemplate dialogTemplate{
        kBusyDialogTemplate,
        "",
        126,
        28,
        "System",
        10,
        dlg::kPopup | dlg::kModalFrame | dlg::kVisible,
        {
            {dlg::IDOK, ControlKind::PushButton, "OK", {42, 0, 15, 14}, dlg::kHidden},
            {dlg::IDCANCEL, ControlKind::PushButton, "Cancel", {0, 0, 17, 14}, dlg::kHidden},
            {kIdBusyText,
             ControlKind::StaticText,
             "Convert VRK file to bitstream ...",
             {6, 10, 115, 8}},
        },
    };
    return dialogTemplate;
}

std::string LoadPlayerString(int id) {
    if (id == kAboutString) return "&About Vocana...";
    return {};
}

}  // namespace vocna
