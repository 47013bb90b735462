#pragma once

// The open and save file dialogs. On the desktop they show a window (a list of the folder's
// entries, a name, the filters, OK and Cancel); without a display they go through a policy that
// tests set (see plat::setFileDialogAnswers below): each call is recorded and takes the next
// queued answer through the same checks a user's choice meets; with none queued it is cancelled.

#include "plat/api.h"
#include "plat/types.h"
#include "plat/window.h"

#include <string>
#include <utility>
#include <vector>

struct OPENFILENAMEA {
    DWORD lStructSize; // sizeof(OPENFILENAMEA)
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpstrFilter; // "description\0pattern;pattern\0 ... \0\0"
    LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex; // 1-based
    LPSTR lpstrFile; // in: the proposed name; out: the result
    DWORD nMaxFile;
    LPSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCSTR lpstrInitialDir;
    LPCSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCSTR lpstrDefExt; // with or without its dot
    LPARAM lCustData;
    void* lpfnHook;
    LPCSTR lpTemplateName;
};
typedef OPENFILENAMEA* LPOPENFILENAMEA;

#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_ALLOWMULTISELECT 0x00000200
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_NOREADONLYRETURN 0x00008000
#define OFN_EXPLORER 0x00080000
#define OFN_ENABLESIZING 0x00800000

// CommDlgExtendedError.
#define CDERR_STRUCTSIZE 0x0001
#define CDERR_INITIALIZATION 0x0002
#define FNERR_BUFFERTOOSMALL 0x3003

// TRUE with the chosen path in lpstrFile: the full path, or with OFN_ALLOWMULTISELECT and several
// files the folder, NUL, each name, NUL, and a second NUL. FALSE when cancelled (extended error
// 0), or with FNERR_BUFFERTOOSMALL and the size needed in the first two bytes of lpstrFile. A name
// without an extension gets lpstrDefExt, after one dot. A failed check (a missing file or folder,
// a read-only file, an overwrite the user declines) is said in a message box.
PLATAPI BOOL GetOpenFileNameA(LPOPENFILENAMEA lpofn);
PLATAPI BOOL GetSaveFileNameA(LPOPENFILENAMEA lpofn);
PLATAPI DWORD CommDlgExtendedError();

namespace plat {

// One answer of the headless file dialogs: cancel, or the paths the user picks (relative ones
// within the dialog's start folder).
struct FileDialogAnswer {
    bool cancel = false;
    std::vector<std::string> paths;
};

// What one file dialog showed.
struct FileDialogRecord {
    bool save;
    HWND owner;
    std::string title;
    std::vector<std::pair<std::string, std::string>> filters; // description, patterns
    DWORD flags;
    std::string folder; // where it started
    std::string fileName; // the name it proposed
};

// Queues answers for the coming file dialogs, in order.
PLATAPI void setFileDialogAnswers(std::vector<FileDialogAnswer> answers);
PLATAPI std::vector<FileDialogRecord> fileDialogRecords();
// Forgets the records and the answers left.
PLATAPI void resetFileDialogPolicy();

} // namespace plat
