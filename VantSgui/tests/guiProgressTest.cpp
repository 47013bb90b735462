#include "guiProgress.h"
#include "guiToolTip.h"

#include "GuiTestBed.h"
#include "vbExpectThrown.h"
#include "vbHotPlugTestType.h"

#include "vbException.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace gui::test;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr UINT kUpdate = guiProgress::kDisplayUpdateMsg;
constexpr LONG kAccessDenied = static_cast<LONG>(0x80070005);

GUID classId(BYTE last) { return GUID{0x6E6F1200, 0x1234, 0x5678, {0x9A, 0xBC, 0, 0, 0, 0, 0, last}}; }

// The rows shown, as "label|message".
class TestStrip : public guiProgress {
public:
    std::vector<std::string> rows() const
    {
        std::vector<std::string> out;
        for (int i = 1; i <= m_disp.GetSize(); ++i)
            out.push_back(std::string(m_disp[i].label.c_str()) + "|" + m_disp[i].message.c_str());
        return out;
    }
    std::string message(int row) const { return m_disp[row].message.c_str(); }
    IvbHotPlugTypeCb* typeFace(int record) { return m_objs[record].listener; }
};

// A plug-in handle of the test type, with its class id and label.
class FakePlugin : public vbObject, public IvbHotPlugin {
public:
    FakePlugin(const GUID& id, const char* label) : m_id(id), m_label(label) { Create(); }
    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbHotPlugin) {
            *ppv = static_cast<IvbHotPlugin*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }
    const GUID& GetPluginId() override { return m_id; }
    vbString GetPluginLabel() override { return m_label; }
    vbString GetPlugTypeLabel() override { return "Test"; }

private:
    GUID m_id;
    vbString m_label;
};

class OpenType : public vbtest::HotPlugTestType {
public:
    using vbHotPlugType::tellListeners;
};

// The owner's side of the size negotiation: it gives the strip the size asked.
struct Owner : vbBase {
    bool onAskSize(guiProgress* strip, const CSize& wanted, const CSize&)
    {
        asked.push_back(wanted);
        strip->SetWindowPos(nullptr, 0, 0, wanted.cx, wanted.cy, SWP_NOMOVE | SWP_NOZORDER);
        return true;
    }
    void onNotif(guiProgress*) { ++notified; }
    std::vector<CSize> asked;
    int notified = 0;
};

class ProgressBed : public GuiTestBed {
protected:
    void TearDown() override
    {
        strips.clear();
        GuiTestBed::TearDown();
    }

    TestStrip& addStrip(const RECT& r, bool create = true)
    {
        strips.push_back(std::make_unique<TestStrip>());
        TestStrip& strip = *strips.back();
        strip.tcSetBackColor(vbColor(kWhite));
        if (create)
            createStrip(strip, r);
        return strip;
    }
    void createStrip(TestStrip& strip, const RECT& r)
    {
        strip.Create(&window->container, r, true, true);
        pump();
    }
    static guiHotPlugCbPtr listener(guiProgress& strip, const GUID& id, const char* label, bool showFirst = true)
    {
        guiHotPlugCbPtr cb;
        strip.GetPlugCb(showFirst, &cb, id, label, vbPlugUpdateAllow);
        return cb;
    }
    // Events come from other threads, as the plug-in centre's do.
    static void onThread(const std::function<void()>& event)
    {
        std::thread([&] {
            try {
                event();
            } catch (CException* e) {
                e->Delete();
            }
        }).join();
    }
    // Pumps until done() holds, at most 5 s of real time (the engine's thread needs some).
    static bool waitFor(const std::function<bool()>& done)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        for (;;) {
            pump();
            if (done())
                return true;
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    // Lets the message engine's thread run what the clock made due.
    static void settle()
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        pump();
    }
    static bool rowCount(const TestStrip& strip, size_t n) { return strip.rows().size() == n; }
    // Whether a pixel of the column at x within the first rows is of the colour.
    static bool columnHas(const TestStrip& strip, int x, const std::function<bool(COLORREF)>& is)
    {
        for (int y = 0; y < 30; ++y)
            if (is(pixel(strip, x, y)))
                return true;
        return false;
    }
    // The most pixels of the colour along one line of the first rows.
    static int widestRun(const TestStrip& strip, const std::function<bool(COLORREF)>& is)
    {
        CRect r;
        strip.GetClientRect(&r);
        int best = 0;
        for (int y = 0; y < 30; ++y) {
            int n = 0;
            for (int x = 0; x < r.Width(); ++x)
                n += is(pixel(strip, x, y));
            best = std::max(best, n);
        }
        return best;
    }
    static bool blue(COLORREF c) { return GetBValue(c) >= 0x80 && GetRValue(c) == 0 && GetGValue(c) == 0; }
    static bool red(COLORREF c) { return GetRValue(c) >= 0x80 && GetGValue(c) == 0 && GetBValue(c) == 0; }
    static bool green(COLORREF c) { return GetGValue(c) >= 0x80 && GetRValue(c) == 0 && GetBValue(c) == 0; }

