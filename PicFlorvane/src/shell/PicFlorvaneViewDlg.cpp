#include "PicFlorvaneViewDlg.h"

#include "PicFlorvaneDlg.h"
#include "picImageHolder.h"

#include "vbExceptionReport.h"
#include "vbFileTools.h"

#include "plat/sysmetrics.h"

#include <algorithm>

namespace {

constexpr const char* kSource = "PicFlorvaneViewDlg";
constexpr DWORD kButtonFace = 0x8000000F;
// The picture arrived, failed or is being made again, told on a download worker: the window
// shows it on its own thread.
constexpr UINT kPictureChanged = WM_APP + 1;

} // namespace

BEGIN_MESSAGE_MAP(CPicFlorvaneViewDlg, CDialog)
    ON_WM_SIZE()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

CPicFlorvaneViewDlg::CPicFlorvaneViewDlg(CPicFlorvaneDlg& main)
    : CDialog(IDD_PICFLORVANE_VIEW, &main)
    , m_container(&main.GetGuiApp(), this, nullptr, nullptr)
    , m_background(nullptr, kButtonFace, vbNULLCOLOR, vbNULLCOLOR, false)
    , m_box(this)
    , m_main(main)
{
}

CPicFlorvaneViewDlg::~CPicFlorvaneViewDlg()
{
    m_bDeleting = true;
    try {
        if (m_hWnd)
            DestroyWindow();
    } catch (CException* e) {
        vbTraceException(e, true, kSource, __LINE__);
    } catch (...) {
        vbTraceException(nullptr, false, kSource, __LINE__);
    }
}

void CPicFlorvaneViewDlg::ShowNode(picNode* node)
{
    auto* holder = dynamic_cast<picImageHolder*>(node);
    const vbString title = node ? node->Describe() : vbString();
    // The preview is what the node's page shows now, also while its picture is still loading or
    // being made; the file may be older (a result saved before a change) or not written at all (a
    // failed save).
    if (const picGuiImagePtr* preview = holder ? holder->GetPreviewPicture() : nullptr)
        sharePicture(*preview, title);
    // Without one, what went wrong is said rather than an older picture shown as the node's.
    else if (holder && holder->WhyNoPicture().IsEmpty())
        loadPath(holder->GetFilePath(), title);
    else
        loadPath(vbString(), title);
    m_node.Set(node);
    open();
    showState();
}

void CPicFlorvaneViewDlg::ShowPicture(const picGuiImagePtr& source, const vbString& title)
{
    m_node.Set(nullptr);
    sharePicture(source, title);
    open();
    showState();
}

void CPicFlorvaneViewDlg::ShowPath(const vbString& path, const vbString& title)
{
    m_node.Set(nullptr);
    loadPath(path, title);
    open();
    showState();
}

void CPicFlorvaneViewDlg::sharePicture(const picGuiImagePtr& source, const vbString& title)
{
    setTitle(title);
    m_box.SharePicture(source);
    m_bFitPending = true;
}

void CPicFlorvaneViewDlg::loadPath(const vbString& path, const vbString& title)
{
    setTitle(title);
    const bool exists = !path.IsEmpty() && vbFileExists(path.c_str());
    m_box.SetPictureUrl(exists ? path : vbString(), vbDnPriority1);
    m_bFitPending = exists;
}

// Told on the thread that loads or makes the picture; a picture that was there at once was shown
// by the show itself.
void CPicFlorvaneViewDlg::onImageLoaded(picGuiImagePtr*)
{
    if (HWND hwnd = GetSafeHwnd())
        ::PostMessageA(hwnd, kPictureChanged, 0, 0);
}

void CPicFlorvaneViewDlg::showState()
{
    if (m_box.GetPicture().HasBitmap()) {
        m_box.tcSetText(vbString());
        fitToPicture();
    } else {
        m_box.tcSetText(whyNoPicture());
    }
}

