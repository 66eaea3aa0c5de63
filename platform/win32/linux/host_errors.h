// Win32 error codes for what the Linux kernel reports.
#pragma once

#include "platform/win32/win32_types.h"

namespace win32::linux_host {

// Codes the Linux host reports beyond the shared set.
constexpr DWORD ERROR_INVALID_FUNCTION = 1;
constexpr DWORD ERROR_DEV_NOT_EXIST = 55;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_NEGATIVE_SEEK = 131;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;

enum class Transfer { None, Read, Write };

// The Win32 code for an errno value; `transfer` picks the fault code of an
// I/O error.
DWORD ErrorFromErrno(int error, Transfer transfer = Transfer::None);

}  // namespace win32::linux_host
