#include "picLightFilter.h"

#include "picFilterDirectory.h"
#include "picImageHolder.h"
#include "picMainWnd.h"
#include "picNumberText.h"

#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbFileTools.h"
#include "vbRegKey.h"

#include "plat/msgbox.h"

namespace {

const char* const kBoundNames[4] = {"BandpassMin", "BandpassMax", "TransmitMin", "TransmitMax"};
const char* const kBoundDefaults[4] = {"400nm", "750nm", "0%", "100%"};

} // namespace

// --- the editor's owner face ---

void picLightFilterGraph::OnCurveRefresh(picGuiCurve*)
{
    if (sIpicMainWnd* wnd = m_filter.GetPageOwner())
        wnd->onNodeChanged(&m_filter);
}

void picLightFilterGraph::OnCurvePosition(picGuiCurve*, double x, double y)
{
    m_filter.setStatus("Position: " + picFormatNumber(x) + "nm, " + picFormatNumber(y) + "%");
}

void picLightFilterGraph::OnCurveMouseOut(picGuiCurve*) { m_filter.setStatus(m_filter.statusText()); }

void picLightFilterGraph::OnCurveContextMenu(picGuiCurve*, CWnd*, CPoint)
{
    if (sIpicMainWnd* wnd = m_filter.mainWnd())
        wnd->openNodeMenu(&m_filter, nullptr);
}

void picLightFilterGraph::OnCurveImageLoaded(picGuiCurve*) { m_filter.setStatus(m_filter.statusText()); }

void picLightFilterGraph::OnCurvePointsChanged(picGuiCurve*)
{
    m_filter.TellStoredChange();
    m_filter.touchUsers(m_filter.mainWnd());
}

void picLightFilterGraph::OnCurveFrameChanged(picGuiCurve*) { m_filter.TellStoredChange(); }

// --- the node ---

void picLightFilter::New(picNodePtr* out)
{
    auto* filter = new picLightFilter;
    *out = filter;
    filter->Release();
    filter->Create();
}

picLightFilter::picLightFilter() : m_graph(*this), m_curve(&m_graph)
{
    for (int i = 0; i < 4; ++i)
        m_bounds[i] = kBoundDefaults[i];
    SetName(MakeId("flt-"));
    SetText("New RGB filter");
    SetIcon("res:filter");
    SetHint("Filter to use in RGB assembly projects");
    SetVisible(true);
    SetType(guiNodeType_Item);
    ApplyGraphBounds();
}

picLightFilter::~picLightFilter() = default;

bool picLightFilter::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_IpicLightFilter) {
        *ppv = static_cast<picNode*>(this);
        return true;
    }
    return Base::GetInterface(iid, ppv);
}

vbString picLightFilter::GetFilePath() const
{
    vbSectLock lock(m_pLock);
    return m_path;
}

vbString picLightFilter::GetBound(int i) const
{
    vbSectLock lock(m_pLock);
    return m_bounds[i];
}

void picLightFilter::setPathAndBounds(const vbString& path, const vbString (&bounds)[4])
{
    setStored(m_path, path);
    for (int i = 0; i < 4; ++i)
        setStored(m_bounds[i], bounds[i]);
    ApplyGraphBounds();
}

bool picLightFilter::CreateChildOfType(const vbString& type, picNodePtr*, bool bThrow)
{
    if (bThrow)
        throw new vbEapp("In RGB filter, can't create node of type: " + type + ", type is unknown or has no meaning here");
    return false;
}

void picLightFilter::CollectFilters(picFilterList& list) { picInsertFilter(list, this); }

void picLightFilter::LoadValues(vbRegKey& key)
{
    Base::LoadValues(key);
    LoadFilterValues(key);
}

void picLightFilter::SaveValues(vbRegKey& key)
{
    Base::SaveValues(key);
    SaveFilterValues(key);
}

void picLightFilter::LoadFilterValues(vbRegKey& key)
{
    if (key.ValueExists("Checked")) {
        SetType(guiNodeType_Check);
        SetChecked(key.GetValue("Checked").GetAsLong() != 0);
    } else {
        SetType(guiNodeType_Item);
    }
    const vbString path = key.GetValue("Path").GetAsString();
    vbString bounds[4];
    for (int i = 0; i < 4; ++i)
        bounds[i] = key.GetValue(kBoundNames[i]).GetAsString();
    setPathAndBounds(path, bounds);
    m_curve.GetCurve().LoadFromRegKey(key);
}

void picLightFilter::SaveFilterValues(vbRegKey& key)
{
    if (GetType() == guiNodeType_Check) {
        vbVariant checked;
        checked.SetAsLong(IsChecked() ? 1 : 0);
        key.SetValue("Checked", checked);
    }
    key.SetValue("Path", vbVariant(GetFilePath()));
    for (int i = 0; i < 4; ++i)
        key.SetValue(kBoundNames[i], vbVariant(GetBound(i)));
    m_curve.GetCurve().SaveToRegKey(key);
}

