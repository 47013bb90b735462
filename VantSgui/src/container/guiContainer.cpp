#include "guiContainer.h"

#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbMsg.h"

#include "plat/cursor.h"
#include "plat/focus.h"
#include "plat/keyboard.h"
#include "plat/message.h"
#include "plat/mouse.h"
#include "plat/window.h"

#include <cstdint>

guiContainer::guiContainer(guiApp* app, CWnd* wnd, sIguiKBmanager* kb, sIguiFilterMsg* filter)
    : m_pApp(app), m_pWnd(wnd), m_pOwner(nullptr), m_pFilter(filter), m_pKBmanager(kb)
{
}

guiContainer::guiContainer(TControl* owner, sIguiKBmanager* kb, sIguiFilterMsg* filter)
    : m_pApp(nullptr), m_pWnd(nullptr), m_pOwner(owner), m_pFilter(filter), m_pKBmanager(kb)
{
}

guiContainer::guiContainer(const guiContainer& other)
    : m_pApp(other.m_pApp), m_pWnd(other.m_pWnd), m_pOwner(other.m_pOwner), m_pFilter(other.m_pFilter),
      m_pKBmanager(other.m_pKBmanager), m_pCursor(other.m_pCursor), m_bDrawMode(other.m_bDrawMode),
      m_pToolTip(other.m_pToolTip)
{
    m_ctrls = other.m_ctrls;
}

guiContainer& guiContainer::operator=(const guiContainer& other)
{
    if (this == &other)
        return *this;
    m_pApp = other.m_pApp;
    m_pWnd = other.m_pWnd;
    m_pOwner = other.m_pOwner;
    m_pFilter = other.m_pFilter;
    m_pKBmanager = other.m_pKBmanager;
    m_pCursor = other.m_pCursor;
    m_ctrls = other.m_ctrls;
    m_bDrawMode = other.m_bDrawMode;
    m_pToolTip = other.m_pToolTip;
    return *this;
}

guiContainer::~guiContainer()
{
    try {
        ClearCtrls();
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
    }
}

// ---------------------------------------------------------------------------------------------
// The list.

void guiContainer::AddCtrl(TControl* control)
{
    if (!FindControl(control))
        m_ctrls.Add(control);
}

void guiContainer::RemoveCtrl(TControl* control)
{
    const int index = FindControl(control);
    if (!index)
        return;
    m_ctrls.Delete(index);
    if (sIguiToolTip* tip = GetToolTip())
        tip->RemoveCtrl(control);
}

void guiContainer::ClearCtrls()
{
    int previous = -1;
    while (const int length = GetLength()) {
        if (length == previous)
            throw new vbEsys(E_FAIL, "guiContainer::ClearCtrls() : internal error");
        previous = length;
        TControl* last = m_ctrls[length];
        if (last->tcGetHwnd())
            last->tcDestroy();
        else
            last->tcSetContainer(nullptr);
    }
}

int guiContainer::FindControl(HWND hwnd) const
{
    for (int i = 1; i <= GetLength(); ++i)
        if (m_ctrls[i]->tcGetHwnd() == hwnd)
            return i;
    return 0;
}

int guiContainer::FindControl(const TControl* control) const
{
    for (int i = 1; i <= GetLength(); ++i)
        if (m_ctrls[i] == control)
            return i;
    return 0;
}

TControl* guiContainer::GetControl(int index) const { return m_ctrls[index]; }

int guiContainer::GetLength() const { return m_ctrls.GetLength(); }

// ---------------------------------------------------------------------------------------------
// Climbing look-ups.

CWnd* guiContainer::GetContWnd() const
{
    if (m_pWnd)
        return m_pWnd;
    return m_pOwner ? m_pOwner->tcGetWnd() : nullptr;
}

guiContainer* guiContainer::GetParentContainer() const { return m_pOwner ? m_pOwner->tcGetContainer() : nullptr; }

