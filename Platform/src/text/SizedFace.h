#pragma once

// A face at one pixel size, as measuring and drawing see it: whole-pixel advances and coverage
// images. Implementations are safe to use from any thread.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plat::text {

// Rows are counted downwards from the top of the cell; "Top" offsets downwards from the baseline.
struct FaceMetrics {
    int ascent = 0;
    int descent = 0;
    int em = 0;
    int aveCharWidth = 0;
    int maxCharWidth = 0;
    int underlineTop = 0;
    int underlineThickness = 1;
    int strikeTop = 0;
    int strikeThickness = 1;
    bool fixedPitch = false;
    std::string family;

    int height() const { return ascent + descent; }
};

// Coverage (0 none .. 255 full) of one glyph, placed relative to the pen on the baseline.
struct GlyphImage {
    int left = 0; // columns right of the pen
    int top = 0;  // rows above the baseline
    int width = 0;
    int rows = 0;
    std::vector<uint8_t> coverage; // rows top-down, width bytes each
};

class SizedFace {
public:
    virtual ~SizedFace() = default;
    virtual const FaceMetrics& metrics() const = 0;
    virtual int advance(char32_t code) = 0;
    // Null for a character that draws nothing.
    virtual std::shared_ptr<const GlyphImage> glyph(char32_t code) = 0;
};

// What a font asks of its face, from its LOGFONTA.
struct FaceRequest {
    std::string face;   // empty: the sans default
    int height = 0;     // GDI sense: negative em, positive cell, 0 default
    int weight = 400;
    bool italic = false;
    bool monochrome = false; // on/off coverage only
};

// The built-in fixed-metrics face: 7-px cells 13 px high, a box per visible character.
std::shared_ptr<SizedFace> testFace(const FaceRequest& request);
// The face fontconfig and FreeType find for the request; never null (fontconfig substitutes).
std::shared_ptr<SizedFace> systemFace(const FaceRequest& request);

} // namespace plat::text
