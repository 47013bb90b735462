// The node as the reader of item mark-up: the loading slots through which the download centre
// hands it its document, the tokenizer's target face, and the update merge that reads a new
// document into existing children by name.

#include "guiTreeNode.h"
#include "tree/guiTreeNodeCopy.h"
#include "guiTreePtr.h"

#include "guiTreeStyle.h"
#include "tree/guiTreeChildLink.h"

#include "vbDnItf.h"
#include "vbException.h"

#include <algorithm>
#include <vector>

namespace {

// Deeper item nesting than this below the loaded node is refused: destruction, walks and layout
// recurse once per level.
constexpr size_t kMaxNesting = 256;

} // namespace

// What one load keeps in its operation record: the tokenizer, and the items it opened that have
// not been closed yet, innermost last.
struct guiTreeNode::ReadState {
    vbXml xml;
    std::vector<guiTreeNodePtr> open;
};

guiTreeNode::ReadState* guiTreeNode::readState(sIvbXmlSource* src)
{
    auto* data = static_cast<vbDnData*>(src->GetData());
    return data ? static_cast<ReadState*>(data->GetUserData()) : nullptr;
}

// --- starting a load ---

bool guiTreeNode::startLoad(const char* url, vbDnPriority priority, bool full)
{
    if (url && *url) {
        vbDnCancel(this, vbDnNoOp, true);
        SetLoadState(false, true);
        SetUrl(url);
        NodeLock lock(this);
        m_bFullLoad = full;
    }
    return vbDnAsk(this, vbDnLoad, url, priority, true);
}

bool guiTreeNode::Load(const char* url, vbDnPriority priority) { return startLoad(url, priority, true); }

bool guiTreeNode::PartialLoad(const char* url, vbDnPriority priority)
{
    if (!url || !*url)
        vbImpl::throwSys(E_FAIL, "guiTreeNode::PartialLoad() : invalid Url");
    return startLoad(url, priority, false);
}

// --- the loading slots ---

void guiTreeNode::LoadingStart(vbDnData* data, int64_t)
{
    // An included document is read into the node that names it: only the outermost operation of
    // a full load replaces the children, or an include would erase what came before it.
    const vbDnData* parent = data->GetParent();
    const bool outermost = !parent || !parent->GetObject();
    bool full = false;
    {
        NodeLock lock(this);
        full = m_bFullLoad;
    }
    if (full && outermost)
        ClearChildren();
    auto* state = new ReadState();
    try {
        state->xml.ParseStart(static_cast<IvbXmlTarget*>(this), data->GetUrl(), data, 0, 0, 1);
    } catch (...) {
        delete state;
        throw;
    }
    data->SetUserData(state);
}

bool guiTreeNode::LoadingAddBuffer(vbDnData* data, const unsigned char* bytes, ULONG length)
{
    auto* state = static_cast<ReadState*>(data->GetUserData());
    if (state)
        state->xml.Parse(reinterpret_cast<const char*>(bytes), length);
    return true;
}

void guiTreeNode::LoadingEnd(vbDnData* data, bool ok)
{
    auto* state = static_cast<ReadState*>(data->GetUserData());
    if (!state)
        return;
    // The reader and its record part in every case, after the end of the parse has used them.
    struct Drop {
        vbDnData* d;
        ReadState* s;
        ~Drop()
        {
            d->SetUserData(nullptr);
            delete s;
        }
    } drop{data, state};
    if (ok) {
        state->xml.ParseEnd();
        return;
    }
    // A cut document: the items it opened are as loaded as they will get; no update pass ends,
    // so nothing it never reached is removed.
    for (auto it = state->open.rbegin(); it != state->open.rend(); ++it)
        (*it)->markLoaded();
}

void guiTreeNode::markLoaded()
{
    SetLoadedFlag();
    SignalPtr(0);
}

// --- the tokenizer's target ---

