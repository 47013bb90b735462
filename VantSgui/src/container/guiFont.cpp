#include "guiFont.h"

#include "guiBase.h"

#include "vbException.h"

#include "plat/errors.h"
#include "plat/paint.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

void cbIguiFontChanged::onFontChanged(guiFont*) { guiPurecall(); }

namespace {

// In measuring mode, the shadow colour argument that asks for the shadow's room.
const vbColor* const kMeasureShadow = reinterpret_cast<const vbColor*>(1);

// "fontsize" and "shadowdec" as atoi reads them (0 without digits), kept within 32 bits.
int toInt(const vbString& text)
{
    const long long value = std::strtoll(text, nullptr, 10);
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

bool isColor(const vbColor* color) { return color && !color->IsNull(); }

// The bytes of the UTF-8 character at text (1 for a stray continuation byte).
int charLength(const char* text, int left)
{
    int n = 1;
    while (n < left && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        ++n;
    return n;
}

bool endsWord(char c) { return c == ' ' || c == 1 || c == '\n' || c == '\r'; }

} // namespace

guiFont::guiFont(cbIguiFontChanged* cb, bool empty) : m_cb(cb), m_bEmpty(empty) { }

guiFont::guiFont(cbIguiFontChanged* cb, const guiFont& other) : guiFont(nullptr, true)
{
    Set(other, false);
    m_cb = cb;
}

guiFont::guiFont(const guiFont& other) : guiFont(nullptr, other) { }

guiFont::~guiFont() = default;

void guiFont::rebuild(bool notify)
{
    m_font.DeleteObject();
    if (notify && m_cb)
        m_cb->onFontChanged(this);
}

bool guiFont::changed(bool notify)
{
    m_bEmpty = false;
    rebuild(notify);
    return true;
}

template <class T>
bool guiFont::setValue(T& field, const T& value, bool notify)
{
    if (!m_bEmpty && field == value)
        return false;
    field = value;
    return changed(notify);
}

bool guiFont::setBool(vbBool& field, bool value, bool notify)
{
    if (!m_bEmpty && field.GetBool() == value)
        return false;
    field.SetState(value ? 1 : 0);
    return changed(notify);
}

bool guiFont::setState(vbBool& field, const vbBool& value, bool notify) { return setValue(field, value, notify); }

bool guiFont::SetAll(const vbString& name, int height, bool bold, bool italic, bool underline, bool notify)
{
    if (!m_bEmpty && m_name == name && m_height == height && GetBold() == bold && GetItalic() == italic &&
        GetUnderline() == underline)
        return false;
    m_name = name;
    m_height = height;
    m_bold.SetState(bold ? 1 : 0);
    m_italic.SetState(italic ? 1 : 0);
    m_underline.SetState(underline ? 1 : 0);
    return changed(notify);
}

bool guiFont::SetName(const vbString& name, bool notify) { return setValue(m_name, name, notify); }
bool guiFont::SetSize(int height, bool notify) { return setValue(m_height, height, notify); }
bool guiFont::SetBold(bool bold, bool notify) { return setBool(m_bold, bold, notify); }
bool guiFont::SetItalic(bool italic, bool notify) { return setBool(m_italic, italic, notify); }
bool guiFont::SetUnderline(bool underline, bool notify) { return setBool(m_underline, underline, notify); }
bool guiFont::SetBold(const vbBool& bold, bool notify) { return setState(m_bold, bold, notify); }
bool guiFont::SetItalic(const vbBool& italic, bool notify) { return setState(m_italic, italic, notify); }
bool guiFont::SetUnderline(const vbBool& underline, bool notify) { return setState(m_underline, underline, notify); }
bool guiFont::SetWeight(guiWeight weight, bool notify) { return setValue(m_weight, weight, notify); }
bool guiFont::SetQuality(guiQuality quality, bool notify) { return setValue(m_quality, quality, notify); }
bool guiFont::SetPrecis(guiPrecis precis, bool notify) { return setValue(m_precis, precis, notify); }
bool guiFont::SetCharSet(guiCharSet charSet, bool notify) { return setValue(m_charSet, charSet, notify); }
bool guiFont::SetPitch(guiPitch pitch, bool notify) { return setValue(m_pitch, pitch, notify); }

bool guiFont::SetShadowDec(int dec, bool notify)
{
    if (!m_bEmpty && m_shadowDec == dec)
        return false;
    m_shadowDec = dec;
    m_bEmpty = false;
    if (notify && m_cb)
        m_cb->onFontChanged(this);
    return true;
}

bool guiFont::SetOrientation(int orientation, bool notify)
{
    if (m_orientation == orientation)
        return false;
    m_orientation = orientation;
    if (m_bEmpty)
        return false;
    rebuild(notify);
    return true;
}

bool guiFont::SetEmpty(bool empty, bool notify)
{
    if (m_bEmpty == empty)
        return false;
    m_bEmpty = empty;
    rebuild(notify);
    return true;
}

bool guiFont::Empty()
{
    const bool result = SetEmpty(true, true);
    m_name.Empty();
    m_height = 0;
    m_shadowDec = 0;
    m_bold.SetState(2);
    m_italic.SetState(2);
    m_underline.SetState(2);
    m_weight = m_quality = m_precis = m_charSet = m_pitch = -1;
    return result;
}

void guiFont::copyFrom(const guiFont& other)
{
    m_name = other.m_name;
    m_height = other.m_height;
    m_bold = other.m_bold;
    m_italic = other.m_italic;
    m_underline = other.m_underline;
    m_shadowDec = other.m_shadowDec;
    m_weight = other.m_weight;
    m_quality = other.m_quality;
    m_precis = other.m_precis;
    m_charSet = other.m_charSet;
    m_pitch = other.m_pitch;
    m_bEmpty = other.m_bEmpty;
}

bool guiFont::Set(const guiFont& other, bool notify)
{
    if (*this == other)
        return false;
    copyFrom(other);
    rebuild(notify);
    return true;
}

guiFont& guiFont::operator=(const guiFont& other)
{
    Set(other, true);
    return *this;
}

bool guiFont::operator==(const guiFont& other) const
{
    if (m_bEmpty || other.m_bEmpty)
        return m_bEmpty == other.m_bEmpty;
    return std::strcmp(m_name, other.m_name) == 0 && m_height == other.m_height && m_bold == other.m_bold &&
        m_italic == other.m_italic && m_underline == other.m_underline && m_shadowDec == other.m_shadowDec &&
        m_weight == other.m_weight && m_quality == other.m_quality && m_precis == other.m_precis &&
        m_charSet == other.m_charSet && m_pitch == other.m_pitch;
}

template <class Take>
bool guiFont::merge(const guiFont& other, bool notify, Take take)
{
    bool any = false;
    auto field = [&](auto& mine, const auto& theirs, bool mineDefined, bool theirsDefined) {
        // Through a setter an empty font changes whatever the value.
        if (take(mineDefined, theirsDefined) && (m_bEmpty || !(mine == theirs))) {
            mine = theirs;
            any = true;
        }
    };
    field(m_name, other.m_name, !m_name.IsEmpty(), !other.m_name.IsEmpty());
    field(m_height, other.m_height, m_height != 0, other.m_height != 0);
    field(m_bold, other.m_bold, m_bold.GetState() != 2, other.m_bold.GetState() != 2);
    field(m_italic, other.m_italic, m_italic.GetState() != 2, other.m_italic.GetState() != 2);
    field(m_underline, other.m_underline, m_underline.GetState() != 2, other.m_underline.GetState() != 2);
    field(m_shadowDec, other.m_shadowDec, m_shadowDec > 0, other.m_shadowDec > 0);
    field(m_weight, other.m_weight, m_weight != -1, other.m_weight != -1);
    field(m_quality, other.m_quality, m_quality != -1, other.m_quality != -1);
    field(m_precis, other.m_precis, m_precis != -1, other.m_precis != -1);
    field(m_charSet, other.m_charSet, m_charSet != -1, other.m_charSet != -1);
    field(m_pitch, other.m_pitch, m_pitch != -1, other.m_pitch != -1);
    if (any) {
        m_bEmpty = false;
        rebuild(notify);
    }
    return any;
}

bool guiFont::SetDefaults(const guiFont& other, bool notify)
{
    if (m_bEmpty)
        return Set(other, notify);
    return merge(other, notify, [](bool mine, bool theirs) { return !mine && theirs; });
}

bool guiFont::SetValids(const guiFont& other, bool notify)
{
    if (other.m_bEmpty)
        return false;
    return merge(other, notify, [](bool, bool theirs) { return theirs; });
}

int guiFont::definedCount() const
{
    const bool defined[] = {!m_name.IsEmpty(), m_height != 0, m_bold.GetState() != 2, m_italic.GetState() != 2,
        m_underline.GetState() != 2, m_shadowDec > 0, m_weight != -1, m_quality != -1, m_precis != -1,
        m_charSet != -1, m_pitch != -1};
    return static_cast<int>(std::count(std::begin(defined), std::end(defined), true));
}

bool guiFont::HasDefaults() const { return m_bEmpty || definedCount() < kProperties; }

bool guiFont::HasValids() const { return !m_bEmpty && definedCount() > 0; }

void guiFont::createFont() const
{
    int weight = (m_weight != -1 ? m_weight : FW_NORMAL) + (GetBold() ? 300 : 0);
    weight = std::clamp(weight, 0, 1000);
    auto orDefault = [](int32_t value, int32_t undefined) { return static_cast<BYTE>(value != -1 ? value : undefined); };
    if (!m_font.CreateFont(m_height, 0, m_orientation, m_orientation, weight, GetItalic(), GetUnderline(), 0,
            orDefault(m_charSet, 0), orDefault(m_precis, 5), 1, orDefault(m_quality, 0), orDefault(m_pitch, 0),
            m_name.IsEmpty() ? nullptr : static_cast<const char*>(m_name)))
        throw new vbEsys(true, E_FAIL, "guiFont::createFont(%s,%d) : failure", static_cast<const char*>(m_name), m_height);
}

guiFont::operator CFont*() const
{
    if (m_bEmpty)
        throw new vbEsys(true, E_FAIL, "guiFont::operator HFONT() : empty font !");
    if (!m_font.GetSafeHandle())
        createFont();
    return &m_font;
}

guiFont::operator HFONT() const { return *static_cast<CFont*>(*this); }

bool guiFont::ReadXml(sIvbXmlSource* src, const vbString& prefix, bool notify)
{
    bool any = false;
    vbString text;
    if (src->GetFlagValue(prefix + "fontname", &text, nullptr))
        any |= SetName(text, false);
    if (src->GetFlagValue(prefix + "fontsize", &text, nullptr))
        any |= SetSize(toInt(text), false);
    if (src->GetFlagValue(prefix + "shadowdec", &text, nullptr))
        any |= SetShadowDec(toInt(text), false);
    // A tri-state read keeps the property's own default.
    auto readBool = [&](const char* key, const vbBool& current, bool (guiFont::*set)(const vbBool&, bool)) {
        vbBool flag = current;
        if (src->GetFlagBool(prefix + key, &flag))
            any |= (this->*set)(flag, false);
    };
    readBool("italic", m_italic, &guiFont::SetItalic);
    readBool("underline", m_underline, &guiFont::SetUnderline);
    readBool("bold", m_bold, &guiFont::SetBold);
    if (any)
        rebuild(notify);
    return any;
}

CSize guiFont::measureLine(HDC dc, const char* text, int len, bool withShadow) const
{
    CSize size;
    if (len > 0)
        GetTextExtentPoint32A(dc, text, len, &size);
    if (withShadow)
        IncShadowSize(size);
    return size;
}

CSize guiFont::measure(HDC dc, int width, const char* text, int len, bool withShadow) const
{
    if (width <= 0)
        return measureLine(dc, text, len, withShadow);
    CSize size;
    DrawText(dc, CRect(0, 0, width, 0), text, len, nullptr, withShadow ? kMeasureShadow : nullptr, &size, nullptr,
        nullptr, nullptr);
    return size;
}

CSize guiFont::onScreen(int width, const char* text, int len, bool withShadow) const
{
    HFONT font = *this;
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, font);
    CSize size;
    try {
        size = measure(screen, width, text, len, withShadow);
    } catch (...) {
        SelectObject(screen, previous);
        ReleaseDC(nullptr, screen);
        throw;
    }
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    return size;
}

CSize guiFont::GetTextSize(const vbString& text, bool withShadow) const { return onScreen(0, text, text.GetLength(), withShadow); }
CSize guiFont::GetTextSize(const char* text, int len, bool withShadow) const { return onScreen(0, text, len, withShadow); }
CSize guiFont::GetTextSize(CDC& dc, const vbString& text, bool withShadow) const
{
    return GetTextSize(dc, 0, text, text.GetLength(), withShadow);
}
CSize guiFont::GetTextSize(CDC& dc, const char* text, int len, bool withShadow) const { return GetTextSize(dc, 0, text, len, withShadow); }
CSize guiFont::GetTextSize(int width, const vbString& text, bool withShadow) const
{
    return onScreen(width, text, text.GetLength(), withShadow);
}
CSize guiFont::GetTextSize(int width, const char* text, int len, bool withShadow) const { return onScreen(width, text, len, withShadow); }
CSize guiFont::GetTextSize(CDC& dc, int width, const vbString& text, bool withShadow) const
{
    return GetTextSize(dc, width, text, text.GetLength(), withShadow);
}
CSize guiFont::GetTextSize(CDC& dc, int width, const char* text, int len, bool withShadow) const
{
    SelectObject(dc, static_cast<HFONT>(*this));
    return measure(dc, width, text, len, withShadow);
}

bool guiFont::checkOrientation() const
{
    if (m_orientation != 0 && m_orientation != 900)
        throw new vbEsys(true, E_FAIL, "guiFont::DrawText() : orientation=%d not supported (0 or 900 only)", m_orientation);
    return m_orientation == 900;
}

bool guiFont::DrawText(CDC& dc, const CRect& rc, const vbString& text, const vbColor* textColor,
    const vbColor* shadowColor, bool wrap) const
{
    return DrawText(dc, rc, text, text.GetLength(), textColor, shadowColor, wrap);
}

bool guiFont::DrawText(CDC& dc, const CRect& rc, const char* text, int len, const vbColor* textColor,
    const vbColor* shadowColor, bool wrap) const
{
    if (wrap)
        return DrawText(dc.GetSafeHdc(), rc, text, len, textColor, shadowColor, nullptr, nullptr, nullptr, nullptr);
    if (!text || len <= 0)
        return false;
    const bool vertical = checkOrientation();
    SelectObject(dc, static_cast<HFONT>(*this));
    const bool shadow = isColor(textColor) && isColor(shadowColor);
    if (!shadow && isColor(textColor))
        SetTextColor(dc, *textColor);
    const int x = rc.left;
    const int y = vertical ? rc.bottom : rc.top;
    UINT options = ETO_CLIPPED | (GetBkMode(dc) == OPAQUE ? ETO_OPAQUE : 0);
    if (!shadow) {
        ExtTextOutA(dc, x, y, options, &rc, text, static_cast<UINT>(len), nullptr);
        return true;
    }
    const int d = GetShadowDec();
    SetTextColor(dc, *shadowColor);
    ExtTextOutA(dc, x + d, vertical ? y : y + d, options, &rc, text, static_cast<UINT>(len), nullptr);
    const int mode = SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, *textColor);
    ExtTextOutA(dc, x, vertical ? y - d : y, ETO_CLIPPED, &rc, text, static_cast<UINT>(len), nullptr);
    SetBkMode(dc, mode);
    return true;
}

