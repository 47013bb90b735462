// A "Compress" plug-in for the compression plug type's tests: every object it serves is a plug
// object that only names itself.

#include "vbCompressLZSS.h"
#include "vbHotPlugin.h"
#include "vbObjectFace.h"

namespace {

extern vbHotPlugFactory g_factory;

class TestCodec : public vbObject, public IvbCompressPlug {
public:
    TestCodec() { g_factory.IncObjCnt(); }

    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbCompressPlug) {
            *ppv = static_cast<IvbCompressPlug*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }

    vbString GetCompressLabel(bool) const override { return "Test codec"; }

protected:
    ~TestCodec() override { g_factory.DecObjCnt(); }
};

void create(vbHotPlugFactory*, IvbHotPlugin*, const char*, LONG, vbHotPlugObjectPtr* out)
{
    auto* codec = new TestCodec;
    codec->Create();
    *out = static_cast<IvbCompressPlug*>(codec);
    codec->Release();
}

const vbHotPlugFactoryList kObjects[] = {
    {"qvlzss", create, 3, 0},
    {"Alpha", create, 3, 0},
    {nullptr, nullptr, 0, 0},
};

const GUID kModuleId = VNT_GUID(0x3E8A51C2, 0x7D04, 0x4B6F, 0xA1, 0x95, 0x0C, 0x2E, 0x6B, 0x7F, 0x18, 0x44);
vbHotPlugFactory g_factory(&g_vbCompressPlugType, kModuleId, "Compression test plug-in", kObjects, 0);

} // namespace

VB_HOTPLUG_EXPORTS(Compress, g_factory)
VB_HOTPLUG_REGISTRATION(g_factory)
