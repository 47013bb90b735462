// The tree view's keyboard on a large tree: 10 x 100 x n nodes (n = 10 and 100, so 10,000 and
// 100,000 leaves), all levels expanded. Type-ahead for a text that only the last item holds (one
// pumped message per item walked), "*" then "/" on a root item (each an update that places the
// whole tree), and 1,000 Down presses. Beside them, in the same run: a case-insensitive substring
// search over a vector of the same texts, and a depth-first walk setting and clearing a flag on an
// equivalent vector tree.

#include "GuiBenchWindow.h"
#include "TreeBenchNodes.h"
#include "guiTreeViewDraw.h"

#include "plat/headless.h"
#include "plat/keyboard.h"
#include "plat/window.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1024, kHeight = 768;

// The host: posted updates are run by the bench itself; it answers nothing of its own.
class Host : public CWnd, public sIguiTreeEvents {
public:
    bool onSizeChange(sIguiTreeDraw*, const CSize&, CRect*) override { return false; }
    void askOffsetChange(sIguiTreeDraw* draw, const CPoint& offset, const CSize&, const CSize&) override
    {
        draw->SetOffset(offset, false);
    }
    void onToolTipChange(sIguiTreeDraw*) override { }
    void onTreeRootUpdate(sIguiTreeDraw*, bool) override { }
    void onTreeRootRedraw(sIguiTreeDraw*, bool) override { }
    const CRect& getBackRect() override { return back; }
    int GetWidthMax() override { return 0; }
    LONG GetFilterMask() override { return 0; }
    void cancelScrollSelect() override { }
    bool askStopCloseTimer(sIguiTreeDraw*) override { return false; }
    bool onItemSelected(bool, sIguiTreeDraw*, IguiTreeNode*, bool, bool handled) override { return handled; }
    bool onItemOver(bool, sIguiTreeDraw*, IguiTreeNode*, bool, bool handled) override { return handled; }
    bool onItemExpanded(bool, sIguiTreeDraw*, IguiTreeNode*, bool handled) override { return handled; }
    bool onItemCollapsed(bool, sIguiTreeDraw*, IguiTreeNode*, bool handled) override { return handled; }
    bool onItemParentExpanded(bool, sIguiTreeDraw*, IguiTreeNode*, bool handled) override { return handled; }
    bool onItemParentCollapsed(bool, sIguiTreeDraw*, IguiTreeNode*, bool handled) override { return handled; }
    CRect back{0, 0, kWidth, kHeight};
};

// The same tree as plain data: texts in walk order, and per node its children.
struct Plain {
    std::vector<std::string> texts;
    std::vector<std::vector<int>> children;
    std::vector<char> flags;
};

// The last leaf alone holds a "z".
struct Tree {
    guiTreeNodePtr root;
    Plain plain;
};

Tree build(int leaves)
{
    Tree t;
    t.root = shown("root");
    t.plain.children.emplace_back();
    auto add = [&](const guiTreeNodePtr& parent, int parentIndex, const std::string& text) {
        guiTreeNodePtr n = shown(text);
        parent->AddChild(benchFace(n), 0);
        const int index = int(t.plain.texts.size()) + 1;
        t.plain.texts.push_back(text);
        t.plain.children.emplace_back();
        t.plain.children[size_t(parentIndex)].push_back(index);
        return std::make_pair(n, index);
    };
    for (int i = 0; i < 10; ++i) {
        auto [a, ai] = add(t.root, 0, numbered("a", i));
        for (int j = 0; j < 100; ++j) {
            auto [b, bi] = add(a, ai, numbered("b", j));
            for (int k = 0; k < leaves; ++k) {
                const bool last = i == 9 && j == 99 && k == leaves - 1;
                add(b, bi, last ? std::string("zebra") : numbered("leaf ", k));
            }
        }
    }
    t.plain.flags.assign(t.plain.children.size(), 0);
    return t;
}

