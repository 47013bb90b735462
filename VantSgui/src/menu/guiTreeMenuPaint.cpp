// The menu engine's painting: the rows meeting the clip, the back around them, the selected
// row's rounded shape, icons with their animation timer, and the popup of the selected row.

#include "menu/guiTreeMenuDraw.h"
#include "menu/guiTreeMenuItem.h"
#include "guiTreeGlyphs.h"
#include "draw/guiTreeTypeAhead.h"

#include "guiBase.h"

#include "plat/region.h"
#include "plat/window.h"

#include <algorithm>

namespace {

bool isSet(const guiSurface& surface) { return !surface.IsEmpty(); }

// Which measured size a state shows.
int sizeIndex(bool sel, bool over) { return sel ? (over ? 3 : 1) : (over ? 2 : 0); }

} // namespace

void guiTreeMenuDraw::Draw(const CRect& treeRect, CDC& dc, const CRect* clip)
{
    guiTreeDrawLife::Entry entry(m_life);
    const int saved = dc.SaveDC();
    dc.IntersectClipRect(treeRect);
    CRect visible = treeRect;
    if (clip) {
        dc.IntersectClipRect(clip);
        visible.IntersectRect(visible, clip);
    }
    const bool whole = visible == treeRect;
    m_treeRect = treeRect;

    CRect content(treeRect.left, treeRect.top + 1, treeRect.left + m_size.cx, treeRect.top + 1 + m_size.cy);
    content.IntersectRect(content, CRect(treeRect.left, treeRect.top + 1, treeRect.right, treeRect.bottom - 1));
    bool animates = false;
    if (m_size.cx <= 0 || m_size.cy <= 0 || content.IsRectEmpty()) {
        PaintBack(dc, treeRect);
    } else {
        const int around = dc.SaveDC();
        dc.ExcludeClipRect(content);
        PaintBack(dc, treeRect);
        dc.RestoreDC(around);
        dc.IntersectClipRect(content);
        CRect area;
        area.IntersectRect(visible, content);
        animates = paintRows(dc, area);
    }
    dc.RestoreDC(saved);
    if (animates && !m_timerRunning) {
        m_timer.StartExt(&g_guiTimer, true);
        m_timerRunning = true;
    } else if (!animates && whole) {
        stopTimer();
    }
}


// The fill of a state: selected back, else over back, else the normal back.
void guiTreeMenuDraw::fillState(CDC& dc, const CRect& rect, const guiTreeAspectEngine& engine, bool sel, bool over)
{
    if (sel && isSet(engine.GetSelBack()))
        engine.GetSelBack().Fill(dc.GetSafeHdc(), rect, nullptr);
    else if (over && isSet(engine.GetOverBack()))
        engine.GetOverBack().Fill(dc.GetSafeHdc(), rect, nullptr);
    else
        PaintBack(dc, rect);
}

// area: client coordinates, inside the content area and the clip.
bool guiTreeMenuDraw::paintRows(CDC& dc, const CRect& area)
{
    const int top = area.top - (m_treeRect.top + 1 - m_offset.y);
    const int bottom = area.bottom - (m_treeRect.top + 1 - m_offset.y);
    bool animates = false;
    for (size_t i = 0; i < m_items.size(); ++i) {
        Item& item = *m_items[i];
        if (item.top >= bottom)
            break;
        if (item.top + item.height <= top)
            continue;
        animates = paintRow(dc, static_cast<int>(i) + 1, item, area) || animates;
    }
    const Item* selected = m_sel > 0 ? itemAt(m_sel) : nullptr;
    const bool wanted = selected && selected->hasSubmenu && selected->top >= m_offset.y &&
        selected->top + selected->height <= m_offset.y + m_treeRect.Height();
    const int popup = wanted ? m_sel : 0;
    if (popup != m_openPopup)
        requestPopup(popup);
    return animates;
}

