#pragma once

// Registry places. Every registry access names a root and a key path below it. A root is one of
// the seven predefined roots (0 to 6) or, as a negative number, a registry path object: a named,
// relocatable place registered with the registry engine while it runs, so that moving a whole
// configuration tree means changing one path object. Root numbers of path objects depend on the
// order in which they start: take them from the object (its conversion to vbRegRoot) when they
// are used, never store them.
//
// The registry engine also answers what the system's MIME database under HKEY_CLASSES_ROOT says
// about code pages, character sets and content types, and expands four %-words.

#include "vbArray.h"
#include "vbEngine.h"
#include "vbExport.h"
#include "vbString.h"

#include "plat/types.h"

#include <cstdint>

extern VBAPI const IID IID_vbRegEngine;
extern VBAPI const IID IID_vbRegPath;

// -n (n >= 1) names the path object in slot n of the registry engine; 7 and above are invalid.
enum vbRegRoot : int32_t {
    vbRegCurrentUser = 0,
    vbRegCurrentConfig = 1,
    vbRegClassesRoot = 2,
    vbRegUsers = 3,
    vbRegLocalMachine = 4,
    vbRegDynData = 5,
    vbRegPerformanceData = 6,
};

class VBAPI vbRegPath : public vbEngine {
public:
    // Root form. A negative root makes the running path of that number the parent at once (and
    // throws "bad registry root id" when none has it). name and label are kept, not copied.
    vbRegPath(const char* name, const char* label, vbRegRoot root, const char* path);
    // Parent form: the place lies below parent, which starts first.
    vbRegPath(const char* name, const char* label, vbRegPath* parent, const char* path);
    ~vbRegPath() override;

    using vbEngine::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;

    vbString GetName() const;
    // The root number under which keys reach this place; starts the path when it is on demand.
    operator vbRegRoot() const;
    // The real root (0 to 6) and the absolute key path; either pointer may be null.
    void GetAbsPath(vbRegRoot* root, vbString* path) const;
    vbString GetPath() const;
    void SetPath(const vbString& path);
    // With a parent, the parent's (negative) root number.
    vbRegRoot GetRoot() const;
    void SetRoot(vbRegRoot root);
    void SetRoot(vbRegPath* parent);

protected:
    void onStart() override;
    bool onStop(bool bForce) override;

private:
    friend class vbRegEngine;

    // Both run under the engine centre's critical section.
    void absPath(vbRegRoot* root, vbString* path) const;
    vbRegRoot rootNumber() const;
    void checkParent(const vbRegPath* parent) const;

    int m_index = 0;
    vbRegPath* m_pParent = nullptr;
    vbRegRoot m_root = vbRegCurrentUser;
    vbString m_path;
    const char* m_name;
};

class VBAPI vbRegEngine : public vbEngine {
public:
    vbRegEngine(const char* label, const vbEngineDeps& deps);
    ~vbRegEngine() override;

    using vbEngine::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;

    // The first empty slot (from 1), or a new one; answers the slot index.
    int Add(vbRegPath* path);
    void Remove(int index);
    // The running path of a negative root number; throws "bad registry root id" otherwise.
    vbRegPath* GetRegPath(vbRegRoot root);
    // The real root and absolute path of a negative root number.
    void GetPath(vbRegRoot root, vbRegRoot* realRoot, vbString* path);

    // --- code pages, character sets and content types (HKEY_CLASSES_ROOT\MIME\Database) ---
    // 0 the ANSI code page, 1 the OEM code page, another valid page itself; an invalid one 0.
    DWORD GetRealCP(DWORD cp, bool bThrow);
    vbString GetCharsetFromCP(DWORD cp, bool bThrow);
    // Follows at most three aliases.
    DWORD GetCPfromCharset(const vbString& charset, bool bThrow);
    // The "Content Type" of the path's extension (with its dot), trimmed.
    vbString GetContentTypeFromPath(const vbString& path, bool bThrow);
    // The same for an extension given as it is to be looked up (the caller supplies the dot).
    vbString GetContentTypeFromExt(const vbString& ext, bool bThrow);
    // Not provided: each always throws vbEapp E_NOTIMPL.
    vbString GetExtFromContentType(const vbString& contentType, bool bThrow);
    vbString GetNameFromLCID(LCID lcid, bool bThrow);
    LCID GetLCIDfromName(const vbString& name, bool bThrow);
    LCID GetRealLCID(LCID lcid, bool bThrow);

    // %system32%, %systemroot%, %username% and %computername% (any case) replaced by the system
    // folder, the Windows folder (both without a trailing separator), the user and the computer
    // name; everything else stays as written.
    vbString GetExpandedString(const vbString& text);

protected:
    void onStart() override { }
    bool onStop(bool bForce) override;

private:
    // Under the engine centre's critical section.
    vbRegPath* findPath(vbRegRoot root, const char* fn);

    vbArray<vbRegPath*> m_paths;
};

extern VBAPI vbRegEngine g_vbRegEngine;

// HKEY_LOCAL_MACHINE\Software\KVX Vantrel and HKEY_CURRENT_USER\Software\KVX Vantrel, and
// "Colors" below each.
extern VBAPI vbRegPath vbRegVantMachine;
extern VBAPI vbRegPath vbRegVantUser;
extern VBAPI vbRegPath vbRegVantColors;
extern VBAPI vbRegPath vbRegVantMachineColors;
