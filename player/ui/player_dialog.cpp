#include "player/ui/player_dialog.h"

namespace vocna {

PlayerDialog::PlayerDialog(dlg::Host& host, win32::Win32& system)
    : dlg::Dialog(host, PlayerDialogTemplate()), system_(system) {
    OnClicked(kIdPlayFile, [this] { OnPlayFile(); });
}

void PlayerDialog::DoDataExchange(dlg::DataExchange&) {
    if (!m_btnOutputMp3.bound()) m_btnOutputMp3.Bind(*this, kIdOutputMp3);
    if (!m_player.bound()) m_player.Bind(*this, kIdMediaPlayer);
}

bool PlayerDialog::OnDialogInit() {
    dlg::Dialog::OnDialogInit();
    if (HasSystemMenu()) {
        const std::string about = LoadPlayerString(kAboutString);
        if (!about.empty()) {
            AppendSystemMenu({true, 0, {}});
            AppendSystemMenu({false, kAboutCommand, about});
        }
    }
    SetIcon(m_hIcon, dlg::IconSize::Big);
    SetIcon(m_hIcon, dlg::IconSize::Small);
    m_btnOutputMp3.SetCheck(1);
    return true;
}

void PlayerDialog::OnSysCommand(int command) {
    if ((command & 0xFFF0) == kAboutCommand) {
        PlayerAboutDialog about(host(), this);
        about.DoModal();
        return;
    }
    dlg::Dialog::OnSysCommand(command);
}

}  // namespace vocna
