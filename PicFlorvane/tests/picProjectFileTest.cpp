#include "PicTestKit.h"

#include "picFolder.h"
#include "picLightFilter.h"
#include "picProject.h"
#include "picProjectFile.h"
#include "picSourceImage.h"

#include "file/picFileContext.h"

#include "vbFileTools.h"

#include "plat/shell.h"

#include <testsupport/TestHome.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace pic::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

// A project file built by hand from the documented layout.
struct PicfBytes {
    Bytes b;

    PicfBytes& u32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<unsigned char>(v >> (8 * i)));
        return *this;
    }
    PicfBytes& str(const std::string& s)
    {
        u32(uint32_t(s.size()));
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    PicfBytes& header(uint32_t nodeOffset = 64, uint32_t fileOffset = 0, uint32_t reserved = 0)
    {
        const unsigned char cls[16] = {
            0x05, 0x2C, 0x2F, 0xA6, 0xBA, 0xF0, 0x92, 0x48, 0x9C, 0x34, 0xF1, 0xE3, 0x69, 0x48, 0xF2, 0xA1};
        b.insert(b.end(), cls, cls + 16);
        u32(64).u32(reserved).u32(nodeOffset).u32(fileOffset);
        b.insert(b.end(), 32, 0);
        return *this;
    }
    // A folder record with no children.
    PicfBytes& folder(const std::string& text) { return u32(0).str("folder").str(text).u32(0).u32(0xFFFFFFFF); }
    PicfBytes& end() { return u32(0xFFFFFFFF); }
};

