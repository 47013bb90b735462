#pragma once

// The state of one project-file export or import, shared by the node writers and readers of the
// run: the owner window, the embedded (export) or extracted (import) file list, and the bounded
// readers that keep a damaged file from driving allocations, copies or recursion.

#include "picNode.h"

#include "vbString.h"

#include <cstdint>
#include <vector>

class IvbSeekStream;
class picChannelFilter;
class picImageHolder;

class picFileContext {
public:
    // Deeper content is refused: a file of many nested records must not exhaust the stack.
    static constexpr int kMaxDepth = 256;

    // path: the project file, named in the error texts.
    picFileContext(sIpicMainWnd* owner, const vbString& path);

    sIpicMainWnd* GetOwner() const { return m_owner; }
    // The owner, else the application's main window (may be null).
    sIpicMainWnd* GetWindow() const;
    const vbString& GetPath() const { return m_path; }

    // --- writing ---
    // The 1-based index of file in the embedded list, appended when new; 0 for an empty path or a
    // missing file.
    int32_t FileIndex(const vbString& file);
    const std::vector<vbString>& GetFiles() const { return m_files; }
    static void WriteString(IvbOutputStream* out, const vbString& text);
    void WriteFileRef(IvbOutputStream* out, const vbString& file);
    void WriteChannel(IvbOutputStream* out, picChannelFilter& channel);

    // --- reading ---
    // The stream being read; its length bounds every count and length.
    void SetSource(IvbSeekStream* source) { m_source = source; }
    uint64_t BytesLeft() const;
    [[noreturn]] void ThrowDamaged() const;
    vbString ReadString(IvbInputStream* in);
    // A length or count of items at least itemSize bytes each that fits in the rest of the file.
    int32_t ReadCount(IvbInputStream* in, uint32_t itemSize);
    void SetExtracted(std::vector<vbString> files) { m_files = std::move(files); }
    vbString ReadFileRef(IvbInputStream* in);
    // Reads a channel record into channel 1-3 of holder; user filters are linked by Resolve.
    void ReadChannel(IvbInputStream* in, picImageHolder* holder, int channel);
    // The nesting guard of ReadTree.
    void Enter();
    void Leave() { --m_depth; }
    // A filter node made by this import, with the text its record carried.
    void NoteImported(picNode* node, const vbString& recordText);
    // Links every channel record read to its filter, now that all filters of the file exist.
    void ResolveChannels(picNode* target);

private:
    struct PendingChannel {
        picNodePtr holder; // answers the image-holder identifier
        int channel;
        vbString text;
    };
    struct ImportedFilter {
        picNodePtr node;
        vbString recordText;
    };

    bool findFilter(picNode* target, const vbString& text, picNodePtr* out);

    sIpicMainWnd* m_owner;
    vbString m_path;
    std::vector<vbString> m_files;
    IvbSeekStream* m_source = nullptr;
    int m_depth = 0;
    std::vector<PendingChannel> m_pending;
    std::vector<ImportedFilter> m_imported;
};
