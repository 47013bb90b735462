#include "guiProgress.h"

#include "controls/guiProgressLink.h"
#include "guiToolTip.h"

#include "vbBaseItf.h"
#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbFileTools.h"
#include "vbHotPlug.h"
#include "vbMsg.h"
#include "vbSync.h"
#include "vbVersion.h"

#include "plat/time.h"
#include "plat/window.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <utility>

namespace {

constexpr DWORD kChildStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kProgressThrottleMs = 300;
constexpr int kMaxWaits = 100;
constexpr DWORD kWaitMs = 100;

bool isNull(const GUID& id)
{
    static const GUID zero{};
    return std::memcmp(&id, &zero, sizeof id) == 0;
}

// The strip's one printf-style builder: a 512-byte buffer, at most 511 characters kept, and a
// cut never leaves half a UTF-8 sequence.
__attribute__((format(printf, 1, 2))) vbString formatText(const char* fmt, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, fmt);
    const int length = std::vsnprintf(buffer, sizeof buffer, fmt, args);
    va_end(args);
    if (length < 0)
        return vbString();
    size_t kept = std::min<size_t>(static_cast<size_t>(length), sizeof buffer - 1);
    if (kept < static_cast<size_t>(length)) {
        // The last sequence kept: dropped when its lead byte announces more bytes than remain.
        size_t lead = kept;
        while (lead > 0 && (static_cast<unsigned char>(buffer[lead - 1]) & 0xC0) == 0x80)
            --lead;
        if (lead > 0) {
            const unsigned char first = static_cast<unsigned char>(buffer[lead - 1]);
            const size_t size = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
            if (lead - 1 + size > kept)
                kept = lead - 1;
        }
    }
    return vbString(buffer, static_cast<int>(kept));
}

unsigned long long typeNumber(const vbHotPlugType* type)
{
    return static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(type));
}

// Shows (or traces) the exception being handled under the strip's name.
void showCurrent(int line) { vbImpl::reportCurrent(true, "guiProgress", line); }
void traceCurrent(int line) { vbImpl::reportCurrent(false, "guiProgress", line); }

} // namespace

guiProgress::guiProgress()
    : m_displayTimer(1000, vbVANTTIMERCB(this, &guiProgress::onDisplayTimeout), false),
      m_link(std::make_shared<guiProgressLink>()), m_fontMsg(this, false),
      m_backOk(this, 0x008000, 0x00FF00, 0x008000, false), m_backErr(this, 0x000080, 0x0000FF, 0x000080, false),
      m_backPrg(this, 0x800000, 0xFF0000, 0x800000, false), m_backBar(this, 0x80000005, vbNULLCOLOR, vbNULLCOLOR, false),
      m_prgForeColor(0x80000005)
{
    m_link->strip = this;
    m_fontMsg.SetSize(-10, false);
    tcGetFont().SetSize(-12, false);
    tcGetFont().SetBold(true, false);
    tcSetTextColor(vbColor(0x80000008));
}

guiProgress::~guiProgress()
{
    try {
        m_displayTimer.Destroy();
    } catch (...) {
        traceCurrent(__LINE__);
    }
    try {
        DestroyPlugObj();
    } catch (...) {
        traceCurrent(__LINE__);
    }
    {
        // Listeners still alive from here on reach no strip.
        std::unique_lock lock(m_link->sect);
        m_link->strip = nullptr;
    }
    try {
        if (GetSafeHwnd())
            DestroyWindow();
    } catch (...) {
        traceCurrent(__LINE__);
    }
}

// ---------------------------------------------------------------------------------------------
// Settings.

void guiProgress::SetDisplayTimeOut(unsigned long ms)
{
    vbSectLock lock(&m_sect);
    m_timeOut = ms;
}

unsigned long guiProgress::GetDisplayTimeOut() const
{
    vbSectLock lock(&m_sect);
    return m_timeOut;
}

void guiProgress::SetDisplayTimeOutOk(unsigned long ms)
{
    vbSectLock lock(&m_sect);
    m_timeOutOk = ms;
}

unsigned long guiProgress::GetDisplayTimeOutOk() const
{
    vbSectLock lock(&m_sect);
    return m_timeOutOk;
}

void guiProgress::SetPrgForeColor(const vbColor& color)
{
    if (m_prgForeColor == color)
        return;
    m_prgForeColor = color;
    if (GetSafeHwnd())
        Invalidate(FALSE);
}

