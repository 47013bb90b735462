// What the tree enumerator costs as trees grow: a full walk and a substring search to the last
// item over 10,000 and 100,000 nodes in two shapes (10 x 100 x n levels; items each holding 100
// children that a second item holds too). Beside it, an iterative depth-first walk with a
// std::vector stack and a std::unordered_set of visited items over the same shape in vectors.

#include "guiTreeEnum.h"
#include "TreeBenchNodes.h"
#include "guiTreeNode.h"

#include "vbEngine.h"

#include <benchmark/benchmark.h>

#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

// Shape 0: 10 x 100 x (total / 1000). Shape 1: total / 100 items, each with 100 children that a
// twin item holds too.
guiTreeNodePtr build(int shape, int total, std::string* lastName)
{
    guiTreeNodePtr root = benchNode("root");
    int counter = 0;
    auto make = [&](const guiTreeNodePtr& parent) {
        guiTreeNodePtr n = benchNode("item" + std::to_string(counter++));
        parent->AddChild(benchFace(n), 0);
        *lastName = std::string(n->GetName());
        return n;
    };
    if (shape == 0) {
        for (int i = 0; i < 10; ++i) {
            guiTreeNodePtr a = make(root);
            for (int j = 0; j < 100; ++j) {
                guiTreeNodePtr b = make(a);
                for (int k = 0; k < total / 1000; ++k)
                    make(b);
            }
        }
    } else {
        for (int i = 0; i < total / 100; ++i) {
            guiTreeNodePtr item = make(root);
            guiTreeNodePtr twin = make(root);
            for (int j = 0; j < 100; ++j)
                twin->AddChild(benchFace(make(item)), 0);
        }
    }
    return root;
}

void BM_EnumWalk(benchmark::State& state)
{
    treeEngines();
    std::string last;
    guiTreeNodePtr root = build(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), &last);
    int64_t items = 0;
    for (auto _ : state) {
        guiTreeEnum e(benchFace(root), -1, 0);
        while (e.Skeep())
            ++items;
    }
    state.SetItemsProcessed(items);
    root->Destroy();
}

void BM_EnumSearchLast(benchmark::State& state)
{
    treeEngines();
    std::string last;
    guiTreeNodePtr root = build(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), &last);
    for (auto _ : state) {
        guiTreeEnum e(benchFace(root), -1, 0);
        e.SearchSubString(last.c_str(), 0xFFFF);
        benchmark::DoNotOptimize(e.SearchNext());
    }
    state.SetItemsProcessed(state.iterations() * state.range(1));
    root->Destroy();
}

// The baseline: the same shapes as vectors of child indices.
struct Plain {
    std::vector<std::vector<int>> children{1};
    int add(int parent)
    {
        children.emplace_back();
        const int n = static_cast<int>(children.size()) - 1;
        children[static_cast<size_t>(parent)].push_back(n);
        return n;
    }
};

Plain buildPlain(int shape, int total)
{
    Plain p;
    if (shape == 0) {
        for (int i = 0; i < 10; ++i) {
            int a = p.add(0);
            for (int j = 0; j < 100; ++j) {
                int b = p.add(a);
                for (int k = 0; k < total / 1000; ++k)
                    p.add(b);
            }
        }
    } else {
        for (int i = 0; i < total / 100; ++i) {
            int item = p.add(0);
            int twin = p.add(0);
            for (int j = 0; j < 100; ++j) {
                const int child = p.add(item);
                p.children[static_cast<size_t>(twin)].push_back(child);
            }
        }
    }
    return p;
}

void BM_PlainWalk(benchmark::State& state)
{
    const Plain p = buildPlain(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    int64_t items = 0;
    for (auto _ : state) {
        std::vector<std::pair<const std::vector<int>*, size_t>> stack{{&p.children[0], 0}};
        std::unordered_set<const void*> visited{&p.children[0]};
        while (!stack.empty()) {
            auto& [list, pos] = stack.back();
            if (pos == list->size()) {
                stack.pop_back();
                continue;
            }
            const std::vector<int>& kids = p.children[static_cast<size_t>((*list)[pos++])];
            ++items;
            if (!kids.empty() && visited.insert(&kids).second)
                stack.emplace_back(&kids, 0);
        }
    }
    state.SetItemsProcessed(items);
}

void shapes(benchmark::internal::Benchmark* b)
{
    for (int shape : {0, 1})
        for (int total : {10000, 100000})
            b->Args({shape, total});
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_EnumWalk)->Apply(shapes);
BENCHMARK(BM_EnumSearchLast)->Apply(shapes);
BENCHMARK(BM_PlainWalk)->Apply(shapes);

} // namespace

BENCHMARK_MAIN();
