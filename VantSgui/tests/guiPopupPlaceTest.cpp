#include "popup/guiPopupPlace.h"

#include <gtest/gtest.h>

namespace {

struct PlaceCase {
    const char* what;
    RECT anchor;
    int dir;
    SIZE size;
    RECT expected;
    int expectedDir;
};

// On a 400 x 300 screen.
const PlaceCase kCases[] = {
    {"right edge, more room left: opens left", {300, 50, 350, 70}, 1, {100, 50}, {200, 50, 300, 100}, 0},
    {"right edge, less room left: stays right, clamped", {30, 50, 350, 70}, 1, {100, 50}, {350, 50, 400, 100}, 1},
    {"left edge, more room right: opens right", {20, 10, 40, 30}, 0, {100, 50}, {40, 10, 140, 60}, 1},
    {"left with room", {200, 10, 240, 30}, 0, {100, 50}, {100, 10, 200, 60}, 0},
    {"no room below, more above: opens above", {10, 250, 60, 270}, 3, {100, 50}, {10, 200, 110, 250}, 2},
    {"equal room: stays below, clamped", {10, 125, 60, 175}, 3, {100, 150}, {10, 175, 110, 300}, 3},
    {"no room above, more below: opens below", {10, 20, 60, 40}, 2, {100, 50}, {10, 40, 110, 90}, 3},
    {"bottom overflow beside, more room above: up from the anchor's bottom", {10, 260, 60, 280}, 1, {100, 50},
        {60, 230, 160, 280}, 1},
    {"right overflow above, more room left: back from the anchor's right", {350, 200, 390, 220}, 2, {100, 50},
        {290, 150, 390, 200}, 2},
    {"one flip only, then clamped", {150, 10, 350, 30}, 1, {300, 50}, {0, 10, 150, 60}, 0},
    {"unknown direction: the corner", {100, 100, 120, 120}, 7, {100, 50}, {0, 0, 100, 50}, 7},
};

TEST(guiPopupPlace, SidesFlipsAndClamps)
{
    for (const PlaceCase& c : kCases) {
        const guiPopupPlacement placed =
            guiPlacePopup(CSize(400, 300), CRect(c.anchor), static_cast<guiPopupDir>(c.dir), CSize(c.size));
        EXPECT_EQ(placed.rect, CRect(c.expected)) << c.what;
        EXPECT_EQ(placed.dir, c.expectedDir) << c.what;
    }
}

} // namespace
