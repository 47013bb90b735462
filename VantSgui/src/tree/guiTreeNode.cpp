#include "guiTreeNode.h"

#include "guiTreeStyle.h"
#include "tree/guiTreeChildLink.h"

#include "vbExceptionReport.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

guiTreeNode::guiTreeNode(const vbString& url, int64_t key) : Base(url, key) {}

guiTreeNode::~guiTreeNode()
{
    guarded([&] { PopupEnd(); });
    // Left only when the node never went through its destruction.
    for (guiTreeChildLink* link : m_children)
        guarded([&] { delete link; });
    for (IguiTreeAspect* aspect : m_aspects)
        guarded([&] { aspect->Release(); });
}

template <class Step>
void guiTreeNode::guarded(Step step)
{
    try {
        step();
    } catch (CException* e) {
        vbShowException(e, true, "guiTreeNode", __LINE__);
    } catch (...) {
        vbShowException(nullptr, false, "guiTreeNode", __LINE__);
    }
}

guiTreeNode* guiTreeNode::FromFace(IvbObject* iface)
{
    void* pv = nullptr;
    if (iface && iface->GetInterface(CLSID_guiTreeNode, &pv))
        return static_cast<guiTreeNode*>(pv);
    return nullptr;
}

bool guiTreeNode::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == CLSID_guiTreeNode) {
        *ppv = this;
        return true;
    }
    if (iid == IID_IguiTreeNode) {
        *ppv = static_cast<IguiTreeNode*>(this);
        return true;
    }
    if (iid == IID_IvbXmlTarget) {
        *ppv = static_cast<IvbXmlTarget*>(this);
        return true;
    }
    return Base::GetInterface(iid, ppv);
}

const GUID& guiTreeNode::GetClsId() const { return CLSID_guiTreeNode; }

void guiTreeNode::Destroy() { vbObjectBase::Destroy(); }

// --- life ---

void guiTreeNode::onBeforeDestruction(bool bExplicit)
{
    Base::onBeforeDestruction(bExplicit);
    // Views and parents learn first that the node is going; parents then let go of it.
    guarded([&] { SignalPtr(-1); });
}

void guiTreeNode::onDestruction(bool bExplicit)
{
    guarded([&] { PopupEnd(); });
    guarded([&] {
        guiTreeContainerRef dropped;
        NodeLock lock(this);
        m_pWeakContainer = nullptr;
        dropped = m_container;
        m_container = nullptr;
        lock.Unlock();
    });
    guarded([&] {
        std::vector<guiTreeChildLink*> links;
        std::vector<IguiTreeAspect*> aspects;
        {
            NodeLock lock(this);
            links.swap(m_children);
            aspects.swap(m_aspects);
        }
        for (guiTreeChildLink* link : links)
            guarded([&] { delete link; });
        for (IguiTreeAspect* aspect : aspects)
            guarded([&] { aspect->Release(); });
    });
    Base::onDestruction(bExplicit);
}

// --- signals ---

void guiTreeNode::signalPtr(int signal)
{
    Base::signalPtr(signal);
    if (signal != 0 && signal != -1)
        return;
    guiTreeContainerRef hold;
    if (IguiTreeNodeContainer* container = takeContainer(&hold))
        container->onNodeChange(this, signal == -1 && IsInDestruction());
}

void guiTreeNode::Update(bool force)
{
    if (force || IsVisible())
        SignalPtr(3);
}

void guiTreeNode::Redraw(bool force)
{
    if (force || IsVisible())
        SignalPtr(4);
}

void guiTreeNode::UpdateChildren(bool) { SignalPtr(1); }

std::vector<void*> guiTreeNode::attachedFaces(const GUID& iid) const
{
    std::vector<void*> faces;
    for (sIvbPtr* p = m_pFirstPtr; p; p = p->GetNextPtr()) {
        void* pv = nullptr;
        if (p->GetInterface(iid, &pv) && pv)
            faces.push_back(pv);
    }
    return faces;
}

