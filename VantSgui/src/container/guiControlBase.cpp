#include "guiContainer.h"

#include "vbException.h"
#include "vbExceptionEngine.h"
#include "vbExceptionReport.h"
#include "vbMsg.h"

#include "plat/focus.h"
#include "plat/geometry.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/paint.h"
#include "plat/window.h"

#include <cstdlib>
#include <string>

namespace {

// Equal values, or two colours that look the same.
bool sameColor(const vbColor& a, const vbColor& b)
{
    return a == b || (!a.IsNull() && !b.IsNull() && static_cast<DWORD>(a) == static_cast<DWORD>(b));
}

} // namespace

TControlBase::TControlBase(CWnd& wnd)
    : m_wnd(wnd), m_backSurface(this, 0x8000000F, vbNULLCOLOR, vbNULLCOLOR, false), m_textColor(0x80000012),
      m_font(this), m_paintShare(&wnd)
{
}

TControlBase::~TControlBase()
{
    try {
        tcSetContainer(nullptr);
    } catch (CException* e) {
        vbTraceException(e, true, __FILE__, __LINE__);
    }
}

// ---------------------------------------------------------------------------------------------
// The window procedure.

LRESULT TControlBase::controlWindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return guardedWindowProc(msg, wParam, lParam, false, __FILE__, __LINE__);
}

LRESULT TControlBase::wrapperWindowProc(UINT msg, WPARAM wParam, LPARAM lParam, const char* source, int line)
{
    return guardedWindowProc(msg, wParam, lParam, true, source, line);
}

LRESULT TControlBase::guardedWindowProc(
    UINT msg, WPARAM wParam, LPARAM lParam, bool wrapped, const char* source, int line)
{
    try {
        guiApp* app = GetApp(false);
        guiDispLock lock(guiIsMBoxToLock(msg) ? app : nullptr);
        guiExceptionScope context(app);
        try {
            return dispatch(msg, wParam, lParam, wrapped);
        } catch (...) {
            // Shown while the application's context is the thread's.
            guiShowCaught(source, line);
        }
    } catch (...) {
        guiShowCaught(source, line);
    }
    return 0;
}

LRESULT TControlBase::dispatch(UINT msg, WPARAM wParam, LPARAM lParam, bool wrapped)
{
    LRESULT result = -1;
    if (guiContainer* hosted = wrapped ? nullptr : tcGetHostedContainer())
        if (hosted->DispatchMsg(msg, wParam, lParam, result))
            return result;
    if (wrapped && wrapperOwnStep(msg, wParam, lParam, result))
        return result;
    if (m_pContainer && m_pContainer->DispatchMsg(this, msg, wParam, lParam, result))
        return result;
    if (onWindowProc(msg, wParam, lParam, result))
        return result;
    if (wrapped) {
        if (wrapperStep(msg, wParam, lParam, result))
            return result;
    } else if (msg == WM_PRINTCLIENT) {
        CDC* dc = CDC::FromHandle(reinterpret_cast<HDC>(wParam));
        if (!dc)
            throw new vbEsys(E_FAIL, "guiBox::WM_PRINTCLIENT failure");
        guiDrawInfo info(1);
        ClientPrint(&info, dc);
        return 0;
    }
    return classWindowProc(msg, wParam, lParam);
}

void TControlBase::create(guiContainer* container, const RECT& rect, bool visible, bool enabled)
{
    DWORD style = static_cast<DWORD>(tcGetCreationStyle()) | WS_CHILD;
    if (visible)
        style |= WS_VISIBLE;
    if (!enabled)
        style |= WS_DISABLED;
    tcSetContainer(container);
    try {
        if (!classCreate(style, rect, container ? container->GetContWnd() : nullptr))
            throw new vbEsys(E_FAIL, "TControlTemplate::Create() : failure");
    } catch (...) {
        tcSetContainer(nullptr);
        throw;
    }
}

int TControlBase::tcGetCreationStyle() { return 0; }