guiApp* guiContainer::GetApp(bool must) const
{
    for (const guiContainer* c = this; c; c = c->GetParentContainer())
        if (c->m_pApp)
            return c->m_pApp;
    if (must)
        throw new vbEsys(E_FAIL, "guiContainer::GetApp() : no application defined");
    return nullptr;
}

sIguiFilterMsg* guiContainer::GetFilterMsg() const
{
    for (const guiContainer* c = this; c; c = c->GetParentContainer())
        if (c->m_pFilter)
            return c->m_pFilter;
    return nullptr;
}

sIguiKBmanager* guiContainer::GetKBmanager() const
{
    for (const guiContainer* c = this; c; c = c->GetParentContainer())
        if (c->m_pKBmanager)
            return c->m_pKBmanager;
    return nullptr;
}

sIguiToolTip* guiContainer::GetToolTip() const
{
    for (const guiContainer* c = this; c; c = c->GetParentContainer())
        if (c->m_pToolTip)
            return c->m_pToolTip;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Tool tip and cursor.

void guiContainer::SetToolTip(sIguiToolTip* tip)
{
    if (tip == m_pToolTip)
        return;
    if (sIguiToolTip* old = m_pToolTip) {
        old->ResetTip();
        guiApp* app = GetApp(false);
        if (app && app->GetToolTip() == old)
            app->ToolTipDestroyed(old);
    }
    m_pToolTip = tip;
}

void guiContainer::HideToolTip()
{
    sIguiToolTip* tip = GetToolTip();
    if (tip)
        tip->HideTip();
    guiApp* app = GetApp(false);
    if (app && app->GetToolTip() && app->GetToolTip() != tip)
        app->GetToolTip()->HideTip();
}

void guiContainer::ForeGroundToolTip()
{
    if (sIguiToolTip* tip = GetToolTip()) {
        tip->ForeGroundTip();
        return;
    }
    guiApp* app = GetApp(false);
    if (app && app->GetToolTip())
        app->GetToolTip()->ForeGroundTip();
}

void guiContainer::UpdateToolTip(TControl* control)
{
    sIguiToolTip* tip = GetToolTip();
    if (tip)
        tip->UpdateTip(control);
    guiApp* app = GetApp(false);
    if (app && app->GetToolTip() && app->GetToolTip() != tip)
        app->GetToolTip()->UpdateTip(control);
}

void guiContainer::SetMouseCursor(const guiCursor* cursor, bool update)
{
    m_pCursor = cursor;
    CWnd* wnd = GetContWnd();
    if (update && wnd && wnd->GetSafeHwnd())
        vbPostMessage(wnd->GetSafeHwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd->GetSafeHwnd()), 0);
}

// ---------------------------------------------------------------------------------------------
// Application forwards.

TControl* guiContainer::GetSelected() const { return GetApp(true)->GetCtrlSelected(); }
bool guiContainer::IsInsertMode(bool keyboardOnly) const { return GetApp(true)->IsInsertMode(keyboardOnly); }
void guiContainer::SetEditState(sIguiEditState* state) { GetApp(true)->SetEditState(state); }
void guiContainer::RemoveEditState(sIguiEditState* state) { GetApp(true)->RemoveEditState(state); }
void guiContainer::CaretLoosed(TControl* control) { GetApp(true)->CaretLoosed(control); }
void guiContainer::MouseOnCtrl(TControl* control, const CPoint& point) { GetApp(true)->MouseOnCtrl(control, point); }
void guiContainer::SelOnCtrl(TControl* control) { GetApp(true)->SelOnCtrl(control); }
void guiContainer::CaretOnCtrl(TControl* control) { GetApp(true)->CaretOnCtrl(control); }

// A control leaving a container without an application has nothing to be forgotten by.
void guiContainer::CtrlDestroyed(TControl* control)
{
    if (control == m_pOwner) {
        m_pOwner = nullptr;
        m_pWnd = nullptr;
    }
    if (guiApp* app = GetApp(false))
        app->CtrlDestroyed(control);
}

void guiContainer::ToolTipDestroyed(sIguiToolTip* tip)
{
    if (tip == m_pToolTip)
        m_pToolTip = nullptr;
    if (guiApp* app = GetApp(false))
        app->ToolTipDestroyed(tip);
}

