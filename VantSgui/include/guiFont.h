#pragma once

// The font description every control carries: face, height, tri-state bold/italic/underline,
// weight, quality, precision, character set, pitch, orientation and a drop-shadow offset. The GDI
// font is made at first use and remade after a change; an owner hears of changes made with
// notification through cbIguiFontChanged, and copies never take the owner over.

#include "guiExport.h"

#include "vbColor.h"
#include "vbString.h"
#include "vbXml.h"

#include "plat/afxgdi.h"
#include "plat/afxtypes.h"
#include "plat/types.h"

#include <cstdint>

class guiFont;

// Each -1 while undefined.
typedef int32_t guiWeight;
typedef int32_t guiQuality;
typedef int32_t guiPrecis;
typedef int32_t guiCharSet;
typedef int32_t guiPitch;

class GUIAPI cbIguiFontChanged {
public:
    virtual void onFontChanged(guiFont* font);

protected:
    cbIguiFontChanged() = default;
    cbIguiFontChanged(const cbIguiFontChanged&) { }
    cbIguiFontChanged& operator=(const cbIguiFontChanged&) { return *this; }
    ~cbIguiFontChanged() = default;
};

class GUIAPI guiFont {
public:
    explicit guiFont(cbIguiFontChanged* cb, bool empty = true);
    // Copies other first and takes cb only then, so the copy notifies nobody.
    guiFont(cbIguiFontChanged* cb, const guiFont& other);
    ~guiFont();

    // Setters answer whether anything changed. A rebuild lets the GDI font go and, with notify,
    // tells the owner.
    bool SetAll(const vbString& name, int height, bool bold, bool italic, bool underline, bool notify);
    bool SetName(const vbString& name, bool notify);
    bool SetSize(int height, bool notify);
    bool SetBold(bool bold, bool notify);
    bool SetItalic(bool italic, bool notify);
    bool SetUnderline(bool underline, bool notify);
    bool SetBold(const vbBool& bold, bool notify);
    bool SetItalic(const vbBool& italic, bool notify);
    bool SetUnderline(const vbBool& underline, bool notify);
    bool SetWeight(guiWeight weight, bool notify);
    bool SetQuality(guiQuality quality, bool notify);
    bool SetPrecis(guiPrecis precis, bool notify);
    bool SetCharSet(guiCharSet charSet, bool notify);
    bool SetPitch(guiPitch pitch, bool notify);
    // Keeps the GDI font: the shadow is drawn, not part of it.
    bool SetShadowDec(int dec, bool notify);
    // Stored also on an empty font, which answers false.
    bool SetOrientation(int orientation, bool notify);
    bool SetEmpty(bool empty, bool notify);
    // Undefines every property but the tri-states' defaults and the orientation.
    bool Empty();
    // Neither copies the callback nor the orientation.
    bool Set(const guiFont& other, bool notify);
    guiFont& operator=(const guiFont& other);
    // Fills the properties undefined here from other / copies other's defined ones.
    bool SetDefaults(const guiFont& other, bool notify);
    bool SetValids(const guiFont& other, bool notify);
    void SetCB(cbIguiFontChanged* cb) { m_cb = cb; }

    const vbString& GetName() const { return m_name; }
    int GetSize() const { return m_height; }
    bool GetBold() const { return m_bold.GetBool(); }
    bool GetItalic() const { return m_italic.GetBool(); }
    bool GetUnderline() const { return m_underline.GetBool(); }
    guiWeight GetWeight() const { return m_weight; }
    guiQuality GetQuality() const { return m_quality; }
    guiPrecis GetPrecis() const { return m_precis; }
    guiCharSet GetCharSet() const { return m_charSet; }
    guiPitch GetPitch() const { return m_pitch; }
    int GetOrientation() const { return m_orientation; }
    bool IsEmpty() const { return m_bEmpty; }
    bool IsValid() const { return !m_bEmpty; }
    // The shadow offset, at least 1; one farther than any screen is drawn as 65535, which keeps
    // the layout's sums within their integers.
    int GetShadowDec() const { return m_shadowDec <= 0 ? 1 : m_shadowDec < 0xFFFF ? m_shadowDec : 0xFFFF; }
    void IncShadowSize(CSize& size) const
    {
        size.cx += GetShadowDec();
        size.cy += GetShadowDec();
    }
    bool HasDefaults() const;
    bool HasValids() const;

