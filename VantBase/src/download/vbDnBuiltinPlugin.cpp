// The built-in protocol object: module resources and object commands ("res"), inline data
// ("data") and local files, for loads only.

#include "vbDnPlugin.h"
#include "download/vbDnLoading.h"
#include "engines/vbKernelError.h"

#include "vbException.h"
#include "vbFileStream.h"
#include "vbVantLib.h"

#include "plat/afxdll.h"
#include "plat/module.h"
#include "plat/resource.h"

#include <cstdlib>
#include <vector>

const IID IID_vbDnBuiltinPlugin = {0xDF99DB2C, 0x4FC3, 0x471D, {0xAC, 0xD1, 0x4B, 0x95, 0xD1, 0x1C, 0x6E, 0xE7}};

namespace {

template <class Ptr>
HRESULT query(vbDnBuiltinPlugin* plugin, const GUID& iid, Ptr** ppv)
{
    if (!ppv)
        return E_POINTER;
    try {
        if (!plugin->GetInterface(iid, reinterpret_cast<void**>(const_cast<void**>(ppv))))
            return E_NOINTERFACE;
        plugin->AddRef();
        return S_OK;
    } catch (CException* e) {
        e->Delete();
    } catch (...) {
    }
    return E_POINTER;
}

// Tells the object which reader served it.
void tellLabel(IvbDnObject* obj, const char* label) { obj->DnReserved(0, const_cast<char*>(label)); }

// A module named by a resource URL: a library of the system, else the file loaded for its
// resources only, freed again when the look-up ends.
class NamedModule {
public:
    explicit NamedModule(const vbString& module)
    {
        if (module.IsEmpty())
            return;
        m_handle = vbVantLibEnum().FindHlib(module, true);
        if (!m_handle) {
            m_handle = LoadLibraryExA(module.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
            m_loaded = m_handle != nullptr;
        }
    }
    ~NamedModule()
    {
        if (m_loaded)
            FreeLibrary(m_handle);
    }
    NamedModule(const NamedModule&) = delete;
    NamedModule& operator=(const NamedModule&) = delete;
    HMODULE Get() const { return m_handle; }

private:
    HMODULE m_handle = nullptr;
    bool m_loaded = false;
};

// The modules a resource is looked for in, in order: the named one, the active module state's
// instance, the program, then every library of the system.
std::vector<HMODULE> resourceCandidates(HMODULE named)
{
    std::vector<HMODULE> candidates;
    if (named)
        candidates.push_back(named);
    if (HINSTANCE current = AfxGetModuleState()->m_hCurrentInstanceHandle)
        candidates.push_back(current);
    candidates.push_back(nullptr);
    vbVantLibEnum libs;
    while (HINSTANCE lib = libs.NextHlib(true))
        candidates.push_back(lib);
    return candidates;
}

// The name to look for in a candidate: "-k" stands for the k-th name of the type there.
LPCSTR resolveName(const vbString& name, LPCSTR namePtr, LPCSTR type, HMODULE candidate, vbString* held)
{
    if (IS_INTRESOURCE(namePtr) || name.GetLength() < 2 || name.c_str()[0] != '-')
        return namePtr;
    const long k = std::strtol(name.c_str() + 1, nullptr, 10);
    if (k < 1)
        return namePtr;
    *held = vbGetResNo(static_cast<int>(k), type, candidate);
    if (held->IsEmpty())
        return namePtr;
    if (held->c_str()[0] == '#')
        return MAKEINTRESOURCEA(static_cast<WORD>(std::strtol(held->c_str() + 1, nullptr, 10)));
    return held->c_str();
}

// Delivers the resource in one buffer; false when the candidate does not have it.
bool deliverResource(vbDnData* data, IvbDnObject* obj, HMODULE candidate, LPCSTR name, LPCSTR type)
{
    HRSRC info = FindResourceA(candidate, name, type);
    if (!info)
        return false;
    HGLOBAL loaded = LoadResource(candidate, info);
    if (!loaded)
        return false;
    const void* bytes = LockResource(loaded);
    const DWORD size = SizeofResource(candidate, info);
    if (!bytes || size == 0)
        return false;
    vbDnFeedLoad(data, obj, size, [&] { obj->LoadingAddBuffer(data, static_cast<const unsigned char*>(bytes), size); });
    return true;
}

} // namespace

HRESULT vbDnBuiltinPlugin::QueryInterface(REFIID iid, void** ppv) { return query(this, iid, ppv); }

HRESULT vbDnBuiltinPlugin::QueryInterface(const GUID& iid, const void** ppv) const
{
    return query(const_cast<vbDnBuiltinPlugin*>(this), iid, ppv);
}

bool vbDnBuiltinPlugin::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_IvbDnPlugProto || iid == IID_vbDnBuiltinPlugin) {
        *ppv = static_cast<IvbDnPlugProto*>(this);
        return true;
    }
    return vbObjectBase::GetInterface(iid, ppv);
}

