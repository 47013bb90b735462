#include "TreeTestKit.h"

#include "vbColor.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using gui::test::makeAspect;
using gui::test::readStyle;
using gui::test::SignalLog;
using gui::test::TreeTest;
using Codes = std::vector<int>;
using AspectPtr = vbRefPtr<guiTreeAspect, &CLSID_guiTreeAspect>;

class TreeAspect : public TreeTest {};

constexpr DWORD kNull = vbNULLCOLOR;

guiCursor cursorAt(const char* url)
{
    guiCursor c;
    c.SetUrlKey(url, 0);
    return c;
}

// A bold font and a red fill, for the setters of fonts and surfaces.
struct Samples {
    Samples() { bold.SetBold(true, false); }
    guiFont bold{nullptr, false};
    guiSurface red{nullptr, RGB(255, 0, 0), kNull, kNull, false};
};

TEST_F(TreeAspect, NewAspectHoldsOnlyUnsetValues)
{
    AspectPtr a = makeAspect();
    EXPECT_EQ(a->GetSzIcon().cx, -1);
    EXPECT_EQ(a->GetSzIcon().cy, -1);
    for (const guiFont* f : {&a->GetFont(), &a->GetSelFont(), &a->GetOverFont(), &a->GetSelOverFont(),
             &a->GetCaptionFont()})
        EXPECT_TRUE(f->IsEmpty());
    for (const guiSurface* s : {&a->GetBack(), &a->GetSelBack(), &a->GetOverBack(), &a->GetCaptionBack()})
        EXPECT_TRUE(s->IsEmpty());
    for (const vbColor* c : {&a->GetTextColor(), &a->GetSelTextColor(), &a->GetOverTextColor(),
             &a->GetCaptionColor(), &a->GetTextShadowColor(), &a->GetSelTextShadowColor(),
             &a->GetOverTextShadowColor(), &a->GetCaptionShadowColor(), &a->GetTreeLineColor(),
             &a->GetBtnRectColor(), &a->GetBtnTextColor(), &a->GetCheckBtnRectColor(), &a->GetCheckBtnTextColor()})
        EXPECT_TRUE(c->IsNull());
    for (const guiCursor* c : {&a->GetCursor(), &a->GetHelpCursor(), &a->GetCheckCursor(), &a->GetExpCursor()}) {
        EXPECT_FALSE(c->IsValid());
        EXPECT_TRUE(c->GetUrl().IsEmpty());
    }
    for (int v : {a->GetIndentation(), a->GetRootIndentation(), a->GetSpacingHeight(), a->GetSepHeight(),
             a->GetWidthMax()})
        EXPECT_EQ(v, -1);
    EXPECT_EQ(a->GetShowTreeLine().GetState(), 2);
    EXPECT_EQ(a->GetShowRootTreeLine().GetState(), 2);
    EXPECT_TRUE(a->GetLoadingIcon().IsEmpty());
    EXPECT_TRUE(a->GetName().IsEmpty());
    EXPECT_TRUE(a->GetCaption().IsEmpty());

    void* pv = nullptr;
    EXPECT_EQ(a->QueryInterface(CLSID_guiTreeAspect, &pv), S_OK);
    EXPECT_EQ(pv, a.Get());
    a->Release();
    EXPECT_EQ(a->QueryInterface(IID_IguiTreeAspect, &pv), S_OK);
    EXPECT_EQ(pv, static_cast<IguiTreeAspect*>(a.Get()));
    a->Release();
    EXPECT_EQ(a->QueryInterface(IID_IguiTreeNode, &pv), E_NOINTERFACE);
}

