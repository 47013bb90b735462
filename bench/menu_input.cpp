// What the menu's type-ahead and painting cost beside the work they come down to: a type-ahead
// search running to the last item of a 5,000-row menu (one message pump per item) against a
// case-insensitive search over the same texts in a vector, and painting the 40 rows shown at the
// top, the middle and the end of it against filling the rectangle and drawing the 40 texts.

#include "TreeBenchNodes.h"

#include "../VantSgui/src/menu/guiTreeMenuDraw.h"

#include "plat/afxgdi.h"
#include "plat/bitmap.h"
#include "plat/gdi.h"
#include "plat/headless.h"
#include "plat/keyboard.h"
#include "plat/message.h"
#include "plat/paint.h"
#include "plat/window.h"

#include <benchmark/benchmark.h>

#include <cctype>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 5000;
constexpr int kWidth = 300;
constexpr int kHeight = 40 * 15 + 2;

std::string textOf(int i) { return i == kRows - 1 ? "quince at the end" : "item " + std::to_string(i) + " of the menu"; }

// Hands the engine its posted updates, as a tree control does.
class Host : public CWnd {
public:
    sIguiTreeDraw* engine = nullptr;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (engine && msg == guiTreeMsgPostedUpdate) {
            engine->OnPostedUpdate();
            return 0;
        }
        return CWnd::WindowProc(msg, wParam, lParam);
    }
};

struct Bed {
    Bed()
    {
        treeEngines();
        plat::headless::useFixedTestFont(true);
        root = benchNode("root");
        root->SetLoadState(true, false);
        for (int i = 0; i < kRows; ++i) {
            guiTreeNodePtr child = benchNode(std::to_string(i).insert(0, 1, 'i'));
            child->SetVisible(true);
            child->SetText(textOf(i).c_str());
            root->AddChild(benchFace(child), -1);
            texts.push_back(textOf(i));
        }
        host.CreateEx(0, nullptr, "menu", WS_POPUP, 0, 0, kWidth, kHeight, nullptr, nullptr);
        menu = new guiTreeMenuDraw(&host, &guiTreeSilentEvents(), nullptr, false);
        host.engine = menu;
        menu->SetTreeRect(CRect(0, 0, kWidth, kHeight), false);
        menu->SetRoot(benchFace(root));
        plat::headless::pumpUntilIdle();

        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -kHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        dc.Attach(CreateCompatibleDC(nullptr));
        SelectObject(dc.GetSafeHdc(), bitmap);
    }

    guiTreeNodePtr root;
    std::vector<std::string> texts;
    Host host;
    guiTreeMenuDraw* menu = nullptr;
    HBITMAP bitmap = nullptr;
    CDC dc;
};

Bed& bed()
{
    static Bed* b = new Bed();
    return *b;
}

void BM_TypeAheadToTheLastItem(benchmark::State& state)
{
    Bed& b = bed();
    for (auto _ : state) {
        UINT escape = VK_ESCAPE;
        b.menu->onKeyDown(escape);
        b.menu->SelectFirst();
        UINT q = 'q';
        b.menu->onChar(q);
        if (b.menu->GetSelection() != kRows)
            state.SkipWithError("the search missed");
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_TypeAheadToTheLastItem)->Unit(benchmark::kMillisecond);

void BM_CaseInsensitiveSearchBaseline(benchmark::State& state)
{
    Bed& b = bed();
    for (auto _ : state) {
        size_t found = 0;
        for (size_t i = 1; i < b.texts.size(); ++i)
            if (!b.texts[i].empty() && std::toupper(static_cast<unsigned char>(b.texts[i][0])) == 'Q') {
                found = i;
                break;
            }
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_CaseInsensitiveSearchBaseline)->Unit(benchmark::kMicrosecond);

void BM_PaintFortyRows(benchmark::State& state)
{
    Bed& b = bed();
    const CSize size = b.menu->GetSize();
    const int offsets[] = {0, size.cy / 2, size.cy};
    b.menu->SetOffset(CPoint(0, offsets[state.range(0)]), false);
    const CRect tree(0, 0, kWidth, kHeight);
    for (auto _ : state)
        b.menu->Draw(tree, b.dc, nullptr);
}
BENCHMARK(BM_PaintFortyRows)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_FillAndTextsBaseline(benchmark::State& state)
{
    Bed& b = bed();
    const RECT tree{0, 0, kWidth, kHeight};
    HBRUSH brush = CreateSolidBrush(RGB(240, 240, 240));
    for (auto _ : state) {
        FillRect(b.dc.GetSafeHdc(), &tree, brush);
        for (int i = 0; i < 40; ++i) {
            RECT row{1, 1 + i * 15, kWidth, 16 + i * 15};
            DrawTextA(b.dc.GetSafeHdc(), b.texts[static_cast<size_t>(i)].c_str(), -1, &row, DT_SINGLELINE);
        }
    }
    DeleteObject(brush);
}
BENCHMARK(BM_FillAndTextsBaseline)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