bool vbDnBuiltinPlugin::askStopDnOp(IvbDnObject*) { return false; }

bool vbDnBuiltinPlugin::CanWorkWithProto(vbDnData*, IvbDnObject*, const vbString& name)
{
    return name == "file.r" || name == "res.r" || name == "data.r";
}

void vbDnBuiltinPlugin::askClose() {}

bool vbDnBuiltinPlugin::ReadUrl(vbDnData* data, IvbDnObject* obj, vbRefPtr<IvbInputStream, &IID_IvbInputStream>* stream)
{
    if (tryResDownload(data, obj) || tryDataDownload(data, obj))
        return true;
    const vbString& url = data->GetUrl();
    vbString path;
    if (!vbGetFileUrl(url, &path))
        throw new vbEdn("Can't load url '" + url + "' : bad plugin loaded !", vbString("vbDnBuiltinPlugin::ReadUrl()"));
    if (obj->LoadFromFile(data, path))
        return true;
    vbRefPtr<vbFileStream, &IID_vbFileStream> file;
    vbFileStream::CreateObject(&file);
    file->Open(path, vbOpenExisting, vbAccessRead, vbShareRead);
    *stream = static_cast<IvbInputStream*>(file.Get());
    tellLabel(obj, "KVX VantBase Builtin file downloader");
    return false;
}

bool vbDnBuiltinPlugin::WriteUrl(vbDnData*, IvbDnObject*, vbRefPtr<IvbOutputStream, &IID_IvbOutputStream>*)
{
    vbImpl::throwSys(E_NOTIMPL, "vbDnBuiltinPlugin::WriteUrl() : not implemented");
}

bool vbDnBuiltinPlugin::tryDataDownload(vbDnData* data, IvbDnObject* obj)
{
    vbString content;
    if (!vbGetDataUrl(data->GetUrl(), &content))
        return false;
    const auto length = static_cast<ULONG>(content.GetLength());
    vbDnFeedLoad(data, obj, length,
        [&] { obj->LoadingAddBuffer(data, reinterpret_cast<const unsigned char*>(content.c_str()), length); });
    tellLabel(obj, "KVX VantBase Builtin data downloader");
    return true;
}

bool vbDnBuiltinPlugin::tryResDownload(vbDnData* data, IvbDnObject* obj)
{
    const vbString& url = data->GetUrl();
    vbString module, name, type;
    LPCSTR namePtr = nullptr;
    LPCSTR typePtr = nullptr;
    if (!vbGetResUrl(url, &module, &name, &namePtr, &type, &typePtr))
        return false;
    const NamedModule named(module);
    for (HMODULE candidate : resourceCandidates(named.Get())) {
        LPCSTR typeValue = typePtr ? typePtr : obj->GetDefaultResType();
        vbString held;
        LPCSTR nameValue = resolveName(name, namePtr, typeValue, candidate, &held);
        if (obj->LoadFromRes(data, nameValue, typePtr, candidate) ||
            deliverResource(data, obj, candidate, nameValue, typeValue)) {
            tellLabel(obj, "KVX VantBase Builtin resource downloader");
            return true;
        }
    }
    throw new vbEdnUser(vbImpl::hrOfFailure(GetLastError()), "Can't load resource file '" + url + "'", vbString("vbDownloadCenter::tryResDownload()"));
}
