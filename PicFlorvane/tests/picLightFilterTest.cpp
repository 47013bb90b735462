#include "picLightFilter.h"
#include "picNumberText.h"
#include "picProject.h"
#include "picSourceImage.h"

#include "GuiTestBed.h"
#include "PicTestKit.h"

#include "vbRegEngine.h"

#include <functional>
#include <string>

using pic::test::RecordingMainWnd;

namespace {

class picLightFilterTest : public pic::test::PicTest {};

using FilterPtr = vbRefPtr<picLightFilter, &IID_IpicNode>;

FilterPtr newFilter()
{
    picNodePtr made;
    picLightFilter::New(&made);
    return FilterPtr(static_cast<picLightFilter*>(made.Get()));
}

picCurveData curveOf(picLightFilter& f) { return f.GetCurveEditor().GetCurve().Snapshot(); }

// The filter's own registry values, without those of the node base.
struct ValuesFilter : picLightFilter {
    using picLightFilter::LoadFilterValues;
    using picLightFilter::SaveFilterValues;
};

// A filter's page in the test window, the recording main window as its owner.
class picLightFilterPageTest : public gui::test::GuiTestBed {
protected:
    void SetUp() override
    {
        GuiTestBed::SetUp();
        plat::resetMessageBoxPolicy();
        g_vbExceptionEngine.SetContext(&window->app);
        picSetMainWnd(&wnd);
        filter = newFilter();
    }
    void TearDown() override
    {
        if (filter)
            filter->DropPropertyPage();
        filter = FilterPtr();
        picSetMainWnd(nullptr);
        g_vbExceptionEngine.SetContext(nullptr);
        plat::resetMessageBoxPolicy();
        GuiTestBed::TearDown();
    }

    void buildPage(int width = 400)
    {
        CRect rect(0, 0, width, 300);
        filter->BuildPropertyPage(&wnd, &window->container, rect, false);
        pump();
    }
    // The page's edit with that hint.
    guiMsEdit* edit(const std::string& hint)
    {
        for (int i = 1; i <= window->container.GetLength(); ++i)
            if (auto* e = dynamic_cast<guiMsEdit*>(window->container.GetControl(i)))
                if (std::string(e->tcGetToolTip()) == hint)
                    return e;
        ADD_FAILURE() << "no edit " << hint;
        return nullptr;
    }
    guiMsEdit* bound(int i)
    {
        static const char* const hints[4] = {"Light band pass minima or origin for graph (x axis)",
            "Light band pass maxmima for graph (x axis)", "Light transmittance minima or origin for graph (y axis)",
            "Light transmittance maxmima for graph (y axis)"};
        return edit(hints[i]);
    }
    std::string status() { return std::string(edit("Light filter status")->tcGetText()); }
    void type(guiMsEdit* e, const char* text)
    {
        e->tcSetText(text);
        pump();
    }

    RecordingMainWnd wnd;
    FilterPtr filter;
};

} // namespace

TEST(picNumberText, WavelengthAndPerCentTexts)
{
    struct Case {
        const char* text;
        bool percent;
        bool accepted;
        const char* normal;
    };
    const Case cases[] = {
        {"500", false, true, "500nm"},
        {"500nm", false, true, "500nm"},
        {"500NM", false, true, "500nm"},
        {" 1e3nm", false, true, "1000nm"},
        {"1999.5", false, true, "1999.5nm"},
        {"500 nm", false, false, ""},
        {"2000", false, false, ""},
        {"0", false, false, ""},
        {"0x10", false, false, ""},
        {"inf", false, false, ""},
        {"nan", false, false, ""},
        {"", false, false, ""},
        {"-inf", false, false, ""},
        {".5", false, true, "0.5nm"},
        {"500%", false, false, ""},
        {"-5", true, true, "-5%"},
        {"+150%", true, true, "150%"},
        {"0.00001", true, true, "1e-05%"},
        {"-1000", true, false, ""},
        {"1000", true, false, ""},
        {"150 %", true, false, ""},
        {"abc", true, false, ""},
    };
    for (const Case& c : cases) {
        double value = 0;
        const bool accepted = c.percent ? parsePercent(c.text, &value) : parseWavelength(c.text, &value);
        EXPECT_EQ(accepted, c.accepted) << c.text;
        if (accepted) {
            EXPECT_EQ(std::string(picFormatNumber(value) + (c.percent ? "%" : "nm")), c.normal) << c.text;
        }
    }
}

