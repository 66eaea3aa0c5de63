#include "platform/win32/linux/volume_label.h"

#include <blkid/blkid.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <memory>

namespace win32::linux_host {
namespace {

std::optional<std::string> Value(blkid_probe probe, const char* name) {
    const char* data = nullptr;
    if (blkid_probe_lookup_value(probe, name, &data, nullptr) != 0 || data == nullptr) {
        return std::nullopt;
    }
    return std::string(data);
}

std::string WindowsTypeName(const std::string& type, const std::string& version) {
    if (type == "vfat") return version == "FAT32" ? "FAT32" : "FAT";
    if (type == "exfat") return "exFAT";
    std::string upper = type;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

// FAT and NTFS volume ids come as "1234-ABCD" or 16 hex digits; Windows
// reports the low 32 bits.
std::uint32_t SerialOf(const std::string& uuid) {
    std::string hex;
    for (char c : uuid) {
        if (std::isxdigit(static_cast<unsigned char>(c))) hex += c;
    }
    if (hex.empty() || hex.size() > 16) return 0;
    return static_cast<std::uint32_t>(std::strtoull(hex.c_str(), nullptr, 16));
}

}  // namespace

std::optional<FilesystemInfo> ProbeFilesystem(const std::string& path, int& error) {
    error = 0;
    errno = 0;
    std::unique_ptr<blkid_struct_probe, decltype(&blkid_free_probe)> probe(
        blkid_new_probe_from_filename(path.c_str()), &blkid_free_probe);
    if (!probe) {
        error = errno != 0 ? errno : EIO;
        return std::nullopt;
    }
    blkid_probe_enable_superblocks(probe.get(), 1);
    blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_LABEL | BLKID_SUBLKS_TYPE |
                                                       BLKID_SUBLKS_UUID | BLKID_SUBLKS_VERSION);
    // Safe probing: a medium that looks like two filesystems at once is none.
    if (blkid_do_safeprobe(probe.get()) != 0) return std::nullopt;
    const auto type = Value(probe.get(), "TYPE");
    if (!type) return std::nullopt;
    FilesystemInfo info;
    info.label = Value(probe.get(), "LABEL").value_or("");
    info.type = WindowsTypeName(*type, Value(probe.get(), "VERSION").value_or(""));
    info.serial = SerialOf(Value(probe.get(), "UUID").value_or(""));
    return info;
}

}  // namespace win32::linux_host
