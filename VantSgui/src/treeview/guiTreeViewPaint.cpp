// The painting of the tree view: background, tree lines and expand buttons, and the rows with
// their selected or hovered look, icons, texts, help icons and check buttons.

#include "guiTreeViewDraw.h"

#include "draw/guiTreeDrawPost.h"
#include "guiTreeGlyphs.h"
#include "draw/guiTreeTypeAhead.h"

#include "plat/gdi.h"

#include <algorithm>

namespace {

constexpr int kButton = 9;
constexpr int kCheckColumn = 20;
constexpr int kHelpGap = 5;

bool meets(const CRect& a, const CRect& b)
{
    CRect both;
    return both.IntersectRect(&a, &b) != FALSE;
}

// State 1 true, 0 false, else the stored default.
bool readBool(const vbBool& b) { return b.GetState() == 1 ? true : b.GetState() == 0 ? false : b.GetDefault(); }

// The brush an icon's plain background is drawn with; none for gradients.
HBRUSH plainBrush(const guiSurface& back)
{
    if (!back.IsValid() || back.IsGrad())
        return nullptr;
    return static_cast<HBRUSH>(const_cast<guiSurface&>(back).GetBrush().GetSafeHandle());
}

} // namespace

CPoint guiTreeViewDraw::toClient() const { return CPoint(m_treeRect.left - m_offset.x, m_treeRect.top + 1 - m_offset.y); }

void guiTreeViewDraw::Draw(const CRect& treeRect, CDC& dc, const CRect* clip)
{
    guiTreeDrawLife::Entry entry(*m_life);
    if (m_life->IsDestroyPending())
        return;
    const int saved = dc.SaveDC();
    dc.IntersectClipRect(&treeRect);
    CRect visible = treeRect;
    bool covers = true;
    if (clip) {
        dc.IntersectClipRect(clip);
        visible.IntersectRect(&treeRect, clip);
        covers = visible == treeRect;
    }
    bool animated = false;
    m_treeRect = treeRect;
    CRect content(treeRect.left, treeRect.top + 1, treeRect.left + m_content.cx - m_offset.x,
        treeRect.top + 1 + m_content.cy - m_offset.y);
    const CRect inner(treeRect.left, treeRect.top + 1, treeRect.right, treeRect.bottom - 1);
    if (m_content.cx < 0 || !content.IntersectRect(&content, &inner)) {
        PaintBack(dc, treeRect);
    } else {
        const int beforeBack = dc.SaveDC();
        dc.ExcludeClipRect(&content);
        PaintBack(dc, treeRect);
        dc.RestoreDC(beforeBack);
        dc.IntersectClipRect(&content);
        CRect area;
        area.IntersectRect(&visible, &content);
        const CPoint origin = toClient();
        area.OffsetRect(-origin.x, -origin.y);
        m_root.paint(dc, area, animated);
    }
    dc.RestoreDC(saved);
    if (animated && !m_bAnimating) {
        m_timer.StartExt(&g_guiTimer, true);
        m_bAnimating = true;
    } else if (!animated && covers && m_bAnimating) {
        stopAnimation();
    }
}

void guiTreeViewDraw::OnTimer()
{
    guiTreeDrawLife::Entry entry(*m_life);
    if (m_life->IsDestroyPending())
        return;
    CRect area = m_treeRect;
    const CPoint origin = toClient();
    area.OffsetRect(-origin.x, -origin.y);
    if (m_treeRect.IsRectEmpty() || !m_root.tick(area))
        stopAnimation();
}

CRect guiTreeViewLevel::iconPlace(guiTreeViewItem& item)
{
    const CSize size = item.Aspects().GetSzIcon();
    const int check = m_pDraw->HasCheckBoxes() || item.type == guiNodeType_Check || item.type == guiNodeType_Radio
        ? kCheckColumn
        : 0;
    const int left = m_placed.left + m_indent + 1 + check;
    return CRect(CPoint(left, item.top + (item.height - size.cy) / 2), size);
}

