// The tree view on a large tree: 10 x 100 x n nodes (n = 10 and 100, so 10,000 and 100,000
// leaves), expanded to the leaves, with every other second-level node sorted and every seventh
// leaf of an item class. The first layout, a relayout after one node's text changed, and painting
// a 1024 x 768 tree rectangle at the top and at the end; beside them, std::sort of the same texts
// per level with a prefix sum of row heights, and a FillRect with the same visible texts drawn by
// the platform's text call.

#include "GuiBenchWindow.h"
#include "TreeBenchNodes.h"
#include "guiTreeViewDraw.h"

#include "plat/bitmap.h"
#include "plat/gdi.h"
#include "plat/headless.h"
#include "plat/window.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1024, kHeight = 768;

// The host: the engine's posted updates reach it; it answers nothing of its own.
class Host : public CWnd, public sIguiTreeEvents {
public:
    bool onSizeChange(sIguiTreeDraw*, const CSize&, CRect*) override { return false; }
    void askOffsetChange(sIguiTreeDraw*, const CPoint&, const CSize&, const CSize&) override { }
    void onToolTipChange(sIguiTreeDraw*) override { }
    void onTreeRootUpdate(sIguiTreeDraw*, bool) override { }
    void onTreeRootRedraw(sIguiTreeDraw*, bool) override { }
    const CRect& getBackRect() override { return back; }
    int GetWidthMax() override { return 0; }
    LONG GetFilterMask() override { return 0; }
    CRect back{0, 0, kWidth, kHeight};
};

struct Tree {
    guiTreeNodePtr root;
    std::vector<std::vector<std::string>> levels;
    guiTreeNodePtr changing;
};

Tree build(int leaves)
{
    Tree t;
    t.root = shown("root");
    t.levels.resize(3);
    for (int i = 0; i < 10; ++i) {
        guiTreeNodePtr a = shown(numbered("a", 9 - i));
        t.levels[0].push_back(std::string(a->GetText()));
        for (int j = 0; j < 100; ++j) {
            guiTreeNodePtr b = shown(numbered("b", (j * 37) % 100));
            b->SetSorted(j % 2 == 0);
            t.levels[1].push_back(std::string(b->GetText()));
            for (int k = 0; k < leaves; ++k) {
                guiTreeNodePtr c = shown(numbered("leaf ", i) + "." + std::to_string(j) + "." + std::to_string(k));
                if (k % 7 == 0)
                    c->SetClass("doc");
                t.levels[2].push_back(std::string(c->GetText()));
                b->AddChild(benchFace(c), 0);
                if (!t.changing)
                    t.changing = c;
            }
            a->AddChild(benchFace(b), 0);
        }
        t.root->AddChild(benchFace(a), 0);
    }
    return t;
}

struct Bed {
    explicit Bed(int leaves) : tree(build(leaves))
    {
        guibench::engines();
        plat::headless::setScreenSize(kWidth, kHeight);
        host.CreateEx(0, nullptr, "tree", WS_POPUP, 0, 0, kWidth, kHeight, nullptr, nullptr);
    }
    ~Bed()
    {
        plat::headless::pumpUntilIdle();
        host.DestroyWindow();
    }
    guiTreeViewDraw* makeDraw()
    {
        auto* draw = new guiTreeViewDraw(&host, &host, nullptr, false);
        draw->SetExpandedLevel(3);
        draw->SetTreeRect(CRect(0, 0, kWidth, kHeight), false);
        return draw;
    }
    Tree tree;
    Host host;
};

void BM_FirstLayout(benchmark::State& state)
{
    Bed bed(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        guiTreeViewDraw* draw = bed.makeDraw();
        state.ResumeTiming();
        draw->SetRoot(benchFace(bed.tree.root));
        draw->OnPostedUpdate();
        state.PauseTiming();
        draw->Destroy();
        plat::headless::pumpUntilIdle();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 1000 * state.range(0));
}
BENCHMARK(BM_FirstLayout)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_RelayoutAfterOneChange(benchmark::State& state)
{
    Bed bed(int(state.range(0)));
    guiTreeViewDraw* draw = bed.makeDraw();
    draw->SetRoot(benchFace(bed.tree.root));
    draw->OnPostedUpdate();
    int round = 0;
    for (auto _ : state) {
        bed.tree.changing->SetText(numbered("changed ", ++round).c_str());
        draw->OnPostedUpdate();
    }
    draw->Destroy();
}
BENCHMARK(BM_RelayoutAfterOneChange)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

void paint(benchmark::State& state, bool atEnd)
{
    Bed bed(int(state.range(0)));
    guiTreeViewDraw* draw = bed.makeDraw();
    draw->SetRoot(benchFace(bed.tree.root));
    draw->OnPostedUpdate();
    if (atEnd)
        draw->SetOffset(CPoint(0, draw->GetSize().cy), false);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    CDC* dc = CDC::FromHandle(memory);
    for (auto _ : state)
        draw->Draw(CRect(0, 0, kWidth, kHeight), *dc, nullptr);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    draw->Destroy();
}

void BM_PaintTop(benchmark::State& state) { paint(state, false); }
BENCHMARK(BM_PaintTop)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_PaintEnd(benchmark::State& state) { paint(state, true); }
BENCHMARK(BM_PaintEnd)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_SortTextsAndSumHeights(benchmark::State& state)
{
    const Tree tree = build(int(state.range(0)));
    for (auto _ : state) {
        std::vector<int> heights;
        for (std::vector<std::string> level : tree.levels) {
            std::sort(level.begin(), level.end());
            heights.resize(heights.size() + level.size(), 17);
        }
        std::partial_sum(heights.begin(), heights.end(), heights.begin());
        benchmark::DoNotOptimize(heights.data());
    }
}
BENCHMARK(BM_SortTextsAndSumHeights)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_FillAndDrawVisibleTexts(benchmark::State& state)
{
    guibench::engines();
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    HBRUSH brush = CreateSolidBrush(RGB(255, 255, 255));
    const RECT all{0, 0, kWidth, kHeight};
    for (auto _ : state) {
        FillRect(memory, &all, brush);
        for (int row = 0; row < kHeight / 19; ++row) {
            const std::string text = numbered("leaf 0.0.", row);
            TextOutA(memory, 40, row * 19, text.c_str(), int(text.size()));
        }
    }
    DeleteObject(brush);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}
BENCHMARK(BM_FillAndDrawVisibleTexts)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