namespace {

// One run of the word-wrapping layout: the pen, the room left on the line and the line's height.
struct WrapLayout {
    HDC dc;
    const CRect& rc;
    bool measuring;
    bool vertical;
    int d;
    const vbColor* textColor;
    const vbColor* shadowColor;
    int x = 0;
    int y = 0;
    int room = 0;
    int lineHeight = 0;
    int widest = 0;
    bool inverse = false;
    bool stopped = false;

    bool atLineStart() const { return vertical ? y == rc.bottom : x == rc.left; }

    void newLine()
    {
        if (lineHeight == 0) {
            SIZE space{};
            if (!GetTextExtentPoint32A(dc, " ", 1, &space) || space.cy == 0)
                throw new vbEsys(HRESULT_FROM_WIN32(GetLastError()), "guiFont::DrawText() : GetTextExtentPoint32() failure");
            lineHeight = space.cy;
        }
        if (vertical) {
            y = rc.bottom;
            x += lineHeight;
            room = rc.bottom - rc.top - d;
            stopped = !measuring && x >= rc.right;
        } else {
            y += lineHeight;
            x = rc.left;
            room = rc.right - rc.left - d;
            stopped = !measuring && y >= rc.bottom;
        }
        lineHeight = 0;
    }

    // The bytes of text (count of them) that go on this line: what fits, never ending inside a
    // character, and at a line start one whole character even when it is wider than the room,
    // so that every line takes something.
    int fitting(const char* text, int count, std::vector<INT>& dx, SIZE& size) const
    {
        dx.resize(static_cast<size_t>(count));
        INT fit = 0;
        if (!GetTextExtentExPointA(dc, text, count, std::max(room, 0), &fit, dx.data(), &size))
            throw new vbEsys(HRESULT_FROM_WIN32(GetLastError()), "guiFont::DrawText() : GetTextExtentExPoint() failure");
        while (fit > 0 && fit < count && (static_cast<unsigned char>(text[fit]) & 0xC0) == 0x80)
            --fit;
        if (fit == 0 && atLineStart())
            fit = charLength(text, count);
        return fit;
    }

