#include "picImageHolder.h"

#include "picMainWnd.h"
#include "picNumberText.h"

#include "guiContainer.h"

#include "plat/controls.h"

namespace {

constexpr int kPathRow = 20;
constexpr int kFilterRow = 24;
constexpr int kStatusRow = 20;
constexpr int kPathButtonWidth = 50;

constexpr DWORD kWindowText = 0x80000008;
constexpr DWORD kWindow = 0x80000005;
constexpr DWORD kButtonFace = 0x8000000F;
constexpr DWORD kRed = 255;

// The channel combos' colours (RGB mode) and their hints.
constexpr DWORD kChannelColours[] = {0x9090DD, 0x90DD90, 0xDD9090};
constexpr DWORD kMonochromeColour = 0x909090;
const char* const kChannelHints[] = {" red filter used to make this image", " green filter used to make this image",
    " blue filter used to make this image"};

// Creates control's window in page at r the first time (answering true), else moves it there.
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

vbString factorText(double factor)
{
    vbString text;
    text.Format("%g%%", factor);
    return text;
}

} // namespace

void picImageHolder::BuildPropertyPage(sIpicMainWnd* wnd, guiContainer* page, CRect& rect, bool relayout)
{
    Base::BuildPropertyPage(wnd, page, rect, relayout);
    placePathRow(CRect(rect.left, rect.top, rect.right, rect.top + kPathRow), page);
    rect.top += kPathRow;
    placeFilterRow(wnd, CRect(rect.left, rect.top, rect.right, rect.top + kFilterRow), page);
    rect.top += kFilterRow;
    if (place(m_editStatus, page, CRect(rect.left, rect.top, rect.right, rect.top + kStatusRow))) {
        m_editStatus.tcSetToolTip(GetDisplayName() + " status", false);
        // Read-only rather than disabled: a disabled window takes no mouse, and a status its row
        // cuts is read whole in the row's tool tip (and can be selected and copied).
        m_editStatus.tcGetWnd()->SendMessage(EM_SETREADONLY, TRUE, 0);
    }
    rect.top += kStatusRow;
}

void picImageHolder::placePathRow(const CRect& row, guiContainer* page)
{
    const bool withButton = row.Width() > 99;
    CRect edit(row);
    if (withButton)
        edit.right -= kPathButtonWidth;
    if (place(m_editPath, page, edit)) {
        m_editPath.tcSetText(GetFilePath());
        m_editPath.tcSetToolTip(GetDisplayName() + " file path", false);
        m_editPath.tcSetEnabled(IsPathEditable());
        m_editPath.tcSetTextColor(kWindowText);
        m_editPath.tcSetBackColor(IsPathEditable() ? kWindow : kButtonFace);
        m_editPath.OnEditCB() = guiMSEDITCB(this, &picImageHolder::onPathEdit);
    }
    if (place(m_btnPath, page, CRect(edit.right, row.top, row.right, row.bottom))) {
        m_btnPath.tcSetText("...");
        m_btnPath.tcGetFont().SetSize(-11, true);
        m_btnPath.tcSetTextColor(0xFF0000);
        guiSurface& back = m_btnPath.tcGetBackSurface();
        back.SetGradStart(0xFFFFFF, false);
        back.SetGradEnd(0xFACE87, true);
        m_btnPath.OnButtonCB() = guiBUTTONCB(this, &picImageHolder::onPathClick);
    }
    m_btnPath.tcSetVisible(withButton);
}

void picImageHolder::placeFilterRow(sIpicMainWnd* wnd, const CRect& row, guiContainer* page)
{
    const bool rgb = GetFilterType() == kRgb;
    const int unit = row.Width() / (rgb ? 12 : 6);
    CRect r(row.left, row.top, row.left + 3 * unit, row.bottom);
    if (place(m_comboType, page, r)) {
        m_comboType.InsertListItem(-1, "Monochromatic filter");
        m_comboType.InsertListItem(-1, "RGB filters");
        m_comboType.tcSetToolTip(GetDisplayName() + " filter type used to make this image", false);
        m_comboType.OnComboBoxCB() = guiMSCOMBOBOXCB(this, &picImageHolder::onTypeCombo);
    }
    m_comboType.SetListIndex(GetFilterType());
    for (int slot = 0; slot < kChannels; ++slot) {
        const bool shown = rgb || slot == 0;
        const bool last = !rgb || slot == kChannels - 1;
        const CRect combo(r.right, row.top, r.right + 2 * unit, row.bottom);
        const CRect factor(combo.right, row.top, last ? row.right : combo.right + unit, row.bottom);
        r = factor;
        if (shown || m_rows[slot].combo.tcGetHwnd())
            placeChannel(wnd, slot + 1, combo, factor, page);
        m_rows[slot].combo.tcSetVisible(shown);
        m_rows[slot].factor.tcSetVisible(shown);
        if (shown)
            showChannelColours(slot, rgb);
    }
}

void picImageHolder::placeChannel(
    sIpicMainWnd* wnd, int channel, const CRect& comboRect, const CRect& factorRect, guiContainer* page)
{
    ChannelRow& row = m_rows[channel - 1];
    if (place(row.combo, page, comboRect)) {
        picChannelFilter filter = GetChannel(channel);
        wnd->fillFilterCombo(row.combo, filter);
        SetChannel(channel, filter);
        row.combo.OnComboBoxCB() = guiMSCOMBOBOXCB(this, &picImageHolder::onChannelCombo);
    }
    if (place(row.factor, page, factorRect)) {
        row.factor.tcSetText(factorText(GetChannel(channel).GetFactor()));
        row.factor.tcSetTextColor(kWindowText);
        row.factor.tcSetBackColor(kWindow);
        row.factor.OnEditCB() = guiMSEDITCB(this, &picImageHolder::onFactorEdit);
    }
}

