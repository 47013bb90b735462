#include "hotplug/vbHotPlugger.h"

#include "hotplug/vbHotPlugTrace.h"

#include "vbException.h"
#include "vbLog.h"
#include "vbVantMsgEngine.h"

namespace {

vbString hex(DWORD v) { return vbString(static_cast<unsigned long>(v), true); }
vbString dec(DWORD v) { return vbString(static_cast<unsigned long>(v)); }
vbString flag(bool b) { return vbString(b); }

// A version as the pair (high, low), compared high word first.
bool greater(DWORD high, DWORD low, const vbHotPlugCenter::Plugger::PlugSource& than)
{
    return high > than.versionMS || (high == than.versionMS && low > than.versionLS);
}

void tellUnload(IvbHotPlugCb* cb, IvbHotPlugger* plugger) { cb->OnUnloadPluginAsked(plugger, false); }
void tellLoad(IvbHotPlugCb* cb, IvbHotPlugger* plugger) { cb->OnLoadPluginAsked(plugger, false); }

} // namespace

// --- sending ---

unsigned char* vbHotPlugCenter::Plugger::allocExternalMsg(vbSharedMemPtr* out, vbMemLock* keep, const vbHotPlugMsg& msg)
{
    vbSharedMemPtr block;
    g_vbVantMsgEngine.Alloc(&block, msg.Size(), true);
    vbMemLock local(block);
    msg.Write(static_cast<unsigned char*>(static_cast<void*>(local)));
    *out = block;
    return keep ? static_cast<unsigned char*>(keep->Lock(block)) : nullptr;
}

void vbHotPlugCenter::Plugger::postExternalMsg(const vbHotPlugMsg& msg, const vbString& head, const vbString& tail)
{
    vbSharedMemPtr block;
    allocExternalMsg(&block, nullptr, msg);
    const int count = g_vbVantMsgEngine.Post(nullptr, g_vbHotPlugDataMsg, block, 0, 0);
    vbHotPlugTrace(3, "vbHotPlugCenter::Plugger::" + head + "(" + msg.path + ", " + vbString(msg.clsid, true) +
            "), nb process signaled=" + vbString(count) + tail);
}

void vbHotPlugCenter::Plugger::signalStartDownloadToExternalPlugCb(const GUID& clsid, const vbString& path,
    ULONG highVer, ULONG lowVer)
{
    vbHotPlugMsg msg{0, clsid, path, static_cast<DWORD>(highVer), static_cast<DWORD>(lowVer), 0, vbString()};
    postExternalMsg(msg, "signalStartDownloadToExternalPlugCb",
        ", highVer=" + hex(msg.value1) + ", lowVer=" + hex(msg.value2));
}

void vbHotPlugCenter::Plugger::signalEndDownloadToExternalPlugCb(const GUID& clsid, const vbString& path,
    ULONG highVer, ULONG lowVer)
{
    vbHotPlugMsg msg{1, clsid, path, static_cast<DWORD>(highVer), static_cast<DWORD>(lowVer), 0, vbString()};
    postExternalMsg(msg, "signalEndDownloadToExternalPlugCb",
        ", highVer=" + hex(msg.value1) + ", lowVer=" + hex(msg.value2));
}

void vbHotPlugCenter::Plugger::signalErrorToExternalPlugCb(const GUID& clsid, const vbString& path, LONG hr,
    const vbString& error)
{
    vbHotPlugMsg msg{2, clsid, path, static_cast<DWORD>(hr), 0, 0, error};
    postExternalMsg(msg, "signalErrorToExternalPlugCb", ", hr=" + hex(msg.value1) + ", error=" + error);
}

void vbHotPlugCenter::Plugger::signalProgressToExternalPlugCb(const GUID& clsid, const vbString& path, int status,
    const vbString& text, ULONG progress, ULONG progressMax)
{
    vbHotPlugMsg msg{3, clsid, path, static_cast<DWORD>(status), static_cast<DWORD>(progress),
        static_cast<DWORD>(progressMax), text};
    postExternalMsg(msg, "signalProgressToExternalPlugCb",
        ", status=" + hex(msg.value1) + " " + text + ", progress=" + dec(msg.value2) + ", progressMax=" +
            dec(msg.value3));
}

