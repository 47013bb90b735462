// Reading menu templates. Every read is checked against the bytes given; a template that does
// not fit, nests too deep or never ends its levels makes no menu at all.

#include "menu/MenuTemplate.h"

#include "menu/Menus.h"

#include "plat/codepage.h"
#include "plat/resource.h"

#include <deque>
#include <iterator>
#include <optional>
#include <string>

namespace plat::menu {

namespace {

constexpr int kDeepest = 16;
// The most an Indirect template is read for: it comes without a size.
constexpr size_t kIndirectLimit = 0x10000;

class Reader {
public:
    Reader(const BYTE* data, size_t size) : m_data(data), m_size(size) { }

    bool word(WORD& out)
    {
        if (m_size - m_at < 2)
            return false;
        out = WORD(m_data[m_at] | m_data[m_at + 1] << 8);
        m_at += 2;
        return true;
    }
    bool text(std::string& out)
    {
        // No text, as a separator has: nothing to convert.
        if (m_size - m_at >= 2 && m_data[m_at] == 0 && m_data[m_at + 1] == 0) {
            m_at += 2;
            out.clear();
            return true;
        }
        std::u16string wide;
        for (WORD c; word(c);) {
            if (c == 0) {
                out = utf8FromUtf16(wide);
                return true;
            }
            wide.push_back(char16_t(c));
        }
        return false;
    }
    bool skip(size_t n)
    {
        if (m_size - m_at < n)
            return false;
        m_at += n;
        return true;
    }

private:
    const BYTE* m_data;
    size_t m_size;
    size_t m_at = 0;
};

// A level's items as they are read: a template may hold thousands, and a deque grows without
// moving those it has.
using Items = std::deque<MenuItem>;

void destroyItems(const Items& items)
{
    for (const MenuItem& it : items)
        if (it.popup())
            DestroyMenu(it.sub);
}

// A menu of the items, or null with their submenus destroyed.
HMENU makeOrDestroy(Items& items)
{
    HMENU menu = makeMenu(
        std::vector<MenuItem>(std::make_move_iterator(items.begin()), std::make_move_iterator(items.end())));
    if (!menu)
        destroyItems(items);
    return menu;
}

// One level's items, up to the one flagged MF_END; false (the level's submenus destroyed) when
// the bytes do not hold it.
bool readLevel(Reader& in, int depth, Items& items)
{
    if (depth > kDeepest)
        return false;
    for (;;) {
        WORD flags = 0, id = 0;
        MenuItem item;
        bool ok = in.word(flags) && ((flags & MF_POPUP) || in.word(id)) && in.text(item.text);
        if (ok && (flags & MF_POPUP)) {
            Items subItems;
            ok = readLevel(in, depth + 1, subItems);
            item.sub = ok ? makeOrDestroy(subItems) : nullptr;
            ok = item.sub != nullptr;
        }
        if (!ok) {
            destroyItems(items);
            return false;
        }
        item.flags = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP);
        item.id = id;
        if (!(flags & ~MF_END) && id == 0 && item.text.empty())
            item.flags = MF_SEPARATOR;
        items.push_back(std::move(item));
        if (flags & MF_END)
            return true;
    }
}

} // namespace

HMENU loadTemplate(const BYTE* data, size_t size)
{
    Reader in(data, data ? size : 0);
    WORD version = 0, offset = 0;
    Items items;
    HMENU menu = nullptr;
    if (in.word(version) && version == 0 && in.word(offset) && in.skip(offset) && readLevel(in, 1, items))
        menu = makeOrDestroy(items);
    if (!menu)
        SetLastError(ERROR_INVALID_DATA);
    return menu;
}

} // namespace plat::menu

HMENU LoadMenuIndirectA(LPCMENUTEMPLATEA lpMenuTemplate)
{
    return plat::menu::loadTemplate(static_cast<const BYTE*>(lpMenuTemplate), plat::menu::kIndirectLimit);
}

HMENU LoadMenuA(HINSTANCE hInstance, LPCSTR lpMenuName)
{
    HRSRC found = FindResourceA(HMODULE(hInstance), lpMenuName, RT_MENU);
    if (!found)
        return nullptr;
    const void* bytes = LockResource(LoadResource(HMODULE(hInstance), found));
    return plat::menu::loadTemplate(static_cast<const BYTE*>(bytes), SizeofResource(HMODULE(hInstance), found));
}
