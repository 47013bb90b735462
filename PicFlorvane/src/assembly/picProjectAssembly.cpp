// The project's "doAssembly" operation, which a download-centre worker runs: its nodes read
// through snapshots taken under each node's lock, its sources fetched as picture objects, and its
// result object given the assembled image.

#include "picProject.h"

#include "picAssembly.h"
#include "picLightFilter.h"
#include "picMainWnd.h"

#include "gui/picProgressLine.h"

#include "guiProgress.h"

#include "picCompressPlugType.h"

#include "vbDnItf.h"
#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbFileTools.h"

#include "plat/resource.h"
#include "plat/unknwn.h"

#include <map>
#include <memory>

namespace {

// A filter slot of a node, copied with its link to the light filter.
class ChannelSource : public sIpicFilterSource {
public:
    explicit ChannelSource(const picChannelFilter& filter) : m_filter(filter) { }

    vbString GetKey() override { return m_filter.GetKey(); }
    // The key resolves to a light filter of the tree (which the slot's copy links to).
    bool fillFromCurve(picSpectralTable& table, bool* converted) override
    {
        picNodePtr node;
        if (!picResolveFilterNode(m_filter, &node))
            return false;
        auto* filter = dynamic_cast<picLightFilter*>(node.Get());
        if (!filter)
            return false;
        *converted = curveToTable(filter->GetCurveEditor().GetCurve(), table);
        return true;
    }

private:
    picChannelFilter m_filter;
};

void copySlots(picImageHolder* node, picAssemblySlots* out)
{
    vbPtrLock lock(static_cast<IvbDnObject*>(node));
    out->text = node->GetText();
    out->mono = node->GetFilterType() == picImageHolder::kMonochrome;
    for (int c = 0; c < picImageHolder::kChannels; ++c) {
        const picChannelFilter filter = node->GetChannel(c + 1);
        out->factors[c] = filter.GetFactor();
        out->filters[c] = std::make_unique<ChannelSource>(filter);
    }
}

class ProjectHost : public sIpicAssemblyHost {
public:
    ProjectHost(picProject* project, const vbString& name) : m_project(project), m_name(name) { }

    // The name is the one read with the line's: a failure said with it can be said anew after a
    // rename.
    void GetProject(picAssemblySlots* out) override
    {
        copySlots(m_project, out);
        out->text = m_name;
    }
    int GetChildCount() override { return m_project->GetChildCount(); }

    bool GetChild(int index, bool* usable, picAssemblySlots* out) override
    {
        guiTreeNodePtr child;
        if (!m_project->GetChild(index, &child) || child.IsNull())
            return false;
        void* face = nullptr;
        *usable = child->GetInterface(IID_IpicImageHolder, &face) && face && child->IsChecked();
        if (*usable) {
            auto* image = static_cast<picImageHolder*>(static_cast<picNode*>(face));
            copySlots(image, out);
            m_paths[index] = image->GetFilePath();
            m_texts[index] = out->text;
        }
        return true;
    }

    void AskBitmap(int index) override
    {
        loadPluginFor(m_paths[index]);
        picGuiImagePtr& picture = m_pictures[index];
        picture.SetUrlKey(m_paths[index], 0);
        vbDnAsk(&picture, vbDnLoad, vbDnPriorityFast3, false, true);
    }

    picBitmapPtr FetchBitmap(int index) override
    {
        if (!m_pictures.count(index))
            AskBitmap(index);
        picGuiImageObject* obj = m_pictures[index].Get();
        if (obj)
            vbDnWait(obj, vbDnLoad, INFINITE, false);
        picBitmapPtr bitmap;
        picImagePtr image = obj ? obj->GetImage() : picImagePtr();
        if (image.IsNull() || !image->GetBitmap(-1, &bitmap, picReqNoThrow) || bitmap.IsNull())
            throwLoadError(obj, m_texts[index], m_paths[index]);
        return bitmap;
    }

