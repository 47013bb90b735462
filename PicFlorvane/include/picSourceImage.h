#pragma once

// One source picture of an assembly project: a file, the filters through which it was taken and
// their factors. Checking or unchecking it is a change of its project; while unchecked, its
// edits change nothing.

#include "picImageHolder.h"

class picSourceImage : public picImageHolder {
    using Base = picImageHolder;

public:
    picSourceImage();

    // A new image, held by the one reference handed out.
    static picNodePtr Make();

    bool GetInterface(const GUID& iid, void** ppv) override;

    bool CreateChildOfType(const vbString& type, picNodePtr* out, bool bThrow) override;
    void ReadValues(picFileContext& context, IvbInputStream* in) override;
    void WriteValues(picFileContext& context, IvbOutputStream* out) override;
    vbString GetTypeName() override { return "image"; }
    vbString GetDisplayName() override { return "Image"; }
    bool CanHoldChildren() override { return false; }
    void TouchWork(sIpicMainWnd* wnd, bool force) override;
    void GetMenuMarkup(sIpicMainWnd* wnd, vbString& markup) override;
    void OnMenuCommand(sIpicMainWnd* wnd, const vbString& command) override;
    void BuildPropertyPage(sIpicMainWnd* wnd, guiContainer* page, CRect& rect, bool relayout) override;
    void DropPropertyPage() override;

    // The file exists.
    bool IsPathValid(const vbString& path) override;
    // Asks for the source file.
    void OnPathButton() override;
    bool IsPathEditable() override;
    // The preview's failure, else a file that is gone.
    vbString WhyNoPicture() override;
    // Loads the new path into the preview; no change of the work.
    void OnPathChanged() override;

    // --- the image's own operation ---
    // The source file; the text becomes its name part.
    virtual void SetSourceFile(const vbString& file);

private:
    // The page's status text.
    vbString statusText();
};

using picSourceImageQIPtr = vbRefQIPtr<picNode, &IID_IpicSourceImage>;
