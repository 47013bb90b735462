// The headless layout: each printable key with its unshifted and shifted character.

#include "input/KeyLayout.h"

#include "plat/keyboard.h"

namespace plat::input {

namespace {

struct KeyEntry {
    UINT vk;
    UINT scan;
    char plain; // 0: types nothing
    char shifted;
};

// Keys of the main block, in scan code order.
constexpr KeyEntry kKeys[] = {
    {VK_ESCAPE, 0x01, 0, 0}, {'1', 0x02, '1', '!'}, {'2', 0x03, '2', '@'}, {'3', 0x04, '3', '#'},
    {'4', 0x05, '4', '$'}, {'5', 0x06, '5', '%'}, {'6', 0x07, '6', '^'}, {'7', 0x08, '7', '&'},
    {'8', 0x09, '8', '*'}, {'9', 0x0A, '9', '('}, {'0', 0x0B, '0', ')'}, {VK_OEM_MINUS, 0x0C, '-', '_'},
    {VK_OEM_PLUS, 0x0D, '=', '+'}, {VK_BACK, 0x0E, 0, 0}, {VK_TAB, 0x0F, 0, 0}, {'Q', 0x10, 'q', 'Q'},
    {'W', 0x11, 'w', 'W'}, {'E', 0x12, 'e', 'E'}, {'R', 0x13, 'r', 'R'}, {'T', 0x14, 't', 'T'},
    {'Y', 0x15, 'y', 'Y'}, {'U', 0x16, 'u', 'U'}, {'I', 0x17, 'i', 'I'}, {'O', 0x18, 'o', 'O'},
    {'P', 0x19, 'p', 'P'}, {VK_OEM_4, 0x1A, '[', '{'}, {VK_OEM_6, 0x1B, ']', '}'}, {VK_RETURN, 0x1C, 0, 0},
    {VK_CONTROL, 0x1D, 0, 0}, {'A', 0x1E, 'a', 'A'}, {'S', 0x1F, 's', 'S'}, {'D', 0x20, 'd', 'D'},
    {'F', 0x21, 'f', 'F'}, {'G', 0x22, 'g', 'G'}, {'H', 0x23, 'h', 'H'}, {'J', 0x24, 'j', 'J'},
    {'K', 0x25, 'k', 'K'}, {'L', 0x26, 'l', 'L'}, {VK_OEM_1, 0x27, ';', ':'}, {VK_OEM_7, 0x28, '\'', '"'},
    {VK_OEM_3, 0x29, '`', '~'}, {VK_SHIFT, 0x2A, 0, 0}, {VK_OEM_5, 0x2B, '\\', '|'}, {'Z', 0x2C, 'z', 'Z'},
    {'X', 0x2D, 'x', 'X'}, {'C', 0x2E, 'c', 'C'}, {'V', 0x2F, 'v', 'V'}, {'B', 0x30, 'b', 'B'},
    {'N', 0x31, 'n', 'N'}, {'M', 0x32, 'm', 'M'}, {VK_OEM_COMMA, 0x33, ',', '<'}, {VK_OEM_PERIOD, 0x34, '.', '>'},
    {VK_OEM_2, 0x35, '/', '?'}, {VK_MULTIPLY, 0x37, '*', '*'}, {VK_MENU, 0x38, 0, 0}, {VK_SPACE, 0x39, ' ', ' '},
    {VK_CAPITAL, 0x3A, 0, 0}, {VK_F1, 0x3B, 0, 0}, {VK_F2, 0x3C, 0, 0}, {VK_F3, 0x3D, 0, 0},
    {VK_F4, 0x3E, 0, 0}, {VK_F5, 0x3F, 0, 0}, {VK_F6, 0x40, 0, 0}, {VK_F7, 0x41, 0, 0}, {VK_F8, 0x42, 0, 0},
    {VK_F9, 0x43, 0, 0}, {VK_F10, 0x44, 0, 0}, {VK_NUMLOCK, 0x45, 0, 0}, {VK_SCROLL, 0x46, 0, 0},
    {VK_SUBTRACT, 0x4A, '-', '-'}, {VK_ADD, 0x4E, '+', '+'}, {VK_DECIMAL, 0x53, 0, 0}, {VK_F11, 0x57, 0, 0},
    {VK_F12, 0x58, 0, 0},
};

// The numeric pad's digits, which type only while Num Lock is on.
constexpr UINT kNumpadScan[10] = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};

// Keys of the extended block: the same scan codes as the numeric pad's, flagged extended.
struct ExtendedKey {
    UINT vk;
    UINT scan;
};
constexpr ExtendedKey kExtended[] = {
    {VK_INSERT, 0x52}, {VK_DELETE, 0x53}, {VK_HOME, 0x47}, {VK_END, 0x4F}, {VK_PRIOR, 0x49},
    {VK_NEXT, 0x51}, {VK_LEFT, 0x4B}, {VK_UP, 0x48}, {VK_RIGHT, 0x4D}, {VK_DOWN, 0x50},
    {VK_DIVIDE, 0x35}, {VK_RCONTROL, 0x1D}, {VK_RMENU, 0x38}, {VK_LWIN, 0x5B}, {VK_RWIN, 0x5C},
    {VK_APPS, 0x5D}, {VK_SNAPSHOT, 0x37},
};

const KeyEntry* entryOf(UINT vk)
{
    for (const KeyEntry& k : kKeys)
        if (k.vk == vk)
            return &k;
    return nullptr;
}

} // namespace

UINT scanCodeOf(UINT vk, bool& extended)
{
    extended = false;
    for (const ExtendedKey& k : kExtended)
        if (k.vk == vk) {
            extended = true;
            return k.scan;
        }
    switch (vk) {
    case VK_LSHIFT: return 0x2A;
    case VK_RSHIFT: return 0x36;
    case VK_LCONTROL: return 0x1D;
    case VK_LMENU: return 0x38;
    default: break;
    }
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9)
        return kNumpadScan[vk - VK_NUMPAD0];
    const KeyEntry* k = entryOf(vk);
    return k ? k->scan : 0;
}

UINT genericKeyOf(UINT vk)
{
    switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT: return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL: return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU: return VK_MENU;
    default: return vk;
    }
}

std::string layoutText(UINT vk, bool shift, bool capsLock, bool numLock)
{
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9)
        return numLock ? std::string(1, char('0' + (vk - VK_NUMPAD0))) : std::string();
    if (vk == VK_DECIMAL)
        return numLock ? "." : "";
    if (vk == VK_DIVIDE)
        return "/";
    const KeyEntry* k = entryOf(vk);
    if (!k || !k->plain)
        return {};
    const bool letter = vk >= 'A' && vk <= 'Z';
    return std::string(1, (letter ? shift != capsLock : shift) ? k->shifted : k->plain);
}

bool layoutKeyFor(char c, UINT& vk, bool& shift)
{
    for (const KeyEntry& k : kKeys) {
        if (k.plain && c == k.plain) {
            vk = k.vk;
            shift = false;
            return true;
        }
        if (k.shifted && c == k.shifted) {
            vk = k.vk;
            shift = true;
            return true;
        }
    }
    return false;
}

} // namespace plat::input
