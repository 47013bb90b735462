#pragma once

// The common controls: "msctls_statusbar32", "ToolbarWindow32", "SysListView32" and
// "SysTreeView32". They exist before the first window like the other built-in controls and tell
// their parent of events with WM_NOTIFY, lParam a record that starts with an NMHDR.

#include "plat/api.h"
#include "plat/controls.h"
#include "plat/message.h"
#include "plat/window.h"

#define STATUSCLASSNAMEA "msctls_statusbar32"
#define TOOLBARCLASSNAMEA "ToolbarWindow32"
#define WC_LISTVIEWA "SysListView32"
#define WC_TREEVIEWA "SysTreeView32"

// Styles every common control knows.
#define CCS_TOP 0x0001L
#define CCS_NORESIZE 0x0004L
#define CCS_NOPARENTALIGN 0x0008L
#define CCS_BOTTOM 0x0003L

// Notifications every common control may send.
#define NM_CLICK (-2)
#define NM_DBLCLK (-3)

// Status bar.
#define SBARS_TOOLTIPS 0x0800
#define SB_SETTEXTA (WM_USER + 1)
#define SB_GETTEXTA (WM_USER + 2)
#define SB_GETTEXTLENGTHA (WM_USER + 3)
#define SB_SETPARTS (WM_USER + 4)
#define SB_GETPARTS (WM_USER + 6)
#define SB_GETBORDERS (WM_USER + 7)
#define SB_GETRECT (WM_USER + 10)
#define SBT_NOBORDERS 0x0100
#define SBT_POPOUT 0x0200

// Tool bar.
#define TBSTYLE_TOOLTIPS 0x0100
#define TBSTYLE_FLAT 0x0800
#define TBSTYLE_EX_DRAWDDARROWS 0x00000001

#define TBSTATE_CHECKED 0x01
#define TBSTATE_PRESSED 0x02
#define TBSTATE_ENABLED 0x04
#define TBSTATE_HIDDEN 0x08

#define TBSTYLE_BUTTON 0x00
#define TBSTYLE_SEP 0x01
#define TBSTYLE_CHECK 0x02
#define TBSTYLE_DROPDOWN 0x08

#define TB_SETSTATE (WM_USER + 17)
#define TB_GETSTATE (WM_USER + 18)
#define TB_ADDBITMAP (WM_USER + 19)
#define TB_ADDBUTTONSA (WM_USER + 20)
#define TB_GETBUTTON (WM_USER + 23)
#define TB_BUTTONCOUNT (WM_USER + 24)
#define TB_COMMANDTOINDEX (WM_USER + 25)
#define TB_ADDSTRINGA (WM_USER + 28)
#define TB_GETITEMRECT (WM_USER + 29)
#define TB_BUTTONSTRUCTSIZE (WM_USER + 30)
#define TB_GETSTYLE (WM_USER + 57)
#define TB_SETBUTTONINFOA (WM_USER + 66)
#define TB_HITTEST (WM_USER + 69)
#define TB_SETEXTENDEDSTYLE (WM_USER + 84)
#define TB_GETEXTENDEDSTYLE (WM_USER + 85)

#define TBIF_IMAGE 0x00000001
#define TBIF_TEXT 0x00000002
#define TBIF_STATE 0x00000004
#define TBIF_STYLE 0x00000008
#define TBIF_COMMAND 0x00000020
#define TBIF_BYINDEX 0x80000000

#define TBN_DROPDOWN (-710)
#define TBDDRET_DEFAULT 0
#define TBDDRET_NODEFAULT 1
#define TBDDRET_TREATPRESSED 2

struct TBBUTTON {
    int iBitmap;
    int idCommand;
    BYTE fsState;
    BYTE fsStyle;
    BYTE bReserved[6];
    DWORD_PTR dwData;
    INT_PTR iString; // an index of TB_ADDSTRINGA's strings, or the text itself
};
typedef TBBUTTON* LPTBBUTTON;

struct TBADDBITMAP {
    HINSTANCE hInst;
    UINT_PTR nID;
};

struct TBBUTTONINFOA {
    UINT cbSize;
    DWORD dwMask;
    int idCommand;
    int iImage;
    BYTE fsState;
    BYTE fsStyle;
    WORD cx;
    DWORD_PTR lParam;
    LPSTR pszText;
    int cchText;
};

struct NMTOOLBARA {
    NMHDR hdr;
    int iItem;
    TBBUTTON tbButton;
    int cchText;
    LPSTR pszText;
    RECT rcButton;
};

// List view.
#define LVS_ICON 0x0000
#define LVS_REPORT 0x0001
#define LVS_SMALLICON 0x0002
#define LVS_LIST 0x0003
#define LVS_TYPEMASK 0x0003
#define LVS_SINGLESEL 0x0004

