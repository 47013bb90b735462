#pragma once

// Colours of the user interface. A colour value is a DWORD:
//   0xFFFFFFFF         the null colour (no colour);
//   bit 31 clear       a plain colour 0x00BBGGRR, used as it is;
//   bit 31 set         a reference: bits 0-11 the primary id, bits 12-23 the fallback id taken
//                      when the system's major version is below bits 24-30; ids 0-47 are system
//                      colours, 48-255 invalid, 256 and above user colours (id - 255 is the
//                      user colour's number, so the first one is 0x80000100).
// A user colour is a named, registry-backed setting (vbColorType); the colour engine resolves
// values to RGB, caches the system colours and keeps the table of running user colours. vbColor
// is the value that controls hold: a colour with a pen and a brush made when first asked for and
// remade only when the resolved RGB changes.
//
// vbColor converts implicitly both to its RGB (DWORD) and to its text form (vbString): write
// `vbString text = color;` for the text, as a direct construction would be ambiguous.

#include "vbEngine.h"
#include "vbExport.h"
#include "vbRegEngine.h"
#include "vbString.h"

#include "plat/afxgdi.h"
#include "plat/types.h"

class vbColorType;

extern VBAPI const IID IID_vbColorEngine;
extern VBAPI const IID IID_vbColorType;

constexpr DWORD vbNULLCOLOR = 0xFFFFFFFFu;

// One entry of the colour name table.
struct vbColorNameSt {
    DWORD value;
    const char* name;
};

// "null", the system colours by name, then the named web colours; a record with a null name ends
// it. Lookups take the first match, so the order decides how a value is written.
extern VBAPI const vbColorNameSt g_vbArrClrName[];

class VBAPI vbColor {
public:
    vbColor(DWORD color = vbNULLCOLOR) noexcept;
    // Copies take the value only: the copy makes its own pen and brush.
    vbColor(const vbColor& other) noexcept;
    // The type's reference.
    vbColor(const vbColorType& type);
    ~vbColor();

    // A new value different from the current one lets the pen and the brush go.
    vbColor& operator=(DWORD color);
    vbColor& operator=(const vbColor& other);
    vbColor& operator=(const vbColorType& type);

    // Compare the stored values, not what they resolve to.
    bool operator==(DWORD color) const noexcept { return m_color == color; }
    bool operator==(const vbColor& other) const noexcept { return m_color == other.m_color; }
    bool operator==(const vbColorType& type) const;
    bool operator!=(DWORD color) const noexcept { return m_color != color; }
    bool operator!=(const vbColor& other) const noexcept { return m_color != other.m_color; }
    bool operator!=(const vbColorType& type) const;

    // The resolved RGB (see vbColorEngine::GetRgb).
    operator DWORD() const;
    bool IsNull() const;
    bool IsValid() const { return !IsNull(); }

    // Made with the pen aspect and the resolved RGB; remade when that RGB changed since.
    CPen& GetPen();
    CBrush& GetBrush();
    // False when both are unchanged; else the pen goes and is remade at the next GetPen.
    bool SetPenAspect(int style, int width);
    // False when the value already resolves to null; else the null colour.
    bool Empty();

    // Reads "#RRGGBB", a colour name, a running user colour's name or bare hexadecimal RRGGBB.
    // Bad text throws vbEsys E_FAIL with bThrow, else writes a release-log line and answers false;
    // either way the value stays.
    bool Set(const vbString& text, bool bThrow);
    // The first colour name of the value, a user colour's name, "" for another reference, else
    // "#RRGGBB".
    operator vbString() const;

private:
    friend class vbColorType;

    void deleteGdi();

    DWORD m_color;
    DWORD m_penRgb = vbNULLCOLOR;
    DWORD m_brushRgb = vbNULLCOLOR;
    CPen m_pen;
    CBrush m_brush;
    int m_penStyle = PS_SOLID;
    int m_penWidth = 1;
};

// Holds the null colour.
extern VBAPI const vbColor vbColorNull;

class VBAPI vbColorEngine : public vbEngine {
public:
    // A null centre means g_vbEngineCenter; label is kept, not copied.
    vbColorEngine(vbEngineCenter* pCenter, const char* label);
    ~vbColorEngine() override;

