// Download URLs from project files, mark-up and the command line, read by the built-in protocol:
// resource URLs of every form over the base library's resource table and the program's, object
// commands, inline data and file URLs. Only the library's own errors may come out.

#include "vbDnObject.h"
#include "vbDnPlugin.h"
#include "vbException.h"
#include "vbLog.h"

#include "plat/resource.h"

#include <cstdint>
#include <cstring>

namespace {

const GUID CLSID_FuzzSink = {0x4E0C2B7A, 0x5D21, 0x4F0B, {0x9A, 0x61, 0x3C, 0x88, 0x12, 0x7E, 0x40, 0xD5}};

// Takes whatever arrives; "cmd" is the command it knows, and it reads files itself, so that no
// input makes the reader open a file.
class Sink : public vbTdnObject<vbObject> {
public:
    static const GUID& DnClassId() { return CLSID_FuzzSink; }
    const GUID& GetClsId() const override { return CLSID_FuzzSink; }
    DWORD GetMemSizeForCache() const override { return 0; }
    bool LoadFromRes(vbDnData*, const char* name, const char*, HINSTANCE) override
    {
        return !IS_INTRESOURCE(name) && std::strcmp(name, "cmd") == 0;
    }
    const char* GetDefaultResType() const override { return "ANICURSOR"; }
    bool LoadFromFile(vbDnData*, const vbString&) override { return true; }
    void LoadingStart(vbDnData*, int64_t size) override { m_expected = size; }
    bool LoadingAddBuffer(vbDnData*, const unsigned char* bytes, ULONG length) override
    {
        // Every byte must be readable.
        for (ULONG i = 0; i < length; ++i)
            m_sum += bytes[i];
        m_got += length;
        return true;
    }
    void LoadingEnd(vbDnData*, bool) override
    {
        if (m_got != m_expected)
            __builtin_trap();
    }

private:
    int64_t m_expected = 0;
    int64_t m_got = 0;
    unsigned m_sum = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        g_pvbLogFileName = nullptr; // nothing here is meant for the user's log
        return true;
    }();
    (void)quiet;
    const char* bytes = reinterpret_cast<const char*>(data);
    const void* zero = size ? std::memchr(bytes, 0, size) : nullptr;
    const size_t length = zero ? static_cast<size_t>(static_cast<const char*>(zero) - bytes) : size;
    const vbString url(bytes, static_cast<int>(length));

    auto* sink = new Sink;
    sink->Create();
    auto* builtin = new vbDnBuiltinPlugin;
    builtin->Create();
    {
        vbDnData record(nullptr, vbDnLoad, url, sink);
        vbRefPtr<IvbInputStream, &IID_IvbInputStream> stream;
        try {
            builtin->ReadUrl(&record, sink, &stream);
        } catch (vbEdn* e) {
            e->Delete();
        } catch (vbEsys* e) {
            e->Delete();
        }
    }
    builtin->Release();
    sink->Release();
    return 0;
}