bool guiTreeViewLevel::tick(const CRect& area)
{
    if (!m_bExpanded || !HasAnimation())
        return false;
    bool invalidated = false;
    if (meets(CRect(0, m_placed.top, m_pDraw->GetSize().cx, m_placed.bottom), area)) {
        ++m_frame;
        for (auto& item : m_items) {
            if (item->top < 0)
                continue;
            CRect place = iconPlace(*item);
            if (item->animatedIcon && meets(place, area)) {
                m_pDraw->invalidateContent(place);
                invalidated = true;
            }
            place.MoveToXY(m_placed.right - place.Width() - kHelpGap, place.top);
            if (item->animatedHelpIcon && meets(place, area)) {
                m_pDraw->invalidateContent(place);
                invalidated = true;
            }
        }
    }
    if (m_animatedBelow > 0)
        for (auto& item : m_items)
            if (item->m_child && item->m_child->tick(area))
                invalidated = true;
    return invalidated;
}

bool guiTreeViewLevel::paint(CDC& dc, const CRect& clip, bool& animated)
{
    if (!m_bExpanded)
        return true;
    const int contentWidth = m_pDraw->GetSize().cx;
    if (!meets(CRect(0, m_placed.top, contentWidth, m_placed.bottom), clip))
        return m_placed.top < clip.bottom;
    const CPoint origin = m_pDraw->toClient();
    const CRect indentColumn(m_placed.left, m_placed.top, m_placed.left + m_indent, m_placed.bottom);
    const CRect rowColumn(m_placed.left + m_indent, m_placed.top, contentWidth, m_placed.bottom);
    const bool indentShown = meets(indentColumn, clip);
    const bool rowsShown = meets(rowColumn, clip);
    Lines lines{readBool(m_aspects.GetShowTreeLine(m_pParent == nullptr)), m_placed.left + m_indent / 2, m_placed.top};
    if (indentShown) {
        CRect back;
        back.IntersectRect(&indentColumn, &clip);
        back.OffsetRect(origin);
        m_pDraw->PaintBack(dc, back);
        if (!m_pParent && !m_items.empty())
            lines.start = m_placed.top + m_items.front()->height / 2;
    }
    for (size_t i = 0; i < m_items.size(); ++i) {
        guiTreeViewItem& item = *m_items[i];
        if (item.top < 0)
            continue;
        if (item.top >= clip.bottom)
            return false;
        if (indentShown)
            paintLineAndButton(dc, clip, item, lines);
        if (rowsShown)
            paintRow(dc, clip, item, static_cast<int>(i) + 1, animated);
        if (item.m_child && !item.m_child->paint(dc, clip, animated))
            return false;
    }
    if (indentShown && lines.shown)
        drawLine(dc, clip, CPoint(lines.x, lines.start), CPoint(lines.x, m_treeLineEnd));
    return m_placed.bottom < clip.bottom;
}

void guiTreeViewLevel::drawLine(CDC& dc, const CRect& clip, CPoint from, CPoint to)
{
    if (from.x == to.x ? from.y >= to.y : from.x >= to.x)
        return;
    const CRect span(from.x, from.y, std::max(from.x + 1, to.x), std::max(from.y + 1, to.y));
    CRect seen;
    if (!seen.IntersectRect(&span, &clip))
        return;
    const CPoint origin = m_pDraw->toClient();
    vbColor color = m_aspects.GetTreeLineColor();
    CPen* before = dc.SelectObject(&color.GetPen());
    dc.SetBkMode(TRANSPARENT);
    dc.MoveTo(seen.left + origin.x, seen.top + origin.y);
    if (from.x == to.x)
        dc.LineTo(seen.left + origin.x, seen.bottom + origin.y);
    else
        dc.LineTo(seen.right + origin.x, seen.top + origin.y);
    dc.SelectObject(before);
}

void guiTreeViewLevel::paintLineAndButton(CDC& dc, const CRect& clip, guiTreeViewItem& item, Lines& lines)
{
    item.hasExpandButton = false;
    if (item.type == guiNodeType_Sep || item.type == guiNodeType_Text || item.top + item.height <= clip.top)
        return;
    const int buttonTop = item.top + (item.height - kButton) / 2;
    const int middle = item.top + item.height / 2;
    int lineRight = m_placed.left + m_indent;
    if (lines.shown) {
        int horizontalStart = lines.x;
        if (item.m_child) {
            drawLine(dc, clip, CPoint(lines.x, lines.start), CPoint(lines.x, buttonTop));
            lines.start = buttonTop + kButton;
            horizontalStart = lines.x + 4;
        }
        drawLine(dc, clip, CPoint(horizontalStart, middle), CPoint(lineRight, middle));
    }
    if (!item.m_child)
        return;
    CRect button(CPoint(m_placed.left + (m_indent - kButton) / 2, buttonTop), CSize(kButton, kButton));
    button.OffsetRect(m_pDraw->toClient());
    vbDrawExpandBtn(m_aspects.GetBtnRectColor(), m_aspects.GetBtnTextColor(), dc, button, item.m_child->m_bExpanded);
    item.hasExpandButton = true;
}