bool guiContainer::IsAppActive()
{
    if (m_pOwner && m_pOwner->tcIsAppActive())
        return true;
    CWnd* wnd = GetContWnd();
    return wnd && guiIsAppActive(wnd->GetSafeHwnd());
}

bool guiContainer::IsAppFocused()
{
    if (m_pOwner && m_pOwner->tcIsAppFocused())
        return true;
    CWnd* wnd = GetContWnd();
    return wnd && guiIsAppFocused(wnd->GetSafeHwnd());
}

guiKeyCtx guiContainer::GetKeyCtx() const
{
    sIguiKBmanager* kb = GetKBmanager();
    return kb ? kb->GetCtx() : guiKeyCtx::Current();
}

DWORD guiContainer::GetKeyState(int vk) const
{
    if (sIguiKBmanager* kb = GetKBmanager())
        return kb->GetKeyState(vk);
    return static_cast<DWORD>(static_cast<int32_t>(::GetKeyState(vk)));
}

sIguiKBmanager* guiContainer::kbManager(const char* operation) const
{
    sIguiKBmanager* kb = GetKBmanager();
    if (!kb)
        throw new vbEsys(true, E_FAIL, "guiContainer::%s() : no KB manager", operation);
    return kb;
}

DWORD guiContainer::GetAppCtx() const { return kbManager("GetAppCtx")->GetAppCtx(); }
void guiContainer::SetAppCtx(DWORD ctx) { kbManager("SetAppCtx")->SetAppCtx(ctx); }
void guiContainer::SetAppCtxBits(DWORD bits) { kbManager("SetAppCtxBits")->SetAppCtxBits(bits); }
void guiContainer::UnsetAppCtxBits(DWORD bits) { kbManager("UnsetAppCtxBits")->UnsetAppCtxBits(bits); }
bool guiContainer::HasAppCtxBits(DWORD bits) const { return kbManager("HasAppCtxBits")->HasAppCtxBits(bits); }

// ---------------------------------------------------------------------------------------------
// Dispatch.

bool guiContainer::filter(TControl* control, UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result)
{
    if (sIguiKBmanager* kb = GetKBmanager(); kb && kb->KBfilterMsg(this, control, msg, wParam, lParam, result))
        return true;
    sIguiFilterMsg* f = GetFilterMsg();
    return f && f->FilterMsg(this, control, msg, wParam, lParam, result);
}

bool guiContainer::DispatchMsg(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result)
{
    if (filter(nullptr, msg, wParam, lParam, result))
        return true;
    switch (msg) {
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        const int index = header ? FindControl(header->hwndFrom) : 0;
        return index && GetControl(index)->tcOnNotify(header, result);
    }
    case WM_COMMAND: {
        const int index = FindControl(reinterpret_cast<HWND>(lParam));
        return index && GetControl(index)->tcOnCommand(static_cast<UINT>(wParam), result);
    }
    case WM_SIZE:
    case WM_MOVE:
        // The controls move away from under a tip that stays where it was shown.
        HideToolTip();
        return false;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        return dispatchCtlColor(wParam, lParam, result);
    case WM_MOUSEMOVE:
        if (!m_pOwner)
            if (guiApp* app = GetApp(false))
                app->MouseOnCtrl(nullptr, CPoint(0, 0));
        return false;
    default:
        return false;
    }
}

bool guiContainer::dispatchCtlColor(WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    const int index = FindControl(reinterpret_cast<HWND>(lParam));
    if (!index)
        return false;
    TControl* control = GetControl(index);
    if (control->tcHasDefaultColors())
        return false;
    auto& back = const_cast<vbColor&>(control->tcGetBackColor());
    const vbColor& text = control->tcGetTextColor();
    result = back.IsNull() ? 0 : reinterpret_cast<LRESULT>(static_cast<HBRUSH>(back.GetBrush()));
    const HDC dc = reinterpret_cast<HDC>(wParam);
    if (!back.IsNull())
        SetBkColor(dc, static_cast<DWORD>(back));
    if (!text.IsNull())
        SetTextColor(dc, static_cast<DWORD>(text));
    return true;
}

