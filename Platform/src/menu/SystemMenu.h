#pragma once

// What the window core tells the system menus.

#include "plat/menu.h"

namespace plat::menu {

// Destroys a window's system menu, if it has one (its window is going).
void forgetSystemMenu(HWND hwnd);

} // namespace plat::menu