// The deriving class's own: reached here only while it is being destroyed.
void TControlBase::ClientPrint(guiDrawInfo*, CDC*) { guiPurecall(); }
LRESULT TControlBase::classWindowProc(UINT, WPARAM, LPARAM) { guiPurecall(); }
BOOL TControlBase::classCreate(DWORD, const RECT&, CWnd*) { guiPurecall(); }

bool TControlBase::onWindowProc(UINT&, WPARAM&, LPARAM&, LRESULT&) { return false; }
bool TControlBase::wrapperStep(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
bool TControlBase::wrapperOwnStep(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

void TControlBase::layoutPreCreate(CREATESTRUCTA& cs)
{
    if (m_pLayoutHelper)
        m_pLayoutHelper->PreCreateLayout(this, cs);
}

guiContainer* TControlBase::tcGetHostedContainer() { return nullptr; }

void TControlBase::onResized()
{
    if (m_resizeCB.IsEmpty())
        return;
    CRect inner;
    if (guiDrawFrame(nullptr, &m_wnd, nullptr, &inner, m_appearStyle, m_borderStyle, m_frameWidth))
        m_resizeCB.Call(inner);
}

void TControlBase::onFontChanged(guiFont* font)
{
    if (m_wnd.GetSafeHwnd())
        vbPostMessage(m_wnd.GetSafeHwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(*font)), TRUE);
}

void TControlBase::onSurfaceChanged(guiSurface*)
{
    if (m_wnd.GetSafeHwnd())
        m_wnd.Invalidate(TRUE);
}

// ---------------------------------------------------------------------------------------------
// Identity, window, capture, focus and cursor.

void TControlBase::LockPaint() { m_paintShare.LockPaint(); }
void TControlBase::UnlockPaint() { m_paintShare.UnlockPaint(); }
HWND TControlBase::tcGetHwnd() { return m_wnd.GetSafeHwnd(); }
CWnd* TControlBase::tcGetWnd() { return &m_wnd; }
bool TControlBase::tcOnCommand(UINT, LRESULT&) { return false; }
bool TControlBase::tcOnNotify(NMHDR*, LRESULT&) { return false; }
void TControlBase::tcDestroy() { m_wnd.DestroyWindow(); }
void TControlBase::tcOnDestroy() { }
CWnd* TControlBase::tcSetCapture() { return m_wnd.SetCapture(); }
// Only the capture this control holds: it lets go when told that it lost the capture, and the
// window that took it (a menu opened from the keyboard) must keep it.
void TControlBase::tcReleaseCapture()
{
    if (GetCapture() == m_wnd.GetSafeHwnd())
        ReleaseCapture();
}
void TControlBase::tcRestoreFocus() { m_wnd.SetFocus(); }
void TControlBase::tcOnSelLoosed(TControl*) { tcSelClear(); }
void TControlBase::tcOnCaretLoosed(TControl*) { }
void TControlBase::tcOnCaretUpdated() { }

void TControlBase::tcSetMouseCursor(const guiCursor* cursor, bool update)
{
    m_pMouseCursor = cursor;
    if (update)
        tcUpdateMouseCursor();
}

const guiCursor* TControlBase::tcGetMouseCursor()
{
    if (m_pMouseCursor)
        return m_pMouseCursor;
    return m_cursor.IsValid() ? &m_cursor : nullptr;
}

void TControlBase::tcUpdateMouseCursor()
{
    const HWND hwnd = m_wnd.GetSafeHwnd();
    vbPostMessage(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), 0);
}

void TControlBase::tcOnMouseOver() { }
void TControlBase::tcOnMouseOut() { }
void TControlBase::tcClear() { }

void TControlBase::tcSetToolTip(const vbString& text, bool update)
{
    m_toolTip = text;
    if (update && m_pContainer)
        m_pContainer->UpdateToolTip(this);
}

// ---------------------------------------------------------------------------------------------
// Text, value and selection.

