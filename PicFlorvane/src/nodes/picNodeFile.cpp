#include "picLightFilter.h"
#include "picNode.h"
#include "picProject.h"
#include "picProjectFile.h"
#include "picSourceImage.h"

#include "file/picFileContext.h"

#include "vbStreamIntf.h"

namespace {

// Flags of projects, images and filters: bit 1 checked, bit 0 a check item.
constexpr uint32_t kFlagCheckItem = 1;
constexpr uint32_t kFlagChecked = 2;

} // namespace

void picNode::ReadTree(picFileContext& context, IvbInputStream* in)
{
    context.Enter();
    ReadValues(context, in);
    while (in->ReadLong() != -1) {
        const vbString type = context.ReadString(in);
        const vbString text = context.ReadString(in);
        picNodePtr child;
        CreateChildOfType(type, &child, true);
        child->SetText(text);
        AddChild(child, 0);
        context.NoteImported(child, text);
        child->ReadTree(context, in);
        child->MarkLoaded();
    }
    context.Leave();
    Update(false);
}

void picNode::WriteTree(picFileContext& context, IvbOutputStream* out)
{
    WriteValues(context, out);
    guiTreeNodePtr child;
    for (int i = 1; GetChild(i, &child); ++i) {
        picNodePtr node = picNodeOf(static_cast<IguiTreeNode*>(child.Get()));
        if (!node)
            continue;
        out->WriteLong(0);
        picFileContext::WriteString(out, node->GetTypeName());
        picFileContext::WriteString(out, node->GetText());
        node->WriteTree(context, out);
    }
    out->WriteLong(-1);
}

void picNode::ImportFile(sIpicMainWnd* wnd, const vbString& path)
{
    picFileContext context(wnd, path);
    importProjectFile(context, this, path);
}

void picNode::ReadValues(picFileContext&, IvbInputStream* in) { in->ReadUlong(); }

void picNode::WriteValues(picFileContext&, IvbOutputStream* out) { out->WriteUlong(0); }

// --- image holders ---

void picImageHolder::writeHolderPart(picFileContext& context, IvbOutputStream* out)
{
    out->WriteUlong(0);
    uint32_t flags = IsChecked() ? kFlagChecked : 0;
    if (GetType() == guiNodeType_Check)
        flags |= kFlagCheckItem;
    out->WriteUlong(flags);
    out->WriteLong(GetFilterType());
    for (int channel = 1; channel <= kChannels; ++channel) {
        picChannelFilter filter = GetChannel(channel);
        context.WriteChannel(out, filter);
    }
}

void picImageHolder::readHolderPart(picFileContext& context, IvbInputStream* in)
{
    in->ReadUlong();
    const uint32_t flags = in->ReadUlong();
    SetChecked((flags & kFlagChecked) != 0);
    SetFilterType(in->ReadLong());
    for (int channel = 1; channel <= kChannels; ++channel)
        context.ReadChannel(in, this, channel);
}

void picProject::WriteValues(picFileContext& context, IvbOutputStream* out)
{
    out->WriteUlong(0);
    writeHolderPart(context, out);
    out->WriteUlong(0);
    picFileContext::WriteString(out, GetFilePath());
}

void picProject::ReadValues(picFileContext& context, IvbInputStream* in)
{
    in->ReadUlong();
    readHolderPart(context, in);
    in->ReadUlong();
    SetPath(context.ReadString(in));
    TouchWork(nullptr, false);
}

void picSourceImage::WriteValues(picFileContext& context, IvbOutputStream* out)
{
    out->WriteUlong(0);
    writeHolderPart(context, out);
    out->WriteUlong(0);
    context.WriteFileRef(out, GetFilePath());
}

void picSourceImage::ReadValues(picFileContext& context, IvbInputStream* in)
{
    in->ReadUlong();
    readHolderPart(context, in);
    in->ReadUlong();
    SetPath(context.ReadFileRef(in));
}

// --- light filters ---

void picLightFilter::WriteValues(picFileContext& context, IvbOutputStream* out)
{
    out->WriteUlong(0);
    out->WriteUlong(0);
    uint32_t flags = IsChecked() ? kFlagChecked : 0;
    if (GetType() == guiNodeType_Check)
        flags |= kFlagCheckItem;
    out->WriteUlong(flags);
    context.WriteFileRef(out, GetFilePath());
    for (int i = 0; i < 4; ++i)
        picFileContext::WriteString(out, GetBound(i));
    m_curve.GetCurve().WriteToStream(out);
}

void picLightFilter::ReadValues(picFileContext& context, IvbInputStream* in)
{
    in->ReadUlong();
    in->ReadUlong();
    const uint32_t flags = in->ReadUlong();
    const vbString path = context.ReadFileRef(in);
    vbString bounds[4];
    for (int i = 0; i < 4; ++i)
        bounds[i] = context.ReadString(in);
    SetChecked((flags & kFlagChecked) != 0);
    // The axes first, as a registry load does, so that the curve's own bounds are the last word.
    setPathAndBounds(path, bounds);
    m_curve.GetCurve().ReadFromStream(in);
}
