#include "picAssembly.h"

#include "PicPictureKit.h"
#include "picTestSlot.h"

#include "VantPicture.h"
#include "vbDnItf.h"
#include "vbEngine.h"
#include "vbException.h"
#include "vbObjTestUtil.h"
#include "vbObjectFace.h"

#include "plat/message.h"
#include "plat/window.h"

#include "testsupport/TestDnObject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

using pictest::Slot;
using vbtest::catchVb;

namespace {

// Notes what the assembly reports.
class Progress : public vbObject, public IvbHotPlugCb {
public:
    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbHotPlugCb) {
            *ppv = static_cast<IvbHotPlugCb*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }
    void OnProgress(IvbHotPlugger*, ULONG pos, ULONG max, vbPlugStatus status, const vbString& text) override
    {
        EXPECT_EQ(status, static_cast<vbPlugStatus>(-1));
        events.push_back({static_cast<const char*>(text), static_cast<int>(pos), static_cast<int>(max)});
        if (onProgress)
            onProgress(events.back());
    }

    struct Event {
        std::string text;
        int pos, max;
    };
    std::vector<Event> events;
    std::function<void(const Event&)> onProgress;

    std::vector<int> positions(const std::string& text) const
    {
        std::vector<int> v;
        for (const Event& e : events)
            if (e.text == text)
                v.push_back(e.pos);
        return v;
    }
};

picBitmapPtr makeBitmap(int w, int h, picBmpColorType type, int bits, const std::function<uint8_t(int x, int y, int c)>& px)
{
    picBitmapPtr bmp;
    picCreateBitmap(&bmp, picSize(w, h), type, bits, picReqThrow);
    const int bpp = bits / 8;
    for (int y = 0; y < h; ++y) {
        void* row = nullptr;
        bmp->GetBitmapRow(nullptr, y, &row, 1, w * bpp);
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < bpp; ++c)
                static_cast<uint8_t*>(row)[x * bpp + c] = px(x, y, c);
    }
    return bmp;
}

struct NodeSpec {
    std::string text;
    bool mono = false;
    Slot slots[3];
    double factors[3] = {100, 100, 100};
    bool usable = true;
    picBitmapPtr bitmap;
};

void copySlots(const NodeSpec& n, picAssemblySlots* out)
{
    out->text = n.text.c_str();
    out->mono = n.mono;
    for (int i = 0; i < 3; ++i) {
        out->factors[i] = n.factors[i];
        out->filters[i] = std::make_unique<Slot>(n.slots[i]);
    }
}

// A project with its children, as plain records.
class Host : public sIpicAssemblyHost {
public:
    void GetProject(picAssemblySlots* out) override { copySlots(project, out); }
    int GetChildCount() override { return static_cast<int>(children.size()); }
    bool GetChild(int index, bool* usable, picAssemblySlots* out) override
    {
        if (index > static_cast<int>(children.size()))
            return false;
        const NodeSpec& c = children[static_cast<size_t>(index - 1)];
        *usable = c.usable;
        if (c.usable)
            copySlots(c, out);
        return true;
    }
    picBitmapPtr FetchBitmap(int index) override
    {
        fetched.push_back(index);
        return children[static_cast<size_t>(index - 1)].bitmap;
    }
    picImagePtr BeginResult() override
    {
        ++begun;
        return result;
    }
    void EndResult(IpicImage* image) override
    {
        result = image;
        ++ended;
    }

    NodeSpec project;
    std::vector<NodeSpec> children;
    std::vector<int> fetched;
    picImagePtr result;
    int begun = 0;
    int ended = 0;
};

NodeSpec rgbProject()
{
    NodeSpec p;
    p.text = "P";
    p.slots[0] = Slot("!red");
    p.slots[1] = Slot("!green");
    p.slots[2] = Slot("!blue");
    return p;
}

NodeSpec colourImage(const char* text, picBitmapPtr bmp)
{
    NodeSpec n = rgbProject();
    n.text = text;
    n.bitmap = bmp;
    return n;
}

picBitmapPtr gradient(int w, int h)
{
    return makeBitmap(w, h, picBmpRGB, 24, [](int x, int y, int c) { return static_cast<uint8_t>(x * 13 + y * 7 + c * 50); });
}

class picAssemblyTest : public ::testing::Test {
protected:
    // Curve worker, then the band worker when it declines, as the project runs them.
    void assemble(int threads = 2)
    {
        picAssemblyContext ctx;
        ctx.host = &host;
        ctx.progress = progress;
        ctx.threads = threads;
        if (!assembleByCurves(ctx))
            assembleByBands(ctx);
    }
    void expectFailure(const std::string& message)
    {
        auto caught = catchVb([&] { assemble(); });
        EXPECT_EQ(caught.cls, "vbEuser");
        EXPECT_EQ(caught.msg, message);
        EXPECT_EQ(host.ended, 0);
    }

    vbUseEngineCenter use{&g_vbEngineCenter, false};
    Host host;
    Progress* progress = newProgress();
    ~picAssemblyTest() override { static_cast<IvbHotPlugCb*>(progress)->Release(); }

