#include "guiTreeStyle.h"

#include "vbExceptionReport.h"

guiTreeAspect::guiTreeAspect()
    : m_szIcon(-1, -1),
      m_font(this),
      m_selFont(this),
      m_overFont(this),
      m_selOverFont(this),
      m_captionFont(this),
      m_back(this),
      m_selBack(this),
      m_overBack(this),
      m_captionBack(this),
      m_cursor(this),
      m_helpCursor(this),
      m_checkCursor(this),
      m_expCursor(this)
{
}

guiTreeAspect::~guiTreeAspect() = default;

bool guiTreeAspect::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == CLSID_guiTreeAspect) {
        *ppv = this;
        return true;
    }
    if (iid == IID_IguiTreeAspect) {
        *ppv = static_cast<IguiTreeAspect*>(this);
        return true;
    }
    return vbObject::GetInterface(iid, ppv);
}

const vbString& guiTreeAspect::GetName() const
{
    AspectLock lock(this);
    return m_name;
}

const vbString& guiTreeAspect::GetCaption() const
{
    AspectLock lock(this);
    return m_caption;
}

bool guiTreeAspect::SetName(const vbString& name) { return setValue(m_name, name, false); }

// --- setters ---

template <class T>
bool guiTreeAspect::setValue(T& field, const T& value, bool bNotify)
{
    AspectLock lock(this);
    if (field == value)
        return false;
    field = value;
    if (bNotify)
        updateCtrls();
    return true;
}

bool guiTreeAspect::setColor(vbColor& field, const vbColor& color, bool bNotify)
{
    return setValue(field, color, bNotify);
}

bool guiTreeAspect::setFont(guiFont& field, const guiFont& font, bool bNotify)
{
    AspectLock lock(this);
    return field.Set(font, bNotify);
}

bool guiTreeAspect::setSurface(guiSurface& field, const guiSurface& surface, bool bNotify)
{
    AspectLock lock(this);
    return field.Set(surface, bNotify);
}

// A cursor keeps its new URL when its download cannot be asked for; the failure is traced, as
// no operation of a style record reports an error.
template <class Assign>
void guiTreeAspect::startLoad(Assign assign)
{
    try {
        assign();
    } catch (CException* e) {
        vbTraceException(e, true, __FILE__, __LINE__);
    }
}

// Under the lock, like every setter: views copy cursors under a pointer lock on the aspect while
// a download worker may be reading a style section into it.
bool guiTreeAspect::setCursor(guiCursor& field, const guiCursor& cursor, bool bNotify)
{
    AspectLock lock(this);
    if (field.GetUrl() == cursor.GetUrl() && field.GetKey() == cursor.GetKey())
        return false;
    // The copy shares the other's cursor object and asks for its load.
    startLoad([&] { field = cursor; });
    if (bNotify)
        updateCtrls();
    return true;
}

bool guiTreeAspect::SetCaption(const vbString& caption, bool bNotify) { return setValue(m_caption, caption, bNotify); }

bool guiTreeAspect::SetSzIcon(const CSize& size, bool bNotify)
{
    AspectLock lock(this);
    if (m_szIcon.cx == size.cx && m_szIcon.cy == size.cy)
        return false;
    m_szIcon = size;
    if (bNotify)
        updateCtrls();
    return true;
}

#define GUI_ASPECT_SET(Name, Type, field, how) \
    bool guiTreeAspect::Name(Type value, bool bNotify) { return how(field, value, bNotify); }

