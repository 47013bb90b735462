// What the node graph costs as trees grow: building and destroying 10,000 and 100,000 nodes in
// three shapes (one wide level, 100 x n, 10 x 100 x n), finding the last node by name, 1,000
// look-ups by path and the path of every leaf. Beside it, the same names in a plain tree of
// standard vectors with a std::map index.

#include "TreeBenchNodes.h"
#include "guiTreeNode.h"

#include "vbEngine.h"

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace {

// Fan-outs per level for a shape (0 flat, 1 two levels, 2 three levels) and a node count.
std::vector<int> fanOuts(int shape, int total)
{
    if (shape == 0)
        return {total};
    if (shape == 1)
        return {100, total / 100};
    return {10, 100, total / 1000};
}

struct Tree {
    guiTreeNodePtr root = benchNode("root");
    std::vector<guiTreeNodePtr> leaves;
    std::vector<std::string> leafPaths;
};

void grow(const guiTreeNodePtr& parent, const std::string& path, const std::vector<int>& fans, size_t level, Tree& t)
{
    for (int i = 0; i < fans[level]; ++i) {
        const std::string name = "n" + std::to_string(level) + "_" + std::to_string(i);
        guiTreeNodePtr child = benchNode(name);
        parent->AddChild(static_cast<IguiTreeNode*>(child.Get()), 0);
        if (level + 1 < fans.size()) {
            grow(child, path + "\\" + name, fans, level + 1, t);
        } else {
            t.leaves.push_back(child);
            t.leafPaths.push_back(path + "\\" + name);
        }
    }
}

Tree build(int shape, int total)
{
    Tree t;
    grow(t.root, "root", fanOuts(shape, total), 0, t);
    return t;
}

void BM_NodesBuildAndDestroy(benchmark::State& state)
{
    treeEngines();
    for (auto _ : state) {
        Tree t = build(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
        t.leaves.clear();
        t.root->Destroy();
    }
    state.SetItemsProcessed(state.iterations() * state.range(1));
}

// The baseline: the same names in vectors, every node indexed by name.
struct Plain {
    std::string name;
    std::vector<Plain> children;
};

void growPlain(Plain& parent, const std::vector<int>& fans, size_t level, std::map<std::string, Plain*>& index)
{
    parent.children.reserve(static_cast<size_t>(fans[level]));
    for (int i = 0; i < fans[level]; ++i) {
        parent.children.push_back(Plain{"n" + std::to_string(level) + "_" + std::to_string(i), {}});
        Plain& child = parent.children.back();
        index[child.name] = &child;
        if (level + 1 < fans.size())
            growPlain(child, fans, level + 1, index);
    }
}

void BM_PlainBuildAndDestroy(benchmark::State& state)
{
    for (auto _ : state) {
        Plain root{"root", {}};
        std::map<std::string, Plain*> index;
        growPlain(root, fanOuts(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))), 0, index);
        benchmark::DoNotOptimize(index.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(1));
}

void BM_NodesFindLast(benchmark::State& state)
{
    treeEngines();
    Tree t = build(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const vbString last = t.leaves.back()->GetName();
    for (auto _ : state) {
        vbArray<IguiTreeNode*> path;
        guiTreeNodePtr parent;
        benchmark::DoNotOptimize(t.root->Find(1, path, last, &parent));
    }
    t.root->Destroy();
}

void BM_NodesPathChild1000(benchmark::State& state)
{
    treeEngines();
    Tree t = build(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const size_t step = t.leafPaths.size() / 1000 + 1;
    for (auto _ : state) {
        for (size_t i = 0; i < t.leafPaths.size(); i += step) {
            guiTreeNodeRef out;
            benchmark::DoNotOptimize(t.root->GetPathChild(t.leafPaths[i].c_str(), &out, '\\', 0));
        }
    }
    t.root->Destroy();
}

void BM_NodesEveryLeafPath(benchmark::State& state)
{
    treeEngines();
    Tree t = build(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        for (const guiTreeNodePtr& leaf : t.leaves)
            benchmark::DoNotOptimize(leaf->GetPath());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(t.leaves.size()));
    t.root->Destroy();
}

void shapes(benchmark::internal::Benchmark* b)
{
    for (int shape : {0, 1, 2})
        for (int total : {10000, 100000})
            b->Args({shape, total});
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_NodesBuildAndDestroy)->Apply(shapes);
BENCHMARK(BM_PlainBuildAndDestroy)->Apply(shapes);
BENCHMARK(BM_NodesFindLast)->Apply(shapes);
BENCHMARK(BM_NodesPathChild1000)->Apply(shapes);
BENCHMARK(BM_NodesEveryLeafPath)->Apply(shapes);

} // namespace

BENCHMARK_MAIN();
