#include "guiPopupButton.h"

#include "GuiTestBed.h"
#include "TreeTestKit.h"

#include "vbDnItf.h"

#include "testsupport/DialogPump.h"

#include "plat/keyboard.h"
#include "plat/mouse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace gui::test;

IguiTreeNode* face(const guiTreeNodePtr& n) { return static_cast<IguiTreeNode*>(n.Get()); }

// The button's client rectangle in the test window.
constexpr RECT kPlace{20, 20, 120, 44};

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);

// Keeps the popup the button opened, as its owner learns it.
struct OpenWatch : vbBase {
    bool onOpen(guiPopupTreeCtrl& p)
    {
        popup = &p;
        return true;
    }
    guiPopupTreeCtrl* popup = nullptr;
};

// A root that records the style names it is asked for.
class StyleProbe : public guiTreeNode {
public:
    bool GetAspect(const char* name, guiTreeAspectRef* out) const override
    {
        asked.emplace_back(name ? name : "(null)");
        return guiTreeNode::GetAspect(name, out);
    }
    mutable std::vector<std::string> asked;
};

class PopupButtonBed : public GuiTestBed {
protected:
    void SetUp() override
    {
        GuiTestBed::SetUp();
        button = std::make_unique<guiPopupButton>();
        button->tcSetText("Menu");
        button->OnTreeOpenCB() = guiTREEPOPUPCB(&watch, &OpenWatch::onOpen);
        button->Create(&window->container, kPlace, true, true);
        pump();
    }
    void TearDown() override
    {
        button.reset();
        GuiTestBed::TearDown();
    }

    guiTreeNodePtr showMenu()
    {
        guiTreeNodePtr root = loadMarkup("<item name=a text=Alpha/><item name=b text=Beta/>");
        button->SetRoot(face(root));
        pump();
        return root;
    }
    vbString tip()
    {
        bool track = false;
        int delay = 0;
        return button->tcNeedToolTip(CPoint(5, 5), &track, &delay);
    }
    CRect popupRect()
    {
        CRect r(0, 0, 0, 0);
        if (watch.popup)
            watch.popup->GetWindowRect(&r);
        return r;
    }
    CRect buttonRect()
    {
        CRect r;
        button->GetWindowRect(&r);
        return r;
    }
    // The name of the popup's selected item; empty for none.
    std::string selectedName()
    {
        guiTreeNodeRef selected;
        bool help = false;
        return button->GetSelected(&selected, &help) ? std::string(selected->GetName()) : std::string();
    }

    OpenWatch watch;
    std::unique_ptr<guiPopupButton> button;
};

TEST_F(PopupButtonBed, NoticesFromAWorkerArriveAsOneMessage)
{
    MessageCounter counter(button->GetSafeHwnd());
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i)
            button->PostUpdate();
    });
    worker.join();
    pump();
    EXPECT_EQ(counter.count(guiTreeMsgPostedUpdate), 1);
    button->PostRedrawRec();
    button->PostLoaded();
    pump();
    EXPECT_EQ(counter.count(guiTreeMsgPostedUpdate), 2) << "once handled, the next notice posts again";
}

