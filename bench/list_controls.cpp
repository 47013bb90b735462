// The list controls: filling a sorted combo box against the plain sorted insertion it stands on
// (the same text order into a std::vector at std::lower_bound), and printing an open list, whose
// cost should follow the rows shown, not the items held.

#include "plat/controls.h"
#include "plat/bitmap.h"
#include "plat/gdi.h"
#include "plat/headless.h"
#include "plat/mouse.h"
#include "plat/paint.h"
#include "plat/window.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kItems = 10000;

std::vector<std::string> randomTexts(int count)
{
    std::mt19937 random(42);
    std::uniform_int_distribution<int> letter(0, 51);
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) {
        std::string s;
        for (int n = 0; n < 8; ++n) {
            const int l = letter(random);
            s += char(l < 26 ? 'a' + l : 'A' + l - 26);
        }
        out.push_back(s);
    }
    return out;
}

// The sorted lists' order: ASCII letters folded, then bytes.
bool foldedLess(const std::string& a, const std::string& b)
{
    auto fold = [](std::string s) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z')
                c = char(c - 'A' + 'a');
        return s;
    };
    const std::string fa = fold(a), fb = fold(b);
    return fa != fb ? fa < fb : a < b;
}

HWND makeParent()
{
    static const bool registered = [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "List Bench Parent";
        return RegisterClassExA(&wc) != 0;
    }();
    (void)registered;
    return CreateWindowExA(0, "List Bench Parent", "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 400, nullptr, nullptr,
        nullptr, nullptr);
}

void SortedComboAdd(benchmark::State& state)
{
    const auto texts = randomTexts(kItems);
    HWND parent = makeParent();
    for (auto _ : state) {
        HWND combo = CreateWindowExA(0, "ComboBox", "", WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_SORT, 0, 0, 200,
            200, parent, nullptr, nullptr, nullptr);
        for (const std::string& t : texts)
            SendMessageA(combo, CB_ADDSTRING, 0, LPARAM(t.c_str()));
        state.PauseTiming();
        DestroyWindow(combo);
        state.ResumeTiming();
    }
    DestroyWindow(parent);
}
BENCHMARK(SortedComboAdd)->Unit(benchmark::kMillisecond);

void SortedVectorInsert(benchmark::State& state)
{
    const auto texts = randomTexts(kItems);
    for (auto _ : state) {
        std::vector<std::string> list;
        for (const std::string& t : texts)
            list.insert(std::upper_bound(list.begin(), list.end(), t, foldedLess), t);
        benchmark::DoNotOptimize(list.data());
    }
}
BENCHMARK(SortedVectorInsert)->Unit(benchmark::kMillisecond);

// WM_PRINTCLIENT of the open list of a combo box holding state.range(0) items.
void PrintOpenList(benchmark::State& state)
{
    HWND parent = makeParent();
    HWND combo = CreateWindowExA(0, "ComboBox", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST, 10, 10, 200,
        300, parent, nullptr, nullptr, nullptr);
    const auto texts = randomTexts(int(state.range(0)));
    for (const std::string& t : texts)
        SendMessageA(combo, CB_ADDSTRING, 0, LPARAM(t.c_str()));
    SendMessageA(combo, CB_SETCURSEL, WPARAM(state.range(0) / 2), 0);
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    plat::headless::pumpUntilIdle();
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 300);
    HGDIOBJ old = SelectObject(memory, bitmap);
    // The list is the combo box's owned pop-up under the field.
    HWND popup = nullptr;
    RECT r;
    GetWindowRect(combo, &r);
    for (int y = r.bottom + 2; !popup && y < r.bottom + 10; ++y) {
        popup = WindowFromPoint(POINT{r.left + 20, y});
    }
    for (auto _ : state)
        SendMessageA(popup, WM_PRINTCLIENT, WPARAM(memory), PRF_CLIENT);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    DestroyWindow(parent);
}
BENCHMARK(PrintOpenList)->Arg(20)->Arg(kItems);

} // namespace

BENCHMARK_MAIN();