    std::vector<std::unique_ptr<TestStrip>> strips;
};

TEST_F(ProgressBed, DownloadTextsShowThePercentageAndChangeAtMostEvery300Ms)
{
    TestStrip& strip = addStrip({10, 10, 390, 60});
    guiHotPlugCbPtr cb = listener(strip, classId(1), "Scanner");
    const std::string connecting = vbLabel(vbPlugStatusConnecting).c_str();
    const std::string downloading = vbLabel(vbPlugStatusDownloadingData).c_str();

    onThread([&] { cb->OnProgress(nullptr, 1, 3, vbPlugStatusConnecting, ""); });
    ASSERT_TRUE(waitFor([&] { return rowCount(strip, 1); }));
    EXPECT_EQ(strip.rows()[0], "Scanner|" + connecting + " : 33.33 %");
    const int third = widestRun(strip, blue);

    advance(100);
    onThread([&] { cb->OnProgress(nullptr, 2, 3, vbPlugStatusDownloadingData, ""); });
    pump();
    EXPECT_EQ(strip.message(1), connecting + " : 66.67 %") << "only the percentage within 300 ms";
    const int twoThirds = widestRun(strip, blue);
    EXPECT_GT(third, 50) << "the done part is filled with the progress surface";
    EXPECT_NEAR(twoThirds, 2 * third, 10);

    advance(200);
    onThread([&] { cb->OnProgress(nullptr, 2, 3, vbPlugStatusDownloadingData, ""); });
    pump();
    EXPECT_EQ(strip.message(1), downloading + " : 66.67 %");
}

// The work that ends, or stops for an update, after its last progress keeps no percentage of it:
// a finished work that read "Loaded and ready. : 99.90 %" seemed unfinished.
TEST_F(ProgressBed, AWorkThatEndsShowsNoPercentageOfItsLastProgress)
{
    struct Case {
        const char* shown;
        std::function<void(IvbHotPlugCb*)> end;
    };
    const Case cases[] = {
        {"Loaded and ready.", [](IvbHotPlugCb* cb) { cb->OnLoadPluginAsked(nullptr, false); }},
        {"Unloaded for update.", [](IvbHotPlugCb* cb) { cb->OnUnloadPluginAsked(nullptr, false); }},
        {"done", [](IvbHotPlugCb* cb) { cb->OnError(nullptr, false, 0, "done"); }},
    };
    TestStrip& strip = addStrip({10, 10, 390, 60});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        guiHotPlugCbPtr cb = listener(strip, classId(20), "Assembly");
        advance(400);
        onThread([&] { cb->OnProgress(nullptr, 999, 1000, vbPlugStatus(-1), "Working"); });
        ASSERT_TRUE(waitFor([&] { return rowCount(strip, 1) && strip.message(1) == "Working : 99.90 %"; }));
        onThread([&] { c.end(cb); });
        EXPECT_TRUE(waitFor([&] { return strip.message(1) == c.shown; })) << strip.message(1);
        EXPECT_EQ(widestRun(strip, blue), 0) << "no part of the cell is filled as done";
    }
}

