#pragma once

// A parent window for the built-in control tests: it logs the notifications, colour requests and
// scroll messages its controls send, and lets a test answer or act on them.

#include "plat/bitmap.h"
#include "plat/controls.h"
#include "plat/gdi.h"
#include "plat/paint.h"
#include "plat/headless.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace vnt::test {

struct ControlEvent {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

class ControlParent {
public:
    // A hook answers a message instead of the default when it returns true.
    using Hook = std::function<bool(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)>;

    ControlParent()
    {
        current() = this;
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = proc;
        wc.lpszClassName = kClass;
        RegisterClassExA(&wc);
        hwnd = CreateWindowExA(0, kClass, "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
        EXPECT_NE(hwnd, nullptr);
    }
    ~ControlParent()
    {
        DestroyWindow(hwnd);
        UnregisterClassA(kClass, nullptr);
        current() = nullptr;
    }
    ControlParent(const ControlParent&) = delete;
    ControlParent& operator=(const ControlParent&) = delete;

    HWND child(const char* cls, DWORD style, RECT r, int id = 5, const char* text = "")
    {
        return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
            r.bottom - r.top, hwnd, HMENU(INT_PTR(id)), nullptr, nullptr);
    }

    // The notification codes of WM_COMMAND seen, in order.
    std::vector<int> codes() const
    {
        std::vector<int> out;
        for (const ControlEvent& e : events)
            if (e.msg == WM_COMMAND)
                out.push_back(HIWORD(e.wParam));
        return out;
    }
    std::vector<ControlEvent> only(UINT msg) const
    {
        std::vector<ControlEvent> out;
        for (const ControlEvent& e : events)
            if (e.msg == msg)
                out.push_back(e);
        return out;
    }

    static int pump() { return plat::headless::pumpUntilIdle(); }

    HWND hwnd = nullptr;
    Hook hook;
    std::vector<ControlEvent> events;

private:
    static constexpr const char* kClass = "Control Test Parent";

    static ControlParent*& current()
    {
        static ControlParent* parent = nullptr;
        return parent;
    }

    static bool logged(UINT msg)
    {
        return msg == WM_COMMAND || msg == WM_NOTIFY || msg == WM_HSCROLL || msg == WM_VSCROLL
            || (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC);
    }

    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        ControlParent* self = current();
        if (self && logged(msg)) {
            self->events.push_back({msg, wParam, lParam});
            LRESULT result = 0;
            if (self->hook && self->hook(msg, wParam, lParam, result))
                return result;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
};

// Whether WM_PRINTCLIENT draws into a memory DC exactly what the window shows.
inline ::testing::AssertionResult printsAsShown(HWND hwnd)
{
    HBITMAP shown = plat::headless::captureClient(hwnd);
    if (!shown)
        return ::testing::AssertionFailure() << "no window";
    DIBSECTION want{};
    GetObjectA(shown, sizeof want, &want);
    const int w = want.dsBm.bmWidth, h = want.dsBm.bmHeight;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP printed = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, printed);
    SendMessageA(hwnd, WM_PRINTCLIENT, WPARAM(dc), PRF_CLIENT);
    auto result = ::testing::AssertionSuccess();
    const auto* a = static_cast<const uint32_t*>(want.dsBm.bmBits);
    const auto* b = static_cast<const uint32_t*>(bits);
    for (int i = 0; i < w * h; ++i)
        if ((a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF)) {
            result = ::testing::AssertionFailure() << "pixel (" << i % w << ", " << i / w << ") differs";
            break;
        }
    SelectObject(dc, old);
    DeleteObject(printed);
    DeleteDC(dc);
    DeleteObject(shown);
    return result;
}

inline std::string windowText(HWND hwnd)
{
    char buffer[512] = {};
    GetWindowTextA(hwnd, buffer, sizeof buffer);
    return buffer;
}

} // namespace vnt::test