GUI_ASPECT_SET(SetTextColor, const vbColor&, m_textColor, setColor)
GUI_ASPECT_SET(SetTextShadowColor, const vbColor&, m_textShadowColor, setColor)
GUI_ASPECT_SET(SetSelTextColor, const vbColor&, m_selTextColor, setColor)
GUI_ASPECT_SET(SetSelTextShadowColor, const vbColor&, m_selTextShadowColor, setColor)
GUI_ASPECT_SET(SetOverTextColor, const vbColor&, m_overTextColor, setColor)
GUI_ASPECT_SET(SetOverTextShadowColor, const vbColor&, m_overTextShadowColor, setColor)
GUI_ASPECT_SET(SetCaptionColor, const vbColor&, m_captionColor, setColor)
GUI_ASPECT_SET(SetCaptionShadowColor, const vbColor&, m_captionShadowColor, setColor)
GUI_ASPECT_SET(SetTreeLineColor, const vbColor&, m_treeLineColor, setColor)
GUI_ASPECT_SET(SetBtnRectColor, const vbColor&, m_btnRectColor, setColor)
GUI_ASPECT_SET(SetBtnTextColor, const vbColor&, m_btnTextColor, setColor)
GUI_ASPECT_SET(SetCheckBtnRectColor, const vbColor&, m_checkBtnRectColor, setColor)
GUI_ASPECT_SET(SetCheckBtnTextColor, const vbColor&, m_checkBtnTextColor, setColor)
GUI_ASPECT_SET(SetIndentation, int, m_indentation, setValue)
GUI_ASPECT_SET(SetRootIndentation, int, m_rootIndentation, setValue)
GUI_ASPECT_SET(SetSpacingHeight, int, m_spacingHeight, setValue)
GUI_ASPECT_SET(SetSepHeight, int, m_sepHeight, setValue)
GUI_ASPECT_SET(SetWidthMax, int, m_widthMax, setValue)
GUI_ASPECT_SET(SetShowTreeLine, const vbBool&, m_showTreeLine, setValue)
GUI_ASPECT_SET(SetShowRootTreeLine, const vbBool&, m_showRootTreeLine, setValue)
GUI_ASPECT_SET(SetFont, const guiFont&, m_font, setFont)
GUI_ASPECT_SET(SetSelFont, const guiFont&, m_selFont, setFont)
GUI_ASPECT_SET(SetOverFont, const guiFont&, m_overFont, setFont)
GUI_ASPECT_SET(SetSelOverFont, const guiFont&, m_selOverFont, setFont)
GUI_ASPECT_SET(SetCaptionFont, const guiFont&, m_captionFont, setFont)
GUI_ASPECT_SET(SetBack, const guiSurface&, m_back, setSurface)
GUI_ASPECT_SET(SetSelBack, const guiSurface&, m_selBack, setSurface)
GUI_ASPECT_SET(SetOverBack, const guiSurface&, m_overBack, setSurface)
GUI_ASPECT_SET(SetCaptionBack, const guiSurface&, m_captionBack, setSurface)
GUI_ASPECT_SET(SetCursor, const guiCursor&, m_cursor, setCursor)
GUI_ASPECT_SET(SetHelpCursor, const guiCursor&, m_helpCursor, setCursor)
GUI_ASPECT_SET(SetCheckCursor, const guiCursor&, m_checkCursor, setCursor)
GUI_ASPECT_SET(SetExpCursor, const guiCursor&, m_expCursor, setCursor)
GUI_ASPECT_SET(SetLoadingIcon, const vbString&, m_loadingIcon, setValue)

#undef GUI_ASPECT_SET

// --- copy ---