TEST_F(ProgressBed, ErrorsShowTheirCodeOnTheErrorColourForAMinute)
{
    struct Case {
        LONG hr;
        const char* shown;
    };
    const Case cases[] = {{kAccessDenied, "80070005 : denied"}, {E_FAIL, "denied"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        TestStrip& strip = addStrip({10, 10, 390, 60});
        guiHotPlugCbPtr cb = listener(strip, classId(2), "Scanner");
        onThread([&] { EXPECT_EQ(cb->OnError(nullptr, false, c.hr, "denied"), vbPlugUpdateAllow); });
        ASSERT_TRUE(waitFor([&] { return rowCount(strip, 1); }));
        EXPECT_EQ(strip.message(1), c.shown);
        EXPECT_TRUE(columnHas(strip, 300, red)) << "a failed row is red";

        advance(59000);
        settle();
        EXPECT_TRUE(rowCount(strip, 1)) << "still shown before a minute";
        advance(1000);
        EXPECT_TRUE(waitFor([&] { return rowCount(strip, 0); }));
        cb = nullptr;
        strips.clear();
    }
}

TEST_F(ProgressBed, AFirstLoadIsHiddenUnlessAskedAndALoadAfterAnUpdateShowsFor20Seconds)
{
    TestStrip& strip = addStrip({10, 10, 390, 60});
    guiHotPlugCbPtr cb = listener(strip, classId(3), "Scanner", false);
    MessageCounter updates(strip.GetSafeHwnd());
    onThread([&] { cb->OnLoadPluginAsked(nullptr, false); });
    settle();
    EXPECT_EQ(updates.count(kUpdate), 0);
    EXPECT_TRUE(rowCount(strip, 0));

    onThread([&] { cb->OnUnloadPluginAsked(nullptr, false); });
    ASSERT_TRUE(waitFor([&] { return rowCount(strip, 1); }));
    EXPECT_EQ(strip.rows()[0], "Scanner|Unloaded for update.");
    onThread([&] { cb->OnLoadPluginAsked(nullptr, false); });
    pump();
    EXPECT_EQ(strip.rows()[0], "Scanner|Loaded and ready.");
    EXPECT_TRUE(columnHas(strip, 300, green)) << "a loaded row is green";

    advance(19000);
    settle();
    EXPECT_TRUE(rowCount(strip, 1));
    advance(1000);
    EXPECT_TRUE(waitFor([&] { return rowCount(strip, 0); }));
}

TEST_F(ProgressBed, AFormattedTextKeeps511BytesAndNeverHalfACharacter)
{
    TestStrip& strip = addStrip({10, 10, 390, 60});
    guiHotPlugCbPtr cb = listener(strip, classId(4), "Scanner");
    // "80070005 : " and "x" leave an odd count of bytes for the two-byte characters.
    std::string text = "x";
    for (int k = 0; k < 299; ++k)
        text += "\xC3\xA9";
    onThread([&] { cb->OnError(nullptr, false, kAccessDenied, text.c_str()); });
    ASSERT_TRUE(waitFor([&] { return rowCount(strip, 1); }));
    const std::string shown = strip.message(1);
    EXPECT_EQ(shown.size(), 510u);
    EXPECT_EQ(shown.substr(0, 12), "80070005 : x");
    EXPECT_EQ(shown.substr(shown.size() - 2), "\xC3\xA9");
}

TEST_F(ProgressBed, RecordsAreMadeOnceAndALabelChangeIsShown)
{
    TestStrip& strip = addStrip({10, 10, 390, 60});
    guiHotPlugCbPtr first;
    guiHotPlugCbPtr again;
    EXPECT_TRUE(strip.GetPlugCb(true, &first, classId(5), "Scanner", vbPlugUpdateAllow));
    EXPECT_TRUE(strip.GetPlugCb(true, nullptr, classId(6), "Printer", vbPlugUpdateAllow));
    EXPECT_FALSE(strip.GetPlugCb(true, &again, classId(5), nullptr, vbPlugUpdateLater));
    EXPECT_EQ(static_cast<IvbHotPlugCb*>(first), static_cast<IvbHotPlugCb*>(again));
    EXPECT_EQ(first->OnGetPluginCaps(nullptr), vbPlugUpdateLater) << "the caps of the last call";

    onThread([&] { first->OnError(nullptr, false, 0, "done"); });
    ASSERT_TRUE(waitFor([&] { return rowCount(strip, 1); }));
    EXPECT_EQ(strip.rows()[0], "Scanner|done");
    EXPECT_FALSE(strip.GetPlugCb(true, nullptr, classId(5), "Camera", vbPlugUpdateLater));
    EXPECT_TRUE(waitFor([&] { return strip.rows()[0] == "Camera|done"; }));
}

// A row its owner drives shows where the work is now: a later success replaces a failure, a
// failure does not keep the percentage of the run it ended, and a row whose work is gone goes.
// A followed plug-in's failure stays in view past a load that follows it.
TEST_F(ProgressBed, ADrivenRowShowsItsLatestStateAndGoesWithItsWork)
{
    OpenType type;
    TestStrip& strip = addStrip({10, 10, 390, 100});
    guiHotPlugCbPtr cb = listener(strip, classId(10), "Assembly");
    onThread([&] {
        cb->OnProgress(nullptr, 1, 2, vbPlugStatus(-1), "Working");
        cb->OnError(nullptr, false, E_FAIL, "broken");
    });
    ASSERT_TRUE(waitFor([&] { return rowCount(strip, 1); }));
    EXPECT_EQ(strip.rows()[0], "Assembly|broken");
    onThread([&] { cb->OnLoadPluginAsked(nullptr, false); });
    EXPECT_TRUE(waitFor([&] { return strip.rows()[0] == "Assembly|Loaded and ready."; }));
    EXPECT_TRUE(columnHas(strip, 300, green));

    strip.ListenPlugin(true, &type, nullptr, vbPlugUpdateAllow);
    vbRefPtr<IvbHotPlugin, &IID_IvbHotPlugin> plugin = new FakePlugin(classId(11), "Alpha");
    plugin->Release();
    onThread([&] {
        type.tellListeners([&](IvbHotPlugTypeCb* listener) {
            listener->OnError(plugin, nullptr, false, E_FAIL, "no update");
            listener->OnLoadPluginAsked(plugin, nullptr, false);
        });
    });
    ASSERT_TRUE(waitFor([&] { return rowCount(strip, 2); }));
    EXPECT_EQ(strip.rows()[1], "Alpha|no update");

    strip.HidePlugCb(classId(10));
    strip.HidePlugCb(classId(12));
    ASSERT_TRUE(waitFor([&] { return rowCount(strip, 1); }));
    EXPECT_EQ(strip.rows()[0], "Alpha|no update");
    onThread([&] { cb->OnError(nullptr, false, E_FAIL, "again"); });
    EXPECT_TRUE(waitFor([&] { return rowCount(strip, 2); })) << "a later event shows the row again";
}

// A message that the strip's width cuts is read whole in the tool tip of its row; a row that
// fits has none.
TEST_F(ProgressBed, AMessageCutByTheWidthIsReadWholeInItsToolTip)
{
    guiToolTip tip;
    tip.Create(&window->container, CRect(0, 0, 10, 10), false, true);
    window->container.SetToolTip(&tip);
    TestStrip& strip = addStrip({0, 0, 300, 100});
    guiHotPlugCbPtr fits = listener(strip, classId(13), "A");
    guiHotPlugCbPtr cut = listener(strip, classId(14), "B");
    const std::string whole = "Image b.jpg 1024x768 has a different size from others images to assembly (1200x900), "
                              "can't make result image";
    onThread([&] {
        fits->OnError(nullptr, false, E_FAIL, "short");
        cut->OnError(nullptr, false, E_FAIL, whole.c_str());
    });
    ASSERT_TRUE(waitFor([&] { return rowCount(strip, 2); }));
    // Where each row's red status cell begins.
    std::vector<int> tops;
    for (int y = 1; y < 100; ++y)
        if (red(pixel(strip, 150, y)) && !red(pixel(strip, 150, y - 1)))
            tops.push_back(y);
    ASSERT_EQ(tops.size(), 2u);
    struct Case {
        int row;
        std::string tip;
    } cases[] = {{2, whole}, {1, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        moveTo(150, tops[c.row - 1] + 4);
        for (int i = 0; i < 3; ++i)
            advance(150);
        EXPECT_EQ(std::string(tip.tcGetText().c_str()), c.tip);
        EXPECT_EQ(tip.IsWindowVisible() != FALSE, !c.tip.empty());
    }
    window->container.SetToolTip(nullptr);
}

TEST_F(ProgressBed, ATypeListenerMakesARecordPerPluginLabelledByThePlugin)
{
    OpenType type;
    TestStrip& strip = addStrip({10, 10, 390, 100});
    EXPECT_TRUE(strip.ListenPlugin(true, &type, nullptr, vbPlugUpdateAllow));
    EXPECT_FALSE(strip.ListenPlugin(true, &type, nullptr, vbPlugUpdateAllow));
    vbRefPtr<IvbHotPlugin, &IID_IvbHotPlugin> alpha = new FakePlugin(classId(7), "Alpha");
    vbRefPtr<IvbHotPlugin, &IID_IvbHotPlugin> unnamed = new FakePlugin(classId(8), "");
    alpha->Release();
    unnamed->Release();
    for (int round = 0; round < 2; ++round) {
        onThread([&] {
            type.tellListeners([&](IvbHotPlugTypeCb* cb) {
                cb->OnError(alpha, nullptr, false, 0, "one");
                cb->OnError(unnamed, nullptr, false, 0, "two");
            });
        });
    }
    ASSERT_TRUE(waitFor([&] { return rowCount(strip, 2); }));
    EXPECT_EQ(strip.rows(), (std::vector<std::string>{"Alpha|one", "Test Plugin|two"}));

    onThread([&] { type.tellListeners([&](IvbHotPlugTypeCb* cb) { cb->OnReloadConfig(&type); }); });
    ASSERT_TRUE(waitFor([&] { return rowCount(strip, 3); }));
    EXPECT_EQ(strip.rows()[2], std::string(type.GetPlugTypeLabel().c_str()) + " Plugins|Configuration updated.");
}

TEST_F(ProgressBed, APluginWithoutIdOrPluggerIsRefused)
{
    OpenType type;
    TestStrip& strip = addStrip({10, 10, 390, 60});
    strip.ListenPlugin(true, &type, nullptr, vbPlugUpdateAllow);
    vbRefPtr<IvbHotPlugin, &IID_IvbHotPlugin> nameless = new FakePlugin(GUID{}, "");
    nameless->Release();
    char expected[128];
    std::snprintf(expected, sizeof expected, "PlugCtr::find(subid={00000000-0000-0000-0000-000000000000},%llX) : no plugger ptr",
        static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(static_cast<vbHotPlugType*>(&type))));
    vbtest::expectThrown<vbEsys>([&] { strip.typeFace(1)->OnError(nameless, nullptr, false, 0, "x"); }, E_FAIL,
        expected);
}

TEST_F(ProgressBed, TheOwnerIsAskedForTheContentSizeOnlyWhenItChanges)
{
    Owner owner;
    TestStrip& strip = addStrip({10, 10, 390, 30});
    strip.OnAskSizeCB() = ASKSIZECB(&owner, &Owner::onAskSize);
    strip.OnNotifCB() = NOTIFCB(&owner, &Owner::onNotif);
    guiHotPlugCbPtr scanner = listener(strip, classId(9), "Scanner");
    guiHotPlugCbPtr printer = listener(strip, classId(10), "Printer");

    onThread([&] { scanner->OnProgress(nullptr, 1, 3, vbPlugStatusConnecting, ""); });
    ASSERT_TRUE(waitFor([&] { return owner.notified == 1; }));
    ASSERT_EQ(owner.asked.size(), 1u);
    const CSize one = owner.asked[0];
    EXPECT_GT(one.cx, 0);
    EXPECT_GT(one.cy, 0);
    CRect r;
    strip.GetClientRect(&r);
    EXPECT_EQ(r.Size(), one) << "the owner's answer is the strip's size";

    advance(400);
    onThread([&] { scanner->OnProgress(nullptr, 2, 3, vbPlugStatusConnecting, ""); });
    ASSERT_TRUE(waitFor([&] { return owner.notified == 2; }));
    EXPECT_EQ(owner.asked.size(), 1u) << "the same texts' size is not asked again";

    onThread([&] { printer->OnProgress(nullptr, 1, 3, vbPlugStatusConnecting, ""); });
    ASSERT_TRUE(waitFor([&] { return owner.notified == 3; }));
    ASSERT_EQ(owner.asked.size(), 2u);
    EXPECT_EQ(owner.asked[1].cx, one.cx);
    EXPECT_GT(owner.asked[1].cy, one.cy);
}

TEST_F(ProgressBed, ANarrowStripDropsItsLabelColumn)
{
    struct Case {
        int width;
        bool labels;
    };
    for (const Case c : {Case{219, false}, Case{260, true}}) {
        SCOPED_TRACE(c.width);
        TestStrip& strip = addStrip({10, 10, 10 + c.width, 60});
        guiHotPlugCbPtr cb = listener(strip, classId(11), "Scanner");
        onThread([&] { cb->OnError(nullptr, false, kAccessDenied, "denied"); });
        ASSERT_TRUE(waitFor([&] { return rowCount(strip, 1); }));
        EXPECT_EQ(columnHas(strip, 12, red), !c.labels) << "the status cell starts at the left";
        cb = nullptr;
        strips.clear();
    }
}

TEST_F(ProgressBed, ABurstFromSeveralThreadsPostsOneUpdate)
{
    TestStrip& strip = addStrip({10, 10, 390, 150});
    std::vector<guiHotPlugCbPtr> cbs;
    for (BYTE k = 0; k < 4; ++k)
        cbs.push_back(listener(strip, classId(static_cast<BYTE>(20 + k)), "Worker"));
    MessageCounter updates(strip.GetSafeHwnd());
    auto burst = [&] {
        std::vector<std::thread> threads;
        for (auto& cb : cbs)
            threads.emplace_back([&cb] {
                for (ULONG k = 1; k <= 200; ++k)
                    cb->OnProgress(nullptr, k, 200, vbPlugStatusDownloadingData, "");
            });
        for (auto& t : threads)
            t.join();
        pump();
    };
    burst();
    EXPECT_EQ(updates.count(kUpdate), 1);
    EXPECT_TRUE(rowCount(strip, 4));
    burst();
    EXPECT_EQ(updates.count(kUpdate), 2);
}

TEST_F(ProgressBed, EventsBeforeTheWindowAndAfterAFailedPostStillShow)
{
    TestStrip& strip = addStrip({10, 10, 390, 60}, false);
    guiHotPlugCbPtr cb = listener(strip, classId(30), "Scanner");
    onThread([&] { cb->OnError(nullptr, false, 0, "early"); });
    createStrip(strip, {10, 10, 390, 60});
    EXPECT_EQ(strip.rows(), std::vector<std::string>{"Scanner|early"});

    // The GUI thread's queue full: the post fails after its retries, which take no time (and
    // would let the rows time out).
    strip.SetDisplayTimeOut(ULONG_MAX);
    strip.SetDisplayTimeOutOk(ULONG_MAX);
    clock->setAutoAdvance(true);
    while (PostMessageA(window->GetSafeHwnd(), WM_NULL, 0, 0)) { }
    bool failed = false;
    std::thread([&] {
        try {
            cb->OnError(nullptr, false, 0, "lost");
        } catch (CException* e) {
            failed = true;
            e->Delete();
        }
    }).join();
    clock->setAutoAdvance(false);
    EXPECT_TRUE(failed);
    pump();
    onThread([&] { cb->OnError(nullptr, false, 0, "later"); });
    EXPECT_TRUE(waitFor([&] { return strip.rows() == std::vector<std::string>{"Scanner|later"}; }));
}

TEST_F(ProgressBed, AListenerOutlivingItsStripReachesNothing)
{
    TestStrip& strip = addStrip({10, 10, 390, 60});
    guiHotPlugCbPtr held = listener(strip, classId(31), "Scanner");
    clock->setAutoAdvance(true);
    vbtest::expectThrown<vbEsys>([&] { strip.DestroyPlugObj(); }, static_cast<HRESULT>(0x800005B4u),
        "guiProgress : time out");
    strips.clear();
    clock->setAutoAdvance(false);

    EXPECT_EQ(held->OnError(nullptr, false, kAccessDenied, "late"), vbPlugUpdateAllow);
    held->OnProgress(nullptr, 1, 2, vbPlugStatusDownloadingData, "late");
    held->OnLoadPluginAsked(nullptr, false);
    held = nullptr;
}

} // namespace
