#include "treeview/guiTreeViewStyles.h"

#include "guiTreeStyle.h"

#include "vbIcon.h"

namespace {

constexpr DWORD systemColor(int index) { return 0x80000000u | static_cast<DWORD>(index); }

// Appends name, after its popup forms in a popup.
class NameList {
public:
    NameList(vbString* names, int max, bool popup) : m_names(names), m_max(max), m_popup(popup) { }

    void add(const vbString& name)
    {
        if (m_popup) {
            put(name.IsEmpty() ? vbString("popup.treeview") : "popup.treeview." + name);
            put(name.IsEmpty() ? vbString("popup") : "popup." + name);
        }
        put(name.IsEmpty() ? vbString("treeview") : "treeview." + name);
    }
    // The names of a class K, with and without the aspect name N.
    void addClass(const vbString& k, const vbString& n)
    {
        if (k.IsEmpty())
            return;
        if (!n.IsEmpty()) {
            add(n + "." + k);
            put(n + "." + k);
        }
        add(k);
        put(k);
    }
    void put(const vbString& name)
    {
        if (m_count < m_max)
            m_names[m_count++] = name;
    }
    int count() const { return m_count; }

private:
    vbString* m_names;
    int m_max;
    bool m_popup;
    int m_count = 0;
};

// A font defining only what it is given; the rest comes from the fonts it completes.
const guiFont& font(guiFont& f, int size, bool bold, bool underline)
{
    if (size != 0)
        f.SetSize(size, false);
    if (bold)
        f.SetBold(true, false);
    if (underline)
        f.SetUnderline(true, false);
    return f;
}

vbBool undefined(bool value)
{
    vbBool b(2);
    b.SetDefault(value);
    return b;
}

} // namespace

int guiTreeViewLevelNames(const vbString& childrenClass, const vbString& aspectName, bool popup, bool root,
    vbString (&names)[guiTreeViewLevelNamesMax])
{
    NameList list(names, guiTreeViewLevelNamesMax, popup);
    list.addClass(childrenClass, aspectName);
    if (root) {
        if (!aspectName.IsEmpty()) {
            list.add(aspectName);
            list.put(aspectName);
        }
        list.add(vbString());
        list.put(vbString());
    }
    return list.count();
}

int guiTreeViewItemNames(const vbString& itemClass, const vbString& aspectName, bool popup,
    vbString (&names)[guiTreeViewItemNamesMax])
{
    NameList list(names, guiTreeViewItemNamesMax, popup);
    list.addClass(itemClass, aspectName);
    return list.count();
}

guiTreeAspectRef guiTreeViewDefaultAspect()
{
    guiTreeAspectRef ref;
    auto* a = new guiTreeAspect;
    ref = a;
    a->Release();
    a->Create();
    a->SetTextColor(vbColor(systemColor(8)), false);
    a->SetSelTextColor(vbColor(systemColor(14)), false);
    a->SetOverTextColor(vbColor(0xE22B8A), false);
    a->SetCaptionColor(vbColor(systemColor(9)), false);
    a->SetCaptionShadowColor(vbColor(systemColor(17)), false);
    a->SetBack(guiSurface(nullptr, systemColor(5), vbNULLCOLOR, vbNULLCOLOR, false), false);
    a->SetSelBack(guiSurface(nullptr, systemColor(13), vbNULLCOLOR, vbNULLCOLOR, false), false);
    guiFont plain(nullptr), sel(nullptr), over(nullptr), caption(nullptr);
    a->SetFont(font(plain, -12, false, false), false);
    a->SetSelFont(font(sel, 0, true, false), false);
    a->SetOverFont(font(over, 0, false, true), false);
    a->SetCaptionFont(font(caption, -14, true, false), false);
    a->SetCaptionBack(guiSurface(nullptr, systemColor(2), systemColor(2), 0, true), false);
    a->SetTreeLineColor(vbColor(systemColor(16)), false);
    a->SetBtnRectColor(vbColor(systemColor(16)), false);
    a->SetBtnTextColor(vbColor(systemColor(8)), false);
    a->SetCheckBtnRectColor(vbColor(systemColor(8)), false);
    a->SetCheckBtnTextColor(vbColor(systemColor(8)), false);
    a->SetIndentation(8, false);
    a->SetRootIndentation(4, false);
    a->SetShowTreeLine(undefined(true), false);
    a->SetShowRootTreeLine(undefined(false), false);
    a->SetSepHeight(8, false);
    a->SetSpacingHeight(2, false);
    a->SetSzIcon(CSize(16, 16), false);
    a->SetWidthMax(200, false);
    a->SetLoadingIcon(vbIconHOURGLASS, false);
    return ref;
}