void guiTreeViewLevel::paintRow(CDC& dc, const CRect& clip, guiTreeViewItem& item, int index, bool& animated)
{
    if (item.top + item.height <= clip.top)
        return;
    const CPoint origin = m_pDraw->toClient();
    CRect row(m_placed.left + m_indent, item.top, m_pDraw->GetSize().cx, item.top + item.height);
    row.OffsetRect(origin);
    const int saved = dc.SaveDC();
    dc.IntersectClipRect(&row);
    if (item.type == guiNodeType_Sep) {
        m_pDraw->PaintBack(dc, row);
        dc.RestoreDC(saved);
        return;
    }
    guiTreeAspectEngine& a = item.Aspects();
    const bool disabled = !item.enabled || !m_pDraw->Host()->IsWindowEnabled();
    const bool tracked = m_pDraw->IsOverShown();
    const bool selected = !disabled && m_pDraw->Selected().Is(this, index);
    const bool over = !disabled && tracked && m_pDraw->Over().Is(this, index);
    const bool helpSelected = !disabled && m_pDraw->HelpSelected().Is(this, index);
    const bool helpOver = !disabled && tracked && m_pDraw->HelpOver().Is(this, index);
    const CRect content(row.left, row.top, row.left + m_placed.right - m_placed.left - m_indent, row.bottom);
    const int check = m_pDraw->HasCheckBoxes() || item.type == guiNodeType_Check || item.type == guiNodeType_Radio
        ? kCheckColumn
        : 0;

    if ((selected && !a.GetSelBack().IsEmpty()) || (over && !a.GetOverBack().IsEmpty())) {
        // The highlight spans the level's widest item and ends round; the rest shows the back.
        m_pDraw->PaintBack(dc, row);
        CRect limit = clip;
        limit.OffsetRect(origin);
        limit.IntersectRect(&limit, &row);
        vbClipToPill(dc, content.left, content.right, content.top, content.bottom, limit);
    }

    const guiSurface& back = selected || over ? a.GetBack(selected, over) : m_pDraw->GetBack();
    const bool plain = back.IsValid() && !back.IsGrad();
    const vbColor textColor = a.GetTextColor(disabled, selected, over);
    const vbColor shadowColor = a.GetTextShadowColor(disabled, selected, over);
    const guiFont& font = a.GetFont(selected, over);
    const CSize iconSize = a.GetSzIcon();

    // The icon: the expanded ones only while the child level is open, the loading icon while the
    // node loads.
    const bool open = item.m_child && item.m_child->m_bExpanded;
    vbIcon* candidates[4] = {selected && open ? &item.selExpIcon : nullptr, open ? &item.expIcon : nullptr,
        selected ? &item.selIcon : nullptr, &item.icon};
    vbIcon* icon = nullptr;
    for (vbIcon* c : candidates)
        if (!icon && c && c->IsValid())
            icon = c;
    if (icon && !item.Node()->IsLoaded() && m_loadingIcon.IsValid())
        icon = &m_loadingIcon;
    CRect iconRect;
    int textLeft = content.left + 1 + check;
    if (icon) {
        iconRect = CRect(CPoint(textLeft, row.top + (row.Height() - iconSize.cy) / 2), iconSize);
        textLeft = iconRect.right + 3;
    }
    const CSize textSize = selected ? (over ? item.selOverSize : item.selSize) : (over ? item.overSize : item.size);
    const vbString& text = selected ? item.selText : item.text;
    const CRect textRect(textLeft, row.top + (row.Height() - textSize.cy) / 2, textLeft + textSize.cx,
        row.top + (row.Height() - textSize.cy) / 2 + textSize.cy);

    vbIcon* help = helpSelected && item.selHelpIcon.IsValid() ? &item.selHelpIcon : &item.helpIcon;
    item.hasHelpIcon = help->IsValid();
    CRect helpRect;
    if (item.hasHelpIcon)
        helpRect = CRect(CPoint(content.right - iconSize.cx - kHelpGap, row.top + (row.Height() - iconSize.cy) / 2), iconSize);
    const bool helpState = helpSelected || helpOver;
    const guiSurface& helpBack = helpState ? a.GetBack(helpSelected, helpOver) : back;
    const bool helpFilled = (helpSelected && !a.GetSelBack().IsEmpty()) || (helpOver && !a.GetOverBack().IsEmpty());

    const int beforeFill = dc.SaveDC();
    if (plain) {
        if (icon)
            dc.ExcludeClipRect(&iconRect);
        if (shadowColor.IsNull() && !text.IsEmpty())
            dc.ExcludeClipRect(&textRect);
    }
    if (item.hasHelpIcon && (plain || (helpState && plainBrush(helpBack)) || helpFilled))
        dc.ExcludeClipRect(&helpRect);
    fillState(dc, row, a, selected, over);
    dc.RestoreDC(beforeFill);

    item.hasCheckButton = check != 0;
    if (check) {
        const CRect box(content.left + 4, row.top + (row.Height() - 14) / 2, content.left + 18,
            row.top + (row.Height() - 14) / 2 + 14);
        const vbColor& rectColor = a.GetCheckBtnRectColor();
        const vbColor& markColor = a.GetCheckBtnTextColor();
        if (m_pDraw->HasCheckBoxes())
            vbDrawCheckBtn(rectColor, markColor, dc, box, item.engineChecked, m_pDraw->GetCheckMode() == guiNodeCheck_Btn);
        else if (item.type == guiNodeType_Radio)
            vbDrawRadioBtn(rectColor, markColor, dc, box, item.Node()->IsChecked(), item.checkMode == guiNodeCheck_Btn);
        else
            vbDrawCheckBtn(rectColor, markColor, dc, box, item.Node()->IsChecked(), item.checkMode == guiNodeCheck_Btn);
    }
    if (icon) {
        const bool drew = icon->DrawIcon(dc.GetSafeHdc(), iconRect, m_frame, plainBrush(back), 3);
        setAnimated(item.animatedIcon, drew && icon->IsAnimated());
    }
    if (!text.IsEmpty()) {
        if (plain) {
            dc.SetBkMode(OPAQUE);
            dc.SetBkColor(back.GetColor());
        } else {
            dc.SetBkMode(TRANSPARENT);
        }
        const vbColor* shadow = shadowColor.IsNull() ? nullptr : &shadowColor;
        if (selected && m_pDraw->MatchStart() > 0) {
            const vbString marked = guiTextMarkMatch(text, m_pDraw->MatchStart(), m_pDraw->MatchLength());
            font.DrawText(dc, textRect, marked, &textColor, shadow, true);
        } else {
            font.DrawText(dc, textRect, text, &textColor, shadow, item.widthLimit > 0);
        }
    }
    if (item.hasHelpIcon) {
        if (helpFilled)
            fillState(dc, helpRect, a, helpSelected, helpOver);
        const bool drew = help->DrawIcon(dc.GetSafeHdc(), helpRect, m_frame, plainBrush(helpBack), 3);
        setAnimated(item.animatedHelpIcon, drew && help->IsAnimated());
        if (helpOver && (helpSelected || a.GetOverBack().IsEmpty())) {
            CRect frame = helpRect;
            frame.InflateRect(1, 1);
            vbColor frameColor = a.GetTextColor(disabled, helpSelected, helpOver);
            dc.FrameRect(&frame, &frameColor.GetBrush());
        }
    } else {
        setAnimated(item.animatedHelpIcon, false);
    }
    item.drawnSelected = selected;
    item.drawnHelpSelected = helpSelected;
    if (item.animatedIcon || item.animatedHelpIcon)
        animated = true;
    dc.RestoreDC(saved);
}

// The sel back when selected, else the over back when over (each when set), else the tree's back.
void guiTreeViewLevel::fillState(CDC& dc, const CRect& rect, guiTreeAspectEngine& a, bool selected, bool over)
{
    if (selected && !a.GetSelBack().IsEmpty())
        a.GetSelBack().Fill(dc.GetSafeHdc(), rect, nullptr);
    else if (over && !a.GetOverBack().IsEmpty())
        a.GetOverBack().Fill(dc.GetSafeHdc(), rect, nullptr);
    else
        m_pDraw->PaintBack(dc, rect);
}