void TControlBase::tcSetCaption(const vbString& text) { m_wnd.SetWindowText(text.c_str()); }

vbString TControlBase::tcGetCaption()
{
    const int length = m_wnd.GetWindowTextLength();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    m_wnd.GetWindowText(text.data(), length + 1);
    return vbString(text.c_str());
}

void TControlBase::tcSetText(const vbString& text) { tcSetCaption(text); }
vbString TControlBase::tcGetText() { return tcGetCaption(); }
int TControlBase::tcGetValue() { return static_cast<int>(std::strtol(tcGetText().c_str(), nullptr, 10)); }
void TControlBase::tcSetValue(int value) { tcSetText(vbString(std::to_string(value).c_str())); }
void TControlBase::tcSetMaxLength(int) { }
int TControlBase::tcGetMaxLength() { return 0; }
void TControlBase::tcSetSelStart(int) { }
void TControlBase::tcSetSelLength(int) { }
int TControlBase::tcGetSelStart() { return -1; }
int TControlBase::tcGetSelLength() { return 0; }
void TControlBase::tcSelClear() { }
vbString TControlBase::tcGetSelText() { return vbString(); }
void TControlBase::tcSetSelText(const vbString&) { }
void TControlBase::tcSelAll() { }

// ---------------------------------------------------------------------------------------------
// Position and size.

