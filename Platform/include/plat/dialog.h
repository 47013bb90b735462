#pragma once

// Dialog boxes: windows of the class "#32770" made from a template (see the layout below), with
// their controls, keyboard navigation and the modal loop.
//
// Templates are little-endian. A DLGTEMPLATE (style, extended style, item count, x, y, cx, cy as
// 16-bit values), or a DLGTEMPLATEEX (0x0001, 0xFFFF, help id, extended style, style, count, x, y,
// cx, cy), is followed by the menu, the class and the caption, each 0x0000 (none), 0xFFFF and an
// ordinal, or a NUL-ended UTF-16 string; with DS_SETFONT then the point size (EX: also weight,
// italic and charset) and the face. Each item starts on a 4-byte boundary: style, extended style,
// x, y, cx, cy, id (EX: help id, extended style, style, x, y, cx, cy, 32-bit id), then the class
// (0xFFFF and 0x80 Button, 0x81 Edit, 0x82 Static, 0x83 ListBox, 0x84 ScrollBar, 0x85 ComboBox, or
// a name), the text (an ordinal becomes "#n") and the size of creation data that follows.
//
// Positions are in dialog units: x * base width / 4 and y * base height / 8 pixels, where the base
// width is the rounded average width of "A"-"Z" and "a"-"z" in the dialog's font and the base
// height that font's tmHeight.

#include "plat/api.h"
#include "plat/message.h"
#include "plat/msgbox.h"
#include "plat/types.h"
#include "plat/window.h"

typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);

#pragma pack(push, 2)
struct DLGTEMPLATE {
    DWORD style;
    DWORD dwExtendedStyle;
    WORD cdit;
    short x;
    short y;
    short cx;
    short cy;
};
struct DLGITEMTEMPLATE {
    DWORD style;
    DWORD dwExtendedStyle;
    short x;
    short y;
    short cx;
    short cy;
    WORD id;
};
#pragma pack(pop)
typedef const DLGTEMPLATE* LPCDLGTEMPLATEA;

// Dialog styles.
#define DS_SETFONT 0x0040L
#define DS_MODALFRAME 0x0080L
#define DS_NOIDLEMSG 0x0100L
#define DS_SETFOREGROUND 0x0200L
#define DS_CENTER 0x0800L

// Dialog messages.
#define DM_GETDEFID (WM_USER + 0)
#define DM_SETDEFID (WM_USER + 1)
// The high word of DM_GETDEFID's answer when the dialog has a default id.
#define DC_HASDEFID 0x534B

// WM_GETDLGCODE answers.
#define DLGC_WANTARROWS 0x0001
#define DLGC_WANTTAB 0x0002
#define DLGC_WANTALLKEYS 0x0004
#define DLGC_WANTMESSAGE 0x0004
#define DLGC_HASSETSEL 0x0008
#define DLGC_DEFPUSHBUTTON 0x0010
#define DLGC_UNDEFPUSHBUTTON 0x0020
#define DLGC_RADIOBUTTON 0x0040
#define DLGC_WANTCHARS 0x0080
#define DLGC_STATIC 0x0100
#define DLGC_BUTTON 0x2000

// Extra bytes of a dialog window: the answer of a handled message, and the dialog procedure.
#define DWLP_MSGRESULT 0
#define DWLP_DLGPROC 8
#define DWLP_USER 16
#define DLGWINDOWEXTRA 30

#define WC_DIALOG MAKEINTATOM(0x8002)

#ifndef ERROR_CONTROL_ID_NOT_FOUND
#define ERROR_CONTROL_ID_NOT_FOUND 1421L
#endif

// A template that does not fit its size, or a control that cannot be made, fails with
// ERROR_INVALID_DATA and leaves no window behind. The dialog procedure gets WM_INITDIALOG (lParam
// dwInitParam) after its controls exist; a TRUE answer focuses wParam, the first WS_TABSTOP
// control. The Param forms take the template's size from the resource; the Indirect forms read
// it from the template itself (at most 64 KB).
PLATAPI HWND CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
    LPARAM dwInitParam);
PLATAPI HWND CreateDialogIndirectParamA(HINSTANCE hInstance, LPCDLGTEMPLATEA lpTemplate, HWND hWndParent,
    DLGPROC lpDialogFunc, LPARAM dwInitParam);
// The same as a modal dialog: the owner is disabled until EndDialog, then enabled and activated
// again before the dialog goes. Answers EndDialog's result, or -1 when no dialog could be made.
PLATAPI INT_PTR DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
    LPARAM dwInitParam);
PLATAPI INT_PTR DialogBoxIndirectParamA(HINSTANCE hInstance, LPCDLGTEMPLATEA hDialogTemplate, HWND hWndParent,
    DLGPROC lpDialogFunc, LPARAM dwInitParam);
PLATAPI BOOL EndDialog(HWND hDlg, INT_PTR nResult);
// The dialog class's procedure: the dialog procedure first (a TRUE answer ends it, with the
// answer in DWLP_MSGRESULT), then the dialog's own handling.
PLATAPI LRESULT CALLBACK DefDlgProcA(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam);

PLATAPI HWND GetDlgItem(HWND hDlg, int nIDDlgItem);
PLATAPI BOOL SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString);
PLATAPI UINT GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax);
// The next (bPrevious: previous) visible, enabled WS_TABSTOP control after hCtl, wrapping round;
// hCtl null starts at the first control.
PLATAPI HWND GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious);
PLATAPI HWND GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious);
// Handles the dialog keys of a message meant for the dialog or one of its controls (Tab,
// Shift+Tab, the arrows, Enter, Escape) and dispatches the rest; FALSE for a message of another
// window.
PLATAPI BOOL IsDialogMessageA(HWND hDlg, LPMSG lpMsg);
// Dialog units to pixels with the dialog's base units.
PLATAPI BOOL MapDialogRect(HWND hDlg, LPRECT lpRect);
