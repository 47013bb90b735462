// The program as a user meets it: the application object runs on a thread of its own, headless,
// exactly as main starts it, and the test works it only through the mouse and the keyboard, the
// answers of file dialogs and message boxes, real files and the registry. Whatever it reads of
// the windows it reads on the program's thread, through a small window made there.

#include "PicFlorvane.h"
#include "PicFlorvaneDlg.h"
#include "PicHeldLoads.h"
#include "PicPictureKit.h"
#include "PicProgramKit.h"
#include "PicTreeRows.h"
#include "picImageHolder.h"
#include "picAssemblyReference.h"
#include "picGuiBox.h"
#include "picMainWnd.h"
#include "picLightFilter.h"
#include "picProject.h"

#include "guiButton.h"
#include "guiProgress.h"
#include "guiMsComboBox.h"
#include "guiMsEdit.h"
#include "guiPopupTreeCtrl.h"
#include "menu/guiTreeMenuDraw.h"
#include "guiTreeViewDraw.h"

#include "vbEngine.h"
#include "vbLog.h"
#include "vbRegKey.h"

#include "vbObjTestUtil.h"

#include "plat/commdlg.h"
#include "plat/headless.h"
#include "plat/mouse.h"
#include "plat/msgbox.h"
#include "plat/termination.h"
#include "plat/testhooks.h"
#include "plat/window.h"

#include "testsupport/ImageFiles.h"
#include "testsupport/TestHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <cstdlib>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using pic::test::HeldLoads;

constexpr UINT kProbeRun = WM_APP + 90;
constexpr int kWaitMs = 20000;

