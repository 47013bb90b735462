#include "plat/afxdisp.h"

#include "plat/module.h"

#include <cstring>
#include <string>

namespace {

std::string expand(const char* text, const LPCSTR* symbols, int nSymbols)
{
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (p[0] == '%' && p[1] >= '1' && p[1] <= '9' && p[1] - '1' < nSymbols) {
            const char* symbol = symbols[p[1] - '1'];
            out += symbol ? symbol : "";
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

bool hasDefaultValue(HKEY key)
{
    DWORD type = 0;
    DWORD size = 0;
    return RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
}

bool writeEntry(HKEY root, const std::string& subKey, const std::string& value, BOOL bReplace)
{
    HKEY key = root;
    if (!subKey.empty()
        && RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)
            != ERROR_SUCCESS)
        return false;
    bool ok = true;
    if (bReplace || !hasDefaultValue(key))
        ok = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1))
            == ERROR_SUCCESS;
    if (key != root)
        RegCloseKey(key);
    return ok;
}

} // namespace

BOOL AfxOleRegisterHelper(const LPCSTR* rglpszRegister, const LPCSTR* rglpszSymbols, int nSymbols, BOOL bReplace,
    HKEY hKeyRoot)
{
    if (!rglpszRegister || (nSymbols > 0 && !rglpszSymbols))
        return FALSE;
    for (const LPCSTR* entry = rglpszRegister; *entry; ++entry) {
        const char* keyPart = *entry;
        const char* valuePart = keyPart + std::strlen(keyPart) + 1;
        if (!writeEntry(hKeyRoot, expand(keyPart, rglpszSymbols, nSymbols), expand(valuePart, rglpszSymbols, nSymbols),
                bReplace))
            return FALSE;
    }
    return TRUE;
}

BOOL AfxGetModuleShortFileName(HINSTANCE hInst, std::string& strShortName)
{
    strShortName.clear();
    std::string path(4096, '\0');
    for (;;) {
        DWORD n = GetModuleFileNameA(hInst, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return FALSE;
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= (1u << 20))
            return FALSE;
        path.resize(path.size() * 2);
    }
    strShortName = path;
    return TRUE;
}
