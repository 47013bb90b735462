#pragma once

// Version records of module files (see cmake/VntVersionRecord.cmake), read from the file
// without loading it.

#include "plat/api.h"
#include "plat/types.h"

struct VS_FIXEDFILEINFO {
    DWORD dwSignature; // 0xFEEF04BD
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};

#define VS_FFI_SIGNATURE 0xFEEF04BDu
#define VS_FFI_STRUCVERSION 0x00010000u
#define VS_FFI_FILEFLAGSMASK 0x0000003Fu
#define VS_FF_DEBUG 0x00000001u
#define VS_FF_PRERELEASE 0x00000002u
#define VS_FF_PATCHED 0x00000004u
#define VS_FF_PRIVATEBUILD 0x00000008u
#define VS_FF_INFOINFERRED 0x00000010u
#define VS_FF_SPECIALBUILD 0x00000020u
#define VOS_NT_WINDOWS32 0x00040004u
#define VFT_UNKNOWN 0u
#define VFT_APP 1u
#define VFT_DLL 2u

// The size of the file's version block, 0 when the file has none (ERROR_RESOURCE_TYPE_NOT_FOUND)
// or cannot be read. lpdwHandle, when given, is set to 0.
PLATAPI DWORD GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle);
// Reads the block (at most dwLen bytes) into lpData.
PLATAPI BOOL GetFileVersionInfoA(LPCSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData);
// "\\" gives the VS_FIXEDFILEINFO, "\\VarFileInfo\\Translation" the (language, code page) word
// pairs, "\\StringFileInfo\\<lang cp>\\<key>" a string (*puLen counts its terminator). Pointers
// point into pBlock. Keys are case-blind.
PLATAPI BOOL VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, UINT* puLen);