    picImagePtr BeginResult() override
    {
        m_result = m_project->GetResult();
        if (m_result.IsNull())
            return picImagePtr();
        m_result->SetLoadState(false, true);
        return m_result->GetImage();
    }

    void EndResult(IpicImage* image) override
    {
        if (m_result.IsNull())
            return;
        m_result->SetImage(image);
        m_result->SetLoadState(true, true);
    }

private:
    // The plug-in that reads such files is loaded here, before the pictures asked together start:
    // each would otherwise wait on the one loading it, in steps of a tenth of a second. A failure
    // is the decode's to report, as it was before.
    static void loadPluginFor(const vbString& path)
    {
        try {
            g_picCompressPlugType.CreatePluggedObject(
                vbGetFileExt(path.c_str(), false), static_cast<picCompressPlugPtr*>(nullptr), nullptr);
        } catch (CException* e) {
            e->Delete();
        }
    }

    // Names the source that holds the assembly back, with the picture's own error when it has one.
    [[noreturn]] static void throwLoadError(picGuiImageObject* obj, const vbString& text, const vbString& path)
    {
        ULONG hr = 0;
        vbString reason;
        if (!obj || !obj->GetError(hr, reason) || reason.IsEmpty())
            reason = "Can't read image file '" + path + "'";
        throw new vbEsys(static_cast<HRESULT>(hr ? hr : E_FAIL),
            "Image " + text + " can't be read (" + reason + "), can't make result image");
    }

    picProject* m_project;
    vbString m_name;
    picGuiImageRef m_result;
    std::map<int, vbString> m_paths;
    std::map<int, vbString> m_texts;
    std::map<int, picGuiImagePtr> m_pictures;
};

// The project's line on the main window's progress strip, the same for every run of the project;
// none without a strip. The strip is found before the project's lock is taken: the main window is
// looked up under a lock that is held while filter nodes are locked.
guiHotPlugCbPtr progressLine(guiProgress* strip, const GUID& workId, const vbString& text)
{
    guiHotPlugCbPtr cb;
    if (strip)
        strip->GetPlugCb(true, &cb, workId, "Assembly of " + text, static_cast<vbPlugUpdateCaps>(0));
    return cb;
}

// What a run of the assembly reports is known under this, so that the project cuts it as it goes.
vbString runOwner(const GUID& workId) { return "assembly " + vbString(workId, true); }

// A failure while reporting a failure is only traced: the first one is what goes on.
void reportFailure(IvbHotPlugCb* progress, const vbString& message)
{
    if (!progress)
        return;
    try {
        progress->OnError(nullptr, false, static_cast<LONG>(0x80004005), message);
    } catch (CException* e) {
        vbTraceException(e, true, "PicNodes", __LINE__);
    } catch (...) {
    }
}

// Curves first; the band worker when a used slot holds a band key.
void assemble(picProject* project, const vbString& name, vbDnData* data, IvbHotPlugCb* progress)
{
    ProjectHost host(project, name);
    picAssemblyContext ctx;
    ctx.host = &host;
    ctx.progress = progress;
    ctx.operation = data;
    if (!assembleByCurves(ctx))
        assembleByBands(ctx);
}

} // namespace

// The line follows the project: its new text, and its end with the project. A failure that names
// the project names it as it is called now, on the line and on the page; the rename changes
// nothing that the assembly reads, so none is made again.
void picProject::OnTextChanged()
{
    bool renamed = false;
    bool errorRenamed = false;
    guiProgress* strip = picGetMainProgress();
    {
        // Under the lock that the assembly's failure is told under, so that the later of the two
        // says the later name.
        vbPtrLock lock(static_cast<IvbDnObject*>(this));
        const vbString text = GetText();
        const GUID id = GetWorkId();
        const guiHotPlugCbPtr line = id != GUID{} ? progressLine(strip, id, text) : guiHotPlugCbPtr();
        const vbString failure = picRenameInFailure(m_workFailure, m_workFailureName, text);
        renamed = failure != m_workFailure;
        // The failed operation's own error, which the tree's tool tips tell, names it too.
        ULONG hr = 0;
        vbString operationError;
        if (GetError(hr, operationError)) {
            const vbString error = picRenameInFailure(operationError, m_workFailureName, text);
            errorRenamed = error != operationError;
            SetDnError(hr, error);
        }
        setWorkFailure(failure, text);
        if (renamed)
            reportFailure(line, failure);
    }
    // The views keep the error they last read, the tool tips of the project's rows among them:
    // they read it again on the signal of a failed load.
    if (errorRenamed)
        SignalPtr(-1);
    if (renamed)
        tellPage();
}

