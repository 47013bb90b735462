// Menu templates come from resources of any module: whatever their bytes, loading one must give
// a menu that can be walked and destroyed whole, or fail and leave no menu behind.
//
// Input: the template's bytes. They are read once bounded by their size, once as an Indirect
// template from a zero-filled buffer of the most such a template is read for.
//
// A template whose levels do not end within the input is read on through the zeros, some 11000
// empty items, to the 64 KiB bound: such inputs take milliseconds, and the run stays at a few
// hundred inputs a second.

#include "menu/MenuTemplate.h"
#include "menu/Menus.h"

#include "plat/menu.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Reads every item of the menu and its submenus; collects the menus met.
void walk(HMENU menu, std::vector<HMENU>& seen, int depth)
{
    if (depth > 17)
        std::abort(); // deeper than any template may nest
    seen.push_back(menu);
    const int n = GetMenuItemCount(menu);
    if (n < 1)
        std::abort(); // every level holds an item
    for (int i = 0; i < n; ++i) {
        char text[64];
        GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
        if (HMENU sub = GetSubMenu(menu, i))
            walk(sub, seen, depth + 1);
        else
            GetMenuItemID(menu, i);
    }
}

void check(HMENU menu)
{
    if (!menu) {
        if (plat::menu::liveMenus() != 0)
            std::abort();
        return;
    }
    std::vector<HMENU> seen;
    walk(menu, seen, 1);
    if (plat::menu::liveMenus() != seen.size() || !DestroyMenu(menu))
        std::abort();
    for (HMENU m : seen)
        if (IsMenu(m))
            std::abort();
    if (plat::menu::liveMenus() != 0)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    constexpr size_t kLimit = 0x10000;
    if (size > kLimit)
        return 0;
    const std::vector<uint8_t> exact(data, data + size);
    check(plat::menu::loadTemplate(exact.data(), exact.size()));

    std::vector<uint8_t> buffer(kLimit, 0);
    if (size)
        std::memcpy(buffer.data(), data, size);
    check(LoadMenuIndirectA(buffer.data()));
    return 0;
}