// Polls until done answers true; false when the time ran out first.
template <class Done>
bool waitUntil(Done done, int ms = kWaitMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

LRESULT CALLBACK probeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == kProbeRun) {
        // Nothing a look-up throws may reach the program's loop.
        const vbtest::Caught caught = vbtest::catchVb(*reinterpret_cast<std::function<void()>*>(lParam));
        if (caught.thrown)
            ADD_FAILURE() << "on the program's thread: " << caught.msg;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// The application object's start-up on its own thread, with the arguments given; a hidden window
// made on that thread first runs the test's look-ups there while the program's loop runs.
class RunningProgram {
public:
    explicit RunningProgram(std::vector<std::string> args)
    {
        m_args = std::move(args);
        m_args.insert(m_args.begin(), "PicFlorvane");
        for (std::string& arg : m_args)
            m_argv.push_back(arg.data());
        m_argv.push_back(nullptr);
        m_savedArgc = __argc;
        m_savedArgv = __argv;
        m_savedLog = g_pvbLogFileName;
        __argc = int(m_args.size());
        __argv = m_argv.data();
        m_thread = std::thread([this] { run(); });
        waitUntil([this] { return m_probe.load() != nullptr || m_ended.load(); });
    }
    ~RunningProgram()
    {
        // A step that failed leaves the window open: it goes as the system menu's quit does.
        if (!m_ended)
            onUi([] {
                if (CPicFlorvaneDlg* dlg = dynamic_cast<CPicFlorvaneDlg*>(picGetMainWnd()))
                    dlg->PostMessage(WM_SYSCOMMAND, IDM_PICFLORVANE_QUIT);
            });
        m_thread.join();
        __argc = m_savedArgc;
        __argv = m_savedArgv;
        g_pvbLogFileName = m_savedLog;
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // Runs look on the program's thread and answers what it answered.
    template <class Look>
    auto onUi(Look look) -> decltype(look())
    {
        using Result = decltype(look());
        if constexpr (std::is_void_v<Result>) {
            std::function<void()> call = look;
            SendMessageA(m_probe.load(), kProbeRun, 0, reinterpret_cast<LPARAM>(&call));
        } else {
            Result result{};
            std::function<void()> call = [&] { result = look(); };
            SendMessageA(m_probe.load(), kProbeRun, 0, reinterpret_cast<LPARAM>(&call));
            return result;
        }
    }

    // Has look run on the program's thread after every message posted there before; look is to
    // live until it has run.
    void postToUi(std::function<void()>* look)
    {
        PostMessageA(m_probe.load(), kProbeRun, 0, reinterpret_cast<LPARAM>(look));
    }

    bool ended() const { return m_ended.load(); }
    BOOL result() const { return m_result.load(); }

private:
    void run()
    {
        static const ATOM probeClass = [] {
            WNDCLASSEXA wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = probeProc;
            wc.lpszClassName = "PicEndToEndProbe";
            return RegisterClassExA(&wc);
        }();
        (void)probeClass;
        HWND probe = CreateWindowExA(0, "PicEndToEndProbe", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        m_probe = probe;
        {
            CPicFlorvaneApp app;
            m_result = app.InitInstance();
        }
        m_ended = true;
        DestroyWindow(probe);
    }

    std::vector<std::string> m_args;
    std::vector<char*> m_argv;
    int m_savedArgc = 0;
    char** m_savedArgv = nullptr;
    const char* m_savedLog = nullptr;
    std::atomic<HWND> m_probe{nullptr};
    std::atomic<bool> m_ended{false};
    std::atomic<BOOL> m_result{FALSE};
    std::thread m_thread;
};

// --- look-ups on the program's thread ---

CPicFlorvaneDlg* mainDlg() { return dynamic_cast<CPicFlorvaneDlg*>(picGetMainWnd()); }

picNodePtr child(guiTreeNode* parent, int index)
{
    guiTreeNodePtr node;
    if (!parent || !parent->GetChild(index, &node))
        return picNodePtr();
    return picNodeQIPtr(static_cast<IguiTreeNode*>(node.Get()), false);
}

picNodePtr projectsList()
{
    CPicFlorvaneDlg* dlg = mainDlg();
    return dlg ? child(dlg->GetTreeRoot(), 1) : picNodePtr();
}

std::string childTexts(guiTreeNode* parent)
{
    std::string out;
    guiTreeNodePtr node;
    for (int i = 1; parent && parent->GetChild(i, &node); ++i)
        out += (i > 1 ? "|" : "") + std::string(node->GetText());
    return out;
}

// The texts of the nodes under parent, depth first. With withIds, each after its name (its stored
// id), and the children of each node in the order of their ids: a tree read back from the registry
// comes in the order of its keys.
std::string subtree(guiTreeNode* parent, bool withIds = false)
{
    std::vector<std::string> entries;
    guiTreeNodePtr node;
    for (int i = 1; parent && parent->GetChild(i, &node); ++i)
        entries.push_back((withIds ? std::string(node->GetName()) + "=" : std::string()) + std::string(node->GetText())
            + "{" + subtree(node.Get(), withIds) + "}");
    if (withIds)
        std::sort(entries.begin(), entries.end());
    std::string out;
    for (const std::string& entry : entries)
        out += entry;
    return out;
}

// The child of parent with that text; null when there is none.
picNodePtr childByText(guiTreeNode* parent, const std::string& text)
{
    picNodePtr found;
    for (int i = 1; !(found = child(parent, i)).IsNull(); ++i)
        if (std::string(found->GetText()) == text)
            return found;
    return found;
}

// The node's text and the texts under it; "<none>" without a node.
std::string nodeTree(guiTreeNode* node)
{
    return node ? std::string(node->GetText()) + "{" + subtree(node) + "}" : "<none>";
}

// The files the images under project read.
std::vector<std::string> imagePaths(guiTreeNode* project)
{
    std::vector<std::string> paths;
    for (int i = 1;; ++i) {
        picNodePtr node = child(project, i);
        if (node.IsNull())
            return paths;
        if (auto* image = dynamic_cast<picImageHolder*>(node.Get()))
            paths.push_back(std::string(image->GetFilePath()));
    }
}

std::string windowText(HWND hwnd)
{
    char text[256] = "";
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

// The node's row in the running program's tree, in screen coordinates.
CPoint treeItemPoint(guiTreeNode* node) { return pic::test::treeItemPoint(mainDlg(), node); }

// The controls of the shown page, in the order the page made them.
template <class Control>
std::vector<Control*> pageControls()
{
    std::vector<Control*> found;
    CPicFlorvaneDlg* dlg = mainDlg();
    HWND box = dlg ? dlg->GetPropertyBox().tcGetHwnd() : nullptr;
    for (HWND hwnd = box ? GetWindow(box, GW_CHILD) : nullptr; hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT))
        if (auto* control = dynamic_cast<Control*>(CWnd::FromHandlePermanent(hwnd)))
            found.push_back(control);
    return found;
}

CPoint screenMiddle(TControl& control)
{
    CRect r;
    control.tcGetRect(r, true);
    return r.CenterPoint();
}

// The page's button of that text, its middle on the screen; (-1, -1) for none.
CPoint pageButton(const char* text)
{
    for (guiButton* button : pageControls<guiButton>())
        if (button->tcGetVisible() && button->tcGetText() == text)
            return screenMiddle(*button);
    return CPoint(-1, -1);
}

// The page's filter combos (those listing the filters), left to right.
std::vector<guiMsComboBox*> filterCombos()
{
    std::vector<guiMsComboBox*> combos;
    for (guiMsComboBox* combo : pageControls<guiMsComboBox>())
        if (combo->tcGetVisible() && combo->GetListLength() > 2)
            combos.push_back(combo);
    return combos;
}

std::string statusText()
{
    for (guiMsEdit* edit : pageControls<guiMsEdit>())
        if (std::string text(edit->tcGetText()); text.rfind("Image size", 0) == 0 || text.find("...") != std::string::npos)
            return text;
    return "";
}

picNodePtr shownNode()
{
    picNodePtr node;
    if (CPicFlorvaneDlg* dlg = mainDlg())
        dlg->GetShownNode(&node);
    return node;
}

// The node the tree shows selected; null for none.
picNodePtr treeSelection()
{
    guiTreeNodeRef selected;
    CPicFlorvaneDlg* dlg = mainDlg();
    if (!dlg || !dlg->GetTree().GetSelected(&selected, nullptr) || selected.IsNull())
        return picNodePtr();
    return picNodeQIPtr(selected.Get(), false);
}

bool menuOpen()
{
    CPicFlorvaneDlg* dlg = mainDlg();
    return dlg && dlg->GetActionButton().GetSafeHwnd() && dlg->GetActionButton().IsPopupOpen();
}

// The middle of the open action menu's row showing the item of that name, as the menu engine
// lays its rows out, in screen coordinates; (-1, -1) while no such row is shown.
CPoint menuRowPoint(const char* name)
{
    CPicFlorvaneDlg* dlg = mainDlg();
    if (!menuOpen())
        return CPoint(-1, -1);
    int row = 0;
    guiTreeNodePtr item;
    for (int i = 1; dlg->GetMenuRoot()->GetChild(i, &item); ++i)
        if (item->GetName() == name)
            row = i;
    for (HWND hwnd = GetWindow(dlg->m_hWnd, GW_HWNDFIRST); hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT)) {
        auto* popup = dynamic_cast<guiPopupTreeCtrl*>(CWnd::FromHandlePermanent(hwnd));
        auto* menu = popup && popup->IsWindowVisible() ? dynamic_cast<guiTreeMenuDraw*>(popup->GetDraw()) : nullptr;
        guiTreeNodeRef root;
        if (!menu || !menu->GetRoot(&root) || root.Get() != static_cast<IguiTreeNode*>(dlg->GetMenuRoot()))
            continue;
        if (row == 0 || row > menu->GetItemCount())
            return CPoint(-1, -1);
        CRect r = menu->GetItemRect(row);
        r.OffsetRect(popup->GetTreeRect().left - menu->GetOffset().x, popup->GetTreeRect().top + 1 - menu->GetOffset().y);
        CPoint middle = r.CenterPoint();
        popup->ClientToScreen(&middle);
        return middle;
    }
    return CPoint(-1, -1);
}

// The entry of the combo's list that shows text; -1 for none.
int comboEntry(guiMsComboBox* combo, const std::string& text)
{
    for (int i = 0; i < combo->GetListLength(); ++i)
        if (std::string(combo->GetListItem(i)) == text)
            return i;
    return -1;
}

// The screen point x per cent across and y per cent up the plot box of the shown page's curve
// editor, as its last layout placed the box; (-1, -1) while there is none.
CPoint curvePlotPoint(double x, double y)
{
    for (picGuiCurve* curve : pageControls<picGuiCurve>()) {
        const CRect& plot = curve->GetEditor().PlotBox();
        if (!curve->tcGetVisible() || plot.IsRectEmpty())
            continue;
        CPoint at(plot.left + int(plot.Width() * x / 100), plot.bottom - int(plot.Height() * y / 100));
        ClientToScreen(curve->tcGetHwnd(), &at);
        return at;
    }
    return CPoint(-1, -1);
}

// The project's result pixels (B, G, R) once no assembly is asked or running; empty before.
std::vector<uint8_t> settledResult(picNode* project)
{
    picGuiImageRef image = static_cast<picProject*>(project)->GetResult();
    if (project->IsDnOpAsked() || project->IsDnOpInWork() || image.IsNull() || !image->IsLoaded())
        return {};
    return pictest::pixelsOf(image->GetImage(), 3);
}

// The pixels across the middle of the shown page's preview, as the screen shows them.
std::vector<COLORREF> previewMiddleRow()
{
    std::vector<COLORREF> row;
    for (picGuiBox* box : pageControls<picGuiBox>()) {
        CRect client;
        GetClientRect(box->tcGetHwnd(), &client);
        for (int x = 0; x < client.right; ++x)
            row.push_back(plat::headless::windowPixel(box->tcGetHwnd(), x, client.bottom / 2));
    }
    return row;
}

// Whether the colours appear in the row in that order, each over a few pixels at least.
bool showsInOrder(const std::vector<COLORREF>& row, const std::vector<COLORREF>& colours)
{
    size_t next = 0;
    int run = 0;
    for (COLORREF pixel : row) {
        if (next == colours.size())
            break;
        run = pictest::near(pixel, colours[next]) ? run + 1 : 0;
        if (run == 4) {
            ++next;
            run = 0;
        }
    }
    return next == colours.size();
}

// The default value of a key of the user's part of the registry; "<none>" without the key.
std::string storedText(const std::string& path)
{
    vbUseEngineCenter engines(&g_vbEngineCenter, true);
    vbRegKey key(vbRegVantUser, path.c_str());
    return key.Exists() ? std::string(key.GetDefaultValue().GetAsString()) : "<none>";
}

// The key of a stored node: the tree is in one of the two alternating keys, whichever the last
// save (at the end, or soon after a change) left.
std::string storedNodeKey(const std::string& name)
{
    vbUseEngineCenter engines(&g_vbEngineCenter, true);
    const char* root = vbRegKey(vbRegVantUser, "PicFlorvane\\Root-1").Exists() ? "Root-1" : "Root-2";
    return "PicFlorvane\\" + std::string(root) + "\\" + name;
}

// --- the pictures ---

// A greyscale JPEG of four upright bands of the given levels.
vnt::test::Bytes bandedGreyJpeg(int width, int height, const int (&levels)[4])
{
    vnt::test::JpegLayout layout;
    layout.width = width;
    layout.height = height;
    layout.components = 1;
    layout.inColorSpace = 1;
    layout.sample = [width, &levels](int x, int, int) { return uint8_t(levels[x * 4 / width]); };
    return vnt::test::jpegFile(layout);
}

// A picture file as the program's decoder reads it: width, height and one byte per pixel for
// grey pictures, B, G, R for colour ones.
struct Decoded {
    int width = 0, height = 0, bytesPerPixel = 0;
    std::vector<uint8_t> pixels;
};

Decoded decode(const std::string& path)
{
    Decoded out;
    if (pictest::readFile(path).empty())
        return out;
    auto* object = new picGuiImageObject("/decoded.jpg", 0);
    object->Create();
    pictest::deliver(object, pictest::readFile(path));
    picImagePtr image = object->GetImage();
    picBitmapPtr bitmap;
    if (!image.IsNull() && image->GetBitmap(-1, &bitmap, picReqNoThrow) && !bitmap.IsNull()) {
        const picSize size = bitmap->GetPixelSize();
        out.width = size.cx;
        out.height = size.cy;
        out.bytesPerPixel = bitmap->GetBitsPerPixel() / 8;
        out.pixels = pictest::pixelsOf(image, out.bytesPerPixel);
    }
    object->Release();
    return out;
}

// The screen point look answers once it answered the same five times running, (-1, -1) when it
// never settles: rows move while the icons they show arrive, and a user clicks what stays put.
template <class Look>
CPoint settledPoint(RunningProgram& program, Look look)
{
    CPoint at(-1, -1);
    int still = 0;
    waitUntil([&] {
        const CPoint now = program.onUi(look);
        still = now.x >= 0 && now == at ? still + 1 : 0;
        at = now;
        return still == 5;
    });
    return still == 5 ? at : CPoint(-1, -1);
}

std::string openMenuItems()
{
    CPicFlorvaneDlg* dlg = mainDlg();
    return menuOpen() && dlg->GetMenuRoot() ? childTexts(dlg->GetMenuRoot()) : "(no menu)";
}

// The name of the open action menu's selected item; empty for none.
std::string menuSelection()
{
    guiTreeNodeRef selected;
    return menuOpen() && mainDlg()->GetActionButton().GetSelected(&selected, nullptr) ? std::string(selected->GetName())
                                                                                      : std::string();
}

// The progress strip's place in the main window's client area; empty while it is hidden.
CRect stripRect()
{
    CPicFlorvaneDlg* dlg = mainDlg();
    guiProgress* strip = picGetMainProgress();
    CRect r;
    if (!dlg || !strip || !strip->GetSafeHwnd() || !strip->IsWindowVisible())
        return r;
    strip->GetWindowRect(&r);
    MapWindowPoints(nullptr, dlg->m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The pixels inside rect of the main window that a status cell of the strip paints: its strong
// blue of progress, green of success or red of failure.
int statusCellPixels(const CRect& rect)
{
    CPicFlorvaneDlg* dlg = mainDlg();
    int count = 0;
    for (int y = rect.top; dlg && y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x) {
            const COLORREF c = plat::headless::windowPixel(dlg->m_hWnd, x, y);
            const int channels[3] = {GetRValue(c), GetGValue(c), GetBValue(c)};
            const auto strong = std::count_if(channels, channels + 3, [](int v) { return v >= 0x80; });
            const auto weak = std::count_if(channels, channels + 3, [](int v) { return v < 0x30; });
            count += c != 0xFFFFFFFF && strong == 1 && weak == 2;
        }
    return count;
}

class PicEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        plat::headless::setScreenSize(1024, 768);
        plat::resetMessageBoxPolicy();
        plat::resetFileDialogPolicy();
    }
    void TearDown() override
    {
        plat::resetMessageBoxPolicy();
        plat::resetFileDialogPolicy();
    }

    static std::string home(const std::string& name) { return (vnt::test::testHome() / name).string(); }

    // The picture plug-in registered as an installation does it: by the registration tool.
    static void registerPlugin()
    {
        const std::string command = std::string("'") + VNT_BIN_DIR "/vntregsvr' '" VNT_BIN_DIR "/Vt05pcST.so' >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }

    // A left (0) or right (1) click at a screen point.
    static void clickAt(const CPoint& p, int button = 0)
    {
        ASSERT_GE(p.x, 0) << "nothing to click";
        plat::headless::click(p.x, p.y, button);
    }

    // Opens the combo's list with the mouse and takes entry with the keys.
    void chooseInCombo(RunningProgram& program, guiMsComboBox* combo, int entry)
    {
        const CPoint at = settledPoint(program, [combo] { return screenMiddle(*combo); });
        clickAt(at);
        ASSERT_TRUE(waitUntil([&] { return program.onUi([combo] { return GetCapture() == combo->tcGetHwnd(); }); }));
        plat::headless::keyPress(VK_HOME);
        for (int i = 0; i < entry; ++i)
            plat::headless::keyPress(VK_DOWN);
        plat::headless::keyPress(VK_RETURN);
        ASSERT_TRUE(waitUntil([&] {
            return program.onUi([combo, entry] { return GetCapture() != combo->tcGetHwnd() && combo->GetListIndex() == entry; });
        })) << "entry " << entry;
    }

    // Clicks the row of that name in the open action menu; a click that met the row on the move
    // (the menu stays open) is made again.
    void chooseInMenu(RunningProgram& program, const char* name)
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            const CPoint at = settledPoint(program, [name] { return menuRowPoint(name); });
            ASSERT_GE(at.x, 0) << name << " not in an open menu; its items: " << program.onUi(openMenuItems);
            clickAt(at);
            if (waitUntil([&] { return !program.onUi(menuOpen); }, 3000))
                return;
        }
        ADD_FAILURE() << "the menu stays open: " << program.onUi(openMenuItems);
    }

    // Alt+F4, as the user closes the window; the program then ends by itself.
    static void closeWindow(RunningProgram& program)
    {
        plat::headless::key(VK_MENU, true);
        plat::headless::keyPress(VK_F4);
        plat::headless::key(VK_MENU, false);
        ASSERT_TRUE(waitUntil([&] { return program.ended(); }));
        EXPECT_TRUE(program.result());
    }

    // The main window once it is shown in front; null when it did not come.
    static HWND waitForMainWindow(RunningProgram& program)
    {
        HWND main = nullptr;
        const bool shown = waitUntil([&] {
            main = program.onUi([] { return mainDlg() ? mainDlg()->m_hWnd : HWND(nullptr); });
            return main && program.onUi([main] { return IsWindowVisible(main) && GetForegroundWindow() == main; });
        });
        return shown ? main : nullptr;
    }

    // A right click on node's row in the tree, then the item of that name in its menu. A row that
    // moved under the click opens another node's menu: a left click on the row closes it and the
    // right click is made again.
    void runNodeCommand(RunningProgram& program, const picNodePtr& node, const char* name)
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            const CPoint at = settledPoint(program, [&] { return treeItemPoint(node.Get()); });
            ASSERT_GE(at.x, 0) << "no row to open the menu of " << name << " on";
            clickAt(at, 1);
            if (waitUntil([&] { return program.onUi([name] { return menuRowPoint(name).x >= 0; }); }, 3000)) {
                chooseInMenu(program, name);
                return;
            }
            clickAt(settledPoint(program, [&] { return treeItemPoint(node.Get()); }));
            waitUntil([&] { return !program.onUi(menuOpen); });
        }
        ADD_FAILURE() << "no menu with " << name << "; the last one: " << program.onUi(openMenuItems);
    }

    // The one box shown since the last check asked exactly that; the records are cleared.
    static void expectOneQuestion(const std::string& question)
    {
        const std::vector<plat::MessageBoxRecord> boxes = plat::messageBoxRecords();
        std::string shown;
        for (const plat::MessageBoxRecord& box : boxes)
            shown += "\n" + box.caption + ": " + box.text;
        ASSERT_EQ(boxes.size(), 1u) << shown;
        EXPECT_EQ(boxes[0].text, question);
        EXPECT_EQ(boxes[0].type & MB_TYPEMASK, UINT(MB_YESNO));
        plat::resetMessageBoxPolicy();
    }

    static void expectNoBox()
    {
        for (const plat::MessageBoxRecord& box : plat::messageBoxRecords())
            ADD_FAILURE() << "box shown: " << box.caption << ": " << box.text;
    }

    // Clicks node's row in the tree and waits for its page.
    void showInTree(RunningProgram& program, const picNodePtr& node)
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            const CPoint at = settledPoint(program, [&] { return treeItemPoint(node.Get()); });
            ASSERT_GE(at.x, 0) << "no row for " << node->GetText();
            clickAt(at);
            if (waitUntil([&] { return program.onUi(shownNode) == node; }, 3000))
                return;
        }
        ADD_FAILURE() << "the page of " << node->GetText() << " does not come";
    }
};

