#include "picImageHolder.h"

#include "picMainWnd.h"

#include "vbException.h"
#include "vbExceptionReport.h"

#include "plat/msgbox.h"

namespace {

int slotOf(int channel)
{
    if (channel < 1 || channel > picImageHolder::kChannels)
        throw new vbEsys(E_INVALIDARG, "picImageHolder : bad channel " + vbString(static_cast<long long>(channel)));
    return channel - 1;
}

} // namespace

picImageHolder::picImageHolder(int filterType) : m_preview(this), m_filterType(filterType) {}

picImageHolder::~picImageHolder() = default;

void picImageHolder::onDestruction(bool bExplicit)
{
    hidePictureLine();
    Base::onDestruction(bExplicit);
}

void picImageHolder::hidePictureLine() { picGuiImageObject::HideLineOf(GetFilePath()); }

bool picImageHolder::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_IpicImageHolder) {
        *ppv = static_cast<picNode*>(this);
        return true;
    }
    return Base::GetInterface(iid, ppv);
}

vbString picImageHolder::GetFilePath() const
{
    vbSectLock lock(m_pLock);
    return m_path;
}

void picImageHolder::SetPath(const vbString& path) { setStored(m_path, path); }

int picImageHolder::GetFilterType() const
{
    vbSectLock lock(m_pLock);
    return m_filterType;
}

void picImageHolder::SetFilterType(int type) { setStored(m_filterType, type); }

picChannelFilter picImageHolder::GetChannel(int channel) const
{
    const int slot = slotOf(channel);
    vbSectLock lock(m_pLock);
    return m_channels[slot];
}

// The link to the filter node is not stored: only a new key or factor is a change to store.
void picImageHolder::SetChannel(int channel, const picChannelFilter& filter)
{
    const int slot = slotOf(channel);
    bool changed = false;
    {
        vbSectLock lock(m_pLock);
        picChannelFilter& kept = m_channels[slot];
        changed = kept.GetKey() != filter.GetKey() || kept.GetFactor() != filter.GetFactor();
        kept = filter;
    }
    if (changed)
        TellStoredChange();
}

bool picImageHolder::UsesFilter(sIpicMainWnd* wnd, picNode* filter) const
{
    for (int channel = 1; channel <= kChannels; ++channel) {
        picChannelFilter copy = GetChannel(channel);
        picNodePtr node;
        if (wnd->resolveFilterNode(copy, &node) && node.Get() == filter)
            return true;
    }
    return false;
}

bool picImageHolder::IsPathValid(const vbString&) { picPurecall(); }
void picImageHolder::OnPathButton() { picPurecall(); }
bool picImageHolder::IsPathEditable() { picPurecall(); }
void picImageHolder::OnPathChanged() { picPurecall(); }

bool picImageHolder::SetChecked(bool checked)
{
    if (!Base::SetChecked(checked))
        return false;
    TouchWork(nullptr, true);
    return true;
}

void picImageHolder::CopyValues(picNode* source)
{
    picImageHolderQIPtr holder(static_cast<IguiTreeNode*>(source), true);
    auto* from = static_cast<picImageHolder*>(holder.Get());
    Base::CopyValues(source);
    Base::SetChecked(from->IsChecked());
    SetFilterType(from->GetFilterType());
    for (int channel = 1; channel <= kChannels; ++channel)
        SetChannel(channel, from->GetChannel(channel));
    SetPath(from->GetFilePath());
}

void picImageHolder::OnMenuCommand(sIpicMainWnd* wnd, const vbString& command)
{
    if (command == "View")
        wnd->showImageView(this);
    else
        Base::OnMenuCommand(wnd, command);
}

void picImageHolder::touchParents(sIpicMainWnd* wnd)
{
    guiTreeNodePtr parent;
    for (int i = 1; GetParent(i, &parent); ++i) {
        picNodePtr node = picNodeQIPtr(static_cast<IguiTreeNode*>(parent.Get()), true);
        node->TouchWork(wnd, false);
    }
}

sIpicMainWnd* picImageHolder::mainWnd() const
{
    sIpicMainWnd* wnd = GetPageOwner();
    return wnd ? wnd : picGetMainWnd();
}

void picImageHolder::onImageLoaded(picGuiImagePtr*)
{
    if (sIpicMainWnd* wnd = GetPageOwner())
        wnd->onNodeChanged(this);
}