TEST_F(picLightFilterTest, LightFilterDefaultsAndChildren)
{
    FilterPtr f = newFilter();
    EXPECT_EQ(std::string(f->GetName()).rfind("flt-", 0), 0u);
    EXPECT_EQ(std::string(f->GetText()), "New RGB filter");
    EXPECT_EQ(std::string(f->GetTypeName()), "filter");
    EXPECT_FALSE(f->CanHoldChildren());
    const char* bounds[] = {"400nm", "750nm", "0%", "100%"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(std::string(f->GetBound(i)), bounds[i]);
    picCurveData d = curveOf(*f);
    EXPECT_EQ(d.xmin, 400);
    EXPECT_EQ(d.xmax, 750);
    EXPECT_EQ(d.ymin, 0);
    EXPECT_EQ(d.ymax, 100);

    picNodePtr child;
    EXPECT_FALSE(f->CreateChildOfType("image", &child, false));
    try {
        f->CreateChildOfType("image", &child, true);
        ADD_FAILURE() << "no exception";
    } catch (vbEapp* e) {
        EXPECT_STREQ(e->GetMsg(), "In RGB filter, can't create node of type: image, type is unknown or has no meaning here");
        e->Delete();
    }
}

TEST_F(picLightFilterTest, FiltersOfOneTextListByNameAsText)
{
    FilterPtr nine = newFilter();
    FilterPtr ten = newFilter();
    FilterPtr other = newFilter();
    nine->SetName("flt-9");
    ten->SetName("flt-10");
    other->SetText("a filter");
    picFilterList list;
    nine->CollectFilters(list);
    ten->CollectFilters(list);
    other->CollectFilters(list);
    nine->CollectFilters(list);
    ASSERT_EQ(list.size(), 3u) << "never twice";
    EXPECT_EQ(list[0].Get(), other.Get());
    EXPECT_EQ(list[1].Get(), ten.Get());
    EXPECT_EQ(list[2].Get(), nine.Get());
}

TEST_F(picLightFilterTest, FilterValuesAndCopies)
{
    auto* made = new ValuesFilter;
    vbRefPtr<ValuesFilter, &IID_IpicNode> source(made);
    made->Release();
    made->Create();
    source->SetType(guiNodeType_Check);
    source->SetChecked(true);
    source->GetCurveEditor().GetCurve().Edit([](picCurveData& d) {
        d.hasSizeRef = true;
        d.sizeRefX = d.sizeRefY = 300;
        d.points = {{10, 20}};
    });
    vbRegKey key(vbRegVantUser, "PicFlorvane\\FilterTest");
    source->SaveFilterValues(key);
    EXPECT_EQ(key.GetValue("Checked").GetAsLong(), 1);
    EXPECT_EQ(std::string(key.GetValue("BandpassMax").GetAsString()), "750nm");
    EXPECT_TRUE(key.ValueExists("curve-PtCount"));

    vbVariant wide("900nm");
    key.SetValue("BandpassMax", wide);
    vbVariant picture("/pics/bg.jpg");
    key.SetValue("Path", picture);
    auto* loadedMade = new ValuesFilter;
    vbRefPtr<ValuesFilter, &IID_IpicNode> loaded(loadedMade);
    loadedMade->Release();
    loadedMade->Create();
    loaded->LoadFilterValues(key);
    EXPECT_EQ(loaded->GetType(), guiNodeType_Check);
    EXPECT_TRUE(loaded->IsChecked());
    EXPECT_EQ(curveOf(*loaded).xmax, 900) << "bounds applied before the curve";
    EXPECT_EQ(curveOf(*loaded).points, curveOf(*source).points);
    EXPECT_EQ(std::string(loaded->GetFilePath()), "/pics/bg.jpg");
    EXPECT_EQ(std::string(loaded->GetPath()), std::string(loaded->GetName()))
        << "the tree path, which filter keys hold, is not the background picture's";

    FilterPtr copy = newFilter();
    copy->CopyValues(source.Get());
    EXPECT_EQ(std::string(copy->GetText()), "New RGB filter (COPY)");
    EXPECT_TRUE(copy->IsChecked());
    EXPECT_EQ(curveOf(*copy).points, curveOf(*source).points);
}

TEST_F(picLightFilterTest, FilterMenuAndDelete)
{
    FilterPtr f = newFilter();
    auto parent = pic::test::makeNode();
    pic::test::attach(parent.Get(), f.Get());
    vbString markup;
    f->GetMenuMarkup(&wnd, markup);
    const std::string text(markup);
    EXPECT_EQ(text.rfind("\n<item name='Copy'", 0), 0u) << "no editor items for an empty curve";
    const std::string tail = "\n<sep/>\n<item name='Delete' icon='res:delete' icon='res:delete' text='Delete filter'/>";
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);

    plat::setMessageBoxAnswer(IDNO);
    f->OnMenuCommand(&wnd, "Delete");
    EXPECT_EQ(parent->GetChildCount(), 1);
    ASSERT_FALSE(plat::messageBoxRecords().empty());
    EXPECT_EQ(plat::messageBoxRecords().back().text, "Do you want to delete filter 'New RGB filter' ?");

    plat::setMessageBoxAnswer(IDYES);
    const int before = wnd.invalidations;
    f->OnMenuCommand(&wnd, "Delete");
    EXPECT_EQ(parent->GetChildCount(), 0);
    EXPECT_EQ(wnd.calls.back(), "deleted " + std::string(parent->GetName()));
    EXPECT_EQ(wnd.invalidations, before + 1);
}

