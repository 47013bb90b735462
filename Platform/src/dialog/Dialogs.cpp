// The dialog manager: dialogs made from templates, their default procedure, keyboard navigation
// and the modal loop.

#include "DialogTemplate.h"

#include "plat/dialog.h"
#include "plat/errors.h"
#include "plat/focus.h"
#include "plat/gdi.h"
#include "plat/keyboard.h"
#include "plat/resource.h"
#include "plat/sysmetrics.h"
#include "plat/system.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

using namespace plat::dialog;

namespace {

const char kDialogClass[] = "#32770";
// The most an Indirect template is read for: its size is not given.
constexpr size_t kIndirectLimit = 0x10000;

struct DialogState {
    DLGPROC proc = nullptr;
    HFONT font = nullptr;
    bool ownsFont = false;
    int baseX = 1, baseY = 1;
    bool hasDefId = false;
    WORD defId = 0;
    HWND lastFocus = nullptr;
    bool ended = false;
    INT_PTR result = 0;
};

struct DialogTable {
    std::mutex mutex;
    std::unordered_map<HWND, DialogState> states;
};

DialogTable& dialogs()
{
    static DialogTable* table = new DialogTable;
    return *table;
}

// Runs f on a dialog's state under the table's lock; false when hwnd is no dialog.
template <class F>
bool withState(HWND hwnd, F f)
{
    std::lock_guard lock(dialogs().mutex);
    auto it = dialogs().states.find(hwnd);
    if (it == dialogs().states.end())
        return false;
    f(it->second);
    return true;
}

DialogState stateOf(HWND hwnd)
{
    DialogState copy;
    withState(hwnd, [&](DialogState& s) { copy = s; });
    return copy;
}

void ensureDialogClass()
{
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefDlgProcA;
        wc.cbWndExtra = DLGWINDOWEXTRA;
        wc.lpszClassName = kDialogClass;
        RegisterClassExA(&wc);
    });
}

// The dialog base units of a font: the rounded average width of the letters and the height.
void baseUnits(HFONT font, int& baseX, int& baseY)
{
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32A(dc, kLetters, 52, &size);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    DeleteDC(dc);
    baseX = std::max(1, int((size.cx + 26) / 52));
    baseY = std::max(1, int(tm.tmHeight));
}

RECT toPixels(int baseX, int baseY, short x, short y, short cx, short cy)
{
    const int left = MulDiv(x, baseX, 4), top = MulDiv(y, baseY, 8);
    return {left, top, left + MulDiv(cx, baseX, 4), top + MulDiv(cy, baseY, 8)};
}

std::string fieldText(const NameOrOrdinal& field)
{
    return field.isOrdinal ? std::string("#").append(std::to_string(field.ordinal)) : field.name;
}

// A class field as CreateWindowExA takes it; null for an unknown ordinal.
LPCSTR className(const NameOrOrdinal& field, const char* fallback)
{
    if (field.isOrdinal)
        return ordinalClassName(field.ordinal);
    return field.name.empty() ? fallback : field.name.c_str();
}

bool isDefaultButton(LPCSTR cls, DWORD style)
{
    return cls && strcasecmp(cls, "Button") == 0 && (style & 0x0F) == 1; // BS_DEFPUSHBUTTON
}

HWND failCreation(HWND hDlg)
{
    if (hDlg)
        DestroyWindow(hDlg);
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
}

