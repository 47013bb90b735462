#pragma once

// Style resolution for one level of a tree or menu: the engine asks its source (a draw engine or
// a popup button) for the style record that applies to it, and completes what that record leaves
// unset from a parent engine, then from a default engine (both optional, neither owned). Own
// values are copied from the record once per Reset; answers of the parent and default engines are
// asked again each time. Held by value in its owner and used on the owner's window thread.

#include "guiCursor.h"
#include "guiExport.h"
#include "guiFont.h"
#include "guiSurface.h"
#include "guiTreeNode.h"

// The engine's face: the record getters, then look-up by names and the completion of fonts.
class GUIAPI sIguiTreeAspectEngine : public sIguiTreeAspect {
public:
    virtual bool GetAspect(const vbString* names, int count, guiTreeAspectRef* out, bool bCascade) const;
    virtual void FeedSelFont(guiFont& font) const;
    virtual void FeedOverFont(guiFont& font) const;
    virtual void FeedSelOverFont(guiFont& font) const;

protected:
    sIguiTreeAspectEngine() = default;
    ~sIguiTreeAspectEngine() = default;
};

class GUIAPI guiTreeAspectEngine : public sIguiTreeAspectEngine {
public:
    guiTreeAspectEngine(sIguiTreeAspectGet* source, sIguiTreeAspectEngine* parent, sIguiTreeAspectEngine* dflt);
    ~guiTreeAspectEngine();
    guiTreeAspectEngine(const guiTreeAspectEngine&) = delete;
    guiTreeAspectEngine& operator=(const guiTreeAspectEngine&) = delete;

    // Every value is asked for again at its next question.
    void Reset() const;
    bool HasParent() const { return m_parent != nullptr; }
    bool HasDflt() const { return m_dflt != nullptr; }

    const CSize& GetSzIcon() const override;
    const guiFont& GetFont() const override;
    const guiFont& GetSelFont() const override;
    const guiFont& GetOverFont() const override;
    const guiFont& GetSelOverFont() const override;
    // Always vertical.
    const guiFont& GetCaptionFont() const override;
    const guiSurface& GetBack() const override;
    const guiSurface& GetSelBack() const override;
    const guiSurface& GetOverBack() const override;
    const guiSurface& GetCaptionBack() const override;
    const vbColor& GetTextColor() const override;
    const vbColor& GetSelTextColor() const override;
    const vbColor& GetOverTextColor() const override;
    const vbColor& GetCaptionColor() const override;
    const vbColor& GetTextShadowColor() const override;
    const vbColor& GetSelTextShadowColor() const override;
    const vbColor& GetOverTextShadowColor() const override;
    const vbColor& GetCaptionShadowColor() const override;
    const vbColor& GetTreeLineColor() const override;
    const vbColor& GetBtnRectColor() const override;
    const vbColor& GetBtnTextColor() const override;
    const vbColor& GetCheckBtnRectColor() const override;
    const vbColor& GetCheckBtnTextColor() const override;
    const guiCursor& GetCursor() const override;
    const guiCursor& GetHelpCursor() const override;
    const guiCursor& GetCheckCursor() const override;
    const guiCursor& GetExpCursor() const override;
    const vbString& GetLoadingIcon() const override;
    int GetSpacingHeight() const override;
    int GetIndentation() const override;
    int GetRootIndentation() const override;
    int GetSepHeight() const override;
    int GetWidthMax() const override;
    const vbBool& GetShowTreeLine() const override;
    const vbBool& GetShowRootTreeLine() const override;

    // The own record's name and caption only.
    const vbString& GetName() const;
    const vbString& GetCaption() const;

    // The source's record for one of names; with bCascade, else the parent's, else the default's.
    bool GetAspect(const vbString* names, int count, guiTreeAspectRef* out, bool bCascade) const override;
    // Completion in the order default engine, parent, own record: the own record wins.
    void FeedSelFont(guiFont& font) const override;
    void FeedOverFont(guiFont& font) const override;
    void FeedSelOverFont(guiFont& font) const override;

    // --- by the state of an item ---
    const guiFont& GetFont(bool bSel, bool bOver) const;
    const guiSurface& GetBack(bool bSel, bool bOver) const;
    vbColor GetTextColor(bool bDisabled, bool bSel, bool bOver) const;
    vbColor GetTextShadowColor(bool bDisabled, bool bSel, bool bOver) const;
    const guiCursor& GetCursor(guiTreeHit hit) const;
    int GetIndentation(bool bRoot) const;
    const vbBool& GetShowTreeLine(bool bRoot) const;

private:
    // The own record's values, unset without a record.
    struct Own;
    const Own& own() const;
    const sIguiTreeAspectEngine* next() const { return m_parent ? m_parent : m_dflt; }
    template <class T, class Set>
    const T& passOn(const T& mine, Set isSet, const T& (sIguiTreeAspect::*get)() const) const;
    template <class T, class Set>
    const T& whole(const T& mine, Set isSet, const T& (sIguiTreeAspect::*get)() const) const;
    int integer(int mine, int (sIguiTreeAspect::*get)() const) const;
    const guiFont& plainFont(
        guiFont& cache, bool& done, const guiFont& ownFont, const guiFont& (sIguiTreeAspect::*get)() const) const;
    const guiFont& stateFont(guiFont& cache, bool& done, const guiFont& ownFont,
        void (sIguiTreeAspectEngine::*feed)(guiFont&) const, const guiFont& (sIguiTreeAspect::*get)() const) const;
    void feed(guiFont& font, void (sIguiTreeAspectEngine::*feedFont)(guiFont&) const) const;

    sIguiTreeAspectGet* m_source;
    sIguiTreeAspectEngine* m_parent;
    sIguiTreeAspectEngine* m_dflt;
    mutable Own* m_own;
    mutable bool m_ownDone = false;
    mutable guiFont m_font{nullptr}, m_selFont{nullptr}, m_overFont{nullptr}, m_selOverFont{nullptr},
        m_captionFont{nullptr};
    mutable bool m_fontDone = false, m_selFontDone = false, m_overFontDone = false, m_selOverFontDone = false,
                 m_captionFontDone = false;
};
