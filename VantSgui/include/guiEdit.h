#pragma once

// The framework's own single-line edit field: it draws its text itself, keeps its own caret,
// selection and insert/overwrite state, and can be chained with other guiEdit fields so that
// several fixed-width boxes behave as one long text.
//
// The text is UTF-8; positions, lengths and the maximum length count bytes (position p stands
// before byte p, 1-based), but no edit ever splits a character's byte sequence. Bytes that do not
// form a valid sequence each count as one character.

#include "guiContainer.h"
#include "guiGlobal.h"

#include "vbWinClass.h"

#include <string>
#include <vector>

class GUIAPI guiEdit : public TControlTemplate<guiCtrl> {
public:
    static vbWinClass s_Class;

    guiEdit();
    ~guiEdit() override;

    // Modes.
    void SetPasswordChar(char c);
    void SetUpper(bool upper);
    void SetReadOnly(bool readOnly) { m_bReadOnly = readOnly; }
    bool IsReadOnly();
    bool IsInsertMode();
    void SetEditState(sIguiEditState* state) { m_pEditState = state; }
    void SetFocused(sIguiFocused* focused) { m_pFocused = focused; }
    void SetCursorFact(int factor) { m_cursorFact = factor > 0 ? factor : 2; }
    void SetLinkArg(int value) { m_linkArg = value; }
    int GetLinkArg() const { return m_linkArg; }
    void SetFocusColStart(int column) { m_focusCol = column; }
    bool HasCaret() const { return m_bHasCaret; }

    // Callbacks.
    guiEDITtextCB& OnTextChangeCB() { return m_textCB; }
    guiEDITfieldCB& OnNextFieldCB() { return m_fieldCB; }
    guiEDITcursorCB& OnCursorMoveCB() { return m_cursorCB; }
    void SetPopupCb(const guiEDITpopupCB& cb);
    void SetPopupMouseCursor(const guiCursor* cursor, bool refresh);
    void SetPopupToolTipText(const vbString& text) { m_popupTip = text; }
    vbString GetPopupToolTipText() const { return m_popupTip; }

    // Blink.
    const vbColor& GetBlinkForeColor() const { return m_blinkFore; }
    void SetBlinkForeColor(const vbColor& color);
    guiSurface& GetBlinkBack() { return m_blinkBack; }

    // Clipboard.
    void Copy();
    void Cut();
    void Paste();

    // Chains.
    void LinkNextEdit(guiEdit* next);
    void UnlinkEdit();
    bool IsMasterEdit() const { return m_pPrev == nullptr; }
    bool IsSlaveEdit() const { return m_pPrev != nullptr; }
    bool HasSlaveEdits() const { return m_pNext != nullptr; }
    guiEdit* GetMasterEdit();
    vbString GetLinkedText();
    void SetLinkedText(const vbString& text);
    vbString GetRelLinkedText(int from, int to);
    int GetLinkedMaxLength();
    int GetLinkedMaxLengthOrig();
    bool GetLinkedModified();
    void SetLinkedModified(bool modified);

    // Caret movement.
    void GoHome(bool shift, bool hadSelection);
    void GoEnd(bool shift, bool hadSelection);

    // Template operations.
    void tcSetText(const vbString& text) override;
    vbString tcGetText() override { return vbString(m_text.c_str()); }
    void tcSetCaption(const vbString& text) override { tcSetText(text); }
    void tcPrintClient(guiDrawInfo* info, CDC* dc, bool erase) override;
    void tcOnMouseOver() override { m_bMouseOver = true; }
    void tcOnMouseOut() override;
    void tcSetMouseCursor(const guiCursor* cursor, bool refresh) override;
    vbString tcNeedToolTip(const CPoint& point, bool* track, int* area) override;
    bool tcHasToolTip() override { return !m_bHasCaret; }
    void tcSetModified(bool modified) override { m_bModified = modified; }
    bool tcGetModified() override { return m_bModified; }
    bool tcIsTextProtected() override { return m_passwordChar != 0; }
    void tcSetVoidChar(char c) override;
    void tcSetMaxLength(int length) override;
    int tcGetMaxLength() override { return m_maxLength; }
    void tcSetSelStart(int start) override;
    void tcSetSelLength(int length) override;
    int tcGetSelStart() override;
    int tcGetSelLength() override;
    void tcSelClear() override;
    void tcSelAll() override;
    vbString tcGetSelText() override;
    void tcSetSelText(const vbString&) override { }
    void tcOnCaretUpdated() override;
    void tcOnCaretLoosed(TControl* control) override;
    void tcRestoreFocus() override;
    void tcOnDestroy() override;
    void onFontChanged(guiFont* font) override;
    void onSurfaceChanged(guiSurface* surface) override;

