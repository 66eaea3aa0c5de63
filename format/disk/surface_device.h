// The device of the surface test: the sector device's requests on one handle
// that stays open for the whole test, with the 9x volume lock held as long.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32/win32.h"

namespace kerfa::disk {

class SurfaceDevice {
  public:
    enum class OpenResult { Opened, VolumeOpenFailed, LockRefused };

    SurfaceDevice(win32::Win32& sys, std::string drive);
    ~SurfaceDevice();  // Close() if open
    SurfaceDevice(const SurfaceDevice&) = delete;
    SurfaceDevice& operator=(const SurfaceDevice&) = delete;

    // Chooses the back-end by opening VWIN32: on Windows 98/ME keeps that
    // handle and takes the volume lock (refused: closes it, LockRefused); on
    // Windows 2000/XP opens the volume (VolumeOpenFailed when it does not
    // open). An open device is closed first.
    OpenResult Open();
    bool is9x() const { return is9x_; }

    // Writes `count` sectors from `buffer` at `sector`, then reads them back
    // into the same buffer. False when any request failed or moved fewer
    // bytes, or when the transfer does not fit one request.
    bool WriteAndReadBack(std::uint32_t sector, std::uint32_t count, std::uint8_t* buffer);

    // NT: closes the volume. 9x: closes VWIN32, then releases the lock.
    void Close();

  private:
    win32::Win32& sys_;
    std::string drive_;
    win32::HANDLE handle_;
    bool open_ = false;
    bool is9x_ = false;
};

}  // namespace kerfa::disk
