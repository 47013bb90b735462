#include "picTreeRegistry.h"

#include "picFolder.h"
#include "picMainWnd.h"

#include "nodes/picRegValues.h"

#include "vbDnItf.h"
#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbRegKey.h"

#include "plat/resource.h"

namespace {

constexpr const char* kPlace = "PicFlorvane";
constexpr const char* kFirst = "Root-1";
constexpr const char* kSecond = "Root-2";

vbRegKey placeKey() { return vbRegKey(vbRegVantUser, kPlace); }
vbRegKey treeKey(const char* name) { return vbRegKey(vbRegVantUser, vbString(kPlace) + "\\" + name); }

// Root-1, else Root-2; false when neither exists.
bool savedTreeKey(vbRegKey* out)
{
    for (const char* name : {kFirst, kSecond}) {
        vbRegKey key = treeKey(name);
        if (key.Exists()) {
            *out = key;
            return true;
        }
    }
    return false;
}

picChangeCounts nextCounts()
{
    vbSectLock lock(&picNodesSect());
    return {++g_menuChangeCount, ++g_displayChangeCount, ++g_workChangeCount};
}

void writeCounts(vbRegKey& key, const picChangeCounts& counts)
{
    picWriteHalves(key, "MenuChg", counts.menu);
    picWriteHalves(key, "DispChg", counts.display);
    picWriteHalves(key, "WorkChg", counts.work);
}

picChangeCounts readCounts(vbRegKey& key)
{
    return {picReadHalves(key, "MenuChg"), picReadHalves(key, "DispChg"), picReadHalves(key, "WorkChg")};
}

// A new projects list, the only child of the tree root.
picNodePtr replaceTree(guiTreeNode* treeRoot)
{
    picNodePtr root = picRoot::Make();
    if (root.IsNull())
        throw new vbEsys(E_FAIL, "T* vbRefPtr()::operator->() const, pointer is NULL !");
    treeRoot->ClearChildren();
    treeRoot->AddChild(root, 0);
    return root;
}

void saveInto(guiTreeNode* treeRoot, vbRegKey& target)
{
    guiTreeNodePtr first;
    if (!treeRoot->GetChild(1, &first))
        throw new vbEsys(E_POINTER, "saveTreeToRegistry() : the tree has no projects list");
    picNodePtr root = picNodeQIPtr(static_cast<IguiTreeNode*>(first.Get()), true);
    root->SaveToRegKey(target);
    writeCounts(target, nextCounts());
}

} // namespace

// The other key goes only once the new one is complete. A leftover Root-2 (a save stopped
// before it could remove it) is removed first; at rest it does not exist.
void saveTreeToRegistry(guiTreeNode* treeRoot)
{
    const bool toSecond = treeKey(kFirst).Exists();
    const char* target = toSecond ? kSecond : kFirst;
    if (toSecond)
        placeKey().DeleteKey(kSecond, true, false);
    try {
        vbRegKey key = treeKey(target);
        saveInto(treeRoot, key);
    } catch (CException*) {
        try {
            placeKey().DeleteKey(target, true, false);
        } catch (CException* e) {
            vbTraceException(e, true, "PicNodes", __LINE__);
        }
        throw;
    }
    placeKey().DeleteKey(toSecond ? kFirst : kSecond, true, toSecond);
}

bool loadTreeFromRegistry(guiTreeNode* treeRoot)
{
    vbRegKey saved;
    if (!savedTreeKey(&saved))
        return false;
    picNodePtr root = replaceTree(treeRoot);
    vbDnAsk(static_cast<IvbDnObject*>(root.Get()), vbDnLoad, "res:loadcfg", vbDnPriorityFast3, true);
    return true;
}

void picCreateDefaultTree(guiTreeNode* treeRoot) { replaceTree(treeRoot)->MarkLoaded(); }

// The counters are restored before any node is loaded, so that nodes made by the load, and
// every node made after it, get stamps and ids above the saved ones.
bool picRoot::LoadFromRes(vbDnData*, const char* name, const char* type, HINSTANCE module)
{
    if (type || module || IS_INTRESOURCE(name) || vbString(name).CompareNoCase("loadcfg") != 0)
        return false;
    vbRegKey saved;
    if (savedTreeKey(&saved)) {
        picSetChangeCounts(readCounts(saved));
        LoadFromRegKey(saved);
    }
    picInvalidateMainFilterList();
    MarkLoaded();
    return true;
}
