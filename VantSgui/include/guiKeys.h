#pragma once

// The modifier-key context of a key binding or of the keyboard, and the two optional services a
// container reaches through its window tree: the keyboard manager and the tool tip.

#include "guiCallbacks.h"
#include "guiExport.h"

#include "vbArray.h"
#include "vbString.h"

#include "plat/afx.h"
#include "plat/afxtypes.h"
#include "plat/keyboard.h"
#include "plat/message.h"
#include "plat/types.h"

#include <unordered_map>
#include <vector>

class guiContainer;
class TControl;
class vbSectLock;

// One modifier key on one side.
enum guiKeyCtxFlag : uint32_t {
    guiKeyLShift = 1,
    guiKeyRShift = 2,
    guiKeyLCtrl = 4,
    guiKeyRCtrl = 8,
    guiKeyLAlt = 16,
    guiKeyRAlt = 32,
};

// How a modifier's left/right state is known: 0 not yet, 1 the system keeps it, 2 it is corrected
// from the key messages.
using guiKeyBugStatus = int32_t;

// A word of guiKeyCtxFlag bits. In a binding, both bits of a pair mean either side.
class GUIAPI guiKeyCtx {
public:
    guiKeyCtx() = default;
    guiKeyCtx(guiKeyCtxFlag f1) : m_val(f1) { }
    guiKeyCtx(guiKeyCtxFlag f1, guiKeyCtxFlag f2) : m_val(f1 | f2) { }
    guiKeyCtx(guiKeyCtxFlag f1, guiKeyCtxFlag f2, guiKeyCtxFlag f3) : m_val(f1 | f2 | f3) { }
    guiKeyCtx(guiKeyCtxFlag f1, guiKeyCtxFlag f2, guiKeyCtxFlag f3, guiKeyCtxFlag f4) : m_val(f1 | f2 | f3 | f4) { }

    guiKeyCtx& operator=(guiKeyCtxFlag f)
    {
        m_val = f;
        return *this;
    }
    bool operator==(const guiKeyCtx& other) const { return m_val == other.m_val; }
    bool operator!=(const guiKeyCtx& other) const { return m_val != other.m_val; }
    guiKeyCtx& operator+=(guiKeyCtxFlag f)
    {
        m_val |= f;
        return *this;
    }
    guiKeyCtx& operator-=(guiKeyCtxFlag f)
    {
        m_val &= ~static_cast<DWORD>(f);
        return *this;
    }
    // Any bit in common.
    bool operator&(guiKeyCtxFlag f) const { return (m_val & f) != 0; }
    DWORD GetVal() const { return m_val; }
    void SetVal(DWORD val) { m_val = val; }

    // Whether the keyboard's context `actual` satisfies this binding's context.
    bool IsKbCtxOk(const guiKeyCtx& actual) const;

    // The modifiers down now, from the system's key state of the side-specific keys.
    static guiKeyCtx Current();
    // A side-specific modifier key becomes its generic key with its side's bit added to ctx; false
    // for any other key, which stays as it is.
    static bool KeyEquiv(UINT& key, guiKeyCtx& ctx);
    // Keeps the side-specific entries of the keyboard state in step with the key messages of a
    // modifier where the system does not; always false.
    static bool CorrectKeyMsg(UINT msg, UINT vk, LPARAM lParam, LRESULT& result);

    static guiKeyBugStatus s_ShiftStatus;
    static guiKeyBugStatus s_CtrlStatus;
    static guiKeyBugStatus s_AltStatus;

private:
    DWORD m_val = 0;
};

// The keyboard manager of a window tree.
class GUIAPI sIguiKBmanager {
public:
    // Sees a message before the container routes it; true: handled, with result.
    virtual bool KBfilterMsg(guiContainer* container, TControl* control, UINT& msg, WPARAM& wParam, LPARAM& lParam,
        LRESULT& result);
    virtual guiKeyCtx GetCtx();
    virtual DWORD GetKeyState(int vk) const;
    virtual DWORD GetAppCtx() const;
    virtual void SetAppCtx(DWORD ctx);
    virtual void SetAppCtxBits(DWORD bits);
    virtual void UnsetAppCtxBits(DWORD bits);
    virtual bool HasAppCtxBits(DWORD bits) const;
    virtual bool ExecOp(const vbString& name, DWORD trigger);

protected:
    sIguiKBmanager() = default;
    sIguiKBmanager(const sIguiKBmanager&) = default;
    sIguiKBmanager& operator=(const sIguiKBmanager&) = default;
    ~sIguiKBmanager() = default;
};

// The window message number of a key record.
enum guiKmsg : uint32_t {
    guiKmsgKeyDown = 256,
    guiKmsgKeyUp = 257,
    guiKmsgChar = 258,
};

