#include "picNode.h"

#include "picMainWnd.h"

#include "vbException.h"
#include "vbMsg.h"

const IID IID_IpicNode = {0xDD7674BC, 0x45D9, 0x41A6, {0x98, 0xD5, 0xF8, 0x3D, 0xDE, 0xA3, 0xC1, 0x55}};
const IID IID_IpicImageHolder = {0xC4030D73, 0xF5B5, 0x429D, {0x9A, 0x37, 0xA3, 0xEB, 0x58, 0xF8, 0xF5, 0x39}};
const IID IID_IpicSourceImage = {0x8915111B, 0x70FB, 0x4D9C, {0xA0, 0xA7, 0x90, 0xAA, 0xEB, 0xB0, 0xFD, 0xA2}};
const IID IID_IpicLightFilter = {0x2BF6E13F, 0x0B42, 0x46E7, {0xAC, 0xAA, 0xEA, 0x88, 0x87, 0x94, 0x04, 0x75}};

uint64_t g_menuChangeCount = 0;
uint64_t g_displayChangeCount = 0;
uint64_t g_workChangeCount = 0;

CCriticalSection& picNodesSect()
{
    static auto* sect = new CCriticalSection();
    return *sect;
}

namespace {

uint64_t nextCount(uint64_t& counter)
{
    vbSectLock lock(&picNodesSect());
    return ++counter;
}

} // namespace

picChangeCounts picGetChangeCounts()
{
    vbSectLock lock(&picNodesSect());
    return {g_menuChangeCount, g_displayChangeCount, g_workChangeCount};
}

void picSetChangeCounts(const picChangeCounts& counts)
{
    vbSectLock lock(&picNodesSect());
    g_menuChangeCount = counts.menu;
    g_displayChangeCount = counts.display;
    g_workChangeCount = counts.work;
}

void picPurecall()
{
    throw new vbEsys(E_ABORT, "PICflorvane: Object of called method is in destruction (purecall)");
}

picNodePtr picNodeOf(IUnknown* node)
{
    return picNodeQIPtr(node, false);
}

bool picNodeWeakPtr::Set(picNode* node)
{
    attach(node ? static_cast<IguiTreeNode*>(node) : nullptr, false);
    return IsAttached();
}

// ---------------------------------------------------------------------------------------------

picNode::picNode()
{
    m_menuStamp = nextCount(g_menuChangeCount);
    m_displayStamp = nextCount(g_displayChangeCount);
    m_workStamp = m_doneStamp = nextCount(g_workChangeCount);
}

picNode::~picNode() = default;

void picNode::onDestruction(bool bExplicit)
{
    setLocked(m_pageOwner, nullptr);
    Base::onDestruction(bExplicit);
}

bool picNode::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_IpicNode) {
        *ppv = this;
        return true;
    }
    return Base::GetInterface(iid, ppv);
}

uint64_t picNode::GetMenuStamp() const { return locked(m_menuStamp); }
uint64_t picNode::GetDisplayStamp() const { return locked(m_displayStamp); }
uint64_t picNode::GetWorkStamp() const { return locked(m_workStamp); }
uint64_t picNode::GetDoneStamp() const { return locked(m_doneStamp); }

sIpicMainWnd* picNode::GetPageOwner() const { return locked(m_pageOwner); }
vbString picNode::GetImportPath() const { return locked(m_importPath); }
vbString picNode::GetExportPath() const { return locked(m_exportPath); }
void picNode::SetImportPath(const vbString& path) { setStored(m_importPath, path); }
void picNode::SetExportPath(const vbString& path) { setStored(m_exportPath, path); }

void picNode::TellStoredChange() { picNotifyMainStoredChange(); }

void picNode::MarkLoaded() { SetLoadState(true, true); }

vbString picNode::MakeId(const char* prefix) const
{
    return vbString(prefix) + vbString(static_cast<unsigned long long>(GetDisplayStamp()));
}

// --- slots ---

vbString picNode::Describe() { return GetTypeName() + " '" + GetText() + "'"; }

bool picNode::CreateChildOfType(const vbString&, picNodePtr*, bool) { picPurecall(); }

void picNode::CopyFrom(picNode* source)
{
    CopyValues(source);
    guiTreeNodePtr child;
    for (int i = 1; source->GetChild(i, &child); ++i) {
        picNodePtr original = picNodeQIPtr(static_cast<IguiTreeNode*>(child.Get()), true);
        picNodePtr copy;
        CreateChildOfType(original->GetTypeName(), &copy, true);
        copy->SetName(original->GetName());
        AddChild(copy, 0);
        copy->CopyFrom(original);
        copy->MarkLoaded();
    }
}

void picNode::CloneUnder(picNode* parent, picNodePtr* out)
{
    picNodePtr made;
    parent->CreateChildOfType(GetTypeName(), &made, true);
    *out = made;
    made->CopyFrom(this);
}

bool picNode::FindChildByText(const vbString& text, picNodePtr* out)
{
    guiTreeNodePtr child;
    for (int i = 1; GetChild(i, &child); ++i) {
        if (child->GetText().CompareNoCase(text) != 0)
            continue;
        if (out)
            *out = picNodeOf(static_cast<IguiTreeNode*>(child.Get()));
        return true;
    }
    return false;
}

bool picNode::UpdateWalk(sIpicMainWnd* wnd)
{
    bool quit = false;
    while (vbDoOneEvent(&quit)) {
    }
    if (quit)
        return false;
    vbSectLock lock(m_pLock);
    if (m_workStamp != m_doneStamp) {
        m_doneStamp = m_workStamp;
        lock.Unlock();
        if (!StartWork(wnd))
            return false;
    }
    lock.Unlock();
    guiTreeNodePtr child;
    for (int i = 1; GetChild(i, &child); ++i) {
        picNodePtr node = picNodeQIPtr(static_cast<IguiTreeNode*>(child.Get()), true);
        if (!node->UpdateWalk(wnd))
            return false;
    }
    return true;
}

void picNode::CollectFilters(picFilterList&) {}

bool picNode::StartWork(sIpicMainWnd*) { return true; }

void picNode::CopyValues(picNode* source) { SetText(source->GetText() + " (COPY)"); }

vbString picNode::GetTypeName() { picPurecall(); }

vbString picNode::GetDisplayName() { picPurecall(); }

bool picNode::CanHoldChildren() { return true; }

void picNode::GetMenuMarkup(sIpicMainWnd*, vbString&) { picPurecall(); }

void picNode::DropPropertyPage() { setLocked(m_pageOwner, nullptr); }

void picNode::TouchMenu()
{
    vbSectLock lock(m_pLock);
    m_menuStamp = nextCount(g_menuChangeCount);
}

void picNode::TouchDisplay()
{
    vbSectLock lock(m_pLock);
    m_displayStamp = nextCount(g_displayChangeCount);
}

void picNode::OnTextChanged() {}

void picNode::TouchWork(sIpicMainWnd* wnd, bool)
{
    {
        vbSectLock lock(m_pLock);
        m_workStamp = nextCount(g_workChangeCount);
    }
    if (wnd)
        wnd->notifyChange();
    else
        picNotifyMainChange();
}