// "Add a folder" from a node's menu, by a right click on its row and a click on the menu's row:
// the new folder comes as the node's last child, loaded, selected in the tree and shown.
TEST_F(PicEndToEnd, AFolderAddedFromTheMenuComesLastAndSelected)
{
    RunningProgram program({});
    ASSERT_NE(waitForMainWindow(program), nullptr);
    picNodePtr projects = program.onUi(projectsList);
    ASSERT_FALSE(projects.IsNull());
    for (int count = 1; count <= 2; ++count) {
        SCOPED_TRACE(count);
        runNodeCommand(program, projects, "AddFolder");
        picNodePtr folder;
        ASSERT_TRUE(waitUntil([&] {
            folder = program.onUi([&] { return child(projects.Get(), count); });
            return !folder.IsNull() && program.onUi(treeSelection) == folder && program.onUi(shownNode) == folder;
        })) << program.onUi([&] { return childTexts(projects.Get()); });
        EXPECT_EQ(std::string(folder->GetTypeName()), "folder");
        EXPECT_EQ(std::string(folder->GetText()), "New Folder");
        EXPECT_TRUE(folder->IsLoaded());
        EXPECT_TRUE(program.onUi([&] { return child(projects.Get(), count + 1); }).IsNull()) << "the last child";
    }
    projects = nullptr;
    closeWindow(program);
    expectNoBox();
}

