#pragma once

// The shell: special folders and opening a file or URL with its program.

#include "plat/api.h"
#include "plat/types.h"
#include "plat/unknwn.h"

// The shell's allocator, the one item lists are freed through. It is the C heap (malloc and
// free), as the task allocator is.
struct IMalloc : IUnknown {
    virtual void* Alloc(SIZE_T cb) = 0;
    virtual void* Realloc(void* pv, SIZE_T cb) = 0;
    virtual void Free(void* pv) = 0;
    // The usable size of the block, which may exceed what was asked for.
    virtual SIZE_T GetSize(void* pv) = 0;
    // -1: this allocator cannot tell.
    virtual int DidAlloc(void* pv) = 0;
    virtual void HeapMinimize() = 0;
};
typedef IMalloc* LPMALLOC;
inline constexpr IID IID_IMalloc = VNT_GUID(0x00000002, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

PLATAPI HRESULT SHGetMalloc(LPMALLOC* ppMalloc);

// An item list: items of cb bytes (cb included), ended by an item with cb 0. The lists these
// functions make hold one item that carries a folder path.
#pragma pack(push, 1)
struct SHITEMID {
    USHORT cb;
    BYTE abID[1];
};
struct ITEMIDLIST {
    SHITEMID mkid;
};
#pragma pack(pop)
typedef ITEMIDLIST* LPITEMIDLIST;
typedef const ITEMIDLIST* LPCITEMIDLIST;

// Special folders. On this system they are the XDG folders:
// desktop and desktop directory: the user-dirs desktop folder (default ~/Desktop);
// personal: the documents folder (~/Documents); my pictures: the pictures folder (~/Pictures);
// appdata: $XDG_CONFIG_HOME (~/.config); local appdata: $XDG_DATA_HOME (~/.local/share);
// programs and common programs: the applications menu folder ($XDG_DATA_HOME/applications);
// startup: $XDG_CONFIG_HOME/autostart.
// With VANTREL_HOME set everything is inside it: <home>/home/{Desktop,Documents,Pictures},
// <home>/config, <home>/data, <home>/data/applications, <home>/config/autostart.
// The folders are answered whether or not they exist yet.
#define CSIDL_DESKTOP 0x0000
#define CSIDL_PROGRAMS 0x0002
#define CSIDL_PERSONAL 0x0005
#define CSIDL_MYDOCUMENTS CSIDL_PERSONAL
#define CSIDL_STARTUP 0x0007
#define CSIDL_DESKTOPDIRECTORY 0x0010
#define CSIDL_COMMON_PROGRAMS 0x0017
#define CSIDL_APPDATA 0x001a
#define CSIDL_LOCAL_APPDATA 0x001c
#define CSIDL_MYPICTURES 0x0027

// The item list of a special folder, allocated through SHGetMalloc's allocator (the caller
// frees it there). An unknown folder fails with E_INVALIDARG; hwndOwner is not used.
PLATAPI HRESULT SHGetSpecialFolderLocation(HWND hwndOwner, int nFolder, LPITEMIDLIST* ppidl);
// Writes the folder path of an item list made above into pszPath (MAX_PATH characters). FALSE
// for a null list, a list not made here, or a path that does not fit.
PLATAPI BOOL SHGetPathFromIDListA(LPCITEMIDLIST pidl, LPSTR pszPath);
#define SHGetPathFromIDList SHGetPathFromIDListA

// Opening a file or URL.
#define SEE_MASK_DEFAULT 0x00000000
#define SEE_MASK_NOCLOSEPROCESS 0x00000040
#define SEE_MASK_FLAG_DDEWAIT 0x00000100
#define SEE_MASK_NOASYNC 0x00000100
#define SEE_MASK_FLAG_NO_UI 0x00000400

// Answers in hInstApp: above 32 for success, else one of these.
#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_NOASSOC 31
#ifndef ERROR_NO_ASSOCIATION
#define ERROR_NO_ASSOCIATION 1155L
#endif

struct SHELLEXECUTEINFOA {
    DWORD cbSize;
    ULONG fMask;
    HWND hwnd;
    LPCSTR lpVerb;
    LPCSTR lpFile;
    LPCSTR lpParameters;
    LPCSTR lpDirectory;
    int nShow;
    HINSTANCE hInstApp;
    void* lpIDList;
    LPCSTR lpClass;
    HKEY hkeyClass;
    DWORD dwHotKey;
    HANDLE hIcon;
    HANDLE hProcess;
};
typedef SHELLEXECUTEINFOA* LPSHELLEXECUTEINFOA;
typedef SHELLEXECUTEINFOA SHELLEXECUTEINFO;
typedef LPSHELLEXECUTEINFOA LPSHELLEXECUTEINFO;

// Opens lpFile with the verb "open" (a null or empty verb is "open"; other verbs fail with
// ERROR_NO_ASSOCIATION). An executable file (a path, or a name found in PATH) is started
// itself with lpParameters split into arguments; any other file, a folder or a URL
// ("scheme:...") is handed to xdg-open. A relative path is taken in lpDirectory, which is also
// the program's working folder. The program starts in a session of its own.
// SEE_MASK_NOCLOSEPROCESS answers the started process's handle in hProcess (waitable; the
// caller closes it); SEE_MASK_FLAG_NO_UI and SEE_MASK_FLAG_DDEWAIT are accepted; nShow is
// advisory. Failures answer FALSE with the last error (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND
// for a missing folder or a drive-letter path, ERROR_NO_ASSOCIATION when there is no xdg-open,
// ERROR_INVALID_PARAMETER for a wrong cbSize) and the matching SE_ERR_ code in hInstApp.
PLATAPI BOOL ShellExecuteExA(SHELLEXECUTEINFOA* pExecInfo);
#define ShellExecuteEx ShellExecuteExA

// File types, the desktop's way. Registering writes the shared-MIME-info package
// <local appdata>/mime/packages/<mimeType with "-" for "/">.xml, which names the type, its
// description and its file name pattern ("*.picf"), and makes the desktop entry entryFile (a
// shell link's file) open files of the type: its entry lists the type in "MimeType=" (in place of
// any it listed) and its command takes the files after its own arguments ("%F"). The desktop's
// databases are then brought up to date by update-mime-database and update-desktop-database when
// they are installed; without them the desktop reads the files itself, and that is no error.
// A type is "media/subtype" of letters, digits and ".+-_"; another, or a missing pattern or entry,
// fails with E_INVALIDARG. A folder or file that cannot be written fails with its Win32 error.
PLATAPI HRESULT vntRegisterFileType(LPCSTR mimeType, LPCSTR pattern, LPCSTR description, LPCSTR entryFile);
// Removes the type's package (a missing one is no error) and brings the databases up to date.
// The desktop entry is its owner's to delete.
PLATAPI HRESULT vntUnregisterFileType(LPCSTR mimeType);