    void ClientPrint(guiDrawInfo* info, CDC* dc) override { ClientPrint(info, dc, nullptr); }
    void ClientPrint(guiDrawInfo* info, CDC* dc, const CRect* clip);

    // For tests and owners reading the state.
    int GetCaretPos() const { return m_caret; }
    int GetSelAnchor() const { return m_selAnchor; }
    int GetSelEnd() const { return m_selEnd; }

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    bool onWindowProc(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result) override;

    void correctSel();
    void correctPos();
    void calcCharPos(CDC* dc);
    int getTextPos(int x);
    void refreshCaretPos(CDC* dc, bool show);
    int caretRightLimit() const;
    void hideCaret();
    void setCaret();
    void setOvrCaret();
    void setInsCaret();
    void toggleCaretMode();

    // Text primitives; positions below 1 do nothing. s is one or more whole characters.
    bool relSetCh(int pos, const std::string& s);
    void relInsertStr(int pos, const std::string& s);
    void relDeleteStr(int pos, int count);
    // Chain aware: characters cross field boundaries so that the chain acts as one text.
    bool relInsertCh(int pos, const std::string& s, bool notify);
    // room: the most bytes the caller can take back (a call from the previous field).
    bool relDeleteCh(int pos, std::string* removed, int room = 0);

private:
    void invalidatePositions();
    void repaint(bool erase);
    void fireText();
    bool hasSelection() const { return m_selAnchor >= 1 && m_selAnchor != m_selEnd; }
    int limit() const;
    int seqLen(int pos) const;
    int prevPos(int pos) const;
    int nextPos(int pos) const;
    void selOnCtrl();
    void placeCaret();
    void deleteSelection();
    bool fieldCall(bool shift, int key, int character);
    void beep();
    bool shiftDown();
    void startShiftSel(bool shift);
    void moveTail(bool shift, bool hadSelection);
    void editTail();
    void takeFocus(int column);
    guiEdit* lastEdit();

    void onChar(unsigned char byte);
    void typeChar(const std::string& s);
    void onKeyDown(UINT key);
    void onSetFocus();
    void onKillFocus();
    void onLButtonDown(const CPoint& point);
    void onMouseMove(const CPoint& point, bool buttonDown);
    void onLButtonUp();
    void updateBlink();
    void shapeCaret(bool overwrite, bool create);
    std::string displayed() const;
    // The measured x of a 1-based position, clamped to the measured ones.
    int charPos(int pos) const;
    int boundaryAtOrBefore(int pos) const;
    void printClient(HDC hdc);
    struct Run {
        int x;
        const char* text;
        int count;
        CRect rect;
        const guiSurface* back;
        vbColor color;
    };
    void drawRun(CDC* dc, const Run& run);
    void drawText(CDC* dc, const std::string& shown, const CRect& textRect, CPoint origin, const guiSurface& back,
        const vbColor& textColor, bool screen);
    void putOnClipboard(const std::string& text);
    std::string clipboardText();

    std::string m_text;
    std::string m_displayCache;
    bool m_bReadOnly = false;
    bool m_bUpper = false;
    bool m_bHasCaret = false;
    bool m_bOvrCaret = false;
    bool m_bSelecting = false;
    bool m_bBlinkOn = false;
    bool m_bModified = false;
    int32_t m_caret = 1;
    int32_t m_lastReported = -1;
    int32_t m_firstVisible = 0;
    int32_t m_selAnchor = 0;
    int32_t m_selEnd = 0;
    int32_t m_maxLength = -1;
    int32_t m_ovrCaretWidth = 2;
    int32_t m_clickSlack = 2;
    int32_t m_caretHeight = 0;
    vbColor m_selTextColor;
    vbColor m_blinkFore;
    guiSurface m_selBack;
    guiSurface m_blinkBack;
    CRect m_textRect;
    CPoint m_textOrigin;
    std::vector<int> m_charPos;
    CSize m_textExtent;
    char m_passwordChar = 0;
    char m_voidChar = 0;
    guiEDITtextCB m_textCB;
    guiEDITfieldCB m_fieldCB;
    guiEDITcursorCB m_cursorCB;
    int32_t m_cursorFact = 2;
    int32_t m_linkArg = -1;
    int32_t m_focusCol = -1;
    sIguiEditState* m_pEditState = nullptr;
    sIguiFocused* m_pFocused = nullptr;
    guiEdit* m_pNext = nullptr;
    guiEdit* m_pPrev = nullptr;
    guiEDITpopupCB m_popupCB;
    bool m_bInPopup = false;
    bool m_bMouseOver = false;
    CRect m_popupRect;
    const guiCursor* m_pPopupCursor;
    const guiCursor* m_pNormalCursor;
    vbString m_popupTip;
    guiTimerPostEvent m_blinkEvent;
    // The bytes of a character typed so far, while its sequence is incomplete.
    std::string m_pendingChar;
};
