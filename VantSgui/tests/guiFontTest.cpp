#include "DrawingBed.h"

#include "guiFont.h"

#include "vbEngine.h"
#include "vbExpectThrown.h"

#include "plat/afxgdi.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using gui::test::DrawingBed;
using gui::test::withElement;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

struct Counter : cbIguiFontChanged {
    void onFontChanged(guiFont*) override { ++calls; }
    int calls = 0;
};

class FontTest : public ::testing::Test {
protected:
    void SetUp() override { m_use.StartUse(true); }
    void TearDown() override { m_use.StopUse(); }

    // The bed's DC as the drawing classes see it.
    struct Dc {
        explicit Dc(HDC hdc) { dc.Attach(hdc); }
        ~Dc() { dc.Detach(); }
        CDC dc;
    };

    vbUseEngineCenter m_use;
};

guiFont filled(cbIguiFontChanged* cb = nullptr)
{
    guiFont f(cb);
    f.SetAll("Sans", -13, false, false, false, false);
    return guiFont(cb, f);
}

int createdWeight(const guiFont& f)
{
    LOGFONTA log{};
    GetObjectA(static_cast<HFONT>(f), sizeof log, &log);
    return log.lfWeight;
}

TEST_F(FontTest, SettersAnswerChangesAndNotifyOnlyWhenAsked)
{
    struct Case {
        const char* name;
        bool empty;
        std::function<bool(guiFont&, bool)> set;
        bool changed;
    };
    const Case cases[] = {
        {"same size on an empty font", true, [](guiFont& f, bool n) { return f.SetSize(0, n); }, true},
        {"same size", false, [](guiFont& f, bool n) { return f.SetSize(-13, n); }, false},
        {"new size", false, [](guiFont& f, bool n) { return f.SetSize(20, n); }, true},
        {"same name", false, [](guiFont& f, bool n) { return f.SetName("Sans", n); }, false},
        {"bold as the effective value", false, [](guiFont& f, bool n) { return f.SetBold(false, n); }, false},
        {"bold", false, [](guiFont& f, bool n) { return f.SetBold(true, n); }, true},
        {"tri-state compares the state", false, [](guiFont& f, bool n) { return f.SetItalic(vbBool(2), n); }, true},
        {"weight", false, [](guiFont& f, bool n) { return f.SetWeight(700, n); }, true},
        {"same pitch on an empty font", true, [](guiFont& f, bool n) { return f.SetPitch(-1, n); }, true},
        {"shadow", false, [](guiFont& f, bool n) { return f.SetShadowDec(2, n); }, true},
        {"same all", false, [](guiFont& f, bool n) { return f.SetAll("Sans", -13, false, false, false, n); }, false},
        {"empty", false, [](guiFont& f, bool n) { return f.SetEmpty(true, n); }, true},
    };
    for (const Case& c : cases)
        for (bool notify : {false, true}) {
            Counter owner;
            guiFont f = c.empty ? guiFont(nullptr) : filled();
            f.SetCB(&owner);
            EXPECT_EQ(c.set(f, notify), c.changed) << c.name;
            EXPECT_EQ(owner.calls, c.changed && notify ? 1 : 0) << c.name << " notify=" << notify;
            EXPECT_TRUE(c.changed ? true : f.IsValid()) << c.name;
        }

    Counter source;
    guiFont original = filled(&source);
    guiFont copy(nullptr, original);
    copy.SetSize(30, true);
    EXPECT_EQ(source.calls, 0) << "a copy never takes its source's owner";
    EXPECT_TRUE(copy != original);
}

TEST_F(FontTest, TheGdiFontIsMadeAtFirstUseWithTheEffectiveWeight)
{
    guiFont f(nullptr);
    vbtest::expectThrown<vbEsys>([&] { (void)static_cast<HFONT>(f); }, E_FAIL, "guiFont::operator HFONT() : empty font !");
    EXPECT_TRUE(f.SetSize(12, true));
    EXPECT_EQ(createdWeight(f), 400);
    f.SetBold(true, false);
    EXPECT_EQ(createdWeight(f), 700) << "the bold change made a new font";
    f.SetWeight(900, false);
    EXPECT_EQ(createdWeight(f), 1000);

    // The shadow is drawn, not part of the font: its GDI font stays.
    HFONT before = f;
    f.SetShadowDec(3, false);
    EXPECT_EQ(static_cast<HFONT>(f), before);
}