// In the action menu a right click opened every key is the menu's: Down and Up move the selection
// and the menu stays open, Return runs the selected item, Escape closes the menu and leaves the
// main window, whose dialog keys would have taken them (Escape ends it).
TEST_F(PicEndToEnd, TheKeysGoToTheOpenActionMenu)
{
    RunningProgram program({});
    ASSERT_NE(waitForMainWindow(program), nullptr);
    picNodePtr projects = program.onUi(projectsList);
    ASSERT_FALSE(projects.IsNull());
    const auto openMenu = [&] {
        clickAt(settledPoint(program, [&] { return treeItemPoint(projects.Get()); }), 1);
        return waitUntil([&] { return program.onUi(menuOpen); });
    };
    ASSERT_TRUE(openMenu());
    const std::pair<UINT, const char*> steps[] = {
        {VK_DOWN, "AddRGBproject"}, {VK_DOWN, "AddFolder"}, {VK_UP, "AddRGBproject"}, {VK_DOWN, "AddFolder"}};
    for (const auto& step : steps) {
        // Plain names, not a structured binding: clang 14 lets no lambda capture one.
        const UINT key = step.first;
        const char* const name = step.second;
        plat::headless::keyPress(key);
        ASSERT_TRUE(waitUntil([&] { return program.onUi(menuSelection) == name; }))
            << name << "; selected: \"" << program.onUi(menuSelection) << "\", items: " << program.onUi(openMenuItems);
    }
    plat::headless::keyPress(VK_RETURN);
    ASSERT_TRUE(waitUntil([&] { return !program.onUi([&] { return child(projects.Get(), 1); }).IsNull(); }))
        << "Return added no folder: " << program.onUi([&] { return childTexts(projects.Get()); });
    EXPECT_TRUE(waitUntil([&] { return !program.onUi(menuOpen); })) << "the menu stayed after its command";

    ASSERT_TRUE(openMenu());
    plat::headless::keyPress(VK_ESCAPE);
    EXPECT_TRUE(waitUntil([&] { return !program.onUi(menuOpen); })) << "Escape left the menu open";
    EXPECT_FALSE(program.ended()) << "Escape in the menu ended the program";
    projects = nullptr;
    closeWindow(program);
    expectNoBox();
}