    // The orientation takes no part.
    bool operator==(const guiFont& other) const;
    bool operator!=(const guiFont& other) const { return !(*this == other); }

    // The GDI font, made when there is none; an empty font throws.
    operator HFONT() const;
    operator CFont*() const;
    void OwnData() { m_name = vbString(static_cast<const char*>(m_name)); }

    // "fontname", "fontsize", "shadowdec", "italic", "underline", "bold" after prefix.
    bool ReadXml(sIvbXmlSource* src, const vbString& prefix, bool notify);

    // One line, or wrapped into width when it is above 0; the screen's forms put the previous
    // font back, the others leave this one selected.
    CSize GetTextSize(const vbString& text, bool withShadow) const;
    CSize GetTextSize(const char* text, int len, bool withShadow) const;
    CSize GetTextSize(CDC& dc, const vbString& text, bool withShadow) const;
    CSize GetTextSize(CDC& dc, const char* text, int len, bool withShadow) const;
    CSize GetTextSize(int width, const vbString& text, bool withShadow) const;
    CSize GetTextSize(int width, const char* text, int len, bool withShadow) const;
    CSize GetTextSize(CDC& dc, int width, const vbString& text, bool withShadow) const;
    CSize GetTextSize(CDC& dc, int width, const char* text, int len, bool withShadow) const;

    // One line (orientation 0 or 900), the font left selected; with wrap, the wrapping form.
    bool DrawText(CDC& dc, const CRect& rc, const vbString& text, const vbColor* textColor, const vbColor* shadowColor,
        bool wrap) const;
    bool DrawText(CDC& dc, const CRect& rc, const char* text, int len, const vbColor* textColor,
        const vbColor* shadowColor, bool wrap) const;
    // Word-wrapped. An empty rc with a width and outSize measures without drawing; a shadow colour
    // of the address 1 then counts the shadow in. Character 1 toggles inverse video.
    bool DrawText(HDC dc, const CRect& rc, const char* text, int len, const vbColor* textColor,
        const vbColor* shadowColor, CSize* outSize, const CPoint* start, CPoint* end, int* lineHeight) const;

protected:
    guiFont(const guiFont& other);

private:
    static constexpr int kProperties = 11;

    // How many of the kProperties properties are defined.
    int definedCount() const;
    void rebuild(bool notify);
    bool changed(bool notify);
    template <class T>
    bool setValue(T& field, const T& value, bool notify);
    bool setBool(vbBool& field, bool value, bool notify);
    bool setState(vbBool& field, const vbBool& value, bool notify);
    void copyFrom(const guiFont& other);
    template <class Take>
    bool merge(const guiFont& other, bool notify, Take take);
    void createFont() const;
    // Orientation 900 is vertical; other than 0 throws.
    bool checkOrientation() const;
    CSize measureLine(HDC dc, const char* text, int len, bool withShadow) const;
    CSize measure(HDC dc, int width, const char* text, int len, bool withShadow) const;
    CSize onScreen(int width, const char* text, int len, bool withShadow) const;

    mutable CFont m_font;
    cbIguiFontChanged* m_cb = nullptr;
    vbString m_name;
    int m_height = 0;
    vbBool m_bold{2};
    vbBool m_italic{2};
    vbBool m_underline{2};
    int m_shadowDec = 0;
    guiWeight m_weight = -1;
    guiQuality m_quality = -1;
    guiPrecis m_precis = -1;
    guiCharSet m_charSet = -1;
    guiPitch m_pitch = -1;
    int m_orientation = 0;
    bool m_bEmpty = true;
};
