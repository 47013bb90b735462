#pragma once

// The popup menu windows and the loop that tracks them.

#include "plat/menu.h"

namespace plat::menu {

LRESULT CALLBACK popupMenuProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The default window procedure's part: a top-level WS_SYSMENU window opens its system menu on
// SC_KEYMENU (Alt+Space) and on WM_CONTEXTMENU about itself; false for anything else.
bool systemMenuRequest(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace plat::menu
