#include "picTreeAutoSave.h"

#include "picCaught.h"
#include "picTreeRegistry.h"

#include "guiTreeNode.h"

namespace {

bool operator==(const picChangeCounts& a, const picChangeCounts& b)
{
    return a.menu == b.menu && a.display == b.display && a.work == b.work;
}

} // namespace

void picTreeAutoSave::MarkChanged()
{
    vbSectLock lock(&m_lock);
    m_changed = true;
}

void picTreeAutoSave::Tick(guiTreeNode* treeRoot, bool idle)
{
    guiTreeNodePtr projects;
    if (!idle || !treeRoot || !treeRoot->GetChild(1, &projects) || !projects->IsLoaded())
        return;
    const picChangeCounts before = picGetChangeCounts();
    {
        vbSectLock lock(&m_lock);
        // What the load brought is stored already.
        if (!m_loaded) {
            m_loaded = true;
            m_changed = false;
            m_saved = before;
            return;
        }
        if (!m_changed && before == m_saved)
            return;
        m_changed = false;
    }
    try {
        saveTreeToRegistry(treeRoot);
    } catch (...) {
        picTraceCaught("PicFlorvaneDlg", __LINE__);
        MarkChanged();
        return;
    }
    // The save moves each counter by one; a change made meanwhile on another thread moves one
    // further, and the next tick saves again.
    vbSectLock lock(&m_lock);
    m_saved = picChangeCounts{before.menu + 1, before.display + 1, before.work + 1};
}
