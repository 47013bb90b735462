// Search expressions run by the tree enumerator to the end over a small graph with a shared node,
// a cycle, tags of every kind and empty texts. The first byte chooses the level limit and the
// filter mask, the rest is the expression. The walk must end, and only the system's exceptions
// may come out.

#include "FuzzTempDir.h"
#include "guiTreeEnum.h"
#include "TreeFuzzNodes.h"
#include "guiTreeNode.h"

#include "vbEngine.h"
#include "vbException.h"
#include "vbLog.h"

#include <cstdint>
#include <cstdlib>

namespace {

// root { Files { Open, Shared { Leaf } }, Edit { Shared, Loop { Edit } }, Empty }
struct Graph {
    Graph()
    {
        fuzzLink(root, files);
        fuzzLink(root, edit);
        fuzzLink(root, empty);
        fuzzLink(files, open);
        fuzzLink(files, shared);
        fuzzLink(shared, leaf);
        fuzzLink(edit, shared);
        fuzzLink(edit, loop);
        fuzzLink(loop, edit);
        open->SetTag(vbVariant(41));
        shared->SetTag(vbVariant("Shared tag"));
        leaf->SetTag(vbVariant(true));
        edit->SetTag(vbVariant(2.5));
        loop->SetTag(vbVariant(static_cast<IUnknown*>(fuzzFace(outside))));
        files->SetSelText("all files");
        edit->SetHint("Edit it");
        for (guiTreeNodePtr* n : {&files, &open, &shared, &leaf})
            (*n)->SetVisible(true);
        shared->SetFilterMask(2);
    }
    // The cycle is cut; the nodes then go with their last references.
    ~Graph() { loop->RemoveChild(fuzzFace(edit)); }

    guiTreeNodePtr outside = fuzzNode("Outside");
    guiTreeNodePtr root = fuzzNode("Root", "root"), files = fuzzNode("Files", "Files"), edit = fuzzNode("Edit", "Edit");
    guiTreeNodePtr empty = fuzzNode(""), open = fuzzNode("Open", "Open..."), shared = fuzzNode("Shared");
    guiTreeNodePtr leaf = fuzzNode("Leaf", "A leaf"), loop = fuzzNode("Loop", "loop");
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_pvbLogFileName = nullptr;
    static FuzzTempDir home(true); // the engines' registry and logs are the run's own, not the user's
    static vbUseEngineCenter use(&g_vbEngineCenter);
    if (size < 1)
        return 0;
    const LONG levelMax = static_cast<LONG>(data[0] & 7) - 1;
    const LONG mask = (data[0] >> 3) & 3;
    const vbString expr(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1));
    Graph g;
    guiTreeEnum e(fuzzFace(g.root), levelMax, mask);
    try {
        e.SearchExpr(expr, 0xFFFF);
        int found = 0;
        while (e.SearchNext())
            if (++found > 64)
                std::abort(); // more answers than the graph can give: the walk does not end
    } catch (CException* ex) {
        ex->Delete();
    }
    return 0;
}
