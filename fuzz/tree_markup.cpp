// Item mark-up as nodes read it: the input up to the first NUL byte is a full load into a fresh
// node, the rest a second load in an update pass into the same node, both through the loading
// slots in chunks whose sizes come from the input. Includes never leave the process: the node is
// asked to stop, so every sub-operation that would fetch answers false, but an item's data: include
// is read by a download worker while the load goes on, which tries the nodes' locks between
// threads. The tree is then walked (every path, every aspect getter) and destroyed; only the
// system's exceptions may come out of a load.
//
// Every item makes a node with its configuration, and the walk builds each node's path from the
// root, so a deeply nested input costs milliseconds: it runs about a hundred inputs a second.
//
// A node that an item loads from its src URL is kept by the download centre's object cache after
// the tree lets it go, as every object it served is, until the cache is cleaned (a minute at the
// soonest), and its load may still run on the worker when the input ends. That is no leak, but
// a later input with the same URL would be handed the node, and libFuzzer, seeing more
// allocations than frees, ran such an input again under LeakSanitizer. Each input therefore
// ends by stopping those loads and emptying the cache of nodes. A worker still frees the records
// of an operation just after it ends, which may fall after the input, so about two inputs in a
// hundred are still run again, and LeakSanitizer finds nothing in them.

#include "FuzzTempDir.h"
#include "TreeFuzzNodes.h"
#include "guiTreeStyle.h"
#include "guiTreeNode.h"

#include "vbDnCenter.h"
#include "vbDnItf.h"
#include "vbEngine.h"
#include "vbException.h"
#include "vbLog.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

void load(guiTreeNode* node, const std::string& doc, const uint8_t* sizes, size_t sizeCount)
{
    vbDnData root(nullptr, nullptr);
    vbDnData rec(&root, vbDnLoad, "res:menu.xml", static_cast<IvbDnObject*>(node));
    bool started = false;
    try {
        node->LoadingStart(&rec, static_cast<int64_t>(doc.size()));
        started = true;
        size_t at = 0;
        for (size_t i = 0; at < doc.size(); ++i) {
            const size_t n = std::min<size_t>(doc.size() - at, sizeCount ? 1 + sizes[i % sizeCount] * 37u : 8192);
            const auto* bytes = reinterpret_cast<const unsigned char*>(doc.data() + at);
            node->LoadingAddBuffer(&rec, bytes, static_cast<ULONG>(n));
            at += n;
        }
        node->LoadingEnd(&rec, true);
    } catch (CException* e) {
        e->Delete();
        if (started)
            node->LoadingEnd(&rec, false);
    }
}

void touchAspect(IguiTreeAspect* a)
{
    a->GetSzIcon();
    a->GetFont().IsEmpty();
    a->GetCaptionFont().GetSize();
    a->GetBack().IsEmpty();
    a->GetTextColor().IsNull();
    a->GetCursor().GetUrl();
    a->GetLoadingIcon().GetLength();
    a->GetIndentation();
    a->GetShowTreeLine().GetState();
}

void walk(guiTreeNode* node, int depth)
{
    if (depth > 300)
        std::abort(); // deeper than the reader allows
    try {
        node->GetPath();
    } catch (CException* e) {
        e->Delete();
    }
    guiTreeAspectRef aspect;
    if (node->GetAspect(nullptr, &aspect))
        touchAspect(aspect);
    guiTreeNodePtr child;
    for (int i = 1; node->GetChild(i, &child); ++i)
        walk(child.Get(), depth + 1);
}

// Repeated because a load stopped here may have asked for a nested item's document already.
void dropCachedNodes()
{
    for (;;) {
        vbArray<vbRefPtr<IvbDnObject, &IID_IvbDnObject>, 1, 1> cached;
        if (vbDnCacheRetrieve(CLSID_guiTreeNode, "", 0, &cached, false) == 0)
            return;
        for (int i = 1; i <= cached.GetSize(); ++i)
            vbDnCancel(cached[i], vbDnNoOp, false);
        cached.RemoveAll();
        if (vbDnCacheRemove(CLSID_guiTreeNode, "", 0, false) == 0)
            return;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_pvbLogFileName = nullptr;
    static FuzzTempDir home(true); // the engines' registry and logs are the run's own, not the user's
    static vbUseEngineCenter use(&g_vbEngineCenter);
    const std::string all(reinterpret_cast<const char*>(data), size);
    const size_t nul = all.find('\0');
    const std::string first = all.substr(0, nul);
    const std::string second = nul == std::string::npos ? std::string() : all.substr(nul + 1);
    guiTreeNodePtr node = fuzzNode("root");
    node->SetUrl("res:menu.xml");
    node->StopDnOp();
    load(node.Get(), first, data, std::min<size_t>(size, 16));
    const size_t skip = size > 3 ? 3 : 0;
    load(node.Get(), "<itemcfg update=1/>" + second, data + skip, std::min<size_t>(size - skip, 7));
    walk(node.Get(), 0);
    node->Destroy();
    dropCachedNodes();
    return 0;
}
