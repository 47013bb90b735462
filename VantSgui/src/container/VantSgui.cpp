// This library's module and its static objects, in the order they must be built.

#include "guiBase.h"
#include "guiButton.h"
#include "guiEdit.h"
#include "guiCursor.h"
#include "guiGlobal.h"
#include "guiMsImg32.h"
#include "guiPopupTreeCtrl.h"
#include "guiProgress.h"
#include "guiTreeCtrl.h"

#include "vbVantLib.h"

vbColorType g_guiClrFrameDark("CtrlFrameDark", "Control frame, dark color", "Control frame colors", 0x80000015);
vbColorType g_guiClrFrame("CtrlFrame", "Control frame, normal color", "Control frame colors", 0x80000010);
vbColorType g_guiClrFrameClear("CtrlFrameClear", "Control frame, clear color", "Control frame colors", 0x80000016);
vbColorType g_guiClrFrameLight("CtrlFrameLight", "Control frame, light color", "Control frame colors", 0x80000014);
vbColorType g_guiClrFrameFlat("CtrlFrameFlat", "Control frame, flat border color", "Control frame colors", 0x80000006);
vbColorType g_guiClrTextGray("TextGray", "Disabled text color", "Text colors", 0x80000010);
vbColorType g_guiClrTextGrayShadow("TextGrayShadow", "Disabled text shadow color", "Text colors", 0x80000014);

// The system's cursors, loaded at the first request of their handles.
guiCursor guiCursor_Arrow(32512u);
guiCursor guiCursor_Text(32513u);
guiCursor guiCursor_Wait(32514u);
guiCursor guiCursor_Move(32646u);
guiCursor guiCursor_No(32648u);
guiCursor guiCursor_AppStarting(32650u);
guiCursor guiCursor_Help(32651u);

// The timers' lock before the shared timer, which takes it when it goes.
CCriticalSection guiTimer::s_Sect;
guiTimer g_guiTimer(0);

guiMsImg32 g_guiMsImg32("KVX Vantrel MSimg32 Engine", vbEngineDeps());

vbWinClass guiButton::s_Class("KVX Vantrel guiButton", 0x8B, DefWindowProcA, vbEngineDeps());
vbWinClass guiEdit::s_Class("KVX Vantrel guiEdit", 0x8B, DefWindowProcA, vbEngineDeps());
vbWinClass guiProgress::s_Class("KVX Vantrel guiProgress", 0x83, DefWindowProcA, vbEngineDeps());
vbWinClass guiPopupTreeCtrl::s_Class("KVX Vantrel guiPopupTreeCtrl", 0x2B, DefWindowProcA, vbEngineDeps());
vbWinClass guiTreeCtrl::s_Class("KVX Vantrel guiTreeCtrl", 0x2B, DefWindowProcA, vbEngineDeps());

namespace {
// Registers the library when it is loaded and lets it go when it is unloaded.
vbVantLibEntry g_libraryEntry("VantSgui", "5");
} // namespace
