#pragma once

// The top of the project tree and its folders. The projects list ("Projects") is the one node
// under the tree control's own root; folders nest below it without limit. Both only organise:
// they hold projects, folders and light filters, and have no values beyond those of every node.
//
// The projects list also loads the saved tree from the registry on a download-centre worker (the
// "loadcfg" operation, see picTreeRegistry.h); until that has run, its commands that add
// children wait for it, so that new ids come after the restored counters.

#include "picNode.h"

class picRoot : public picNode {
    using Base = picNode;

public:
    // A new projects list, held by the one reference handed out.
    static picNodePtr Make();

    bool CreateChildOfType(const vbString& type, picNodePtr* out, bool bThrow) override;
    vbString GetTypeName() override { return "root"; }
    vbString GetDisplayName() override { return "Project list"; }
    void CollectFilters(picFilterList& list) override;
    void GetMenuMarkup(sIpicMainWnd* wnd, vbString& markup) override;
    void OnMenuCommand(sIpicMainWnd* wnd, const vbString& command) override;

    // "loadcfg" (in any case, by name, nothing else): the saved tree, read on a download worker.
    bool LoadFromRes(vbDnData* data, const char* name, const char* type, HINSTANCE module) override;
    // A "res:" request names an operation of the node, never a module resource.
    const char* GetDefaultResType() const override { return nullptr; }

protected:
    picRoot();
    ~picRoot() override;

private:
    void waitForLoader();
};

class picFolder : public picNode {
    using Base = picNode;

public:
    // A new folder, held by the one reference handed out.
    static picNodePtr Make();

    bool CreateChildOfType(const vbString& type, picNodePtr* out, bool bThrow) override;
    vbString GetTypeName() override { return "folder"; }
    vbString GetDisplayName() override { return "Folder"; }
    void CollectFilters(picFilterList& list) override;
    void GetMenuMarkup(sIpicMainWnd* wnd, vbString& markup) override;
    void OnMenuCommand(sIpicMainWnd* wnd, const vbString& command) override;

protected:
    picFolder();
    ~picFolder() override;
};
