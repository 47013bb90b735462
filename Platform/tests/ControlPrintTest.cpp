#include "ControlTestSupport.h"

#include "plat/focus.h"

#include <gtest/gtest.h>

using vnt::test::ControlParent;
using vnt::test::printsAsShown;

namespace {

TEST(Controls, PrintClientDrawsWhatTheWindowShows)
{
    const struct {
        const char* cls;
        DWORD style;
        const char* text;
    } cases[] = {
        {"Button", BS_DEFPUSHBUTTON, "OK"},
        {"Button", BS_AUTOCHECKBOX, "Check"},
        {"Static", SS_CENTER, "Some text"},
        {"ListBox", WS_VSCROLL, ""},
        {"Edit", 0, "typed"},
        {"ComboBox", CBS_DROPDOWNLIST, ""},
        {"ScrollBar", SBS_HORZ, ""},
    };
    for (const auto& c : cases) {
        ControlParent parent;
        HWND hwnd = parent.child(c.cls, c.style, {10, 10, 150, 70}, 4, c.text);
        ASSERT_NE(hwnd, nullptr) << c.cls;
        if (std::string(c.cls) == "ListBox")
            for (const char* s : {"one", "two", "three", "four", "five"})
                SendMessageA(hwnd, LB_ADDSTRING, 0, LPARAM(s));
        SetFocus(hwnd);
        ControlParent::pump();
        EXPECT_TRUE(printsAsShown(hwnd)) << c.cls << " " << c.style;
    }
}

} // namespace
