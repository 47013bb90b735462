#pragma once

// A strip of rows, one per followed plug-in or plug type, showing what the plug-in centre does
// with it (loading, unloading for an update, downloading with a percentage, reloading its
// configuration, failing), each row going away by itself after a while. Listeners (guiPlugObj)
// receive the events on the centre's threads; the strip notes them under its lock and posts itself
// one message, and everything is measured and drawn later on the GUI thread. Long operations of
// the application report through a listener obtained from GetPlugCb.

#include "guiContainer.h"

#include "vbArray.h"
#include "vbHotPlugin.h"
#include "vbMemberCb.h"
#include "vbObjectFace.h"
#include "vbVantMsgEngine.h"
#include "vbWinClass.h"

#include <atomic>
#include <memory>

class guiProgress;
class guiPlugObj;
struct guiProgressLink;

extern GUIAPI const IID IID_guiPlugObj;

typedef vbRefPtr<IvbHotPlugCb, &IID_IvbHotPlugCb> guiHotPlugCbPtr;

// Asks the owner to resize the strip: the strip, the size it wants and its current size; true
// when the owner did.
class ASKSIZECB : public vbMemberCb<bool, guiProgress*, const CSize&, const CSize&> {
public:
    using vbMemberCb::vbMemberCb;
};
// Tells the owner that the strip's display changed.
class NOTIFCB : public vbMemberCb<void, guiProgress*> {
public:
    using vbMemberCb::vbMemberCb;
};

class GUIAPI guiProgress : public TControlTemplate<guiCtrl> {
public:
    static vbWinClass s_Class;
    // The message by which the strip updates its display.
    static constexpr UINT kDisplayUpdateMsg = WM_USER + 0xFF;

    guiProgress();
    ~guiProgress() override;

    // Follows every plug-in of a type (registered with the type) or one plug-in by class id
    // (registered with the plug-in centre). True when a new record was made; an existing one takes
    // the label and caps given.
    bool ListenPlugin(bool showFirst, vbHotPlugType* type, const char* label, vbPlugUpdateCaps caps);
    bool ListenPlugin(bool showFirst, const GUID& classId, const char* label, vbPlugUpdateCaps caps);
    // The same without any registration: the caller drives the listener handed out, and its
    // row always shows the latest event (a success after a failure included).
    bool GetPlugCb(bool showFirst, guiHotPlugCbPtr* out, const GUID& classId, const char* label,
        vbPlugUpdateCaps caps);
    // The row of that class id goes at once, as after its display time-out: what it followed is
    // gone. A later event shows it again.
    void HidePlugCb(const GUID& classId);

    void SetDisplayTimeOut(unsigned long ms);
    unsigned long GetDisplayTimeOut() const;
    void SetDisplayTimeOutOk(unsigned long ms);
    unsigned long GetDisplayTimeOutOk() const;

    guiSurface& BackOk() { return m_backOk; }
    guiSurface& BackErr() { return m_backErr; }
    guiSurface& BackPrg() { return m_backPrg; }
    guiSurface& BackBar() { return m_backBar; }
    guiFont& FontMsg() { return m_fontMsg; }
    const vbColor& GetPrgForeColor() const { return m_prgForeColor; }
    void SetPrgForeColor(const vbColor& color);
    void SetPrgForeColor(COLORREF color) { SetPrgForeColor(vbColor(color)); }
    ASKSIZECB& OnAskSizeCB() { return m_askSizeCB; }
    NOTIFCB& OnNotifCB() { return m_notifCB; }

    void ClientPrint(guiDrawInfo* info, CDC* dc) override { ClientPrint(info, *dc, nullptr); }
    // clip: the part to paint, null for all of it.
    void ClientPrint(guiDrawInfo* info, CDC& dc, const CRect* clip);

    void onFontChanged(guiFont* font) override;
    void onSurfaceChanged(guiSurface* surface) override;
    // The whole message of the row under point when the strip's width cuts it.
    vbString tcNeedToolTip(const CPoint& point, bool* track, int* id) override;

