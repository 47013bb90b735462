// Command targets: the search through a class's message maps.

#include "plat/afxcmd.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

namespace {

bool isControlColour(UINT message) { return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC; }

bool idInRange(const AFX_MSGMAP_ENTRY& entry, UINT_PTR id) { return id >= entry.nID && id <= entry.nLastID; }

// Commands from accelerators (code 1) go to the same entries as those of menus and buttons.
bool commandCodeMatches(const AFX_MSGMAP_ENTRY& entry, UINT code)
{
    return entry.nCode == code || (entry.nCode == 0 && code == 1);
}

bool entryMatches(const AFX_MSGMAP_ENTRY& entry, UINT message, WPARAM wParam, LPARAM lParam)
{
    const UINT base = message >= WM_REFLECT_BASE && message < WM_REFLECT_BASE + 0x400 ? WM_REFLECT_BASE : 0;
    const UINT plain = message - base;
    if (isControlColour(plain))
        return entry.nMessage == base + WM_CTLCOLOR;
    if (entry.nMessage != message)
        return false;
    if (plain == WM_COMMAND)
        return commandCodeMatches(entry, HIWORD(wParam)) && idInRange(entry, LOWORD(wParam));
    if (plain == WM_NOTIFY) {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        return header && entry.nCode == header->code && idInRange(entry, header->idFrom);
    }
    return true;
}

} // namespace

CCmdTarget::CCmdTarget() = default;
CCmdTarget::~CCmdTarget() = default;

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

BOOL CCmdTarget::DispatchToMap(UINT nMessage, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    LRESULT ignored = 0;
    if (!pResult)
        pResult = &ignored;
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->pfn; ++entry) {
            if (!entryMatches(*entry, nMessage, wParam, lParam))
                continue;
            LRESULT result = 0;
            if (entry->pfn(this, nMessage, wParam, lParam, &result)) {
                *pResult = result;
                return TRUE;
            }
        }
    }
    return FALSE;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, LPARAM lParam, LRESULT* pResult)
{
    return DispatchToMap(WM_COMMAND, MAKEWPARAM(nID, nCode), lParam, pResult);
}
