#include "guiMsEdit.h"
#include "guiToolTip.h"

template class TControlTemplate<CEdit>;

guiMsEdit::guiMsEdit() = default;
guiMsEdit::~guiMsEdit() = default;

int guiMsEdit::tcGetCreationStyle() { return WS_TABSTOP | ES_NOHIDESEL | ES_AUTOHSCROLL; }

BOOL guiMsEdit::PreCreateWindow(CREATESTRUCTA& cs)
{
    cs.dwExStyle |= WS_EX_CLIENTEDGE;
    layoutPreCreate(cs);
    return CEdit::PreCreateWindow(cs);
}

LRESULT guiMsEdit::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return wrapperWindowProc(msg, wParam, lParam, "guiMsEdit", __LINE__);
}

bool guiMsEdit::selection(int& start, int& end)
{
    const LRESULT answer = SendMessage(EM_GETSEL, 0, 0);
    if (static_cast<int32_t>(answer) == -1)
        return false;
    start = LOWORD(answer);
    end = HIWORD(answer);
    return true;
}

void guiMsEdit::select(int start, int end)
{
    SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end);
    SendMessage(EM_SCROLLCARET, 0, 0);
}

int guiMsEdit::tcGetSelStart()
{
    int start = 0;
    int end = 0;
    return selection(start, end) ? start : 0;
}

int guiMsEdit::tcGetSelLength()
{
    int start = 0;
    int end = 0;
    return selection(start, end) ? end - start : 0;
}

void guiMsEdit::tcSetSelStart(int start)
{
    select(start, start + tcGetSelLength());
}

void guiMsEdit::tcSetSelLength(int length)
{
    const int start = tcGetSelStart();
    select(start, start + length);
}

void guiMsEdit::tcSelClear() { SendMessage(WM_CLEAR, 0, 0); }
void guiMsEdit::tcSetMaxLength(int length) { SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(length), 0); }
int guiMsEdit::tcGetMaxLength() { return static_cast<int>(SendMessage(EM_GETLIMITTEXT, 0, 0)); }
bool guiMsEdit::tcIsTextProtected() { return (SendMessage(EM_GETPASSWORDCHAR, 0, 0) & 0xFF) != 0; }

bool guiMsEdit::tcOnCommand(UINT, LRESULT& result)
{
    if (!m_editCB.Call(*this))
        return false;
    result = 0;
    return true;
}

vbString guiMsEdit::tcNeedToolTip(const CPoint&, bool* track, int*)
{
    // The text may change while the mouse rests on it.
    if (track)
        *track = true;
    if (!GetSafeHwnd() || !(GetStyle() & ES_READONLY))
        return tcGetToolTip();
    const vbString text = tcGetText();
    CRect client;
    GetClientRect(&client);
    // Measured in the font the built-in edit draws with, which keeps a pixel of margin on each side.
    CClientDC dc(this);
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT, 0, 0));
    if (!font)
        font = GetStockObject(DEFAULT_GUI_FONT);
    const HGDIOBJ previous = ::SelectObject(dc.GetSafeHdc(), font);
    SIZE size{};
    ::GetTextExtentPoint32A(dc.GetSafeHdc(), text.c_str(), text.GetLength(), &size);
    ::SelectObject(dc.GetSafeHdc(), previous);
    return guiCutTextTip(text, size.cx, client.Width() - 2, tcGetToolTip());
}
