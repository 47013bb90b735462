#pragma once

// The common base of every item of the project tree (projects list, folders, assembly projects,
// source images, light filters): a tree node that also knows how to make children by type name,
// copy itself, build its popup menu and property page, and carry the change stamps that drive
// the re-assembly of projects.
//
// Stamps come from three process-wide counters guarded by one lock. A node takes its menu,
// display and work stamps when it is made; its name (its id) is a class prefix and the decimal
// display stamp. The work stamp is renewed by every change that needs new work; the update walk
// starts the work of each node whose work stamp moved since the last walk.

#include "guiTreeNode.h"
#include "guiButton.h"
#include "guiMsEdit.h"

#include "vbPtr.h"
#include "vbString.h"

#include "plat/afxtypes.h"

#include <cstdint>
#include <vector>

class guiContainer;
class picFileContext;
class picNode;
class sIpicMainWnd;
class vbRegKey;
class IvbInputStream;
class IvbOutputStream;

// Every project node answers the node identifier with the picNode itself. Image holders (projects
// and source images), source images and light filters answer theirs with the same object, so
// that a reference of any of them is a picNode reference.
extern const IID IID_IpicNode;
extern const IID IID_IpicImageHolder;
extern const IID IID_IpicSourceImage;
extern const IID IID_IpicLightFilter;

using picNodePtr = vbRefPtr<picNode, &IID_IpicNode>;
using picNodeQIPtr = vbRefQIPtr<picNode, &IID_IpicNode>;
// The light filters of the project, sorted by text, then by name (see picFilterList.h).
using picFilterList = std::vector<picNodePtr>;

// The three change counters; read and changed only under picNodesSect().
extern uint64_t g_menuChangeCount;
extern uint64_t g_displayChangeCount;
extern uint64_t g_workChangeCount;

// The lock of the change counters. It is never destroyed: nodes may outlive every other static.
CCriticalSection& picNodesSect();

struct picChangeCounts {
    uint64_t menu = 0;
    uint64_t display = 0;
    uint64_t work = 0;
};
// The three counters read, or all set, in one locked step (the registry keeps them with the tree).
picChangeCounts picGetChangeCounts();
void picSetChangeCounts(const picChangeCounts& counts);

// The application's error for an operation reached in an object that is being destroyed, or that
// its class does not provide: vbEsys E_ABORT.
[[noreturn]] void picPurecall();

class picNode : public guiTreeNode {
    using Base = guiTreeNode;

public:
    bool GetInterface(const GUID& iid, void** ppv) override;

    // The stamps, read under the node's lock.
    uint64_t GetMenuStamp() const;
    uint64_t GetDisplayStamp() const;
    uint64_t GetWorkStamp() const;
    uint64_t GetDoneStamp() const;

    // The main window that shows this node's page, or null.
    sIpicMainWnd* GetPageOwner() const;
    // The last folder chosen for an import under this node, and the last project file written
    // from it.
    vbString GetImportPath() const;
    vbString GetExportPath() const;
    void SetImportPath(const vbString& path);
    void SetExportPath(const vbString& path);

    // The download state set to loaded, with the observers told.
    void MarkLoaded();

    // --- the node family's own operations, in slot order ---

