// What storing the project tree costs: the save that runs on the GUI thread a second after each
// change, and the load's reading of the saved key, for a tree of 150 light filters (each with a
// curve of four points) and 150 RGB projects, some 7,000 registry values.

#include "picFolder.h"
#include "picLightFilter.h"
#include "picProject.h"
#include "picTreeRegistry.h"

#include "BenchHome.h"
#include "TreeBenchNodes.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr int kFilters = 150;
constexpr int kProjects = 150;

void add(picNode* parent, const picNodePtr& child, const std::string& text)
{
    child->SetText(text.c_str());
    parent->AddChild(child, 0);
    child->MarkLoaded();
}

picNodePtr filter(int n)
{
    picNodePtr node;
    picLightFilter::New(&node);
    static_cast<picLightFilter*>(node.Get())->GetCurveEditor().GetCurve().Edit([n](picCurveData& d) {
        d.hasSizeRef = true;
        d.sizeRefX = 400;
        d.sizeRefY = 300;
        d.points = {{0, 0}, {25, 10.0 + n % 50}, {60, 90}, {100, 5}};
    });
    return node;
}

picNodePtr project(int n)
{
    picNodePtr node = picProject::Make();
    auto* holder = static_cast<picImageHolder*>(node.Get());
    holder->SetFilterType(picImageHolder::kRgb);
    holder->SetPath(numbered("/data/result-", n).c_str());
    for (int channel = 1; channel <= 3; ++channel) {
        picChannelFilter f;
        f.SetKey(numbered("flt-", channel + n % kFilters).c_str());
        f.SetFactor(100.0 + channel);
        holder->SetChannel(channel, f);
    }
    return node;
}

// The tree control's root with its projects list, built once.
guiTreeNode* tree()
{
    static BenchHome home;
    static guiTreeNodePtr root = [] {
        treeEngines();
        guiTreeNodePtr r = benchNode("tree");
        picCreateDefaultTree(r.Get());
        guiTreeNodePtr first;
        r->GetChild(1, &first);
        picNodePtr projects = picNodeQIPtr(static_cast<IguiTreeNode*>(first.Get()), true);
        for (int i = 0; i < kFilters; ++i)
            add(projects.Get(), filter(i), numbered("Filter ", i));
        for (int i = 0; i < kProjects; ++i)
            add(projects.Get(), project(i), numbered("Project ", i));
        return r;
    }();
    return root.Get();
}

void BM_SaveTree(benchmark::State& state)
{
    guiTreeNode* root = tree();
    for (auto _ : state)
        saveTreeToRegistry(root);
}
BENCHMARK(BM_SaveTree)->Unit(benchmark::kMillisecond);

// The worker's part of a load, done here at once: a new projects list reads the saved tree.
void BM_LoadTree(benchmark::State& state)
{
    saveTreeToRegistry(tree());
    for (auto _ : state) {
        picNodePtr projects = picRoot::Make();
        projects->LoadFromRes(nullptr, "loadcfg", nullptr, nullptr);
        if (projects->GetChildCount() != kFilters + kProjects) {
            state.SkipWithError("the load lost nodes");
            break;
        }
        state.PauseTiming();
        projects->ClearChildren();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadTree)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
