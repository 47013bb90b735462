// Message boxes: on the desktop when there is one, else recorded and answered by the policy
// that tests set.

#include "Display.h"
#include "MessageBoxWindow.h"
#include "TerminationSignals.h"
#include "sdl/SdlMessageBox.h"

#include "plat/errors.h"
#include "plat/msgbox.h"
#include "plat/testhooks.h"

#include <atomic>
#include <mutex>

namespace {

struct Policy {
    std::mutex mutex;
    int answer = IDOK;
    std::vector<plat::MessageBoxRecord> records;
    unsigned beeps = 0;
};

Policy& policy()
{
    static Policy* p = new Policy;
    return *p;
}

std::atomic<bool> g_windowForTests{false};

// As a box closed without a button: the Escape button, else the default one.
int escapeAnswer(UINT type)
{
    const plat::sdl::MessageBoxLayout layout = plat::sdl::messageBoxLayout(type);
    return layout.escapeId ? layout.escapeId : layout.returnId;
}

} // namespace

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    if ((uType & MB_TYPEMASK) > MB_CANCELTRYCONTINUE) {
        SetLastError(ERROR_INVALID_MSGBOX_STYLE);
        return 0;
    }
    if (plat::ui::endingOnSignal())
        return escapeAnswer(uType);
    if (g_windowForTests)
        return plat::ui::runMessageBoxWindow(hWnd, lpText, lpCaption, uType);
    if (const int pressed = plat::ui::display().messageBox(hWnd, lpText, lpCaption, uType))
        return pressed;
    if (plat::ui::endingOnSignal())
        return escapeAnswer(uType); // the box went with the program's end
    Policy& p = policy();
    std::lock_guard lock(p.mutex);
    p.records.push_back(plat::MessageBoxRecord{hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "Error", uType});
    return p.answer;
}

BOOL MessageBeep(UINT)
{
    Policy& p = policy();
    std::lock_guard lock(p.mutex);
    ++p.beeps;
    return TRUE;
}

namespace plat {

void setMessageBoxAnswer(int answer)
{
    std::lock_guard lock(policy().mutex);
    policy().answer = answer;
}

std::vector<MessageBoxRecord> messageBoxRecords()
{
    std::lock_guard lock(policy().mutex);
    return policy().records;
}

unsigned messageBeepCount()
{
    std::lock_guard lock(policy().mutex);
    return policy().beeps;
}

void resetMessageBoxPolicy()
{
    std::lock_guard lock(policy().mutex);
    policy().answer = IDOK;
    policy().records.clear();
    policy().beeps = 0;
}

} // namespace plat

void vntTestUseMessageBoxWindow(BOOL on) { g_windowForTests = on != FALSE; }
