#include "kernel/FileObject.h"

#include "plat/errors.h"
#include "plat/file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

bool fileAttributeData(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data)
{
    struct statx sx;
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
        if (errno == ENOENT)
            setMissingError(path);
        else
            vntSetLastErrorFromErrno(errno);
        return false;
    }
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    size_t slash = trimmed.find_last_of('/');
    std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);

    DWORD attributes = 0;
    if (S_ISDIR(sx.stx_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    // Read-only: no write permission bit at all (what SetFileAttributesA makes), or not writable
    // by this user. Folders are never read-only here.
    if (!S_ISDIR(sx.stx_mode) && ((sx.stx_mode & 0222) == 0 || (::access(path.c_str(), W_OK) != 0 && errno != ENOENT)))
        attributes |= FILE_ATTRIBUTE_READONLY;
    if (name.size() > 1 && name[0] == '.' && name != "..")
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    data.dwFileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;

    const struct statx_timestamp& born = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_mtime;
    data.ftCreationTime = fileTimeFromUnix(born.tv_sec, born.tv_nsec);
    data.ftLastAccessTime = fileTimeFromUnix(sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec);
    data.ftLastWriteTime = fileTimeFromUnix(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
    uint64_t size = S_ISDIR(sx.stx_mode) ? 0 : sx.stx_size;
    data.nFileSizeHigh = DWORD(size >> 32);
    data.nFileSizeLow = DWORD(size);
    return true;
}

} // namespace plat

namespace {

bool readOnly(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && !S_ISLNK(st.st_mode) && (st.st_mode & 0222) == 0;
}

// Sets the last error for a failed call on path: a missing folder on the way is told apart from a
// missing file.
void failOn(const std::string& path, int err, DWORD existsCode = ERROR_ALREADY_EXISTS)
{
    if (err == ENOENT)
        plat::setMissingError(path);
    else
        vntSetLastErrorFromErrno(err, existsCode);
}

// Copies the bytes, permission bits and modification time of from into a new file at to. The copy
// is written under a temporary name and renamed into place, so a failed copy leaves no half file.
bool copyFile(const std::string& from, const std::string& to, bool failIfExists)
{
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        failOn(from, errno);
        return false;
    }
    struct stat st;
    if (::fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        ::close(in);
        return false;
    }
    struct stat target;
    if (::stat(to.c_str(), &target) == 0) {
        if (failIfExists) {
            SetLastError(ERROR_FILE_EXISTS);
            ::close(in);
            return false;
        }
        if (S_ISDIR(target.st_mode) || (target.st_mode & 0222) == 0) {
            SetLastError(ERROR_ACCESS_DENIED);
            ::close(in);
            return false;
        }
    }
    std::string temp = to + ".vntcopy-XXXXXX";
    int out = ::mkostemp(temp.data(), O_CLOEXEC);
    if (out < 0) {
        failOn(to, errno);
        ::close(in);
        return false;
    }
    bool ok = true;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        for (ssize_t done = 0; ok && done < n;) {
            ssize_t w = ::write(out, buffer + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            ok = w > 0;
            done += w > 0 ? w : 0;
        }
        if (!ok)
            break;
    }
    int err = errno;
    if (ok) {
        struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out, times);
        ::fchmod(out, st.st_mode & 07777);
    }
    ::close(in);
    if (::close(out) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok) {
        // link() refuses an existing name: the fail-if-exists check holds even against a racing writer.
        int rc = failIfExists ? ::link(temp.c_str(), to.c_str()) : ::rename(temp.c_str(), to.c_str());
        if (rc != 0) {
            ok = false;
            err = errno;
        }
    }
    if (!ok || failIfExists)
        ::unlink(temp.c_str());
    if (!ok)
        failOn(to, err, ERROR_FILE_EXISTS);
    return ok;
}

