// The machine's block devices as sysfs describes them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace win32::linux_host {

struct DevNumber {
    unsigned major = 0;
    unsigned minor = 0;
    friend bool operator==(const DevNumber&, const DevNumber&) = default;
};

struct BlockDevice {
    std::string name;           // "sdb", or "sdb1" for a partition
    std::string disk;           // the whole disk: "sdb"
    DevNumber number;           // the "dev" entry, major:minor
    std::uint64_t sectors = 0;  // the "size" entry, in 512-byte units
};

class Sysfs {
  public:
    Sysfs(std::string sysfsRoot, std::string devRoot);

    // One entry per removable disk with a medium, in disk-name order: the
    // whole disk when it has no partitions, else its first partition, as
    // Windows shows such a disk. Optical drives are left out.
    std::vector<BlockDevice> RemovableDrives() const;

    // The device with this number, disk or partition.
    std::optional<BlockDevice> ByNumber(DevNumber number) const;

    // Whether the disk says its medium is removable.
    bool Removable(const std::string& disk) const;

    // The disk and every partition of it.
    std::vector<DevNumber> Family(const std::string& disk) const;

    // The loop devices whose backing file is `file`.
    std::vector<std::string> LoopsBacking(const std::string& file) const;

    // The device node of a device name: /dev/sdb1.
    std::string Node(const std::string& name) const { return devRoot_ + "/" + name; }

  private:
    std::vector<BlockDevice> Disks() const;
    std::vector<BlockDevice> Partitions(const std::string& disk) const;

    std::string blockDir_;
    std::string devRoot_;
};

}  // namespace win32::linux_host
