#pragma once

// The keyboard layout the headless back end types with (a US layout) and the set-1 scan codes
// of every key.

#include "plat/types.h"

#include <string>

namespace plat::input {

// The set-1 scan code of a generic virtual key; extended is set for keys of the extended block
// (arrows, navigation keys, right Ctrl and Alt, numpad Divide). VK_LSHIFT ... VK_RMENU give
// their own side's code. 0 for a key without one.
UINT scanCodeOf(UINT vk, bool& extended);
// The generic key a side key stands for (VK_SHIFT for VK_LSHIFT and VK_RSHIFT ...).
UINT genericKeyOf(UINT vk);
// What a key types on the layout with the given modifiers; empty for a key that types nothing.
std::string layoutText(UINT vk, bool shift, bool capsLock, bool numLock);
// The key (and whether Shift is needed) that types an ASCII character on the layout.
bool layoutKeyFor(char c, UINT& vk, bool& shift);

} // namespace plat::input
