// The headless test face of input: keys typed on a US layout, the mouse, caret and clipboard.

#include "input/Caret.h"
#include "input/Clipboard.h"
#include "input/Cursors.h"
#include "input/Input.h"
#include "input/KeyLayout.h"

#include "plat/headless.h"
#include "plat/keyboard.h"

namespace plat::input {

namespace {

// What a key-down types on the layout with the keys down now.
std::string typedByLayout(UINT vk)
{
    bool shift, ctrl, caps, numLock;
    {
        std::lock_guard lock(inputMutex());
        const BYTE* keys = asyncKeyTable();
        shift = keys[VK_SHIFT] & 0x80;
        ctrl = keys[VK_CONTROL] & 0x80;
        caps = keys[VK_CAPITAL] & 1;
        numLock = keys[VK_NUMLOCK] & 1;
    }
    return ctrl ? std::string() : layoutText(vk, shift, caps, numLock);
}

size_t utf8Length(unsigned char lead)
{
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    return lead >= 0xC0 ? 2 : 1;
}

} // namespace

} // namespace plat::input

using namespace plat;
using namespace plat::input;

namespace plat::headless {

void mouseMove(int x, int y) { queueMouseMove(POINT{x, y}); }

void mouseButton(int button, bool down) { queueMouseButton(button, down); }

void click(int x, int y, int button)
{
    mouseMove(x, y);
    mouseButton(button, true);
    mouseButton(button, false);
}

void wheel(int delta) { queueWheel(delta); }

void key(UINT vk, bool down, bool extended, const char* text)
{
    bool naturallyExtended = false;
    const UINT scan = scanCodeOf(vk, naturallyExtended);
    const UINT generic = genericKeyOf(vk);
    std::string typed;
    if (down)
        typed = text ? std::string(text) : typedByLayout(generic);
    queueKey(generic, scan, extended || naturallyExtended, down, typed);
}

void keyPress(UINT vk)
{
    key(vk, true);
    key(vk, false);
}

void typeText(const char* utf8)
{
    std::string text = utf8 ? utf8 : "";
    for (size_t i = 0; i < text.size();) {
        const size_t n = std::min(utf8Length(static_cast<unsigned char>(text[i])), text.size() - i);
        const std::string ch = text.substr(i, n);
        UINT vk = VK_PACKET;
        bool shift = false;
        if (n == 1)
            layoutKeyFor(ch[0], vk, shift);
        key(vk, true, false, ch.c_str());
        key(vk, false);
        i += n;
    }
}

HCURSOR currentCursor() { return shownCursor(); }

int systemCursorId(HCURSOR cursor) { return systemCursorIdOf(cursor); }

CaretInfo caret()
{
    const CaretState& c = currentCaret();
    return CaretInfo{c.owner, c.pos, c.size, c.owner && c.hideCount == 0};
}

void setClipboardText(const char* utf8) { setClipboardTextFromDesktop(utf8 ? utf8 : ""); }

std::string clipboardText() { return clipboardTextForDesktop(); }

} // namespace plat::headless
