// What a project's page and its line on the strip say after the project is renamed in its name
// box, read from the main window's pixels. The fixed test font draws every visible character as
// the same box in a 7-pixel cell, so a drawn text shows where its spaces fall and how long it is:
// enough to tell one name from another.

#include "PicMainBed.h"
#include "PicPictureKit.h"
#include "PicTreeRows.h"

#include "picProject.h"
#include "picSourceImage.h"

#include "guiMsEdit.h"
#include "guiProgress.h"
#include "guiToolTip.h"

#include "plat/headless.h"

#include <chrono>
#include <string>
#include <vector>

using namespace pic::test;

namespace {

constexpr int kCell = 7;
// The text of the status row and of the strip: the window-text colour.
constexpr uint32_t kInk = 0x000000;
constexpr auto kAssemblyWait = std::chrono::seconds(30);

const char* const kFailure = "Can't make result image for project %s, no filter available";

std::string failureNaming(const std::string& name)
{
    std::string text = kFailure;
    return text.replace(text.find("%s"), 2, name);
}

// A text as the test font draws it: "x" for each visible character, a space for each space.
std::string shapeOf(const std::string& text)
{
    std::string shape;
    for (char c : text)
        shape += c == ' ' ? ' ' : 'x';
    return shape;
}

// The main window's client pixels, read back as the screen shows them.
class Capture {
public:
    explicit Capture(HWND hwnd) : m_hwnd(hwnd), m_bitmap(plat::headless::captureClient(hwnd))
    {
        BITMAP info{};
        GetObjectA(m_bitmap, sizeof info, &info);
        m_width = info.bmWidth;
        m_height = info.bmHeight;
        m_bits = static_cast<const uint32_t*>(info.bmBits);
    }
    ~Capture() { DeleteObject(m_bitmap); }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    // The pixel as 0xRRGGBB; 0 outside.
    uint32_t at(int x, int y) const
    {
        return x < 0 || y < 0 || x >= m_width || y >= m_height ? 0 : m_bits[y * m_width + x] & 0xFFFFFF;
    }

    // The shapes of the texts drawn in ink on each pixel row of a window's rect: a run of
    // characters for each stretch of cells, the stretches parted by "|" where more than two
    // cells stay blank.
    std::vector<std::string> rowShapes(HWND control, uint32_t ink) const
    {
        CRect r;
        GetWindowRect(control, &r);
        POINT origin{r.left, r.top};
        ScreenToClient(m_hwnd, &origin);
        std::vector<std::string> shapes;
        for (int y = origin.y; y < origin.y + r.Height(); ++y)
            shapes.push_back(lineShape(origin.x, origin.x + r.Width(), y, ink));
        return shapes;
    }

private:
    // A character's box: columns 1 to 5 of its cell inked (a frame's edge inks one).
    bool boxAt(int cell, int y, uint32_t ink) const
    {
        for (int i = 1; i <= 5; ++i)
            if (at(cell + i, y) != ink)
                return false;
        return true;
    }

    std::string lineShape(int left, int right, int y, uint32_t ink) const
    {
        std::string shape;
        for (int x = left - 1;;) {
            while (x + kCell <= right && !boxAt(x, y, ink))
                ++x;
            if (x + kCell > right)
                return shape;
            // The next stretch is looked for from the end of this one's last box: its grid
            // need not be this one's.
            std::string run;
            const int start = x;
            for (int blanks = 0; blanks < 3 && x + kCell <= right; x += kCell) {
                const bool box = boxAt(x, y, ink);
                run += box ? 'x' : ' ';
                blanks = box ? 0 : blanks + 1;
            }
            while (run.back() == ' ')
                run.pop_back();
            shape += (shape.empty() ? "" : "|") + run;
            x = start + static_cast<int>(run.size()) * kCell;
        }
    }

    HWND m_hwnd;
    HBITMAP m_bitmap;
    int m_width = 0;
    int m_height = 0;
    const uint32_t* m_bits = nullptr;
};

bool showsShape(const std::vector<std::string>& rows, const std::string& text)
{
    const std::string shape = shapeOf(text);
    for (const std::string& row : rows)
        for (size_t at = row.find(shape); at != std::string::npos; at = row.find(shape, at + 1)) {
            const size_t end = at + shape.size();
            if ((at == 0 || row[at - 1] == '|') && (end == row.size() || row[end] == '|'))
                return true;
        }
    return false;
}

class PicRenamedProject : public PicMainBed {
protected:
    bool busy() const { return project->IsDnOpAsked() || project->IsDnOpInWork(); }

    // The shown page's edit of that hint.
    static guiMsEdit* pageEdit(ScriptedMain& d, const std::string& hint)
    {
        for (HWND hwnd = GetWindow(d.GetPropertyBox().tcGetHwnd(), GW_CHILD); hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT))
            if (auto* edit = dynamic_cast<guiMsEdit*>(CWnd::FromHandlePermanent(hwnd)))
                if (std::string(edit->tcGetToolTip()) == hint)
                    return edit;
        ADD_FAILURE() << "no edit " << hint;
        return nullptr;
    }

