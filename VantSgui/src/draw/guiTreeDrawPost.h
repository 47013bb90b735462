#pragma once

// What both draw engines share: the deferred work (requests recorded under the engine lock, at
// most one WM_USER + 255 in flight to the host window), the count of the engine's active
// entries (so that a Destroy reached from inside the engine leaves the deletion to the outermost
// entry), and the status text of a root.
//
// The engine lock is a leaf: node and aspect locks may be held when a request arrives, so it is
// held only to record or take requests, never while a node, an aspect or the host is called.

#include "guiTreeDraw.h"

#include "vbMsg.h"
#include "vbPtr.h"
#include "vbObjects.h"

#include "plat/afx.h"
#include "plat/afxwin.h"

class guiTreeDrawPost {
public:
    explicit guiTreeDrawPost(CWnd* host) : m_host(host) {}
    guiTreeDrawPost(const guiTreeDrawPost&) = delete;
    guiTreeDrawPost& operator=(const guiTreeDrawPost&) = delete;

    // Runs record() under the lock and posts the update message when none is pending.
    template <class Record>
    void Request(Record record)
    {
        bool post = false;
        {
            vbSectLock lock(&m_sect);
            if (m_stopped)
                return;
            record();
            post = m_posted == m_handled;
            if (post)
                ++m_posted;
        }
        if (post)
            vbPostMessage(m_host, guiTreeMsgPostedUpdate, 0, 0);
    }

    // When a posted message is outstanding: marks it handled and runs take() under the lock.
    template <class Taker>
    bool Take(Taker take)
    {
        vbSectLock lock(&m_sect);
        if (m_posted == m_handled)
            return false;
        m_handled = m_posted;
        take();
        return true;
    }

    // Posts the update message again for one that arrived but was left outstanding.
    void Repost()
    {
        bool post = false;
        {
            vbSectLock lock(&m_sect);
            post = !m_stopped && m_posted != m_handled;
        }
        if (post)
            vbPostMessage(m_host, guiTreeMsgPostedUpdate, 0, 0);
    }

    // Runs f() under the lock, for state that only requests touch.
    template <class F>
    void Locked(F f)
    {
        vbSectLock lock(&m_sect);
        f();
    }

    // No request is recorded or posted any more; clear() runs under the lock.
    template <class Clear>
    void Stop(Clear clear)
    {
        vbSectLock lock(&m_sect);
        m_stopped = true;
        clear();
    }

private:
    CWnd* m_host;
    CCriticalSection m_sect;
    unsigned m_posted = 0;
    unsigned m_handled = 0;
    bool m_stopped = false;
};

// The engine's entries from its host (posted update, timer, painting, input): an engine destroyed
// inside one is deleted when the outermost returns.
class guiTreeDrawLife {
public:
    using Deleter = void (*)(void* engine);

    guiTreeDrawLife(void* engine, Deleter deleter) : m_engine(engine), m_deleter(deleter) {}
    guiTreeDrawLife(const guiTreeDrawLife&) = delete;
    guiTreeDrawLife& operator=(const guiTreeDrawLife&) = delete;

    class Entry {
    public:
        explicit Entry(guiTreeDrawLife& life) : m_life(life) { ++life.m_depth; }
        ~Entry()
        {
            if (--m_life.m_depth == 0 && m_life.m_pending)
                m_life.deleteEngine();
        }
        Entry(const Entry&) = delete;
        Entry& operator=(const Entry&) = delete;

    private:
        guiTreeDrawLife& m_life;
    };

    // Marks the engine destroyed; true when no entry is active and the caller deletes it now.
    bool MarkDestroyed()
    {
        m_pending = true;
        return m_depth == 0;
    }
    bool IsDestroyPending() const { return m_pending; }

private:
    void deleteEngine()
    {
        // The life goes with the engine: nothing of it is touched after the call.
        void* engine = m_engine;
        Deleter deleter = m_deleter;
        deleter(engine);
    }

    void* m_engine;
    Deleter m_deleter;
    int m_depth = 0;
    bool m_pending = false;
};

// The engine's link to its root node: keeps the node alive, forwards its notices, and lets the
// node reach the engine (IID_sIguiTreeNodeDraw: the node face; IID_sIguiTreeAspectGet: the
// engine itself).
class guiTreeRootLink final : public vbObsRefPtr<IguiTreeNode, &IID_IguiTreeNode> {
public:
    guiTreeRootLink(sIguiTreeNodeDraw* nodeFace, sIguiTreeAspectGet* engine, sIvbPtrCb* notices)
        : m_nodeFace(nodeFace), m_engine(engine)
    {
        SetCallback(notices);
    }

    // Leaves the old root silently; null detaches.
    void Set(IguiTreeNode* node) { attach(node, false); }
    IguiTreeNode* Peek() const { return static_cast<IguiTreeNode*>(m_pObs); }
    bool Get(guiTreeNodeRef* out) { return GetRefPtr(out); }

    using vbObsPtrCore::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_sIguiTreeNodeDraw) {
            *ppv = m_nodeFace;
            return true;
        }
        if (iid == IID_sIguiTreeAspectGet) {
            *ppv = m_engine;
            return true;
        }
        return vbObsRefPtr::GetInterface(iid, ppv);
    }

private:
    sIguiTreeNodeDraw* m_nodeFace;
    sIguiTreeAspectGet* m_engine;
};

// An engine's link to a style record it resolved: keeps the record alive and forwards its
// notices (3 new layout, 4 repaint).
class guiTreeAspectLink final : public vbObsRefPtr<IguiTreeAspect, &IID_IguiTreeAspect> {
public:
    explicit guiTreeAspectLink(sIvbPtrCb* notices) { SetCallback(notices); }

    // Leaves the old record silently; null detaches.
    void Set(IguiTreeAspect* aspect) { attach(aspect, false); }
    IguiTreeAspect* Peek() const { return static_cast<IguiTreeAspect*>(m_pObs); }
};

// A host that hears nothing and answers no: what a destroyed engine talks to while its
// outermost entry unwinds.
GUIAPI sIguiTreeEvents& guiTreeSilentEvents();

// The status of a root: "Loading..." while it loads, the download error once it failed (an
// aborted load shows nothing), else empty. False without root (nothing changes then).
GUIAPI bool guiTreeStatusText(IguiTreeNode* root, vbString& text, bool& loaded);

// A tool tip: an item's hint, then its level's status text after an empty line.
GUIAPI vbString guiTreeHintAndStatus(const vbString& hint, const vbString& status);