void guiProgress::onFontChanged(guiFont*)
{
    if (!GetSafeHwnd())
        return;
    vbSectLock lock(&m_sect);
    postUpdate(nullptr);
}

void guiProgress::onSurfaceChanged(guiSurface*)
{
    if (GetSafeHwnd())
        Invalidate(FALSE);
}

// ---------------------------------------------------------------------------------------------
// Listeners and records.

bool guiProgress::ListenPlugin(bool showFirst, vbHotPlugType* type, const char* label, vbPlugUpdateCaps caps)
{
    return addObj(showFirst, true, nullptr, GUID{}, type, label, caps);
}

bool guiProgress::ListenPlugin(bool showFirst, const GUID& classId, const char* label, vbPlugUpdateCaps caps)
{
    return addObj(showFirst, true, nullptr, classId, nullptr, label, caps);
}

bool guiProgress::GetPlugCb(bool showFirst, guiHotPlugCbPtr* out, const GUID& classId, const char* label,
    vbPlugUpdateCaps caps)
{
    return addObj(showFirst, false, out, classId, nullptr, label, caps);
}

bool guiProgress::addObj(bool showFirst, bool listen, guiHotPlugCbPtr* out, const GUID& classId, vbHotPlugType* type,
    const char* label, vbPlugUpdateCaps caps)
{
    vbRefPtr<guiPlugObj, &IID_guiPlugObj> listener;
    {
        vbSectLock lock(&m_sect);
        if (const int pos = find(nullptr, classId, type, nullptr, nullptr, false)) {
            Obj& rec = m_objs[pos];
            bool changed = false;
            if (label && rec.label != vbString(label)) {
                rec.label = label;
                changed = true;
            }
            if (rec.listener->GetCaps() != caps) {
                rec.listener->SetCaps(caps);
                changed = true;
            }
            if (changed)
                postUpdate(&rec);
            if (out)
                *out = static_cast<IvbHotPlugCb*>(rec.listener);
            return false;
        }
        auto* made = new guiPlugObj(m_link, showFirst, classId, type, caps);
        listener = made;
        made->Release();
        listener->Create();
        Obj& rec = m_objs[m_objs.AddEmpty()];
        rec.listener = listener;
        if (label)
            rec.label = label;
        rec.classId = classId;
        rec.shown = showFirst;
        rec.driven = !listen;
    }
    // Registering calls into the centre or the type, which may call listeners: not under the lock.
    if (out)
        *out = static_cast<IvbHotPlugCb*>(listener);
    if (listen && !type)
        g_vbHotPlugCenter.AddPluginCb(classId, static_cast<IvbHotPlugCb*>(listener));
    else if (listen)
        type->AddPlugTypeCb(static_cast<IvbHotPlugTypeCb*>(listener));
    return true;
}

void guiProgress::HidePlugCb(const GUID& classId)
{
    vbSectLock lock(&m_sect);
    const int pos = find(nullptr, classId, nullptr, nullptr, nullptr, false);
    if (!pos || m_objs[pos].status == -1)
        return;
    m_objs[pos].status = -1;
    postUpdate(&m_objs[pos]);
}

int guiProgress::find(guiPlugObj* obj, const GUID& classId, vbHotPlugType* type, IvbHotPlugin* plugin,
    IvbHotPlugger* plugger, bool mustExist)
{
    auto byClassId = [this](const GUID& id) {
        for (int pos = 1; pos <= m_objs.GetSize(); ++pos)
            if (std::memcmp(&m_objs[pos].classId, &id, sizeof id) == 0)
                return pos;
        return 0;
    };
    if (!isNull(classId)) {
        if (const int pos = byClassId(classId))
            return pos;
    } else if (plugin) {
        // A listener of a plug type: each of its plug-ins gets a record of its own.
        GUID subId = plugin->GetPluginId();
        if (isNull(subId)) {
            if (!plugger)
                throw new vbEsys(true, E_FAIL, "PlugCtr::find(subid=%s,%llX) : no plugger ptr",
                    vbString(subId, true).c_str(), typeNumber(type));
            subId = plugger->GetClsId();
        }
        if (const int pos = byClassId(subId))
            return pos;
        if (!obj)
            throw new vbEsys(true, E_FAIL, "PlugCtr::find(subid=%s,%llX) : not found", vbString(subId, true).c_str(),
                typeNumber(type));
        const int pos = m_objs.AddEmpty();
        Obj& rec = m_objs[pos];
        rec.listener = obj;
        rec.classId = subId;
        rec.shown = obj->GetShowFirst();
        return pos;
    } else {
        for (int pos = 1; pos <= m_objs.GetSize(); ++pos) {
            const guiPlugObj* listener = m_objs[pos].listener;
            if (listener && isNull(listener->GetClassId()) && listener->GetType() == type)
                return pos;
        }
    }
    if (mustExist)
        throw new vbEsys(true, E_FAIL, "PlugCtr::find(%s,%llX) : not found", vbString(classId, true).c_str(),
            typeNumber(type));
    return 0;
}

