#include "DrawingBed.h"
#include "MsControlBed.h"

#include "guiMsButton.h"
#include "guiMsStatic.h"

#include <gtest/gtest.h>

namespace {

using gui::test::DrawingBed;
using gui::test::MessageCounter;
using gui::test::MsControlBed;

// A button whose own message map takes the reflected click, as a derived class may: it sees what
// the callback leaves to the default handling.
class Button : public guiMsButton {
public:
    Button() { OnButtonCB() = guiMSBUTTONCB(this, &Button::onButton); }
    bool onButton(guiMsButton&)
    {
        ++calls;
        return handle;
    }
    void setBoldOnHover() { m_bBoldOnHover = true; }

    int calls = 0;
    bool handle = false;
    int reflectedClicks = 0;

protected:
    void OnClicked() { ++reflectedClicks; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Button, guiMsButton)
ON_CONTROL_REFLECT(BN_CLICKED, OnClicked)
END_MESSAGE_MAP()

TEST_F(MsControlBed, ButtonCallbackSeesEveryNotificationAndMayEndIt)
{
    Button button;
    button.SetCreationStyle(WS_TABSTOP | BS_NOTIFY);
    place(button, {10, 10, 110, 40});
    pump();
    button.calls = 0;

    clickAt(50, 20);
    EXPECT_EQ(button.reflectedClicks, 1) << "a false answer leaves the click to the default handling";
    const int afterClick = button.calls;
    EXPECT_GE(afterClick, 2) << "focus and click";

    guiMsButton other;
    place(other, {10, 50, 110, 80});
    other.SetFocus();
    pump();
    EXPECT_EQ(button.calls, afterClick + 1) << "focus lost";

    button.handle = true;
    clickAt(50, 20);
    EXPECT_EQ(button.reflectedClicks, 1) << "a true answer ends the notification";
    const WPARAM clicked = MAKEWPARAM(button.GetDlgCtrlID(), BN_CLICKED);
    EXPECT_EQ(window->SendMessage(WM_COMMAND, clicked, reinterpret_cast<LPARAM>(button.GetSafeHwnd())), 0);
    EXPECT_EQ(button.reflectedClicks, 1);
}

TEST_F(MsControlBed, ButtonCreationStyleAndCheckState)
{
    guiMsButton plain;
    EXPECT_EQ(plain.tcGetBorderStyle(), 0);
    place(plain, {10, 10, 110, 40});
    EXPECT_NE(plain.GetStyle() & WS_TABSTOP, 0u);

    guiMsButton check;
    check.SetCreationStyle(BS_AUTOCHECKBOX);
    place(check, {10, 50, 110, 80});
    EXPECT_EQ(check.GetStyle() & WS_TABSTOP, 0u);
    EXPECT_EQ(check.tcGetValue(), BST_UNCHECKED);
    check.tcSetValue(BST_CHECKED);
    EXPECT_EQ(check.SendMessage(BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(check.tcGetValue(), BST_CHECKED);
    check.SetCreationStyle(WS_TABSTOP);
    EXPECT_EQ(check.GetStyle() & WS_TABSTOP, 0u) << "an existing window keeps its style";
}

TEST_F(MsControlBed, ButtonTurnsBoldOnHoverOnlyWhenAskedTo)
{
    Button bold;
    bold.setBoldOnHover();
    Button plain;
    place(bold, {10, 10, 110, 40});
    place(plain, {10, 50, 110, 80});
    MessageCounter boldMessages(bold.GetSafeHwnd());
    MessageCounter plainMessages(plain.GetSafeHwnd());

    moveTo(50, 20);
    EXPECT_TRUE(bold.tcGetFont().GetBold());
    EXPECT_EQ(boldMessages.count(WM_SETFONT), 1);
    moveTo(50, 60);
    EXPECT_FALSE(bold.tcGetFont().GetBold());
    EXPECT_EQ(boldMessages.count(WM_SETFONT), 2);
    moveTo(200, 200);
    EXPECT_FALSE(plain.tcGetFont().GetBold());
    EXPECT_EQ(plainMessages.count(WM_SETFONT), 0);
}

TEST_F(MsControlBed, ButtonPrintsItsCentredTextForAContextOfItsOwn)
{
    guiMsButton button;
    place(button, {10, 10, 110, 40});
    button.tcSetText("Go");
    button.tcSetTextColor(RGB(255, 0, 0));
    button.tcSetBackColor(RGB(0, 0, 255));

    // 100 x 30 without frame; without a font of its own the button writes in the context's (the
    // test font): two 7 px characters from x 43, 13 px high from y 8.
    DrawingBed bed(200, 60);
    guiDrawInfo own(1);
    button.tcPrintClient(&own, CDC::FromHandle(bed.dc), false);
    int red = 0;
    for (int y = 0; y < bed.height; ++y)
        for (int x = 0; x < bed.width; ++x)
            if (bed.at(x, y) == RGB(255, 0, 0)) {
                ++red;
                EXPECT_TRUE(x >= 43 && x < 57 && y >= 8 && y < 21) << x << "," << y;
            }
    EXPECT_GT(red, 0);
    EXPECT_EQ(bed.at(43, 8), RGB(0, 0, 255)) << "text on the surface colour";

    // Clipped to the button: nothing beyond its 100 px.
    button.tcSetText("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
    DrawingBed wide(200, 60);
    button.tcPrintClient(&own, CDC::FromHandle(wide.dc), false);
    for (int y = 0; y < wide.height; ++y)
        for (int x = 100; x < wide.width; ++x)
            ASSERT_EQ(wide.at(x, y), RGB(255, 255, 255)) << x << "," << y;

    // Context 0: the built-in button prints itself, as it shows on the screen.
    button.tcSetText("Go");
    pump();
    DrawingBed plain(200, 60);
    guiDrawInfo screen(0);
    button.tcPrintClient(&screen, CDC::FromHandle(plain.dc), false);
    for (const CPoint p : {CPoint(5, 5), CPoint(45, 12), CPoint(50, 15), CPoint(95, 25)})
        EXPECT_EQ(plain.at(p.x, p.y), pixel(button, p.x, p.y)) << p.x << "," << p.y;
}

TEST_F(MsControlBed, StaticIsTheBuiltInTextWithoutTabStop)
{
    guiMsStatic label;
    place(label, {10, 10, 110, 30});
    EXPECT_EQ(textOf(label), "");
    EXPECT_EQ(label.GetStyle() & WS_TABSTOP, 0u);
    label.tcSetText("Name");
    EXPECT_EQ(textOf(label), "Name");
}

} // namespace
