#include "format/ui/format_dialog.h"

namespace kerfa {

FormatDialog::FormatDialog(dlg::Host& host, win32::Win32& system)
    : dlg::Dialog(host, FormatDialogTemplate()), system_(system) {
    OnClicked(kIdFormatNow, [this] { OnFormatNow(); });
    OnClicked(kIdFormatNowLegacy, [this] { OnFormatNowLegacy(); });
    OnClicked(kIdQuick, [this] { OnModeQuick(); });
    OnClicked(kIdFull, [this] { OnModeFull(); });
    OnClicked(kIdLow, [this] { OnModeLow(); });
    OnSelChange(kIdDriveBox, [this] { OnDriveChanged(); });
}

void FormatDialog::DoDataExchange(dlg::DataExchange& dx) {
    if (!m_cbDrive.bound()) m_cbDrive.Bind(*this, kIdDriveBox);
    dx.Text(kIdLabelBox, m_strLabel);
    dx.MaxChars(kIdLabelBox, m_strLabel, kLabelLimit);
    dx.Text(kIdCurrentLine, m_strCurrentLine);
    dx.Text(kIdTotalLine, m_strTotalLine);
}

std::string FormatDialog::SelectedDrive() const {
    const int index = m_cbDrive.bound() ? m_cbDrive.GetCurSel() : -1;
    if (index < 0 || index >= static_cast<int>(m_drives.size())) return {};
    return m_drives[static_cast<std::size_t>(index)];
}

}  // namespace kerfa