TEST_F(PopupButtonBed, ToolTipFollowsTheRootsDownload)
{
    guiTreeNodePtr root = makeNode("root");
    button->SetRoot(face(root));
    EXPECT_EQ(std::string(tip()), "Loading...");
    button->tcSetToolTip("Actions", false);
    EXPECT_EQ(std::string(tip()), "Actions\n\nLoading...");

    const std::string missing = std::string(std::getenv("VANTREL_HOME")) + "/missing-menu.xml";
    root->Load(missing.c_str(), vbDnPriority3);
    for (int i = 0; i < 2000 && (root->IsDnOpInWork() || root->IsDnOpAsked()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    pump();
    ULONG code = 0;
    vbString message;
    ASSERT_TRUE(root->GetError(code, message));
    EXPECT_EQ(std::string(tip()), "Actions\n\nError during download :\n" + std::string(message));

    button->SetRoot(nullptr);
    EXPECT_EQ(std::string(tip()), "Actions");
}

TEST_F(PopupButtonBed, AutoModeOpensOnEnteringAndAClickClosesUntilTheMouseComesBack)
{
    showMenu();
    moveTo(50, 30);
    EXPECT_TRUE(button->IsPopupOpen());
    EXPECT_TRUE(button->IsClicked()) << "drawn pressed while the popup is open";
    plat::headless::mouseButton(0, true);
    pump();
    plat::headless::mouseButton(0, false);
    pump();
    EXPECT_FALSE(button->IsPopupOpen());
    EXPECT_FALSE(button->IsClicked());
    moveTo(60, 32);
    EXPECT_FALSE(button->IsPopupOpen());
    moveTo(300, 20);
    moveTo(50, 30);
    EXPECT_TRUE(button->IsPopupOpen());

    button->SetPopupAuto(false);
    button->ClosePopup();
    moveTo(300, 20);
    moveTo(50, 30);
    EXPECT_FALSE(button->IsPopupOpen());
}

TEST_F(PopupButtonBed, AKeyOnTheButtonOpensThePopupAndReachesIt)
{
    showMenu();
    button->SetFocus();
    pump();
    plat::headless::keyPress(VK_DOWN);
    pump();
    EXPECT_TRUE(button->IsPopupOpen());
    guiTreeNodeRef selected;
    bool help = true;
    ASSERT_TRUE(button->GetSelected(&selected, &help));
    EXPECT_EQ(std::string(selected->GetName()), "a");
    EXPECT_FALSE(help);
}

// Records the items the menu reports clicked.
struct ClickLog : vbBase {
    bool onClick(sIguiTreeDraw*, IguiTreeNode* node, bool, bool handled)
    {
        names.emplace_back(node ? node->GetName() : "(none)");
        return handled;
    }
    std::vector<std::string> names;
};

TEST_F(PopupButtonBed, InADialogEveryKeyGoesToTheOpenMenuFirst)
{
    guiTreeNodePtr root = loadMarkup("<item name=a text=Alpha/><item name=b text=Beta><item name=x text=Xi/>"
                                     "<item name=y text=Ypsilon/></item><item name=c text=Gamma/>");
    button->SetRoot(face(root));
    ClickLog clicks;
    button->OnTreeClickCB() = guiTREESUBOPCB(&clicks, &ClickLog::onClick);
    // Where the dialog's arrows take the focus from the button.
    const HWND next = addControl(CRect(20, 60, 120, 84)).GetSafeHwnd();
    moveTo(50, 30);
    ASSERT_TRUE(button->IsPopupOpen());
    const HWND dialog = window->GetSafeHwnd();
    MessageCounter commands(dialog);
    const auto press = [&](UINT vk) {
        plat::headless::keyPress(vk);
        vnt::test::pumpDialog(dialog); // as a dialog's modal loop takes them
    };

    struct Step {
        UINT key;
        const char* selected; // the deepest open level's
        std::vector<std::string> clicked;
    };
    const Step steps[] = {
        {VK_DOWN, "a", {}},
        {VK_RETURN, "a", {"a"}},
        {VK_DOWN, "b", {"a"}},
        {VK_RIGHT, "x", {"a"}},
        {VK_DOWN, "y", {"a"}},
        {VK_ESCAPE, "b", {"a"}}, // the submenu closes back to its item
        {VK_RIGHT, "x", {"a"}}, // and opens again
        {VK_RETURN, "x", {"a", "x"}},
        {VK_LEFT, "b", {"a", "x"}},
        {VK_DOWN, "c", {"a", "x"}},
    };
    for (const Step& step : steps) {
        press(step.key);
        ASSERT_TRUE(button->IsPopupOpen()) << "after key " << step.key << " to " << step.selected;
        EXPECT_EQ(selectedName(), step.selected) << "after key " << step.key;
        EXPECT_EQ(clicks.names, step.clicked) << "after key " << step.key;
    }
    EXPECT_EQ(GetFocus(), button->GetSafeHwnd());
    EXPECT_EQ(commands.count(WM_COMMAND), 0) << "no key reached the dialog's commands";

    // Escape on the first level closes the menu, and its character does not open it again.
    press(VK_ESCAPE);
    EXPECT_FALSE(button->IsPopupOpen());
    EXPECT_EQ(commands.count(WM_COMMAND), 0);

    // Closed, the button leaves the dialog keys to the dialog again.
    press(VK_ESCAPE);
    ASSERT_EQ(commands.count(WM_COMMAND), 1);
    EXPECT_EQ(LOWORD(commands.lastWParam(WM_COMMAND)), IDCANCEL);
    press(VK_DOWN);
    EXPECT_FALSE(button->IsPopupOpen());
    EXPECT_EQ(GetFocus(), next);
}

TEST_F(PopupButtonBed, AlignedPopupsTakeTheButtonsWidthOrHeight)
{
    showMenu();
    button->SetPopupAlign(true);
    button->OpenPopup();
    pump();
    ASSERT_NE(watch.popup, nullptr);
    EXPECT_EQ(popupRect().left, buttonRect().left);
    EXPECT_EQ(popupRect().Width(), buttonRect().Width());
    EXPECT_EQ(popupRect().top, buttonRect().bottom);

    button->SetPopupDir(guiPopupDir_Right);
    EXPECT_FALSE(button->IsPopupOpen()) << "a new direction closes";
    button->OpenPopup();
    pump();
    EXPECT_EQ(popupRect().left, buttonRect().right);
    EXPECT_EQ(popupRect().top, buttonRect().top);
    EXPECT_EQ(popupRect().Height(), buttonRect().Height());

    button->SetPopupAlign(false);
    EXPECT_FALSE(button->IsPopupOpen()) << "so does a change of alignment";
}

TEST_F(PopupButtonBed, StyleIsLookedUpByAspectNameThenFallsBackToTheButton)
{
    auto* probe = new StyleProbe();
    guiTreeNodePtr root(probe);
    probe->Release();
    probe->Create();
    button->tcSetTextColor(vbColor(kRed));
    button->SetAspectName("x");
    button->SetRoot(face(root));
    pump();
    const std::vector<std::string> order = {"popupbtn.x", "popupbtn", ""};
    auto at = std::find(probe->asked.begin(), probe->asked.end(), order.front());
    ASSERT_GE(probe->asked.end() - at, 3);
    EXPECT_EQ(std::vector<std::string>(at, at + 3), order);

    // A style without a text colour: the button's own completes it.
    guiTreeAspectRef style;
    ASSERT_TRUE(root->CreateAspect("popupbtn", &style));
    style->SetBack(guiSurface(nullptr, kGreen, vbNULLCOLOR, vbNULLCOLOR, false), false);
    pump();
    button->InvalidateRect(nullptr, FALSE);
    pump();
    int green = 0, red = 0;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 100; ++x) {
            const COLORREF c = pixel(*button, x, y);
            green += c == kGreen;
            red += c == kRed;
        }
    }
    EXPECT_GT(green, 0) << "the style's back";
    EXPECT_GT(red, 0) << "the button's own text colour";
}

TEST_F(PopupButtonBed, ANodeKeepsOnePopupAndClosesItWhenDestroyed)
{
    guiTreeNodePtr root = loadMarkup("<item name=a text=Alpha/>");
    guiContainer& container = window->container;
    const int before = container.GetLength();
    EXPECT_TRUE(root->Popup(container, CRect(200, 20, 260, 40), guiPopupDir_Below));
    pump();
    EXPECT_TRUE(root->Popup(container, CRect(200, 20, 260, 40), guiPopupDir_Right));
    pump();
    ASSERT_EQ(container.GetLength(), before + 2) << "one button and its popup";
    const HWND made = container.GetControl(before + 1)->tcGetHwnd();
    const HWND popup = container.GetControl(before + 2)->tcGetHwnd();
    EXPECT_FALSE(IsWindowVisible(made));
    EXPECT_TRUE(IsWindowVisible(popup));

    root->Destroy();
    pump();
    EXPECT_EQ(container.GetLength(), before);
    EXPECT_FALSE(IsWindow(made));
    EXPECT_FALSE(IsWindow(popup));
}

} // namespace
