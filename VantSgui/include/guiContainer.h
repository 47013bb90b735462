#pragma once

// Containers: the controls living in one window (or inside one control that hosts others), and
// the first to see every message of their windows; the application state a window tree shares;
// the control template joining a window class to the control's behaviour; and the two window
// base classes of the library's own controls.

#include "guiControl.h"
#include "guiExport.h"

#include "vbApp.h"
#include "vbArray.h"

#include "plat/afxwin.h"
#include "plat/types.h"

extern GUIAPI const IID IID_guiApp;

// The state of one application window tree.
class GUIAPI guiApp : public vbApp {
public:
    guiApp(CWnd* parent, const char* id, const char* label);
    ~guiApp() override;

    using vbApp::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;
    // The parent window's handle; null without one.
    HWND GetDlgParentHwnd() override;

    TControl* GetCtrlMouseOn() const { return m_pMouseOn; }
    TControl* GetCtrlSelected() const { return m_pSelected; }
    TControl* GetCtrlCaretOn() const { return m_pCaretOn; }
    sIguiToolTip* GetToolTip() const { return m_pToolTip; }
    void SetEditState(sIguiEditState* state) { m_pEditState = state; }
    // Forgets the edit state when it is that one.
    void RemoveEditState(sIguiEditState* state);
    // The edit state's answer unless keyboardOnly, else the Insert key's toggle.
    bool IsInsertMode(bool keyboardOnly);

    // Tracks the control under the mouse (point in its client coordinates): the control being
    // left releases its capture and hears of it, the new one hears and takes the capture; then the
    // tool tip follows.
    void MouseOnCtrl(TControl* control, const CPoint& point);
    void SelOnCtrl(TControl* control);
    void CaretOnCtrl(TControl* control);
    void CaretUpdate();
    void CaretLoosed(TControl* control);
    // Forgets the control wherever it is remembered.
    void CtrlDestroyed(TControl* control);
    void ToolTipDestroyed(sIguiToolTip* tip);

private:
    TControl* m_pMouseOn = nullptr;
    TControl* m_pSelected = nullptr;
    sIguiToolTip* m_pToolTip = nullptr;
    TControl* m_pCaretOn = nullptr;
    sIguiEditState* m_pEditState = nullptr;
    CWnd* m_pParent;
    // The control MouseOnCtrl is letting go of, while it does.
    TControl* m_pLeaving = nullptr;
};

// Whether the active (focus) window is hwnd or one of its ancestors.
GUIAPI bool guiIsAppActive(HWND hwnd);
GUIAPI bool guiIsAppFocused(HWND hwnd);
// The messages during which a control holds the application's dialog-display lock.
GUIAPI bool guiIsMBoxToLock(UINT msg);

// Holds the application's dialog-display lock for a scope; nothing without an application.
class GUIAPI guiDispLock {
public:
    explicit guiDispLock(guiApp* app);
    ~guiDispLock();
    guiDispLock(const guiDispLock&) = delete;
    guiDispLock& operator=(const guiDispLock&) = delete;

private:
    guiApp* m_app;
};

// Makes the application the calling thread's exception context for a scope, then puts the
// previous one back.
class GUIAPI guiExceptionScope {
public:
    explicit guiExceptionScope(guiApp* app);
    ~guiExceptionScope();
    guiExceptionScope(const guiExceptionScope&) = delete;
    guiExceptionScope& operator=(const guiExceptionScope&) = delete;

private:
    sIvbExceptionCtx* m_previous;
};

class GUIAPI guiContainer {
public:
    // The container of a window.
    guiContainer(guiApp* app, CWnd* wnd, sIguiKBmanager* kb, sIguiFilterMsg* filter);
    // The container of a control's children.
    guiContainer(TControl* owner, sIguiKBmanager* kb, sIguiFilterMsg* filter);
    guiContainer(const guiContainer& other);
    guiContainer& operator=(const guiContainer& other);
    // Destroys the windows of the controls still attached; errors are shown.
    virtual ~guiContainer();

    // The list, 1-based; the container does not own the controls.
    void AddCtrl(TControl* control);
    void RemoveCtrl(TControl* control);
    // Destroys the controls' windows from the last (a windowless control is detached);
    // "guiContainer::ClearCtrls() : internal error" when a pass makes no progress.
    void ClearCtrls();
    int FindControl(HWND hwnd) const;
    int FindControl(const TControl* control) const;
    TControl* GetControl(int index) const;
    int GetLength() const;

    CWnd* GetContWnd() const;
    TControl* GetContCtrl() const { return m_pOwner; }
    guiContainer* GetParentContainer() const;
    // Climbing through parent containers; none with must: "guiContainer::GetApp() : no application
    // defined".
    guiApp* GetApp(bool must) const;

