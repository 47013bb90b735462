#pragma once

// Cursors and the system's icons. The built-in ones (32 x 32, hot spot of the arrow at 0, 0) are
// shared: every load answers the same handle and DestroyCursor/DestroyIcon leave them alone.
// They can be loaded on any thread.

#include "plat/api.h"
#include "plat/resource.h"
#include "plat/types.h"

#define IDC_ARROW MAKEINTRESOURCE(32512)
#define IDC_IBEAM MAKEINTRESOURCE(32513)
#define IDC_WAIT MAKEINTRESOURCE(32514)
#define IDC_CROSS MAKEINTRESOURCE(32515)
#define IDC_UPARROW MAKEINTRESOURCE(32516)
#define IDC_SIZENWSE MAKEINTRESOURCE(32642)
#define IDC_SIZENESW MAKEINTRESOURCE(32643)
#define IDC_SIZEWE MAKEINTRESOURCE(32644)
#define IDC_SIZENS MAKEINTRESOURCE(32645)
#define IDC_SIZEALL MAKEINTRESOURCE(32646)
#define IDC_NO MAKEINTRESOURCE(32648)
#define IDC_HAND MAKEINTRESOURCE(32649)
#define IDC_APPSTARTING MAKEINTRESOURCE(32650)
#define IDC_HELP MAKEINTRESOURCE(32651)

#define IDI_APPLICATION MAKEINTRESOURCE(32512)
#define IDI_HAND MAKEINTRESOURCE(32513)
#define IDI_QUESTION MAKEINTRESOURCE(32514)
#define IDI_EXCLAMATION MAKEINTRESOURCE(32515)
#define IDI_ASTERISK MAKEINTRESOURCE(32516)
#define IDI_ERROR IDI_HAND
#define IDI_WARNING IDI_EXCLAMATION
#define IDI_INFORMATION IDI_ASTERISK

#define IMAGE_BITMAP 0
#define IMAGE_ICON 1
#define IMAGE_CURSOR 2

#define LR_DEFAULTCOLOR 0x0000
#define LR_LOADFROMFILE 0x0010
#define LR_DEFAULTSIZE 0x0040
#define LR_CREATEDIBSECTION 0x2000
#define LR_SHARED 0x8000

#ifndef ERROR_RESOURCE_NAME_NOT_FOUND
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#endif

// hInstance null (without LR_LOADFROMFILE): a built-in cursor or icon by its IDC_ or IDI_ id;
// another id, and any bitmap, fails with ERROR_RESOURCE_NAME_NOT_FOUND.
// From a module: IMAGE_CURSOR finds the name among RT_GROUP_CURSOR then RT_ANICURSOR resources,
// IMAGE_ICON among RT_GROUP_ICON then RT_ANIICON, IMAGE_BITMAP among RT_BITMAP; each holds a whole
// .cur, .ico, .ani or .bmp file, and the bytes decide which. With LR_LOADFROMFILE the name is a path.
// Icons and cursors: cx = cy = 0 is the system size with LR_DEFAULTSIZE, else the file's first
// image's own; the nearest image is scaled to the size. A bitmap is stretched when cx and cy are
// both given, and comes as 32-bit top-down B,G,R,X rows (a DIB section with LR_CREATEDIBSECTION).
// LR_SHARED answers one image per module, type, name and size; DestroyCursor and DestroyIcon keep
// it, and it goes when FreeLibrary unloads its module. Damaged or unsupported bytes fail with
// ERROR_INVALID_DATA. Any thread may load.
PLATAPI HANDLE LoadImageA(HINSTANCE hInst, LPCSTR name, UINT type, int cx, int cy, UINT fuLoad);
// LoadImageA with LR_SHARED | LR_DEFAULTSIZE.
PLATAPI HCURSOR LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName);
PLATAPI HICON LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName);
// LoadImageA(hInstance, name, IMAGE_BITMAP, 0, 0, 0).
PLATAPI HBITMAP LoadBitmapA(HINSTANCE hInstance, LPCSTR lpBitmapName);

// The cursor shown over the windows; answers the previous one. Null shows none.
PLATAPI HCURSOR SetCursor(HCURSOR hCursor);
PLATAPI HCURSOR GetCursor();
// Counts up (TRUE) or down; the cursor shows while the count is 0 or more. Answers the count.
PLATAPI int ShowCursor(BOOL bShow);
