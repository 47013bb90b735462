// The single-line Edit control. Its text is UTF-8 and every position is a byte offset on a
// character boundary: a lead byte typed alone waits for its continuation bytes, and a byte that
// starts no valid sequence counts as a character of its own.

#include "controls/Edit.h"

#include "controls/Controls.h"

#include "plat/caret.h"
#include "plat/clipboard.h"
#include "plat/codepage.h"
#include "plat/focus.h"
#include "plat/globalmem.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/msgbox.h"
#include "plat/paint.h"
#include "plat/sysmetrics.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <cctype>
#include <cstdlib>

namespace plat::controls {

namespace {

constexpr size_t kDefaultLimit = 32767;
constexpr size_t kLargestLimit = 0x7FFFFFFE;
constexpr int kMargin = 1;

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

size_t nextBoundary(const std::string& s, size_t pos) { return pos >= s.size() ? s.size() : pos + utf8CharLength(s, pos); }

size_t previousBoundary(const std::string& s, size_t pos)
{
    if (pos == 0)
        return 0;
    for (size_t back = 2; back <= 4 && back <= pos; ++back)
        if (utf8CharLength(s, pos - back) == back)
            return pos - back;
    return pos - 1;
}

// The boundary at or before pos.
size_t snapToBoundary(const std::string& s, size_t pos)
{
    pos = std::min(pos, s.size());
    size_t at = 0;
    while (at < pos) {
        const size_t next = nextBoundary(s, at);
        if (next > pos)
            break;
        at = next;
    }
    return at;
}

// The boundary at or after pos.
size_t boundaryAtOrAfter(const std::string& s, size_t pos)
{
    const size_t before = snapToBoundary(s, pos);
    return before == pos ? pos : nextBoundary(s, before);
}

bool isWordChar(unsigned char c) { return c >= 0x80 || std::isalnum(c) || c == '_'; }

struct EditState {
    std::string text;
    size_t anchor = 0;
    size_t caret = 0;
    size_t limit = kDefaultLimit;
    char passwordChar = 0;
    std::string pending; // a character still waiting for continuation bytes
    int scroll = 0; // pixels of text left of the client area
    bool focused = false;
    bool dragging = false;

