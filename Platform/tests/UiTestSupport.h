#pragma once

// Small helpers of the window and message tests: a class registered for one test, and a log of
// the messages its windows receive.

#include "plat/message.h"
#include "plat/window.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

namespace vnt::test {

class ScopedClass {
public:
    ScopedClass(const char* name, WNDPROC proc, int windowExtra = 0, UINT style = 0, HBRUSH background = nullptr)
        : m_name(name)
    {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = proc;
        wc.cbWndExtra = windowExtra;
        wc.style = style;
        wc.hbrBackground = background;
        wc.lpszClassName = name;
        atom = RegisterClassExA(&wc);
        EXPECT_NE(atom, 0) << name;
    }
    ~ScopedClass() { UnregisterClassA(m_name.c_str(), nullptr); }
    ScopedClass(const ScopedClass&) = delete;
    ScopedClass& operator=(const ScopedClass&) = delete;

    const char* name() const { return m_name.c_str(); }
    ATOM atom = 0;

private:
    std::string m_name;
};

struct LoggedMessage {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
};

// Messages seen by LoggingProc, in order, from any thread.
class MessageLog {
public:
    void add(HWND hwnd, UINT msg, WPARAM wParam)
    {
        std::lock_guard lock(m_mutex);
        m_entries.push_back({hwnd, msg, wParam});
    }
    std::vector<LoggedMessage> entries()
    {
        std::lock_guard lock(m_mutex);
        return m_entries;
    }
    // The message numbers seen, leaving out those not in the list of interest.
    std::vector<UINT> numbers(std::initializer_list<UINT> interest)
    {
        std::vector<UINT> out;
        for (const LoggedMessage& e : entries())
            for (UINT m : interest)
                if (e.msg == m)
                    out.push_back(e.msg);
        return out;
    }
    void clear()
    {
        std::lock_guard lock(m_mutex);
        m_entries.clear();
    }

private:
    std::mutex m_mutex;
    std::vector<LoggedMessage> m_entries;
};

inline MessageLog& messageLog()
{
    static MessageLog log;
    return log;
}

inline LRESULT CALLBACK LoggingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    messageLog().add(hwnd, msg, wParam);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

inline HWND createMessageWindow(const char* className, const char* title = "")
{
    return CreateWindowExA(0, className, title, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

} // namespace vnt::test
