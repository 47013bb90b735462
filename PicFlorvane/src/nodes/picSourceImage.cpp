#include "picSourceImage.h"

#include "picMainWnd.h"

#include "vbException.h"
#include "vbFileTools.h"

picSourceImage::picSourceImage() : Base(kMonochrome)
{
    SetName(MakeId("img-"));
    SetText("New image");
    SetIcon("res:image");
    SetHint("Image to assembly");
    SetVisible(true);
    SetType(guiNodeType_Check);
    picNode::SetChecked(true);
}

picNodePtr picSourceImage::Make()
{
    auto* made = new picSourceImage();
    picNodePtr held(made);
    made->Release();
    made->Create();
    return held;
}

bool picSourceImage::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_IpicSourceImage) {
        *ppv = static_cast<picNode*>(this);
        return true;
    }
    return Base::GetInterface(iid, ppv);
}

bool picSourceImage::CreateChildOfType(const vbString& type, picNodePtr*, bool bThrow)
{
    if (bThrow)
        throw new vbEapp("In image, can't create node of type: " + type + ", type is unknown or has no meaning here");
    return false;
}

void picSourceImage::TouchWork(sIpicMainWnd* wnd, bool force)
{
    if (!force && !IsChecked())
        return;
    touchParents(wnd);
}

bool picSourceImage::IsPathValid(const vbString& path) { return vbFileExists(path.c_str()); }

bool picSourceImage::IsPathEditable() { return true; }

void picSourceImage::OnPathButton()
{
    sIpicMainWnd* wnd = mainWnd();
    vbString file = GetFilePath();
    if (!wnd || !wnd->chooseImageToOpen(file, "Choose an image to load for assembly operation..."))
        return;
    SetPath(file);
    if (m_editPath.tcGetHwnd())
        m_editPath.tcSetText(file);
    OnPathChanged();
}

// The result made from the former file goes with it: the project's work is made again from the
// new one, and the page stops telling how the former one failed.
void picSourceImage::OnPathChanged()
{
    TouchWork(mainWnd(), false);
    const vbString path = GetFilePath();
    if (!m_preview.tcGetHwnd() || !IsPathValid(path))
        return;
    loadPreview(path);
    m_preview.Invalidate(FALSE);
    setStatus(statusText());
}

void picSourceImage::SetSourceFile(const vbString& file)
{
    SetPath(file);
    SetText(vbGetFileName(file.c_str()));
}

void picSourceImage::DropPropertyPage()
{
    emptyPreview();
    Base::DropPropertyPage();
}

// --- menu ---

void picSourceImage::GetMenuMarkup(sIpicMainWnd* wnd, vbString& markup)
{
    const vbString path = GetFilePath();
    if (!path.IsEmpty() && vbFileExists(path.c_str()))
        markup += "\n<item name='View' icon='res:view' text='View image in new window'/>";
    AppendSharedMenu(wnd, markup);
    markup += "\n<sep/>\n<item name='Delete' icon='res:delete' text='Delete image'/>";
}

void picSourceImage::OnMenuCommand(sIpicMainWnd* wnd, const vbString& command)
{
    if (command == "Delete")
        deleteAfterQuestion(wnd, "Do you want to delete image '" + GetText() + "' ?");
    else
        Base::OnMenuCommand(wnd, command);
}

// --- page ---

void picSourceImage::BuildPropertyPage(sIpicMainWnd* wnd, guiContainer* page, CRect& rect, bool relayout)
{
    Base::BuildPropertyPage(wnd, page, rect, relayout);
    placePreview(page, rect, GetDisplayName() + " preview");
    const vbString path = GetFilePath();
    if (!relayout && IsPathValid(path))
        loadPreview(path);
    setStatus(statusText());
}

vbString picSourceImage::statusText()
{
    vbString text;
    if (previewSizeText(&text))
        return text;
    const vbString path = GetFilePath();
    if (path.IsEmpty())
        return "Image not specified...";
    // A load that ended in failure, or one that can never start, would otherwise say it is still
    // loading for as long as the program runs.
    text = WhyNoPicture();
    return text.IsEmpty() ? vbString("Loading image...") : text;
}

vbString picSourceImage::WhyNoPicture()
{
    vbString text = Base::WhyNoPicture();
    const vbString path = GetFilePath();
    if (text.IsEmpty() && !path.IsEmpty() && !IsPathValid(path))
        text = "Load failed: can't find file '" + path + "'";
    return text;
}
