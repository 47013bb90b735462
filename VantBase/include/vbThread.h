#pragma once

// The thread centre: the one creator of the library's threads. Every pool thread runs a
// caller's callback (sIvbThreadCb: one onRun; sIvbThreadMsgCb: a message loop), is listed in the
// centre's table while it lives, and is closed on request or when the centre stops. A thread's
// own lock is a count of holders: while any holder remains, the thread finishes nothing and its
// object stays alive. vbThread and vbThreadMsg are the ready-made thread bases for owners.

#include "vbArray.h"
#include "vbEngine.h"
#include "vbExport.h"
#include "vbString.h"
#include "vbThreadBase.h"
#include "vbThreadItf.h"

#include "plat/afx.h"
#include "plat/types.h"

extern VBAPI const IID IID_vbThreadCenter;

// Per-thread COM start and stop, taken over from CoInitialize/CoUninitialize when set on the
// centre. Each answers whether it handled the call. guard holds the centre's lock.
class VBAPI sIvbThreadCoInit {
public:
    virtual bool onCoInit(vbLock* guard, sIvbThread* thread, void** cookie);
    virtual bool onCoUninit(vbLock* guard, sIvbThread* thread, void* cookie);

protected:
    sIvbThreadCoInit() = default;
    ~sIvbThreadCoInit() = default;
};

// A thread's COM state: started once, stopped once.
class VBAPI vbThreadCoInit {
public:
    vbThreadCoInit() = default;
    vbThreadCoInit(const vbThreadCoInit&) = default;
    vbThreadCoInit& operator=(const vbThreadCoInit&) = default;
    // Stops; shows (never throws) what goes wrong.
    ~vbThreadCoInit();

    void Start(sIvbThread* thread);
    void Stop();
    bool IsStarted() const { return m_bStarted; }

private:
    bool m_bStarted = false;
    void* m_cookie = nullptr;
    sIvbThread* m_pThread = nullptr;
};

class VBAPI vbThreadCenter : public vbEngine {
public:
    class Thread;

    vbThreadCenter(const char* label, const vbEngineDeps& deps);
    // Stops an idle centre; threads still listed are not touched.
    ~vbThreadCenter() override;

    using vbEngine::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;

    // A new thread running cb; with closeOthers a failed creation may close idle threads
    // (whose callbacks agree) to make room, and tries again, five attempts at most.
    sIvbThread* NewThread(const vbString& label, sIvbThreadBaseCb* cb, bool closeOthers);
    // The same, held before its body until resumed.
    sIvbThread* NewSuspendedThread(const vbString& label, sIvbThreadBaseCb* cb, bool closeOthers);

    int GetThreadCount() const;
    int GetThreadPeakCount() const;
    unsigned GetThreadDoneCount() const;
    unsigned GetThreadClosedCount() const;
    // Peak and done counts back to 0 (the closed count stays).
    void ResetPerfStats();

    void SetCoInit(sIvbThreadCoInit* hook);
    sIvbThreadCoInit* GetCoInit() const;
    // CoInitialize (S_FALSE is success) unless the hook handles it.
    void StartCoInit(sIvbThread* thread, void** cookie);
    void StopCoInit(sIvbThread* thread, void* cookie);

protected:
    friend class vbThreadBaseState;

    sIvbThread* createThread(const vbString& label, sIvbThreadBaseCb* cb, bool closeOthers, bool suspended);
    // The thread in a slot of the table (from 1), null for an empty or missing slot.
    sIvbThread* threadAt(int index) const;

    void onStart() override { }
    bool onStop(bool bForce) override;

private:
    friend class Thread;

    // The centre lock as an sIvbLock, for the guard handed to the COM hook.
    class SectLock : public sIvbLock {
    public:
        explicit SectLock(CCriticalSection* sect) : m_sect(sect) { }
        void Lock() const override { m_sect->Lock(); }
        void Unlock() const override { m_sect->Unlock(); }

    private:
        CCriticalSection* m_sect;
    };

    void addThread(Thread* thread);
    void removeThread(Thread* thread) noexcept;
    bool tryCloseOthers();
    bool askCloseAll();

    mutable CCriticalSection m_lock;
    SectLock m_sectLock{&m_lock};
    vbArray<Thread*> m_table;
    int m_cThread = 0;
    int m_cPeak = 0;
    unsigned m_cClosed = 0;
    unsigned m_cDone = 0;
    sIvbThreadCoInit* m_pCoInit = nullptr;
};

extern VBAPI vbThreadCenter g_vbThreadCenter;

// A plain worker owned by a subclass, which provides onRun and onClose.
class VBAPI vbThread : public vbTThreadBase<sIvbThreadCb> {
public:
    explicit vbThread(const vbString& label);
    ~vbThread() override;

    using vbTThreadBase::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;

private:
    CCriticalSection m_sect;
};

// A worker with a message queue owned by a subclass, which provides onMessage.
class VBAPI vbThreadMsg : public vbTThreadBase<sIvbThreadMsgCb> {
public:
    explicit vbThreadMsg(const vbString& label);
    ~vbThreadMsg() override;

    using vbTThreadBase::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;

    // Posts to the running thread; throws when there is none to use.
    void PostMessage(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    CCriticalSection m_sect;
};
