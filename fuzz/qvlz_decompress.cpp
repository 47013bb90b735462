// Feeds untrusted bytes to the QVLZSS decompressor in pieces whose size the first byte chooses
// (0: all at once), then closes it; the decoded bytes go to a sink that only counts them. Only
// the codec's own exception may come out.
//
// Every stream makes a decompressor, its models and a history ring of the size its header asks
// for (up to 16 MiB in the fuzz build), and rebuilds its codes as symbols come: it runs a few
// hundred inputs a second.

#include "vbCompressLZSS.h"
#include "vbException.h"
#include "vbLog.h"

#include <cstdint>

namespace {

class CountingSink : public vbObject, public IvbOutputStream {
public:
    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbOutputStream) {
            *ppv = static_cast<IvbOutputStream*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }
    bool CanWrite() const override { return true; }
    DWORD Write(const void*, DWORD count, bool) override
    {
        total += count;
        return count;
    }

    uint64_t total = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_pvbLogFileName = nullptr; // the throw traces of damaged streams stay out of the user's log
    if (size == 0)
        return 0;
    size_t piece = data[0] ? data[0] : size;
    ++data;
    --size;
    auto* sink = new CountingSink;
    vbDecompressPushPtr d;
    vbLZSSdecompressPush::CreateObject(&d);
    d->SetOutputStream(sink);
    try {
        for (size_t at = 0; at < size; at += piece)
            d->Write(data + at, DWORD(size - at < piece ? size - at : piece), true);
        d->Close(true);
    } catch (vbEcompress* e) {
        e->Delete();
        d->Close(true);
    }
    sink->vbObject::Release();
    return 0;
}
