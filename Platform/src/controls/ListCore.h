#pragma once

// The store and look of a list of text items, shared by the combo box's list and the list box:
// items with their data, sorted insertion, the current item, the first row shown, and the
// drawing of rows.

#include "plat/gdi.h"

#include <functional>
#include <string>
#include <vector>

namespace plat::controls {

class ListCore {
public:
    struct Item {
        std::string text;
        LPARAM data = 0;
    };

    explicit ListCore(bool sorted) : m_sorted(sorted) { }

    // Answers the new item's index: the end, or its sorted place (after equal items).
    int add(const char* text);
    // At index (-1: the end), sorted or not; -1 for an index beyond the end.
    int insert(int index, const char* text);
    void remove(int index);
    void clear();
    int count() const { return int(m_items.size()); }
    bool valid(int index) const { return index >= 0 && index < count(); }
    const Item& item(int index) const { return m_items[size_t(index)]; }
    void setData(int index, LPARAM data) { m_items[size_t(index)].data = data; }
    // The first item equal to text, ASCII letters folded; -1 for none.
    int findExact(const char* text) const;

    int current = -1;
    int top = 0; // the first row shown

    // Keeps top within the items for rows visible rows, and moves it so that index shows.
    void clampTop(int rows);
    void showItem(int index, int rows);

    // Rows of itemHeight from the top of area, filled with brush; the highlighted row (-1: none)
    // in the highlight colours. The DC's font and text colour are the caller's.
    void paintRows(HDC hdc, const RECT& area, int itemHeight, HBRUSH brush, int highlight) const;
    // The same with every row for which highlighted answers true in the highlight colours.
    void paintRows(HDC hdc, const RECT& area, int itemHeight, HBRUSH brush,
        const std::function<bool(int)>& highlighted) const;
    // The width a row needs to show the widest text in the DC's font.
    int widestRow(HDC hdc) const;
    // The item at a y in the area's coordinates; -1 below the last.
    int itemAt(int y, int itemHeight) const;

private:
    bool m_sorted;
    std::vector<Item> m_items;
};

// Text order of sorted lists: ASCII letters folded, then bytes.
bool listTextLess(const std::string& a, const std::string& b);

} // namespace plat::controls
