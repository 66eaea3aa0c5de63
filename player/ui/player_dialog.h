// Vocna's one window: the media player, the play button, the path box and the
// "Output .mp3 file" check box. Its operations are spread over the subsystems
// they belong to: the sound file classification and repacking over
// player/convert, the dialog itself here.
#pragma once

#include <string>

#include "platform/dialog/dialog.h"
#include "platform/win32/win32.h"
#include "player/ui/media_player.h"
#include "player/ui/player_resources.h"

namespace vocna {

inline constexpr int kAboutCommand = 16;
inline constexpr const char* kBitstreamBusyMessage = "Convert VRK file to bitstream ...";

class PlayerAboutDialog : public dlg::Dialog {
  public:
    explicit PlayerAboutDialog(dlg::Host& host, dlg::Dialog* owner = nullptr)
        : dlg::Dialog(host, PlayerAboutTemplate(), owner) {}
};

class PlayerDialog : public dlg::Dialog {
  public:
    PlayerDialog(dlg::Host& host, win32::Win32& system);

    // ---- members, in declaration order ----
    std::string m_strPlayFile;
    dlg::Button m_btnOutputMp3;
    CMediaPlayer2 m_player;
    std::string m_strTempFile;
    int m_hIcon = kProgramIcon;

    // ---- sound files (player/convert) ----
    int ClassifySoundFile(std::string path);
    // Shows the busy box while the blocks are repacked.
    int RepackSoundFile(std::string soundPath, std::string bitstreamPath);

    // ---- the conversion chain ----
    // The play button: asks for a sound file, converts it with the sibling
    // tools of the start directory and hands the MP3 to the media player.
    void OnPlayFile();
    // 1 when the decoder of `kind` was started (and has ended), else 0.
    int DecodeBitstream(std::string bitstreamPath, std::string pcmPath, int kind);
    // 1 when the encoder was started (and has ended); m_strPlayFile is then
    // `baseName` plus ".mp3".
    int EncodeMp3(std::string inputPath, std::string baseName);
    // The cancel command: unloads the player, removes the temporary files
    // and ends the dialog.
    void OnExit();

    win32::Win32& system() const { return system_; }

  protected:
    void DoDataExchange(dlg::DataExchange& dx) override;
    bool OnDialogInit() override;
    void OnSysCommand(int command) override;
    void OnCancel() override;

  private:
    // Starts a tool hidden and shows the wait box until it has ended; false
    // when it could not be started.
    bool RunTool(std::string commandLine, const std::string& message);
    void ShowChainError(const char* text);

    win32::Win32& system_;
};

}  // namespace vocna
