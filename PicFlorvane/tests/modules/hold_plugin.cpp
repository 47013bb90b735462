// A "Picture" plug-in for the tests of loads that are still at work: its files ("hold") begin
// with "HOLD" and their length in four little-endian bytes. Its decompressor takes bytes until it
// holds two fifths of the file, then waits in the next write until the test lets every load go,
// and ends as a one-pixel picture. The test reaches the gate through the functions exported here;
// a program started by a test script, through a file: the gate opens once the file named by
// PIC_HOLD_GATE exists. DllRegisterServer registers the plug-in as an installation does.

#include "picItf.h"
#include "VantPicture.h"

#include "vbEngine.h"
#include "vbHotPlugin.h"
#include "vbObjectFace.h"
#include "vbRegKey.h"

#include "plat/module.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sys/stat.h>

namespace {

const GUID kModuleId = VNT_GUID(0x5B0E8D21, 0x9C4A, 0x4F17, 0x8E, 0x63, 0x2D, 0x41, 0xA7, 0x9F, 0x0B, 0x35);

extern vbHotPlugFactory g_factory;

std::mutex g_gateLock;
std::condition_variable g_gateOpened;
bool g_gateOpen = false;
std::atomic<int> g_waiting{0};
// Decompressors alive: the picture object lets its decompressor go as its load's end is over.
std::atomic<int> g_live{0};

// The gate file of a test script; none unless PIC_HOLD_GATE names one.
bool gateFileExists()
{
    const char* path = std::getenv("PIC_HOLD_GATE");
    struct stat st;
    return path && *path && stat(path, &st) == 0;
}

// Waits until the test opens the gate, or its script makes the gate file. Another process makes
// the file: it is looked for every 20 ms.
void waitAtGate()
{
    std::unique_lock lock(g_gateLock);
    while (!g_gateOpened.wait_for(lock, std::chrono::milliseconds(20), [] { return g_gateOpen; }))
        if (gateFileExists())
            return;
}

class HoldDecompressor : public vbObject, public IpicDecompressor {
public:
    HoldDecompressor() { ++g_live; }

    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IpicDecompressor || iid == IID_IvbOutputStream) {
            *ppv = static_cast<IpicDecompressor*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }

    bool CanWrite() const override { return true; }
    DWORD Write(const void* buffer, DWORD count, bool) override
    {
        if (m_received == 0 && count >= 8)
            std::memcpy(&m_length, static_cast<const char*>(buffer) + 4, 4);
        if (m_length > 0 && m_received * 5 >= uint64_t(m_length) * 2) {
            ++g_waiting;
            waitAtGate();
            --g_waiting;
        }
        m_received += count;
        return count;
    }
    bool EndOfData(vbString*) override { return true; }
    bool GetOutput(picImagePtr* out, picReqMode) override
    {
        picCreateImage(out, "simple", "Held image", picReqThrow);
        picBmpInfo info;
        info.size = picSize(1, 1);
        info.bmpType = picBmpRGB;
        info.bitsPerPixel = 24;
        picBitmapPtr bitmap;
        (*out)->CreateBitmap(-1, &info, &bitmap);
        return true;
    }
    void Destroy() override { vbObject::Destroy(); }

protected:
    ~HoldDecompressor() override { --g_live; }

private:
    uint32_t m_length = 0;
    uint64_t m_received = 0;
};

class HoldPlug : public vbObject, public IpicCompressPlug {
public:
    HoldPlug() { g_factory.IncObjCnt(); }

    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IpicCompressPlug) {
            *ppv = static_cast<IpicCompressPlug*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }

    bool CanWorkWithType(const char*, const unsigned char* data, int length, int* needed, picDecompressorPtr* out,
        IpicImage*) override
    {
        if (length < 8) {
            if (needed)
                *needed = 8;
            return false;
        }
        if (std::memcmp(data, "HOLD", 4) != 0)
            return false;
        if (out) {
            auto* decompressor = new HoldDecompressor();
            decompressor->Create();
            *out = static_cast<IpicDecompressor*>(decompressor);
            decompressor->Release();
        }
        return true;
    }
    bool CanWorkWithType(const char*, IvbInputStream*, picDecompressorPtr*, IpicImage*) override { return false; }
    void Destroy() override { vbObject::Destroy(); }
    vbString GetDescription(int, int) override { return "Held test plug-in"; }

protected:
    ~HoldPlug() override { g_factory.DecObjCnt(); }
};

void create(vbHotPlugFactory*, IvbHotPlugin*, const char*, LONG, vbHotPlugObjectPtr* out)
{
    auto* plug = new HoldPlug();
    plug->Create();
    *out = static_cast<IpicCompressPlug*>(plug);
    plug->Release();
}

const vbHotPlugFactoryList kObjects[] = {
    {"hold", create, 1, 0},
    {nullptr, nullptr, 0, 0},
};

vbHotPlugFactory g_factory(nullptr, kModuleId, "Held picture test plug-in", kObjects, 0);

} // namespace

VB_HOTPLUG_EXPORTS(Picture, g_factory)

// Closes (false) or opens (true) the gate; loads waiting at it go on once it opens.
extern "C" __attribute__((visibility("default"))) void picHoldSetOpen(bool open)
{
    {
        std::lock_guard lock(g_gateLock);
        g_gateOpen = open;
    }
    g_gateOpened.notify_all();
}

// Loads waiting at the gate.
extern "C" __attribute__((visibility("default"))) int picHoldWaiting() { return g_waiting; }

// Loads whose decompressor is still held.
extern "C" __attribute__((visibility("default"))) int picHoldLive() { return g_live; }

// Registers the plug-in for "hold" files of the picture plug type and this module as its class's
// server.
extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer()
{
    try {
        HMODULE module = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&g_factory), &module);
        char path[4096] = "";
        GetModuleFileNameA(module, path, sizeof path);
        const vbString id(kModuleId, true);
        vbUseEngineCenter engines(&g_vbEngineCenter, false);
        vbRegKey(vbRegLocalMachine, "Software\\KVX Vantrel\\Picture plugins.5\\" + id + "\\hold")
            .SetValue("priority", vbVariant(1L));
        vbRegKey(vbRegClassesRoot, "CLSID\\" + id + "\\InprocServer32").SetDefaultValue(vbVariant(path));
        return S_OK;
    } catch (CException* e) {
        const HRESULT hr = vbGetHR(e);
        e->Delete();
        return hr;
    }
}
