// Icons loaded through the download centre: shared objects, animation by URL, failures, the
// temporary folder left clean, and the control showing and animating what arrived.

#include "vbDnCenter.h"
#include "vbIcon.h"

#include "vbIconTestUtil.h"
#include "testsupport/ManualClock.h"
#include "testsupport/TempFolder.h"
#include "testsupport/TestHome.h"
#include "vbEngine.h"

#include "plat/headless.h"
#include "plat/sysmetrics.h"
#include "plat/testhooks.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using namespace vbicontest;
using vnt::test::TempFolder;

namespace {

constexpr int kWaitMs = 20000;
constexpr COLORREF kFace = RGB(10, 20, 30);

COLORREF asColorref(uint32_t rgb) { return RGB(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF); }

std::string errorOf(const sIvbDnInfo& info)
{
    ULONG hr = 0;
    vbString text;
    info.GetError(hr, text);
    return text.c_str();
}

// Pumps the calling thread's messages until cond holds (a bounded time).
template <class F>
bool pumpUntil(F cond)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    for (;;) {
        plat::headless::pumpUntilIdle();
        if (cond())
            return true;
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

class IconLoads : public ::testing::Test {
protected:
    IconLoads()
    {
        g_vbDnCenter.SetThreadMax(1);
        g_vbDnCenter.SetThreadMin(1);
        g_vbDnCenter.SetCacheSizeMax(0);
    }

    vbUseEngineCenter m_use{&g_vbEngineCenter, true};
    TempFolder m_tmp;
};

TEST_F(IconLoads, HoldersOfOneUrlAndSizeShareTheObject)
{
    const std::string path = writeFile("green.ico", stillIcon(0x00FF00));
    vbIcon a(nullptr, CSize(32, 32));
    EXPECT_FALSE(a.SetUrl(path.c_str(), vbDnPriority1)) << "asked, not loaded yet";
    ASSERT_TRUE(a.WaitLoad(kWaitMs, vbDnPriority1).IsValid()) << errorOf(a);
    vbIcon b(nullptr, CSize(32, 32));
    b.SetUrl(path.c_str(), vbDnPriority1);
    b.WaitLoad(kWaitMs, vbDnPriority1);
    EXPECT_EQ(b.Get(), a.Get());
    EXPECT_EQ(static_cast<HICON>(b), static_cast<HICON>(a));
    EXPECT_TRUE(a == b);

    vbIcon smaller(nullptr, CSize(16, 16));
    smaller.SetUrl(path.c_str(), vbDnPriority1);
    ASSERT_TRUE(smaller.WaitLoad(kWaitMs, vbDnPriority1).IsValid());
    EXPECT_NE(smaller.Get(), a.Get());
    EXPECT_FALSE(smaller == a);
    vbIcon resized(a);
    EXPECT_TRUE(resized.Set(a, CSize(16, 16))) << "the cached icon of that size answers at once";
    resized.WaitLoad(kWaitMs, vbDnPriority1);
    EXPECT_EQ(resized.Get(), smaller.Get());
    EXPECT_TRUE(m_tmp.files().empty());
}

TEST_F(IconLoads, AnimationComesFromTheUrl)
{
    struct Case {
        std::string url;
        bool animated;
    } cases[] = {
        {writeFile("SPIN.ANI", animation(3)), true},
        {vbIconHOURGLASS, true},
        {writeFile("spin.cur", vnt::test::iconFile({{32, 32, 0xFF, 32}}, true)), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        vbIcon icon(nullptr, CSize(32, 32));
        icon.SetUrl(c.url.c_str(), vbDnPriority1);
        ASSERT_TRUE(icon.WaitLoad(kWaitMs, vbDnPriority1).IsValid()) << errorOf(icon);
        EXPECT_EQ(icon.IsAnimated(), c.animated);
    }
    EXPECT_TRUE(m_tmp.files().empty()) << "the hourglass came through a temporary file";
}

TEST_F(IconLoads, BytesThatAreNoIconAreRefusedAndLeaveNothing)
{
    const std::string path = writeFile("bad.ico", Bytes(20000, 'x'));
    vbIcon icon(nullptr, CSize(32, 32));
    icon.SetUrl(path.c_str(), vbDnPriority1);
    EXPECT_FALSE(icon.WaitLoad(kWaitMs, vbDnPriority1).IsValid());
    EXPECT_EQ(errorOf(icon), "Icon url '" + path + "' is invalid or is not an icon file");
    EXPECT_TRUE(m_tmp.files().empty());
}

// An icon that will not load its file directly, so that the bytes come in chunks, and that asks
// its operation to stop after the first chunk.
class StoppingIcon : public vbIconObject {
public:
    StoppingIcon(const vbString& url) : vbIconObject(url, MakeKey(32, 32)), m_path(url) { }
    bool LoadFromFile(vbDnData* data, const vbString& path) override
    {
        return path != m_path && vbIconObject::LoadFromFile(data, path);
    }
    bool LoadingAddBuffer(vbDnData* data, const unsigned char* bytes, ULONG count) override
    {
        const bool ok = vbIconObject::LoadingAddBuffer(data, bytes, count);
        filesMidway = m_folder ? m_folder->files("KVX").size() : 0;
        StopDnOp();
        return ok;
    }
    const TempFolder* m_folder = nullptr;
    size_t filesMidway = 0;

private:
    vbString m_path;
};

TEST_F(IconLoads, ALoadStoppedBetweenChunksLeavesNoTemporaryFile)
{
    const std::string path = writeFile("long.ani", animation(8));
    auto* icon = new StoppingIcon(path.c_str());
    icon->Create();
    icon->m_folder = &m_tmp;
    vbDnAsk(icon, vbDnLoad, nullptr, vbDnPriority1, false);
    // A wait gives up once the stop is asked: the worker's own end is awaited here.
    ASSERT_TRUE(pumpUntil([&] { return icon->filesMidway > 0 && !icon->IsDnOpInWork() && !icon->IsDnOpAsked(); }));
    EXPECT_EQ(icon->filesMidway, 1u) << "the bytes went to a temporary file";
    EXPECT_FALSE(icon->IsValid());
    EXPECT_TRUE(m_tmp.files().empty());
    icon->Release();
}

// A visible window with an icon control at (50, 40) in it, the face colour known.
class IconCtrlLoads : public IconLoads {
protected:
    void SetUp() override
    {
        vntTestSetSysColor(COLOR_BTNFACE, kFace);
        ASSERT_TRUE(parent.CreateEx(0, nullptr, "p", WS_POPUP | WS_VISIBLE, 0, 0, 120, 100, nullptr, nullptr));
        ASSERT_TRUE(ctrl.Create(nullptr, nullptr, WS_VISIBLE, CRect(50, 40, 82, 72), &parent, 1));
    }
    void TearDown() override
    {
        ctrl.DestroyWindow();
        parent.DestroyWindow();
        vntTestResetSysColors();
    }
    COLORREF shown(int x = 16, int y = 16) { return plat::headless::windowPixel(ctrl, x, y); }
    bool shows(COLORREF color)
    {
        return pumpUntil([&] { return shown() == color; });
    }

    CWnd parent;
    vbIconCtrl ctrl;
};

TEST_F(IconCtrlLoads, TheIconFillsTheControlsOwnClientArea)
{
    ctrl.SetUrl(writeFile("green.ico", stillIcon(0x00FF00)).c_str());
    ASSERT_TRUE(shows(RGB(0, 255, 0)));
    EXPECT_EQ(shown(0, 0), RGB(0, 255, 0));
    EXPECT_EQ(shown(31, 31), RGB(0, 255, 0));
    EXPECT_NE(plat::headless::windowPixel(parent, 49, 39), RGB(0, 255, 0));

    ctrl.SetUrl(writeFile("bad.ico", Bytes(100, 'x')).c_str());
    EXPECT_TRUE(shows(kFace)) << "a failed icon shows the face colour";
}

TEST_F(IconCtrlLoads, AnAnimatedCursorStepsEvery200MsUntilAStillIconComes)
{
    ctrl.SetUrl(writeFile("three.ani", animation(3)).c_str());
    ASSERT_TRUE(shows(asColorref(frameColor(0))));
    vnt::test::ManualClock clock;
    for (int step = 1; step <= 4; ++step) {
        clock.advance(200);
        EXPECT_TRUE(shows(asColorref(frameColor(step % 3)))) << "step " << step;
    }
    ctrl.SetUrl(writeFile("still.ico", stillIcon(0x0000FF)).c_str());
    ASSERT_TRUE(shows(RGB(0, 0, 255)));
    plat::headless::pumpUntilIdle();
    clock.advance(1000);
    EXPECT_EQ(plat::headless::pumpUntilIdle(), 0) << "no timer runs for a still icon";

    ctrl.SetUrl(writeFile("again.ani", animation(3)).c_str());
    ASSERT_TRUE(shows(asColorref(frameColor(0))));
    ctrl.DestroyWindow();
    plat::headless::pumpUntilIdle();
    clock.advance(1000);
    EXPECT_EQ(plat::headless::pumpUntilIdle(), 0) << "the timer went with the window";
}

} // namespace