void TControlBase::tcSetWidth(double width)
{
    CRect r;
    tcGetRect(r, false);
    m_wnd.SetWindowPos(nullptr, r.left, r.top, static_cast<int>(width), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

double TControlBase::tcGetWidth()
{
    CRect r;
    return tcGetRect(r, true).Width();
}

void TControlBase::tcSetHeight(double height)
{
    CRect r;
    tcGetRect(r, false);
    m_wnd.SetWindowPos(nullptr, r.left, r.top, r.Width(), static_cast<int>(height), SWP_NOZORDER | SWP_NOACTIVATE);
}

double TControlBase::tcGetHeight()
{
    CRect r;
    return tcGetRect(r, true).Height();
}

void TControlBase::tcSetTop(double top)
{
    CRect r;
    tcGetRect(r, false);
    m_wnd.SetWindowPos(nullptr, r.left, static_cast<int>(top), 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
}

double TControlBase::tcGetTop()
{
    CRect r;
    return tcGetRect(r, false).top;
}

void TControlBase::tcSetLeft(double left)
{
    CRect r;
    tcGetRect(r, false);
    m_wnd.SetWindowPos(nullptr, static_cast<int>(left), r.top, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
}

double TControlBase::tcGetLeft()
{
    CRect r;
    return tcGetRect(r, false).left;
}

void TControlBase::tcSetWindowPos(int x, int y, int cx, int cy, UINT flags)
{
    m_wnd.SetWindowPos(nullptr, x, y, cx, cy, flags | SWP_NOZORDER);
}

CRect& TControlBase::tcGetRect(CRect& rect, bool screen)
{
    m_wnd.GetWindowRect(&rect);
    if (screen)
        return rect;
    CWnd* parent = m_wnd.GetParent();
    if (!parent) {
        rect = CRect();
        return rect;
    }
    parent->ScreenToClient(&rect);
    return rect;
}

void TControlBase::tcSpare1(DWORD) { }

// ---------------------------------------------------------------------------------------------
// Visibility, state, colours and frame.

bool TControlBase::tcSpare2() { return false; }
void TControlBase::tcSetVisible(bool visible) { m_wnd.ShowWindow(visible ? SW_SHOW : SW_HIDE); }
bool TControlBase::tcGetVisible() { return m_wnd.GetSafeHwnd() && m_wnd.IsWindowVisible(); }
void TControlBase::tcSetEnabled(bool enabled) { m_wnd.EnableWindow(enabled ? TRUE : FALSE); }
bool TControlBase::tcGetEnabled() { return m_wnd.IsWindowEnabled() != FALSE; }

void TControlBase::tcBringToTop()
{
    m_wnd.SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (m_pContainer) {
        m_pContainer->RemoveCtrl(this);
        m_pContainer->AddCtrl(this);
    }
}

void TControlBase::tcSetBackColor(const vbColor& color)
{
    if (tcGetBackColor() == color)
        return;
    m_bDefaultColors = false;
    m_backSurface.SetColor(color, true);
}

void TControlBase::tcSetBackColor(DWORD color) { tcSetBackColor(vbColor(color)); }

const vbColor& TControlBase::tcGetBackColor() { return m_backSurface.GetColor(); }

void TControlBase::tcSetTextColor(const vbColor& color)
{
    if (m_textColor == color)
        return;
    m_bDefaultColors = false;
    m_textColor = color;
    if (m_wnd.GetSafeHwnd())
        m_wnd.Invalidate(TRUE);
}

void TControlBase::tcSetTextColor(DWORD color) { tcSetTextColor(vbColor(color)); }

void TControlBase::tcSetBorderStyle(guiBorderStyle style)
{
    if (m_borderStyle == style)
        return;
    m_borderStyle = style;
    if (m_wnd.GetSafeHwnd())
        m_wnd.Invalidate(TRUE);
}

void TControlBase::tcSetAppearStyle(guiAppearStyle style)
{
    if (m_appearStyle == style)
        return;
    m_appearStyle = style;
    if (m_wnd.GetSafeHwnd())
        m_wnd.Invalidate(TRUE);
}

// ---------------------------------------------------------------------------------------------
// Container, controller and colour attributes.

void TControlBase::tcSetContainer(guiContainer* container)
{
    if (container == m_pContainer)
        return;
    if (guiContainer* old = m_pContainer) {
        m_pContainer = nullptr;
        old->RemoveCtrl(this);
        old->CtrlDestroyed(this);
    }
    m_pContainer = container;
    if (container)
        container->AddCtrl(this);
}

void TControlBase::tcSetClrAttr(int attr)
{
    if (attr >= 0)
        m_clrAttr = attr;
    else
        m_appliedClrAttr = -1;
}

bool TControlBase::tcApplyAttrs()
{
    if (!m_pControler)
        throw new vbEsys(E_FAIL, "TControl::tcApplyAttrs() without controler");
    return m_pControler->ApplyAttrs(this);
}

void TControlBase::tcApplyClrAttr(bool force)
{
    if (!force && m_appliedClrAttr == m_clrAttr)
        return;
    m_clrAttrCB.Call(this, m_clrAttr);
    m_appliedClrAttr = m_clrAttr;
}

bool TControlBase::tcIsTextProtected() { return false; }
void TControlBase::tcSetFocus() { m_wnd.SetFocus(); }

// ---------------------------------------------------------------------------------------------
// Printing.

void TControlBase::tcPrint(guiDrawInfo* info, CDC* dc, bool erase)
{
    const int saved = dc->SaveDC();
    try {
        if (tcClipFrame(info, dc, false)) {
            tcPrintClient(info, dc, erase);
            tcPrintChildren(info, *dc, erase);
        }
    } catch (...) {
        dc->RestoreDC(saved);
        throw;
    }
    dc->RestoreDC(saved);
}

void TControlBase::printOwnLook(guiDrawInfo* info, CDC* dc)
{
    if (info)
        info->StartDraw(*dc, true);
    ClientPrint(info, dc);
    if (info)
        info->EndDraw(*dc);
}

void TControlBase::tcPrintClient(guiDrawInfo* info, CDC* dc, bool erase)
{
    if (info)
        info->StartDraw(*dc, true);
    guiSurface savedSurface(nullptr, m_backSurface);
    const vbColor savedText(m_textColor);
    const bool surfaceGiven = info && info->m_pBackSurface;
    const bool textGiven = info && info->m_pTextColor;
    if (surfaceGiven)
        m_backSurface.Set(*info->m_pBackSurface, false);
    if (textGiven)
        m_textColor = *info->m_pTextColor;
    auto restore = [&] {
        if (surfaceGiven)
            m_backSurface.Set(savedSurface, false);
        if (textGiven)
            m_textColor = savedText;
        if (info)
            info->EndDraw(*dc);
    };
    try {
        const WPARAM hdc = reinterpret_cast<WPARAM>(dc->GetSafeHdc());
        if (erase)
            m_wnd.SendMessage(WM_ERASEBKGND, hdc, 0);
        m_wnd.SendMessage(WM_PRINTCLIENT, hdc, PRF_CLIENT);
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void TControlBase::tcPrintChildren(guiDrawInfo*, CDC&, bool) { }

CRect TControlBase::tcGetClientRect()
{
    CRect r;
    guiDrawFrame(nullptr, &m_wnd, nullptr, &r, m_appearStyle, m_borderStyle, m_frameWidth);
    return r;
}

bool TControlBase::tcClipFrame(guiDrawInfo* info, CDC* dc, bool exclude)
{
    return guiClipFrame(info, &m_wnd, dc, nullptr, m_appearStyle, m_borderStyle, m_frameWidth, exclude);
}

void TControlBase::tcGetPrintInfo(const guiDrawInfo* parent, guiDrawInfo* child, CDC* dc)
{
    // Readability: on the parent's own back colour, a text colour that would vanish on the
    // context's surface becomes the control's back colour.
    if (child->m_bBackColor && sameColor(child->m_backColor, tcGetBackColor())) {
        child->m_pBackSurface = &child->m_surface1;
        const bool onFirst = !child->m_surface1.IsEmpty() && sameColor(m_textColor, child->m_surface1.GetColor());
        const bool onSecond =
            child->m_bSurface2 && !child->m_surface2.IsEmpty() && sameColor(m_textColor, child->m_surface2.GetColor());
        if ((onFirst || onSecond) && !sameColor(tcGetBackColor(), m_textColor))
            child->m_pTextColor = &tcGetBackColor();
    }
    const bool done = m_pControler && m_pControler->GetPrintInfo(this, parent, child, dc);
    if (!done && m_pContainer)
        m_pContainer->GetPrintInfo(this, parent, child, dc);
    m_printInfoCB.Call(this, parent, child, dc);
}

DWORD TControlBase::tcGetStyle() { return m_wnd.GetStyle(); }
bool TControlBase::tcIsLayoutMovable() { return m_pLayoutHelper && m_pLayoutHelper->IsLayoutMovable(); }
bool TControlBase::tcIsLayoutSizable() { return m_pLayoutHelper && m_pLayoutHelper->IsLayoutSizable(); }
vbString TControlBase::tcNeedToolTip(const CPoint&, bool*, int*) { return m_toolTip; }
bool TControlBase::tcHasToolTip() { return true; }
void TControlBase::tcSetVoidChar(char) { }

bool TControlBase::tcIsAppActive()
{
    if (m_pContainer && m_pContainer->IsAppActive())
        return true;
    return guiIsAppActive(m_wnd.GetSafeHwnd());
}

bool TControlBase::tcIsAppFocused()
{
    if (m_pContainer && m_pContainer->IsAppFocused())
        return true;
    return guiIsAppFocused(m_wnd.GetSafeHwnd());
}

bool TControlBase::tcHasFocus() { return m_wnd.GetSafeHwnd() && GetFocus() == m_wnd.GetSafeHwnd(); }

guiKeyCtx TControlBase::tcGetKeyCtx() { return m_pContainer ? m_pContainer->GetKeyCtx() : guiKeyCtx::Current(); }

DWORD TControlBase::tcGetKeyState(int vk)
{
    if (m_pContainer)
        return m_pContainer->GetKeyState(vk);
    return static_cast<DWORD>(static_cast<int32_t>(GetKeyState(vk)));
}

void TControlBase::tcSetModified(bool) { }
bool TControlBase::tcGetModified() { return false; }
bool TControlBase::tcIsMouseToTrack() { return true; }
