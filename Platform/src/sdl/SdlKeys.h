#pragma once

// The desktop's keys as the platform's: virtual key, set-1 scan code and extended flag.

#include "plat/api.h"
#include "plat/types.h"

#include <SDL.h>

namespace plat::sdl {

struct WindowsKey {
    UINT vk = 0; // the generic key (VK_SHIFT, not VK_LSHIFT); 0 for a key we do not know
    UINT scan = 0;
    bool extended = false;
};

// Letters and digits follow the layout (the keycode); every other key goes by its place on the
// keyboard (the scancode), the keypad by the Num Lock state in mod.
PLATAPI WindowsKey windowsKeyOf(SDL_Keycode key, SDL_Scancode scancode, Uint16 mod);

} // namespace plat::sdl
