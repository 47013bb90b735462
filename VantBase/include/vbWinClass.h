#pragma once

// Window classes of the libraries, registered lazily as on-demand engines: the class "<label> V5"
// is registered with the program's module instance at first use (its name read, InitCs, or as a
// dependency) and unregistered when the engine centre stops it.

#include "vbEngine.h"

#include "plat/window.h"

extern VBAPI const IID IID_vbWinClass;

class VBAPI vbWinClass : public vbEngine {
public:
    vbWinClass(const char* label, UINT style, WNDPROC proc, const vbEngineDeps& deps);
    vbWinClass(const char* label, UINT style, WNDPROC proc, int classExtra, int windowExtra, HICON icon,
        HCURSOR cursor, HBRUSH background, const char* menuName, const vbEngineDeps& deps);
    ~vbWinClass() override;

    using vbEngine::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;

    // The class name, read under the use lock: the first use registers the class.
    operator const char*() const;
    // The registered class name and the class's instance into cs, under the use lock.
    void InitCs(CREATESTRUCTA& cs) const;
    ATOM GetAtom() const { return m_atom; }

protected:
    void onStart() override;
    bool onStop(bool bForce) override;

private:
    WNDCLASSEXA m_wc;
    ATOM m_atom = 0;
    vbString m_className;
};
