// The message box as a dialog of built-in controls, laid out from its text and buttons.

#include "MessageBoxWindow.h"

#include "input/Input.h"
#include "sdl/SdlMessageBox.h"

#include "plat/controls.h"
#include "plat/cursor.h"
#include "plat/dialog.h"
#include "plat/focus.h"
#include "plat/gdi.h"
#include "plat/msgbox.h"
#include "plat/sysmetrics.h"
#include "plat/window.h"

#include <algorithm>
#include <string>

namespace plat::ui {

namespace {

class MessageBoxWindow {
public:
    MessageBoxWindow(const char* text, const char* caption, UINT type)
        : m_text(text ? text : ""), m_caption(caption ? caption : "Error"), m_icon(iconOf(type)),
          m_layout(sdl::messageBoxLayout(type))
    {
    }

    int run(HWND owner);

private:
    static HICON iconOf(UINT type);
    static INT_PTR CALLBACK dialogProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam);

    void create(HWND hDlg);
    SIZE measureText(HFONT font, int widest) const;
    void fit(HWND hDlg, SIZE client);
    void command(HWND hDlg, int id);
    int unanswered() const { return m_layout.escapeId ? m_layout.escapeId : m_layout.returnId; }

    std::string m_text;
    std::string m_caption;
    HICON m_icon;
    sdl::MessageBoxLayout m_layout;
    bool m_shown = false;
};

int MessageBoxWindow::run(HWND owner)
{
    const HWND focus = GetFocus();
    // The controls are made in WM_INITDIALOG, sized from the text and the dialog's font.
    struct {
        DLGTEMPLATE header;
        WORD menuClassCaption[3];
    } tmpl{};
    tmpl.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
    tmpl.header.cx = 100;
    tmpl.header.cy = 40;
    const INT_PTR pressed = DialogBoxIndirectParamA(nullptr, &tmpl.header, owner, dialogProc, LPARAM(this));
    if (focus && IsWindow(focus) && IsWindowVisible(focus))
        SetFocus(focus);
    return pressed > 0 ? int(pressed) : unanswered();
}

// The system's icon for the MB_ICON type; null for none.
HICON MessageBoxWindow::iconOf(UINT type)
{
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND: return LoadIconA(nullptr, IDI_HAND);
    case MB_ICONQUESTION: return LoadIconA(nullptr, IDI_QUESTION);
    case MB_ICONEXCLAMATION: return LoadIconA(nullptr, IDI_EXCLAMATION);
    case MB_ICONASTERISK: return LoadIconA(nullptr, IDI_ASTERISK);
    default: return nullptr;
    }
}

INT_PTR CALLBACK MessageBoxWindow::dialogProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<MessageBoxWindow*>(lParam);
        SetWindowLongPtrA(hDlg, DWLP_USER, LONG_PTR(self));
        self->create(hDlg);
        return FALSE; // the focus goes to the default button on activation
    }
    auto* self = reinterpret_cast<MessageBoxWindow*>(GetWindowLongPtrA(hDlg, DWLP_USER));
    if (!self)
        return FALSE;
    if (msg == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE && !self->m_shown) {
        // The first activation starts on the default button, not on the first one.
        self->m_shown = true;
        SetFocus(GetDlgItem(hDlg, self->m_layout.returnId));
        return TRUE;
    }
    if (msg != WM_COMMAND)
        return FALSE;
    self->command(hDlg, LOWORD(wParam));
    return TRUE;
}

// Escape and the window's close come as IDCANCEL, whether or not the box has a Cancel button.
void MessageBoxWindow::command(HWND hDlg, int id)
{
    if (id == IDCANCEL) {
        if (m_layout.escapeId)
            EndDialog(hDlg, m_layout.escapeId);
        return;
    }
    for (const sdl::MessageBoxButton& b : m_layout.buttons)
        if (b.id == id)
            EndDialog(hDlg, id);
}

SIZE MessageBoxWindow::measureText(HFONT font, int widest) const
{
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, widest, 0};
    DrawTextA(dc, m_text.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteDC(dc);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void MessageBoxWindow::create(HWND hDlg)
{
    SetWindowTextA(hDlg, m_caption.c_str());
    const HFONT font = HFONT(SendMessageA(hDlg, WM_GETFONT, 0, 0));
    // Margin, button size and the gap between buttons in dialog units, as Windows' own box.
    RECT units{7, 7, 50 + 7, 14 + 7};
    MapDialogRect(hDlg, &units);
    const int marginX = units.left, marginY = units.top;
    const int buttonW = units.right - units.left, buttonH = units.bottom - units.top;
    const int gap = marginX / 2 + 1;
    const int count = int(m_layout.buttons.size());
    const int row = count * buttonW + (count - 1) * gap;

    // The icon, when there is one, stands left of the text, which is centred on it when shorter.
    const SIZE icon = m_icon ? SIZE{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)} : SIZE{0, 0};
    const int textLeft = marginX + (m_icon ? icon.cx + marginX : 0);
    const SIZE text = measureText(font, std::max(row, GetSystemMetrics(SM_CXSCREEN) / 2));
    const int body = std::max(text.cy, icon.cy);
    const SIZE client{
        std::max(textLeft + text.cx, row + marginX) + marginX, marginY + body + marginY + buttonH + marginY};
    const auto make = [&](int id, LPCSTR cls, LPCSTR label, DWORD style, int x, int y, int w, int h) {
        HWND c = CreateWindowExA(0, cls, label, WS_CHILD | WS_VISIBLE | style, x, y, w, h, hDlg,
            reinterpret_cast<HMENU>(INT_PTR(id)), nullptr, nullptr);
        SendMessageA(c, WM_SETFONT, WPARAM(font), FALSE);
        return c;
    };
    if (m_icon) {
        HWND picture = make(-1, "Static", "", SS_ICON, marginX, marginY, icon.cx, icon.cy);
        SendMessageA(picture, STM_SETICON, WPARAM(m_icon), 0);
    }
    make(-1, "Static", m_text.c_str(), SS_LEFT | SS_NOPREFIX | WS_GROUP, textLeft, marginY + (body - text.cy) / 2,
        text.cx, text.cy);
    // The buttons are one group, so that the arrows move among them and never onto the text.
    int x = (client.cx - row) / 2;
    const int y = client.cy - marginY - buttonH;
    for (size_t i = 0; i < m_layout.buttons.size(); ++i) {
        const sdl::MessageBoxButton& b = m_layout.buttons[i];
        const bool isDefault = b.id == m_layout.returnId;
        const DWORD style = WS_TABSTOP | (i == 0 ? WS_GROUP : 0) | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        make(b.id, "Button", b.label, style, x, y, buttonW, buttonH);
        x += buttonW + gap;
    }
    SendMessageA(hDlg, DM_SETDEFID, WPARAM(m_layout.returnId), 0);
    fit(hDlg, client);
}

// The client size asked for; the dialog centres the box over its owner once it is made.
void MessageBoxWindow::fit(HWND hDlg, SIZE client)
{
    RECT window, inside;
    GetWindowRect(hDlg, &window);
    GetClientRect(hDlg, &inside);
    const int w = client.cx + (window.right - window.left) - inside.right;
    const int h = client.cy + (window.bottom - window.top) - inside.bottom;
    SetWindowPos(hDlg, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

int runMessageBoxWindow(HWND owner, const char* text, const char* caption, UINT type)
{
    const HWND top = input::topLevelOf(owner ? owner : GetActiveWindow());
    return MessageBoxWindow(text, caption, type).run(top);
}

} // namespace plat::ui