TEST_F(TreeAspect, SettersChangeOnceAndSignalTheirKind)
{
    Samples sample;
    using Set = std::function<bool(guiTreeAspect*, bool)>;
    const struct {
        const char* what;
        Set set;
        int code;
    } cases[] = {
        {"caption", [](guiTreeAspect* a, bool n) { return a->SetCaption("Menu", n); }, 3},
        {"icon size", [](guiTreeAspect* a, bool n) { return a->SetSzIcon(CSize(16, 16), n); }, 3},
        {"colour", [](guiTreeAspect* a, bool n) { return a->SetSelTextColor(vbColor(RGB(1, 2, 3)), n); }, 3},
        {"tree line", [](guiTreeAspect* a, bool n) { return a->SetCheckBtnTextColor(vbColor(0), n); }, 3},
        {"integer", [](guiTreeAspect* a, bool n) { return a->SetSepHeight(0, n); }, 3},
        {"width max", [](guiTreeAspect* a, bool n) { return a->SetWidthMax(200, n); }, 3},
        {"switch", [](guiTreeAspect* a, bool n) { return a->SetShowRootTreeLine(vbBool(0), n); }, 3},
        {"loading icon", [](guiTreeAspect* a, bool n) { return a->SetLoadingIcon("res:wait", n); }, 3},
        {"cursor", [](guiTreeAspect* a, bool n) { return a->SetHelpCursor(cursorAt("res:help"), n); }, 3},
        {"font", [&](guiTreeAspect* a, bool n) { return a->SetOverFont(sample.bold, n); }, 3},
        {"surface", [&](guiTreeAspect* a, bool n) { return a->SetCaptionBack(sample.red, n); }, 4},
    };
    for (const auto& c : cases) {
        for (bool notify : {true, false}) {
            AspectPtr a = makeAspect();
            SignalLog log(a.Get());
            EXPECT_TRUE(c.set(a.Get(), notify)) << c.what;
            EXPECT_FALSE(c.set(a.Get(), notify)) << c.what;
            EXPECT_EQ(log.codes, notify ? Codes{c.code} : Codes{}) << c.what;
        }
    }
    AspectPtr a = makeAspect();
    SignalLog log(a.Get());
    EXPECT_TRUE(a->SetName("Menu"));
    EXPECT_FALSE(a->SetName("Menu"));
    EXPECT_TRUE(a->SetName("menu"));
    EXPECT_TRUE(a->SetSzIcon(CSize(-1, 5), true)) << "both members compared";
    EXPECT_EQ(log.codes, (Codes{3}));
}

TEST_F(TreeAspect, CopyTakesEveryPropertyButNameCaptionAndIconSize)
{
    Samples sample;
    AspectPtr src = makeAspect("source");
    src->SetCaption("caption", false);
    src->SetSzIcon(CSize(20, 20), false);
    src->SetFont(sample.bold, false);
    src->SetSelOverFont(sample.bold, false);
    src->SetOverBack(sample.red, false);
    src->SetTextColor(vbColor(RGB(9, 9, 9)), false);
    src->SetCaptionShadowColor(vbColor(RGB(8, 8, 8)), false);
    src->SetTreeLineColor(vbColor(RGB(7, 7, 7)), false);
    src->SetCheckBtnRectColor(vbColor(RGB(6, 6, 6)), false);
    src->SetExpCursor(cursorAt("res:exp"), false);
    src->SetLoadingIcon("res:wait", false);
    src->SetRootIndentation(4, false);
    src->SetWidthMax(300, false);
    src->SetShowTreeLine(vbBool(1), false);

    AspectPtr dst = makeAspect("target");
    SignalLog log(dst.Get());
    EXPECT_TRUE(dst->Set(src, true));
    EXPECT_EQ(log.codes, (Codes{3}));
    EXPECT_EQ(std::string(dst->GetName()), "target");
    EXPECT_TRUE(dst->GetCaption().IsEmpty());
    EXPECT_EQ(dst->GetSzIcon().cx, -1);
    EXPECT_TRUE(dst->GetFont().GetBold());
    EXPECT_TRUE(dst->GetSelOverFont().GetBold());
    EXPECT_TRUE(dst->GetOverBack() == sample.red);
    EXPECT_EQ(dst->GetTextColor(), vbColor(RGB(9, 9, 9)));
    EXPECT_EQ(dst->GetCaptionShadowColor(), vbColor(RGB(8, 8, 8)));
    EXPECT_EQ(dst->GetTreeLineColor(), vbColor(RGB(7, 7, 7)));
    EXPECT_EQ(dst->GetCheckBtnRectColor(), vbColor(RGB(6, 6, 6)));
    EXPECT_EQ(std::string(dst->GetExpCursor().GetUrl()), "res:exp");
    EXPECT_EQ(std::string(dst->GetLoadingIcon()), "res:wait");
    EXPECT_EQ(dst->GetRootIndentation(), 4);
    EXPECT_EQ(dst->GetWidthMax(), 300);
    EXPECT_EQ(dst->GetShowTreeLine().GetState(), 1);

    log.codes.clear();
    EXPECT_FALSE(dst->Set(src, true)) << "an equal source changes nothing";
    EXPECT_EQ(log.codes, Codes{});
}