guiProgress::Obj& guiProgress::eventObj(guiPlugObj* obj, const GUID& classId, vbHotPlugType* type,
    IvbHotPlugin* plugin, IvbHotPlugger* plugger)
{
    return m_objs[find(obj, classId, type, plugin, plugger, true)];
}

void guiProgress::setLabel(Obj& rec, IvbHotPlugin* plugin, IvbHotPlugger* plugger, sIvbHotPlugType* plugType)
{
    if (!rec.label.IsEmpty())
        return;
    const vbString path = plugger ? plugger->GetModulePath() : vbString();
    vbString label;
    if (!path.IsEmpty() && vbFileExists(path))
        label = vbGetProductName(path, false);
    if (label.IsEmpty() && plugin)
        label = plugin->GetPluginLabel();
    if (label.IsEmpty() && !path.IsEmpty())
        label = vbGetFileName(path);
    if (label.IsEmpty() && plugin)
        label = plugin->GetPlugTypeLabel() + " Plugin";
    if (label.IsEmpty() && plugType)
        label = plugType->GetPlugTypeLabel() + " Plugins";
    rec.label = label.IsEmpty() ? vbString("Plugin") : label;
}

// ---------------------------------------------------------------------------------------------
// Events.

void guiProgress::onLoad(guiPlugObj* obj, const GUID& classId, vbHotPlugType* type, IvbHotPlugin* plugin,
    IvbHotPlugger* plugger)
{
    vbSectLock lock(&m_sect);
    Obj& rec = eventObj(obj, classId, type, plugin, plugger);
    if (!rec.shown) {
        rec.shown = true;
        return;
    }
    // A plug-in's failure stays in view past a load that follows it; a driven row's work ended well.
    if (rec.status == 3 && !rec.driven)
        return;
    if (plugin || plugger) {
        rec.label.Empty();
        setLabel(rec, plugin, plugger, type);
    }
    setOutcome(rec, "Loaded and ready.", 2);
}

void guiProgress::onUnload(guiPlugObj* obj, const GUID& classId, vbHotPlugType* type, IvbHotPlugin* plugin,
    IvbHotPlugger* plugger)
{
    vbSectLock lock(&m_sect);
    Obj& rec = eventObj(obj, classId, type, plugin, plugger);
    rec.shown = true;
    setLabel(rec, plugin, plugger, type);
    setOutcome(rec, "Unloaded for update.", 0);
}

void guiProgress::onReloadConfig(guiPlugObj* obj, const GUID& classId, vbHotPlugType* type, sIvbHotPlugType* plugType)
{
    vbSectLock lock(&m_sect);
    Obj& rec = eventObj(obj, classId, type, nullptr, nullptr);
    if (!rec.shown) {
        rec.shown = true;
        return;
    }
    setLabel(rec, nullptr, nullptr, plugType);
    ++rec.reloads;
    setOutcome(rec, "Configuration updated.", 2);
}

void guiProgress::onProgress(guiPlugObj* obj, const GUID& classId, vbHotPlugType* type, IvbHotPlugin* plugin,
    IvbHotPlugger* plugger, ULONG progress, ULONG progressMax, vbPlugStatus status, const vbString& text)
{
    vbSectLock lock(&m_sect);
    Obj& rec = eventObj(obj, classId, type, plugin, plugger);
    rec.shown = true;
    setLabel(rec, plugin, plugger, type);
    if (progressMax != 0)
        rec.percent = static_cast<double>(progress) / static_cast<double>(progressMax) * 100.0;
    // The text changes at most every 300 ms, so that it can be read; the percentage always moves.
    const DWORD now = GetTickCount();
    if (now - rec.time >= kProgressThrottleMs) {
        const vbString label = vbLabel(status);
        if (!label.IsEmpty())
            rec.message = label;
        else if (!text.IsEmpty())
            rec.message = text;
        rec.status = 0;
        rec.time = now;
    }
    postUpdate(&rec);
}

