// The colour value type: text forms, and the pen and brush of a colour.

#include "vbColor.h"

#include "vbException.h"
#include "vbLog.h"
#include "vbStrUtil.h"

#include "plat/errors.h"

#include <cstdint>

const vbColor vbColorNull;

namespace {

// Hexadecimal to its end, as a 32-bit number; an empty text reads as 0 (a bare "#" is black).
// A number too large for 32 bits or a minus sign is bad text, not all ones.
bool readHex(const char* text, DWORD* pValue)
{
    uint64_t value = 0;
    const char* end = text;
    if (*text && (!vbStrToUint64(text, &value, 16, &end) || *end || value > 0xFFFFFFFFu))
        return false;
    *pValue = static_cast<DWORD>(value);
    return true;
}

// RRGGBB as written to 0x00BBGGRR stored (and back: the swap is its own inverse).
DWORD swapRedBlue(DWORD v) { return (v & 0xFF00FF00u) | (v & 0xFFu) << 16 | (v >> 16 & 0xFFu); }

bool tableValue(const vbString& name, DWORD* pValue)
{
    for (const vbColorNameSt* p = g_vbArrClrName; p->name; ++p) {
        if (name.CompareNoCase(p->name) == 0) {
            *pValue = p->value;
            return true;
        }
    }
    return false;
}

} // namespace

vbColor::vbColor(DWORD color) noexcept : m_color(color) { }

vbColor::vbColor(const vbColor& other) noexcept : m_color(other.m_color) { }

vbColor::vbColor(const vbColorType& type) : m_color(type.GetRef()) { }

vbColor::~vbColor() = default; // the pen and brush delete their handles

void vbColor::deleteGdi()
{
    m_pen.DeleteObject();
    m_brush.DeleteObject();
    m_penRgb = vbNULLCOLOR;
    m_brushRgb = vbNULLCOLOR;
}

vbColor& vbColor::operator=(DWORD color)
{
    if (color != m_color) {
        deleteGdi();
        m_color = color;
    }
    return *this;
}

vbColor& vbColor::operator=(const vbColor& other) { return *this = other.m_color; }

vbColor& vbColor::operator=(const vbColorType& type) { return *this = type.GetRef(); }

bool vbColor::operator==(const vbColorType& type) const { return m_color == type.GetRef(); }

bool vbColor::operator!=(const vbColorType& type) const { return m_color != type.GetRef(); }

vbColor::operator DWORD() const { return g_vbColorEngine.GetRgb(m_color, 0); }

bool vbColor::IsNull() const { return g_vbColorEngine.IsColorNull(m_color, 0); }

namespace {

// Whether obj is to be made for rgb: it has none yet, or one made for another RGB (deleted here).
bool toMake(CGdiObject& obj, DWORD madeRgb, DWORD rgb)
{
    if (obj.GetSafeHandle()) {
        if (rgb == madeRgb)
            return false;
        obj.DeleteObject();
    }
    SetLastError(0);
    return true;
}

} // namespace

CPen& vbColor::GetPen()
{
    const DWORD rgb = *this;
    if (toMake(m_pen, m_penRgb, rgb)) {
        if (!m_pen.CreatePen(m_penStyle, m_penWidth, rgb))
            throw new vbEsys(true, HRESULT_FROM_WIN32(GetLastError()),
                "vbColor::GetPen() : Instruction 'CreatePen(%d,%d,0x%08X)' failed !", m_penStyle, m_penWidth,
                static_cast<unsigned>(rgb));
        m_penRgb = rgb;
    }
    return m_pen;
}

CBrush& vbColor::GetBrush()
{
    const DWORD rgb = *this;
    if (toMake(m_brush, m_brushRgb, rgb)) {
        if (!m_brush.CreateSolidBrush(rgb))
            throw new vbEsys(true, HRESULT_FROM_WIN32(GetLastError()),
                "vbColor::GetBrush() : Instruction 'CreateSolidBrush(0x%08X)' failed !", static_cast<unsigned>(rgb));
        m_brushRgb = rgb;
    }
    return m_brush;
}

bool vbColor::SetPenAspect(int style, int width)
{
    if (style == m_penStyle && width == m_penWidth)
        return false;
    m_penStyle = style;
    m_penWidth = width;
    m_pen.DeleteObject();
    m_penRgb = vbNULLCOLOR;
    return true;
}

bool vbColor::Empty()
{
    if (IsNull())
        return false;
    *this = vbNULLCOLOR;
    return true;
}

bool vbColor::Set(const vbString& text, bool bThrow)
{
    if (text.IsEmpty())
        return false;
    // Hexadecimal text is RRGGBB; names and user colours give stored values directly.
    const char* digits = text.c_str();
    DWORD value = 0;
    bool ok = true;
    if (*digits == '#') {
        ++digits;
        ok = readHex(digits, &value);
        value = swapRedBlue(value & 0x00FFFFFFu);
    } else if (!tableValue(text, &value) && (value = g_vbColorEngine.GetUserColor(text)) == vbNULLCOLOR) {
        ok = readHex(digits, &value);
        value = swapRedBlue(value & 0x00FFFFFFu);
    }
    if (ok) {
        *this = value;
        return true;
    }
    const vbString msg = vbString("vbColor::Set(") + digits + ") : bad color string";
    if (bThrow)
        throw new vbEsys(E_FAIL, msg.c_str());
    vbRelOutput("ERROR: " + msg, true);
    return false;
}

vbColor::operator vbString() const
{
    for (const vbColorNameSt* p = g_vbArrClrName; p->name; ++p)
        if (p->value == m_color)
            return vbString(p->name);
    if (m_color & 0x80000000u) {
        const int id = static_cast<int>(m_color & 0xFFFu);
        return id >= 256 ? g_vbColorEngine.GetUserColorName(id - 255) : vbString();
    }
    return vbStringFormat("#%06X", static_cast<unsigned>(swapRedBlue(m_color)));
}
