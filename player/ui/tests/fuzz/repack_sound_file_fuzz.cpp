// Any file content through PlayerDialog::RepackSoundFile, with a read or
// write failure or partial transfers chosen by the input's first byte (the
// rest is the sound file). The bitstream is exact, or empty for a file of
// another type, or gone after a failure; no handle and no busy box stay.
#include <cstddef>
#include <cstdint>

#include "platform/dialog/scripted_host.h"
#include "player/convert/tests/faulty_files.h"
#include "player/convert/tests/sound_file_machines.h"
#include "player/ui/player_dialog.h"

namespace {

using vocna::testing::Bytes;

Bytes ExpectedBitstream(const Bytes& file) {
    Bytes out;
    if (file.size() < 1024) return out;
    const std::size_t blocks = (file.size() - 512) / 512;
    for (std::size_t i = 0; i < blocks; ++i) {
        const std::uint8_t* block = file.data() + 512 + 512 * i;
        for (std::size_t frame = 0; frame < 51; ++frame)
            for (std::size_t k = 0; k < 5; ++k) {
                out.push_back(block[frame * 10 + k]);
                out.push_back(block[frame * 10 + k + 5]);
            }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t control = data[0];
    const Bytes file(data + 1, data + size);

    vocna::testing::SimulatedFiles machine;
    machine.Put("s.vrk", file);
    vocna::testing::FaultyFiles faulty(machine.system());
    const int nth = control / 4 % 5 + 1;
    switch (control % 4) {
        case 1:
            faulty.failRead = nth;
            break;
        case 2:
            faulty.failWrite = nth;
            break;
        case 3:
            faulty.halveTransfers = true;
            break;
        default:
            break;
    }
    dlg::ScriptedHost host;
    vocna::PlayerDialog dialog(host, faulty);
    const int result = dialog.RepackSoundFile(machine.PathOf("s.vrk"), machine.PathOf("b.sbs"));

    const auto bitstream = machine.Contents("b.sbs");
    const bool frames10 = !file.empty() && file[0] == 0x80;
    switch (result) {
        case 0:
            if (!frames10 || bitstream != ExpectedBitstream(file)) __builtin_trap();
            break;
        case -3:
            if (control % 4 == 0 || control % 4 == 3 || bitstream) __builtin_trap();
            break;
        case -4:
            if (frames10 || bitstream != Bytes{}) __builtin_trap();
            break;
        default:
            __builtin_trap();
    }
    if (machine.OpenHandles() != 0 || host.HasWindow(vocna::kBusyDialogTemplate)) __builtin_trap();
    if (machine.Contents("s.vrk") != file) __builtin_trap();
    return 0;
}
