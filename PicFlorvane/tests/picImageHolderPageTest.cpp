// The property pages of projects and source images: rows and their rectangles by width and
// filter type, the filter type switch, factors typed in, the path edit and the status texts,
// through real messages to the page's controls.

#include "PicHeldLoads.h"
#include "PicPictureKit.h"
#include "PicTestKit.h"

#include "picProject.h"
#include "picSourceImage.h"

#include "GuiTestBed.h"

#include "guiButton.h"
#include "guiMsComboBox.h"
#include "guiMsEdit.h"
#include "guiToolTip.h"

#include "plat/controls.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>

using namespace pic::test;
using gui::test::GuiTestBed;

namespace {

// Rectangles compared as text, to show in failure messages.
std::string text(const CRect& r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
        std::to_string(r.bottom) + ")";
}

// The controls of a page in the order they are made.
enum Ctrl {
    kActions = 1,
    kNameEdit,
    kPathEdit,
    kPathButton,
    kTypeCombo,
    kCombo1,
    kFactor1,
    kCombo2,
    kFactor2,
    kCombo3,
    kFactor3
};

class PicHolderPage : public GuiTestBed {
protected:
    void SetUp() override
    {
        GuiTestBed::SetUp();
        pictest::registerJpegPlugin();
        picSetMainWnd(&wnd);
        attach(folder, project);
        attach(project, image);
    }
    void TearDown() override
    {
        window->container.ClearCtrls();
        folder->Destroy();
        folder.Release();
        project.Release();
        image.Release();
        picSetMainWnd(nullptr);
        GuiTestBed::TearDown();
    }

    picProject* proj() { return static_cast<picProject*>(project.Get()); }
    picSourceImage* img() { return static_cast<picSourceImage*>(image.Get()); }

    // The page of node built into (0, 0, width, 400); the top it leaves.
    int build(picNode* node, int width, bool relayout = false)
    {
        CRect area(0, 0, width, 400);
        node->BuildPropertyPage(&wnd, &window->container, area, relayout);
        pump();
        return area.top;
    }
    TControl* ctrl(int i) { return window->container.GetControl(i); }
    template <class T>
    T& as(int i)
    {
        auto* c = dynamic_cast<T*>(ctrl(i));
        EXPECT_NE(c, nullptr) << i;
        return *c;
    }
    std::string rectOf(int i)
    {
        CRect r;
        ctrl(i)->tcGetRect(r, false);
        // A drop-down list's window is as high as its selection field, whatever it was given.
        if (dynamic_cast<guiMsComboBox*>(ctrl(i)))
            r.bottom = r.top + 24;
        return text(r);
    }
    // The last control: the preview.
    picGuiBox& preview() { return as<picGuiBox>(window->container.GetLength()); }
    vbString status() { return as<guiMsEdit>(window->container.GetLength() - 1).tcGetText(); }
    // The image shows this picture file through the project's own three bands: an assembly then
    // gives back the picture.
    void giveTheImageItsBands(const vnt::test::Bytes& jpeg)
    {
        const char* bands[3] = {"!red", "!green", "!blue"};
        proj()->SetFilterType(picImageHolder::kRgb);
        img()->SetSourceFile(pictest::writeFile("src.jpg", jpeg).c_str());
        img()->SetFilterType(picImageHolder::kRgb);
        for (int c = 1; c <= 3; ++c) {
            picChannelFilter filter;
            filter.SetKey(bands[c - 1]);
            proj()->SetChannel(c, filter);
            img()->SetChannel(c, filter);
        }
    }
    void select(guiMsComboBox& combo, int index)
    {
        combo.SetListIndex(index);
        window->SendMessage(WM_COMMAND, MAKEWPARAM(combo.GetDlgCtrlID(), CBN_SELCHANGE),
            reinterpret_cast<LPARAM>(combo.GetSafeHwnd()));
        pump();
    }

