#include "guiSurface.h"

#include "guiBase.h"
#include "guiMsImg32.h"

#include "vbException.h"
#include "vbXml.h"

#include "plat/geometry.h"
#include "plat/region.h"

void cbIguiSurfaceChanged::onSurfaceChanged(guiSurface*) { guiPurecall(); }

namespace {

void emptyError(const char* what) { throw new vbEsys(true, E_FAIL, "guiSurface::%s() : empty surface !", what); }

// A colour in the gradient's vertex form: each 8-bit channel in the high byte of its 16 bits.
void setVertex(TRIVERTEX& vertex, LONG x, LONG y, const vbColor& color)
{
    const DWORD rgb = color;
    vertex.x = x;
    vertex.y = y;
    vertex.Red = static_cast<COLOR16>(GetRValue(rgb) << 8);
    vertex.Green = static_cast<COLOR16>(GetGValue(rgb) << 8);
    vertex.Blue = static_cast<COLOR16>(GetBValue(rgb) << 8);
    vertex.Alpha = 0;
}

} // namespace

guiSurface::guiSurface(cbIguiSurfaceChanged* cb) : m_color(vbNULLCOLOR), m_gradStart(vbNULLCOLOR), m_gradEnd(vbNULLCOLOR), m_cb(cb) { }

guiSurface::guiSurface(cbIguiSurfaceChanged* cb, DWORD color, DWORD gradStart, DWORD gradEnd, bool vert)
    : m_color(color), m_gradStart(gradStart), m_gradEnd(gradEnd), m_bVert(vert), m_bEmpty(false), m_cb(cb)
{
}

guiSurface::guiSurface(cbIguiSurfaceChanged* cb, const guiSurface& other) : guiSurface(cb) { copyFrom(other); }

guiSurface::guiSurface(const guiSurface& other) : guiSurface(nullptr, other) { }

guiSurface::~guiSurface() = default;

void guiSurface::copyFrom(const guiSurface& other)
{
    m_bEmpty = other.m_bEmpty;
    m_bVert = other.m_bVert;
    // vbColor lets its pen and brush go only when its value changes.
    m_color = other.m_color;
    m_gradStart = other.m_gradStart;
    m_gradEnd = other.m_gradEnd;
}

guiSurface& guiSurface::operator=(const guiSurface& other)
{
    Set(other, true);
    return *this;
}

bool guiSurface::Set(const guiSurface& other, bool notify)
{
    if (*this == other)
        return false;
    copyFrom(other);
    if (notify)
        update();
    return true;
}

bool guiSurface::operator==(const guiSurface& other) const
{
    if (m_bEmpty || other.m_bEmpty)
        return m_bEmpty == other.m_bEmpty;
    return m_color == other.m_color && m_gradStart == other.m_gradStart && m_gradEnd == other.m_gradEnd;
}

void guiSurface::update()
{
    if (m_cb)
        m_cb->onSurfaceChanged(this);
}

bool guiSurface::setColorOf(vbColor& target, const vbColor& color, bool notify)
{
    if (!m_bEmpty && target == color)
        return false;
    m_bEmpty = false;
    target = color;
    if (notify)
        update();
    return true;
}

bool guiSurface::SetColor(const vbColor& color, bool notify) { return setColorOf(m_color, color, notify); }
bool guiSurface::SetColor(DWORD color, bool notify) { return setColorOf(m_color, vbColor(color), notify); }
bool guiSurface::SetGradStart(const vbColor& color, bool notify) { return setColorOf(m_gradStart, color, notify); }
bool guiSurface::SetGradStart(DWORD color, bool notify) { return setColorOf(m_gradStart, vbColor(color), notify); }
bool guiSurface::SetGradEnd(const vbColor& color, bool notify) { return setColorOf(m_gradEnd, color, notify); }
bool guiSurface::SetGradEnd(DWORD color, bool notify) { return setColorOf(m_gradEnd, vbColor(color), notify); }

