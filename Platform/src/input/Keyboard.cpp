// Key state tables, the key messages' lParam and character translation.

#include "input/Input.h"

#include "plat/errors.h"
#include "plat/keyboard.h"
#include "ui/UiCore.h"

#include <cstring>

namespace plat::input {

namespace {

constexpr DWORD kPreviousState = 1u << 30;
constexpr DWORD kAltDown = 1u << 29;
constexpr DWORD kExtended = 1u << 24;
constexpr DWORD kKeyUp = 1u << 31;

// The key state now: under inputMutex().
BYTE g_asyncKeys[256];

struct ThreadKeys {
    BYTE table[256] = {};
    // The last key-down the thread took, with the text it typed, until it is translated.
    bool downValid = false;
    MSG down{};
    std::string downText;
};

ThreadKeys& threadKeys()
{
    thread_local ThreadKeys keys;
    return keys;
}

bool togglesOnPress(UINT vk)
{
    return vk == VK_CAPITAL || vk == VK_NUMLOCK || vk == VK_SCROLL || vk == VK_INSERT;
}

// VK_LSHIFT ... VK_RMENU for a modifier, else 0.
UINT sideKeyOf(UINT vk, DWORD keyData)
{
    const bool extended = (keyData & kExtended) != 0;
    switch (vk) {
    case VK_SHIFT: return ((keyData >> 16) & 0xFF) == 0x36 ? VK_RSHIFT : VK_LSHIFT;
    case VK_CONTROL: return extended ? VK_RCONTROL : VK_LCONTROL;
    case VK_MENU: return extended ? VK_RMENU : VK_LMENU;
    default: return 0;
    }
}

void setDown(BYTE* table, UINT vk, bool down)
{
    if (down)
        table[vk] |= 0x80;
    else
        table[vk] &= BYTE(~0x80);
}

bool isDown(const BYTE* table, UINT vk) { return (table[vk & 0xFF] & 0x80) != 0; }

// The control character a key types without text of its own; 0 for none.
char controlCharacter(UINT vk)
{
    switch (vk) {
    case VK_BACK: return 8;
    case VK_TAB: return 9;
    case VK_RETURN: return 13;
    case VK_ESCAPE: return 27;
    default: break;
    }
    const BYTE* keys = threadKeyTable();
    if (vk >= 'A' && vk <= 'Z' && isDown(keys, VK_CONTROL) && !isDown(keys, VK_MENU))
        return char(vk - 'A' + 1);
    return 0;
}

bool sameMessage(const MSG& a, const MSG& b)
{
    return a.hwnd == b.hwnd && a.message == b.message && a.wParam == b.wParam && a.lParam == b.lParam
        && a.time == b.time;
}

// Puts the characters first among the calling thread's posted messages, in order.
void queueCharacters(const MSG& key, UINT charMsg, const std::string& chars)
{
    ui::ThreadQueue& q = ui::currentQueue();
    std::lock_guard lock(q.mutex);
    auto at = q.posted.begin();
    for (char c : chars) {
        ui::QueuedMessage entry{MSG{key.hwnd, charMsg, WPARAM(BYTE(c)), key.lParam, key.time, key.pt}, 0};
        at = q.posted.insert(at, entry) + 1;
    }
    q.changed |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
}

} // namespace

void applyKeyToTable(BYTE* table, UINT vk, DWORD keyData, bool down)
{
    vk &= 0xFF;
    if (UINT side = sideKeyOf(vk, keyData)) {
        setDown(table, side, down);
        const UINT left = vk == VK_SHIFT ? VK_LSHIFT : vk == VK_CONTROL ? VK_LCONTROL : VK_LMENU;
        setDown(table, vk, isDown(table, left) || isDown(table, left + 1));
    } else {
        setDown(table, vk, down);
    }
    if (down && !(keyData & kPreviousState) && togglesOnPress(vk))
        table[vk] ^= 1;
}

void setButtonInTable(BYTE* table, int button, bool down)
{
    static constexpr UINT kButtonKeys[3] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
    setDown(table, kButtonKeys[button], down);
}

BYTE* asyncKeyTable() { return g_asyncKeys; }

BYTE* threadKeyTable() { return threadKeys().table; }

DWORD applyAsyncKey(UINT vk, UINT scanCode, bool extended, bool down, bool& sysKey)
{
    vk &= 0xFF;
    DWORD data = 1 | (DWORD(scanCode & 0xFF) << 16) | (extended ? kExtended : 0) | (down ? 0 : kKeyUp);
    std::lock_guard lock(inputMutex());
    const UINT side = sideKeyOf(vk, data);
    if (!down || isDown(g_asyncKeys, side ? side : vk))
        data |= kPreviousState;
    applyKeyToTable(g_asyncKeys, vk, data, down);
    const bool alt = isDown(g_asyncKeys, VK_MENU);
    if (alt)
        data |= kAltDown;
    sysKey = (alt && !isDown(g_asyncKeys, VK_CONTROL)) || vk == VK_F10 || vk == VK_MENU;
    return data;
}

void rememberKeyDown(const MSG& msg, const std::string& text)
{
    ThreadKeys& keys = threadKeys();
    keys.downValid = true;
    keys.down = msg;
    keys.downText = text;
}

} // namespace plat::input

using namespace plat;
using namespace plat::input;

SHORT GetKeyState(int nVirtKey)
{
    const BYTE state = threadKeyTable()[nVirtKey & 0xFF];
    return SHORT(((state & 0x80) ? 0xFF80 : 0) | (state & 1));
}

SHORT GetAsyncKeyState(int vKey)
{
    std::lock_guard lock(inputMutex());
    return isDown(asyncKeyTable(), UINT(vKey)) ? SHORT(0x8000) : SHORT(0);
}

BOOL GetKeyboardState(BYTE* lpKeyState)
{
    if (!lpKeyState) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::memcpy(lpKeyState, threadKeyTable(), 256);
    return TRUE;
}

BOOL SetKeyboardState(BYTE* lpKeyState)
{
    if (!lpKeyState) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::memcpy(threadKeyTable(), lpKeyState, 256);
    return TRUE;
}

BOOL TranslateMessage(const MSG* lpMsg)
{
    if (!lpMsg)
        return FALSE;
    const UINT msg = lpMsg->message;
    if (msg != WM_KEYDOWN && msg != WM_KEYUP && msg != WM_SYSKEYDOWN && msg != WM_SYSKEYUP)
        return FALSE;
    if (msg == WM_KEYUP || msg == WM_SYSKEYUP)
        return TRUE;
    ThreadKeys& keys = threadKeys();
    std::string chars;
    if (keys.downValid && sameMessage(keys.down, *lpMsg)) {
        chars = keys.downText;
        keys.downValid = false;
    }
    if (chars.empty())
        if (char c = controlCharacter(UINT(lpMsg->wParam)))
            chars.assign(1, c);
    if (!chars.empty())
        queueCharacters(*lpMsg, msg == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, chars);
    return TRUE;
}