    static Progress* newProgress()
    {
        auto* p = new Progress;
        p->Create();
        return p;
    }
};

TEST_F(picAssemblyTest, AssemblesTheSourcesIntoANewResult)
{
    host.project = rgbProject();
    host.children.push_back(colourImage("A", gradient(9, 5)));
    assemble();
    ASSERT_TRUE(host.result);
    EXPECT_EQ(host.ended, 1);
    // Factor 100 and the project's own three bands give every byte back.
    EXPECT_EQ(pictest::pixelsOf(host.result, 3).size(), 9u * 5 * 3);
    std::vector<uint8_t> expected;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x)
            for (int c = 0; c < 3; ++c)
                expected.push_back(static_cast<uint8_t>(x * 13 + y * 7 + c * 50));
    EXPECT_EQ(pictest::pixelsOf(host.result, 3), expected);

    const std::vector<int> rows = progress->positions("Making result image");
    // Rows shared with a helper thread: positions rise from the first row to the last.
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), 0);
    EXPECT_EQ(rows.back(), 4);
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end()));
    EXPECT_EQ(std::adjacent_find(rows.begin(), rows.end()), rows.end());
    EXPECT_EQ(progress->positions("Loading source images"), std::vector<int>{0});

    // A second run keeps the result image and re-makes its bitmap at the new size.
    IpicImage* first = host.result.operator->();
    host.children[0].bitmap = gradient(4, 3);
    assemble();
    EXPECT_EQ(host.result.operator->(), first);
    EXPECT_EQ(host.result->GetPixelSize(-1), picSize(4, 3));
}

TEST_F(picAssemblyTest, GreySourcesGiveTheBytesOfTheirColourTwins)
{
    auto grey = [](int x, int y, int) { return static_cast<uint8_t>((x * 37 + y * 91) & 0xFF); };
    std::vector<uint8_t> results[2];
    for (int i = 0; i < 2; ++i) {
        Host h;
        h.project = rgbProject();
        NodeSpec image;
        image.text = "G";
        image.mono = true;
        image.slots[0] = Slot("!gray");
        image.factors[0] = 133;
        image.bitmap = i == 0 ? makeBitmap(31, 7, picBmpGrey, 8, grey) : makeBitmap(31, 7, picBmpRGB, 24, grey);
        h.children.push_back(image);
        picAssemblyContext ctx;
        ctx.host = &h;
        ctx.threads = 3;
        assembleByBands(ctx);
        results[i] = pictest::pixelsOf(h.result, 3);
    }
    EXPECT_EQ(results[0], results[1]);
    EXPECT_NE(results[0], std::vector<uint8_t>(results[0].size(), 0));
}

