// The classic system colour table and the metrics of a standard desktop.

#include "Display.h"
#include "SysColorBrush.h"

#include "plat/sysmetrics.h"
#include "plat/testhooks.h"

#include <atomic>
#include <cstdint>
#include <iterator>

namespace {

constexpr DWORD rgb(BYTE r, BYTE g, BYTE b) { return DWORD(r) | DWORD(g) << 8 | DWORD(b) << 16; }

constexpr DWORD kClassicColors[] = {
    rgb(192, 192, 192), // COLOR_SCROLLBAR
    rgb(0, 128, 128),   // COLOR_BACKGROUND
    rgb(0, 0, 128),     // COLOR_ACTIVECAPTION
    rgb(128, 128, 128), // COLOR_INACTIVECAPTION
    rgb(192, 192, 192), // COLOR_MENU
    rgb(255, 255, 255), // COLOR_WINDOW
    rgb(0, 0, 0),       // COLOR_WINDOWFRAME
    rgb(0, 0, 0),       // COLOR_MENUTEXT
    rgb(0, 0, 0),       // COLOR_WINDOWTEXT
    rgb(255, 255, 255), // COLOR_CAPTIONTEXT
    rgb(192, 192, 192), // COLOR_ACTIVEBORDER
    rgb(192, 192, 192), // COLOR_INACTIVEBORDER
    rgb(128, 128, 128), // COLOR_APPWORKSPACE
    rgb(0, 0, 128),     // COLOR_HIGHLIGHT
    rgb(255, 255, 255), // COLOR_HIGHLIGHTTEXT
    rgb(192, 192, 192), // COLOR_BTNFACE
    rgb(128, 128, 128), // COLOR_BTNSHADOW
    rgb(128, 128, 128), // COLOR_GRAYTEXT
    rgb(0, 0, 0),       // COLOR_BTNTEXT
    rgb(192, 192, 192), // COLOR_INACTIVECAPTIONTEXT
    rgb(255, 255, 255), // COLOR_BTNHIGHLIGHT
    rgb(0, 0, 0),       // COLOR_3DDKSHADOW
    rgb(223, 223, 223), // COLOR_3DLIGHT
    rgb(0, 0, 0),       // COLOR_INFOTEXT
    rgb(255, 255, 225), // COLOR_INFOBK
    rgb(181, 181, 181), // 25, unnamed
    rgb(0, 0, 255),     // COLOR_HOTLIGHT
    rgb(16, 132, 208),  // COLOR_GRADIENTACTIVECAPTION
    rgb(181, 181, 181), // COLOR_GRADIENTINACTIVECAPTION
    rgb(0, 0, 128),     // COLOR_MENUHILIGHT
    rgb(192, 192, 192), // COLOR_MENUBAR
};
constexpr int kColorCount = int(std::size(kClassicColors));

// Brushes of system colours are tagged values, not objects: they are never deleted, and the
// drawing code recognises them by the tag.
constexpr uintptr_t kBrushTag = 0x5C500000u;

} // namespace

namespace plat::ui {

int sysColorBrushIndex(HBRUSH brush)
{
    uintptr_t value = reinterpret_cast<uintptr_t>(brush);
    if ((value & ~uintptr_t(0xFFF)) != kBrushTag || (value & 3) != 0)
        return -1;
    int index = int((value & 0xFFF) >> 2);
    return index < kColorCount ? index : -1;
}

} // namespace plat::ui

namespace {

// GetSysColor answers indices 0 to 47; those past the classic table are 0. A test's colour is
// kept with bit 32 set, so that the table needs no initialisation at start-up.
constexpr int kSysColorSlots = 48;
constexpr uint64_t kSetByTest = uint64_t(1) << 32;
std::atomic<uint64_t> g_testColors[kSysColorSlots];

} // namespace

DWORD GetSysColor(int nIndex)
{
    if (nIndex < 0 || nIndex >= kSysColorSlots)
        return 0;
    const uint64_t test = g_testColors[nIndex].load(std::memory_order_relaxed);
    if (test & kSetByTest)
        return DWORD(test);
    return nIndex < kColorCount ? kClassicColors[nIndex] : 0;
}

void vntTestSetSysColor(int index, DWORD color)
{
    if (index >= 0 && index < kSysColorSlots)
        g_testColors[index].store(kSetByTest | color);
}

void vntTestResetSysColors()
{
    for (auto& slot : g_testColors)
        slot.store(0);
}

HBRUSH GetSysColorBrush(int nIndex)
{
    if (nIndex < 0 || nIndex >= kColorCount)
        return nullptr;
    return reinterpret_cast<HBRUSH>(kBrushTag | uintptr_t(nIndex) << 2);
}

int GetSystemMetrics(int nIndex)
{
    switch (nIndex) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN: return plat::ui::display().screenSize().cx;
    case SM_CYSCREEN: return plat::ui::display().screenSize().cy;
    case SM_CYFULLSCREEN: return plat::ui::display().screenSize().cy - 18;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return 16;
    case SM_CYCAPTION:
    case SM_CYMENU: return 18;
    case SM_CXBORDER:
    case SM_CYBORDER:
    case SM_MOUSEPRESENT: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG: return 4;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    default: return 0;
    }
}
