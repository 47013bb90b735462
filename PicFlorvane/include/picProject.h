#pragma once

// An RGB assembly project: source images under it, combined through one monochromatic filter or
// through one filter per colour channel into one result image, which a download-centre worker
// assembles and the project's page previews and saves through a picture compressor plug-in.

#include "picImageHolder.h"

using picGuiImageRef = vbRefPtr<picGuiImageObject, &IID_picGuiImageObject>;

class picProject : public picImageHolder {
    using Base = picImageHolder;

public:
    picProject();

    // A new project, held by the one reference handed out.
    static picNodePtr Make();

    // The picture object the assembly fills; null until the first assembly request.
    picGuiImageRef GetResult() const;
    // Made by the assembly when it first runs; all zero until then.
    GUID GetWorkId() const;
    void SetWorkId(const GUID& id);
    // Why the last assembly made no result; empty while one runs and after one succeeded.
    vbString GetWorkFailure() const;
    // A failed assembly with its reason, or one under way: the result saved last is no longer it.
    vbString WhyNoPicture() override;

    // Writes the result into file through the compressor its extension selects. The file is
    // replaced only once the whole output is written.
    void SaveResult(const vbString& file);

    // "doAssembly" (in any case), run by a download-centre worker: the result image assembled
    // from the checked source images. False for any other request.
    bool LoadFromRes(vbDnData* data, const char* name, const char* type, HINSTANCE module) override;
    // A "res:" request names an operation of the project, never a module resource.
    const char* GetDefaultResType() const override { return nullptr; }

    bool CreateChildOfType(const vbString& type, picNodePtr* out, bool bThrow) override;
    void ReadValues(picFileContext& context, IvbInputStream* in) override;
    void WriteValues(picFileContext& context, IvbOutputStream* out) override;
    vbString GetTypeName() override { return "project"; }
    vbString GetDisplayName() override { return "Project"; }
    bool StartWork(sIpicMainWnd* wnd) override;
    void TouchWork(sIpicMainWnd* wnd, bool force) override;
    void GetMenuMarkup(sIpicMainWnd* wnd, vbString& markup) override;
    void OnMenuCommand(sIpicMainWnd* wnd, const vbString& command) override;
    void BuildPropertyPage(sIpicMainWnd* wnd, guiContainer* page, CRect& rect, bool relayout) override;
    void OnTextChanged() override;

    bool IsPathValid(const vbString& path) override;
    // Asks where to save the result, then saves it there.
    void OnPathButton() override;
    bool IsPathEditable() override;
    void OnPathChanged() override;

protected:
    void onDestruction(bool bExplicit) override;

private:
    void addImages(sIpicMainWnd* wnd);
    // True when the result exists, is loaded and holds a bitmap.
    bool resultReady() const;

    // name: the project's name as failure says it.
    void setWorkFailure(const vbString& failure, const vbString& name);
    // "Assembly failed: " and the reason; empty when the work did not fail.
    vbString failureText() const;
    // Tells the line and the page why the assembly ended without a result (e null: not known);
    // name: the project's name as the assembly read it.
    void assemblyFailed(IvbHotPlugCb* progress, CException* e, const vbString& name);
    // The page learns that the assembly ended.
    void tellPage();

    picGuiImageRef m_result;
    GUID m_workId{};
    vbString m_workFailure;
    vbString m_workFailureName;
};
