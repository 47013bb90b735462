#include "guiMsEdit.h"

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
