// The clipboard: who has it open, who owns it, and the blocks it holds by format.

#include "input/Clipboard.h"
#include "input/GlobalMemory.h"
#include "kernel/TestHooks.h"

#include "plat/clipboard.h"
#include "plat/errors.h"
#include "plat/globalmem.h"
#include "plat/window.h"
#include "ui/Display.h"
#include "ui/UiCore.h"

#include <cstring>
#include <map>
#include <mutex>

namespace plat::input {

namespace {

struct ClipboardState {
    std::mutex mutex;
    bool open = false;
    DWORD openThread = 0;
    HWND openWindow = nullptr;
    bool owned = false; // emptied by an opener, which became the owner
    HWND owner = nullptr;
    std::map<UINT, HGLOBAL> formats;
};

ClipboardState& clipboard()
{
    static ClipboardState* state = new ClipboardState;
    return *state;
}

DWORD me() { return ui::currentQueue().threadId; }

// Under the clipboard's mutex.
bool openedByCaller(const ClipboardState& c) { return c.open && c.openThread == me(); }

void freeAll(ClipboardState& c)
{
    for (auto& [format, block] : c.formats)
        GlobalFree(block);
    c.formats.clear();
}

HGLOBAL textBlock(const std::string& text)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1);
    if (block) {
        std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
        GlobalUnlock(block);
    }
    return block;
}

// SetClipboardData's checks and store, without telling the desktop.
bool storeClipboardData(UINT uFormat, HGLOBAL hMem)
{
    ClipboardState& c = clipboard();
    std::lock_guard lock(c.mutex);
    if (!openedByCaller(c)) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return false;
    }
    if (!c.owned || c.owner != c.openWindow) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (!globalBlockLive(hMem)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    auto [it, added] = c.formats.emplace(uFormat, hMem);
    if (!added && it->second != hMem) {
        GlobalFree(it->second);
        it->second = hMem;
    }
    return true;
}

} // namespace

void setClipboardTextFromDesktop(const std::string& text)
{
    HGLOBAL block = textBlock(text);
    ClipboardState& c = clipboard();
    std::lock_guard lock(c.mutex);
    freeAll(c);
    c.owned = false;
    c.owner = nullptr;
    if (block)
        c.formats[CF_TEXT] = block;
}

std::string clipboardTextForDesktop()
{
    ClipboardState& c = clipboard();
    std::lock_guard lock(c.mutex);
    auto it = c.formats.find(CF_TEXT);
    if (it == c.formats.end())
        return {};
    const SIZE_T size = GlobalSize(it->second);
    const char* bytes = static_cast<const char*>(GlobalLock(it->second));
    std::string text = bytes ? std::string(bytes, strnlen(bytes, size)) : std::string();
    GlobalUnlock(it->second);
    return text;
}

} // namespace plat::input

using namespace plat;
using namespace plat::input;

BOOL OpenClipboard(HWND hWndNewOwner)
{
    if (hWndNewOwner && !ui::findWindow(hWndNewOwner))
        return FALSE;
    ClipboardState& c = clipboard();
    std::lock_guard lock(c.mutex);
    if (c.open && (c.openThread != me() || c.openWindow != hWndNewOwner)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    c.open = true;
    c.openThread = me();
    c.openWindow = hWndNewOwner;
    return TRUE;
}

BOOL CloseClipboard()
{
    ClipboardState& c = clipboard();
    std::lock_guard lock(c.mutex);
    if (!openedByCaller(c)) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return FALSE;
    }
    c.open = false;
    c.openThread = 0;
    c.openWindow = nullptr;
    return TRUE;
}

BOOL EmptyClipboard()
{
    ClipboardState& c = clipboard();
    std::lock_guard lock(c.mutex);
    if (!openedByCaller(c)) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return FALSE;
    }
    freeAll(c);
    c.owned = true;
    c.owner = c.openWindow;
    return TRUE;
}

HANDLE SetClipboardData(UINT uFormat, HANDLE hMem)
{
    if (testFailClipboardData()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (!storeClipboardData(uFormat, HGLOBAL(hMem)))
        return nullptr;
    if (uFormat == CF_TEXT)
        ui::display().clipboardTextChanged(clipboardTextForDesktop());
    return hMem;
}

HANDLE GetClipboardData(UINT uFormat)
{
    ClipboardState& c = clipboard();
    std::lock_guard lock(c.mutex);
    if (!openedByCaller(c)) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return nullptr;
    }
    auto it = c.formats.find(uFormat);
    return it == c.formats.end() ? nullptr : HANDLE(it->second);
}

BOOL IsClipboardFormatAvailable(UINT format)
{
    ClipboardState& c = clipboard();
    std::lock_guard lock(c.mutex);
    return c.formats.count(format) ? TRUE : FALSE;
}
