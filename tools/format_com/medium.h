// The medium behind a drive letter, as the host that started us names it, and
// the hold format.com keeps on it while it formats.
#pragma once

#include <optional>
#include <string>

namespace format_com {

// The variable that names drive X's device node or disk-image file in our
// environment: KERFA_DRIVE_X.
std::string DriveVariable(char drive);
// Its value; nothing when it is unset or empty.
std::optional<std::string> MediumOf(char drive);

// Why the medium must not be formatted now (a mounted filesystem on it, or on
// a loop device backed by the image); empty when nothing is in the way. A
// block device's own mounts are refused by mkfs.fat itself.
std::string WhyNotFormattable(const std::string& medium);

// An exclusive advisory lock on the medium for the life of the object: drive
// file copies wait for the formatter, and two formatters never overlap.
class MediumLock {
  public:
    explicit MediumLock(const std::string& medium);
    ~MediumLock();
    MediumLock(const MediumLock&) = delete;
    MediumLock& operator=(const MediumLock&) = delete;

    bool held() const { return held_; }
    // errno of the open or the lock that failed.
    int error() const { return error_; }

  private:
    int fd_ = -1;
    bool held_ = false;
    int error_ = 0;
};

}  // namespace format_com
