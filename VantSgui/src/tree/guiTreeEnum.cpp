#include "guiTreeEnum.h"

#include <cstdint>

guiTreeEnum::guiTreeEnum() : vbExpr(0xFFFF) {}

guiTreeEnum::guiTreeEnum(IguiTreeNode* root, LONG levelMax, LONG filterMask) : vbExpr(0xFFFF)
{
    Create(root, levelMax, filterMask);
}

guiTreeEnum::~guiTreeEnum() = default;

// The enumerator is no shared object: the base identifier is all it answers.
bool guiTreeEnum::GetInterface(const GUID& iid, const void** ppv) const { return vbBase::GetInterface(iid, ppv); }
bool guiTreeEnum::GetInterface(const GUID& iid, void** ppv) { return vbBase::GetInterface(iid, ppv); }

void guiTreeEnum::throwNotInitialized() { vbImpl::throwSys(E_FAIL, "guiTreeEnum::Next() : not initialized"); }

bool guiTreeEnum::visit(IguiTreeNode* node) { return m_visited.insert(reinterpret_cast<uintptr_t>(node)).second; }

void guiTreeEnum::push(IguiTreeNode* node)
{
    Entry entry;
    entry.item = node;
    m_stack.Add(entry);
}

void guiTreeEnum::Create(IguiTreeNode* root, LONG levelMax, LONG filterMask)
{
    m_current.Release();
    m_visited.clear();
    m_stack.RemoveAll();
    push(root);
    visit(root);
    m_filterMask = filterMask;
    m_levelMax = levelMax;
}

void guiTreeEnum::Destroy()
{
    m_visited.clear();
    m_stack.RemoveAll();
    m_current.Release();
}

void guiTreeEnum::Reset()
{
    m_visited.clear();
    if (m_stack.GetLength() > 0) {
        m_stack.SetLength(1);
        m_stack[1].pos = 1;
        visit(m_stack[1].item);
    }
    m_current.Release();
}

bool guiTreeEnum::Next(guiTreeNodeRef* out)
{
    m_current.Release();
    if (m_stack.GetLength() == 0)
        throwNotInitialized();
    for (;;) {
        const int depth = m_stack.GetLength();
        Entry& top = m_stack[depth];
        guiTreeNodeRef child;
        if (!top.item->GetChild(top.pos, &child)) {
            if (depth < 2)
                return false;
            m_stack.SetLength(depth - 1);
            continue;
        }
        ++top.pos;
        if (child.IsNull() || child->IsInDestruction())
            continue;
        // Depth limit and first meeting decide what is walked; the filter only what is answered.
        if ((m_levelMax < 0 || depth <= m_levelMax) && child->HasChildren() && visit(child))
            push(child);
        if (m_filterMask == 0 || child->IsFilteredVisible(m_filterMask)) {
            if (out)
                *out = child;
            return true;
        }
    }
}

bool guiTreeEnum::SkeepLevel()
{
    m_current.Release();
    if (m_stack.GetLength() == 0)
        throwNotInitialized();
    Entry& top = m_stack[m_stack.GetLength()];
    bool stepped = false;
    guiTreeNodeRef child;
    while (top.item->GetChild(top.pos, &child)) {
        ++top.pos;
        stepped = true;
    }
    return stepped;
}

bool guiTreeEnum::SearchNext(guiTreeNodeRef* out)
{
    const bool found = vbExpr::SearchNext();
    if (found && out)
        *out = m_current;
    m_current.Release();
    return found;
}

bool guiTreeEnum::onGetNext() { return Next(&m_current); }

bool guiTreeEnum::onKeysOk(const Cond* c, ULONG flags) const
{
    IguiTreeNode* item = m_current.Get();
    if (!item)
        return false;
    vbPtrLock lock(item);
    return ((flags & 1) && c->IsKeyOk(item->GetName(), flags)) || ((flags & 2) && c->IsKeyOk(item->GetText(), flags))
        || ((flags & 4) && c->IsKeyOk(item->GetSelText(), flags))
        || ((flags & 8) && c->IsKeyOk(item->GetTag().GetAsString(), flags))
        || ((flags & 16) && c->IsKeyOk(item->GetHint(guiTreeHit_Item), flags));
}

bool guiTreeEnum::onFlagSet(bool bFirst, const vbString& word, int mode, ULONG* flags) const
{
    static const struct {
        const char* word;
        ULONG bits;
    } words[] = {{"key", 1}, {"text", 2}, {"seltext", 4}, {"txt", 6}, {"tag", 8}, {"hint", 16}};
    for (const auto& w : words) {
        if (word.CompareNoCase(w.word) != 0)
            continue;
        if (mode == 1) {
            *flags |= w.bits;
        } else if (mode == -1) {
            *flags &= ~w.bits;
        } else {
            if (bFirst)
                *flags &= ~ULONG{0xFFFF};
            *flags |= w.bits;
        }
        return true;
    }
    return false;
}