#define LVM_GETITEMCOUNT 0x1004
#define LVM_GETITEMA 0x1005
#define LVM_SETITEMA 0x1006
#define LVM_INSERTITEMA 0x1007
#define LVM_DELETEITEM 0x1008
#define LVM_DELETEALLITEMS 0x1009
#define LVM_GETNEXTITEM 0x100C
#define LVM_INSERTCOLUMNA 0x101B
#define LVM_SETITEMSTATE 0x102B
#define LVM_GETITEMSTATE 0x102C
#define LVM_GETITEMTEXTA 0x102D
#define LVM_SETITEMTEXTA 0x102E

#define LVIF_TEXT 0x0001
#define LVIF_IMAGE 0x0002
#define LVIF_PARAM 0x0004
#define LVIF_STATE 0x0008

#define LVIS_FOCUSED 0x0001
#define LVIS_SELECTED 0x0002

#define LVNI_ALL 0x0000
#define LVNI_FOCUSED 0x0001
#define LVNI_SELECTED 0x0002

#define LVCF_FMT 0x0001
#define LVCF_WIDTH 0x0002
#define LVCF_TEXT 0x0004
#define LVCF_SUBITEM 0x0008
#define LVCFMT_LEFT 0x0000

#define LVN_ITEMCHANGED (-101)

struct LVITEMA {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    LPSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
    int iIndent;
};
typedef LVITEMA* LPLVITEMA;

struct LVCOLUMNA {
    UINT mask;
    int fmt;
    int cx;
    LPSTR pszText;
    int cchTextMax;
    int iSubItem;
    int iImage;
    int iOrder;
};

struct NMLISTVIEW {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
};
typedef NMLISTVIEW* LPNMLISTVIEW;

// What NM_CLICK and NM_DBLCLK of a list view carry.
struct NMITEMACTIVATE {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
    UINT uKeyFlags;
};

// Tree view. An HTREEITEM names an item until it is deleted; a stale one names nothing.
#define TVS_HASBUTTONS 0x0001
#define TVS_HASLINES 0x0002
#define TVS_LINESATROOT 0x0004

struct TreeItemTag;
typedef TreeItemTag* HTREEITEM;
#define TVI_ROOT ((HTREEITEM)(ULONG_PTR)-0x10000)
#define TVI_FIRST ((HTREEITEM)(ULONG_PTR)-0x0FFFF)
#define TVI_LAST ((HTREEITEM)(ULONG_PTR)-0x0FFFE)
#define TVI_SORT ((HTREEITEM)(ULONG_PTR)-0x0FFFD)

#define TVM_INSERTITEMA 0x1100
#define TVM_DELETEITEM 0x1101
#define TVM_EXPAND 0x1102
#define TVM_GETCOUNT 0x1105
#define TVM_GETNEXTITEM 0x110A
#define TVM_SELECTITEM 0x110B
#define TVM_GETITEMA 0x110C
#define TVM_SETITEMA 0x110D
#define TVM_HITTEST 0x1111

#define TVGN_ROOT 0x0000
#define TVGN_NEXT 0x0001
#define TVGN_PREVIOUS 0x0002
#define TVGN_PARENT 0x0003
#define TVGN_CHILD 0x0004
#define TVGN_FIRSTVISIBLE 0x0005
#define TVGN_NEXTVISIBLE 0x0006
#define TVGN_CARET 0x0009

#define TVE_COLLAPSE 0x0001
#define TVE_EXPAND 0x0002
#define TVE_TOGGLE 0x0003

#define TVIF_TEXT 0x0001
#define TVIF_IMAGE 0x0002
#define TVIF_PARAM 0x0004
#define TVIF_STATE 0x0008
#define TVIF_HANDLE 0x0010
#define TVIF_SELECTEDIMAGE 0x0020
#define TVIF_CHILDREN 0x0040

#define TVIS_SELECTED 0x0002
#define TVIS_EXPANDED 0x0020

#define TVHT_NOWHERE 0x0001
#define TVHT_ONITEMLABEL 0x0004
#define TVHT_ONITEMINDENT 0x0008
#define TVHT_ONITEMBUTTON 0x0010
#define TVHT_ONITEMRIGHT 0x0020
#define TVHT_ABOVE 0x0100
#define TVHT_BELOW 0x0200
#define TVHT_TORIGHT 0x0400
#define TVHT_TOLEFT 0x0800

#define TVC_UNKNOWN 0x0000
#define TVC_BYMOUSE 0x0001
#define TVC_BYKEYBOARD 0x0002

#define TVN_SELCHANGEDA (-402)
#define TVN_ITEMEXPANDEDA (-406)

struct TVITEMA {
    UINT mask;
    HTREEITEM hItem;
    UINT state;
    UINT stateMask;
    LPSTR pszText;
    int cchTextMax;
    int iImage;
    int iSelectedImage;
    int cChildren;
    LPARAM lParam;
};
typedef TVITEMA* LPTVITEMA;

struct TVINSERTSTRUCTA {
    HTREEITEM hParent;
    HTREEITEM hInsertAfter;
    TVITEMA item;
};

struct TVHITTESTINFO {
    POINT pt;
    UINT flags;
    HTREEITEM hItem;
};

struct NMTREEVIEWA {
    NMHDR hdr;
    UINT action;
    TVITEMA itemOld;
    TVITEMA itemNew;
    POINT ptDrag;
};
