#include "file/picFileContext.h"

#include "picChannelFilter.h"
#include "picImageHolder.h"
#include "picMainWnd.h"

#include "vbException.h"
#include "vbFileTools.h"

#include <algorithm>

picFileContext::picFileContext(sIpicMainWnd* owner, const vbString& path) : m_owner(owner), m_path(path) {}

sIpicMainWnd* picFileContext::GetWindow() const { return m_owner ? m_owner : picGetMainWnd(); }

// --- writing ---

int32_t picFileContext::FileIndex(const vbString& file)
{
    if (file.IsEmpty() || !vbFileExists(file.c_str()))
        return 0;
    // Byte-equal paths only: on a case-sensitive file system two names differing in case are two files.
    const vbString full = vbGetFullPath(file.c_str());
    auto found = std::find(m_files.begin(), m_files.end(), full);
    if (found != m_files.end())
        return int32_t(found - m_files.begin()) + 1;
    m_files.push_back(full);
    return int32_t(m_files.size());
}

void picFileContext::WriteString(IvbOutputStream* out, const vbString& text) { text.WriteToStream(nullptr, out); }

void picFileContext::WriteFileRef(IvbOutputStream* out, const vbString& file)
{
    out->WriteUlong(0);
    out->WriteLong(FileIndex(file));
}

void picFileContext::WriteChannel(IvbOutputStream* out, picChannelFilter& channel)
{
    out->WriteUlong(0);
    out->WriteDouble(channel.GetFactor());
    vbString text;
    picNodePtr filter;
    if (!channel.IsNodeKey())
        text = channel.GetKey();
    else if (sIpicMainWnd* wnd = GetWindow(); wnd && wnd->resolveFilterNode(channel, &filter))
        text = filter->GetText();
    WriteString(out, text);
}

// --- reading ---

uint64_t picFileContext::BytesLeft() const
{
    if (!m_source)
        return UINT32_MAX;
    const DWORD length = m_source->GetLength();
    const DWORD position = m_source->GetPosition();
    return position < length ? length - position : 0;
}

void picFileContext::ThrowDamaged() const
{
    throw new vbEuser("File '" + m_path + "' is not a PicFlorvane file (2)");
}

int32_t picFileContext::ReadCount(IvbInputStream* in, uint32_t itemSize)
{
    const int32_t count = in->ReadLong();
    if (count < 0 || uint64_t(count) * itemSize > BytesLeft())
        ThrowDamaged();
    return count;
}

vbString picFileContext::ReadString(IvbInputStream* in)
{
    const int32_t length = ReadCount(in, 1);
    std::vector<char> bytes(size_t(length) + 1, '\0');
    if (length)
        in->Read(bytes.data(), DWORD(length), true);
    return vbString(bytes.data(), length);
}

vbString picFileContext::ReadFileRef(IvbInputStream* in)
{
    in->ReadUlong();
    const int32_t index = in->ReadLong();
    if (index <= 0)
        return vbString();
    if (size_t(index) > m_files.size())
        throw new vbEsys(true, E_INVALIDARG, "picFileContext::ReadFileRef() : bad file index %d", int(index));
    return m_files[size_t(index) - 1];
}

void picFileContext::ReadChannel(IvbInputStream* in, picImageHolder* holder, int channel)
{
    in->ReadUlong();
    picChannelFilter filter = holder->GetChannel(channel);
    filter.SetFactor(in->ReadDouble());
    const vbString text = ReadString(in);
    // Built-in keys are kept; user filters are looked up once every filter of the file exists.
    filter.SetKey(text.Left(1) == "!" ? text : vbString());
    holder->SetChannel(channel, filter);
    if (!text.IsEmpty() && text.Left(1) != "!")
        m_pending.push_back({picNodeOf(static_cast<IguiTreeNode*>(holder)), channel, text});
}

void picFileContext::Enter()
{
    if (++m_depth > kMaxDepth) {
        --m_depth;
        ThrowDamaged();
    }
}

void picFileContext::NoteImported(picNode* node, const vbString& recordText)
{
    vbRefQIPtr<picNode, &IID_IpicLightFilter> filter(static_cast<IguiTreeNode*>(node), false);
    if (filter)
        m_imported.push_back({picNodePtr(node), recordText});
}

bool picFileContext::findFilter(picNode* target, const vbString& text, picNodePtr* out)
{
    // A filter renamed by this import ("Red" read as "Red - 1") is the one its projects meant.
    for (const ImportedFilter& imported : m_imported) {
        if (imported.recordText.CompareNoCase(text) == 0) {
            *out = imported.node;
            return true;
        }
    }
    guiTreeNodePtr top(target);
    guiTreeNodePtr parent;
    while (top->GetParent(1, &parent))
        top = parent;
    picFilterList filters;
    if (picNodePtr root = picNodeOf(static_cast<IguiTreeNode*>(top.Get())))
        root->CollectFilters(filters);
    for (const picNodePtr& filter : filters) {
        if (filter->GetText() == text) {
            *out = filter;
            return true;
        }
    }
    sIpicMainWnd* wnd = GetWindow();
    return wnd && wnd->findFilterByPrefix(text, out);
}

void picFileContext::ResolveChannels(picNode* target)
{
    // The filters read in are in the tree now: every filter box made from here on offers them.
    if (sIpicMainWnd* wnd = GetWindow())
        wnd->invalidateFilterList();
    std::vector<picNodePtr> touched;
    for (PendingChannel& pending : m_pending) {
        picImageHolderQIPtr holder(static_cast<IguiTreeNode*>(pending.holder.Get()), false);
        if (!holder)
            continue;
        auto* imageHolder = static_cast<picImageHolder*>(holder.Get());
        picChannelFilter filter = imageHolder->GetChannel(pending.channel);
        picNodePtr found;
        if (findFilter(target, pending.text, &found)) {
            filter.SetKey(found->GetPath());
            filter.Link(found);
        } else {
            filter.SetKey(vbString());
        }
        imageHolder->SetChannel(pending.channel, filter);
        if (std::find(touched.begin(), touched.end(), pending.holder) == touched.end())
            touched.push_back(pending.holder);
    }
    m_pending.clear();
    for (const picNodePtr& node : touched)
        node->TouchWork(nullptr, false);
}
