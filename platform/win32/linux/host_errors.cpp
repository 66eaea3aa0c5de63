#include "platform/win32/linux/host_errors.h"

#include <cerrno>

namespace win32::linux_host {

DWORD ErrorFromErrno(int error, Transfer transfer) {
    switch (error) {
        case 0:
            return ERROR_SUCCESS;
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case EBADF:
            return ERROR_INVALID_HANDLE;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EROFS:
            return ERROR_WRITE_PROTECT;
        case ENOMEDIUM:
            return ERROR_NOT_READY;
        case ENXIO:
        case ENODEV:
            return ERROR_DEV_NOT_EXIST;
        case EWOULDBLOCK:
            return ERROR_SHARING_VIOLATION;
        case EEXIST:
            return ERROR_FILE_EXISTS;
        case EBUSY:
            return ERROR_BUSY;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return ERROR_DISK_FULL;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        case EOPNOTSUPP:
            return ERROR_NOT_SUPPORTED;
        case EIO:
            return transfer == Transfer::Read    ? ERROR_READ_FAULT
                   : transfer == Transfer::Write ? ERROR_WRITE_FAULT
                                                 : ERROR_GEN_FAILURE;
        default:
            return ERROR_GEN_FAILURE;
    }
}

}  // namespace win32::linux_host
