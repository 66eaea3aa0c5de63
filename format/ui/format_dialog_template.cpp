#include "format/ui/format_dialog.h"

namespace kerfa {

using dlg::ControlKind;

const dlg::DialogTemplate& FormatDialogTemplate() {
    static const dlg::DialogTemplate dialogTemplate{
        kFormatDialogTemplate,
        "Kerfa V1.1",
        157,
        115,
        "MS Sans Serif",
        8,
        dlg::kCaption | dlg::kSystemMenu | dlg::kMinimizeBox | dlg::kModalFrame | dlg::kAppWindow |
            dlg::kPopup | dlg::kVisible,
        {
            {kIdDriveBox,
             ControlKind::DropDownList,
             "",
             {5, 19, 34, 52},
             dlg::kSorted | dlg::kVScroll | dlg::kTabStop},
            {kIdLabelBox,
             ControlKind::EditBox,
             "",
             {5, 52, 77, 12},
             dlg::kBorder | dlg::kAutoHScroll | dlg::kTabStop},
            {kIdQuick,
             ControlKind::AutoRadioButton,
             "Quick",
             {105, 26, 36, 10},
             dlg::kGroup | dlg::kTabStop},
            {kIdFormatNow,
             ControlKind::DefPushButton,
             "Format Now",
             {23, 97, 45, 14},
             dlg::kTabStop},
            {kIdExit, ControlKind::PushButton, "Exit", {87, 97, 45, 14}, dlg::kTabStop},
            {kIdFormatNowLegacy,
             ControlKind::PushButton,
             "FormatNow",
             {35, 35, 41, 14},
             dlg::kHidden},
            {kIdHint,
             ControlKind::StaticText,
             "Please select a removable disk",
             {109, 34, 14, 8},
             dlg::kHidden},
            {kIdFull, ControlKind::AutoRadioButton, "Full", {105, 46, 36, 10}},
            {kIdModeGroup, ControlKind::GroupBox, "Type", {94, 7, 57, 83}},
            {kIdVolumeLabel, ControlKind::StaticText, "Volume:", {5, 39, 29, 8}},
            {kIdDriveLabel, ControlKind::StaticText, "Drive:", {5, 7, 29, 8}},
            {kIdSizeText, ControlKind::StaticText, "Size", {44, 23, 39, 12}},
            {kIdSizeLabel, ControlKind::StaticText, "Size:", {44, 7, 20, 8}},
            {kIdLow, ControlKind::AutoRadioButton, "Low", {105, 66, 36, 10}},
            {kIdCurrentLine, ControlKind::StaticText, "Current:", {5, 82, 88, 8}, dlg::kDisabled},
            {kIdTotalLine, ControlKind::StaticText, "Total Sectors:", {5, 70, 88, 8}},
        },
    };
    return dialogTemplate;
}

}  // namespace kerfa
