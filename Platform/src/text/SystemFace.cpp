// Faces of the installed fonts: fontconfig chooses the file, FreeType gives hinted whole-pixel
// advances and grey (or on/off) coverage; boldness and slant the file lacks are synthesised.

#include "text/FontLibrary.h"
#include "text/GlyphCache.h"
#include "text/SizedFace.h"

#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace plat::text {
namespace {

constexpr size_t kGlyphsPerFace = 1024;

struct Style {
    FT_F26Dot6 emSize; // 26.6 pixels
    int cellHeight;    // the asked cell height, 0 when the em was asked
    bool bold;         // synthesised
    bool italic;       // synthesised
    bool monochrome;
};

// Ascent and descent in font units as GDI measures the cell: the Windows metrics of the OS/2
// table where the face has them.
std::pair<int, int> cellUnits(FT_Face face)
{
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0)
        return {os2->usWinAscent, os2->usWinDescent};
    return {face->ascender, -face->descender};
}

class FreeTypeFace final : public SizedFace {
public:
    // Takes the face over.
    FreeTypeFace(FT_Face face, const Style& style) : m_face(face), m_style(style), m_glyphs(kGlyphsPerFace)
    {
        std::lock_guard lock(FontLibrary::instance().lock());
        FT_Set_Char_Size(face, 0, style.emSize, 72, 72);
        computeMetrics();
    }

    ~FreeTypeFace() override
    {
        std::lock_guard lock(FontLibrary::instance().lock());
        for (auto& [file, face] : m_fallbacks)
            FT_Done_Face(face);
        FT_Done_Face(m_face);
    }

    const FaceMetrics& metrics() const override { return m_metrics; }

    int advance(char32_t code) override
    {
        int known = m_glyphs.latinAdvance(code);
        if (known >= 0)
            return known;
        std::lock_guard lock(FontLibrary::instance().lock());
        return entry(code)->advance;
    }

    std::shared_ptr<const GlyphImage> glyph(char32_t code) override
    {
        std::lock_guard lock(FontLibrary::instance().lock());
        GlyphCache::Entry* e = entry(code);
        if (!e->rendered) {
            e->image = render(code);
            e->rendered = true;
        }
        return e->image;
    }

private:
    struct Source {
        FT_Face face;
        FT_UInt index; // 0: the missing-glyph box
    };

    FT_Int32 loadFlags() const { return m_style.monochrome ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL; }

    GlyphCache::Entry* entry(char32_t code)
    {
        if (GlyphCache::Entry* e = m_glyphs.find(code))
            return e;
        GlyphCache::Entry e;
        Source source = sourceOf(code);
        if (FT_Load_Glyph(source.face, source.index, loadFlags()) == 0)
            e.advance = int((source.face->glyph->advance.x + 32) >> 6) + (m_style.bold ? 1 : 0);
        return m_glyphs.store(code, std::move(e));
    }

    // This face's glyph, else that of fontconfig's best face for the character, else the box.
    Source sourceOf(char32_t code)
    {
        if (FT_UInt index = FT_Get_Char_Index(m_face, code))
            return {m_face, index};
        FontLibrary& library = FontLibrary::instance();
        if (auto file = library.fallbackFor(code)) {
            auto it = m_fallbacks.find(file->path + '\n' + std::to_string(file->index));
            if (it == m_fallbacks.end()) {
                FT_Face face = library.open(*file);
                if (face)
                    FT_Set_Char_Size(face, 0, m_style.emSize, 72, 72);
                it = m_fallbacks.emplace(file->path + '\n' + std::to_string(file->index), face).first;
            }
            if (it->second)
                if (FT_UInt index = FT_Get_Char_Index(it->second, code))
                    return {it->second, index};
        }
        return {m_face, 0};
    }

