#include "picFilterDirectory.h"

#include "plat/afxwin.h"
#include "plat/controls.h"
#include "plat/window.h"

#include <algorithm>

const char* const picFilterDirectory::kBuiltinKeys[kBuiltinCount] = {"!gray", "!red", "!green", "!blue", "!hidden"};
const char* const picFilterDirectory::kBuiltinTexts[kBuiltinCount] = {
    "Gray scale filter", "Simple RED filter", "Simple GREEN filter", "Simple BLUE filter", "------------------"};

namespace {

constexpr int kSeparatorEntry = 4;

// Order of the filter list: text, then name, ASCII letters folded.
int compareFilters(picNode* a, picNode* b)
{
    if (int byText = a->GetText().CompareNoCase(b->GetText()))
        return byText;
    return a->GetName().CompareNoCase(b->GetName());
}

int builtinEntry(const vbString& key)
{
    if (key.IsEmpty())
        return kSeparatorEntry;
    for (int i = 0; i < picFilterDirectory::kBuiltinCount; ++i)
        if (key == picFilterDirectory::kBuiltinKeys[i])
            return i;
    return -1;
}

int commonPrefix(const vbString& a, const vbString& b)
{
    const int limit = std::min(a.GetLength(), b.GetLength());
    int n = 0;
    while (n < limit && a.c_str()[n] == b.c_str()[n])
        ++n;
    return n;
}

} // namespace

void picInsertFilter(picFilterList& list, picNode* filter)
{
    auto at = std::lower_bound(list.begin(), list.end(), filter,
        [](const picNodePtr& entry, picNode* node) { return compareFilters(entry, node) < 0; });
    if (at != list.end() && compareFilters(*at, filter) == 0)
        return;
    list.insert(at, picNodePtr(filter));
}

picFilterDirectory::picFilterDirectory(CCriticalSection& lock) : m_lock(lock) {}

picFilterDirectory::~picFilterDirectory() = default;

void picFilterDirectory::SetTreeRoot(guiTreeNode* root)
{
    guiTreeNodePtr previous;
    vbSectLock lock(&m_lock);
    previous = m_root;
    m_root = root;
    m_valid = false;
    ++m_generation;
}

bool picFilterDirectory::IsValid() const
{
    vbSectLock lock(&m_lock);
    return m_valid;
}

void picFilterDirectory::Invalidate()
{
    vbSectLock lock(&m_lock);
    m_valid = false;
    ++m_generation;
}

// The walk runs without the lock (nodes take their own locks, and a walk may be long); the new
// list is swapped in under it. An invalidation during the walk leaves the list invalid.
void picFilterDirectory::rebuildIfInvalid()
{
    vbSectLock lock(&m_lock);
    if (m_valid)
        return;
    guiTreeNodePtr root = m_root;
    const uint64_t generation = m_generation;
    lock.Unlock();

    picFilterList collected;
    guiTreeNodePtr projects;
    if (root && root->GetChild(1, &projects))
        picNodeQIPtr(static_cast<IguiTreeNode*>(projects.Get()), true)->CollectFilters(collected);

    lock.Lock(&m_lock);
    m_filters.swap(collected);
    m_valid = generation == m_generation;
    lock.Unlock();
}

picFilterList picFilterDirectory::GetFilters()
{
    rebuildIfInvalid();
    vbSectLock lock(&m_lock);
    return m_filters;
}

void picFilterDirectory::fillFilterCombo(CWnd& combo, picChannelFilter& holder)
{
    combo.SendMessage(CB_RESETCONTENT);
    for (const char* text : kBuiltinTexts)
        combo.SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    const picFilterList filters = GetFilters();
    for (const picNodePtr& filter : filters)
        combo.SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(filter->GetText().c_str()));
    remember(combo.GetSafeHwnd(), filters);

    int entry = -1;
    if (holder.IsNodeKey()) {
        // A filter that is gone gives no light, as the separator's key does: the box says so
        // rather than showing nothing.
        picNodePtr node;
        if (!resolveFilterNode(holder, &node)) {
            entry = kSeparatorEntry;
        } else if (auto at = std::find(filters.begin(), filters.end(), node); at != filters.end()) {
            entry = kBuiltinCount + static_cast<int>(at - filters.begin());
        }
    } else {
        entry = builtinEntry(holder.GetKey());
    }
    combo.SendMessage(CB_SETCURSEL, static_cast<WPARAM>(entry));
}

bool picFilterDirectory::readFilterCombo(CWnd& combo, picChannelFilter& holder)
{
    const int entry = static_cast<int>(combo.SendMessage(CB_GETCURSEL));
    picNodePtr node;
    if (entry >= kBuiltinCount && shownAt(combo.GetSafeHwnd(), entry - kBuiltinCount, &node)) {
        picNodePtr current;
        if (resolveFilterNode(holder, &current) && current == node)
            return false;
        holder.SetKey(node->GetPath());
        holder.Link(node);
        return true;
    }
    const vbString key = entry >= 0 && entry < kBuiltinCount ? vbString(kBuiltinKeys[entry]) : vbString();
    if (key == holder.GetKey())
        return false;
    holder.SetKey(key);
    return true;
}

bool picFilterDirectory::resolveFilterNode(picChannelFilter& holder, picNodePtr* out)
{
    if (!holder.IsNodeKey()) {
        holder.Unlink();
        return false;
    }
    picNodePtr linked;
    if (holder.GetLinked(&linked) && !linked->IsInDestruction()) {
        *out = linked;
        return true;
    }
    holder.Unlink();

    vbSectLock lock(&m_lock);
    guiTreeNodePtr root = m_root;
    lock.Unlock();
    guiTreeNodeRef found;
    if (!root || !root->GetPathChild(holder.GetKey(), &found, '\\', 0))
        return false;
    vbRefQIPtr<picNode, &IID_IpicLightFilter> filter(found, false);
    if (filter.IsNull())
        return false;
    holder.Link(filter);
    *out = filter.Get();
    return true;
}

bool picFilterDirectory::findFilterByPrefix(const vbString& text, picNodePtr* out)
{
    const picFilterList filters = GetFilters();
    int best = 4;
    const picNodePtr* winner = nullptr;
    for (const picNodePtr& filter : filters) {
        const int common = commonPrefix(text, filter->GetText());
        if (common > best) {
            best = common;
            winner = &filter;
        }
    }
    if (!winner)
        return false;
    if (out)
        *out = *winner;
    return true;
}

// Entries of combos whose window is gone are dropped on the way.
void picFilterDirectory::remember(HWND combo, const picFilterList& shown)
{
    Entries entries;
    for (const picNodePtr& node : shown) {
        entries.push_back(std::make_unique<picNodeWeakPtr>());
        entries.back()->Set(node);
    }
    vbSectLock lock(&m_lock);
    std::erase_if(m_shown, [](const auto& item) { return !::IsWindow(item.first); });
    m_shown[combo] = std::move(entries);
}

bool picFilterDirectory::shownAt(HWND combo, int index, picNodePtr* out)
{
    vbSectLock lock(&m_lock);
    auto it = m_shown.find(combo);
    if (it == m_shown.end() || index >= static_cast<int>(it->second.size()))
        return false;
    return it->second[index]->Get(out);
}