bool guiContainer::DispatchMsg(TControl* control, UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result)
{
    if (filter(control, msg, wParam, lParam, result))
        return true;
    switch (msg) {
    case WM_MOUSEMOVE:
        if (guiApp* app = GetApp(false))
            app->MouseOnCtrl(control, CPoint(lParam));
        return dispatchMouse(control, msg, lParam, result);
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        HideToolTip();
        return dispatchMouse(control, msg, lParam, result);
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
        return dispatchMouse(control, msg, lParam, result);
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        return dispatchKey(control, msg, wParam, lParam, result);
    case WM_SETFOCUS:
        HideToolTip();
        if (control->tcGetFocusCB().Call(control, reinterpret_cast<HWND>(wParam))) {
            result = 0;
            return true;
        }
        return false;
    case WM_KILLFOCUS:
    case WM_CAPTURECHANGED:
        if (guiApp* app = GetApp(false); app && app->GetCtrlMouseOn() == control)
            app->MouseOnCtrl(nullptr, CPoint(0, 0));
        return false;
    case WM_DESTROY:
        try {
            HideToolTip();
            control->tcOnDestroy();
            control->tcSetContainer(nullptr);
        } catch (CException* e) {
            vbTraceException(e, true, __FILE__, __LINE__);
        }
        return false;
    case WM_NCHITTEST:
        hitTest(control, lParam);
        return false;
    case WM_SETCURSOR:
        return setCursor(control, wParam, lParam, result);
    default:
        return false;
    }
}

bool guiContainer::dispatchMouse(TControl* control, UINT msg, LPARAM lParam, LRESULT& result)
{
    guiMOUSECB* cb = nullptr;
    switch (msg) {
    case WM_MOUSEMOVE:
        cb = &control->tcGetMouseMoveCB();
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        cb = &control->tcGetMouseDownCB();
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        cb = &control->tcGetMouseUpCB();
        break;
    default:
        cb = &control->tcGetMouseDblClkCB();
        break;
    }
    if (!cb->Call(control, msg, CPoint(lParam)))
        return false;
    result = 0;
    return true;
}

bool guiContainer::dispatchKey(TControl* control, UINT msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result)
{
    if (msg == WM_KEYDOWN)
        HideToolTip();
    guiKEYCB& cb = msg == WM_KEYDOWN ? control->tcGetKeyDownCB()
        : msg == WM_KEYUP            ? control->tcGetKeyUpCB()
                                     : control->tcGetCharCB();
    UINT key = static_cast<UINT>(wParam);
    UINT repeat = LOWORD(lParam);
    UINT flags = HIWORD(lParam);
    const bool handled = cb.Call(control, key, repeat, flags);
    wParam = key;
    lParam = static_cast<LPARAM>((static_cast<DWORD>(flags & 0xFFFF) << 16) | (repeat & 0xFFFF));
    if (!handled)
        return false;
    result = 0;
    return true;
}

void guiContainer::hitTest(TControl* control, LPARAM lParam)
{
    if (!m_bDrawMode || !control->tcIsLayoutMovable())
        return;
    if (!control->tcIsLayoutSizable()) {
        control->tcSetHitCode(HTCLIENT);
        return;
    }
    CRect r;
    control->tcGetRect(r, true);
    // Signed: screens left of or above the first one have negative coordinates.
    const CPoint pt(lParam);
    const int margin = 5;
    const int row = pt.y < r.top + margin ? 0 : pt.y <= r.bottom - margin ? 1 : 2;
    static const int codes[3][3] = {
        {HTTOPLEFT, HTLEFT, HTBOTTOMLEFT},
        {HTTOP, HTCLIENT, HTBOTTOM},
        {HTTOPRIGHT, HTRIGHT, HTBOTTOMRIGHT},
    };
    const int column = pt.x < r.left + margin ? 0 : pt.x > r.right - margin ? 2 : 1;
    control->tcSetHitCode(codes[column][row]);
}

