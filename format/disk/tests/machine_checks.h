// What the raw-disk tests check on the simulated machine: the requests as
// recorded, and that an operation leaves no handle and no lock behind.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/simulated/simulated_machine.h"

namespace kerfa::disk::testing {

using win32::sim::Call;
using win32::sim::Flavour;
using win32::sim::SimulatedMachine;

// The device names, as the requests must spell them.
inline const std::string kVwin32Lower = "\\\\.\\vwin32";
inline const std::string kVwin32Upper = "\\\\.\\VWIN32";
inline const std::string kVolumeE = "\\\\.\\E:";

constexpr win32::DWORD kDeleteOnClose = 0x04000000u;
constexpr win32::DWORD kReadWrite = 0x80000000u | 0x40000000u;
constexpr win32::DWORD kShareReadWrite = 0x1u | 0x2u;
constexpr win32::DWORD kOpenExisting = 3;

inline void ExpectNothingLeft(const SimulatedMachine& machine) {
    EXPECT_EQ(machine.OpenHandles(), 0);
    EXPECT_EQ(machine.HeldLocks(), 0);
    EXPECT_EQ(machine.InvalidHandleUses(), 0);
}

// "CreateFileA \\.\vwin32", "DeviceIoControl", ... one line per call.
inline std::vector<std::string> Outline(const SimulatedMachine& machine) {
    std::vector<std::string> lines;
    for (const Call& call : machine.Calls()) {
        std::string line = call.function;
        if (call.function == "CreateFileA") line += " " + call.name;
        if (call.function == "DeviceIoControl") line += " " + std::to_string(call.code);
        lines.push_back(line);
    }
    return lines;
}

// A VWIN32 open as published: access 0, share 0, creation 0, delete on close.
inline void ExpectVwin32Open(const Call& call, const std::string& name) {
    EXPECT_EQ(call.function, "CreateFileA");
    EXPECT_EQ(call.name, name);
    EXPECT_EQ(call.access, 0u);
    EXPECT_EQ(call.share, 0u);
    EXPECT_EQ(call.creation, 0u);
    EXPECT_EQ(call.flags, kDeleteOnClose);
    EXPECT_FALSE(call.hasSecurity);
    EXPECT_FALSE(call.hasTemplate);
}

inline void ExpectVolumeOpen(const Call& call, const std::string& name, win32::DWORD access) {
    EXPECT_EQ(call.function, "CreateFileA");
    EXPECT_EQ(call.name, name);
    EXPECT_EQ(call.access, access);
    EXPECT_EQ(call.share, kShareReadWrite);
    EXPECT_EQ(call.creation, kOpenExisting);
    EXPECT_EQ(call.flags, 0u);
    EXPECT_FALSE(call.hasSecurity);
    EXPECT_FALSE(call.hasTemplate);
}

// A register image given to VWIN32 in one block of its own size, with a
// returned-bytes variable and no overlapped structure.
inline void ExpectRegisterCall(const Call& call, win32::DWORD code) {
    EXPECT_EQ(call.function, "DeviceIoControl");
    EXPECT_EQ(call.code, code);
    EXPECT_EQ(call.size, sizeof(win32::DIOC_REGISTERS));
    EXPECT_EQ(call.outSize, sizeof(win32::DIOC_REGISTERS));
    EXPECT_TRUE(call.hasReturned);
    EXPECT_FALSE(call.hasOverlapped);
}

// The lock (ECX 484Ah, EDX 0) or unlock (ECX 486Ah) request for a drive.
inline void ExpectLockRequest(const Call& call, win32::REGISTER ecx, win32::REGISTER drive) {
    ExpectRegisterCall(call, 1);
    EXPECT_EQ(call.registersIn.reg_EAX, 0x440Du);
    EXPECT_EQ(call.registersIn.reg_EBX, drive);
    EXPECT_EQ(call.registersIn.reg_ECX, ecx);
    if (ecx == 0x484A) {
        EXPECT_EQ(call.registersIn.reg_EDX, 0u);
    }
}

// An absolute disk request (7305h) with its packet.
inline void ExpectDiskRequest(const Call& call, win32::REGISTER drive, win32::REGISTER esi,
                              std::uint32_t start, std::uint32_t count, const void* buffer) {
    ExpectRegisterCall(call, 6);
    EXPECT_EQ(call.registersIn.reg_EAX, 0x7305u);
    EXPECT_EQ(call.registersIn.reg_ECX, win32::REGISTER{0xFFFFFFFFu});
    EXPECT_EQ(call.registersIn.reg_EDX, drive);
    EXPECT_EQ(call.registersIn.reg_ESI, esi);
    EXPECT_NE(call.registersIn.reg_EBX, 0u);
    ASSERT_TRUE(call.packet);
    EXPECT_EQ(std::uint32_t{call.packet->diStartSector}, start);
    EXPECT_EQ(unsigned{call.packet->diSectors}, count);
    EXPECT_EQ(win32::REGISTER{call.packet->diBuffer}, reinterpret_cast<win32::REGISTER>(buffer));
}

// The get-device-parameters request (440Dh, 0860h) with carry preset.
inline void ExpectParametersRequest(const Call& call, win32::REGISTER drive) {
    ExpectRegisterCall(call, 1);
    EXPECT_EQ(call.registersIn.reg_EAX, 0x440Du);
    EXPECT_EQ(call.registersIn.reg_EBX, drive);
    EXPECT_EQ(call.registersIn.reg_ECX, 0x0860u);
    EXPECT_NE(call.registersIn.reg_EDX, 0u);
    EXPECT_EQ(call.registersIn.reg_Flags, 1u);
    ASSERT_TRUE(call.params);
    EXPECT_EQ(unsigned{call.params->dpSpecFunc}, 0u);
}

inline void ExpectClose(const Call& call, win32::HANDLE handle) {
    EXPECT_EQ(call.function, "CloseHandle");
    EXPECT_EQ(call.handle, handle);
    EXPECT_TRUE(call.ok);
}

inline const char* FlavourName(Flavour flavour) {
    return flavour == Flavour::Windows98 ? "Windows98" : "Windows2K";
}

}  // namespace kerfa::disk::testing
