#include "picFolder.h"

#include "picLightFilter.h"
#include "picMainWnd.h"
#include "picProject.h"

#include "vbDnItf.h"
#include "vbException.h"

namespace {

// How long an add on the projects list waits for the saved tree.
constexpr int kLoadWaitMs = 30000;

constexpr const char* kAddProject = "\n<item name='AddRGBproject' icon='res:project' text='Add an RGB assembly project'/>";
constexpr const char* kSep = "\n<sep/>";

// Both accept the same types; place names the parent in the error.
bool makeChild(const vbString& type, picNodePtr* out, bool bThrow, const char* place)
{
    if (type.CompareNoCase("project") == 0)
        *out = picProject::Make();
    else if (type.CompareNoCase("folder") == 0)
        *out = picFolder::Make();
    else if (type.CompareNoCase("filter") == 0)
        picLightFilter::New(out);
    else if (bThrow)
        throw new vbEapp(vbString("In ") + place + ", can't create node of type: " + type +
            ", type is unknown or has no meaning here");
    else
        return false;
    return true;
}

void collectFromChildren(picNode& node, picFilterList& list)
{
    guiTreeNodePtr child;
    for (int i = 1; node.GetChild(i, &child); ++i)
        if (picNodePtr held = picNodeOf(static_cast<IguiTreeNode*>(child.Get())))
            held->CollectFilters(list);
}

// The type an "Add..." command makes, or null.
const char* addedType(const vbString& command)
{
    if (command == "AddRGBproject")
        return "project";
    if (command == "AddFolder")
        return "folder";
    if (command == "AddRGBfilter")
        return "filter";
    return nullptr;
}

} // namespace

// --- projects list ---

picRoot::picRoot()
{
    SetName("root");
    SetText("Projects");
    SetIcon("res:root");
    SetHint("Your projects are listed here...\n\nRight click on this item to view available actions for projects !");
    SetVisible(true);
}

picRoot::~picRoot() = default;

picNodePtr picRoot::Make()
{
    auto* made = new picRoot();
    picNodePtr held(made);
    made->Release();
    made->Create();
    return held;
}

bool picRoot::CreateChildOfType(const vbString& type, picNodePtr* out, bool bThrow)
{
    return makeChild(type, out, bThrow, "projects list");
}

void picRoot::CollectFilters(picFilterList& list) { collectFromChildren(*this, list); }

void picRoot::GetMenuMarkup(sIpicMainWnd* wnd, vbString& markup)
{
    markup += vbString(kAddProject) +
        "\n<item name='AddFolder' icon='res:folder' text='Add a folder' hint='A folder to store your projects'/>"
        "\n<item name='AddRGBfilter' icon='res:filter' text='Add a filter' hint='Create a filter to use in your RGB assembly projects'/>" +
        kSep;
    AppendPasteItem(wnd, markup);
    markup += "\n<item name='ImportUnder' icon='' text='Load from file' hint='Load and import projects files (.picf)'/>"
              "\n<item name='ExportUnder' icon='' text='Save all to file' hint='Backup all projects parameters and images to a disk file (.picf)'/>";
    if (GetChildCount() > 0)
        markup += vbString(kSep) + "\n<item name='DeleteAll' icon='res:deleteall' text='Delete all projects and folders'/>";
}

// Only a loader asked or running is waited for: a projects list made as the default tree has
// none.
void picRoot::waitForLoader()
{
    if (!IsLoaded() && (IsDnOpAsked() || IsDnOpInWork()))
        vbDnWait(static_cast<IvbDnObject*>(this), vbDnLoad, kLoadWaitMs, true);
}

void picRoot::OnMenuCommand(sIpicMainWnd* wnd, const vbString& command)
{
    const char* type = addedType(command);
    if (type || command == "Paste" || command == "ImportUnder")
        waitForLoader();
    if (type) {
        picNodePtr child;
        CreateChildOfType(type, &child, true);
        AddAndShow(wnd, child);
    } else if (command == "DeleteAll") {
        if (askQuestion(wnd, "Do you want to delete all projects ?")) {
            ClearChildren();
            wnd->invalidateFilterList();
        }
    } else {
        Base::OnMenuCommand(wnd, command);
    }
}

// --- folder ---

picFolder::picFolder()
{
    SetName(MakeId("fld-"));
    SetText("New Folder");
    SetIcon("res:folder");
    SetHint("Folder to store your projects and filters !");
    SetVisible(true);
}

picFolder::~picFolder() = default;

picNodePtr picFolder::Make()
{
    auto* made = new picFolder();
    picNodePtr held(made);
    made->Release();
    made->Create();
    return held;
}

bool picFolder::CreateChildOfType(const vbString& type, picNodePtr* out, bool bThrow)
{
    return makeChild(type, out, bThrow, "folder");
}

void picFolder::CollectFilters(picFilterList& list) { collectFromChildren(*this, list); }

void picFolder::GetMenuMarkup(sIpicMainWnd* wnd, vbString& markup)
{
    markup += vbString(kAddProject) +
        "\n<item name='AddFolder' icon='res:folder' text='Add a folder' hint='Create a folder to store your projects'/>"
        "\n<item name='AddRGBfilter' icon='res:filter' text='Add a light filter' hint='Create a filter to use in your RGB assembly projects'/>" +
        kSep;
    AppendSharedMenu(wnd, markup);
    markup += vbString(kSep) + "\n<item name='Delete' icon='res:delete' text='Delete folder'/>";
    if (GetChildCount() > 0)
        markup += "\n<item name='DeleteAll' icon='res:deleteall' text='Delete all projects'/>";
}

// Every change of the content may take light filters away or bring them: the filter list is
// marked invalid.
void picFolder::OnMenuCommand(sIpicMainWnd* wnd, const vbString& command)
{
    if (const char* type = addedType(command)) {
        picNodePtr child;
        CreateChildOfType(type, &child, true);
        AddAndShow(wnd, child);
    } else if (command == "DeleteAll") {
        if (askQuestion(wnd, "Do you want to delete the entire content of folder '" + GetText() + "' ?")) {
            ClearChildren();
            wnd->invalidateFilterList();
        }
    } else if (command == "Delete") {
        if (deleteAfterQuestion(wnd, "Do you want to delete entire folder '" + GetText() + "' ?"))
            wnd->invalidateFilterList();
    } else {
        Base::OnMenuCommand(wnd, command);
    }
}
