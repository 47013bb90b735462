// Search expressions run by the tree enumerator to the end over a small graph with a shared node,
// a cycle, tags of every kind and empty texts. The first byte chooses the level limit and the
// filter mask, the rest is the expression. The walk must end, and only the system's exceptions
// may come out.

#include "guiTreeEnum.h"
#include "guiTreeNode.h"

#include "vbEngine.h"
#include "vbException.h"
#include "vbLog.h"

#include <cstdint>
#include <cstdlib>

namespace {

guiTreeNodePtr node(const char* name, const char* text)
{
    auto* n = new guiTreeNode();
    guiTreeNodePtr held(n);
    n->Release();
    n->Create();
    n->SetName(name);
    n->SetText(text);
    return held;
}

IguiTreeNode* face(const guiTreeNodePtr& n) { return static_cast<IguiTreeNode*>(n.Get()); }

// root { Files { Open, Shared { Leaf } }, Edit { Shared, Loop { Edit } }, Empty }
struct Graph {
    Graph()
    {
        link(root, files);
        link(root, edit);
        link(root, empty);
        link(files, open);
        link(files, shared);
        link(shared, leaf);
        link(edit, shared);
        link(edit, loop);
        link(loop, edit);
        open->SetTag(vbVariant(41));
        shared->SetTag(vbVariant("Shared tag"));
        leaf->SetTag(vbVariant(true));
        edit->SetTag(vbVariant(2.5));
        loop->SetTag(vbVariant(static_cast<IUnknown*>(face(outside))));
        files->SetSelText("all files");
        edit->SetHint("Edit it");
        for (guiTreeNodePtr* n : {&files, &open, &shared, &leaf})
            (*n)->SetVisible(true);
        shared->SetFilterMask(2);
    }
    // The cycle is cut; the nodes then go with their last references.
    ~Graph() { loop->RemoveChild(face(edit)); }
    static void link(const guiTreeNodePtr& parent, const guiTreeNodePtr& child)
    {
        parent->AddChild(face(child), 0);
    }

    guiTreeNodePtr outside = node("Outside", "");
    guiTreeNodePtr root = node("Root", "root"), files = node("Files", "Files"), edit = node("Edit", "Edit"),
                   empty = node("", ""), open = node("Open", "Open..."), shared = node("Shared", ""),
                   leaf = node("Leaf", "A leaf"), loop = node("Loop", "loop");
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_pvbLogFileName = nullptr;
    static vbUseEngineCenter use(&g_vbEngineCenter);
    if (size < 1)
        return 0;
    const LONG levelMax = static_cast<LONG>(data[0] & 7) - 1;
    const LONG mask = (data[0] >> 3) & 3;
    const vbString expr(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1));
    Graph g;
    guiTreeEnum e(face(g.root), levelMax, mask);
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
