// Walking the window tree: siblings, children, owners and ids.

#include "UiCore.h"

#include "plat/dialog.h"
#include "plat/errors.h"

#include <algorithm>

using namespace plat::ui;

namespace {

// The siblings of a window, the lowest in the Z order first; under windowsMutex().
const std::vector<HWND>* siblingsOf(const Window& w)
{
    if (!w.parent || w.parent == HWND_MESSAGE)
        return &topLevelOrder();
    auto parent = lookupWindow(w.parent);
    return parent ? &parent->children : nullptr;
}

HWND neighbour(const std::vector<HWND>& list, HWND hwnd, int step)
{
    auto it = std::find(list.begin(), list.end(), hwnd);
    if (it == list.end())
        return nullptr;
    const auto index = (it - list.begin()) + step;
    return index >= 0 && index < ptrdiff_t(list.size()) ? list[size_t(index)] : nullptr;
}

} // namespace

HWND GetWindow(HWND hWnd, UINT uCmd)
{
    auto w = findWindow(hWnd);
    if (!w)
        return nullptr;
    std::lock_guard lock(windowsMutex());
    if (uCmd == GW_CHILD)
        return w->children.empty() ? nullptr : w->children.back();
    if (uCmd == GW_OWNER)
        return w->owner;
    const std::vector<HWND>* siblings = siblingsOf(*w);
    if (!siblings || siblings->empty())
        return nullptr;
    switch (uCmd) {
    // From the top of the Z order down.
    case GW_HWNDFIRST: return siblings->back();
    case GW_HWNDLAST: return siblings->front();
    case GW_HWNDNEXT: return neighbour(*siblings, hWnd, -1);
    case GW_HWNDPREV: return neighbour(*siblings, hWnd, 1);
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
    }
}

BOOL IsChild(HWND hWndParent, HWND hWnd)
{
    if (!hWndParent)
        return FALSE;
    std::lock_guard lock(windowsMutex());
    for (auto w = lookupWindow(hWnd); w && (w->style.load() & WS_CHILD); w = lookupWindow(w->parent))
        if (w->parent == hWndParent)
            return TRUE;
    return FALSE;
}

int GetDlgCtrlID(HWND hWnd)
{
    auto w = findWindow(hWnd);
    return w && (w->style.load() & WS_CHILD) ? int(w->id.load()) : 0;
}

HWND GetDlgItem(HWND hDlg, int nIDDlgItem)
{
    auto dlg = findWindow(hDlg);
    if (!dlg)
        return nullptr;
    std::vector<HWND> children;
    {
        std::lock_guard lock(windowsMutex());
        children = dlg->children;
    }
    for (auto it = children.rbegin(); it != children.rend(); ++it) // the topmost first
        if (auto w = lookupWindow(*it); w && int(w->id.load()) == nIDDlgItem)
            return *it;
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

BOOL SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString)
{
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item && SetWindowTextA(item, lpString);
}

UINT GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax)
{
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    if (!item) {
        if (lpString && cchMax > 0)
            lpString[0] = '\0';
        return 0;
    }
    return UINT(GetWindowTextA(item, lpString, cchMax));
}
