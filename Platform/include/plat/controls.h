#pragma once

// The built-in control classes "Button", "Static", "ListBox", "Edit", "ComboBox" (with its list,
// "ComboLBox") and "ScrollBar", and the scroll bars a window shows itself (WS_VSCROLL, WS_HSCROLL). The classes exist before
// the first window, are named without regard to ASCII case and cannot be unregistered.
//
// Every control paints with the brush its parent answers to WM_CTLCOLOR* (wParam the control's
// DC, lParam the control); a null answer means the default of DefWindowProcA. A control keeps the
// font WM_SETFONT gives it without owning it, and paints WM_PRINTCLIENT (PRF_CLIENT) into the
// DC it is given as it paints WM_PAINT. Positions in an edit's text are UTF-8 byte offsets that
// never fall inside a character.

#include "plat/api.h"
#include "plat/message.h"
#include "plat/window.h"

#ifndef WM_SETFONT
#define WM_SETFONT 0x0030
#endif
#ifndef WM_GETFONT
#define WM_GETFONT 0x0031
#endif
#ifndef WM_GETDLGCODE
#define WM_GETDLGCODE 0x0087
#endif
#ifndef WM_CTLCOLORMSGBOX
#define WM_CTLCOLORMSGBOX 0x0132
#endif
#ifndef WM_CTLCOLORDLG
#define WM_CTLCOLORDLG 0x0136
#endif
#ifndef WM_CTLCOLORSCROLLBAR
#define WM_CTLCOLORSCROLLBAR 0x0137
#endif
#ifndef WM_CANCELMODE
#define WM_CANCELMODE 0x001F
#endif
#define WM_HSCROLL 0x0114
#define WM_VSCROLL 0x0115
#define WM_CUT 0x0300
#define WM_COPY 0x0301
#define WM_PASTE 0x0302
#define WM_CLEAR 0x0303

// WM_GETDLGCODE answers.
#define DLGC_WANTARROWS 0x0001
#define DLGC_WANTALLKEYS 0x0004
#define DLGC_HASSETSEL 0x0008
#define DLGC_WANTCHARS 0x0080

// Scroll bars: which one, what a WM_HSCROLL / WM_VSCROLL says, and their own messages.
#define SB_HORZ 0
#define SB_VERT 1
#define SB_CTL 2
#define SB_BOTH 3

#define SB_LINEUP 0
#define SB_LINELEFT 0
#define SB_LINEDOWN 1
#define SB_LINERIGHT 1
#define SB_PAGEUP 2
#define SB_PAGELEFT 2
#define SB_PAGEDOWN 3
#define SB_PAGERIGHT 3
#define SB_THUMBPOSITION 4
#define SB_THUMBTRACK 5
#define SB_TOP 6
#define SB_BOTTOM 7
#define SB_ENDSCROLL 8

#define SBS_HORZ 0x0000L
#define SBS_VERT 0x0001L

#define SBM_SETSCROLLINFO 0x00E9
#define SBM_GETSCROLLINFO 0x00EA

#define SIF_RANGE 0x0001
#define SIF_PAGE 0x0002
#define SIF_POS 0x0004
#define SIF_DISABLENOSCROLL 0x0008
#define SIF_TRACKPOS 0x0010
#define SIF_ALL (SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS)

struct SCROLLINFO {
    UINT cbSize; // sizeof(SCROLLINFO), 28
    UINT fMask;
    int nMin;
    int nMax;
    UINT nPage;
    int nPos;
    int nTrackPos;
};
typedef SCROLLINFO* LPSCROLLINFO;
typedef const SCROLLINFO* LPCSCROLLINFO;

// nBar is SB_CTL for a ScrollBar control (then through SBM_SETSCROLLINFO / SBM_GETSCROLLINFO, so
// that a subclass sees them), SB_VERT or SB_HORZ for a window's own bars. The page is brought
// into 0 .. range + 1 and the position into nMin .. nMax - max(nPage - 1, 0). An own bar shows
// while nMax - nMin + 1 > nPage (with SIF_DISABLENOSCROLL it stays, inactive); showing or hiding
// it changes the client area. SetScrollInfo answers the new position; a cbSize other than 28
// fails with ERROR_INVALID_PARAMETER. nTrackPos is the dragged position during a thumb drag,
// else nPos. The bar never moves itself: whoever receives WM_HSCROLL / WM_VSCROLL sets it.
PLATAPI int SetScrollInfo(HWND hwnd, int nBar, LPCSCROLLINFO lpsi, BOOL redraw);
PLATAPI BOOL GetScrollInfo(HWND hwnd, int nBar, LPSCROLLINFO lpsi);
PLATAPI BOOL ShowScrollBar(HWND hWnd, int wBar, BOOL bShow);

