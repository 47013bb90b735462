// Edits take whatever a user types, pastes or clicks: after every step the text, the selection
// and the limit must still agree, and no position may fall inside a character.
//
// Input: a script of steps, each an opcode byte and its argument bytes, played on an edit and on
// the edit of a drop-down combo box.
//
// Every step is pumped until idle and repaints the controls, and the fuzzer counts the many
// branches each step covers: it runs a few hundred inputs a second.

#include "plat/clipboard.h"
#include "plat/controls.h"
#include "plat/focus.h"
#include "plat/globalmem.h"
#include "plat/headless.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool more() const { return at < size; }
    int byte() { return at < size ? data[at++] : 0; }
};

// Whether pos starts a character: a whole UTF-8 sequence or a stray byte counts as one.
bool onBoundary(const std::string& s, size_t pos)
{
    size_t at = 0;
    while (at < pos) {
        const unsigned char lead = (unsigned char)s[at];
        size_t n = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xC2 && lead <= 0xDF ? 2 : 1;
        if (at + n > s.size())
            n = 1;
        for (size_t i = 1; i < n; ++i)
            if (((unsigned char)s[at + i] & 0xC0) != 0x80)
                n = 1;
        at += n;
    }
    return at == pos;
}

std::string textOf(HWND edit)
{
    std::string text(size_t(SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0)) + 1, '\0');
    text.resize(size_t(SendMessageA(edit, WM_GETTEXT, text.size(), LPARAM(text.data()))));
    return text;
}

// lengthBefore: the length before a step of the user's (a program's text may pass the limit).
void check(HWND edit, size_t lengthBefore)
{
    const std::string text = textOf(edit);
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, WPARAM(&start), LPARAM(&end));
    const size_t limit = size_t(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0));
    if (start > end || end > text.size() || !onBoundary(text, start) || !onBoundary(text, end))
        std::abort();
    if (text.size() > lengthBefore && text.size() > limit)
        std::abort();
}

void paste(Reader& in)
{
    const int n = in.byte() % 9;
    std::string bytes;
    for (int i = 0; i < n; ++i)
        bytes += char(in.byte());
    if (!OpenClipboard(nullptr))
        return;
    EmptyClipboard();
    if (HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 1)) {
        std::memcpy(GlobalLock(mem), bytes.c_str(), bytes.size() + 1);
        GlobalUnlock(mem);
        SetClipboardData(CF_TEXT, mem);
    }
    CloseClipboard();
}

constexpr UINT kKeys[] = {VK_LEFT, VK_RIGHT, VK_HOME, VK_END, VK_DELETE, VK_BACK, 'A', 'C', 'X', 'V', VK_INSERT};

void pressKey(Reader& in)
{
    const int k = in.byte();
    const bool shift = k & 0x40;
    const bool ctrl = k & 0x80;
    if (shift)
        plat::headless::key(VK_SHIFT, true);
    if (ctrl)
        plat::headless::key(VK_CONTROL, true);
    plat::headless::keyPress(kKeys[size_t(k & 0x3F) % (sizeof kKeys / sizeof kKeys[0])]);
    if (ctrl)
        plat::headless::key(VK_CONTROL, false);
    if (shift)
        plat::headless::key(VK_SHIFT, false);
}

LRESULT CALLBACK parentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// The parent is made once: a new top-level window costs more than a script. The edits are made
// for every input, as their state (the insert mode among it) cannot all be set back.
HWND parentWindow()
{
    static HWND parent = [] {
        setenv("VANTREL_HEADLESS", "1", 1);
        plat::headless::useFixedTestFont(true);
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = parentProc;
        wc.lpszClassName = "edit fuzz parent";
        if (!RegisterClassExA(&wc))
            std::abort();
        return CreateWindowExA(0, "edit fuzz parent", "", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr,
            nullptr, nullptr);
    }();
    if (!parent)
        std::abort();
    return parent;
}

// What the scripts leave that the next input must not find: the clipboard.
void emptyClipboard()
{
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    HWND parent = parentWindow();
    emptyClipboard();
    HWND edits[2];
    edits[0] = CreateWindowExA(0, "Edit", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10, 10, 120, 24, parent,
        HMENU(1), nullptr, nullptr);
    HWND combo = CreateWindowExA(0, "ComboBox", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWN, 10, 50, 120, 100, parent,
        HMENU(2), nullptr, nullptr);
    edits[1] = WindowFromPoint(POINT{20, 60});
    if (!edits[0] || !combo || GetParent(edits[1]) != combo)
        std::abort();
    SendMessageA(combo, CB_ADDSTRING, 0, LPARAM("caf\xC3\xA9"));
    SetActiveWindow(parent);
    SetFocus(edits[0]);
    Reader in{data, size};
    int target = 0;
    while (in.more()) {
        HWND edit = edits[target];
        size_t before = size_t(SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0));
        switch (in.byte() % 9) {
        case 0: SendMessageA(edit, WM_CHAR, WPARAM(in.byte()), 0); break;
        case 1:
            pressKey(in);
            if (target == 1)
                before = SIZE_MAX; // arrows in a combo box's edit choose items
            break;
        case 2:
            paste(in);
            SendMessageA(target ? combo : edit, WM_PASTE, 0, 0);
            break;
        case 3: {
            const int a = int(int8_t(in.byte()));
            const int b = int(int8_t(in.byte()));
            SendMessageA(edit, EM_SETSEL, WPARAM(a), LPARAM(b));
            break;
        }
        case 4: SendMessageA(target ? combo : edit, target ? CB_LIMITTEXT : EM_LIMITTEXT, WPARAM(in.byte() % 12), 0); break;
        case 5: plat::headless::click(12 + in.byte() % 100, target ? 60 : 20); break;
        case 6:
            target ^= 1;
            SetFocus(edits[target]);
            break;
        case 7: SendMessageA(target ? combo : edit, WM_CUT + UINT(in.byte() % 4), 0, 0); break;
        default:
            SendMessageA(combo, CB_SETCURSEL, WPARAM(in.byte() % 2), 0);
            before = SIZE_MAX;
            break;
        }
        plat::headless::pumpUntilIdle();
        check(edit, before);
    }
    DestroyWindow(edits[0]);
    DestroyWindow(combo);
    plat::headless::pumpUntilIdle();
    return 0;
}
