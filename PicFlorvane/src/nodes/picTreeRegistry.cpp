#include "picTreeRegistry.h"

#include "picFolder.h"
#include "picMainWnd.h"

#include "nodes/picRegValues.h"

#include "vbDnItf.h"
#include "vbException.h"
#include "vbRegKey.h"

#include "plat/registry.h"
#include "plat/resource.h"

#include <tuple>
#include <utility>

namespace {

constexpr const char* kPlace = "PicFlorvane";
constexpr const char* kFirst = "Root-1";
constexpr const char* kSecond = "Root-2";

vbRegKey placeKey() { return vbRegKey(vbRegVantUser, kPlace); }
vbRegKey treeKey(const char* name) { return vbRegKey(vbRegVantUser, vbString(kPlace) + "\\" + name); }

// The names of the three change counters, each stored in two halves.
constexpr const char* kCounters[] = {"MenuChg", "DispChg", "WorkChg"};

// The counters are written last: a key without all of them is what a save stopped part-way
// left.
bool finished(vbRegKey& key)
{
    for (const char* counter : kCounters)
        for (const char* half : {"H", "L"})
            if (!key.ValueExists(vbString(counter) + half))
                return false;
    return true;
}

picChangeCounts readCounts(vbRegKey& key)
{
    return {picReadHalves(key, kCounters[0]), picReadHalves(key, kCounters[1]), picReadHalves(key, kCounters[2])};
}

bool newer(const picChangeCounts& a, const picChangeCounts& b)
{
    return std::tie(a.menu, a.display, a.work) > std::tie(b.menu, b.display, b.work);
}

// The key of the last save that finished, or null. A save is one transaction, but a file that an
// earlier build wrote value by value may hold a finished key beside a part-written one, or two
// finished ones, the older half deleted: each save moved the counters, so the higher ones are the
// later save. A part-written key is taken only when there is nothing else.
const char* savedTreeName()
{
    const char* chosen = nullptr;
    bool chosenFinished = false;
    picChangeCounts chosenCounts;
    for (const char* name : {kFirst, kSecond}) {
        vbRegKey key = treeKey(name);
        if (!key.Exists())
            continue;
        const bool whole = finished(key);
        const picChangeCounts counts = whole ? readCounts(key) : picChangeCounts{};
        if (!chosen || (whole && (!chosenFinished || newer(counts, chosenCounts)))) {
            chosen = name;
            chosenFinished = whole;
            chosenCounts = counts;
        }
    }
    return chosen;
}

// Each counter moves by one, as a save's mark; the save writes the new values.
picChangeCounts nextCounts()
{
    vbSectLock lock(&picNodesSect());
    return {++g_menuChangeCount, ++g_displayChangeCount, ++g_workChangeCount};
}

// A save that was not stored gives its mark back, unless a change took the counter further.
void takeBackCounts(const picChangeCounts& counts)
{
    vbSectLock lock(&picNodesSect());
    for (auto [counter, marked] : {std::pair{&g_menuChangeCount, counts.menu}, std::pair{&g_displayChangeCount, counts.display},
             std::pair{&g_workChangeCount, counts.work}})
        if (*counter == marked)
            --*counter;
}

void writeCounts(vbRegKey& key, const picChangeCounts& counts)
{
    picWriteHalves(key, kCounters[0], counts.menu);
    picWriteHalves(key, kCounters[1], counts.display);
    picWriteHalves(key, kCounters[2], counts.work);
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

void saveInto(guiTreeNode* treeRoot, vbRegKey& target, const picChangeCounts& counts)
{
    guiTreeNodePtr first;
    if (!treeRoot->GetChild(1, &first))
        throw new vbEsys(E_POINTER, "saveTreeToRegistry() : the tree has no projects list");
    picNodePtr root = picNodeQIPtr(static_cast<IguiTreeNode*>(first.Get()), true);
    root->SaveToRegKey(target);
    writeCounts(target, counts);
}

} // namespace

// One transaction: whenever the process stops, the registry holds the tree before this save or
// the tree after it. The target is the key that does not hold the last saved tree; whatever is
// left in it (an earlier build's part-written save) goes first, the other key last.
void saveTreeToRegistry(guiTreeNode* treeRoot)
{
    plat::RegistryTransaction transaction(HKEY_CURRENT_USER);
    const char* saved = savedTreeName();
    const bool toSecond = saved == kFirst;
    const char* target = toSecond ? kSecond : kFirst;
    const picChangeCounts counts = nextCounts();
    try {
        placeKey().DeleteKey(target, true, false);
        {
            vbRegKey key = treeKey(target);
            saveInto(treeRoot, key, counts);
        }
        placeKey().DeleteKey(toSecond ? kFirst : kSecond, true, false);
        const LONG rc = transaction.commit();
        if (rc != ERROR_SUCCESS)
            throw new vbEsys(true, static_cast<HRESULT>(rc), "saveTreeToRegistry() : the registry refused the tree (%ld)",
                static_cast<long>(rc));
    } catch (...) {
        takeBackCounts(counts);
        throw;
    }
}

bool loadTreeFromRegistry(guiTreeNode* treeRoot)
{
    if (!savedTreeName())
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
    // One read transaction: the key is chosen and read as one save left it, whatever a save
    // of another process does meanwhile.
    plat::RegistryReadTransaction reading(HKEY_CURRENT_USER);
    if (const char* savedName = savedTreeName()) {
        vbRegKey saved = treeKey(savedName);
        if (finished(saved))
            picSetChangeCounts(readCounts(saved));
        LoadFromRegKey(saved);
    }
    picInvalidateMainFilterList();
    MarkLoaded();
    return true;
}
