#include "treeview/guiTreeViewStyles.h"

#include "guiTreeStyle.h"

#include "vbEngine.h"
#include "vbIcon.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> levelNames(const char* k, const char* n, bool popup, bool root)
{
    vbString names[guiTreeViewLevelNamesMax];
    const int count = guiTreeViewLevelNames(k, n, popup, root, names);
    return std::vector<std::string>(names, names + count);
}

using Names = std::vector<std::string>;

TEST(guiTreeViewStyles, LevelsAskFromTheirChildrenClassToTheUnnamedAspect)
{
    struct Case {
        const char* k;
        const char* n;
        bool popup;
        bool root;
        Names expected;
    };
    const Case cases[] = {
        {"", "", false, false, {}},
        {"files", "", false, false, {"treeview.files", "files"}},
        {"files", "big", false, false, {"treeview.big.files", "big.files", "treeview.files", "files"}},
        {"", "", false, true, {"treeview", ""}},
        {"", "big", false, true, {"treeview.big", "big", "treeview", ""}},
        {"files", "big", false, true,
            {"treeview.big.files", "big.files", "treeview.files", "files", "treeview.big", "big", "treeview", ""}},
        {"files", "", true, false, {"popup.treeview.files", "popup.files", "treeview.files", "files"}},
        {"files", "big", true, true,
            {"popup.treeview.big.files", "popup.big.files", "treeview.big.files", "big.files", "popup.treeview.files",
                "popup.files", "treeview.files", "files", "popup.treeview.big", "popup.big", "treeview.big", "big",
                "popup.treeview", "popup", "treeview", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.k) + "/" + c.n + (c.popup ? " popup" : "") + (c.root ? " root" : ""));
        EXPECT_EQ(levelNames(c.k, c.n, c.popup, c.root), c.expected);
    }
}

TEST(guiTreeViewStyles, AnItemClassAsksItsOwnNamesOnly)
{
    vbString names[guiTreeViewItemNamesMax];
    const int count = guiTreeViewItemNames("doc", "big", true, names);
    EXPECT_EQ(Names(names, names + count),
        (Names{"popup.treeview.big.doc", "popup.big.doc", "treeview.big.doc", "big.doc", "popup.treeview.doc",
            "popup.doc", "treeview.doc", "doc"}));
    EXPECT_EQ(guiTreeViewItemNames("", "big", true, names), 0);
}

// Surfaces resolve system colours through the colour engine.
class guiTreeViewBuiltIn : public ::testing::Test {
protected:
    vbUseEngineCenter m_use{&g_vbEngineCenter, true};
};

TEST_F(guiTreeViewBuiltIn, TheBuiltInAspect)
{
    const guiTreeAspectRef a = guiTreeViewDefaultAspect();
    ASSERT_TRUE(a);
    struct Colour {
        const char* what;
        const vbColor& value;
        DWORD expected;
    };
    const Colour colours[] = {
        {"text", a->GetTextColor(), 0x80000008},
        {"sel text", a->GetSelTextColor(), 0x8000000E},
        {"over text", a->GetOverTextColor(), 0xE22B8A},
        {"caption", a->GetCaptionColor(), 0x80000009},
        {"caption shadow", a->GetCaptionShadowColor(), 0x80000011},
        {"tree line", a->GetTreeLineColor(), 0x80000010},
        {"button rectangle", a->GetBtnRectColor(), 0x80000010},
        {"button sign", a->GetBtnTextColor(), 0x80000008},
        {"check rectangle", a->GetCheckBtnRectColor(), 0x80000008},
        {"check mark", a->GetCheckBtnTextColor(), 0x80000008},
    };
    for (const Colour& c : colours)
        EXPECT_TRUE(c.value == c.expected) << c.what;
    EXPECT_TRUE(a->GetBack().GetColor() == 0x80000005u);
    EXPECT_FALSE(a->GetBack().IsGrad());
    EXPECT_TRUE(a->GetSelBack().GetColor() == 0x8000000Du);
    EXPECT_TRUE(a->GetCaptionBack().IsGrad());
    EXPECT_EQ(a->GetFont().GetSize(), -12);
    EXPECT_TRUE(a->GetSelFont().GetBold());
    EXPECT_TRUE(a->GetOverFont().GetUnderline());
    EXPECT_TRUE(a->GetCaptionFont().GetBold());
    EXPECT_EQ(a->GetCaptionFont().GetSize(), -14);
    EXPECT_EQ(a->GetIndentation(), 8);
    EXPECT_EQ(a->GetRootIndentation(), 4);
    EXPECT_EQ(a->GetSepHeight(), 8);
    EXPECT_EQ(a->GetSpacingHeight(), 2);
    EXPECT_EQ(a->GetWidthMax(), 200);
    EXPECT_EQ(a->GetSzIcon(), CSize(16, 16));
    EXPECT_EQ(std::string(a->GetLoadingIcon().c_str()), vbIconHOURGLASS);
    EXPECT_EQ(a->GetShowTreeLine().GetState(), 2);
    EXPECT_TRUE(a->GetShowTreeLine().GetBool());
    EXPECT_EQ(a->GetShowRootTreeLine().GetState(), 2);
    EXPECT_FALSE(a->GetShowRootTreeLine().GetBool());
}

} // namespace
