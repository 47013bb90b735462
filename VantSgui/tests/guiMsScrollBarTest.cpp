#include "MsControlBed.h"

#include "guiMsEdit.h"
#include "guiMsScrollBar.h"

#include <gtest/gtest.h>

namespace {

using gui::test::CreationLayoutHelper;
using gui::test::MessageCounter;
using gui::test::MsControlBed;

TEST_F(MsControlBed, ScrollBarOrientationComesFromItsConstructor)
{
    CreationLayoutHelper helper;
    guiMsScrollBar vertical(true);
    vertical.tcSetLayoutHelper(&helper);
    place(vertical, {10, 10, 26, 210});
    EXPECT_EQ(helper.asked, static_cast<TControl*>(&vertical));
    EXPECT_EQ(vertical.GetStyle() & SBS_VERT, static_cast<DWORD>(SBS_VERT));

    guiMsScrollBar horizontal(false);
    place(horizontal, {40, 10, 240, 26});
    EXPECT_EQ(horizontal.GetStyle() & SBS_VERT, static_cast<DWORD>(SBS_HORZ));
}

TEST_F(MsControlBed, ScrollBarPagesItsParentAndIsNeverHoverTracked)
{
    guiMsScrollBar bar(true);
    place(bar, {10, 10, 26, 210});
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMax = 300;
    si.nPage = 100;
    bar.SetScrollInfo(&si);
    guiMsEdit edit;
    place(edit, {60, 10, 200, 34});

    moveTo(100, 20);
    ASSERT_EQ(window->app.GetCtrlMouseOn(), static_cast<TControl*>(&edit));
    moveTo(18, 160);
    EXPECT_EQ(window->app.GetCtrlMouseOn(), nullptr);

    MessageCounter parent(window->GetSafeHwnd());
    clickAt(18, 160); // the trough under the thumb
    EXPECT_GE(parent.count(WM_VSCROLL), 1);
    EXPECT_EQ(LOWORD(parent.lastWParam(WM_VSCROLL)), SB_ENDSCROLL);
    EXPECT_EQ(window->app.GetCtrlMouseOn(), nullptr);
}

} // namespace