Bytes readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeAll(const fs::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A projects list or folder: projects are real project nodes, folders hold them too, the rest
// are test nodes.
class ListNode : public TestNode {
public:
    explicit ListNode(const char* type = "root") : TestNode(type, "root-") {}
    static TestNodePtr Make(const char* type = "root")
    {
        auto* node = new ListNode(type);
        TestNodePtr held(node);
        node->Release();
        node->Create();
        return held;
    }
    bool CreateChildOfType(const vbString& type, picNodePtr* out, bool bThrow) override
    {
        if (type == "project") {
            *out = picProject::Make();
            return true;
        }
        if (type == "folder" && std::find(refuses.begin(), refuses.end(), "folder") == refuses.end()) {
            *out = Make("folder");
            return true;
        }
        return TestNode::CreateChildOfType(type, out, bThrow);
    }
};

class PicProjectFileTest : public PicTest {
protected:
    void SetUp() override
    {
        PicTest::SetUp();
        top = makeNode("top", "top-");
        list = makeList();
        attach(top, list);
        wnd.directory.SetTreeRoot(top);
    }
    void TearDown() override
    {
        wnd.directory.SetTreeRoot(nullptr);
        picSetExportFilesHook(nullptr);
        PicTest::TearDown();
    }

    static TestNodePtr makeList() { return ListNode::Make(); }
    fs::path file(const std::string& name) const { return vnt::test::testHome() / name; }
    fs::path images() const
    {
        return fs::path(std::string(vbGetShellFolder(CSIDL_MYPICTURES, true))) / "PicFlorvane Images";
    }
    void import(picNode* target, const fs::path& path)
    {
        picFileContext context(&wnd, path.c_str());
        importProjectFile(context, target, path.c_str());
    }
    // The message of the vbException the call raises ("" when none).
    template <class F>
    std::string errorOf(F&& call, HRESULT* hr = nullptr)
    {
        try {
            call();
        } catch (vbEbase* e) {
            std::string text(e->GetMsg());
            if (hr)
                *hr = e->GetRealHR();
            e->Delete();
            return text;
        }
        return "";
    }
    picNodePtr child(picNode* parent, int pos)
    {
        guiTreeNodePtr node;
        if (!parent->GetChild(pos, &node))
            return picNodePtr();
        return picNodeOf(static_cast<IguiTreeNode*>(node.Get()));
    }
    picNodePtr addProject(picNode* parent, const char* text)
    {
        picNodePtr project = picProject::Make();
        project->SetText(text);
        attach(parent, project);
        return project;
    }
    picNodePtr addImage(picNode* project, const fs::path& source, bool checked)
    {
        picNodePtr image = picSourceImage::Make();
        static_cast<picSourceImage*>(image.Get())->SetSourceFile(source.c_str());
        image->SetChecked(checked);
        attach(project, image);
        return image;
    }
    picImageHolder* holder(const picNodePtr& node) { return static_cast<picImageHolder*>(node.Get()); }

    TestNodePtr top;
    TestNodePtr list;
};

TEST_F(PicProjectFileTest, EmptyFolderExportsItsRecordOrOnlyTheEndMarker)
{
    TestNodePtr folder = makeNode();
    folder->SetText("Empty");
    attach(list, folder);

    exportProjectFile(&wnd, folder, file("a.picf").c_str(), false);
    EXPECT_EQ(readAll(file("a.picf")), PicfBytes().header().folder("Empty").end().b);

    exportProjectFile(&wnd, folder, file("b.picf").c_str(), true);
    EXPECT_EQ(readAll(file("b.picf")), PicfBytes().header().end().b);
}

TEST_F(PicProjectFileTest, ProjectRecordsAndOneEntryPerDistinctFile)
{
    writeAll(file("x.jpg"), Bytes{1, 2, 3});
    writeAll(file("y.jpg"), Bytes{4});
    picNodePtr project = addProject(list, "P");
    addImage(project, file("x.jpg"), true);
    addImage(project, file("x.jpg"), false);
    addImage(project, file("y.jpg"), true);
    holder(project)->SetPath("/out/r.jpg");

    exportProjectFile(&wnd, project, file("p.picf").c_str(), false);

    // The holders start with empty keys at factor 100.
    auto holderPart = [](PicfBytes& p, const picNodePtr& node) {
        const uint32_t flags = uint32_t(node->IsChecked() ? 2 : 0) | (node->GetType() == guiNodeType_Check ? 1 : 0);
        p.u32(0).u32(flags).u32(uint32_t(static_cast<picImageHolder*>(node.Get())->GetFilterType()));
        for (int c = 0; c < 3; ++c)
            p.u32(0).b.insert(p.b.end(), {0, 0, 0, 0, 0, 0, 0x59, 0x40}), p.str("");
    };
    PicfBytes expected;
    expected.header(64, 0).u32(0).str("project").str("P").u32(0);
    holderPart(expected, project);
    expected.u32(0).str("/out/r.jpg");
    const std::pair<const char*, uint32_t> images[] = {{"x", 1}, {"x", 1}, {"y", 2}};
    int pos = 1;
    for (auto [text, index] : images) {
        picNodePtr image = child(project, pos++);
        expected.u32(0).str("image").str(text).u32(0);
        holderPart(expected, image);
        expected.u32(0).u32(0).u32(index).end();
    }
    expected.end().end();
    const uint32_t fileOffset = uint32_t(expected.b.size());
    expected.u32(2).str("x.jpg").u32(3).b.insert(expected.b.end(), {1, 2, 3});
    expected.str("y.jpg").u32(1).b.push_back(4);
    std::memcpy(&expected.b[28], &fileOffset, 4);
    EXPECT_EQ(readAll(file("p.picf")), expected.b);
}

TEST_F(PicProjectFileTest, RoundTripKeepsValuesLinksAndExtractsTheImages)
{
    writeAll(file("src.jpg"), Bytes{9, 8, 7});
    TestNodePtr folder = makeNode();
    folder->SetText("Trip");
    attach(list, folder);
    picNodePtr project = addProject(folder, "P");
    TestNodePtr red = makeNode("filter", "flt-");
    red->SetText("Red");
    attach(folder, red);
    holder(project)->SetFilterType(picImageHolder::kRgb);
    picChannelFilter c1;
    c1.SetKey(red->GetPath());
    c1.Link(red);
    c1.SetFactor(150);
    holder(project)->SetChannel(1, c1);
    picChannelFilter c2;
    c2.SetKey("!green");
    holder(project)->SetChannel(2, c2);
    addImage(project, file("src.jpg"), true);
    addImage(project, file("src.jpg"), false);
    exportProjectFile(&wnd, folder, file("t.picf").c_str(), false);

    TestNodePtr other = makeNode("top", "top-");
    TestNodePtr root = makeList();
    attach(other, root);
    wnd.directory.SetTreeRoot(other);
    import(root, file("t.picf"));

    picNodePtr trip = child(root, 1);
    ASSERT_TRUE(trip);
    EXPECT_EQ(std::string(trip->GetText()), "Trip");
    picNodePtr p = child(trip, 1);
    picNodePtr r = child(trip, 2);
    ASSERT_TRUE(p && r);
    EXPECT_EQ(std::string(p->GetTypeName()), "project");
    EXPECT_EQ(holder(p)->GetFilterType(), picImageHolder::kRgb);
    EXPECT_EQ(std::string(holder(p)->GetChannel(1).GetKey()), std::string(r->GetPath()));
    EXPECT_TRUE(holder(p)->GetChannel(1).IsLinkedTo(r));
    EXPECT_EQ(holder(p)->GetChannel(1).GetFactor(), 150);
    EXPECT_EQ(std::string(holder(p)->GetChannel(2).GetKey()), "!green");
    EXPECT_EQ(holder(p)->GetChannel(2).GetFactor(), 100);
    EXPECT_EQ(std::string(holder(p)->GetChannel(3).GetKey()), "");
    const bool checked[] = {true, false};
    for (int i = 0; i < 2; ++i) {
        picNodePtr image = child(p, i + 1);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->IsChecked(), checked[i]);
        EXPECT_EQ(fs::path(std::string(holder(image)->GetFilePath())), images() / "src.jpg");
    }
    EXPECT_EQ(readAll(images() / "src.jpg"), (Bytes{9, 8, 7}));
}

