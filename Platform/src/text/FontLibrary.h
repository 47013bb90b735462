#pragma once

// FreeType and fontconfig behind one lock: every call into either library, and every glyph cache,
// is used under FontLibrary::lock(), so fonts can be made, measured and drawn on any thread.

#include <ft2build.h>
#include FT_FREETYPE_H

#include <mutex>
#include <optional>
#include <string>

namespace plat::text {

struct FontFile {
    std::string path;
    int index = 0;
    bool operator==(const FontFile&) const = default;
};

// The face fontconfig chooses, and whether it offers the asked boldness and slant itself.
struct FontMatch {
    FontFile file;
    bool hasBold = false;
    bool hasItalic = false;
};

class FontLibrary {
public:
    static FontLibrary& instance();

    std::mutex& lock() { return m_mutex; }

    // The rest only under lock().
    FT_Library freeType() const { return m_freeType; }
    std::optional<FontMatch> match(const std::string& family, int weight, bool italic);
    // The file of the best face that has the character; remembered per character.
    std::optional<FontFile> fallbackFor(char32_t code);
    // A new face of the file, or null.
    FT_Face open(const FontFile& file);

private:
    FontLibrary();
    static void finishFontconfig();
    std::mutex m_mutex;
    bool m_fontconfigDone = false; // at exit: matching finds nothing from then on
    FT_Library m_freeType = nullptr;
    struct Fallbacks;
    Fallbacks* m_fallbacks;
};

} // namespace plat::text
