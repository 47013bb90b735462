#include "picProject.h"

#include "picFileReplace.h"
#include "picMainWnd.h"
#include "picSourceImage.h"

#include "picCompressPlugType.h"

#include "vbDnItf.h"
#include "vbException.h"
#include "vbFileTools.h"

#include "plat/controls.h"

picProject::picProject() : Base(kRgb)
{
    SetName(MakeId("proj-"));
    SetText("New assembly project");
    SetIcon("res:project");
    SetHint("RGB assembly project");
    SetVisible(true);
}

picNodePtr picProject::Make()
{
    auto* made = new picProject();
    picNodePtr held(made);
    made->Release();
    made->Create();
    return held;
}

picGuiImageRef picProject::GetResult() const
{
    vbSectLock lock(m_pLock);
    return m_result;
}

GUID picProject::GetWorkId() const
{
    vbSectLock lock(m_pLock);
    return m_workId;
}

void picProject::SetWorkId(const GUID& id)
{
    vbSectLock lock(m_pLock);
    m_workId = id;
}

vbString picProject::GetWorkFailure() const
{
    vbSectLock lock(m_pLock);
    return m_workFailure;
}

vbString picProject::failureText() const
{
    const vbString failure = GetWorkFailure();
    return failure.IsEmpty() ? failure : "Assembly failed: " + failure;
}

vbString picProject::WhyNoPicture()
{
    const vbString failure = failureText();
    return failure.IsEmpty() && !GetResult().IsNull() ? vbString("Processing image...") : failure;
}

void picProject::setWorkFailure(const vbString& failure, const vbString& name)
{
    vbSectLock lock(m_pLock);
    m_workFailure = failure;
    m_workFailureName = name;
}

bool picProject::CreateChildOfType(const vbString& type, picNodePtr* out, bool bThrow)
{
    if (type.CompareNoCase("image") == 0) {
        *out = picSourceImage::Make();
        return true;
    }
    if (bThrow)
        throw new vbEuser("In project, can't create node of type: " + type + ", type is unknown or has no meaning here");
    return false;
}

bool picProject::IsPathValid(const vbString&) { return true; }
bool picProject::IsPathEditable() { return true; }
void picProject::OnPathChanged() {}

void picProject::TouchWork(sIpicMainWnd* wnd, bool force)
{
    picNode::TouchWork(wnd, force);
    touchParents(wnd);
}

bool picProject::StartWork(sIpicMainWnd*)
{
    {
        vbSectLock lock(m_pLock);
        if (m_result.IsNull()) {
            // A picture the preview already shows (the result saved last) is kept until the
            // assembly replaces it.
            picGuiImagePtr& picture = m_preview.GetPicture();
            if (!picture.HasBitmap()) {
                picture.Unlink();
                picture.CreateObject();
            }
            m_result = vbRefQIPtr<picGuiImageObject, &IID_picGuiImageObject>(
                static_cast<IvbDnObject*>(picture.Get()), true);
        }
    }
    vbDnAsk(this, vbDnLoad, "res:doAssembly", vbDnPriorityFast3, true);
    if (m_btnPath.tcGetHwnd())
        m_btnPath.tcSetEnabled(false);
    return true;
}

bool picProject::resultReady() const
{
    picGuiImageRef result = GetResult();
    picSize size;
    return !result.IsNull() && result->IsLoaded() && result->GetBitmapSize(&size);
}

// --- menu ---

void picProject::GetMenuMarkup(sIpicMainWnd* wnd, vbString& markup)
{
    markup += "\n<item name='AddImage' icon='res:image' text='Add image(s)'/>\n<sep/>";
    const vbString path = GetFilePath();
    picSize size;
    if ((!path.IsEmpty() && IsPathValid(path)) || previewSize(&size))
        markup += "\n<item name='View' icon='res:view' text='View image in new window'/>";
    AppendSharedMenu(wnd, markup);
    markup += "\n<sep/>\n<item name='Delete' icon='res:delete' text='Delete project'/>";
}

