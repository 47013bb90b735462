// Node paths as the program stores them (filter paths in the registry and in project files):
// the first byte is the separator, the rest a path, looked up from the root of a small graph with
// a shared node, a cycle and a node with a path character of its own; the same text serves as a
// position for every relation. Walks must end, only the system's exceptions may come out, and a
// node found has a path that finds it again.
//
// Every failed lookup throws, and every exception reads the engines' trace switches from the
// registry: it runs several hundred inputs a second.

#include "FuzzTempDir.h"
#include "TreeFuzzNodes.h"
#include "guiTreeNode.h"

#include "vbEngine.h"
#include "vbException.h"
#include "vbLog.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// Menu { File { Open, Recent '/' { One, Two }, Shared }, Edit { Shared, Loop { Edit } } }
struct Graph {
    Graph()
    {
        fuzzLink(root, file);
        fuzzLink(root, edit);
        fuzzLink(file, open);
        fuzzLink(file, recent);
        fuzzLink(recent, one);
        fuzzLink(recent, two);
        fuzzLink(file, shared);
        fuzzLink(edit, shared);
        fuzzLink(edit, loop);
        fuzzLink(loop, edit);
        recent->SetPathChar('/');
    }
    // The cycle is cut; the nodes then go with their last references.
    ~Graph() { loop->RemoveChild(fuzzFace(edit)); }

    guiTreeNodePtr root = fuzzNode("Menu"), file = fuzzNode("File"), edit = fuzzNode("Edit");
    guiTreeNodePtr open = fuzzNode("Open"), recent = fuzzNode("Recent"), one = fuzzNode("One"), two = fuzzNode("Two");
    guiTreeNodePtr shared = fuzzNode("Shared"), loop = fuzzNode("Loop");
};

void positions(Graph& g, const vbString& text)
{
    for (int rel = 0; rel <= 6; ++rel) {
        guiTreeNodePtr parent;
        try {
            g.root->GetPos(&parent, vbVariant(text), static_cast<guiNodeRelation>(rel), rel % 2 == 0);
        } catch (CException* e) {
            e->Delete();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_pvbLogFileName = nullptr;
    static FuzzTempDir home(true); // the engines' registry and logs are the run's own, not the user's
    static vbUseEngineCenter use(&g_vbEngineCenter);
    if (size < 1)
        return 0;
    const vbString path(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1));
    Graph g;
    guiTreeNodeRef found;
    if (g.root->GetPathChild(path, &found, static_cast<char>(data[0]), 0)) {
        guiTreeNode* target = guiTreeNode::FromFace(found.Get());
        if (!target)
            std::abort();
        const vbString again = target->GetPath();
        guiTreeNodeRef back;
        if (!g.root->GetPathChild(again, &back, '\\', 0) || back.Get() != found.Get())
            std::abort();
    }
    positions(g, path);
    return 0;
}
