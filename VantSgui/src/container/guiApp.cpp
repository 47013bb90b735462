#include "guiContainer.h"

#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/window.h"

const IID IID_guiApp = {0x471BDA88, 0x7386, 0x4E54, {0xBB, 0x25, 0x57, 0x49, 0x8E, 0x85, 0x35, 0x97}};

guiApp::guiApp(CWnd* parent, const char* id, const char* label) : vbApp(id, label), m_pParent(parent) { }

guiApp::~guiApp() = default;

bool guiApp::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_guiApp) {
        *ppv = this;
        return true;
    }
    return vbApp::GetInterface(iid, ppv);
}

HWND guiApp::GetDlgParentHwnd() { return m_pParent ? m_pParent->GetSafeHwnd() : nullptr; }

void guiApp::RemoveEditState(sIguiEditState* state)
{
    if (m_pEditState == state)
        m_pEditState = nullptr;
}

bool guiApp::IsInsertMode(bool keyboardOnly)
{
    if (!keyboardOnly && m_pEditState)
        return m_pEditState->IsInsertMode();
    return (GetKeyState(VK_INSERT) & 1) != 0;
}

void guiApp::MouseOnCtrl(TControl* control, const CPoint& point)
{
    if (control && control == m_pLeaving)
        return;
    if (control && (!control->tcGetVisible() || !control->tcGetEnabled())) {
        if (control != m_pMouseOn)
            return;
        control = nullptr;
    }
    if (control) {
        const guiContainer* container = control->tcGetContainer();
        if ((container && container->IsDrawMode()) || !control->tcGetHwnd() || !control->tcIsAppActive()
            || !control->tcIsMouseToTrack())
            control = nullptr;
    }
    if (control) {
        POINT screen = point;
        ClientToScreen(control->tcGetHwnd(), &screen);
        if (WindowFromPoint(screen) != control->tcGetHwnd())
            control = nullptr;
    }

    // The new control is current before the old one lets go of the capture, whose notification
    // comes back here at once.
    if (control != m_pMouseOn) {
        TControl* old = m_pMouseOn;
        m_pMouseOn = control;
        if (old) {
            m_pLeaving = old;
            old->tcReleaseCapture();
            old->tcOnMouseOut();
            old->tcGetMouseOutCB().Call(old, true);
            m_pLeaving = nullptr;
        }
        if (control) {
            control->tcOnMouseOver();
            control->tcGetMouseOverCB().Call(control, false);
            control->tcSetCapture();
        }
    }

    sIguiToolTip* tip = nullptr;
    if (control) {
        const guiContainer* container = control->tcGetContainer();
        if (container && !container->IsDrawMode())
            tip = container->GetToolTip();
    }
    if (tip != m_pToolTip && m_pToolTip) {
        m_pToolTip->SetCtrl(nullptr, point);
        m_pToolTip = nullptr;
    }
    if (tip && tip->SetCtrl(control, point))
        m_pToolTip = tip;
}

void guiApp::SelOnCtrl(TControl* control)
{
    if (control && !control->tcGetHwnd())
        control = nullptr;
    if (control == m_pSelected)
        return;
    if (m_pSelected)
        m_pSelected->tcOnSelLoosed(control);
    m_pSelected = control;
}

void guiApp::CaretOnCtrl(TControl* control)
{
    if (control && !control->tcGetHwnd())
        control = nullptr;
    if (control == m_pCaretOn)
        return;
    if (m_pCaretOn)
        m_pCaretOn->tcOnCaretLoosed(control);
    m_pCaretOn = control;
}

void guiApp::CaretUpdate()
{
    if (m_pCaretOn)
        m_pCaretOn->tcOnCaretUpdated();
}

void guiApp::CaretLoosed(TControl* control)
{
    if (!control || control != m_pCaretOn)
        return;
    control->tcOnCaretLoosed(nullptr);
    m_pCaretOn = nullptr;
}

void guiApp::CtrlDestroyed(TControl* control)
{
    if (m_pMouseOn == control)
        m_pMouseOn = nullptr;
    if (m_pSelected == control)
        m_pSelected = nullptr;
    if (m_pCaretOn == control)
        m_pCaretOn = nullptr;
    if (m_pToolTip)
        m_pToolTip->RemoveCtrl(control);
}

void guiApp::ToolTipDestroyed(sIguiToolTip* tip)
{
    if (m_pToolTip == tip)
        m_pToolTip = nullptr;
}
