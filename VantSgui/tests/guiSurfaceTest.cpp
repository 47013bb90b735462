#include "DrawingBed.h"

#include "guiMsImg32.h"
#include "guiSurface.h"

#include "vbEngine.h"
#include "vbExpectThrown.h"

#include "plat/module.h"
#include "plat/msgbox.h"
#include "plat/region.h"
#include "plat/testhooks.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using gui::test::DrawingBed;
using gui::test::withElement;

constexpr DWORD kRed = RGB(255, 0, 0);
constexpr DWORD kGreen = RGB(0, 255, 0);
constexpr DWORD kBlue = RGB(0, 0, 255);
constexpr DWORD kNull = vbNULLCOLOR;

struct Counter : cbIguiSurfaceChanged {
    void onSurfaceChanged(guiSurface* s) override
    {
        ++calls;
        last = s;
    }
    int calls = 0;
    guiSurface* last = nullptr;
};

class SurfaceTest : public ::testing::Test {
protected:
    void SetUp() override { m_use.StartUse(true); }
    void TearDown() override
    {
        vntTestFailLibraryLoad("msimg32.dll", FALSE);
        m_use.StopUse();
    }

    // Stops the binding, so that the next question starts it again.
    static void restartBinding(bool loadFails)
    {
        g_guiMsImg32.Stop();
        vntTestFailLibraryLoad("msimg32.dll", loadFails ? TRUE : FALSE);
    }

    vbUseEngineCenter m_use;
};