    std::shared_ptr<const GlyphImage> render(char32_t code)
    {
        Source source = sourceOf(code);
        if (FT_Load_Glyph(source.face, source.index, loadFlags()) != 0)
            return nullptr;
        FT_GlyphSlot slot = source.face->glyph;
        if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            if (m_style.bold)
                FT_Outline_Embolden(&slot->outline, 64);
            if (m_style.italic) {
                FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000}; // about 12 degrees
                FT_Outline_Transform(&slot->outline, &shear);
            }
        }
        if (FT_Render_Glyph(slot, m_style.monochrome ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
            return nullptr;
        const FT_Bitmap& bitmap = slot->bitmap;
        if (bitmap.width == 0 || bitmap.rows == 0)
            return nullptr;
        auto image = std::make_shared<GlyphImage>();
        image->left = slot->bitmap_left;
        image->top = slot->bitmap_top;
        image->width = int(bitmap.width);
        image->rows = int(bitmap.rows);
        image->coverage.resize(size_t(image->width) * size_t(image->rows));
        for (int y = 0; y < image->rows; ++y) {
            const unsigned char* row = bitmap.buffer + ptrdiff_t(y) * bitmap.pitch;
            uint8_t* out = &image->coverage[size_t(y) * size_t(image->width)];
            for (int x = 0; x < image->width; ++x)
                out[x] = bitmap.pixel_mode == FT_PIXEL_MODE_MONO ? ((row[x >> 3] >> (7 - (x & 7))) & 1) * 255 : row[x];
        }
        return image;
    }

    void computeMetrics()
    {
        auto [ascentUnits, descentUnits] = cellUnits(m_face);
        const double units = m_face->units_per_EM ? m_face->units_per_EM : 2048;
        const double scale = double(m_style.emSize) / 64.0 / units; // pixels per font unit
        FaceMetrics& m = m_metrics;
        if (m_style.cellHeight > 0) {
            m.ascent = int(std::lround(m_style.cellHeight * double(ascentUnits) / (ascentUnits + descentUnits)));
            m.descent = m_style.cellHeight - m.ascent;
        } else {
            m.ascent = int(std::ceil(ascentUnits * scale - 1e-6));
            m.descent = int(std::ceil(descentUnits * scale - 1e-6));
        }
        m.em = int(std::lround(double(m_style.emSize) / 64.0));
        auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(m_face, FT_SFNT_OS2));
        m.aveCharWidth = os2 && os2->xAvgCharWidth > 0 ? int(std::lround(os2->xAvgCharWidth * scale)) : 0;
        if (m.aveCharWidth == 0)
            m.aveCharWidth = entry(U'x')->advance;
        m.maxCharWidth = std::max(int(std::ceil(m_face->max_advance_width * scale - 1e-6)), m.aveCharWidth);
        m.underlineThickness = std::max(1, int(std::lround(m_face->underline_thickness * scale)));
        m.underlineTop = std::max(1, int(std::lround(-m_face->underline_position * scale))) - m.underlineThickness / 2;
        const bool hasStrike = os2 && os2->yStrikeoutSize > 0;
        m.strikeThickness = hasStrike ? std::max(1, int(std::lround(os2->yStrikeoutSize * scale))) : m.underlineThickness;
        const double strikeUnits = hasStrike ? os2->yStrikeoutPosition : ascentUnits / 3.0;
        m.strikeTop = -int(std::lround(strikeUnits * scale)) - m.strikeThickness / 2;
        m.fixedPitch = FT_IS_FIXED_WIDTH(m_face);
        m.family = m_face->family_name ? m_face->family_name : "";
        if (m_style.bold)
            m.maxCharWidth += 1;
    }

    FT_Face m_face;
    Style m_style;
    FaceMetrics m_metrics;
    GlyphCache m_glyphs;
    std::map<std::string, FT_Face> m_fallbacks; // by file path and index
};

using FaceKey = std::tuple<std::string, int, FT_F26Dot6, int, bool, bool, bool>;

// Sized faces in use, shared by every font that asks the same of the same file.
std::map<FaceKey, std::weak_ptr<SizedFace>>& liveFaces()
{
    static auto* faces = new std::map<FaceKey, std::weak_ptr<SizedFace>>;
    return *faces;
}

} // namespace

std::shared_ptr<SizedFace> systemFace(const FaceRequest& request)
{
    FontLibrary& library = FontLibrary::instance();
    std::unique_lock lock(library.lock());
    auto match = library.match(request.face, request.weight, request.italic);
    FT_Face face = match ? library.open(match->file) : nullptr;
    if (!face) {
        lock.unlock();
        return testFace(request); // no usable font installed: text still lays out
    }
    Style style{};
    style.bold = request.weight >= 600 && !match->hasBold;
    style.italic = request.italic && !match->hasItalic;
    style.monochrome = request.monochrome;
    const int units = face->units_per_EM ? face->units_per_EM : 2048;
    if (request.height > 0) {
        auto [ascent, descent] = cellUnits(face);
        style.cellHeight = request.height;
        style.emSize = std::max<FT_F26Dot6>(1, std::lround(request.height * 64.0 * units / std::max(1, ascent + descent)));
    } else {
        style.emSize = 64 * (request.height < 0 ? -request.height : 12);
    }
    FaceKey key{match->file.path, match->file.index, style.emSize, style.cellHeight, style.bold, style.italic,
        style.monochrome};
    std::weak_ptr<SizedFace>& slot = liveFaces()[key];
    if (auto shared = slot.lock()) {
        FT_Done_Face(face);
        return shared;
    }
    lock.unlock(); // the face's constructor measures under the lock itself
    auto made = std::make_shared<FreeTypeFace>(face, style);
    lock.lock();
    if (auto raced = slot.lock()) {
        lock.unlock(); // made goes again, and its destructor takes the lock
        return raced;
    }
    slot = made;
    return made;
}

} // namespace plat::text