// After a click on a row of the project tree the arrows move the tree's selection: Down and Up
// from row to row, Left to the parent, Right to the first child of an open node.
TEST_F(PicEndToEnd, TheArrowsMoveTheTreeSelectionAfterAClick)
{
    RunningProgram program({});
    ASSERT_NE(waitForMainWindow(program), nullptr);
    picNodePtr projects = program.onUi(projectsList);
    ASSERT_FALSE(projects.IsNull());
    for (int count = 1; count <= 2; ++count) {
        runNodeCommand(program, projects, "AddFolder");
        ASSERT_TRUE(waitUntil([&] { return !program.onUi([&] { return child(projects.Get(), count); }).IsNull(); }));
    }
    picNodePtr first = program.onUi([&] { return child(projects.Get(), 1); });
    picNodePtr second = program.onUi([&] { return child(projects.Get(), 2); });
    showInTree(program, projects);
    const std::pair<UINT, const picNodePtr*> steps[] = {
        {VK_DOWN, &first}, {VK_DOWN, &second}, {VK_UP, &first}, {VK_LEFT, &projects}, {VK_RIGHT, &first}};
    for (const auto& step : steps) {
        const UINT key = step.first;
        const picNodePtr* const node = step.second;
        plat::headless::keyPress(key);
        ASSERT_TRUE(waitUntil([&] { return program.onUi(treeSelection) == *node; }))
            << "key " << key << " to " << (*node)->GetText() << "; selected: "
            << program.onUi([] { picNodePtr at = treeSelection(); return at ? std::string(at->GetText()) : "(none)"; });
    }
    projects = first = second = nullptr;
    closeWindow(program);
    expectNoBox();
}

