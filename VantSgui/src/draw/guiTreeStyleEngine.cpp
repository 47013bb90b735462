#include "guiTreeStyleEngine.h"

#include "guiBase.h"

#include "plat/gdi.h"

namespace {

bool setSurface(const guiSurface& s) { return !s.IsEmpty(); }
bool setColor(const vbColor& c) { return !c.IsNull(); }
bool setCursor(const guiCursor& c) { return c.IsValid(); }
bool setText(const vbString& s) { return !s.IsEmpty(); }
bool setSwitch(const vbBool& b) { return b.GetState() != 2; }
bool setFont(const guiFont& f) { return !f.IsEmpty(); }

} // namespace

struct guiTreeAspectEngine::Own {
    Own()
    {
        treeLineColor.SetPenAspect(PS_SOLID, 1);
        checkBtnRectColor.SetPenAspect(PS_SOLID, 2);
        checkBtnTextColor.SetPenAspect(PS_SOLID, 2);
    }

    // The record's values, copied under its lock; the unset values without a record.
    void take(IguiTreeAspect* a)
    {
        if (!a) {
            clear();
            return;
        }
        vbPtrLock lock(a);
        szIcon = a->GetSzIcon();
        font = a->GetFont();
        selFont = a->GetSelFont();
        overFont = a->GetOverFont();
        selOverFont = a->GetSelOverFont();
        captionFont = a->GetCaptionFont();
        back = a->GetBack();
        selBack = a->GetSelBack();
        overBack = a->GetOverBack();
        captionBack = a->GetCaptionBack();
        textColor = a->GetTextColor();
        selTextColor = a->GetSelTextColor();
        overTextColor = a->GetOverTextColor();
        captionColor = a->GetCaptionColor();
        textShadowColor = a->GetTextShadowColor();
        selTextShadowColor = a->GetSelTextShadowColor();
        overTextShadowColor = a->GetOverTextShadowColor();
        captionShadowColor = a->GetCaptionShadowColor();
        treeLineColor = a->GetTreeLineColor();
        btnRectColor = a->GetBtnRectColor();
        btnTextColor = a->GetBtnTextColor();
        checkBtnRectColor = a->GetCheckBtnRectColor();
        checkBtnTextColor = a->GetCheckBtnTextColor();
        cursor = a->GetCursor();
        helpCursor = a->GetHelpCursor();
        checkCursor = a->GetCheckCursor();
        expCursor = a->GetExpCursor();
        loadingIcon = a->GetLoadingIcon();
        spacingHeight = a->GetSpacingHeight();
        indentation = a->GetIndentation();
        rootIndentation = a->GetRootIndentation();
        sepHeight = a->GetSepHeight();
        widthMax = a->GetWidthMax();
        showTreeLine = a->GetShowTreeLine();
        showRootTreeLine = a->GetShowRootTreeLine();
        name = a->GetName();
        caption = a->GetCaption();
    }

    void clear()
    {
        szIcon = CSize(-1, -1);
        for (guiFont* f : {&font, &selFont, &overFont, &selOverFont, &captionFont})
            f->Empty();
        for (guiSurface* s : {&back, &selBack, &overBack, &captionBack})
            s->Empty();
        for (vbColor* c : {&textColor, &selTextColor, &overTextColor, &captionColor, &textShadowColor,
                 &selTextShadowColor, &overTextShadowColor, &captionShadowColor, &treeLineColor, &btnRectColor,
                 &btnTextColor, &checkBtnRectColor, &checkBtnTextColor})
            *c = vbNULLCOLOR;
        const guiCursor none;
        for (guiCursor* c : {&cursor, &helpCursor, &checkCursor, &expCursor})
            *c = none;
        for (int* i : {&spacingHeight, &indentation, &rootIndentation, &sepHeight, &widthMax})
            *i = -1;
        showTreeLine = vbBool(2);
        showRootTreeLine = vbBool(2);
        loadingIcon.Empty();
        name.Empty();
        caption.Empty();
    }

    CSize szIcon{-1, -1};
    guiFont font{nullptr}, selFont{nullptr}, overFont{nullptr}, selOverFont{nullptr}, captionFont{nullptr};
    guiSurface back{nullptr}, selBack{nullptr}, overBack{nullptr}, captionBack{nullptr};
    vbColor textColor, selTextColor, overTextColor, captionColor;
    vbColor textShadowColor, selTextShadowColor, overTextShadowColor, captionShadowColor;
    vbColor treeLineColor, btnRectColor, btnTextColor, checkBtnRectColor, checkBtnTextColor;
    guiCursor cursor, helpCursor, checkCursor, expCursor;
    vbString loadingIcon;
    int spacingHeight = -1, indentation = -1, rootIndentation = -1, sepHeight = -1, widthMax = -1;
    vbBool showTreeLine{2}, showRootTreeLine{2};
    vbString name, caption;
};

