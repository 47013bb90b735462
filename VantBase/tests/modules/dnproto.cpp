// A protocol plug-in module of the "DnCenter" plug type, built two ways (VB_TESTMOD_VARIANT): 1
// serves the names "xyz" and "xyz.w", 2 serves "file.r". Its objects are protocol factories;
// their protocols read the text "<url> f<factory> p<protocol>" from memory (the numbers count the
// factories and protocols made since the module was loaded) and write into memory.

#include "vbDnPlugin.h"
#include "vbMemoryStream.h"
#include "vbObjectFace.h"
#include "vbRegKey.h"
#include "vbVariant.h"

#include "plat/module.h"

#define VB_TESTMOD_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

const GUID g_id = {0x6B7A0200, 0x1234, 0x5678, {0x9A, 0xBC, 0, 0, 0, 0, 0, VB_TESTMOD_VARIANT}};
void makeFactory(vbHotPlugFactory*, IvbHotPlugin*, const char* name, LONG, vbHotPlugObjectPtr* out);

#if VB_TESTMOD_VARIANT == 1
const vbHotPlugFactoryList g_objects[] = {
    {"xyz", makeFactory, 10, 0},
    {"xyz.w", makeFactory, 10, 0},
    {nullptr, nullptr, 0, 0},
};
#else
const vbHotPlugFactoryList g_objects[] = {
    {"file.r", makeFactory, 10, 0},
    {nullptr, nullptr, 0, 0},
};
#endif
vbHotPlugFactory g_factory(&g_vbDnPlugType, g_id, "Test protocols", g_objects, 0);

// Counts itself in the module's factory while it lives, so that the module stays while it does.
class Counted : public vbObject {
public:
    Counted() { g_factory.IncObjCnt(); }
    ~Counted() override { g_factory.DecObjCnt(); }
};

int g_factories = 0;
int g_protos = 0;

class MemoryProto : public Counted, public IvbDnPlugProto {
public:
    explicit MemoryProto(const vbString& tag) : m_tag(tag) {}
    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbDnPlugProto) {
            *ppv = static_cast<IvbDnPlugProto*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }
    bool askStopDnOp(IvbDnObject*) override { return false; }
    bool CanWorkWithProto(vbDnData*, IvbDnObject*, const vbString& name) override
    {
#if VB_TESTMOD_VARIANT == 1
        return name == "xyz" || name == "xyz.r" || name == "xyz.w";
#else
        return name == "file.r";
#endif
    }
    void askClose() override {}
    bool ReadUrl(vbDnData* data, IvbDnObject*, vbRefPtr<IvbInputStream, &IID_IvbInputStream>* stream) override
    {
        vbRefPtr<vbMemoryStream, &IID_vbMemoryStream> m;
        vbMemoryStream::CreateObject(&m);
        const vbString text = data->GetUrl() + m_tag;
        m->Write(text.c_str(), static_cast<DWORD>(text.GetLength()), true);
        m->Seek(0, vbSeekStart);
        *stream = static_cast<IvbInputStream*>(m.Get());
        return false;
    }
    bool WriteUrl(vbDnData*, IvbDnObject*, vbRefPtr<IvbOutputStream, &IID_IvbOutputStream>* stream) override
    {
        vbRefPtr<vbMemoryStream, &IID_vbMemoryStream> m;
        vbMemoryStream::CreateObject(&m);
        *stream = static_cast<IvbOutputStream*>(m.Get());
        return false;
    }

private:
    vbString m_tag;
};

// The plugged object: takes every name it was made for and makes memory protocols.
class Factory : public Counted, public IvbDnPlugFactory {
public:
    Factory() : m_number(++g_factories) {}
    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbDnPlugFactory) {
            *ppv = static_cast<IvbDnPlugFactory*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }
    bool CanWorkWith(vbDnData*, IvbDnObject*, const vbString&) override { return true; }
    void CreateProto(IvbDnObject*, const vbString&, bool, vbRefPtr<IvbDnPlugProto, &IID_IvbDnPlugProto>* proto) override
    {
        auto* made = new MemoryProto(" f" + vbString(m_number) + " p" + vbString(++g_protos));
        made->Create();
        *proto = static_cast<IvbDnPlugProto*>(made);
        made->Release();
    }

private:
    int m_number;
};

void makeFactory(vbHotPlugFactory*, IvbHotPlugin*, const char*, LONG, vbHotPlugObjectPtr* out)
{
    auto* factory = new Factory;
    factory->Create();
    *out = static_cast<IvbDnPlugFactory*>(factory);
    factory->Release();
}

} // namespace

VB_HOTPLUG_EXPORTS(DnCenter, g_factory)

// Registers the module file as its class's server, then its objects in the configuration.
VB_TESTMOD_EXPORT HRESULT DllRegisterServer()
{
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&g_factory), &self);
    char path[1024] = {};
    GetModuleFileNameA(self, path, sizeof path);
    vbRegKey(vbRegClassesRoot, "CLSID\\" + vbString(g_id, true) + "\\InprocServer32").SetDefaultValue(vbVariant(path));
    return vbHotPlugRegisterCall(&vbHotPlugFactory::Register, &g_factory);
}
