// PlayerDialog's conversion chain: a VRK sound file through the sibling tools
// to an MP3 the media player plays, and the clean-up at Exit.
#include <algorithm>
#include <cctype>
#include <string_view>

#include "platform/dialog/format_text.h"
#include "platform/dialog/message_box.h"
#include "platform/win32/linux/command_line.h"
#include "player/convert/sound_file_repacker.h"
#include "player/convert/sound_file_type.h"
#include "player/ui/conversion_texts.h"
#include "player/ui/player_app.h"
#include "player/ui/player_dialog.h"
#include "player/ui/wait_dialogs.h"

namespace vocna {
namespace {

// The size the tools are told their start-up information has.
constexpr win32::DWORD kStartupInfoSize = 68;

std::string InStartDir(const char* pathFormat) {
    return dlg::Format(pathFormat, g_szStartDir);
}

bool IsWhiteSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string Trimmed(const std::string& text) {
    const auto first = std::find_if_not(text.begin(), text.end(), IsWhiteSpace);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), IsWhiteSpace).base();
    return first < last ? std::string(first, last) : std::string();
}

// The path up to its last '.', searched over the whole path; empty without one.
std::string CutBeforeLastDot(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : path.substr(0, dot);
}

std::string LastThreeLettersUpper(const std::string& path) {
    std::string letters = path.size() < 3 ? path : path.substr(path.size() - 3);
    for (char& c : letters) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return letters;
}

}  // namespace

bool PlayerDialog::RunTool(std::string commandLine, const std::string& message) {
    win32::STARTUPINFOA startup{};
    system_.GetStartupInfoA(&startup);
    startup.cb = kStartupInfoSize;
    startup.dwFlags = win32::STARTF_USESHOWWINDOW;
    startup.wShowWindow = win32::SW_HIDE;
    win32::PROCESS_INFORMATION process{};
    if (!system_.CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, win32::TRUE, 0,
                                nullptr, nullptr, &startup, &process)) {
        return false;
    }
    WaitDialog wait(host(), system_, this);
    wait.m_strMessage = message;
    wait.m_hProcess = process.hProcess;
    wait.DoModal();
    system_.CloseHandle(process.hThread);
    system_.CloseHandle(process.hProcess);
    return true;
}

void PlayerDialog::ShowChainError(const char* text) {
    MessageBox(text, kPlayerBoxCaption, dlg::MB_OK | dlg::MB_ICONERROR);
}

void PlayerDialog::OnPlayFile() {
    m_player.SetFileName("");
    const std::string towavePath = InStartDir(kTowavePathFormat);

    dlg::FileOpenRequest request;
    request.defaultExtension = kSoundFileExtension;
    request.flags = dlg::OFN_HIDEREADONLY | dlg::OFN_OVERWRITEPROMPT;
    request.filter = kSoundFileFilter;
    std::string chosen;
    if (!host().FileOpen(this, request, chosen)) return;

    // Every tool receives its paths between double quotes; one that cannot be
    // carried whole that way never reaches a command line.
    using win32::linux_host::CanQuoteWhole;
    if (!CanQuoteWhole(chosen) || !CanQuoteWhole(g_szStartDir)) {
        ShowChainError(kUnquotablePath);
        return;
    }

    // The first copy is quoted for towave and shown at the end; the second
    // names the MP3.
    std::string shownPath = chosen;
    const std::string soundPath = chosen;

    const int type = ClassifySoundFile(soundPath);
    m_strTempFile = InStartDir(kTempWavFormat);
    switch (type) {
        case kSoundWaveA:
        case kSoundWaveB:
        case kSoundWaveC: {
            shownPath = "\"" + shownPath + "\"";
            if (!RunTool(dlg::Format(kTowaveCommandFormat, towavePath.c_str(), shownPath.c_str(),
                                     m_strTempFile.c_str()),
                         kTowaveWaitMessage)) {
                return;
            }
            break;
        }
        case kSoundFrames10: {
            const std::string bitstreamPath = InStartDir(kBitstreamFormat);
            if (RepackSoundFile(soundPath, bitstreamPath) != kRepackDone) {
                ShowChainError(kConvertError);
                return;
            }
            m_strTempFile = InStartDir(kTempPcmFormat);
            if (DecodeBitstream(bitstreamPath, m_strTempFile, kDecoderKindA) == 0) {
                ShowChainError(kConvertError);
                return;
            }
            system_.DeleteFileA(bitstreamPath.c_str());
            break;
        }
        default:
            ShowChainError(kUnsupportedFile);
            return;
    }

    const std::string mp3Base = m_btnOutputMp3.GetCheck() == 0 ? InStartDir(kTempMp3BaseFormat)
                                                               : CutBeforeLastDot(soundPath);
    if (EncodeMp3(m_strTempFile, mp3Base) == 0) {
        ShowChainError(kOutputMp3Error);
        m_strPlayFile.clear();
    }
    system_.DeleteFileA(m_strTempFile.c_str());

    shownPath = Trimmed(shownPath);
    m_player.SetFileName(m_strPlayFile);
    SetDlgItemText(kIdPathBox, shownPath);
}

int PlayerDialog::DecodeBitstream(std::string bitstreamPath, std::string pcmPath, int kind) {
    const char* toolFormat = nullptr;
    if (kind == kDecoderKindA) toolFormat = kDecodeAPathFormat;
    if (kind == kDecoderKindB) toolFormat = kDecodeBPathFormat;
    if (toolFormat == nullptr) return 0;
    const std::string toolPath = InStartDir(toolFormat);
    const bool started = RunTool(dlg::Format(kDecoderCommandFormat, toolPath.c_str(),
                                             bitstreamPath.c_str(), pcmPath.c_str()),
                                 kDecoderWaitMessage);
    return started ? 1 : 0;
}

int PlayerDialog::EncodeMp3(std::string inputPath, std::string baseName) {
    const std::string mp3Path = baseName + kMp3Extension;
    const std::string toolPath = InStartDir(kMpegencPathFormat);
    const std::string suffix = LastThreeLettersUpper(inputPath);
    const char* commandFormat = nullptr;
    if (suffix == kWavSuffix) commandFormat = kWavEncoderCommandFormat;
    if (suffix == kPcmSuffix) commandFormat = kPcmEncoderCommandFormat;
    // The chain only ever hands over its own .wav or .pcm intermediate.
    if (commandFormat == nullptr) return 0;
    if (!RunTool(dlg::Format(commandFormat, toolPath.c_str(), inputPath.c_str(), mp3Path.c_str()),
                 kEncoderWaitMessage)) {
        return 0;
    }
    m_strPlayFile = mp3Path;
    return 1;
}

void PlayerDialog::OnExit() {
    m_player.SetFileName("");
    if (!m_strTempFile.empty()) system_.DeleteFileA(m_strTempFile.c_str());
    system_.DeleteFileA(InStartDir(kTempMp3Format).c_str());
    dlg::Dialog::OnCancel();
}

void PlayerDialog::OnCancel() {
    OnExit();
}

}  // namespace vocna