// The project's lines go with it: its assembly's and its images' (which may outlive it, held
// elsewhere), and what their work still running reports goes nowhere.
void picProject::onDestruction(bool bExplicit)
{
    const GUID id = GetWorkId();
    if (id != GUID{})
        picProgressLine::CutAll(runOwner(id));
    if (guiProgress* strip = id != GUID{} ? picGetMainProgress() : nullptr)
        strip->HidePlugCb(id);
    guiTreeNodePtr child;
    for (int i = 1; GetChild(i, &child); ++i) {
        void* face = nullptr;
        if (child->GetInterface(IID_IpicImageHolder, &face) && face)
            static_cast<picImageHolder*>(static_cast<picNode*>(face))->hidePictureLine();
    }
    Base::onDestruction(bExplicit);
}

bool picProject::LoadFromRes(vbDnData* data, const char* name, const char* type, HINSTANCE module)
{
    if (type || module || IS_INTRESOURCE(name) || vbString(name).CompareNoCase("doAssembly") != 0)
        return false;
    SetLoadState(false, true);
    setWorkFailure(vbString(), vbString());
    GUID id = GetWorkId();
    if (id == GUID{}) {
        const HRESULT hr = CoCreateGuid(&id);
        if (FAILED(hr))
            throw new vbEsys(hr, "Instruction '::CoCreateGuid(&m_workid)' failed !");
        SetWorkId(id);
    }
    vbString text;
    guiHotPlugCbPtr progress;
    guiProgress* strip = picGetMainProgress();
    {
        // A rename meanwhile leaves the line with the newer name.
        vbPtrLock lock(static_cast<IvbDnObject*>(this));
        text = GetText();
        progress = picProgressLine::Open(runOwner(id), progressLine(strip, id, text));
    }
    try {
        assemble(this, text, data, progress);
    } catch (CException* e) {
        assemblyFailed(progress, e, text);
        throw;
    } catch (...) {
        assemblyFailed(progress, nullptr, text);
        throw;
    }
    if (!progress.IsNull())
        progress->OnLoadPluginAsked(nullptr, false);
    SetLoadState(true, true);
    tellPage();
    return true;
}

void picProject::assemblyFailed(IvbHotPlugCb* progress, CException* e, const vbString& name)
{
    // Stopped to be started again after a change: the next run takes over the line and the page.
    if (e && vbGetHR(e) == E_ABORT)
        return;
    {
        // Renamed while the assembly ran: the failure says the name of now.
        vbPtrLock lock(static_cast<IvbDnObject*>(this));
        const vbString text = GetText();
        const vbString message = picRenameInFailure(vbGetMsg(e, true), name, text);
        reportFailure(progress, message);
        setWorkFailure(message, text);
        // The operation's error, which the centre keeps when one is there: the exception still
        // says the name the assembly read.
        if (e)
            SetDnError(static_cast<ULONG>(vbGetHR(e)), message);
    }
    // The picture of an earlier run no longer shows this project's state: neither the preview
    // nor a save may take it for the result.
    if (picGuiImageRef result = GetResult(); !result.IsNull()) {
        result->SetImage(nullptr);
        result->SetLoadState(false, true);
    }
    tellPage();
}

void picProject::tellPage()
{
    // The result's own news reached the page while the project was still not loaded, which the
    // page shows as an assembly at work: it is told again now that the work is over.
    if (sIpicMainWnd* wnd = GetPageOwner())
        wnd->onNodeChanged(this);
}

