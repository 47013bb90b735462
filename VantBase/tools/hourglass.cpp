// Draws the base library's animated hourglass cursor and writes it as an .ani file: eight 32 x 32
// frames in which the sand runs from the upper bulb into the lower one.
//
//   hourglass <output.ani>

#include "testsupport/ImageFiles.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kSize = 32;
constexpr int kFrames = 8;
// Each frame shows for this many sixtieths of a second.
constexpr uint32_t kJiffies = 10;

constexpr uint32_t kClear = 0x00000000;
constexpr uint32_t kWood = 0xFF6B4226;
constexpr uint32_t kGlassEdge = 0xFF303030;
constexpr uint32_t kGlass = 0xFFE6F2FA;
constexpr uint32_t kSand = 0xFFD9A520;

// The bulbs run from row 4 to row 27 and meet at the neck between rows 15 and 16.
constexpr int kTop = 4;
constexpr int kNeck = 16;
constexpr int kBottom = 28;

// Half the glass's inner width at a row, in pixels from the middle line.
double halfWidth(int y)
{
    const double fromNeck = y < kNeck ? kNeck - 1 - y : y - kNeck;
    return 1.0 + fromNeck * 9.0 / double(kNeck - 1 - kTop);
}

// Rows of sand: the upper bulb holds rows [upper, kNeck), the lower one rows [lower, kBottom).
struct Sand {
    int upper;
    int lower;
};

Sand sandOf(int frame)
{
    const int rows = kNeck - kTop - 2; // what the upper bulb holds at the start
    const int run = rows * frame / (kFrames - 1);
    return {kTop + 2 + run, kBottom - run};
}

uint32_t pixel(int frame, int x, int y)
{
    if ((y == 2 || y == 3 || y == 28 || y == 29) && x >= 4 && x <= 27)
        return kWood;
    if (y < kTop || y >= kBottom)
        return kClear;
    const double fromMiddle = x < kSize / 2 ? kSize / 2 - 0.5 - x : x - (kSize / 2 - 0.5);
    const double half = halfWidth(y);
    if (fromMiddle > half + 1.0)
        return kClear;
    if (fromMiddle > half)
        return kGlassEdge;
    const Sand sand = sandOf(frame);
    const bool running = frame < kFrames - 1 && fromMiddle < 1.0 && y >= kNeck - 1 && y < sand.lower;
    if ((y < kNeck && y >= sand.upper) || (y >= kNeck && y >= sand.lower) || running)
        return kSand;
    return kGlass;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: hourglass <output.ani>\n");
        return 2;
    }
    std::vector<vnt::test::Bytes> frames;
    for (int f = 0; f < kFrames; ++f) {
        vnt::test::IconImage image;
        image.width = kSize;
        image.height = kSize;
        image.bits = 32;
        image.hotX = kSize / 2;
        image.hotY = kSize / 2;
        image.argb = [f](int x, int y) { return pixel(f, x, y); };
        frames.push_back(vnt::test::iconFile({image}, true));
    }
    const vnt::test::Bytes ani = vnt::test::aniFile(frames, {}, {}, kJiffies);
    FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(ani.data(), 1, ani.size(), out) != ani.size() || std::fclose(out) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