    RecordingMainWnd wnd;
    TestNodePtr folder = makeNode();
    picNodePtr project = picProject::Make();
    picNodePtr image = picSourceImage::Make();
};

TEST_F(PicHolderPage, PathButtonOnlyFromAWidthOf100)
{
    struct Case {
        bool project;
        int width;
        bool button;
    } cases[] = {{false, 99, false}, {false, 100, true}, {true, 99, false}, {true, 100, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + (c.project ? " project" : " image"));
        picNode* node = c.project ? static_cast<picNode*>(proj()) : img();
        EXPECT_EQ(build(node, c.width), 104);
        EXPECT_EQ(rectOf(kPathEdit), text(CRect(0, 40, c.button ? c.width - 50 : c.width, 60)));
        guiButton& button = as<guiButton>(kPathButton);
        EXPECT_EQ(button.tcGetVisible(), c.button);
        if (c.button) {
            EXPECT_EQ(rectOf(kPathButton), text(CRect(c.width - 50, 40, c.width, 60)));
        }
        EXPECT_EQ(button.tcGetText(), vbString(c.project ? "Save" : "..."));
        node->DropPropertyPage();
        window->container.ClearCtrls();
    }
}

TEST_F(PicHolderPage, FilterRowAt600InBothModes)
{
    // Monochromatic: U = 100; the factor runs to the right edge.
    build(img(), 600);
    EXPECT_EQ(rectOf(kTypeCombo), text(CRect(0, 60, 300, 84)));
    EXPECT_EQ(rectOf(kCombo1), text(CRect(300, 60, 500, 84)));
    EXPECT_EQ(rectOf(kFactor1), text(CRect(500, 60, 600, 84)));
    EXPECT_EQ(as<guiMsComboBox>(kCombo1).tcGetBackColor(), vbColor(0x909090));
    EXPECT_EQ(as<guiMsComboBox>(kCombo1).tcGetToolTip(), vbString("Image monochromatic filter used to make this image"));
    EXPECT_EQ(as<guiMsComboBox>(kTypeCombo).GetListIndex(), 0);
    EXPECT_EQ(as<guiMsEdit>(kFactor1).tcGetText(), vbString("100%"));
    EXPECT_EQ(window->container.GetLength(), kFactor1 + 2) << "no channels 2 and 3: the status and the preview";
    img()->DropPropertyPage();
    window->container.ClearCtrls();

    // RGB: U = 50.
    build(proj(), 600);
    const CRect expected[] = {{0, 60, 150, 84}, {150, 60, 250, 84}, {250, 60, 300, 84}, {300, 60, 400, 84},
        {400, 60, 450, 84}, {450, 60, 550, 84}, {550, 60, 600, 84}};
    for (int i = kTypeCombo; i <= kFactor3; ++i)
        EXPECT_EQ(rectOf(i), text(expected[i - kTypeCombo])) << i;
    const DWORD colours[] = {0x9090DD, 0x90DD90, 0xDD9090};
    const char* hints[] = {"red", "green", "blue"};
    for (int k = 0; k < 3; ++k) {
        guiMsComboBox& combo = as<guiMsComboBox>(kCombo1 + 2 * k);
        EXPECT_EQ(combo.tcGetBackColor(), vbColor(colours[k]));
        EXPECT_EQ(combo.tcGetToolTip(), vbString("Project ") + hints[k] + " filter used to make this image");
    }
    EXPECT_EQ(rectOf(kFactor3 + 1), text(CRect(0, 84, 600, 104))) << "the status row";
    EXPECT_NE(as<guiMsEdit>(kFactor3 + 1).GetStyle() & ES_READONLY, 0u) << "the status is only shown";
    EXPECT_EQ(rectOf(kFactor3 + 2), text(CRect(0, 104, 600, 400))) << "the preview";
    EXPECT_EQ(preview().tcGetToolTip(), vbString("Project result preview"));
}

TEST_F(PicHolderPage, MonochromaticModeHidesChannelsTwoAndThreeButKeepsThem)
{
    picChannelFilter green = proj()->GetChannel(2);
    green.SetKey("!green");
    green.SetFactor(50);
    proj()->SetChannel(2, green);
    proj()->MarkLoaded();
    build(proj(), 600);
    const int changes = wnd.changes;

    select(as<guiMsComboBox>(kTypeCombo), 0);
    EXPECT_EQ(proj()->GetFilterType(), picImageHolder::kMonochrome);
    EXPECT_EQ(wnd.calls.back(), "changed " + std::string(proj()->GetName()));
    EXPECT_GT(wnd.changes, changes);
    build(proj(), 600, true);
    for (int i = kCombo2; i <= kFactor3; ++i)
        EXPECT_FALSE(ctrl(i)->tcGetVisible()) << i;
    EXPECT_EQ(rectOf(kFactor1), text(CRect(500, 60, 600, 84)));
    EXPECT_EQ(proj()->GetChannel(2).GetKey(), vbString("!green"));
    EXPECT_EQ(proj()->GetChannel(2).GetFactor(), 50.0);

    select(as<guiMsComboBox>(kTypeCombo), 1);
    build(proj(), 600, true);
    for (int i = kCombo2; i <= kFactor3; ++i)
        EXPECT_TRUE(ctrl(i)->tcGetVisible()) << i;
    EXPECT_EQ(as<guiMsEdit>(kFactor2).tcGetText(), vbString("50%"));
    EXPECT_EQ(as<guiMsComboBox>(kCombo2).GetListIndex(), 2) << "!green";
}

TEST_F(PicHolderPage, FactorsTypedIn)
{
    build(img(), 600);
    guiMsEdit& factor = as<guiMsEdit>(kFactor1);
    struct Case {
        const char* text;
        double stored;
        bool valid;
    } cases[] = {{"150", 150, true}, {"75%", 75, true}, {"150%", 150, true}, {"1000", 150, false},
        {"-1000", 150, false}, {"", 150, false}, {"abc", 150, false}, {"150 %", 150, false}, {"-999.5", -999.5, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        factor.tcSetText(c.text);
        pump();
        EXPECT_EQ(img()->GetChannel(1).GetFactor(), c.stored);
        EXPECT_EQ(factor.tcGetTextColor(), vbColor(c.valid ? 0x80000008 : 255));
    }
}

TEST_F(PicHolderPage, FactorEditsOfAnUncheckedImageChangeNothing)
{
    build(img(), 600);
    guiMsEdit& factor = as<guiMsEdit>(kFactor1);
    uint64_t stamp = proj()->GetWorkStamp();
    factor.tcSetText("120");
    pump();
    EXPECT_GT(proj()->GetWorkStamp(), stamp) << "checked: the project changed";
    EXPECT_EQ(wnd.changes, 2) << "the project and its folder";

    img()->picNode::SetChecked(false);
    stamp = proj()->GetWorkStamp();
    factor.tcSetText("130");
    pump();
    EXPECT_EQ(img()->GetChannel(1).GetFactor(), 130.0);
    EXPECT_EQ(wnd.changes, 2);
    EXPECT_EQ(proj()->GetWorkStamp(), stamp);
}

TEST_F(PicHolderPage, ImagePathStatusAndPreview)
{
    build(img(), 300);
    EXPECT_EQ(status(), vbString("Image not specified..."));

    // A file that does not exist turns red and is not taken.
    guiMsEdit& path = as<guiMsEdit>(kPathEdit);
    path.tcSetText("/nowhere/x.jpg");
    pump();
    EXPECT_EQ(path.tcGetTextColor(), vbColor(255));
    EXPECT_EQ(img()->GetFilePath(), vbString());

    // A path no earlier load used: the download centre may still hold that load's picture, and
    // the page would show it at once. Its load waits part-way until it is let go, so that the
    // page is read while it is still loading.
    pic::test::HeldLoads held;
    static int runs = 0;
    const std::string file = pictest::writeFile("status-" + std::to_string(++runs) + ".hold", pic::test::HeldLoads::file(8192));
    const int before = wnd.changes;
    const uint64_t stamp = proj()->GetWorkStamp();
    path.tcSetText(file.c_str());
    pump();
    EXPECT_EQ(status(), vbString("Loading image..."));
    EXPECT_EQ(path.tcGetTextColor(), vbColor(0x80000008));
    EXPECT_EQ(img()->GetFilePath(), vbString(file.c_str()));
    EXPECT_GT(proj()->GetWorkStamp(), stamp) << "the result made from no file goes";
    EXPECT_EQ(wnd.changes, before + 2) << "the project and its folder";
    held.open();
    build(img(), 300, true);
    ASSERT_NE(preview().GetPicture().Get(), nullptr);
    EXPECT_TRUE(preview().GetPicture().WaitLoad(30000));
    pump();
    EXPECT_EQ(wnd.calls.back(), "changed " + std::string(img()->GetName()));
    build(img(), 300, true);
    EXPECT_EQ(status(), vbString("Image size: width=1 pixels, height=1"));

    img()->DropPropertyPage();
    EXPECT_EQ(preview().GetPicture().Get(), nullptr);
    EXPECT_EQ(img()->GetPageOwner(), nullptr);
}

// The status row only shows its text: where the row cuts it, its tool tip shows it whole; where
// it fits, the tip is the row's own.
TEST_F(PicHolderPage, AStatusTheRowCutsIsReadWholeInItsToolTip)
{
    guiToolTip tip;
    tip.Create(&window->container, CRect(0, 0, 10, 10), false, true);
    window->container.SetToolTip(&tip);
    struct Case {
        int width;
        const char* tip;
    } cases[] = {{300, "Image status"}, {120, "Image not specified..."}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        build(img(), c.width);
        ASSERT_EQ(status(), vbString("Image not specified..."));
        CRect row;
        as<guiMsEdit>(window->container.GetLength() - 1).tcGetRect(row, false);
        moveTo(row.left + 20, row.CenterPoint().y);
        for (int i = 0; i < 3; ++i)
            advance(150);
        EXPECT_EQ(std::string(tip.tcGetText().c_str()), c.tip);
        EXPECT_TRUE(tip.IsWindowVisible());
        // Away, so that the next case comes to the row anew.
        moveTo(-50, -50);
        advance(150);
        img()->DropPropertyPage();
    }
    window->container.SetToolTip(nullptr);
}

// The bytes of file up to the middle of its image data (after its first scan header): what a
// copy or a download broken off leaves.
vnt::test::Bytes cutInTheScan(const vnt::test::Bytes& file)
{
    size_t scan = 0;
    while (scan + 1 < file.size() && !(file[scan] == 0xFF && file[scan + 1] == 0xDA))
        ++scan;
    return vnt::test::Bytes(file.begin(), file.begin() + scan + (file.size() - scan) / 2);
}

// Sources that cannot be read, or only in part, say so on the image's status row and on the
// strip, with the reason a person can act on; no load is left looking as if it went on.
TEST_F(PicHolderPage, BadSourcesSayWhatIsWrongWithThem)
{
    pictest::ProgressRows strip;
    wnd.progress = &strip;
    const vnt::test::Bytes text = {'h', 'e', 'l', 'l', 'o', ',', ' ', 'w', 'o', 'r', 'l', 'd', '\n'};
    const char* damaged =
        "Image size: width=64 pixels, height=48 (damaged file, shown as far as it could be read: Premature end of "
        "JPEG file)";
    // "@" stands for the file's path.
    struct Case {
        const char* name;
        std::optional<vnt::test::Bytes> bytes;
        std::string status;
        std::string line;
    } cases[] = {
        {"dot.jpg", vnt::test::jpegFile(1, 1, 0x3080C0), "Image size: width=1 pixels, height=1", "Loaded and ready."},
        {"text.jpg", text, "Load failed: Can't read image file '@' : plugin not ready, missing, or file corrupted",
            "Load failed: Can't read image file '@' : plugin not ready, missing, or file corrupted"},
        {"empty.jpg", vnt::test::Bytes(), "Load failed: Can't read image file '@' : the file is empty",
            "Load failed: Can't read image file '@' : the file is empty"},
        {"half.jpg", cutInTheScan(vnt::test::jpegFile(64, 48, 0x3080C0)), damaged,
            "Damaged file: Premature end of JPEG file"},
        {"layered.jpg", cutInTheScan(vnt::test::jpegFile(64, 48, 0x3080C0, true)), damaged,
            "Damaged file: Premature end of JPEG file"},
        {"gone.jpg", std::nullopt, "Load failed: can't find file '@'", ""},
    };
    auto withPath = [](std::string text, const std::string& path) {
        if (const size_t at = text.find('@'); at != std::string::npos)
            text.replace(at, 1, path);
        return text;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.bytes ? pictest::writeFile(c.name, *c.bytes)
                                         : (vnt::test::testHome() / c.name).string();
        img()->SetSourceFile(path.c_str());
        build(img(), 300);
        if (c.bytes) {
            ASSERT_NE(preview().GetPicture().Get(), nullptr);
            preview().GetPicture().WaitLoad(30000);
            ASSERT_TRUE(preview().GetPicture().IsLoaded()) << "the load has ended, well or not";
            pump();
        }
        build(img(), 300, true);
        EXPECT_EQ(std::string(status()), withPath(c.status, path));
        if (!c.line.empty()) {
            const auto* line = strip.find(c.name);
            ASSERT_TRUE(line);
            EXPECT_EQ(std::string(line->message), withPath(c.line, path));
            EXPECT_EQ(line->status, c.line == "Loaded and ready." ? 2 : 3);
        }
        img()->DropPropertyPage();
        window->container.ClearCtrls();
        // The first file loaded the picture plug-in; a refusal at the tick of a plug-in change
        // would be taken for one that a plug-in coming meanwhile may undo, and tried again.
        advance(1);
    }
    wnd.progress = nullptr;
}

TEST_F(PicHolderPage, ProjectStatusAndTheAssemblyRequest)
{
    // While the assembly runs, the project is not loaded.
    proj()->SetLoadState(false, false);
    build(proj(), 300);
    EXPECT_EQ(status(), vbString("Processing image..."));
    vbDnWait(proj(), vbDnLoad, 30000, true);
    EXPECT_FALSE(proj()->GetResult().IsNull()) << "the first build asks an assembly";
    EXPECT_FALSE(as<guiButton>(kPathButton).tcGetEnabled());
    EXPECT_EQ(preview().GetPicture().Get(), proj()->GetResult().Get());
    // Its image has no filter: the page says why there is no result, not that one is coming.
    pump();
    build(proj(), 300, true);
    EXPECT_EQ(status(),
        vbString("Assembly failed: Can't make result image for project New assembly project, no filter available"));

    // The next assembly that succeeds takes the failure's place.
    giveTheImageItsBands(vnt::test::jpegFile(64, 48, 0xFF0000));
    proj()->StartWork(&wnd);
    ASSERT_TRUE(vbDnWait(proj(), vbDnLoad, 30000, true));
    pump();
    build(proj(), 300, true);
    EXPECT_EQ(status(), vbString("Image size: width=64 pixels, height=48"));
    EXPECT_TRUE(as<guiButton>(kPathButton).tcGetEnabled());
    EXPECT_NE(as<guiMsEdit>(kPathEdit).GetStyle() & ES_READONLY, 0u);
}

// A window that notes which news of the project came once it was loaded.
class LoadWatchingWnd : public RecordingMainWnd {
public:
    void onNodeChanged(picNode* node) override
    {
        if (node && node->IsLoaded())
            ++loadedNews;
    }
    std::atomic<int> loadedNews{0};
};

// The result's load tells the page while the assembly still runs: the page must hear again once
// the project is loaded, or its status keeps saying the image is being processed.
TEST_F(PicHolderPage, ThePageHearsOfTheProjectLoadedAfterItsAssembly)
{
    giveTheImageItsBands(vnt::test::jpegFile(40, 30, 0x0000FF));
    LoadWatchingWnd watcher;
    CRect area(0, 0, 300, 400);
    proj()->BuildPropertyPage(&watcher, &window->container, area, false);
    EXPECT_TRUE(vbDnWait(proj(), vbDnLoad, 30000, true));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (watcher.loadedNews == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GT(watcher.loadedNews, 0);
    EXPECT_FALSE(proj()->GetResult().IsNull());
    proj()->DropPropertyPage();
}

} // namespace
