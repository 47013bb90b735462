#include "guiEdit.h"

#include "vbException.h"

#include "plat/caret.h"
#include "plat/clipboard.h"
#include "plat/codepage.h"
#include "plat/controls.h"
#include "plat/errors.h"
#include "plat/globalmem.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/msgbox.h"
#include "plat/paint.h"
#include "plat/window.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr DWORD kChildStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr UINT kBlinkMsg = WM_USER + 255;

// The length of the UTF-8 sequence starting at s[i], or 1 when none starts there.
int utf8Len(const std::string& s, size_t i) { return static_cast<int>(plat::utf8CharLength(s, i)); }

// The whole characters at the end of s that must go so that at most keep bytes remain.
size_t tailToDrop(const std::string& s, size_t keep)
{
    size_t at = 0;
    size_t lastFit = 0;
    while (at < s.size()) {
        const size_t next = at + utf8Len(s, at);
        if (next > keep)
            break;
        lastFit = next;
        at = next;
    }
    return s.size() - lastFit;
}

// The code point of one character, or its single byte.
int codeOf(const std::string& s)
{
    const int n = utf8Len(s, 0);
    if (n == 1)
        return static_cast<unsigned char>(s[0]);
    int code = static_cast<unsigned char>(s[0]) & (0x7F >> n);
    for (int k = 1; k < n; ++k)
        code = (code << 6) | (static_cast<unsigned char>(s[k]) & 0x3F);
    return code;
}

} // namespace

guiEdit::guiEdit()
    : m_selTextColor(0x8000000E), m_selBack(this, 0x8000000D, vbNULLCOLOR, vbNULLCOLOR, false),
      m_blinkBack(this), m_pPopupCursor(&guiCursor_Arrow), m_pNormalCursor(&guiCursor_Text),
      m_blinkEvent(this, kBlinkMsg)
{
    m_blinkEvent.SetMinTime(400);
    tcSetBackColor(static_cast<DWORD>(0x80000005));
    tcSetTextColor(static_cast<DWORD>(0x80000008));
    TControlTemplate::tcSetMouseCursor(&guiCursor_Text, false);
}

guiEdit::~guiEdit()
{
    try {
        UnlinkEdit();
        m_blinkEvent.Stop(true);
    } catch (...) {
        guiShowCaught("guiEdit", 88);
    }
}

// ---------------------------------------------------------------------------------------------
// State helpers.

void guiEdit::invalidatePositions()
{
    m_charPos.clear();
    m_displayCache.clear();
}

void guiEdit::repaint(bool erase)
{
    if (GetSafeHwnd())
        Invalidate(erase ? TRUE : FALSE);
}

void guiEdit::fireText() { m_textCB.Call(*this, tcGetText()); }

void guiEdit::beep() { MessageBeep(0); }

int guiEdit::limit() const
{
    if (m_voidChar != 0 && m_maxLength >= 1)
        return m_maxLength;
    return static_cast<int>(m_text.size());
}

int guiEdit::seqLen(int pos) const
{
    if (pos < 1 || pos > static_cast<int>(m_text.size()))
        return 1;
    return utf8Len(m_text, static_cast<size_t>(pos - 1));
}

int guiEdit::prevPos(int pos) const
{
    const int len = static_cast<int>(m_text.size());
    if (pos > len + 1)
        return pos - 1;
    int at = 1;
    int prev = 1;
    while (at < pos) {
        prev = at;
        at += seqLen(at);
    }
    return prev;
}

int guiEdit::nextPos(int pos) const { return pos + seqLen(pos); }

void guiEdit::correctSel()
{
    const int top = limit() + 1;
    if (m_selAnchor > top)
        m_selAnchor = top;
    if (m_selEnd > top)
        m_selEnd = top;
    if (hasSelection())
        selOnCtrl();
}

void guiEdit::correctPos()
{
    const int top = limit() + 1;
    if (m_caret > top)
        m_caret = top;
    if (m_caret <= 0)
        m_caret = static_cast<int>(m_text.size()) + 1;
}

void guiEdit::selOnCtrl()
{
    if (guiContainer* container = tcGetContainer())
        container->SelOnCtrl(this);
}

bool guiEdit::IsReadOnly() { return m_bReadOnly || !tcGetEnabled(); }

bool guiEdit::IsInsertMode()
{
    if (m_pEditState)
        return m_pEditState->IsInsertMode();
    return (GetKeyState(VK_INSERT) & 1) != 0;
}

void guiEdit::SetPasswordChar(char c)
{
    m_passwordChar = c;
    invalidatePositions();
    repaint(true);
}

void guiEdit::SetUpper(bool upper)
{
    m_bUpper = upper;
    invalidatePositions();
}

void guiEdit::SetPopupCb(const guiEDITpopupCB& cb)
{
    m_popupCB = cb;
    m_popupRect.SetRectEmpty();
    m_bInPopup = false;
    TControlTemplate::tcSetMouseCursor(m_pNormalCursor, true);
    repaint(true);
}

void guiEdit::SetPopupMouseCursor(const guiCursor* cursor, bool refresh)
{
    m_pPopupCursor = cursor ? cursor : &guiCursor_Arrow;
    if (m_bInPopup)
        TControlTemplate::tcSetMouseCursor(m_pPopupCursor, refresh);
}

void guiEdit::SetBlinkForeColor(const vbColor& color)
{
    m_blinkFore = color;
    updateBlink();
}

// ---------------------------------------------------------------------------------------------
// Template operations.

void guiEdit::tcSetText(const vbString& text)
{
    const std::string value(text.c_str(), static_cast<size_t>(text.GetLength()));
    if (value == m_text)
        return;
    m_bModified = true;
    m_text = value;
    correctSel();
    m_firstVisible = 0;
    m_caret = std::min(m_caret, static_cast<int>(m_text.size()) + 1);
    repaint(true);
    fireText();
}

