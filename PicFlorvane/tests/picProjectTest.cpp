// Projects and their source images as nodes: creation defaults and child types, work stamps,
// menus and commands, copies, and the save of the result.

#include "PicPictureKit.h"
#include "PicTestKit.h"

#include "picProject.h"
#include "picSourceImage.h"

#include "vbExpectThrown.h"
#include "vbRegKey.h"

#include "plat/msgbox.h"

#include <filesystem>

using namespace pic::test;

namespace {

picProject* asProject(const picNodePtr& node) { return static_cast<picProject*>(node.Get()); }
picSourceImage* asImage(const picNodePtr& node) { return static_cast<picSourceImage*>(node.Get()); }

class PicProjectTest : public PicTest {
protected:
    // A folder holding a project holding an image, all attached and loaded.
    void SetUp() override
    {
        PicTest::SetUp();
        attach(folder, project);
        attach(project, image);
    }
    void TearDown() override
    {
        folder->Destroy();
        PicTest::TearDown();
    }

    struct Stamps {
        uint64_t folder, project;
        int changes;
    };
    Stamps stamps() { return {folder->GetWorkStamp(), project->GetWorkStamp(), wnd.changes}; }

    TestNodePtr folder = makeNode();
    picNodePtr project = picProject::Make();
    picNodePtr image = picSourceImage::Make();
};

TEST_F(PicProjectTest, CreationDefaults)
{
    picSourceImage* img = asImage(image);
    EXPECT_EQ(std::string(img->GetName()).rfind("img-", 0), 0u);
    EXPECT_EQ(img->GetText(), vbString("New image"));
    EXPECT_EQ(img->GetIcon(), vbString("res:image"));
    EXPECT_EQ(img->GetHint(), vbString("Image to assembly"));
    EXPECT_EQ(img->GetType(), guiNodeType_Check);
    EXPECT_TRUE(img->IsChecked());
    EXPECT_TRUE(img->IsVisible());
    EXPECT_EQ(img->GetFilterType(), picImageHolder::kMonochrome);
    EXPECT_FALSE(img->CanHoldChildren());
    EXPECT_EQ(img->GetChannel(2).GetFactor(), 100.0);

    picProject* proj = asProject(project);
    EXPECT_EQ(std::string(proj->GetName()).rfind("proj-", 0), 0u);
    EXPECT_EQ(proj->GetText(), vbString("New assembly project"));
    EXPECT_EQ(proj->GetIcon(), vbString("res:project"));
    EXPECT_EQ(proj->GetHint(), vbString("RGB assembly project"));
    EXPECT_EQ(proj->GetType(), guiNodeType_Item);
    EXPECT_EQ(proj->GetFilterType(), picImageHolder::kRgb);
    EXPECT_TRUE(proj->GetResult().IsNull());
    EXPECT_EQ(proj->GetWorkId(), GUID{});

    // Both answer the holder identifier; only the image the image identifier.
    EXPECT_FALSE(picImageHolderQIPtr(static_cast<IguiTreeNode*>(proj), false).IsNull());
    EXPECT_TRUE(picSourceImageQIPtr(static_cast<IguiTreeNode*>(proj), false).IsNull());
    EXPECT_FALSE(picSourceImageQIPtr(static_cast<IguiTreeNode*>(img), false).IsNull());
}

TEST_F(PicProjectTest, ChildTypes)
{
    picNodePtr made;
    EXPECT_TRUE(project->CreateChildOfType("IMAGE", &made, true));
    EXPECT_EQ(made->GetTypeName(), vbString("image"));
    EXPECT_FALSE(project->CreateChildOfType("folder", &made, false));
    vbtest::expectThrown<vbEuser>([&] { project->CreateChildOfType("folder", &made, true); }, E_FAIL,
        "In project, can't create node of type: folder, type is unknown or has no meaning here");
    EXPECT_FALSE(image->CreateChildOfType("image", &made, false));
    vbtest::expectThrown<vbEapp>([&] { image->CreateChildOfType("image", &made, true); }, E_FAIL,
        "In image, can't create node of type: image, type is unknown or has no meaning here");
}

TEST_F(PicProjectTest, WorkStampsFollowTheCheckedImagesAndTheProject)
{
    // An unchecked image's edits change nothing.
    asImage(image)->picNode::SetChecked(false);
    Stamps before = stamps();
    image->TouchWork(nullptr, false);
    Stamps after = stamps();
    EXPECT_EQ(after.project, before.project);
    EXPECT_EQ(after.folder, before.folder);
    EXPECT_EQ(after.changes, before.changes);

    // Checking or unchecking it always counts.
    for (bool checked : {true, false}) {
        before = stamps();
        EXPECT_TRUE(image->SetChecked(checked));
        after = stamps();
        EXPECT_GT(after.project, before.project);
        EXPECT_GT(after.folder, before.folder);
        EXPECT_GT(after.changes, before.changes);
    }
    before = stamps();
    EXPECT_FALSE(image->SetChecked(false)) << "no change";
    EXPECT_EQ(stamps().project, before.project);

    // A project edit renews the project's stamp and its parent's.
    before = stamps();
    project->TouchWork(&wnd, false);
    after = stamps();
    EXPECT_GT(after.project, before.project);
    EXPECT_GT(after.folder, after.project);
}

TEST_F(PicProjectTest, MenuMarkup)
{
    vbString markup;
    project->GetMenuMarkup(&wnd, markup);
    const std::string text(markup);
    EXPECT_EQ(text.rfind("\n<item name='AddImage' icon='res:image' text='Add image(s)'/>\n<sep/>\n<item name='Copy'", 0),
        0u);
    EXPECT_EQ(text.find("View"), std::string::npos) << "no path, no picture";
    EXPECT_EQ(text.find("DeleteAll"), std::string::npos);
    EXPECT_NE(text.find("ImportUnder"), std::string::npos);
    EXPECT_TRUE(text.ends_with("\n<sep/>\n<item name='Delete' icon='res:delete' text='Delete project'/>"));

    asProject(project)->SetPath("/nowhere/r.jpg");
    markup.Empty();
    project->GetMenuMarkup(&wnd, markup);
    EXPECT_NE(std::string(markup).find("<item name='View' icon='res:view' text='View image in new window'/>"),
        std::string::npos);

    // An image offers View only for a file that exists, and nothing to paste into it.
    const std::string file = pictest::writeFile("a.jpg", vnt::test::jpegFile(8, 8, 0xFF0000));
    for (const auto& [path, view] : {std::pair{file, true}, std::pair{std::string("/nowhere/a.jpg"), false}}) {
        asImage(image)->SetPath(path.c_str());
        markup.Empty();
        image->GetMenuMarkup(&wnd, markup);
        EXPECT_EQ(std::string(markup).find("name='View'") != std::string::npos, view) << path;
        EXPECT_EQ(std::string(markup).find("ImportUnder"), std::string::npos);
        EXPECT_NE(std::string(markup).find("text='Delete image'"), std::string::npos);
    }
}

TEST_F(PicProjectTest, AddImageMakesOneCheckedImagePerFileAndShowsTheLast)
{
    wnd.importAnswer.reset();
    project->OnMenuCommand(&wnd, "AddImage");
    EXPECT_EQ(project->GetChildCount(), 1) << "cancelled";

    wnd.importAnswer = std::vector<std::string>{"/p/one.jpg", "/p/two.jpg", "/p/three.JPG", "/p/four", "/p/five.x.jpg"};
    project->OnMenuCommand(&wnd, "AddImage");
    ASSERT_EQ(project->GetChildCount(), 6);
    const char* names[] = {"one", "two", "three", "four", "five.x"};
    guiTreeNodePtr child;
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(project->GetChild(i + 2, &child));
        picSourceImage* added = asImage(picNodeOf(static_cast<IguiTreeNode*>(child.Get())));
        EXPECT_EQ(added->GetText(), vbString(names[i]));
        EXPECT_EQ(added->GetFilePath(), vbString((*wnd.importAnswer)[static_cast<size_t>(i)].c_str()));
        EXPECT_TRUE(added->IsChecked());
        EXPECT_TRUE(added->IsLoaded());
    }
    EXPECT_EQ(wnd.calls.back(), "show " + std::string(child->GetName()));
    EXPECT_EQ(wnd.calls.front(), "images-import Choose images to load...");
}