TEST_F(PicProjectFileTest, ExtractionReusesIdenticalFilesAndKeepsDifferentOnes)
{
    writeAll(file("x.jpg"), Bytes{1, 2, 3});
    picNodePtr project = addProject(list, "P");
    addImage(project, file("x.jpg"), true);
    exportProjectFile(&wnd, project, file("p.picf").c_str(), false);
    plat::setMessageBoxAnswer(IDNO);

    TestNodePtr target = makeList();
    import(target, file("p.picf"));
    import(target, file("p.picf"));
    EXPECT_TRUE(fs::exists(images() / "x.jpg"));
    EXPECT_FALSE(fs::exists(images() / "x-1.jpg"));
    EXPECT_EQ(fs::path(std::string(holder(child(child(target, 2), 1))->GetFilePath())), images() / "x.jpg");

    writeAll(images() / "x.jpg", Bytes{5});
    import(target, file("p.picf"));
    EXPECT_EQ(readAll(images() / "x-1.jpg"), (Bytes{1, 2, 3}));
    EXPECT_EQ(fs::path(std::string(holder(child(child(target, 3), 1))->GetFilePath())), images() / "x-1.jpg");

    for (int k = 2; k <= 100; ++k)
        writeAll(images() / ("x-" + std::to_string(k) + ".jpg"), Bytes{6});
    writeAll(images() / "x-1.jpg", Bytes{6});
    EXPECT_EQ(errorOf([&] { import(target, file("p.picf")); }),
        "Can't create image file 'x.jpg', too many files with the same name in folder '" + images().string() + "/' !");
}

TEST_F(PicProjectFileTest, DamagedHeadersAndSectionsAreRefused)
{
    const std::string path = file("d.picf").string();
    const std::string notPicf = "File '" + path + "' is not a PicFlorvane file";
    struct Case {
        Bytes bytes;
        std::string message;
    } cases[] = {
        {PicfBytes().header(64, 0, 1).folder("F").end().b, notPicf},
        {PicfBytes().header(32).folder("F").end().b, notPicf},
        {PicfBytes().header(64, 64).folder("F").end().b, notPicf + " (2)"},
        // A huge file count with a few bytes left fails before any allocation.
        {PicfBytes().header(64, 68).end().u32(0x7FFFFFFF).u32(0).u32(0).u32(0).u32(0).u32(0).b, notPicf + " (2)"},
        // Names that would leave the images folder, or hold a NUL byte.
        {PicfBytes().header(64, 68).end().u32(1).str("..").u32(0).b, notPicf + " (2)"},
        {PicfBytes().header(64, 68).end().u32(1).str(std::string("a\0b", 3)).u32(0).b, notPicf + " (2)"},
        // A negative content length, and a string longer than the file.
        {PicfBytes().header(64, 68).end().u32(1).str("n.jpg").u32(0xFFFFFFF0).b, notPicf + " (2)"},
        {PicfBytes().header().u32(0).u32(1000).b, notPicf + " (2)"},
    };
    for (const Case& c : cases) {
        writeAll(path, c.bytes);
        TestNodePtr target = makeList();
        EXPECT_EQ(errorOf([&] { import(target, path); }), c.message);
        EXPECT_EQ(target->GetChildCount(), 0);
    }
    EXPECT_FALSE(fs::exists(images() / "n.jpg"));
}

