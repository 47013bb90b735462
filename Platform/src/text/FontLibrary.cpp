#include "text/FontLibrary.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <unordered_map>

namespace plat::text {
namespace {

std::optional<FontFile> fileOf(FcPattern* pattern)
{
    FcChar8* path = nullptr;
    int index = 0;
    if (FcPatternGetString(pattern, FC_FILE, 0, &path) != FcResultMatch)
        return std::nullopt;
    FcPatternGetInteger(pattern, FC_INDEX, 0, &index);
    return FontFile{reinterpret_cast<const char*>(path), index};
}

// fontconfig's answer to the pattern after its substitutions, or null.
FcPattern* bestMatch(FcPattern* pattern)
{
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    return FcFontMatch(nullptr, pattern, &result);
}

} // namespace

struct FontLibrary::Fallbacks {
    std::unordered_map<char32_t, std::optional<FontFile>> byChar;
};

FontLibrary& FontLibrary::instance()
{
    static auto* library = new FontLibrary; // outlives every font that static objects still hold
    return *library;
}

FontLibrary::FontLibrary() : m_fallbacks(new Fallbacks)
{
    FcInit();
    FT_Init_FreeType(&m_freeType);
    std::atexit(finishFontconfig);
}

// fontconfig keeps parts of its configuration where only FcFini finds them again; a thread still
// drawing at exit finds no new faces instead of a freed configuration.
void FontLibrary::finishFontconfig()
{
    FontLibrary& library = instance();
    std::lock_guard lock(library.m_mutex);
    library.m_fontconfigDone = true;
    FcFini();
}

std::optional<FontMatch> FontLibrary::match(const std::string& family, int weight, bool italic)
{
    if (m_fontconfigDone)
        return std::nullopt;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY,
        reinterpret_cast<const FcChar8*>(family.empty() ? "sans-serif" : family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPattern* found = bestMatch(pattern);
    FcPatternDestroy(pattern);
    if (!found)
        return std::nullopt;
    std::optional<FontMatch> answer;
    if (auto file = fileOf(found)) {
        int foundWeight = FC_WEIGHT_REGULAR, foundSlant = FC_SLANT_ROMAN;
        FcPatternGetInteger(found, FC_WEIGHT, 0, &foundWeight);
        FcPatternGetInteger(found, FC_SLANT, 0, &foundSlant);
        answer = FontMatch{*file, foundWeight >= FC_WEIGHT_DEMIBOLD, foundSlant != FC_SLANT_ROMAN};
    }
    FcPatternDestroy(found);
    return answer;
}

std::optional<FontFile> FontLibrary::fallbackFor(char32_t code)
{
    auto known = m_fallbacks->byChar.find(code);
    if (known != m_fallbacks->byChar.end())
        return known->second;
    if (m_fontconfigDone)
        return std::nullopt;
    FcPattern* pattern = FcPatternCreate();
    FcCharSet* wanted = FcCharSetCreate();
    FcCharSetAddChar(wanted, code);
    FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
    FcCharSetDestroy(wanted);
    FcPattern* found = bestMatch(pattern);
    FcPatternDestroy(pattern);
    std::optional<FontFile> answer;
    if (found) {
        FcCharSet* has = nullptr;
        if (FcPatternGetCharSet(found, FC_CHARSET, 0, &has) == FcResultMatch && FcCharSetHasChar(has, code))
            answer = fileOf(found);
        FcPatternDestroy(found);
    }
    m_fallbacks->byChar.emplace(code, answer);
    return answer;
}

FT_Face FontLibrary::open(const FontFile& file)
{
    FT_Face face = nullptr;
    if (!m_freeType || FT_New_Face(m_freeType, file.path.c_str(), file.index, &face) != 0)
        return nullptr;
    return face;
}

} // namespace plat::text
