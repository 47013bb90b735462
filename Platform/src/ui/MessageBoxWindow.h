#pragma once

// The message box as a window of the calling thread: the text over a row of Windows' buttons for
// the MB_ type, run modally over its owner. It owns the keyboard while it is up: the focus starts
// on the default button, Tab and the arrows move it, Return presses the focused button, Escape
// answers Cancel (No in a yes/no box), and the focus goes back where it was when it ends.

#include "plat/types.h"

namespace plat::ui {

// The button's id; without a button pressed (a quit ended the loop), the one Escape presses,
// else the default one.
int runMessageBoxWindow(HWND owner, const char* text, const char* caption, UINT type);

} // namespace plat::ui