TEST_F(PicProjectFileTest, ExtractionKeepsOnlyTheLastComponentAndCompleteEntries)
{
    const std::string path = file("e.picf").string();
    PicfBytes bytes;
    bytes.header(64, 68).end().u32(3).str("../x.jpg").u32(2).b.insert(bytes.b.end(), {1, 2});
    bytes.str("..\\y.jpg").u32(1).b.push_back(7);
    bytes.str("z.jpg").u32(100).b.insert(bytes.b.end(), 10, 1);
    writeAll(path, bytes.b);

    TestNodePtr target = makeList();
    EXPECT_NE(errorOf([&] { import(target, path); }), "");
    EXPECT_EQ(readAll(images() / "x.jpg"), (Bytes{1, 2}));
    EXPECT_EQ(readAll(images() / "y.jpg"), (Bytes{7}));
    EXPECT_FALSE(fs::exists(images() / "z.jpg"));
    EXPECT_FALSE(fs::exists(images().parent_path() / "x.jpg"));
}

TEST_F(PicProjectFileTest, DeepNestingFailsCleanly)
{
    PicfBytes bytes;
    bytes.header();
    for (int i = 0; i < 10000; ++i)
        bytes.u32(0).str("folder").str("F").u32(0);
    writeAll(file("n.picf"), bytes.b);
    TestNodePtr target = makeList();
    EXPECT_EQ(errorOf([&] { import(target, file("n.picf")); }),
        "File '" + file("n.picf").string() + "' is not a PicFlorvane file (2)");
}

TEST_F(PicProjectFileTest, UnsupportedTypesAreRefusedWithTheirMessages)
{
    writeAll(file("i.picf"), PicfBytes().header().u32(0).str("image").str("I").b);
    TestNodePtr target = makeList();
    target->SetText("Projects");
    target->refuses = {"image"};
    EXPECT_EQ(errorOf([&] { import(target, file("i.picf")); }),
        "You can't import image 'I' in root 'Projects' !\nThis object type is not supported here, images should be "
        "imported in projects, folders in project list, projects in folders and project list, ...");
    EXPECT_EQ(target->GetChildCount(), 0);

    // Nested: the project's own refusal.
    PicfBytes nested;
    nested.header().u32(0).str("project").str("P").u32(0).u32(0).u32(0).u32(0);
    for (int c = 0; c < 3; ++c)
        nested.u32(0).u32(0).u32(0).str("");
    nested.u32(0).str("").u32(0).str("folder").str("F");
    writeAll(file("j.picf"), nested.b);
    const std::string refused = errorOf([&] { import(target, file("j.picf")); });
    EXPECT_NE(refused, "");
    EXPECT_EQ(refused.find("You can't import"), std::string::npos);
}

TEST_F(PicProjectFileTest, ClashQuestionReplacesAddsOrAborts)
{
    const std::string path = file("a.picf").string();
    writeAll(path, PicfBytes().header().folder("New").folder("mars").end().b);
    auto prepared = [&] {
        TestNodePtr target = makeList();
        for (const char* text : {"Mars", "Mars - 1"}) {
            TestNodePtr folder = makeNode();
            folder->SetText(text);
            attach(target, folder);
            attach(folder, makeNode("folder"));
        }
        return target;
    };

    plat::resetMessageBoxPolicy();
    plat::setMessageBoxAnswer(IDYES);
    TestNodePtr yes = prepared();
    import(yes, path);
    auto boxes = plat::messageBoxRecords();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption.rfind("Import of a.picf...", 0), 0u) << boxes[0].caption;
    EXPECT_EQ(boxes[0].type, UINT(MB_YESNOCANCEL | MB_ICONQUESTION));
    EXPECT_EQ(boxes[0].text,
        "Do you want to replace existing Test folder 'Mars' by imported folder ?\n"
        "Yes    -> Replace with imported Test folder.\n"
        "No     -> Add imported Test folder with another name (mars - 2).\n"
        "Cancel -> Abort import operation.\n");
    EXPECT_EQ(yes->GetChildCount(), 3);
    EXPECT_EQ(std::string(child(yes, 1)->GetText()), "Mars");
    EXPECT_EQ(child(yes, 1)->GetChildCount(), 0);

    plat::setMessageBoxAnswer(IDNO);
    TestNodePtr no = prepared();
    import(no, path);
    EXPECT_EQ(no->GetChildCount(), 4);
    EXPECT_EQ(std::string(child(no, 4)->GetText()), "mars - 2");
    EXPECT_EQ(child(no, 1)->GetChildCount(), 1);

    plat::setMessageBoxAnswer(IDCANCEL);
    TestNodePtr cancel = prepared();
    HRESULT hr = S_OK;
    EXPECT_EQ(errorOf([&] { import(cancel, path); }, &hr), "Import of a.picf aborted");
    EXPECT_EQ(hr, E_ABORT);
    EXPECT_EQ(cancel->GetChildCount(), 3);
    EXPECT_EQ(std::string(child(cancel, 3)->GetText()), "New");
}