TEST_F(PicEndToEnd, TheUsersRoadThroughTheProgram)
{
    registerPlugin();
    RunningProgram program({});

    // 1. The first start shows the projects list, selected, in the window's title.
    const HWND main = waitForMainWindow(program);
    ASSERT_NE(main, nullptr);
    picNodePtr projects = program.onUi(projectsList);
    ASSERT_FALSE(projects.IsNull());
    EXPECT_EQ(std::string(projects->GetText()), "Projects");
    EXPECT_TRUE(waitUntil([&] { return program.onUi([main] { return windowText(main); }) == "Projects - PicFlorvane..."; }));

    // 2. A project by the list's own menu.
    runNodeCommand(program, projects, "AddRGBproject");
    picNodePtr project;
    ASSERT_TRUE(waitUntil([&] {
        project = program.onUi([&] { return child(projects.Get(), 1); });
        return !project.IsNull() && program.onUi(shownNode) == project;
    }));
    EXPECT_EQ(std::string(project->GetText()), "New assembly project");

    // Three greyscale pictures through the page's Actions menu.
    const int levels[3][4] = {{40, 90, 160, 220}, {200, 30, 120, 70}, {10, 250, 60, 140}};
    const char* names[3] = {"r.jpg", "g.jpg", "b.jpg"};
    std::vector<std::string> files;
    for (int i = 0; i < 3; ++i)
        files.push_back(pictest::writeFile(names[i], bandedGreyJpeg(48, 32, levels[i])));
    plat::setFileDialogAnswers({{false, files}});
    clickAt(program.onUi([] { return pageButton("Actions"); }));
    chooseInMenu(program, "AddImage");
    ASSERT_TRUE(waitUntil([&] { return program.onUi([&] { return childTexts(project.Get()); }) == "r|g|b"; }))
        << program.onUi([&] { return childTexts(project.Get()); });

    // Each picture seen through one simple filter, the project's channels through the same three.
    for (int i = 0; i < 3; ++i) {
        picNodePtr image = program.onUi([&] { return child(project.Get(), i + 1); });
        showInTree(program, image);
        std::vector<guiMsComboBox*> combos = program.onUi(filterCombos);
        ASSERT_EQ(combos.size(), 1u) << names[i];
        chooseInCombo(program, combos[0], 1 + i); // Simple RED, GREEN, BLUE
    }
    showInTree(program, project);
    std::vector<guiMsComboBox*> channels = program.onUi(filterCombos);
    ASSERT_EQ(channels.size(), 3u);
    for (int i = 0; i < 3; ++i)
        chooseInCombo(program, channels[i], 1 + i);

    // 3. The assembly's result: its size in the status, each pixel the red, green and blue
    // pictures' grey, shown in the preview, and saved as a JPEG file.
    ASSERT_TRUE(waitUntil([&] { return program.onUi(statusText) == "Image size: width=48 pixels, height=32"; }))
        << program.onUi(statusText);
    Decoded sources[3];
    for (int i = 0; i < 3; ++i) {
        sources[i] = program.onUi([&] { return decode(files[i]); });
        ASSERT_EQ(sources[i].bytesPerPixel, 1) << names[i];
    }
    std::vector<uint8_t> expected;
    for (size_t p = 0; p < sources[0].pixels.size(); ++p)
        for (int c = 2; c >= 0; --c) // B, G, R
            expected.push_back(sources[c].pixels[p]);
    // The status may tell of an assembly the last channel's choice has made stale.
    std::vector<uint8_t> result;
    EXPECT_TRUE(waitUntil([&] {
        result = program.onUi([&] { return settledResult(project.Get()); });
        return result == expected;
    }));
    EXPECT_EQ(result, expected);

    // The preview shows the four coloured bands, left to right.
    std::vector<COLORREF> bands;
    for (int band = 0; band < 4; ++band) {
        const size_t at = (16 * 48 + band * 12 + 6) * 3;
        bands.push_back(RGB(expected[at + 2], expected[at + 1], expected[at]));
    }
    EXPECT_TRUE(waitUntil([&] { return showsInOrder(program.onUi(previewMiddleRow), bands); }));

    const std::string out = home("out.jpg");
    plat::setFileDialogAnswers({{false, {out}}});
    clickAt(program.onUi([] { return pageButton("Save"); }));
    Decoded saved;
    ASSERT_TRUE(waitUntil([&] {
        saved = program.onUi([&] { return decode(out); });
        return saved.width > 0;
    }));
    EXPECT_EQ(saved.width, 48);
    EXPECT_EQ(saved.height, 32);
    ASSERT_EQ(saved.bytesPerPixel, 3);
    for (int band = 0; band < 4; ++band) {
        const size_t at = (16 * 48 + band * 12 + 6) * 3;
        EXPECT_TRUE(pictest::near(RGB(saved.pixels[at + 2], saved.pixels[at + 1], saved.pixels[at]), bands[band]))
            << "band " << band;
    }

    // 4. A light filter of the user's: added by the projects list's menu, drawn with two double
    // clicks in its curve editor, and taken by the project's channels and every picture. The
    // result is what the reference makes of the curve's points as the filter keeps them.
    runNodeCommand(program, projects, "AddRGBfilter");
    picNodePtr filterNode;
    ASSERT_TRUE(waitUntil([&] {
        filterNode = program.onUi(shownNode);
        return dynamic_cast<picLightFilter*>(filterNode.Get()) != nullptr;
    })) << program.onUi([&] { return childTexts(projects.Get()); });
    auto* filter = static_cast<picLightFilter*>(filterNode.Get());
    auto curvePoints = [&] { return program.onUi([&] { return filter->GetCurveEditor().GetCurve().Snapshot().points; }); };
    const double marks[2][2] = {{25, 30}, {75, 85}}; // per cent across and up the plot box
    CPoint at;
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(waitUntil([&] { return (at = program.onUi([&] { return curvePlotPoint(marks[i][0], marks[i][1]); })).x >= 0; }));
        clickAt(at);
        clickAt(at);
        ASSERT_TRUE(waitUntil([&] { return curvePoints().size() == size_t(i + 1); })) << "double click " << i;
    }
    // Each point lies where it was clicked, to the pixel's rounding.
    const std::vector<picCurvePoint> points = curvePoints();
    for (int i = 0; i < 2; ++i) {
        EXPECT_NEAR(points[size_t(i)].x, marks[i][0], 1) << "double click " << i;
        EXPECT_NEAR(points[size_t(i)].y, marks[i][1], 1) << "double click " << i;
    }

    const std::string filterText = program.onUi([&] { return std::string(filter->GetText()); });
    auto chooseFilter = [&](guiMsComboBox* combo) {
        const int entry = program.onUi([&] { return comboEntry(combo, filterText); });
        ASSERT_GE(entry, 0) << filterText << " not listed";
        chooseInCombo(program, combo, entry);
    };
    for (int i = 0; i < 3; ++i) {
        picNodePtr image = program.onUi([&] { return child(project.Get(), i + 1); });
        showInTree(program, image);
        std::vector<guiMsComboBox*> combos = program.onUi(filterCombos);
        ASSERT_EQ(combos.size(), 1u) << names[i];
        ASSERT_NO_FATAL_FAILURE(chooseFilter(combos[0])) << names[i];
    }
    showInTree(program, project);
    channels = program.onUi(filterCombos);
    ASSERT_EQ(channels.size(), 3u);
    for (guiMsComboBox* combo : channels)
        ASSERT_NO_FATAL_FAILURE(chooseFilter(combo));

    // A new filter's axes run over 400..750 nm and 0..100 %; the factors are the nodes' own.
    const pictest::Slot drawn("drawn", pictest::curveOf(400, 750, 0, 100, points));
    pictest::Scene scene{"drawn filter", false, {drawn, drawn, drawn}, {}, {}};
    program.onUi([&] {
        auto* assembly = static_cast<picProject*>(project.Get());
        for (int c = 0; c < 3; ++c)
            scene.factors[c] = assembly->GetChannel(c + 1).GetFactor();
        for (int i = 0; i < 3; ++i) {
            picNodePtr node = child(project.Get(), i + 1);
            auto* image = dynamic_cast<picImageHolder*>(node.Get());
            ASSERT_TRUE(image && image->GetFilterType() == picImageHolder::kMonochrome) << names[i];
            scene.sources.push_back(pictest::mono(drawn, image->GetChannel(1).GetFactor(), sources[i].bytesPerPixel == 1));
        }
    });
    ASSERT_EQ(scene.sources.size(), 3u);
    std::vector<uint8_t> drawnExpected;
    program.onUi([&] {
        bool curves = false;
        const auto tables = pictest::prepare(scene, &curves);
        ASSERT_TRUE(tables && curves);
        for (size_t p = 0; p < sources[0].pixels.size(); ++p) {
            const std::vector<const uint8_t*> px{&sources[0].pixels[p], &sources[1].pixels[p], &sources[2].pixels[p]};
            const std::array<int, 3> rgb = pictest::refPixel(scene, *tables, curves, px);
            drawnExpected.insert(drawnExpected.end(), {uint8_t(rgb[2]), uint8_t(rgb[1]), uint8_t(rgb[0])});
        }
    });
    ASSERT_EQ(drawnExpected.size(), expected.size());
    ASSERT_NE(drawnExpected, expected) << "the curve changes nothing the test could see";
    std::vector<uint8_t> drawnResult;
    EXPECT_TRUE(waitUntil([&] {
        drawnResult = program.onUi([&] { return settledResult(project.Get()); });
        return drawnResult == drawnExpected;
    }));
    EXPECT_EQ(drawnResult, drawnExpected);
    filterNode = nullptr;

    // 5. The project saved to a file, deleted, and loaded back from that file: the same project,
    // its pictures extracted beside the user's pictures, its result the same.
    const std::string picf = home("p.picf");
    const std::string projectText = "New assembly project";
    auto projectIn = [&](RunningProgram& run) { return run.onUi([&] { return childByText(projects.Get(), projectText); }); };
    const std::string before = program.onUi([&] { return nodeTree(project.Get()); });
    plat::setFileDialogAnswers({{false, {picf}}});
    runNodeCommand(program, project, "Export");
    ASSERT_TRUE(waitUntil([&] { return !pictest::readFile(picf).empty(); }));
    plat::setMessageBoxAnswer(IDYES);
    runNodeCommand(program, project, "Delete");
    ASSERT_TRUE(waitUntil([&] { return projectIn(program).IsNull(); }));
    expectOneQuestion("Do you want to delete entire project 'New assembly project' ?");
    EXPECT_TRUE(waitUntil([&] { return program.onUi([main] { return windowText(main); }) == "Projects - PicFlorvane..."; }))
        << "the deleted project's page stays";
    EXPECT_TRUE(waitUntil([&] { return program.onUi(treeSelection) == projects; })) << "the tree shows another selection";
    plat::setFileDialogAnswers({{false, {picf}}});
    runNodeCommand(program, projects, "ImportUnder");
    ASSERT_TRUE(waitUntil([&] { return program.onUi([&] { return nodeTree(projectIn(program).Get()); }) == before; }))
        << program.onUi([&] { return subtree(projects.Get()); }) << "\nwanted " << before;
    project = projectIn(program);
    const std::vector<std::string> extracted = program.onUi([&] { return imagePaths(project.Get()); });
    ASSERT_EQ(extracted.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(extracted[i].find("/PicFlorvane Images/"), std::string::npos) << extracted[i];
        EXPECT_EQ(pictest::readFile(extracted[i]), pictest::readFile(files[i])) << extracted[i];
    }
    showInTree(program, project);
    EXPECT_TRUE(waitUntil([&] { return program.onUi([&] { return settledResult(project.Get()); }) == drawnExpected; }))
        << "the loaded project assembles otherwise";
    expectNoBox();

    // 6. The user closes the window: the program ends and the stored tree holds the project; the
    // next start shows it again under the same ids.
    const std::string stored = program.onUi([&] { return subtree(projects.Get(), true); });
    const std::string projectName = std::string(project->GetName());
    project = nullptr;
    projects = nullptr;
    closeWindow(program);
    EXPECT_EQ(storedText(storedNodeKey(projectName)), projectText);

    RunningProgram again({});
    ASSERT_NE(waitForMainWindow(again), nullptr);
    projects = again.onUi(projectsList);
    ASSERT_FALSE(projects.IsNull());
    EXPECT_TRUE(waitUntil([&] { return again.onUi([&] { return subtree(projects.Get(), true); }) == stored; }))
        << again.onUi([&] { return subtree(projects.Get(), true); }) << "\nwanted " << stored;

    // 7. The project file opened while the program runs: the new start hands it over, and the
    // running window asks before it imports it.
    project = projectIn(again);
    ASSERT_FALSE(project.IsNull());
    plat::setMessageBoxAnswer(IDYES);
    runNodeCommand(again, project, "Delete");
    ASSERT_TRUE(waitUntil([&] { return projectIn(again).IsNull(); }));
    expectOneQuestion("Do you want to delete entire project 'New assembly project' ?");
    plat::setMessageBoxAnswer(IDYES);
    pic::test::ProgramRun opener({picf});
    EXPECT_EQ(opener.waitExit(), 0) << opener.output();
    ASSERT_TRUE(waitUntil([&] { return again.onUi([&] { return nodeTree(projectIn(again).Get()); }) == before; }))
        << again.onUi([&] { return subtree(projects.Get()); }) << "\nwanted " << before;
    expectOneQuestion("Confirm that you want to import, in PicFlorvane, file p.picf?");
    project = nullptr;
    projects = nullptr;
    closeWindow(again);
    expectNoBox();
}

