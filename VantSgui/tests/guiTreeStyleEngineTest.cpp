#include "TreeTestKit.h"
#include "guiTreeStyleEngine.h"

#include "guiBase.h"

#include "plat/gdi.h"

#include <map>
#include <string>

namespace {

using gui::test::makeAspect;
using gui::test::readStyle;
using gui::test::TreeTest;
using AspectPtr = vbRefPtr<guiTreeAspect, &CLSID_guiTreeAspect>;

class TreeAspectEngine : public TreeTest {};

// The owner of an engine: one record for the engine itself, and records by name.
class Source : public sIguiTreeAspectGet {
public:
    explicit Source(IguiTreeAspect* own = nullptr) : aspect(own) {}
    IguiTreeAspect* GetAspect(guiTreeAspectEngine*) override { return aspect; }
    bool GetAspect(guiTreeAspectEngine*, const vbString* names, int count, guiTreeAspectRef* out) override
    {
        ++asked;
        for (int i = 0; i < count; ++i) {
            auto it = byName.find(std::string(names[i]));
            if (it != byName.end()) {
                *out = it->second;
                return true;
            }
        }
        return false;
    }
    void onAspectListChange(IguiTreeNode*) override {}

    IguiTreeAspect* aspect;
    std::map<std::string, IguiTreeAspect*> byName;
    int asked = 0;
};

TEST_F(TreeAspectEngine, WithNothingToAskItAnswersTheFallbacks)
{
    Source none;
    guiTreeAspectEngine e(&none, nullptr, nullptr);
    EXPECT_EQ(e.GetSzIcon().cx, 16);
    EXPECT_EQ(e.GetSzIcon().cy, 16);
    for (int v :
        {e.GetSpacingHeight(), e.GetIndentation(), e.GetRootIndentation(), e.GetSepHeight(), e.GetWidthMax()})
        EXPECT_EQ(v, 0);
    EXPECT_TRUE(e.GetTextColor().IsNull());
    EXPECT_TRUE(e.GetCheckBtnTextColor().IsNull());
    EXPECT_TRUE(e.GetFont().IsEmpty());
    EXPECT_TRUE(e.GetSelOverFont().IsEmpty());
    EXPECT_TRUE(e.GetCaptionFont().IsEmpty());
    EXPECT_TRUE(e.GetBack().IsEmpty());
    EXPECT_TRUE(e.GetLoadingIcon().IsEmpty());
    EXPECT_FALSE(e.GetCursor().IsValid());
    EXPECT_EQ(e.GetShowTreeLine().GetState(), 2);
    EXPECT_EQ(&e.GetCursor(guiTreeHit_Help), &e.GetCursor()) << "an invalid choice gives the plain cursor";
    EXPECT_FALSE(e.HasParent());
    EXPECT_FALSE(e.HasDflt());
}

TEST_F(TreeAspectEngine, UnsetValuesComeFromTheParentThenTheDefault)
{
    AspectPtr mine = makeAspect("mine"), up = makeAspect(), dflt = makeAspect();
    readStyle(mine.Get(), "indentation=0 textcolor=red caption=Own");
    readStyle(up.Get(), "indentation=9 sepheight=4 bkcolor=blue");
    readStyle(dflt.Get(), "sepheight=7 rootindentation=3 overtextcolor=green");
    Source s(mine.Get()), sUp(up.Get()), sDflt(dflt.Get());
    guiTreeAspectEngine dfltEngine(&sDflt, nullptr, nullptr);
    guiTreeAspectEngine parent(&sUp, nullptr, nullptr);
    guiTreeAspectEngine e(&s, &parent, &dfltEngine);
    EXPECT_EQ(e.GetIndentation(), 0) << "an own 0 is used";
    EXPECT_EQ(e.GetSepHeight(), 4) << "the parent before the default";
    EXPECT_EQ(e.GetRootIndentation(), 0) << "the default is not asked while there is a parent";
    EXPECT_EQ(e.GetTextColor(), vbColor(RGB(255, 0, 0)));
    EXPECT_EQ(e.GetBack().GetColor(), vbColor(RGB(0, 0, 255)));
    EXPECT_EQ(std::string(e.GetCaption()), "Own");
    EXPECT_EQ(std::string(e.GetName()), "mine");

    guiTreeAspectEngine orphan(&s, nullptr, &dfltEngine);
    EXPECT_EQ(orphan.GetSepHeight(), 7);
    EXPECT_EQ(orphan.GetRootIndentation(), 3);
}

// The two ways to the default engine: without a parent, and through a parent that leaves the
// value unset too (a host's engine without a font must not leave a menu with none).
TEST_F(TreeAspectEngine, WhatTheParentLeavesUnsetComesFromTheDefault)
{
    AspectPtr dflt = makeAspect(), up = makeAspect();
    readStyle(dflt.Get(), "fontname=\"DejaVu Sans\" fontsize=11 selbold overtextcolor=#00FF00 bkcolor=blue");
    readStyle(up.Get(), "textcolor=red");
    Source none, sUp(up.Get()), sDflt(dflt.Get());
    guiTreeAspectEngine dfltEngine(&sDflt, nullptr, nullptr);
    guiTreeAspectEngine parent(&sUp, nullptr, nullptr);
    guiTreeAspectEngine orphan(&none, nullptr, &dfltEngine);
    guiTreeAspectEngine hosted(&none, &parent, &dfltEngine);
    for (const guiTreeAspectEngine* e : {&orphan, &hosted}) {
        SCOPED_TRACE(e == &orphan ? "without parent" : "through the parent");
        EXPECT_EQ(std::string(e->GetFont().GetName()), "DejaVu Sans");
        EXPECT_EQ(e->GetFont().GetSize(), 11);
        EXPECT_TRUE(e->GetSelFont().GetBold());
        EXPECT_FALSE(e->GetOverFont().IsEmpty());
        EXPECT_EQ(e->GetOverTextColor(), vbColor(RGB(0, 255, 0)));
        EXPECT_EQ(e->GetBack().GetColor(), vbColor(RGB(0, 0, 255)));
    }
    EXPECT_EQ(hosted.GetTextColor(), vbColor(RGB(255, 0, 0))) << "the parent's still comes first";
    EXPECT_TRUE(orphan.GetTextColor().IsNull());
}

TEST_F(TreeAspectEngine, StateSelectorsPreferOverForColoursAndSelForFonts)
{
    AspectPtr mine = makeAspect();
    readStyle(mine.Get(), "textcolor=red seltextcolor=#00FF00 overtextcolor=blue");
    readStyle(mine.Get(), "fontname=\"DejaVu Sans\" fontsize=10 selbold overitalic");
    Source s(mine.Get());
    guiTreeAspectEngine e(&s, nullptr, nullptr);
    EXPECT_EQ(e.GetTextColor(false, true, true), vbColor(RGB(0, 0, 255)));
    EXPECT_EQ(e.GetTextColor(false, true, false), vbColor(RGB(0, 255, 0)));
    EXPECT_EQ(e.GetTextColor(false, false, false), vbColor(RGB(255, 0, 0)));
    EXPECT_EQ(e.GetTextColor(true, true, true), vbColor(g_guiClrTextGray));
    EXPECT_EQ(e.GetTextShadowColor(true, false, false), vbColor(g_guiClrTextGrayShadow));
    EXPECT_EQ(&e.GetFont(true, false), &e.GetSelFont());
    EXPECT_EQ(&e.GetFont(false, true), &e.GetOverFont());
    EXPECT_EQ(&e.GetFont(false, false), &e.GetFont());
    const guiFont& both = e.GetFont(true, true);
    EXPECT_EQ(&both, &e.GetSelOverFont()) << "sel and over fonts make a sel-over font";
    EXPECT_TRUE(both.GetBold());
    EXPECT_TRUE(both.GetItalic());
    EXPECT_EQ(both.GetSize(), 10);
}

TEST_F(TreeAspectEngine, FontsCompleteFromTheParent)
{
    AspectPtr mine = makeAspect(), up = makeAspect();
    readStyle(mine.Get(), "fontsize=12");
    readStyle(up.Get(), "fontname=\"DejaVu Sans\" fontsize=9 selbold");
    Source s(mine.Get()), sUp(up.Get());
    guiTreeAspectEngine parent(&sUp, nullptr, nullptr);
    guiTreeAspectEngine e(&s, &parent, nullptr);
    EXPECT_EQ(std::string(e.GetFont().GetName()), "DejaVu Sans");
    EXPECT_EQ(e.GetFont().GetSize(), 12);

    AspectPtr named = makeAspect();
    readStyle(named.Get(), "fontname=\"DejaVu Sans\" fontsize=8");
    Source s2(named.Get());
    guiTreeAspectEngine child(&s2, &parent, nullptr);
    const guiFont& sel = child.GetSelFont();
    EXPECT_EQ(std::string(sel.GetName()), "DejaVu Sans");
    EXPECT_EQ(sel.GetSize(), 8);
    EXPECT_TRUE(sel.GetBold());
}

TEST_F(TreeAspectEngine, CaptionFontsAreVerticalAndPensKeepTheirWidths)
{
    AspectPtr mine = makeAspect();
    readStyle(mine.Get(),
        "captionfontname=\"DejaVu Sans\" captionfontsize=10 treelinecolor=red checkbtnrectcolor=red");
    Source s(mine.Get());
    guiTreeAspectEngine e(&s, nullptr, nullptr);
    EXPECT_EQ(e.GetCaptionFont().GetOrientation(), 900);
    LOGPEN pen{};
    ASSERT_NE(::GetObjectA(const_cast<vbColor&>(e.GetTreeLineColor()).GetPen(), sizeof pen, &pen), 0);
    EXPECT_EQ(pen.lopnWidth.x, 1);
    ASSERT_NE(::GetObjectA(const_cast<vbColor&>(e.GetCheckBtnRectColor()).GetPen(), sizeof pen, &pen), 0);
    EXPECT_EQ(pen.lopnWidth.x, 2);
}

TEST_F(TreeAspectEngine, ChangesAreSeenAfterReset)
{
    AspectPtr mine = makeAspect();
    readStyle(mine.Get(), "indentation=5");
    Source s(mine.Get());
    guiTreeAspectEngine e(&s, nullptr, nullptr);
    EXPECT_EQ(e.GetIndentation(), 5);
    mine->SetIndentation(6, true);
    EXPECT_EQ(e.GetIndentation(), 5);
    e.Reset();
    EXPECT_EQ(e.GetIndentation(), 6);
}

TEST_F(TreeAspectEngine, NamedLookUpsCascadeOnlyWhenAsked)
{
    AspectPtr a = makeAspect("a");
    Source s, sUp, sDflt;
    sDflt.byName["a"] = a.Get();
    guiTreeAspectEngine dflt(&sDflt, nullptr, nullptr);
    guiTreeAspectEngine parent(&sUp, nullptr, nullptr);
    guiTreeAspectEngine e(&s, &parent, &dflt);
    const vbString names[] = {"x", "a"};
    guiTreeAspectRef out;
    EXPECT_FALSE(e.GetAspect(names, 2, &out, false));
    EXPECT_EQ(sUp.asked + sDflt.asked, 0);
    EXPECT_TRUE(e.GetAspect(names, 2, &out, true));
    EXPECT_EQ(out.Get(), static_cast<IguiTreeAspect*>(a.Get()));
    EXPECT_EQ(sUp.asked, 1);
    EXPECT_EQ(sDflt.asked, 1);
}

} // namespace
