#include "CategoryManager.h"
#include "ComObject.h"

#include "plat/com.h"
#include "plat/comcat.h"
#include "plat/registry.h"

#include <cstdio>
#include <cstring>
#include <strings.h>
#include <string>

#define CAT_E_CATIDNOEXIST ((HRESULT)0x80040160u)
#define CAT_E_NODESCRIPTION ((HRESULT)0x80040161u)

namespace plat::com {

namespace {

std::string guidText(REFGUID g)
{
    OLECHAR wide[39];
    StringFromGUID2(g, wide, 39);
    return std::string(wide, wide + 38);
}

std::string toUtf8(const OLECHAR* text, size_t maxUnits)
{
    std::string out;
    for (size_t i = 0; i < maxUnits && text[i]; ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < maxUnits && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (c < 0x80) {
            out += (char)c;
        } else if (c < 0x800) {
            out += (char)(0xC0 | c >> 6);
            out += (char)(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += (char)(0xE0 | c >> 12);
            out += (char)(0x80 | (c >> 6 & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        } else {
            out += (char)(0xF0 | c >> 18);
            out += (char)(0x80 | (c >> 12 & 0x3F));
            out += (char)(0x80 | (c >> 6 & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string fromUtf8(const std::string& text)
{
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        auto b = (unsigned char)text[i];
        uint32_t c;
        int extra;
        if (b < 0x80)
            c = b, extra = 0;
        else if ((b & 0xE0) == 0xC0)
            c = b & 0x1F, extra = 1;
        else if ((b & 0xF0) == 0xE0)
            c = b & 0x0F, extra = 2;
        else if ((b & 0xF8) == 0xF0)
            c = b & 0x07, extra = 3;
        else
            c = 0xFFFD, extra = 0;
        ++i;
        for (int k = 0; k < extra; ++k, ++i) {
            if (i >= text.size() || ((unsigned char)text[i] & 0xC0) != 0x80) {
                c = 0xFFFD;
                break;
            }
            c = c << 6 | ((unsigned char)text[i] & 0x3F);
        }
        if (c >= 0x10000) {
            out += (char16_t)(0xD800 + ((c - 0x10000) >> 10));
            out += (char16_t)(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += (char16_t)c;
        }
    }
    return out;
}

HRESULT fromWin32(LONG rc) { return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32((DWORD)rc); }

HRESULT createKey(const std::string& path, HKEY& key)
{
    return fromWin32(RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
}

// Removes a key that may be missing; a missing key is no error.
HRESULT removeKey(const std::string& path)
{
    LONG rc = RegDeleteKeyA(HKEY_CLASSES_ROOT, path.c_str());
    return rc == ERROR_FILE_NOT_FOUND ? S_OK : fromWin32(rc);
}

bool keyExists(const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

class CategoryManager final : public ComObject<CategoryManager, ICatRegister, ICatInformation> {
public:
    void* face(REFIID riid)
    {
        if (riid == IID_ICatRegister)
            return static_cast<ICatRegister*>(this);
        if (riid == IID_ICatInformation)
            return static_cast<ICatInformation*>(this);
        return nullptr;
    }

    HRESULT RegisterCategories(ULONG cCategories, CATEGORYINFO rgCategoryInfo[]) override
    {
        if (cCategories && !rgCategoryInfo)
            return E_POINTER;
        for (ULONG i = 0; i < cCategories; ++i) {
            const CATEGORYINFO& info = rgCategoryInfo[i];
            HKEY key;
            HRESULT hr = createKey("Component Categories\\" + guidText(info.catid), key);
            if (FAILED(hr))
                return hr;
            char name[16];
            std::snprintf(name, sizeof name, "%x", (unsigned)info.lcid);
            std::string text = toUtf8(info.szDescription, 128);
            hr = fromWin32(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                (DWORD)text.size() + 1));
            RegCloseKey(key);
            if (FAILED(hr))
                return hr;
        }
        return S_OK;
    }

    HRESULT UnRegisterCategories(ULONG cCategories, CATID rgcatid[]) override
    {
        return forEach(cCategories, rgcatid, [](REFGUID catid) { return removeKey("Component Categories\\" + guidText(catid)); });
    }

    HRESULT RegisterClassImplCategories(REFCLSID rclsid, ULONG cCategories, CATID rgcatid[]) override
    {
        return addToClass(rclsid, "Implemented Categories", cCategories, rgcatid);
    }
    HRESULT UnRegisterClassImplCategories(REFCLSID rclsid, ULONG cCategories, CATID rgcatid[]) override
    {
        return removeFromClass(rclsid, "Implemented Categories", cCategories, rgcatid);
    }
    HRESULT RegisterClassReqCategories(REFCLSID rclsid, ULONG cCategories, CATID rgcatid[]) override
    {
        return addToClass(rclsid, "Required Categories", cCategories, rgcatid);
    }
    HRESULT UnRegisterClassReqCategories(REFCLSID rclsid, ULONG cCategories, CATID rgcatid[]) override
    {
        return removeFromClass(rclsid, "Required Categories", cCategories, rgcatid);
    }

    HRESULT EnumCategories(LCID, IEnumCATEGORYINFO** pp) override { return notImplemented(pp); }
    HRESULT EnumClassesOfCategories(ULONG, const CATID[], ULONG, const CATID[], IEnumGUID** pp) override
    {
        return notImplemented(pp);
    }
    HRESULT EnumImplCategoriesOfClass(REFCLSID, IEnumGUID** pp) override { return notImplemented(pp); }
    HRESULT EnumReqCategoriesOfClass(REFCLSID, IEnumGUID** pp) override { return notImplemented(pp); }

    HRESULT GetCategoryDesc(REFCATID rcatid, LCID lcid, LPWSTR* pszDesc) override
    {
        if (!pszDesc)
            return E_POINTER;
        *pszDesc = nullptr;
        HKEY key;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, ("Component Categories\\" + guidText(rcatid)).c_str(), 0, KEY_READ, &key)
            != ERROR_SUCCESS)
            return CAT_E_CATIDNOEXIST;
        char name[16];
        std::snprintf(name, sizeof name, "%x", (unsigned)lcid);
        std::string text;
        bool found = readText(key, name, text);
        // Another locale's description is better than none.
        for (DWORD i = 0; !found; ++i) {
            DWORD cch = sizeof name;
            if (RegEnumValueA(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            found = readText(key, name, text);
        }
        RegCloseKey(key);
        if (!found)
            return CAT_E_NODESCRIPTION;
        std::u16string wide = fromUtf8(text);
        auto* out = static_cast<LPWSTR>(CoTaskMemAlloc((wide.size() + 1) * sizeof(OLECHAR)));
        if (!out)
            return E_OUTOFMEMORY;
        std::memcpy(out, wide.c_str(), (wide.size() + 1) * sizeof(OLECHAR));
        *pszDesc = out;
        return S_OK;
    }

    HRESULT IsClassOfCategories(REFCLSID rclsid, ULONG cImplemented, const CATID rgcatidImpl[], ULONG cRequired,
        const CATID rgcatidReq[]) override
    {
        std::string base = "CLSID\\" + guidText(rclsid);
        // (ULONG)-1 implemented categories means "any".
        if (cImplemented != (ULONG)-1) {
            for (ULONG i = 0; i < cImplemented; ++i)
                if (!keyExists(base + "\\Implemented Categories\\" + guidText(rgcatidImpl[i])))
                    return S_FALSE;
        }
        // Every category the class requires must be one the caller offers.
        HKEY key;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, (base + "\\Required Categories").c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return S_OK;
        HRESULT result = S_OK;
        char name[64];
        for (DWORD i = 0; result == S_OK && RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) {
            bool offered = false;
            for (ULONG k = 0; k < cRequired && cRequired != (ULONG)-1 && !offered; ++k)
                offered = strcasecmp(guidText(rgcatidReq[k]).c_str(), name) == 0;
            if (!offered && cRequired != (ULONG)-1)
                result = S_FALSE;
        }
        RegCloseKey(key);
        return result;
    }

private:
    template <class F>
    static HRESULT forEach(ULONG count, const CATID* ids, F f)
    {
        if (count && !ids)
            return E_POINTER;
        for (ULONG i = 0; i < count; ++i) {
            HRESULT hr = f(ids[i]);
            if (FAILED(hr))
                return hr;
        }
        return S_OK;
    }

    static HRESULT addToClass(REFCLSID rclsid, const char* list, ULONG count, const CATID* ids)
    {
        std::string base = "CLSID\\" + guidText(rclsid) + "\\" + list + "\\";
        return forEach(count, ids, [&](REFGUID catid) {
            HKEY key;
            HRESULT hr = createKey(base + guidText(catid), key);
            if (SUCCEEDED(hr))
                RegCloseKey(key);
            return hr;
        });
    }

    static HRESULT removeFromClass(REFCLSID rclsid, const char* list, ULONG count, const CATID* ids)
    {
        std::string listPath = "CLSID\\" + guidText(rclsid) + "\\" + list;
        HRESULT hr = forEach(count, ids, [&](REFGUID catid) { return removeKey(listPath + "\\" + guidText(catid)); });
        // An emptied list goes too; one that still names categories stays.
        RegDeleteKeyA(HKEY_CLASSES_ROOT, listPath.c_str());
        return hr;
    }

    static bool readText(HKEY key, const char* name, std::string& text)
    {
        DWORD type = 0, size = 0;
        if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
            return false;
        text.assign(size, '\0');
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS)
            return false;
        text.resize(std::min<size_t>(size, text.size()));
        while (!text.empty() && text.back() == '\0')
            text.pop_back();
        return true;
    }

    template <class T>
    static HRESULT notImplemented(T** pp)
    {
        if (pp)
            *pp = nullptr;
        return E_NOTIMPL;
    }
};

// Lives as long as the process; creating managers is its only work.
class CategoryManagerFactory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (pUnkOuter)
            return CLASS_E_NOAGGREGATION;
        auto* manager = new (std::nothrow) CategoryManager;
        if (!manager)
            return E_OUTOFMEMORY;
        HRESULT hr = manager->QueryInterface(riid, ppv);
        manager->Release();
        return hr;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
};

} // namespace

HRESULT categoryManagerClassObject(REFIID riid, void** ppv)
{
    static CategoryManagerFactory factory;
    return factory.QueryInterface(riid, ppv);
}

} // namespace plat::com