bool guiSurface::SetGradVert(bool vert, bool notify)
{
    if (!m_bEmpty && m_bVert == vert)
        return false;
    m_bEmpty = false;
    m_bVert = vert;
    if (notify)
        update();
    return true;
}

bool guiSurface::SetEmpty(bool empty, bool notify)
{
    if (m_bEmpty == empty)
        return false;
    m_bEmpty = empty;
    if (notify)
        update();
    return true;
}

bool guiSurface::Empty() { return SetEmpty(true, true); }

bool guiSurface::IsGrad() const { return !m_gradStart.IsNull() && !m_gradEnd.IsNull() && g_guiMsImg32.HasGradFill(); }

const vbColor& guiSurface::GetColor() const
{
    if (m_bEmpty)
        emptyError("GetColor");
    if (!m_color.IsNull())
        return m_color;
    if (!m_gradStart.IsNull())
        return m_gradStart;
    return m_gradEnd;
}

vbColor& guiSurface::penColor(const char* what)
{
    if (m_bEmpty)
        emptyError(what);
    return m_color.IsNull() ? m_gradStart : m_color;
}

CPen& guiSurface::GetPen() { return penColor("GetPen").GetPen(); }
CBrush& guiSurface::GetBrush() { return penColor("GetBrush").GetBrush(); }

bool guiSurface::gradFill(HDC dc, const RECT& rect, const RECT* clip) const
{
    int saved = 0;
    if (clip) {
        RECT target;
        if (!IntersectRect(&target, &rect, clip))
            return true;
        saved = SaveDC(dc);
        IntersectClipRect(dc, target.left, target.top, target.right, target.bottom);
    }
    // The mesh's upper-left vertex always carries the start colour, on the left or top edge.
    TRIVERTEX vertices[2];
    setVertex(vertices[0], rect.left, rect.top, m_bVert ? m_gradEnd : m_gradStart);
    setVertex(vertices[1], rect.right, rect.bottom, m_bVert ? m_gradStart : m_gradEnd);
    GRADIENT_RECT mesh = {m_bVert ? 1u : 0u, m_bVert ? 0u : 1u};
    const bool done = g_guiMsImg32.GradFill(dc, vertices, 2, &mesh, 1, m_bVert ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
    if (clip)
        RestoreDC(dc, saved);
    return done;
}

void guiSurface::Fill(HDC dc, const RECT& rect, const RECT* clip) const
{
    if (m_bEmpty)
        emptyError("Fill");
    if (IsGrad() && gradFill(dc, rect, clip))
        return;
    RECT target = rect;
    if (clip && !IntersectRect(&target, &rect, clip))
        return;
    // The background colour stays set: callers draw on it afterwards.
    SetBkColor(dc, GetColor());
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &target, nullptr, 0, nullptr);
}

bool guiSurface::ReadXml(sIvbXmlSource* src, const vbString& prefix, bool notify)
{
    // Each key reads into a fresh null value, so a rejected text sets null, never an earlier
    // key's colour.
    auto readColor = [&](const char* word, vbColor& out) {
        out = vbNULLCOLOR;
        return src->GetFlagColor(prefix + word, &out);
    };
    bool changed = false;
    vbColor value;
    const bool hasColor = readColor("color", value);
    if (hasColor)
        changed |= SetColor(value, false);
    if (readColor("gradstart", value)) {
        if (!hasColor && value != vbNULLCOLOR)
            changed |= SetColor(vbNULLCOLOR, false);
        changed |= SetGradStart(value, false);
    } else if (hasColor) {
        changed |= SetGradStart(vbNULLCOLOR, false);
    }
    if (readColor("gradend", value))
        changed |= SetGradEnd(value, false);
    bool vert = false;
    if (src->GetFlagBool(prefix + "gradv", &vert))
        changed |= SetGradVert(vert, false);
    if (changed && notify)
        update();
    return changed;
}