void guiProgress::onError(guiPlugObj* obj, const GUID& classId, vbHotPlugType* type, IvbHotPlugin* plugin,
    IvbHotPlugger* plugger, LONG hr, const vbString& text)
{
    vbSectLock lock(&m_sect);
    Obj& rec = eventObj(obj, classId, type, plugin, plugger);
    rec.shown = true;
    setLabel(rec, plugin, plugger, type);
    setOutcome(rec, hr == 0 || hr == E_FAIL ? text : formatText("%08X : %s", static_cast<unsigned>(hr), text.c_str()),
        hr != 0 ? 3 : 2);
}

void guiProgress::setOutcome(Obj& rec, const vbString& message, int status)
{
    rec.message = message;
    rec.status = status;
    // How far the work had come says nothing of how it ended, nor of what comes next.
    rec.percent = -1;
    rec.time = GetTickCount();
    postUpdate(&rec);
}

void guiProgress::postUpdate(Obj* rec)
{
    if (rec)
        ++rec->changes;
    else
        m_bLayoutChanged = true;
    if (m_posted != m_handled || !GetSafeHwnd())
        return;
    // Counted only once it went out: a post that fails leaves the next event free to post again.
    vbPostMessage(GetSafeHwnd(), kDisplayUpdateMsg, 0, 0);
    ++m_posted;
}

// ---------------------------------------------------------------------------------------------
// Window.

BOOL guiProgress::PreCreateWindow(CREATESTRUCTA& cs)
{
    try {
        s_Class.InitCs(cs);
        cs.style = kChildStyle | (cs.style & WS_VISIBLE);
        return TRUE;
    } catch (...) {
        showCurrent(__LINE__);
    }
    return FALSE;
}

