// Cursors are white shapes outlined in black (the I-beam and the cross are plain black lines);
// icons are coloured discs and signs.

#include "input/BuiltinImages.h"

#include <cmath>
#include <functional>
#include <initializer_list>

namespace plat::input {

namespace {

constexpr int N = BuiltinImage::kSize;
constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kRed = 0xFFD0302A;
constexpr uint32_t kBlue = 0xFF2A62C8;
constexpr uint32_t kYellow = 0xFFF2C21B;
constexpr uint32_t kGrey = 0xFF808080;

struct Pt {
    double x, y;
};

// Which pixels (by their centres) a shape covers.
using Shape = std::function<bool(double x, double y)>;

Shape polygon(std::initializer_list<Pt> list)
{
    std::vector<Pt> pts(list);
    return [pts](double x, double y) {
        bool inside = false;
        for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
            const Pt& a = pts[i];
            const Pt& b = pts[j];
            if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x)
                inside = !inside;
        }
        return inside;
    };
}

// A stroke of the given width along a polyline.
Shape stroke(std::initializer_list<Pt> list, double width)
{
    std::vector<Pt> pts(list);
    return [pts, width](double x, double y) {
        for (size_t i = 0; i + 1 < pts.size(); ++i) {
            const Pt& a = pts[i];
            const Pt& b = pts[i + 1];
            const double dx = b.x - a.x, dy = b.y - a.y;
            const double len2 = dx * dx + dy * dy;
            double t = len2 > 0 ? ((x - a.x) * dx + (y - a.y) * dy) / len2 : 0;
            t = t < 0 ? 0 : t > 1 ? 1 : t;
            const double ex = a.x + t * dx - x, ey = a.y + t * dy - y;
            if (ex * ex + ey * ey <= width * width / 4)
                return true;
        }
        return false;
    };
}

Shape disc(double cx, double cy, double r)
{
    return [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}

// A double-headed arrow from a to b.
Shape doubleArrow(Pt a, Pt b)
{
    const double len = std::hypot(b.x - a.x, b.y - a.y);
    const double ux = (b.x - a.x) / len, uy = (b.y - a.y) / len; // along
    const double nx = -uy, ny = ux; // across
    auto head = [&](Pt tip, double dir) {
        const Pt base{tip.x + dir * ux * 6, tip.y + dir * uy * 6};
        return polygon({tip, {base.x + nx * 5, base.y + ny * 5}, {base.x - nx * 5, base.y - ny * 5}});
    };
    Shape first = head(a, 1), second = head(b, -1);
    Shape shaft = stroke({a, b}, 3);
    return [=](double x, double y) { return first(x, y) || second(x, y) || shaft(x, y); };
}

class Canvas {
public:
    explicit Canvas(BuiltinImage& image) : m_image(image) { m_image.pixels.assign(N * N, 0); }

    // Fills the shape; with an outline colour, its edge pixels take that colour instead.
    Canvas& fill(const Shape& shape, uint32_t colour, uint32_t outline = 0)
    {
        for (int y = 0; y < N; ++y)
            for (int x = 0; x < N; ++x) {
                if (!covers(shape, x, y))
                    continue;
                const bool edge = outline
                    && (!covers(shape, x - 1, y) || !covers(shape, x + 1, y) || !covers(shape, x, y - 1)
                        || !covers(shape, x, y + 1));
                m_image.pixels[size_t(y * N + x)] = edge ? outline : colour;
            }
        return *this;
    }

private:
    static bool covers(const Shape& shape, int x, int y)
    {
        return x >= 0 && y >= 0 && x < N && y < N && shape(x + 0.5, y + 0.5);
    }
    BuiltinImage& m_image;
};

const Shape kArrow = polygon({{0, -1}, {0, 22}, {5.5, 17}, {9.5, 26}, {13, 24.5}, {9, 16}, {16.5, 16}});

Shape hourglass(double x0, double y0, double w, double h)
{
    const double mx = x0 + w / 2, my = y0 + h / 2;
    return polygon({{x0, y0}, {x0 + w, y0}, {mx + 1, my}, {x0 + w, y0 + h}, {x0, y0 + h}, {mx - 1, my}});
}

Shape questionMark(double cx, double top, double scale, double width)
{
    auto p = [&](double x, double y) { return Pt{cx + x * scale, top + y * scale}; };
    Shape curve = stroke({p(-4, 3), p(-2, 0), p(2, 0), p(4, 3), p(3, 6), p(0, 8), p(0, 11)}, width);
    Shape dot = disc(cx, top + 15 * scale, width * 0.75);
    return [=](double x, double y) { return curve(x, y) || dot(x, y); };
}

} // namespace

