#include "guiMsStatusBar.h"

#include "guiKeys.h"

#include "vbException.h"

#include "plat/afxdate.h"
#include "plat/keyboard.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kIndicatorWidth = 33;
constexpr int kClockWidth = 60;
// A share or percent panel narrower than this is left out.
constexpr int kLeastVariableWidth = 50;
constexpr int kClockTicks = 50;

bool sameText(const vbString& a, const vbString& b) { return std::strcmp(a.c_str(), b.c_str()) == 0; }

bool isIndicator(guiSBtype type) { return type >= guiSBinsert && type <= guiSBtime; }

} // namespace

// ---------------------------------------------------------------------------------------------
// Panel handles.

void guiMsSBpanel::SetText(const vbString& text)
{
    MustBeValid();
    guiMsStatusBar::BtnInfo& info = owner()->getBtnInfo(id());
    if (sameText(info.text, text))
        return;
    info.text = text;
    if (owner()->tcGetVisible() && info.partIndex >= 0)
        owner()->showText(info);
}

vbString guiMsSBpanel::GetText() const
{
    MustBeValid();
    return owner()->getBtnInfo(id()).text;
}

void guiMsSBpanel::SetDfltText(const vbString& text)
{
    MustBeValid();
    guiMsStatusBar::BtnInfo& info = owner()->getBtnInfo(id());
    if (sameText(info.dfltText, text))
        return;
    info.dfltText = text;
    if (owner()->tcGetVisible() && info.partIndex >= 0 && info.text.IsEmpty())
        owner()->showText(info);
}

vbString guiMsSBpanel::GetDfltText() const
{
    MustBeValid();
    return owner()->getBtnInfo(id()).dfltText;
}

void guiMsSBpanel::SetToolTipText(const vbString& text)
{
    MustBeValid();
    guiMsStatusBar::BtnInfo& info = owner()->getBtnInfo(id());
    if (!sameText(info.toolTipText, text))
        info.toolTipText = text;
}

// ---------------------------------------------------------------------------------------------
// The bar.

template class TControlTemplate<CStatusBarCtrl>;

BEGIN_MESSAGE_MAP(guiMsStatusBar, CStatusBarCtrl)
ON_WM_DESTROY()
ON_WM_SIZE()
ON_WM_SHOWWINDOW()
END_MESSAGE_MAP()

guiMsStatusBar::guiMsStatusBar() : m_tickEvent(this, kTickMessage) { }

guiMsStatusBar::~guiMsStatusBar()
{
    try {
        tcClear();
    } catch (...) {
        guiShowCaught(kSourceName, __LINE__);
    }
}

guiMsStatusBar::BtnInfo& guiMsStatusBar::newBtnInfo()
{
    const int id = m_list.AddEmpty();
    BtnInfo& info = m_list[id];
    info.id = id;
    return info;
}

guiMsSBpanel guiMsStatusBar::Add(int width, guiSBtype type, const vbString& text, const vbString& toolTipText)
{
    stopTimer();
    BtnInfo& info = newBtnInfo();
    info.width = width;
    info.type = type;
    info.text = text;
    info.toolTipText = toolTipText;
    const int id = info.id;
    if (tcGetVisible())
        Update();
    else
        m_bLayoutPending = true;
    return guiMsSBpanel(this, id);
}

void guiMsStatusBar::startTimer() { m_tickEvent.Start(&g_guiTimer); }

void guiMsStatusBar::stopTimer()
{
    m_tickEvent.Stop(true);
    detachIndicators();
}

void guiMsStatusBar::detachIndicators()
{
    for (guiMsSBpanel* indicator : {&m_insert, &m_caps, &m_num, &m_time})
        indicator->Detach();
}

void guiMsStatusBar::setNoParts() { SetParts(0, nullptr); }

void guiMsStatusBar::showText(const BtnInfo& info)
{
    const vbString& shown = info.text.IsEmpty() ? info.dfltText : info.text;
    SetText(shown.c_str(), info.partIndex, 0);
}

void guiMsStatusBar::tcClear()
{
    stopTimer();
    for (int i = 1; i <= m_list.GetLength(); ++i) {
        BtnInfo& info = m_list[i];
        while (info.firstHandle)
            info.firstHandle->Detach();
        info.id = -1;
        info.partIndex = -1;
        info.rightEdge = -1;
    }
    m_list.Empty();
    if (GetSafeHwnd())
        setNoParts();
}

void guiMsStatusBar::tcOnDestroy()
{
    tcClear();
    stopTimer();
}

vbString guiMsStatusBar::tcNeedToolTip(const CPoint& point, bool* askAgain, int* toolId)
{
    *askAgain = true;
    for (int i = 1; i <= m_list.GetLength(); ++i) {
        const BtnInfo& info = m_list[i];
        if (info.id >= 0 && info.rightEdge >= point.x) {
            *toolId = i - 1;
            return info.toolTipText;
        }
    }
    *toolId = -1;
    return tcGetToolTip();
}

