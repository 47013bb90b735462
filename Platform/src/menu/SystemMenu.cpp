// Windows' system menus: made on first asking, kept per window, gone with the window.

#include "menu/Menus.h"
#include "menu/SystemMenu.h"
#include "ui/Display.h"

#include <map>
#include <mutex>

namespace plat::menu {

namespace {

std::mutex& systemMenusMutex()
{
    static std::mutex m;
    return m;
}

std::map<HWND, HMENU>& systemMenus()
{
    static auto* menus = new std::map<HWND, HMENU>;
    return *menus;
}

HMENU makeSystemMenu()
{
    std::vector<MenuItem> items{
        {MF_STRING, SC_RESTORE, "&Restore", nullptr},
        {MF_STRING, SC_MINIMIZE, "Mi&nimize", nullptr},
        {MF_STRING, SC_MAXIMIZE, "Ma&ximize", nullptr},
        {MF_SEPARATOR, 0, "", nullptr},
        {MF_STRING, SC_CLOSE, "&Close\tAlt+F4", nullptr},
    };
    return makeMenu(std::move(items), true);
}

HMENU takeSystemMenu(HWND hwnd)
{
    std::lock_guard lock(systemMenusMutex());
    auto it = systemMenus().find(hwnd);
    if (it == systemMenus().end())
        return nullptr;
    HMENU menu = it->second;
    systemMenus().erase(it);
    return menu;
}

} // namespace

void forgetSystemMenu(HWND hwnd)
{
    if (HMENU menu = takeSystemMenu(hwnd))
        DestroyMenu(menu);
}

void offerWindowStates(HMENU menu)
{
    const UINT state = ui::display().changesWindowStates() ? MF_ENABLED : MF_GRAYED;
    EnableMenuItem(menu, SC_MINIMIZE, MF_BYCOMMAND | state);
    EnableMenuItem(menu, SC_MAXIMIZE, MF_BYCOMMAND | state);
}

} // namespace plat::menu

HMENU GetSystemMenu(HWND hWnd, BOOL bRevert)
{
    using namespace plat::menu;
    if (bRevert) {
        forgetSystemMenu(hWnd);
        return nullptr;
    }
    if (!IsWindow(hWnd) || !(GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_SYSMENU))
        return nullptr;
    std::lock_guard lock(systemMenusMutex());
    HMENU& menu = systemMenus()[hWnd];
    if (!IsMenu(menu))
        menu = makeSystemMenu();
    return menu;
}
