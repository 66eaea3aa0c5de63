#include "player/convert/sound_file_type.h"

namespace vocna {

int ClassifyFirstByte(std::uint8_t firstByte) {
    for (const TypeByte& entry : kTypeBytes)
        if (entry.firstByte == firstByte) return entry.type;
    return kSoundUnsupported;
}

int ReadSoundFileType(win32::Win32& system, const std::string& path) {
    win32::HANDLE file = system.CreateFileA(
        path.c_str(), win32::GENERIC_READ, win32::FILE_SHARE_READ | win32::FILE_SHARE_WRITE,
        nullptr, win32::OPEN_EXISTING, win32::FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == win32::INVALID_HANDLE_VALUE) return kSoundUnsupported;
    std::uint8_t firstByte = 0;
    win32::DWORD read = 0;
    const bool gotByte = system.ReadFile(file, &firstByte, 1, &read, nullptr) && read == 1;
    system.CloseHandle(file);
    return gotByte ? ClassifyFirstByte(firstByte) : kSoundUnsupported;
}

}  // namespace vocna
