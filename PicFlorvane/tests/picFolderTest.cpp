// The projects list and its folders: class defaults, the child types they accept, their menus
// byte for byte, their commands and a paste of a whole folder.

#include "PicTestKit.h"

#include "picFolder.h"
#include "picProject.h"
#include "picSourceImage.h"

#include "vbExpectThrown.h"

#include "plat/msgbox.h"

using namespace pic::test;

namespace {

class PicFolder : public PicTest {
protected:
    void SetUp() override
    {
        PicTest::SetUp();
        attach(root, folder);
    }
    void TearDown() override
    {
        root->Destroy();
        PicTest::TearDown();
    }

    static std::string menuOf(picNode* node, sIpicMainWnd& wnd)
    {
        vbString markup;
        node->GetMenuMarkup(&wnd, markup);
        return std::string(markup);
    }
    static std::string lastCall(const RecordingMainWnd& w) { return w.calls.empty() ? "" : w.calls.back(); }

    picNodePtr root = picRoot::Make();
    picNodePtr folder = picFolder::Make();
};

constexpr const char* kRootAdds =
    "\n<item name='AddRGBproject' icon='res:project' text='Add an RGB assembly project'/>"
    "\n<item name='AddFolder' icon='res:folder' text='Add a folder' hint='A folder to store your projects'/>"
    "\n<item name='AddRGBfilter' icon='res:filter' text='Add a filter' hint='Create a filter to use in your RGB assembly projects'/>"
    "\n<sep/>";
constexpr const char* kRootFiles =
    "\n<item name='ImportUnder' icon='' text='Load from file' hint='Load and import projects files (.picf)'/>"
    "\n<item name='ExportUnder' icon='' text='Save all to file' hint='Backup all projects parameters and images to a disk file (.picf)'/>";
constexpr const char* kFolderAdds =
    "\n<item name='AddRGBproject' icon='res:project' text='Add an RGB assembly project'/>"
    "\n<item name='AddFolder' icon='res:folder' text='Add a folder' hint='Create a folder to store your projects'/>"
    "\n<item name='AddRGBfilter' icon='res:filter' text='Add a light filter' hint='Create a filter to use in your RGB assembly projects'/>"
    "\n<sep/>";

TEST_F(PicFolder, ClassDefaults)
{
    struct Case {
        picNode* node;
        const char *type, *display, *text, *icon, *hint;
    };
    const Case cases[] = {
        {root.Get(), "root", "Project list", "Projects", "res:root",
            "Your projects are listed here...\n\nRight click on this item to view available actions for projects !"},
        {folder.Get(), "folder", "Folder", "New Folder", "res:folder", "Folder to store your projects and filters !"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(std::string(c.node->GetTypeName()), c.type);
        EXPECT_EQ(std::string(c.node->GetDisplayName()), c.display);
        EXPECT_EQ(std::string(c.node->GetText()), c.text);
        EXPECT_EQ(std::string(c.node->GetIcon()), c.icon);
        EXPECT_EQ(std::string(c.node->GetHint(guiTreeHit_Item)), c.hint);
        EXPECT_TRUE(c.node->CanHoldChildren());
    }
    EXPECT_EQ(std::string(root->GetName()), "root");
    EXPECT_EQ(std::string(folder->GetName()), "fld-" + std::to_string(folder->GetDisplayStamp()));
}

TEST_F(PicFolder, AcceptedChildTypesInAnyCase)
{
    for (picNode* parent : {root.Get(), folder.Get()}) {
        for (const char* type : {"PROJECT", "Folder", "filter"}) {
            picNodePtr made;
            ASSERT_TRUE(parent->CreateChildOfType(type, &made, true)) << type;
            EXPECT_EQ(made->GetTypeName().CompareNoCase(type), 0);
        }
        picNodePtr none;
        EXPECT_FALSE(parent->CreateChildOfType("image", &none, false));
        EXPECT_TRUE(none.IsNull());
    }
    picNodePtr made;
    vbtest::expectThrown<vbEapp>([&] { root->CreateChildOfType("image", &made, true); }, E_FAIL,
        "In projects list, can't create node of type: image, type is unknown or has no meaning here");
    vbtest::expectThrown<vbEapp>([&] { folder->CreateChildOfType("image", &made, true); }, E_FAIL,
        "In folder, can't create node of type: image, type is unknown or has no meaning here");
}

TEST_F(PicFolder, MenusByteForByte)
{
    picNodePtr empty = picFolder::Make();
    attach(root, empty);
    const std::string emptyShared = "\n<item name='Copy' icon='' text='Copy folder \\'New Folder\\'' hint='Choose this object to copy with function Paste'/>"
                                    "\n<item name='ImportUnder' icon='' text='Load from file' hint='Load and import picf files under this Folder'/>"
                                    "\n<item name='Export' icon='' text='Save to file' hint='Backup Folder data to a disk file (.picf)'/>";
    const std::string deleteFolder = "\n<sep/>\n<item name='Delete' icon='res:delete' text='Delete folder'/>";
    EXPECT_EQ(menuOf(empty, wnd), kFolderAdds + emptyShared + deleteFolder);

    attach(folder, picProject::Make());
    wnd.setCopyNode(empty);
    const std::string paste = "\n<item name='Paste' icon='' text='Paste folder \\'New Folder\\'' hint='Add under this object the previous copied object with function Copy'/>";
    EXPECT_EQ(menuOf(root, wnd), kRootAdds + paste + kRootFiles +
            "\n<sep/>\n<item name='DeleteAll' icon='res:deleteall' text='Delete all projects and folders'/>");
    const std::string sharedWithPaste = "\n<item name='Copy' icon='' text='Copy folder \\'New Folder\\'' hint='Choose this object to copy with function Paste'/>" +
        paste + "\n<item name='ImportUnder' icon='' text='Load from file' hint='Load and import picf files under this Folder'/>"
                "\n<item name='Export' icon='' text='Save to file' hint='Backup Folder data to a disk file (.picf)'/>";
    EXPECT_EQ(menuOf(folder, wnd), kFolderAdds + sharedWithPaste + deleteFolder +
            "\n<item name='DeleteAll' icon='res:deleteall' text='Delete all projects'/>");

    root->ClearChildren();
    wnd.setCopyNode(nullptr);
    EXPECT_EQ(menuOf(root, wnd), std::string(kRootAdds) + kRootFiles);
}

TEST_F(PicFolder, AddCommandsAddLastMarkLoadedAndSelect)
{
    struct Case {
        const char *command, *type;
    };
    const Case cases[] = {{"AddRGBproject", "project"}, {"AddFolder", "folder"}, {"AddRGBfilter", "filter"}};
    for (picNode* parent : {root.Get(), folder.Get()}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(parent->GetTypeName()) + " " + c.command);
            const int before = parent->GetChildCount();
            const int invalidations = wnd.invalidations;
            parent->OnMenuCommand(&wnd, c.command);
            ASSERT_EQ(parent->GetChildCount(), before + 1);
            guiTreeNodePtr last;
            parent->GetChild(before + 1, &last);
            picNodePtr made = picNodeOf(static_cast<IguiTreeNode*>(last.Get()));
            EXPECT_EQ(std::string(made->GetTypeName()), c.type);
            EXPECT_TRUE(made->IsLoaded());
            EXPECT_EQ(lastCall(wnd), "show " + std::string(made->GetName()));
            EXPECT_GT(wnd.invalidations, invalidations);
        }
    }
    // Command names are compared as written.
    root->OnMenuCommand(&wnd, "addfolder");
    EXPECT_EQ(plat::messageBoxRecords().back().text, "Action: addfolder not yet supported !");
}

