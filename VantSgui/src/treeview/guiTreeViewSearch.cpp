// The type-ahead search of the tree-view engine: a walk over the shown rows in display order that
// lets one pending message run after each item. Messages handled there may type on, clear the
// search or destroy the engine: typed text restarts the walk, and a destroyed engine leaves it
// without touching its levels or its host again. Layout waits while a walk runs, so the levels
// and items it stands on stay in place.

#include "guiTreeViewDraw.h"

#include "draw/guiTreeDrawPost.h"
#include "draw/guiTreeTypeAhead.h"

#include "vbMsg.h"

#include <utility>

namespace {

// After the start when its match begins no later than the best one before the start.
const guiTreeViewFound* chosen(const guiTreeViewSearch& s)
{
    if (s.passed && s.after.pos && (!s.before.pos || s.before.start >= s.after.start))
        return &s.after;
    return s.before.pos ? &s.before : nullptr;
}

} // namespace

bool guiTreeViewDraw::search(const std::string& text, bool repeat, bool backward)
{
    m_typed->Set(text);
    if (m_search.running) {
        m_search.stop = true;
        return true;
    }
    bool found = false;
    while (!m_typed->IsEmpty()) {
        bool help = false;
        m_search = guiTreeViewSearch{Current(&help), vbString(m_typed->Text().c_str()), true, false, false, repeat,
            backward, {}, {}};
        walk(m_root);
        if (IsDestroyPending())
            return true;
        if (m_typed->Text() != m_search.pattern.c_str())
            continue;
        if (const guiTreeViewFound* hit = chosen(m_search)) {
            const guiTreeViewFound to = *hit;
            found = true;
            select(to.pos.level, to.pos.index, to.start, to.length, 0);
        }
        break;
    }
    m_search = guiTreeViewSearch{};
    if (std::exchange(m_bUpdateOwed, false))
        m_post->Repost();
    return found;
}

bool guiTreeViewDraw::walk(guiTreeViewLevel& level)
{
    if (!level.IsExpanded())
        return true;
    const int count = level.ItemCount();
    for (int k = 0; k < count; ++k) {
        const int index = m_search.backward ? count - k : k + 1;
        if (!matchItem(level, index))
            return false;
        if (guiTreeViewLevel* child = level.Item(index).ChildLevel(); child && !walk(*child))
            return false;
        bool quit = false;
        vbDoOneEvent(&quit);
        if (quit || IsDestroyPending())
            return false;
    }
    return true;
}

// One item's text against the pattern; false ends the walk.
bool guiTreeViewDraw::matchItem(guiTreeViewLevel& level, int index)
{
    guiTreeViewSearch& s = m_search;
    if (s.stop)
        return false;
    if (s.pattern.IsEmpty())
        return true;
    if (!s.passed && s.start.level == &level) {
        s.passed = s.backward ? index <= s.start.index : index >= s.start.index;
        if (s.passed && s.repeat && index == s.start.index)
            return true;
    }
    guiTreeViewFound& held = s.passed ? s.after : s.before;
    int start = 0;
    int length = 0;
    // An earlier position in a later item wins; ties keep the first item.
    if (!guiTextMatch(level.Item(index).selText, s.pattern.c_str(), held.pos ? held.start : 0, &start, &length))
        return true;
    held = guiTreeViewFound{{&level, index}, start, length};
    return !(s.passed && start == 1);
}

void guiTreeViewDraw::typeAhead(const std::string& ch)
{
    std::string tried = m_typed->Text() + ch;
    bool found = search(tried, false, false);
    while (!found && !IsDestroyPending() && guiTypedText::CharCount(tried) >= 2) {
        tried = guiTypedText::DropBeforeLast(tried);
        found = search(tried, true, false);
    }
}

bool guiTreeViewDraw::backspace()
{
    if (m_typed->IsEmpty())
        return false;
    const int removed = m_typed->RemoveLast();
    if (m_typed->IsEmpty()) {
        clearSearch();
        return true;
    }
    if (m_sel && m_matchLength > removed)
        setMatch(m_matchStart, m_matchLength - removed);
    search(m_typed->Text(), false, false);
    return true;
}

void guiTreeViewDraw::clearSearch()
{
    m_typed->Clear();
    setMatch(0, 0);
    if (m_search.running)
        m_search.stop = true;
}
