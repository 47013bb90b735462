#pragma once

// The clipboard's text as the desktop exchanges it: the display back end (and the headless test
// face) puts another program's text there, or reads what this one copied.

#include <string>

namespace plat::input {

// As if another program copied text: the clipboard holds it as CF_TEXT and has no owner here.
void setClipboardTextFromDesktop(const std::string& text);
// The CF_TEXT text held now; empty without any.
std::string clipboardTextForDesktop();

} // namespace plat::input
