#pragma once

// Popup menus: menus of items (commands, separators, submenus) named by handles from a
// generation-checked table, built item by item or loaded from a template, and tracked as popup
// windows of the class "#32768". Item texts are UTF-8; "&" marks the next character as the
// item's mnemonic ("&&" shows one "&"), and a tab starts the shortcut text shown at the right.
// A bad menu handle fails with ERROR_INVALID_MENU_HANDLE, an item that is not there with
// ERROR_MENU_ITEM_NOT_FOUND. There are no menu bars.

#include "plat/api.h"
#include "plat/errors.h"
#include "plat/message.h"
#include "plat/window.h"

#define MF_INSERT 0x00000000L
#define MF_BYCOMMAND 0x00000000L
#define MF_BYPOSITION 0x00000400L
#define MF_STRING 0x00000000L
#define MF_ENABLED 0x00000000L
#define MF_GRAYED 0x00000001L
#define MF_DISABLED 0x00000002L
#define MF_UNCHECKED 0x00000000L
#define MF_CHECKED 0x00000008L
#define MF_POPUP 0x00000010L
#define MF_END 0x00000080L
#define MF_SEPARATOR 0x00000800L
#define MF_HILITE 0x00000080L

#define TPM_LEFTBUTTON 0x0000L
#define TPM_RIGHTBUTTON 0x0002L
#define TPM_LEFTALIGN 0x0000L
#define TPM_CENTERALIGN 0x0004L
#define TPM_RIGHTALIGN 0x0008L
#define TPM_TOPALIGN 0x0000L
#define TPM_VCENTERALIGN 0x0010L
#define TPM_BOTTOMALIGN 0x0020L
#define TPM_NONOTIFY 0x0080L
#define TPM_RETURNCMD 0x0100L

#define WM_INITMENUPOPUP 0x0117
#define WM_MENUSELECT 0x011F
#define WM_ENTERMENULOOP 0x0211
#define WM_EXITMENULOOP 0x0212
#ifndef WM_CANCELMODE
#define WM_CANCELMODE 0x001F
#endif

// The system's class of popup menu windows.
#define POPUPMENU_CLASS "#32768"

// A menu template: MENUITEMTEMPLATEHEADER (version 0, offset of the first item after the
// header), then per item a WORD of MF_ flags (MF_END ends its level), a WORD id unless MF_POPUP
// (whose items follow), and the text in UTF-16LE up to a NUL. An item of id 0, empty text and
// no other flag is a separator.
struct MENUITEMTEMPLATEHEADER {
    WORD versionNumber;
    WORD offset;
};
typedef void MENUTEMPLATEA;
typedef const MENUTEMPLATEA* LPCMENUTEMPLATEA;

PLATAPI HMENU CreatePopupMenu();
// Destroys the menu and its submenus.
PLATAPI BOOL DestroyMenu(HMENU hMenu);
PLATAPI BOOL IsMenu(HMENU hMenu);
// flags: MF_STRING, MF_SEPARATOR or MF_POPUP (id then the submenu's handle), with MF_GRAYED,
// MF_DISABLED, MF_CHECKED.
PLATAPI BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem);
PLATAPI HMENU GetSubMenu(HMENU hMenu, int nPos);
PLATAPI int GetMenuItemCount(HMENU hMenu);
// -1 for a submenu or a position beyond the items.
PLATAPI UINT GetMenuItemID(HMENU hMenu, int nPos);
// Copies the text (with its "&" and tab) into a buffer of cchMax bytes; answers its length
// (cchMax 0: the length alone), 0 for an item that is not there.
PLATAPI int GetMenuStringA(HMENU hMenu, UINT uIDItem, LPSTR lpString, int cchMax, UINT flags);
// Answer the item's previous MF_GRAYED | MF_DISABLED or MF_CHECKED state, -1 when it is not there.
// MF_BYCOMMAND looks through the submenus too.
PLATAPI BOOL EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable);
PLATAPI DWORD CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck);

// A menu from a RT_MENU resource, or from a template in memory; a damaged template fails with
// ERROR_INVALID_DATA and leaves no menu.
PLATAPI HMENU LoadMenuA(HINSTANCE hInstance, LPCSTR lpMenuName);
PLATAPI HMENU LoadMenuIndirectA(LPCMENUTEMPLATEA lpMenuTemplate);

// Shows the menu at (x, y) (screen) for owner, a window of the calling thread, and runs until an
// item is chosen or the menu is closed. Without TPM_RETURNCMD the chosen command is posted to
// the owner as WM_COMMAND (a system menu's as WM_SYSCOMMAND) and the answer is TRUE whether or
// not one was chosen; with it the answer is the command, 0 when none was. A second menu on the
// same thread fails with ERROR_POPUP_ALREADY_ACTIVE.
PLATAPI BOOL TrackPopupMenu(HMENU hMenu, UINT uFlags, int x, int y, int nReserved, HWND hWnd, const RECT* prcRect);

// The window menu of a WS_SYSMENU window (null for another), made on first asking: Restore,
// Minimize, Maximize, a separator and Close. bRevert TRUE drops it and answers null. Each time it
// is shown, Minimize and Maximize are greyed where no window manager would carry them out.
PLATAPI HMENU GetSystemMenu(HWND hWnd, BOOL bRevert);
