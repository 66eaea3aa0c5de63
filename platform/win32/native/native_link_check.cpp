// A program over the native layer. Its virtual table pulls in every call, so
// a system import that cannot be resolved fails the build, not a user's run.
#include <cstdio>

#include "platform/win32/native/native_win32.h"

int main() {
    win32::native::NativeWin32 host;
    win32::Win32& api = host;
    char drives[150] = {};
    const win32::DWORD length = api.GetLogicalDriveStringsA(150, drives);
    std::printf("version %08lx, language %04x, drive list of %lu bytes\n",
                static_cast<unsigned long>(api.GetVersion()), api.GetSystemDefaultLangID(),
                static_cast<unsigned long>(length));
    return 0;
}
