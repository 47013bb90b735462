// A project's result follows what it is made from, in the real main window: the curve and the
// bounds of the light filter it uses, edited with the mouse and the keyboard on the filter's page,
// and the file of its source image. What changes no table starts no assembly.

#include "PicMainBed.h"
#include "PicPictureKit.h"
#include "picAssemblyReference.h"

#include "picLightFilter.h"
#include "picProject.h"
#include "picSourceImage.h"

#include "curve/picCurveGeometry.h"

#include "guiMsComboBox.h"
#include "guiMsEdit.h"

#include "plat/commdlg.h"
#include "plat/headless.h"

#include "testsupport/TestHome.h"

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace pic::test;

namespace {

constexpr auto kAssemblyWait = std::chrono::seconds(30);
constexpr int kGreenChannel = 2;

class PicResultFollows : public PicMainBed {
protected:
    void SetUp() override
    {
        PicMainBed::SetUp();
        pictest::registerJpegPlugin();
        files = {pictest::writeFile("first.jpg", vnt::test::jpegFile(8, 4, 0x3070C0)),
            pictest::writeFile("second.jpg", vnt::test::jpegFile(8, 4, 0xD05020))};
        for (const std::string& file : files)
            sources.push_back(decode(file));
    }
    void TearDown() override
    {
        plat::resetFileDialogPolicy();
        PicMainBed::TearDown();
    }

    // A peaked filter in the project's green box, its source image seen through the three bands.
    void makeTree(ScriptedMain& d, const std::string& sourceFile)
    {
        picNodePtr made;
        picLightFilter::New(&made);
        filter = static_cast<picLightFilter*>(made.Get());
        attach(projects.Get(), filter);
        filter->GetCurveEditor().GetCurve().Edit([](picCurveData& c) { c.points = {{0, 0}, {50, 100}, {100, 0}}; });

        projectNode = picProject::Make();
        project = static_cast<picProject*>(projectNode.Get());
        attach(projects.Get(), project);
        const vbString keys[3] = {"!red", filter->GetPath(), "!blue"};
        for (int c = 1; c <= 3; ++c)
            project->SetChannel(c, slot(keys[c - 1]));

        imageNode = picSourceImage::Make();
        image = static_cast<picSourceImage*>(imageNode.Get());
        image->SetSourceFile(sourceFile.c_str());
        image->SetFilterType(picImageHolder::kRgb);
        const char* bands[3] = {"!red", "!green", "!blue"};
        for (int c = 1; c <= 3; ++c)
            image->SetChannel(c, slot(bands[c - 1]));
        attach(project, image);

        d.invalidateFilterList();
        // The counting projects list walks only itself.
        projects->onWalk = [this, &d] { project->UpdateWalk(&d); };
        project->TouchWork(&d, true);
    }

    // Runs body in the main window's loop, then ends the assembly at work and the tree.
    void script(const std::function<void(ScriptedMain&)>& body)
    {
        run([&](ScriptedMain& d) {
            body(d);
            if (project)
                pumpUntil([&] { return !busy(); }, kAssemblyWait);
            projects->onWalk = nullptr;
            projects->ClearChildren();
            return true;
        });
    }

    static picChannelFilter slot(const vbString& key)
    {
        picChannelFilter f;
        f.SetKey(key);
        return f;
    }

    bool busy() const { return project->IsDnOpAsked() || project->IsDnOpInWork(); }

    // The result once no assembly is asked or at work; nothing before.
    std::vector<uint8_t> settledResult() const
    {
        picGuiImageRef result = project->GetResult();
        if (busy() || result.IsNull() || !result->IsLoaded())
            return {};
        return pictest::pixelsOf(result->GetImage(), 3);
    }

    // What the assembly makes of source through green, computed pixel by pixel.
    static std::vector<uint8_t> expected(pictest::Slot green, const std::vector<uint8_t>& source)
    {
        pictest::Scene scene{"green", false, {pictest::Slot("!red"), green, pictest::Slot("!blue")},
            {100, 100, 100}, {pictest::colour("!red", "!green", "!blue")}};
        bool curves = false;
        const auto tables = pictest::prepare(scene, &curves);
        std::vector<uint8_t> out;
        if (!tables)
            return out;
        for (size_t p = 0; p + 2 < source.size(); p += 3) {
            const std::array<int, 3> rgb = pictest::refPixel(scene, *tables, curves, {&source[p]});
            out.insert(out.end(), {uint8_t(rgb[2]), uint8_t(rgb[1]), uint8_t(rgb[0])});
        }
        return out;
    }
    std::vector<uint8_t> expectedOfCurve(size_t source) const
    {
        return expected(pictest::Slot("drawn", filter->GetCurveEditor().GetCurve().Snapshot()), sources[source]);
    }