    // Own, else the first set on a parent container.
    sIguiFilterMsg* GetFilterMsg() const;
    sIguiKBmanager* GetKBmanager() const;
    sIguiToolTip* GetToolTip() const;
    void SetFilterMsg(sIguiFilterMsg* filter) { m_pFilter = filter; }
    void SetKBmanager(sIguiKBmanager* kb) { m_pKBmanager = kb; }
    void SetToolTip(sIguiToolTip* tip);
    void HideToolTip();
    void ForeGroundToolTip();
    void UpdateToolTip(TControl* control);

    void SetMouseCursor(const guiCursor* cursor, bool update);
    const guiCursor* GetMouseCursor() const { return m_pCursor; }
    void SetDrawMode(bool on) { m_bDrawMode = on; }
    bool IsDrawMode() const { return m_bDrawMode; }

    // Forwards to the application.
    TControl* GetSelected() const;
    bool IsInsertMode(bool keyboardOnly) const;
    void SetEditState(sIguiEditState* state);
    void RemoveEditState(sIguiEditState* state);
    void CaretLoosed(TControl* control);
    void CtrlDestroyed(TControl* control);
    void MouseOnCtrl(TControl* control, const CPoint& point);
    void SelOnCtrl(TControl* control);
    void CaretOnCtrl(TControl* control);
    void ToolTipDestroyed(sIguiToolTip* tip);

    // Before the window's own handling (window level) or the control's (control level); true:
    // handled, the window procedure answers result.
    bool DispatchMsg(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result);
    bool DispatchMsg(TControl* control, UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result);

    // Prints each visible control at its place in info's context.
    void PrintChildren(guiDrawInfo* info, CDC& dc, bool erase);
    // The control's place, scaled, into the child context.
    virtual void GetPrintInfo(TControl* control, const guiDrawInfo* parent, guiDrawInfo* child, CDC* dc);
    virtual bool IsAppActive();
    virtual bool IsAppFocused();

    guiKeyCtx GetKeyCtx() const;
    DWORD GetKeyState(int vk) const;
    // The keyboard manager's application context; without one "guiContainer::<op>() : no KB
    // manager".
    DWORD GetAppCtx() const;
    void SetAppCtx(DWORD ctx);
    void SetAppCtxBits(DWORD bits);
    void UnsetAppCtxBits(DWORD bits);
    bool HasAppCtxBits(DWORD bits) const;

private:
    bool filter(TControl* control, UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result);
    bool dispatchMouse(TControl* control, UINT msg, LPARAM lParam, LRESULT& result);
    bool dispatchKey(TControl* control, UINT msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result);
    bool dispatchCtlColor(WPARAM wParam, LPARAM lParam, LRESULT& result);
    void hitTest(TControl* control, LPARAM lParam);
    bool setCursor(TControl* control, WPARAM wParam, LPARAM& lParam, LRESULT& result);
    sIguiKBmanager* kbManager(const char* operation) const;

    guiApp* m_pApp;
    CWnd* m_pWnd;
    TControl* m_pOwner;
    sIguiFilterMsg* m_pFilter;
    sIguiKBmanager* m_pKBmanager;
    const guiCursor* m_pCursor = nullptr;
    vbArray<TControl*> m_ctrls;
    bool m_bDrawMode = false;
    sIguiToolTip* m_pToolTip = nullptr;
};

// A child window of the class its control chooses (in PreCreateWindow).
class GUIAPI guiCtrl : public CWnd {
public:
    guiCtrl() = default;
    ~guiCtrl() override;

    virtual BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

protected:
    BOOL Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id) override;
};

// A top-level tool window on top of the others, with neither parent nor owner whatever parent is
// given; a child style asked for becomes a pop-up.
class GUIAPI guiCtrlPopUp : public CWnd {
public:
    guiCtrlPopUp() = default;
    ~guiCtrlPopUp() override;

    virtual BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

protected:
    BOOL Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id) override;
};

// A control on the window class T (guiCtrl, guiCtrlPopUp or a built-in control's class).
template <class T>
class TControlTemplate : public T, public TControlBase {
public:
    TControlTemplate() : TControlBase(static_cast<CWnd&>(*this)) { }
    ~TControlTemplate() override = default;

    // Attaches to the container and creates the window in the container's window;
    // "TControlTemplate::Create() : failure", and detached again, when that fails.
    void Create(guiContainer* container, const RECT& rect, bool visible, bool enabled)
    {
        create(container, rect, visible, enabled);
    }
    using T::Create;

    // By default the window class prints itself.
    void ClientPrint(guiDrawInfo*, CDC* dc) override
    {
        T::WindowProc(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc->GetSafeHdc()), PRF_CLIENT);
    }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        return controlWindowProc(msg, wParam, lParam);
    }
    LRESULT classWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        return T::WindowProc(msg, wParam, lParam);
    }
    BOOL classCreate(DWORD style, const RECT& rect, CWnd* parent) override
    {
        return T::Create(style, rect, parent, 0);
    }
};

extern template class GUIAPI TControlTemplate<guiCtrl>;
extern template class GUIAPI TControlTemplate<guiCtrlPopUp>;
