#include "guiKeys.h"

#include "guiBase.h"

#include "plat/keyboard.h"
#include "plat/message.h"

guiKeyBugStatus guiKeyCtx::s_ShiftStatus = 0;
guiKeyBugStatus guiKeyCtx::s_CtrlStatus = 0;
guiKeyBugStatus guiKeyCtx::s_AltStatus = 0;

namespace {

bool isDown(int vk) { return (GetKeyState(vk) & 0x80) != 0; }

// The generic modifier key, its left key and its status word.
struct Modifier {
    UINT generic;
    UINT left;
    guiKeyBugStatus* status;
};

const Modifier* modifierOf(UINT vk)
{
    static const Modifier modifiers[] = {
        {VK_SHIFT, VK_LSHIFT, &guiKeyCtx::s_ShiftStatus},
        {VK_CONTROL, VK_LCONTROL, &guiKeyCtx::s_CtrlStatus},
        {VK_MENU, VK_LMENU, &guiKeyCtx::s_AltStatus},
    };
    for (const Modifier& m : modifiers)
        if (m.generic == vk)
            return &m;
    return nullptr;
}

void setKeyDown(UINT vk, bool down)
{
    BYTE state[256];
    GetKeyboardState(state);
    state[vk] = static_cast<BYTE>(down ? state[vk] | 0x80 : state[vk] & ~0x80);
    SetKeyboardState(state);
}

} // namespace

bool guiKeyCtx::IsKbCtxOk(const guiKeyCtx& actual) const
{
    if (m_val == actual.m_val)
        return true;
    for (DWORD pair : {48u, 3u, 12u}) {
        const DWORD mine = m_val & pair;
        const DWORD theirs = actual.m_val & pair;
        if (mine == pair ? theirs == 0 : theirs != mine)
            return false;
    }
    return true;
}

guiKeyCtx guiKeyCtx::Current()
{
    guiKeyCtx ctx;
    for (UINT vk = VK_LSHIFT; vk <= VK_RMENU; ++vk)
        if (isDown(static_cast<int>(vk)))
            ctx.m_val |= 1u << (vk - VK_LSHIFT);
    return ctx;
}

bool guiKeyCtx::KeyEquiv(UINT& key, guiKeyCtx& ctx)
{
    if (key < VK_LSHIFT || key > VK_RMENU)
        return false;
    ctx.m_val |= 1u << (key - VK_LSHIFT);
    key = VK_SHIFT + (key - VK_LSHIFT) / 2;
    return true;
}

bool guiKeyCtx::CorrectKeyMsg(UINT msg, UINT vk, LPARAM lParam, LRESULT&)
{
    const bool keyUp = msg == WM_KEYUP || msg == WM_SYSKEYUP;
    const bool keyDown = msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN;
    const Modifier* m = modifierOf(vk);
    if ((!keyUp && !keyDown) || !m || *m->status == 1)
        return false;
    const bool extended = (static_cast<uint32_t>(lParam) & (1u << 24)) != 0;
    const UINT side = m->left + (extended ? 1 : 0);
    if (keyUp) {
        setKeyDown(side, false);
        return false;
    }
    if (*m->status == 0) {
        const bool sideDown = isDown(static_cast<int>(m->left)) || isDown(static_cast<int>(m->left + 1));
        *m->status = isDown(static_cast<int>(m->generic)) && sideDown ? 1 : 2;
    }
    if (*m->status == 2)
        setKeyDown(side, true);
    return false;
}

// ---------------------------------------------------------------------------------------------

bool sIguiKBmanager::KBfilterMsg(guiContainer*, TControl*, UINT&, WPARAM&, LPARAM&, LRESULT&) { guiPurecall(); }
guiKeyCtx sIguiKBmanager::GetCtx() { guiPurecall(); }
DWORD sIguiKBmanager::GetKeyState(int) const { guiPurecall(); }
DWORD sIguiKBmanager::GetAppCtx() const { guiPurecall(); }
void sIguiKBmanager::SetAppCtx(DWORD) { guiPurecall(); }
void sIguiKBmanager::SetAppCtxBits(DWORD) { guiPurecall(); }
void sIguiKBmanager::UnsetAppCtxBits(DWORD) { guiPurecall(); }
bool sIguiKBmanager::HasAppCtxBits(DWORD) const { guiPurecall(); }
bool sIguiKBmanager::ExecOp(const vbString&, DWORD) { guiPurecall(); }

bool sIguiToolTip::SetCtrl(TControl*, const CPoint&) { guiPurecall(); }
void sIguiToolTip::RemoveCtrl(TControl*) { guiPurecall(); }
void sIguiToolTip::ResetTip() { guiPurecall(); }
void sIguiToolTip::HideTip() { guiPurecall(); }
void sIguiToolTip::UpdateTip(TControl*) { guiPurecall(); }
void sIguiToolTip::ForeGroundTip() { guiPurecall(); }
