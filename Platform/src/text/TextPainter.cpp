#include "text/TextPainter.h"

#include "gdi/Pixels.h"
#include "gdi/Raster.h"
#include "text/TextDecoder.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace plat::text {
namespace {

// The run's own frame: u along the advance, v down the cell from the cell's top.
class RunFrame {
public:
    RunFrame(const RunPlacement& where, int u0, int v0) : m_where(where), m_u0(u0), m_v0(v0) {}

    // The surface rectangle of [u0, u1) x [v0, v1) of the run.
    RECT rect(int u0, int u1, int v0, int v1) const
    {
        const POINT r = m_where.reference;
        u0 += m_u0, u1 += m_u0, v0 += m_v0, v1 += m_v0;
        if (m_where.vertical)
            return RECT{r.x + v0, r.y - u1, r.x + v1, r.y - u0};
        return RECT{r.x + u0, r.y + v0, r.x + u1, r.y + v1};
    }

private:
    const RunPlacement& m_where;
    int m_u0, m_v0;
};

RECT intersect(const RECT& a, const RECT& b)
{
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
        std::min(a.bottom, b.bottom)};
}

class Blender {
public:
    Blender(gdi::Raster& raster, COLORREF color, const RECT& limit)
        : m_raster(raster), m_surface(raster.surface()), m_color(color), m_pixel(gdi::toPixel(color)), m_limit(limit)
    {
    }

    void fill(RECT rect)
    {
        rect = intersect(rect, m_limit);
        if (rect.left < rect.right && rect.top < rect.bottom)
            m_raster.fillRect(rect, m_color);
    }

    // Coverage of row y from x0 on, where at(k) gives the coverage of the k-th pixel.
    template <typename At> void row(int y, int x0, int count, At&& at)
    {
        if (y < m_limit.top || y >= m_limit.bottom)
            return;
        const int l = std::max(x0, int(m_limit.left)), r = std::min(x0 + count, int(m_limit.right));
        if (l >= r)
            return;
        m_raster.eachSpan(y, l, r, [&](int a, int b) {
            for (int x = a; x < b; ++x)
                blend(x, y, at(x - x0));
        });
    }

private:
    void blend(int x, int y, int coverage)
    {
        if (coverage == 0)
            return;
        if (m_surface.bitsPerPixel != 32) {
            const uint32_t d = gdi::readPixel(m_surface, x, y);
            gdi::writePixel(m_surface, x, y, mix(d, coverage));
            return;
        }
        uint8_t* p = m_surface.row(y) + 4 * x;
        uint32_t d;
        std::memcpy(&d, p, 4);
        const uint32_t v = mix(d & 0xFFFFFFu, coverage);
        std::memcpy(p, &v, 4);
    }

    uint32_t mix(uint32_t d, int coverage) const
    {
        if (coverage >= 255)
            return m_pixel;
        uint32_t out = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const int dc = int(d >> shift & 0xFF), sc = int(m_pixel >> shift & 0xFF);
            out |= uint32_t(dc + ((sc - dc) * coverage + (sc > dc ? 127 : -127)) / 255) << shift;
        }
        return out;
    }

    gdi::Raster& m_raster;
    const gdi::Surface& m_surface;
    COLORREF m_color;
    uint32_t m_pixel;
    RECT m_limit;
};

void drawGlyph(Blender& blender, const RunFrame& frame, const RunPlacement& where, const GlyphImage& g, int pen,
    int baseline)
{
    const int u = pen + g.left, v = baseline - g.top;
    const RECT box = frame.rect(u, u + g.width, v, v + g.rows);
    if (!where.vertical) {
        for (int gy = 0; gy < g.rows; ++gy) {
            const uint8_t* line = &g.coverage[size_t(gy) * size_t(g.width)];
            blender.row(box.top + gy, box.left, g.width, [&](int k) { return line[k]; });
        }
        return;
    }
    // Turned: glyph column gx lies on surface row box.bottom - 1 - gx, its top row leftmost.
    for (int gx = 0; gx < g.width; ++gx)
        blender.row(box.bottom - 1 - gx, box.left, g.rows, [&](int k) { return g.coverage[size_t(k) * size_t(g.width) + size_t(gx)]; });
}

} // namespace

void paintRun(gdi::DeviceContext& dc, const Font& font, const std::vector<RunChar>& run, const RunPlacement& where)
{
    SizedFace& face = font.face();
    const FaceMetrics& m = face.metrics();
    int width = 0;
    for (const RunChar& c : run)
        width += c.advance;
    const unsigned horizontal = where.align & TA_CENTER, vertical = where.align & TA_BASELINE;
    const int u0 = horizontal == TA_CENTER ? -width / 2 : horizontal == TA_RIGHT ? -width : 0;
    const int v0 = vertical == TA_BASELINE ? -m.ascent : vertical == TA_BOTTOM ? -m.height() : 0;
    const RunFrame frame(where, u0, v0);
    const RECT all{INT_MIN / 2, INT_MIN / 2, INT_MAX / 2, INT_MAX / 2};
    const RECT limit = where.clip ? *where.clip : all;

    gdi::Raster raster(dc);
    const gdi::DcState& state = dc.state();
    Blender background(raster, state.bkColor, limit);
    if (where.opaque)
        background.fill(*where.opaque);
    else if (state.bkMode == OPAQUE)
        background.fill(frame.rect(0, width, 0, m.height()));

    Blender ink(raster, state.textColor, limit);
    auto line = [&](int u, int length, int top, int thickness) {
        ink.fill(frame.rect(u, u + length, m.ascent + top, m.ascent + top + thickness));
    };
    int pen = 0;
    for (const RunChar& c : run) {
        if (!isControl(c.code))
            if (auto glyph = face.glyph(c.code))
                drawGlyph(ink, frame, where, *glyph, pen, m.ascent);
        if (c.underline)
            line(pen, c.advance, m.underlineTop, m.underlineThickness);
        pen += c.advance;
    }
    if (font.log.lfUnderline)
        line(0, width, m.underlineTop, m.underlineThickness);
    if (font.log.lfStrikeOut)
        line(0, width, m.strikeTop, m.strikeThickness);
}

} // namespace plat::text
