// The menu store and the calls that build, read and change menus.

#include "menu/Menus.h"

#include "plat/errors.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

namespace plat::menu {

namespace {

std::atomic<size_t> g_liveMenus{0};

class Menu : public KernelObject {
public:
    Menu() { ++g_liveMenus; }
    ~Menu() override { --g_liveMenus; }
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;

    std::vector<MenuItem> items;
    bool system = false;
};

std::mutex& menusMutex()
{
    static std::mutex m;
    return m;
}

HandleTable& menuHandles()
{
    static HandleTable* table = new HandleTable;
    return *table;
}

std::shared_ptr<Menu> findMenu(HMENU menu)
{
    auto found = menu ? std::dynamic_pointer_cast<Menu>(menuHandles().lookup(HANDLE(menu))) : nullptr;
    if (!found)
        SetLastError(ERROR_INVALID_MENU_HANDLE);
    return found;
}

// Under menusMutex(): the item an MF_BYPOSITION position or MF_BYCOMMAND id names (commands are
// looked for through the submenus too); null with ERROR_MENU_ITEM_NOT_FOUND.
MenuItem* findItem(Menu& menu, UINT item, UINT flags, int depth = 0)
{
    if (flags & MF_BYPOSITION) {
        if (item < menu.items.size())
            return &menu.items[item];
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return nullptr;
    }
    for (MenuItem& it : menu.items) {
        if (!it.popup() && !it.separator() && UINT(it.id) == item)
            return &it;
        if (it.popup() && depth < 16)
            if (auto sub = std::dynamic_pointer_cast<Menu>(menuHandles().lookup(HANDLE(it.sub))))
                if (MenuItem* found = findItem(*sub, item, flags, depth + 1))
                    return found;
    }
    SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
    return nullptr;
}

// Runs change on the item under the lock; -1 when the menu or the item is not there.
template <class Change>
LONG_PTR withItem(HMENU hMenu, UINT item, UINT flags, Change change)
{
    auto menu = findMenu(hMenu);
    if (!menu)
        return -1;
    std::lock_guard lock(menusMutex());
    MenuItem* it = findItem(*menu, item, flags);
    return it ? change(*it) : -1;
}

} // namespace

size_t liveMenus() { return g_liveMenus; }

bool itemsOf(HMENU hMenu, std::vector<MenuItem>& out)
{
    auto menu = findMenu(hMenu);
    if (!menu)
        return false;
    std::lock_guard lock(menusMutex());
    out = menu->items;
    return true;
}

bool isSystemMenu(HMENU hMenu)
{
    auto menu = findMenu(hMenu);
    return menu && menu->system;
}

HMENU makeMenu(std::vector<MenuItem> items, bool system)
{
    auto menu = std::make_shared<Menu>();
    menu->items = std::move(items);
    menu->system = system;
    return HMENU(menuHandles().insert(menu));
}

} // namespace plat::menu

using namespace plat::menu;

HMENU CreatePopupMenu() { return makeMenu({}); }

BOOL DestroyMenu(HMENU hMenu)
{
    auto menu = findMenu(hMenu);
    if (!menu)
        return FALSE;
    std::vector<HMENU> subs;
    {
        std::lock_guard lock(menusMutex());
        for (const MenuItem& it : menu->items)
            if (it.popup())
                subs.push_back(it.sub);
    }
    // The handle goes first, so that a menu listed inside itself ends the walk.
    menuHandles().remove(HANDLE(hMenu));
    for (HMENU sub : subs)
        if (IsMenu(sub))
            DestroyMenu(sub);
    return TRUE;
}

BOOL IsMenu(HMENU hMenu)
{
    return hMenu && std::dynamic_pointer_cast<Menu>(menuHandles().lookup(HANDLE(hMenu))) ? TRUE : FALSE;
}

BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem)
{
    auto menu = findMenu(hMenu);
    if (!menu)
        return FALSE;
    MenuItem item;
    item.flags = uFlags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP | MF_SEPARATOR);
    if (item.popup()) {
        item.sub = HMENU(uIDNewItem);
        if (!IsMenu(item.sub) || item.sub == hMenu) {
            SetLastError(ERROR_INVALID_MENU_HANDLE);
            return FALSE;
        }
    } else {
        item.id = uIDNewItem;
    }
    if (!item.separator() && lpNewItem)
        item.text = lpNewItem;
    std::lock_guard lock(menusMutex());
    menu->items.push_back(std::move(item));
    return TRUE;
}

HMENU GetSubMenu(HMENU hMenu, int nPos)
{
    const LONG_PTR sub = withItem(hMenu, UINT(nPos), MF_BYPOSITION,
        [](const MenuItem& it) { return it.popup() ? LONG_PTR(it.sub) : 0; });
    return sub == -1 ? nullptr : HMENU(sub);
}

int GetMenuItemCount(HMENU hMenu)
{
    auto menu = findMenu(hMenu);
    if (!menu)
        return -1;
    std::lock_guard lock(menusMutex());
    return int(menu->items.size());
}

UINT GetMenuItemID(HMENU hMenu, int nPos)
{
    return UINT(withItem(hMenu, UINT(nPos), MF_BYPOSITION,
        [](const MenuItem& it) { return it.popup() ? LONG_PTR(-1) : LONG_PTR(UINT(it.id)); }));
}

int GetMenuStringA(HMENU hMenu, UINT uIDItem, LPSTR lpString, int cchMax, UINT flags)
{
    std::string text;
    if (withItem(hMenu, uIDItem, flags, [&](const MenuItem& it) {
            text = it.text;
            return 0;
        }) == -1)
        return 0;
    if (!lpString || cchMax <= 0)
        return int(text.size());
    const size_t n = std::min(text.size(), size_t(cchMax) - 1);
    std::memcpy(lpString, text.data(), n);
    lpString[n] = '\0';
    return int(n);
}

BOOL EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable)
{
    return BOOL(withItem(hMenu, uIDEnableItem, uEnable, [&](MenuItem& it) {
        const UINT mask = MF_GRAYED | MF_DISABLED;
        const UINT previous = it.flags & mask;
        it.flags = (it.flags & ~mask) | (uEnable & mask);
        return LONG_PTR(previous);
    }));
}

DWORD CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck)
{
    return DWORD(withItem(hMenu, uIDCheckItem, uCheck, [&](MenuItem& it) {
        const UINT previous = it.flags & MF_CHECKED;
        it.flags = (it.flags & ~UINT(MF_CHECKED)) | (uCheck & MF_CHECKED);
        return LONG_PTR(previous);
    }));
}