void guiTreeNode::UpdateParents()
{
    std::vector<guiTreeNodeRef> parents;
    {
        NodeLock lock(this);
        for (void* pv : attachedFaces(IID_IguiTreeNode))
            parents.emplace_back(static_cast<IguiTreeNode*>(pv));
    }
    for (guiTreeNodeRef& parent : parents)
        parent->SignalPtr(3);
}

void guiTreeNode::AspectListChange()
{
    NodeLock lock(this);
    for (void* pv : attachedFaces(IID_sIguiTreeAspectGet))
        static_cast<sIguiTreeAspectGet*>(pv)->onAspectListChange(this);
}

void guiTreeNode::ClearAll()
{
    ClearChildren();
    ClearAspects();
}

// --- fields ---

template <class T>
bool guiTreeNode::store(T& field, const T& value)
{
    NodeLock lock(this);
    if (field == value)
        return false;
    field = value;
    return true;
}

#define GUI_NODE_GET(Type, Name, field) \
    Type guiTreeNode::Name() const \
    { \
        NodeLock lock(this); \
        return field; \
    }

GUI_NODE_GET(const vbString&, GetName, m_name)
GUI_NODE_GET(const vbString&, GetClass, m_class)
GUI_NODE_GET(const vbString&, GetChildrenClass, m_childrenClass)
GUI_NODE_GET(const vbString&, GetText, m_text)
GUI_NODE_GET(const vbString&, GetSelText, m_selText)
GUI_NODE_GET(const vbString&, GetIcon, m_icon)
GUI_NODE_GET(const vbString&, GetSelIcon, m_selIcon)
GUI_NODE_GET(const vbString&, GetHelpIcon, m_helpIcon)
GUI_NODE_GET(const vbString&, GetSelHelpIcon, m_selHelpIcon)
GUI_NODE_GET(const vbString&, GetExpIcon, m_expIcon)
GUI_NODE_GET(const vbString&, GetSelExpIcon, m_selExpIcon)
GUI_NODE_GET(const vbVariant&, GetTag, m_tag)
GUI_NODE_GET(bool, IsVisible, m_bVisible)
GUI_NODE_GET(bool, IsEnabled, m_bEnabled)
GUI_NODE_GET(bool, IsChecked, m_bChecked)
GUI_NODE_GET(guiNodeType, GetType, m_type)
GUI_NODE_GET(guiNodeCheckMode, GetCheckMode, m_checkMode)
GUI_NODE_GET(bool, GetSorted, m_bSorted)
GUI_NODE_GET(bool, GetForceDisplayAsTreeView, m_bForceDisplayAsTreeView)
GUI_NODE_GET(bool, GetForceHasChildren, m_bForceHasChildren)
GUI_NODE_GET(bool, GetExpandParentEvent, m_bExpandParentEvent)
GUI_NODE_GET(bool, GetCollapseParentEvent, m_bCollapseParentEvent)
GUI_NODE_GET(int, RetrieveSelected, m_memorizedSelected)
GUI_NODE_GET(char, GetPathChar, m_pathChar)
GUI_NODE_GET(const vbString&, GetHint, m_hint)
GUI_NODE_GET(const vbString&, GetHelpHint, m_helpHint)
GUI_NODE_GET(const vbString&, GetCheckHint, m_checkHint)
GUI_NODE_GET(const vbString&, GetExpHint, m_expHint)
GUI_NODE_GET(const vbString&, GetScript, m_script)
GUI_NODE_GET(const vbString&, GetHRef, m_hRef)
GUI_NODE_GET(const vbString&, GetTarget, m_target)
GUI_NODE_GET(bool, GetClosePopup, m_bClosePopup)
GUI_NODE_GET(const vbString&, GetHelpScript, m_helpScript)
GUI_NODE_GET(const vbString&, GetHelpHRef, m_helpHRef)
GUI_NODE_GET(const vbString&, GetHelpTarget, m_helpTarget)
GUI_NODE_GET(bool, GetHelpClosePopup, m_bHelpClosePopup)
GUI_NODE_GET(LONG, GetFilterMask, m_filterMask)
GUI_NODE_GET(guiMouseTrack, GetPopupMouseTrack, m_popupMouseTrack)
GUI_NODE_GET(int, GetPopupExpandedLevel, m_popupExpandedLevel)
GUI_NODE_GET(guiTreeDrawType, GetPopupDrawType, m_popupDrawType)

