#include "picGuiBox.h"

#include "picCaught.h"

#include "vbEngine.h"
#include "vbExceptionReport.h"
#include "vbWinClass.h"

#include "plat/gdi.h"
#include "plat/window.h"

#include <algorithm>
#include <cstdint>

namespace {

vbWinClass& boxClass()
{
    static vbWinClass cls("KVX Vantrel picGuiBox", 0x2B, DefWindowProcA, vbEngineDeps());
    return cls;
}

// Exceptions of the box's window side are shown under this source name.
constexpr const char kSource[] = "PicGui";


// The largest rectangle of the picture's proportions inside r, centred.
CRect fitted(const CRect& r, const picSize& picture)
{
    const int64_t w = r.Width(), h = r.Height();
    int64_t cx = w, cy = h;
    if (w * picture.cy > h * picture.cx)
        cx = h * picture.cx / picture.cy;
    else
        cy = w * picture.cy / picture.cx;
    const LONG left = r.left + static_cast<LONG>((w - cx) / 2);
    const LONG top = r.top + static_cast<LONG>((h - cy) / 2);
    return CRect(left, top, left + static_cast<LONG>(cx), top + static_cast<LONG>(cy));
}

} // namespace

picGuiBox::picGuiBox(cbIpicImageLoaded* owner) : m_picture(this), m_pOwner(owner)
{
    tcGetBackSurface().Set(guiSurface(nullptr, 0x8000000F, -1, -1, false), false);
    tcSetTextColor(static_cast<DWORD>(0x80000012));
    // A control's font starts empty, and an empty font cannot draw: every paint of a text would
    // fail. The size is the one the program's dialogs and pages use.
    tcGetFont().SetSize(-11, false);
    tcSetMouseCursor(&guiCursor_Arrow, false);
}

picGuiBox::~picGuiBox() = default;

BOOL picGuiBox::PreCreateWindow(CREATESTRUCTA& cs)
{
    try {
        boxClass().InitCs(cs);
        cs.style = (cs.style & WS_VISIBLE) | WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
        return TRUE;
    } catch (...) {
        picShowCaught(kSource, __LINE__);
        return FALSE;
    }
}

bool picGuiBox::onWindowProc(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result)
{
    try {
        return handleMessage(msg, wParam, lParam, result);
    } catch (...) {
        picShowCaught(kSource, __LINE__);
        result = 0;
        return true;
    }
}

bool picGuiBox::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (msg) {
    case WM_PAINT: {
        CPaintDC dc(this);
        ClientPrint(nullptr, &dc);
        result = 0;
        return true;
    }
    case WM_PRINTCLIENT: {
        CDC* dc = wParam ? CDC::FromHandle(reinterpret_cast<HDC>(wParam)) : nullptr;
        if (!dc)
            throw new vbEsys(E_FAIL, "picGuiBox::WM_PRINTCLIENT failure");
        guiDrawInfo info(1);
        ClientPrint(&info, dc);
        result = 0;
        return true;
    }
    case WM_SIZE:
        result = classWindowProc(msg, wParam, lParam);
        onResized();
        return true;
    case WM_ERASEBKGND:
        result = 1;
        return true;
    default:
        return false;
    }
}

void picGuiBox::tcSetText(const vbString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    repaint();
}

void picGuiBox::SetTextVert(bool vertical)
{
    if (m_bVertical == vertical)
        return;
    m_bVertical = vertical;
    repaint();
}

void picGuiBox::SetTextBackColor(const vbColor& color)
{
    if (m_textBackColor == color)
        return;
    m_textBackColor = color;
    repaint();
}

void picGuiBox::SetPictureUrl(const vbString& url, vbDnPriority priority)
{
    // A picture shared without a URL (a result being made) has the empty URL too, and goes with it.
    const bool shared = url.IsEmpty() && m_picture.Get();
    const bool changed = m_picture.SetUrlKey(url, 0) || shared;
    if (shared)
        m_picture.Unlink();
    if (!url.IsEmpty())
        m_picture.AskLoad(priority);
    if (changed)
        repaint();
}

void picGuiBox::SharePicture(const picGuiImagePtr& source)
{
    // The base's copy: the box's pointer keeps telling the box, not source's owner.
    static_cast<picGuiImagePtr::Base&>(m_picture) = source;
    repaint();
}

void picGuiBox::onImageLoaded(picGuiImagePtr* ptr)
{
    repaint();
    if (m_pOwner)
        m_pOwner->onImageLoaded(ptr);
}

void picGuiBox::repaint()
{
    if (GetSafeHwnd())
        Invalidate(FALSE);
}

void picGuiBox::ClientPrint(guiDrawInfo* info, CDC* dc)
{
    const CRect inner = drawFrame(info, dc);
    const int saved = dc->SaveDC();
    try {
        printPicture(info, *dc, inner);
        if (!m_text.IsEmpty())
            printText(*dc, inner);
    } catch (...) {
        dc->RestoreDC(saved);
        throw;
    }
    dc->RestoreDC(saved);
}

CRect picGuiBox::drawFrame(guiDrawInfo* info, CDC* dc)
{
    CRect inner;
    guiDrawFrame(info, this, dc, &inner, tcGetAppearStyle(), tcGetBorderStyle(), frameWidth());
    return inner;
}

void picGuiBox::printPicture(guiDrawInfo* info, CDC& dc, const CRect& inner)
{
    // The surface first: where the picture lands it is drawn over, and a picture that cannot be
    // drawn leaves all of it.
    tcGetBackSurface().Fill(dc.GetSafeHdc(), inner, nullptr);
    picGuiImageObject* object = m_picture.IsLoaded() ? m_picture.Get() : nullptr;
    picSize size;
    if (!object || !object->GetBitmapSize(&size) || size.cx <= 0 || size.cy <= 0 || inner.IsRectEmpty())
        return;
    const CRect place = fitted(inner, size);
    object->Render(info, &dc, place.left, place.top, place.Width(), place.Height(), 0, 0, -1, -1);
}

void picGuiBox::printText(CDC& dc, const CRect& inner)
{
    guiFont& font = tcGetFont();
    font.SetOrientation(m_bVertical ? 900 : 0, false);
    const int available = (m_bVertical ? inner.Height() : inner.Width()) - 4;
    CSize extent = font.GetTextSize(dc, available, m_text, false);
    if (m_bVertical)
        std::swap(extent.cx, extent.cy);
    CRect rc(inner);
    rc.DeflateRect(std::max<LONG>(0, (inner.Width() - extent.cx) / 2), std::max<LONG>(0, (inner.Height() - extent.cy) / 2));
    rc.IntersectRect(&rc, &inner);
    dc.SetBkMode(TRANSPARENT);
    const vbColor* back = m_textBackColor.IsNull() ? nullptr : &m_textBackColor;
    // Drawn in the lines it was measured in: one line cut at the measured width loses the end of
    // a long text, such as the reason of a failure.
    font.DrawText(dc, rc, m_text, &tcGetTextColor(), back, available > 0);
}
