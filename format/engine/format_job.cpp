// The format job: from the click on "Format Now" to the dialog being ready for
// the next command.
#include <memory>
#include <new>

#include "format/engine/job_geometry.h"
#include "format/layout/capacity_class.h"
#include "format/ui/format_dialog.h"
#include "format/ui/ui_language.h"
#include "format/ui/ui_texts.h"
#include "platform/dialog/format_text.h"

namespace kerfa {

namespace {

// The controls a running job disables, in the order it disables them.
constexpr int kJobControls[] = {kIdFormatNow, kIdDriveBox, kIdLabelBox, kIdQuick, kIdFull, kIdLow};

// The image buffer of one job: boot sector, two FATs and the root directory.
// Each class index adds 64 sectors to each FAT. The size follows the class
// index of any capacity, so that a size of no class is refused by the
// builder, not here.
constexpr std::uint32_t kImageBytesPerClassStep = 2 * 64 * layout::kSectorBytes;

std::uint32_t ImageBytesFor(std::uint32_t classIndex) {
    return classIndex * kImageBytesPerClassStep + layout::ClassAt(0).imageBytes;
}

}  // namespace

void FormatDialog::OnFormatNow() {
    const UiLanguage language = PickUiLanguage(system());
    UpdateData(true);  // a failed save leaves the members as they are
    m_nDataBytes = 0;
    m_nBadBytes = 0;
    m_nClusterBytes = layout::kClusterBytes;

    if (MessageBox(m_strEraseWarning, kWarningCaption, dlg::MB_YESNO | dlg::MB_ICONINFORMATION) ==
        dlg::IDNO)
        return;
    // Clusters found bad on an earlier disk must never be marked on this one.
    m_badClusters.clear();

    SetCursor(dlg::Cursor::Wait);
    const std::uint32_t capacity = GetDiskBytes(SelectedDrive());
    const std::uint32_t sizeMiB = capacity >> 20;
    const std::uint32_t classIndex = ClassIndexOfSize(sizeMiB);
    const std::uint32_t totalSectors = capacity / layout::kSectorBytes;

    std::unique_ptr<std::uint8_t[]> image(new (std::nothrow)
                                              std::uint8_t[ImageBytesFor(classIndex)]());
    auto fail = [this] { MessageBox(m_strFormatFail, kSorryCaption, dlg::MB_ICONERROR); };

    [&] {
        if (!image) return fail();
        if (!BuildSystemArea(capacity, image.get())) return fail();

        const layout::CapacityClass& capacityClass = layout::ClassAt(static_cast<int>(classIndex));
        const std::uint32_t firstDataSector = capacityClass.systemAreaSectors;

        for (int id : kJobControls) EnableItem(id, false);
        SetDlgItemText(kIdExit, m_strStop);
        m_bBusy = 1;
        UpdateData(false);

        if (m_bLow) {
            if (!SurfaceTest(SelectedDrive(), firstDataSector, totalSectors - firstDataSector,
                             image.get(), sizeMiB)) {
                if (m_bBusy) fail();  // a confirmed Stop ends the job silently
                return;
            }
        }
        if (!WriteSectors(SelectedDrive(), image.get(), 0, capacityClass.systemAreaSectors))
            return fail();

        const std::uint32_t systemAreaBytes =
            capacityClass.systemAreaSectors * layout::kSectorBytes;
        m_nDataBytes = ((capacity - systemAreaBytes) / m_nClusterBytes) * m_nClusterBytes;
        const std::string text = dlg::Format(
            ResultsText(language), static_cast<int>(m_nDataBytes), static_cast<int>(m_nBadBytes),
            static_cast<int>(m_nDataBytes - m_nBadBytes), static_cast<int>(m_nClusterBytes),
            static_cast<int>(m_nDataBytes / m_nClusterBytes));
        const std::string caption = dlg::Format(kResultsCaption, SelectedDrive().c_str());
        MessageBox(text, caption, dlg::MB_OK);
    }();

    // Back to idle, whatever the outcome.
    for (int id : kJobControls) EnableItem(id, true);
    SetDlgItemText(kIdExit, m_strQuit);
    m_bBusy = 0;
    UpdateData(false);
    m_strCurrentLine = dlg::Format("%s:", m_strCurrent.c_str());
    SetCursor(dlg::Cursor::Arrow);
    UpdateData(false);
    SetFocus(kIdDriveBox);
    NextDlgCtrl(kIdDriveBox);
    image.reset();
}

}  // namespace kerfa
