#include "kernel/FileObject.h"

#include "plat/errors.h"
#include "plat/file.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

FileObject::FileObject(int fd, DWORD access, std::string deletePath)
    : m_fd(fd), m_access(access), m_deletePath(std::move(deletePath))
{
}

FileObject::~FileObject()
{
    if (!m_deletePath.empty() && m_fd >= 0) {
        // Only the file this handle opened goes, not whatever has taken its name since.
        struct stat mine, named;
        if (::fstat(m_fd, &mine) == 0 && ::stat(m_deletePath.c_str(), &named) == 0 && mine.st_dev == named.st_dev
            && mine.st_ino == named.st_ino)
            ::unlink(m_deletePath.c_str());
    }
    if (m_fd >= 0)
        ::close(m_fd);
}

int fileDescriptorOf(HANDLE file)
{
    auto object = kernelHandles().lookupAs<FileObject>(file);
    return object ? object->fd() : -1;
}

HANDLE newFileHandle(int fd, DWORD access)
{
    return kernelHandles().insert(std::make_shared<FileObject>(fd, access));
}

bool nativePath(LPCSTR path, std::string& out)
{
    if (!path || !path[0]) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    char first = path[0];
    if (((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z')) && path[1] == ':') {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    out = path;
    for (char& c : out)
        if (c == '\\')
            c = '/';
    return true;
}

DWORD setMissingError(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    DWORD code = ERROR_FILE_NOT_FOUND;
    if (slash != std::string::npos && slash != 0) {
        struct stat st;
        std::string folder = path.substr(0, slash);
        if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            code = ERROR_PATH_NOT_FOUND;
    }
    SetLastError(code);
    return code;
}

namespace {
constexpr int64_t kEpochDifference = 11644473600LL; // seconds from 1601 to 1970
}

FILETIME fileTimeFromUnix(int64_t seconds, long nanoseconds)
{
    uint64_t ticks = uint64_t(seconds + kEpochDifference) * 10000000ULL + uint64_t(nanoseconds / 100);
    return FILETIME{DWORD(ticks), DWORD(ticks >> 32)};
}

void unixFromFileTime(const FILETIME& ft, int64_t& seconds, long& nanoseconds)
{
    uint64_t ticks = uint64_t(ft.dwHighDateTime) << 32 | ft.dwLowDateTime;
    seconds = int64_t(ticks / 10000000ULL) - kEpochDifference;
    nanoseconds = long(ticks % 10000000ULL) * 100;
}

} // namespace plat

using plat::FileObject;

namespace {

bool writableBitsClear(const struct stat& st) { return (st.st_mode & 0222) == 0; }

std::shared_ptr<FileObject> fileOf(HANDLE handle)
{
    return plat::kernelHandles().lookupAs<FileObject>(handle);
}

// Moves the file position; answers false (last error set) for a bad method or a negative result.
bool seek(FileObject& file, int64_t distance, DWORD method, int64_t& result)
{
    int whence;
    switch (method) {
    case FILE_BEGIN: whence = SEEK_SET; break;
    case FILE_CURRENT: whence = SEEK_CUR; break;
    case FILE_END: whence = SEEK_END; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return false;
    }
    off_t base = 0;
    if (whence != SEEK_SET) {
        base = ::lseek(file.fd(), 0, whence);
        if (base < 0) {
            vntSetLastErrorFromErrno(errno);
            return false;
        }
    }
    if ((distance > 0 && base > INT64_MAX - distance) || base + distance < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return false;
    }
    off_t pos = ::lseek(file.fd(), base + distance, SEEK_SET);
    if (pos < 0) {
        vntSetLastErrorFromErrno(errno);
        return false;
    }
    result = pos;
    return true;
}

} // namespace

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD /*dwShareMode*/,
    LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
    HANDLE /*hTemplateFile*/)
{
    std::string path;
    if (!plat::nativePath(lpFileName, path))
        return INVALID_HANDLE_VALUE;

    bool wantRead = (dwDesiredAccess & (GENERIC_READ | GENERIC_ALL)) != 0;
    bool wantWrite = (dwDesiredAccess & (GENERIC_WRITE | GENERIC_ALL)) != 0;
    int flags = O_CLOEXEC;
    flags |= wantWrite ? (wantRead ? O_RDWR : O_WRONLY) : O_RDONLY;

    struct stat st;
    bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode) && !(dwFlagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    switch (dwCreationDisposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING:
        if (!wantWrite) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        flags |= O_TRUNC;
        break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
    }
    // A read-only file refuses writers even to a user the file system would let through.
    if (exists && !S_ISDIR(st.st_mode) && writableBitsClear(st)
        && (wantWrite || dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if (exists && S_ISDIR(st.st_mode))
        flags = (flags & ~(O_WRONLY | O_RDWR | O_CREAT | O_TRUNC | O_EXCL)) | O_RDONLY | O_DIRECTORY;

    mode_t mode = (dwFlagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    int fd = ::open(path.c_str(), flags, mode);
    if (fd < 0) {
        if (errno == ENOENT)
            plat::setMissingError(path);
        else
            vntSetLastErrorFromErrno(errno, ERROR_FILE_EXISTS);
        return INVALID_HANDLE_VALUE;
    }
    std::string deletePath;
    if (dwFlagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) {
        // Remembered absolute: the current folder may change before the handle closes.
        char cwd[PATH_MAX];
        deletePath = path[0] == '/' || !::getcwd(cwd, sizeof cwd) ? path : std::string(cwd) + "/" + path;
    }
    HANDLE handle = plat::kernelHandles().insert(std::make_shared<FileObject>(fd, dwDesiredAccess, deletePath));
    if (!handle)
        return INVALID_HANDLE_VALUE;
    bool reported = exists && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS);
    SetLastError(reported ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

namespace {

// Reads or writes until the count is done (a read also stops at the end of the file); at the
// OVERLAPPED's offset when one is given.
BOOL transfer(HANDLE hFile, char* buffer, DWORD count, LPDWORD done, LPOVERLAPPED overlapped, bool write)
{
    if (done)
        *done = 0;
    auto file = fileOf(hFile);
    if (!file)
        return FALSE;
    if (!(write ? file->canWrite() : file->canRead())) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!buffer && count) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    off_t offset = overlapped ? off_t(uint64_t(overlapped->OffsetHigh) << 32 | overlapped->Offset) : 0;
    int fd = file->fd();
    DWORD total = 0;
    bool ok = true;
    while (total < count) {
        ssize_t n;
        if (write)
            n = overlapped ? ::pwrite(fd, buffer + total, count - total, offset + total)
                           : ::write(fd, buffer + total, count - total);
        else
            n = overlapped ? ::pread(fd, buffer + total, count - total, offset + total)
                           : ::read(fd, buffer + total, count - total);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 && !write)
            break; // end of file: success with fewer bytes
        if (n <= 0) {
            vntSetLastErrorFromErrno(n < 0 ? errno : ENOSPC);
            ok = false;
            break;
        }
        total += DWORD(n);
    }
    if (done)
        *done = total;
    if (overlapped)
        overlapped->InternalHigh = total;
    return ok ? TRUE : FALSE;
}

} // namespace

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
    LPOVERLAPPED lpOverlapped)
{
    return transfer(hFile, static_cast<char*>(lpBuffer), nNumberOfBytesToRead, lpNumberOfBytesRead, lpOverlapped, false);
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
    LPOVERLAPPED lpOverlapped)
{
    // Only written from: the buffer is not changed.
    return transfer(hFile, static_cast<char*>(const_cast<void*>(lpBuffer)), nNumberOfBytesToWrite,
        lpNumberOfBytesWritten, lpOverlapped, true);
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod)
{
    auto file = fileOf(hFile);
    if (!file)
        return INVALID_SET_FILE_POINTER;
    int64_t distance = lpDistanceToMoveHigh
        ? int64_t(uint64_t(uint32_t(*lpDistanceToMoveHigh)) << 32 | uint32_t(lDistanceToMove))
        : int64_t(lDistanceToMove);
    if (!lpDistanceToMoveHigh) {
        // The 32-bit form cannot report a position beyond 4 GiB - 2; refuse to go there.
        off_t current = ::lseek(file->fd(), 0, SEEK_CUR);
        off_t end = dwMoveMethod == FILE_END ? ::lseek(file->fd(), 0, SEEK_END) : 0;
        ::lseek(file->fd(), current, SEEK_SET);
        int64_t base = dwMoveMethod == FILE_CURRENT ? current : dwMoveMethod == FILE_END ? end : 0;
        if (base + distance >= int64_t(0xFFFFFFFFu)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_SET_FILE_POINTER;
        }
    }
    int64_t result;
    if (!seek(*file, distance, dwMoveMethod, result))
        return INVALID_SET_FILE_POINTER;
    if (lpDistanceToMoveHigh)
        *lpDistanceToMoveHigh = LONG(uint32_t(uint64_t(result) >> 32));
    // A position whose low part looks like the failure value is told apart by a cleared last error.
    SetLastError(ERROR_SUCCESS);
    return DWORD(result);
}

BOOL SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove, LARGE_INTEGER* lpNewFilePointer,
    DWORD dwMoveMethod)
{
    auto file = fileOf(hFile);
    if (!file)
        return FALSE;
    int64_t result;
    if (!seek(*file, liDistanceToMove.QuadPart, dwMoveMethod, result))
        return FALSE;
    if (lpNewFilePointer)
        lpNewFilePointer->QuadPart = result;
    return TRUE;
}

BOOL GetFileSizeEx(HANDLE hFile, LARGE_INTEGER* lpFileSize)
{
    auto file = fileOf(hFile);
    if (!file)
        return FALSE;
    struct stat st;
    if (::fstat(file->fd(), &st) != 0) {
        vntSetLastErrorFromErrno(errno);
        return FALSE;
    }
    if (!lpFileSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    lpFileSize->QuadPart = st.st_size;
    return TRUE;
}

DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(hFile, &size))
        return INVALID_FILE_SIZE;
    if (lpFileSizeHigh)
        *lpFileSizeHigh = DWORD(uint64_t(size.QuadPart) >> 32);
    SetLastError(ERROR_SUCCESS);
    return DWORD(size.QuadPart);
}

