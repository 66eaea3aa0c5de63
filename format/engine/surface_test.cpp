// The surface test of a Low format: every sector written with 0xFF and read
// back in chunks, the system area first (any difference is fatal), then the
// data area (a difference marks clusters bad).
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "format/disk/surface_device.h"
#include "format/engine/job_geometry.h"
#include "format/layout/capacity_class.h"
#include "format/layout/system_area.h"
#include "format/ui/format_dialog.h"
#include "format/ui/ui_texts.h"
#include "platform/dialog/format_text.h"

namespace kerfa {

namespace {

constexpr std::uint32_t kChunkSectors = 32;
constexpr std::uint32_t kChunkBytes = kChunkSectors * layout::kSectorBytes;
constexpr std::uint8_t kTestPattern = 0xFF;
// Units of a data chunk are clusters; a failing unit marks its own cluster
// and the seven after it.
constexpr std::uint32_t kUnitBytes = layout::kClusterBytes;
constexpr std::uint32_t kSectorsPerUnit = kUnitBytes / layout::kSectorBytes;
constexpr std::uint32_t kClustersMarkedPerFailingUnit = 8;

constexpr char kProgressFormat[] = "%s: %d(%d%%)";

// A chunk of the pattern to compare with: the check runs over every byte of
// the disk, so it is done as a memory comparison.
const std::array<std::uint8_t, kChunkBytes>& PatternChunk() {
    static const std::array<std::uint8_t, kChunkBytes> chunk = [] {
        std::array<std::uint8_t, kChunkBytes> bytes{};
        bytes.fill(kTestPattern);
        return bytes;
    }();
    return chunk;
}

bool HoldsOnlyPattern(const std::uint8_t* bytes, std::uint32_t size) {
    return std::memcmp(bytes, PatternChunk().data(), size) == 0;
}

}  // namespace

int FormatDialog::SurfaceTest(std::string drive, std::uint32_t firstDataSector,
                              std::uint32_t dataSectorCount, std::uint8_t* image,
                              std::uint32_t sizeMiB) {
    const std::uint32_t classIndex = ClassIndexOfSize(sizeMiB);
    if (classIndex >= static_cast<std::uint32_t>(layout::kClassCount)) return 0;
    const int capacityClass = static_cast<int>(classIndex);
    const std::uint32_t systemAreaSectors = layout::ClassAt(capacityClass).systemAreaSectors;
    const std::uint32_t totalSectors = firstDataSector + dataSectorCount;

    std::vector<std::uint8_t> systemAreaBuffer(kChunkBytes, kTestPattern);
    std::vector<std::uint8_t> dataAreaBuffer(kChunkBytes, kTestPattern);

    disk::SurfaceDevice device(system(), drive);
    switch (device.Open()) {
        case disk::SurfaceDevice::OpenResult::Opened:
            break;
        case disk::SurfaceDevice::OpenResult::VolumeOpenFailed:
            return 0;
        case disk::SurfaceDevice::OpenResult::LockRefused:
            MessageBox(m_strLockError, kSorryCaption, dlg::MB_ICONERROR);
            return 0;
    }

    auto showProgress = [this, totalSectors](const std::string& label, std::uint32_t sector) {
        m_strCurrentLine = dlg::Format(kProgressFormat, label.c_str(), static_cast<int>(sector),
                                       static_cast<int>(sector * 100 / totalSectors));
        UpdateData(false);
    };

    for (std::uint32_t done = 0; done < systemAreaSectors; done += kChunkSectors) {
        const std::uint32_t n = std::min(kChunkSectors, systemAreaSectors - done);
        showProgress(m_strSystemArea, done);
        if (!device.WriteAndReadBack(done, n, systemAreaBuffer.data())) return 0;
        if (!HoldsOnlyPattern(systemAreaBuffer.data(), n * layout::kSectorBytes)) {
            MessageBox(m_strSystemAreaError, kSorryCaption, dlg::MB_ICONERROR);
            return 0;
        }
    }

    for (std::uint32_t k = 0; k < dataSectorCount; k += kChunkSectors) {
        PumpOneMessage();
        if (!m_bBusy) return 0;  // the user confirmed Stop
        showProgress(m_strDataArea, firstDataSector + k);
        const std::uint32_t n = std::min(kChunkSectors, dataSectorCount - k);
        if (!device.WriteAndReadBack(firstDataSector + k, n, dataAreaBuffer.data())) return 0;
        const std::uint32_t chunkBytes = n * layout::kSectorBytes;
        for (std::uint32_t offset = 0; offset < chunkBytes; offset += kUnitBytes) {
            const std::uint32_t unitBytes = std::min(kUnitBytes, chunkBytes - offset);
            if (HoldsOnlyPattern(dataAreaBuffer.data() + offset, unitBytes)) continue;
            const std::uint32_t cluster = k / kSectorsPerUnit + offset / kUnitBytes;
            for (std::uint32_t i = 0; i < kClustersMarkedPerFailingUnit; ++i)
                m_badClusters.push_back(cluster + i);
        }
        std::fill(dataAreaBuffer.begin(), dataAreaBuffer.end(), kTestPattern);
    }

    // Numbers whose FAT entry lies past the FAT are left out; each marked
    // cluster counts once in the results.
    const std::uint32_t marked = layout::MarkBadClusters(capacityClass, m_badClusters, image);
    m_nBadBytes += marked * layout::kClusterBytes;
    device.Close();
    showProgress(m_strDataArea, totalSectors);
    return 1;
}

}  // namespace kerfa