TEST_F(picLightFilterPageTest, BoundEditsStoreParsedValuesAndShowOrder)
{
    buildPage();
    ASSERT_NE(bound(0), nullptr);
    type(bound(0), "800");
    EXPECT_EQ(std::string(filter->GetBound(0)), "800nm") << "stored at once";
    EXPECT_EQ(DWORD(bound(0)->tcGetTextColor()), 255u) << "above the maximum";
    EXPECT_EQ(curveOf(*filter).xmin, 400) << "the graph keeps its bounds";

    type(bound(0), "500 nm");
    EXPECT_EQ(std::string(filter->GetBound(0)), "800nm") << "not a wavelength: nothing stored";

    type(bound(0), "500");
    EXPECT_EQ(std::string(filter->GetBound(0)), "500nm");
    EXPECT_NE(DWORD(bound(0)->tcGetTextColor()), 255u) << "in order again";
    EXPECT_EQ(curveOf(*filter).xmin, 500);

    type(bound(2), "-5");
    EXPECT_EQ(std::string(filter->GetBound(2)), "-5%");
    EXPECT_EQ(curveOf(*filter).ymin, -5);
}

TEST_F(picLightFilterPageTest, RenamingInvalidatesTheFilterListAndStatusTexts)
{
    filter->OnTextChanged();
    EXPECT_EQ(wnd.invalidations, 0) << "no page, no list to refill";
    buildPage();
    type(edit("Light filter name"), "Long pass 590");
    EXPECT_EQ(std::string(filter->GetText()), "Long pass 590");
    EXPECT_GE(wnd.invalidations, 1);
    const int before = wnd.invalidations;
    filter->OnTextChanged();
    EXPECT_EQ(wnd.invalidations, before + 1);

    EXPECT_EQ(status(), "No background image...");
    filter->GetCurveEditor().SendMessage(WM_MOUSEMOVE, 0, 0);
    picLightFilterGraph graph(*filter);
    graph.OnCurvePosition(&filter->GetCurveEditor(), 532.5, 1e-05);
    EXPECT_EQ(status(), "Position: 532.5nm, 1e-05%");

    type(edit("Light filter background image path"), "/no/such/picture.jpg");
    EXPECT_EQ(DWORD(edit("Light filter background image path")->tcGetTextColor()), 255u) << "a missing file";
    EXPECT_EQ(std::string(filter->GetFilePath()), "");
}

namespace {

// The projects and images that use a filter have their work made again, and their pages built
// anew, when the filter is renamed or deleted: their results and filter boxes followed neither.
// A project that uses another filter is left alone.
TEST_F(picLightFilterPageTest, RenamingOrDeletingAUsedFilterMakesTheWorkThatUsesItAgain)
{
    using namespace pic::test;
    TestNodePtr tree = makeNode("tree", "tree-");
    TestNodePtr projects = makeNode("root", "root-");
    attach(tree, projects);
    attach(projects, filter.Get());
    FilterPtr other = newFilter();
    attach(projects, other.Get());
    wnd.directory.SetTreeRoot(tree);
    picNodePtr user = picProject::Make();
    picNodePtr through = picProject::Make();
    picNodePtr image = picSourceImage::Make();
    picNodePtr unrelated = picProject::Make();
    attach(projects, user);
    attach(projects, through);
    attach(through, image);
    attach(projects, unrelated);
    auto use = [](picNode* node, int channel, picLightFilter* f) {
        auto* holder = static_cast<picImageHolder*>(node);
        picChannelFilter slot = holder->GetChannel(channel);
        slot.SetKey(f->GetPath());
        holder->SetChannel(channel, slot);
    };
    use(user, 2, filter.Get());
    use(image, 1, filter.Get());
    use(unrelated, 2, other.Get());

    buildPage();
    const struct {
        const char* what;
        std::function<void()> act;
    } changes[] = {
        {"renamed", [&] { type(edit("Light filter name"), "Long pass 590"); }},
        {"deleted",
            [&] {
                plat::setMessageBoxAnswer(IDYES);
                filter->OnMenuCommand(&wnd, "Delete");
            }},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.what);
        const uint64_t work[] = {user->GetWorkStamp(), through->GetWorkStamp(), unrelated->GetWorkStamp()};
        const uint64_t display[] = {user->GetDisplayStamp(), image->GetDisplayStamp(), unrelated->GetDisplayStamp()};
        c.act();
        EXPECT_GT(user->GetWorkStamp(), work[0]);
        EXPECT_GT(through->GetWorkStamp(), work[1]) << "through its checked image";
        EXPECT_EQ(unrelated->GetWorkStamp(), work[2]);
        EXPECT_GT(user->GetDisplayStamp(), display[0]);
        EXPECT_GT(image->GetDisplayStamp(), display[1]);
        EXPECT_EQ(unrelated->GetDisplayStamp(), display[2]);
    }
    EXPECT_EQ(projects->GetChildCount(), 4) << "the filter is gone";
    filter = FilterPtr();
    wnd.directory.SetTreeRoot(nullptr);
    tree->Destroy();
}

} // namespace