guiTreeAspectEngine::guiTreeAspectEngine(
    sIguiTreeAspectGet* source, sIguiTreeAspectEngine* parent, sIguiTreeAspectEngine* dflt)
    : m_source(source), m_parent(parent), m_dflt(dflt), m_own(new Own())
{
    // Font assignment leaves the orientation: every caption font answered is vertical.
    m_captionFont.SetOrientation(900, false);
    Reset();
}

guiTreeAspectEngine::~guiTreeAspectEngine() { delete m_own; }

void guiTreeAspectEngine::Reset() const
{
    m_ownDone = false;
    m_fontDone = m_selFontDone = m_overFontDone = m_selOverFontDone = m_captionFontDone = false;
}

const guiTreeAspectEngine::Own& guiTreeAspectEngine::own() const
{
    if (!m_ownDone) {
        m_ownDone = true;
        m_own->take(m_source ? m_source->GetAspect(const_cast<guiTreeAspectEngine*>(this)) : nullptr);
    }
    return *m_own;
}

// --- whole values: own when set, else the parent's, else the default engine's ---

// A value the own record leaves unset: the parent's when the parent has one, else the default
// engine's. A parent without the value does not hide the default: a host's engine that names no
// font leaves a tree or menu with its built-in font rather than none.
template <class T, class Set>
const T& guiTreeAspectEngine::passOn(const T& mine, Set isSet, const T& (sIguiTreeAspect::*get)() const) const
{
    if (m_parent) {
        const T& theirs = (m_parent->*get)();
        if (isSet(theirs) || !m_dflt)
            return theirs;
    }
    if (m_dflt)
        return (m_dflt->*get)();
    return mine;
}

template <class T, class Set>
const T& guiTreeAspectEngine::whole(const T& mine, Set isSet, const T& (sIguiTreeAspect::*get)() const) const
{
    return isSet(mine) ? mine : passOn(mine, isSet, get);
}

// A parent always answers a number (0, or 16 x 16, when it has none), so the default engine is
// reached here only without a parent.

int guiTreeAspectEngine::integer(int mine, int (sIguiTreeAspect::*get)() const) const
{
    if (mine >= 0)
        return mine;
    if (const sIguiTreeAspectEngine* other = next())
        return (other->*get)();
    return 0;
}

const CSize& guiTreeAspectEngine::GetSzIcon() const
{
    const Own& o = own();
    if (o.szIcon.cx >= 0)
        return o.szIcon;
    if (const sIguiTreeAspectEngine* other = next())
        return other->GetSzIcon();
    m_own->szIcon = CSize(16, 16);
    return m_own->szIcon;
}

#define GUI_ENGINE_WHOLE(Type, Name, field, isSet) \
    const Type& guiTreeAspectEngine::Name() const { return whole(own().field, isSet, &sIguiTreeAspect::Name); }

GUI_ENGINE_WHOLE(guiSurface, GetBack, back, setSurface)
GUI_ENGINE_WHOLE(guiSurface, GetSelBack, selBack, setSurface)
GUI_ENGINE_WHOLE(guiSurface, GetOverBack, overBack, setSurface)
GUI_ENGINE_WHOLE(guiSurface, GetCaptionBack, captionBack, setSurface)
GUI_ENGINE_WHOLE(vbColor, GetTextColor, textColor, setColor)
GUI_ENGINE_WHOLE(vbColor, GetSelTextColor, selTextColor, setColor)
GUI_ENGINE_WHOLE(vbColor, GetOverTextColor, overTextColor, setColor)
GUI_ENGINE_WHOLE(vbColor, GetCaptionColor, captionColor, setColor)
GUI_ENGINE_WHOLE(vbColor, GetTextShadowColor, textShadowColor, setColor)
GUI_ENGINE_WHOLE(vbColor, GetSelTextShadowColor, selTextShadowColor, setColor)
GUI_ENGINE_WHOLE(vbColor, GetOverTextShadowColor, overTextShadowColor, setColor)
GUI_ENGINE_WHOLE(vbColor, GetCaptionShadowColor, captionShadowColor, setColor)
GUI_ENGINE_WHOLE(vbColor, GetTreeLineColor, treeLineColor, setColor)
GUI_ENGINE_WHOLE(vbColor, GetBtnRectColor, btnRectColor, setColor)
GUI_ENGINE_WHOLE(vbColor, GetBtnTextColor, btnTextColor, setColor)
GUI_ENGINE_WHOLE(vbColor, GetCheckBtnRectColor, checkBtnRectColor, setColor)
GUI_ENGINE_WHOLE(vbColor, GetCheckBtnTextColor, checkBtnTextColor, setColor)
GUI_ENGINE_WHOLE(guiCursor, GetCursor, cursor, setCursor)
GUI_ENGINE_WHOLE(guiCursor, GetHelpCursor, helpCursor, setCursor)
GUI_ENGINE_WHOLE(guiCursor, GetCheckCursor, checkCursor, setCursor)
GUI_ENGINE_WHOLE(guiCursor, GetExpCursor, expCursor, setCursor)
GUI_ENGINE_WHOLE(vbString, GetLoadingIcon, loadingIcon, setText)
GUI_ENGINE_WHOLE(vbBool, GetShowTreeLine, showTreeLine, setSwitch)
GUI_ENGINE_WHOLE(vbBool, GetShowRootTreeLine, showRootTreeLine, setSwitch)