// SIGTERM while the user is in a modal dialog (here the open dialog of "Load from file"): the
// dialog and the main window end as a quit ends them, and the tree with the user's project is
// stored.
TEST_F(PicEndToEnd, SigtermInTheOpenDialogStoresTheTreeAndEnds)
{
    RunningProgram program({});
    ASSERT_NE(waitForMainWindow(program), nullptr);
    ASSERT_TRUE(program.onUi([] { return vntQuitOnTerminationSignals(); }));
    struct Restore {
        ~Restore() { vntTestStopQuitOnTerminationSignals(); }
    } restore;
    picNodePtr projects = program.onUi(projectsList);
    ASSERT_FALSE(projects.IsNull());
    runNodeCommand(program, projects, "AddRGBproject");
    picNodePtr project;
    ASSERT_TRUE(waitUntil([&] { return !(project = program.onUi([&] { return child(projects.Get(), 1); })).IsNull(); }));
    const std::string projectName = std::string(project->GetName());
    project = nullptr;

    vntTestUseFileDialogWindow(TRUE);
    runNodeCommand(program, projects, "ImportUnder");
    ASSERT_TRUE(waitUntil([&] {
        return program.onUi([] { return windowText(GetActiveWindow()); }) == "Choose a picf file to import...";
    }));
    projects = nullptr;
    ::kill(::getpid(), SIGTERM);
    EXPECT_TRUE(waitUntil([&] { return program.ended(); }));
    vntTestUseFileDialogWindow(FALSE);
    EXPECT_TRUE(program.result());
    EXPECT_EQ(storedText(storedNodeKey(projectName)), "New assembly project");
    expectNoBox();
}

