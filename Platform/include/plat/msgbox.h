#pragma once

// Message boxes and beeps. Without a display a box never blocks: it goes through a policy that
// tests set, which records what the box would have shown and answers a configured button.

#include "plat/api.h"
#include "plat/types.h"

#include <string>
#include <vector>

#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_CANCELTRYCONTINUE 0x00000006L
#define MB_ICONHAND 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONASTERISK 0x00000040L
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_DEFBUTTON3 0x00000200L
#define MB_DEFMASK 0x00000F00L
#define MB_APPLMODAL 0x00000000L
#define MB_SYSTEMMODAL 0x00001000L
#define MB_TASKMODAL 0x00002000L
#define MB_SETFOREGROUND 0x00010000L
#define MB_TOPMOST 0x00040000L
#define MB_TYPEMASK 0x0000000FL
#define MB_ICONMASK 0x000000F0L

#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7
#define IDTRYAGAIN 10
#define IDCONTINUE 11

#ifndef ERROR_INVALID_MSGBOX_STYLE
#define ERROR_INVALID_MSGBOX_STYLE 1438L
#endif

// The button's id, or 0 with ERROR_INVALID_MSGBOX_STYLE for an unknown button set. A null
// caption reads "Error".
PLATAPI int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
PLATAPI BOOL MessageBeep(UINT uType);

namespace plat {

// What one box would have shown.
struct MessageBoxRecord {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

// The policy of boxes shown without a display: every box is recorded and answers the configured
// button (IDOK until set otherwise).
PLATAPI void setMessageBoxAnswer(int answer);
PLATAPI std::vector<MessageBoxRecord> messageBoxRecords();
// The number of MessageBeep calls so far.
PLATAPI unsigned messageBeepCount();
// Forgets the records and the beeps and answers IDOK again.
PLATAPI void resetMessageBoxPolicy();

} // namespace plat