// One key binding: a virtual key (the generic key for modifiers) in a modifier context names an
// operation.
struct GUIAPI guiKeysCfgSt {
    DWORD key = 0;
    guiKeyCtx ctx;
    bool enabled = false;
    vbString opName;
};

// One operation. trigger: 0 the first key-down of a press, 1 every key-down, auto-repeat
// included, 2 the key-up. The parameter is only kept for the callback to read.
struct GUIAPI guiKeysOpSt {
    vbString name;
    guiKEYSOPCB cb;
    DWORD trigger = 0;
    DWORD param = 0;
    bool enabled = false;
};

// One buffered key; recordable is false for keys of a sequence.
struct GUIAPI guiKeyInfo {
    guiKmsg msg = guiKmsgKeyDown;
    UINT wParam = 0;
    LONG lParam = 0;
    guiKeyCtx ctx;
    bool recordable = false;
};

// A keyboard snapshot: the 256 key-state bytes (bit 7 down, bit 0 toggled), the application
// context and the modifier context.
class GUIAPI guiKeyState {
public:
    void ProcessKey(const guiKeyInfo& info) { processKey(info, false); }
    void ProcessKeyUp(const guiKeyInfo& info) { processKey(info, false); }
    void ProcessKeyDown(const guiKeyInfo& info) { processKey(info, true); }
    // WM_KEYDOWN counts as down and WM_KEYUP as up whatever `down` says.
    void processKey(const guiKeyInfo& info, bool down);
    guiKeyCtx GetCtx() { return m_ctx; }
    DWORD GetAppCtx() const { return m_appCtx; }
    BYTE GetKeyState(int vk) const { return m_keys[vk & 255]; }

private:
    friend class guiKBmanager;
    BYTE m_keys[256] = {};
    DWORD m_appCtx = 0;
    guiKeyCtx m_ctx;
};

// Keys kept in typing order, with the keyboard state of the moment recording started. An idle
// buffer takes no keys.
class GUIAPI guiKeyBuffer {
public:
    explicit guiKeyBuffer(const char* name);

    void Empty();
    void AddKey(guiKBmanager* manager, guiKmsg kmsg, UINT wParam, LONG lParam, const guiKeyCtx& ctx);
    // Without remove the next key after the read position; with remove the first key, taken
    // out. out may be null.
    bool GetKey(guiKeyInfo* out, bool remove);
    void GetStartKeyState(guiKeyState* out) const { *out = m_start; }
    void SetStartKeyState(const guiKeyState& state) { m_start = state; }

protected:
    friend class guiKBmanager;
    void seqAddKey(guiKBmanager* manager, guiKmsg kmsg, UINT wParam, LONG lParam, const guiKeyCtx& ctx);
    void seqPlayBegin() { m_seqPos = 1; }
    void seqPlayEnd() { m_seqPos = -1; }
    void startRec(guiKBmanager* manager);

private:
    void checkStarted(const char* operation) const;

    bool m_idle = true;
    guiKeyState m_start;
    vbArray<guiKeyInfo> m_keys;
    int32_t m_seqPos = -1;
    int32_t m_readPos = 0;
    vbString m_name;
};

// The host of a keyboard manager; it has the last word on every key no binding took.
class GUIAPI sIguiKeyCatcher {
public:
    // Delivers a key message to the application; lock may be null.
    virtual void SendKeyMessage(vbSectLock* lock, UINT msg, WPARAM wParam, LPARAM lParam);
    // true: consumed instead of recorded.
    virtual bool OnProcessRecKey(guiKmsg kmsg, UINT wParam, LONG lParam, const guiKeyCtx& ctx, DWORD& appCtx,
        bool fromReplay);
    // true: consumed instead of buffered.
    virtual bool OnProcessBufKey(guiKmsg kmsg, UINT wParam, LONG lParam, const guiKeyCtx& ctx, DWORD& appCtx,
        bool sequence);
    // A key no binding took; true: handled.
    virtual bool OnProcessKey(guiKmsg kmsg, UINT wParam, LONG lParam, const guiKeyCtx& ctx, DWORD& appCtx);
    // Buffering starts.
    virtual void OnKbLock(guiKBmanager* manager);
    // A replay of the buffered keys ended.
    virtual void OnPlayEnd(guiKBmanager* manager);
    // The count-th buffered key is about to be replayed.
    virtual void OnPlayKey(guiKBmanager* manager, LONG count);
    // Never called by the manager.
    virtual void OnReserved();
    virtual bool HasFocus(guiKBmanager* manager);

protected:
    sIguiKeyCatcher() = default;
    sIguiKeyCatcher(const sIguiKeyCatcher&) = default;
    sIguiKeyCatcher& operator=(const sIguiKeyCatcher&) = default;
    ~sIguiKeyCatcher() = default;
};