int guiTreeNode::CutSectionName(sIvbXmlSource* src, const vbString& text, bool, bool)
{
    static const struct {
        const char* name;
        int answer;
    } names[] = {{"menucfg", 8}, {"itemcfg", 8}, {"comment", 8}, {"include", 8}, {"style", 6}, {"radio", 6},
        {"check", 6}, {"item", 5}, {"text", 5}, {"sep", 4}};
    for (const auto& n : names) {
        if (text.GetLength() >= n.answer - 1 && src->Compare(text, n.name, n.answer - 1) == 0)
            return n.answer;
    }
    return 0;
}

namespace {

bool isSection(sIvbXmlSource* src, const vbString& name, const char* what) { return src->Compare(name, what) == 0; }

// The item kinds by section name; -1 for any other.
int itemType(sIvbXmlSource* src, const vbString& name)
{
    static const struct {
        const char* name;
        guiNodeType type;
    } kinds[] = {{"item", guiNodeType_Item}, {"text", guiNodeType_Text}, {"radio", guiNodeType_Radio},
        {"check", guiNodeType_Check}};
    for (const auto& k : kinds) {
        if (isSection(src, name, k.name))
            return k.type;
    }
    return -1;
}

// "update" is true when its text starts with T, Y or 1 in either case.
bool flagUpdate(sIvbXmlSource* src, bool* value)
{
    vbString text;
    const vbXmlFlag* f = src->GetFlagPtr("update");
    if (!f)
        return false;
    if (f->HasValue())
        text = f->GetUnescValue();
    *value = text.ToBool();
    return true;
}

} // namespace

void guiTreeNode::AddSection(sIvbXmlSource* src, const vbString& name, bool closed, const vbXmlPos& pos)
{
    const int type = itemType(src, name);
    if (isSection(src, name, "itemcfg")) {
        itemCfg(src);
        bool update = false;
        if (flagUpdate(src, &update))
            setInXmlUpdate(update);
    } else if (isSection(src, name, "menucfg") || isSection(src, name, "style")) {
        aspectCfg(src);
    } else if (type >= 0 || isSection(src, name, "sep")) {
        const bool open = type >= 0 && !closed;
        ReadState* state = readState(src);
        if (open && state && state->open.size() >= kMaxNesting)
            vbImpl::throwSys(E_FAIL, "TreeNode: section '%s' nested too deep", name.c_str());
        newItem(type >= 0 ? static_cast<guiNodeType>(type) : guiNodeType_Sep, src, open);
    } else if (isSection(src, name, "comment")) {
        if (!closed) {
            src->SetSectIgnore(true);
            src->SetTextIgnore(true);
        }
    } else if (isSection(src, name, "include")) {
        include(src);
    } else {
        src->error("TreeNode: Unexpected or unknown section start '" + name + "'", pos);
    }
}

void guiTreeNode::include(sIvbXmlSource* src)
{
    vbString url;
    if (!src->GetFlagValue("", &url, nullptr))
        src->GetFlagValue("src", &url, nullptr);
    auto* data = static_cast<vbDnData*>(src->GetData());
    if (!url.IsEmpty() && data)
        data->SubDnOp(vbDnLoad, GetAbsUrl(url), this);
}

void guiTreeNode::AddSectionEnd(sIvbXmlSource* src, const vbString& name, const vbXmlPos& pos)
{
    if (isSection(src, name, "comment")) {
        src->SetSectIgnore(false);
        src->SetTextIgnore(false);
        return;
    }
    // Ends inside a comment belong to the comment.
    if (src->GetSectIgnore())
        return;
    const int type = itemType(src, name);
    if (type >= 0)
        closeItem(static_cast<guiNodeType>(type), src);
    else
        src->error("TreeNode: Unexpected or unknown section end '" + name + "'", pos);
}

void guiTreeNode::AddText(sIvbXmlSource*, const vbString& text, const vbXmlPos&) { SetText(text); }

