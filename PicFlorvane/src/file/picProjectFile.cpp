#include "picProjectFile.h"

#include "file/picFileContext.h"
#include "picFileReplace.h"
#include "picMainWnd.h"
#include "picNode.h"

#include "vbEngine.h"
#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbFileStream.h"
#include "vbFileTools.h"
#include "vbSecurity.h"

#include "plat/msgbox.h"
#include "plat/shell.h"

#include <cstring>
#include <vector>

namespace {

using FilePtr = vbRefPtr<vbFileStream, &IID_vbFileStream>;

// {A62F2C05-F0BA-4892-9C34-F1E36948F2A1}
constexpr GUID kFileClass = {0xA62F2C05, 0xF0BA, 0x4892, {0x9C, 0x34, 0xF1, 0xE3, 0x69, 0x48, 0xF2, 0xA1}};
constexpr uint32_t kHeaderSize = 64;
constexpr DWORD kCopyBlock = 1 << 16;
constexpr DWORD kCompareBlock = 8192;
constexpr int kMaxCandidates = 100;

std::function<void()>& exportFilesHook()
{
    static std::function<void()> hook;
    return hook;
}

void writeHeader(IvbOutputStream* out, uint32_t nodeOffset, uint32_t fileOffset)
{
    out->WriteGuid(kFileClass);
    out->WriteUlong(kHeaderSize);
    out->WriteUlong(0);
    out->WriteUlong(nodeOffset);
    out->WriteUlong(fileOffset);
    const unsigned char zeros[32] = {};
    out->Write(zeros, sizeof zeros, true);
}

void writeRecord(picFileContext& context, IvbOutputStream* out, picNode* node)
{
    out->WriteLong(0);
    picFileContext::WriteString(out, node->GetTypeName());
    picFileContext::WriteString(out, node->GetText());
    node->WriteTree(context, out);
}

FilePtr openFile(const vbString& path, vbOpenMode om, vbAccessMode am, vbWorkMode wm)
{
    FilePtr file;
    vbFileStream::CreateObject(&file);
    if (om == vbOpenExisting) {
        file->Open(path, om, am, wm);
    } else {
        const vbSecurityAttr security(vbIs95os() ? vbSecurityTypeNone : vbSecurityTypeNullDacl);
        file->Open(security, path, om, am, wm);
    }
    return file;
}

void copyBytes(IvbInputStream* in, IvbOutputStream* out, uint64_t count)
{
    std::vector<unsigned char> block(kCopyBlock);
    while (count) {
        const DWORD part = DWORD(count < kCopyBlock ? count : kCopyBlock);
        in->Read(block.data(), part, true);
        out->Write(block.data(), part, true);
        count -= part;
    }
}

void writeFiles(picFileContext& context, vbStream* out)
{
    const std::vector<vbString>& files = context.GetFiles();
    out->WriteLong(LONG(files.size()));
    for (const vbString& path : files) {
        FilePtr in = openFile(path, vbOpenExisting, vbAccessRead, vbShareRead);
        const uint64_t length = in->GetLongLength();
        if (length > uint64_t(INT32_MAX))
            throw new vbEuser("Image file '" + path + "' is too large for a PicFlorvane file");
        picFileContext::WriteString(out, vbGetFileNameExt(path.c_str()));
        out->WriteLong(LONG(length));
        copyBytes(in.Get(), out, length);
    }
}

// --- extraction ---

// The last component of a stored name; a name that could leave the folder is refused.
vbString safeFileName(picFileContext& context, const vbString& stored)
{
    const char* bytes = stored.c_str();
    const int length = stored.GetLength();
    if (int(std::strlen(bytes)) != length)
        context.ThrowDamaged();
    int start = 0;
    for (int i = 0; i < length; ++i)
        if (bytes[i] == '/' || bytes[i] == '\\')
            start = i + 1;
    vbString name(bytes + start, length - start);
    if (name.IsEmpty() || name == "." || name == "..")
        context.ThrowDamaged();
    return name;
}

vbString imagesFolder()
{
    vbString base;
    try {
        base = vbGetShellFolder(CSIDL_MYPICTURES, true);
    } catch (CException* e) {
        e->Delete();
    }
    if (base.IsEmpty())
        base = vbGetShellFolder(CSIDL_PERSONAL, true);
    vbString folder = vbEndSlash(base.c_str(), false) + "PicFlorvane Images";
    vbMakeDir(folder, true);
    return vbEndSlash(folder.c_str(), false);
}

bool sameContent(const vbString& a, const vbString& b)
{
    try {
        FilePtr fa = openFile(a, vbOpenExisting, vbAccessRead, vbShareRead);
        FilePtr fb = openFile(b, vbOpenExisting, vbAccessRead, vbShareRead);
        if (fa->GetLongLength() != fb->GetLongLength())
            return false;
        std::vector<unsigned char> ba(kCompareBlock), bb(kCompareBlock);
        for (;;) {
            const DWORD na = fa->Read(ba.data(), kCompareBlock, false);
            const DWORD nb = fb->Read(bb.data(), kCompareBlock, false);
            if (na != nb || std::memcmp(ba.data(), bb.data(), na) != 0)
                return false;
            if (na == 0)
                return true;
        }
    } catch (CException* e) {
        vbTraceException(e, true, __FILE__, __LINE__);
        return false;
    }
}

vbString extractEntry(picFileContext& context, vbFileStream* in, const vbString& folder)
{
    const vbString stored = context.ReadString(in);
    const vbString name = safeFileName(context, stored);
    const vbString stem = vbGetFileName(name.c_str());
    const vbString ext = vbGetFileExt(name.c_str(), true);
    std::vector<vbString> candidates{folder + name};
    while (vbPathExists(candidates.back().c_str())) {
        if (int(candidates.size()) > kMaxCandidates)
            throw new vbEuser("Can't create image file '" + name + "', too many files with the same name in folder '"
                + folder + "' !");
        candidates.push_back(folder + stem + "-" + vbString(static_cast<long long>(candidates.size())) + ext);
    }
    const vbString target = candidates.back();
    {
        FilePtr out = openFile(target, vbOpenCreateAlways, vbAccessBoth, vbShareExclusive);
        try {
            const int32_t length = context.ReadCount(in, 1);
            copyBytes(in, out.Get(), uint64_t(length));
            out->Close();
        } catch (...) {
            out->Close();
            vbDeleteFile(target.c_str(), false);
            throw;
        }
    }
    for (size_t i = 0; i + 1 < candidates.size(); ++i) {
        if (sameContent(candidates[i], target)) {
            vbDeleteFile(target.c_str(), false);
            return candidates[i];
        }
    }
    return target;
}

void extractFiles(picFileContext& context, vbFileStream* in)
{
    const vbString folder = imagesFolder();
    // The smallest entry is an empty name and a zero length: 8 bytes.
    const int32_t count = context.ReadCount(in, 8);
    std::vector<vbString> files;
    files.reserve(size_t(count));
    try {
        for (int32_t i = 0; i < count; ++i)
            files.push_back(extractEntry(context, in, folder));
    } catch (...) {
        context.SetExtracted(std::move(files));
        throw;
    }
    context.SetExtracted(std::move(files));
}

// --- records ---

vbString freeAlternative(picNode* target, const vbString& text)
{
    // Texts compare up to their first NUL byte: a candidate made of the whole text would match
    // the clashing node at every number.
    const vbString compared(text.c_str());
    for (long long k = 1;; ++k) {
        vbString candidate = compared + " - " + vbString(k);
        if (!target->FindChildByText(candidate, nullptr))
            return candidate;
    }
}

// The node the record is read into: the existing one of the same type (Yes), or node under the
// alternative text (No, or a same-text node of another type).
picNodePtr settleClash(picFileContext& context, picNode* target, picNode* node, const vbString& type, vbString& text)
{
    picNodePtr existing;
    if (!target->FindChildByText(text, &existing))
        return node;
    const vbString alternative = freeAlternative(target, text);
    if (!existing || existing->GetTypeName() != type) {
        text = alternative;
        return node;
    }
    const vbString fileName = vbGetFileNameExt(context.GetPath().c_str());
    const vbString kind = node->GetDisplayName();
    const vbString question = "Do you want to replace existing " + existing->GetDisplayName() + " '"
        + existing->GetText() + "' by imported " + type + " ?\nYes    -> Replace with imported " + kind
        + ".\nNo     -> Add imported " + kind + " with another name (" + alternative
        + ").\nCancel -> Abort import operation.\n";
    sIpicMainWnd* wnd = context.GetWindow();
    switch (vbMBox(wnd ? wnd->getWindow() : nullptr, question, "Import of " + fileName + "...",
        MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
        existing->SetLoadState(false, true);
        existing->ClearChildren();
        return existing;
    case IDNO:
        text = alternative;
        return node;
    default:
        throw new vbEuser(E_ABORT, "Import of " + fileName + " aborted");
    }
}

void importRecord(picFileContext& context, picNode* target, vbFileStream* in)
{
    const vbString type = context.ReadString(in);
    vbString text = context.ReadString(in);
    const vbString recordText = text;
    picNodePtr made;
    if (!target->CreateChildOfType(type, &made, false) || !made)
        throw new vbEuser("You can't import " + type + " '" + text + "' in " + target->Describe()
            + " !\nThis object type is not supported here, images should be imported in projects, folders in "
              "project list, projects in folders and project list, ...");
    picNodePtr node = settleClash(context, target, made, type, text);
    if (node.Get() == made.Get()) {
        target->AddChild(node, 0);
        node->SetText(text);
    }
    context.NoteImported(node, recordText);
    node->ReadTree(context, in);
    node->MarkLoaded();
}

void checkHeader(picFileContext& context, vbFileStream* in, uint32_t* nodeOffset, uint32_t* fileOffset)
{
    const vbString wrong = "File '" + context.GetPath() + "' is not a PicFlorvane file";
    if (in->GetLongLength() < kHeaderSize)
        throw new vbEuser(wrong);
    const GUID cls = in->ReadGuid();
    in->ReadUlong();
    const uint32_t reserved = in->ReadUlong();
    *nodeOffset = in->ReadUlong();
    *fileOffset = in->ReadUlong();
    if (reserved != 0 || std::memcmp(&cls, &kFileClass, sizeof cls) != 0 || *nodeOffset < kHeaderSize)
        throw new vbEuser(wrong);
    if (*fileOffset >= 1 && *fileOffset <= kHeaderSize)
        throw new vbEuser(wrong + " (2)");
}

} // namespace

void picSetExportFilesHook(std::function<void()> hook) { exportFilesHook() = std::move(hook); }

void exportProjectFile(sIpicMainWnd* owner, picNode* node, const vbString& path, bool childrenOnly)
{
    picReplaceFile(path, [&](vbStream* out) {
        picFileContext context(owner, path);
        writeHeader(out, 0, 0);
        const uint32_t nodeOffset = out->GetPosition();
        if (!childrenOnly) {
            writeRecord(context, out, node);
        } else {
            guiTreeNodePtr child;
            for (int i = 1; node->GetChild(i, &child); ++i) {
                picNodePtr record = picNodeOf(static_cast<IguiTreeNode*>(child.Get()));
                if (!record)
                    throw new vbEsys(E_NOINTERFACE,
                        ("exportProjectFile() : a child of " + node->Describe() + " is not a project node").c_str());
                writeRecord(context, out, record);
            }
        }
        out->WriteLong(-1);
        uint32_t fileOffset = 0;
        if (!context.GetFiles().empty()) {
            if (exportFilesHook())
                exportFilesHook()();
            fileOffset = out->GetPosition();
            writeFiles(context, out);
        }
        out->Seek(0, vbSeekStart);
        writeHeader(out, nodeOffset, fileOffset);
    });
}

void importProjectFile(picFileContext& context, picNode* target, const vbString& path)
{
    FilePtr in = openFile(path, vbOpenExisting, vbAccessRead, vbShareRead);
    context.SetSource(in.Get());
    context.SetExtracted({});
    uint32_t nodeOffset = 0;
    uint32_t fileOffset = 0;
    checkHeader(context, in.Get(), &nodeOffset, &fileOffset);
    if (fileOffset) {
        in->Seek(LONG(fileOffset), vbSeekStart);
        extractFiles(context, in.Get());
    }
    in->Seek(LONG(nodeOffset), vbSeekStart);
    try {
        while (in->ReadLong() != -1)
            importRecord(context, target, in.Get());
    } catch (...) {
        context.ResolveChannels(target);
        context.SetSource(nullptr);
        throw;
    }
    context.ResolveChannels(target);
    context.SetSource(nullptr);
    target->Update(false);
}
