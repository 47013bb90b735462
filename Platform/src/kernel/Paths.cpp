#include "kernel/FileObject.h"
#include "kernel/TextCopy.h"

#include "plat/errors.h"
#include "plat/file.h"
#include "plat/folders.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string currentFolder()
{
    std::vector<char> buffer(PATH_MAX);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE)
            return {};
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

} // namespace

namespace plat {

std::string fullPathOf(const std::string& path)
{
    std::string joined = path[0] == '/' ? path : currentFolder() + "/" + path;
    bool trailing = joined.size() > 1 && joined.back() == '/';
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos <= joined.size()) {
        size_t next = joined.find('/', pos);
        if (next == std::string::npos)
            next = joined.size();
        std::string part = joined.substr(pos, next - pos);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = next + 1;
    }
    std::string result;
    for (const std::string& part : parts)
        result += "/" + part;
    if (result.empty() || trailing)
        result += "/";
    return result;
}

} // namespace plat

DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer)
{
    std::string folder = currentFolder();
    if (folder.empty()) {
        vntSetLastErrorFromErrno(errno);
        return 0;
    }
    return plat::answerText(folder, lpBuffer, nBufferLength);
}

BOOL SetCurrentDirectoryA(LPCSTR lpPathName)
{
    std::string path;
    if (!plat::nativePath(lpPathName, path))
        return FALSE;
    if (::chdir(path.c_str()) != 0) {
        if (errno == ENOENT)
            plat::setMissingError(path);
        else if (errno == ENOTDIR)
            SetLastError(ERROR_DIRECTORY);
        else
            vntSetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

DWORD GetFullPathNameA(LPCSTR lpFileName, DWORD nBufferLength, LPSTR lpBuffer, LPSTR* lpFilePart)
{
    std::string path;
    if (!plat::nativePath(lpFileName, path))
        return 0;
    std::string full = plat::fullPathOf(path);
    DWORD answer = plat::answerText(full, lpBuffer, nBufferLength);
    if (lpFilePart) {
        *lpFilePart = nullptr;
        if (answer == full.size() && full.back() != '/')
            *lpFilePart = lpBuffer + full.find_last_of('/') + 1;
    }
    return answer;
}

DWORD GetShortPathNameA(LPCSTR lpszLongPath, LPSTR lpszShortPath, DWORD cchBuffer)
{
    std::string path;
    if (!lpszLongPath) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!plat::nativePath(lpszLongPath, path))
        return 0;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT)
            plat::setMissingError(path);
        else
            vntSetLastErrorFromErrno(errno);
        return 0;
    }
    return plat::answerText(path, lpszShortPath, cchBuffer);
}

DWORD GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp && tmp[0] == '/' ? tmp : "/tmp";
    if (folder.back() != '/')
        folder += '/';
    return plat::answerText(folder, lpBuffer, nBufferLength);
}

UINT GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique, LPSTR lpTempFileName)
{
    std::string folder;
    if (!lpTempFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!plat::nativePath(lpPathName, folder))
        return 0;
    if (folder.back() != '/')
        folder += '/';
    std::string prefix = lpPrefixString ? std::string(lpPrefixString).substr(0, 3) : std::string();

    auto nameFor = [&](UINT number) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", number & 0xFFFFu);
        return folder + prefix + hex + ".TMP";
    };
    auto answer = [&](const std::string& name, UINT number) -> UINT {
        if (name.size() >= MAX_PATH) {
            SetLastError(ERROR_BUFFER_OVERFLOW);
            return 0;
        }
        std::memcpy(lpTempFileName, name.c_str(), name.size() + 1);
        return number;
    };
    if (uUnique != 0)
        return answer(nameFor(uUnique), uUnique & 0xFFFFu);

    struct stat st;
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_DIRECTORY);
        return 0;
    }
    UINT number = UINT((uint32_t(::getpid()) * 2654435761u + uint32_t(std::time(nullptr))) & 0xFFFFu);
    for (UINT tries = 0; tries < 0xFFFFu; ++tries, number = (number + 1) & 0xFFFFu) {
        if (number == 0)
            continue;
        std::string name = nameFor(number);
        if (name.size() >= MAX_PATH) {
            SetLastError(ERROR_BUFFER_OVERFLOW);
            return 0;
        }
        int fd = ::open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return answer(name, number);
        }
        if (errno != EEXIST) {
            vntSetLastErrorFromErrno(errno);
            return 0;
        }
    }
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}

namespace plat {

std::string windowsFolder()
{
    std::string data = vantrelFolder(Folder::Data);
    if (data.empty())
        return {};
    std::string folder = data + "/windows";
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        vntSetLastErrorFromErrno(errno);
        return {};
    }
    return folder;
}

} // namespace plat

namespace {
UINT answerFolder(const std::string& folder, LPSTR lpBuffer, UINT uSize)
{
    if (folder.empty())
        return 0;
    return plat::answerText(folder, lpBuffer, uSize);
}
} // namespace

UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize)
{
    return answerFolder(plat::windowsFolder(), lpBuffer, uSize);
}

UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize)
{
    std::string windows = plat::windowsFolder();
    if (windows.empty())
        return 0;
    std::string system = windows + "/system32";
    if (::mkdir(system.c_str(), 0700) != 0 && errno != EEXIST) {
        vntSetLastErrorFromErrno(errno);
        return 0;
    }
    return answerFolder(system, lpBuffer, uSize);
}