TEST_F(SurfaceTest, SettersEqualityAndFallbacks)
{
    struct Case {
        const char* name;
        std::function<bool()> run;
    };
    const Case cases[] = {
        {"a new surface is empty and invalid", [] { guiSurface s(nullptr); return s.IsEmpty() && !s.IsValid(); }},
        {"setting the stored value on an empty surface changes it",
            [] {
                guiSurface s(nullptr);
                return s.SetColor(kNull, false) && s.IsValid() && !s.SetColor(kNull, false);
            }},
        {"the direction also makes an empty surface valid",
            [] {
                guiSurface s(nullptr);
                return s.SetGradVert(false, false) && s.IsValid() && !s.SetGradVert(false, false);
            }},
        {"direction alone does not make surfaces differ",
            [] {
                guiSurface a(nullptr, kRed, kGreen, kBlue, false), b(nullptr, kRed, kGreen, kBlue, true);
                return a == b && !a.Set(b, true) && !a.GetGradVert();
            }},
        {"empty surfaces are equal whatever their colours",
            [] {
                guiSurface a(nullptr, kRed, kNull, kNull, false), b(nullptr);
                a.SetEmpty(true, false);
                return a == b;
            }},
        {"empty and non-empty never equal",
            [] { return guiSurface(nullptr) != guiSurface(nullptr, kNull, kNull, kNull, false); }},
        {"GetColor falls back to the start",
            [] { return guiSurface(nullptr, kNull, kGreen, kBlue, false).GetColor() == kGreen; }},
        {"GetColor falls back to the end",
            [] { return guiSurface(nullptr, kNull, kNull, kBlue, false).GetColor() == kBlue; }},
        {"GetPen takes the start after a null plain colour",
            [] {
                guiSurface s(nullptr, kNull, kGreen, kBlue, false);
                LOGPEN pen{};
                return GetObjectA(s.GetPen().GetSafeHandle(), sizeof pen, &pen) && pen.lopnColor == kGreen;
            }},
        {"GetPen never falls back to the end: the null start has no pen",
            [] {
                guiSurface s(nullptr, kNull, kNull, kBlue, false);
                try {
                    s.GetPen();
                } catch (vbEsys* e) {
                    e->Delete();
                    return true;
                }
                return false;
            }},
        {"a gradient with a null end is no gradient", [] { return !guiSurface(nullptr, kRed, kGreen, kNull, false).IsGrad(); }},
        {"both gradient colours make a gradient", [] { return guiSurface(nullptr, kNull, kGreen, kBlue, false).IsGrad(); }},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(c.run()) << c.name;

    struct Throwing {
        const char* text;
        std::function<void(guiSurface&)> call;
    };
    const Throwing throwing[] = {
        {"guiSurface::GetColor() : empty surface !", [](guiSurface& s) { s.GetColor(); }},
        {"guiSurface::GetPen() : empty surface !", [](guiSurface& s) { s.GetPen(); }},
        {"guiSurface::GetBrush() : empty surface !", [](guiSurface& s) { s.GetBrush(); }},
        {"guiSurface::Fill() : empty surface !",
            [](guiSurface& s) {
                DrawingBed bed(4, 4);
                s.Fill(bed.dc, RECT{0, 0, 4, 4}, nullptr);
            }},
    };
    for (const Throwing& t : throwing) {
        guiSurface s(nullptr, kRed, kNull, kNull, false);
        s.SetEmpty(true, false);
        vbtest::expectThrown<vbEsys>([&] { t.call(s); }, E_FAIL, t.text);
        EXPECT_TRUE(s.IsEmpty() && s.GetNoGradColor() == kRed) << t.text;
    }
}

TEST_F(SurfaceTest, CopiesNotifyOnlyTheirOwnOwnerAndOnlyOnChange)
{
    Counter owner, source;
    guiSurface target(&owner, kRed, kNull, kNull, false);
    guiSurface from(&source, kBlue, kNull, kNull, false);
    target = from;
    EXPECT_EQ(owner.calls, 1);
    EXPECT_EQ(owner.last, &target);
    target = from;
    EXPECT_FALSE(target.Set(from, true));
    EXPECT_EQ(owner.calls, 1) << "equal surfaces never notify";
    EXPECT_TRUE(target.Set(guiSurface(nullptr, kGreen, kNull, kNull, false), false));
    EXPECT_EQ(owner.calls, 1) << "Set without notify";

    guiSurface copy(nullptr, from);
    copy.SetColor(kRed, true);
    EXPECT_EQ(source.calls, 0) << "a copy never takes its source's owner";
    EXPECT_TRUE(target.Empty());
    EXPECT_FALSE(target.Empty());
    EXPECT_EQ(owner.calls, 2);
}

TEST_F(SurfaceTest, PlainFillPaintsTheClippedTargetAndLeavesTheBackgroundColour)
{
    DrawingBed bed(20, 20);
    guiSurface s(nullptr, kGreen, kNull, kNull, false);
    RECT clip{5, 5, 40, 40};
    s.Fill(bed.dc, RECT{2, 2, 10, 10}, &clip);
    EXPECT_EQ(bed.at(5, 5), kGreen);
    EXPECT_EQ(bed.at(9, 9), kGreen);
    EXPECT_EQ(bed.at(4, 4), RGB(255, 255, 255)) << "outside the clip";
    EXPECT_EQ(bed.at(10, 10), RGB(255, 255, 255)) << "outside the rectangle";
    EXPECT_EQ(GetBkColor(bed.dc), kGreen);
}

TEST_F(SurfaceTest, AClipOutsideTheRectanglePaintsNothingAndKeepsTheClip)
{
    DrawingBed bed(20, 20);
    RECT before, after;
    GetClipBox(bed.dc, &before);
    RECT clip{12, 12, 20, 20};
    for (bool gradient : {false, true}) {
        guiSurface s(nullptr, kRed, gradient ? kRed : kNull, kBlue, false);
        s.Fill(bed.dc, RECT{0, 0, 10, 10}, &clip);
        EXPECT_EQ(bed.at(5, 5), RGB(255, 255, 255)) << gradient;
        GetClipBox(bed.dc, &after);
        EXPECT_TRUE(EqualRect(&before, &after)) << gradient;
    }
}

TEST_F(SurfaceTest, GradientsRunFromTheStartOnTheLeftOrTopAndSpanTheWholeRectangle)
{
    DrawingBed bed(64, 64);
    guiSurface across(nullptr, kGreen, kRed, kBlue, false);
    across.Fill(bed.dc, RECT{0, 0, 64, 8}, nullptr);
    EXPECT_EQ(bed.at(0, 4), kRed);
    for (int x = 1; x < 64; ++x) {
        EXPECT_LE(GetRValue(bed.at(x, 4)), GetRValue(bed.at(x - 1, 4))) << x;
        EXPECT_GE(GetBValue(bed.at(x, 4)), GetBValue(bed.at(x - 1, 4))) << x;
    }
    EXPECT_GT(GetBValue(bed.at(63, 4)), 240);

    guiSurface down(nullptr, kNull, kRed, kBlue, true);
    down.Fill(bed.dc, RECT{0, 10, 8, 64}, nullptr);
    EXPECT_EQ(bed.at(4, 10), kRed);
    EXPECT_GT(GetBValue(bed.at(4, 63)), 240);

    // The clip limits the paint, not the span: the middle of the span keeps its colour.
    DrawingBed clipped(64, 4);
    RECT clip{32, 0, 64, 4};
    across.Fill(clipped.dc, RECT{0, 0, 64, 4}, &clip);
    EXPECT_EQ(clipped.at(31, 1), RGB(255, 255, 255));
    EXPECT_EQ(clipped.at(32, 1), bed.at(32, 4));
}

TEST_F(SurfaceTest, WithoutTheGradientModuleSurfacesFillPlainlyAndNothingIsShown)
{
    plat::resetMessageBoxPolicy();
    restartBinding(true);
    EXPECT_FALSE(g_guiMsImg32.HasGradFill());
    TRIVERTEX v[2] = {{0, 0, 0xFF00, 0, 0, 0}, {4, 4, 0, 0, 0xFF00, 0}};
    GRADIENT_RECT mesh{0, 1};
    DrawingBed bed(8, 8);
    EXPECT_FALSE(g_guiMsImg32.GradFill(bed.dc, v, 2, &mesh, 1, GRADIENT_FILL_RECT_H));
    EXPECT_EQ(bed.at(0, 0), RGB(255, 255, 255));

    guiSurface withPlain(nullptr, kGreen, kRed, kBlue, false), withoutPlain(nullptr, kNull, kRed, kBlue, false);
    EXPECT_FALSE(withPlain.IsGrad());
    withPlain.Fill(bed.dc, RECT{0, 0, 4, 8}, nullptr);
    withoutPlain.Fill(bed.dc, RECT{4, 0, 8, 8}, nullptr);
    EXPECT_EQ(bed.at(0, 0), kGreen);
    EXPECT_EQ(bed.at(3, 7), kGreen);
    EXPECT_EQ(bed.at(4, 0), kRed);
    EXPECT_EQ(bed.at(7, 7), kRed);
    EXPECT_TRUE(plat::messageBoxRecords().empty());
}

TEST_F(SurfaceTest, TheModuleIsLoadedAtTheFirstQuestionAndFreedAtStop)
{
    restartBinding(false);
    EXPECT_EQ(GetModuleHandleA("msimg32.dll"), nullptr);
    EXPECT_TRUE(g_guiMsImg32.HasGradFill());
    EXPECT_NE(GetModuleHandleA("msimg32.dll"), nullptr);
    g_guiMsImg32.Stop();
    EXPECT_EQ(GetModuleHandleA("msimg32.dll"), nullptr);

    void* self = nullptr;
    EXPECT_TRUE(g_guiMsImg32.GetInterface(IID_guiMsImg32, &self));
    EXPECT_EQ(self, &g_guiMsImg32);
}

TEST_F(SurfaceTest, MarkupReadsTheFourKeysWithOneNotification)
{
    struct Case {
        const char* markup;
        const char* prefix;
        bool changed;
        DWORD color, start, end;
        bool vert;
    };
    // Every case starts from a vertical-less gradient surface with a plain colour.
    const Case cases[] = {
        {"<s color=\"#0000FF\"/>", "", true, kBlue, kNull, kGreen, false},
        {"<s gradstart=\"#0000FF\" gradend=\"#FF0000\"/>", "", true, kNull, kBlue, kRed, false},
        {"<s other=\"#0000FF\"/>", "", false, kRed, kRed, kGreen, false},
        {"<s captioncolor=\"#0000FF\" color=\"#00FF00\"/>", "caption", true, kBlue, kNull, kGreen, false},
        {"<s gradv/>", "", true, kRed, kRed, kGreen, true},
        {"<s color=\"#0000FF\" gradstart=\"nonsense\"/>", "", true, kBlue, kNull, kGreen, false},
        {"<s color=\"#0000FF\" gradstart=\"#00FF00\" gradend=\"#0000FF\" gradv=\"1\"/>", "", true, kBlue, kGreen, kBlue, true},
    };
    for (const Case& c : cases) {
        Counter owner;
        guiSurface s(&owner, kRed, kRed, kGreen, false);
        bool changed = false;
        withElement(c.markup, [&](sIvbXmlSource* src) { changed = s.ReadXml(src, c.prefix, true); });
        EXPECT_EQ(changed, c.changed) << c.markup;
        EXPECT_EQ(owner.calls, c.changed ? 1 : 0) << c.markup;
        EXPECT_TRUE(s.GetNoGradColor() == c.color) << c.markup;
        EXPECT_TRUE(s.GetGradStart() == c.start) << c.markup;
        EXPECT_TRUE(s.GetGradEnd() == c.end) << c.markup;
        EXPECT_EQ(s.GetGradVert(), c.vert) << c.markup;
    }
}

} // namespace
