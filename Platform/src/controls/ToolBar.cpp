// The tool bar: one row of buttons and separators (hidden ones take no room), each button an
// image cut from the bar's bitmaps and an optional text below it. A press on an enabled button
// shows it pressed while the mouse stays on it under the capture; a release there clicks it: a
// check button toggles, then the parent gets WM_COMMAND. A press on a drop-down button (with
// TBSTYLE_EX_DRAWDDARROWS: on its arrow) asks the parent with TBN_DROPDOWN first.

#include "controls/ToolBar.h"

#include "controls/Controls.h"

#include "plat/bitmap.h"
#include "plat/cursor.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/paint.h"
#include "plat/resource.h"
#include "plat/sysmetrics.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <string>
#include <vector>

namespace plat::controls {

namespace {

constexpr int kSeparatorWidth = 8;
constexpr int kButtonWidth = 23;
constexpr int kButtonHeight = 22;
constexpr int kTextPadding = 8;
constexpr int kArrowWidth = 14;
constexpr int kImageSize = 16;
constexpr COLORREF kFaceKey = RGB(192, 192, 192);

struct Button {
    TBBUTTON data{};
    std::string text;
    RECT rect{}; // empty while hidden
};

struct Images {
    HBITMAP bitmap = nullptr;
    int first = 0; // the index of its first image
    int count = 0;
    int width = 0; // of one image
    int height = 0;
};

struct ToolBarState {
    ~ToolBarState()
    {
        for (const Images& i : images)
            DeleteObject(i.bitmap);
    }
    std::vector<Button> buttons;
    std::vector<std::string> strings;
    std::vector<Images> images;
    int imageCount = 0;
    bool sized = false; // TB_BUTTONSTRUCTSIZE came
    DWORD exStyle = 0;
    int pressed = -1; // the button pressed under the capture
};

ToolBarState* stateOf(HWND hwnd) { return reinterpret_cast<ToolBarState*>(GetWindowLongPtrA(hwnd, kStateSlot)); }

bool isSeparator(const Button& b) { return b.data.fsStyle & TBSTYLE_SEP; }
bool isHidden(const Button& b) { return b.data.fsState & TBSTATE_HIDDEN; }
bool hasArrow(const ToolBarState& st, const Button& b)
{
    return (b.data.fsStyle & TBSTYLE_DROPDOWN) && (st.exStyle & TBSTYLE_EX_DRAWDDARROWS);
}

int textWidth(HDC hdc, const std::string& text)
{
    SIZE size{0, 0};
    GetTextExtentPoint32A(hdc, text.data(), int(text.size()), &size);
    return size.cx;
}

// Places every button in one row: buttons share one size, wide enough for the widest text.
void layout(HWND hwnd, ToolBarState& st)
{
    MeasureDc dc(hwnd);
    int widest = 0;
    bool anyText = false;
    for (const Button& b : st.buttons)
        if (!isSeparator(b) && !b.text.empty()) {
            widest = std::max(widest, textWidth(dc.hdc(), b.text));
            anyText = true;
        }
    const int width = std::max(kButtonWidth, widest + kTextPadding);
    const int height = kButtonHeight + (anyText ? dc.cellHeight() : 0);
    int x = 0;
    for (Button& b : st.buttons) {
        if (isHidden(b)) {
            b.rect = RECT{};
            continue;
        }
        const int w = isSeparator(b) ? kSeparatorWidth : width + (hasArrow(st, b) ? kArrowWidth : 0);
        b.rect = RECT{x, 0, x + w, height};
        x += w;
    }
    InvalidateRect(hwnd, nullptr, TRUE);
}

const Button* byCommand(const ToolBarState& st, int id, int* index = nullptr)
{
    for (size_t i = 0; i < st.buttons.size(); ++i)
        if (st.buttons[i].data.idCommand == id && !isSeparator(st.buttons[i])) {
            if (index)
                *index = int(i);
            return &st.buttons[i];
        }
    return nullptr;
}

std::string textOf(const ToolBarState& st, INT_PTR iString)
{
    if (iString >= 0 && size_t(iString) < st.strings.size())
        return st.strings[size_t(iString)];
    if (iString > 0 && !IS_INTRESOURCE(iString))
        return reinterpret_cast<const char*>(iString);
    return {};
}

LRESULT addButtons(HWND hwnd, ToolBarState& st, WPARAM count, LPARAM lParam)
{
    const auto* buttons = reinterpret_cast<const TBBUTTON*>(lParam);
    if (!st.sized || (count && !buttons))
        return FALSE;
    for (size_t i = 0; i < count; ++i) {
        Button b;
        b.data = buttons[i];
        b.text = textOf(st, b.data.iString);
        st.buttons.push_back(std::move(b));
    }
    layout(hwnd, st);
    return TRUE;
}

LRESULT addStrings(ToolBarState& st, WPARAM instance, LPARAM lParam)
{
    const int first = int(st.strings.size());
    if (instance) {
        char buffer[512];
        const int n = LoadStringA(HINSTANCE(instance), UINT(lParam), buffer, sizeof buffer);
        if (n <= 0)
            return -1;
        st.strings.emplace_back(buffer, size_t(n));
        return first;
    }
    const char* at = reinterpret_cast<const char*>(lParam);
    if (!at)
        return -1;
    for (; *at; at += std::strlen(at) + 1)
        st.strings.emplace_back(at);
    return first;
}

LRESULT addBitmap(ToolBarState& st, WPARAM count, LPARAM lParam)
{
    const auto* add = reinterpret_cast<const TBADDBITMAP*>(lParam);
    if (!add || count == 0)
        return -1;
    HBITMAP bitmap = LoadBitmapA(add->hInst, MAKEINTRESOURCE(add->nID));
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) {
        if (bitmap)
            DeleteObject(bitmap);
        return -1;
    }
    const int first = st.imageCount;
    st.images.push_back(Images{bitmap, first, int(count), info.bmWidth / int(count), info.bmHeight});
    st.imageCount += int(count);
    return first;
}

// Copies one image, its 0xC0C0C0 pixels left out so that the face shows through.
void drawImage(HDC hdc, const ToolBarState& st, int image, int x, int y, bool enabled)
{
    for (const Images& set : st.images) {
        if (image < set.first || image >= set.first + set.count)
            continue;
        HDC source = CreateCompatibleDC(hdc);
        HGDIOBJ old = SelectObject(source, set.bitmap);
        const int left = (image - set.first) * set.width;
        for (int row = 0; row < set.height; ++row)
            for (int col = 0; col < set.width; ++col) {
                const COLORREF c = GetPixel(source, left + col, row);
                if (c != kFaceKey)
                    SetPixel(hdc, x + col, y + row, enabled ? c : GetSysColor(COLOR_GRAYTEXT));
            }
        SelectObject(source, old);
        DeleteDC(source);
        return;
    }
}

void paintButton(HDC hdc, const ToolBarState& st, const Button& b, bool flat)
{
    const RECT r = b.rect;
    if (isSeparator(b)) {
        if (flat) {
            const int x = (r.left + r.right) / 2 - 1;
            fillRect(hdc, RECT{x, r.top + 2, x + 1, r.bottom - 2}, COLOR_BTNSHADOW);
            fillRect(hdc, RECT{x + 1, r.top + 2, x + 2, r.bottom - 2}, COLOR_BTNHIGHLIGHT);
        }
        return;
    }
    const bool down = b.data.fsState & (TBSTATE_PRESSED | TBSTATE_CHECKED);
    const bool enabled = b.data.fsState & TBSTATE_ENABLED;
    RECT face = r;
    if (hasArrow(st, b))
        face.right -= kArrowWidth;
    if (down || !flat)
        edgeFrame(hdc, face, !down);
    const int shift = down ? 1 : 0;
    drawImage(hdc, st, b.data.iBitmap, (face.left + face.right - kImageSize) / 2 + shift, 3 + shift, enabled);
    if (!b.text.empty()) {
        RECT text{face.left, kButtonHeight - 2 + shift, face.right, face.bottom};
        SetTextColor(hdc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        DrawTextA(hdc, b.text.c_str(), int(b.text.size()), &text, DT_CENTER | DT_TOP | DT_SINGLELINE);
    }
    if (hasArrow(st, b)) {
        const RECT arrow{face.right, r.top, r.right, r.bottom};
        if (!flat)
            edgeFrame(hdc, arrow, true);
        arrowGlyph(hdc, arrow, true, true, enabled);
    }
}

void paint(HWND hwnd, HDC hdc)
{
    ToolBarState* st = stateOf(hwnd);
    if (!st)
        return;
    RECT client;
    GetClientRect(hwnd, &client);
    fillRect(hdc, client, COLOR_BTNFACE);
    const bool flat = GetWindowLongPtrA(hwnd, GWL_STYLE) & TBSTYLE_FLAT;
    HGDIOBJ oldFont = SelectObject(hdc, controlFont(hwnd));
    const int oldMode = SetBkMode(hdc, TRANSPARENT);
    for (const Button& b : st->buttons)
        if (!isHidden(b))
            paintButton(hdc, *st, b, flat);
    SetBkMode(hdc, oldMode);
    SelectObject(hdc, oldFont);
}

// The button under a point; for none, -(i + 1) of the nearest button i, and the same code for a
// separator under the point.
int hitTest(const ToolBarState& st, POINT pt)
{
    int nearest = -1, best = 0;
    for (size_t i = 0; i < st.buttons.size(); ++i) {
        const Button& b = st.buttons[i];
        if (isHidden(b))
            continue;
        if (PtInRect(&b.rect, pt))
            return isSeparator(b) ? -int(i) - 1 : int(i);
        if (isSeparator(b))
            continue;
        const int distance = pt.x < b.rect.left ? b.rect.left - pt.x : pt.x >= b.rect.right ? pt.x - b.rect.right + 1 : 0;
        if (nearest < 0 || distance < best)
            nearest = int(i), best = distance;
    }
    return -nearest - 1;
}

void setPressed(HWND hwnd, ToolBarState& st, int index, bool pressed)
{
    Button& b = st.buttons[size_t(index)];
    const BYTE state = pressed ? BYTE(b.data.fsState | TBSTATE_PRESSED) : BYTE(b.data.fsState & ~TBSTATE_PRESSED);
    if (state != b.data.fsState) {
        b.data.fsState = state;
        InvalidateRect(hwnd, &b.rect, TRUE);
    }
}

void endPress(HWND hwnd, ToolBarState& st)
{
    const int index = std::exchange(st.pressed, -1);
    if (index >= 0 && size_t(index) < st.buttons.size())
        setPressed(hwnd, st, index, false);
    if (GetCapture() == hwnd)
        ReleaseCapture();
}

// Whether a press on a drop-down button asks the parent first: on the arrow when the button
// has one, else anywhere on it.
bool asksFirst(const ToolBarState& st, const Button& b, POINT pt)
{
    if (!(b.data.fsStyle & TBSTYLE_DROPDOWN))
        return false;
    return !hasArrow(st, b) || pt.x >= b.rect.right - kArrowWidth;
}

// Shows the button pressed under the capture. A drop-down button asks the parent at once: only
// TBDDRET_TREATPRESSED goes on as a plain press, and a menu tracked meanwhile takes the capture,
// which ends the press.
void press(HWND hwnd, ToolBarState& st, POINT pt)
{
    const int index = hitTest(st, pt);
    if (index < 0 || !(st.buttons[size_t(index)].data.fsState & TBSTATE_ENABLED))
        return;
    st.pressed = index;
    setPressed(hwnd, st, index, true);
    SetCapture(hwnd);
    const Button& b = st.buttons[size_t(index)];
    if (!asksFirst(st, b, pt))
        return;
    NMTOOLBARA nm{};
    nm.iItem = b.data.idCommand;
    nm.tbButton = b.data;
    nm.rcButton = b.rect;
    const LRESULT answer = notifyParent(hwnd, nm.hdr, TBN_DROPDOWN);
    if (st.pressed == index && answer != TBDDRET_TREATPRESSED)
        endPress(hwnd, st);
}

void release(HWND hwnd, ToolBarState& st, POINT pt)
{
    const int index = st.pressed;
    if (index < 0)
        return;
    const bool inside = PtInRect(&st.buttons[size_t(index)].rect, pt);
    endPress(hwnd, st);
    if (!inside)
        return;
    Button& b = st.buttons[size_t(index)];
    if (b.data.fsStyle & TBSTYLE_CHECK) {
        b.data.fsState ^= TBSTATE_CHECKED;
        InvalidateRect(hwnd, &b.rect, TRUE);
    }
    HWND parent = GetParent(hwnd);
    if (parent)
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(b.data.idCommand, BN_CLICKED), LPARAM(hwnd));
}

LRESULT setButtonInfo(HWND hwnd, ToolBarState& st, WPARAM wParam, LPARAM lParam)
{
    const auto* info = reinterpret_cast<const TBBUTTONINFOA*>(lParam);
    if (!info || info->cbSize < sizeof(TBBUTTONINFOA))
        return -1;
    int index = int(wParam);
    if (!(info->dwMask & TBIF_BYINDEX) && !byCommand(st, int(wParam), &index))
        return -1;
    if (index < 0 || size_t(index) >= st.buttons.size())
        return -1;
    Button& b = st.buttons[size_t(index)];
    if (info->dwMask & TBIF_TEXT)
        b.text = info->pszText ? info->pszText : "";
    if (info->dwMask & TBIF_IMAGE)
        b.data.iBitmap = info->iImage;
    if (info->dwMask & TBIF_STATE)
        b.data.fsState = info->fsState;
    if (info->dwMask & TBIF_STYLE)
        b.data.fsStyle = info->fsStyle;
    if (info->dwMask & TBIF_COMMAND)
        b.data.idCommand = info->idCommand;
    layout(hwnd, st);
    return index;
}

POINT pointOf(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

LRESULT toolBarMessage(HWND hwnd, ToolBarState& st, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case TB_BUTTONSTRUCTSIZE: st.sized = wParam == sizeof(TBBUTTON); return 0;
    case TB_ADDBUTTONSA: return addButtons(hwnd, st, wParam, lParam);
    case TB_ADDSTRINGA: return addStrings(st, wParam, lParam);
    case TB_ADDBITMAP: return addBitmap(st, wParam, lParam);
    case TB_BUTTONCOUNT: return LRESULT(st.buttons.size());
    case TB_COMMANDTOINDEX: {
        int index = -1;
        byCommand(st, int(wParam), &index);
        return index;
    }
    case TB_GETSTATE: {
        const Button* b = byCommand(st, int(wParam));
        return b ? LRESULT(b->data.fsState) : -1;
    }
    case TB_SETSTATE: {
        int index = -1;
        if (!byCommand(st, int(wParam), &index))
            return FALSE;
        const bool hiddenBefore = isHidden(st.buttons[size_t(index)]);
        st.buttons[size_t(index)].data.fsState = BYTE(LOWORD(lParam));
        if (hiddenBefore != isHidden(st.buttons[size_t(index)]))
            layout(hwnd, st);
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    }
    case TB_GETBUTTON:
        if (wParam >= st.buttons.size() || !lParam)
            return FALSE;
        *reinterpret_cast<TBBUTTON*>(lParam) = st.buttons[wParam].data;
        return TRUE;
    case TB_GETITEMRECT:
        if (wParam >= st.buttons.size() || !lParam || isHidden(st.buttons[wParam]))
            return FALSE;
        *reinterpret_cast<RECT*>(lParam) = st.buttons[wParam].rect;
        return TRUE;
    case TB_GETSTYLE: return GetWindowLongPtrA(hwnd, GWL_STYLE);
    case TB_SETBUTTONINFOA: return setButtonInfo(hwnd, st, wParam, lParam);
    case TB_HITTEST: return lParam ? hitTest(st, *reinterpret_cast<const POINT*>(lParam)) : -1;
    case TB_SETEXTENDEDSTYLE: {
        const DWORD previous = std::exchange(st.exStyle, DWORD(lParam));
        layout(hwnd, st);
        return previous;
    }
    case TB_GETEXTENDEDSTYLE: return st.exStyle;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: press(hwnd, st, pointOf(lParam)); return 0;
    case WM_MOUSEMOVE:
        if (st.pressed >= 0)
            setPressed(hwnd, st, st.pressed, PtInRect(&st.buttons[size_t(st.pressed)].rect, pointOf(lParam)) != FALSE);
        return 0;
    case WM_LBUTTONUP: release(hwnd, st, pointOf(lParam)); return 0;
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
        if (st.pressed >= 0)
            endPress(hwnd, st);
        return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace

LRESULT CALLBACK toolBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return simpleControlProc<ToolBarState>(hwnd, msg, wParam, lParam, paint, toolBarMessage);
}

} // namespace plat::controls
