// The conversion chain's file names, command lines and messages. Every path
// format is filled with the start directory; the program writes its paths
// with the host's separator and keeps every other byte (the blank at the end
// of two tool paths included).
#pragma once

#ifdef _WIN32
#define VOCNA_PATH_SEPARATOR "\\"
#else
#define VOCNA_PATH_SEPARATOR "/"
#endif

namespace vocna {

// The sibling tools in the start directory.
inline constexpr const char* kTowavePathFormat = "%s" VOCNA_PATH_SEPARATOR "towave.exe";
inline constexpr const char* kDecodeAPathFormat = "%s" VOCNA_PATH_SEPARATOR "decodeA.exe ";
inline constexpr const char* kDecodeBPathFormat = "%s" VOCNA_PATH_SEPARATOR "decodeB.exe ";
inline constexpr const char* kMpegencPathFormat = "%s" VOCNA_PATH_SEPARATOR "mpegenc.exe ";

// The temporary files in the start directory.
inline constexpr const char* kTempWavFormat = "%s" VOCNA_PATH_SEPARATOR "temp000.wav";
inline constexpr const char* kTempPcmFormat = "%s" VOCNA_PATH_SEPARATOR "temp000.pcm";
inline constexpr const char* kBitstreamFormat = "%s" VOCNA_PATH_SEPARATOR "temp.sbs";
inline constexpr const char* kTempMp3BaseFormat = "%s" VOCNA_PATH_SEPARATOR "tempMP3";
inline constexpr const char* kTempMp3Format = "%s" VOCNA_PATH_SEPARATOR "tempMP3.mp3";
inline constexpr const char* kMp3Extension = ".mp3";

// Command lines: tool path first, every path between double quotes.
inline constexpr const char* kTowaveCommandFormat = "\"%s\" %s \"%s\"";
inline constexpr const char* kDecoderCommandFormat = "\"%s\" \"%s\" \"%s\"";
inline constexpr const char* kWavEncoderCommandFormat = "\"%s\" -b 32 --resample 16 \"%s\" \"%s\"";
inline constexpr const char* kPcmEncoderCommandFormat = "\"%s\" -b 32 -r -x -s 8 \"%s\" \"%s\"";
inline constexpr const char* kWavSuffix = "WAV";
inline constexpr const char* kPcmSuffix = "PCM";

// The wait messages.
inline constexpr const char* kTowaveWaitMessage = "Convert VRK file to PCM ...";
inline constexpr const char* kDecoderWaitMessage = "Convert bistream to PCM ...";
inline constexpr const char* kEncoderWaitMessage = "Encoding PCM to mp3...";

// The file-open dialog.
inline constexpr const char* kSoundFileExtension = ".vrk|.*";
inline constexpr const char* kSoundFileFilter = "VRK File(*.vrk)|*.vrk|All File(*.*)|*.*||";

// The boxes, each with the error icon and an OK button.
inline constexpr const char* kConvertError = "Convert error!";
inline constexpr const char* kUnsupportedFile = "Can not open this file or unsupport format!";
inline constexpr const char* kOutputMp3Error = "Output .MP3 file error!";
// A path the tools' quoted command lines cannot carry whole: a Linux file
// name may hold a double quote, which would split it for the tool.
inline constexpr const char* kUnquotablePath =
    "This file cannot be converted: its path holds a double quote (\"), or Vocana's folder "
    "does, and the converter tools would receive it cut in pieces.\n"
    "Please rename the file or the folder.";

// The decoder kinds of DecodeBitstream.
inline constexpr int kDecoderKindA = 3;
inline constexpr int kDecoderKindB = 4;

}  // namespace vocna