// Makes the dialog's client area the template's size, whatever frame its style gives it.
void fitClient(HWND hDlg, int width, int height)
{
    RECT window, client;
    GetWindowRect(hDlg, &window);
    GetClientRect(hDlg, &client);
    const int frameX = (window.right - window.left) - client.right;
    const int frameY = (window.bottom - window.top) - client.bottom;
    SetWindowPos(hDlg, nullptr, 0, 0, width + frameX, height + frameY,
        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Over the owner (else the screen), and kept on the screen so that an owner near its edge does
// not put the dialog's buttons out of reach.
void centre(HWND hDlg, HWND owner)
{
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    RECT area{0, 0, screenW, screenH};
    if (owner)
        GetWindowRect(owner, &area);
    RECT rc;
    GetWindowRect(hDlg, &rc);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    const int left = std::clamp<int>(area.left + (area.right - area.left - w) / 2, 0, std::max(0, screenW - w));
    const int top = std::clamp<int>(area.top + (area.bottom - area.top - h) / 2, 0, std::max(0, screenH - h));
    SetWindowPos(hDlg, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool createControls(HWND hDlg, HINSTANCE instance, const DialogTemplate& t, const DialogState& state)
{
    for (const DialogItem& item : t.items) {
        LPCSTR cls = className(item.windowClass, nullptr);
        if (!cls)
            return false;
        const RECT rc = toPixels(state.baseX, state.baseY, item.x, item.y, item.cx, item.cy);
        const std::string text = fieldText(item.text);
        HWND control = CreateWindowExA(item.exStyle, cls, text.c_str(), item.style | WS_CHILD, rc.left, rc.top,
            rc.right - rc.left, rc.bottom - rc.top, hDlg, reinterpret_cast<HMENU>(UINT_PTR(item.id)), instance,
            item.creationData.empty() ? nullptr : const_cast<BYTE*>(item.creationData.data()));
        if (!control || !IsWindow(hDlg))
            return false;
        SendMessageA(control, WM_SETFONT, WPARAM(state.font), FALSE);
        if (isDefaultButton(cls, item.style))
            withState(hDlg, [&](DialogState& s) { s.hasDefId = true, s.defId = WORD(item.id); });
    }
    return true;
}

HWND createDialog(HINSTANCE instance, const DialogTemplate& t, HWND owner, DLGPROC proc, LPARAM param)
{
    ensureDialogClass();
    DialogState state;
    state.proc = proc;
    if (t.style & DS_SETFONT) {
        state.font = CreateFontA(-MulDiv(t.pointSize, 96, 72), 0, 0, 0, t.weight, t.italic, 0, 0, t.charset, 0, 0,
            0, 0, t.face.c_str());
        state.ownsFont = state.font != nullptr;
    }
    if (!state.font)
        state.font = HFONT(GetStockObject(SYSTEM_FONT));
    baseUnits(state.font, state.baseX, state.baseY);

    LPCSTR cls = className(t.windowClass, kDialogClass);
    const bool child = (t.style & WS_CHILD) != 0;
    RECT rc = toPixels(state.baseX, state.baseY, t.x, t.y, t.cx, t.cy);
    if (!child && owner) { // a top-level dialog is placed from its owner's client origin
        POINT origin{0, 0};
        ClientToScreen(owner, &origin);
        OffsetRect(&rc, origin.x, origin.y);
    }
    HWND hDlg = cls ? CreateWindowExA(t.exStyle, cls, t.caption.c_str(), t.style & ~WS_VISIBLE, rc.left, rc.top,
                          rc.right - rc.left, rc.bottom - rc.top, owner, nullptr, instance, nullptr)
                    : nullptr;
    if (!hDlg) {
        if (state.ownsFont)
            DeleteObject(state.font);
        return failCreation(nullptr);
    }
    {
        std::lock_guard lock(dialogs().mutex);
        dialogs().states[hDlg] = state;
    }
    fitClient(hDlg, rc.right - rc.left, rc.bottom - rc.top);
    if (!createControls(hDlg, instance, t, state))
        return failCreation(IsWindow(hDlg) ? hDlg : nullptr);

    HWND first = GetNextDlgTabItem(hDlg, nullptr, FALSE);
    withState(hDlg, [&](DialogState& s) { s.lastFocus = first; });
    if (SendMessageA(hDlg, WM_INITDIALOG, WPARAM(first), param) && first && IsWindow(first))
        SetFocus(first);
    if (!IsWindow(hDlg))
        return nullptr;
    if (t.style & DS_CENTER)
        centre(hDlg, child ? nullptr : owner);
    if (t.style & WS_VISIBLE) {
        ShowWindow(hDlg, SW_SHOWNORMAL);
        if (t.style & DS_SETFOREGROUND)
            SetForegroundWindow(hDlg);
    }
    return hDlg;
}

HWND createFromBytes(HINSTANCE instance, const BYTE* data, size_t size, HWND owner, DLGPROC proc, LPARAM param)
{
    auto t = parseTemplate(data, size);
    if (!t) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return createDialog(instance, *t, owner, proc, param);
}

// The template of a resource, with its size.
const BYTE* findTemplate(HINSTANCE instance, LPCSTR name, size_t& size)
{
    HRSRC res = FindResourceA(instance, name, RT_DIALOG);
    HGLOBAL loaded = res ? LoadResource(instance, res) : nullptr;
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    size = data ? SizeofResource(instance, res) : 0;
    return data;
}

// Messages whose answer is the dialog procedure's own rather than DWLP_MSGRESULT.
bool answersDirectly(UINT msg)
{
    return (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) || msg == WM_INITDIALOG || msg == WM_QUERYDRAGICON;
}

// The control that had the focus, else the first that takes it; a dialog without one takes the
// keys itself, so that Escape reaches it as its cancel.
void restoreFocus(HWND hDlg)
{
    HWND target = stateOf(hDlg).lastFocus;
    if (!target || !IsChild(hDlg, target))
        target = GetNextDlgTabItem(hDlg, nullptr, FALSE);
    if (!target)
        target = hDlg;
    if (GetFocus() != target)
        SetFocus(target);
}

LRESULT eraseBackground(HWND hDlg, HDC hdc)
{
    HBRUSH brush = HBRUSH(SendMessageA(hDlg, WM_CTLCOLORDLG, WPARAM(hdc), LPARAM(hDlg)));
    if (!brush)
        brush = GetSysColorBrush(COLOR_BTNFACE);
    RECT rc;
    GetClientRect(hDlg, &rc);
    FillRect(hdc, &rc, brush);
    return TRUE;
}

void sendCommand(HWND hDlg, int id)
{
    HWND control = nullptr;
    for (HWND c = GetWindow(hDlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (GetDlgCtrlID(c) == id)
            control = c;
    SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(id, 0), LPARAM(control));
}

LRESULT dialogDefault(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_ERASEBKGND: return eraseBackground(hDlg, HDC(wParam));
    case WM_CLOSE: sendCommand(hDlg, IDCANCEL); return 0;
    case DM_GETDEFID: {
        const DialogState s = stateOf(hDlg);
        return s.hasDefId ? LRESULT(MAKELONG(s.defId, DC_HASDEFID)) : 0;
    }
    case DM_SETDEFID:
        return withState(hDlg, [&](DialogState& s) { s.hasDefId = true, s.defId = WORD(wParam); });
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(hDlg, focus))
                withState(hDlg, [&](DialogState& s) { s.lastFocus = focus; });
        } else {
            restoreFocus(hDlg);
        }
        return 0;
    case WM_SETFOCUS: restoreFocus(hDlg); return 0;
    case WM_GETFONT: return LRESULT(stateOf(hDlg).font);
    case WM_NCDESTROY: {
        DialogState gone;
        {
            std::lock_guard lock(dialogs().mutex);
            auto it = dialogs().states.find(hDlg);
            if (it != dialogs().states.end()) {
                gone = it->second;
                dialogs().states.erase(it);
            }
        }
        if (gone.ownsFont)
            DeleteObject(gone.font);
        return DefWindowProcA(hDlg, msg, wParam, lParam);
    }
    default: return DefWindowProcA(hDlg, msg, wParam, lParam);
    }
}

// A dialog's direct children, in the order they were made.
std::vector<HWND> controlsOf(HWND hDlg)
{
    std::vector<HWND> out;
    for (HWND c = GetWindow(hDlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        out.push_back(c);
    return out;
}

bool canTakeFocus(HWND control)
{
    const DWORD style = DWORD(GetWindowLongPtrA(control, GWL_STYLE));
    return (style & WS_VISIBLE) && !(style & WS_DISABLED);
}

// The next candidate in [first, last) after position from, walking forward or back and wrapping.
HWND nextAmong(const std::vector<HWND>& list, size_t first, size_t last, ptrdiff_t from, bool back,
    bool (*candidate)(HWND))
{
    const ptrdiff_t n = ptrdiff_t(last - first);
    for (ptrdiff_t step = 1; step <= n; ++step) {
        const ptrdiff_t offset = ((from - ptrdiff_t(first)) + (back ? -step : step)) % n;
        HWND c = list[first + size_t(offset < 0 ? offset + n : offset)];
        if (candidate(c))
            return c;
    }
    return nullptr;
}

bool isTabStop(HWND c) { return canTakeFocus(c) && (GetWindowLongPtrA(c, GWL_STYLE) & WS_TABSTOP); }

bool hasGroup(HWND c) { return (GetWindowLongPtrA(c, GWL_STYLE) & WS_GROUP) != 0; }

int defaultCommand(HWND hDlg, HWND focus)
{
    const LRESULT code = focus ? SendMessageA(focus, WM_GETDLGCODE, 0, 0) : 0;
    if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))
        return GetDlgCtrlID(focus);
    const LRESULT def = SendMessageA(hDlg, DM_GETDEFID, 0, 0);
    return HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
}

bool moveFocus(HWND next)
{
    if (next)
        SetFocus(next);
    return true;
}

// The dialog keys of a key press; false when the control wants the key itself.
bool dialogKey(HWND hDlg, const MSG& msg)
{
    HWND focus = GetFocus();
    const LRESULT code = SendMessageA(msg.hwnd, WM_GETDLGCODE, msg.wParam, LPARAM(&msg));
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    switch (msg.wParam) {
    case VK_TAB:
        if (code & (DLGC_WANTTAB | DLGC_WANTALLKEYS))
            return false;
        return moveFocus(GetNextDlgTabItem(hDlg, focus, shift));
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
        if (code & (DLGC_WANTARROWS | DLGC_WANTALLKEYS))
            return false;
        return moveFocus(GetNextDlgGroupItem(hDlg, focus, msg.wParam == VK_LEFT || msg.wParam == VK_UP));
    case VK_RETURN:
        if (code & DLGC_WANTALLKEYS)
            return false;
        sendCommand(hDlg, defaultCommand(hDlg, focus));
        return true;
    case VK_ESCAPE:
        if (code & DLGC_WANTALLKEYS)
            return false;
        sendCommand(hDlg, IDCANCEL);
        return true;
    default: return false;
    }
}

bool dialogEnded(HWND hDlg)
{
    bool ended = true;
    withState(hDlg, [&](DialogState& s) { ended = s.ended; });
    return ended;
}

// The modal loop of DialogBox: until EndDialog; a WM_QUIT ends it with -1 and is posted again.
INT_PTR runModal(HWND hDlg, HWND owner, bool idleMessages)
{
    MSG msg;
    while (!dialogEnded(hDlg)) {
        if (idleMessages && owner && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
            SendMessageA(owner, WM_ENTERIDLE, 0, LPARAM(hDlg));
        if (dialogEnded(hDlg))
            break;
        if (!GetMessageA(&msg, nullptr, 0, 0)) {
            PostQuitMessage(int(msg.wParam));
            return -1;
        }
        if (!IsDialogMessageA(hDlg, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return IsWindow(hDlg) ? stateOf(hDlg).result : -1;
}

INT_PTR dialogBox(HWND hDlg, HWND owner)
{
    if (!hDlg)
        return -1;
    const bool reenable = owner && IsWindowEnabled(owner);
    if (reenable)
        EnableWindow(owner, FALSE);
    if (!IsWindowVisible(hDlg))
        ShowWindow(hDlg, SW_SHOWNORMAL);
    const bool idle = !(GetWindowLongPtrA(hDlg, GWL_STYLE) & DS_NOIDLEMSG);
    const INT_PTR result = runModal(hDlg, owner, idle);
    if (reenable)
        EnableWindow(owner, TRUE);
    if (owner)
        SetActiveWindow(owner);
    DestroyWindow(hDlg);
    return result;
}

} // namespace

HWND CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
    LPARAM dwInitParam)
{
    size_t size = 0;
    const BYTE* data = findTemplate(hInstance, lpTemplateName, size);
    if (!data)
        return nullptr;
    return createFromBytes(hInstance, data, size, hWndParent, lpDialogFunc, dwInitParam);
}

HWND CreateDialogIndirectParamA(HINSTANCE hInstance, LPCDLGTEMPLATEA lpTemplate, HWND hWndParent,
    DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    return createFromBytes(hInstance, reinterpret_cast<const BYTE*>(lpTemplate), kIndirectLimit, hWndParent,
        lpDialogFunc, dwInitParam);
}

INT_PTR DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
    LPARAM dwInitParam)
{
    return dialogBox(CreateDialogParamA(hInstance, lpTemplateName, hWndParent, lpDialogFunc, dwInitParam), hWndParent);
}

INT_PTR DialogBoxIndirectParamA(HINSTANCE hInstance, LPCDLGTEMPLATEA hDialogTemplate, HWND hWndParent,
    DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    return dialogBox(CreateDialogIndirectParamA(hInstance, hDialogTemplate, hWndParent, lpDialogFunc, dwInitParam),
        hWndParent);
}

BOOL EndDialog(HWND hDlg, INT_PTR nResult)
{
    if (!withState(hDlg, [&](DialogState& s) { s.ended = true, s.result = nResult; })) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    PostMessageA(hDlg, WM_NULL, 0, 0); // wakes a modal loop waiting for input
    return TRUE;
}

LRESULT CALLBACK DefDlgProcA(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (DLGPROC proc = stateOf(hDlg).proc) {
        SetWindowLongPtrA(hDlg, DWLP_MSGRESULT, 0);
        const INT_PTR handled = proc(hDlg, Msg, wParam, lParam);
        if (handled)
            return answersDirectly(Msg) ? LRESULT(handled) : GetWindowLongPtrA(hDlg, DWLP_MSGRESULT);
    }
    return dialogDefault(hDlg, Msg, wParam, lParam);
}

HWND GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious)
{
    const std::vector<HWND> controls = controlsOf(hDlg);
    if (controls.empty())
        return nullptr;
    auto at = std::find(controls.begin(), controls.end(), hCtl);
    const ptrdiff_t from = at == controls.end() ? (bPrevious ? ptrdiff_t(controls.size()) : -1) : at - controls.begin();
    HWND next = nextAmong(controls, 0, controls.size(), from, bPrevious, isTabStop);
    return next ? next : hCtl;
}

HWND GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious)
{
    const std::vector<HWND> controls = controlsOf(hDlg);
    auto at = std::find(controls.begin(), controls.end(), hCtl);
    if (at == controls.end())
        return GetNextDlgTabItem(hDlg, nullptr, bPrevious);
    const size_t pos = size_t(at - controls.begin());
    size_t first = pos, last = pos + 1;
    while (first > 0 && !hasGroup(controls[first]))
        --first;
    while (last < controls.size() && !hasGroup(controls[last]))
        ++last;
    HWND next = nextAmong(controls, first, last, ptrdiff_t(pos), bPrevious, [](HWND c) { return canTakeFocus(c); });
    return next ? next : hCtl;
}

BOOL IsDialogMessageA(HWND hDlg, LPMSG lpMsg)
{
    if (!lpMsg || !hDlg || (lpMsg->hwnd != hDlg && !IsChild(hDlg, lpMsg->hwnd)))
        return FALSE;
    if (lpMsg->message == WM_KEYDOWN && dialogKey(hDlg, *lpMsg))
        return TRUE;
    TranslateMessage(lpMsg);
    DispatchMessageA(lpMsg);
    return TRUE;
}

BOOL MapDialogRect(HWND hDlg, LPRECT lpRect)
{
    DialogState state;
    if (!lpRect || !withState(hDlg, [&](DialogState& s) { state = s; })) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *lpRect = {MulDiv(lpRect->left, state.baseX, 4), MulDiv(lpRect->top, state.baseY, 8),
        MulDiv(lpRect->right, state.baseX, 4), MulDiv(lpRect->bottom, state.baseY, 8)};
    return TRUE;
}
