// A "Picture" plug-in for the save tests: its one object makes compressors that yield a few
// kilobytes of output and then fail, as a plug-in that breaks half-way through a file does.

#include "picItf.h"

#include "vbException.h"
#include "vbHotPlugin.h"
#include "vbObjectFace.h"

#include <cstring>

namespace {

const GUID kModuleId = VNT_GUID(0x3A7F52C1, 0x6D0B, 0x4F4E, 0x9B, 0x2A, 0x71, 0x0C, 0x5E, 0x88, 0x13, 0x64);

extern vbHotPlugFactory g_factory;

class HalfwayCompressor : public vbObject, public IpicCompressor {
public:
    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IpicCompressor || iid == IID_IvbInputStream) {
            *ppv = static_cast<IpicCompressor*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }

    void SetInputImage(IpicImage*) override {}
    bool CanRead() const override { return true; }
    DWORD Read(void* buffer, DWORD count, bool) override
    {
        if (m_given >= 4096)
            throw new vbEsys(E_FAIL, "halfway compressor failure");
        std::memset(buffer, 'h', count);
        m_given += count;
        return count;
    }
    void Destroy() override { vbObject::Destroy(); }

private:
    DWORD m_given = 0;
};

class HalfwayPlug : public vbObject, public IpicCompressPlug {
public:
    HalfwayPlug() { g_factory.IncObjCnt(); }

    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IpicCompressPlug) {
            *ppv = static_cast<IpicCompressPlug*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }

    bool CanWorkWithType(const char*, const unsigned char*, int, int*, picDecompressorPtr*, IpicImage*) override
    {
        return false;
    }
    bool CanWorkWithType(const char*, IvbInputStream*, picDecompressorPtr*, IpicImage*) override { return false; }
    bool CreateCompressor(int, picCompressorPtr* out, picReqMode) override
    {
        auto* compressor = new HalfwayCompressor();
        compressor->Create();
        *out = static_cast<IpicCompressor*>(compressor);
        compressor->Release();
        return true;
    }
    void Destroy() override { vbObject::Destroy(); }
    vbString GetDescription(int, int) override { return "Half-way test plug-in"; }

protected:
    ~HalfwayPlug() override { g_factory.DecObjCnt(); }
};

void create(vbHotPlugFactory*, IvbHotPlugin*, const char*, LONG, vbHotPlugObjectPtr* out)
{
    auto* plug = new HalfwayPlug();
    plug->Create();
    *out = static_cast<IpicCompressPlug*>(plug);
    plug->Release();
}

const vbHotPlugFactoryList kObjects[] = {
    {"jpg", create, 1, 0},
    {nullptr, nullptr, 0, 0},
};

vbHotPlugFactory g_factory(nullptr, kModuleId, "Half-way picture test plug-in", kObjects, 0);

} // namespace

VB_HOTPLUG_EXPORTS(Picture, g_factory)
