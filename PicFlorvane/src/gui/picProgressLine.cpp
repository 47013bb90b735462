#include "gui/picProgressLine.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

// The open lines; a line leaves it as it is destroyed, so that those found here are alive.
std::mutex g_linesLock;
std::vector<picProgressLine*> g_lines;

} // namespace

picProgressLine::Ptr picProgressLine::Open(const vbString& owner, IvbHotPlugCb* target)
{
    Ptr line;
    if (!target)
        return line;
    auto* made = new picProgressLine(owner, target);
    line = static_cast<IvbHotPlugCb*>(made);
    made->Release();
    made->Create();
    std::lock_guard lock(g_linesLock);
    g_lines.push_back(made);
    return line;
}

void picProgressLine::CutAll(const vbString& owner)
{
    // Cut under the list's lock: a line whose last reference goes meanwhile waits in its
    // destructor and stays whole until the cut is over.
    std::lock_guard lock(g_linesLock);
    for (picProgressLine* line : g_lines)
        if (line->m_owner == owner)
            line->cut();
}

picProgressLine::picProgressLine(const vbString& owner, IvbHotPlugCb* target) : m_owner(owner), m_target(target) {}

picProgressLine::~picProgressLine()
{
    std::lock_guard lock(g_linesLock);
    g_lines.erase(std::remove(g_lines.begin(), g_lines.end(), this), g_lines.end());
}

bool picProgressLine::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_IvbHotPlugCb) {
        *ppv = static_cast<IvbHotPlugCb*>(this);
        return true;
    }
    return vbObject::GetInterface(iid, ppv);
}

void picProgressLine::cut()
{
    // The strip's listener is let go after the lock: its last release may end it.
    Ptr dropped;
    std::unique_lock lock(m_sect);
    dropped = m_target;
    m_target.Release();
}

template <class Report>
void picProgressLine::pass(Report report)
{
    std::shared_lock lock(m_sect);
    if (!m_target.IsNull())
        report(*m_target);
}

vbPlugUpdateCaps picProgressLine::OnGetPluginCaps(IvbHotPlugger* plugger)
{
    vbPlugUpdateCaps caps = vbPlugUpdateAllow;
    pass([&](IvbHotPlugCb& target) { caps = target.OnGetPluginCaps(plugger); });
    return caps;
}

void picProgressLine::OnUnloadPluginAsked(IvbHotPlugger* plugger, bool bAlone)
{
    pass([&](IvbHotPlugCb& target) { target.OnUnloadPluginAsked(plugger, bAlone); });
}

void picProgressLine::OnLoadPluginAsked(IvbHotPlugger* plugger, bool bAlone)
{
    pass([&](IvbHotPlugCb& target) { target.OnLoadPluginAsked(plugger, bAlone); });
}

void picProgressLine::OnProgress(IvbHotPlugger* plugger, ULONG progress, ULONG progressMax, vbPlugStatus status,
    const vbString& text)
{
    pass([&](IvbHotPlugCb& target) { target.OnProgress(plugger, progress, progressMax, status, text); });
}

vbPlugUpdateCaps picProgressLine::OnError(IvbHotPlugger* plugger, bool b, LONG hr, const vbString& text)
{
    vbPlugUpdateCaps caps = vbPlugUpdateAllow;
    pass([&](IvbHotPlugCb& target) { caps = target.OnError(plugger, b, hr, text); });
    return caps;
}