// --- receiving ---

void vbHotPlugCenter::onReceiveExternalMsg(vbVantDataCb&, vbSharedMem* block, DWORD, DWORD)
{
    vbLock use;
    if (!IsNowStarted(&use))
        return;
    vbMemLock map(block);
    vbHotPlugMsg msg;
    // Any process can write the block: nothing is read beyond its real length.
    if (!msg.Read(static_cast<const unsigned char*>(static_cast<void*>(map)), block->GetLength())) {
        vbRelOutput("vbHotPlugCenter::onReceiveExternalMsg() : malformed message", true);
        return;
    }
    if (msg.type < 0 || msg.type > 3) {
        vbRelOutput("vbHotPlugCenter::onReceiveExternalMsg() : unknown message type : " + vbString(static_cast<int>(msg.type)),
            true);
        return;
    }
    PluggerPtr plugger;
    {
        vbSectLock lock(&m_sect);
        int pos = 1;
        Plugger* found = findPlugger(msg.path, &pos);
        if (PlugId* id = findAndCheckId(vbString(), &msg.clsid, 1, found, "??"))
            found = id->plugger;
        if (!found)
            found = newPlugger(msg.path, msg.clsid, pos);
        addId(&msg.clsid, 1, found);
        plugger = found;
    }
    switch (msg.type) {
    case 0:
        plugger->ReceiveExternalStartDownload(msg.value1, msg.value2);
        break;
    case 1:
        plugger->ReceiveExternalEndDownload(msg.value1, msg.value2);
        break;
    case 2:
        plugger->ReceiveExternalError(static_cast<LONG>(msg.value1), msg.text);
        break;
    default:
        plugger->ReceiveExternalProgress(static_cast<int>(msg.value1), msg.text, msg.value2, msg.value3);
        break;
    }
}

bool vbHotPlugCenter::Plugger::openExternal(const char* member)
{
    if (!m_bInUpdate)
        return true;
    if (m_bExternalUpdate)
        return false;
    throw new vbEsys(E_FAIL, (vbString("vbHotPlugCenter::Plugger::") + member + "(" + m_modulePath + ", " +
        vbString(m_clsid, true) + ") : synchronisation error (external update during internal update)")
                                 .c_str());
}

void vbHotPlugCenter::Plugger::endExternalUpdate(const char* member,
    const std::function<void(IvbHotPlugCb* cb, IvbHotPlugger* plugger)>& tell)
{
    // The update ends whatever the callbacks do.
    struct EndUpdate {
        Plugger* p;
        ~EndUpdate()
        {
            vbSectLock lock(p->centreLock());
            p->m_pFactory.Release();
            p->m_bInUpdate = false;
            p->m_bExternalUpdate = false;
            p->updateBusyState();
        }
    };
    {
        EndUpdate end{this};
        tellAll(member, tell);
    }
    vbSectLock lock(centreLock());
    if (m_bChecked)
        return;
    vbHotPlugTrace(1, vbString("vbHotPlugCenter::Plugger::") + member + "(" + vbString(m_clsid, true) + ", " +
            m_modulePath + ") : plug update asked during component download");
    lock.Unlock();
    UpdateIfAsked(nullptr, 0);
}

void vbHotPlugCenter::Plugger::ReceiveExternalStartDownload(ULONG highVer, ULONG lowVer)
{
    const char* const member = "ReceiveExternalStartDownload";
    checkDestroyed(member);
    vbSectLock lock(centreLock());
    if (openExternal(member)) {
        m_bExternalUpdate = true;
        m_bInUpdate = true;
        updateBusyState();
    }
    const vbString where = m_modulePath + ", " + vbString(m_clsid, true);
    lock.Unlock();
    vbHotPlugTrace(1, "vbHotPlugCenter::Plugger::ReceiveExternalStartDownload(" + where + ") highver=" +
            hex(static_cast<DWORD>(highVer)) + ", lowver=" + hex(static_cast<DWORD>(lowVer)));
    tellAll(member, tellUnload);
}

