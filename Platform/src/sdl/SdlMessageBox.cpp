// Message boxes on the desktop through SDL's own (it opens a display connection of its own, so
// any thread can show one).

#include "sdl/SdlMessageBox.h"

#include "plat/msgbox.h"

#include <SDL.h>

namespace plat::sdl {

MessageBoxLayout messageBoxLayout(UINT type)
{
    static const MessageBoxButton ok{IDOK, "OK"}, cancel{IDCANCEL, "Cancel"}, abort{IDABORT, "Abort"},
        retry{IDRETRY, "Retry"}, ignore{IDIGNORE, "Ignore"}, yes{IDYES, "Yes"}, no{IDNO, "No"},
        tryAgain{IDTRYAGAIN, "Try Again"}, cont{IDCONTINUE, "Continue"};
    MessageBoxLayout layout;
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: layout.buttons = {ok, cancel}; break;
    case MB_ABORTRETRYIGNORE: layout.buttons = {abort, retry, ignore}; break;
    case MB_YESNOCANCEL: layout.buttons = {yes, no, cancel}; break;
    case MB_YESNO: layout.buttons = {yes, no}; break;
    case MB_RETRYCANCEL: layout.buttons = {retry, cancel}; break;
    case MB_CANCELTRYCONTINUE: layout.buttons = {cancel, tryAgain, cont}; break;
    default: layout.buttons = {ok}; break;
    }
    const size_t chosen = (type & MB_DEFMASK) >> 8;
    layout.returnId = layout.buttons[chosen < layout.buttons.size() ? chosen : 0].id;
    layout.escapeId = 0;
    for (int wanted : {IDCANCEL, IDNO})
        for (const MessageBoxButton& b : layout.buttons)
            if (!layout.escapeId && b.id == wanted)
                layout.escapeId = wanted;
    if (!layout.escapeId && layout.buttons.size() == 1)
        layout.escapeId = layout.buttons[0].id;
    return layout;
}

std::string wrapForMessageBox(const std::string& text, size_t columns)
{
    std::string wrapped = text;
    size_t lineStart = 0;
    size_t lastSpace = std::string::npos;
    for (size_t i = 0; i < wrapped.size(); ++i) {
        if (wrapped[i] == '\n') {
            lineStart = i + 1;
            lastSpace = std::string::npos;
        } else if (i - lineStart >= columns && lastSpace != std::string::npos) {
            wrapped[lastSpace] = '\n';
            lineStart = lastSpace + 1;
            lastSpace = std::string::npos;
        }
        if (wrapped[i] == ' ' && i >= lineStart)
            lastSpace = i;
    }
    return wrapped;
}

int showMessageBox(const char* text, const char* caption, UINT type)
{
    const MessageBoxLayout layout = messageBoxLayout(type);
    std::vector<SDL_MessageBoxButtonData> buttons;
    for (const MessageBoxButton& b : layout.buttons) {
        Uint32 flags = 0;
        if (b.id == layout.returnId)
            flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
        if (b.id == layout.escapeId)
            flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        buttons.push_back(SDL_MessageBoxButtonData{flags, b.id, b.label});
    }
    const UINT icon = type & MB_ICONMASK;
    SDL_MessageBoxData data{};
    data.flags = icon == MB_ICONHAND ? SDL_MESSAGEBOX_ERROR
        : icon == MB_ICONEXCLAMATION ? SDL_MESSAGEBOX_WARNING
                                     : SDL_MESSAGEBOX_INFORMATION;
    data.title = caption ? caption : "Error";
    // As wide as the program's own box lets its lines grow.
    const std::string message = wrapForMessageBox(text ? text : "", 90);
    data.message = message.c_str();
    data.numbuttons = int(buttons.size());
    data.buttons = buttons.data();
    int pressed = -1;
    if (SDL_ShowMessageBox(&data, &pressed) != 0)
        return 0;
    // Closed without a button: as Escape would, or the default where Escape presses none.
    return pressed > 0 ? pressed : layout.escapeId ? layout.escapeId : layout.returnId;
}

} // namespace plat::sdl
