#pragma once

// What every control draws with: the drawing context a parent hands to the children it prints,
// the frame painter and its companions, the paint lock of a window, the library's colour settings,
// and the guard that reports a call into an object under destruction.

#include "guiExport.h"
#include "guiFont.h"
#include "guiSurface.h"

#include "vbColor.h"

#include "plat/afxgdi.h"
#include "plat/afxwin.h"
#include "plat/types.h"

// 1: a three-dimensional frame of two pixels; 2 and 4: a rounded rectangle; 3 and 5: a rounded
// three-dimensional frame (5 with notched corners); anything else: a flat one-pixel frame.
using guiAppearStyle = int32_t;
// 0: no frame; 1: sunken colouring; anything else: raised colouring.
using guiBorderStyle = int32_t;
// What a drawing context draws for; 1 is WM_PRINTCLIENT printing.
using guiDrawCtx = int32_t;

// Throws vbEsys E_ABORT "VantSgui: Object of called method is in destruction (purecall)": the
// default body of every operation of the library's interfaces, which a call reaches only while the
// implementing object is being destroyed.
[[noreturn]] GUIAPI void guiPurecall();

// Inside a catch block: shows the exception being handled through vbShowException, under the
// source name and line given, and deletes it.
GUIAPI void guiShowCaught(const char* source, int line);

// The drawing context: origin, size, scale and overrides that a parent gives a child it prints.
class GUIAPI guiDrawInfo {
public:
    explicit guiDrawInfo(guiDrawCtx kind);
    // The kind, the scale, the back colour and the surfaces of the parent; the rest as Init leaves it.
    explicit guiDrawInfo(const guiDrawInfo* parent);
    ~guiDrawInfo();
    guiDrawInfo(const guiDrawInfo&) = delete;
    guiDrawInfo& operator=(const guiDrawInfo&) = delete;

    // Clears origin, size, the overrides, the scaled and the started marks.
    void Init();

    // Maps the device context to the scale (and, with useOrigin, moves its viewport to the
    // origin); nothing unless the context is scaled or useOrigin is asked. EndDraw puts back what
    // StartDraw replaced.
    void StartDraw(CDC& dc, bool useOrigin);
    void EndDraw(CDC& dc);

    bool m_bOrigin = false;
    int32_t m_x = 0;
    int32_t m_y = 0;
    bool m_bSize = false;
    int32_t m_cx = 0;
    int32_t m_cy = 0;
    const vbColor* m_pTextColor = nullptr;
    const guiSurface* m_pBackSurface = nullptr;
    const guiFont* m_pFont = nullptr;
    bool m_bAppearStyle = false;
    guiAppearStyle m_appearStyle = 0;
    bool m_bBorderStyle = false;
    guiBorderStyle m_borderStyle = 0;
    guiDrawCtx m_kind;
    int32_t m_winExtX = 1;
    int32_t m_winExtY = 1;
    int32_t m_viewExtX = 1;
    int32_t m_viewExtY = 1;
    bool m_bBackColor = false;
    vbColor m_backColor;
    guiSurface m_surface1;
    bool m_bSurface2 = false;
    guiSurface m_surface2;
    bool m_bScaled = false;

private:
    bool m_bStarted = false;
    int m_oldMapMode = 0;
    CSize m_oldWinExt;
    CSize m_oldViewExt;
    CPoint m_oldWinOrg;
    CPoint m_oldViewOrg;
};

// Draws the frame of an object into dc (null: only computes) and shrinks rect to the area inside
// it (null: a rectangle of its own, not reported). The rectangle is the context's when it has an
// origin and a size (unless it is scaled and dc is given), else the window's client rectangle or
// rect, moved by the context's origin. False when the rectangle is too small for the frame, and
// then nothing is drawn. Neither wnd nor rect: vbEsys E_FAIL "guiDrawFrame() : arg error".
GUIAPI bool guiDrawFrame(guiDrawInfo* info, CWnd* wnd, CDC* dc, RECT* rect, guiAppearStyle appear,
    guiBorderStyle border, int width);
// Limits drawing in dc to the object's rectangle (with exclude, drawing outside it); false when
// the rectangle is not visible in dc. Neither wnd nor rect, or no dc: "guiClipFrame() : arg error".
GUIAPI bool guiClipFrame(guiDrawInfo* info, CWnd* wnd, CDC* dc, RECT* rect, guiAppearStyle appear,
    guiBorderStyle border, int width, bool exclude);
// True for the framed rounded-rectangle styles, which paint their own background corners.
GUIAPI bool guiNoErase(guiAppearStyle appear, guiBorderStyle border);

// The paint lock of a window, counted.
class GUIAPI sIguiPaintLock {
public:
    virtual void LockPaint();
    virtual void UnlockPaint();

protected:
    sIguiPaintLock() = default;
    sIguiPaintLock(const sIguiPaintLock&) = default;
    sIguiPaintLock& operator=(const sIguiPaintLock&) = default;
    ~sIguiPaintLock() = default;
};

// Locks the window's updating (LockWindowUpdate) while the count is above 0. The system locks one
// window at a time: a share whose lock failed counts on but never unlocks another's lock.
class GUIAPI guiPaintShare : public sIguiPaintLock {
public:
    explicit guiPaintShare(CWnd* wnd);
    guiPaintShare(const guiPaintShare&) = default;
    guiPaintShare& operator=(const guiPaintShare&) = default;
    // Unlocks a held lock; an error is shown, not passed on.
    virtual ~guiPaintShare();

    void LockPaint() override;
    void UnlockPaint() override;
    bool IsLocked() const { return m_count > 0; }

private:
    bool m_bUpdateLocked = false;
    int32_t m_count = 0;
    CWnd* m_pWnd;
};

// Holds one paint lock for a scope.
class GUIAPI guiPaintLock {
public:
    guiPaintLock() = default;
    // Takes the lock at once; lock must not be null.
    explicit guiPaintLock(sIguiPaintLock* lock);
    ~guiPaintLock();
    guiPaintLock(const guiPaintLock&) = delete;
    guiPaintLock& operator=(const guiPaintLock&) = delete;

    // Lets go of what it held, then locks and holds lock.
    void Lock(sIguiPaintLock* lock);
    void Unlock();

private:
    sIguiPaintLock* m_pLock = nullptr;
};

// The library's colour settings.
extern GUIAPI vbColorType g_guiClrFrameDark;
extern GUIAPI vbColorType g_guiClrFrame;
extern GUIAPI vbColorType g_guiClrFrameClear;
extern GUIAPI vbColorType g_guiClrFrameLight;
extern GUIAPI vbColorType g_guiClrFrameFlat;
extern GUIAPI vbColorType g_guiClrTextGray;
extern GUIAPI vbColorType g_guiClrTextGrayShadow;
