#pragma once

// The item list that the combo box and the list box share: the same operations over each one's own
// messages.

#include "vbString.h"

#include "plat/afxwin.h"

#include <string>

namespace gui::mslist {

struct Messages {
    UINT count;
    UINT getCurSel;
    UINT setCurSel;
    UINT getText;
    UINT getTextLen;
    UINT getItemData;
    UINT setItemData;
    UINT addString;
    UINT insertString;
    UINT resetContent;
};

inline constexpr Messages kCombo{CB_GETCOUNT, CB_GETCURSEL, CB_SETCURSEL, CB_GETLBTEXT, CB_GETLBTEXTLEN,
    CB_GETITEMDATA, CB_SETITEMDATA, CB_ADDSTRING, CB_INSERTSTRING, CB_RESETCONTENT};
inline constexpr Messages kListBox{LB_GETCOUNT, LB_GETCURSEL, LB_SETCURSEL, LB_GETTEXT, LB_GETTEXTLEN,
    LB_GETITEMDATA, LB_SETITEMDATA, LB_ADDSTRING, LB_INSERTSTRING, LB_RESETCONTENT};

inline int send(CWnd& wnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return static_cast<int>(wnd.SendMessage(msg, wParam, lParam));
}

inline int length(CWnd& wnd, const Messages& m) { return send(wnd, m.count); }
inline int index(CWnd& wnd, const Messages& m) { return send(wnd, m.getCurSel); }
inline void setIndex(CWnd& wnd, const Messages& m, int i) { send(wnd, m.setCurSel, static_cast<WPARAM>(i)); }

// An index with no item gives an empty text: its length answers an error, and nothing is read.
inline vbString item(CWnd& wnd, const Messages& m, int i)
{
    const int size = send(wnd, m.getTextLen, static_cast<WPARAM>(i));
    if (size <= 0)
        return vbString();
    std::string text(static_cast<size_t>(size) + 1, '\0');
    const int read = send(wnd, m.getText, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    if (read <= 0)
        return vbString();
    text.resize(static_cast<size_t>(read < size ? read : size));
    return vbString(text.c_str());
}

inline int itemData(CWnd& wnd, const Messages& m, int i) { return send(wnd, m.getItemData, static_cast<WPARAM>(i)); }

inline void setItemData(CWnd& wnd, const Messages& m, int i, int data)
{
    send(wnd, m.setItemData, static_cast<WPARAM>(i), static_cast<LPARAM>(static_cast<DWORD>(data)));
}

// Below 0 appends (or sorts in); Windows' answer, negative when the insertion failed.
inline int insert(CWnd& wnd, const Messages& m, int i, const vbString& text)
{
    const LPARAM string = reinterpret_cast<LPARAM>(text.c_str());
    return i < 0 ? send(wnd, m.addString, 0, string) : send(wnd, m.insertString, static_cast<WPARAM>(i), string);
}

// A failed insertion sets no data: its negative answer would name no item, or (-1) all of them.
inline int insert(CWnd& wnd, const Messages& m, int i, const vbString& text, int data)
{
    const int inserted = insert(wnd, m, i, text);
    if (inserted >= 0)
        setItemData(wnd, m, inserted, data);
    return inserted;
}

inline void clear(CWnd& wnd, const Messages& m) { send(wnd, m.resetContent); }

inline vbString selectedText(CWnd& wnd, const Messages& m)
{
    const int selected = index(wnd, m);
    return selected < 0 ? vbString() : item(wnd, m, selected);
}

} // namespace gui::mslist
