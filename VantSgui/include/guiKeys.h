#pragma once

// The modifier-key context of a key binding or of the keyboard, and the two optional services a
// container reaches through its window tree: the keyboard manager and the tool tip.

#include "guiExport.h"

#include "vbString.h"

#include "plat/afxtypes.h"
#include "plat/types.h"

class guiContainer;
class TControl;

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
