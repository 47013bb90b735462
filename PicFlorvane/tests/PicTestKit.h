#pragma once

// What the project-node tests share: a recording stand-in for the main window (it keeps a real
// filter directory and copy buffer, answers file dialogs from a script and writes every other
// call into a log), and a small node class whose behaviour a test sets.

#include "picChannelFilter.h"
#include "picFilterDirectory.h"
#include "picMainWnd.h"
#include "picNode.h"

#include "vbApp.h"
#include "vbEngine.h"
#include "vbExceptionEngine.h"
#include "vbException.h"

#include "plat/msgbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pic::test {

class RecordingMainWnd : public sIpicMainWnd {
public:
    RecordingMainWnd() : directory(lock) {}
    ~RecordingMainWnd() { directory.SetTreeRoot(nullptr); }

    bool openNodeMenu(picNode* node, const CRect* rect) override
    {
        menuRects.push_back(rect ? *rect : CRect());
        return record("menu", node);
    }
    void showImageView(picNode* node) override { record("view", node); }
    void showNode(picNode* node) override { record("show", node); }

    bool chooseImageToSave(vbString& path, const char* title) override { return answer("image-save", path, title); }
    bool chooseImageToOpen(vbString& path, const char* title) override { return answer("image-open", path, title); }
    bool chooseImagesToImport(vbArray<vbString>& files, const char* title) override
    {
        calls.push_back(std::string("images-import ") + title);
        if (!importAnswer)
            return false;
        files.RemoveAll();
        for (const std::string& file : *importAnswer)
            files[files.AddEmpty()] = file.c_str();
        return true;
    }
    bool pickProjectToSave(vbString& path, const char* title) override { return answer("project-save", path, title); }
    bool pickProjectToOpen(vbString& path, const char* title) override { return answer("project-open", path, title); }

    void fillFilterCombo(CWnd& combo, picChannelFilter& holder) override { directory.fillFilterCombo(combo, holder); }
    bool readFilterCombo(CWnd& combo, picChannelFilter& holder) override
    {
        return directory.readFilterCombo(combo, holder);
    }
    bool resolveFilterNode(picChannelFilter& holder, picNodePtr* out) override
    {
        return directory.resolveFilterNode(holder, out);
    }
    bool findFilterByPrefix(const vbString& text, picNodePtr* out) override
    {
        return directory.findFilterByPrefix(text, out);
    }
    bool isFilterListValid() override { return directory.IsValid(); }
    void invalidateFilterList() override
    {
        ++invalidations;
        directory.Invalidate();
    }

    void onNodeChanged(picNode* node) override { record("changed", node); }
    void onNodeDeleted(picNode* parent) override { record("deleted", parent); }
    void notifyChange() override { ++changes; }
    void notifyStoredChange() override { ++storedChanges; }

    void setCopyNode(picNode* node) override
    {
        vbSectLock hold(&lock);
        copyBuffer.Set(node);
    }
    bool getCopyNode(picNodePtr* out) override
    {
        vbSectLock hold(&lock);
        return copyBuffer.Get(out);
    }

    guiProgress* getProgress() override { return progress; }
    HWND getWindow() override { return window; }

    // The calls, "<what> <node name>" or "<dialog kind> <title>".
    std::vector<std::string> calls;
    std::vector<CRect> menuRects;
    // The files dialogs choose, in order; none left (or nullopt) is Cancel.
    std::deque<std::optional<std::string>> fileAnswers;
    std::optional<std::vector<std::string>> importAnswer;
    int changes = 0;
    int storedChanges = 0;
    int invalidations = 0;
    guiProgress* progress = nullptr;
    HWND window = nullptr;

    CCriticalSection lock;
    picFilterDirectory directory;
    picNodeWeakPtr copyBuffer;

private:
    bool record(const char* what, picNode* node)
    {
        calls.push_back(std::string(what) + " " + (node ? std::string(node->GetName()) : std::string("-")));
        return true;
    }
    bool answer(const char* kind, vbString& path, const char* title)
    {
        calls.push_back(std::string(kind) + " " + title + " @" + std::string(path));
        if (fileAnswers.empty())
            return false;
        std::optional<std::string> chosen = fileAnswers.front();
        fileAnswers.pop_front();
        if (!chosen)
            return false;
        path = chosen->c_str();
        return true;
    }
};