bool guiTreeAspect::Set(IguiTreeAspect* source, bool bNotify)
{
    if (!source)
        return false;
    AspectLock lock(this);
    vbPtrLock sourceLock(source);
    bool changed = false;
    changed |= SetFont(source->GetFont(), false);
    changed |= SetSelFont(source->GetSelFont(), false);
    changed |= SetOverFont(source->GetOverFont(), false);
    changed |= SetSelOverFont(source->GetSelOverFont(), false);
    changed |= SetCaptionFont(source->GetCaptionFont(), false);
    changed |= SetBack(source->GetBack(), false);
    changed |= SetSelBack(source->GetSelBack(), false);
    changed |= SetOverBack(source->GetOverBack(), false);
    changed |= SetCaptionBack(source->GetCaptionBack(), false);
    changed |= SetTextColor(source->GetTextColor(), false);
    changed |= SetSelTextColor(source->GetSelTextColor(), false);
    changed |= SetOverTextColor(source->GetOverTextColor(), false);
    changed |= SetCaptionColor(source->GetCaptionColor(), false);
    changed |= SetTextShadowColor(source->GetTextShadowColor(), false);
    changed |= SetSelTextShadowColor(source->GetSelTextShadowColor(), false);
    changed |= SetOverTextShadowColor(source->GetOverTextShadowColor(), false);
    changed |= SetCaptionShadowColor(source->GetCaptionShadowColor(), false);
    changed |= SetCursor(source->GetCursor(), false);
    changed |= SetHelpCursor(source->GetHelpCursor(), false);
    changed |= SetCheckCursor(source->GetCheckCursor(), false);
    changed |= SetExpCursor(source->GetExpCursor(), false);
    changed |= SetLoadingIcon(source->GetLoadingIcon(), false);
    changed |= SetIndentation(source->GetIndentation(), false);
    changed |= SetSpacingHeight(source->GetSpacingHeight(), false);
    changed |= SetRootIndentation(source->GetRootIndentation(), false);
    changed |= SetSepHeight(source->GetSepHeight(), false);
    changed |= SetWidthMax(source->GetWidthMax(), false);
    changed |= SetShowTreeLine(source->GetShowTreeLine(), false);
    changed |= SetShowRootTreeLine(source->GetShowRootTreeLine(), false);
    changed |= SetTreeLineColor(source->GetTreeLineColor(), false);
    changed |= SetBtnRectColor(source->GetBtnRectColor(), false);
    changed |= SetBtnTextColor(source->GetBtnTextColor(), false);
    changed |= SetCheckBtnRectColor(source->GetCheckBtnRectColor(), false);
    changed |= SetCheckBtnTextColor(source->GetCheckBtnTextColor(), false);
    if (changed && bNotify)
        updateCtrls();
    return changed;
}

// --- reading a style section ---

namespace {

// The value of key made absolute; false when the key is absent or the URL cannot be resolved
// (no base and no root for it), which leaves the property as it was.
bool readUrl(sIvbXmlSource* src, const char* key, const char* baseUrl, sIvbUrlRoots* roots, vbString* out)
{
    vbString value;
    if (!src->GetFlagValue(key, &value, nullptr))
        return false;
    try {
        *out = vbMakeAbsUrl(value, baseUrl, roots);
        return true;
    } catch (CException* e) {
        vbTraceException(e, true, __FILE__, __LINE__);
        return false;
    }
}

} // namespace

void guiTreeAspect::readCursorUrl(sIvbXmlSource* src, const char* key, guiCursor& field, const char* baseUrl,
    sIvbUrlRoots* roots)
{
    vbString url;
    if (!readUrl(src, key, baseUrl, roots, &url))
        return;
    AspectLock lock(this);
    startLoad([&] { field.SetUrl(url, vbDnPriority1); });
}