    // Waits for the result to become want; it must differ from what was there, or the test could
    // not tell a result made again from the old one.
    void expectResult(const std::vector<uint8_t>& want, const std::vector<uint8_t>& before)
    {
        ASSERT_FALSE(want.empty());
        EXPECT_NE(want, before) << "the change shows in no pixel";
        EXPECT_TRUE(pumpUntil([&] { return settledResult() == want; }, kAssemblyWait));
        EXPECT_EQ(settledResult(), want);
        EXPECT_EQ(project->GetWorkFailure(), vbString());
    }

    // Pumps for a while: long enough for a pass and an assembly to start, and for the next click
    // not to make a double click with the last one.
    static void settle()
    {
        for (int i = 0; i < 60; ++i) {
            pump();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    // The screen point of a plot position of the filter's editor, in per cent.
    CPoint onPlot(double x, double y) const
    {
        picGuiCurve& curve = filter->GetCurveEditor();
        CPoint at = picCurveGeometry::percentToPixel(curve.GetEditor().PlotBox(), x, y);
        curve.ClientToScreen(&at);
        return at;
    }

    // The shown page's control of that hint.
    template <class Control>
    static Control* pageControl(ScriptedMain& d, const std::string& hint)
    {
        HWND box = d.GetPropertyBox().tcGetHwnd();
        for (HWND hwnd = GetWindow(box, GW_CHILD); hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT))
            if (auto* control = dynamic_cast<Control*>(CWnd::FromHandlePermanent(hwnd)))
                if (std::string(control->tcGetToolTip()) == hint)
                    return control;
        ADD_FAILURE() << "no control " << hint;
        return nullptr;
    }

    static std::vector<uint8_t> decode(const std::string& file)
    {
        picGuiImageObject* object = new picGuiImageObject("/decoded.jpg", 0);
        object->Create();
        pictest::deliver(object, pictest::readFile(file));
        std::vector<uint8_t> pixels = pictest::pixelsOf(object->GetImage(), 3);
        object->Release();
        return pixels;
    }

    std::vector<std::string> files;
    std::vector<std::vector<uint8_t>> sources;
    picNodePtr filterNode, projectNode, imageNode;
    picLightFilter* filter = nullptr;
    picProject* project = nullptr;
    picSourceImage* image = nullptr;
};

// Each change of the points or of the axes on the filter's page makes the project's result again
// from the curve shown; moving the plot box over the background changes no table and starts
// nothing. A point's drag is followed when it ends.
TEST_F(PicResultFollows, EveryChangeOfTheFiltersTableMakesTheResultAgain)
{
    script([&](ScriptedMain& d) {
        makeTree(d, files[0]);
        std::vector<uint8_t> shown;
        ASSERT_NO_FATAL_FAILURE(expectResult(expectedOfCurve(0), shown));
        shown = settledResult();
        d.showNode(filter);
        pump();
        ASSERT_FALSE(filter->GetCurveEditor().GetEditor().PlotBox().IsRectEmpty());

        // The plot box dragged inside, away from the curve.
        const uint64_t stamp = project->GetWorkStamp();
        const CPoint inside = onPlot(25, 75);
        plat::headless::mouseMove(inside.x, inside.y);
        plat::headless::mouseButton(0, true);
        plat::headless::mouseMove(inside.x + 15, inside.y + 10);
        plat::headless::mouseButton(0, false);
        settle();
        EXPECT_TRUE(filter->GetCurveEditor().GetCurve().Snapshot().hasAxisBounds) << "the box moved";
        EXPECT_EQ(project->GetWorkStamp(), stamp) << "no table changed";
        EXPECT_FALSE(busy());

        // The peak dragged from 100 % to half of it: nothing before the button goes up.
        const CPoint peak = onPlot(50, 100);
        const CPoint half = onPlot(50, 50);
        plat::headless::mouseMove(peak.x, peak.y);
        plat::headless::mouseButton(0, true);
        plat::headless::mouseMove(half.x, half.y);
        pump();
        EXPECT_EQ(project->GetWorkStamp(), stamp) << "followed when the drag ends";
        plat::headless::mouseButton(0, false);
        pump();
        EXPECT_NEAR(filter->GetCurveEditor().GetCurve().Snapshot().points[1].y, 50, 1);
        ASSERT_NO_FATAL_FAILURE(expectResult(expectedOfCurve(0), shown));
        shown = settledResult();
        settle();

        // A point added by a double click where the blue band passes.
        const CPoint added = onPlot(14, 90);
        plat::headless::click(added.x, added.y);
        plat::headless::click(added.x, added.y);
        pump();
        ASSERT_EQ(filter->GetCurveEditor().GetCurve().Snapshot().points.size(), 4u);
        ASSERT_NO_FATAL_FAILURE(expectResult(expectedOfCurve(0), shown));
        shown = settledResult();

        // The band-pass maximum typed anew moves every point's wavelength.
        guiMsEdit* maximum = pageControl<guiMsEdit>(d, "Light band pass maxmima for graph (x axis)");
        ASSERT_NE(maximum, nullptr);
        maximum->tcSetText("650");
        pump();
        EXPECT_EQ(filter->GetCurveEditor().GetCurve().Snapshot().xmax, 650);
        ASSERT_NO_FATAL_FAILURE(expectResult(expectedOfCurve(0), shown));
        shown = settledResult();

        // Every point deleted from the filter's menu.
        plat::setMessageBoxAnswer(IDYES);
        filter->OnMenuCommand(&d, "CurveDeleteAll");
        EXPECT_TRUE(filter->GetCurveEditor().GetCurve().Snapshot().points.empty());
        ASSERT_NO_FATAL_FAILURE(expectResult(expectedOfCurve(0), shown));
    });
}

// An image given another file, typed or chosen, makes its project's result from that file; the
// failure to read a file that moved away is no longer told once another is chosen.
TEST_F(PicResultFollows, AnImageGivenAnotherFileMakesTheResultFromIt)
{
    const std::string moved = (vnt::test::testHome() / "moved.jpg").string();
    script([&](ScriptedMain& d) {
        makeTree(d, moved);
        EXPECT_TRUE(pumpUntil([&] { return !busy() && !project->GetWorkFailure().IsEmpty(); }, kAssemblyWait));
        EXPECT_NE(std::string(project->GetWorkFailure()).find(moved), std::string::npos);
        d.showNode(image);
        pump();
        guiMsEdit* status = pageControl<guiMsEdit>(d, "Image status");
        ASSERT_NE(status, nullptr);
        EXPECT_EQ(std::string(status->tcGetText()), "Load failed: can't find file '" + moved + "'");

        guiMsEdit* path = pageControl<guiMsEdit>(d, "Image file path");
        ASSERT_NE(path, nullptr);
        path->tcSetText(files[1].c_str());
        pump();
        EXPECT_EQ(std::string(status->tcGetText()).find("Load failed"), std::string::npos) << status->tcGetText();
        ASSERT_NO_FATAL_FAILURE(expectResult(expectedOfCurve(1), {}));
        const std::vector<uint8_t> second = settledResult();

        plat::setFileDialogAnswers({{false, {files[0]}}});
        image->OnPathButton();
        EXPECT_EQ(std::string(path->tcGetText()), files[0]);
        ASSERT_NO_FATAL_FAILURE(expectResult(expectedOfCurve(0), second));
    });
}

// The project's green box shows the separator once its filter is deleted, and the assembly gives
// that channel what the separator stands for: no light.
TEST_F(PicResultFollows, AChannelWhoseFilterIsDeletedShowsTheSeparator)
{
    script([&](ScriptedMain& d) {
        makeTree(d, files[0]);
        ASSERT_NO_FATAL_FAILURE(expectResult(expectedOfCurve(0), {}));
        const std::vector<uint8_t> drawn = settledResult();
        d.showNode(project);
        pump();
        guiMsComboBox* green = pageControl<guiMsComboBox>(d, "Project green filter used to make this image");
        ASSERT_NE(green, nullptr);
        EXPECT_GE(green->GetListIndex(), 5) << "the filter's own entry";

        plat::setMessageBoxAnswer(IDYES);
        filter->OnMenuCommand(&d, "Delete");
        filter = nullptr;
        filterNode = nullptr;
        d.showNode(project);
        pump();
        green = pageControl<guiMsComboBox>(d, "Project green filter used to make this image");
        ASSERT_NE(green, nullptr);
        EXPECT_EQ(green->GetListIndex(), 4) << "------------------";
        EXPECT_EQ(project->GetChannel(kGreenChannel).GetKey().IsEmpty(), false) << "the key is kept";
        ASSERT_NO_FATAL_FAILURE(expectResult(expected(pictest::Slot("!hidden"), sources[0]), drawn));
    });
}

} // namespace