void picImageHolder::showChannelColours(int slot, bool rgb)
{
    guiMsComboBox& combo = m_rows[slot].combo;
    combo.tcSetBackColor(rgb ? kChannelColours[slot] : kMonochromeColour);
    combo.tcSetToolTip(GetDisplayName() + (rgb ? kChannelHints[slot] : " monochromatic filter used to make this image"),
        false);
}

int picImageHolder::channelOf(const TControl& control) const
{
    for (int slot = 0; slot < kChannels; ++slot)
        if (&control == &m_rows[slot].combo || &control == &m_rows[slot].factor)
            return slot + 1;
    return 0;
}

// --- reactions of the page ---

bool picImageHolder::onPathEdit(guiMsEdit& edit)
{
    const vbString text = edit.tcGetText();
    edit.tcSetBackColor(IsPathEditable() ? kWindow : kButtonFace);
    if (text.IsEmpty())
        return false;
    if (!IsPathValid(text)) {
        edit.tcSetTextColor(kRed);
        return false;
    }
    edit.tcSetTextColor(kWindowText);
    if (text == GetFilePath())
        return false;
    SetPath(text);
    OnPathChanged();
    return false;
}

bool picImageHolder::onPathClick(guiButton&)
{
    OnPathButton();
    return true;
}

bool picImageHolder::onTypeCombo(guiMsComboBox& combo)
{
    const int type = combo.GetListIndex();
    if (type < 0 || type == GetFilterType())
        return false;
    SetFilterType(type);
    if (sIpicMainWnd* wnd = GetPageOwner())
        wnd->onNodeChanged(this);
    TouchWork(nullptr, false);
    return true;
}

bool picImageHolder::onChannelCombo(guiMsComboBox& combo)
{
    const int channel = channelOf(combo);
    sIpicMainWnd* wnd = GetPageOwner();
    if (!channel || !wnd)
        return false;
    picChannelFilter filter = GetChannel(channel);
    const bool changed = wnd->readFilterCombo(combo, filter);
    SetChannel(channel, filter);
    if (changed)
        TouchWork(nullptr, false);
    return true;
}

bool picImageHolder::onFactorEdit(guiMsEdit& edit)
{
    const int channel = channelOf(edit);
    if (!channel)
        return false;
    edit.tcSetBackColor(kWindow);
    double value = 0;
    if (!parsePercent(edit.tcGetText(), &value)) {
        edit.tcSetTextColor(kRed);
        return false;
    }
    edit.tcSetTextColor(kWindowText);
    picChannelFilter filter = GetChannel(channel);
    if (value == filter.GetFactor())
        return false;
    filter.SetFactor(value);
    SetChannel(channel, filter);
    TouchWork(nullptr, false);
    return false;
}

// --- the preview ---

void picImageHolder::placePreview(guiContainer* page, const CRect& rect, const vbString& hint)
{
    if (place(m_preview, page, rect))
        m_preview.tcSetToolTip(hint, false);
}

const picGuiImagePtr* picImageHolder::GetPreviewPicture()
{
    const picGuiImagePtr& picture = m_preview.GetPicture();
    return picture.Get() ? &picture : nullptr;
}

vbString picImageHolder::WhyNoPicture()
{
    vbString text;
    return previewFailure(&text) ? "Load failed: " + text : vbString();
}

bool picImageHolder::previewSize(picSize* size)
{
    picGuiImagePtr& picture = m_preview.GetPicture();
    return picture.IsLoaded() && picture.Get()->GetBitmapSize(size);
}

bool picImageHolder::previewSizeText(vbString* text)
{
    picSize size;
    if (!previewSize(&size))
        return false;
    text->Format("Image size: width=%ld pixels, height=%ld", static_cast<long>(size.cx), static_cast<long>(size.cy));
    const vbString damage = m_preview.GetPicture().Get()->GetDamage();
    if (!damage.IsEmpty())
        *text += " (damaged file, shown as far as it could be read: " + damage + ")";
    return true;
}

bool picImageHolder::previewFailure(vbString* text)
{
    picGuiImagePtr& picture = m_preview.GetPicture();
    ULONG hr = 0;
    return picture.IsLoaded() && picture.GetError(hr, *text);
}

void picImageHolder::loadPreview(const vbString& path)
{
    if (path.IsEmpty()) {
        emptyPreview();
        return;
    }
    const CRect box = m_preview.tcGetClientRect();
    const CSize size(box.Width(), box.Height());
    if (path == m_previewPath && size == m_previewSize && m_preview.GetPicture().Get())
        return;
    emptyPreview();
    m_previewPath = path;
    m_previewSize = size;
    m_preview.SetPictureUrl(path, vbDnPriority1);
}

void picImageHolder::emptyPreview()
{
    m_previewPath.Empty();
    m_previewSize = CSize();
    m_preview.SetPictureUrl(vbString(), vbDnPriority1);
}

void picImageHolder::setStatus(const vbString& text)
{
    if (m_editStatus.tcGetText() != text)
        m_editStatus.tcSetText(text);
}
