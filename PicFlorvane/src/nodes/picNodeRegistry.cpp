#include "picImageHolder.h"

#include "nodes/picRegValues.h"

#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbRegKey.h"

namespace {

vbString readText(vbRegKey& key, const char* name) { return key.GetValue(name).GetAsString(); }

vbString channelName(const char* prefix, int channel)
{
    return vbString(prefix) + vbString(static_cast<long long>(channel));
}

} // namespace

// Children are the sub keys, named by their ids.
void picNode::SaveToRegKey(vbRegKey& key)
{
    SaveValues(key);
    guiTreeNodePtr child;
    for (int i = 1; GetChild(i, &child); ++i) {
        picNodePtr node = picNodeQIPtr(static_cast<IguiTreeNode*>(child.Get()), true);
        vbRegKey sub(key, node->GetName());
        node->SaveToRegKey(sub);
    }
}

// A sub key that cannot be loaded (an unknown type, a bad value) drops that subtree only.
void picNode::LoadFromRegKey(vbRegKey& key)
{
    LoadValues(key);
    vbRegEnumKey subKeys(key);
    vbRegKey sub;
    while (subKeys.Next(&sub)) {
        picNodePtr child;
        try {
            CreateChildOfType(readText(sub, "Type"), &child, true);
            child->SetName(sub.GetName());
            AddChild(child, 0);
            child->LoadFromRegKey(sub);
            child->MarkLoaded();
        } catch (CException* e) {
            vbTraceException(e, true, "PicNodes", __LINE__);
            if (!child.IsNull())
                child->Destroy();
        }
    }
    Update(true);
}

void picNode::LoadValues(vbRegKey& key)
{
    SetText(key.GetDefaultValue().GetAsString());
    SetImportPath(readText(key, "PathImport"));
    SetExportPath(readText(key, "PathExport"));
}

void picNode::SaveValues(vbRegKey& key)
{
    key.SetDefaultValue(vbVariant(GetText()));
    key.SetValue("Type", vbVariant(GetTypeName()));
    key.SetValue("PathImport", vbVariant(GetImportPath()));
    key.SetValue("PathExport", vbVariant(GetExportPath()));
}

// Any non-zero "Checked" is checked (older copies wrote -1).
void picImageHolder::LoadValues(vbRegKey& key)
{
    Base::LoadValues(key);
    if (key.ValueExists("Checked"))
        picNode::SetChecked(picReadHalf(key, "Checked") != 0);
    SetPath(readText(key, "Path"));
    SetFilterType(static_cast<int32_t>(picReadHalf(key, "FilterType")));
    for (int channel = 1; channel <= kChannels; ++channel) {
        const vbString name = channelName("FilterC", channel);
        picChannelFilter filter;
        if (key.ValueExists(name)) {
            filter.SetKey(readText(key, name));
            const vbString factor = channelName("FactorC", channel);
            filter.SetFactor(key.ValueExists(factor + "H") ? picReadDouble(key, factor) : 100.0);
        }
        SetChannel(channel, filter);
    }
}

void picImageHolder::SaveValues(vbRegKey& key)
{
    Base::SaveValues(key);
    if (GetType() == guiNodeType_Check)
        key.SetValue("Checked", vbVariant(IsChecked()));
    key.SetValue("Path", vbVariant(GetFilePath()));
    picWriteHalf(key, "FilterType", static_cast<uint32_t>(GetFilterType()));
    for (int channel = 1; channel <= kChannels; ++channel) {
        const picChannelFilter filter = GetChannel(channel);
        if (filter.GetKey().IsEmpty())
            continue;
        key.SetValue(channelName("FilterC", channel), vbVariant(filter.GetKey()));
        picWriteDouble(key, channelName("FactorC", channel), filter.GetFactor());
    }
}