    void draw(const char* text, int count, const RECT& piece) const
    {
        CRect clip;
        if (!IntersectRect(&clip, &piece, &rc) || std::all_of(text, text + count, [](char c) { return c == ' '; }))
            return;
        const UINT n = static_cast<UINT>(count);
        if (isColor(textColor) && isColor(shadowColor)) {
            SetTextColor(dc, *shadowColor);
            ExtTextOutA(dc, x + d, vertical ? y : y + d, ETO_CLIPPED, &clip, text, n, nullptr);
            SetTextColor(dc, *textColor);
            ExtTextOutA(dc, x, vertical ? y - d : y, ETO_CLIPPED, &clip, text, n, nullptr);
        } else {
            ExtTextOutA(dc, x, y, ETO_CLIPPED, &clip, text, n, nullptr);
        }
        if (inverse)
            InvertRect(dc, &clip);
    }

    void place(const char* text, int count, int width, int height)
    {
        width = std::min(width, std::max(room, 0)) + d;
        height += d;
        lineHeight = std::max(lineHeight, height);
        if (!measuring) {
            const RECT piece = vertical ? RECT{x, y - width, x + height, y} : RECT{x, y, x + width, y + height};
            draw(text, count, piece);
        }
        if (vertical)
            y -= width;
        else
            x += width;
        room -= width;
        widest = std::max(widest, x - rc.left);
    }