    size_t selStart() const { return std::min(anchor, caret); }
    size_t selEnd() const { return std::max(anchor, caret); }
};

EditState* stateOf(HWND hwnd) { return reinterpret_cast<EditState*>(GetWindowLongPtrA(hwnd, kStateSlot)); }

DWORD styleOf(HWND hwnd) { return DWORD(GetWindowLongPtrA(hwnd, GWL_STYLE)); }

void notify(HWND hwnd, int code) { notifyParent(hwnd, code); }

// What the user sees: the text, or one password character per character.
std::string shown(const EditState& st, size_t upTo)
{
    if (!st.passwordChar)
        return st.text.substr(0, upTo);
    size_t count = 0;
    for (size_t at = 0; at < upTo; at = nextBoundary(st.text, at))
        ++count;
    return std::string(count, st.passwordChar);
}

int textWidth(HDC hdc, const std::string& s)
{
    SIZE size{0, 0};
    GetTextExtentPoint32A(hdc, s.data(), int(s.size()), &size);
    return size.cx;
}

int cellHeight(HDC hdc)
{
    TEXTMETRICA tm{};
    GetTextMetricsA(hdc, &tm);
    return tm.tmHeight;
}

// The text's top: centred in the client area.
int textTop(HWND hwnd, HDC hdc)
{
    RECT client;
    GetClientRect(hwnd, &client);
    return std::max(0, (client.bottom - cellHeight(hdc)) / 2);
}

int caretX(HWND hwnd, const EditState& st)
{
    MeasureDc dc(hwnd);
    return kMargin + textWidth(dc.hdc(), shown(st, st.caret)) - st.scroll;
}

void placeCaret(HWND hwnd, const EditState& st)
{
    if (!st.focused)
        return;
    MeasureDc dc(hwnd);
    SetCaretPos(kMargin + textWidth(dc.hdc(), shown(st, st.caret)) - st.scroll, textTop(hwnd, dc.hdc()));
}

void scrollCaretIntoView(HWND hwnd, EditState& st)
{
    if (!(styleOf(hwnd) & ES_AUTOHSCROLL)) {
        st.scroll = 0;
        return;
    }
    RECT client;
    GetClientRect(hwnd, &client);
    const int room = std::max(1, int(client.right) - 2 * kMargin);
    const int x = caretX(hwnd, st) - kMargin + st.scroll;
    if (x < st.scroll)
        st.scroll = x;
    else if (x >= st.scroll + room)
        st.scroll = x - room + 1;
    // A text that became shorter is not left scrolled out of a field it now fits.
    MeasureDc dc(hwnd);
    const int whole = textWidth(dc.hdc(), shown(st, st.text.size()));
    st.scroll = std::min(st.scroll, std::max(0, whole - room + 1));
}

void refresh(HWND hwnd, EditState& st)
{
    scrollCaretIntoView(hwnd, st);
    placeCaret(hwnd, st);
    InvalidateRect(hwnd, nullptr, TRUE);
}

void changed(HWND hwnd, EditState& st)
{
    refresh(hwnd, st);
    notify(hwnd, EN_UPDATE);
    if (IsWindow(hwnd))
        notify(hwnd, EN_CHANGE);
}

// Whether the text would pass the right margin of an edit that does not scroll.
bool tooWide(HWND hwnd, const EditState& st, const std::string& text)
{
    if (styleOf(hwnd) & ES_AUTOHSCROLL)
        return false;
    RECT client;
    GetClientRect(hwnd, &client);
    EditState probe = st;
    probe.text = text;
    MeasureDc dc(hwnd);
    return textWidth(dc.hdc(), shown(probe, text.size())) > client.right - 2 * kMargin;
}

// Puts text in place of the selection, cut at a character boundary to the limit and, without
// ES_AUTOHSCROLL, to the width; the change is announced even when nothing changed.
void replaceSelection(HWND hwnd, EditState& st, std::string insert)
{
    const size_t start = st.selStart();
    const size_t kept = st.text.size() - (st.selEnd() - start);
    bool full = false;
    if (kept + insert.size() > st.limit) {
        insert = insert.substr(0, snapToBoundary(insert, st.limit > kept ? st.limit - kept : 0));
        full = true;
    }
    auto result = [&](const std::string& part) { return st.text.substr(0, start) + part + st.text.substr(st.selEnd()); };
    while (!insert.empty() && tooWide(hwnd, st, result(insert))) {
        insert.resize(previousBoundary(insert, insert.size()));
        full = true;
    }
    if (insert.empty() && start == st.selEnd() && full) {
        notify(hwnd, EN_MAXTEXT);
        return;
    }
    st.text = result(insert);
    // Stray bytes on either side may now join into one character: the caret goes after it.
    st.anchor = st.caret = boundaryAtOrAfter(st.text, start + insert.size());
    if (full)
        notify(hwnd, EN_MAXTEXT);
    if (IsWindow(hwnd))
        changed(hwnd, st);
}

bool readOnly(HWND hwnd) { return (styleOf(hwnd) & ES_READONLY) != 0; }

void typeByte(HWND hwnd, EditState& st, unsigned char c)
{
    if (readOnly(hwnd))
        return;
    if (c == '\b') {
        st.pending.clear();
        if (st.anchor == st.caret)
            st.anchor = previousBoundary(st.text, st.caret);
        replaceSelection(hwnd, st, "");
        return;
    }
    if (c < 0x20) {
        st.pending.clear();
        return;
    }
    if (isContinuation(c) && !st.pending.empty()) {
        st.pending += char(c);
        if (st.pending.size() < utf8SequenceLength((unsigned char)st.pending[0]))
            return;
        replaceSelection(hwnd, st, std::exchange(st.pending, std::string()));
        return;
    }
    st.pending.clear();
    if (utf8SequenceLength(c) > 1) {
        st.pending = std::string(1, char(c));
        return;
    }
    replaceSelection(hwnd, st, std::string(1, char(c)));
}

void copySelection(HWND hwnd, const EditState& st)
{
    if (st.passwordChar) {
        MessageBeep(0);
        return;
    }
    const std::string part = st.text.substr(st.selStart(), st.selEnd() - st.selStart());
    if (part.empty() || !OpenClipboard(hwnd))
        return;
    EmptyClipboard();
    if (HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, part.size() + 1)) {
        std::memcpy(GlobalLock(mem), part.c_str(), part.size() + 1);
        GlobalUnlock(mem);
        if (!SetClipboardData(CF_TEXT, mem))
            GlobalFree(mem);
    }
    CloseClipboard();
}

// The clipboard's text up to its first line break.
std::string clipboardLine(HWND hwnd)
{
    std::string out;
    if (!OpenClipboard(hwnd))
        return out;
    if (HANDLE mem = GetClipboardData(CF_TEXT)) {
        const char* text = static_cast<const char*>(GlobalLock(HGLOBAL(mem)));
        if (text) {
            const size_t size = GlobalSize(HGLOBAL(mem));
            const size_t n = strnlen(text, size);
            out.assign(text, n);
            out.resize(std::min(out.find_first_of("\r\n"), out.size()));
        }
        GlobalUnlock(HGLOBAL(mem));
    }
    CloseClipboard();
    return out;
}

void moveCaret(HWND hwnd, EditState& st, size_t to, bool extend)
{
    st.pending.clear();
    st.caret = to;
    if (!extend)
        st.anchor = to;
    refresh(hwnd, st);
}

size_t wordLeft(const std::string& s, size_t pos)
{
    while (pos > 0 && !isWordChar((unsigned char)s[pos - 1]))
        pos = previousBoundary(s, pos);
    while (pos > 0 && isWordChar((unsigned char)s[pos - 1]))
        pos = previousBoundary(s, pos);
    return pos;
}

size_t wordRight(const std::string& s, size_t pos)
{
    while (pos < s.size() && isWordChar((unsigned char)s[pos]))
        pos = nextBoundary(s, pos);
    while (pos < s.size() && !isWordChar((unsigned char)s[pos]))
        pos = nextBoundary(s, pos);
    return pos;
}

void keyDown(HWND hwnd, EditState& st, WPARAM vk)
{
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    switch (vk) {
    case VK_LEFT:
        moveCaret(hwnd, st, ctrl ? wordLeft(st.text, st.caret) : previousBoundary(st.text, st.caret), shift);
        return;
    case VK_RIGHT:
        moveCaret(hwnd, st, ctrl ? wordRight(st.text, st.caret) : nextBoundary(st.text, st.caret), shift);
        return;
    case VK_HOME: moveCaret(hwnd, st, 0, shift); return;
    case VK_END: moveCaret(hwnd, st, st.text.size(), shift); return;
    case VK_DELETE:
        if (shift) {
            SendMessageA(hwnd, WM_CUT, 0, 0);
        } else if (!readOnly(hwnd)) {
            st.pending.clear();
            if (st.anchor == st.caret)
                st.caret = nextBoundary(st.text, st.caret);
            replaceSelection(hwnd, st, "");
        }
        return;
    case VK_INSERT:
        if (ctrl)
            SendMessageA(hwnd, WM_COPY, 0, 0);
        else if (shift)
            SendMessageA(hwnd, WM_PASTE, 0, 0);
        return;
    default: break;
    }
    if (!ctrl)
        return;
    switch (vk) {
    case 'A':
        st.anchor = 0;
        moveCaret(hwnd, st, st.text.size(), true);
        return;
    case 'C': SendMessageA(hwnd, WM_COPY, 0, 0); return;
    case 'X': SendMessageA(hwnd, WM_CUT, 0, 0); return;
    case 'V': SendMessageA(hwnd, WM_PASTE, 0, 0); return;
    default: return;
    }
}

// The boundary nearest to a client x.
size_t positionAt(HWND hwnd, const EditState& st, int x)
{
    MeasureDc dc(hwnd);
    const int target = x - kMargin + st.scroll;
    size_t best = 0;
    int bestDistance = std::abs(target);
    for (size_t at = nextBoundary(st.text, 0); at > best; at = nextBoundary(st.text, at)) {
        const int distance = std::abs(textWidth(dc.hdc(), shown(st, at)) - target);
        if (distance < bestDistance) {
            best = at;
            bestDistance = distance;
        }
        if (at == st.text.size())
            break;
    }
    return best;
}

void paint(HWND hwnd, HDC hdc)
{
    EditState* st = stateOf(hwnd);
    if (!st)
        return;
    const bool enabled = IsWindowEnabled(hwnd);
    HBRUSH brush = controlBrush(hwnd, readOnly(hwnd) || !enabled ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT, hdc);
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(hdc, &client, brush);
    if (!enabled)
        SetTextColor(hdc, GetSysColor(COLOR_GRAYTEXT));
    HGDIOBJ oldFont = SelectObject(hdc, controlFont(hwnd));
    const int oldMode = SetBkMode(hdc, TRANSPARENT);
    const int top = textTop(hwnd, hdc);
    const int left = kMargin - st->scroll;
    const std::string all = shown(*st, st->text.size());
    TextOutA(hdc, left, top, all.data(), int(all.size()));
    const bool showSelection = st->focused || (styleOf(hwnd) & ES_NOHIDESEL);
    if (showSelection && st->selStart() != st->selEnd()) {
        const std::string before = shown(*st, st->selStart());
        const std::string through = shown(*st, st->selEnd());
        const int x0 = left + textWidth(hdc, before);
        const int x1 = left + textWidth(hdc, through);
        const RECT sel{x0, top, x1, top + cellHeight(hdc)};
        FillRect(hdc, &sel, GetSysColorBrush(COLOR_HIGHLIGHT));
        const COLORREF oldText = SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        TextOutA(hdc, x0, top, through.data() + before.size(), int(through.size() - before.size()));
        SetTextColor(hdc, oldText);
    }
    SetBkMode(hdc, oldMode);
    SelectObject(hdc, oldFont);
}

LRESULT getSel(const EditState& st, WPARAM wParam, LPARAM lParam)
{
    if (auto* start = reinterpret_cast<DWORD*>(wParam))
        *start = DWORD(st.selStart());
    if (auto* end = reinterpret_cast<DWORD*>(lParam))
        *end = DWORD(st.selEnd());
    if (st.selEnd() > 0xFFFF)
        return -1;
    return LRESULT(DWORD(MAKELONG(st.selStart(), st.selEnd())));
}

void setSel(HWND hwnd, EditState& st, WPARAM wParam, LPARAM lParam)
{
    const int start = int(wParam);
    const int end = int(lParam);
    st.pending.clear();
    if (start == -1) {
        st.anchor = st.caret;
    } else {
        auto clamp = [&](int v) { return snapToBoundary(st.text, v < 0 ? st.text.size() : size_t(v)); };
        st.anchor = clamp(start);
        st.caret = clamp(end);
    }
    refresh(hwnd, st);
}

LRESULT editMessage(HWND hwnd, EditState& st, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SETTEXT:
        st.text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        st.anchor = st.caret = 0;
        st.pending.clear();
        st.scroll = 0;
        changed(hwnd, st);
        return TRUE;
    case WM_GETTEXT: {
        char* buffer = reinterpret_cast<char*>(lParam);
        if (!buffer || wParam == 0)
            return 0;
        const size_t n = std::min(st.text.size(), size_t(wParam) - 1);
        std::memcpy(buffer, st.text.data(), n);
        buffer[n] = '\0';
        return LRESULT(n);
    }
    case WM_GETTEXTLENGTH: return LRESULT(st.text.size());
    case WM_CHAR: typeByte(hwnd, st, (unsigned char)wParam); return 0;
    case WM_KEYDOWN: keyDown(hwnd, st, wParam); return 0;
    case WM_LBUTTONDOWN: {
        SetFocus(hwnd);
        const size_t at = positionAt(hwnd, st, GET_X_LPARAM(lParam));
        moveCaret(hwnd, st, at, (wParam & MK_SHIFT) != 0);
        st.dragging = true;
        SetCapture(hwnd);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (st.dragging)
            moveCaret(hwnd, st, positionAt(hwnd, st, GET_X_LPARAM(lParam)), true);
        return 0;
    case WM_LBUTTONUP:
        if (st.dragging && GetCapture() == hwnd)
            ReleaseCapture();
        st.dragging = false;
        return 0;
    case WM_CAPTURECHANGED: st.dragging = false; return 0;
    case WM_LBUTTONDBLCLK: {
        const size_t at = positionAt(hwnd, st, GET_X_LPARAM(lParam));
        st.anchor = wordLeft(st.text, std::min(nextBoundary(st.text, at), st.text.size()));
        if (at < st.text.size() && !isWordChar((unsigned char)st.text[at]))
            st.anchor = at;
        moveCaret(hwnd, st, wordRight(st.text, at), true);
        return 0;
    }
    case WM_SETFOCUS: {
        st.focused = true;
        MeasureDc dc(hwnd);
        CreateCaret(hwnd, nullptr, 1, cellHeight(dc.hdc()));
        placeCaret(hwnd, st);
        ShowCaret(hwnd);
        InvalidateRect(hwnd, nullptr, TRUE);
        notify(hwnd, EN_SETFOCUS);
        return 0;
    }
    case WM_KILLFOCUS:
        st.focused = false;
        st.pending.clear();
        st.scroll = 0; // a field left shows its text from the start
        DestroyCaret();
        InvalidateRect(hwnd, nullptr, TRUE);
        notify(hwnd, EN_KILLFOCUS);
        return 0;
    case EM_GETSEL: return getSel(st, wParam, lParam);
    case EM_SETSEL: setSel(hwnd, st, wParam, lParam); return 0;
    case EM_SCROLLCARET: refresh(hwnd, st); return TRUE;
    case EM_LIMITTEXT: st.limit = wParam == 0 ? kLargestLimit : std::min<size_t>(wParam, kLargestLimit); return 0;
    case EM_GETLIMITTEXT: return LRESULT(st.limit);
    case EM_SETPASSWORDCHAR:
        st.passwordChar = char(wParam);
        refresh(hwnd, st);
        return 0;
    case EM_GETPASSWORDCHAR: return LRESULT((unsigned char)st.passwordChar);
    case EM_SETREADONLY: {
        const DWORD style = styleOf(hwnd);
        SetWindowLongPtrA(hwnd, GWL_STYLE, LONG_PTR(wParam ? style | ES_READONLY : style & ~DWORD(ES_READONLY)));
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    }
    case WM_COPY: copySelection(hwnd, st); return 0;
    case WM_CUT:
        if (st.passwordChar) {
            MessageBeep(0);
        } else if (!readOnly(hwnd)) {
            copySelection(hwnd, st);
            replaceSelection(hwnd, st, "");
        }
        return 0;
    case WM_CLEAR:
        if (!readOnly(hwnd))
            replaceSelection(hwnd, st, "");
        return 0;
    case WM_PASTE:
        if (!readOnly(hwnd))
            replaceSelection(hwnd, st, clipboardLine(hwnd));
        return 0;
    case WM_GETDLGCODE: return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_ENABLE: InvalidateRect(hwnd, nullptr, TRUE); return 0;
    case WM_SIZE: refresh(hwnd, st); return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace

LRESULT CALLBACK editProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (fontMessage(hwnd, msg, wParam, lParam, result)) {
        if (msg == WM_SETFONT)
            if (EditState* st = stateOf(hwnd))
                refresh(hwnd, *st);
        return result;
    }
    if (msg == WM_NCCREATE) {
        auto* st = new EditState;
        auto cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName))
            st->text = cs->lpszName;
        if (cs && (cs->style & ES_PASSWORD))
            st->passwordChar = '*';
        SetWindowLongPtrA(hwnd, kStateSlot, LONG_PTR(st));
        return TRUE;
    }
    return runControl<EditState>(hwnd, msg, wParam, lParam, paint, editMessage);
}

} // namespace plat::controls
