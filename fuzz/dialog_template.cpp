// Dialog templates come from resources of any module: whatever their bytes, making a dialog from
// them must either give a dialog with the controls the template lists or fail and leave nothing.
//
// Input: the template's bytes. The dialog is made under a hidden owner with the test font; the
// template is copied into a zero-filled buffer of the most an Indirect template is read for, and
// never shown (a huge one would need a huge surface).
//
// A count beyond the bytes reads thousands of empty items from the zeros up to 64 KiB, twice
// (here and in the dialog's making): it runs a few hundred inputs a second.

#include "dialog/DialogTemplate.h"

#include "plat/dialog.h"
#include "plat/headless.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

INT_PTR CALLBACK QuietDlgProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

HWND owner()
{
    static HWND hwnd = [] {
        // The headless back end, as the tests run: no desktop is needed, or shown a window.
        setenv("VANTREL_HEADLESS", "1", 1);
        plat::headless::useFixedTestFont(true);
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "FuzzControl";
        RegisterClassExA(&wc);
        return CreateWindowExA(0, "FuzzControl", "owner", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    }();
    return hwnd;
}

// A dialog, or a popup control, of more than 512 dialog units either way: a control that measures
// its text makes its top-level window's whole surface, which at the platform's largest (16384
// pixels square) takes the sanitizer half a minute. Such templates are only parsed.
bool tooLarge(const plat::dialog::DialogTemplate& t)
{
    constexpr short kMaxSide = 512;
    if (t.cx > kMaxSide || t.cy > kMaxSide)
        return true;
    return std::any_of(t.items.begin(), t.items.end(), [](const plat::dialog::DialogItem& item) {
        return (item.style & WS_POPUP) && (item.cx > kMaxSide || item.cy > kMaxSide);
    });
}

int countControls(HWND hDlg)
{
    int n = 0;
    for (HWND c = GetWindow(hDlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        ++n;
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    constexpr size_t kLimit = 0x10000;
    if (size > kLimit)
        return 0;
    // The parser on the bytes alone, where reading one byte too far is an error of its own.
    const std::vector<uint8_t> exact(data, data + size);
    plat::dialog::parseTemplate(exact.data(), exact.size());

    // Made once: a fresh 64 KiB at every input costs more than the dialog.
    static std::vector<uint8_t> buffer(kLimit, 0);
    if (size)
        std::memcpy(buffer.data(), data, size);
    std::fill(buffer.begin() + std::ptrdiff_t(size), buffer.end(), uint8_t(0));
    const bool extended = size >= 4 && data[0] == 1 && data[1] == 0 && data[2] == 0xFF && data[3] == 0xFF;
    buffer[(extended ? 12 : 0) + 3] &= ~0x10; // never WS_VISIBLE

    const auto parsed = plat::dialog::parseTemplate(buffer.data(), kLimit);
    if (parsed && tooLarge(*parsed))
        return 0;
    HWND hDlg = CreateDialogIndirectParamA(nullptr, reinterpret_cast<LPCDLGTEMPLATEA>(buffer.data()), owner(),
        QuietDlgProc, 0);
    if (hDlg) {
        if (!parsed || countControls(hDlg) != int(parsed->items.size()))
            std::abort();
        DestroyWindow(hDlg);
    }
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    return 0;
}
