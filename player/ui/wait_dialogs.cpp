#include "player/ui/wait_dialogs.h"

#include "player/ui/player_resources.h"
#include "player/ui/spinner.h"

namespace vocna {

WaitDialog::WaitDialog(dlg::Host& host, win32::Win32& system, dlg::Dialog* owner)
    : dlg::Dialog(host, WaitDialogTemplate(), owner), system_(system) {}

void WaitDialog::DoDataExchange(dlg::DataExchange& dx) {
    dx.Text(kIdWaitText, m_strText);
}

bool WaitDialog::OnDialogInit() {
    dlg::Dialog::OnDialogInit();
    SetTimer(kWaitTimer, kSpinMilliseconds);
    return true;
}

bool WaitDialog::ProcessRuns() {
    return system_.WaitForSingleObject(m_hProcess, 0) == win32::WAIT_TIMEOUT;
}

void WaitDialog::OnOK() {
    if (ProcessRuns()) {
        m_strText = NextSpinnerText(s_nSpinStep, m_strMessage);
        UpdateData(false);
        return;
    }
    dlg::Dialog::OnOK();
}

void WaitDialog::OnCancel() {
    if (ProcessRuns()) return;
    dlg::Dialog::OnCancel();
}

void WaitDialog::OnTimer(unsigned id) {
    if (id == kWaitTimer) OnOK();
}

BusyDialog::BusyDialog(dlg::Host& host, dlg::Dialog* owner)
    : dlg::Dialog(host, BusyDialogTemplate(), owner) {
    m_strText = "";
    Create();
}

BusyDialog::~BusyDialog() {
    DestroyWindow();
}

void BusyDialog::DoDataExchange(dlg::DataExchange& dx) {
    dx.Text(kIdBusyText, m_strText);
}

bool BusyDialog::OnDialogInit() {
    dlg::Dialog::OnDialogInit();
    SetTimer(kBusyTimer, kSpinMilliseconds);
    return true;
}

void BusyDialog::OnTimer(unsigned id) {
    if (id != kBusyTimer) return;
    m_strText = NextSpinnerText(s_nSpinStep, m_strMessage);
    UpdateData(false);
}

}  // namespace vocna
