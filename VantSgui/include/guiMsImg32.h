#pragma once

// The gradient fill of msimg32.dll, bound at run time. The library is loaded when the engine
// starts (on demand, by the first question) and freed when it stops; every question holds the
// engine's lock until it returns, so the library is never freed under a running fill. Without
// the library or its GradientFill, no gradient can be drawn and callers fill plainly.

#include "guiExport.h"

#include "vbEngine.h"

#include "plat/gdi.h"
#include "plat/types.h"

extern GUIAPI const IID IID_guiMsImg32;

class GUIAPI guiMsImg32 : public vbEngine {
public:
    guiMsImg32(const char* label, const vbEngineDeps& dependencies);
    ~guiMsImg32() override;

    using vbEngine::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;

    // Whether gradients can be drawn; starts the engine the first time.
    bool HasGradFill() const;
    // GradientFill with the arguments unchanged; false when unbound or when it fails.
    bool GradFill(HDC dc, TRIVERTEX* vertices, ULONG vertexCount, void* mesh, ULONG meshCount, ULONG mode) const;

protected:
    void onStart() override;
    bool onStop(bool bForce) override;

private:
    typedef BOOL (*GradientFillProc)(HDC, TRIVERTEX*, ULONG, void*, ULONG, ULONG);

    GradientFillProc m_gradientFill = nullptr;
    HMODULE m_library = nullptr;
};

// "KVX Vantrel MSimg32 Engine", started on demand.
extern GUIAPI guiMsImg32 g_guiMsImg32;