// Edit.
#define ES_LEFT 0x0000L
#define ES_PASSWORD 0x0020L
#define ES_AUTOHSCROLL 0x0080L
#define ES_NOHIDESEL 0x0100L
#define ES_READONLY 0x0800L

#define EM_GETSEL 0x00B0
#define EM_SETSEL 0x00B1
#define EM_SCROLLCARET 0x00B7
#define EM_LIMITTEXT 0x00C5
#define EM_SETLIMITTEXT EM_LIMITTEXT
#define EM_SETPASSWORDCHAR 0x00CC
#define EM_SETREADONLY 0x00CF
#define EM_GETPASSWORDCHAR 0x00D2
#define EM_GETLIMITTEXT 0x00D5

#define EN_SETFOCUS 0x0100
#define EN_KILLFOCUS 0x0200
#define EN_CHANGE 0x0300
#define EN_UPDATE 0x0400
#define EN_MAXTEXT 0x0501

// Combo box.
#define CBS_SIMPLE 0x0001L
#define CBS_DROPDOWN 0x0002L
#define CBS_DROPDOWNLIST 0x0003L
#define CBS_AUTOHSCROLL 0x0040L
#define CBS_SORT 0x0100L

#define CB_ERR (-1)
#define CB_ERRSPACE (-2)

#define CB_GETEDITSEL 0x0140
#define CB_LIMITTEXT 0x0141
#define CB_SETEDITSEL 0x0142
#define CB_ADDSTRING 0x0143
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_INSERTSTRING 0x014A
#define CB_RESETCONTENT 0x014B
#define CB_SETCURSEL 0x014E
#define CB_SHOWDROPDOWN 0x014F
#define CB_GETITEMDATA 0x0150
#define CB_SETITEMDATA 0x0151

#define CBN_SELCHANGE 1
#define CBN_SETFOCUS 3
#define CBN_KILLFOCUS 4
#define CBN_EDITCHANGE 5
#define CBN_EDITUPDATE 6
#define CBN_DROPDOWN 7
#define CBN_CLOSEUP 8
#define CBN_SELENDOK 9
#define CBN_SELENDCANCEL 10

// Button.
#define BS_PUSHBUTTON 0x0000L
#define BS_DEFPUSHBUTTON 0x0001L
#define BS_CHECKBOX 0x0002L
#define BS_AUTOCHECKBOX 0x0003L
#define BS_TYPEMASK 0x000FL
#define BS_NOTIFY 0x4000L

#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_GETSTATE 0x00F2
#define BM_SETSTATE 0x00F3
#define BM_SETSTYLE 0x00F4
#define BM_CLICK 0x00F5

#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001
#define BST_INDETERMINATE 0x0002
#define BST_PUSHED 0x0004
#define BST_FOCUS 0x0008

#define BN_CLICKED 0
#define BN_SETFOCUS 6
#define BN_KILLFOCUS 7

// Static.
#define SS_LEFT 0x0000L
#define SS_CENTER 0x0001L
#define SS_RIGHT 0x0002L
#define SS_ICON 0x0003L
#define SS_LEFTNOWORDWRAP 0x000CL
#define SS_TYPEMASK 0x001FL
#define SS_NOPREFIX 0x0080L
#define SS_NOTIFY 0x0100L

#define STM_SETICON 0x0170
#define STM_GETICON 0x0171

#define STN_CLICKED 0
#define STN_DBLCLK 1

// List box.
#define LBS_NOTIFY 0x0001L
#define LBS_SORT 0x0002L
#define LBS_MULTIPLESEL 0x0008L
#define LBS_NOINTEGRALHEIGHT 0x0100L
#define LBS_EXTENDEDSEL 0x0800L

#define LB_ERR (-1)
#define LB_ERRSPACE (-2)

#define LB_ADDSTRING 0x0180
#define LB_INSERTSTRING 0x0181
#define LB_DELETESTRING 0x0182
#define LB_RESETCONTENT 0x0184
#define LB_SETSEL 0x0185
#define LB_SETCURSEL 0x0186
#define LB_GETSEL 0x0187
#define LB_GETCURSEL 0x0188
#define LB_GETTEXT 0x0189
#define LB_GETTEXTLEN 0x018A
#define LB_GETCOUNT 0x018B
#define LB_GETTOPINDEX 0x018E
#define LB_FINDSTRINGEXACT 0x01A2
#define LB_GETSELCOUNT 0x0190
#define LB_GETSELITEMS 0x0191
#define LB_SETTOPINDEX 0x0197
#define LB_GETITEMRECT 0x0198
#define LB_GETITEMDATA 0x0199
#define LB_SETITEMDATA 0x019A
#define LB_GETITEMHEIGHT 0x01A1
#define LB_ITEMFROMPOINT 0x01A9

#define LBN_SELCHANGE 1
#define LBN_DBLCLK 2
#define LBN_SETFOCUS 4
#define LBN_KILLFOCUS 5