#undef GUI_NODE_GET

// Setters that tell nobody.
#define GUI_NODE_SET(Name, Type, field) \
    bool guiTreeNode::Name(Type value) { return store(field, value); }

GUI_NODE_SET(SetName, const vbString&, m_name)
GUI_NODE_SET(SetScript, const vbString&, m_script)
GUI_NODE_SET(SetHRef, const vbString&, m_hRef)
GUI_NODE_SET(SetTarget, const vbString&, m_target)
GUI_NODE_SET(SetHelpScript, const vbString&, m_helpScript)
GUI_NODE_SET(SetHelpHRef, const vbString&, m_helpHRef)
GUI_NODE_SET(SetHelpTarget, const vbString&, m_helpTarget)
GUI_NODE_SET(SetClosePopup, bool, m_bClosePopup)
GUI_NODE_SET(SetHelpClosePopup, bool, m_bHelpClosePopup)
GUI_NODE_SET(SetForceDisplayAsTreeView, bool, m_bForceDisplayAsTreeView)
GUI_NODE_SET(SetExpandParentEvent, bool, m_bExpandParentEvent)
GUI_NODE_SET(SetCollapseParentEvent, bool, m_bCollapseParentEvent)
GUI_NODE_SET(SetPathChar, char, m_pathChar)
GUI_NODE_SET(SetPopupMouseTrack, guiMouseTrack, m_popupMouseTrack)
GUI_NODE_SET(SetPopupExpandedLevel, int, m_popupExpandedLevel)

#undef GUI_NODE_SET

void guiTreeNode::MemorizeSelected(int pos) { store(m_memorizedSelected, pos); }

// Setters whose change is a new look of the node.
#define GUI_NODE_SET_UPDATE(Name, Type, field) \
    bool guiTreeNode::Name(Type value) \
    { \
        if (!store(field, value)) \
            return false; \
        Update(false); \
        return true; \
    }

GUI_NODE_SET_UPDATE(SetText, const vbString&, m_text)
GUI_NODE_SET_UPDATE(SetSelText, const vbString&, m_selText)
GUI_NODE_SET_UPDATE(SetHint, const vbString&, m_hint)
GUI_NODE_SET_UPDATE(SetHelpHint, const vbString&, m_helpHint)
GUI_NODE_SET_UPDATE(SetCheckHint, const vbString&, m_checkHint)
GUI_NODE_SET_UPDATE(SetExpHint, const vbString&, m_expHint)
GUI_NODE_SET_UPDATE(SetClass, const vbString&, m_class)
GUI_NODE_SET_UPDATE(SetType, guiNodeType, m_type)
GUI_NODE_SET_UPDATE(SetCheckMode, guiNodeCheckMode, m_checkMode)
GUI_NODE_SET_UPDATE(SetEnabled, bool, m_bEnabled)
GUI_NODE_SET_UPDATE(SetForceHasChildren, bool, m_bForceHasChildren)
GUI_NODE_SET_UPDATE(SetChecked, bool, m_bChecked)

#undef GUI_NODE_SET_UPDATE

bool guiTreeNode::SetVisible(bool visible)
{
    if (!store(m_bVisible, visible))
        return false;
    Update(true);
    UpdateParents();
    return true;
}

bool guiTreeNode::SetFilterMask(LONG mask)
{
    bool visible = false;
    {
        NodeLock lock(this);
        if (m_filterMask == mask)
            return false;
        m_filterMask = mask;
        visible = m_bVisible;
    }
    Update(visible);
    if (visible)
        UpdateParents();
    return true;
}