void guiTreeNode::EndParse(sIvbXmlSource* src)
{
    // Items a document leaves open are closed as their end tags would have closed them.
    if (ReadState* state = readState(src)) {
        while (!state->open.empty()) {
            guiTreeNodePtr node = state->open.back();
            node->finishItem(src, state);
        }
    }
    if (guiTreeNode* target = FromFace(src->GetTarget()))
        target->setInXmlUpdate(false);
}

// --- items ---

void guiTreeNode::newItem(guiNodeType type, sIvbXmlSource* src, bool open)
{
    bool update = false;
    if (!flagUpdate(src, &update))
        update = IsInXmlUpdate();
    vbString name, url;
    const bool named = src->GetFlagValue("name", &name, nullptr);
    const bool hasUrl = src->GetFlagValue("src", &url, nullptr);
    const char* key = update && named ? name.c_str() : nullptr;
    guiTreeNodePtr child;
    if (hasUrl)
        CreateChild(&child, url, -1, key);
    else
        CreateChild(&child, -1, key);
    child->SetType(type);
    child->itemCfg(src);
    if (!open) {
        child->markLoaded();
        return;
    }
    src->PushTarget(static_cast<IvbXmlTarget*>(child.Get()));
    if (ReadState* state = readState(src))
        state->open.push_back(child);
}

// Ends this node's item: its update pass, its loaded mark, its place as the reader's target.
void guiTreeNode::finishItem(sIvbXmlSource* src, ReadState* state)
{
    setInXmlUpdate(false);
    markLoaded();
    src->PopTarget(static_cast<IvbXmlTarget*>(this));
    if (state && !state->open.empty())
        state->open.pop_back();
}

void guiTreeNode::closeItem(guiNodeType type, sIvbXmlSource* src)
{
    ReadState* state = readState(src);
    guiTreeNodePtr node = this;
    for (;;) {
        // Nothing of the loaded node changes for a stray end tag.
        if (state && state->open.empty())
            vbImpl::throwSys(E_FAIL, "section end </item> </sep> </text> </radio> </check> without start");
        node->finishItem(src, state);
        if (node->GetType() == type)
            return;
        node = FromFace(src->GetTarget());
        if (node.IsNull())
            vbImpl::throwSys(E_FAIL, "section end </item> </sep> </text> </radio> </check> without start");
    }
}

// --- the attributes of an item ---

