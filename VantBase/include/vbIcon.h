#pragma once

// Icons and animated cursors loaded by URL through the download centre and shared through its
// cache. vbIconObject holds the handle; vbIcon is the holder a user keeps (the download pointer
// with the wanted size, a notification callback and the animation phase); vbIconCtrl is a child
// window that shows one icon and animates it.
//
// An icon comes from a module resource ("res:" URL), a file, or any URL a protocol reads (the
// bytes then go through a temporary file). Animated cursors are drawn frame by frame: the number
// of frames is found by drawing until a step fails.

#include "vbColor.h"
#include "vbDnFileObject.h"
#include "vbWinClass.h"

#include "plat/afxwin.h"

#include <cstdint>

extern VBAPI const GUID CLSID_vbIconObject;
// The base library's own animated hourglass cursor.
extern VBAPI const char vbIconHOURGLASS[];

class vbIcon;

// Told when a holder's object signals (loaded or failed), on whichever thread ends the download.
class VBAPI sIvbIconLoaded {
public:
    virtual void onIconLoaded(vbIcon* icon);

protected:
    ~sIvbIconLoaded() = default;
};

class VBAPI vbIconObject : public vbDnFileObject {
public:
    // key: the wanted size, as MakeKey packs it.
    vbIconObject(const vbString& url, int64_t key);
    ~vbIconObject() override;

    // (width << 16) + (height & 0xFFFF), sign-extended from 32 bits.
    static int64_t MakeKey(int width, int height);
    static const GUID& DnClassId() { return CLSID_vbIconObject; }

    using vbDnFileObject::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;
    const GUID& GetClsId() const override;
    DWORD GetMemSizeForCache() const override;
    // A given type is declined: the resource's bytes then arrive through the Loading calls.
    bool LoadFromRes(vbDnData* data, const char* name, const char* type, HINSTANCE module) override;
    const char* GetDefaultResType() const override;
    bool LoadFromFile(vbDnData* data, const vbString& path) override;

    // The handle once loaded, else null.
    HICON GetHandle() const;
    bool IsValid() const;
    // Animated by its URL and not yet drawn, or found animated by drawing.
    bool IsAnimated() const;
    int width() const { return static_cast<int>((GetKey() >> 16) & 0xFFFF); }
    int height() const { return static_cast<int>(GetKey() & 0xFFFF); }

    // Draws at the rectangle's top left, at the object's size: frame is the holder's frame
    // counter and firstFrame its phase origin (-1: not set yet). False when nothing was drawn.
    bool DrawIcon(HDC hdc, const RECT& rect, WORD frame, LONG& firstFrame, HBRUSH brush, int unused);

protected:
    void onLoadedFromBytes(bool animated) override;

private:
    bool draw(HDC hdc, const RECT& rect, UINT step, HBRUSH brush) const;
    void setHandle(HICON icon, bool animated);

    HICON m_hIcon = nullptr;
    bool m_bAnimated = false;
    bool m_bFirstDraw = true;
    // 0: not known; -1: animated, count not found yet; above 0: the number of frames.
    LONG m_frameCount = 0;
};

class VBAPI vbIcon : public vbDnPtr<vbIconObject, &CLSID_vbIconObject> {
public:
    // No URL: nothing is asked.
    vbIcon(sIvbIconLoaded* cb, const CSize& size);
    // A module resource by id or name; asks its load.
    vbIcon(UINT id, const CSize& size, HMODULE module, vbDnPriority priority);
    vbIcon(const char* name, const CSize& size, HMODULE module, vbDnPriority priority);
    // A copy shares the object but starts without a callback; an assignment keeps its own.
    vbIcon(const vbIcon& other);
    vbIcon& operator=(const vbIcon& other);
    ~vbIcon();

    // The same URL text and size.
    bool operator==(const vbIcon& other) const;
    bool operator!=(const vbIcon& other) const { return !(*this == other); }

    // Each answers what AskLoad answers when the URL or size changed, else whether the current
    // object is loaded.
    bool Set(const vbIcon& other, const CSize& size);
    bool Set(UINT id, const CSize& size, HMODULE module, vbDnPriority priority);
    bool Set(const char* name, const CSize& size, HMODULE module, vbDnPriority priority);
    bool Set(UINT id, HMODULE module, vbDnPriority priority);
    bool Set(const char* name, HMODULE module, vbDnPriority priority);
    bool SetUrl(const vbString& url, vbDnPriority priority);
    bool SetUrl(const vbString& url, const CSize& size, vbDnPriority priority);
    bool SetSize(const CSize& size, vbDnPriority priority);

    operator HICON() const;
    CSize GetSize() const { return m_size; }
    // Waits for a call of the previous callback that a download worker is making, so that its
    // receiver may go once null is set.
    void SetIconLoadedCB(sIvbIconLoaded* cb);
    bool IsValid() const;
    bool IsAnimated() const;
    // Waits for the load; the priority takes no part.
    vbIcon& WaitLoad(int timeOutMs, vbDnPriority priority);

    // step: the caller's animation clock; the frame counter moves on by one whenever it changes.
    bool DrawIcon(HDC hdc, const RECT& rect, WORD step, HBRUSH brush, int flags);

protected:
    void onSignal(int signal) override;
    void onLink() override;

private:
    bool setUrlSize(const vbString& url, const CSize& size, vbDnPriority priority);
    void resetPhase();

    CSize m_size;
    sIvbIconLoaded* m_pCb = nullptr;
    LONG m_firstFrame = -1;
    WORD m_lastStep = 0;
    WORD m_frame = 0;
};

class VBAPI vbIconCtrl : public CWnd, public sIvbIconLoaded {
public:
    static vbWinClass s_Class;
    // The animation's timer.
    static constexpr UINT_PTR kTimerId = 10;
    static constexpr UINT kTimerMs = 200;

    vbIconCtrl();
    ~vbIconCtrl() override;

    void SetUrl(const vbString& url);
    // Repaints; may be called from a download worker.
    void onIconLoaded(vbIcon* icon) override;

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void paint();
    void startAnimation();
    void stopAnimation();

    vbIcon m_icon;
    vbColor m_back;
    WORD m_step = 0;
    bool m_bAnimRunning = false;
    UINT_PTR m_timer = 0;
};