void picProject::OnMenuCommand(sIpicMainWnd* wnd, const vbString& command)
{
    if (command == "AddImage") {
        addImages(wnd);
    } else if (command == "Delete") {
        deleteAfterQuestion(wnd, "Do you want to delete entire project '" + GetText() + "' ?");
    } else if (command == "DeleteAll") {
        if (!askQuestion(wnd, "Do you want to delete all images of project '" + GetText() + "' ?"))
            return;
        guiTreeNodePtr child;
        while (GetChild(1, &child))
            child->Destroy();
    } else {
        Base::OnMenuCommand(wnd, command);
    }
}

void picProject::addImages(sIpicMainWnd* wnd)
{
    vbArray<vbString> files;
    if (!wnd->chooseImagesToImport(files, "Choose images to load..."))
        return;
    picNodePtr last;
    for (int i = 1; i <= files.GetLength(); ++i) {
        picNodePtr made;
        CreateChildOfType("image", &made, true);
        picSourceImageQIPtr image(static_cast<IguiTreeNode*>(made.Get()), true);
        static_cast<picSourceImage*>(image.Get())->SetSourceFile(files[i]);
        AddChild(image, 0);
        image->MarkLoaded();
        last = image.Get();
    }
    if (!last.IsNull())
        wnd->showNode(last);
}

// --- page ---

void picProject::BuildPropertyPage(sIpicMainWnd* wnd, guiContainer* page, CRect& rect, bool relayout)
{
    Base::BuildPropertyPage(wnd, page, rect, relayout);
    m_btnPath.tcSetText("Save");
    m_editPath.tcGetWnd()->SendMessage(EM_SETREADONLY, TRUE, 0);
    m_btnPath.tcSetEnabled(resultReady());

    const bool fresh = !m_preview.tcGetHwnd();
    placePreview(page, rect, GetDisplayName() + " result preview");
    if (fresh && !m_preview.GetPicture().Get())
        loadPreview(GetFilePath());

    vbString status = failureText();
    if (status.IsEmpty() && !IsLoaded())
        status = "Processing image...";
    else if (status.IsEmpty())
        previewSizeText(&status);
    setStatus(status);

    if (!relayout && GetResult().IsNull())
        StartWork(wnd);
}

// --- the save ---

void picProject::OnPathButton()
{
    sIpicMainWnd* wnd = mainWnd();
    vbString file = GetFilePath();
    if (!wnd || !wnd->chooseImageToSave(file, "Choose a file to store image result..."))
        return;
    SetPath(file);
    if (m_editPath.tcGetHwnd())
        m_editPath.tcSetText(file);
    SaveResult(file);
}

void picProject::SaveResult(const vbString& file)
{
    const vbString failure = "Can't save result image for project " + GetText() + ", processing image";
    picGuiImageRef result = GetResult();
    if (result.IsNull())
        throw new vbEuser(failure + " or image missing");
    picImagePtr image = result->GetImage();
    picBitmapPtr bitmap;
    if (image.IsNull() || !image->GetBitmap(-1, &bitmap, picReqNoThrow) || bitmap.IsNull())
        throw new vbEuser(failure);

    const vbString ext = vbGetFileExt(file.c_str(), false);
    picCompressPlugPtr plug;
    vbHotPluginPtr plugin;
    if (!g_picCompressPlugType.CreatePluggedObject(ext, &plug, &plugin))
        throw new vbEhotPlug("Can't create plugin for selected image type '" + ext +
                "' : pictures compressor plugin not ready or missing",
            "picProject::BtnPath_Click()");
    picCompressorPtr compressor;
    plug->CreateCompressor(0, &compressor, picReqThrow);
    compressor->SetInputImage(image);
    picReplaceFile(file, [&](vbStream* out) { out->WriteStream(compressor); });
}