// The keyboard manager of a window tree: key bindings run operations, a thread keyboard hook
// diverts function keys and Ctrl/Alt combinations to the catcher, and keys typed under a
// keyboard lock are buffered and replayed when the last lock goes.
class GUIAPI guiKBmanager : public sIguiKBmanager {
public:
    explicit guiKBmanager(sIguiKeyCatcher* catcher);
    // A copy owns no hook, holds no lock and replays nothing.
    guiKBmanager(const guiKBmanager& other);
    guiKBmanager& operator=(const guiKBmanager& other);

    bool KBfilterMsg(guiContainer* container, TControl* control, UINT& msg, WPARAM& wParam, LPARAM& lParam,
        LRESULT& result) override;
    guiKeyCtx GetCtx() override;
    DWORD GetKeyState(int vk) const override;
    DWORD GetAppCtx() const override;
    void SetAppCtx(DWORD ctx) override;
    void SetAppCtxBits(DWORD bits) override;
    void UnsetAppCtxBits(DWORD bits) override;
    bool HasAppCtxBits(DWORD bits) const override;
    bool ExecOp(const vbString& name, DWORD trigger) override;
    virtual ~guiKBmanager();

    bool AddKey(const char* opName, DWORD key, const guiKeyCtx& ctx, bool enabled);
    // Note the order: the parameter before the trigger.
    bool AddOp(const char* name, const guiKEYSOPCB& cb, DWORD param, DWORD trigger, bool enabled);
    bool ExecKey(DWORD key, const guiKeyCtx& ctx, DWORD trigger);
    bool ExecKey(DWORD key, DWORD trigger);
    bool HasKey(DWORD key, const guiKeyCtx& ctx, DWORD trigger) const;
    bool HasKey(DWORD key, DWORD trigger) const;
    bool HasKey(DWORD key, const guiKeyCtx& ctx) const;
    bool HasKey(DWORD key) const;
    // '+' and '-' of the numeric pad, bound and down.
    bool HasChar(char c, const guiKeyCtx& ctx) const;
    bool HasChar(char c) const;
    bool HasFocus() const;
    // Navigation keys go to their window unchanged, neither translated nor dispatched: true.
    bool onPreTranslateMessage(MSG* msg);
    void onAppGotFocus() { KbHookCreate(); }
    void onAppLooseFocus() { }

    void KbHookCreate();
    void KbHookDestroy();
    void EmptyPlayBuffer();
    void GetKeyState(guiKeyState* out);

    static bool IsKbHookKey(DWORD vk, bool altDown, guiKeyCtx* ctx);
    static LRESULT KeyboardProc(int slot, int code, WPARAM wParam, LPARAM lParam);
    static void HookCbInit();

    static constexpr int kHookSlots = 50;

protected:
    friend class guiKBlock;
    friend class guiKBhookLock;

    struct HookSt {
        HHOOK hook;
        DWORD threadId;
        guiKBmanager* owner;
        HOOKPROC proc;
    };

    bool onProcessKey(guiKmsg kmsg, UINT wParam, LONG lParam, const guiKeyCtx& ctx, DWORD& appCtx);
    LONG KbHookLock() const;
    LONG KbHookUnlock() const;
    LONG KbLock() const;
    LONG KbUnlock() const;
    void sendHookKeyMessage(vbSectLock* lock, UINT wParam, LONG lParam);
    bool onProcessRecKey(guiKmsg kmsg, UINT wParam, LONG lParam, const guiKeyCtx& ctx, DWORD& appCtx, bool fromReplay);
    bool onProcessBufKey(guiKmsg kmsg, UINT wParam, LONG lParam, const guiKeyCtx& ctx, DWORD& appCtx, bool sequence);
    bool addRecKey(guiKmsg kmsg, UINT wParam, LONG lParam, const guiKeyCtx& ctx, DWORD& appCtx, bool fromReplay);
    bool addBufKey(guiKmsg kmsg, UINT wParam, LONG lParam, const guiKeyCtx& ctx, DWORD& appCtx, bool sequence);
    void playKbBuffer();
    void initHookKeyMsg();
    void initPlayBufMsgSet();
    void initPlaySeqMsgSet();
    guiKeyCtx getSeqCtx();
    DWORD getSeqAppCtx();

    static HookSt s_hook[kHookSlots];
    static LONG s_hookPtr;
    static CCriticalSection s_sect;

