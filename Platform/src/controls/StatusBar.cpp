// The status bar: a row of parts, each from the previous part's right edge plus the spacing (the
// first from 0) to its own right edge (-1: the bar's end), each with a text shown in a sunken,
// raised or no frame. Unless CCS_NORESIZE it keeps itself along the bottom of its parent's client
// area, as wide as it, whenever it is told WM_SIZE.

#include "controls/StatusBar.h"

#include "controls/Controls.h"

#include "plat/paint.h"
#include "plat/sysmetrics.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace plat::controls {

namespace {

constexpr int kMostParts = 256;
// Horizontal border, vertical border, spacing between parts.
constexpr int kBorders[3] = {0, 2, 2};
constexpr int kSpacing = kBorders[2];
constexpr int kTextMargin = 3;

struct Part {
    int edge = -1;
    std::string text;
    UINT type = 0; // SBT_NOBORDERS, SBT_POPOUT
};

struct StatusState {
    std::vector<Part> parts{Part{}};
};

RECT clientOf(HWND hwnd)
{
    RECT r;
    GetClientRect(hwnd, &r);
    return r;
}

RECT partRect(HWND hwnd, const StatusState& st, size_t i)
{
    const RECT client = clientOf(hwnd);
    const int left = i == 0 ? 0 : st.parts[i - 1].edge + kSpacing;
    const int right = st.parts[i].edge < 0 ? client.right : st.parts[i].edge;
    return RECT{left, kBorders[1], std::max(left, right), client.bottom};
}

void paint(HWND hwnd, HDC hdc)
{
    auto* st = reinterpret_cast<StatusState*>(GetWindowLongPtrA(hwnd, kStateSlot));
    if (!st)
        return;
    fillRect(hdc, clientOf(hwnd), COLOR_BTNFACE);
    HGDIOBJ oldFont = SelectObject(hdc, controlFont(hwnd));
    const int oldMode = SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, GetSysColor(COLOR_BTNTEXT));
    for (size_t i = 0; i < st->parts.size(); ++i) {
        const Part& part = st->parts[i];
        const RECT r = partRect(hwnd, *st, i);
        if (!(part.type & SBT_NOBORDERS))
            edgeFrame(hdc, r, (part.type & SBT_POPOUT) != 0);
        RECT text{r.left + kTextMargin, r.top + 1, r.right - kTextMargin, r.bottom - 1};
        DrawTextA(hdc, part.text.c_str(), int(part.text.size()), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    SetBkMode(hdc, oldMode);
    SelectObject(hdc, oldFont);
}

// Along the parent's bottom, as wide as its client area, one text line high.
void dock(HWND hwnd)
{
    HWND parent = GetParent(hwnd);
    if (!parent || (GetWindowLongPtrA(hwnd, GWL_STYLE) & CCS_NORESIZE))
        return;
    const int height = MeasureDc(hwnd).cellHeight() + 2 * kBorders[1] + 3;
    const RECT area = clientOf(parent);
    RECT now;
    GetWindowRect(hwnd, &now);
    POINT corners[2] = {{now.left, now.top}, {now.right, now.bottom}};
    ScreenToClient(parent, &corners[0]);
    ScreenToClient(parent, &corners[1]);
    now = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    const RECT wanted{0, area.bottom - height, area.right, area.bottom};
    if (!EqualRect(&now, &wanted))
        SetWindowPos(hwnd, nullptr, wanted.left, wanted.top, wanted.right, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT setText(HWND hwnd, StatusState& st, WPARAM wParam, LPARAM lParam)
{
    const size_t index = wParam & 0xFF;
    if (index >= st.parts.size())
        return FALSE;
    Part& part = st.parts[index];
    part.text = lParam ? reinterpret_cast<const char*>(lParam) : "";
    part.type = UINT(wParam) & (SBT_NOBORDERS | SBT_POPOUT);
    const RECT r = partRect(hwnd, st, index);
    InvalidateRect(hwnd, &r, TRUE);
    return TRUE;
}

LRESULT getText(const StatusState& st, WPARAM wParam, LPARAM lParam, bool copy)
{
    const size_t index = wParam & 0xFF;
    if (index >= st.parts.size())
        return 0;
    const Part& part = st.parts[index];
    if (copy && lParam)
        std::memcpy(reinterpret_cast<char*>(lParam), part.text.c_str(), part.text.size() + 1);
    return MAKELONG(part.text.size(), part.type);
}

LRESULT setParts(HWND hwnd, StatusState& st, WPARAM wParam, LPARAM lParam)
{
    const int count = int(wParam);
    const auto* edges = reinterpret_cast<const int*>(lParam);
    if (count < 0 || count > kMostParts || (count > 0 && !edges))
        return FALSE;
    st.parts.resize(size_t(count));
    for (int i = 0; i < count; ++i)
        st.parts[size_t(i)].edge = edges[i];
    InvalidateRect(hwnd, nullptr, TRUE);
    return TRUE;
}

LRESULT statusMessage(HWND hwnd, StatusState& st, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
    case WM_SIZE:
        dock(hwnd);
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case SB_SETTEXTA: return setText(hwnd, st, wParam, lParam);
    case SB_GETTEXTA: return getText(st, wParam, lParam, true);
    case SB_GETTEXTLENGTHA: return getText(st, wParam, lParam, false);
    case SB_SETPARTS: return setParts(hwnd, st, wParam, lParam);
    case SB_GETPARTS: {
        auto* out = reinterpret_cast<int*>(lParam);
        for (size_t i = 0; out && i < std::min(size_t(wParam), st.parts.size()); ++i)
            out[i] = st.parts[i].edge;
        return LRESULT(st.parts.size());
    }
    case SB_GETBORDERS:
        if (!lParam)
            return FALSE;
        std::memcpy(reinterpret_cast<int*>(lParam), kBorders, sizeof kBorders);
        return TRUE;
    case SB_GETRECT:
        if (wParam >= st.parts.size() || !lParam)
            return FALSE;
        *reinterpret_cast<RECT*>(lParam) = partRect(hwnd, st, wParam);
        return TRUE;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace

LRESULT CALLBACK statusBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return simpleControlProc<StatusState>(hwnd, msg, wParam, lParam, paint, statusMessage);
}

} // namespace plat::controls
