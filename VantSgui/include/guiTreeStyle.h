#pragma once

// A named style record of the tree and menu controls. Every property may be unset (null colour,
// integer -1, vbBool state 2, empty font or surface, cursor without URL, icon width -1); the aspect
// engine fills unset properties from parent and default records. Changes reach the controls
// through the object signal: 3 when they need a new layout, 4 when a repaint is enough.

#include "guiCursor.h"
#include "guiExport.h"
#include "guiFont.h"
#include "guiSurface.h"
#include "guiTreeNode.h"

class GUIAPI guiTreeAspect : public vbObject,
                             public IguiTreeAspect,
                             public cbIguiCursorLoaded,
                             public cbIguiFontChanged,
                             public cbIguiSurfaceChanged {
public:
    guiTreeAspect();

    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override;

    // --- IguiTreeAspect ---
    const vbString& GetName() const override;
    const vbString& GetCaption() const override;
    // Reads a style section; relative cursor and icon URLs resolve against baseUrl and roots.
    void ReadXml(sIvbXmlSource* src, const char* baseUrl, sIvbUrlRoots* roots) override;
    bool SetCaption(const vbString& caption, bool bNotify) override;
    bool SetSzIcon(const CSize& size, bool bNotify) override;
    bool SetTextColor(const vbColor& color, bool bNotify) override;
    bool SetTextShadowColor(const vbColor& color, bool bNotify) override;
    bool SetSelTextColor(const vbColor& color, bool bNotify) override;
    bool SetSelTextShadowColor(const vbColor& color, bool bNotify) override;
    bool SetOverTextColor(const vbColor& color, bool bNotify) override;
    bool SetOverTextShadowColor(const vbColor& color, bool bNotify) override;
    bool SetCaptionColor(const vbColor& color, bool bNotify) override;
    bool SetCaptionShadowColor(const vbColor& color, bool bNotify) override;
    bool SetTreeLineColor(const vbColor& color, bool bNotify) override;
    bool SetBtnRectColor(const vbColor& color, bool bNotify) override;
    bool SetBtnTextColor(const vbColor& color, bool bNotify) override;
    bool SetCheckBtnRectColor(const vbColor& color, bool bNotify) override;
    bool SetCheckBtnTextColor(const vbColor& color, bool bNotify) override;
    bool SetIndentation(int value, bool bNotify) override;
    bool SetRootIndentation(int value, bool bNotify) override;
    bool SetSpacingHeight(int value, bool bNotify) override;
    bool SetSepHeight(int value, bool bNotify) override;
    bool SetWidthMax(int value, bool bNotify) override;
    bool SetShowTreeLine(const vbBool& value, bool bNotify) override;
    bool SetShowRootTreeLine(const vbBool& value, bool bNotify) override;
    bool SetFont(const guiFont& font, bool bNotify) override;
    bool SetSelFont(const guiFont& font, bool bNotify) override;
    bool SetOverFont(const guiFont& font, bool bNotify) override;
    bool SetSelOverFont(const guiFont& font, bool bNotify) override;
    bool SetCaptionFont(const guiFont& font, bool bNotify) override;
    bool SetBack(const guiSurface& surface, bool bNotify) override;
    bool SetSelBack(const guiSurface& surface, bool bNotify) override;
    bool SetOverBack(const guiSurface& surface, bool bNotify) override;
    bool SetCaptionBack(const guiSurface& surface, bool bNotify) override;
    bool SetCursor(const guiCursor& cursor, bool bNotify) override;
    bool SetHelpCursor(const guiCursor& cursor, bool bNotify) override;
    bool SetCheckCursor(const guiCursor& cursor, bool bNotify) override;
    bool SetExpCursor(const guiCursor& cursor, bool bNotify) override;
    bool SetLoadingIcon(const vbString& url, bool bNotify) override;

    // --- sIguiTreeAspect: the stored values, set or not ---
    const CSize& GetSzIcon() const override { return m_szIcon; }
    const guiFont& GetFont() const override { return m_font; }
    const guiFont& GetSelFont() const override { return m_selFont; }
    const guiFont& GetOverFont() const override { return m_overFont; }
    const guiFont& GetSelOverFont() const override { return m_selOverFont; }
    const guiFont& GetCaptionFont() const override { return m_captionFont; }
    const guiSurface& GetBack() const override { return m_back; }
    const guiSurface& GetSelBack() const override { return m_selBack; }
    const guiSurface& GetOverBack() const override { return m_overBack; }
    const guiSurface& GetCaptionBack() const override { return m_captionBack; }
    const vbColor& GetTextColor() const override { return m_textColor; }
    const vbColor& GetSelTextColor() const override { return m_selTextColor; }
    const vbColor& GetOverTextColor() const override { return m_overTextColor; }
    const vbColor& GetCaptionColor() const override { return m_captionColor; }
    const vbColor& GetTextShadowColor() const override { return m_textShadowColor; }
    const vbColor& GetSelTextShadowColor() const override { return m_selTextShadowColor; }
    const vbColor& GetOverTextShadowColor() const override { return m_overTextShadowColor; }
    const vbColor& GetCaptionShadowColor() const override { return m_captionShadowColor; }
    const vbColor& GetTreeLineColor() const override { return m_treeLineColor; }
    const vbColor& GetBtnRectColor() const override { return m_btnRectColor; }
    const vbColor& GetBtnTextColor() const override { return m_btnTextColor; }
    const vbColor& GetCheckBtnRectColor() const override { return m_checkBtnRectColor; }
    const vbColor& GetCheckBtnTextColor() const override { return m_checkBtnTextColor; }
    const guiCursor& GetCursor() const override { return m_cursor; }
    const guiCursor& GetHelpCursor() const override { return m_helpCursor; }
    const guiCursor& GetCheckCursor() const override { return m_checkCursor; }
    const guiCursor& GetExpCursor() const override { return m_expCursor; }
    const vbString& GetLoadingIcon() const override { return m_loadingIcon; }
    int GetSpacingHeight() const override { return m_spacingHeight; }
    int GetIndentation() const override { return m_indentation; }
    int GetRootIndentation() const override { return m_rootIndentation; }
    int GetSepHeight() const override { return m_sepHeight; }
    int GetWidthMax() const override { return m_widthMax; }
    const vbBool& GetShowTreeLine() const override { return m_showTreeLine; }
    const vbBool& GetShowRootTreeLine() const override { return m_showRootTreeLine; }

    // True when the name changed; no signal.
    bool SetName(const vbString& name);
    // Copies every property of source but name, caption and icon size; one signal 3 at the end
    // when something changed and bNotify.
    bool Set(IguiTreeAspect* source, bool bNotify);

    guiFont& Font() { return m_font; }
    guiFont& SelFont() { return m_selFont; }
    guiFont& OverFont() { return m_overFont; }
    guiFont& CaptionFont() { return m_captionFont; }
    guiSurface& Back() { return m_back; }
    guiSurface& SelBack() { return m_selBack; }
    guiSurface& OverBack() { return m_overBack; }
    guiSurface& CaptionBack() { return m_captionBack; }
    guiCursor& Cursor() { return m_cursor; }
    guiCursor& HelpCursor() { return m_helpCursor; }
    guiCursor& CheckCursor() { return m_checkCursor; }
    guiCursor& ExpCursor() { return m_expCursor; }

    // The callbacks of the aspect's own fonts, surfaces and cursors.
    void onFontChanged(guiFont* font) override;
    void onSurfaceChanged(guiSurface* surface) override;
    void onCursorLoaded(guiCursor* cursor) override;

protected:
    ~guiTreeAspect() override;

    void updateCtrls() { SignalPtr(3); }
    void redrawCtrls() { SignalPtr(4); }

private:
    // The aspect's own lock for the time of a scope.
    struct AspectLock : vbSectLock {
        explicit AspectLock(const guiTreeAspect* a) : vbSectLock(a->m_pLock) {}
    };

    template <class T>
    bool setValue(T& field, const T& value, bool bNotify);
    bool setColor(vbColor& field, const vbColor& color, bool bNotify);
    bool setFont(guiFont& field, const guiFont& font, bool bNotify);
    bool setSurface(guiSurface& field, const guiSurface& surface, bool bNotify);
    template <class Assign>
    void startLoad(Assign assign);
    bool setCursor(guiCursor& field, const guiCursor& cursor, bool bNotify);
    void readCursorUrl(sIvbXmlSource* src, const char* key, guiCursor& field, const char* baseUrl, sIvbUrlRoots* roots);

    vbString m_caption;
    vbString m_name;
    CSize m_szIcon;
    guiFont m_font, m_selFont, m_overFont, m_selOverFont, m_captionFont;
    guiSurface m_back, m_selBack, m_overBack, m_captionBack;
    vbColor m_textColor, m_selTextColor, m_overTextColor, m_captionColor;
    vbColor m_textShadowColor, m_selTextShadowColor, m_overTextShadowColor, m_captionShadowColor;
    vbColor m_treeLineColor;
    vbColor m_btnRectColor, m_btnTextColor;
    vbColor m_checkBtnRectColor, m_checkBtnTextColor;
    guiCursor m_cursor, m_helpCursor, m_checkCursor, m_expCursor;
    int m_indentation = -1;
    int m_rootIndentation = -1;
    int m_spacingHeight = -1;
    int m_sepHeight = -1;
    int m_widthMax = -1;
    vbBool m_showTreeLine{2};
    vbBool m_showRootTreeLine{2};
    vbString m_loadingIcon;
};