void guiTreeNode::itemCfg(sIvbXmlSource* src)
{
    using TextSetter = bool (guiTreeNode::*)(const vbString&);
    static const struct {
        const char* key;
        TextSetter set;
    } texts[] = {{"name", &guiTreeNode::SetName}, {"text", &guiTreeNode::SetText},
        {"seltext", &guiTreeNode::SetSelText}, {"icon", &guiTreeNode::SetIcon}, {"selicon", &guiTreeNode::SetSelIcon},
        {"helpicon", &guiTreeNode::SetHelpIcon}, {"selhelpicon", &guiTreeNode::SetSelHelpIcon},
        {"expicon", &guiTreeNode::SetExpIcon}, {"selexpicon", &guiTreeNode::SetSelExpIcon},
        {"hint", &guiTreeNode::SetHint}, {"helphint", &guiTreeNode::SetHelpHint},
        {"checkhint", &guiTreeNode::SetCheckHint}, {"exphint", &guiTreeNode::SetExpHint},
        {"class", &guiTreeNode::SetClass}, {"childrenclass", &guiTreeNode::SetChildrenClass},
        {"href", &guiTreeNode::SetHRef}, {"target", &guiTreeNode::SetTarget}, {"script", &guiTreeNode::SetScript},
        {"helphref", &guiTreeNode::SetHelpHRef}, {"helptarget", &guiTreeNode::SetHelpTarget},
        {"helpscript", &guiTreeNode::SetHelpScript}};
    vbString text;
    for (const auto& t : texts) {
        if (src->GetFlagValue(t.key, &text, nullptr))
            (this->*t.set)(text);
    }
    if (src->GetFlagValue("tag", &text, nullptr))
        SetTag(vbVariant(text));
    if (src->GetFlagValue("checkmode", &text, nullptr)) {
        if (text.CompareNoCase("auto") == 0)
            SetCheckMode(guiNodeCheck_Auto);
        else if (text.CompareNoCase("manual") == 0)
            SetCheckMode(guiNodeCheck_Manual);
        else if (text.CompareNoCase("btn") == 0)
            SetCheckMode(guiNodeCheck_Btn);
    }

    using BoolSetter = bool (guiTreeNode::*)(bool);
    static const struct {
        const char* key;
        BoolSetter set;
    } switches[] = {{"closepopup", &guiTreeNode::SetClosePopup}, {"helpclosepopup", &guiTreeNode::SetHelpClosePopup},
        {"forcedisplayastreeview", &guiTreeNode::SetForceDisplayAsTreeView},
        {"forcehaschildren", &guiTreeNode::SetForceHasChildren}};
    bool b = false;
    for (const auto& s : switches) {
        if (src->GetFlagBool(s.key, &b))
            (this->*s.set)(b);
    }
    if (src->GetFlagBool("checked", &b))
        static_cast<IguiTreeNode*>(this)->SetChecked(b);
    if (src->GetFlagBool("sortedchildren", &b))
        SetSorted(b);
    if (src->GetFlagValue("chPath", &text, nullptr))
        SetPathChar(text.IsEmpty() ? 0 : text[1]);
    LONG n = 0;
    if (src->GetFlagLong("memselected", &n))
        MemorizeSelected(n);
    if (src->GetFlagLong("filtermask", &n))
        SetFilterMask(n);
    if (src->GetFlagBool("clearChildren", &b) && b)
        ClearChildren();
    if (src->GetFlagBool("clearStyles", &b) && b)
        ClearAspects();
    SetEnabled(src->GetFlagBool("enabled", true));
    SetVisible(src->GetFlagBool("visible", true));
    if (src->GetFlagBool("selected", &b))
        b ? Select() : Unselect();
    if (src->GetFlagBool("expanded", &b))
        b ? Expand() : Collapse();
}

void guiTreeNode::aspectCfg(sIvbXmlSource* src)
{
    const vbString name = src->GetFlagStr("name", "");
    guiTreeAspectRef aspect;
    CreateAspect(name, &aspect);
    aspect->ReadXml(src, GetUrl(), this);
}

// --- update passes and the merge ---

bool guiTreeNode::IsInXmlUpdate() const
{
    NodeLock lock(this);
    return m_xmlUpdatePos > 0;
}

void guiTreeNode::setXmlUpdated(bool updated)
{
    NodeLock lock(this);
    m_xmlUpdatePos = updated ? 1 : 0;
}

void guiTreeNode::setInXmlUpdate(bool update)
{
    // The children are asked after this node's lock is let go: a child that changes (a download
    // worker loading its include) tells its parent under its own lock, so taking a child's lock
    // while holding this one could deadlock with it.
    std::vector<guiTreeNodeRef> children;
    {
        NodeLock lock(this);
        if (update)
            m_xmlUpdatePos = 1;
        else if (m_xmlUpdatePos < 1)
            return;
        for (guiTreeChildLink* link : m_children)
            children.emplace_back(link->GetChild());
    }
    std::vector<guiTreeNodeRef> unmet;
    for (guiTreeNodeRef& child : children) {
        if (update)
            child->setXmlUpdated(false);
        else if (!child->IsInXmlUpdate())
            unmet.push_back(child);
    }
    for (guiTreeNodeRef& child : unmet)
        RemoveChild(child.Get());
}

