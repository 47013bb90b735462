#include "picMainWnd.h"

#include "picChannelFilter.h"

#include "vbObjects.h"

// An operation the window's class does not provide.
bool sIpicMainWnd::openNodeMenu(picNode*, const CRect*) { picPurecall(); }
void sIpicMainWnd::showImageView(picNode*) { picPurecall(); }
void sIpicMainWnd::showNode(picNode*) { picPurecall(); }
bool sIpicMainWnd::chooseImageToSave(vbString&, const char*) { picPurecall(); }
bool sIpicMainWnd::chooseImageToOpen(vbString&, const char*) { picPurecall(); }
bool sIpicMainWnd::chooseImagesToImport(vbArray<vbString>&, const char*) { picPurecall(); }
bool sIpicMainWnd::pickProjectToSave(vbString&, const char*) { picPurecall(); }
bool sIpicMainWnd::pickProjectToOpen(vbString&, const char*) { picPurecall(); }
void sIpicMainWnd::fillFilterCombo(CWnd&, picChannelFilter&) { picPurecall(); }
bool sIpicMainWnd::readFilterCombo(CWnd&, picChannelFilter&) { picPurecall(); }
bool sIpicMainWnd::resolveFilterNode(picChannelFilter&, picNodePtr*) { picPurecall(); }
bool sIpicMainWnd::findFilterByPrefix(const vbString&, picNodePtr*) { picPurecall(); }
bool sIpicMainWnd::isFilterListValid() { picPurecall(); }
void sIpicMainWnd::invalidateFilterList() { picPurecall(); }
void sIpicMainWnd::onNodeChanged(picNode*) { picPurecall(); }
void sIpicMainWnd::onNodeDeleted(picNode*) { picPurecall(); }
void sIpicMainWnd::notifyChange() { picPurecall(); }
void sIpicMainWnd::notifyStoredChange() { picPurecall(); }
void sIpicMainWnd::setCopyNode(picNode*) { picPurecall(); }
bool sIpicMainWnd::getCopyNode(picNodePtr*) { picPurecall(); }
guiProgress* sIpicMainWnd::getProgress() { picPurecall(); }
HWND sIpicMainWnd::getWindow() { picPurecall(); }

// The reference is read and changed under one lock, held while a worker uses the window, so that
// the window cannot go away under a call. Never destroyed: workers may still ask during exit.
namespace {

struct MainWndRef {
    CCriticalSection sect;
    sIpicMainWnd* wnd = nullptr;
};

MainWndRef& mainWndRef()
{
    static auto* ref = new MainWndRef();
    return *ref;
}

} // namespace

void picSetMainWnd(sIpicMainWnd* wnd)
{
    MainWndRef& ref = mainWndRef();
    vbSectLock lock(&ref.sect);
    ref.wnd = wnd;
}

sIpicMainWnd* picGetMainWnd()
{
    MainWndRef& ref = mainWndRef();
    vbSectLock lock(&ref.sect);
    return ref.wnd;
}

void picNotifyMainChange()
{
    MainWndRef& ref = mainWndRef();
    vbSectLock lock(&ref.sect);
    if (ref.wnd)
        ref.wnd->notifyChange();
}

void picNotifyMainStoredChange()
{
    MainWndRef& ref = mainWndRef();
    vbSectLock lock(&ref.sect);
    if (ref.wnd)
        ref.wnd->notifyStoredChange();
}

void picInvalidateMainFilterList()
{
    MainWndRef& ref = mainWndRef();
    vbSectLock lock(&ref.sect);
    if (ref.wnd)
        ref.wnd->invalidateFilterList();
}

guiProgress* picGetMainProgress()
{
    MainWndRef& ref = mainWndRef();
    vbSectLock lock(&ref.sect);
    return ref.wnd ? ref.wnd->getProgress() : nullptr;
}

bool picResolveFilterNode(picChannelFilter& holder, picNodePtr* out)
{
    MainWndRef& ref = mainWndRef();
    vbSectLock lock(&ref.sect);
    return ref.wnd && ref.wnd->resolveFilterNode(holder, out);
}
