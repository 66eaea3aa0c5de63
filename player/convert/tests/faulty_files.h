// Fault injection over any Win32: the n-th read or write fails, a transfer
// moves only part of what was asked, the file size is wrong, closing the
// written file reports a failure, a given file cannot be created.
#pragma once

#include <string>

#include "player/convert/tests/interposed_win32.h"

namespace vocna::testing {

class FaultyFiles : public InterposedWin32 {
  public:
    using InterposedWin32::InterposedWin32;

    int failRead = 0;   // this ReadFile call fails (1: the first)
    int failWrite = 0;  // this WriteFile call fails (1: the first)
    bool failSize = false;
    DWORD extraSize = 0;          // GetFileSize reports this many bytes more
    bool halveTransfers = false;  // reads and writes move half of what was asked
    bool failWrittenClose = false;
    std::string refuseCreate;  // CreateFileA of this path fails

    int reads = 0;
    int writes = 0;

    HANDLE CreateFileA(const char* name, DWORD access, DWORD share, void* security, DWORD creation,
                       DWORD flags, HANDLE templateFile) override {
        if (refuseCreate == name) return INVALID_HANDLE_VALUE;
        HANDLE file = InterposedWin32::CreateFileA(name, access, share, security, creation, flags,
                                                   templateFile);
        if (access & GENERIC_WRITE) written_ = file;
        return file;
    }
    BOOL ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* read, void* overlapped) override {
        if (++reads == failRead) {
            if (read) *read = 0;
            return FALSE;
        }
        if (halveTransfers && size > 1) size /= 2;
        return InterposedWin32::ReadFile(file, buffer, size, read, overlapped);
    }
    BOOL WriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* written,
                   void* overlapped) override {
        if (++writes == failWrite) {
            if (written) *written = 0;
            return FALSE;
        }
        if (halveTransfers && size > 1) size /= 2;
        return InterposedWin32::WriteFile(file, buffer, size, written, overlapped);
    }
    DWORD GetFileSize(HANDLE file, DWORD* sizeHigh) override {
        if (failSize) {
            failedSize_ = true;
            return INVALID_FILE_SIZE;
        }
        return InterposedWin32::GetFileSize(file, sizeHigh) + extraSize;
    }
    DWORD GetLastError() override {
        if (failedSize_) {
            failedSize_ = false;
            return ERROR_READ_FAULT;
        }
        return InterposedWin32::GetLastError();
    }
    BOOL CloseHandle(HANDLE handle) override {
        const BOOL closed = InterposedWin32::CloseHandle(handle);
        if (failWrittenClose && handle == written_) return FALSE;
        return closed;
    }

  private:
    HANDLE written_ = nullptr;
    bool failedSize_ = false;
};

}  // namespace vocna::testing