// Texts compare up to their first NUL byte, so a file's "A\0B" and "A\0C" clash, and the free
// name found must not carry the part that never counts.
TEST_F(PicProjectFileTest, TextsWithANulByteClashAndFindAFreeName)
{
    writeAll(file("n.picf"),
        PicfBytes().header().folder(std::string("A\0B", 3)).folder(std::string("A\0C", 3)).end().b);
    plat::setMessageBoxAnswer(IDNO);
    TestNodePtr target = makeList();
    import(target, file("n.picf"));
    ASSERT_EQ(target->GetChildCount(), 2);
    EXPECT_EQ(std::string(child(target, 2)->GetText()), "A - 1");
}

TEST_F(PicProjectFileTest, SameTextOfAnotherTypeIsNoClash)
{
    picNodePtr project = addProject(list, "Mars");
    exportProjectFile(&wnd, project, file("m.picf").c_str(), false);
    TestNodePtr target = makeList();
    TestNodePtr folder = makeNode();
    folder->SetText("Mars");
    attach(target, folder);
    attach(folder, makeNode("folder"));

    import(target, file("m.picf"));
    EXPECT_TRUE(plat::messageBoxRecords().empty());
    EXPECT_EQ(folder->GetChildCount(), 1);
    ASSERT_EQ(target->GetChildCount(), 2);
    EXPECT_EQ(std::string(child(target, 2)->GetText()), "Mars - 1");
    EXPECT_EQ(std::string(child(target, 2)->GetTypeName()), "project");
}

TEST_F(PicProjectFileTest, FilterLinksFindTheFiltersImportedWithThem)
{
    // The project comes before its filter in the file, and the target already has a "Red".
    picNodePtr project = addProject(list, "P");
    TestNodePtr red = makeNode("filter", "flt-");
    red->SetText("Red");
    attach(list, red);
    picChannelFilter c1;
    c1.SetKey(red->GetPath());
    c1.Link(red);
    holder(project)->SetChannel(1, c1);
    exportProjectFile(&wnd, list, file("u.picf").c_str(), true);

    TestNodePtr other = makeNode("top", "top-");
    TestNodePtr root = makeList();
    attach(other, root);
    TestNodePtr oldRed = makeNode("filter", "flt-");
    oldRed->SetText("Red");
    attach(root, oldRed);
    wnd.directory.SetTreeRoot(other);
    ASSERT_EQ(wnd.directory.GetFilters().size(), 1u) << "the list the window's boxes offer";
    plat::setMessageBoxAnswer(IDNO);
    import(root, file("u.picf"));

    ASSERT_EQ(root->GetChildCount(), 3);
    picNodePtr newRed = child(root, 3);
    EXPECT_EQ(std::string(newRed->GetText()), "Red - 1");
    EXPECT_EQ(std::string(holder(child(root, 2))->GetChannel(1).GetKey()), std::string(newRed->GetPath()));
    // Every filter box made from now on offers the imported filter, which the project's uses.
    const picFilterList offered = wnd.directory.GetFilters();
    EXPECT_NE(std::find(offered.begin(), offered.end(), newRed), offered.end());
}