bool guiTreeMenuDraw::paintRow(CDC& dc, int n, Item& item, const CRect& area)
{
    const guiTreeAspectEngine& engine = engineOf(item);
    const bool disabled = !item.enabled || !IsWindowEnabled(m_host->GetSafeHwnd());
    const bool sel = !disabled && m_sel == n;
    const bool over = !disabled && m_over == n;
    const bool helpSel = !disabled && m_sel == -n;
    const bool helpOver = !disabled && m_over == -n;
    const CRect row = toClient(rowRect(item));

    if (item.type == guiNodeType_Sep) {
        PaintBack(dc, row);
        const int mid = row.top + row.Height() / 2;
        dc.SelectObject(&g_guiClrFrame.GetPen());
        dc.MoveTo(row.left + 2, mid);
        dc.LineTo(row.right - 3, mid);
        dc.SelectObject(&g_guiClrFrameLight.GetPen());
        dc.MoveTo(row.left + 3, mid + 1);
        dc.LineTo(row.right - 3, mid + 1);
        return false;
    }

    const int saved = dc.SaveDC();
    const int checkColumn = m_checkBoxes || item.type == guiNodeType_Check || item.type == guiNodeType_Radio ? 20 : 0;
    if (sel && isSet(engine.GetSelBack())) {
        // A rectangle with a round right end; the rest of the row shows the normal back.
        PaintBack(dc, row);
        vbClipToPill(dc, row.left, row.right, row.top, row.bottom, area);
    }

    vbColor textColor = engine.GetTextColor(disabled, sel, over);
    vbColor shadowColor = engine.GetTextShadowColor(disabled, sel, over);
    const guiFont& font = engine.GetFont(sel, over);
    const guiSurface& back = sel || over ? engine.GetBack(sel, over) : engine.GetBack();
    const bool gradient = back.IsGrad();

    // Places.
    const CSize iconSize = engine.GetSzIcon();
    int x = row.left + checkColumn + 1;
    vbIcon* icon = nullptr;
    CRect iconRect(0, 0, 0, 0);
    if (m_widestIcon > 0) {
        icon = sel && item.selIcon.IsValid() ? &item.selIcon : item.icon.IsValid() ? &item.icon : nullptr;
        if (!item.node->IsLoaded() && m_loadingIcon.IsValid())
            icon = &m_loadingIcon;
        if (icon)
            iconRect = CRect(CPoint(x, row.top + (row.Height() - iconSize.cy) / 2), iconSize);
        x += m_widestIcon + 3;
    }
    const vbString& text = sel && !item.selText.IsEmpty() ? item.selText : item.text;
    const CSize textSize = item.sizes[sizeIndex(sel, over)];
    const CRect textRect(CPoint(x, row.top + (row.Height() - textSize.cy) / 2), textSize);
    vbIcon* helpIcon = helpSel && item.selHelpIcon.IsValid() ? &item.selHelpIcon : &item.helpIcon;
    CRect helpRect(0, 0, 0, 0);
    item.hasHelp = helpIcon->IsValid();
    if (item.hasHelp)
        helpRect = CRect(CPoint(row.left + helpColumn(item), row.top + (row.Height() - iconSize.cy) / 2), iconSize);

    // Fills, leaving out on plain backs what is painted over them anyway.
    {
        const int fill = dc.SaveDC();
        if (!gradient) {
            if (!iconRect.IsRectEmpty())
                dc.ExcludeClipRect(iconRect);
            if (shadowColor.IsNull())
                dc.ExcludeClipRect(textRect);
            if (!helpRect.IsRectEmpty())
                dc.ExcludeClipRect(helpRect);
        }
        fillState(dc, row, engine, sel, over);
        dc.RestoreDC(fill);
    }
    if ((helpSel && isSet(engine.GetSelBack())) || (helpOver && isSet(engine.GetOverBack())))
        fillState(dc, helpRect, engine, helpSel, helpOver);

    item.hasCheck = checkColumn == 20;
    if (item.hasCheck) {
        const int top = row.top + (row.Height() - 14) / 2;
        const CRect button(row.left + 4, top, row.left + 18, top + 14);
        const vbColor& rectColor = engine.GetCheckBtnRectColor();
        const vbColor& markColor = engine.GetCheckBtnTextColor();
        if (m_checkBoxes)
            vbDrawCheckBtn(rectColor, markColor, dc, button, item.checked, m_checkMode == guiNodeCheck_Btn);
        else if (item.type == guiNodeType_Radio)
            vbDrawRadioBtn(rectColor, markColor, dc, button, item.node->IsChecked(),
                item.checkMode == guiNodeCheck_Btn);
        else
            vbDrawCheckBtn(rectColor, markColor, dc, button, item.node->IsChecked(),
                item.checkMode == guiNodeCheck_Btn);
    }

    auto brushOf = [&](bool s, bool o) -> HBRUSH {
        const guiSurface& surface = s || o ? engine.GetBack(s, o) : engine.GetBack();
        if (surface.IsGrad() || surface.IsEmpty())
            return nullptr;
        return static_cast<HBRUSH>(const_cast<guiSurface&>(surface).GetBrush().GetSafeHandle());
    };
    item.iconAnimating = false;
    if (icon && !iconRect.IsRectEmpty())
        item.iconAnimating = icon->DrawIcon(dc.GetSafeHdc(), iconRect, m_frame, brushOf(sel, over), 3) &&
            icon->IsAnimated();

    dc.SetBkMode(gradient ? TRANSPARENT : OPAQUE);
    if (!gradient && !back.IsEmpty())
        dc.SetBkColor(static_cast<DWORD>(back.GetColor()));
    const vbColor* shadow = shadowColor.IsNull() ? nullptr : &shadowColor;
    if (sel && m_matchLength > 0) {
        const vbString marked = guiTextMarkMatch(text, m_matchStart, m_matchLength);
        font.DrawText(dc, textRect, marked, marked.GetLength(), &textColor, shadow, true);
    } else {
        font.DrawText(dc, textRect, text, text.GetLength(), &textColor, shadow, item.limit > 0);
    }

    item.helpAnimating = false;
    if (item.hasHelp) {
        item.helpAnimating = helpIcon->DrawIcon(dc.GetSafeHdc(), helpRect, m_frame, brushOf(helpSel, helpOver), 3) &&
            helpIcon->IsAnimated();
        if (helpOver && (helpSel || !isSet(engine.GetOverBack()))) {
            CRect frame = helpRect;
            frame.InflateRect(1, 1);
            vbColor frameColor = engine.GetTextColor(disabled, helpSel, helpOver);
            dc.FrameRect(frame, &frameColor.GetBrush());
        }
    }

    if (item.hasSubmenu) {
        const int y = row.top + (row.Height() - 6) / 2;
        const POINT corners[] = {{row.right - 8, y}, {row.right - 5, y + 3}, {row.right - 8, y + 6}};
        dc.SelectObject(&textColor.GetPen());
        dc.SelectObject(&textColor.GetBrush());
        dc.Polygon(corners, 3);
    }

    item.paintedSel = sel;
    item.paintedHelpSel = helpSel;
    dc.RestoreDC(saved);
    return item.iconAnimating || item.helpAnimating;
}

void guiTreeMenuDraw::OnTimer()
{
    guiTreeDrawLife::Entry entry(m_life);
    bool invalidated = false;
    if (!m_treeRect.IsRectEmpty()) {
        ++m_frame;
        const int top = m_offset.y;
        const int bottom = m_offset.y + m_treeRect.Height();
        for (auto& held : m_items) {
            const Item& item = *held;
            if (item.top >= bottom || item.top + item.height <= top)
                continue;
            const CSize iconSize = engineOf(item).GetSzIcon();
            const int iconTop = item.top + (item.height - iconSize.cy) / 2;
            const int checkColumn =
                m_checkBoxes || item.type == guiNodeType_Check || item.type == guiNodeType_Radio ? 20 : 0;
            if (item.iconAnimating) {
                invalidate(toClient(CRect(CPoint(checkColumn + 1, iconTop), iconSize)));
                invalidated = true;
            }
            if (item.helpAnimating) {
                invalidate(toClient(CRect(CPoint(helpColumn(item), iconTop), iconSize)));
                invalidated = true;
            }
        }
    }
    if (!invalidated)
        stopTimer();
}