TEST_F(PicProjectTest, DeleteAsksFirst)
{
    plat::setMessageBoxAnswer(IDNO);
    image->OnMenuCommand(&wnd, "Delete");
    project->OnMenuCommand(&wnd, "Delete");
    EXPECT_EQ(project->GetChildCount(), 1);
    EXPECT_EQ(folder->GetChildCount(), 1);
    ASSERT_EQ(plat::messageBoxRecords().size(), 2u);
    EXPECT_EQ(plat::messageBoxRecords()[0].text, "Do you want to delete image 'New image' ?");
    EXPECT_EQ(plat::messageBoxRecords()[1].text, "Do you want to delete entire project 'New assembly project' ?");
    EXPECT_EQ(plat::messageBoxRecords()[1].caption.rfind("Question", 0), 0u);
    EXPECT_EQ(plat::messageBoxRecords()[1].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));

    plat::setMessageBoxAnswer(IDYES);
    project->OnMenuCommand(&wnd, "DeleteAll");
    EXPECT_EQ(project->GetChildCount(), 0);
    project->OnMenuCommand(&wnd, "Delete");
    EXPECT_EQ(folder->GetChildCount(), 0);
    EXPECT_EQ(wnd.calls.back(), "deleted " + std::string(folder->GetName()));
}