bool builtinCursorImage(int id, BuiltinImage& out)
{
    Canvas c(out);
    out.hotSpot = POINT{16, 16};
    switch (id) {
    case 32512: // arrow
        c.fill(kArrow, kWhite, kBlack);
        out.hotSpot = POINT{0, 0};
        return true;
    case 32513: // I-beam
        c.fill(stroke({{16, 6}, {16, 26}}, 2), kBlack)
            .fill(stroke({{12, 5}, {20, 5}}, 2), kBlack)
            .fill(stroke({{12, 27}, {20, 27}}, 2), kBlack);
        return true;
    case 32514: // wait
        c.fill(hourglass(7, 3, 18, 26), kWhite, kBlack);
        return true;
    case 32515: // cross
        c.fill(stroke({{16, 4}, {16, 28}}, 1.5), kBlack).fill(stroke({{4, 16}, {28, 16}}, 1.5), kBlack);
        return true;
    case 32516: // up arrow
        c.fill(polygon({{16, 1}, {26, 12}, {19, 12}, {19, 30}, {13, 30}, {13, 12}, {6, 12}}), kWhite, kBlack);
        out.hotSpot = POINT{16, 1};
        return true;
    case 32642: c.fill(doubleArrow({5, 5}, {27, 27}), kWhite, kBlack); return true; // size NW-SE
    case 32643: c.fill(doubleArrow({27, 5}, {5, 27}), kWhite, kBlack); return true; // size NE-SW
    case 32644: c.fill(doubleArrow({2, 16}, {30, 16}), kWhite, kBlack); return true; // size W-E
    case 32645: c.fill(doubleArrow({16, 2}, {16, 30}), kWhite, kBlack); return true; // size N-S
    case 32646: { // size all
        Shape h = doubleArrow({2, 16}, {30, 16}), v = doubleArrow({16, 2}, {16, 30});
        c.fill([=](double x, double y) { return h(x, y) || v(x, y); }, kWhite, kBlack);
        return true;
    }
    case 32648: { // no
        Shape ring = disc(16, 16, 12), hole = disc(16, 16, 8), bar = stroke({{9, 9}, {23, 23}}, 5);
        c.fill([=](double x, double y) { return ring(x, y) && (!hole(x, y) || bar(x, y)); }, kWhite, kBlack);
        return true;
    }
    case 32649: { // hand
        Shape finger = stroke({{12, 3}, {12, 16}}, 5), palm = polygon({{9, 14}, {25, 14}, {24, 28}, {11, 28}, {6, 20}});
        c.fill([=](double x, double y) { return finger(x, y) || palm(x, y); }, kWhite, kBlack);
        out.hotSpot = POINT{12, 1};
        return true;
    }
    case 32650: // arrow with hourglass
        c.fill(kArrow, kWhite, kBlack).fill(hourglass(18, 14, 12, 16), kWhite, kBlack);
        out.hotSpot = POINT{0, 0};
        return true;
    case 32651: // arrow with question mark
        c.fill(kArrow, kWhite, kBlack).fill(questionMark(24, 8, 1, 2.5), kBlack);
        out.hotSpot = POINT{0, 0};
        return true;
    default: return false;
    }
}

bool builtinIconImage(int id, BuiltinImage& out)
{
    Canvas c(out);
    out.hotSpot = POINT{16, 16};
    const Shape round = disc(16, 16, 14.5);
    switch (id) {
    case 32512: // application: a window
        c.fill(polygon({{2, 4}, {30, 4}, {30, 28}, {2, 28}}), kWhite, kGrey)
            .fill(polygon({{3, 5}, {29, 5}, {29, 10}, {3, 10}}), kBlue);
        return true;
    case 32513: // hand (error)
        c.fill(round, kRed, kBlack)
            .fill(stroke({{10, 10}, {22, 22}}, 3.5), kWhite)
            .fill(stroke({{22, 10}, {10, 22}}, 3.5), kWhite);
        return true;
    case 32514: // question
        c.fill(round, kBlue, kBlack).fill(questionMark(16, 6, 1.2, 3.5), kWhite);
        return true;
    case 32515: // exclamation
        c.fill(polygon({{16, 1}, {31, 29}, {1, 29}}), kYellow, kBlack)
            .fill(stroke({{16, 10}, {16, 20}}, 3.5), kBlack)
            .fill(disc(16, 24.5, 2), kBlack);
        return true;
    case 32516: // asterisk (information)
        c.fill(round, kBlue, kBlack).fill(disc(16, 9, 2.2), kWhite).fill(stroke({{16, 14}, {16, 25}}, 3.5), kWhite);
        return true;
    default: return false;
    }
}

} // namespace plat::input