    vbArray<guiKeysCfgSt> m_keys;
    vbArray<guiKeysOpSt> m_ops;
    sIguiKeyCatcher* m_pCatcher;
    mutable LONG m_nHookLock = 0;
    UINT m_msgHookKey = 0;
    UINT m_msgPlayBufKeyDown = 0;
    UINT m_msgPlayBufKeyUp = 0;
    UINT m_msgPlayBufChar = 0;
    UINT m_msgPlaySeqKeyDown = 0;
    UINT m_msgPlaySeqKeyUp = 0;
    UINT m_msgPlaySeqChar = 0;
    guiKeyCtx m_liveCtx;
    DWORD m_appCtx = 0;
    guiKeyBuffer m_mainBuffer{"Main"};
    // Attached by a derived manager; null records nothing.
    guiKeyBuffer* m_pRecBuffer = nullptr;
    bool m_bReplayRecordable = false;
    guiKeyState* m_pReplay = nullptr;
    mutable LONG m_nKbLock = 0;
    bool m_bBuffering = false;
    bool m_bReplaying = false;
    int32_t m_hookSlot = -1;

private:
    // A binding's context with the operation of each dispatch trigger (1-based in m_ops, 0 for
    // none); the bindings of each key in table order.
    struct BindingEntry {
        guiKeyCtx ctx;
        int ops[3];
    };
    struct BindingIndex {
        std::vector<BindingEntry> entries;
        std::unordered_map<DWORD, std::vector<int>> byKey;
    };

    // 1-based in m_keys, 0 for none.
    int findBinding(DWORD key, const guiKeyCtx& ctx) const;
    guiKeysOpSt* findOp(int binding, DWORD trigger) const;
    bool execBinding(int binding, DWORD trigger);
    bool hasBinding(int binding, DWORD trigger) const;
    void tablesChanged() { ++m_tablesVersion; }
    const BindingIndex& bindingIndex() const;
    bool bindingDispatch(guiKmsg kmsg, UINT wParam, LONG lParam, const guiKeyCtx& ctx);
    bool filterPlayBack(UINT& msg, WPARAM wParam, LPARAM lParam);
    bool replayKeys(guiKeyState& state);
    void endReplay();
    void copyTables(const guiKBmanager& other);
    bool isSequenceMark() const;
    const guiKeyState* replayState() const;
    void checkNotSequence(const char* accessor) const;
    void registerSet(UINT* ids, const char* setName, const char* const* roles);
    static LRESULT forwardKey(int slot, int code, WPARAM wParam, LPARAM lParam);
    template <int Slot>
    static LRESULT CALLBACK KeyboardProcN(int code, WPARAM wParam, LPARAM lParam);

    // Every change of m_keys or m_ops counts here; the index is rebuilt for the count it missed.
    unsigned m_tablesVersion = 0;
    mutable unsigned m_indexVersion = ~0u;
    mutable BindingIndex m_index;
};

// Holds a keyboard lock on one manager while it lives: keys typed meanwhile are buffered and
// replayed when the last lock of the manager goes.
class GUIAPI guiKBlock {
public:
    guiKBlock() = default;
    explicit guiKBlock(const guiKBmanager* manager);
    guiKBlock(const guiKBlock&) = default;
    guiKBlock& operator=(const guiKBlock&) = default;
    ~guiKBlock();
    void Lock(const guiKBmanager* manager);
    // -1 when nothing is held, else the manager's new count.
    LONG Unlock();
    bool IsLocked() const { return m_pManager != nullptr; }

private:
    const guiKBmanager* m_pManager = nullptr;
};

// Holds a hook lock on one manager while it lives: its hook passes every key on.
class GUIAPI guiKBhookLock {
public:
    guiKBhookLock() = default;
    explicit guiKBhookLock(const guiKBmanager* manager);
    guiKBhookLock(const guiKBhookLock&) = default;
    guiKBhookLock& operator=(const guiKBhookLock&) = default;
    ~guiKBhookLock();
    void Lock(const guiKBmanager* manager);
    LONG Unlock();
    bool IsLocked() const { return m_pManager != nullptr; }

private:
    const guiKBmanager* m_pManager = nullptr;
};

// Sets a flag held elsewhere for its own lifetime; a flag already set cannot be set again.
class GUIAPI swObject {
public:
    swObject() = default;
    explicit swObject(bool* flag) { Set(flag); }
    swObject(const swObject&) = delete;
    swObject& operator=(const swObject&) = delete;
    ~swObject();
    void Set(bool* flag);

private:
    bool* m_pFlag = nullptr;
};

// The tool tip of a window tree.
class GUIAPI sIguiToolTip {
public:
    virtual bool SetCtrl(TControl* control, const CPoint& point);
    virtual void RemoveCtrl(TControl* control);
    virtual void ResetTip();
    virtual void HideTip();
    virtual void UpdateTip(TControl* control);
    virtual void ForeGroundTip();

protected:
    sIguiToolTip() = default;
    sIguiToolTip(const sIguiToolTip&) = default;
    sIguiToolTip& operator=(const sIguiToolTip&) = default;
    ~sIguiToolTip() = default;
};
