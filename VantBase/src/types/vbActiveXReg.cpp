// Registering ActiveX control classes and component categories.

#include "vbActiveX.h"

#include "vbException.h"

#include "plat/afxdisp.h"
#include "plat/com.h"
#include "plat/comcat.h"
#include "plat/registry.h"
#include "plat/resource.h"

#include <cstdio>
#include <string>

namespace {

typedef vbRefPtr<ICatRegister, &IID_ICatRegister> CatRegisterPtr;

constexpr LCID kCategoryLocale = 0x409;

// The category manager's answer to RegisterClassImplCategories or UnRegisterClassImplCategories.
HRESULT changeClassCategory(const GUID& clsid, const GUID& catid, bool bRegister)
{
    CatRegisterPtr pcr;
    pcr.CreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER);
    CATID rgcatid[1] = {catid};
    return bRegister ? pcr->RegisterClassImplCategories(clsid, 1, rgcatid)
                     : pcr->UnRegisterClassImplCategories(clsid, 1, rgcatid);
}

// "{XXXXXXXX-...}" of g; false unless it has its full 38 characters.
bool guidText(const GUID& g, vbString& text)
{
    OLECHAR wide[39];
    if (StringFromGUID2(g, wide, 39) != 39)
        return false;
    text = vbString(wide);
    return true;
}

// The string resource, or "" when the module has none of that number.
std::string loadString(HINSTANCE module, UINT id)
{
    std::string text(4096, '\0');
    int n = LoadStringA(module, id, text.data(), static_cast<int>(text.size()));
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

// Creates or opens a sub-key of HKEY_CLASSES_ROOT; null when that fails.
HKEY createClassesKey(const char* path)
{
    HKEY key = nullptr;
    if (!path
        || RegCreateKeyExA(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)
            != ERROR_SUCCESS)
        return nullptr;
    return key;
}

bool setText(HKEY key, const char* name, const char* text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
               static_cast<DWORD>(std::char_traits<char>::length(text) + 1))
        == ERROR_SUCCESS;
}

// An empty default value of the sub-key "Insertable".
bool markInsertable(HKEY key)
{
    HKEY sub = nullptr;
    if (RegCreateKeyExA(key, "Insertable", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = setText(sub, nullptr, "");
    RegCloseKey(sub);
    return ok;
}

// The entries of the two tables: sub-key, a 0 character, default value.
const LPCSTR kProgIdEntries[] = {
    "\0%1",
    "CLSID\0%2",
    nullptr,
};

const LPCSTR kClassEntries[] = {
    "\0%1",
    "ProgID\0%2",
    "InprocServer32\0%3",
    "ToolboxBitmap32\0%3, %4",
    "MiscStatus\0" "0",
    "MiscStatus\\1\0%5",
    "Control\0",
    "TypeLib\0%6",
    "Version\0%7",
    nullptr,
};

} // namespace

void vbCreateComponentCategory(const GUID& catid, const WCHAR* description)
{
    CatRegisterPtr pcr;
    pcr.CreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER);
    CATEGORYINFO catinfo = {};
    catinfo.catid = catid;
    catinfo.lcid = kCategoryLocale;
    constexpr size_t kMax = sizeof catinfo.szDescription / sizeof catinfo.szDescription[0] - 1;
    size_t len = 0;
    for (; description && len < kMax && description[len]; ++len)
        catinfo.szDescription[len] = description[len];
    catinfo.szDescription[len] = 0;
    HRESULT hr = pcr->RegisterCategories(1, &catinfo);
    if (FAILED(hr))
        throw new vbEsys(hr, "Instruction 'pcr->RegisterCategories(1, &catinfo)' failed !");
}

void vbRegisterCLSIDInCategory(const GUID& clsid, const GUID& catid)
{
    HRESULT hr = changeClassCategory(clsid, catid, true);
    if (FAILED(hr))
        throw new vbEsys(hr, "Instruction 'pcr->RegisterClassImplCategories(clsid, 1, rgcatid)' failed !");
}

void vbUnRegisterCLSIDInCategory(const GUID& clsid, const GUID& catid) { changeClassCategory(clsid, catid, false); }

int vbOleRegisterControlClass(HINSTANCE module, const GUID& clsid, const char* progID, UINT idTypeName,
    UINT idBitmap, int nRegFlags, DWORD dwMiscStatus, const GUID& tlid, WORD wVerMajor, WORD wVerMinor)
{
    try {
        vbString classText;
        vbString libText;
        std::string path;
        if (!progID || !guidText(clsid, classText) || !guidText(tlid, libText)
            || !AfxGetModuleShortFileName(module, path))
            return 0;
        std::string typeName = loadString(module, idTypeName);
        if (typeName.empty())
            typeName = classText.c_str();
        char bitmap[16];
        char status[16];
        char version[16];
        std::snprintf(bitmap, sizeof bitmap, "%u", idBitmap);
        std::snprintf(status, sizeof status, "%ld", static_cast<long>(static_cast<LONG>(dwMiscStatus)));
        std::snprintf(version, sizeof version, "%d.%d", wVerMajor, wVerMinor);

        vbString classPath;
        classPath.Format("CLSID\\%s", classText.c_str());
        HKEY classKey = createClassesKey(classPath);
        if (!classKey)
            return 0;
        HKEY progIdKey = createClassesKey(progID);
        if (!progIdKey) {
            RegCloseKey(classKey);
            return 0;
        }

        int result = 0;
        const LPCSTR progIdSymbols[] = {typeName.c_str(), classText.c_str()};
        const LPCSTR classSymbols[] = {typeName.c_str(), progID, path.c_str(), bitmap, status, libText.c_str(), version};
        if (AfxOleRegisterHelper(kProgIdEntries, progIdSymbols, 2, TRUE, progIdKey)
            && AfxOleRegisterHelper(kClassEntries, classSymbols, 7, TRUE, classKey)) {
            if ((nRegFlags & 1) && markInsertable(progIdKey))
                markInsertable(classKey);
            HKEY serverKey = nullptr;
            if (RegOpenKeyExA(classKey, "InprocServer32", 0, KEY_ALL_ACCESS, &serverKey) == ERROR_SUCCESS) {
                result = setText(serverKey, "ThreadingModel", (nRegFlags & 2) ? "Apartment" : "Both") ? 1 : 0;
                RegCloseKey(serverKey);
            }
        }
        RegCloseKey(progIdKey);
        RegCloseKey(classKey);
        return result;
    } catch (CException* e) {
        e->Delete();
        return 0;
    } catch (...) {
        return 0;
    }
}