    // GetTypeName + " '" + text + "'".
    virtual vbString Describe();
    // An unattached child of a type this class accepts; false for another type, or an exception
    // with bThrow.
    virtual bool CreateChildOfType(const vbString& type, picNodePtr* out, bool bThrow);
    virtual void LoadFromRegKey(vbRegKey& key);
    virtual void SaveToRegKey(vbRegKey& key);
    virtual void ReadTree(picFileContext& context, IvbInputStream* in);
    virtual void WriteTree(picFileContext& context, IvbOutputStream* out);
    // CopyValues of the source, then a copy of each of its children, made through this node's
    // CreateChildOfType, named as the child it copies, added last and marked loaded.
    virtual void CopyFrom(picNode* source);
    // A new node of this node's type, made by parent (not attached), holding a copy of this one.
    virtual void CloneUnder(picNode* parent, picNodePtr* out);
    // The first child whose text equals text, ASCII letters folded.
    virtual bool FindChildByText(const vbString& text, picNodePtr* out);
    // Starts the work of every changed node of this subtree, parents first; false when a quit
    // message arrived or a node's work refused to start.
    virtual bool UpdateWalk(sIpicMainWnd* wnd);
    virtual void CollectFilters(picFilterList& list);
    virtual void ImportFile(sIpicMainWnd* wnd, const vbString& path);
    virtual bool StartWork(sIpicMainWnd* wnd);
    virtual void LoadValues(vbRegKey& key);
    virtual void SaveValues(vbRegKey& key);
    virtual void ReadValues(picFileContext& context, IvbInputStream* in);
    virtual void WriteValues(picFileContext& context, IvbOutputStream* out);
    // The source's text + " (COPY)"; name, paths and children stay.
    virtual void CopyValues(picNode* source);
    virtual vbString GetTypeName();
    virtual vbString GetDisplayName();
    virtual bool CanHoldChildren();
    // Appends this node's popup-menu items.
    virtual void GetMenuMarkup(sIpicMainWnd* wnd, vbString& markup);
    virtual void OnMenuCommand(sIpicMainWnd* wnd, const vbString& command);
    // Builds (first call) or moves the page's controls into rect of page; rect.top comes back
    // below what was placed.
    virtual void BuildPropertyPage(sIpicMainWnd* wnd, guiContainer* page, CRect& rect, bool relayout);
    virtual void DropPropertyPage();
    virtual void TouchMenu();
    virtual void TouchDisplay();
    virtual void OnTextChanged();
    // A new work stamp, then the change notifier of wnd (null: the application's main window).
    virtual void TouchWork(sIpicMainWnd* wnd, bool force);

protected:
    picNode();
    ~picNode() override;

    void onDestruction(bool bExplicit) override;

    // The class prefix followed by the decimal display stamp.
    vbString MakeId(const char* prefix) const;
    // The shared items every class but the projects list puts in its menu.
    void AppendSharedMenu(sIpicMainWnd* wnd, vbString& markup);
    // Attaches child last under this node, marks it loaded and has the main window show it.
    void AddAndShow(sIpicMainWnd* wnd, picNode* child);
    // A yes/no question titled "Question"; true for yes.
    static bool askQuestion(sIpicMainWnd* wnd, const vbString& question);
    // On yes the node is destroyed and the window told that a node under its first parent went;
    // answers whether it was.
    bool deleteAfterQuestion(sIpicMainWnd* wnd, const vbString& question);
    // The Paste item, when the window's copy buffer holds a node.
    void AppendPasteItem(sIpicMainWnd* wnd, vbString& markup);
    // A value that the stored tree holds changed: the main window stores the tree again soon.
    // Work is another matter (TouchWork): a value may be stored without making any.
    static void TellStoredChange();
    // Sets a field that the stored tree holds, under the node's lock; a real change is told.
    template <class T, class V>
    void setStored(T& field, const V& value)
    {
        {
            vbSectLock lock(m_pLock);
            if (field == value)
                return;
            field = value;
        }
        TellStoredChange();
    }

private:
    // A field read or written under the node's lock.
    template <class T>
    T locked(const T& field) const
    {
        vbSectLock lock(m_pLock);
        return field;
    }
    template <class T, class V>
    void setLocked(T& field, const V& value)
    {
        vbSectLock lock(m_pLock);
        field = value;
    }

    void pasteCopy(sIpicMainWnd* wnd);
    bool onActionsClick(guiButton& button);
    bool onNameEdit(guiMsEdit& edit);

    sIpicMainWnd* m_pageOwner = nullptr;
    vbString m_importPath;
    vbString m_exportPath;
    uint64_t m_menuStamp = 0;
    uint64_t m_displayStamp = 0;
    uint64_t m_workStamp = 0;
    uint64_t m_doneStamp = 0;
    guiButton m_btnActions;
    guiMsEdit m_editName;
};

// The picNode face of a node of the project tree, with a reference; null when it has none.
picNodePtr picNodeOf(IUnknown* node);

// A weak reference to a node: it holds no count and lets go when the node is destroyed.
class picNodeWeakPtr final : public vbObsPtr<picNode, &IID_IpicNode> {
public:
    picNodeWeakPtr() : vbObsPtr(nullptr, false) {}
    // Observes node (null or a refusal: nothing); answers whether it does.
    bool Set(picNode* node);
    // The node, with a reference; false when none is observed.
    bool Get(picNodePtr* out) { return GetRefPtr(out); }
};
