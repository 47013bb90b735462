// Blocks of the hot-plug data message as another process may write them, whatever their bytes:
// the block reader never reads past the block, and the receiver of a started centre, given the
// block in shared memory, only logs, drops or follows it.

#include "FuzzTempDir.h"

#include "hotplug/vbHotPlugMsg.h"

#include "vbException.h"
#include "vbHotPlug.h"
#include "vbLog.h"
#include "vbSharedMem.h"
#include "vbVantMsgEngine.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

class FuzzCentre : public vbHotPlugCenter {
public:
    FuzzCentre() : vbHotPlugCenter("Fuzz HotPlug Center", vbEngineDeps()) { }
    using vbHotPlugCenter::onReceiveExternalMsg;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FuzzTempDir home(true);
    static FuzzCentre centre;
    static vbUseEngineCenter use(&g_vbEngineCenter, true);
    g_pvbLogFileName = nullptr; // malformed blocks are logged; nothing here is meant for a log

    // The reader on exactly the input's bytes (the sanitizers watch its reads).
    std::vector<unsigned char> bytes(data, data + size);
    vbHotPlugMsg msg;
    msg.Read(bytes.data(), bytes.size());

    // The receiver, for what the message engine lets through (48 bytes at least).
    if (size < vbHotPlugMsg::kHeaderSize)
        return 0;
    vbSharedMemPtr block;
    if (!g_vbVantMsgEngine.Alloc(&block, static_cast<ULONG>(size), false))
        return 0;
    {
        vbMemLock map(block);
        std::memcpy(static_cast<void*>(map), data, size);
    }
    vbVantDataCb cb(48, &g_vbHotPlugDataMsg, vbVANTDATACB(), false);
    try {
        centre.onReceiveExternalMsg(cb, block, 0, 0);
    } catch (CException* e) {
        e->Delete(); // the message engine traces what leaves the receiver
    }
    return 0;
}