TEST_F(PicProjectTest, CopiesKeepTheHolderValues)
{
    picSourceImage* img = asImage(image);
    img->SetPath("/p/src.jpg");
    picChannelFilter filter = img->GetChannel(1);
    filter.SetKey("!red");
    filter.SetFactor(42.5);
    img->SetChannel(1, filter);
    img->picNode::SetChecked(false);
    asProject(project)->SetFilterType(picImageHolder::kMonochrome);

    picNodePtr copy = picProject::Make();
    copy->CopyFrom(project);
    EXPECT_EQ(copy->GetText(), vbString("New assembly project (COPY)"));
    EXPECT_EQ(asProject(copy)->GetFilterType(), picImageHolder::kMonochrome);
    guiTreeNodePtr child;
    ASSERT_TRUE(copy->GetChild(1, &child));
    picSourceImage* copied = asImage(picNodeOf(static_cast<IguiTreeNode*>(child.Get())));
    EXPECT_EQ(copied->GetName(), img->GetName());
    EXPECT_EQ(copied->GetText(), vbString("New image (COPY)"));
    EXPECT_EQ(copied->GetFilePath(), vbString("/p/src.jpg"));
    EXPECT_EQ(copied->GetChannel(1).GetKey(), vbString("!red"));
    EXPECT_EQ(copied->GetChannel(1).GetFactor(), 42.5);
    EXPECT_FALSE(copied->IsChecked());
    copy->Destroy();

    TestNodePtr other = makeNode();
    vbtest::expectThrown<vbEsys>([&] { img->CopyValues(other); }, E_NOINTERFACE,
        "Instruction 'pObj->QueryInterface(*piid, (void **)&m_pObj)' failed !");
}

// --- the save ---

class PicProjectSave : public PicProjectTest {
protected:
    void SetUp() override
    {
        PicProjectTest::SetUp();
        pictest::registerJpegPlugin();
    }