TEST_F(FontTest, OrientationDefaultsAndValids)
{
    guiFont empty(nullptr);
    EXPECT_FALSE(empty.SetOrientation(900, true));
    EXPECT_EQ(empty.GetOrientation(), 900);
    EXPECT_TRUE(empty.IsEmpty());

    guiFont other(nullptr);
    other.SetAll("Serif", 20, true, true, false, false);
    other.SetCharSet(2, false);
    guiFont onlyHeight(nullptr);
    onlyHeight.SetSize(11, false);
    EXPECT_TRUE(onlyHeight.HasDefaults());
    Counter owner;
    onlyHeight.SetCB(&owner);
    EXPECT_TRUE(onlyHeight.SetDefaults(other, true));
    EXPECT_EQ(owner.calls, 1);
    EXPECT_EQ(std::string(onlyHeight.GetName()), "Serif");
    EXPECT_EQ(onlyHeight.GetSize(), 11);
    EXPECT_TRUE(onlyHeight.GetBold() && onlyHeight.GetItalic() && !onlyHeight.GetUnderline());
    EXPECT_EQ(onlyHeight.GetCharSet(), 2);
    EXPECT_FALSE(onlyHeight.SetDefaults(other, true)) << "nothing left undefined that other defines";

    EXPECT_FALSE(onlyHeight.SetValids(guiFont(nullptr), true));
    EXPECT_FALSE(guiFont(nullptr).HasValids());
}

TEST_F(FontTest, MarkupReadsSixKeysWithOneNotification)
{
    struct Case {
        const char* markup;
        bool changed;
        const char* name;
        int size, shadow;
        bool italic, underline, bold;
    };
    const Case cases[] = {
        {"<s fontname=\"Serif\" fontsize=\"-20\" shadowdec=\"2\" italic=\"1\" underline=\"1\" bold=\"1\"/>", true,
            "Serif", -20, 2, true, true, true},
        {"<s other=\"1\"/>", false, "Sans", -13, 0, false, false, false},
        {"<s bold/>", true, "Sans", -13, 0, false, false, true},
        {"<s fontsize=\"99999999999\" shadowdec=\"x\"/>", true, "Sans", INT_MAX, 0, false, false, false},
    };
    for (const Case& c : cases) {
        Counter owner;
        guiFont f = filled(&owner);
        bool changed = false;
        withElement(c.markup, [&](sIvbXmlSource* src) { changed = f.ReadXml(src, "", true); });
        EXPECT_EQ(changed, c.changed) << c.markup;
        EXPECT_EQ(owner.calls, c.changed ? 1 : 0) << c.markup;
        EXPECT_EQ(std::string(f.GetName()), c.name) << c.markup;
        EXPECT_EQ(f.GetSize(), c.size) << c.markup;
        EXPECT_EQ(f.GetShadowDec(), c.shadow > 0 ? c.shadow : 1) << c.markup;
        EXPECT_EQ(f.GetItalic(), c.italic) << c.markup;
        EXPECT_EQ(f.GetUnderline(), c.underline) << c.markup;
        EXPECT_EQ(f.GetBold(), c.bold) << c.markup;
    }
}

TEST_F(FontTest, MeasuresOneLineAndWrappedText)
{
    guiFont f = filled();
    EXPECT_EQ(f.GetTextSize("Mp", false), CSize(14, 13));
    EXPECT_EQ(f.GetTextSize("Mp", true), CSize(15, 14));

    struct Case {
        const char* text;
        int width;
        CSize size;
    };
    const Case cases[] = {
        {"ab cd", 20, CSize(14, 26)}, // two words, room for one
        {"abcdefgh", 30, CSize(28, 26)}, // split after the last fitting character
        {"ab\ncd", 100, CSize(14, 26)},
        {"ab\r\ncd", 100, CSize(14, 26)},
        {"a\xC3\xA9", 10, CSize(7, 26)}, // é stays whole
        {"a\xE2\x82\xAC", 10, CSize(7, 26)}, // € stays whole
        {"abc", 3, CSize(3, 39)}, // narrower than one character: one per line, never for ever
    };
    DrawingBed bed(4, 4);
    Dc dc(bed.dc);
    for (const Case& c : cases) {
        EXPECT_EQ(f.GetTextSize(c.width, c.text, false), c.size) << c.text;
        EXPECT_EQ(f.GetTextSize(dc.dc, c.width, c.text, false), c.size) << c.text;
    }
}

