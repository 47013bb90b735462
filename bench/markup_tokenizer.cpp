// Tokenizer throughput over a large generated menu and tree document, with a target that does
// nothing, fed in chunks of 1, 64 and 65536 bytes.

#include "vbXml.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

class NullTarget : public IvbXmlTarget {
public:
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    void AddSection(sIvbXmlSource*, const vbString&, bool, const vbXmlPos&) override { }
    void AddSectionEnd(sIvbXmlSource*, const vbString&, const vbXmlPos&) override { }
    void AddText(sIvbXmlSource*, const vbString&, const vbXmlPos&) override { }
    int CutSectionName(sIvbXmlSource*, const vbString&, bool, bool) override { return 0; }
    bool Warning(const vbString&, int, int, const vbString&) override { return true; }
    bool Error(const vbString&, int, int, const vbString&) override { return true; }
    void EndParse(sIvbXmlSource*) override { }
};

std::string document()
{
    std::string doc = "<menucfg font=\"Tahoma\" size=8 color=navy>\n";
    int n = 0;
    while (doc.size() < 4u * 1024 * 1024) {
        doc += "  <menu id=\"m" + std::to_string(n) + "\" text='File &amp; more' style=\"data:<style bold/>\">\n";
        for (int i = 0; i < 8; ++i)
            doc += "    <item id=" + std::to_string(i) + " text=\"Entry \\\"" + std::to_string(i) +
                "\\\"\" check=yes icon=0x1F/>\n";
        doc += "    <node text=\"Tree\">some text between  nodes\n      <node text=child/></node>\n  </menu>\n";
        ++n;
    }
    return doc + "</menucfg>\n";
}

void BM_Tokenize(benchmark::State& state)
{
    static const std::string doc = document();
    const size_t chunk = static_cast<size_t>(state.range(0));
    NullTarget target;
    for (auto _ : state) {
        vbXml x;
        x.ParseStart(&target, "bench.xml", nullptr, 0, 0, 1);
        for (size_t pos = 0; pos < doc.size(); pos += chunk) {
            size_t n = doc.size() - pos < chunk ? doc.size() - pos : chunk;
            x.Parse(doc.data() + pos, static_cast<DWORD>(n));
        }
        x.ParseEnd();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_Tokenize)->Arg(1)->Arg(64)->Arg(65536)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