BOOL SetEndOfFile(HANDLE hFile)
{
    auto file = fileOf(hFile);
    if (!file)
        return FALSE;
    if (!file->canWrite()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    off_t pos = ::lseek(file->fd(), 0, SEEK_CUR);
    if (pos < 0 || ::ftruncate(file->fd(), pos) != 0) {
        vntSetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE hFile)
{
    auto file = fileOf(hFile);
    if (!file)
        return FALSE;
    if (::fsync(file->fd()) != 0 && errno != EINVAL) {
        vntSetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

BOOL GetFileTime(HANDLE hFile, LPFILETIME lpCreationTime, LPFILETIME lpLastAccessTime, LPFILETIME lpLastWriteTime)
{
    auto file = fileOf(hFile);
    if (!file)
        return FALSE;
    struct statx sx;
    if (::statx(file->fd(), "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
        vntSetLastErrorFromErrno(errno);
        return FALSE;
    }
    const struct statx_timestamp& born = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_mtime;
    if (lpCreationTime)
        *lpCreationTime = plat::fileTimeFromUnix(born.tv_sec, born.tv_nsec);
    if (lpLastAccessTime)
        *lpLastAccessTime = plat::fileTimeFromUnix(sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec);
    if (lpLastWriteTime)
        *lpLastWriteTime = plat::fileTimeFromUnix(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
    return TRUE;
}

BOOL SetFileTime(HANDLE hFile, const FILETIME* /*lpCreationTime*/, const FILETIME* lpLastAccessTime,
    const FILETIME* lpLastWriteTime)
{
    auto file = fileOf(hFile);
    if (!file)
        return FALSE;
    struct timespec times[2];
    const FILETIME* given[2] = {lpLastAccessTime, lpLastWriteTime};
    for (int i = 0; i < 2; ++i) {
        if (!given[i]) {
            times[i].tv_sec = 0;
            times[i].tv_nsec = UTIME_OMIT;
        } else {
            int64_t seconds;
            long nanoseconds;
            plat::unixFromFileTime(*given[i], seconds, nanoseconds);
            times[i].tv_sec = time_t(seconds);
            times[i].tv_nsec = nanoseconds;
        }
    }
    if (::futimens(file->fd(), times) != 0) {
        vntSetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}
