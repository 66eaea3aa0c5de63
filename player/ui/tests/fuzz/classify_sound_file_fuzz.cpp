// Any file content through PlayerDialog::ClassifySoundFile: the type follows
// the first byte alone, and no handle stays open.
#include <cstddef>
#include <cstdint>

#include "platform/dialog/scripted_host.h"
#include "player/convert/tests/sound_file_machines.h"
#include "player/ui/player_dialog.h"

namespace {

int ExpectedType(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 5;
    switch (data[0]) {
        case 0x05:
            return 0;
        case 0x04:
            return 1;
        case 0x03:
            return 2;
        case 0x80:
            return 3;
        case 0x40:
            return 4;
        default:
            return 5;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vocna::testing::SimulatedFiles machine;
    machine.Put("s.vrk", vocna::testing::Bytes(data, data + size));
    dlg::ScriptedHost host;
    vocna::PlayerDialog dialog(host, machine.system());
    if (dialog.ClassifySoundFile(machine.PathOf("s.vrk")) != ExpectedType(data, size))
        __builtin_trap();
    if (machine.OpenHandles() != 0) __builtin_trap();
    return 0;
}
