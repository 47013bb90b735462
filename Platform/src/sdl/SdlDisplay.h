#pragma once

// The desktop back end: one SDL window per top-level window of the display thread (the first
// thread that makes one), made when the window is first shown; SDL's events turned into the
// platform's input, and surfaces copied to the SDL windows' own surfaces.

#include "sdl/X11Wait.h"
#include "ui/Display.h"

#include "plat/api.h"
#include "plat/clock.h"

#include <SDL.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace plat::sdl {

class PLATAPI SdlDisplay final : public ui::DisplayBackend, public WakeSignal::Pump {
public:
    // driver: SDL's video driver ("x11", "dummy"), unless SDL_VIDEODRIVER names one.
    explicit SdlDisplay(std::string driver) : m_driver(std::move(driver)) {}

    // On a thread about to make a top-level window: starts SDL there the first time. False (and
    // the reason on stderr) when the display cannot be opened.
    bool open();
    // Stops SDL; only while no top-level window exists.
    void close();

    SIZE screenSize() const override;
    POINT defaultPosition(SIZE size) const override;
    void topLevelCreated(HWND hwnd) override;
    void topLevelChanged(HWND hwnd) override;
    void topLevelDestroyed(HWND hwnd) override;
    void present(HWND hwnd, const gdi::Surface& surface, const RECT& dirty) override;
    void cursorChanged(HCURSOR cursor, bool shown) override;
    void cursorDestroyed(HCURSOR cursor) override;
    void cursorPlaced(POINT screen) override;
    void topLevelActivated(HWND hwnd) override;
    void caretChanged(HWND owner) override;
    void iconChanged(HWND hwnd, HICON smallIcon, HICON bigIcon) override;
    void clipboardTextChanged(const std::string& text) override;
    bool poll() override;
    int messageBox(HWND owner, const char* text, const char* caption, UINT type) override;
    bool showsWindows() const override { return true; }
    bool changesWindowStates() override;

    void woken() override;
    void pump(uint32_t realMs) override;

    // The SDL window showing a top-level window (null for none), for tests.
    SDL_Window* sdlWindowOf(HWND hwnd);
    // Whether SDL cursors made for this handle are kept, and the step of the animated cursor
    // shown, for tests.
    bool keepsCursorFor(HCURSOR cursor);
    size_t cursorStep();

private:
    struct Shown {
        SDL_Window* window = nullptr;
        RECT rect{}; // the last geometry given to or taken from the desktop
        bool visible = false;
        bool minimized = false;
        bool maximized = false;
        bool popup = false; // never raised or focused: menus, lists, tips
        Uint32 flags = 0; // what the window was made with
        std::string title;
    };
    // A cursor as SDL images: one per frame, shown in the order of the steps, each for its time.
    struct MadeCursor {
        std::vector<SDL_Cursor*> frames;
        std::vector<int> steps;
        std::vector<uint32_t> stepMs;
    };
    // The caret as it is inverted on the desktop (top-level window coordinates).
    struct ShownCaret {
        HWND top = nullptr;
        RECT rect{};
        bool drawn = false;
    };

    bool onDisplayThread() const;
    Shown makeWindow(HWND hwnd);
    SDL_Window* takeSparePopup(Uint32 flags);
    void handle(const SDL_Event& e);
    void handleWindowEvent(const SDL_WindowEvent& e);
    void handleKey(const SDL_KeyboardEvent& e);
    void queueKey(const SDL_KeyboardEvent& e);
    bool focusLossFollows();
    void dropKeysPressedAgain();
    void releaseKeysLetGo();
    HWND windowOf(Uint32 windowId);
    bool isPopup(HWND hwnd);
    MadeCursor makeCursor(HCURSOR cursor);
    void applyCursor();
    void stepCursor(uint64_t now);
    void freeCursor(HCURSOR cursor);
    void presentArea(HWND hwnd, const RECT* area);
    ShownCaret caretWanted(uint64_t now);
    void updateCaret(uint64_t now);
    uint64_t nextDue(uint64_t now);
    template <typename Change> void handOver(Change change);
    void applyPending();
    void closeAllMainWindows();
    void focusLeftUs();
    void pointerLeftUs();
    void takeDesktopClipboard();

    const std::string m_driver;
    std::atomic<DWORD> m_thread{0};
    bool m_failed = false;
    Uint32 m_wakeEvent = 0;
    std::atomic<bool> m_wakePushed{false};
    X11Wait m_x11;
    std::atomic<int> m_screenWidth{1024}, m_screenHeight{768};
    HWND m_fromDesktop = nullptr; // a change the desktop made, not to be echoed
    bool m_focusLeft = false; // in this pump, the focus went to another program
    bool m_pointerLeft = false; // in this pump, the pointer went to another program's window
    // Keys SDL let go of as the focus left one of our windows, held back in this pump until it is
    // known whether the focus only went to another of ours.
    std::vector<SDL_KeyboardEvent> m_keysLetGo;
    float m_wheelRest = 0; // the part of a notch the wheel turned that was not yet passed on
    ShownCaret m_caret;
    // Popups' windows (menus, lists, tips come and go with nearly every click) kept hidden after
    // their window went, for the next popup made with the same flags.
    std::vector<std::pair<Uint32, SDL_Window*>> m_sparePopups;

    std::mutex m_mutex; // the rest, as other threads hand things over
    std::map<HWND, Shown> m_windows;
    HCURSOR m_cursor = nullptr;
    bool m_cursorShown = true;
    bool m_cursorPending = false;
    std::map<HCURSOR, MadeCursor> m_cursors;
    std::vector<HCURSOR> m_destroyedCursors;
    HCURSOR m_shownCursor = nullptr; // what SDL shows, with its animation's step
    size_t m_step = 0;
    uint64_t m_stepStart = 0;
    POINT m_placed{};
    bool m_placedPending = false;
    std::string m_clipboard;
    bool m_clipboardPending = false;
    std::string m_published; // the desktop's clipboard text as we last set or took it
};

// The back end in use when it is SDL's, else null.
PLATAPI SdlDisplay* sdlDisplay();

} // namespace plat::sdl
