#pragma once

// Engines: the long-lived, named services of a process. Every engine links itself into one
// engine centre (g_vbEngineCenter), which starts them in dependency order once the application
// declares that it uses the centre, and stops them, dependents first, when the last user lets go.
// The centre also owns the main memory heap behind _vbAlloc, _vbReAlloc and _vbFree, and a copy of
// the operating-system version.
//
// The centre's critical section is re-entrant and guards every engine field and the list; it is
// held while onStart, onStop and onCanStop run. A refused stop is retried: between tries the lock
// is released while pending messages are pumped (or the thread sleeps 100 ms), and after 50
// refusals the stop is forced or ends with a time-out error (HRESULT 0x800005B4).

#include "vbArray.h"
#include "vbBaseItf.h"
#include "vbExport.h"
#include "vbHeap.h"
#include "vbString.h"

#include "plat/afx.h"
#include "plat/types.h"

#include <cstdint>

class vbEngine;
class vbEngineCenter;
class vbLock;
class vbSectLock;

extern VBAPI const IID IID_vbEngine;

enum vbEngineStartMode : int32_t {
    // Started by the centre's Start, and as a dependency.
    vbEngineStartAuto = 0,
    // Started only by its own Start; reaching it as a dependency is an error.
    vbEngineStartExplicit = 1,
    // Started as a dependency of another engine, or by its first Lock.
    vbEngineStartOnDemand = 2,
    // Never started; Destroy puts an engine into this mode.
    vbEngineStartDisabled = 3,
};

// The engines that must run before an engine, at most 16.
typedef vbSArray<vbEngine*, 16> vbEngineDeps;

// Time-out of a stop wait.
constexpr HRESULT vbHR_ENGINE_TIMEOUT = static_cast<HRESULT>(0x800005B4u);

// The recursion guard of one start or stop walk: the engine being started or stopped at each
// level, so that a dependency cycle is reported instead of followed for ever.
class VBAPI vbEngineStartStopStack {
public:
    explicit vbEngineStartStopStack(bool bStart) : m_bStart(bStart) { }
    vbEngineStartStopStack(const vbEngineStartStopStack&) = default;
    vbEngineStartStopStack& operator=(const vbEngineStartStopStack&) = default;
    ~vbEngineStartStopStack() = default;

    // Throws when the engine already stands at a lower level (a cycle).
    void SetLevel(vbEngine* engine, int level);
    // Writes the stack up to level to the release log.
    void DumpStack(int level) const;

private:
    bool m_bStart;
    vbArray<vbEngine*> m_engines;
};

class VBAPI vbEngine : public vbBase, public sIvbLock {
public:
    // A null centre means g_vbEngineCenter. label is stored, not copied: it must outlive the
    // engine (pass a string constant).
    vbEngine(vbEngineCenter* pCenter, vbEngineStartMode mode, const char* label, const vbEngineDeps& deps);
    vbEngine(vbEngineStartMode mode, const char* label, const vbEngineDeps& deps);
    // Unlinks the engine; it does not stop it (subclass destructors call Destroy first).
    ~vbEngine() override;
    vbEngine(const vbEngine&) = delete;
    vbEngine& operator=(const vbEngine&) = delete;

    bool GetInterface(const GUID& iid, const void** ppv) const override;
    bool GetInterface(const GUID& iid, void** ppv) override;

    // Disables the engine and stops it (forcing when it keeps refusing); never throws.
    virtual void Destroy();

    // Counts a user of the running engine; a stopped on-demand engine is started first.
    void Lock() const override;
    void Unlock() const override;

    bool IsReady() const;
    void CheckReady() const;
    // Started, and the centre in use.
    bool isNowStarted() const;
    // As isNowStarted, under the centre's lock; when true, pLock (not null) locks the engine.
    bool IsNowStarted(vbLock* pLock) const;
    // Started or on demand; when true and pLock is given, pLock locks the engine.
    bool IsStarted(vbLock* pLock = nullptr) const;

    void SetStartMode(vbEngineStartMode mode);
    vbEngineStartMode GetStartMode() const;
    vbString GetLabel() const { return vbString(m_label); }
    const char* GetLabelPtr() const { return m_label; }
    vbEngineCenter* GetCenter() const { return m_pCenter; }

    bool CanStop() const;
    // Whether engine is among this engine's dependencies.
    bool IsUsed(const vbEngine* engine) const;

    void Start();
    // Retries until the engine stops; throws the time-out error when it never does.
    void Stop();
    // One try; whether the engine stopped.
    bool TryStop();

protected:
    // What the engine does to start and to stop (true when it has stopped); called with the
    // centre's lock held.
    virtual void onStart();
    virtual bool onStop(bool bForce);
    virtual bool onCanStop() const;

    void centerLink();
    void centerUnlink();
    // The centre's lock, for subclasses whose own state it guards (a service's users).
    CCriticalSection* centerLock() const;

    void start(vbEngineStartStopStack* stack, int level);
    bool stop(vbEngineStartStopStack* stack, int level, bool& bForce);

private:
    friend class vbEngineCenter;

