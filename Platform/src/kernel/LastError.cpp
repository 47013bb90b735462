#include "plat/errors.h"

#include <cerrno>

namespace {
thread_local DWORD t_lastError = ERROR_SUCCESS;
}

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD code) { t_lastError = code; }

DWORD vntWin32ErrorFromErrno(int err, DWORD existsCode)
{
    switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EEXIST: return existsCode;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EBUSY: return ERROR_BUSY;
    case EAGAIN: return ERROR_LOCK_VIOLATION;
    case ETIMEDOUT: return ERROR_TIMEOUT;
    case EPIPE: return ERROR_BROKEN_PIPE;
    case ENOSYS:
    case EOPNOTSUPP: return ERROR_NOT_SUPPORTED;
    case EXDEV: return ERROR_NOT_SUPPORTED;
    case EISDIR: return ERROR_ACCESS_DENIED;
    case ELOOP: return ERROR_CANTOPEN;
    default: return ERROR_INVALID_FUNCTION;
    }
}

DWORD vntSetLastErrorFromErrno(int err, DWORD existsCode)
{
    DWORD code = vntWin32ErrorFromErrno(err, existsCode);
    SetLastError(code);
    return code;
}
