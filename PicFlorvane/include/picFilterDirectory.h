#pragma once

// The main window's directory of light filters: the cached list of the filter nodes of the
// project tree, the filter combo boxes of the property pages, and the resolution of a filter key
// (a built-in "!" key or a filter node's tree path) to its node.
//
// The cache is rebuilt from the projects list (the tree root's first child) whenever it has been
// marked invalid. For every combo it filled, the directory remembers the filter nodes in entry
// order (weak references), so that reading a combo gives the node that was shown there even
// when the cache was rebuilt since; a node destroyed meanwhile reads as no choice.

#include "picChannelFilter.h"
#include "picNode.h"

#include "vbPtr.h"
#include "vbString.h"

#include "plat/afx.h"
#include "plat/types.h"

#include <cstdint>

#include <map>
#include <memory>
#include <vector>

class CWnd;

class picFilterDirectory {
public:
    // The built-in keys, in the order of their combo entries.
    static constexpr int kBuiltinCount = 5;
    static const char* const kBuiltinKeys[kBuiltinCount];
    static const char* const kBuiltinTexts[kBuiltinCount];

    // lock: the owner's lock that guards the list (held only for short copies and swaps, never
    // during a walk of the tree).
    explicit picFilterDirectory(CCriticalSection& lock);
    ~picFilterDirectory();
    picFilterDirectory(const picFilterDirectory&) = delete;
    picFilterDirectory& operator=(const picFilterDirectory&) = delete;

    // The root of the tree shown by the main window; its first child is the projects list.
    void SetTreeRoot(guiTreeNode* root);

    bool IsValid() const;
    void Invalidate();
    // The cached filters, rebuilt first when invalid.
    picFilterList GetFilters();

    // Fills combo (a combo box window): the built-in entries, then the cached filters by text;
    // selects the holder's entry, or none.
    void fillFilterCombo(CWnd& combo, picChannelFilter& holder);
    // Takes the combo's choice into the holder; true when the holder changed.
    bool readFilterCombo(CWnd& combo, picChannelFilter& holder);
    // The holder's filter node, linking the holder to it; false for a built-in or empty key and
    // for a path that names no light filter.
    bool resolveFilterNode(picChannelFilter& holder, picNodePtr* out);
    // The cached filter whose text shares the most leading bytes with text, more than 4.
    bool findFilterByPrefix(const vbString& text, picNodePtr* out);

private:
    using Entries = std::vector<std::unique_ptr<picNodeWeakPtr>>;

    void rebuildIfInvalid();
    void remember(HWND combo, const picFilterList& shown);
    // The node shown at entry index of combo; false when it is gone or was never shown.
    bool shownAt(HWND combo, int index, picNodePtr* out);

    CCriticalSection& m_lock;
    guiTreeNodePtr m_root;
    bool m_valid = false;
    // Moves at every invalidation, so that a rebuild that raced with one is not taken as valid.
    uint64_t m_generation = 0;
    picFilterList m_filters;
    std::map<HWND, Entries> m_shown;
};

// Inserts filter into list, kept sorted by text, then by name, ASCII letters folded; a filter
// equal to an entry (the same node, or the same text and name) is not inserted again.
void picInsertFilter(picFilterList& list, picNode* filter);
