#pragma once

// The menu store: menus are objects of their own handle table, each a list of items, guarded by
// one mutex that is never held while a window procedure runs.

#include "kernel/HandleTable.h"
#include "plat/api.h"
#include "plat/menu.h"

#include <memory>
#include <string>
#include <vector>

namespace plat::menu {

struct MenuItem {
    UINT flags = 0; // MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_POPUP, MF_SEPARATOR
    UINT_PTR id = 0;
    std::string text;
    HMENU sub = nullptr;

    bool separator() const { return flags & MF_SEPARATOR; }
    bool popup() const { return flags & MF_POPUP; }
    bool enabled() const { return !(flags & (MF_GRAYED | MF_DISABLED)); }
};

// A copy of a menu's items, for showing it; false (ERROR_INVALID_MENU_HANDLE) for a bad menu.
bool itemsOf(HMENU menu, std::vector<MenuItem>& out);
// Whether the menu is a window's system menu.
bool isSystemMenu(HMENU menu);
// How many menus exist (exported for the fuzz target, which checks that failures leave none).
PLATAPI size_t liveMenus();
// Makes a menu of the given items (submenus already made); null when the table is full.
HMENU makeMenu(std::vector<MenuItem> items, bool system = false);

} // namespace plat::menu