void guiTreeAspect::ReadXml(sIvbXmlSource* src, const char* baseUrl, sIvbUrlRoots* roots)
{
    const bool width = src->GetFlag("iconWidth", nullptr);
    const bool height = src->GetFlag("iconHeight", nullptr);
    const bool both = src->GetFlag("iconSize", nullptr);
    if (width || height || both) {
        CSize size;
        {
            AspectLock lock(this);
            size = m_szIcon;
        }
        size.cx = src->GetFlagLong("iconWidth", static_cast<LONG>(size.cx));
        size.cy = src->GetFlagLong("iconHeight", static_cast<LONG>(size.cy));
        if (both) {
            size.cx = src->GetFlagLong("iconSize", static_cast<LONG>(size.cx));
            size.cy = size.cx;
        }
        SetSzIcon(size, true);
    }

    struct FontKey {
        guiFont guiTreeAspect::*font;
        const char* prefix;
    };
    static const FontKey fonts[] = {{&guiTreeAspect::m_font, ""}, {&guiTreeAspect::m_selFont, "sel"},
        {&guiTreeAspect::m_overFont, "over"}, {&guiTreeAspect::m_selOverFont, "selover"},
        {&guiTreeAspect::m_captionFont, "caption"}};
    for (const FontKey& key : fonts) {
        AspectLock lock(this);
        (this->*key.font).ReadXml(src, key.prefix, true);
    }

    using ColorSetter = bool (guiTreeAspect::*)(const vbColor&, bool);
    struct ColorKey {
        const char* key;
        ColorSetter set;
    };
    static const ColorKey colors[] = {{"textcolor", &guiTreeAspect::SetTextColor},
        {"seltextcolor", &guiTreeAspect::SetSelTextColor}, {"overtextcolor", &guiTreeAspect::SetOverTextColor},
        {"captioncolor", &guiTreeAspect::SetCaptionColor}, {"textshadowcolor", &guiTreeAspect::SetTextShadowColor},
        {"seltextshadowcolor", &guiTreeAspect::SetSelTextShadowColor},
        {"overtextshadowcolor", &guiTreeAspect::SetOverTextShadowColor},
        {"captionshadowcolor", &guiTreeAspect::SetCaptionShadowColor},
        {"treelinecolor", &guiTreeAspect::SetTreeLineColor}, {"btnrectcolor", &guiTreeAspect::SetBtnRectColor},
        {"btntextcolor", &guiTreeAspect::SetBtnTextColor},
        {"checkbtnrectcolor", &guiTreeAspect::SetCheckBtnRectColor},
        {"checkbtntextcolor", &guiTreeAspect::SetCheckBtnTextColor}};
    for (const ColorKey& key : colors) {
        vbColor color;
        if (src->GetFlagColor(key.key, &color))
            (this->*key.set)(color, true);
    }

    struct SurfaceKey {
        guiSurface guiTreeAspect::*surface;
        const char* prefix;
    };
    static const SurfaceKey surfaces[] = {{&guiTreeAspect::m_back, "bk"}, {&guiTreeAspect::m_selBack, "selbk"},
        {&guiTreeAspect::m_overBack, "overbk"}, {&guiTreeAspect::m_captionBack, "captionbk"}};
    for (const SurfaceKey& key : surfaces) {
        AspectLock lock(this);
        (this->*key.surface).ReadXml(src, key.prefix, true);
    }

    vbString caption;
    if (src->GetFlagValue("caption", &caption, nullptr))
        SetCaption(caption, true);

    readCursorUrl(src, "cursor", m_cursor, baseUrl, roots);
    readCursorUrl(src, "helpcursor", m_helpCursor, baseUrl, roots);
    readCursorUrl(src, "checkcursor", m_checkCursor, baseUrl, roots);
    readCursorUrl(src, "expcursor", m_expCursor, baseUrl, roots);
    vbString loadingIcon;
    if (readUrl(src, "loadingicon", baseUrl, roots, &loadingIcon))
        SetLoadingIcon(loadingIcon, false);

    using IntSetter = bool (guiTreeAspect::*)(int, bool);
    struct IntKey {
        const char* key;
        IntSetter set;
    };
    static const IntKey ints[] = {{"indentation", &guiTreeAspect::SetIndentation},
        {"rootindentation", &guiTreeAspect::SetRootIndentation},
        {"spacingheight", &guiTreeAspect::SetSpacingHeight}, {"sepheight", &guiTreeAspect::SetSepHeight}};
    for (const IntKey& key : ints) {
        const LONG value = src->GetFlagLong(key.key, -1);
        if (value >= 0)
            (this->*key.set)(value, true);
    }

    vbBool state;
    if (src->GetFlagBool("showtreeline", &state))
        SetShowTreeLine(state, true);
    if (src->GetFlagBool("showroottreeline", &state))
        SetShowRootTreeLine(state, true);
}

// --- change callbacks of the aspect's own members ---

void guiTreeAspect::onFontChanged(guiFont*) { updateCtrls(); }
void guiTreeAspect::onSurfaceChanged(guiSurface*) { redrawCtrls(); }
void guiTreeAspect::onCursorLoaded(guiCursor*) {}
