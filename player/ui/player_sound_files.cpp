// PlayerDialog's sound file operations, thin over player/convert.
#include "player/convert/sound_file_repacker.h"
#include "player/convert/sound_file_type.h"
#include "player/ui/player_dialog.h"
#include "player/ui/wait_dialogs.h"

namespace vocna {

int PlayerDialog::ClassifySoundFile(std::string path) {
    return ReadSoundFileType(system_, path);
}

int PlayerDialog::RepackSoundFile(std::string soundPath, std::string bitstreamPath) {
    SoundFileRepacker repacker(system_);
    const int opened = repacker.Open(soundPath, bitstreamPath);
    if (opened != kRepackDone) return opened;
    // No message is dispatched while the blocks are repacked, so the box
    // keeps its empty line until it goes, after both files are closed.
    BusyDialog busy(host(), this);
    busy.m_strMessage = kBitstreamBusyMessage;
    busy.UpdateData(false);
    return repacker.Run();
}

}  // namespace vocna