bool guiTreeNode::SetSorted(bool sorted)
{
    if (!store(m_bSorted, sorted))
        return false;
    UpdateChildren();
    return true;
}

bool guiTreeNode::SetChildrenClass(const vbString& cls)
{
    if (!store(m_childrenClass, cls))
        return false;
    AspectListChange();
    return true;
}

bool guiTreeNode::SetTag(const vbVariant& tag)
{
    {
        NodeLock lock(this);
        if (vbVariantCmp(m_tag, tag, false, 0) == 0)
            return false;
        m_tag = tag;
    }
    return true;
}

// --- icons and images ---

vbString guiTreeNode::GetAbsUrl(const vbString& url) { return vbMakeAbsUrl(url, GetUrl(), this); }

// A text beginning with ':' names an icon by number: it is no URL and is kept as it is.
bool guiTreeNode::storeIcon(vbString& field, const vbString& url)
{
    const vbString value = !url.IsEmpty() && url[1] == ':' ? url : GetAbsUrl(url);
    if (!store(field, value))
        return false;
    Update(false);
    return true;
}

bool guiTreeNode::SetIcon(const vbString& url) { return storeIcon(m_icon, url); }
bool guiTreeNode::SetSelIcon(const vbString& url) { return storeIcon(m_selIcon, url); }
bool guiTreeNode::SetHelpIcon(const vbString& url) { return storeIcon(m_helpIcon, url); }
bool guiTreeNode::SetSelHelpIcon(const vbString& url) { return storeIcon(m_selHelpIcon, url); }
bool guiTreeNode::SetExpIcon(const vbString& url) { return storeIcon(m_expIcon, url); }
bool guiTreeNode::SetSelExpIcon(const vbString& url) { return storeIcon(m_selExpIcon, url); }

bool guiTreeNode::setImage(vbString& field, const vbVariant& v)
{
    vbString text;
    if (v.IsNum())
        text = vbString(":") + vbString(static_cast<long>(v.GetAsLong()));
    else if (!v.IsNull())
        text = v.GetAsString();
    return storeIcon(field, text);
}

vbVariant guiTreeNode::getImage(const vbString& field) const
{
    vbString text;
    {
        NodeLock lock(this);
        text = field;
    }
    if (text.IsEmpty())
        return vbVariant();
    if (text[1] == ':')
        return vbVariant(static_cast<int>(std::strtol(text.c_str() + 1, nullptr, 10)));
    return vbVariant(text);
}

bool guiTreeNode::SetImage(const vbVariant& v) { return setImage(m_icon, v); }
vbVariant guiTreeNode::GetImage() const { return getImage(m_icon); }
bool guiTreeNode::SetSelectedImage(const vbVariant& v) { return setImage(m_selIcon, v); }
vbVariant guiTreeNode::GetSelectedImage() const { return getImage(m_selIcon); }
bool guiTreeNode::SetHelpImage(const vbVariant& v) { return setImage(m_helpIcon, v); }
vbVariant guiTreeNode::GetHelpImage() const { return getImage(m_helpIcon); }
bool guiTreeNode::SetSelHelpImage(const vbVariant& v) { return setImage(m_selHelpIcon, v); }
vbVariant guiTreeNode::GetSelHelpImage() const { return getImage(m_selHelpIcon); }
bool guiTreeNode::SetExpandedImage(const vbVariant& v) { return setImage(m_expIcon, v); }
vbVariant guiTreeNode::GetExpandedImage() const { return getImage(m_expIcon); }
bool guiTreeNode::SetSelExpandedImage(const vbVariant& v) { return setImage(m_selExpIcon, v); }
vbVariant guiTreeNode::GetSelExpandedImage() const { return getImage(m_selExpIcon); }

