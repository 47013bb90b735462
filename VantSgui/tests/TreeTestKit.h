#pragma once

// What the tree tests share: fresh nodes, an observer that records the signals of an object, an
// owner of a node tree that records what it is asked and answers from a script, and a style
// section read into an aspect through the real tokenizer.

#include "guiTreeStyle.h"
#include "guiTreeNode.h"

#include "vbEngine.h"
#include "vbXml.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace gui::test {

// A created node held by one reference.
inline guiTreeNodePtr makeNode(const char* name, const char* url = nullptr)
{
    auto* node = new guiTreeNode(url ? vbString(url) : vbString());
    guiTreeNodePtr held(node);
    node->Release();
    node->Create();
    node->SetName(name);
    return held;
}

// The names of a node's children, in order, separated by blanks.
inline std::string childNames(guiTreeNode* node)
{
    std::string out;
    guiTreeNodePtr child;
    for (int i = 1; node->GetChild(i, &child); ++i)
        out += (out.empty() ? "" : " ") + std::string(child->GetName());
    return out;
}

inline vbRefPtr<guiTreeAspect, &CLSID_guiTreeAspect> makeAspect(const char* name = "")
{
    auto* aspect = new guiTreeAspect();
    vbRefPtr<guiTreeAspect, &CLSID_guiTreeAspect> held(aspect);
    aspect->Release();
    aspect->Create();
    aspect->SetName(name);
    return held;
}