    // The project's result, as a finished assembly leaves it: a 64 x 48 picture. The project has
    // no source, so its assembly fails and drops the result's picture: the picture is given only
    // once that run is over.
    void giveResult()
    {
        picProject* proj = asProject(project);
        proj->StartWork(&wnd);
        ASSERT_TRUE(vbDnWait(proj, vbDnLoad, 60000, true));
        picGuiImageRef result = proj->GetResult();
        ASSERT_FALSE(result.IsNull());
        pictest::deliver(result.Get(), vnt::test::jpegFile(64, 48, 0x204080));
        result->SetLoaded(true, false);
    }

    std::string home(const char* name) { return (vnt::test::testHome() / name).string(); }
};

TEST_F(PicProjectSave, WritesAJpegOfTheResultsSize)
{
    picProject* proj = asProject(project);
    vbtest::expectThrown<vbEuser>([&] { proj->SaveResult(home("r.jpg").c_str()); }, E_FAIL,
        "Can't save result image for project New assembly project, processing image or image missing");

    giveResult();
    try {
        proj->SaveResult(home("r.xyz").c_str());
        ADD_FAILURE() << "no exception";
    } catch (vbEhotPlug* e) {
        EXPECT_EQ(std::string(e->GetMsg()),
            "Can't create plugin for selected image type 'xyz' : pictures compressor plugin not ready or missing");
        EXPECT_EQ(std::string(e->GetCtxString()), "picProject::BtnPath_Click()");
        e->Delete();
    }
    EXPECT_FALSE(std::filesystem::exists(home("r.xyz")));

    // Through the dialog: the chosen file becomes the path, and holds the picture.
    wnd.fileAnswers.push_back(home("r.jpg"));
    proj->OnPathButton();
    EXPECT_EQ(wnd.calls.back(), "image-save Choose a file to store image result... @");
    EXPECT_EQ(proj->GetFilePath(), vbString(home("r.jpg").c_str()));
    picGuiImageObject* reread = new picGuiImageObject(home("r.jpg").c_str(), 0);
    reread->Create();
    pictest::deliver(reread, pictest::readFile(home("r.jpg")));
    picSize size;
    EXPECT_TRUE(reread->GetBitmapSize(&size));
    EXPECT_EQ(size, picSize(64, 48));
    reread->Release();

    // Cancel: nothing.
    proj->SetPath("/before");
    proj->OnPathButton();
    EXPECT_EQ(proj->GetFilePath(), vbString("/before"));
}

TEST_F(PicProjectSave, AFailedWriteLeavesThePreviousFileAsItWas)
{
    // The first plug-in serving "jpg" fails half-way through its output.
    const char* id = "{3A7F52C1-6D0B-4F4E-9B2A-710C5E881364}";
    vbRegKey(vbRegLocalMachine, vbString("Software\\KVX Vantrel\\Picture plugins.5\\") + id + "\\jpg")
        .SetValue("priority", vbVariant(1L));
    vbRegKey(vbRegClassesRoot, vbString("CLSID\\") + id + "\\InprocServer32")
        .SetDefaultValue(vbVariant(VNT_BIN_DIR "/pic_halfway_plugin.so"));

    const std::string target = home("r.jpg");
    const pictest::Bytes previous = vnt::test::jpegFile(10, 10, 0x00FF00);
    pictest::writeFile("r.jpg", previous);

    giveResult();
    wnd.fileAnswers.push_back(target);
    vbtest::expectThrown<vbEsys>([&] { asProject(project)->OnPathButton(); }, E_FAIL, "halfway compressor failure");
    EXPECT_EQ(pictest::readFile(target), previous);
    EXPECT_EQ(asProject(project)->GetFilePath(), vbString(target.c_str())) << "the path stays changed";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(vnt::test::testHome()))
        files += entry.is_regular_file() && entry.path().filename().string().rfind("pic", 0) == 0;
    EXPECT_EQ(files, 0) << "no stray file";
}

} // namespace