const vbString& guiTreeNode::GetHint(guiTreeHit hit) const
{
    NodeLock lock(this);
    switch (hit) {
    case guiTreeHit_Expand:
        return m_expHint.IsEmpty() ? m_hint : m_expHint;
    case guiTreeHit_Check:
        return m_checkHint.IsEmpty() ? m_hint : m_checkHint;
    case guiTreeHit_Help:
        return m_helpHint;
    default:
        return m_hint;
    }
}

// --- visibility ---

bool guiTreeNode::IsFilteredVisible(LONG mask) const
{
    NodeLock lock(this);
    return m_bVisible && (mask == 0 || (m_filterMask & mask) == mask);
}

bool guiTreeNode::HasVisibleChildren() const { return HasFilteredVisibleChildren(0); }

bool guiTreeNode::HasFilteredVisibleChildren(LONG mask) const
{
    if (GetForceHasChildren())
        return true;
    guiTreeNodeRef child;
    for (int i = 1; GetChild(i, &child); ++i) {
        if (child && child->IsFilteredVisible(mask))
            return true;
    }
    return false;
}

// --- children ---

bool guiTreeNode::HasChildren() const { return GetChildCount() > 0; }

int guiTreeNode::GetChildCount() const
{
    NodeLock lock(this);
    return static_cast<int>(m_children.size());
}

guiTreeChildLink* guiTreeNode::linkAt(int pos) const
{
    if (pos < 1 || pos > static_cast<int>(m_children.size()))
        return nullptr;
    return m_children[static_cast<size_t>(pos - 1)];
}

int guiTreeNode::positionOf(const IguiTreeNode* child) const
{
    NodeLock lock(this);
    for (size_t i = 0; i < m_children.size(); ++i) {
        if (m_children[i]->GetChild() == child)
            return static_cast<int>(i) + 1;
    }
    return 0;
}

bool guiTreeNode::GetChild(int pos, guiTreeNodeRef* out) const
{
    NodeLock lock(this);
    guiTreeChildLink* link = linkAt(pos);
    if (!link)
        return false;
    *out = link->GetChild();
    return true;
}

bool guiTreeNode::GetChild(int pos, guiTreeNodePtr* out) const
{
    NodeLock lock(this);
    guiTreeChildLink* link = linkAt(pos);
    if (!link)
        return false;
    *out = FromFace(link->GetChild());
    return true;
}

void guiTreeNode::childrenChanged()
{
    Update(false);
    UpdateChildren();
}

int guiTreeNode::AddChild(IguiTreeNode* node, int pos)
{
    auto* link = new guiTreeChildLink(this, node);
    int at = 0;
    try {
        NodeLock lock(this);
        const int count = static_cast<int>(m_children.size());
        at = pos >= 1 && pos <= count ? pos : count + 1;
        m_children.insert(m_children.begin() + (at - 1), link);
    } catch (...) {
        delete link;
        throw;
    }
    childrenChanged();
    return at;
}

bool guiTreeNode::SetChild(int pos, IguiTreeNode* node)
{
    {
        NodeLock lock(this);
        if (!linkAt(pos))
            return false;
    }
    if (!node)
        return RemoveChild(pos);
    // The new link attaches to node outside this node's lock: one node lock at a time.
    auto* link = new guiTreeChildLink(this, node);
    guiTreeChildLink* old = nullptr;
    {
        NodeLock lock(this);
        if (linkAt(pos)) {
            old = m_children[static_cast<size_t>(pos - 1)];
            m_children[static_cast<size_t>(pos - 1)] = link;
        }
    }
    if (!old) {
        delete link;
        return false;
    }
    delete old;
    childrenChanged();
    return true;
}

bool guiTreeNode::removeLinkAt(int pos)
{
    guiTreeChildLink* link = nullptr;
    {
        NodeLock lock(this);
        link = linkAt(pos);
        if (!link)
            return false;
        m_children.erase(m_children.begin() + (pos - 1));
    }
    delete link;
    childrenChanged();
    return true;
}