    // A word: its leading spaces and the characters up to the next break; answers its end.
    int word(const char* text, int i, int len)
    {
        int end = i;
        while (end < len && text[end] == ' ')
            ++end;
        while (end < len && !endsWord(text[end]))
            ++end;
        std::vector<INT> dx;
        bool moved = false;
        while (i < end && !stopped) {
            SIZE size{};
            const int count = end - i;
            const int fit = fitting(text + i, count, dx, size);
            // A word that does not fit moves down whole, unless it starts the line.
            if (fit == count || atLineStart()) {
                place(text + i, fit, fit > 0 ? dx[static_cast<size_t>(fit - 1)] : 0, size.cy);
                i += fit;
            }
            if (i == end)
                break;
            if (lineHeight == 0 && moved) {
                stopped = true;
                break;
            }
            moved = true;
            newLine();
            while (i < end && text[i] == ' ')
                ++i;
        }
        return end;
    }
};

} // namespace

bool guiFont::DrawText(HDC dc, const CRect& rc, const char* text, int len, const vbColor* textColor,
    const vbColor* shadowColor, CSize* outSize, const CPoint* start, CPoint* end, int* lineHeight) const
{
    const bool measuring = rc.IsRectEmpty() && outSize && rc.Width() > 0;
    if ((!measuring && rc.IsRectEmpty()) || !text || len <= 0)
        return false;
    const bool vertical = !measuring && checkOrientation();
    int mode = 0;
    if (!measuring) {
        if (GetBkMode(dc) == OPAQUE)
            ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
        mode = SetBkMode(dc, TRANSPARENT);
        SelectObject(dc, static_cast<HFONT>(*this));
    }
    const bool shadow = measuring ? shadowColor == kMeasureShadow : isColor(textColor) && isColor(shadowColor);
    if (!shadow && isColor(textColor))
        SetTextColor(dc, *textColor);
    WrapLayout layout{dc, rc, measuring, vertical, shadow ? GetShadowDec() : 0, textColor, shadow ? shadowColor : nullptr};
    layout.x = start ? start->x : rc.left;
    layout.y = start ? start->y : vertical ? rc.bottom : rc.top;
    layout.lineHeight = start && lineHeight ? *lineHeight : 0;
    layout.room = vertical ? layout.y - rc.top - layout.d : rc.right - layout.d - layout.x;
    for (int i = 0; i < len && !layout.stopped;) {
        const char c = text[i];
        if (c == 1 || c == '\r' || c == '\n') {
            layout.inverse ^= c == 1;
            if (c == '\n')
                layout.newLine();
            ++i;
        } else {
            i = layout.word(text, i, len);
        }
    }
    if (end)
        *end = CPoint(layout.x, layout.y);
    if (outSize)
        *outSize = CSize(measuring ? layout.widest : 0, layout.lineHeight + layout.y - rc.top);
    if (lineHeight)
        *lineHeight = layout.lineHeight;
    if (!measuring)
        SetBkMode(dc, mode);
    return true;
}
