#include "text/TextLayout.h"

#include "text/TextMeasure.h"

#include "plat/gdi.h"

namespace plat::text {
namespace {

struct Item {
    char32_t code;
    bool underline;
    bool lineEnd;
};

// The characters to show: "&x" marks x, "&&" shows "&", a final lone "&" shows nothing; "\r\n",
// "\n" and "\r" become one line end each.
std::vector<Item> items(const char* text, int count, unsigned format)
{
    std::vector<Item> out;
    const std::vector<TextChar> chars = decodeText(text, count);
    const bool prefixes = !(format & DT_NOPREFIX), lines = !(format & DT_SINGLELINE);
    bool marked = false;
    for (size_t i = 0; i < chars.size(); ++i) {
        const char32_t code = chars[i].code;
        if (lines && (code == U'\r' || code == U'\n')) {
            if (code == U'\r' && i + 1 < chars.size() && chars[i + 1].code == U'\n')
                ++i;
            out.push_back({0, false, true});
            marked = false;
            continue;
        }
        if (prefixes && code == U'&' && !marked) {
            marked = true;
            continue;
        }
        out.push_back({code, marked && code != U'&', false});
        marked = false;
    }
    return out;
}

class LineBuilder {
public:
    LineBuilder(SizedFace& face, unsigned format, int maxWidth)
        : m_face(face), m_wrap((format & DT_WORDBREAK) && !(format & DT_SINGLELINE)), m_maxWidth(maxWidth),
          m_tabStop(format & DT_EXPANDTABS ? 8 * face.metrics().aveCharWidth : -1)
    {
    }

    // Lays out one paragraph (the text between line ends).
    void paragraph(const std::vector<Item>& all, size_t begin, size_t end)
    {
        if (begin == end) {
            m_lines.emplace_back();
            return;
        }
        while (begin < end)
            begin = line(all, begin, end);
    }

    std::vector<LaidLine> take() { return std::move(m_lines); }

private:
    int advance(char32_t code, int x) const
    {
        if (code == U'\t' && m_tabStop >= 0)
            return m_tabStop > 0 ? m_tabStop - x % m_tabStop : 0;
        return charAdvance(m_face, code);
    }

    // Places one line from begin and answers where the next starts.
    size_t line(const std::vector<Item>& all, size_t begin, size_t end)
    {
        LaidLine laid;
        size_t wordStart = begin; // of the last word after a space, begin when none
        size_t i = begin;
        for (; i < end; ++i) {
            const int w = advance(all[i].code, laid.width);
            if (m_wrap && laid.width + w > m_maxWidth && i > begin)
                break;
            if (i > begin && all[i].code != U' ' && all[i - 1].code == U' ')
                wordStart = i;
            laid.chars.push_back({all[i].code, w, all[i].underline});
            laid.width += w;
        }
        size_t next = i;
        if (i < end) {
            if (all[i].code == U' ') {
                // the break falls on spaces: drop them
            } else if (wordStart > begin) {
                dropFrom(laid, wordStart - begin); // the word moves down whole
                next = wordStart;
            }
            while (!laid.chars.empty() && laid.chars.back().code == U' ')
                dropFrom(laid, laid.chars.size() - 1);
            while (next < end && all[next].code == U' ')
                ++next;
        }
        if (!laid.chars.empty() || next >= end)
            m_lines.push_back(std::move(laid));
        return next;
    }

    static void dropFrom(LaidLine& laid, size_t index)
    {
        for (size_t k = index; k < laid.chars.size(); ++k)
            laid.width -= laid.chars[k].advance;
        laid.chars.resize(index);
    }

    SizedFace& m_face;
    const bool m_wrap;
    const int m_maxWidth;
    const int m_tabStop; // -1: tabs are controls
    std::vector<LaidLine> m_lines;
};

} // namespace

std::vector<LaidLine> layoutText(SizedFace& face, const char* text, int count, unsigned format, int maxWidth)
{
    const std::vector<Item> all = items(text, count, format);
    LineBuilder builder(face, format, maxWidth);
    size_t begin = 0;
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].lineEnd) {
            builder.paragraph(all, begin, i);
            begin = i + 1;
        }
    }
    if (begin < all.size())
        builder.paragraph(all, begin, all.size());
    return builder.take();
}

} // namespace plat::text
