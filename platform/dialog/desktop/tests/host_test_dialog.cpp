#include "platform/dialog/desktop/tests/host_test_dialog.h"

namespace dlg::desktop::testing {

const DialogTemplate& HostTestTemplate() {
    static const DialogTemplate dialogTemplate{
        kHostTestTemplate,
        "Host test",
        200,
        120,
        "MS Sans Serif",
        8,
        kCaption | kSystemMenu | kMinimizeBox | kModalFrame | kPopup | kVisible,
        {
            {kIdName, ControlKind::EditBox, "", {10, 10, 80, 12}, kBorder | kTabStop},
            {kIdList, ControlKind::DropDownList, "", {100, 10, 40, 60}, kTabStop | kSorted},
            {kIdKeep, ControlKind::AutoCheckBox, "Keep", {10, 30, 60, 10}, kTabStop},
            {kIdOne, ControlKind::AutoRadioButton, "One", {110, 40, 40, 10}, kGroup | kTabStop},
            {kIdRun, ControlKind::DefPushButton, "Run", {10, 95, 50, 14}, kTabStop},
            {kIdStop, ControlKind::PushButton, "Stop", {70, 95, 50, 14}, kTabStop},
            {IDOK, ControlKind::PushButton, "OK", {130, 95, 50, 14}, kTabStop},
            {kIdHiddenText, ControlKind::StaticText, "Hidden", {10, 45, 40, 8}, kHidden},
            {kIdTwo, ControlKind::AutoRadioButton, "Two", {110, 55, 40, 10}},
            {kIdBox, ControlKind::GroupBox, "Box", {100, 30, 90, 45}},
            {kIdGrey, ControlKind::StaticText, "Grey", {10, 60, 80, 8}, kDisabled},
            {kIdIcon, ControlKind::Icon, "", {10, 72, 20, 20}, kStyleNone, kHostTestIcon},
        },
    };
    return dialogTemplate;
}

HostTestDialog::HostTestDialog(Host& host, Dialog* owner)
    : Dialog(host, HostTestTemplate(), owner) {
    OnClicked(kIdRun, [this] {
        ++runs;
        stopRequested = false;
        EnableItem(kIdRun, false);
        // The shape of a long job: one pending event before each step.
        for (pumpsInRun = 0; !stopRequested && pumpsInRun < 200000; ++pumpsInRun) PumpOneMessage();
        EnableItem(kIdRun, true);
    });
    OnClicked(kIdStop, [this] {
        ++stops;
        stopRequested = true;
    });
    OnClicked(kIdOne, [this] {
        CheckDlgButton(kIdOne, 1);
        CheckDlgButton(kIdTwo, 0);
    });
    OnClicked(kIdTwo, [this] {
        CheckDlgButton(kIdOne, 0);
        CheckDlgButton(kIdTwo, 1);
    });
    OnSelChange(kIdList, [this] { ++selections; });
}

void HostTestDialog::DoDataExchange(DataExchange& dx) {
    dx.Text(kIdName, m_strName);
    dx.MaxChars(kIdName, m_strName, kNameLimit);
}

bool HostTestDialog::OnDialogInit() {
    Dialog::OnDialogInit();
    for (const auto& item : menu) AppendSystemMenu(item);
    SetComboItems(kIdList, {"D:", "E:", "F:"});
    SetComboSelection(kIdList, 0);
    CheckDlgButton(kIdOne, 1);
    SetIcon(kHostTestIcon, IconSize::Big);
    if (onInit) onInit(*this);
    return true;
}

void HostTestDialog::OnTimer(unsigned id) {
    ++timerTicks;
    if (onTimer) onTimer(*this, id);
}

void HostTestDialog::OnSysCommand(int command) {
    if ((command & 0xFFF0) == 16) {
        ++sysCommands;
        return;
    }
    Dialog::OnSysCommand(command);
}

}  // namespace dlg::desktop::testing
