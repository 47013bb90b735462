#pragma once

// The message a framework window of this thread is handling now; Default() and reflection read
// it. The window procedure sets it around each call and puts the outer one back afterwards, so a
// nested SendMessage leaves it as it was.

#include "plat/message.h"

namespace plat::afx {

struct CurrentMessage {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

CurrentMessage& currentMessage();

class CurrentMessageScope {
public:
    CurrentMessageScope(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) : m_outer(currentMessage())
    {
        currentMessage() = {hwnd, message, wParam, lParam};
    }
    ~CurrentMessageScope() { currentMessage() = m_outer; }
    CurrentMessageScope(const CurrentMessageScope&) = delete;
    CurrentMessageScope& operator=(const CurrentMessageScope&) = delete;

private:
    CurrentMessage m_outer;
};

} // namespace plat::afx