bool guiProgress::onWindowProc(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result)
{
    try {
        switch (msg) {
        case WM_CREATE: {
            result = classWindowProc(msg, wParam, lParam);
            // Events that came before the window show now.
            vbSectLock lock(&m_sect);
            if (result != -1 && m_objs.GetSize() > 0)
                postUpdate(nullptr);
            return true;
        }
        case WM_PAINT: {
            CPaintDC dc(this);
            const CRect clip(dc.m_ps.rcPaint);
            ClientPrint(nullptr, dc, &clip);
            break;
        }
        case kDisplayUpdateMsg:
            onDisplayUpdate();
            break;
        default:
            return false;
        }
    } catch (...) {
        showCurrent(__LINE__);
    }
    result = 0;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Display.

guiProgress::DispObj& guiProgress::getDisplayObj(int pos)
{
    if (pos < 1 || pos > m_objs.GetSize())
        throw new vbEsys(E_FAIL, "guiProgress::getDisplayObj() : object not found");
    for (int i = 1; i <= m_disp.GetSize(); ++i)
        if (m_disp[i].obj == pos)
            return m_disp[i];
    DispObj& row = m_disp[m_disp.AddEmpty()];
    row.obj = pos;
    return row;
}

bool guiProgress::removeDisplayObj(int pos)
{
    for (int i = 1; i <= m_disp.GetSize(); ++i) {
        if (m_disp[i].obj == pos) {
            m_disp.Delete(i);
            return true;
        }
    }
    return false;
}

bool guiProgress::refreshRow(CDC& dc, DispObj& row, const Obj& rec, bool layoutChanged)
{
    bool changed = row.status != rec.status;
    row.status = rec.status;
    if (layoutChanged || row.label != rec.label || row.labelSize.cy == 0) {
        row.label = rec.label;
        row.labelSize = tcGetFont().GetTextSize(dc, row.label, false);
        changed = true;
    }
    const int64_t hundredths = rec.percent < 0 ? -1 : std::llround(rec.percent * 100.0);
    if (layoutChanged || row.changes != rec.changes || row.hundredths != hundredths || row.messageSize.cy == 0) {
        row.changes = rec.changes;
        row.hundredths = hundredths;
        row.message = hundredths < 0 ? rec.message
                                     : formatText("%s : %" PRId64 ".%02" PRId64 " %%", rec.message.c_str(),
                                           hundredths / 100, hundredths % 100);
        row.messageSize = m_fontMsg.GetTextSize(dc, row.message, false);
        changed = true;
    }
    return changed;
}

void guiProgress::onDisplayUpdate()
{
    bool changed = false;
    bool waiting = false;
    {
        // One context measures every text.
        CClientDC dc(this);
        const int saved = dc.SaveDC();
        vbSectLock lock(&m_sect);
        m_handled = m_posted;
        const bool layoutChanged = std::exchange(m_bLayoutChanged, false);
        changed = layoutChanged;
        for (int pos = 1; pos <= m_objs.GetSize(); ++pos) {
            const Obj& rec = m_objs[pos];
            if (rec.status == -1) {
                changed |= removeDisplayObj(pos);
                continue;
            }
            changed |= refreshRow(dc, getDisplayObj(pos), rec, layoutChanged);
            waiting = true;
        }
        dc.RestoreDC(saved);
    }
    // The engine calls the timer under its own lock, which then takes the strip's: not under ours.
    if (waiting)
        m_displayTimer.Create();

    m_widestLabel = 0;
    int textHeight = 0;
    for (int i = 1; i <= m_disp.GetSize(); ++i) {
        m_widestLabel = std::max<int>(m_widestLabel, m_disp[i].labelSize.cx);
        textHeight = std::max<int>({textHeight, m_disp[i].labelSize.cy, m_disp[i].messageSize.cy});
    }
    // A frame and a pixel of space around the text.
    m_rowHeight = textHeight + 4;
    const bool resized = askSize(contentSize());
    if ((changed || resized) && GetSafeHwnd())
        Invalidate(FALSE);
    m_notifCB.Call(this);
}

CSize guiProgress::contentSize() const
{
    const int rows = m_disp.GetSize();
    if (rows == 0)
        return CSize(0, 0);
    int widestMessage = 0;
    for (int i = 1; i <= rows; ++i)
        widestMessage = std::max<int>(widestMessage, m_disp[i].messageSize.cx);
    // Label, split gap, then the status cell: margins of 3, its frame and a pixel inside, 2 of
    // space around the text.
    const int cx = m_widestLabel + 6 + 3 + 2 + 2 + widestMessage + 2 + 2 + 3;
    const int cy = rows * (m_rowHeight + 3) + 3;
    return CSize(cx, cy);
}

bool guiProgress::askSize(const CSize& content)
{
    if (content == m_askedSize)
        return false;
    m_askedSize = content;
    CRect inner(0, 0, 100, 100);
    guiDrawFrame(nullptr, nullptr, nullptr, &inner, tcGetAppearStyle(), tcGetBorderStyle(), frameWidth());
    CSize wanted = content;
    if (wanted.cx > 0)
        wanted.cx += 100 - inner.Width();
    if (wanted.cy > 0)
        wanted.cy += 100 - inner.Height();
    if (!m_askSizeCB.Call(this, wanted, m_size))
        return false;
    m_size = wanted;
    return true;
}

void guiProgress::onDisplayTimeout(vbVantTimerCb& timer)
{
    bool waiting = false;
    try {
        vbSectLock lock(&m_sect);
        const DWORD now = GetTickCount();
        for (int pos = 1; pos <= m_objs.GetSize(); ++pos) {
            Obj& rec = m_objs[pos];
            if (rec.status == -1)
                continue;
            if (now - rec.time >= (rec.status == 2 ? m_timeOutOk : m_timeOut)) {
                rec.status = -1;
                postUpdate(&rec);
            } else {
                waiting = true;
            }
        }
    } catch (...) {
        // Tried again at the next turn.
        traceCurrent(__LINE__);
        return;
    }
    if (!waiting)
        timer.Destroy();
}

// ---------------------------------------------------------------------------------------------
// Painting.

void guiProgress::ClientPrint(guiDrawInfo* info, CDC& dc, const CRect* clip)
{
    const int saved = dc.SaveDC();
    CRect r;
    if (guiDrawFrame(info, this, &dc, &r, tcGetAppearStyle(), tcGetBorderStyle(), frameWidth())) {
        dc.IntersectClipRect(&r);
        if (clip)
            dc.IntersectClipRect(clip);
        tcGetBackSurface().Fill(dc.GetSafeHdc(), r, nullptr);
        dc.SetBkMode(TRANSPARENT);
        const int split = splitAt(r);
        const bool labels = split != r.left;
        int y = r.top;
        for (int i = 1; i <= m_disp.GetSize() && y + 3 < r.bottom; ++i) {
            y += 3;
            const CRect labelCell(r.left + 3, y, split - 3, y + m_rowHeight);
            const CRect statusCell(split + 3, y, r.right - 3, y + m_rowHeight);
            if (labels)
                paintLabel(dc, m_disp[i], labelCell);
            paintStatus(dc, m_disp[i], statusCell);
            y += m_rowHeight;
        }
    }
    dc.RestoreDC(saved);
}

int guiProgress::splitAt(const CRect& r) const
{
    int split = r.left + m_widestLabel + 6;
    if (r.right - split < 180)
        split = r.right - 180;
    return split - r.left >= 40 ? split : r.left;
}

vbString guiProgress::tcNeedToolTip(const CPoint& point, bool* track, int* id)
{
    // Another row under the mouse may need another text.
    if (track)
        *track = true;
    if (id)
        *id = -1;
    CRect r;
    GetClientRect(&r);
    guiDrawFrame(nullptr, nullptr, nullptr, &r, tcGetAppearStyle(), tcGetBorderStyle(), frameWidth());
    const int pitch = m_rowHeight + 3;
    if (pitch <= 3 || point.y < r.top)
        return tcGetToolTip();
    const int i = (point.y - r.top) / pitch + 1;
    const bool onRow = point.y - r.top - (i - 1) * pitch >= 3;
    // The status cell less its frame, a pixel inside it and 2 of space on each side.
    const int room = r.right - splitAt(r) - 3 - 3 - 2 - 4;
    if (!onRow || i > m_disp.GetSize())
        return tcGetToolTip();
    const vbString tip = guiCutTextTip(m_disp[i].message, m_disp[i].messageSize.cx, room, tcGetToolTip());
    if (id && tip != tcGetToolTip())
        *id = i;
    return tip;
}

void guiProgress::paintLabel(CDC& dc, const DispObj& row, const CRect& cell)
{
    tcGetBackSurface().Fill(dc.GetSafeHdc(), cell, nullptr);
    const CRect text(cell.left, cell.top + (cell.Height() - row.labelSize.cy) / 2, cell.right, cell.bottom);
    const vbColor color = tcGetTextColor();
    tcGetFont().DrawText(dc, text, row.label, &color, nullptr, false);
}

void guiProgress::paintStatus(CDC& dc, const DispObj& row, const CRect& cell)
{
    CRect inner = cell;
    inner.DeflateRect(1, 1);
    const CRect text(inner.left + 2, inner.top + (inner.Height() - row.messageSize.cy) / 2, inner.right - 2,
        inner.bottom);
    vbColor color = tcGetTextColor();
    const guiSurface& back = row.status == 2 ? m_backOk : row.status == 0 ? m_backBar : m_backErr;
    const int rest = dc.SaveDC();
    if (row.status == 0 && row.hundredths >= 0) {
        CRect done = inner;
        done.right = inner.left +
            static_cast<int>(static_cast<int64_t>(inner.Width()) * std::min<int64_t>(row.hundredths, 10000) / 10000);
        const int inDone = dc.SaveDC();
        dc.IntersectClipRect(&done);
        m_backPrg.Fill(dc.GetSafeHdc(), done, nullptr);
        m_fontMsg.DrawText(dc, text, row.message, &m_prgForeColor, nullptr, false);
        dc.RestoreDC(inDone);
        dc.ExcludeClipRect(&done);
    }
    back.Fill(dc.GetSafeHdc(), inner, nullptr);
    m_fontMsg.DrawText(dc, text, row.message, &color, nullptr, false);
    dc.RestoreDC(rest);
    dc.FrameRect(&cell, &color.GetBrush());
}

// ---------------------------------------------------------------------------------------------
// Lifecycle.

void guiProgress::DestroyPlugObj()
{
    vbArray<Obj> dropped;
    {
        vbSectLock lock(&m_sect);
        m_disp.Empty();
        dropped = m_objs;
        m_objs.Empty();
    }
    // The last references to the listeners go outside the lock.
    dropped.Empty();
    for (int waits = 0; m_link->live > 0;) {
        vbMsgSleep(kWaitMs);
        if (++waits > kMaxWaits)
            throw new vbEsys(static_cast<HRESULT>(0x800005B4), "guiProgress : time out");
    }
}
