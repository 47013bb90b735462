#include "picLightFilter.h"

#include "picMainWnd.h"
#include "picNumberText.h"

#include "guiContainer.h"

#include "vbFileTools.h"

namespace {

constexpr int kRowHeight = 20;
constexpr int kButtonWidth = 50;
constexpr DWORD kTextColor = 0x80000008;  // the system's window text
constexpr DWORD kWindowColor = 0x80000005; // the system's window
constexpr DWORD kRed = 255;

const char* const kBoundHints[4] = {
    "Light band pass minima or origin for graph (x axis)",
    "Light band pass maxmima for graph (x axis)",
    "Light transmittance minima or origin for graph (y axis)",
    "Light transmittance maxmima for graph (y axis)",
};

// Creates control in page at r the first time, moves it there later; true when created now.
template <class Control>
bool place(Control& control, guiContainer* page, const CRect& r)
{
    if (!control.tcGetHwnd()) {
        control.Create(page, r, true, true);
        return true;
    }
    control.tcSetWindowPos(r.left, r.top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    return false;
}

void setEditLook(guiMsEdit& edit, bool valid)
{
    edit.tcSetTextColor(valid ? kTextColor : kRed);
    edit.tcSetBackColor(kWindowColor);
}

} // namespace

void picLightFilter::BuildPropertyPage(sIpicMainWnd* wnd, guiContainer* page, CRect& rect, bool relayout)
{
    Base::BuildPropertyPage(wnd, page, rect, relayout);
    placeControls(page, rect);
    const vbString path = GetFilePath();
    if (!relayout && IsPathValid(path))
        ReloadBackground();
    setStatus(statusText());
}

void picLightFilter::placeControls(guiContainer* page, CRect& rect)
{
    const int width = rect.Width();
    const bool withButton = width > 99;

    CRect row(rect.left, rect.top, withButton ? rect.right - kButtonWidth : rect.right, rect.top + kRowHeight);
    if (place(m_editPath, page, row)) {
        m_editPath.tcSetText(GetFilePath());
        m_editPath.tcSetToolTip(GetDisplayName() + " background image path", false);
        setEditLook(m_editPath, true);
        m_editPath.OnEditCB() = guiMSEDITCB(this, &picLightFilter::onPathEdit);
    }
    if (withButton) {
        if (place(m_btnPath, page, CRect(rect.right - kButtonWidth, row.top, rect.right, row.bottom))) {
            m_btnPath.tcSetText("...");
            m_btnPath.tcGetFont().SetSize(-11, true);
            m_btnPath.tcSetTextColor(0xFF0000);
            guiSurface& back = m_btnPath.tcGetBackSurface();
            back.SetGradStart(0xFFFFFF, false);
            back.SetGradEnd(0xFACE87, true);
            m_btnPath.tcSetToolTip(
                "Choose a background image to assist you in drawing the graph of your light filter", false);
            m_btnPath.OnButtonCB() = guiBUTTONCB(this, &picLightFilter::onPathButton);
        }
        m_btnPath.tcSetVisible(true);
    } else if (m_btnPath.tcGetHwnd()) {
        m_btnPath.tcSetVisible(false);
    }
    row.OffsetRect(0, kRowHeight);

    const int quarter = width / 4;
    for (int i = 0; i < 4; ++i) {
        const int left = rect.left + i * quarter;
        const CRect cell(left, row.top, i == 3 ? rect.right : left + quarter, row.bottom);
        if (place(m_editBounds[i], page, cell)) {
            m_editBounds[i].tcSetText(GetBound(i));
            m_editBounds[i].tcSetToolTip(kBoundHints[i], false);
            setEditLook(m_editBounds[i], true);
            m_editBounds[i].OnEditCB() = guiMSEDITCB(this, &picLightFilter::onBoundEdit);
        }
    }
    row.OffsetRect(0, kRowHeight);

    row.right = rect.right;
    row.left = rect.left;
    if (place(m_editStatus, page, row)) {
        m_editStatus.tcSetToolTip(GetDisplayName() + " status", false);
        m_editStatus.tcSetEnabled(false);
    }
    row.OffsetRect(0, kRowHeight);

    const CRect graph(rect.left, row.top, rect.right, std::max(rect.bottom, row.top));
    place(m_curve, page, graph);
    rect.top = graph.bottom;
}

vbString picLightFilter::statusText()
{
    picGuiImagePtr& picture = m_curve.GetPicture();
    picSize size;
    if (picture.IsLoaded() && picture.Get() && picture.Get()->GetBitmapSize(&size)) {
        vbString text;
        text.Format("Background image size: width=%ld pixels, height=%ld", long(size.cx), long(size.cy));
        return text;
    }
    return GetFilePath().IsEmpty() ? "No background image..." : "Loading background image...";
}

void picLightFilter::setStatus(const vbString& text)
{
    if (m_editStatus.tcGetHwnd())
        m_editStatus.tcSetText(text);
}

bool picLightFilter::onPathEdit(guiMsEdit& edit)
{
    const vbString text = edit.tcGetText();
    if (text == GetFilePath())
        return false;
    const bool valid = IsPathValid(text);
    setEditLook(edit, valid);
    if (!valid)
        return false;
    setStored(m_path, text);
    ReloadBackground();
    setStatus(statusText());
    return false;
}

// A bound that parses is kept at once, in its normal form; it reaches the graph, and through it
// the results that use the filter, only while the pair it belongs to is in order.
bool picLightFilter::onBoundEdit(guiMsEdit& edit)
{
    const int i = int(&edit - m_editBounds);
    auto parse = [](int n, const vbString& text, double* value) {
        return n < 2 ? parseWavelength(text, value) : parsePercent(text, value);
    };
    double value = 0;
    if (!parse(i, edit.tcGetText(), &value)) {
        setEditLook(edit, false);
        return false;
    }
    setStored(m_bounds[i], picFormatNumber(value) + (i < 2 ? "nm" : "%"));
    const int other = i ^ 1;
    double otherValue = 0;
    const bool ordered = !parse(other, GetBound(other), &otherValue)
        || (i % 2 == 0 ? value < otherValue : otherValue < value);
    setEditLook(edit, ordered);
    if (ordered && applyBounds())
        touchUsers(mainWnd());
    return false;
}

bool picLightFilter::onPathButton(guiButton&)
{
    OnPathButton();
    return true;
}
