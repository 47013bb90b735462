#include "guiContainer.h"

#include "vbException.h"
#include "vbExceptionEngine.h"
#include "vbExceptionReport.h"
#include "vbMsg.h"

#include "plat/focus.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/paint.h"
#include "plat/window.h"

#include <cstdlib>
#include <string>

bool sIguiControler::ApplyAttrs(TControl*) { guiPurecall(); }
bool sIguiControler::GetPrintInfo(TControl*, const guiDrawInfo*, guiDrawInfo*, CDC*) { guiPurecall(); }
void sIguiLayoutHelper::PreCreateLayout(TControl*, CREATESTRUCTA&) { guiPurecall(); }
bool sIguiLayoutHelper::IsLayoutMovable() { guiPurecall(); }
bool sIguiLayoutHelper::IsLayoutSizable() { guiPurecall(); }
bool sIguiFilterMsg::FilterMsg(guiContainer*, TControl*, UINT&, WPARAM&, LPARAM&, LRESULT&) { guiPurecall(); }
bool sIguiEditState::IsInsertMode() { guiPurecall(); }
bool sIguiEditState::SetInsertMode(bool) { guiPurecall(); }
void sIguiFocused::OnCaretTaken(TControl*) { guiPurecall(); }
void sIguiFocused::OnControlDestroyed(TControl*) { guiPurecall(); }

guiApp* TControl::GetApp(bool must)
{
    if (guiContainer* container = tcGetContainer())
        return container->GetApp(must);
    if (must)
        throw new vbEsys(E_FAIL, "TControl::GetApp() : no application defined");
    return nullptr;
}

TControl::~TControl() = default;

