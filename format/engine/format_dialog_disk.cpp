// The dialog's side of the sector device and the capacity query: the requests
// are in format/disk; the dialog adds the one message a refused lock shows.
#include "format/disk/capacity.h"
#include "format/disk/sector_device.h"
#include "format/ui/format_dialog.h"
#include "format/ui/ui_texts.h"

namespace kerfa {

int FormatDialog::ReadSectors(std::string drive, void* buffer, std::uint32_t start,
                              std::uint32_t count) {
    return disk::ReadSectors(system(), std::move(drive), buffer, start, count);
}

int FormatDialog::WriteSectors(std::string drive, const void* buffer, std::uint32_t start,
                               std::uint32_t count) {
    switch (disk::WriteSectors(system(), std::move(drive), buffer, start, count)) {
        case disk::WriteResult::Written:
            return 1;
        case disk::WriteResult::LockRefused:
            MessageBox(m_strLockError, kSorryCaption, dlg::MB_ICONERROR);
            return 0;
        case disk::WriteResult::Failed:
            break;
    }
    return 0;
}

int FormatDialog::LockVolume(std::string drive) {
    return disk::LockVolume(system(), std::move(drive));
}

int FormatDialog::UnlockVolume(std::string drive) {
    return disk::UnlockVolume(system(), std::move(drive));
}

std::uint32_t FormatDialog::GetDiskBytes(std::string drive) {
    return disk::GetDiskBytes(system(), m_strPlatform, std::move(drive));
}

}  // namespace kerfa