bool guiTreeNode::RemoveChild(int pos)
{
    if (!removeLinkAt(pos))
        vbImpl::throwSys(E_INVALIDARG, "vbArray.operator[](%d) failure, bad index", pos);
    return true;
}

bool guiTreeNode::RemoveChild(IguiTreeNode* node)
{
    const int pos = positionOf(node);
    return pos > 0 && removeLinkAt(pos);
}

bool guiTreeNode::removeLink(guiTreeChildLink* link)
{
    int pos = 0;
    {
        NodeLock lock(this);
        auto it = std::find(m_children.begin(), m_children.end(), link);
        if (it == m_children.end())
            return false;
        pos = static_cast<int>(it - m_children.begin()) + 1;
    }
    return removeLinkAt(pos);
}

void guiTreeNode::ClearChildren()
{
    std::vector<guiTreeChildLink*> links;
    {
        NodeLock lock(this);
        links.swap(m_children);
    }
    childrenChanged();
    for (guiTreeChildLink* link : links)
        delete link;
}

// --- parents ---

bool guiTreeNode::GetParent(int n, guiTreeNodeRef* out) const
{
    NodeLock lock(this);
    const std::vector<void*> parents = attachedFaces(CLSID_guiTreeNode);
    if (n < 1 || n > static_cast<int>(parents.size()))
        return false;
    *out = static_cast<IguiTreeNode*>(static_cast<guiTreeNode*>(parents[static_cast<size_t>(n - 1)]));
    return true;
}

bool guiTreeNode::GetParent(int n, guiTreeNodePtr* out) const
{
    NodeLock lock(this);
    const std::vector<void*> parents = attachedFaces(CLSID_guiTreeNode);
    if (n < 1 || n > static_cast<int>(parents.size()))
        return false;
    *out = static_cast<guiTreeNode*>(parents[static_cast<size_t>(n - 1)]);
    return true;
}

int guiTreeNode::GetParentCount() const
{
    NodeLock lock(this);
    return static_cast<int>(attachedFaces(CLSID_guiTreeNode).size());
}

// --- aspects ---

bool guiTreeNode::GetAspect(const char* name, guiTreeAspectRef* out) const
{
    const bool unnamed = !name || std::strcmp(name, "default") == 0;
    NodeLock lock(this);
    for (IguiTreeAspect* aspect : m_aspects) {
        const vbString& own = aspect->GetName();
        if (unnamed ? own.IsEmpty() : own == name) {
            *out = aspect;
            return true;
        }
    }
    return false;
}

bool guiTreeNode::CreateAspect(const char* name, guiTreeAspectRef* out)
{
    NodeLock lock(this);
    if (GetAspect(name, out))
        return false;
    guiTreeAspectRef created;
    {
        auto* aspect = new guiTreeAspect();
        created = aspect;
        aspect->Release();
        aspect->Create();
        aspect->SetName(name);
    }
    AddAspect(created);
    *out = created;
    return true;
}

void guiTreeNode::AddAspect(IguiTreeAspect* aspect)
{
    if (!aspect)
        return;
    aspect->AddRef();
    {
        NodeLock lock(this);
        m_aspects.push_back(aspect);
    }
    AspectListChange();
}

bool guiTreeNode::RemoveAspect(IguiTreeAspect* aspect)
{
    {
        NodeLock lock(this);
        auto it = std::find(m_aspects.begin(), m_aspects.end(), aspect);
        if (it == m_aspects.end())
            return false;
        m_aspects.erase(it);
    }
    aspect->Release();
    AspectListChange();
    return true;
}

void guiTreeNode::ClearAspects()
{
    std::vector<IguiTreeAspect*> aspects;
    {
        NodeLock lock(this);
        aspects.swap(m_aspects);
    }
    for (IguiTreeAspect* aspect : aspects)
        aspect->Release();
    AspectListChange();
}

// --- owner and events ---