    // Stop's and Destroy's wait: tries until the engine stops, forcing after 50 refusals when
    // bAlwaysForce or nobody uses the centre, else (and after 50 forced refusals) throwing
    // "vbEngine(" label + timeoutText.
    void retryStop(vbSectLock& lock, bool bAlwaysForce, const char* timeoutText);

    vbEngine* m_pNext = nullptr;
    vbEngine* m_pPrev = nullptr;
    vbEngineCenter* m_pCenter = nullptr;
    bool m_bStarted = false;
    bool m_bStopped = true;
    bool m_bLinked = false;
    mutable int m_cLock = 0;
    const vbEngine* m_self = nullptr;
    vbEngineStartMode m_mode = vbEngineStartDisabled;
    vbEngineDeps m_deps;
    const char* m_label = "";
};

class VBAPI vbEngineCenter : public vbBase {
public:
    vbEngineCenter();
    // Reports engines still linked and a use count left over to the release log.
    ~vbEngineCenter() override;
    vbEngineCenter(const vbEngineCenter&) = delete;
    vbEngineCenter& operator=(const vbEngineCenter&) = delete;

    bool IsReady() const { return m_self == this; }
    void CheckReady() const;
    bool isInUse() const { return m_cUse > 0; }
    int GetUseCount() const { return m_cUse; }

    // Starts every automatic engine not yet started (each after its dependencies); requires the
    // use lock.
    void Start();
    // Stops every engine, dependents first.
    void Stop();

    // The first engine numbered pos or later (numbered from 1, newest first) that answers piid
    // (when given) and, when pOnlyStarted is not null, is now started; pos is set past it.
    vbEngine* GetEngine(int& pos, const GUID* piid = nullptr, vbLock* pOnlyStarted = nullptr) const;

    const OSVERSIONINFOA& GetOsInfo() const;
    bool IsNTos() const { return GetOsInfo().dwPlatformId == VER_PLATFORM_WIN32_NT; }
    bool Is95os() const { return GetOsInfo().dwPlatformId == VER_PLATFORM_WIN32_WINDOWS; }
    DWORD GetOSver() const { return GetOsInfo().dwMajorVersion; }
    DWORD GetOSminorVer() const { return GetOsInfo().dwMinorVersion; }
    vbString GetOSlabel() const;

    // The main heap "Vant main memory heap"; it lives exactly as long as the centre.
    vbSegHeap& GetMainHeap() { return m_heap; }

protected:
    void useLock(bool bStart, vbSectLock* pCallerLock);
    void useUnlock(vbSectLock* pCallerLock);

private:
    friend class vbEngine;
    friend class vbUseEngineCenter;
    friend class vbMTuseEngineCenter;
    friend class vbMsgEngine;

    // Stops the engines walk after walk until none is left; see the .cpp.
    void stopAll(bool bUseUnlock, vbSectLock& lock, vbSectLock* pCallerLock);

    mutable CCriticalSection m_lock;
    vbSegHeap m_heap;
    const vbEngineCenter* m_self = nullptr;
    vbEngine* m_pFirst = nullptr;
    int m_cUse = 0;
    mutable OSVERSIONINFOA m_os = {};
    mutable bool m_bOsRead = false;
    bool m_bAllStarted = false;
};

// The process's engine centre: the first static object of the base library, and the last to go.
extern VBAPI vbEngineCenter g_vbEngineCenter;

inline CCriticalSection* vbEngine::centerLock() const { return &m_pCenter->m_lock; }

// Holds at most one centre, use-locked.
class VBAPI vbUseEngineCenter : public vbBase {
public:
    vbUseEngineCenter() = default;
    explicit vbUseEngineCenter(vbEngineCenter* p, bool bStart = true) { StartUse(p, bStart); }
    ~vbUseEngineCenter() override;
    vbUseEngineCenter(const vbUseEngineCenter&) = delete;
    vbUseEngineCenter& operator=(const vbUseEngineCenter&) = delete;

    void StartUse(bool bStart) { StartUse(&g_vbEngineCenter, bStart); }
    void StartUse(vbEngineCenter* p, bool bStart);
    void StopUse();

private:
    vbEngineCenter* m_pCenter = nullptr;
};

// The same for several threads, serialised on its own section.
class VBAPI vbMTuseEngineCenter : public vbBase {
public:
    vbMTuseEngineCenter() = default;
    ~vbMTuseEngineCenter() override;
    vbMTuseEngineCenter(const vbMTuseEngineCenter&) = delete;
    vbMTuseEngineCenter& operator=(const vbMTuseEngineCenter&) = delete;

    void StartUse(bool bStart) { StartUse(&g_vbEngineCenter, bStart); }
    void StartUse(vbEngineCenter* p, bool bStart);
    // False (and nothing released) when the next stop was to be ignored.
    bool StopUse();
    void IgnoreStopUse(bool bIgnore);

private:
    CCriticalSection m_lock;
    vbEngineCenter* m_pCenter = nullptr;
    bool m_bIgnoreNextStop = false;
};

VBAPI bool vbIsNTos();
VBAPI bool vbIs95os();
VBAPI DWORD vbGetOSver();
VBAPI DWORD vbGetOSminorVer();
VBAPI vbString vbGetOSlabel();

// printf-style into a 512-byte buffer: at most 511 characters, always terminated.
VBAPI vbString vbStringFormat(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