TEST_F(TreeAspect, StyleSectionsSetWhatTheyName)
{
    const struct {
        std::vector<std::string> sections;
        std::function<void(guiTreeAspect*)> check;
    } cases[] = {
        {{"iconWidth=20 iconSize=24"},
            [](guiTreeAspect* a) {
                EXPECT_EQ(a->GetSzIcon().cx, 24);
                EXPECT_EQ(a->GetSzIcon().cy, 24);
            }},
        {{"iconWidth=20"},
            [](guiTreeAspect* a) {
                EXPECT_EQ(a->GetSzIcon().cx, 20);
                EXPECT_EQ(a->GetSzIcon().cy, -1);
            }},
        {{"indentation=-5"}, [](guiTreeAspect* a) { EXPECT_EQ(a->GetIndentation(), -1); }},
        {{"indentation=-5", "INDENTATION=0"}, [](guiTreeAspect* a) { EXPECT_EQ(a->GetIndentation(), 0); }},
        {{"showtreeline"},
            [](guiTreeAspect* a) {
                EXPECT_EQ(a->GetShowTreeLine().GetState(), 1);
                EXPECT_EQ(a->GetShowRootTreeLine().GetState(), 2);
            }},
        {{"captionbold captionfontsize=14"},
            [](guiTreeAspect* a) {
                EXPECT_TRUE(a->GetCaptionFont().IsValid());
                EXPECT_TRUE(a->GetCaptionFont().GetBold());
                EXPECT_EQ(a->GetCaptionFont().GetSize(), 14);
                EXPECT_TRUE(a->GetFont().IsEmpty());
            }},
        {{"textcolor=white bkcolor=#006699"},
            [](guiTreeAspect* a) {
                EXPECT_EQ(a->GetTextColor(), vbColor(RGB(255, 255, 255)));
                EXPECT_EQ(a->GetBack().GetColor(), vbColor(RGB(0, 0x66, 0x99)));
                EXPECT_TRUE(a->GetSelBack().IsEmpty());
            }},
        {{"cursor=hand.cur loadingicon=img/wait.ani caption=Files"},
            [](guiTreeAspect* a) {
                EXPECT_EQ(std::string(a->GetCursor().GetUrl()), "http://host/styles/hand.cur");
                EXPECT_EQ(std::string(a->GetLoadingIcon()), "http://host/styles/img/wait.ani");
                EXPECT_EQ(std::string(a->GetCaption()), "Files");
                EXPECT_TRUE(a->GetHelpCursor().GetUrl().IsEmpty());
            }},
        {{"textcolor=nocolour seltextcolor=#00FF00"},
            [](guiTreeAspect* a) {
                EXPECT_TRUE(a->GetTextColor().IsNull());
                EXPECT_EQ(a->GetSelTextColor(), vbColor(RGB(0, 255, 0)));
            }},
        {{"widthmax=5 sepheight=3 spacingheight=2 rootindentation=1"},
            [](guiTreeAspect* a) {
                EXPECT_EQ(a->GetWidthMax(), -1) << "width max has no key";
                EXPECT_EQ(a->GetSepHeight(), 3);
                EXPECT_EQ(a->GetSpacingHeight(), 2);
                EXPECT_EQ(a->GetRootIndentation(), 1);
            }},
    };
    for (const auto& c : cases) {
        AspectPtr a = makeAspect();
        for (const std::string& keys : c.sections)
            readStyle(a.Get(), keys, "http://host/styles/menu.xml");
        c.check(a.Get());
    }
}

TEST_F(TreeAspect, StyleSectionSignalsLayoutRepaintAndNothingForCursors)
{
    AspectPtr a = makeAspect();
    SignalLog log(a.Get());
    readStyle(a.Get(), "cursor=a.cur loadingicon=w.ani", "http://host/s.xml");
    EXPECT_EQ(log.codes, Codes{});
    readStyle(a.Get(), "bkcolor=red");
    EXPECT_EQ(log.codes, (Codes{4}));
    readStyle(a.Get(), "textcolor=red");
    EXPECT_EQ(log.codes, (Codes{4, 3}));
    // A relative URL with nothing to resolve it against leaves the cursor alone.
    readStyle(a.Get(), "helpcursor=a.cur");
    EXPECT_TRUE(a->GetHelpCursor().GetUrl().IsEmpty());
}

TEST_F(TreeAspect, CursorSetterWaitsForAViewHoldingTheAspect)
{
    AspectPtr a = makeAspect();
    std::atomic<bool> done{false};
    std::thread setter;
    {
        vbPtrLock view(static_cast<IguiTreeAspect*>(a.Get()));
        setter = std::thread([&] {
            a->SetCursor(cursorAt("res:hand"), true);
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(done.load());
        EXPECT_TRUE(a->GetCursor().GetUrl().IsEmpty());
    }
    setter.join();
    EXPECT_TRUE(done.load());
    EXPECT_EQ(std::string(a->GetCursor().GetUrl()), "res:hand");
}

} // namespace
