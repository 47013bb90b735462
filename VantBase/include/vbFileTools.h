#pragma once

// File names, folders and files: splitting paths ("\" and "/" both separate), attributes,
// folders with their parents, copy, move and delete, the system's folders, temporary names and a
// small wildcard matcher. Failures are vbEsys exceptions whose code is the system HRESULT
// (0x80070000 with the low 16 bits of the last error, 0 when there is none); the forms with a
// bThrow flag answer false instead when it is not set. Folders the functions build themselves end
// with "/", the file-system separator.

#include "vbExport.h"
#include "vbString.h"

#include "plat/com.h"
#include "plat/shlobj.h"
#include "plat/types.h"

template <class T, const IID* piid>
class vbRefPtr;

// The attribute bits of one file; 0xFFFFFFFF means empty (no file).
class VBAPI vbFileAttr {
public:
    static constexpr DWORD kEmpty = 0xFFFFFFFFu;

    vbFileAttr() noexcept : m_attrs(kEmpty) { }
    vbFileAttr(DWORD attrs) noexcept : m_attrs(attrs) { }
    vbFileAttr(const vbString& path, bool bThrow);
    // The attributes of path; false (and empty) when it does not exist.
    bool Set(const vbString& path, bool bThrow);

    DWORD GetAttrs() const noexcept { return m_attrs; }
    bool IsEmpty() const noexcept { return m_attrs == kEmpty; }
    bool IsValid() const noexcept { return m_attrs != kEmpty; }
    bool operator==(const vbFileAttr& o) const noexcept { return m_attrs == o.m_attrs; }
    bool operator!=(const vbFileAttr& o) const noexcept { return m_attrs != o.m_attrs; }
    // Not empty and at least one bit of mask set.
    bool operator&(DWORD mask) const noexcept { return !IsEmpty() && (m_attrs & mask) != 0; }
    // Not empty and every bit of mask set.
    bool HasAll(DWORD mask) const noexcept { return !IsEmpty() && (m_attrs & mask) == mask; }

    bool IsDir() const noexcept { return *this & 0x10; }
    bool IsArchive() const noexcept { return *this & 0x20; }
    bool IsCompressed() const noexcept { return *this & 0x800; }
    bool IsEncrypted() const noexcept { return *this & 0x40; }
    bool IsHidden() const noexcept { return *this & 0x2; }
    bool IsNormal() const noexcept { return *this & 0x80; }
    bool IsOffLine() const noexcept { return *this & 0x1000; }
    bool IsReadOnly() const noexcept { return *this & 0x1; }
    bool IsTemporary() const noexcept { return *this & 0x100; }

private:
    DWORD m_attrs;
};

// Module forms: a null handle is the calling program.
VBAPI vbString vbGetFilePath(HINSTANCE hInst);
VBAPI vbString vbGetFileName(HINSTANCE hInst);
VBAPI vbString vbGetFileNameExt(HINSTANCE hInst);
VBAPI vbString vbGetFileDir(HINSTANCE hInst, bool bEndSlash);

// Text forms: a null path is the calling program's.
VBAPI vbString vbGetFileName(const char* path);
VBAPI vbString vbGetFileNameExt(const char* path);
VBAPI vbString vbGetFileExt(const char* path, bool bWithDot);
VBAPI vbString vbGetFileDir(const char* path, bool bEndSlash);
// The path without trailing separators, plus one "\" (or "/" when bBackslash is false).
VBAPI vbString vbEndSlash(const char* path, bool bBackslash = true);
VBAPI vbString vbNoEndSlash(const char* path);
// name (trimmed, with ".defaultExt" when it has no extension), in dir unless it is absolute
// (a URL, a drive or "\\" path, or a path beginning with "/").
VBAPI vbString vbGetFilePath(const vbString& name, const vbString& dir, const vbString& defaultExt);

VBAPI bool vbFileExists(const char* path);
VBAPI bool vbDirExists(const char* path);
VBAPI bool vbPathExists(const char* path);

VBAPI bool vbCopyFile(const char* src, const char* dst, bool bFailIfExists, bool bThrow);
VBAPI bool vbMoveFile(const char* src, const char* dst, bool bThrow);
VBAPI bool vbDeleteFile(const char* file, bool bThrow);
// Removes an empty folder.
VBAPI bool vbDeleteDir(const char* dir, bool bThrow);
VBAPI bool vbSetCurrentDir(const vbString& dir, bool bThrow);
// Creates the folder (and, with bParents, its missing parents); an existing folder is fine.
VBAPI void vbMakeDir(const vbString& path, bool bParents, SECURITY_ATTRIBUTES* sa = nullptr);

VBAPI vbString vbGetFullPath(const char* file);
VBAPI vbString vbGetShortPath(const char* file);
VBAPI vbString vbGetCurrentDir(bool bEndSlash);
VBAPI vbString vbGetSystemDir(bool bEndSlash);
VBAPI vbString vbGetWindowsDir(bool bEndSlash);
VBAPI vbString vbGetTempDir(bool bEndSlash);
VBAPI vbString vbGetUserName();
VBAPI vbString vbGetComputerName();
// A new empty temporary file in dir (null: the temporary folder), named from prefix (null:
// "KVX") and unique.
VBAPI vbString vbGetTempFile(const char* prefix, UINT unique, const char* dir);

// The path of the shell's special folder nFolder (a CSIDL number), with one trailing "/" unless
// bNoEndSlash. The third argument has no effect.
VBAPI vbString vbGetShellFolder(int nFolder, bool bNoEndSlash, bool = false);

// Creates or updates the shell link linkFile (an existing one is loaded first) with the texts
// that are not empty, hands the link object to pLink when given, and saves it. True when a new
// file was made, false when one was updated.
VBAPI bool vbCreateShortCut(const vbString& linkFile, const vbString& description, const vbString& target,
    const vbString& arguments, vbRefPtr<IShellLinkA, &IID_IShellLinkA>* pLink = nullptr,
    DWORD clsCtx = CLSCTX_INPROC_SERVER);

// 0 when path matches the wildcard pattern ("*", "?"; "\" and "/" match each other);
// vbMatchPath ignores case.
VBAPI int vbMatchPath(const vbString& pattern, const vbString& path);
VBAPI int vbMatchPathCase(const vbString& pattern, const vbString& path);
