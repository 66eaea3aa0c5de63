#include "format/disk/capacity.h"

#include <array>

#include "format/disk/device_requests.h"
#include "format/disk/drive_discovery.h"
#include "format/disk/sector_device.h"

namespace kerfa::disk {

using namespace win32;

namespace {

// Probes of the NT path, each halfway between two class sizes, read in this
// order; the first one that can be read gives the size.
struct Probe {
    std::uint32_t sector;
    std::uint32_t bytes;
};
constexpr std::array<Probe, 4> kProbes = {{
    {227328, 133169152},  // 111 MiB -> 127 MiB
    {161792, 99614720},   //  79 MiB ->  95 MiB
    {96256, 66060288},    //  47 MiB ->  63 MiB
    {32768, 32505856},    //  16 MiB ->  31 MiB
}};
constexpr std::uint32_t kNoProbeReadable = 15728640;  // 15 MiB, no class

std::uint32_t ParameterBytes(Win32& sys, const std::string& drive) {
    DEVICEPARAMS params{};
    if (!GetDeviceParameters(sys, drive, params)) return 0;
    const std::uint64_t sectors = params.dpSectors != 0 ? params.dpSectors : params.dpHugeSectors;
    const std::uint64_t bytes = std::uint64_t{params.dpBytesPerSec} * sectors;
    return bytes > 0xFFFFFFFFu ? kDiskTooLarge : static_cast<std::uint32_t>(bytes);
}

std::uint32_t ProbedBytes(Win32& sys, const std::string& drive) {
    std::array<std::uint8_t, kSectorBytes> sector{};
    std::uint32_t result = kNoProbeReadable;
    bool found = false;
    for (const Probe& probe : kProbes) {  // all four, whatever the earlier ones gave
        if (ReadSectors(sys, drive, sector.data(), probe.sector, 1) == 1 && !found) {
            result = probe.bytes;
            found = true;
        }
    }
    return result;
}

}  // namespace

std::uint32_t GetDiskBytes(Win32& sys, const std::string& platformKind, std::string drive) {
    drive = UpperDriveName(std::move(drive));
    return platformKind == kWindows98 ? ParameterBytes(sys, drive) : ProbedBytes(sys, drive);
}

}  // namespace kerfa::disk
