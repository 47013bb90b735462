// Path text, attributes, folders and file operations.

#include "vbFileTools.h"

#include "vbBSTR.h"
#include "vbException.h"
#include "vbPtr.h"

#include "plat/errors.h"
#include "plat/file.h"
#include "plat/module.h"
#include "plat/objidl.h"
#include "plat/system.h"

#include <cstring>

namespace {

constexpr int kBufLen = 512; // 511 characters and the terminator

HRESULT systemHR()
{
    DWORD err = GetLastError();
    return err == 0 ? 0 : static_cast<HRESULT>(0x80070000u | (err & 0xFFFFu));
}

[[noreturn]] void throwSys(const vbString& msg) { throw new vbEsys(systemHR(), msg.c_str()); }

bool isSep(char c) noexcept { return c == '\\' || c == '/'; }

// Input paths are used up to 511 characters, as the system's fixed buffers held them.
vbString bounded(const char* path)
{
    size_t n = strnlen(path, kBufLen - 1);
    return vbString(path, static_cast<int>(n));
}

// Position (0-based) of the last separator, -1 when none.
int lastSep(const vbString& s)
{
    for (int i = s.GetLength() - 1; i >= 0; --i)
        if (isSep(s.c_str()[i]))
            return i;
    return -1;
}

vbString nameWithExt(const vbString& path) { return path.Right(path.GetLength() - lastSep(path) - 1); }

vbString stripExt(const vbString& name)
{
    int dot = name.ReverseFind('.');
    return dot > 0 ? name.Left(dot - 1) : name;
}

vbString dirOf(const vbString& path, bool bEndSlash)
{
    int sep = lastSep(path);
    if (sep < 0)
        return vbString();
    return path.Left(bEndSlash ? sep + 1 : sep);
}

// A folder the system reported, ending with one "/" or with none.
vbString folderResult(const char* buf, bool bEndSlash)
{
    return bEndSlash ? vbEndSlash(buf, false) : vbNoEndSlash(buf);
}

template <class Call>
vbString systemFolder(Call call, bool bEndSlash, const char* failText, const char* tooLongText)
{
    char buf[kBufLen];
    SetLastError(0);
    DWORD n = call(buf, static_cast<DWORD>(kBufLen));
    if (n == 0)
        throwSys(failText);
    if (n >= kBufLen)
        throw new vbEsys(E_FAIL, tooLongText);
    buf[n] = '\0';
    return folderResult(buf, bEndSlash);
}

bool failed(bool bThrow, const vbString& msg)
{
    if (bThrow)
        throwSys(msg);
    return false;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// vbFileAttr

vbFileAttr::vbFileAttr(const vbString& path, bool bThrow) : m_attrs(kEmpty) { Set(path, bThrow); }

bool vbFileAttr::Set(const vbString& path, bool bThrow)
{
    SetLastError(0);
    m_attrs = GetFileAttributesA(path);
    if (m_attrs != kEmpty)
        return true;
    if (bThrow)
        throwSys("vbFileAttr() : file '" + path + "' doesn't exist");
    return false;
}

// ---------------------------------------------------------------------------------------------
// Path text

vbString vbGetFileName(HINSTANCE hInst) { return stripExt(nameWithExt(vbGetFilePath(hInst))); }
vbString vbGetFileNameExt(HINSTANCE hInst) { return nameWithExt(vbGetFilePath(hInst)); }
vbString vbGetFileDir(HINSTANCE hInst, bool bEndSlash) { return dirOf(vbGetFilePath(hInst), bEndSlash); }

vbString vbGetFileName(const char* path)
{
    if (!path)
        return vbGetFileName(static_cast<HINSTANCE>(nullptr));
    return stripExt(nameWithExt(bounded(path)));
}

vbString vbGetFileNameExt(const char* path)
{
    if (!path)
        return vbGetFileNameExt(static_cast<HINSTANCE>(nullptr));
    return nameWithExt(bounded(path));
}

vbString vbGetFileExt(const char* path, bool bWithDot)
{
    if (!path)
        return vbString();
    vbString p(path);
    int dot = p.ReverseFind('.') - 1; // 0-based
    if (dot < 0 || dot < lastSep(p))
        return vbString();
    return p.Mid(bWithDot ? dot + 1 : dot + 2);
}

vbString vbGetFileDir(const char* path, bool bEndSlash)
{
    if (!path)
        return vbGetFileDir(static_cast<HINSTANCE>(nullptr), true);
    return dirOf(bounded(path), bEndSlash);
}

vbString vbNoEndSlash(const char* path)
{
    if (!path)
        return vbString();
    size_t n = std::strlen(path);
    while (n > 0 && isSep(path[n - 1]))
        --n;
    return vbString(path, static_cast<int>(n));
}

vbString vbEndSlash(const char* path, bool bBackslash)
{
    vbString r = vbNoEndSlash(path);
    r += bBackslash ? '\\' : '/';
    return r;
}

vbString vbGetFilePath(const vbString& name, const vbString& dir, const vbString& defaultExt)
{
    vbString file = vbTrimmed(name);
    if (file.ReverseFind('.') - 1 <= lastSep(file)) {
        file += '.';
        file += defaultExt;
    }
    vbString head = file.Left(5);
    bool absolute = head.CompareNoCase("http:") == 0 || file.Find(':') != 0
        || std::strncmp(file, "\\\\", 2) == 0 || file.c_str()[0] == '/';
    return absolute ? file : dir + file;
}

vbString vbGetFilePath(HINSTANCE hInst)
{
    char buf[kBufLen];
    DWORD n = GetModuleFileNameA(hInst, buf, kBufLen);
    return vbString(buf, n < kBufLen ? static_cast<int>(n) : kBufLen - 1);
}

// ---------------------------------------------------------------------------------------------
// Existence and file operations

bool vbFileExists(const char* path)
{
    vbFileAttr a(path ? path : "", false);
    return a.IsValid() && !a.IsDir();
}

bool vbDirExists(const char* path) { return vbFileAttr(path ? path : "", false).IsDir(); }

bool vbPathExists(const char* path) { return vbFileAttr(path ? path : "", false).IsValid(); }

bool vbCopyFile(const char* src, const char* dst, bool bFailIfExists, bool bThrow)
{
    SetLastError(0);
    if (CopyFileA(src, dst, bFailIfExists ? TRUE : FALSE))
        return true;
    return failed(bThrow, vbString("vbCopyFile() : can't copy file '") + src + "' to new file '" + dst + "'");
}

bool vbMoveFile(const char* src, const char* dst, bool bThrow)
{
    SetLastError(0);
    if (MoveFileA(src, dst))
        return true;
    return failed(bThrow, vbString("vbMoveFile() : can't move file '") + src + "' to new location '" + dst + "'");
}

bool vbDeleteFile(const char* file, bool bThrow)
{
    SetLastError(0);
    if (DeleteFileA(file))
        return true;
    return failed(bThrow, vbString("vbDeleteFile() : can't delete file '") + file + "'");
}

bool vbDeleteDir(const char* dir, bool bThrow)
{
    SetLastError(0);
    if (RemoveDirectoryA(dir))
        return true;
    return failed(bThrow, vbString("vbDeleteDir() : can't delete directory '") + dir + "'");
}

bool vbSetCurrentDir(const vbString& dir, bool bThrow)
{
    SetLastError(0);
    if (SetCurrentDirectoryA(dir))
        return true;
    return failed(bThrow, "Can't set current directory to '" + dir + "'");
}

void vbMakeDir(const vbString& path, bool bParents, SECURITY_ATTRIBUTES* sa)
{
    vbString dir = vbNoEndSlash(path);
    if (dir.IsEmpty())
        return;
    vbFileAttr attrs(dir, false);
    if (attrs.IsValid()) {
        if (attrs.IsDir())
            return;
        throw new vbEsys(E_FAIL, ("vbMakeDir() : file '" + dir + "' exists and isn't a directory").c_str());
    }
    if (bParents) {
        int sep = lastSep(dir);
        if (sep > 0)
            vbMakeDir(dir.Left(sep), true, sa);
    }
    SetLastError(0);
    if (!CreateDirectoryA(dir, sa))
        throwSys("vbMakeDir() : can't create directory '" + dir + "'");
}

// ---------------------------------------------------------------------------------------------
// System folders and names

namespace {

vbString pathOf(const char* file, bool bShort)
{
    char buf[kBufLen];
    SetLastError(0);
    DWORD n = bShort ? GetShortPathNameA(file, buf, kBufLen) : GetFullPathNameA(file, kBufLen, buf, nullptr);
    const char* fn = bShort ? "vbGetShortPath" : "vbGetFullPath";
    const char* kind = bShort ? "short" : "full";
    if (n == 0)
        throwSys(vbString(fn) + "() : can't retrieve " + kind + " path for file '" + file + "'");
    if (n >= kBufLen)
        throw new vbEsys(E_FAIL,
            (vbString(fn) + "() : " + kind + " path is too long for file '" + file + "'").c_str());
    buf[n] = '\0';
    return vbString(buf);
}

} // namespace

vbString vbGetFullPath(const char* file) { return pathOf(file ? file : "", false); }
vbString vbGetShortPath(const char* file) { return pathOf(file ? file : "", true); }

vbString vbGetCurrentDir(bool bEndSlash)
{
    return systemFolder([](char* b, DWORD n) { return GetCurrentDirectoryA(n, b); }, bEndSlash,
        "vbGetCurrentDir() : can't retrieve current directory path",
        "vbGetCurrentDir() : current directory path is too long");
}

vbString vbGetSystemDir(bool bEndSlash)
{
    return systemFolder([](char* b, DWORD n) { return static_cast<DWORD>(GetSystemDirectoryA(b, n)); }, bEndSlash,
        "vbGetSystemDir() : can't retrieve system directory path",
        "vbGetSystemDir() : system directory path is too long");
}

vbString vbGetWindowsDir(bool bEndSlash)
{
    return systemFolder([](char* b, DWORD n) { return static_cast<DWORD>(GetWindowsDirectoryA(b, n)); }, bEndSlash,
        "vbGetWindowsDir() : can't retrieve windows directory path",
        "vbGetWindowsDir() : windows directory path is too long");
}

vbString vbGetTempDir(bool bEndSlash)
{
    return systemFolder([](char* b, DWORD n) { return GetTempPathA(n, b); }, bEndSlash,
        "vbGetTempDir() : can't retrieve temporary files directory path",
        "vbGetTempDir() : temporary files directory path is too long");
}

vbString vbGetTempFile(const char* prefix, UINT unique, const char* dir)
{
    vbString folder = dir ? vbString(dir) : vbGetTempDir(true);
    char buf[kBufLen + MAX_PATH];
    SetLastError(0);
    if (GetTempFileNameA(folder, prefix ? prefix : "KVX", unique, buf) == 0)
        throwSys("vbGetNewTempFilePath() : can't create temp file");
    return vbString(buf);
}

// ---------------------------------------------------------------------------------------------
// Wildcards

int vbMatchPathCase(const vbString& pattern, const vbString& path)
{
    auto norm = [](char c) { return c == '\\' ? '/' : c; };
    const char* p = pattern;
    const char* s = path;
    bool star = false;
    for (;;) {
        int c = static_cast<unsigned char>(norm(*p));
        int d = static_cast<unsigned char>(norm(*s));
        if (d != 0)
            ++s;
        if (c == '*') {
            int next = static_cast<unsigned char>(norm(p[1]));
            if (d == 0 && next != 0)
                return next; // the text ended before what must follow the star
            if (next == d) {
                if (d == 0)
                    return 0;
                star = true;
                p += 2;
            }
            continue;
        }
        if (c == 0 || d == 0)
            return c - d;
        if (c == '?' || c == d) {
            ++p;
            continue;
        }
        if (!star)
            return c - d;
    }
}

int vbMatchPath(const vbString& pattern, const vbString& path)
{
    vbString p(pattern);
    vbString s(path);
    p.MakeLower();
    s.MakeLower();
    return vbMatchPathCase(p, s);
}

// ---------------------------------------------------------------------------------------------
// User and computer names

namespace {

template <class Call>
vbString systemName(Call call, const char* failText)
{
    char buf[kBufLen];
    DWORD size = kBufLen;
    SetLastError(0);
    if (!call(buf, &size))
        throwSys(failText);
    buf[kBufLen - 1] = '\0';
    return vbString(buf);
}

} // namespace

vbString vbGetUserName()
{
    return systemName([](char* b, DWORD* n) { return GetUserNameA(b, n); }, "vbGetUserName() : can't retrieve user name");
}

vbString vbGetComputerName()
{
    return systemName([](char* b, DWORD* n) { return GetComputerNameA(b, n); },
        "vbGetComputerName() : can't retrieve computer name");
}

// ---------------------------------------------------------------------------------------------
// Shell links

bool vbCreateShortCut(const vbString& linkFile, const vbString& description, const vbString& target,
    const vbString& arguments, vbRefPtr<IShellLinkA, &IID_IShellLinkA>* pLink, DWORD clsCtx)
{
    vbRefPtr<IShellLinkA, &IID_IShellLinkA> prLink;
    prLink.CreateInstance(CLSID_ShellLink, nullptr, clsCtx);
    vbRefQIPtr<IPersistFile, &IID_IPersistFile> prLinkFile(prLink, true);
    vbBSTR bstr(linkFile.c_str());
    bool existed = vbFileExists(linkFile.c_str());
    HRESULT hr;
    if (existed && FAILED(hr = prLinkFile->Load(bstr, STGM_READ)))
        throw new vbEsys(hr, "Instruction 'prLinkFile->Load(bstr,STGM_READ)' failed !");
    if (!description.IsEmpty() && FAILED(hr = prLink->SetDescription(description.c_str())))
        throw new vbEsys(hr, "Instruction 'prLink->SetDescription(desc)' failed !");
    if (!target.IsEmpty() && FAILED(hr = prLink->SetPath(target.c_str())))
        throw new vbEsys(hr, "Instruction 'prLink->SetPath(target)' failed !");
    if (!arguments.IsEmpty() && FAILED(hr = prLink->SetArguments(arguments.c_str())))
        throw new vbEsys(hr, "Instruction 'prLink->SetArguments(arg)' failed !");
    if (pLink)
        *pLink = prLink;
    if (FAILED(hr = prLinkFile->Save(bstr, TRUE)))
        throw new vbEsys(hr, "Instruction 'prLinkFile->Save(bstr,TRUE)' failed !");
    return !existed;
}