    // Drops every record and waits (pumping messages, 100 ms at a time) until no listener of the
    // strip lives any more; vbEsys 0x800005B4 "guiProgress : time out" after 100 such waits.
    void DestroyPlugObj();

protected:
    friend class guiPlugObj;

    // One followed plug-in or plug type.
    struct Obj {
        vbRefPtr<guiPlugObj, &IID_guiPlugObj> listener;
        uint32_t changes = 0;
        vbString label;
        vbString message;
        double percent = -1;
        // 0 working or unloaded, 2 done well, 3 failed, -1 hidden.
        int32_t status = -1;
        DWORD time = 0;
        GUID classId{};
        int32_t reloads = 0;
        // Until the first event, a first load or configuration reload is noted but not shown.
        bool shown = false;
        // Driven by the caller of GetPlugCb rather than followed for the plug-in centre.
        bool driven = false;
    };
    // One shown row: the record (its position), what it last showed and the measured sizes.
    struct DispObj {
        int obj = 0;
        uint32_t changes = 0;
        vbString label;
        vbString message;
        // Hundredths of percent, -1 without a percentage.
        int64_t hundredths = -1;
        int32_t status = -1;
        CSize labelSize;
        CSize messageSize;
    };

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    bool onWindowProc(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result) override;

    // The events, under the lock, on the listeners' threads.
    void onLoad(guiPlugObj* obj, const GUID& classId, vbHotPlugType* type, IvbHotPlugin* plugin,
        IvbHotPlugger* plugger);
    void onUnload(guiPlugObj* obj, const GUID& classId, vbHotPlugType* type, IvbHotPlugin* plugin,
        IvbHotPlugger* plugger);
    void onReloadConfig(guiPlugObj* obj, const GUID& classId, vbHotPlugType* type, sIvbHotPlugType* plugType);
    void onProgress(guiPlugObj* obj, const GUID& classId, vbHotPlugType* type, IvbHotPlugin* plugin,
        IvbHotPlugger* plugger, ULONG progress, ULONG progressMax, vbPlugStatus status, const vbString& text);
    void onError(guiPlugObj* obj, const GUID& classId, vbHotPlugType* type, IvbHotPlugin* plugin,
        IvbHotPlugger* plugger, LONG hr, const vbString& text);

    // Runs message 1279 on the GUI thread: rows made, measured and dropped, the size asked.
    void onDisplayUpdate();
    // The display timer on the message engine's thread: rows whose time is over are hidden.
    void onDisplayTimeout(vbVantTimerCb& timer);
    // Asks the owner for the content size plus the frame; true when the strip has it now.
    bool askSize(const CSize& content);

    // Guarded by the lock; the display list belongs to the GUI thread.
    vbArray<Obj> m_objs;
    vbArray<DispObj> m_disp;
    int m_widestLabel = 0;
    int m_rowHeight = 0;

private:
    // listen: registered with the plug-in centre (no type) or with the type.
    bool addObj(bool showFirst, bool listen, guiHotPlugCbPtr* out, const GUID& classId, vbHotPlugType* type, const char* label,
        vbPlugUpdateCaps caps);
    // The record of an event (its position), 0 when none and none must exist; see the source.
    int find(guiPlugObj* obj, const GUID& classId, vbHotPlugType* type, IvbHotPlugin* plugin,
        IvbHotPlugger* plugger, bool mustExist);
    Obj& eventObj(guiPlugObj* obj, const GUID& classId, vbHotPlugType* type, IvbHotPlugin* plugin,
        IvbHotPlugger* plugger);
    void setLabel(Obj& rec, IvbHotPlugin* plugin, IvbHotPlugger* plugger, sIvbHotPlugType* plugType);
    // 0: the layout changed.
    void postUpdate(Obj* rec);
    // An event that ends a stretch of work (or starts another): its message and status, no
    // percentage, the time of now, and an update posted.
    void setOutcome(Obj& rec, const vbString& message, int status);
    // The row of record pos, made when missing.
    DispObj& getDisplayObj(int pos);
    bool removeDisplayObj(int pos);
    // Brings a row up to its record; true when anything shown changed.
    bool refreshRow(CDC& dc, DispObj& row, const Obj& rec, bool layoutChanged);
    CSize contentSize() const;
    // Where the status column begins inside the interior r; r.left when labels do not fit.
    int splitAt(const CRect& r) const;
    void paintLabel(CDC& dc, const DispObj& row, const CRect& cell);
    void paintStatus(CDC& dc, const DispObj& row, const CRect& cell);

