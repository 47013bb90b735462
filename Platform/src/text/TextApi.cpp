// The text calls of GDI: fonts, metrics, measuring and drawing on device contexts.

#include "text/Font.h"
#include "text/TextLayout.h"
#include "text/TextMeasure.h"
#include "text/TextPainter.h"

#include "gdi/DeviceContext.h"
#include "plat/errors.h"

#include <algorithm>
#include <climits>
#include <cstring>

using plat::gdi::DeviceContext;
using plat::text::Font;

namespace {

bool badText(const void* text, long long count) { return count < 0 || count > INT_MAX || (!text && count > 0); }

// The DC with its font, or null with ERROR_INVALID_PARAMETER.
std::shared_ptr<DeviceContext> textDc(HDC hdc)
{
    auto dc = hdc ? DeviceContext::find(hdc) : nullptr;
    if (!dc)
        SetLastError(ERROR_INVALID_PARAMETER);
    return dc;
}

BOOL invalid()
{
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

// Far beyond any screen, and still a glyph image and metrics that fit their integers.
constexpr LONG kMaxFontHeight = 2048;

HFONT makeFont(LOGFONTA log)
{
    log.lfFaceName[LF_FACESIZE - 1] = 0;
    log.lfHeight = std::clamp(log.lfHeight, -kMaxFontHeight, kMaxFontHeight);
    auto font = std::make_shared<Font>(log, plat::text::fixedTestFontInUse());
    return static_cast<HFONT>(plat::gdi::insertObject(font));
}

std::vector<plat::text::RunChar> runOf(plat::text::SizedFace& face, const char* text, int count, const INT* dx)
{
    std::vector<plat::text::RunChar> run;
    for (const plat::text::TextChar& c : plat::text::decodeText(text, count)) {
        int advance = 0;
        if (dx)
            for (int k = 0; k < c.length; ++k)
                advance += dx[c.offset + k];
        else
            advance = plat::text::charAdvance(face, c.code);
        run.push_back({c.code, advance, false});
    }
    return run;
}

RECT surfaceRect(const DeviceContext& dc, const RECT& logical) { return dc.rectToSurface(dc.rectToDevice(logical)); }

} // namespace

HFONT CreateFontIndirectA(const LOGFONTA* lplf)
{
    if (!lplf) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return makeFont(*lplf);
}

HFONT CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
    DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision, DWORD iClipPrecision, DWORD iQuality,
    DWORD iPitchAndFamily, LPCSTR pszFaceName)
{
    LOGFONTA log{};
    log.lfHeight = cHeight;
    log.lfWidth = cWidth;
    log.lfEscapement = cEscapement;
    log.lfOrientation = cOrientation;
    log.lfWeight = cWeight;
    log.lfItalic = BYTE(bItalic);
    log.lfUnderline = BYTE(bUnderline);
    log.lfStrikeOut = BYTE(bStrikeOut);
    log.lfCharSet = BYTE(iCharSet);
    log.lfOutPrecision = BYTE(iOutPrecision);
    log.lfClipPrecision = BYTE(iClipPrecision);
    log.lfQuality = BYTE(iQuality);
    log.lfPitchAndFamily = BYTE(iPitchAndFamily);
    if (pszFaceName)
        std::strncpy(log.lfFaceName, pszFaceName, LF_FACESIZE - 1);
    return makeFont(log);
}

