#pragma once

// The calling thread's caret, for the display that shows it.

#include "plat/geometry.h"
#include "plat/types.h"

#include <cstdint>

namespace plat::input {

struct CaretState {
    HWND owner = nullptr; // null: no caret
    HBITMAP bitmap = nullptr;
    SIZE size{};
    POINT pos{}; // in the owner's client coordinates
    int hideCount = 1; // born hidden
    uint64_t blinkStart = 0; // when the current "on" phase began
};

const CaretState& currentCaret();
// Whether the caret is shown (not hidden) and in the "on" phase of its blink at now.
bool caretShownNow(const CaretState& caret, uint64_t now);

} // namespace plat::input
