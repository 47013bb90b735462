// SDL's keys to the platform's.

#include "sdl/SdlKeys.h"

#include "input/KeyLayout.h"

#include "plat/keyboard.h"

namespace plat::sdl {

namespace {

struct Placed {
    SDL_Scancode scancode;
    UINT vk; // the side key for modifiers
};

constexpr Placed kPlaced[] = {
    {SDL_SCANCODE_RETURN, VK_RETURN}, {SDL_SCANCODE_ESCAPE, VK_ESCAPE}, {SDL_SCANCODE_BACKSPACE, VK_BACK},
    {SDL_SCANCODE_TAB, VK_TAB}, {SDL_SCANCODE_SPACE, VK_SPACE}, {SDL_SCANCODE_CAPSLOCK, VK_CAPITAL},
    {SDL_SCANCODE_NUMLOCKCLEAR, VK_NUMLOCK}, {SDL_SCANCODE_SCROLLLOCK, VK_SCROLL},
    {SDL_SCANCODE_PRINTSCREEN, VK_SNAPSHOT}, {SDL_SCANCODE_PAUSE, VK_PAUSE},
    {SDL_SCANCODE_INSERT, VK_INSERT}, {SDL_SCANCODE_DELETE, VK_DELETE}, {SDL_SCANCODE_HOME, VK_HOME},
    {SDL_SCANCODE_END, VK_END}, {SDL_SCANCODE_PAGEUP, VK_PRIOR}, {SDL_SCANCODE_PAGEDOWN, VK_NEXT},
    {SDL_SCANCODE_LEFT, VK_LEFT}, {SDL_SCANCODE_RIGHT, VK_RIGHT}, {SDL_SCANCODE_UP, VK_UP},
    {SDL_SCANCODE_DOWN, VK_DOWN},
    {SDL_SCANCODE_LSHIFT, VK_LSHIFT}, {SDL_SCANCODE_RSHIFT, VK_RSHIFT}, {SDL_SCANCODE_LCTRL, VK_LCONTROL},
    {SDL_SCANCODE_RCTRL, VK_RCONTROL}, {SDL_SCANCODE_LALT, VK_LMENU}, {SDL_SCANCODE_RALT, VK_RMENU},
    {SDL_SCANCODE_MODE, VK_RMENU}, {SDL_SCANCODE_LGUI, VK_LWIN}, {SDL_SCANCODE_RGUI, VK_RWIN},
    {SDL_SCANCODE_APPLICATION, VK_APPS},
    {SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE}, {SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY},
    {SDL_SCANCODE_KP_MINUS, VK_SUBTRACT}, {SDL_SCANCODE_KP_PLUS, VK_ADD},
    // The US places of the punctuation keys.
    {SDL_SCANCODE_SEMICOLON, VK_OEM_1}, {SDL_SCANCODE_EQUALS, VK_OEM_PLUS}, {SDL_SCANCODE_COMMA, VK_OEM_COMMA},
    {SDL_SCANCODE_MINUS, VK_OEM_MINUS}, {SDL_SCANCODE_PERIOD, VK_OEM_PERIOD}, {SDL_SCANCODE_SLASH, VK_OEM_2},
    {SDL_SCANCODE_GRAVE, VK_OEM_3}, {SDL_SCANCODE_LEFTBRACKET, VK_OEM_4}, {SDL_SCANCODE_BACKSLASH, VK_OEM_5},
    {SDL_SCANCODE_RIGHTBRACKET, VK_OEM_6}, {SDL_SCANCODE_APOSTROPHE, VK_OEM_7},
    {SDL_SCANCODE_NONUSBACKSLASH, VK_OEM_102},
};

// The keypad's digit keys 1-9, 0 and its point: with Num Lock the numbers, without it the
// navigation keys they carry (not extended: they are the keypad's own).
struct KeypadKey {
    SDL_Scancode scancode;
    UINT number;
    UINT navigation;
};

constexpr KeypadKey kKeypad[] = {
    {SDL_SCANCODE_KP_1, VK_NUMPAD1, VK_END}, {SDL_SCANCODE_KP_2, VK_NUMPAD2, VK_DOWN},
    {SDL_SCANCODE_KP_3, VK_NUMPAD3, VK_NEXT}, {SDL_SCANCODE_KP_4, VK_NUMPAD4, VK_LEFT},
    {SDL_SCANCODE_KP_5, VK_NUMPAD5, VK_CLEAR}, {SDL_SCANCODE_KP_6, VK_NUMPAD6, VK_RIGHT},
    {SDL_SCANCODE_KP_7, VK_NUMPAD7, VK_HOME}, {SDL_SCANCODE_KP_8, VK_NUMPAD8, VK_UP},
    {SDL_SCANCODE_KP_9, VK_NUMPAD9, VK_PRIOR}, {SDL_SCANCODE_KP_0, VK_NUMPAD0, VK_INSERT},
    {SDL_SCANCODE_KP_PERIOD, VK_DECIMAL, VK_DELETE},
};

constexpr UINT kKeypadPointScan = 0x53;
constexpr UINT kKeypadEnterScan = 0x1C;

WindowsKey byVk(UINT sideVk)
{
    WindowsKey k;
    k.scan = input::scanCodeOf(sideVk, k.extended);
    k.vk = input::genericKeyOf(sideVk);
    return k;
}

} // namespace

WindowsKey windowsKeyOf(SDL_Keycode key, SDL_Scancode scancode, Uint16 mod)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return byVk(UINT('A' + (key - SDLK_a)));
    if (key >= SDLK_0 && key <= SDLK_9)
        return byVk(UINT('0' + (key - SDLK_0)));
    if (key == SDLK_MODE) // AltGr
        return byVk(VK_RMENU);
    if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12)
        return byVk(VK_F1 + UINT(scancode - SDL_SCANCODE_F1));
    if (scancode >= SDL_SCANCODE_F13 && scancode <= SDL_SCANCODE_F24)
        return byVk(VK_F13 + UINT(scancode - SDL_SCANCODE_F13));
    if (scancode == SDL_SCANCODE_KP_ENTER)
        return WindowsKey{VK_RETURN, kKeypadEnterScan, true};
    for (const KeypadKey& k : kKeypad)
        if (k.scancode == scancode) {
            WindowsKey out = byVk(k.number == VK_DECIMAL ? VK_NUMPAD0 : k.number);
            if (k.number == VK_DECIMAL)
                out.scan = kKeypadPointScan;
            out.extended = false;
            out.vk = (mod & KMOD_NUM) ? k.number : k.navigation;
            return out;
        }
    for (const Placed& p : kPlaced)
        if (p.scancode == scancode)
            return byVk(p.vk);
    return {};
}

} // namespace plat::sdl
