#pragma once

// The back end without a screen: surfaces keep their pixels for tests to read back, and the
// screen has the size a test sets.

#include "Display.h"

#include <atomic>

namespace plat::ui {

class HeadlessDisplay final : public DisplayBackend {
public:
    SIZE screenSize() const override;
    void setScreenSize(int width, int height);

    void topLevelCreated(HWND) override {}
    void topLevelChanged(HWND) override {}
    void topLevelDestroyed(HWND) override {}
    void present(HWND, const gdi::Surface&, const RECT&) override {}
    // Tests read the cursor, caret and clipboard through plat/headless.h.
    void cursorChanged(HCURSOR, bool) override {}
    void caretChanged(HWND) override {}
    void iconChanged(HWND, HICON, HICON) override {}
    void clipboardTextChanged(const std::string&) override {}

private:
    static constexpr int kDefaultWidth = 1024;
    static constexpr int kDefaultHeight = 768;
    std::atomic<int> m_width{kDefaultWidth};
    std::atomic<int> m_height{kDefaultHeight};
};

HeadlessDisplay& headlessDisplay();

} // namespace plat::ui