bool moveFile(LPCSTR from, LPCSTR to, DWORD flags)
{
    std::string source, target;
    if (!plat::nativePath(from, source) || !plat::nativePath(to, target))
        return false;
    struct stat st;
    if (::lstat(source.c_str(), &st) != 0) {
        failOn(source, errno);
        return false;
    }
    bool replace = (flags & MOVEFILE_REPLACE_EXISTING) != 0;
    struct stat existing;
    if (::lstat(target.c_str(), &existing) == 0 && !(existing.st_dev == st.st_dev && existing.st_ino == st.st_ino)) {
        if (!replace) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return false;
        }
        if (S_ISDIR(existing.st_mode) || readOnly(target)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return false;
        }
    }
    int rc = replace ? ::rename(source.c_str(), target.c_str())
                     : ::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
    if (rc == 0)
        return true;
    if (errno == EXDEV && !S_ISDIR(st.st_mode) && (flags & MOVEFILE_COPY_ALLOWED)) {
        if (!copyFile(source, target, !replace))
            return false;
        ::unlink(source.c_str());
        return true;
    }
    if (errno == EXDEV)
        SetLastError(ERROR_NOT_SAME_DEVICE);
    else
        failOn(errno == ENOENT ? target : source, errno, ERROR_ALREADY_EXISTS);
    return false;
}

} // namespace

DWORD GetFileAttributesA(LPCSTR lpFileName)
{
    std::string path;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!plat::nativePath(lpFileName, path) || !plat::fileAttributeData(path, data))
        return INVALID_FILE_ATTRIBUTES;
    return data.dwFileAttributes;
}

BOOL GetFileAttributesExA(LPCSTR lpFileName, GET_FILEEX_INFO_LEVELS fInfoLevelId, LPVOID lpFileInformation)
{
    if (fInfoLevelId != GetFileExInfoStandard || !lpFileInformation) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string path;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!plat::nativePath(lpFileName, path) || !plat::fileAttributeData(path, data))
        return FALSE;
    *static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(lpFileInformation) = data;
    return TRUE;
}

BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes)
{
    std::string path;
    if (!plat::nativePath(lpFileName, path))
        return FALSE;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        failOn(path, errno);
        return FALSE;
    }
    if (S_ISDIR(st.st_mode))
        return TRUE; // folders keep their permissions: read-only means nothing for them here
    mode_t mode = st.st_mode & 07777;
    if (dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        mode &= ~mode_t(0222);
    else if ((mode & 0222) == 0)
        mode |= S_IWUSR;
    if (mode != (st.st_mode & 07777) && ::chmod(path.c_str(), mode) != 0) {
        vntSetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists)
{
    std::string source, target;
    if (!plat::nativePath(lpExistingFileName, source) || !plat::nativePath(lpNewFileName, target))
        return FALSE;
    return copyFile(source, target, bFailIfExists != FALSE) ? TRUE : FALSE;
}

BOOL MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName)
{
    return moveFile(lpExistingFileName, lpNewFileName, MOVEFILE_COPY_ALLOWED) ? TRUE : FALSE;
}

BOOL MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags)
{
    return moveFile(lpExistingFileName, lpNewFileName, dwFlags) ? TRUE : FALSE;
}

BOOL DeleteFileA(LPCSTR lpFileName)
{
    std::string path;
    if (!plat::nativePath(lpFileName, path))
        return FALSE;
    if (readOnly(path)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (::unlink(path.c_str()) != 0) {
        failOn(path, errno);
        return FALSE;
    }
    return TRUE;
}

BOOL CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/)
{
    std::string path;
    if (!plat::nativePath(lpPathName, path))
        return FALSE;
    if (::mkdir(path.c_str(), 0777) != 0) {
        if (errno == ENOENT)
            SetLastError(ERROR_PATH_NOT_FOUND);
        else
            failOn(path, errno, ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR lpPathName)
{
    std::string path;
    if (!plat::nativePath(lpPathName, path))
        return FALSE;
    if (::rmdir(path.c_str()) != 0) {
        if (errno == ENOTDIR)
            SetLastError(ERROR_DIRECTORY);
        else if (errno == EEXIST)
            SetLastError(ERROR_DIR_NOT_EMPTY);
        else
            failOn(path, errno);
        return FALSE;
    }
    return TRUE;
}
