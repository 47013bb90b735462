#pragma once

// The inter-process message engine: this process's queue in the shared heap of all processes,
// posting to the queues of others (or its own), and one engine thread that takes the arriving
// messages and hands each to the callbacks registered for its number, newest first. The same
// thread runs the engine's timers at a 200 ms grain. Callbacks and timer passes run with the
// engine lock held; a callback may unregister (or destroy) any callback, the walk in progress
// stepping over what was removed.

#include "vbEngine.h"
#include "vbMemberCb.h"
#include "vbMsg.h"
#include "vbSharedQueue.h"

#include <atomic>
#include <memory>
#include <vector>

class vbVantCb;
class vbVantMsgCb;
class vbVantDataCb;
class vbVantTimerCb;

typedef vbMemberCb<void, vbVantMsgCb&, DWORD, DWORD> vbVANTMSGCB;
typedef vbMemberCb<void, vbVantDataCb&, vbSharedMem*, DWORD, DWORD> vbVANTDATACB;
typedef vbMemberCb<void, vbVantTimerCb&> vbVANTTIMERCB;

extern VBAPI const IID IID_vbVantMsgEngine;

class VBAPI vbVantMsgEngine : public vbEngine {
public:
    static constexpr DWORD kTimerGrain = 200;
    static constexpr DWORD kIdleWait = 180000;

    struct MsgCb {
        DWORD id;
        bool bData;
        vbVantCb* head;
    };
    struct TimerCb {
        DWORD period;
        int index;
        DWORD due;
        vbVantTimerCb* head;
        bool running;
    };

    // queueName names the shared heap that holds the queues of all processes.
    vbVantMsgEngine(const char* label, const char* queueName, const vbEngineDeps& deps);
    ~vbVantMsgEngine() override;

    using vbEngine::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;

    // The number of queues reached; -1 after a failure (traced).
    int Post(const char* target, const vbExtraMsg& msg, DWORD val1, DWORD val2);
    int Post(const char* target, const vbExtraDataMsg& msg, vbSharedMem* block, DWORD val1, DWORD val2);
    int Post(const char* target, const vbExtraDataMsg& msg, const void* data, int len, DWORD val1, DWORD val2);
    bool Alloc(vbSharedMemPtr* out, DWORD cByte, bool bThrow);
    bool Load(vbSharedMemPtr* out, const vbSharedHandle& h, DWORD cByte, bool bThrow);

    // The name of this process's own queue (the program's name when empty).
    void SetQueueName(const char* name);
    vbString GetQueueName() const;

    // Delivers to the callbacks of number; false when it has none.
    bool Call(DWORD number, vbSharedMem* block, DWORD val1, DWORD val2);

    void Add(vbVantCb* cb);
    void Remove(vbVantCb* cb);
    void Add(vbVantTimerCb* cb);
    void Remove(vbVantTimerCb* cb);

    // The running queue (null while stopped) and the wait of the engine thread's next turn.
    vbSharedQueuePtr GetQueue() const;
    DWORD GetWaitTimeOut() const;

protected:
    void onStart() override;
    bool onStop(bool bForce) override;

    void TimerDo();
    void TimerUpdate();
    // The 1-based index of the timer entry for an elapse, made when none has its period.
    int createTimerCb(DWORD elapseMs);

private:
    class Thread;
    friend class Thread;

    MsgCb* findMsgCb(DWORD id, size_t* pInsertAt);
    void runLoop();
    void startTimer(TimerCb& e);

    mutable CCriticalSection m_lock;
    std::vector<MsgCb> m_msgs;
    std::vector<TimerCb> m_timers;
    unsigned m_change = 0;
    unsigned m_changeSeen = 0;
    bool m_bTimersActive = false;
    bool m_bRunning = false;
    // A stop was refused while the engine was busy; the engine thread tells the waiting stop once
    // it has nothing more to do.
    std::atomic<bool> m_bStopRefused{false};
    // A delivery or timer walk in progress: its next step, moved on by Remove, and the callback
    // it is calling (outside the engine lock) on its thread.
    template <class T>
    struct Walk {
        T* next;
        T* current;
        DWORD thread;
    };
    template <class T, class F>
    void callUnlocked(vbSectLock& lock, Walk<T>& walk, F&& call);
    // A callback is being called on a thread other than the caller's (under the engine lock).
    bool callsElsewhere() const;
    template <class T>
    void waitForCall(vbSectLock& lock, const std::vector<Walk<T>*>& walks, const T* cb);
    std::vector<Walk<vbVantCb>*> m_msgWalks;
    std::vector<Walk<vbVantTimerCb>*> m_timerWalks;
    const char* m_heapName;
    vbString m_qName;
    // Guards m_queue alone: the stop reaches the queue while a callback may hold the engine lock.
    mutable CCriticalSection m_qLock;
    vbSharedQueuePtr m_queue;
    std::unique_ptr<Thread> m_thread;
};

