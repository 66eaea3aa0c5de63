#include "platform/win32/linux/block_devices.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace win32::linux_host {
namespace {

namespace fs = std::filesystem;

// The SCSI peripheral type of optical drives, which Windows lists as CD-ROM.
constexpr int kScsiTypeRom = 5;

std::optional<std::string> ReadLine(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    if (!in || !std::getline(in, line)) return std::nullopt;
    return line;
}

std::optional<std::uint64_t> ReadNumber(const fs::path& path) {
    const auto line = ReadLine(path);
    if (!line) return std::nullopt;
    try {
        return std::stoull(*line);
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<DevNumber> ReadDevNumber(const fs::path& path) {
    const auto line = ReadLine(path);
    DevNumber number;
    if (!line || std::sscanf(line->c_str(), "%u:%u", &number.major, &number.minor) != 2) {
        return std::nullopt;
    }
    return number;
}

std::optional<BlockDevice> Describe(const fs::path& dir, const std::string& disk) {
    const auto number = ReadDevNumber(dir / "dev");
    if (!number) return std::nullopt;
    BlockDevice device;
    device.name = dir.filename().string();
    device.disk = disk;
    device.number = *number;
    device.sectors = ReadNumber(dir / "size").value_or(0);
    return device;
}

}  // namespace

Sysfs::Sysfs(std::string sysfsRoot, std::string devRoot)
    : blockDir_(std::move(sysfsRoot) + "/block"), devRoot_(std::move(devRoot)) {}

std::vector<BlockDevice> Sysfs::Disks() const {
    std::vector<BlockDevice> disks;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(blockDir_, error)) {
        const std::string name = entry.path().filename().string();
        if (auto disk = Describe(entry.path(), name)) disks.push_back(*disk);
    }
    std::sort(disks.begin(), disks.end(),
              [](const BlockDevice& a, const BlockDevice& b) { return a.name < b.name; });
    return disks;
}

std::vector<BlockDevice> Sysfs::Partitions(const std::string& disk) const {
    std::vector<std::pair<std::uint64_t, BlockDevice>> numbered;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fs::path(blockDir_) / disk, error)) {
        const auto index = ReadNumber(entry.path() / "partition");
        if (!index) continue;
        if (auto partition = Describe(entry.path(), disk))
            numbered.emplace_back(*index, *partition);
    }
    std::sort(numbered.begin(), numbered.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<BlockDevice> partitions;
    for (auto& [index, partition] : numbered) partitions.push_back(std::move(partition));
    return partitions;
}

bool Sysfs::Removable(const std::string& disk) const {
    return ReadNumber(fs::path(blockDir_) / disk / "removable").value_or(0) == 1;
}

std::vector<BlockDevice> Sysfs::RemovableDrives() const {
    std::vector<BlockDevice> drives;
    for (const auto& disk : Disks()) {
        if (!Removable(disk.name) || disk.sectors == 0) continue;
        const auto type = ReadNumber(fs::path(blockDir_) / disk.name / "device/type");
        if (type && *type == kScsiTypeRom) continue;
        const auto partitions = Partitions(disk.name);
        drives.push_back(partitions.empty() ? disk : partitions.front());
    }
    return drives;
}

std::optional<BlockDevice> Sysfs::ByNumber(DevNumber number) const {
    for (const auto& disk : Disks()) {
        if (disk.number == number) return disk;
        for (const auto& partition : Partitions(disk.name)) {
            if (partition.number == number) return partition;
        }
    }
    return std::nullopt;
}

std::vector<DevNumber> Sysfs::Family(const std::string& disk) const {
    std::vector<DevNumber> family;
    if (const auto number = ReadDevNumber(fs::path(blockDir_) / disk / "dev")) {
        family.push_back(*number);
    }
    for (const auto& partition : Partitions(disk)) family.push_back(partition.number);
    return family;
}

std::vector<std::string> Sysfs::LoopsBacking(const std::string& file) const {
    std::error_code error;
    const fs::path wanted = fs::weakly_canonical(file, error);
    std::vector<std::string> loops;
    for (const auto& disk : Disks()) {
        const auto backing = ReadLine(fs::path(blockDir_) / disk.name / "loop/backing_file");
        if (backing && fs::path(*backing) == wanted) loops.push_back(disk.name);
    }
    return loops;
}

}  // namespace win32::linux_host