bool guiContainer::setCursor(TControl* control, WPARAM wParam, LPARAM& lParam, LRESULT& result)
{
    if (reinterpret_cast<HWND>(wParam) != control->tcGetHwnd())
        return false;
    result = 1;
    const guiCursor* cursor = nullptr;
    if (m_bDrawMode && control->tcIsLayoutMovable()) {
        const int hit = control->tcGetHitCode();
        control->tcSetCursorHitCode(hit);
        if (hit != HTCLIENT) {
            // The default processing shows the sizing cursor of the code.
            lParam = static_cast<LPARAM>((static_cast<DWORD>(lParam) & 0xFFFF0000u) | (static_cast<DWORD>(hit) & 0xFFFF));
            return false;
        }
        cursor = &guiCursor_Move;
    } else {
        control->tcSetCursorHitCode(-2);
    }
    if (!cursor)
        cursor = m_pCursor ? m_pCursor : control->tcGetMouseCursor();
    if (!cursor)
        cursor = &guiCursor_Arrow;
    SetCursor(static_cast<HICON>(*cursor));
    return true;
}

// ---------------------------------------------------------------------------------------------
// Printing.

void guiContainer::PrintChildren(guiDrawInfo* info, CDC& dc, bool erase)
{
    guiDrawInfo child(info);
    for (int i = 1; i <= GetLength(); ++i) {
        TControl* control = GetControl(i);
        if (!(control->tcGetStyle() & WS_VISIBLE))
            continue;
        child.Init();
        control->tcGetPrintInfo(info, &child, &dc);
        child.m_x += info->m_x;
        child.m_y += info->m_y;
        control->tcPrint(&child, &dc, erase);
    }
}

void guiContainer::GetPrintInfo(TControl* control, const guiDrawInfo*, guiDrawInfo* child, CDC*)
{
    CRect r;
    control->tcGetRect(r, false);
    // A zero denominator would be no scale at all: taken as 1.
    auto scale = [](LONG v, int32_t num, int32_t den) {
        return static_cast<LONG>(static_cast<int64_t>(v) * num / (den ? den : 1));
    };
    const LONG left = scale(r.left, child->m_viewExtX, child->m_winExtX);
    const LONG top = scale(r.top, child->m_viewExtY, child->m_winExtY);
    child->m_x = left;
    child->m_y = top;
    child->m_bOrigin = true;
    child->m_cx = scale(r.right, child->m_viewExtX, child->m_winExtX) - left;
    child->m_cy = scale(r.bottom, child->m_viewExtY, child->m_winExtY) - top;
    child->m_bSize = true;
    child->m_bScaled = true;
}

// ---------------------------------------------------------------------------------------------

namespace {

bool isSelfOrAncestor(HWND target, HWND hwnd)
{
    if (!target)
        return false;
    for (HWND h = hwnd; h; h = GetParent(h))
        if (h == target)
            return true;
    return false;
}

} // namespace

bool guiIsAppActive(HWND hwnd) { return isSelfOrAncestor(GetActiveWindow(), hwnd); }

bool guiIsAppFocused(HWND hwnd) { return isSelfOrAncestor(GetFocus(), hwnd); }

bool guiIsMBoxToLock(UINT msg) { return msg == WM_PAINT || msg == WM_PRINTCLIENT || msg == WM_SIZE; }

guiDispLock::guiDispLock(guiApp* app) : m_app(app)
{
    if (m_app)
        m_app->dlgDispLock();
}

guiDispLock::~guiDispLock()
{
    if (m_app)
        m_app->dlgDispUnlock();
}

guiExceptionScope::guiExceptionScope(guiApp* app) : m_previous(g_vbExceptionEngine.SetContext(app)) { }

guiExceptionScope::~guiExceptionScope()
{
    try {
        g_vbExceptionEngine.SetContext(m_previous);
    } catch (CException* e) {
        vbTraceException(e, true, __FILE__, __LINE__);
    }
}
