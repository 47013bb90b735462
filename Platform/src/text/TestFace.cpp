// The fixed-metrics face of layout tests: exact, and the same on every machine.

#include "text/SizedFace.h"

namespace plat::text {
namespace {

constexpr int kCellWidth = 7;
constexpr int kAscent = 10;
constexpr int kDescent = 3;

class TestFace final : public SizedFace {
public:
    TestFace(const FaceRequest& request)
    {
        m_metrics.ascent = kAscent;
        m_metrics.descent = kDescent;
        m_metrics.em = kAscent + kDescent;
        m_metrics.aveCharWidth = kCellWidth;
        m_metrics.maxCharWidth = kCellWidth;
        m_metrics.underlineTop = 1; // row 11 of the cell
        m_metrics.strikeTop = -4;   // row 6
        m_metrics.fixedPitch = true;
        m_metrics.family = request.face;
        // The box fills rows 2-9 and columns 1-5 of the cell, one column more when bold.
        m_box = std::make_shared<GlyphImage>();
        m_box->left = 1;
        m_box->top = kAscent - 2;
        m_box->width = request.weight >= 600 ? 6 : 5;
        m_box->rows = 8;
        m_box->coverage.assign(size_t(m_box->width * m_box->rows), 255);
    }

    const FaceMetrics& metrics() const override { return m_metrics; }
    int advance(char32_t) override { return kCellWidth; }
    std::shared_ptr<const GlyphImage> glyph(char32_t code) override { return code == U' ' ? nullptr : m_box; }

private:
    FaceMetrics m_metrics;
    std::shared_ptr<GlyphImage> m_box;
};

} // namespace

std::shared_ptr<SizedFace> testFace(const FaceRequest& request) { return std::make_shared<TestFace>(request); }

} // namespace plat::text
