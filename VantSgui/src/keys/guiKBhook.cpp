#include "guiKeys.h"

#include "keys/guiKeysPrivate.h"

#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbLog.h"
#include "vbObjects.h"

#include "plat/errors.h"
#include "plat/keyboard.h"
#include "plat/module.h"
#include "plat/thread.h"

#include <utility>

// The hook procedures carry no context, so each slot has its own procedure that knows its number.
guiKBmanager::HookSt guiKBmanager::s_hook[guiKBmanager::kHookSlots] = {};
LONG guiKBmanager::s_hookPtr = 0;
CCriticalSection guiKBmanager::s_sect;

using guiKeysImpl::lastErrorHr;

template <int Slot>
LRESULT CALLBACK guiKBmanager::KeyboardProcN(int code, WPARAM wParam, LPARAM lParam)
{
    return KeyboardProc(Slot, code, wParam, lParam);
}

void guiKBmanager::HookCbInit()
{
    [&]<int... Slots>(std::integer_sequence<int, Slots...>) {
        ((s_hook[Slots].proc = &KeyboardProcN<Slots>), ...);
    }(std::make_integer_sequence<int, kHookSlots>());
}

bool guiKBmanager::IsKbHookKey(DWORD vk, bool altDown, guiKeyCtx* ctx)
{
    if ((vk >= VK_F1 && vk <= VK_F12) || vk == VK_SNAPSHOT)
        return true;
    const guiKeyCtx actual = ctx ? *ctx : guiKeyCtx::Current();
    if (vk == VK_MENU || altDown)
        return !(actual & guiKeyRAlt);
    return (actual & guiKeyLCtrl || actual & guiKeyRCtrl) && vk != VK_CONTROL;
}

LRESULT guiKBmanager::KeyboardProc(int slot, int code, WPARAM wParam, LPARAM lParam)
{
    const HookSt& hook = s_hook[slot];
    if (code != HC_ACTION)
        return CallNextHookEx(hook.hook, code, wParam, lParam);
    const DWORD flags = static_cast<DWORD>(lParam);
    if (wParam >= VK_SHIFT && wParam <= VK_MENU) {
        // The transition bit tells a release from a press.
        LRESULT ignored = 0;
        guiKeyCtx::CorrectKeyMsg(WM_KEYDOWN + (flags >> 31), static_cast<UINT>(wParam), lParam, ignored);
    }
    guiKBmanager* owner = hook.owner;
    const bool altDown = (flags & (1u << 29)) != 0;
    if (owner && IsKbHookKey(static_cast<DWORD>(wParam), altDown, nullptr) && owner->m_nHookLock <= 0 &&
        owner->m_pCatcher->HasFocus(owner)) {
        owner->sendHookKeyMessage(nullptr, static_cast<UINT>(wParam), static_cast<LONG>(flags));
        return 1;
    }
    return CallNextHookEx(hook.hook, 0, wParam, lParam);
}

void guiKBmanager::initHookKeyMsg()
{
    if (m_msgHookKey != 0)
        return;
    m_msgHookKey = RegisterWindowMessageA("Vantrel KVX guiKBmanager - HookKey");
    if (m_msgHookKey == 0)
        throw new vbEsys(lastErrorHr(), "guiKBmanager::initHookKeyMsg() : RegisterWindowMessage failure");
}

void guiKBmanager::KbHookCreate()
{
    initHookKeyMsg();
    HOOKPROC proc = nullptr;
    {
        vbSectLock lock(&s_sect);
        if (m_hookSlot >= 0)
            return;
        int probed = 0;
        while (s_hook[s_hookPtr].owner) {
            s_hookPtr = (s_hookPtr + 1) % kHookSlots;
            if (++probed == kHookSlots)
                throw new vbEsys(E_FAIL, "guiKBmanager::KbHookCreate() : too many hook !");
        }
        HookSt& slot = s_hook[s_hookPtr];
        m_hookSlot = s_hookPtr;
        slot.owner = this;
        slot.threadId = GetCurrentThreadId();
        slot.hook = nullptr;
        if (!slot.proc)
            HookCbInit();
        proc = slot.proc;
    }
    HHOOK hook = SetWindowsHookExA(WH_KEYBOARD, proc, GetModuleHandleA(nullptr), GetCurrentThreadId());
    if (!hook) {
        const HRESULT hr = lastErrorHr();
        try {
            KbHookDestroy();
        } catch (CException* e) {
            vbTraceException(e, true, __FILE__, __LINE__);
        }
        throw new vbEsys(hr, "guiKBmanager::KbHookCreate() : hook creation failure");
    }
    vbSectLock lock(&s_sect);
    s_hook[m_hookSlot].hook = hook;
}

void guiKBmanager::KbHookDestroy()
{
    HHOOK hook = nullptr;
    {
        vbSectLock lock(&s_sect);
        if (m_hookSlot < 0)
            return;
        HookSt& slot = s_hook[m_hookSlot];
        hook = std::exchange(slot.hook, nullptr);
        slot.owner = nullptr;
        slot.threadId = 0;
        m_hookSlot = -1;
    }
    if (hook && !UnhookWindowsHookEx(hook)) {
        const DWORD err = GetLastError();
        vbString text;
        text.FormatErr(err);
        vbString line;
        line.Format("guiKBmanager::KbHookDestroy() failure (err=%lX:%s)", static_cast<unsigned long>(err), text.c_str());
        vbRelOutput(line, true);
    }
}

LONG guiKBmanager::KbHookLock() const
{
    vbSectLock lock(&s_sect);
    return ++m_nHookLock;
}

LONG guiKBmanager::KbHookUnlock() const
{
    vbSectLock lock(&s_sect);
    return --m_nHookLock;
}

void guiKBmanager::sendHookKeyMessage(vbSectLock* lock, UINT wParam, LONG lParam)
{
    m_pCatcher->SendKeyMessage(lock, m_msgHookKey, wParam, static_cast<LPARAM>(static_cast<DWORD>(lParam)));
}