void guiMsStatusBar::Update()
{
    if (!GetSafeHwnd() || m_bBusy)
        return;
    swObject busy(&m_bBusy);
    detachIndicators();
    if (m_list.GetLength() == 0) {
        setNoParts();
        return;
    }
    m_tickCount = 0;
    m_bLayoutPending = false;
    CRect client;
    GetClientRect(&client);
    int horizontal = 0;
    int vertical = 0;
    int spacing = 0;
    GetBorders(horizontal, vertical, spacing);

    const std::vector<int> edges = layOut(client.Width(), spacing);
    if (edges.empty()) {
        setNoParts();
        return;
    }
    SetParts(static_cast<int>(edges.size()), const_cast<int*>(edges.data()));
    for (int i = 1; i <= m_list.GetLength(); ++i)
        if (m_list[i].id >= 0 && m_list[i].partIndex >= 0)
            showText(m_list[i]);
    const bool anyIndicator = m_insert.IsValid() || m_caps.IsValid() || m_num.IsValid() || m_time.IsValid();
    if (anyIndicator)
        startTimer();
    else
        m_tickEvent.Stop(true);
}

// The first pass sorts the requests into fixed, share and percent; the second places the panels
// from the left while there is room.
std::vector<int> guiMsStatusBar::layOut(int width, int spacing)
{
    int fixedTotal = 0;
    int fixedCount = 0;
    int shareCount = 0;
    int percentTotal = 0;
    int variableCount = 0;
    for (int i = 1; i <= m_list.GetLength(); ++i) {
        BtnInfo& info = m_list[i];
        if (info.id < 0)
            continue;
        info.partIndex = -1;
        info.rightEdge = -1;
        if (info.width > 0 || info.type != guiSBnormal) {
            if (info.type >= guiSBinsert && info.type <= guiSBnum)
                info.width = kIndicatorWidth;
            else if (info.type == guiSBtime)
                info.width = kClockWidth;
            fixedTotal += info.width;
            ++fixedCount;
        } else if (info.width == -1) {
            ++shareCount;
            ++variableCount;
        } else if (info.width < -1) {
            percentTotal -= info.width;
            ++variableCount;
        }
    }
    if (fixedCount + variableCount < 1)
        return {};

    const int free = width - (fixedCount + variableCount + 1) * spacing;
    const int percentPixels = free * percentTotal / 100;
    int base = free;
    int share = 0;
    if (percentTotal == 0 || percentPixels + fixedTotal <= width) {
        if (shareCount > 0)
            share = (free - percentPixels - fixedTotal) / shareCount;
    } else {
        // Over-full percentages: together they take what the fixed panels leave, and no share
        // panel is shown.
        base = std::max(0, free - fixedTotal) * 100 / percentTotal;
    }

    std::vector<int> edges;
    int x = spacing;
    for (int i = 1; i <= m_list.GetLength() && x < width; ++i) {
        BtnInfo& info = m_list[i];
        if (info.id < 0)
            continue;
        int w = info.width;
        if (info.width >= 0 || info.type != guiSBnormal) {
            if (x + w + spacing > width)
                continue;
        } else {
            w = info.width == -1 ? share : -info.width * base / 100;
            if (w > kLeastVariableWidth && x + w + spacing > width)
                w = width - x - spacing;
            if (w < kLeastVariableWidth)
                continue;
        }
        edges.push_back(x + w);
        info.rightEdge = x + w;
        info.partIndex = static_cast<int>(edges.size()) - 1;
        x = info.rightEdge + spacing;
        if (isIndicator(info.type)) {
            guiMsSBpanel* indicators[] = {&m_insert, &m_caps, &m_num, &m_time};
            indicators[info.type - guiSBinsert]->Attach(this, info.id);
        }
    }
    return edges;
}

// ---------------------------------------------------------------------------------------------
// Messages.

LRESULT guiMsStatusBar::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return wrapperWindowProc(msg, wParam, lParam, kSourceName, __LINE__);
}

// The tick comes before the container and the message hook, and goes no further.
bool guiMsStatusBar::wrapperOwnStep(UINT msg, WPARAM wParam, LPARAM, LRESULT& result)
{
    if (msg != kTickMessage)
        return false;
    OnTimer(wParam);
    result = 0;
    return true;
}

void guiMsStatusBar::OnDestroy()
{
    try {
        tcClear();
    } catch (...) {
        guiShowCaught(kSourceName, __LINE__);
    }
    CStatusBarCtrl::OnDestroy();
}

void guiMsStatusBar::OnSize(UINT type, int cx, int cy)
{
    Update();
    CStatusBarCtrl::OnSize(type, cx, cy);
}

void guiMsStatusBar::OnShowWindow(BOOL show, UINT status)
{
    CStatusBarCtrl::OnShowWindow(show, status);
    if (show && m_bLayoutPending)
        Update();
}

// The key's toggle, not its signed state: a held key is negative whatever its toggle.
void guiMsStatusBar::OnTimer(WPARAM)
{
    if (m_bBusy)
        return;
    swObject busy(&m_bBusy);
    if (!tcGetVisible())
        return;
    if (m_insert.IsValid())
        m_insert.SetText(GetApp(true)->IsInsertMode(false) ? "INS" : "OVR");
    if (m_caps.IsValid())
        m_caps.SetText((GetKeyState(VK_CAPITAL) & 1) ? "CAPS" : " - ");
    if (m_num.IsValid())
        m_num.SetText((GetKeyState(VK_NUMLOCK) & 1) ? "NUM" : " - ");
    if (m_time.IsValid()) {
        if (m_tickCount % kClockTicks == 0)
            m_time.SetText(COleDateTime::GetCurrentTime().Format(VAR_TIMEVALUEONLY, LOCALE_USER_DEFAULT).c_str());
        ++m_tickCount;
    }
}