void guiEdit::tcPrintClient(guiDrawInfo* info, CDC* dc, bool)
{
    printOwnLook(info, dc);
}

void guiEdit::tcOnMouseOut()
{
    m_bMouseOver = false;
    if (m_bInPopup) {
        m_bInPopup = false;
        repaint(false);
    }
}

void guiEdit::tcSetMouseCursor(const guiCursor* cursor, bool refresh)
{
    m_pNormalCursor = cursor ? cursor : &guiCursor_Text;
    if (!m_bInPopup)
        TControlTemplate::tcSetMouseCursor(m_pNormalCursor, refresh);
}

vbString guiEdit::tcNeedToolTip(const CPoint& point, bool* track, int* area)
{
    if (track)
        *track = !m_popupCB.IsEmpty();
    if (m_popupRect.PtInRect(point)) {
        if (area)
            *area = 1;
        return m_popupTip;
    }
    if (area)
        *area = 0;
    return tcGetToolTip();
}

void guiEdit::tcSetVoidChar(char c)
{
    if (m_voidChar == c)
        return;
    m_voidChar = c;
    invalidatePositions();
}

void guiEdit::tcSetMaxLength(int length)
{
    if (m_maxLength == length)
        return;
    m_maxLength = length;
    invalidatePositions();
}

void guiEdit::tcSetSelStart(int start)
{
    const int length = m_selAnchor >= 1 ? std::abs(m_selEnd - m_selAnchor) : 0;
    m_selAnchor = start + 1;
    m_selEnd = start + 1 + length;
    correctSel();
    if (m_selEnd > 0)
        m_caret = m_selEnd;
    repaint(false);
}

void guiEdit::tcSetSelLength(int length)
{
    m_selAnchor = m_selAnchor >= 1 ? std::min(m_selAnchor, m_selEnd) : 1;
    m_selEnd = m_selAnchor + length;
    correctSel();
    if (m_selEnd > 0)
        m_caret = m_selEnd;
    repaint(false);
}

int guiEdit::tcGetSelStart()
{
    if (hasSelection())
        return std::min(m_selAnchor, m_selEnd) - 1;
    return m_caret > 0 ? m_caret - 1 : 0;
}

int guiEdit::tcGetSelLength() { return m_selAnchor >= 1 ? std::abs(m_selEnd - m_selAnchor) : 0; }

void guiEdit::tcSelClear()
{
    m_selAnchor = m_selEnd = 0;
    m_bSelecting = false;
    repaint(false);
}

void guiEdit::tcSelAll()
{
    if (m_text.empty())
        return;
    m_selAnchor = 1;
    m_selEnd = static_cast<int>(m_text.size()) + 1;
    m_bSelecting = false;
    repaint(false);
}

vbString guiEdit::tcGetSelText()
{
    if (!hasSelection())
        return vbString();
    const int first = std::min(m_selAnchor, m_selEnd);
    const int last = std::min(std::max(m_selAnchor, m_selEnd), static_cast<int>(m_text.size()) + 1);
    if (first > static_cast<int>(m_text.size()))
        return vbString();
    return vbString(m_text.substr(static_cast<size_t>(first - 1), static_cast<size_t>(last - first)).c_str());
}

void guiEdit::tcOnCaretUpdated()
{
    if (m_bHasCaret)
        setCaret();
}

void guiEdit::tcOnCaretLoosed(TControl*)
{
    if (!m_bHasCaret)
        return;
    DestroyCaret();
    m_bHasCaret = false;
    m_bOvrCaret = false;
    if (m_pEditState) {
        if (guiContainer* container = tcGetContainer())
            container->RemoveEditState(m_pEditState);
    }
}

void guiEdit::tcRestoreFocus()
{
    m_focusCol = m_caret;
    if (GetSafeHwnd())
        SetFocus();
}

void guiEdit::tcOnDestroy()
{
    m_blinkEvent.Stop(true);
    if (m_pFocused)
        m_pFocused->OnControlDestroyed(this);
}

void guiEdit::onFontChanged(guiFont*)
{
    invalidatePositions();
    repaint(true);
}

void guiEdit::onSurfaceChanged(guiSurface* surface)
{
    repaint(true);
    if (surface == &m_blinkBack)
        updateBlink();
}

// ---------------------------------------------------------------------------------------------
// Text primitives.

bool guiEdit::relSetCh(int pos, const std::string& s)
{
    if (pos < 1)
        return false;
    const int len = static_cast<int>(m_text.size());
    if (pos > len) {
        m_text.resize(static_cast<size_t>(pos - 1), ' ');
        m_text += s;
    } else {
        m_text.replace(static_cast<size_t>(pos - 1), static_cast<size_t>(seqLen(pos)), s);
    }
    m_bModified = true;
    return true;
}

void guiEdit::relInsertStr(int pos, const std::string& s)
{
    if (pos < 1 || s.empty())
        return;
    if (pos > static_cast<int>(m_text.size())) {
        m_text.resize(static_cast<size_t>(pos - 1), ' ');
        m_text += s;
    } else {
        m_text.insert(static_cast<size_t>(pos - 1), s);
    }
    m_bModified = true;
}

void guiEdit::relDeleteStr(int pos, int count)
{
    if (pos < 1 || pos > static_cast<int>(m_text.size()) || count <= 0)
        return;
    m_text.erase(static_cast<size_t>(pos - 1), static_cast<size_t>(count));
    m_bModified = true;
}