// A picture held at 40 % of its load while its project is deleted through the project's menu:
// the strip's row goes with the project, and the load, let go afterwards, brings no row back,
// neither with its progress nor with its end.
TEST_F(PicEndToEnd, ADeletedProjectsLoadLeavesNoRowOnTheStrip)
{
    HeldLoads held;
    RunningProgram program({});
    ASSERT_NE(waitForMainWindow(program), nullptr);
    picNodePtr projects = program.onUi(projectsList);
    ASSERT_FALSE(projects.IsNull());
    runNodeCommand(program, projects, "AddRGBproject");
    picNodePtr project, image;
    ASSERT_TRUE(waitUntil([&] {
        project = program.onUi([&] { return child(projects.Get(), 1); });
        return !project.IsNull() && program.onUi(shownNode) == project;
    }));
    plat::setFileDialogAnswers({{false, {pictest::writeFile("big.hold", HeldLoads::file(20 * 8192))}}});
    clickAt(program.onUi([] { return pageButton("Actions"); }));
    chooseInMenu(program, "AddImage");
    ASSERT_TRUE(waitUntil([&] { return !(image = program.onUi([&] { return child(project.Get(), 1); })).IsNull(); }));
    showInTree(program, image);
    ASSERT_TRUE(waitUntil([&] { return held.waiting() > 0; })) << "the load is not held";
    CRect strip;
    ASSERT_TRUE(waitUntil([&] {
        strip = program.onUi(stripRect);
        return program.onUi([&] { return statusCellPixels(strip); }) > 0;
    })) << "no row of the held load";

    plat::setMessageBoxAnswer(IDYES);
    runNodeCommand(program, project, "Delete");
    ASSERT_TRUE(waitUntil([&] { return program.onUi([&] { return child(projects.Get(), 1); }).IsNull(); }));
    plat::resetMessageBoxPolicy();
    EXPECT_TRUE(waitUntil([&] { return program.onUi([&] { return statusCellPixels(strip); }) == 0; }))
        << "the row stays after the project";

    held.open();
    ASSERT_TRUE(waitUntil([&] { return held.live() == 0 && !project->IsDnOpAsked() && !project->IsDnOpInWork(); }));
    // What the ended loads posted to the strip is handled before a message posted after it.
    std::atomic<bool> reached{false};
    std::function<void()> mark = [&] { reached = true; };
    program.postToUi(&mark);
    ASSERT_TRUE(waitUntil([&] { return reached.load(); }));
    program.onUi([] { RedrawWindow(mainDlg()->m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); });
    EXPECT_EQ(program.onUi([&] { return statusCellPixels(strip); }), 0) << "a row came back";

    image = nullptr;
    project = nullptr;
    projects = nullptr;
    closeWindow(program);
}

} // namespace
