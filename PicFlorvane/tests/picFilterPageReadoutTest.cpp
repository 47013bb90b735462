// The light filter's page in the real main window: its position readout and the points a double
// click makes agree while the progress strip gains and loses rows, and the readout shows values
// only while the mouse is in the plot.

#include "PicMainBed.h"

#include "picLightFilter.h"
#include "picNumberText.h"

#include "curve/picCurveGeometry.h"

#include "guiMsEdit.h"
#include "guiProgress.h"

#include "plat/headless.h"

#include <cmath>
#include <functional>
#include <string>

using namespace pic::test;

namespace {

// {5A1C2E47-8B0D-4F61-9C3A-2E7D41B09F16}
constexpr GUID kRowId = {0x5A1C2E47, 0x8B0D, 0x4F61, {0x9C, 0x3A, 0x2E, 0x7D, 0x41, 0xB0, 0x9F, 0x16}};

class PicFilterPageReadout : public PicMainBed {
protected:
    static guiMsEdit* statusEdit(ScriptedMain& d)
    {
        HWND box = d.GetPropertyBox().tcGetHwnd();
        for (HWND hwnd = GetWindow(box, GW_CHILD); hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT))
            if (auto* edit = dynamic_cast<guiMsEdit*>(CWnd::FromHandlePermanent(hwnd)))
                if (std::string(edit->tcGetToolTip()) == "Light filter status")
                    return edit;
        ADD_FAILURE() << "no status";
        return nullptr;
    }
    static CRect screenRect(CWnd& wnd)
    {
        CRect r;
        wnd.GetWindowRect(&r);
        return r;
    }
    // The readout of a point of the curve: its values on the filter's axes.
    static std::string readoutOf(const picCurveData& d, const picCurvePoint& p)
    {
        const double x = d.xmin + (d.xmax - d.xmin) * p.x / 100;
        const double y = d.ymin + (d.ymax - d.ymin) * p.y / 100;
        return "Position: " + std::string(picFormatNumber(x) + "nm, " + picFormatNumber(y) + "%");
    }
};

// The mouse rests on the plot, the readout tells its values, a strip row comes or goes, and a
// double click on the same spot makes the point that the readout told.
TEST_F(PicFilterPageReadout, ADoubleClickPlacesThePointTheReadoutShowedWhileStripRowsComeAndGo)
{
    auto body = [&](ScriptedMain& d) {
        picNodePtr made;
        picLightFilter::New(&made);
        auto* filter = static_cast<picLightFilter*>(made.Get());
        attach(projects.Get(), filter);
        d.showNode(filter);
        pump();
        guiMsEdit* status = statusEdit(d);
        ASSERT_NE(status, nullptr);
        picGuiCurve& curve = filter->GetCurveEditor();
        guiProgress& strip = *d.getProgress();
        guiHotPlugCbPtr row;
        strip.GetPlugCb(true, &row, kRowId, "Assembly of a test", vbPlugUpdateAllow);

        const struct {
            const char* what;
            double x, y;
            std::function<void()> change;
        } steps[] = {
            {"a row comes", 30, 40, [&] { row->OnLoadPluginAsked(nullptr, false); }},
            {"the row goes", 70, 80, [&] { strip.HidePlugCb(kRowId); }},
        };
        for (const auto& step : steps) {
            SCOPED_TRACE(step.what);
            const CRect editor = screenRect(curve);
            CPoint at = picCurveGeometry::percentToPixel(curve.GetEditor().PlotBox(), step.x, step.y);
            curve.ClientToScreen(&at);
            plat::headless::mouseMove(at.x, at.y);
            pump();
            const std::string readout(status->tcGetText());
            ASSERT_EQ(readout.rfind("Position: ", 0), 0u) << readout;

            const bool stripShown = strip.tcGetVisible();
            step.change();
            pump();
            EXPECT_EQ(strip.tcGetVisible(), stripShown) << "the strip keeps its height on a filter's page";
            EXPECT_EQ(screenRect(curve), editor) << "the editor keeps its box";

            const size_t before = curve.GetCurve().Snapshot().points.size();
            plat::headless::click(at.x, at.y);
            plat::headless::click(at.x, at.y);
            pump();
            const picCurveData data = curve.GetCurve().Snapshot();
            ASSERT_EQ(data.points.size(), before + 1);
            const picCurvePoint* added = nullptr;
            for (const picCurvePoint& p : data.points)
                if (!added || std::abs(p.x - step.x) < std::abs(added->x - step.x))
                    added = &p;
            EXPECT_EQ(readoutOf(data, *added), readout);

            // The page of another node gives the strip the height it asked for meanwhile.
            d.showNode(projects.Get());
            pump();
            EXPECT_NE(strip.tcGetVisible(), stripShown) << "its row " << (stripShown ? "went" : "came");
            d.showNode(filter);
            pump();
        }

        // Outside the plot, in the work area, no value stands.
        const CRect plot = curve.GetEditor().PlotBox();
        CPoint outside(plot.left - 6, plot.top - 6);
        ASSERT_TRUE(curve.GetEditor().WorkArea().PtInRect(outside));
        curve.ClientToScreen(&outside);
        CPoint inside(plot.left + 10, plot.bottom - 10);
        curve.ClientToScreen(&inside);
        plat::headless::mouseMove(inside.x, inside.y);
        pump();
        EXPECT_EQ(std::string(status->tcGetText()).rfind("Position: ", 0), 0u);
        plat::headless::mouseMove(outside.x, outside.y);
        pump();
        EXPECT_EQ(std::string(status->tcGetText()), "No background image...");
    };
    run([&](ScriptedMain& d) {
        body(d);
        projects->ClearChildren();
        return true;
    });
}

} // namespace