bool guiEdit::relInsertCh(int pos, const std::string& s, bool notify)
{
    const bool limited = m_maxLength >= 1;
    const auto max = static_cast<size_t>(m_maxLength);
    // The insertion point is what counts: a pushed character always lands at the next field's
    // start, wherever that field's own caret stands.
    if (pos < 1 || (limited && (pos > m_maxLength || s.size() > max)))
        return false;
    if (m_pNext && limited) {
        std::string pushed = " ";
        size_t drop = 0;
        if (m_text.size() + s.size() > max) {
            drop = tailToDrop(m_text, max - s.size());
            pushed = m_text.substr(m_text.size() - drop);
        }
        if (!m_pNext->relInsertCh(1, pushed, true))
            return false;
        m_text.erase(m_text.size() - drop);
    }
    if (limited && m_text.size() + s.size() > max)
        return false;
    relInsertStr(pos, s);
    if (notify) {
        repaint(false);
        fireText();
    }
    return true;
}

bool guiEdit::relDeleteCh(int pos, std::string* removed, int room)
{
    if (pos < 1)
        return false;
    const int len = static_cast<int>(m_text.size());
    const bool within = pos <= len;
    if (room > 0 && within && seqLen(pos) > room)
        return false;
    std::string caught;
    if (m_pNext && m_maxLength >= 1)
        m_pNext->relDeleteCh(1, &caught, within ? seqLen(pos) : 1);
    if (caught.empty() && !within)
        return false;
    std::string gone = " ";
    if (within) {
        gone = m_text.substr(static_cast<size_t>(pos - 1), static_cast<size_t>(seqLen(pos)));
        m_text.erase(static_cast<size_t>(pos - 1), gone.size());
    }
    if (removed)
        *removed = gone;
    if (!caught.empty()) {
        const size_t at = static_cast<size_t>(m_maxLength) - std::min(caught.size(), static_cast<size_t>(m_maxLength));
        if (m_text.size() <= at) {
            m_text.resize(at, ' ');
            m_text += caught;
        } else {
            m_text.replace(at, std::min(caught.size(), m_text.size() - at), caught);
        }
    }
    m_bModified = true;
    if (removed) {
        // A field that gave its first character to the previous one keeps no position past its end.
        const int top = limit() + 1;
        m_caret = std::min(m_caret, top);
        m_selAnchor = std::min(m_selAnchor, top);
        m_selEnd = std::min(m_selEnd, top);
        repaint(false);
        fireText();
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Chains.

void guiEdit::LinkNextEdit(guiEdit* next)
{
    if (!next || m_pNext || next->m_pPrev || next->m_pNext || next == this)
        return;
    m_pNext = next;
    next->m_pPrev = this;
}

void guiEdit::UnlinkEdit()
{
    if (m_pPrev)
        m_pPrev->m_pNext = m_pNext;
    if (m_pNext)
        m_pNext->m_pPrev = m_pPrev;
    m_pPrev = m_pNext = nullptr;
}

guiEdit* guiEdit::GetMasterEdit()
{
    guiEdit* e = this;
    while (e->m_pPrev)
        e = e->m_pPrev;
    return e;
}

guiEdit* guiEdit::lastEdit()
{
    guiEdit* e = this;
    while (e->m_pNext)
        e = e->m_pNext;
    return e;
}

namespace {

int fieldWidth(guiEdit& e, int textLength) { return e.tcGetMaxLength() >= 1 ? e.tcGetMaxLength() : textLength; }

} // namespace

vbString guiEdit::GetLinkedText()
{
    guiEdit* first = GetMasterEdit();
    if (!first->m_pNext)
        return first->tcGetText();
    std::string result;
    size_t column = 0;
    for (guiEdit* e = first; e; e = e->m_pNext) {
        if (e != first) {
            result.resize(column, ' ');
        }
        result += e->m_text;
        column += static_cast<size_t>(fieldWidth(*e, static_cast<int>(e->m_text.size())));
        if (!e->m_pNext)
            result.resize(std::min(result.size(), column));
    }
    return vbString(result.c_str());
}

void guiEdit::SetLinkedText(const vbString& text)
{
    guiEdit* first = GetMasterEdit();
    if (!first->m_pNext) {
        first->tcSetText(text);
        return;
    }
    std::string rest(text.c_str(), static_cast<size_t>(text.GetLength()));
    for (guiEdit* e = first; e; e = e->m_pNext) {
        const auto width = static_cast<size_t>(fieldWidth(*e, static_cast<int>(rest.size())));
        const size_t take = std::min(width, rest.size()) - tailToDrop(rest.substr(0, std::min(width, rest.size())), width);
        e->tcSetText(vbString(rest.substr(0, take).c_str()));
        rest.erase(0, take);
    }
}

vbString guiEdit::GetRelLinkedText(int from, int to)
{
    int before = 0;
    for (guiEdit* e = m_pPrev; e; e = e->m_pPrev)
        before += fieldWidth(*e, static_cast<int>(e->m_text.size()));
    if (from > 0)
        from += before;
    if (to > 0)
        to += before;
    const vbString linked = GetLinkedText();
    if (from < 1)
        from = 1;
    if (to < 1)
        to = linked.GetLength();
    if (from >= to)
        return vbString();
    return linked.Mid(from, to - from);
}

int guiEdit::GetLinkedMaxLength()
{
    int sum = 0;
    for (guiEdit* e = GetMasterEdit(); e; e = e->m_pNext)
        sum += fieldWidth(*e, static_cast<int>(e->m_text.size()));
    return sum;
}

int guiEdit::GetLinkedMaxLengthOrig()
{
    int sum = 0;
    for (guiEdit* e = GetMasterEdit(); e; e = e->m_pNext) {
        if (e->tcGetValueJ() >= 1)
            sum += e->tcGetValueJ();
        else
            sum += fieldWidth(*e, static_cast<int>(e->m_text.size()));
    }
    return sum;
}

bool guiEdit::GetLinkedModified()
{
    for (guiEdit* e = GetMasterEdit(); e; e = e->m_pNext)
        if (e->m_bModified)
            return true;
    return false;
}

void guiEdit::SetLinkedModified(bool modified)
{
    for (guiEdit* e = GetMasterEdit(); e; e = e->m_pNext)
        e->m_bModified = modified;
}

// ---------------------------------------------------------------------------------------------
// Typing and keys.

void guiEdit::onChar(unsigned char byte)
{
    if (m_pendingChar.empty() || (byte & 0xC0) != 0x80) {
        m_pendingChar.assign(1, static_cast<char>(byte));
    } else {
        m_pendingChar += static_cast<char>(byte);
    }
    const auto lead = static_cast<unsigned char>(m_pendingChar[0]);
    if (m_pendingChar.size() < plat::utf8SequenceLength(lead))
        return;
    std::string c;
    c.swap(m_pendingChar);
    typeChar(c);
}

void guiEdit::typeChar(const std::string& typed)
{
    if (IsReadOnly()) {
        beep();
        return;
    }
    correctPos();
    std::string c = typed;
    if (m_bUpper && c.size() == 1 && c[0] >= 'a' && c[0] <= 'z')
        c[0] = static_cast<char>(c[0] - 32);
    const int len = static_cast<int>(m_text.size());
    const bool limited = m_maxLength >= 1;
    if (hasSelection()) {
        const int first = std::min(m_selAnchor, m_selEnd);
        const int last = std::max(m_selAnchor, m_selEnd);
        const int kept = std::max(0, std::min(last, len + 1) - first);
        if (limited && len - kept + static_cast<int>(c.size()) > m_maxLength) {
            beep();
            return;
        }
        relDeleteStr(first, kept);
        relInsertStr(first, c);
        m_caret = first + static_cast<int>(c.size());
    } else if (!IsInsertMode() && (!limited || m_caret <= m_maxLength) &&
               (!limited || len - (m_caret <= len ? seqLen(m_caret) : 0) + static_cast<int>(c.size()) <= m_maxLength)) {
        relSetCh(m_caret, c);
        m_caret += static_cast<int>(c.size());
    } else if (relInsertCh(m_caret, c, false)) {
        m_caret += static_cast<int>(c.size());
    } else {
        if ((m_caret == len + 1 || (limited && m_caret == m_maxLength + 1)) && fieldCall(false, 0, codeOf(c)))
            return;
        beep();
        return;
    }
    selOnCtrl();
    m_selAnchor = m_selEnd = m_caret;
    m_bSelecting = false;
    repaint(false);
    fireText();
}

bool guiEdit::fieldCall(bool shift, int key, int character) { return m_fieldCB.Call(*this, shift, key, character, m_caret); }

bool guiEdit::shiftDown()
{
    const guiKeyCtx ctx = tcGetKeyCtx();
    return (ctx & guiKeyLShift) || (ctx & guiKeyRShift);
}

void guiEdit::deleteSelection()
{
    const int first = std::min(m_selAnchor, m_selEnd);
    const int last = std::max(m_selAnchor, m_selEnd);
    relDeleteStr(first, last - first);
    m_caret = first;
}

void guiEdit::editTail()
{
    m_selAnchor = m_selEnd = m_caret;
    m_bSelecting = false;
    selOnCtrl();
    repaint(false);
    fireText();
}

void guiEdit::startShiftSel(bool shift)
{
    if (shift && !m_bSelecting) {
        m_selAnchor = m_caret;
        m_bSelecting = true;
    }
}

void guiEdit::moveTail(bool shift, bool hadSelection)
{
    m_selEnd = m_caret;
    if (!shift) {
        m_selAnchor = m_caret;
        m_bSelecting = false;
    } else if (m_selAnchor >= 1 && m_selAnchor != m_caret) {
        selOnCtrl();
    }
    if (!hadSelection && !shift)
        placeCaret();
    else
        repaint(false);
}

void guiEdit::onKeyDown(UINT key)
{
    if (!tcGetEnabled())
        return;
    const bool hadSelection = m_selAnchor != m_selEnd;
    const bool shift = shiftDown();
    switch (key) {
    case VK_BACK:
    case VK_DELETE:
        if (IsReadOnly()) {
            beep();
            return;
        }
        correctPos();
        if (hasSelection()) {
            deleteSelection();
        } else if (key == VK_BACK) {
            if (m_caret <= 1) {
                if (!fieldCall(shift, VK_BACK, 0))
                    beep();
                return;
            }
            m_caret = prevPos(m_caret);
            relDeleteCh(m_caret, nullptr);
        } else if (!relDeleteCh(m_caret, nullptr)) {
            beep();
        }
        editTail();
        break;
    case VK_LEFT:
        correctPos();
        if (m_caret <= 1) {
            if (!fieldCall(shift, VK_LEFT, 0))
                beep();
            return;
        }
        startShiftSel(shift);
        m_caret = prevPos(m_caret);
        moveTail(shift, hadSelection);
        break;
    case VK_RIGHT:
        correctPos();
        if (m_caret > limit()) {
            if (!fieldCall(shift, VK_RIGHT, 0))
                beep();
            return;
        }
        startShiftSel(shift);
        m_caret = nextPos(m_caret);
        moveTail(shift, hadSelection);
        break;
    case VK_HOME:
        GoHome(shift, hadSelection);
        break;
    case VK_END:
        GoEnd(shift, hadSelection);
        break;
    case VK_TAB:
    case VK_UP:
    case VK_DOWN:
        correctPos();
        fieldCall(shift, static_cast<int>(key), 0);
        break;
    case VK_INSERT:
        toggleCaretMode();
        break;
    default:
        break;
    }
}

void guiEdit::takeFocus(int column)
{
    m_focusCol = column;
    if (GetSafeHwnd())
        SetFocus();
}

void guiEdit::GoHome(bool shift, bool hadSelection)
{
    if (m_pPrev) {
        GetMasterEdit()->takeFocus(1);
        return;
    }
    startShiftSel(shift);
    m_caret = m_selEnd = 1;
    if (!shift) {
        m_selAnchor = 1;
        m_bSelecting = false;
    }
    if (!hadSelection && !shift)
        placeCaret();
    else
        repaint(false);
}

void guiEdit::GoEnd(bool shift, bool hadSelection)
{
    guiEdit* first = GetMasterEdit();
    guiEdit* target = first;
    for (guiEdit* e = first; e; e = e->m_pNext)
        if (!e->m_text.empty())
            target = e;
    if (target != this) {
        target->takeFocus(static_cast<int>(target->m_text.size()) + 1);
        return;
    }
    const int len = static_cast<int>(m_text.size());
    if (m_caret == len + 1 && m_voidChar != 0 && m_maxLength >= 1) {
        if (m_pNext) {
            guiEdit* last = lastEdit();
            last->takeFocus(last->m_maxLength + 1);
            return;
        }
        startShiftSel(shift);
        m_caret = m_maxLength + 1;
    } else {
        startShiftSel(shift);
        m_caret = len + 1;
    }
    moveTail(shift, hadSelection);
}

// ---------------------------------------------------------------------------------------------
// Measuring and hit testing.

std::string guiEdit::displayed() const
{
    std::string shown = m_text;
    if (m_passwordChar != 0)
        shown.assign(m_text.size(), m_passwordChar);
    if (m_voidChar != 0 && m_maxLength >= 1 && shown.size() < static_cast<size_t>(m_maxLength))
        shown.resize(static_cast<size_t>(m_maxLength), m_voidChar);
    return shown;
}

int guiEdit::charPos(int pos) const
{
    if (m_charPos.empty())
        return 0;
    return m_charPos[static_cast<size_t>(std::clamp(pos, 1, static_cast<int>(m_charPos.size())) - 1)];
}

void guiEdit::calcCharPos(CDC* dc)
{
    if (!m_charPos.empty() && m_displayCache == m_text)
        return;
    // Until the measure succeeds the positions count as not measured.
    m_charPos.clear();
    m_displayCache = m_text;
    const std::string shown = displayed();
    if (shown.empty()) {
        m_charPos.assign(1, 0);
        m_textExtent = CSize(0, 0);
        return;
    }
    std::vector<int> widths(shown.size() + 1, 0);
    SIZE extent{};
    BOOL done = FALSE;
    if (dc) {
        done = GetTextExtentExPointA(dc->GetSafeHdc(), shown.c_str(), static_cast<int>(shown.size()), 0, nullptr,
            widths.data() + 1, &extent);
    } else {
        CClientDC client(this);
        CFont* old = tcGetFont().IsValid() ? client.SelectObject(static_cast<CFont*>(tcGetFont())) : nullptr;
        done = GetTextExtentExPointA(client.GetSafeHdc(), shown.c_str(), static_cast<int>(shown.size()), 0, nullptr,
            widths.data() + 1, &extent);
        if (old)
            client.SelectObject(old);
    }
    if (!done) {
        m_displayCache.clear();
        throw new vbEsys(HRESULT_FROM_WIN32(GetLastError()), "guiEdit::calcCharPos() : failure");
    }
    m_charPos = std::move(widths);
    m_textExtent = extent;
}

int guiEdit::getTextPos(int x)
{
    if (m_textRect.IsRectEmpty() || x <= m_textOrigin.x)
        return m_firstVisible + 1;
    calcCharPos(nullptr);
    const int base = charPos(m_firstVisible + 1) + m_clickSlack;
    const int count = static_cast<int>(m_charPos.size());
    int p = m_firstVisible + 2;
    while (p <= count) {
        const int at = charPos(p) - base;
        if (x - m_textOrigin.x < at || at >= m_textRect.right)
            break;
        ++p;
    }
    return boundaryAtOrBefore(p - 1);
}

int guiEdit::boundaryAtOrBefore(int pos) const
{
    if (pos <= 1 || pos > static_cast<int>(m_text.size()))
        return pos;
    return nextPos(prevPos(pos)) == pos ? pos : prevPos(pos);
}

// ---------------------------------------------------------------------------------------------
// Caret.

void guiEdit::setCaret()
{
    if (m_bHasCaret || !tcGetEnabled() || !GetSafeHwnd() || m_caretHeight <= 2)
        return;
    if (guiContainer* container = tcGetContainer()) {
        container->CaretOnCtrl(this);
        if (m_pEditState)
            container->SetEditState(m_pEditState);
    }
    m_bHasCaret = true;
    if (m_pFocused)
        m_pFocused->OnCaretTaken(this);
    shapeCaret(!IsInsertMode(), true);
}

void guiEdit::setOvrCaret() { shapeCaret(true, false); }
void guiEdit::setInsCaret() { shapeCaret(false, false); }

void guiEdit::shapeCaret(bool overwrite, bool create)
{
    if (create || overwrite != m_bOvrCaret) {
        m_bOvrCaret = overwrite;
        CreateCaret(GetSafeHwnd(), nullptr, overwrite ? m_ovrCaretWidth : 1, std::max(1, m_caretHeight));
    }
    refreshCaretPos(nullptr, true);
}

int guiEdit::caretRightLimit() const { return m_textRect.right + (m_popupCB.IsEmpty() ? -1 : 4); }

void guiEdit::refreshCaretPos(CDC* dc, bool show)
{
    if (!m_bHasCaret) {
        if (GetSafeHwnd() && ::GetFocus() == GetSafeHwnd())
            setCaret();
        return;
    }
    correctPos();
    calcCharPos(dc);
    bool scrolled = false;
    if (m_caret <= m_firstVisible) {
        m_firstVisible = std::max(0, m_caret - 1);
        scrolled = true;
    }
    const int right = caretRightLimit();
    const int len = static_cast<int>(m_text.size());
    int x = m_textOrigin.x - charPos(m_firstVisible + 1) + charPos(m_caret);
    while (x + 1 > right && m_firstVisible < len - 1) {
        m_firstVisible = nextPos(m_firstVisible + 1) - 1;
        x = m_textOrigin.x - charPos(m_firstVisible + 1) + charPos(m_caret);
        scrolled = true;
    }
    if (!scrolled || show) {
        SetCaretPos(x, m_textOrigin.y);
        if (show)
            ShowCaret(GetSafeHwnd());
    }
    if (scrolled)
        repaint(true);
    if (m_caret != m_lastReported) {
        m_lastReported = m_caret;
        m_cursorCB.Call(*this, m_caret);
    }
}

void guiEdit::placeCaret()
{
    if (m_bHasCaret)
        refreshCaretPos(nullptr, false);
    else if (m_caret != m_lastReported) {
        m_lastReported = m_caret;
        m_cursorCB.Call(*this, m_caret);
    }
}

void guiEdit::toggleCaretMode()
{
    if (!m_bHasCaret)
        return;
    bool insert = IsInsertMode();
    if (m_pEditState)
        insert = m_pEditState->SetInsertMode(!insert);
    shapeCaret(!insert, false);
}

void guiEdit::hideCaret()
{
    if (m_bHasCaret)
        HideCaret(GetSafeHwnd());
}

// ---------------------------------------------------------------------------------------------
// Focus and mouse.

void guiEdit::onSetFocus()
{
    ::SetActiveWindow(GetSafeHwnd());
    if (guiContainer* container = tcGetContainer())
        container->SelOnCtrl(nullptr);
    if (m_focusCol > 0) {
        m_caret = m_focusCol;
        m_focusCol = -1;
        correctPos();
    } else {
        m_caret = 1;
    }
    m_lastReported = -1;
    setCaret();
    repaint(false);
}

void guiEdit::onKillFocus()
{
    m_pendingChar.clear();
    if (guiContainer* container = tcGetContainer())
        container->CaretLoosed(this);
}

void guiEdit::onLButtonDown(const CPoint& point)
{
    if (!tcGetEnabled())
        return;
    if (::GetFocus() != GetSafeHwnd())
        SetFocus();
    if (!m_popupCB.IsEmpty() && m_popupRect.PtInRect(point)) {
        m_popupCB.Call(*this);
        return;
    }
    m_caret = getTextPos(point.x);
    if (hasSelection()) {
        m_selAnchor = m_selEnd = m_caret;
        repaint(false);
    } else {
        placeCaret();
    }
}

void guiEdit::onMouseMove(const CPoint& point, bool buttonDown)
{
    if (!tcGetEnabled())
        return;
    if (buttonDown) {
        if (!m_bSelecting) {
            m_bSelecting = true;
            m_selAnchor = m_caret;
        }
        m_selEnd = m_caret = getTextPos(point.x);
        if (m_selAnchor != m_selEnd)
            selOnCtrl();
        repaint(false);
        return;
    }
    m_bSelecting = false;
    if (m_popupCB.IsEmpty())
        return;
    const bool inside = m_bMouseOver && m_popupRect.PtInRect(point);
    if (inside == m_bInPopup)
        return;
    m_bInPopup = inside;
    TControlTemplate::tcSetMouseCursor(inside ? m_pPopupCursor : m_pNormalCursor, false);
    tcUpdateMouseCursor();
    repaint(false);
}

void guiEdit::onLButtonUp() { m_bSelecting = false; }

void guiEdit::updateBlink()
{
    if (!m_blinkFore.IsNull() || m_blinkBack.IsValid()) {
        m_blinkEvent.StartExt(&g_guiTimer, true);
        return;
    }
    m_blinkEvent.Stop(true);
    m_bBlinkOn = false;
    repaint(false);
}

// ---------------------------------------------------------------------------------------------
// Clipboard.

void guiEdit::putOnClipboard(const std::string& text)
{
    HGLOBAL block = GlobalAlloc(0x2002, text.size() + 1);
    char* bytes = block ? static_cast<char*>(GlobalLock(block)) : nullptr;
    if (!bytes) {
        if (block)
            GlobalFree(block);
        throw new vbEsys(E_OUTOFMEMORY, "guiEdit::Copy() : memory failure");
    }
    std::copy(text.begin(), text.end(), bytes);
    bytes[text.size()] = 0;
    GlobalUnlock(block);
    if (!SetClipboardData(CF_TEXT, block)) {
        const DWORD error = GetLastError();
        GlobalFree(block);
        throw new vbEsys(HRESULT_FROM_WIN32(error), "guiEdit::Copy() : copy to clipboard failure");
    }
}

namespace {

// Opens and empties the clipboard for the edit's window; closed again when it goes.
class ClipboardOpen {
public:
    ClipboardOpen(HWND owner, bool empty)
    {
        if (!OpenClipboard(owner))
            throw new vbEsys(HRESULT_FROM_WIN32(GetLastError()), "guiEdit::Copy() : Cannot open the Clipboard");
        if (empty && !EmptyClipboard()) {
            const DWORD error = GetLastError();
            CloseClipboard();
            throw new vbEsys(HRESULT_FROM_WIN32(error), "guiEdit::Copy() : Cannot empty the Clipboard");
        }
    }
    ~ClipboardOpen() { CloseClipboard(); }
    ClipboardOpen(const ClipboardOpen&) = delete;
    ClipboardOpen& operator=(const ClipboardOpen&) = delete;
};

} // namespace

void guiEdit::Copy()
{
    // A password field does not give its clear text away.
    if (tcIsTextProtected()) {
        beep();
        return;
    }
    const std::string text = hasSelection() ? std::string(tcGetSelText().c_str()) : m_text;
    ClipboardOpen open(GetSafeHwnd(), true);
    putOnClipboard(text);
}

void guiEdit::Cut()
{
    if (!hasSelection() || IsReadOnly() || tcIsTextProtected()) {
        beep();
        return;
    }
    {
        ClipboardOpen open(GetSafeHwnd(), true);
        // The text goes only once the clipboard holds it.
        putOnClipboard(tcGetSelText().c_str());
    }
    deleteSelection();
    m_selAnchor = m_selEnd = m_caret;
    m_bSelecting = false;
    repaint(false);
    fireText();
}

std::string guiEdit::clipboardText()
{
    ClipboardOpen open(GetSafeHwnd(), false);
    HANDLE data = GetClipboardData(CF_TEXT);
    if (!data)
        throw new vbEuser(E_FAIL, "Can't perform paste operation: clipboard doesn't contain text !");
    const char* bytes = static_cast<const char*>(GlobalLock(data));
    if (!bytes)
        throw new vbEsys(E_OUTOFMEMORY, "guiEdit::Copy() : memory failure");
    std::string text(bytes);
    GlobalUnlock(data);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 32)
            c = ' ';
    return text;
}

void guiEdit::Paste()
{
    if (IsReadOnly()) {
        beep();
        return;
    }
    const std::string text = clipboardText();
    const int size = static_cast<int>(text.size());
    const bool limited = m_maxLength >= 1;
    if (hasSelection()) {
        deleteSelection();
        relInsertStr(m_caret, text);
        m_caret += size;
    } else if (m_caret < 1) {
        beep();
        return;
    } else if (!IsInsertMode() && m_caret <= static_cast<int>(m_text.size())) {
        relDeleteStr(m_caret, size);
        relInsertStr(m_caret, text);
        m_caret += size;
    } else if (limited && static_cast<int>(m_text.size()) >= m_maxLength) {
        beep();
        return;
    } else {
        relInsertStr(m_caret, text);
        m_caret += size;
    }
    if (limited && static_cast<int>(m_text.size()) > m_maxLength) {
        beep();
        m_text.erase(m_text.size() - tailToDrop(m_text, static_cast<size_t>(m_maxLength)));
    }
    m_caret = std::min(m_caret, static_cast<int>(m_text.size()) + 1);
    correctPos();
    m_bSelecting = false;
    m_selAnchor = m_selEnd = m_caret;
    repaint(false);
    fireText();
}

// ---------------------------------------------------------------------------------------------
// Window.

BOOL guiEdit::PreCreateWindow(CREATESTRUCTA& cs)
{
    try {
        s_Class.InitCs(cs);
        cs.style = kChildStyle | (cs.style & WS_VISIBLE);
        return TRUE;
    } catch (...) {
        guiShowCaught("guiEdit", 86);
    }
    return FALSE;
}

bool guiEdit::onWindowProc(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result)
{
    switch (msg) {
    case WM_PAINT: {
        CPaintDC dc(this);
        const CRect clip(dc.m_ps.rcPaint);
        ClientPrint(nullptr, &dc, &clip);
        break;
    }
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_SETFOCUS:
        onSetFocus();
        break;
    case WM_KILLFOCUS:
        onKillFocus();
        break;
    case WM_MOUSEACTIVATE:
        if (LOWORD(lParam) != HTCLIENT)
            return false;
        result = MA_ACTIVATE;
        return true;
    case WM_LBUTTONDOWN:
        onLButtonDown(CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
        break;
    case WM_MOUSEMOVE:
        onMouseMove(CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)), (wParam & MK_LBUTTON) != 0);
        break;
    case WM_LBUTTONUP:
        onLButtonUp();
        break;
    case WM_PRINTCLIENT:
        printClient(reinterpret_cast<HDC>(wParam));
        break;
    case WM_CHAR:
        if (wParam < 32)
            return false;
        onChar(static_cast<unsigned char>(wParam));
        break;
    case WM_KEYDOWN:
        onKeyDown(static_cast<UINT>(wParam));
        return false;
    case kBlinkMsg:
        m_bBlinkOn = !m_bBlinkOn;
        repaint(false);
        break;
    case WM_COPY:
        Copy();
        break;
    case WM_CUT:
        Cut();
        break;
    case WM_PASTE:
        Paste();
        break;
    case WM_CLEAR:
        tcSelClear();
        break;
    default:
        return false;
    }
    result = 0;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Drawing.

void guiEdit::printClient(HDC hdc)
{
    CDC* dc = hdc ? CDC::FromHandle(hdc) : nullptr;
    if (!dc)
        throw new vbEsys(E_FAIL, "guiBox::WM_PRINTCLIENT failure");
    guiDrawInfo info(1);
    tcPrintClient(&info, dc, false);
}

void guiEdit::drawRun(CDC* dc, const Run& run)
{
    if (run.count <= 0)
        return;
    const bool plain = run.back->IsValid() && !run.back->IsGrad();
    UINT options = ETO_CLIPPED;
    if (plain) {
        dc->SetBkColor(run.back->GetColor());
        options |= ETO_OPAQUE;
    } else if (run.back->IsValid()) {
        run.back->Fill(dc->GetSafeHdc(), run.rect, nullptr);
    }
    dc->SetTextColor(run.color);
    dc->ExtTextOut(run.x, m_textOrigin.y, options, &run.rect, run.text, static_cast<UINT>(run.count), nullptr);
}

void guiEdit::ClientPrint(guiDrawInfo* info, CDC* dc, const CRect* clip)
{
    const bool screen = !info || info->m_kind == 0;
    if (screen)
        hideCaret();
    const int saved = dc->SaveDC();
    if (clip)
        dc->IntersectClipRect(clip);

    const bool blink = m_bBlinkOn;
    const guiSurface& back = info && info->m_pBackSurface ? *info->m_pBackSurface
        : blink && m_blinkBack.IsValid()                  ? m_blinkBack
                                                          : tcGetBackSurface();
    const vbColor textColor = info && info->m_pTextColor ? *info->m_pTextColor
        : blink && !m_blinkFore.IsNull()                 ? m_blinkFore
                                                         : tcGetTextColor();
    const guiFont& font = info && info->m_pFont ? *info->m_pFont : tcGetFont();

    CRect r;
    guiDrawFrame(info, this, dc, &r, tcGetAppearStyle(), tcGetBorderStyle(), frameWidth());
    CRect textRect = r;
    if (!m_popupCB.IsEmpty()) {
        CRect popup(r.right - 6, r.top, r.right, r.bottom);
        textRect.right = popup.left;
        if (screen)
            m_popupRect = popup;
        const guiSurface& popupBack = info && info->m_pBackSurface ? *info->m_pBackSurface
            : m_bInPopup                                          ? m_selBack
                                                                  : tcGetBackSurface();
        popupBack.Fill(dc->GetSafeHdc(), popup, nullptr);
        const vbColor mark = info && info->m_pTextColor ? *info->m_pTextColor
            : m_bInPopup                                 ? m_selTextColor
                                                         : tcGetTextColor();
        const int m = popup.top + (popup.Height() - 2) / 2;
        const POINT triangle[3] = {{popup.left + 1, m}, {popup.left + 5, m}, {popup.left + 3, m + 2}};
        CPen pen(PS_SOLID, 1, mark);
        CBrush brush(mark);
        CPen* oldPen = dc->SelectObject(&pen);
        CBrush* oldBrush = dc->SelectObject(&brush);
        dc->Polygon(triangle, 3);
        dc->SelectObject(oldPen);
        dc->SelectObject(oldBrush);
    }

    if (font.IsValid())
        dc->SelectObject(static_cast<CFont*>(font));
    const CSize mp = dc->GetTextExtent("Mp", 2);
    const int textX = r.left + 1;
    int textY = r.top;
    if (mp.cy < r.Height())
        textY += (r.Height() - mp.cy) / 2 - 2;
    if (screen) {
        m_ovrCaretWidth = std::max(2, mp.cx / (2 * m_cursorFact));
        m_clickSlack = mp.cx / 10;
        m_textRect = textRect;
        m_textOrigin = CPoint(textX, textY);
        const int height = r.bottom + r.top - 2 * textY;
        if (height != m_caretHeight && m_bHasCaret) {
            DestroyCaret();
            m_bHasCaret = false;
        }
        m_caretHeight = height;
    }

    const std::string shown = displayed();
    if (shown.empty()) {
        m_firstVisible = 0;
        if (m_selAnchor > 0)
            m_selAnchor = 0;
        back.Fill(dc->GetSafeHdc(), textRect, nullptr);
    } else {
        drawText(dc, shown, textRect, CPoint(textX, textY), back, textColor, screen);
        if (!screen)
            m_charPos.clear();
    }
    dc->RestoreDC(saved);
    if (screen)
        refreshCaretPos(dc, true);
}

void guiEdit::drawText(CDC* dc, const std::string& shown, const CRect& textRect, CPoint origin, const guiSurface& back,
    const vbColor& textColor, bool screen)
{
    dc->SetTextAlign(TA_TOP | TA_LEFT);
    correctSel();
    // A print measures in its own context; the screen measures again after it.
    if (!screen)
        m_charPos.clear();
    calcCharPos(dc);
    const int n = static_cast<int>(shown.size());
    // "Fits" must leave the caret room at the end too: otherwise the caret scrolls the text, this
    // paint scrolls it back, and the two repaint each other for ever.
    const bool caretFits = !screen || origin.x + charPos(n + 1) + 1 <= caretRightLimit();
    if (charPos(n + 1) <= textRect.Width() - 1 && caretFits)
        m_firstVisible = 0;
    const int first = screen ? std::min(m_firstVisible, n - 1) : 0;
    const int base = charPos(first + 1);
    const int x0 = origin.x;
    const auto x = [&](int pos) { return x0 + charPos(pos) - base; };
    const auto run = [&](int from, int count, int right, const guiSurface& surface, const vbColor& color) {
        Run r{x(from), shown.c_str() + from - 1, count, CRect(x(from), textRect.top, right, textRect.bottom), &surface, color};
        if (from == first + 1)
            r.rect.left = textRect.left;
        drawRun(dc, r);
        return r.rect.right;
    };

    const int lo = std::min(m_selAnchor, m_selEnd) - first;
    const int hi = std::max(m_selAnchor, m_selEnd) - first;
    const bool selected = screen && m_selAnchor >= 1 && m_selEnd >= 1 && m_selAnchor != m_selEnd && hi > 1 &&
        charPos(first + std::max(lo, 1)) - base < textRect.Width();
    const int k = first + 1;
    if (!selected) {
        back.Fill(dc->GetSafeHdc(), textRect, nullptr);
        if (k <= n && x0 < textRect.right - 1)
            run(k, n - k + 1, textRect.right, back, textColor);
        return;
    }
    back.Fill(dc->GetSafeHdc(), textRect, nullptr);
    int next = k;
    int right = textRect.left;
    if (lo >= 2) {
        right = run(k, lo - 1, std::min<int>(textRect.right, x(k + lo - 1)), back, textColor);
        next = k + lo - 1;
    }
    const int selCount = std::min(lo >= 2 ? hi - lo : hi - 1, n - next + 1);
    if (selCount > 0) {
        const int after = next + selCount;
        const int end = after > n ? textRect.right : std::min<int>(textRect.right, x(after));
        right = run(next, selCount, end, m_selBack, m_selTextColor);
        next = after;
    }
    if (next <= n && right < textRect.right - 1)
        run(next, n - next + 1, textRect.right, back, textColor);
}