TEST_F(picAssemblyTest, FailuresNameTheirCause)
{
    struct Case {
        const char* name;
        std::function<void(Host&)> setUp;
        std::string msg;
        std::vector<int> fetched;
    } cases[] = {
        {"no filter",
            [](Host& h) {
                h.project.slots[0] = h.project.slots[1] = h.project.slots[2] = Slot();
                h.children.push_back(colourImage("A", gradient(2, 2)));
            },
            "Can't make result image for project P, no filter available", {}},
        // A colour project switched to mono keeps C2 and C3, which it does not use.
        {"mono project without C1",
            [](Host& h) {
                h.project.mono = true;
                h.project.slots[0] = Slot();
                h.children.push_back(colourImage("A", gradient(2, 2)));
            },
            "Can't make result image for project P, no filter available", {}},
        {"only unchecked images",
            [](Host& h) {
                h.children.push_back(colourImage("A", gradient(2, 2)));
                h.children.back().usable = false;
            },
            "Can't make result image for project P, no source image available", {}},
        {"filters without points",
            [](Host& h) {
                h.children.push_back(colourImage("A", gradient(2, 2)));
                for (Slot& s : h.children.back().slots)
                    s = Slot("!hidden");
            },
            "Can't make result image for project P, no source image available", {}},
        {"another size",
            [](Host& h) {
                h.children.push_back(colourImage("A", gradient(6, 4)));
                h.children.push_back(colourImage("B", gradient(4, 6)));
            },
            "Image B 4x6 has a different size from others images to assembly (6x4), can't make result image", {1, 2}},
        {"pixel format",
            [](Host& h) {
                h.children.push_back(colourImage("C", makeBitmap(2, 2, picBmpRGB, 32, [](int, int, int) { return 1; })));
            },
            "Image C has a pixel format that can't be assembled, can't make result image", {1}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        host = Host();
        host.project = rgbProject();
        c.setUp(host);
        expectFailure(c.msg);
        EXPECT_EQ(host.fetched, c.fetched);
    }
}

// A failure that names its project is said again with a new name; one that names an image, or
// another project, or another name of it, is left as it is.
TEST(picRenameInFailure, OnlyTheProjectsOwnNameChanges)
{
    struct Case {
        const char* message;
        const char* from;
        const char* want;
    } cases[] = {
        {"Can't make result image for project P, no filter available", "P",
            "Can't make result image for project Sizes, no filter available"},
        {"Can't make result image for project A, B, no source image available", "A, B",
            "Can't make result image for project Sizes, no source image available"},
        {"Can't make result image for project P, no filter available", "Q",
            "Can't make result image for project P, no filter available"},
        {"Image P can't be read (gone), can't make result image", "P",
            "Image P can't be read (gone), can't make result image"},
        {"", "P", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(std::string(picRenameInFailure(c.message, c.from, "Sizes")), c.want);
    }
}

// A quit posted to the worker's thread while the rows are made stops the run at the next row.
TEST_F(picAssemblyTest, AQuitStopsTheRows)
{
    host.project = rgbProject();
    host.children.push_back(colourImage("A", gradient(5, 40)));
    progress->onProgress = [](const Progress::Event& e) {
        if (e.text == "Making result image" && e.pos == 0)
            PostQuitMessage(0);
    };
    std::string message;
    std::thread worker([&] { message = catchVb([&] { assemble(1); }).msg; });
    worker.join();
    EXPECT_EQ(message, "PicFlorvane stopping...");
    EXPECT_EQ(progress->positions("Making result image"), std::vector<int>{0});
    EXPECT_EQ(host.ended, 0);
}

// A cancel of the download operation during the rows ends the run at the next stop check.
TEST_F(picAssemblyTest, ACancelEndsTheRowsThroughTheStopCheck)
{
    host.project = rgbProject();
    host.children.push_back(colourImage("A", gradient(5, 40)));
    auto* op = new vnt::test::TestDnObject("res:assemble");
    op->Create();
    vbtest::Caught caught;
    op->script.loadFromRes = [&](vbDnData* data, const char*, const char*, HINSTANCE) {
        picAssemblyContext ctx;
        ctx.host = &host;
        ctx.progress = progress;
        ctx.operation = data;
        ctx.threads = 1;
        caught = catchVb([&] { assembleByBands(ctx); });
        return true;
    };
    std::future<bool> cancel;
    progress->onProgress = [&](const Progress::Event& e) {
        if (e.text != "Making result image" || e.pos != 2)
            return;
        cancel = std::async(std::launch::async, [op] { return vbDnCancel(op, vbDnLoad, false); });
        while (!op->IsDnOpStopped())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    vbDnAsk(op, vbDnLoad, "res:assemble", vbDnPriority1, false);
    vbDnWait(op, vbDnLoad, 60000, false);
    cancel.wait();
    EXPECT_TRUE(caught.thrown);
    EXPECT_EQ(progress->positions("Making result image"), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(host.ended, 0);
    op->Release();
}

std::atomic<bool> g_guiHandled{false};

LRESULT CALLBACK guiProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_APP + 7) {
        g_guiHandled = true;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// The rows run on a download worker while the GUI thread waits with its queue pumped: a message
// posted to the GUI during the rows is handled before the run ends.
TEST_F(picAssemblyTest, TheGuiThreadStaysFreeDuringTheRows)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = guiProc;
    wc.lpszClassName = "picAssemblyTest gui";
    RegisterClassExA(&wc);
    HWND gui = CreateWindowExA(0, "picAssemblyTest gui", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(gui);
    g_guiHandled = false;

    host.project = rgbProject();
    host.children.push_back(colourImage("A", gradient(5, 10)));
    auto* op = new vnt::test::TestDnObject("res:assemble");
    op->Create();
    op->script.loadFromRes = [&](vbDnData* data, const char*, const char*, HINSTANCE) {
        picAssemblyContext ctx;
        ctx.host = &host;
        ctx.progress = progress;
        ctx.operation = data;
        assembleByBands(ctx);
        return true;
    };
    bool handledDuringRows = false;
    progress->onProgress = [&](const Progress::Event& e) {
        if (e.text != "Making result image" || e.pos != 0)
            return;
        PostMessageA(gui, WM_APP + 7, 0, 0);
        for (int i = 0; i < 10000 && !g_guiHandled; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        handledDuringRows = g_guiHandled;
    };
    vbDnAsk(op, vbDnLoad, "res:assemble", vbDnPriority1, false);
    vbDnWait(op, vbDnLoad, 60000, true);
    EXPECT_TRUE(handledDuringRows);
    EXPECT_EQ(host.ended, 1);
    op->Release();
    DestroyWindow(gui);
    UnregisterClassA("picAssemblyTest gui", nullptr);
}

TEST_F(picAssemblyTest, CurvesGiveWayToBands)
{
    host.project = rgbProject();
    host.project.slots[0] = pictest::curve({{0, 50}, {100, 50}});
    host.children.push_back(colourImage("A", gradient(3, 3)));
    picAssemblyContext ctx;
    ctx.host = &host;
    EXPECT_FALSE(assembleByCurves(ctx));
    EXPECT_EQ(host.ended, 0);
    assembleByBands(ctx);
    EXPECT_EQ(host.ended, 1);
}

} // namespace
