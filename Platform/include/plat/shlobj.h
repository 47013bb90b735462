#pragma once

// Shell links. The link object is a class of the platform itself: CoCreateInstance answers
// CLSID_ShellLink in an in-process context without a registered module (COM must be initialised
// on the thread). It offers IShellLinkA and IPersistFile (plat/objidl.h).
//
// On this system a link file is a freedesktop desktop entry, written under exactly the name it is
// saved to (a ".lnk" name stays ".lnk"; desktop menus list only files named ".desktop"):
//   [Desktop Entry]
//   Type=Application
//   Name=<the description; without one, the name loaded from the file or the link file's name
//        without extension>
//   Comment=<the description, when there is one>
//   Exec="<target>" <arguments>
// Exec quotes the target with the entry format's rules ("\", "\"", "`" and "$" escaped inside the
// quotes, "%" doubled everywhere). Save replaces the file in one step (a new file renamed over
// the old one); the other lines of a loaded file are kept; a text over 1 MiB is not written
// (E_FAIL). Load accepts any desktop entry whose
// "[Desktop Entry]" group it finds (E_FAIL otherwise, or for a file over 1 MiB or holding a zero
// byte) and reads Comment as the description and Exec as target and arguments.
// IPersistFile: Load remembers the file; Save with fRemember remembers the new one, and Save of a
// null name writes the remembered file (E_INVALIDARG when there is none). A missing file or
// folder answers HRESULT_FROM_WIN32 of ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND; other file
// failures HRESULT_FROM_WIN32 of the system error. IsDirty is S_OK after a change not yet saved.

#include "plat/types.h"
#include "plat/unknwn.h"

inline constexpr CLSID CLSID_ShellLink = VNT_GUID(0x00021401, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
inline constexpr IID IID_IShellLinkA = VNT_GUID(0x000214EE, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

#define INFOTIPSIZE 1024

// GetPath flags; the path is answered as it was set whatever they say.
#define SLGP_SHORTPATH 0x1
#define SLGP_UNCPRIORITY 0x2
#define SLGP_RAWPATH 0x4

struct IShellLinkA : IUnknown {
    // The target, cut to cch - 1 characters; S_FALSE (and an empty text) when none is set. pfd,
    // when given, is cleared and receives the target's file name.
    virtual HRESULT GetPath(LPSTR pszFile, int cch, WIN32_FIND_DATAA* pfd, DWORD fFlags) = 0;
    // Cut to cch - 1 characters.
    virtual HRESULT GetDescription(LPSTR pszName, int cch) = 0;
    // At most INFOTIPSIZE - 1 characters, else E_INVALIDARG.
    virtual HRESULT SetDescription(LPCSTR pszName) = 0;
    // Cut to cch - 1 characters.
    virtual HRESULT GetArguments(LPSTR pszArgs, int cch) = 0;
    // The command-line text after the target; at most 4095 characters, else E_INVALIDARG.
    virtual HRESULT SetArguments(LPCSTR pszArgs) = 0;
    // The program to start: "\" becomes "/", a relative path with a folder is made absolute
    // against the current folder, a bare name stays (found in PATH when started). A drive-letter
    // path names no file here: HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND); null, empty or 4096
    // characters or more: E_INVALIDARG.
    virtual HRESULT SetPath(LPCSTR pszFile) = 0;
};
typedef IShellLinkA* LPSHELLLINKA;
#define IShellLink IShellLinkA
#define IID_IShellLink IID_IShellLinkA