HWND TControl::tcGetHwnd() { guiPurecall(); }
CWnd* TControl::tcGetWnd() { guiPurecall(); }
bool TControl::tcOnCommand(UINT, LRESULT&) { guiPurecall(); }
bool TControl::tcOnNotify(NMHDR*, LRESULT&) { guiPurecall(); }
void TControl::tcDestroy() { guiPurecall(); }
void TControl::tcOnDestroy() { guiPurecall(); }
guiRESIZECB& TControl::tcGetResizeCB() { guiPurecall(); }
guiMOUSECB& TControl::tcGetMouseMoveCB() { guiPurecall(); }
guiMOUSECB& TControl::tcGetMouseDownCB() { guiPurecall(); }
guiMOUSECB& TControl::tcGetMouseUpCB() { guiPurecall(); }
guiMOUSECB& TControl::tcGetMouseDblClkCB() { guiPurecall(); }
guiFOCUSCB& TControl::tcGetFocusCB() { guiPurecall(); }
guiKEYCB& TControl::tcGetKeyDownCB() { guiPurecall(); }
guiKEYCB& TControl::tcGetKeyUpCB() { guiPurecall(); }
guiKEYCB& TControl::tcGetCharCB() { guiPurecall(); }
guiMOUSEOVERCB& TControl::tcGetMouseOverCB() { guiPurecall(); }
guiMOUSEOVERCB& TControl::tcGetMouseOutCB() { guiPurecall(); }
guiCLRATTRCB& TControl::tcGetClrAttrCB() { guiPurecall(); }
CWnd* TControl::tcSetCapture() { guiPurecall(); }
void TControl::tcReleaseCapture() { guiPurecall(); }
void TControl::tcRestoreFocus() { guiPurecall(); }
void TControl::tcOnSelLoosed(TControl*) { guiPurecall(); }
void TControl::tcOnCaretLoosed(TControl*) { guiPurecall(); }
void TControl::tcOnCaretUpdated() { guiPurecall(); }
void TControl::tcSetMouseCursor(const guiCursor*, bool) { guiPurecall(); }
const guiCursor* TControl::tcGetMouseCursor() { guiPurecall(); }
guiCursor& TControl::tcGetCursor() { guiPurecall(); }
void TControl::tcUpdateMouseCursor() { guiPurecall(); }
void TControl::tcOnMouseOver() { guiPurecall(); }
void TControl::tcOnMouseOut() { guiPurecall(); }
sIguiLayoutHelper* TControl::tcGetLayoutHelper() { guiPurecall(); }
void TControl::tcSetLayoutHelper(sIguiLayoutHelper*) { guiPurecall(); }
void TControl::tcClear() { guiPurecall(); }
void TControl::tcSetToolTip(const vbString&, bool) { guiPurecall(); }
vbString TControl::tcGetToolTip() { guiPurecall(); }
void TControl::tcSetValueB(int) { guiPurecall(); }
int TControl::tcGetValueC() { guiPurecall(); }
void TControl::tcSetValueC(int) { guiPurecall(); }
void TControl::tcSetCaption(const vbString&) { guiPurecall(); }
vbString TControl::tcGetCaption() { guiPurecall(); }
void TControl::tcSetText(const vbString&) { guiPurecall(); }
vbString TControl::tcGetText() { guiPurecall(); }
int TControl::tcGetValue() { guiPurecall(); }
void TControl::tcSetValue(int) { guiPurecall(); }
void TControl::tcSetMaxLength(int) { guiPurecall(); }
int TControl::tcGetMaxLength() { guiPurecall(); }
void TControl::tcSetSelStart(int) { guiPurecall(); }
void TControl::tcSetSelLength(int) { guiPurecall(); }
int TControl::tcGetSelStart() { guiPurecall(); }
int TControl::tcGetSelLength() { guiPurecall(); }
void TControl::tcSelClear() { guiPurecall(); }
vbString TControl::tcGetSelText() { guiPurecall(); }
void TControl::tcSetSelText(const vbString&) { guiPurecall(); }
void TControl::tcSelAll() { guiPurecall(); }
void TControl::tcSetWidth(double) { guiPurecall(); }
double TControl::tcGetWidth() { guiPurecall(); }
void TControl::tcSetHeight(double) { guiPurecall(); }
double TControl::tcGetHeight() { guiPurecall(); }
void TControl::tcSetTop(double) { guiPurecall(); }
double TControl::tcGetTop() { guiPurecall(); }
void TControl::tcSetLeft(double) { guiPurecall(); }
double TControl::tcGetLeft() { guiPurecall(); }
void TControl::tcSetWindowPos(int, int, int, int, UINT) { guiPurecall(); }
CRect& TControl::tcGetRect(CRect&, bool) { guiPurecall(); }
void TControl::tcSpare1(DWORD) { guiPurecall(); }
bool TControl::tcSpare2() { guiPurecall(); }
void TControl::tcSetVisible(bool) { guiPurecall(); }
bool TControl::tcGetVisible() { guiPurecall(); }
void TControl::tcSetEnabled(bool) { guiPurecall(); }
bool TControl::tcGetEnabled() { guiPurecall(); }
void TControl::tcBringToTop() { guiPurecall(); }
void TControl::tcSetBackColor(const vbColor&) { guiPurecall(); }
void TControl::tcSetBackColor(DWORD) { guiPurecall(); }
const vbColor& TControl::tcGetBackColor() { guiPurecall(); }
void TControl::tcSetTextColor(const vbColor&) { guiPurecall(); }
void TControl::tcSetTextColor(DWORD) { guiPurecall(); }
const vbColor& TControl::tcGetTextColor() { guiPurecall(); }
bool TControl::tcHasDefaultColors() { guiPurecall(); }
void TControl::tcSetBorderStyle(guiBorderStyle) { guiPurecall(); }
guiBorderStyle TControl::tcGetBorderStyle() { guiPurecall(); }
void TControl::tcSetAppearStyle(guiAppearStyle) { guiPurecall(); }
guiAppearStyle TControl::tcGetAppearStyle() { guiPurecall(); }
guiFont& TControl::tcGetFont() { guiPurecall(); }
guiSurface& TControl::tcGetBackSurface() { guiPurecall(); }
void TControl::tcSetContainer(guiContainer*) { guiPurecall(); }
guiContainer* TControl::tcGetContainer() { guiPurecall(); }
const guiContainer* TControl::tcGetContainer() const { guiPurecall(); }
void TControl::tcSetControler(sIguiControler*) { guiPurecall(); }
sIguiControler* TControl::tcGetControler() { guiPurecall(); }
void TControl::tcSetHelper(sIvbBase*) { guiPurecall(); }
sIvbBase* TControl::tcGetHelper() { guiPurecall(); }
vbString TControl::tcGetString2() { guiPurecall(); }
void TControl::tcSetString2(const vbString&) { guiPurecall(); }
int TControl::tcGetValueA() { guiPurecall(); }
void TControl::tcSetValueA(int) { guiPurecall(); }
void TControl::tcSetClrAttr(int) { guiPurecall(); }
void TControl::tcSetValueF(int) { guiPurecall(); }
void TControl::tcSetValueG(int) { guiPurecall(); }
void TControl::tcSetValueD(int) { guiPurecall(); }
void TControl::tcSetValueE(int) { guiPurecall(); }
void TControl::tcSetValueH(int) { guiPurecall(); }
void TControl::tcSetValueI(int) { guiPurecall(); }
double TControl::tcGetReal() { guiPurecall(); }
void TControl::tcSetReal(double) { guiPurecall(); }
void TControl::tcSetValueJ(int) { guiPurecall(); }
int TControl::tcGetValueJ() { guiPurecall(); }
int TControl::tcGetClrAttr() { guiPurecall(); }
int TControl::tcGetValueF() { guiPurecall(); }
int TControl::tcGetValueG() { guiPurecall(); }
int TControl::tcGetValueD() { guiPurecall(); }
int TControl::tcGetValueE() { guiPurecall(); }
int TControl::tcGetValueH() { guiPurecall(); }
int TControl::tcGetValueI() { guiPurecall(); }
bool TControl::tcApplyAttrs() { guiPurecall(); }
void TControl::tcApplyClrAttr(bool) { guiPurecall(); }
void TControl::tcSetPicture(const guiPicture&) { guiPurecall(); }
guiPicture TControl::tcGetPicture() { guiPurecall(); }
bool TControl::tcIsTextProtected() { guiPurecall(); }
void TControl::tcSetFocus() { guiPurecall(); }
void TControl::tcPrint(guiDrawInfo*, CDC*, bool) { guiPurecall(); }
void TControl::tcPrintChildren(guiDrawInfo*, CDC&, bool) { guiPurecall(); }
CRect TControl::tcGetClientRect() { guiPurecall(); }
bool TControl::tcClipFrame(guiDrawInfo*, CDC*, bool) { guiPurecall(); }
void TControl::tcGetPrintInfo(const guiDrawInfo*, guiDrawInfo*, CDC*) { guiPurecall(); }
guiPRINTINFOCB& TControl::tcGetPrintInfoCB() { guiPurecall(); }
DWORD TControl::tcGetStyle() { guiPurecall(); }
bool TControl::tcIsLayoutMovable() { guiPurecall(); }
bool TControl::tcIsLayoutSizable() { guiPurecall(); }
int TControl::tcGetHitCode() { guiPurecall(); }
void TControl::tcSetHitCode(int) { guiPurecall(); }
int TControl::tcGetCursorHitCode() { guiPurecall(); }
void TControl::tcSetCursorHitCode(int) { guiPurecall(); }
vbString TControl::tcNeedToolTip(const CPoint&, bool*, int*) { guiPurecall(); }
bool TControl::tcHasToolTip() { guiPurecall(); }
void TControl::tcSetVoidChar(char) { guiPurecall(); }
bool TControl::tcIsAppActive() { guiPurecall(); }
bool TControl::tcIsAppFocused() { guiPurecall(); }
bool TControl::tcHasFocus() { guiPurecall(); }
guiKeyCtx TControl::tcGetKeyCtx() { guiPurecall(); }
DWORD TControl::tcGetKeyState(int) { guiPurecall(); }
void TControl::tcSetModified(bool) { guiPurecall(); }
bool TControl::tcGetModified() { guiPurecall(); }
bool TControl::tcIsMouseToTrack() { guiPurecall(); }