int guiTreeNode::mergeChild(guiTreeNodePtr* ref, const char* name)
{
    // The children are asked outside this node's lock (see setInXmlUpdate), and the one met is
    // looked for again under it.
    std::vector<guiTreeNodeRef> children;
    {
        NodeLock lock(this);
        if (m_xmlUpdatePos < 1)
            return 0;
        for (guiTreeChildLink* link : m_children)
            children.emplace_back(link->GetChild());
    }
    guiTreeNode* met = nullptr;
    for (const guiTreeNodeRef& face : children) {
        guiTreeNode* c = FromFace(face.Get());
        if (c && !c->IsInXmlUpdate() && guiTreeNodeCopy(c, &IguiTreeNode::GetName).CompareNoCase(name) == 0) {
            met = c;
            break;
        }
    }
    if (!met)
        return 0;
    int at = 0;
    bool moved = false;
    guiTreeNodePtr child;
    {
        NodeLock lock(this);
        if (m_xmlUpdatePos < 1)
            return 0;
        int found = 0;
        for (size_t i = 0; i < m_children.size() && !found; ++i)
            if (FromFace(m_children[i]->GetChild()) == met)
                found = static_cast<int>(i) + 1;
        if (!found)
            return 0;
        guiTreeChildLink* link = m_children[static_cast<size_t>(found - 1)];
        child = met;
        if (found == m_xmlUpdatePos) {
            at = m_xmlUpdatePos++;
        } else {
            // The child moves to where the pass has got to; its link moves with it.
            m_children.erase(m_children.begin() + (found - 1));
            if (found < m_xmlUpdatePos)
                --m_xmlUpdatePos;
            const int count = static_cast<int>(m_children.size());
            at = m_xmlUpdatePos <= count ? m_xmlUpdatePos : count + 1;
            m_children.insert(m_children.begin() + (at - 1), link);
            m_xmlUpdatePos = at + 1;
            moved = true;
        }
    }
    if (moved)
        childrenChanged();
    child->setInXmlUpdate(true);
    *ref = child;
    return at;
}

int guiTreeNode::CreateChild(guiTreeNodePtr* ref, int pos, const char* name)
{
    if (name) {
        if (int at = mergeChild(ref, name))
            return at;
    }
    auto* node = new guiTreeNode();
    guiTreeNodePtr child(node);
    node->Release();
    node->Create();
    node->SetUrl(GetUrl());
    return addCreatedChild(ref, node, pos, name);
}

// A child matched by an update pass loads the document again; a new one is made and loaded
// through a tree pointer, so it carries the document's own URL.
int guiTreeNode::CreateChild(guiTreeNodePtr* ref, const vbString& url, int pos, const char* name)
{
    if (url.IsEmpty())
        return CreateChild(ref, pos, name);
    const vbString absUrl = GetAbsUrl(url);
    if (name) {
        if (int at = mergeChild(ref, name)) {
            (*ref)->Load(absUrl, vbDnPriority3);
            return at;
        }
    }
    guiTreePtr loader;
    loader.Load(absUrl);
    guiTreeNodePtr child = loader.Get();
    if (child.IsNull()) {
        // The centre keeps the request until the engines are used: the node is made here and
        // asks for its document itself.
        vbDnUnpark(&loader);
        loader.CreateObject();
        child = loader.Get();
        child->Load(absUrl, vbDnPriority3);
    }
    return addCreatedChild(ref, child, pos, name);
}

// Adds a new child and marks it met as the update pass (or a named section) requires.
int guiTreeNode::addCreatedChild(guiTreeNodePtr* ref, guiTreeNode* node, int pos, const char* name)
{
    const int at = AddChild(static_cast<IguiTreeNode*>(node), pos);
    bool inPass = false;
    {
        NodeLock lock(this);
        inPass = m_xmlUpdatePos >= 1;
        if (inPass)
            m_xmlUpdatePos = at + 1;
    }
    if (inPass || name)
        node->setXmlUpdated(true);
    *ref = node;
    return at;
}
