#pragma once

// A depth-first walk over the items below a root item, with an optional depth limit and an
// optional visibility filter, and a search over those items with the base library's search
// expressions (keys: name, text, selected text, tag, hint). A node may have several parents: the
// walk keeps the items it has descended into and never walks a subtree twice, while an item
// reached through two parents is answered each time. The root itself is never answered.

#include "guiExport.h"
#include "guiTreeNode.h"

#include "vbArray.h"
#include "vbExpr.h"

#include <cstdint>
#include <set>

class GUIAPI guiTreeEnum : public vbExpr {
public:
    // Empty: Next throws until Create.
    guiTreeEnum();
    guiTreeEnum(IguiTreeNode* root, LONG levelMax, LONG filterMask);
    ~guiTreeEnum() override;

    // Only the base identifier, with the enumerator.
    bool GetInterface(const GUID& iid, const void** ppv) const override;
    bool GetInterface(const GUID& iid, void** ppv) override;

    // Starts over from root. levelMax < 0: no depth limit; filterMask 0: every item.
    void Create(IguiTreeNode* root, LONG levelMax, LONG filterMask);
    void Destroy();
    // Starts over from the same root.
    void Reset();
    // The next item; false at the end. Throws vbEsys before Create.
    bool Next(guiTreeNodeRef* out = nullptr);
    bool Skeep() { return Next(nullptr); }
    // Steps over the remaining children of the item on top of the walk; true when there was one.
    bool SkeepLevel();
    void SetFilterMask(LONG mask) { m_filterMask = mask; }
    LONG GetLevelMax() const { return m_levelMax; }
    // 0 at the root's children.
    int GetLevel() const { return m_stack.GetLength() - 1; }
    // The next item that meets the search set up with SearchExpr, SearchSubString or SearchString.
    bool SearchNext(guiTreeNodeRef* out = nullptr);

    bool onGetNext() override;
    // Key bits: 1 name, 2 text, 4 selected text, 8 tag as text, 16 general hint.
    bool onKeysOk(const Cond* c, ULONG flags) const override;
    // "key", "text", "seltext", "txt", "tag" and "hint" name key bits.
    bool onFlagSet(bool bFirst, const vbString& word, int mode, ULONG* flags) const override;

private:
    struct Entry {
        LONG pos = 1;
        guiTreeNodeRef item;
    };

    [[noreturn]] static void throwNotInitialized();
    // Adds node to the items descended into; false when it is there already.
    bool visit(IguiTreeNode* node);
    void push(IguiTreeNode* node);

    LONG m_filterMask = 0;
    LONG m_levelMax = -1;
    vbArray<Entry> m_stack;
    // The items descended into, ordered by address as an unsigned number; a balanced tree rather
    // than a sorted array, so that many inner items do not make each insertion shift the rest.
    std::set<uintptr_t> m_visited;
    guiTreeNodeRef m_current;
};
