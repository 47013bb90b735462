// A "Picture" plug-in for the plug type's tests: its objects act by their record's value. "ask"
// (1) refuses every file but asks for 20 bytes; "never" (2) refuses every file without asking.

#include "picItf.h"

#include "vbHotPlugin.h"
#include "vbObjectFace.h"

namespace {

const GUID kModuleId = VNT_GUID(0x6C1D0E77, 0x2B4A, 0x4E19, 0x8F, 0x03, 0x5A, 0x21, 0x9C, 0x44, 0x7B, 0x10);

enum Behaviour : LONG { kAsk = 1, kNever = 2 };

extern vbHotPlugFactory g_factory;

class TestPlug : public vbObject, public IpicCompressPlug {
public:
    explicit TestPlug(LONG behaviour) : m_behaviour(behaviour) { g_factory.IncObjCnt(); }

    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IpicCompressPlug) {
            *ppv = static_cast<IpicCompressPlug*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }

    bool CanWorkWithType(const char*, const unsigned char*, int, int* needed, picDecompressorPtr*, IpicImage*) override
    {
        if (m_behaviour == kAsk)
            *needed = 20;
        return false;
    }
    bool CanWorkWithType(const char*, IvbInputStream*, picDecompressorPtr*, IpicImage*) override { return false; }
    void Destroy() override { vbObject::Destroy(); }
    vbString GetDescription(int, int) override { return "Picture test plug-in"; }

protected:
    ~TestPlug() override { g_factory.DecObjCnt(); }

private:
    LONG m_behaviour;
};

void create(vbHotPlugFactory*, IvbHotPlugin*, const char*, LONG value, vbHotPlugObjectPtr* out)
{
    auto* plug = new TestPlug(value);
    plug->Create();
    *out = static_cast<IpicCompressPlug*>(plug);
    plug->Release();
}

const vbHotPlugFactoryList kObjects[] = {
    {"ask", create, 1, kAsk},
    {"never", create, 1, kNever},
    {nullptr, nullptr, 0, 0},
};

vbHotPlugFactory g_factory(nullptr, kModuleId, "Picture test plug-in", kObjects, 0);

} // namespace

VB_HOTPLUG_EXPORTS(Picture, g_factory)
