#pragma once

// Text conversion between code pages (0 is the ANSI code page, 1 the OEM code page). Every
// failure throws vbEsys with the HRESULT of the system's last error (0 when it reports none).

#include "vbExport.h"

#include "plat/types.h"

class vbString;
class vbBSTR;

// src re-encoded from cpFrom to cpTo through UTF-16; copied unchanged when both name the same
// real code page. dst may be src.
VBAPI void vbCPconvert(DWORD cpFrom, const vbString& src, DWORD cpTo, vbString* dst);
VBAPI void vbCPconvert(DWORD cpFrom, const char* text, int len, DWORD cpTo, vbString* dst);
// len UTF-16 units into cpTo.
VBAPI void vbCPconvert(const WCHAR* wtext, int len, DWORD cpTo, vbString* dst);
// 8-bit text in cp into a wide string, which keeps its kind; an empty text clears it.
VBAPI void vbCPconvert(DWORD cp, const vbString& src, vbBSTR* dst);
VBAPI void vbCPconvert(DWORD cp, const char* text, int len, vbBSTR* dst);
