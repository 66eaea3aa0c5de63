// The sector transfers a run asked of the simulated machine, read back from
// its call record on either flavour.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "platform/win32/simulated/simulated_machine.h"

namespace kerfa::testing {

struct Transfer {
    bool write = false;
    std::uint32_t sector = 0;
    std::uint32_t sectors = 0;
    bool operator==(const Transfer&) const = default;
};

inline std::vector<Transfer> Transfers(const win32::sim::SimulatedMachine& machine) {
    constexpr std::uint32_t kSector = 512;
    constexpr win32::REGISTER kWriteFlags = 0x6001;
    std::vector<Transfer> transfers;
    std::map<win32::HANDLE, std::uint32_t> position;
    for (const auto& call : machine.Calls()) {
        if (call.function == "SetFilePointer") {
            position[call.handle] = static_cast<std::uint32_t>(call.distance);
        } else if (call.function == "ReadFile" || call.function == "WriteFile") {
            transfers.push_back({call.function == "WriteFile", position[call.handle] / kSector,
                                 call.size / kSector});
            position[call.handle] += call.moved;
        } else if (call.function == "DeviceIoControl" && call.packet) {
            transfers.push_back({call.registersIn.reg_ESI == kWriteFlags,
                                 call.packet->diStartSector, call.packet->diSectors});
        }
    }
    return transfers;
}

inline std::vector<Transfer> Writes(const win32::sim::SimulatedMachine& machine) {
    std::vector<Transfer> writes;
    for (const auto& t : Transfers(machine))
        if (t.write) writes.push_back(t);
    return writes;
}

}  // namespace kerfa::testing
