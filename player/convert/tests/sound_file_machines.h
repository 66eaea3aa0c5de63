// The machines the sound file tests run on: the real Linux host with files in
// a temporary folder (share modes enforced), and the simulated machine with
// files in memory (every call recorded, handles counted, no share modes).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/linux/linux_win32.h"
#include "platform/win32/simulated/simulated_machine.h"
#include "testing/test_support.h"

namespace vocna::testing {

using Bytes = std::vector<std::uint8_t>;

class SoundFileMachine {
  public:
    virtual ~SoundFileMachine() = default;
    virtual win32::Win32& system() = 0;
    virtual std::string PathOf(const std::string& name) const = 0;
    virtual void Put(const std::string& name, const Bytes& bytes) = 0;
    virtual std::optional<Bytes> Contents(const std::string& name) const = 0;
    virtual int OpenHandles() const = 0;
};

class LinuxMachine final : public SoundFileMachine {
  public:
    LinuxMachine() : system_(Options()) {}
    win32::Win32& system() override { return system_; }
    std::string PathOf(const std::string& name) const override { return (dir_ / name).string(); }
    void Put(const std::string& name, const Bytes& bytes) override {
        testing_support::WriteBytes(dir_ / name, bytes);
    }
    std::optional<Bytes> Contents(const std::string& name) const override {
        if (!std::filesystem::exists(dir_ / name)) return std::nullopt;
        return testing_support::ReadBytes(dir_ / name);
    }
    int OpenHandles() const override { return system_.OpenHandles(); }
    const std::filesystem::path& dir() const { return dir_.path(); }

  private:
    static win32::linux_host::LinuxWin32Options Options() {
        win32::linux_host::LinuxWin32Options options;
        options.blockDevices = false;
        return options;
    }
    testing_support::TempDir dir_;
    win32::linux_host::LinuxWin32 system_;
};

class SimulatedFiles final : public SoundFileMachine {
  public:
    SimulatedFiles() : system_(win32::sim::Flavour::Windows2K) {}
    win32::Win32& system() override { return system_; }
    std::string PathOf(const std::string& name) const override { return "C:\\VRK\\" + name; }
    void Put(const std::string& name, const Bytes& bytes) override {
        system_.AddFile(PathOf(name), std::string(bytes.begin(), bytes.end()));
    }
    std::optional<Bytes> Contents(const std::string& name) const override {
        auto contents = system_.FileContents(PathOf(name));
        if (!contents) return std::nullopt;
        return Bytes(contents->begin(), contents->end());
    }
    int OpenHandles() const override { return system_.OpenHandles(); }
    win32::sim::SimulatedMachine& machine() { return system_; }

  private:
    win32::sim::SimulatedMachine system_;
};

inline std::unique_ptr<SoundFileMachine> MakeMachine(const std::string& name) {
    if (name == "Linux") return std::make_unique<LinuxMachine>();
    return std::make_unique<SimulatedFiles>();
}

}  // namespace vocna::testing