BOOL GetTextMetricsA(HDC hdc, LPTEXTMETRICA lptm)
{
    auto dc = textDc(hdc);
    if (!dc || !lptm)
        return invalid();
    auto font = plat::text::selectedFont(*dc);
    const plat::text::FaceMetrics& m = font->face().metrics();
    TEXTMETRICA tm{};
    tm.tmHeight = m.height();
    tm.tmAscent = m.ascent;
    tm.tmDescent = m.descent;
    tm.tmInternalLeading = std::max(0, m.height() - m.em);
    tm.tmAveCharWidth = m.aveCharWidth;
    tm.tmMaxCharWidth = m.maxCharWidth;
    tm.tmWeight = font->weight();
    tm.tmDigitizedAspectX = 96;
    tm.tmDigitizedAspectY = 96;
    tm.tmFirstChar = 0x20;
    tm.tmLastChar = 0xFF;
    tm.tmDefaultChar = '?';
    tm.tmBreakChar = ' ';
    tm.tmItalic = font->log.lfItalic ? 1 : 0;
    tm.tmUnderlined = font->log.lfUnderline ? 1 : 0;
    tm.tmStruckOut = font->log.lfStrikeOut ? 1 : 0;
    tm.tmPitchAndFamily =
        BYTE((font->log.lfPitchAndFamily & 0xF0) | (m.fixedPitch ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR | TMPF_TRUETYPE);
    tm.tmCharSet = font->log.lfCharSet;
    *lptm = tm;
    return TRUE;
}

int GetTextFaceA(HDC hdc, int c, LPSTR lpName)
{
    auto dc = textDc(hdc);
    if (!dc || (lpName && c <= 0))
        return invalid();
    const std::string& name = plat::text::selectedFont(*dc)->face().metrics().family;
    if (!lpName)
        return int(name.size() + 1);
    const size_t copied = std::min(name.size(), size_t(c - 1));
    std::memcpy(lpName, name.data(), copied);
    lpName[copied] = 0;
    return int(copied + 1);
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl)
{
    auto dc = textDc(hdc);
    if (!dc || badText(lpString, c) || !psizl)
        return invalid();
    plat::text::SizedFace& face = plat::text::selectedFont(*dc)->face();
    *psizl = SIZE{plat::text::textWidth(face, lpString, c), face.metrics().height()};
    return TRUE;
}

BOOL GetTextExtentExPointA(HDC hdc, LPCSTR lpszString, int cchString, int nMaxExtent, INT* lpnFit, INT* lpnDx,
    LPSIZE lpSize)
{
    auto dc = textDc(hdc);
    if (!dc || badText(lpszString, cchString) || !lpSize)
        return invalid();
    plat::text::SizedFace& face = plat::text::selectedFont(*dc)->face();
    std::vector<int> dx(static_cast<size_t>(cchString));
    const int fit = plat::text::byteWidths(face, lpszString, cchString, nMaxExtent, dx.data());
    if (lpnFit)
        *lpnFit = fit;
    if (lpnDx)
        std::copy(dx.begin(), dx.end(), lpnDx);
    *lpSize = SIZE{cchString > 0 ? dx.back() : 0, face.metrics().height()};
    return TRUE;
}

BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCSTR lpString, UINT c, const INT* lpDx)
{
    auto dc = textDc(hdc);
    if (!dc || badText(lpString, c))
        return invalid();
    auto font = plat::text::selectedFont(*dc);
    plat::gdi::DcState& state = dc->state();
    const bool updateCp = state.textAlign & TA_UPDATECP;
    const POINT logical = updateCp ? state.position : POINT{x, y};
    const auto run = runOf(font->face(), lpString, int(c), lpDx);

    plat::text::RunPlacement where;
    where.reference = dc->toSurface(dc->toDevice(logical));
    where.align = UINT(state.textAlign);
    where.vertical = font->vertical();
    RECT box{};
    if (lprect && (options & (ETO_OPAQUE | ETO_CLIPPED))) {
        box = surfaceRect(*dc, *lprect);
        where.clip = options & ETO_CLIPPED ? &box : nullptr;
        where.opaque = options & ETO_OPAQUE ? &box : nullptr;
    }
    plat::text::paintRun(*dc, *font, run, where);
    if (updateCp) {
        int width = 0;
        for (const auto& ch : run)
            width += ch.advance;
        (where.vertical ? state.position.y : state.position.x) += where.vertical ? -width : width;
    }
    return TRUE;
}

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c)
{
    if (c < 0)
        return invalid();
    return ExtTextOutA(hdc, x, y, 0, nullptr, lpString, UINT(c), nullptr);
}

int DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format)
{
    auto dc = textDc(hdc);
    if (cchText == -1 && lpchText)
        cchText = int(std::strlen(lpchText));
    if (!dc || !lprc || badText(lpchText, cchText))
        return invalid();
    auto font = plat::text::selectedFont(*dc);
    plat::text::SizedFace& face = font->face();
    const int lineHeight = face.metrics().height();
    const RECT device = dc->rectToDevice(*lprc);
    const auto lines = plat::text::layoutText(face, lpchText, cchText, format, device.right - device.left);
    const int height = int(lines.size()) * lineHeight;
    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const auto& line : lines)
            widest = std::max(widest, line.width);
        lprc->right = lprc->left + widest;
        lprc->bottom = lprc->top + height;
        return height;
    }
    int top = 0;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            top = (device.bottom - device.top - lineHeight) / 2;
        else if (format & DT_BOTTOM)
            top = device.bottom - device.top - lineHeight;
    }
    const RECT clip = dc->rectToSurface(device);
    plat::text::RunPlacement where;
    where.clip = format & DT_NOCLIP ? nullptr : &clip;
    const POINT origin = dc->toSurface(POINT{device.left, device.top + top});
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto& line = lines[i];
        const int room = device.right - device.left;
        const int x = format & DT_CENTER ? (room - line.width) / 2 : format & DT_RIGHT ? room - line.width : 0;
        where.reference = POINT{origin.x + x, origin.y + int(i) * lineHeight};
        if (where.clip && where.reference.y >= clip.bottom)
            break;
        plat::text::paintRun(*dc, *font, line.chars, where);
    }
    return top + height;
}
