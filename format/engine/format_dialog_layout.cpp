// The dialog's side of the system-area builder: the layout is built in
// format/layout; the dialog reads the old FAT, shows the refusals and keeps
// the label and the bad-byte count.
#include <memory>
#include <new>

#include "format/layout/capacity_class.h"
#include "format/layout/system_area.h"
#include "format/layout/volume_label.h"
#include "format/ui/format_dialog.h"
#include "format/ui/ui_texts.h"

namespace kerfa {

int FormatDialog::IsValidLabel(std::string label) const {
    return layout::IsValidLabel(label);
}

int FormatDialog::BuildSystemArea(std::uint32_t capacity, std::uint8_t* image) {
    const std::optional<int> capacityClass = layout::ClassOfCapacity(capacity);
    if (!capacityClass) {
        MessageBox(m_strUnsupported, kSorryCaption, dlg::MB_ICONERROR);
        return 0;
    }
    const std::uint32_t sectorsPerFat = layout::ClassAt(*capacityClass).sectorsPerFat;

    // Quick carries the bad marks of the old FAT 1 over; it becomes Full when
    // that FAT cannot be had.
    std::unique_ptr<std::uint8_t[]> oldFat;
    if (m_bQuick) {
        oldFat.reset(new (std::nothrow) std::uint8_t[sectorsPerFat * layout::kSectorBytes]);
        if (!oldFat || !ReadSectors(SelectedDrive(), oldFat.get(), 1, sectorsPerFat)) {
            oldFat.reset();
            m_bQuick = 0;
        }
    }
    const std::uint32_t carried = layout::BuildSystemAreaImage(*capacityClass, oldFat.get(), image);
    m_nBadBytes += carried * layout::kClusterBytes;
    oldFat.reset();

    if (m_strLabel.empty()) return 1;
    if (!IsValidLabel(m_strLabel)) {
        MessageBox(m_strBadLabel, kBadLabelCaption, dlg::MB_ICONINFORMATION);
        m_strLabel.clear();
        return 1;
    }
    m_strLabel = layout::UpperCaseLabel(m_strLabel);
    layout::WriteVolumeLabel(*capacityClass, m_strLabel, image);
    return 1;
}

}  // namespace kerfa
