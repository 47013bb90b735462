// The framework window: the handle map, attaching at creation, and the message route through
// WindowProc.

#include "UiCore.h"
#include "afx/CurrentMessage.h"

#include "plat/afxwin.h"
#include "plat/errors.h"

#include <memory>
#include <mutex>
#include <unordered_map>

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

namespace {

struct HandleMap {
    std::mutex mutex;
    std::unordered_map<HWND, CWnd*> permanent;
};

HandleMap& handleMap()
{
    static HandleMap* map = new HandleMap;
    return *map;
}

// Objects FromHandle made for windows without one; each goes once its window is gone, and only
// names its window: dropping it never destroys the window.
struct TemporaryMap {
    std::unordered_map<HWND, std::unique_ptr<CWnd>> objects;
    void drop(std::unique_ptr<CWnd>& wnd) { wnd->m_hWnd = nullptr; }
    ~TemporaryMap()
    {
        for (auto& entry : objects)
            drop(entry.second);
    }
};

TemporaryMap& temporaryMap()
{
    thread_local TemporaryMap map;
    return map;
}

void mapHandle(HWND hwnd, CWnd* wnd)
{
    std::lock_guard lock(handleMap().mutex);
    handleMap().permanent[hwnd] = wnd;
}

void unmapHandle(HWND hwnd, CWnd* wnd)
{
    std::lock_guard lock(handleMap().mutex);
    auto it = handleMap().permanent.find(hwnd);
    if (it != handleMap().permanent.end() && it->second == wnd)
        handleMap().permanent.erase(it);
}

const char kFrameworkClass[] = "AfxWnd";

// Whether the window being created by CreateEx on this thread got as far as being attached.
thread_local bool t_attached = false;

bool ensureFrameworkClass()
{
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = kFrameworkClass;
        RegisterClassExA(&wc);
    });
    return true;
}

} // namespace

// Reaches the members that the creation hook and the window procedure set.
struct CWndAccess {
    static void attachAtCreation(HWND hwnd, void* context)
    {
        CWnd* wnd = static_cast<CWnd*>(context);
        t_attached = true;
        wnd->m_hWnd = hwnd;
        mapHandle(hwnd, wnd);
        WNDPROC previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hwnd, GWLP_WNDPROC, LONG_PTR(AfxWndProc)));
        if (previous != AfxWndProc)
            wnd->m_pfnSuper = previous;
    }
    static void endOfWindow(CWnd* wnd, HWND hwnd)
    {
        // Give the window its procedure back, so that whatever still reaches it does not come here.
        if (wnd->m_pfnSuper && IsWindow(hwnd))
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, LONG_PTR(wnd->m_pfnSuper));
        wnd->m_pfnSuper = nullptr;
        wnd->Detach();
        if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == wnd) {
            PostQuitMessage(0);
            app->m_pMainWnd = nullptr;
        }
        wnd->PostNcDestroy();
    }
};

CWnd::CWnd() : m_hWnd(nullptr), m_pfnSuper(nullptr) {}

CWnd::~CWnd()
{
    if (m_hWnd && IsWindow(m_hWnd) && GetWindowThreadProcessId(m_hWnd, nullptr) == plat::currentThreadId())
        ::DestroyWindow(m_hWnd);
    if (m_hWnd)
        unmapHandle(m_hWnd, this);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, int x, int y,
    int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam)
{
    CREATESTRUCTA cs{lpParam, nullptr, nIDorHMenu, hWndParent, nHeight, nWidth, y, x, LONG(dwStyle), lpszWindowName,
        lpszClassName, dwExStyle};
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }
    if (m_hWnd) { // one object, one window
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const bool outer = t_attached;
    AfxHookWindowCreate(this);
    HWND hwnd = CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, DWORD(cs.style), cs.x, cs.y, cs.cx, cs.cy,
        cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    const bool attached = AfxUnhookWindowCreate();
    t_attached = outer;
    if (!hwnd && !attached)
        PostNcDestroy();
    return hwnd ? TRUE : FALSE;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
    CWnd* pParentWnd, UINT nID, LPVOID lpParam)
{
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top, rect.right - rect.left,
        rect.bottom - rect.top, pParentWnd ? pParentWnd->m_hWnd : nullptr,
        reinterpret_cast<HMENU>(UINT_PTR(nID)), lpParam);
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    HWND hwnd = m_hWnd;
    BOOL destroyed = ::DestroyWindow(hwnd);
    // The object may be gone now (PostNcDestroy may delete it): only the handle map, not the
    // object, says whether it is still attached. It is when a window procedure put in after ours
    // kept the last message from reaching us.
    if (destroyed && !IsWindow(hwnd) && FromHandlePermanent(hwnd) == this)
        Detach();
    return destroyed;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    std::lock_guard lock(handleMap().mutex);
    auto it = handleMap().permanent.find(hWnd);
    return it == handleMap().permanent.end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    if (!hWnd)
        return nullptr;
    if (CWnd* wnd = FromHandlePermanent(hWnd))
        return wnd;
    DeleteTempMap();
    auto& slot = temporaryMap().objects[hWnd];
    if (!slot) {
        slot = std::make_unique<CWnd>();
        slot->m_hWnd = hWnd; // not mapped: the object only names the window
    }
    return slot.get();
}

BOOL CWnd::Attach(HWND hWndNew)
{
    if (m_hWnd || !hWndNew || FromHandlePermanent(hWndNew)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    m_hWnd = hWndNew;
    mapHandle(hWndNew, this);
    return TRUE;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!Attach(hWnd))
        return FALSE;
    WNDPROC previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hWnd, GWLP_WNDPROC, LONG_PTR(AfxWndProc)));
    if (previous != AfxWndProc)
        m_pfnSuper = previous;
    return TRUE;
}

void CWnd::DeleteTempMap()
{
    TemporaryMap& temps = temporaryMap();
    for (auto it = temps.objects.begin(); it != temps.objects.end();) {
        if (IsWindow(it->first)) {
            ++it;
        } else {
            temps.drop(it->second);
            it = temps.objects.erase(it);
        }
    }
}

HWND CWnd::Detach()
{
    HWND hwnd = m_hWnd;
    if (hwnd)
        unmapHandle(hwnd, this);
    m_hWnd = nullptr;
    return hwnd;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCTA& cs)
{
    if (!cs.lpszClass && ensureFrameworkClass())
        cs.lpszClass = kFrameworkClass;
    return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

void CWnd::PostNcDestroy() {}

void AfxHookWindowCreate(CWnd* pWnd)
{
    t_attached = false;
    plat::ui::setCreationHook(&CWndAccess::attachAtCreation, pWnd);
}

BOOL AfxUnhookWindowCreate()
{
    plat::ui::setCreationHook(nullptr, nullptr);
    return t_attached;
}

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = CWnd::FromHandlePermanent(hWnd);
    if (!wnd)
        return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);
    LRESULT result;
    {
        plat::afx::CurrentMessageScope current(hWnd, nMsg, wParam, lParam);
        result = wnd->WindowProc(nMsg, wParam, lParam);
    }
    if (nMsg == WM_NCDESTROY && wnd->m_hWnd == hWnd)
        CWndAccess::endOfWindow(wnd, hWnd);
    return result;
}