void vbHotPlugCenter::Plugger::ReceiveExternalEndDownload(ULONG highVer, ULONG lowVer)
{
    const char* const member = "ReceiveExternalEndDownload";
    checkDestroyed(member);
    vbSectLock lock(centreLock());
    if (openExternal(member)) {
        vbHotPlugTrace(1, "vbHotPlugCenter::Plugger::ReceiveExternalEndDownload : maybe prb : m_bInUpdate = " +
                flag(m_bInUpdate) + ", m_bExternalUpdate = " + flag(m_bExternalUpdate));
        m_bExternalUpdate = true;
        m_bInUpdate = true;
        updateBusyState();
    }
    const vbString path = vbGetModulePath(m_clsid);
    if (vbSortStringNC(path, m_modulePath) != 0) {
        m_modulePath = path;
        m_centre->sortPlugPath();
    }
    vbHotPlugTrace(0, "vbHotPlugCenter::Plugger::ReceiveExternalEndDownload(" + m_modulePath + ", " +
            vbString(m_clsid, true) + ") highver=" + hex(static_cast<DWORD>(highVer)) + ", lowver=" +
            hex(static_cast<DWORD>(lowVer)));
    if (greater(static_cast<DWORD>(highVer), static_cast<DWORD>(lowVer), m_current)) {
        m_current.versionMS = static_cast<DWORD>(highVer);
        m_current.versionLS = static_cast<DWORD>(lowVer);
    }
    if (!m_bChecked && greater(static_cast<DWORD>(highVer), static_cast<DWORD>(lowVer), m_asked)) {
        m_asked.versionMS = static_cast<DWORD>(highVer);
        m_asked.versionLS = static_cast<DWORD>(lowVer);
        m_bChecked = true;
        updateBusyState();
    }
    m_pFactory.Release();
    lock.Unlock();
    endExternalUpdate(member, tellLoad);
}

void vbHotPlugCenter::Plugger::ReceiveExternalError(LONG hr, const vbString& msg)
{
    const char* const member = "ReceiveExternalError";
    checkDestroyed(member);
    vbSectLock lock(centreLock());
    if (openExternal(member)) {
        vbRelOutput("vbHotPlugCenter::Plugger::ReceiveExternalEndDownload : prb : m_bInUpdate = " + flag(m_bInUpdate) +
                ", m_bExternalUpdate = " + flag(m_bExternalUpdate),
            true);
        m_bExternalUpdate = true;
        m_bInUpdate = true;
        updateBusyState();
    }
    vbHotPlugTrace(0, "vbHotPlugCenter::Plugger::ReceiveExternalError(" + m_modulePath + ", " + vbString(m_clsid, true) +
            ") hr=" + hex(static_cast<DWORD>(hr)) + ", msg=" + msg);
    m_pFactory.Release();
    lock.Unlock();
    endExternalUpdate(member, [&](IvbHotPlugCb* cb, IvbHotPlugger* plugger) { cb->OnError(plugger, false, hr, msg); });
}

void vbHotPlugCenter::Plugger::ReceiveExternalProgress(int status, const vbString& msg, ULONG progress,
    ULONG progressMax)
{
    const char* const member = "ReceiveExternalProgress";
    checkDestroyed(member);
    vbSectLock lock(centreLock());
    if (openExternal(member)) {
        // The start message was missed: the users let go of the module first.
        lock.Unlock();
        ReceiveExternalStartDownload(0, 0);
        checkDestroyed(member);
        lock.Lock(centreLock());
    }
    const vbString where = m_modulePath + ", " + vbString(m_clsid, true);
    lock.Unlock();
    vbHotPlugTrace(3, "vbHotPlugCenter::Plugger::ReceiveExternalProgress(" + where + ") status=" +
            hex(static_cast<DWORD>(status)) + ", msg=" + msg + ", progress=" + dec(static_cast<DWORD>(progress)) + "/" +
            dec(static_cast<DWORD>(progressMax)));
    tellAll(member, [&](IvbHotPlugCb* cb, IvbHotPlugger* plugger) {
        cb->OnProgress(plugger, progress, progressMax, static_cast<vbPlugStatus>(status), msg);
    });
}
