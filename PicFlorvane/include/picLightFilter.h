#pragma once

// A light filter of the project tree: a real optical filter described by its transmission curve
// (wavelength in nanometres across, transmittance in per cent up), drawn in a curve editor on the
// filter's page, optionally over a background picture (a scan of the maker's data sheet) whose
// axes four bound values match. Projects pick filters by their key; the assembly turns the curve
// into a table.
//
// The editor object is made with the node, so the curve is there for the registry, copies and
// the assembly before any page; its window comes with the page.

#include "picGuiCurve.h"
#include "picNode.h"

#include "guiButton.h"
#include "guiMsEdit.h"

#include <vector>

class picLightFilter;

// What the curve editor tells the filter, in the editor's slot order.
class picLightFilterGraph : public sIpicCurveOwner {
public:
    explicit picLightFilterGraph(picLightFilter& filter) : m_filter(filter) {}

    // The page owner rebuilds the page.
    void OnCurveRefresh(picGuiCurve* curve) override;
    // The status shows the wavelength and the transmittance under the mouse.
    void OnCurvePosition(picGuiCurve* curve, double x, double y) override;
    // The status shows the page's own text again.
    void OnCurveMouseOut(picGuiCurve* curve) override;
    // The filter's popup menu, whose first items are the editor's.
    void OnCurveContextMenu(picGuiCurve* curve, CWnd* wnd, CPoint screenPoint) override;
    // The status tells the background's size.
    void OnCurveImageLoaded(picGuiCurve* curve) override;
    // The results made with the old curve are made again, and the curve is stored.
    void OnCurvePointsChanged(picGuiCurve* curve) override;
    // The curve is stored; no result changes.
    void OnCurveFrameChanged(picGuiCurve* curve) override;

private:
    picLightFilter& m_filter;
};

class picLightFilter : public picNode {
    using Base = picNode;

public:
    // A new filter with the defaults, held by out.
    static void New(picNodePtr* out);

    bool GetInterface(const GUID& iid, void** ppv) override;

    picGuiCurve& GetCurveEditor() { return m_curve; }
    vbString GetFilePath() const;
    // band-pass minimum, maximum, transmittance minimum, maximum, as kept (normal forms).
    vbString GetBound(int i) const;

    bool CreateChildOfType(const vbString& type, picNodePtr* out, bool bThrow) override;
    bool CanHoldChildren() override { return false; }
    vbString GetTypeName() override { return "filter"; }
    vbString GetDisplayName() override { return "Light filter"; }
    void CollectFilters(picFilterList& list) override;
    void LoadValues(vbRegKey& key) override;
    void SaveValues(vbRegKey& key) override;
    void CopyValues(picNode* source) override;
    void ReadValues(picFileContext& context, IvbInputStream* in) override;
    void WriteValues(picFileContext& context, IvbOutputStream* out) override;
    void GetMenuMarkup(sIpicMainWnd* wnd, vbString& markup) override;
    void OnMenuCommand(sIpicMainWnd* wnd, const vbString& command) override;
    void BuildPropertyPage(sIpicMainWnd* wnd, guiContainer* page, CRect& rect, bool relayout) override;
    void OnTextChanged() override;

    // --- the filter's own operations, in slot order ---
    // Empty, or a file that exists.
    virtual bool IsPathValid(const vbString& path);
    virtual void OnPathButton();
    virtual void ReloadBackground();
    // The four bounds given to the editor as its axes, when all four parse.
    virtual void ApplyGraphBounds();

protected:
    picLightFilter();
    ~picLightFilter() override;

    // The values of this class under key, without those of the node base.
    void LoadFilterValues(vbRegKey& key);
    void SaveFilterValues(vbRegKey& key);

private:
    friend class picLightFilterGraph;

    void placeControls(guiContainer* page, CRect& rect);
    void setStatus(const vbString& text);
    // The page's main window, else the application's.
    sIpicMainWnd* mainWnd() const;
    // The projects and images whose channels resolve to this filter, anywhere in its tree.
    std::vector<picNodePtr> users(sIpicMainWnd* wnd);
    void collectUsers(sIpicMainWnd* wnd, guiTreeNode* under, std::vector<picNodePtr>& found);
    static void touchUsers(sIpicMainWnd* wnd, const std::vector<picNodePtr>& found);
    // What the filter gives its users changed (its curve, its bounds, its text): their work is
    // made again. Nothing without a main window.
    void touchUsers(sIpicMainWnd* wnd);
    // ApplyGraphBounds; true when the editor's axes changed.
    bool applyBounds();
    // Stores the background picture's path and the four bounds, then gives the bounds to the editor.
    void setPathAndBounds(const vbString& path, const vbString (&bounds)[4]);
    vbString statusText();
    bool onPathEdit(guiMsEdit& edit);
    bool onBoundEdit(guiMsEdit& edit);
    bool onPathButton(guiButton& button);

    vbString m_path;
    vbString m_bounds[4];
    guiMsEdit m_editPath;
    guiButton m_btnPath;
    guiMsEdit m_editBounds[4];
    guiMsEdit m_editStatus;
    picLightFilterGraph m_graph;
    picGuiCurve m_curve;
    vbString m_loadedPath;
};