    vbVantTimerCb m_displayTimer;
    mutable CCriticalSection m_sect;
    uint32_t m_posted = 0;
    uint32_t m_handled = 0;
    bool m_bLayoutChanged = false;
    // Shared with every listener, which reaches the strip only through it.
    std::shared_ptr<guiProgressLink> m_link;
    CSize m_askedSize;
    CSize m_size;
    unsigned long m_timeOut = 60000;
    unsigned long m_timeOutOk = 20000;
    guiFont m_fontMsg;
    guiSurface m_backOk;
    guiSurface m_backErr;
    guiSurface m_backPrg;
    guiSurface m_backBar;
    vbColor m_prgForeColor;
    ASKSIZECB m_askSizeCB;
    NOTIFCB m_notifCB;
};

// A listener of one plug-in (by class id) or of the plug-ins of one type, for one strip. It
// outlives its strip harmlessly: without a strip it does nothing.
class GUIAPI guiPlugObj : public vbObject, public IvbHotPlugCb, public IvbHotPlugTypeCb {
public:
    guiPlugObj(const std::shared_ptr<guiProgressLink>& link, bool showFirst, const GUID& classId,
        vbHotPlugType* type, vbPlugUpdateCaps caps);

    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override;

    const GUID& GetClassId() const { return m_classId; }
    vbHotPlugType* GetType() const { return m_pType; }
    bool GetShowFirst() const { return m_bShowFirst; }
    vbPlugUpdateCaps GetCaps() const { return m_caps; }
    void SetCaps(vbPlugUpdateCaps caps) { m_caps = caps; }

    vbPlugUpdateCaps OnGetPluginCaps(IvbHotPlugger* plugger) override;
    void OnUnloadPluginAsked(IvbHotPlugger* plugger, bool bAlone) override;
    void OnLoadPluginAsked(IvbHotPlugger* plugger, bool bAlone) override;
    void OnProgress(IvbHotPlugger* plugger, ULONG progress, ULONG progressMax, vbPlugStatus status,
        const vbString& text) override;
    vbPlugUpdateCaps OnError(IvbHotPlugger* plugger, bool b, LONG hr, const vbString& text) override;

    vbPlugUpdateCaps OnGetPluginCaps(IvbHotPlugin* plugin, IvbHotPlugger* plugger) override;
    void OnUnloadPluginAsked(IvbHotPlugin* plugin, IvbHotPlugger* plugger, bool bAlone) override;
    void OnLoadPluginAsked(IvbHotPlugin* plugin, IvbHotPlugger* plugger, bool bAlone) override;
    void OnProgress(IvbHotPlugin* plugin, IvbHotPlugger* plugger, ULONG progress, ULONG progressMax,
        vbPlugStatus status, const vbString& text) override;
    vbPlugUpdateCaps OnError(IvbHotPlugin* plugin, IvbHotPlugger* plugger, bool b, LONG hr,
        const vbString& text) override;
    void OnReloadConfig(sIvbHotPlugType* plugType) override;

protected:
    ~guiPlugObj() override;

private:
    // Runs event on the strip while it lives, holding the link so that it cannot go meanwhile.
    template <class Event>
    void toStrip(Event event);

    std::shared_ptr<guiProgressLink> m_link;
    GUID m_classId;
    vbHotPlugType* m_pType;
    std::atomic<vbPlugUpdateCaps> m_caps;
    bool m_bShowFirst;
};