TEST_F(PicFolder, DeletionsAskAndNoChangesNothing)
{
    attach(folder, picProject::Make());
    plat::setMessageBoxAnswer(IDNO);
    folder->OnMenuCommand(&wnd, "DeleteAll");
    folder->OnMenuCommand(&wnd, "Delete");
    root->OnMenuCommand(&wnd, "DeleteAll");
    EXPECT_EQ(folder->GetChildCount(), 1);
    EXPECT_EQ(root->GetChildCount(), 1);
    const auto boxes = plat::messageBoxRecords();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "Do you want to delete the entire content of folder 'New Folder' ?");
    EXPECT_EQ(boxes[1].text, "Do you want to delete entire folder 'New Folder' ?");
    EXPECT_EQ(boxes[2].text, "Do you want to delete all projects ?");
    for (const auto& box : boxes) {
        EXPECT_EQ(box.caption.rfind("Question", 0), 0u);
        EXPECT_EQ(box.type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    }
    EXPECT_EQ(wnd.invalidations, 0);

    plat::setMessageBoxAnswer(IDYES);
    folder->OnMenuCommand(&wnd, "DeleteAll");
    EXPECT_EQ(folder->GetChildCount(), 0);
    folder->OnMenuCommand(&wnd, "Delete");
    EXPECT_EQ(root->GetChildCount(), 0);
    EXPECT_EQ(lastCall(wnd), "deleted root");
    EXPECT_EQ(wnd.invalidations, 2);

    attach(root, picFolder::Make());
    root->OnMenuCommand(&wnd, "DeleteAll");
    EXPECT_EQ(root->GetChildCount(), 0);
}

// The folder's copy gets a new id; what it holds keeps its ids. Every copy says so in its text.
TEST_F(PicFolder, PasteOfAFolderHoldingAProject)
{
    picNodePtr project = picProject::Make();
    attach(folder, project);
    picNodePtr images[] = {picSourceImage::Make(), picSourceImage::Make()};
    for (picNodePtr& image : images)
        attach(project, image);
    wnd.setCopyNode(folder);
    root->OnMenuCommand(&wnd, "Paste");

    ASSERT_EQ(root->GetChildCount(), 2);
    guiTreeNodePtr pasted;
    root->GetChild(2, &pasted);
    EXPECT_NE(pasted->GetName(), folder->GetName());
    EXPECT_EQ(std::string(pasted->GetName()).rfind("fld-", 0), 0u);
    EXPECT_EQ(std::string(pasted->GetText()), "New Folder (COPY)");
    guiTreeNodePtr projectCopy;
    ASSERT_TRUE(pasted->GetChild(1, &projectCopy));
    EXPECT_EQ(projectCopy->GetName(), project->GetName());
    EXPECT_EQ(std::string(projectCopy->GetText()), std::string(project->GetText()) + " (COPY)");
    ASSERT_EQ(projectCopy->GetChildCount(), 2);
    for (int i = 1; i <= 2; ++i) {
        guiTreeNodePtr image;
        projectCopy->GetChild(i, &image);
        EXPECT_EQ(image->GetName(), images[i - 1]->GetName());
        EXPECT_EQ(std::string(image->GetText()), "New image (COPY)");
    }
}

} // namespace
