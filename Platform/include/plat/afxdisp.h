#pragma once

// The framework's help for registering OLE classes.

#include "plat/api.h"
#include "plat/registry.h"
#include "plat/types.h"

#include <string>

// Writes a table of registry entries under hKeyRoot. Each entry is one string holding the sub-key
// path, a 0 character and the default value ("ProgID\0%2"); an empty sub-key names hKeyRoot
// itself, and a null entry ends the table. In both parts "%1" .. "%9" stand for
// rglpszSymbols[0 .. nSymbols - 1] (other "%" signs stay as they are; inserted text is not
// searched again). A default value already present is replaced only with bReplace. FALSE when a
// key cannot be created or a value not written; the entries before it stay written.
PLATAPI BOOL AfxOleRegisterHelper(const LPCSTR* rglpszRegister, const LPCSTR* rglpszSymbols, int nSymbols,
    BOOL bReplace, HKEY hKeyRoot = HKEY_CLASSES_ROOT);

// The file name other programs use to load the module. There are no short (8.3) names here, so
// it is the module's path. FALSE (and an empty name) when hInst names no module.
PLATAPI BOOL AfxGetModuleShortFileName(HINSTANCE hInst, std::string& strShortName);
