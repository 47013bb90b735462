// What laying out a menu costs beside the work it comes down to: the first layout, a relayout
// with nothing changed and a relayout after one text change of menus of 1,000 and 5,000 items,
// against measuring the same texts once with guiFont::GetTextSize and sorting them.

#include "TreeBenchNodes.h"

#include "../VantSgui/src/menu/guiTreeMenuDraw.h"

#include "guiFont.h"

#include "plat/headless.h"
#include "plat/message.h"
#include "plat/paint.h"
#include "plat/window.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string textOf(int i)
{
    // Scrambled so that sorting has work to do.
    const unsigned k = static_cast<unsigned>(i) * 2654435761u;
    return "item " + std::to_string(k % 100000) + " of the menu";
}

guiTreeNodePtr menuOf(int n)
{
    treeEngines();
    guiTreeNodePtr root = benchNode("root");
    root->SetSorted(true);
    root->SetLoadState(true, false);
    for (int i = 0; i < n; ++i) {
        guiTreeNodePtr child = benchNode(std::to_string(i).insert(0, 1, 'i'));
        child->SetVisible(true);
        child->SetText(textOf(i).c_str());
        root->AddChild(benchFace(child), -1);
    }
    return root;
}

CWnd& hostWindow()
{
    static std::unique_ptr<CWnd> wnd = [] {
        plat::headless::useFixedTestFont(true);
        auto w = std::make_unique<CWnd>();
        w->CreateEx(0, nullptr, "menu", WS_POPUP, 0, 0, 300, 600, nullptr, nullptr);
        return w;
    }();
    return *wnd;
}

void drain()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

guiTreeMenuDraw* shownMenu(IguiTreeNode* root)
{
    auto* menu = new guiTreeMenuDraw(&hostWindow(), &guiTreeSilentEvents(), nullptr, false);
    menu->SetTreeRect(CRect(0, 0, 300, 600), false);
    menu->SetRoot(root);
    menu->OnPostedUpdate();
    drain();
    return menu;
}

void BM_FirstLayout(benchmark::State& state)
{
    guiTreeNodePtr root = menuOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        guiTreeMenuDraw* menu = shownMenu(benchFace(root));
        benchmark::DoNotOptimize(menu->GetSize());
        state.PauseTiming();
        menu->Destroy();
        drain();
        state.ResumeTiming();
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_FirstLayout)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oNLogN);

void BM_RelayoutUnchanged(benchmark::State& state)
{
    guiTreeNodePtr root = menuOf(static_cast<int>(state.range(0)));
    guiTreeMenuDraw* menu = shownMenu(benchFace(root));
    for (auto _ : state) {
        menu->UpdateTree(false);
        menu->OnPostedUpdate();
        drain();
    }
    menu->Destroy();
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_RelayoutUnchanged)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oNLogN);

void BM_RelayoutOneTextChanged(benchmark::State& state)
{
    guiTreeNodePtr root = menuOf(static_cast<int>(state.range(0)));
    guiTreeNodePtr child;
    root->GetChild(static_cast<int>(state.range(0)) / 2, &child);
    guiTreeMenuDraw* menu = shownMenu(benchFace(root));
    bool flip = false;
    for (auto _ : state) {
        child->SetText((flip = !flip) ? "changed text" : "item 0 of the menu");
        menu->UpdateTree(false);
        menu->OnPostedUpdate();
        drain();
    }
    menu->Destroy();
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_RelayoutOneTextChanged)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oNLogN);

// The baseline: each text measured once, then the texts sorted.
void BM_MeasureAndSortBaseline(benchmark::State& state)
{
    treeEngines();
    hostWindow();
    const int n = static_cast<int>(state.range(0));
    std::vector<vbString> texts;
    for (int i = 0; i < n; ++i)
        texts.emplace_back(textOf(i).c_str());
    guiFont font(nullptr, false);
    font.SetSize(-12, false);
    HDC screen = GetDC(nullptr);
    CDC dc;
    dc.Attach(screen);
    for (auto _ : state) {
        std::vector<vbString> sorted = texts;
        long width = 0;
        for (const vbString& t : sorted)
            width = std::max(width, static_cast<long>(font.GetTextSize(dc, 180, t, false).cx));
        std::sort(sorted.begin(), sorted.end(), [](const vbString& a, const vbString& b) { return vbSortStringNC(a, b) < 0; });
        benchmark::DoNotOptimize(width);
    }
    dc.Detach();
    ReleaseDC(nullptr, screen);
    state.SetComplexityN(n);
}
BENCHMARK(BM_MeasureAndSortBaseline)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oNLogN);

} // namespace

BENCHMARK_MAIN();
