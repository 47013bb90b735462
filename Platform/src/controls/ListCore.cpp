// The item store and row drawing of the list controls.

#include "controls/ListCore.h"

#include "plat/sysmetrics.h"

#include <algorithm>

namespace plat::controls {

namespace {

int foldedCompare(const std::string& a, const std::string& b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : int(c); };
        const int x = fold((unsigned char)a[i]);
        const int y = fold((unsigned char)b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

constexpr int kTextIndent = 2;

} // namespace

bool listTextLess(const std::string& a, const std::string& b)
{
    const int folded = foldedCompare(a, b);
    return folded != 0 ? folded < 0 : a < b;
}

int ListCore::add(const char* text)
{
    Item item{text ? text : "", 0};
    auto at = m_items.end();
    if (m_sorted)
        at = std::upper_bound(m_items.begin(), m_items.end(), item,
            [](const Item& x, const Item& y) { return listTextLess(x.text, y.text); });
    const int index = int(at - m_items.begin());
    m_items.insert(at, std::move(item));
    if (current >= index)
        ++current;
    return index;
}

int ListCore::insert(int index, const char* text)
{
    if (index == -1)
        index = count();
    if (index < 0 || index > count())
        return -1;
    m_items.insert(m_items.begin() + index, Item{text ? text : "", 0});
    if (current >= index)
        ++current;
    return index;
}

void ListCore::remove(int index)
{
    m_items.erase(m_items.begin() + index);
    if (current == index)
        current = -1;
    else if (current > index)
        --current;
}

void ListCore::clear()
{
    m_items.clear();
    current = -1;
    top = 0;
}

int ListCore::findExact(const char* text) const
{
    const std::string wanted = text ? text : "";
    for (int i = 0; i < count(); ++i)
        if (foldedCompare(m_items[size_t(i)].text, wanted) == 0)
            return i;
    return -1;
}

void ListCore::clampTop(int rows) { top = std::clamp(top, 0, std::max(0, count() - std::max(rows, 1))); }

void ListCore::showItem(int index, int rows)
{
    rows = std::max(rows, 1);
    if (index >= 0 && index < top)
        top = index;
    else if (index >= top + rows)
        top = index - rows + 1;
    clampTop(rows);
}

void ListCore::paintRows(HDC hdc, const RECT& area, int itemHeight, HBRUSH brush, int highlight) const
{
    paintRows(hdc, area, itemHeight, brush, [highlight](int i) { return i == highlight; });
}

void ListCore::paintRows(HDC hdc, const RECT& area, int itemHeight, HBRUSH brush,
    const std::function<bool(int)>& highlighted) const
{
    FillRect(hdc, &area, brush);
    const int oldMode = SetBkMode(hdc, TRANSPARENT);
    for (int i = top, y = area.top; i < count() && y < area.bottom; ++i, y += itemHeight) {
        const std::string& text = m_items[size_t(i)].text;
        const RECT row{area.left, y, area.right, y + itemHeight};
        COLORREF oldText = 0;
        const bool marked = highlighted(i);
        if (marked) {
            FillRect(hdc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
            oldText = SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        }
        TextOutA(hdc, area.left + kTextIndent, y + 1, text.data(), int(text.size()));
        if (marked)
            SetTextColor(hdc, oldText);
    }
    SetBkMode(hdc, oldMode);
}

int ListCore::widestRow(HDC hdc) const
{
    int widest = 0;
    for (const Item& item : m_items) {
        SIZE size{0, 0};
        GetTextExtentPoint32A(hdc, item.text.data(), int(item.text.size()), &size);
        widest = std::max(widest, int(size.cx));
    }
    return widest + 2 * kTextIndent;
}

int ListCore::itemAt(int y, int itemHeight) const
{
    if (y < 0 || itemHeight <= 0)
        return -1;
    const int index = top + y / itemHeight;
    return index < count() ? index : -1;
}

} // namespace plat::controls
