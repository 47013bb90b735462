#include "kernel/ModuleRecords.h"
#include "kernel/ModuleTable.h"

#include "plat/errors.h"
#include "plat/resource.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

namespace {

uint32_t get32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// An integer id (MAKEINTRESOURCE or "#123") or a case-blind text.
bool matches(uint16_t id, const char* text, LPCSTR wanted)
{
    if (IS_INTRESOURCE(wanted))
        return id != 0 && id == LOWORD(wanted);
    if (wanted[0] == '#') {
        char* end;
        unsigned long number = std::strtoul(wanted + 1, &end, 10);
        return *end == '\0' && id != 0 && number == id;
    }
    return text && ::strcasecmp(text, wanted) == 0;
}

bool tableOf(HMODULE module, std::vector<plat::ResourceEntry>& entries)
{
    const uint8_t* table;
    size_t size;
    if (!plat::moduleResourceTable(module, table, size))
        return false;
    if (!plat::readResourceTable(table, size, entries)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return false;
    }
    return true;
}

} // namespace

HRSRC FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType)
{
    if (!lpName || !lpType) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::vector<plat::ResourceEntry> entries;
    if (!tableOf(hModule, entries))
        return nullptr;
    bool typeSeen = false;
    for (const plat::ResourceEntry& entry : entries) {
        if (!matches(entry.typeId, entry.typeText, lpType))
            continue;
        typeSeen = true;
        if (matches(entry.nameId, entry.nameText, lpName))
            return reinterpret_cast<HRSRC>(const_cast<uint8_t*>(entry.entry));
    }
    SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

HGLOBAL LoadResource(HMODULE /*hModule*/, HRSRC hResInfo)
{
    if (!hResInfo) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // A resource lives as long as its module; its data is where the table says.
    const uint8_t* entry = reinterpret_cast<const uint8_t*>(hResInfo);
    return const_cast<uint8_t*>(entry + get32(entry + 8));
}

LPVOID LockResource(HGLOBAL hResData) { return hResData; }

DWORD SizeofResource(HMODULE /*hModule*/, HRSRC hResInfo)
{
    if (!hResInfo) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return get32(reinterpret_cast<const uint8_t*>(hResInfo) + 12);
}

BOOL FreeResource(HGLOBAL /*hResData*/) { return FALSE; }

BOOL EnumResourceNamesA(HMODULE hModule, LPCSTR lpType, ENUMRESNAMEPROCA lpEnumFunc, LONG_PTR lParam)
{
    if (!lpType || !lpEnumFunc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<plat::ResourceEntry> entries;
    if (!tableOf(hModule, entries))
        return FALSE;
    bool any = false;
    for (const plat::ResourceEntry& entry : entries) {
        if (!matches(entry.typeId, entry.typeText, lpType))
            continue;
        any = true;
        // The callback gets a copy: the table itself is read-only module memory.
        std::string name = entry.nameText ? entry.nameText : "";
        LPSTR nameArg = entry.nameText ? name.data() : MAKEINTRESOURCEA(entry.nameId);
        if (!lpEnumFunc(hModule, lpType, nameArg, lParam)) {
            SetLastError(ERROR_RESOURCE_ENUM_USER_STOP);
            return FALSE;
        }
    }
    if (!any) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    return TRUE;
}

int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int nBufferMax)
{
    if (!lpBuffer || nBufferMax <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    lpBuffer[0] = '\0';
    HRSRC found = FindResourceA(hInstance, MAKEINTRESOURCEA(uID), RT_STRING);
    if (!found)
        return 0;
    const char* text = static_cast<const char*>(LoadResource(hInstance, found));
    size_t length = SizeofResource(hInstance, found);
    if (length > size_t(nBufferMax - 1))
        length = size_t(nBufferMax - 1);
    std::memcpy(lpBuffer, text, length);
    lpBuffer[length] = '\0';
    return int(length);
}
