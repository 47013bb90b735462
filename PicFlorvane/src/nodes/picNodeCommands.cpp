#include "picNode.h"

#include "picMainWnd.h"
#include "picProjectFile.h"

#include "vbEscape.h"
#include "vbException.h"
#include "vbExceptionReport.h"

#include "plat/msgbox.h"

void picNode::AppendSharedMenu(sIpicMainWnd* wnd, vbString& markup)
{
    markup += "\n<item name='Copy' icon='' text='Copy " + vbEscape(Describe(), nullptr) +
        "' hint='Choose this object to copy with function Paste'/>";
    if (CanHoldChildren()) {
        AppendPasteItem(wnd, markup);
        markup += "\n<item name='ImportUnder' icon='' text='Load from file' hint='Load and import picf files under this " +
            GetDisplayName() + "'/>";
    }
    markup += "\n<item name='Export' icon='' text='Save to file' hint='Backup " + GetDisplayName() +
        " data to a disk file (.picf)'/>";
}

void picNode::AppendPasteItem(sIpicMainWnd* wnd, vbString& markup)
{
    picNodePtr copied;
    if (wnd->getCopyNode(&copied))
        markup += "\n<item name='Paste' icon='' text='Paste " + vbEscape(copied->Describe(), nullptr) +
            "' hint='Add under this object the previous copied object with function Copy'/>";
}

void picNode::OnMenuCommand(sIpicMainWnd* wnd, const vbString& command)
{
    if (command == "ImportUnder") {
        vbString path = GetImportPath();
        if (!wnd->pickProjectToOpen(path, "Choose a picf file to import..."))
            return;
        SetImportPath(path);
        ImportFile(wnd, path);
    } else if (command == "ExportUnder" || command == "Export") {
        const bool childrenOnly = command == "ExportUnder";
        const vbString title = childrenOnly ? "Save all under " + Describe() + " to a picf file..."
                                            : "Save " + Describe() + " and all its content to a picf file...";
        vbString path = GetExportPath();
        if (!wnd->pickProjectToSave(path, title))
            return;
        SetExportPath(path);
        exportProjectFile(wnd, this, path, childrenOnly);
    } else if (command == "Copy") {
        wnd->setCopyNode(this);
    } else if (command == "Paste") {
        pasteCopy(wnd);
    } else {
        vbMBox(wnd->getWindow(), "Action: " + command + " not yet supported !", "Function in development...",
            MB_ICONEXCLAMATION);
    }
}

// The copy is made now, from the node as it is at this moment.
void picNode::pasteCopy(sIpicMainWnd* wnd)
{
    picNodePtr copied;
    if (!wnd->getCopyNode(&copied))
        throw new vbEuser("Nothing to paste !");
    picNodePtr copy;
    copied->CloneUnder(this, &copy);
    AddAndShow(wnd, copy);
}

// Any node added may bring light filters with it: the filter list is marked invalid.
void picNode::AddAndShow(sIpicMainWnd* wnd, picNode* child)
{
    AddChild(child, 0);
    child->MarkLoaded();
    wnd->invalidateFilterList();
    wnd->showNode(child);
}

bool picNode::askQuestion(sIpicMainWnd* wnd, const vbString& question)
{
    return vbMBox(wnd->getWindow(), question, "Question", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool picNode::deleteAfterQuestion(sIpicMainWnd* wnd, const vbString& question)
{
    if (!askQuestion(wnd, question))
        return false;
    guiTreeNodePtr parent;
    GetParent(1, &parent);
    picNodePtr former = parent.IsNull() ? picNodePtr() : picNodeOf(static_cast<IguiTreeNode*>(parent.Get()));
    Destroy();
    wnd->onNodeDeleted(former.Get());
    return true;
}
