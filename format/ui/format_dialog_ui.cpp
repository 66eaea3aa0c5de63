// The main dialog's own handlers: initialisation, the per-drive information,
// the mode buttons, Exit/Stop, the about box and the language texts.
#include "format/disk/device_requests.h"
#include "format/ui/format_about_dialog.h"
#include "format/ui/format_dialog.h"
#include "format/ui/ui_language.h"
#include "format/ui/ui_texts.h"
#include "platform/dialog/format_text.h"

namespace kerfa {

namespace {

// GetVolumeInformationA's two name buffers.
constexpr win32::DWORD kVolumeNameBytes = 150;
constexpr win32::DWORD kFileSystemNameBytes = 150;
constexpr double kBytesPerMiB = 1048576.0;
constexpr std::uint32_t kSectorBytes = 512;
// A system command's low four bits are the system's own.
constexpr int kSysCommandMask = 0xFFF0;

}  // namespace

bool FormatDialog::OnDialogInit() {
    dlg::Dialog::OnDialogInit();

    if (HasSystemMenu()) {
        // String resource 101; an empty one adds no item.
        const std::string about = kAboutMenuText;
        if (!about.empty()) {
            AppendSystemMenu({true, 0, {}});
            AppendSystemMenu({false, kAboutCommand, about});
        }
    }

    m_bBusy = 0;
    ApplyLanguage();

    for (auto& drive : m_drives) {
        drive = disk::UpperDriveName(drive);
        m_cbDrive.AddString(drive);
    }
    m_cbDrive.SetCurSel(0);
    // StartUp offers the dialog only with a drive; stay safe without one.
    if (!m_drives.empty()) RefreshDriveInfo(m_drives.front());

    CheckDlgButton(kIdQuick, 1);
    SetIcon(m_hIcon, dlg::IconSize::Big);
    SetIcon(m_hIcon, dlg::IconSize::Small);

    GotoDlgCtrl(kIdDriveBox);
    return false;  // the focus is set
}

void FormatDialog::ApplyLanguage() {
    const UiLanguage language = PickUiLanguage(system());
    const DialogCaptions& captions = DialogCaptionsFor(language);
    SetWindowText(captions.window);
    // The English captions are template 102's own.
    if (language != UiLanguage::English) {
        for (const auto& control : captions.controls) SetDlgItemText(control.id, control.text);
    }

    const UiTexts& texts = UiTextsFor(language);
    m_strEraseWarning = texts.eraseWarning;
    m_strFormatFail = texts.formatFail;
    m_strLockError = texts.lockError;
    m_strUnsupported = texts.unsupported;
    m_strBadLabel = texts.badLabel;
    m_strSystemAreaError = texts.systemAreaError;
    m_strNoDrive = texts.noDrive;
    m_strSystemArea = texts.systemArea;
    m_strDataArea = texts.dataArea;
    m_strTotalSectors = texts.totalSectors;
    m_strCurrent = texts.current;
    m_strQuit = texts.quit;
    m_strStop = texts.stop;
    m_strStopQuery = texts.stopQuery;
}

void FormatDialog::RefreshDriveInfo(std::string drive) {
    const std::string root = drive + "\\";
    char volumeName[kVolumeNameBytes] = {};
    char fileSystemName[kFileSystemNameBytes] = {};
    win32::DWORD serial = 0;
    win32::DWORD maxComponentLength = 0;
    win32::DWORD fileSystemFlags = 0;
    const win32::BOOL known = system().GetVolumeInformationA(
        root.c_str(), volumeName, kVolumeNameBytes, &serial, &maxComponentLength, &fileSystemFlags,
        fileSystemName, kFileSystemNameBytes);
    // A name that fills the buffer without its terminator is cut at the end.
    volumeName[kVolumeNameBytes - 1] = '\0';
    m_strLabel = known ? std::string(volumeName) : std::string();
    if (!IsValidLabel(m_strLabel)) m_strLabel.clear();

    const std::uint32_t bytes = GetDiskBytes(drive);
    SetDlgItemText(kIdSizeText,
                   dlg::Format(kSizeFormat, static_cast<double>(bytes) / kBytesPerMiB));
    m_strTotalLine =
        dlg::Format("%s:%d", m_strTotalSectors.c_str(), static_cast<int>(bytes / kSectorBytes));
    m_strCurrentLine = dlg::Format("%s:", m_strCurrent.c_str());
    UpdateData(false);
}

void FormatDialog::OnDriveChanged() {
    const int index = m_cbDrive.GetCurSel();
    if (index < 0 || index >= static_cast<int>(m_drives.size())) return;
    RefreshDriveInfo(m_drives[static_cast<std::size_t>(index)]);
}

namespace {

struct ModeButtons {
    int quick;
    int low;
    int checkQuick;
    int checkFull;
    int checkLow;
    bool progressLine;
};

constexpr ModeButtons kQuickMode{1, 0, 1, 0, 0, false};
constexpr ModeButtons kFullMode{0, 0, 0, 1, 0, false};
constexpr ModeButtons kLowMode{0, 1, 0, 0, 1, true};

// The three buttons are no radio group in the template, so each handler sets
// every check mark itself.
void SelectMode(FormatDialog& dialog, const ModeButtons& mode) {
    dialog.m_bQuick = mode.quick;
    dialog.m_bLow = mode.low;
    dialog.CheckDlgButton(kIdQuick, mode.checkQuick);
    dialog.CheckDlgButton(kIdFull, mode.checkFull);
    dialog.CheckDlgButton(kIdLow, mode.checkLow);
    dialog.EnableItem(kIdCurrentLine, mode.progressLine);
}

}  // namespace

void FormatDialog::OnModeQuick() {
    SelectMode(*this, kQuickMode);
}
void FormatDialog::OnModeFull() {
    SelectMode(*this, kFullMode);
}
void FormatDialog::OnModeLow() {
    SelectMode(*this, kLowMode);
}

void FormatDialog::OnStopRequest() {
    if (m_bBusy == 0) {
        dlg::Dialog::OnOK();
        return;
    }
    // The running job sees the cleared flag; the dialog stays open either way.
    if (MessageBox(m_strStopQuery, kStopQueryCaption, dlg::MB_YESNO | dlg::MB_ICONQUESTION) ==
        dlg::IDYES)
        m_bBusy = 0;
}

void FormatDialog::ShowAboutBox(int command) {
    if ((command & kSysCommandMask) == kAboutCommand) {
        FormatAboutDialog about(host(), this);
        about.DoModal();
        return;
    }
    dlg::Dialog::OnSysCommand(command);
}

FormatDialog::IconPosition FormatDialog::MinimizedIconPosition(int clientWidth, int clientHeight,
                                                               int iconWidth, int iconHeight) {
    return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

}  // namespace kerfa
