#pragma once

// The centre's record of one plug-in module: its module path and class id, the listeners of the
// module, the update state, and the timed locks that keep callback calls, callback additions and
// updates apart. Every field but the lock counters is guarded by the centre lock.

#include "vbHotPlug.h"
#include "vbObjectFace.h"

#include "hotplug/vbHotPlugCbList.h"
#include "hotplug/vbHotPlugWait.h"

class vbHotPlugCenter::Plugger : public vbObject, public IvbHotPlugger {
public:
    // Counted in the centre's live records until destroyed.
    Plugger(vbHotPlugCenter* centre, const vbString& modulePath, const GUID& clsid);
    ~Plugger() override;

    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override;

    // The update decision, which also serves a load: 1 (vbPlugUpdating) while an update runs or
    // is due, else 0. cb (may be null) is registered and told alone whether to load; mode 1 when
    // a host wants the module now.
    int UpdateIfAsked(IvbHotPlugCb* cb, int mode);
    // Registers cb and tells it at once whether the module may be used.
    void AddPluginCb(IvbHotPlugCb* cb);
    // Reacts to a module path changed by another party: every listener unloads the module, the
    // record takes the new path, every listener loads it again.
    void CheckPluginPath();
    // Whether the last accepted installation request named the plug type (ignoring case).
    bool HasPlugType(const vbString& plugType);

    // --- IvbHotPlugger ---
    void AbortDownload() override;
    bool IsExternalUpdate() const override;
    bool IsUpdate() const override;
    const GUID& GetClsId() const override;
    vbString GetModulePath() const override;

    // --- the timed locks; each unlock undoes its lock ---
    // Calls of the callbacks: waits while callbacks of the record or the centre's listeners are
    // being added.
    void lockCbCall() const;
    void unlockCbCall() const;
    // Additions or removals of callbacks: waits while callbacks are being called.
    void lockCbAdd() const;
    void unlockCbAdd() const;
    // The update: one thread at a time, re-entrant for it.
    void lockUpdateCall() const;
    void unlockUpdateCall() const;

    typedef vbHotPlugHold<Plugger, &Plugger::lockCbCall, &Plugger::unlockCbCall> CbCallHold;
    typedef vbHotPlugHold<Plugger, &Plugger::lockCbAdd, &Plugger::unlockCbAdd> CbAddHold;
    typedef vbHotPlugHold<Plugger, &Plugger::lockUpdateCall, &Plugger::unlockUpdateCall> UpdateCallHold;

protected:
    friend class vbHotPlugCenter;

    void onBeforeDestruction(bool bExplicit) override;

    // Throws the "destroyed plug" vbEuser of member once destruction has begun.
    void checkDestroyed(const char* member) const;
    // Counts the record in the centre's in-update count while it is neither idle nor destroyed;
    // the centre lock is held.
    void updateBusyState();
    // Tells cb alone to load the module; the centre lock (held on entry) is released first.
    int tellLoadAlone(IvbHotPlugCb* cb, vbSectLock& lock);
    // Tells every callback of the record, then every listener of the centre, holding lockCbCall;
    // an exception of one is traced and the next is told. A record destroyed meanwhile stops the
    // walk with member's "destroyed plug" error.
    void tellAll(const char* member, void (*tell)(IvbHotPlugCb* cb, IvbHotPlugger* plugger));
    CCriticalSection* centreLock() const { return &m_centre->m_sect; }

    vbHotPlugCenter* m_centre;
    vbString m_modulePath;
    GUID m_clsid;
    vbArray<vbString> m_plugTypes;
    bool m_bChecked = true;
    bool m_bInUpdate = false;
    bool m_bExternalUpdate = false;
    vbClassFactoryPtr m_pFactory;
    vbHotPlugCbArray m_callbacks;
    bool m_bDestroyed = false;
    bool m_bBusyCounted = false;
    mutable LONG m_nCbCall = 0;
    mutable LONG m_nCbAdd = 0;
    mutable LONG m_nUpdateCall = 0;
    mutable DWORD m_updateThread = 0;
};