#undef GUI_ENGINE_WHOLE

int guiTreeAspectEngine::GetSpacingHeight() const
{
    return integer(own().spacingHeight, &sIguiTreeAspect::GetSpacingHeight);
}
int guiTreeAspectEngine::GetIndentation() const { return integer(own().indentation, &sIguiTreeAspect::GetIndentation); }
int guiTreeAspectEngine::GetRootIndentation() const
{
    return integer(own().rootIndentation, &sIguiTreeAspect::GetRootIndentation);
}
int guiTreeAspectEngine::GetSepHeight() const { return integer(own().sepHeight, &sIguiTreeAspect::GetSepHeight); }
int guiTreeAspectEngine::GetWidthMax() const { return integer(own().widthMax, &sIguiTreeAspect::GetWidthMax); }

const vbString& guiTreeAspectEngine::GetName() const { return own().name; }
const vbString& guiTreeAspectEngine::GetCaption() const { return own().caption; }

// --- fonts ---

// The normal and caption fonts: an incomplete own font takes what it lacks from the parent's,
// then from the default engine's; an empty one passes the question on.
const guiFont& guiTreeAspectEngine::plainFont(
    guiFont& cache, bool& done, const guiFont& ownFont, const guiFont& (sIguiTreeAspect::*get)() const) const
{
    if (!done) {
        done = true;
        cache = ownFont;
        for (const sIguiTreeAspectEngine* other : {static_cast<const sIguiTreeAspectEngine*>(m_parent),
                 static_cast<const sIguiTreeAspectEngine*>(m_dflt)}) {
            if (other && !cache.IsEmpty() && cache.HasDefaults() && !(other->*get)().IsEmpty())
                cache.SetDefaults((other->*get)(), false);
        }
    }
    return whole(cache, setFont, get);
}

const guiFont& guiTreeAspectEngine::GetFont() const
{
    return plainFont(m_font, m_fontDone, own().font, &sIguiTreeAspect::GetFont);
}

const guiFont& guiTreeAspectEngine::GetCaptionFont() const
{
    return plainFont(m_captionFont, m_captionFontDone, own().captionFont, &sIguiTreeAspect::GetCaptionFont);
}

// The sel and over fonts: complete ones are kept; incomplete ones, and empty ones of an engine
// with a parent or a default, become the resolved normal font completed by this engine; else the
// question goes on.
const guiFont& guiTreeAspectEngine::stateFont(guiFont& cache, bool& done, const guiFont& ownFont,
    void (sIguiTreeAspectEngine::*feedFont)(guiFont&) const, const guiFont& (sIguiTreeAspect::*get)() const) const
{
    if (!done) {
        done = true;
        cache = ownFont;
        if (!cache.IsEmpty()) {
            if (cache.HasDefaults()) {
                cache = GetFont();
                (this->*feedFont)(cache);
            }
        } else if (next()) {
            // Completed as an incomplete own font is: by the default engine, then the parent.
            const guiFont& normal = GetFont();
            if (!normal.IsEmpty()) {
                cache = normal;
                (this->*feedFont)(cache);
            }
        }
    }
    return whole(cache, setFont, get);
}

const guiFont& guiTreeAspectEngine::GetSelFont() const
{
    return stateFont(m_selFont, m_selFontDone, own().selFont, &sIguiTreeAspectEngine::FeedSelFont,
        &sIguiTreeAspect::GetSelFont);
}

const guiFont& guiTreeAspectEngine::GetOverFont() const
{
    return stateFont(m_overFont, m_overFontDone, own().overFont, &sIguiTreeAspectEngine::FeedOverFont,
        &sIguiTreeAspect::GetOverFont);
}

