#pragma once

// Windows that record the messages they receive, with the key state seen at each, for the
// keyboard, mouse and focus tests; input is injected through the headless test face.

#include "plat/focus.h"
#include "plat/headless.h"
#include "plat/keyboard.h"
#include "plat/message.h"
#include "plat/mouse.h"
#include "plat/window.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

namespace vnt::test {

struct Seen {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    SHORT keyState; // GetKeyState of the watched key while the message was handled
    SHORT asyncState; // GetAsyncKeyState of it
};

class InputRecorder {
public:
    static InputRecorder*& current()
    {
        static InputRecorder* recorder = nullptr;
        return recorder;
    }

    InputRecorder()
    {
        current() = this;
        for (auto [name, style] : {std::pair{kPlain, 0u}, std::pair{kDoubleClicks, UINT(CS_DBLCLKS)}}) {
            WNDCLASSEXA wc{};
            wc.cbSize = sizeof wc;
            wc.style = style;
            wc.lpfnWndProc = proc;
            wc.lpszClassName = name;
            EXPECT_NE(RegisterClassExA(&wc), 0);
        }
    }
    ~InputRecorder()
    {
        for (HWND hwnd : m_windows)
            if (IsWindow(hwnd))
                DestroyWindow(hwnd);
        pump();
        ReleaseCapture();
        UnregisterClassA(kPlain, nullptr);
        UnregisterClassA(kDoubleClicks, nullptr);
        current() = nullptr;
    }
    InputRecorder(const InputRecorder&) = delete;
    InputRecorder& operator=(const InputRecorder&) = delete;

    static constexpr const char* kPlain = "Input Test Window";
    static constexpr const char* kDoubleClicks = "Input Test Window With Double Clicks";

    // A visible window at r: a pop-up top-level window, or a child of parent (r in its client).
    HWND window(RECT r, HWND parent = nullptr, DWORD style = 0, DWORD exStyle = 0, const char* cls = kPlain)
    {
        style |= WS_VISIBLE | (parent && !(style & WS_POPUP) ? WS_CHILD : WS_POPUP);
        HWND hwnd = CreateWindowExA(exStyle, cls, "", style, r.left, r.top, r.right - r.left, r.bottom - r.top,
            parent, nullptr, nullptr, nullptr);
        EXPECT_NE(hwnd, nullptr);
        m_windows.push_back(hwnd);
        return hwnd;
    }

    static int pump() { return plat::headless::pumpUntilIdle(); }

    // An answer a window gives to a message instead of the default's.
    void answer(HWND hwnd, UINT msg, LRESULT result) { m_answers[{hwnd, msg}] = result; }

    UINT watchedKey = VK_SHIFT;
    std::vector<Seen> seen;

    // The messages seen among those of interest, in order.
    std::vector<Seen> only(std::initializer_list<UINT> interest) const
    {
        std::vector<Seen> out;
        for (const Seen& s : seen)
            for (UINT m : interest)
                if (s.msg == m)
                    out.push_back(s);
        return out;
    }
    std::vector<UINT> numbers(std::initializer_list<UINT> interest) const
    {
        std::vector<UINT> out;
        for (const Seen& s : only(interest))
            out.push_back(s.msg);
        return out;
    }

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        InputRecorder* self = current();
        if (!self)
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        self->seen.push_back(Seen{hwnd, msg, wParam, lParam, GetKeyState(int(self->watchedKey)),
            GetAsyncKeyState(int(self->watchedKey))});
        auto it = self->m_answers.find({hwnd, msg});
        if (it != self->m_answers.end())
            return it->second;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    std::vector<HWND> m_windows;
    std::map<std::pair<HWND, UINT>, LRESULT> m_answers;
};

} // namespace vnt::test
