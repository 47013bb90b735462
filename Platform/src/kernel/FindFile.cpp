#include "kernel/FileObject.h"

#include "plat/errors.h"
#include "plat/file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <vector>

namespace plat {

namespace {
char fold(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool match(const char* p, const char* n)
{
    for (;; ++p, ++n) {
        if (*p == '*') {
            while (*p == '*')
                ++p;
            if (!*p)
                return true;
            for (; *n; ++n)
                if (match(p, n))
                    return true;
            // At the end of the name, a trailing ".*" (or ".") still matches: "*.*" finds "README".
            return match(p, n);
        }
        if (!*n) {
            // A dot in the pattern matches the end of a name that has no more dots.
            while (*p == '.' || *p == '*')
                ++p;
            return !*p;
        }
        if (!*p)
            return false;
        if (*p != '?' && fold(*p) != fold(*n))
            return false;
    }
}
} // namespace

bool wildcardMatch(const char* pattern, const char* name)
{
    if (!pattern || !name)
        return false;
    return match(pattern, name);
}

namespace {

class FindObject : public KernelObject {
public:
    std::vector<WIN32_FIND_DATAA> entries;
    size_t next = 0;
};

} // namespace
} // namespace plat

namespace {

// "." and ".." first, then case-insensitive name order (as the original platform's folders list).
bool entryBefore(const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b)
{
    auto rank = [](const char* name) { return std::strcmp(name, ".") == 0 ? 0 : std::strcmp(name, "..") == 0 ? 1 : 2; };
    int ra = rank(a.cFileName), rb = rank(b.cFileName);
    if (ra != rb)
        return ra < rb;
    int folded = ::strcasecmp(a.cFileName, b.cFileName);
    return folded != 0 ? folded < 0 : std::strcmp(a.cFileName, b.cFileName) < 0;
}

bool hasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

} // namespace

HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData)
{
    std::string path;
    if (!plat::nativePath(lpFileName, path))
        return INVALID_HANDLE_VALUE;
    if (!lpFindFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    std::string pattern = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string prefix = slash == std::string::npos ? std::string() : folder;
    if (pattern.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }

    auto found = std::make_shared<plat::FindObject>();
    auto add = [&](const std::string& name) {
        WIN32_FIND_DATAA entry{};
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (name.size() >= MAX_PATH || !plat::fileAttributeData(prefix + name, data))
            return; // vanished meanwhile, or a name the record cannot hold
        entry.dwFileAttributes = data.dwFileAttributes;
        entry.ftCreationTime = data.ftCreationTime;
        entry.ftLastAccessTime = data.ftLastAccessTime;
        entry.ftLastWriteTime = data.ftLastWriteTime;
        entry.nFileSizeHigh = data.nFileSizeHigh;
        entry.nFileSizeLow = data.nFileSizeLow;
        std::memcpy(entry.cFileName, name.c_str(), name.size() + 1);
        found->entries.push_back(entry);
    };

    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : vntWin32ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    while (dirent* de = ::readdir(dir)) {
        if (plat::wildcardMatch(pattern.c_str(), de->d_name))
            add(de->d_name);
    }
    ::closedir(dir);
    if (found->entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (hasWildcard(pattern))
        std::sort(found->entries.begin(), found->entries.end(), entryBefore);
    else
        found->entries.erase(found->entries.begin() + 1, found->entries.end()); // a plain name finds that one entry
    *lpFindFileData = found->entries[0];
    found->next = 1;
    HANDLE handle = plat::kernelHandles().insert(found);
    if (!handle)
        return INVALID_HANDLE_VALUE;
    SetLastError(ERROR_SUCCESS);
    return handle;
}

BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData)
{
    auto found = plat::kernelHandles().lookupAs<plat::FindObject>(hFindFile);
    if (!found)
        return FALSE;
    if (found->next >= found->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    if (!lpFindFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpFindFileData = found->entries[found->next++];
    return TRUE;
}

BOOL FindClose(HANDLE hFindFile)
{
    if (!plat::kernelHandles().lookupAs<plat::FindObject>(hFindFile))
        return FALSE;
    return plat::kernelHandles().remove(hFindFile) ? TRUE : FALSE;
}
