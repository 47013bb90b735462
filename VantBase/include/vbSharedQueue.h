#pragma once

// Shared queues: one queue record per process in a shared heap, chained from the heap's main-block
// word. A record holds up to 16 messages (id, two 32-bit values, an optional data block of the
// same heap, of which each slot holds one use reference). Posting writes into the records of the
// chosen processes and wakes each owner through its named event "<base>.VantrelQ<pid>"; the
// owner takes the messages out of its own record. Records of processes that died or stopped
// reading for 20 minutes are removed by CleanQlist. Every walk of the chain is bounded and logs
// what it finds damaged instead of throwing.
//
// Record layout (little-endian): 0x000 16 slots of 16 bytes {id, val1, val2, data handle}, 0x100
// count, 0x104 owner pid (0: dead or unlinked), 0x108 last access (automation date, UTC), 0x110
// previous handle, 0x114 next handle, 0x118 the zero-terminated name (first byte 0xFF once
// unlinked).

#include "vbDate.h"
#include "vbExpr.h"
#include "vbSharedMem.h"
#include "vbSync.h"

#include <vector>

extern VBAPI const IID IID_vbSharedQueue;
// The file id of a queue heap, at offset 0 of its mapping.
extern VBAPI const GUID GUID_vbSharedQueueFile;

class VBAPI vbSharedQueue : public vbSharedHeap {
public:
    static constexpr int kSlots = 16;
    static constexpr ULONG kRecordMin = 0x120;
    static constexpr int kMaxChain = 2000;
    // Target values of Post: the own record only, and every record the own included.
    static inline const char* const kSelf = reinterpret_cast<const char*>(1);
    static inline const char* const kAll = reinterpret_cast<const char*>(2);

    vbSharedQueue(uint64_t cByteMax, const char* name, bool bCreate, ULONG cByteLoaded, ULONG cByteSector,
        ULONG cBytePage);
    vbSharedQueue(const vbSecurityAttr& sa, uint64_t cByteMax, const char* name, bool bCreate, ULONG cByteLoaded,
        ULONG cByteSector, ULONG cBytePage);

    bool GetInterface(const GUID& iid, const void** ppv) const override;
    bool GetInterface(const GUID& iid, void** ppv) override;

    void Create() override;
    void Destroy() override;
    const GUID& GetFileID() const override;
    bool Alloc(vbSharedMemPtr* out, ULONG cByte, bool bThrow) override;
    bool EndMemLocks() override;

    virtual void SetQueueName(const char* name);
    vbString GetQueueName() const;

    // The number of queues that received the message. target: null (all others), kSelf, kAll,
    // "\xA7" + expression (the own included) or an expression over "name" and "processid".
    virtual int Post(const char* target, ULONG id, ULONG val1, ULONG val2);
    virtual int Post(const char* target, ULONG id, vbSharedMem* data, ULONG val1, ULONG val2);
    // Copies len bytes into a new block; the rest of the block is zeroed.
    virtual int Post(const char* target, ULONG id, const void* p, int len, ULONG val1, ULONG val2);
    virtual bool Peek(ULONG* id, vbSharedMemPtr* data, ULONG* val1, ULONG* val2, bool bRemove);
    virtual bool Wait(bool* pbTimeOut, bool* pbAbandoned);
    virtual bool Get(ULONG* id, vbSharedMemPtr* data, ULONG* val1, ULONG* val2);
    virtual void Close();
    virtual void CancelClose();
    virtual bool CleanQlist();
    bool IsClosed() const;
    // Sets the own wake-up event, so that a waiting reader looks again.
    void Wake();

    void SetTimeOut(ULONG ms);
    ULONG GetTimeOut() const;
    ULONG GetProcessId() const { return m_pid; }
    // The own record's handle, 0 before Create.
    vbSharedHandle GetQueueHandle();

    // The heap's findings, then those of the chain of records.
    int Check();

protected:
    ~vbSharedQueue() override;

    friend class vbSharedQueueEnum;

    void init();
    void onBeforeDestruction(bool bExplicit) override;
    // Empties a record's slots (mapped at rec); with bUnlink takes it out of the chain (name byte
    // 0xFF, pid 0).
    void deleteQ(uint8_t* rec, bool bLog, bool bUnlink);
    void deleteMsg(uint8_t* slot);
    bool post(vbSharedMem* record, ULONG id, vbSharedMem* data, ULONG val1, ULONG val2, ULONG* pFullPid);
    int post(std::vector<ULONG>& pids, ULONG id, vbSharedMem* data, ULONG val1, ULONG val2,
        std::vector<ULONG>* pStillFull);

private:
    // Wakes the owner of pid; false when its event had to be made (the owner is gone).
    bool wake(ULONG pid);
    // The record of a handle, loaded without throwing; null when it does not load.
    bool loadRecord(vbSharedHandle h, vbSharedMemPtr* out);
    void logError(const char* op, const char* text) const;
    vbString eventName(ULONG pid) const;
    // Makes and links a new own record (under the lock).
    void makeRecord(double now);
    // Unlinks and drops the own record.
    void dropRecord();
    // Peek's answer to an own record that another process's clean-up took out of the chain.
    void relinkIfCleaned(double now);
    // One walk of Check; answers the findings, *pEndedOnFinding whether it stopped at one.
    int checkWalk(bool bListing, bool* pEndedOnFinding);

    ULONG m_pid = 0;
    vbSharedMemPtr m_record;
    bool m_bClosed = true;
    vbString m_qName;
    vbEvent m_event;
    vbSecurityAttr m_qsa;
    bool m_bAllocCleaned = false;
};

typedef vbRefPtr<vbSharedQueue, &IID_vbSharedQueue> vbSharedQueuePtr;

// Walks the chain of records under the heap's lock, held from the first step until Stop.
// Keys: "name" (bit 1) and "processid" (bit 2, the pid in decimal).
class VBAPI vbSharedQueueEnum : public vbExpr {
public:
    vbSharedQueueEnum();
    ~vbSharedQueueEnum() override;

    void Start(vbSharedQueue* queue, bool bExcludeSelf);
    void Stop();

    vbSharedMem* getQptr();
    int GetQindex() const { return m_index; }
    vbString GetQname();
    ULONG GetQprocess();
    vbDate GetQlastAccess();

    bool onGetNext() override;
    bool onKeysOk(const Cond* c, ULONG flags) const override;
    bool onFlagSet(bool bFirst, const vbString& keyword, int sign, ULONG* pFlags) const override;

private:
    const uint8_t* current(const char* op, vbMemLock& lock);

    vbSharedQueue* m_pQueue = nullptr;
    vbSharedQueuePtr m_hold;
    bool m_bLocked = false;
    vbSharedMemPtr m_current;
    ULONG m_excluded = 0;
    int m_index = 0;
};