void picLightFilter::CopyValues(picNode* source)
{
    void* face = nullptr;
    if (!source || !source->GetInterface(IID_IpicLightFilter, &face))
        throw new vbEsys(E_NOINTERFACE, "picLightFilter::CopyValues() : source is not a light filter");
    auto* from = static_cast<picLightFilter*>(static_cast<picNode*>(face));
    Base::CopyValues(source);
    SetType(from->GetType());
    SetChecked(from->IsChecked());
    const vbString path = from->GetFilePath();
    vbString bounds[4];
    for (int i = 0; i < 4; ++i)
        bounds[i] = from->GetBound(i);
    setPathAndBounds(path, bounds);
    m_curve.GetCurve().CopyCurve(from->m_curve.GetCurve());
}

void picLightFilter::GetMenuMarkup(sIpicMainWnd* wnd, vbString& markup)
{
    m_curve.AppendMenuMarkup(markup);
    AppendSharedMenu(wnd, markup);
    markup += "\n<sep/>\n<item name='Delete' icon='res:delete' icon='res:delete' text='Delete filter'/>";
}

void picLightFilter::OnMenuCommand(sIpicMainWnd* wnd, const vbString& command)
{
    if (m_curve.OnMenuCommand(command, nullptr))
        return;
    if (command != "Delete") {
        Base::OnMenuCommand(wnd, command);
        return;
    }
    if (vbMBox(wnd->getWindow(), "Do you want to delete filter '" + GetText() + "' ?", "Question",
            MB_YESNO | MB_ICONQUESTION)
        != IDYES)
        return;
    picNodePtr self(this);
    guiTreeNodePtr parent;
    GetParent(1, &parent);
    const std::vector<picNodePtr> usersOfIt = users(wnd);
    Destroy();
    wnd->onNodeDeleted(parent ? picNodeOf(static_cast<IguiTreeNode*>(parent.Get())).Get() : nullptr);
    wnd->invalidateFilterList();
    touchUsers(wnd, usersOfIt);
}

void picLightFilter::OnTextChanged()
{
    sIpicMainWnd* wnd = GetPageOwner();
    if (!wnd)
        return;
    wnd->invalidateFilterList();
    touchUsers(wnd);
}

sIpicMainWnd* picLightFilter::mainWnd() const
{
    sIpicMainWnd* wnd = GetPageOwner();
    return wnd ? wnd : picGetMainWnd();
}

void picLightFilter::touchUsers(sIpicMainWnd* wnd)
{
    if (wnd)
        touchUsers(wnd, users(wnd));
}

std::vector<picNodePtr> picLightFilter::users(sIpicMainWnd* wnd)
{
    guiTreeNodePtr top(this);
    for (guiTreeNodePtr parent; top->GetParent(1, &parent);)
        top = parent;
    std::vector<picNodePtr> found;
    collectUsers(wnd, top, found);
    return found;
}

void picLightFilter::collectUsers(sIpicMainWnd* wnd, guiTreeNode* under, std::vector<picNodePtr>& found)
{
    guiTreeNodePtr child;
    for (int i = 1; under->GetChild(i, &child); ++i) {
        picImageHolderQIPtr holder(static_cast<IguiTreeNode*>(child.Get()), false);
        if (holder && static_cast<picImageHolder*>(holder.Get())->UsesFilter(wnd, this))
            found.emplace_back(holder.Get());
        collectUsers(wnd, child, found);
    }
}

// Their results are made again at once, and a shown page is built anew, so that its filter boxes
// show the filter's new text, or that it is gone.
void picLightFilter::touchUsers(sIpicMainWnd* wnd, const std::vector<picNodePtr>& found)
{
    for (const picNodePtr& user : found) {
        user->TouchDisplay();
        user->TouchWork(wnd, false);
        if (user->GetPageOwner())
            wnd->showNode(user);
    }
}

bool picLightFilter::IsPathValid(const vbString& path) { return path.IsEmpty() || vbFileExists(path); }

void picLightFilter::OnPathButton()
{
    sIpicMainWnd* wnd = mainWnd();
    vbString path = GetFilePath();
    if (!wnd || !wnd->chooseImageToOpen(path, "Choose a background image to assist you in drawing the graph of your light filter"))
        return;
    setStored(m_path, path);
    if (m_editPath.tcGetHwnd())
        m_editPath.tcSetText(path);
    ReloadBackground();
}

void picLightFilter::ReloadBackground()
{
    const vbString path = GetFilePath();
    if (!m_curve.GetSafeHwnd() || !IsPathValid(path))
        return;
    if (path.IsEmpty()) {
        m_loadedPath = "";
        m_curve.SetPictureUrl("", vbDnPriority1);
    } else if (path != m_loadedPath) {
        m_curve.SetPictureUrl("", vbDnPriority1);
        m_loadedPath = path;
        m_curve.SetPictureUrl(path, vbDnPriority1);
    }
    m_curve.Invalidate(FALSE);
}

void picLightFilter::ApplyGraphBounds() { applyBounds(); }

bool picLightFilter::applyBounds()
{
    double values[4];
    for (int i = 0; i < 4; ++i) {
        const vbString bound = GetBound(i);
        const bool parsed = i < 2 ? parseWavelength(bound, &values[i]) : parsePercent(bound, &values[i]);
        if (!parsed)
            return false;
    }
    return m_curve.SetAxesRange(values[0], values[1], values[2], values[3]);
}