// A root read from "data:" + markup, loaded.
inline guiTreeNodePtr loadMarkup(const std::string& markup)
{
    guiTreeNodePtr root = makeNode("root");
    const std::string url = "data:" + markup;
    root->Load(url.c_str(), vbDnPriority3);
    // In real time: the manual clock never ends a wait slice of the download centre.
    for (int i = 0; i < 2000 && !(root->IsLoaded() && !root->IsDnOpInWork()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(root->IsLoaded());
    return root;
}

// Records the signal codes of the object it observes; `during` runs inside each delivery.
class SignalLog : public sIvbPtrCb {
public:
    explicit SignalLog(IvbObject* obj) : m_ptr(obj) { m_ptr.SetCallback(this); }
    explicit SignalLog(guiTreeNode* node) : SignalLog(static_cast<IguiTreeNode*>(node)) {}
    explicit SignalLog(guiTreeAspect* aspect) : SignalLog(static_cast<IguiTreeAspect*>(aspect)) {}
    void onPtrSignal(sIvbPtr*, int signal) override
    {
        codes.push_back(signal);
        if (during)
            during(signal);
    }
    void onPtrUnlink(sIvbPtr*) override {}
    void onPtrLink(sIvbPtr*) override {}

    std::vector<int> codes;
    std::function<void(int)> during;

private:
    vbObsPtr<IvbObject, &IID_IvbObject> m_ptr;
};

// An owner of a node tree, living on the stack.
class FakeContainer : public IguiTreeNodeContainer {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }

    vbString GetUrlRootForProtocol(const vbString& protocol) override
    {
        calls.push_back("root " + std::string(protocol));
        auto it = roots.find(std::string(protocol));
        return it == roots.end() ? vbString() : vbString(it->second.c_str());
    }
    bool LoadNodeFromRes(vbDnData*, guiTreeNode* node, const char* name) override
    {
        calls.push_back("res " + std::string(name) + " " + std::string(node->GetName()));
        return resources.count(name) > 0;
    }
    bool onClick(guiTreeNode* n, bool b) override { return record("onClick", n, b); }
    bool onDClick(guiTreeNode* n, bool b) override { return record("onDClick", n, b); }
    bool onContextMenu(guiTreeNode* n, bool b) override { return record("onContextMenu", n, b); }
    bool onSelect(guiTreeNode* n, bool b) override { return record("onSelect", n, b); }
    bool onOver(guiTreeNode* n, bool b) override { return record("onOver", n, b); }
    bool onCheck(guiTreeNode* n, bool* b) override { return record("onCheck", n, *b); }
    bool onExpand(guiTreeNode* n) override { return record("onExpand", n, true); }
    bool onCollapse(guiTreeNode* n) override { return record("onCollapse", n, true); }
    bool onExpandParent(guiTreeNode* n) override { return record("onExpandParent", n, true); }
    bool onCollapseParent(guiTreeNode* n) override { return record("onCollapseParent", n, true); }
    void onNodeChange(guiTreeNode* n, bool destroyed) override
    {
        calls.push_back("change " + std::string(n->GetName()) + (destroyed ? " destroyed" : ""));
    }
    void onSetContainer(guiTreeNode* n, bool weak) override
    {
        calls.push_back("set " + std::string(n->GetName()) + (weak ? " weak" : " strong"));
    }

    std::string tag;
    std::vector<std::string> calls;
    std::map<std::string, std::string> roots;
    std::map<std::string, bool> resources;

private:
    bool record(const char* what, guiTreeNode* n, bool b)
    {
        calls.push_back(tag + " " + what + " " + std::string(n->GetName()) + (b ? " 1" : " 0"));
        return true;
    }
};

// A tokenizer target that hands every section to an aspect's reader.
class StyleTarget : public IvbXmlTarget {
public:
    StyleTarget(IguiTreeAspect* aspect, const char* base, sIvbUrlRoots* roots)
        : m_aspect(aspect), m_base(base), m_roots(roots)
    {
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    void AddSection(sIvbXmlSource* src, const vbString&, bool, const vbXmlPos&) override
    {
        m_aspect->ReadXml(src, m_base, m_roots);
    }
    void AddSectionEnd(sIvbXmlSource*, const vbString&, const vbXmlPos&) override {}
    void AddText(sIvbXmlSource*, const vbString&, const vbXmlPos&) override {}
    int CutSectionName(sIvbXmlSource*, const vbString&, bool, bool) override { return 0; }
    bool Warning(const vbString&, int, int, const vbString&) override { return true; }
    bool Error(const vbString&, int, int, const vbString&) override { return true; }
    void EndParse(sIvbXmlSource*) override {}

private:
    IguiTreeAspect* m_aspect;
    const char* m_base;
    sIvbUrlRoots* m_roots;
};

// Reads "<style " + keys + "/>" into the aspect.
inline void readStyle(IguiTreeAspect* aspect, const std::string& keys, const char* base = nullptr,
    sIvbUrlRoots* roots = nullptr)
{
    StyleTarget target(aspect, base, roots);
    const std::string doc = "<style " + keys + "/>";
    vbXml xml;
    xml.ParseStart(&target, "style.xml", nullptr, 0, 0, 1);
    xml.Parse(doc.data(), static_cast<DWORD>(doc.size()));
    xml.ParseEnd();
}

// Every tree test runs with the engines in use.
class TreeTest : public ::testing::Test {
protected:
    void SetUp() override { m_use.StartUse(true); }
    void TearDown() override { m_use.StopUse(); }

private:
    vbUseEngineCenter m_use;
};

// What a download worker does to a shown node while the GUI thread lays it out: it gives the node
// kTextChanges texts and selected texts of varying length, and clears running when it is done.
// Text i is one letter repeated as many times as its place in the alphabet, so that a torn read
// shows; the selected text of change i is text i + 7.
constexpr int kTextChanges = 20000;
inline std::string changingText(int i) { return std::string(size_t(i % 26 + 1), char('a' + i % 26)); }
inline std::thread changeTexts(const guiTreeNodePtr& node, std::atomic<bool>& running)
{
    running = true;
    return std::thread([node, &running] {
        for (int i = 0; i < kTextChanges; ++i) {
            node->SetText(changingText(i).c_str());
            node->SetSelText(changingText(i + 7).c_str());
        }
        running = false;
    });
}

} // namespace gui::test