extern VBAPI vbVantMsgEngine g_vbVantMsgEngine;

// A callback of one message number; registered under the number of its message.
class VBAPI vbVantCb {
public:
    explicit vbVantCb(bool bRegister = false);
    vbVantCb(const vbVantCb&) = default;
    vbVantCb& operator=(const vbVantCb&) = default;
    // Unregisters; a failure is traced.
    virtual ~vbVantCb();

    virtual DWORD GetMsgId() const;
    virtual bool IsDataMsg() const;
    virtual void Call(vbSharedMem* block, DWORD val1, DWORD val2);

    void Create();
    void Destroy();
    // The number it is registered under, 0 when not registered.
    DWORD GetRegisteredId() const { return m_msgId; }

private:
    friend class vbVantMsgEngine;
    DWORD m_msgId = 0;
    vbVantCb* m_pPrev = nullptr;
    vbVantCb* m_pNext = nullptr;
};

class VBAPI vbVantMsgCb : public vbVantCb {
public:
    vbVantMsgCb(const vbExtraMsg* msg, const vbVANTMSGCB& record, bool bRegister);
    ~vbVantMsgCb() override;

    DWORD GetMsgId() const override;
    bool IsDataMsg() const override { return false; }
    // A block is refused: value messages travel without data.
    void Call(vbSharedMem* block, DWORD val1, DWORD val2) override;

    int Post(const char* target, DWORD val1, DWORD val2) const;

private:
    const vbExtraMsg* m_pMsg;
    vbVANTMSGCB m_record;
};

class VBAPI vbVantDataCb : public vbVantCb {
public:
    // minLength <= 0: the data is optional and at least -minLength bytes when present; above 0 it
    // is required.
    vbVantDataCb(int minLength, const vbExtraDataMsg* msg, const vbVANTDATACB& record, bool bRegister);
    ~vbVantDataCb() override;

    DWORD GetMsgId() const override;
    bool IsDataMsg() const override { return true; }
    void Call(vbSharedMem* block, DWORD val1, DWORD val2) override;
    virtual bool IsDataOptional() const { return m_bOptional; }
    virtual int GetDataLengthMin() const { return m_minLength; }
    // Always refused: a data message is no window message.
    virtual void Call(WPARAM wParam, LPARAM lParam);

    int Post(const char* target, const void* data, int len, DWORD val1, DWORD val2) const;
    int Post(const char* target, vbSharedMem* block, DWORD val1, DWORD val2) const;

private:
    const vbExtraDataMsg* m_pMsg;
    int m_minLength;
    bool m_bOptional;
    vbVANTDATACB m_record;
};

// A periodic callback on the engine thread: elapse raised to a multiple of 200 ms, timers of
// one period sharing one entry; re-armed when its callbacks have run.
class VBAPI vbVantTimerCb {
public:
    vbVantTimerCb(DWORD elapseMs, const vbVANTTIMERCB& record, bool bRegister);
    vbVantTimerCb(const vbVantTimerCb&) = default;
    vbVantTimerCb& operator=(const vbVantTimerCb&) = default;
    virtual ~vbVantTimerCb();

    virtual DWORD GetTimerElapse() const { return m_elapse; }
    virtual void Call();

    void Create();
    void Destroy();
    int GetTimerIndex() const { return m_index; }

private:
    friend class vbVantMsgEngine;
    int m_index = 0;
    DWORD m_elapse;
    vbVantTimerCb* m_pPrev = nullptr;
    vbVantTimerCb* m_pNext = nullptr;
    vbVANTTIMERCB m_record;
};