    // Types name over the whole of the page's name box.
    static void typeName(ScriptedMain& d, const char* name)
    {
        guiMsEdit* box = pageEdit(d, "Project name");
        ASSERT_NE(box, nullptr);
        CRect r;
        box->tcGetRect(r, true);
        plat::headless::click(r.CenterPoint().x, r.CenterPoint().y);
        plat::headless::keyPress(VK_HOME);
        plat::headless::key(VK_SHIFT, true);
        plat::headless::keyPress(VK_END);
        plat::headless::key(VK_SHIFT, false);
        plat::headless::typeText(name);
        pump();
    }

    // The failure naming name on the page's status row and on the project's line; none naming old.
    static void expectShown(ScriptedMain& d, const std::string& name, const std::string& old)
    {
        guiMsEdit* status = pageEdit(d, "Project status");
        ASSERT_NE(status, nullptr);
        Capture screen(d.m_hWnd);
        const std::vector<std::string> page = screen.rowShapes(status->tcGetHwnd(), kInk);
        const std::vector<std::string> line = screen.rowShapes(d.getProgress()->GetSafeHwnd(), kInk);
        EXPECT_TRUE(showsShape(page, "Assembly failed: " + failureNaming(name)));
        EXPECT_FALSE(showsShape(page, "Assembly failed: " + failureNaming(old)));
        EXPECT_TRUE(showsShape(line, "Assembly of " + name));
        EXPECT_TRUE(showsShape(line, failureNaming(name)));
        EXPECT_FALSE(showsShape(line, failureNaming(old)));
    }

    // The tool tip that the main window shows once the mouse rests on node's row in the tree, as
    // soon as it says want; the last one shown otherwise.
    static std::string rowToolTip(ScriptedMain& d, picNode* node, const std::string& want)
    {
        auto* tip = dynamic_cast<guiToolTip*>(d.GetTree().tcGetContainer()->GetToolTip());
        if (!tip) {
            ADD_FAILURE() << "no tool tip";
            return {};
        }
        // Away first, so that the row is come to anew.
        plat::headless::mouseMove(0, 0);
        pump();
        const CPoint row = treeItemPoint(&d, node);
        EXPECT_GE(row.x, 0) << "no row";
        plat::headless::mouseMove(row.x, row.y);
        pumpUntil([&] { return std::string(tip->tcGetText()) == want && tip->IsWindowVisible(); });
        return std::string(tip->tcGetText());
    }

    picNodePtr projectNode = picProject::Make();
    picProject* project = static_cast<picProject*>(projectNode.Get());
};

// A project renamed before its first image says its new name where its failure is shown: on its
// page's status row, on its line of the strip, label and message, and in its rows' tool tips;
// adding the image changes nothing of that.
TEST_F(PicRenamedProject, ItsPageAndItsLineSayTheNameOfNow)
{
    const std::string file = pictest::writeFile("a.jpg", vnt::test::jpegFile(8, 4, 0x3070C0));
    // Wide enough for the whole failure on the status row and on the strip, with either name.
    plat::headless::setScreenSize(1400, 600);
    run([&](ScriptedMain& d) {
        d.SetWindowPos(nullptr, 0, 0, 1350, 400, SWP_NOMOVE | SWP_NOZORDER);
        attach(projects.Get(), project);
        d.showNode(project);
        EXPECT_TRUE(pumpUntil([&] { return !busy() && !project->GetWorkFailure().IsEmpty(); }, kAssemblyWait));
        typeName(d, "Sizes");
        EXPECT_EQ(std::string(project->GetText()), "Sizes");
        expectShown(d, "Sizes", "New assembly project");
        // The failed operation's error, which the tool tips of the project's rows in the tree tell.
        ULONG hr = 0;
        vbString error;
        EXPECT_TRUE(project->GetError(hr, error));
        EXPECT_EQ(std::string(error), failureNaming("Sizes"));

        picNodePtr image = picSourceImage::Make();
        static_cast<picSourceImage*>(image.Get())->SetSourceFile(file.c_str());
        attach(project, image);
        d.showNode(image);
        pump();
        d.showNode(project);
        pump();
        expectShown(d, "Sizes", "New assembly project");
        project->Destroy();
        return true;
    });
}

// The tool tips of a project's image rows tell its failure with the name it bears now: the tree
// kept the error it read before the rename.
TEST_F(PicRenamedProject, ItsImagesToolTipsSayTheNameOfNow)
{
    const std::string file = pictest::writeFile("g.jpg", vnt::test::jpegFile(8, 4, 0x3070C0));
    const auto tipNaming = [](const std::string& name) {
        return "Image to assembly\n\nError during download :\n" + failureNaming(name);
    };
    run([&](ScriptedMain& d) {
        attach(projects.Get(), project);
        d.showNode(project);
        EXPECT_TRUE(pumpUntil([&] { return !busy() && !project->GetWorkFailure().IsEmpty(); }, kAssemblyWait));
        typeName(d, "Sizes");
        picNodePtr image = picSourceImage::Make();
        static_cast<picSourceImage*>(image.Get())->SetSourceFile(file.c_str());
        attach(project, image);
        d.showNode(image);
        pump();
        EXPECT_EQ(rowToolTip(d, image, tipNaming("Sizes")), tipNaming("Sizes"));

        for (const char* name : {"Sizes 2", "Sizes 3"}) {
            d.showNode(project);
            pump();
            typeName(d, name);
            EXPECT_EQ(rowToolTip(d, image, tipNaming(name)), tipNaming(name));
        }
        project->Destroy();
        return true;
    });
}

} // namespace