void guiTreeNode::SetContainer(IguiTreeNodeContainer* container, bool strong)
{
    guiTreeContainerRef dropped;
    {
        NodeLock lock(this);
        dropped = m_container;
        if (strong) {
            m_container = container;
            m_pWeakContainer = nullptr;
        } else {
            m_container = nullptr;
            m_pWeakContainer = container;
        }
    }
    if (container)
        container->onSetContainer(this, !strong);
}

bool guiTreeNode::GetContainer(guiTreeContainerRef* out) const
{
    NodeLock lock(this);
    if (m_pWeakContainer)
        *out = m_pWeakContainer;
    else if (!m_container.IsNull())
        *out = m_container;
    else
        return false;
    return true;
}

IguiTreeNodeContainer* guiTreeNode::takeContainer(guiTreeContainerRef* hold) const
{
    NodeLock lock(this);
    if (m_pWeakContainer)
        return m_pWeakContainer;
    *hold = m_container;
    return hold->Get();
}

template <class Call>
bool guiTreeNode::event(IguiTreeNode* node, Call call)
{
    guiTreeNode* target = FromFace(node);
    if (!target)
        return false;
    guiTreeContainerRef hold;
    IguiTreeNodeContainer* container = takeContainer(&hold);
    return container ? call(container, target) : false;
}

bool guiTreeNode::onClick(IguiTreeNode* node, bool b)
{
    return event(node, [b](IguiTreeNodeContainer* c, guiTreeNode* n) { return c->onClick(n, b); });
}
bool guiTreeNode::onDClick(IguiTreeNode* node, bool b)
{
    return event(node, [b](IguiTreeNodeContainer* c, guiTreeNode* n) { return c->onDClick(n, b); });
}
bool guiTreeNode::onContextMenu(IguiTreeNode* node, bool b)
{
    return event(node, [b](IguiTreeNodeContainer* c, guiTreeNode* n) { return c->onContextMenu(n, b); });
}
bool guiTreeNode::onSelect(IguiTreeNode* node, bool b)
{
    return event(node, [b](IguiTreeNodeContainer* c, guiTreeNode* n) { return c->onSelect(n, b); });
}
bool guiTreeNode::onOver(IguiTreeNode* node, bool b)
{
    return event(node, [b](IguiTreeNodeContainer* c, guiTreeNode* n) { return c->onOver(n, b); });
}
bool guiTreeNode::onCheck(IguiTreeNode* node, bool* b)
{
    return event(node, [b](IguiTreeNodeContainer* c, guiTreeNode* n) { return c->onCheck(n, b); });
}
bool guiTreeNode::onExpand(IguiTreeNode* node)
{
    return event(node, [](IguiTreeNodeContainer* c, guiTreeNode* n) { return c->onExpand(n); });
}
bool guiTreeNode::onCollapse(IguiTreeNode* node)
{
    return event(node, [](IguiTreeNodeContainer* c, guiTreeNode* n) { return c->onCollapse(n); });
}
bool guiTreeNode::onExpandParent(IguiTreeNode* node)
{
    return event(node, [](IguiTreeNodeContainer* c, guiTreeNode* n) { return c->onExpandParent(n); });
}
bool guiTreeNode::onCollapseParent(IguiTreeNode* node)
{
    return event(node, [](IguiTreeNodeContainer* c, guiTreeNode* n) { return c->onCollapseParent(n); });
}

// --- download object ---

bool guiTreeNode::IsLoaded() const { return Base::IsLoaded(); }
bool guiTreeNode::GetError(ULONG& hr, vbString& text) const { return Base::GetError(hr, text); }
DWORD guiTreeNode::GetMemSizeForCache() const { return 32768; }
bool guiTreeNode::IsCacheable() const { return false; }
bool guiTreeNode::LoadFromFile(vbDnData*, const vbString&) { return false; }
bool guiTreeNode::Warning(const vbString&, int, int, const vbString&) { return false; }
bool guiTreeNode::Error(const vbString&, int, int, const vbString&) { return false; }
