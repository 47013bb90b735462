// Clipboard text comes from any program: pasted into a chain of two own edits and then edited
// with keys, it must never make a field longer than its limit nor put the caret outside the text.
//
// Input: two bytes for the fields' limits, a length byte and that many bytes of clipboard text,
// then a script of one byte per step (keys, typed bytes, another paste).
//
// Every step is pumped through the window until idle, which repaints both edits, and the fuzzer
// counts the many branches each step covers: it runs tens of inputs a second.

#include "FuzzTempDir.h"
#include "guiContainer.h"
#include "guiEdit.h"

#include "vbEngine.h"

#include "plat/afxwin.h"
#include "plat/clipboard.h"
#include "plat/globalmem.h"
#include "plat/headless.h"
#include "plat/keyboard.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

class Window : public CWnd {
public:
    Window() : app(this, "EditFuzz", "Edit fuzz"), container(&app, this, nullptr, nullptr) { }

    guiApp app;
    guiContainer container;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        LRESULT result = -1;
        if (container.DispatchMsg(msg, wParam, lParam, result))
            return result;
        return CWnd::WindowProc(msg, wParam, lParam);
    }
};

Window& window()
{
    static Window* w = [] {
        setenv("VANTREL_HEADLESS", "1", 1);
        plat::headless::useFixedTestFont(true);
        auto* made = new Window;
        if (!made->CreateEx(0, nullptr, "edit fuzz", WS_POPUP, 0, 0, 400, 200, nullptr, nullptr))
            std::abort();
        made->ShowWindow(SW_SHOW);
        return made;
    }();
    return *w;
}

void putOnClipboard(const std::string& bytes)
{
    if (!OpenClipboard(nullptr))
        std::abort();
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 1);
    std::memcpy(GlobalLock(mem), bytes.c_str(), bytes.size() + 1);
    GlobalUnlock(mem);
    SetClipboardData(CF_TEXT, mem);
    CloseClipboard();
}

void check(guiEdit& edit)
{
    const int length = static_cast<int>(std::strlen(edit.tcGetText().c_str()));
    const int max = edit.tcGetMaxLength();
    if (max >= 0 && length > max)
        std::abort();
    if (edit.GetCaretPos() < 1 || edit.GetCaretPos() > length + 1)
        std::abort();
}

constexpr UINT kKeys[] = {VK_LEFT, VK_RIGHT, VK_HOME, VK_END, VK_BACK, VK_DELETE, VK_INSERT};

void step(uint8_t byte)
{
    const bool shift = byte & 0x80;
    switch (byte % 4) {
    case 0: // a typed byte
        if (HWND focus = GetFocus())
            SendMessageA(focus, WM_CHAR, WPARAM(0x20 + (byte >> 2) % 0x60), 0);
        break;
    case 1: // paste what is on the clipboard again
        if (HWND focus = GetFocus())
            SendMessageA(focus, WM_PASTE, 0, 0);
        break;
    default:
        if (shift)
            plat::headless::key(VK_SHIFT, true);
        plat::headless::keyPress(kKeys[(byte >> 2) % (sizeof kKeys / sizeof kKeys[0])]);
        if (shift)
            plat::headless::key(VK_SHIFT, false);
        break;
    }
    plat::headless::pumpUntilIdle();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FuzzTempDir home(true); // the engines' registry and logs are the run's own, not the user's
    static vbUseEngineCenter use(&g_vbEngineCenter, true);
    if (size < 3)
        return 0;
    Window& w = window();
    // Insert or overwrite follows the keyboard's Insert toggle: a script that left it on must
    // not change how the next one types.
    if (GetKeyState(VK_INSERT) & 1) {
        plat::headless::keyPress(VK_INSERT);
        plat::headless::pumpUntilIdle();
    }
    auto first = std::make_unique<guiEdit>();
    auto second = std::make_unique<guiEdit>();
    first->tcSetMaxLength(1 + data[0] % 12);
    second->tcSetMaxLength(1 + data[1] % 12);
    first->Create(&w.container, CRect(10, 10, 130, 34), true, true);
    second->Create(&w.container, CRect(10, 50, 130, 74), true, true);
    first->LinkNextEdit(second.get());
    plat::headless::pumpUntilIdle();

    const size_t pasted = std::min<size_t>(data[2], size - 3);
    putOnClipboard(std::string(reinterpret_cast<const char*>(data + 3), pasted));
    SetFocus(first->GetSafeHwnd());
    plat::headless::pumpUntilIdle();
    try {
        first->Paste();
    } catch (CException* e) { // an empty or refused clipboard is the edit's own error
        e->Delete();
    }
    plat::headless::pumpUntilIdle();
    check(*first);
    check(*second);
    for (size_t at = 3 + pasted; at < size; ++at) {
        step(data[at]);
        check(*first);
        check(*second);
    }
    first->UnlinkEdit();
    first->DestroyWindow();
    second->DestroyWindow();
    plat::headless::pumpUntilIdle();
    return 0;
}