const guiFont& guiTreeAspectEngine::GetSelOverFont() const
{
    if (!m_selOverFontDone) {
        m_selOverFontDone = true;
        m_selOverFont = own().selOverFont;
        const bool fromStates = m_selOverFont.IsEmpty() && (!GetOverFont().IsEmpty() || !GetSelFont().IsEmpty());
        if (fromStates || (!m_selOverFont.IsEmpty() && m_selOverFont.HasDefaults())) {
            m_selOverFont = GetFont();
            FeedSelOverFont(m_selOverFont);
        }
    }
    return whole(m_selOverFont, setFont, &sIguiTreeAspect::GetSelOverFont);
}

void guiTreeAspectEngine::feed(guiFont& font, void (sIguiTreeAspectEngine::*feedFont)(guiFont&) const) const
{
    if (m_dflt)
        (m_dflt->*feedFont)(font);
    if (m_parent)
        (m_parent->*feedFont)(font);
}

void guiTreeAspectEngine::FeedSelFont(guiFont& font) const
{
    feed(font, &sIguiTreeAspectEngine::FeedSelFont);
    if (!own().selFont.IsEmpty())
        font.SetValids(own().selFont, false);
}

void guiTreeAspectEngine::FeedOverFont(guiFont& font) const
{
    feed(font, &sIguiTreeAspectEngine::FeedOverFont);
    if (!own().overFont.IsEmpty())
        font.SetValids(own().overFont, false);
}

void guiTreeAspectEngine::FeedSelOverFont(guiFont& font) const
{
    feed(font, &sIguiTreeAspectEngine::FeedSelOverFont);
    const Own& o = own();
    if (!o.selOverFont.IsEmpty()) {
        font.SetValids(o.selOverFont, false);
        return;
    }
    if (!o.selFont.IsEmpty())
        font.SetValids(o.selFont, false);
    if (!o.overFont.IsEmpty())
        font.SetValids(o.overFont, false);
}

// --- look-up by names ---

bool guiTreeAspectEngine::GetAspect(const vbString* names, int count, guiTreeAspectRef* out, bool bCascade) const
{
    if (m_source && m_source->GetAspect(const_cast<guiTreeAspectEngine*>(this), names, count, out))
        return true;
    if (!bCascade)
        return false;
    bool found = false;
    if (m_parent)
        found = m_parent->GetAspect(names, count, out, true);
    if (!found && m_dflt)
        found = m_dflt->GetAspect(names, count, out, true);
    return found;
}

// --- by the state of an item ---

const guiFont& guiTreeAspectEngine::GetFont(bool bSel, bool bOver) const
{
    if (bSel) {
        if (bOver && !GetSelOverFont().IsEmpty())
            return GetSelOverFont();
        if (!GetSelFont().IsEmpty())
            return GetSelFont();
    }
    if (bOver && !GetOverFont().IsEmpty())
        return GetOverFont();
    return GetFont();
}

const guiSurface& guiTreeAspectEngine::GetBack(bool bSel, bool bOver) const
{
    if (bSel && !GetSelBack().IsEmpty())
        return GetSelBack();
    if (bOver && !GetOverBack().IsEmpty())
        return GetOverBack();
    return GetBack();
}

namespace {

// Over before sel for colours.
const vbColor& byState(bool bSel, bool bOver, const vbColor& over, const vbColor& sel, const vbColor& plain)
{
    if (bOver && !over.IsNull())
        return over;
    if (bSel && !sel.IsNull())
        return sel;
    return plain;
}

} // namespace

vbColor guiTreeAspectEngine::GetTextColor(bool bDisabled, bool bSel, bool bOver) const
{
    if (bDisabled)
        return vbColor(g_guiClrTextGray);
    return byState(bSel, bOver, GetOverTextColor(), GetSelTextColor(), GetTextColor());
}

vbColor guiTreeAspectEngine::GetTextShadowColor(bool bDisabled, bool bSel, bool bOver) const
{
    if (bDisabled)
        return vbColor(g_guiClrTextGrayShadow);
    return byState(bSel, bOver, GetOverTextShadowColor(), GetSelTextShadowColor(), GetTextShadowColor());
}

const guiCursor& guiTreeAspectEngine::GetCursor(guiTreeHit hit) const
{
    const guiCursor* chosen = nullptr;
    switch (hit) {
    case guiTreeHit_Expand:
        chosen = &GetExpCursor();
        break;
    case guiTreeHit_Check:
        chosen = &GetCheckCursor();
        break;
    case guiTreeHit_Help:
        chosen = &GetHelpCursor();
        break;
    default:
        break;
    }
    return chosen && chosen->IsValid() ? *chosen : GetCursor();
}

int guiTreeAspectEngine::GetIndentation(bool bRoot) const { return bRoot ? GetRootIndentation() : GetIndentation(); }

const vbBool& guiTreeAspectEngine::GetShowTreeLine(bool bRoot) const
{
    return bRoot ? GetShowRootTreeLine() : GetShowTreeLine();
}