// One laid-out engine per tree size, kept for the whole run: the first layout is not measured here.
struct Bed {
    explicit Bed(int leaves) : tree(build(leaves))
    {
        guibench::engines();
        plat::headless::setScreenSize(kWidth, kHeight);
        host.CreateEx(0, nullptr, "tree", WS_POPUP, 0, 0, kWidth, kHeight, nullptr, nullptr);
        draw = new guiTreeViewDraw(&host, &host, nullptr, false);
        draw->SetExpandedLevel(3);
        draw->SetTreeRect(CRect(0, 0, kWidth, kHeight), false);
        draw->SetRoot(benchFace(tree.root));
        update();
    }
    // The posted update, as the host would run it.
    void update()
    {
        plat::headless::pumpUntilIdle();
        draw->OnPostedUpdate();
    }
    void selectFirst()
    {
        draw->ClearSelection();
        UINT escape = VK_ESCAPE;
        draw->onKeyDown(escape);
        draw->SelectFirst();
        plat::headless::pumpUntilIdle();
    }
    Tree tree;
    Host host;
    guiTreeViewDraw* draw = nullptr;
};

Bed& bed(int leaves)
{
    static std::map<int, std::unique_ptr<Bed>> beds;
    auto& b = beds[leaves];
    if (!b)
        b = std::make_unique<Bed>(leaves);
    return *b;
}

void BM_TypeAheadToTheLastItem(benchmark::State& state)
{
    Bed& b = bed(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        b.selectFirst();
        state.ResumeTiming();
        UINT z = 'z';
        b.draw->onChar(z);
    }
    guiTreeNodeRef found;
    bool help = false;
    if (!b.draw->GetSelected(&found, &help) || found->GetText() != "zebra")
        state.SkipWithError("the last item was not found");
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(b.tree.plain.texts.size()));
}
BENCHMARK(BM_TypeAheadToTheLastItem)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

bool containsNoCase(const std::string& text, const std::string& pattern)
{
    auto same = [](char x, char y) { return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y)); };
    return std::search(text.begin(), text.end(), pattern.begin(), pattern.end(), same) != text.end();
}

void BM_SubstringSearchBaseline(benchmark::State& state)
{
    const Plain& plain = bed(int(state.range(0))).tree.plain;
    const std::string pattern = "Z";
    for (auto _ : state) {
        size_t found = plain.texts.size();
        for (size_t i = 0; i < plain.texts.size(); ++i)
            if (containsNoCase(plain.texts[i], pattern)) {
                found = i;
                break;
            }
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(plain.texts.size()));
}
BENCHMARK(BM_SubstringSearchBaseline)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

// "*" on the first root item opens its 100 x n subtree again, "/" closes it all.
void BM_ExpandAllThenCollapseAll(benchmark::State& state)
{
    Bed& b = bed(int(state.range(0)));
    const int open = b.draw->GetSize().cy;
    int closed = open;
    for (auto _ : state) {
        state.PauseTiming();
        b.selectFirst();
        state.ResumeTiming();
        UINT star = '*';
        b.draw->onChar(star);
        b.update();
        UINT slash = '/';
        b.draw->onChar(slash);
        b.update();
        closed = b.draw->GetSize().cy;
    }
    if (closed >= open)
        state.SkipWithError("the first root item did not close");
    // Leave the tree open for the other cases.
    UINT star = '*';
    b.draw->onChar(star);
    b.update();
    if (b.draw->GetSize().cy != open)
        state.SkipWithError("the first root item did not open again");
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(b.tree.plain.texts.size()));
}
BENCHMARK(BM_ExpandAllThenCollapseAll)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

void setFlags(Plain& plain, int node, char flag)
{
    plain.flags[size_t(node)] = flag;
    for (int child : plain.children[size_t(node)])
        setFlags(plain, child, flag);
}

// Each update of the expand case places the whole tree again: the walk covers all of it, twice.
void BM_FlagWalkBaseline(benchmark::State& state)
{
    Plain& plain = bed(int(state.range(0))).tree.plain;
    for (auto _ : state) {
        setFlags(plain, 0, 1);
        setFlags(plain, 0, 0);
        benchmark::DoNotOptimize(plain.flags.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(plain.flags.size()));
}
BENCHMARK(BM_FlagWalkBaseline)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_ThousandDownPresses(benchmark::State& state)
{
    Bed& b = bed(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        b.selectFirst();
        state.ResumeTiming();
        for (int i = 0; i < 1000; ++i) {
            UINT down = VK_DOWN;
            b.draw->onKeyDown(down);
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 1000);
}
BENCHMARK(BM_ThousandDownPresses)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