// A file that could not be read says so; otherwise the node's page's words: a failure, or the
// work under way; otherwise whether a picture is on its way.
vbString CPicFlorvaneViewDlg::whyNoPicture()
{
    picGuiImagePtr& picture = m_box.GetPicture();
    ULONG hr = 0;
    vbString why;
    if (picture.IsLoaded() && picture.GetError(hr, why))
        return "Load failed: " + why;
    picNodePtr node;
    if (auto* holder = m_node.Get(&node) ? dynamic_cast<picImageHolder*>(node.Get()) : nullptr)
        why = holder->WhyNoPicture();
    if (!why.IsEmpty())
        return why;
    return picture.Get() && !picture.IsLoaded() ? "Loading image..." : "No picture to show yet";
}

// The window opens large enough for the picture at its full size where the screen has room, else
// as large as the screen allows with the picture scaled down; once for each picture shown, so
// that a size given to the window meanwhile stays while the picture changes.
void CPicFlorvaneViewDlg::fitToPicture()
{
    picGuiImagePtr& picture = m_box.GetPicture();
    picSize size;
    if (!m_bFitPending || !m_hWnd || !picture.IsLoaded() || !picture.Get()->GetBitmapSize(&size) || size.cx <= 0
        || size.cy <= 0)
        return;
    m_bFitPending = false;
    CRect window, client;
    GetWindowRect(&window);
    GetClientRect(&client);
    const int frameX = window.Width() - client.Width(), frameY = window.Height() - client.Height();
    const int screenX = GetSystemMetrics(SM_CXSCREEN), screenY = GetSystemMetrics(SM_CYSCREEN);
    const double scale =
        std::min({1.0, double(screenX - frameX) / double(size.cx), double(screenY - frameY) / double(size.cy)});
    const int cx = int(double(size.cx) * scale) + frameX, cy = int(double(size.cy) * scale) + frameY;
    const int x = std::clamp(int(window.left), 0, std::max(0, screenX - cx));
    const int y = std::clamp(int(window.top), 0, std::max(0, screenY - cy));
    SetWindowPos(nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CPicFlorvaneViewDlg::setTitle(const vbString& title)
{
    m_title = title;
    if (m_hWnd)
        SetWindowText(m_title);
    if (m_box.m_hWnd)
        m_box.tcSetToolTip(m_title + " view", false);
}

void CPicFlorvaneViewDlg::open()
{
    if (!m_hWnd && !Create(IDD_PICFLORVANE_VIEW, &m_main))
        return;
    SetWindowText(m_title);
    ShowWindow(SW_SHOW);
}

LRESULT CPicFlorvaneViewDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        LRESULT result = 0;
        if (message == kPictureChanged) {
            showState();
            return 0;
        }
        if (m_container.DispatchMsg(message, wParam, lParam, result))
            return result;
        return CDialog::WindowProc(message, wParam, lParam);
    } catch (CException* e) {
        vbShowException(e, true, kSource, __LINE__);
    } catch (...) {
        vbShowException(nullptr, false, kSource, __LINE__);
    }
    return 0;
}

// The cancel of a close or of Escape: a modeless dialog ends by going, and the main window creates
// the next one.
void CPicFlorvaneViewDlg::OnCancel() { DestroyWindow(); }

void CPicFlorvaneViewDlg::OnSize(UINT nType, int cx, int cy)
{
    CDialog::OnSize(nType, cx, cy);
    if (m_box.m_hWnd) {
        m_box.tcSetWindowPos(0, 0, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    m_box.Create(&m_container, CRect(0, 0, cx, cy), false, true);
    m_box.tcSetToolTip(m_title + " view", false);
    m_box.tcSetVisible(true);
    m_box.tcSetBorderStyle(0);
    SetIcon(m_main.GetIcon(), TRUE);
    SetIcon(m_main.GetIcon(), FALSE);
}

void CPicFlorvaneViewDlg::OnLButtonDblClk(UINT nFlags, CPoint point)
{
    CDialog::OnLButtonDblClk(nFlags, point);
    DestroyWindow();
}

void CPicFlorvaneViewDlg::OnPaint()
{
    CPicFlorvaneDlg::PaintBackground(*this, m_container, m_background, m_main.GetIcon());
}

BOOL CPicFlorvaneViewDlg::OnEraseBkgnd(CDC*) { return TRUE; }

void CPicFlorvaneViewDlg::PostNcDestroy()
{
    CDialog::PostNcDestroy();
    // Gone by itself (a double click, a close): the main window forgets it and deletes it later.
    if (!m_bDeleting)
        m_main.ForgetImageView(this);
}