// A node class whose type, names and behaviour the test chooses. It makes children of any type
// but those listed in refuses; "filter" nodes answer the filter identifier and add themselves to
// the filter list.
class TestNode : public picNode {
public:
    TestNode(const char* type, const char* prefix) : m_type(type)
    {
        SetName(MakeId(prefix));
        SetText((std::string("New ") + type).c_str());
        SetVisible(true);
    }

    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IpicLightFilter && m_type == "filter") {
            *ppv = static_cast<picNode*>(this);
            return true;
        }
        return picNode::GetInterface(iid, ppv);
    }

    bool CreateChildOfType(const vbString& type, picNodePtr* out, bool bThrow) override;
    vbString GetTypeName() override { return m_type.c_str(); }
    vbString GetDisplayName() override { return ("Test " + m_type).c_str(); }
    bool CanHoldChildren() override { return holdsChildren; }
    void GetMenuMarkup(sIpicMainWnd* wnd, vbString& markup) override { AppendSharedMenu(wnd, markup); }
    void CollectFilters(picFilterList& list) override
    {
        if (m_type == "filter") {
            picInsertFilter(list, this);
            return;
        }
        guiTreeNodePtr child;
        for (int i = 1; GetChild(i, &child); ++i)
            if (picNodePtr node = picNodeOf(static_cast<IguiTreeNode*>(child.Get())))
                node->CollectFilters(list);
    }
    bool StartWork(sIpicMainWnd*) override
    {
        if (started)
            started->push_back(std::string(GetName()));
        return startAnswer;
    }
    void OnTextChanged() override { ++textChanges; }
    void ImportFile(sIpicMainWnd*, const vbString& path) override { imported.push_back(std::string(path)); }

    using picNode::AddAndShow;

    std::vector<std::string> refuses;
    bool holdsChildren = true;
    bool startAnswer = true;
    std::vector<std::string>* started = nullptr;
    int textChanges = 0;
    std::vector<std::string> imported;

private:
    std::string m_type;
};

// A created node of the test class, held by one reference.
inline vbRefPtr<TestNode, &IID_IpicNode> makeNode(const char* type = "folder", const char* prefix = "fld-")
{
    auto* node = new TestNode(type, prefix);
    vbRefPtr<TestNode, &IID_IpicNode> held(node);
    node->Release();
    node->Create();
    return held;
}

using TestNodePtr = vbRefPtr<TestNode, &IID_IpicNode>;

inline bool TestNode::CreateChildOfType(const vbString& type, picNodePtr* out, bool bThrow)
{
    std::string wanted(type);
    if (std::find(refuses.begin(), refuses.end(), wanted) != refuses.end()) {
        if (bThrow)
            throw new vbEapp("In test node, can't create node of type: " + type);
        return false;
    }
    const char* prefix = wanted == "filter" ? "flt-" : wanted == "folder" ? "fld-" : "tst-";
    TestNodePtr made = makeNode(wanted.c_str(), prefix);
    *out = made.Get();
    return true;
}

// Attaches child last under parent and marks it loaded, as the menu commands do.
inline void attach(picNode* parent, picNode* child)
{
    parent->AddChild(child, 0);
    child->MarkLoaded();
}

// The engines in use, an application as the thread's exception context (message boxes are
// recorded, titled as asked), and the recording window as the application's main window.
class PicTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_use.StartUse(true);
        plat::resetMessageBoxPolicy();
        g_vbExceptionEngine.SetContext(&m_app);
        picSetMainWnd(&wnd);
    }
    void TearDown() override
    {
        picSetMainWnd(nullptr);
        g_vbExceptionEngine.SetContext(nullptr);
        plat::resetMessageBoxPolicy();
        m_use.StopUse();
    }

    RecordingMainWnd wnd;

private:
    vbUseEngineCenter m_use;
    vbApp m_app{"PICflorvane", ""};
};

} // namespace pic::test
