#include "picTreeAutoSave.h"

#include "picCaught.h"
#include "picMainWnd.h"
#include "picTreeRegistry.h"

#include "guiProgress.h"
#include "guiTreeNode.h"

#include "plat/registry.h"

namespace {

// The strip's row of the tree's saving.
const GUID kSaveRow = {0x6d0f3a71, 0x2c1e, 0x4b8a, {0x9e, 0x41, 0x3f, 0x7a, 0x52, 0x18, 0xc4, 0x0b}};

bool operator==(const picChangeCounts& a, const picChangeCounts& b)
{
    return a.menu == b.menu && a.display == b.display && a.work == b.work;
}

vbString storeFile() { return plat::registryUserFile().c_str(); }

} // namespace

void picTreeAutoSave::MarkChanged()
{
    vbSectLock lock(&m_lock);
    m_changed = true;
}

void picTreeAutoSave::TakeAsStored()
{
    const picChangeCounts now = picGetChangeCounts();
    vbSectLock lock(&m_lock);
    m_loaded = true;
    m_changed = false;
    m_saved = now;
}

bool picTreeAutoSave::HasUnstoredChanges()
{
    const picChangeCounts now = picGetChangeCounts();
    vbSectLock lock(&m_lock);
    // Before the first tick after the load nothing tells what was stored.
    return !m_loaded || m_changed || !(now == m_saved);
}

void picTreeAutoSave::Tick(guiTreeNode* treeRoot, bool idle)
{
    guiTreeNodePtr projects;
    if (!idle || !treeRoot || !treeRoot->GetChild(1, &projects) || !projects->IsLoaded())
        return;
    {
        vbSectLock lock(&m_lock);
        // A projects list that came without telling: what it brought is stored already.
        if (!m_loaded) {
            m_loaded = true;
            m_changed = false;
            m_saved = picGetChangeCounts();
            return;
        }
        if (!m_changed && picGetChangeCounts() == m_saved)
            return;
        m_changed = false;
    }
    const vbString failure = Save(treeRoot);
    if (failure.IsEmpty())
        hideFailure();
    else
        showFailure(failure);
}

vbString picTreeAutoSave::Save(guiTreeNode* treeRoot)
{
    const picChangeCounts before = picGetChangeCounts();
    try {
        saveTreeToRegistry(treeRoot);
    } catch (...) {
        // The store's own reason (a read-only file, a full disk) says more than the key that failed.
        const std::string refused = plat::registryWriteFailure(HKEY_CURRENT_USER);
        const vbString reason = refused.empty() ? picCaughtMessage() : vbString(refused.c_str());
        picTraceCaught("PicFlorvaneDlg", __LINE__);
        MarkChanged();
        return reason;
    }
    // The save moves each counter by one; a change made meanwhile on another thread moves one
    // further, and the next tick saves again.
    vbSectLock lock(&m_lock);
    m_saved = picChangeCounts{before.menu + 1, before.display + 1, before.work + 1};
    return vbString();
}

// The reason first: a narrow strip cuts the end of its rows.
vbString picTreeAutoSave::RowText(const vbString& reason) { return "Not stored: " + reason + " (" + storeFile() + ")"; }

vbString picTreeAutoSave::CloseText(const vbString& reason)
{
    return "The project tree could not be stored in " + storeFile() + ": " + reason
        + ".\nThe changes made since it was last stored are lost.";
}

void picTreeAutoSave::showFailure(const vbString& reason)
{
    guiProgress* strip = picGetMainProgress();
    guiHotPlugCbPtr row;
    if (strip)
        strip->GetPlugCb(true, &row, kSaveRow, kRowLabel, static_cast<vbPlugUpdateCaps>(0));
    if (row.IsNull())
        return;
    row->OnError(nullptr, false, static_cast<LONG>(0x80004005), RowText(reason));
    m_failing = true;
}

void picTreeAutoSave::hideFailure()
{
    guiProgress* strip = picGetMainProgress();
    if (!m_failing || !strip)
        return;
    strip->HidePlugCb(kSaveRow);
    m_failing = false;
}