TEST_F(PicProjectFileTest, ImportFileAddsImagesUnderAProjectAndKeepsThemOnAFailure)
{
    writeAll(file("x.jpg"), Bytes{3});
    picNodePtr source = addProject(list, "S");
    addImage(source, file("x.jpg"), true);
    exportProjectFile(&wnd, source, file("i.picf").c_str(), true);

    picNodePtr target = addProject(list, "T");
    target->ImportFile(&wnd, file("i.picf").c_str());
    ASSERT_EQ(target->GetChildCount(), 1);
    EXPECT_EQ(fs::path(std::string(holder(child(target, 1))->GetFilePath())), images() / "x.jpg");

    // Files first, then the record and a second copy of it cut short: the first image stays and
    // the error reaches the caller.
    const Bytes whole = readAll(file("i.picf"));
    const size_t marker = whole.size() - (4 + 4 + 5 + 4 + 1) - 4;
    const Bytes record(whole.begin() + 64, whole.begin() + long(marker));
    const Bytes files(whole.begin() + long(marker) + 4, whole.end());
    PicfBytes cut;
    cut.header(uint32_t(68 + files.size()), 68).u32(0);
    cut.b.insert(cut.b.end(), files.begin(), files.end());
    cut.b.insert(cut.b.end(), record.begin(), record.end());
    cut.b.insert(cut.b.end(), record.begin(), record.begin() + 20);
    writeAll(file("j.picf"), cut.b);
    picNodePtr other = addProject(list, "U");
    plat::setMessageBoxAnswer(IDNO);
    EXPECT_NE(errorOf([&] { other->ImportFile(&wnd, file("j.picf").c_str()); }), "");
    ASSERT_EQ(other->GetChildCount(), 2);
    EXPECT_EQ(fs::path(std::string(holder(child(other, 1))->GetFilePath())), images() / "x.jpg");
}

TEST_F(PicProjectFileTest, FailedExportLeavesThePreviousFile)
{
    writeAll(file("x.jpg"), Bytes{1});
    picNodePtr project = addProject(list, "P");
    addImage(project, file("x.jpg"), true);
    const Bytes old{'o', 'l', 'd'};
    writeAll(file("p.picf"), old);
    picSetExportFilesHook([&] { fs::remove(file("x.jpg")); });
    EXPECT_NE(errorOf([&] { exportProjectFile(&wnd, project, file("p.picf").c_str(), false); }), "");
    EXPECT_EQ(readAll(file("p.picf")), old);
    // No half-written file is left beside it.
    for (const fs::directory_entry& entry : fs::directory_iterator(vnt::test::testHome()))
        EXPECT_FALSE(entry.is_regular_file() && entry.path().filename().string().rfind("pic", 0) == 0) << entry.path();
}

TEST_F(PicProjectFileTest, LightFiltersKeepTheirBoundsCurveAndBackgroundPicture)
{
    writeAll(file("bg.jpg"), Bytes{1, 2, 3, 4});
    picNodePtr folder = picFolder::Make();
    folder->SetText("Filters");
    attach(list, folder);
    picNodePtr filter;
    picLightFilter::New(&filter);
    vbRegKey key(vbRegVantUser, "PicFlorvane\\FileFilterTest");
    key.SetDefaultValue(vbVariant("H-alpha"));
    key.SetValue("Path", vbVariant(file("bg.jpg").c_str()));
    key.SetValue("BandpassMin", vbVariant("600nm"));
    key.SetValue("BandpassMax", vbVariant("700nm"));
    filter->LoadValues(key);
    auto* light = static_cast<picLightFilter*>(filter.Get());
    light->GetCurveEditor().GetCurve().Edit([](picCurveData& d) {
        d.hasSizeRef = true;
        d.sizeRefX = 400;
        d.sizeRefY = 300;
        d.points = {{620, 10}, {656.3, 95.5}};
    });
    attach(folder, filter);
    const picCurveData curve = light->GetCurveEditor().GetCurve().Snapshot();
    exportProjectFile(&wnd, folder, file("f.picf").c_str(), false);

    picNodePtr target = picFolder::Make();
    attach(list, target);
    import(target, file("f.picf"));
    picNodePtr back = child(child(target, 1), 1);
    ASSERT_TRUE(back);
    EXPECT_EQ(std::string(back->GetTypeName()), "filter");
    EXPECT_EQ(std::string(back->GetText()), "H-alpha");
    auto* read = static_cast<picLightFilter*>(back.Get());
    EXPECT_EQ(std::string(read->GetBound(0)), std::string(light->GetBound(0)));
    EXPECT_EQ(std::string(read->GetBound(1)), std::string(light->GetBound(1)));
    EXPECT_EQ(read->GetCurveEditor().GetCurve().Snapshot(), curve);
    EXPECT_EQ(fs::path(std::string(read->GetFilePath())), images() / "bg.jpg");
    EXPECT_EQ(readAll(images() / "bg.jpg"), (Bytes{1, 2, 3, 4}));
}

} // namespace
} // namespace pic::test
