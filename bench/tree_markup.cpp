// What reading item mark-up costs as documents grow: a generated document of 10,000 and 100,000
// items (10 x 100 x n, with attributes and style sections) read through the loading slots in
// 8192-byte chunks, then read again in an update pass; beside it the bare tokenizer over the same
// bytes with a target that does nothing.

#include "TreeBenchNodes.h"
#include "guiTreeNode.h"

#include "vbDnItf.h"
#include "vbXml.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

namespace {

std::string document(int total)
{
    std::string doc = "<style textcolor=#202020 bkcolor=white fontname=\"DejaVu Sans\" fontsize=9/>"
                      "<menucfg name=big fontsize=12 indentation=8/>";
    int n = 0;
    for (int i = 0; i < 10; ++i) {
        doc += "<item name=a" + std::to_string(n++) + " text=\"Level one\" hint=h class=big>";
        for (int j = 0; j < 100; ++j) {
            doc += "<item name=b" + std::to_string(n++) + " text=Two checkmode=auto>";
            for (int k = 0; k < total / 1000; ++k)
                doc += "<item name=c" + std::to_string(n++) + " text=\"Leaf item\" tag=" + std::to_string(k) + "/>";
            doc += "</item>";
        }
        doc += "</item>";
    }
    return doc;
}

void feed(guiTreeNode* node, const std::string& doc)
{
    vbDnData root(nullptr, nullptr);
    vbDnData rec(&root, vbDnLoad, "res:menu.xml", static_cast<IvbDnObject*>(node));
    node->LoadingStart(&rec, static_cast<int64_t>(doc.size()));
    for (size_t at = 0; at < doc.size(); at += 8192) {
        const size_t n = std::min<size_t>(8192, doc.size() - at);
        node->LoadingAddBuffer(&rec, reinterpret_cast<const unsigned char*>(doc.data() + at), static_cast<ULONG>(n));
    }
    node->LoadingEnd(&rec, true);
}

void BM_MarkupRead(benchmark::State& state)
{
    treeEngines();
    const std::string doc = document(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        guiTreeNodePtr root = benchNode("root");
        feed(root.Get(), doc);
        root->Destroy();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_MarkupUpdateAgain(benchmark::State& state)
{
    treeEngines();
    const std::string doc = document(static_cast<int>(state.range(0)));
    guiTreeNodePtr root = benchNode("root");
    feed(root.Get(), doc);
    const std::string again = "<itemcfg update=1/>" + doc;
    for (auto _ : state)
        feed(root.Get(), again);
    state.SetItemsProcessed(state.iterations() * state.range(0));
    root->Destroy();
}

class Idle : public IvbXmlTarget {
public:
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    void AddSection(sIvbXmlSource*, const vbString&, bool, const vbXmlPos&) override {}
    void AddSectionEnd(sIvbXmlSource*, const vbString&, const vbXmlPos&) override {}
    void AddText(sIvbXmlSource*, const vbString&, const vbXmlPos&) override {}
    int CutSectionName(sIvbXmlSource*, const vbString&, bool, bool) override { return 0; }
    bool Warning(const vbString&, int, int, const vbString&) override { return true; }
    bool Error(const vbString&, int, int, const vbString&) override { return true; }
    void EndParse(sIvbXmlSource*) override {}
};

void BM_TokenizerOnly(benchmark::State& state)
{
    treeEngines();
    const std::string doc = document(static_cast<int>(state.range(0)));
    Idle target;
    for (auto _ : state) {
        vbXml xml;
        xml.ParseStart(&target, "menu.xml", nullptr, 0, 0, 1);
        for (size_t at = 0; at < doc.size(); at += 8192)
            xml.Parse(doc.data() + at, static_cast<DWORD>(std::min<size_t>(8192, doc.size() - at)));
        xml.ParseEnd();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_MarkupRead)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkupUpdateAgain)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TokenizerOnly)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
