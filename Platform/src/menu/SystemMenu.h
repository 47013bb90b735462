#pragma once

// What the window core and the menu loop tell the system menus.

#include "plat/menu.h"

namespace plat::menu {

// Destroys a window's system menu, if it has one (its window is going).
void forgetSystemMenu(HWND hwnd);
// As a system menu opens: Minimize and Maximize are greyed where the desktop would not carry
// them out.
void offerWindowStates(HMENU menu);

} // namespace plat::menu
