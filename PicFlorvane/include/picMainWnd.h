#pragma once

// What the project nodes ask of the main window: menus, the image view, file dialogs, the filter
// directory, page rebuilds, the change notifier and the copy buffer. The main window implements
// it; tests use a recording stand-in. Operations a class does not provide report the
// application's purecall error.
//
// The application has one main window at a time, reached through one settable reference, for
// code that has no window at hand (download workers, the assembly).

#include "picNode.h"

#include "vbArray.h"
#include "vbString.h"

#include "plat/afxtypes.h"

class CWnd;
class guiProgress;
class picChannelFilter;

class sIpicMainWnd {
public:
    // Opens node's popup menu at a screen rectangle (null: under the mouse).
    virtual bool openNodeMenu(picNode* node, const CRect* rect);
    virtual void showImageView(picNode* node);
    // Selects node in the tree and shows its page.
    virtual void showNode(picNode* node);

    // File dialogs: the start path (or list) is replaced by the choice; false on Cancel.
    virtual bool chooseImageToSave(vbString& path, const char* title);
    virtual bool chooseImageToOpen(vbString& path, const char* title);
    virtual bool chooseImagesToImport(vbArray<vbString>& files, const char* title);
    virtual bool pickProjectToSave(vbString& path, const char* title);
    virtual bool pickProjectToOpen(vbString& path, const char* title);

    // The filter directory (picFilterDirectory.h): combo is a combo box window.
    virtual void fillFilterCombo(CWnd& combo, picChannelFilter& holder);
    virtual bool readFilterCombo(CWnd& combo, picChannelFilter& holder);
    virtual bool resolveFilterNode(picChannelFilter& holder, picNodePtr* out);
    virtual bool findFilterByPrefix(const vbString& text, picNodePtr* out);
    virtual bool isFilterListValid();
    // To be called whenever a filter may have come, gone or changed its text.
    virtual void invalidateFilterList();

    // A node's shown data changed (null: whatever is shown); rebuild its page.
    virtual void onNodeChanged(picNode* node);
    // A node under parent was deleted.
    virtual void onNodeDeleted(picNode* parent);
    // One change of the project: a re-assembly pass will follow.
    virtual void notifyChange();
    // A value that the stored tree holds changed, whether or not it makes work: the tree is
    // stored again soon.
    virtual void notifyStoredChange();

    // The copy buffer, a weak reference to one node, read and set under the window's lock.
    // Setting null, or a node that refuses the reference, empties it.
    virtual void setCopyNode(picNode* node);
    virtual bool getCopyNode(picNodePtr* out);

    virtual guiProgress* getProgress();
    virtual HWND getWindow();

protected:
    sIpicMainWnd() = default;
    ~sIpicMainWnd() = default;
};

// The application's main-window reference: set by the main window while it lives.
void picSetMainWnd(sIpicMainWnd* wnd);
sIpicMainWnd* picGetMainWnd();

// notifyChange of the main window; nothing without one.
void picNotifyMainChange();
// notifyStoredChange of the main window; nothing without one.
void picNotifyMainStoredChange();
// invalidateFilterList of the main window; nothing without one.
void picInvalidateMainFilterList();
// The main window's progress strip; null without a main window (nothing reports progress then).
guiProgress* picGetMainProgress();
// resolveFilterNode of the main window; false without one.
bool picResolveFilterNode(picChannelFilter& holder, picNodePtr* out);
