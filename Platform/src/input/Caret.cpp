// The thread's caret: its owner, shape, place, hide count and blink phase.

#include "input/Caret.h"
#include "input/Input.h"

#include "plat/caret.h"
#include "plat/errors.h"
#include "plat/sysmetrics.h"
#include "ui/Display.h"
#include "ui/UiCore.h"

namespace plat::input {

namespace {

constexpr UINT kBlinkMs = 530;

CaretState& threadCaret()
{
    thread_local CaretState caret;
    return caret;
}

// The caret when hwnd (null: any window) may act on it; else null with the last error set.
CaretState* caretFor(HWND hwnd)
{
    CaretState& caret = threadCaret();
    if (!caret.owner || (hwnd && hwnd != caret.owner)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return &caret;
}

} // namespace

const CaretState& currentCaret() { return threadCaret(); }

bool caretShownNow(const CaretState& caret, uint64_t now)
{
    return caret.owner && caret.hideCount == 0 && ((now - caret.blinkStart) / kBlinkMs) % 2 == 0;
}

void caretWindowGone(HWND root)
{
    const HWND owner = threadCaret().owner;
    if (isWithin(owner, root)) {
        threadCaret() = CaretState{};
        ui::display().caretChanged(owner);
    }
}

} // namespace plat::input

using namespace plat;
using namespace plat::input;

BOOL CreateCaret(HWND hWnd, HBITMAP hBitmap, int nWidth, int nHeight)
{
    auto w = ui::findWindow(hWnd);
    if (!w)
        return FALSE;
    if (w->threadId != ui::currentQueue().threadId) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    CaretState caret;
    caret.owner = hWnd;
    caret.bitmap = hBitmap;
    caret.size = SIZE{nWidth ? nWidth : GetSystemMetrics(SM_CXBORDER), nHeight ? nHeight : GetSystemMetrics(SM_CYBORDER)};
    caret.blinkStart = ui::nowMs();
    const HWND previous = threadCaret().owner;
    threadCaret() = caret;
    if (previous && previous != hWnd)
        ui::display().caretChanged(previous);
    ui::display().caretChanged(hWnd);
    return TRUE;
}

BOOL DestroyCaret()
{
    CaretState* caret = caretFor(nullptr);
    if (!caret)
        return FALSE;
    const HWND owner = caret->owner;
    *caret = CaretState{};
    ui::display().caretChanged(owner);
    return TRUE;
}

BOOL SetCaretPos(int X, int Y)
{
    CaretState* caret = caretFor(nullptr);
    if (!caret)
        return FALSE;
    caret->pos = POINT{X, Y};
    caret->blinkStart = ui::nowMs();
    ui::display().caretChanged(caret->owner);
    return TRUE;
}

BOOL GetCaretPos(LPPOINT lpPoint)
{
    CaretState* caret = caretFor(nullptr);
    if (!caret || !lpPoint)
        return FALSE;
    *lpPoint = caret->pos;
    return TRUE;
}

BOOL HideCaret(HWND hWnd)
{
    CaretState* caret = caretFor(hWnd);
    if (!caret)
        return FALSE;
    if (caret->hideCount++ == 0)
        ui::display().caretChanged(caret->owner);
    return TRUE;
}

BOOL ShowCaret(HWND hWnd)
{
    CaretState* caret = caretFor(hWnd);
    if (!caret)
        return FALSE;
    if (caret->hideCount > 0 && --caret->hideCount == 0) {
        caret->blinkStart = ui::nowMs();
        ui::display().caretChanged(caret->owner);
    }
    return TRUE;
}

UINT GetCaretBlinkTime() { return kBlinkMs; }