TEST_F(FontTest, FailuresCarryTheirTexts)
{
    guiFont f = filled();
    f.SetOrientation(450, false);
    DrawingBed bed(20, 20);
    Dc dc(bed.dc);
    vbtest::expectThrown<vbEsys>([&] { f.DrawText(dc.dc, CRect(0, 0, 20, 20), "a", nullptr, nullptr, false); }, E_FAIL,
        "guiFont::DrawText() : orientation=450 not supported (0 or 900 only)");

    HDC dead = CreateCompatibleDC(nullptr);
    DeleteDC(dead);
    guiFont g = filled();
    CSize size;
    auto measureOn = [&](const char* text) {
        g.DrawText(dead, CRect(0, 0, 50, 0), text, static_cast<int>(strlen(text)), nullptr, nullptr, &size, nullptr,
            nullptr, nullptr);
    };
    auto expectText = [](const std::function<void()>& f, const std::string& text) {
        try {
            f();
            ADD_FAILURE() << "no exception: " << text;
        } catch (vbEsys* e) {
            EXPECT_EQ(std::string(e->GetMsg()), text);
            e->Delete();
        }
    };
    expectText([&] { measureOn("\n"); }, "guiFont::DrawText() : GetTextExtentPoint32() failure");
    expectText([&] { measureOn("a"); }, "guiFont::DrawText() : GetTextExtentExPoint() failure");
}

TEST_F(FontTest, DrawsShadowsVerticalTextInverseVideoAndOpaqueBackgrounds)
{
    const vbColor black(kBlack), red(kRed);
    {
        DrawingBed bed(30, 20);
        Dc dc(bed.dc);
        guiFont f = filled();
        f.SetShadowDec(2, false);
        EXPECT_TRUE(f.DrawText(dc.dc, CRect(0, 0, 30, 20), "a", &black, &red, false));
        EXPECT_EQ(bed.at(1, 2), kBlack) << "the text's box";
        EXPECT_EQ(bed.at(7, 11), kRed) << "the shadow's box, 2 px down and right";
        EXPECT_EQ(bed.at(0, 0), kWhite);
    }
    {
        DrawingBed bed(40, 40);
        Dc dc(bed.dc);
        guiFont f = filled();
        f.SetOrientation(900, false);
        f.DrawText(dc.dc, CRect(10, 0, 40, 30), "ab", &black, nullptr, false);
        int inside = 0, outside = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                (x >= 10 && x < 23 && y >= 16 && y < 30 ? inside : outside) += bed.at(x, y) != kWhite;
        EXPECT_GT(inside, 0);
        EXPECT_EQ(outside, 0) << "one cell-wide column rising from the bottom";
    }
    {
        DrawingBed bed(40, 13);
        Dc dc(bed.dc);
        guiFont f = filled();
        f.DrawText(dc.dc, CRect(0, 0, 40, 13), "a\x01" "b\x01" "c", &black, nullptr, true);
        EXPECT_EQ(bed.at(0, 0), kWhite);
        EXPECT_EQ(bed.at(7, 0), kBlack) << "b's cell inverted";
        EXPECT_EQ(bed.at(14, 0), kWhite);
    }
    for (bool wrap : {false, true}) {
        DrawingBed bed(40, 13);
        Dc dc(bed.dc);
        SetBkMode(bed.dc, OPAQUE);
        SetBkColor(bed.dc, kRed);
        guiFont f = filled();
        f.DrawText(dc.dc, CRect(0, 0, 30, 13), "a", &black, nullptr, wrap);
        EXPECT_EQ(bed.at(25, 6), kRed) << wrap;
        EXPECT_EQ(bed.at(35, 6), kWhite) << wrap;
    }
}

} // namespace
