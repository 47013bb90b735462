#pragma once

// The thread base: an owner object runs one worker thread of the thread centre through it and
// stops it again. Every step runs under the owner's critical section; the thread is never called
// (Close) nor waited for while the section is held. The state machine is vbThreadBaseState (out
// of line); vbTThreadBase<Cb> adds the callback face Cb (sIvbThreadCb or sIvbThreadMsgCb) whose
// first three operations it fills, leaving the rest (onRun, onClose, onMessage) to the owner.

#include "vbObjects.h"
#include "vbString.h"
#include "vbThreadItf.h"

class VBAPI vbThreadBaseState {
public:
    vbThreadBaseState(CCriticalSection* ownerSection, const vbString& name);
    vbThreadBaseState(const vbThreadBaseState&) = delete;
    vbThreadBaseState& operator=(const vbThreadBaseState&) = delete;

    void Create(sIvbThreadBaseCb* face, bool closeOthers);
    void Destroy();
    bool AskClose(bool* pbFailed);
    sIvbThread* GetThread(vbLock* pLock, bool bThrow);
    bool setBusy(bool bThrow);
    bool resetBusy();
    bool IsCloseAsked();

    void onStart(sIvbThread* thread);
    DWORD onStop(sIvbThread* thread, DWORD exitCode);
    bool onAskClose(sIvbThread* thread, vbLock* guard);

    const vbString& GetName() const { return m_name; }

private:
    CCriticalSection* m_pSect;
    vbString m_name;
    bool m_bBusy = true;
    bool m_bCreating = false;
    bool m_bCloseAsked = false;
    sIvbThread* m_pThread = nullptr;
};

template <class Cb>
class vbTThreadBase : public vbBase, public Cb {
public:
    vbTThreadBase(CCriticalSection* ownerSection, const vbString& name) : m_state(ownerSection, name) {}
    // Does not stop the thread: the owner calls Destroy first.
    ~vbTThreadBase() override = default;

    bool GetInterface(const GUID& iid, const void** ppv) const override
    {
        return const_cast<vbTThreadBase*>(this)->GetInterface(iid, const_cast<void**>(ppv));
    }
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_sIvbThreadBaseCb) {
            *ppv = static_cast<sIvbThreadBaseCb*>(this);
            return true;
        }
        return vbBase::GetInterface(iid, ppv);
    }

    // Starts the thread unless one runs and no close was asked (one thread per owner).
    void Create(bool closeOthers) { m_state.Create(this, closeOthers); }
    // Closes the thread (forced) and waits about two seconds for it to go.
    void Destroy() { m_state.Destroy(); }
    bool AskClose(bool* pbFailed) { return m_state.AskClose(pbFailed); }
    sIvbThread* GetThread(vbLock* pLock, bool bThrow) { return m_state.GetThread(pLock, bThrow); }
    bool setBusy(bool bThrow) { return m_state.setBusy(bThrow); }
    bool resetBusy() { return m_state.resetBusy(); }
    bool IsCloseAsked() { return m_state.IsCloseAsked(); }
    const vbString& GetName() const { return m_state.GetName(); }

    void onStart(sIvbThread* thread) override { m_state.onStart(thread); }
    DWORD onStop(sIvbThread* thread, DWORD exitCode) override { return m_state.onStop(thread, exitCode); }
    bool onAskClose(sIvbThread* thread, vbLock* guard) override { return m_state.onAskClose(thread, guard); }

    // Asked by a worker before it waits for work; false makes it look for work again at once.
    virtual bool onIdle() { return true; }

private:
    vbThreadBaseState m_state;
};