    using vbEngine::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;

    // The RGB of a colour value; callers pass nRec 0. A user colour reference is followed through
    // at most 11 references. The null colour and bad ids throw vbEsys E_FAIL.
    DWORD GetRgb(DWORD color, int nRec);
    // True for the null colour and for a user colour chain that ends at it; fails as GetRgb.
    bool IsColorNull(DWORD color, int nRec);

    // Called by a colour type's start and stop.
    void Add(vbColorType* type);
    void Remove(vbColorType* type);
    // Stores the effective value of user colour number (1-based).
    void SetUserColor(int number, DWORD value);
    // The reference of the running user colour of that name (any case); vbNULLCOLOR when there
    // is none or the engine does not run.
    DWORD GetUserColor(const vbString& name);
    // Empty for a number outside the table or while the engine does not run.
    vbString GetUserColorName(int number);

    // While the engine runs: forget the cached system colours (after they changed), and let
    // every running colour type read its setting again.
    void SysChanges();
    void UserChanges();

protected:
    void onStart() override;
    bool onStop(bool bForce) override;

private:
    friend class vbColorType;

    static constexpr int kSysColors = 48;

    struct UserEntry {
        DWORD value;
        vbColorType* type; // null: a free slot
        // A copy: a freed slot keeps the name after its type has gone.
        vbString name;
    };

    // The id a reference stands for on this system; throws for an invalid id.
    int resolveId(DWORD color) const;
    // Under m_sect.
    DWORD sysColor(int id);
    const UserEntry& userEntry(int id, int nRec) const;

    mutable CCriticalSection m_sect;
    DWORD m_sysCache[kSysColors];
    // The centre's major system version, read at start.
    DWORD m_osMajor = 0;
    vbArray<UserEntry> m_users;
};

// "KVX Vantrel Color Engine", on demand.
extern VBAPI vbColorEngine g_vbColorEngine;

// A user colour: a named colour setting with a default, read from the registry (the user's path
// first, then the machine's) when it starts and written to the user's path when it stops. Declare
// these as static objects; name, description and family are kept, not copied.
class VBAPI vbColorType : public vbEngine {
public:
    // On vbRegVantColors and vbRegVantMachineColors.
    vbColorType(const char* name, const char* description, const char* family, DWORD defaultColor);
    // Either path may be null (not read, or not written).
    vbColorType(vbRegPath* userPath, vbRegPath* machinePath, const char* name, const char* description,
        const char* family, DWORD defaultColor);
    ~vbColorType() override;

    using vbEngine::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;

    // The user's colour, or the default while none is set.
    DWORD GetColor() const;
    void SetColor(DWORD color);
    DWORD GetDfltColor() const;
    void SetDfltColor(DWORD color);
    // Back to no colour of the user's own.
    void Default();

    // 0x80000000 | (number + 255) while running, else the null colour.
    DWORD GetRef() const;
    // The resolved RGB of the reference.
    operator DWORD() const;
    CPen& GetPen();
    CBrush& GetBrush();

    vbString GetFamily() const { return vbString(m_family); }
    const char* GetNamePtr() const { return m_name; }

    // True when a stored setting was taken (a bad stored text is skipped after its log line).
    bool ConfigRead();
    // The colour, description and family under the user path; without a colour of the user's
    // own the key goes with its sub-keys.
    void ConfigWrite();

protected:
    void onStart() override;
    bool onStop(bool bForce) override;

private:
    friend class vbColorEngine;

    // Under the engine's section.
    DWORD effective() const { return m_color != vbNULLCOLOR ? m_color : m_default; }
    // Applies change under the engine's section, then tells the engine when the effective value
    // changed and the type runs.
    template <class F>
    void change(F&& apply);
    void checkReady() const;

    DWORD m_color = vbNULLCOLOR;
    DWORD m_default;
    int m_number = 0;
    vbRegPath* m_pUserPath;
    vbRegPath* m_pMachinePath;
    const char* m_name;
    const char* m_family;
    vbColor m_ref;
};
