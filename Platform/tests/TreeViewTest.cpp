#include "ControlTestSupport.h"

#include "plat/commctrl.h"
#include "plat/focus.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/sysmetrics.h"

#include <gtest/gtest.h>

using plat::headless::click;
using vnt::test::ControlParent;

namespace {

// Test font: rows of 13 + 2 = 15 px; with lines at the root, root labels start at 19.
constexpr int kRow = 15;
constexpr int kIndent = 19;

HTREEITEM insert(HWND tree, HTREEITEM parent, const char* text, HTREEITEM after = TVI_LAST)
{
    TVINSERTSTRUCTA in{};
    in.hParent = parent;
    in.hInsertAfter = after;
    in.item.mask = TVIF_TEXT;
    in.item.pszText = const_cast<char*>(text);
    return HTREEITEM(SendMessageA(tree, TVM_INSERTITEMA, 0, LPARAM(&in)));
}

HTREEITEM next(HWND tree, UINT code, HTREEITEM item = nullptr)
{
    return HTREEITEM(SendMessageA(tree, TVM_GETNEXTITEM, code, LPARAM(item)));
}

std::string textOf(HWND tree, HTREEITEM item)
{
    char buffer[32] = {};
    TVITEMA get{};
    get.mask = TVIF_TEXT | TVIF_HANDLE;
    get.hItem = item;
    get.pszText = buffer;
    get.cchTextMax = sizeof buffer;
    SendMessageA(tree, TVM_GETITEMA, 0, LPARAM(&get));
    return buffer;
}

struct TreeFixture {
    TreeFixture()
        : tree(parent.child(WC_TREEVIEWA, TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, {0, 0, 200, 150}, 8))
    {
        a = insert(tree, TVI_ROOT, "a");
        c = insert(tree, TVI_ROOT, "c");
        b = insert(tree, TVI_ROOT, "b", TVI_SORT);
        a1 = insert(tree, a, "a1");
        a2 = insert(tree, a, "a2");
        ControlParent::pump();
        parent.hook = [this](UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
            if (msg != WM_NOTIFY)
                return false;
            const auto* nm = reinterpret_cast<const NMHDR*>(lParam);
            codes.push_back(int(nm->code));
            result = nm->code == UINT(NM_CLICK) ? clickAnswer : 0;
            return true;
        };
    }
    ControlParent parent;
    HWND tree;
    HTREEITEM a, b, c, a1, a2;
    std::vector<int> codes;
    LRESULT clickAnswer = 0;
};

TEST(TreeView, NextItemWalksTheTree)
{
    TreeFixture f;
    SendMessageA(f.tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(f.a2));
    const struct {
        UINT code;
        HTREEITEM from;
        HTREEITEM expected;
    } cases[] = {
        {TVGN_ROOT, nullptr, f.a}, {TVGN_NEXT, f.a, f.b}, {TVGN_NEXT, f.c, nullptr}, {TVGN_PREVIOUS, f.b, f.a},
        {TVGN_PREVIOUS, f.a1, nullptr}, {TVGN_PARENT, f.a2, f.a}, {TVGN_PARENT, f.a, nullptr},
        {TVGN_CHILD, f.a, f.a1}, {TVGN_CHILD, f.b, nullptr}, {TVGN_CHILD, TVI_ROOT, f.a}, {TVGN_CARET, nullptr, f.a2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(next(f.tree, c.code, c.from), c.expected) << c.code;
    EXPECT_EQ(textOf(f.tree, f.b), "b"); // sorted between a and c
    EXPECT_EQ(SendMessageA(f.tree, TVM_GETCOUNT, 0, 0), 5);
    // A deleted item's handle names nothing, even once its slot is used again.
    EXPECT_TRUE(SendMessageA(f.tree, TVM_DELETEITEM, 0, LPARAM(f.a)));
    EXPECT_EQ(next(f.tree, TVGN_NEXT, f.a), nullptr);
    EXPECT_EQ(next(f.tree, TVGN_PARENT, f.a1), nullptr);
    HTREEITEM again = insert(f.tree, TVI_ROOT, "new");
    EXPECT_NE(again, f.a);
    EXPECT_EQ(next(f.tree, TVGN_NEXT, f.a2), nullptr);
    EXPECT_EQ(next(f.tree, TVGN_CARET), nullptr);
    EXPECT_TRUE(SendMessageA(f.tree, TVM_DELETEITEM, 0, LPARAM(TVI_ROOT)));
    EXPECT_EQ(SendMessageA(f.tree, TVM_GETCOUNT, 0, 0), 0);
}

TEST(TreeView, ALabelClickTellsClickThenSelectionAndAnAnswerKeepsIt)
{
    TreeFixture f;
    click(kIndent + 4, kRow + 5); // "b"
    ControlParent::pump();
    EXPECT_EQ(f.codes, (std::vector<int>{NM_CLICK, TVN_SELCHANGEDA}));
    EXPECT_EQ(next(f.tree, TVGN_CARET), f.b);
    f.codes.clear();
    f.clickAnswer = 1;
    click(kIndent + 4, 5); // "a"
    ControlParent::pump();
    EXPECT_EQ(f.codes, std::vector<int>{NM_CLICK});
    EXPECT_EQ(next(f.tree, TVGN_CARET), f.b);

    // The button of "a" expands it; its children take rows below it.
    f.codes.clear();
    f.clickAnswer = 0;
    click(kIndent / 2 - 1, 7);
    ControlParent::pump();
    EXPECT_EQ(f.codes, (std::vector<int>{NM_CLICK, TVN_ITEMEXPANDEDA}));
    TVHITTESTINFO hit{{2 * kIndent + 4, kRow + 5}, 0, nullptr};
    EXPECT_EQ(HTREEITEM(SendMessageA(f.tree, TVM_HITTEST, 0, LPARAM(&hit))), f.a1);
    EXPECT_EQ(hit.flags, UINT(TVHT_ONITEMLABEL));
}

TEST(TreeView, KeysMoveOpenAndClose)
{
    TreeFixture f;
    SetFocus(f.tree);
    SendMessageA(f.tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(f.a));
    for (UINT vk : {VK_RIGHT, VK_RIGHT, VK_DOWN})
        plat::headless::keyPress(vk);
    ControlParent::pump();
    EXPECT_EQ(next(f.tree, TVGN_CARET), f.a2);
    plat::headless::keyPress(VK_LEFT);
    ControlParent::pump();
    EXPECT_EQ(next(f.tree, TVGN_CARET), f.a);
    TVITEMA state{};
    state.mask = TVIF_STATE | TVIF_HANDLE;
    state.hItem = f.a;
    state.stateMask = TVIS_EXPANDED;
    SendMessageA(f.tree, TVM_GETITEMA, 0, LPARAM(&state));
    EXPECT_EQ(state.state, UINT(TVIS_EXPANDED));
    plat::headless::keyPress(VK_LEFT);
    plat::headless::keyPress(VK_END);
    ControlParent::pump();
    SendMessageA(f.tree, TVM_GETITEMA, 0, LPARAM(&state));
    EXPECT_EQ(state.state, 0u);
    EXPECT_EQ(next(f.tree, TVGN_CARET), f.c);
}

} // namespace
