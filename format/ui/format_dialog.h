// Kerfa's main dialog. It owns all state of the formatter; its operations are
// spread over the subsystems they belong to (the format job and surface test in
// format/engine, the disk operations in format/disk, the layout in
// format/layout), each kept thin over dialog-free code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/dialog/dialog.h"
#include "platform/win32/win32.h"

namespace kerfa {

// Control ids of template 102.
enum FormatControl : int {
    kIdExit = 1,  // command id of OK
    kIdFormatNowLegacy = 1000,
    kIdDriveBox = 1003,
    kIdQuick = 1006,
    kIdFull = 1007,
    kIdLabelBox = 1008,
    kIdFormatNow = 1009,
    kIdSizeText = 1010,
    kIdHint = 1011,
    kIdDriveLabel = 1012,
    kIdSizeLabel = 1013,
    kIdModeGroup = 1014,
    kIdVolumeLabel = 1016,
    kIdLow = 1017,
    kIdCurrentLine = 1021,
    kIdTotalLine = 1022,
};

constexpr int kFormatDialogTemplate = 102;
constexpr int kFormatAboutTemplate = 100;
constexpr int kAboutCommand = 16;
constexpr int kAboutString = 101;
constexpr int kProgramIcon = 128;
constexpr std::size_t kLabelLimit = 11;

const dlg::DialogTemplate& FormatDialogTemplate();

class FormatDialog : public dlg::Dialog {
  public:
    FormatDialog(dlg::Host& host, win32::Win32& system);

    // ---- members, in declaration order ----
    std::string m_strStopQuery;
    std::string m_strQuit;
    std::string m_strStop;
    int m_bBusy = 0;  // OnDialogInit clears it again
    std::string m_strSystemArea;
    std::string m_strDataArea;
    std::string m_strTotalSectors;
    std::string m_strCurrent;
    std::string m_strNoDrive;
    std::string m_strSystemAreaError;
    int m_bLow = 0;
    std::vector<std::uint32_t> m_badClusters;
    std::string m_strEraseWarning;
    std::string m_strFormatFail;
    std::string m_strLockError;
    std::string m_strUnsupported;
    std::string m_strBadLabel;
    std::uint32_t m_nDataBytes = 0;
    std::uint32_t m_nBadBytes = 0;
    std::uint32_t m_nClusterBytes = 0;
    std::string m_strPlatform;
    int m_bQuick = 1;
    std::vector<std::string> m_drives;
    dlg::ComboBox m_cbDrive;
    std::string m_strLabel;
    std::string m_strCurrentLine = "Current:";
    std::string m_strTotalLine = "Total Sectors:";
    int m_hIcon = kProgramIcon;

    // ---- the format job (format/engine) ----
    void OnFormatNow();
    int SurfaceTest(std::string drive, std::uint32_t firstDataSector, std::uint32_t dataSectorCount,
                    std::uint8_t* image, std::uint32_t sizeMiB);

    // ---- the layout (format/layout) ----
    int BuildSystemArea(std::uint32_t capacity, std::uint8_t* image);
    int IsValidLabel(std::string label) const;

    // ---- the disk (format/disk) ----
    int ReadSectors(std::string drive, void* buffer, std::uint32_t start, std::uint32_t count);
    int WriteSectors(std::string drive, const void* buffer, std::uint32_t start,
                     std::uint32_t count);
    int LockVolume(std::string drive);
    int UnlockVolume(std::string drive);
    std::uint32_t GetDiskBytes(std::string drive);

    // ---- the dialog (format/ui) ----
    void ApplyLanguage();
    void RefreshDriveInfo(std::string drive);
    void OnModeQuick();
    void OnModeFull();
    void OnModeLow();
    void OnDriveChanged();
    void OnStopRequest();
    void ShowAboutBox(int command);
    // The paint handler of a minimised window draws m_hIcon here, centred in
    // the client area; the drag-icon query answers m_hIcon.
    struct IconPosition {
        int x;
        int y;
    };
    static IconPosition MinimizedIconPosition(int clientWidth, int clientHeight, int iconWidth,
                                              int iconHeight);
    int OnQueryDragIcon() const { return m_hIcon; }
    void OnFormatNowLegacy();
    bool WriteAnswerFile(const std::string& path);

    win32::Win32& system() const { return system_; }
    // The drive name at the drive box's current selection.
    std::string SelectedDrive() const;

  protected:
    void DoDataExchange(dlg::DataExchange& dx) override;
    bool OnDialogInit() override;
    void OnOK() override { OnStopRequest(); }
    void OnSysCommand(int command) override { ShowAboutBox(command); }

  private:
    win32::Win32& system_;
};

}  // namespace kerfa
