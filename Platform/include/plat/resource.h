#pragma once

// Resources compiled into a module (see cmake/VntResources.cmake): found by type and name, each
// an integer id (MAKEINTRESOURCE) or a case-blind text ("#123" also names id 123). Strings are
// stored one resource each: RT_STRING with the string's id as name.

#include "plat/api.h"
#include "plat/types.h"

#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
#define MAKEINTRESOURCE(i) MAKEINTRESOURCEA(i)
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)

#define RT_CURSOR MAKEINTRESOURCE(1)
#define RT_BITMAP MAKEINTRESOURCE(2)
#define RT_ICON MAKEINTRESOURCE(3)
#define RT_MENU MAKEINTRESOURCE(4)
#define RT_DIALOG MAKEINTRESOURCE(5)
#define RT_STRING MAKEINTRESOURCE(6)
#define RT_FONTDIR MAKEINTRESOURCE(7)
#define RT_FONT MAKEINTRESOURCE(8)
#define RT_ACCELERATOR MAKEINTRESOURCE(9)
#define RT_RCDATA MAKEINTRESOURCE(10)
#define RT_MESSAGETABLE MAKEINTRESOURCE(11)
#define RT_GROUP_CURSOR MAKEINTRESOURCE(12)
#define RT_GROUP_ICON MAKEINTRESOURCE(14)
#define RT_VERSION MAKEINTRESOURCE(16)
#define RT_ANICURSOR MAKEINTRESOURCE(21)
#define RT_ANIICON MAKEINTRESOURCE(22)
#define RT_HTML MAKEINTRESOURCE(23)

#define ERROR_RESOURCE_ENUM_USER_STOP 15106L

typedef BOOL (*ENUMRESNAMEPROCA)(HMODULE hModule, LPCSTR lpType, LPSTR lpName, LONG_PTR lParam);

// A null module names the program.
PLATAPI HRSRC FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType);
PLATAPI HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo);
PLATAPI LPVOID LockResource(HGLOBAL hResData);
PLATAPI DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo);
PLATAPI BOOL FreeResource(HGLOBAL hResData);
// Named resources first (in upper-case name order), then integer ids in rising order.
PLATAPI BOOL EnumResourceNamesA(HMODULE hModule, LPCSTR lpType, ENUMRESNAMEPROCA lpEnumFunc, LONG_PTR lParam);
// Copies at most nBufferMax - 1 bytes of the string and terminates it; answers the bytes copied,
// 0 when the module has no such string.
PLATAPI int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int nBufferMax);
