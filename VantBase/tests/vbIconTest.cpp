// Icons: loading through files and temporary files, frame discovery by drawing, holders.

#include "vbIcon.h"

#include "vbIconTestUtil.h"
#include "testsupport/TempFolder.h"
#include "testsupport/TestHome.h"
#include "vbEngine.h"
#include "vbVantLib.h"
#include "vbExpectThrown.h"

#include "plat/bitmap.h"
#include "plat/cursor.h"
#include "plat/gdi.h"
#include "plat/headless.h"
#include "plat/resource.h"
#include "plat/sysmetrics.h"
#include "plat/testhooks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using namespace vbicontest;
using vnt::test::TempFolder;

namespace {

// A 32 x 32 memory surface to draw on and read back.
struct Surface {
    Surface() : dc(CreateCompatibleDC(nullptr)), bitmap(CreateCompatibleBitmap(dc, 32, 32)), old(SelectObject(dc, bitmap)) { }
    ~Surface()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    // 0xRRGGBB of the middle pixel.
    uint32_t middle() const
    {
        const COLORREF c = GetPixel(dc, 16, 16);
        return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
    }
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
    RECT rect{0, 0, 32, 32};
};

// An icon object of 32 x 32 loaded from a file; the test holds its one reference.
struct LoadedIcon {
    explicit LoadedIcon(const Bytes& bytes, const char* name = "icon.ani")
        : obj(new vbIconObject(name, vbIconObject::MakeKey(32, 32)))
    {
        obj->Create();
        loaded = obj->LoadFromFile(nullptr, writeFile(name, bytes).c_str());
        obj->SetLoaded(loaded, false);
    }
    ~LoadedIcon() { obj->Release(); }
    vbIconObject* obj;
    bool loaded = false;
};

// Delivers bytes as a download would, in chunks, to an operation on url.
void deliver(vbIconObject* obj, const vbString& url, const Bytes& bytes, bool ok = true)
{
    vbDnData root(nullptr, nullptr);
    vbDnData data(&root, vbDnLoad, url, obj);
    obj->LoadingStart(&data, int64_t(bytes.size()));
    for (size_t at = 0; at < bytes.size(); at += 100)
        obj->LoadingAddBuffer(&data, bytes.data() + at, ULONG(std::min<size_t>(100, bytes.size() - at)));
    obj->LoadingEnd(&data, ok);
    obj->SetLoaded(ok, false);
}

TEST(vbIconObject, KeyCarriesTheSize)
{
    EXPECT_EQ(vbIconObject::MakeKey(32, 16), 0x200010);
    EXPECT_EQ(vbIconObject::MakeKey(0x8000, 1), int64_t(int32_t(0x80000001u))) << "sign-extended from 32 bits";
    EXPECT_EQ(vbIconObject::MakeKey(1, -1), 0x1FFFF) << "the height keeps its low 16 bits";
    vbIconObject o("u", vbIconObject::MakeKey(48, 24));
    EXPECT_EQ(o.width(), 48);
    EXPECT_EQ(o.height(), 24);
    void* face = nullptr;
    EXPECT_TRUE(o.GetInterface(CLSID_vbIconObject, &face));
    EXPECT_EQ(face, &o);
    EXPECT_EQ(o.GetMemSizeForCache(), 1024u);
    EXPECT_EQ(o.GetDefaultResType(), MAKEINTRESOURCE(14));
    EXPECT_FALSE(o.LoadFromRes(nullptr, "x", MAKEINTRESOURCE(14), nullptr)) << "a typed resource comes as bytes";
}

TEST(vbIconObject, AnimatedCursorFindsItsFrameCountByDrawing)
{
    LoadedIcon ani(animation(5));
    ASSERT_TRUE(ani.loaded);
    EXPECT_TRUE(ani.obj->IsAnimated()) << "the path ends in .ani";
    Surface s;
    struct Step {
        WORD frame;
        uint32_t shown;
    } steps[] = {
        // The probe at step 100 fails: frame 0 is drawn and the phase starts here.
        {0, frameColor(0)}, {1, frameColor(1)}, {2, frameColor(2)}, {3, frameColor(3)}, {4, frameColor(4)},
        // Step 5 cannot be drawn: five frames, and frame 0 is shown.
        {5, frameColor(0)}, {7, frameColor(2)}, {13, frameColor(3)},
    };
    LONG first = -1;
    for (const Step& st : steps) {
        EXPECT_TRUE(ani.obj->DrawIcon(s.dc, s.rect, st.frame, first, nullptr, 0)) << st.frame;
        EXPECT_EQ(s.middle(), st.shown) << "frame counter " << st.frame;
    }
    EXPECT_EQ(first, 0);
    EXPECT_TRUE(ani.obj->IsAnimated());
}

TEST(vbIconObject, ThePhaseRunsOnThroughTheCountersWrap)
{
    LoadedIcon ani(animation(5));
    Surface s;
    LONG first = -1;
    const WORD frames[] = {65533, 65534, 65535, 0, 1, 2, 3};
    const int shown[] = {0, 1, 2, 3, 4, 0, 1};
    for (size_t i = 0; i < std::size(frames); ++i) {
        ani.obj->DrawIcon(s.dc, s.rect, frames[i], first, nullptr, 0);
        EXPECT_EQ(s.middle(), frameColor(shown[i])) << "frame counter " << frames[i];
    }
}

TEST(vbIconObject, StillImagesDrawAtTheFirstTry)
{
    struct Case {
        const char* what;
        Bytes bytes;
        const char* name;
        uint32_t shown;
        bool animatedBefore;
    } cases[] = {
        {"icon", stillIcon(0x00FF00), "still.ico", 0x00FF00, false},
        // More than 100 frames: the probe draws frame 100, and so does every draw after.
        {"long animation", animation(120), "long.ani", frameColor(100), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LoadedIcon icon(c.bytes, c.name);
        ASSERT_TRUE(icon.loaded);
        EXPECT_EQ(icon.obj->IsAnimated(), c.animatedBefore);
        Surface s;
        LONG first = -1;
        for (WORD frame : {WORD(0), WORD(1), WORD(2)}) {
            EXPECT_TRUE(icon.obj->DrawIcon(s.dc, s.rect, frame, first, nullptr, 0));
            EXPECT_EQ(s.middle(), c.shown);
        }
        EXPECT_FALSE(icon.obj->IsAnimated());
        EXPECT_EQ(first, -1) << "a still image has no phase";
    }
}

TEST(vbIconObject, HandleOnlyOnceLoaded)
{
    vbIconObject* obj = new vbIconObject("still.ico", vbIconObject::MakeKey(32, 32));
    obj->Create();
    Surface s;
    LONG first = -1;
    EXPECT_FALSE(obj->DrawIcon(s.dc, s.rect, 0, first, nullptr, 0)) << "nothing to draw";
    ASSERT_TRUE(obj->LoadFromFile(nullptr, writeFile("still.ico", stillIcon()).c_str()));
    EXPECT_EQ(obj->GetHandle(), nullptr) << "loaded only when the operation ends";
    EXPECT_FALSE(obj->IsValid());
    obj->SetLoaded(true, false);
    EXPECT_NE(obj->GetHandle(), nullptr);
    EXPECT_TRUE(obj->IsValid());
    EXPECT_FALSE(obj->LoadFromFile(nullptr, writeFile("bad.ico", Bytes(40, 7)).c_str()));
    EXPECT_TRUE(obj->IsValid()) << "a failed load keeps the handle it had";
    obj->Release();
}

TEST(vbIconObject, BytesGoThroughATemporaryFileAndTheUrlDecidesAnimation)
{
    TempFolder tmp;
    struct Case {
        const char* url;
        Bytes bytes;
        bool animated;
    } cases[] = {
        {"/icons/SPIN.ANI", animation(3), true},
        {"res://VantBaseV5/hourglass!anicursor", animation(3), true},
        {"res://VantBaseV5/hourglass!#22", animation(3), true},
        // Too short to end in a name: ".ani" alone is not animated, nor are other resources.
        {".ani", animation(3), false},
        {"res://VantBaseV5/spin.ani!#14", animation(3), false},
        {"data:,still.ico", stillIcon(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        vbIconObject* obj = new vbIconObject(c.url, vbIconObject::MakeKey(32, 32));
        obj->Create();
        deliver(obj, c.url, c.bytes);
        EXPECT_TRUE(obj->IsValid());
        EXPECT_EQ(obj->IsAnimated(), c.animated);
        obj->Release();
    }
    EXPECT_TRUE(tmp.files().empty());
}

TEST(vbIconObject, FailedAndCancelledLoadsLeaveNoFileAndNoIcon)
{
    TempFolder tmp;
    vbIconObject* obj = new vbIconObject("/x/not.ico", vbIconObject::MakeKey(32, 32));
    obj->Create();
    vbtest::expectThrown<vbEdnUser>([&] { deliver(obj, "/x/not.ico", Bytes(300, 'x')); }, E_FAIL,
        "Icon url '/x/not.ico' is invalid or is not an icon file");
    EXPECT_FALSE(obj->IsValid());
    EXPECT_TRUE(tmp.files().empty());

    deliver(obj, "/x/not.ico", stillIcon(), false);
    EXPECT_FALSE(obj->IsValid()) << "a cancelled load loads nothing";
    EXPECT_TRUE(tmp.files().empty());

    vbDnData data(nullptr, nullptr);
    const unsigned char byte = 0;
    vbtest::expectThrown<vbEsys>([&] { obj->LoadingAddBuffer(&data, &byte, 1); }, E_FAIL,
        "vbIconObject::LoadingAddBuffer() : LoadingStart() not called");
    vbtest::expectThrown<vbEsys>([&] { obj->LoadingEnd(&data, true); }, E_FAIL,
        "vbIconObject::LoadingEnd() : LoadingStart() not called");
    obj->Release();
}

// Counts the holders it was told about.
struct LoadedCounter : sIvbIconLoaded {
    std::vector<vbIcon*> told;
    void onIconLoaded(vbIcon* icon) override { told.push_back(icon); }
};

// A holder linked to an object of its own, loaded from a file, as the centre would leave it.
void linkLoaded(vbIcon& icon, const Bytes& bytes, const char* name)
{
    icon.SetUrlKey(writeFile(name, bytes).c_str(), vbIconObject::MakeKey(icon.GetSize().cx, icon.GetSize().cy));
    icon.CreateObject();
    ASSERT_TRUE(icon.Get()->LoadFromFile(nullptr, icon.GetUrl()));
}

TEST(vbIcon, CopiesShareTheObjectButNotTheCallback)
{
    LoadedCounter cbA, cbB;
    vbIcon a(&cbA, CSize(32, 32));
    EXPECT_FALSE(a.SetUrl("", vbDnPriority1)) << "nothing changed, nothing loaded";
    linkLoaded(a, stillIcon(), "a.ico");
    vbIcon copy(a);
    vbIcon assigned(&cbB, CSize(16, 16));
    assigned = a;
    EXPECT_EQ(copy.Get(), a.Get());
    EXPECT_EQ(assigned.Get(), a.Get());
    EXPECT_EQ(assigned.GetSize(), CSize(32, 32));
    EXPECT_TRUE(copy == a);
    EXPECT_TRUE(assigned == a);

    a.Get()->SetLoaded(true, true);
    EXPECT_EQ(cbA.told, std::vector<vbIcon*>{&a});
    EXPECT_EQ(cbB.told, std::vector<vbIcon*>{&assigned}) << "an assignment keeps its own callback";
    EXPECT_TRUE(static_cast<HICON>(copy) != nullptr);

    // The same URL and size asks nothing and answers whether the object is loaded.
    EXPECT_TRUE(copy.SetUrl(a.GetUrl(), vbDnPriority1));
    EXPECT_TRUE(copy.SetSize(CSize(32, 32), vbDnPriority1));
    EXPECT_EQ(copy.Get(), a.Get());

    vbIcon other(nullptr, CSize(16, 16));
    other = a;
    EXPECT_FALSE(other.Set(a, CSize(32, 32))) << "the object is taken over: nothing to ask";
    EXPECT_EQ(other.Get(), a.Get());
}

// The receiver of a holder goes once it has set the callback to null: a worker that is telling
// it of the load at that moment has finished by then.
TEST(vbIcon, ClearingTheCallbackWaitsForTheCallBeingMade)
{
    struct Blocking : sIvbIconLoaded {
        std::atomic<bool> inside{false};
        std::atomic<bool> clearing{false};
        std::atomic<bool> done{false};
        void onIconLoaded(vbIcon*) override
        {
            inside = true;
            inside.notify_all();
            clearing.wait(false);
            done = true;
        }
    } cb;
    vbIcon icon(&cb, CSize(32, 32));
    linkLoaded(icon, stillIcon(), "still.ico");
    std::thread worker([&icon] { icon.Get()->SetLoaded(true, true); });
    cb.inside.wait(false);
    cb.clearing = true;
    cb.clearing.notify_all();
    icon.SetIconLoadedCB(nullptr);
    EXPECT_TRUE(cb.done);
    worker.join();
}

TEST(vbIcon, TheFrameCounterMovesWhenTheStepChanges)
{
    vbIcon icon(nullptr, CSize(32, 32));
    Surface s;
    EXPECT_FALSE(icon.DrawIcon(s.dc, s.rect, 0, nullptr, 3)) << "no object";
    linkLoaded(icon, animation(5), "five.ani");
    struct Step {
        WORD step;
        int shown;
    } steps[] = {{0, 0}, {0, 0}, {1, 1}, {7, 2}, {7, 2}, {6, 3}, {6, 3}, {0, 4}, {1, 0}};
    for (const Step& st : steps) {
        EXPECT_TRUE(icon.DrawIcon(s.dc, s.rect, st.step, nullptr, 3));
        EXPECT_EQ(s.middle(), frameColor(st.shown)) << "step " << st.step;
    }
    // A new object starts its own phase.
    icon.Unlink();
    linkLoaded(icon, animation(5), "again.ani");
    EXPECT_TRUE(icon.DrawIcon(s.dc, s.rect, 3, nullptr, 3));
    EXPECT_EQ(s.middle(), frameColor(0));
}

// A visible top-level window with an icon control placed at (50, 40) in it.
class IconCtrlBed : public ::testing::Test {
protected:
    static constexpr COLORREF kFace = RGB(10, 20, 30);

    void SetUp() override
    {
        m_use.StartUse(true);
        vntTestSetSysColor(COLOR_BTNFACE, kFace);
        ASSERT_TRUE(parent.CreateEx(0, nullptr, "p", WS_POPUP | WS_VISIBLE, 0, 0, 120, 100, nullptr, nullptr));
    }
    void TearDown() override
    {
        ctrl.DestroyWindow();
        parent.DestroyWindow();
        vntTestResetSysColors();
        m_use.StopUse();
    }
    void create(DWORD style)
    {
        ASSERT_TRUE(ctrl.Create(nullptr, nullptr, style, CRect(50, 40, 82, 72), &parent, 1));
        plat::headless::pumpUntilIdle();
    }

    vbUseEngineCenter m_use;
    CWnd parent;
    vbIconCtrl ctrl;
};

TEST_F(IconCtrlBed, WithoutAnIconTheControlShowsItsFace)
{
    create(WS_VISIBLE);
    EXPECT_STREQ(static_cast<const char*>(vbIconCtrl::s_Class), "KVX VantBase Icon Ctrl V5");
    EXPECT_EQ(DWORD(GetWindowLongPtrA(ctrl, GWL_STYLE)), 0x56000000u);
    for (POINT p : {POINT{0, 0}, POINT{31, 31}, POINT{16, 16}})
        EXPECT_EQ(plat::headless::windowPixel(ctrl, p.x, p.y), kFace) << p.x << "," << p.y;
}

TEST_F(IconCtrlBed, AHiddenControlIsAChildWithoutVisibility)
{
    create(0);
    EXPECT_EQ(DWORD(GetWindowLongPtrA(ctrl, GWL_STYLE)), 0x46000000u);
}

TEST(vbIconHourglass, TheLibraryCarriesItsOwnAnimatedHourglass)
{
    vbVantLibEnum libs;
    const HINSTANCE base = libs.FindHlib(vbString("VantBaseV5"), true);
    ASSERT_NE(base, nullptr);
    EXPECT_NE(FindResourceA(base, "HOURGLASS", RT_ANICURSOR), nullptr);
    auto cursor = static_cast<HCURSOR>(LoadImageA(base, "hourglass", IMAGE_CURSOR, 32, 32, 0));
    ASSERT_NE(cursor, nullptr);
    Surface s;
    auto shown = [&](UINT step, int x, int y) {
        RECT all{0, 0, 32, 32};
        FillRect(s.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        EXPECT_TRUE(DrawIconEx(s.dc, 0, 0, cursor, 32, 32, step, nullptr, DI_NORMAL)) << step;
        return GetPixel(s.dc, x, y);
    };
    const COLORREF sand = RGB(0xD9, 0xA5, 0x20), glass = RGB(0xE6, 0xF2, 0xFA), white = RGB(255, 255, 255);
    // The sand runs from the upper bulb to the lower one; the corners stay clear.
    EXPECT_EQ(shown(0, 15, 8), sand);
    EXPECT_EQ(shown(0, 12, 26), glass);
    EXPECT_EQ(shown(7, 15, 8), glass);
    EXPECT_EQ(shown(7, 12, 26), sand);
    EXPECT_EQ(shown(3, 0, 0), white);
    EXPECT_FALSE(DrawIconEx(s.dc, 0, 0, cursor, 32, 32, 8, nullptr, DI_NORMAL)) << "eight frames";
    DestroyCursor(cursor);
    EXPECT_STREQ(vbIconHOURGLASS, "res://VantBaseV5/hourglass!anicursor");
}

} // namespace
