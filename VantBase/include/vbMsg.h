#pragma once

// Window messages between threads and windows: posting with bounded retries, the pump of one
// pending message that every waiting loop uses, and the message numbers. Private numbers
// (0x8000-0xBFFF) are handed out by g_vbMsgEngine to vbMsg objects, the lowest free number first;
// system-wide numbers come from RegisterWindowMessageA under the label of a vbExtraMsg or
// vbExtraDataMsg. Every message object is an on-demand engine: it takes its number when it
// starts (on first use) and gives it back when it stops.

#include "vbArray.h"
#include "vbEngine.h"
#include "vbExport.h"

#include "plat/afx.h"
#include "plat/message.h"
#include "plat/types.h"

class CWnd;
class vbMsg;

extern VBAPI const IID IID_vbMsgEngine;
extern VBAPI const IID IID_vbMsg;
extern VBAPI const IID IID_vbExtraMsg;
extern VBAPI const IID IID_vbExtraDataMsg;

// PostMessageA; a failed post to another thread's window is retried (vbPostExternalMessage), one
// to a null window or to a window of the calling thread throws at once.
VBAPI void vbPostMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
VBAPI void vbPostMessage(CWnd* pWnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Up to 50 posts 100 ms apart; throws when the window goes away or every post failed.
VBAPI void vbPostExternalMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
VBAPI void vbPostExternalMessage(CWnd* pWnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Up to 50 posts 100 ms apart, then vbEsys.
VBAPI void vbPostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
// The same; a thread that has ended (or whose state cannot be read) is left silently.
VBAPI void vbPostThreadMessage(HANDLE hThread, DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);

// Removes and dispatches the next message of the calling thread: true when one was handled.
// WM_QUIT is put back for the loop that owns the thread (with its exit code), sets *quit and
// answers false. An exception of the dispatch is shown and counts as handled.
VBAPI bool vbDoOneEvent(bool* quit = nullptr);
// The same for the next WM_COMMAND only, without translation.
VBAPI bool vbDoCmdEvent();
// TranslateMessage, then DispatchMessageA.
VBAPI void vbDispatchMsg(const MSG& msg);

// The intra-application message centre: slot i of its table stands for message 0x7FFF + i.
class VBAPI vbMsgEngine : public vbEngine {
public:
    static constexpr int kMaxMessages = 0xBFFF - 0x7FFF;

    vbMsgEngine(const char* label, const vbEngineDeps& deps);
    ~vbMsgEngine() override;

    using vbEngine::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;

    // The lowest free slot for msg; throws "too many messages" past 0xBFFF.
    int Add(vbMsg* msg);
    // Empties slot index while the engine runs.
    void Remove(int index);

protected:
    void onStart() override { }
    bool onStop(bool bForce) override;

private:
    vbArray<vbMsg*> m_table;
};

extern VBAPI vbMsgEngine g_vbMsgEngine;

// A private message: its number is 0x7FFF + the slot it holds while started.
class VBAPI vbMsg : public vbEngine {
public:
    // Depends on g_vbMsgEngine first, then on deps.
    vbMsg(const char* label, const vbEngineDeps& deps = vbEngineDeps());
    ~vbMsg() override;

    using vbEngine::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;

    // The number, read under the engine's use lock: the first use starts the message.
    operator DWORD() const;
    // The number as it is now (0x7FFF while not started).
    DWORD GetMsg() const;

protected:
    void onStart() override;
    bool onStop(bool bForce) override;

private:
    mutable CCriticalSection m_sect;
    int m_index = 0;
};

// A message numbered system-wide by RegisterWindowMessageA under its label.
class VBAPI vbExtraMsg : public vbEngine {
public:
    vbExtraMsg(const char* name, const vbEngineDeps& deps = vbEngineDeps());
    ~vbExtraMsg() override;

    using vbEngine::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;

    // The registered number, read under the engine's use lock: the first use registers it.
    operator DWORD() const;

protected:
    // kind names the class in messages ("vbExtraMsg" or "vbExtraDataMsg").
    vbExtraMsg(const char* kind, const char* name, const vbEngineDeps& deps);
    void onStart() override;
    bool onStop(bool bForce) override;

private:
    const char* m_kind;
    UINT m_id = 0;
};

// A registered message that carries a shared-memory data block between processes.
class VBAPI vbExtraDataMsg : public vbExtraMsg {
public:
    vbExtraDataMsg(const char* name, const vbEngineDeps& deps = vbEngineDeps());
    ~vbExtraDataMsg() override;

    using vbEngine::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;
};
