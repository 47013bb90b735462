// The list controls: filling a sorted combo box against the plain sorted insertion it stands on
// (the same text order into a std::vector at std::lower_bound), filling a list box, a list view
// and a tree against plain vector pushes, and printing an open list, a list view and an expanded
// tree, whose cost should follow the rows shown, not the items held.

#include "plat/commctrl.h"
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


// Filling a list box, a list view at its end and a tree under one parent, against pushing the
// same records into a std::vector.
void ListBoxAdd(benchmark::State& state)
{
    const auto texts = randomTexts(kItems);
    HWND parent = makeParent();
    for (auto _ : state) {
        HWND list = CreateWindowExA(0, "ListBox", "", WS_CHILD | WS_VSCROLL, 0, 0, 200, 200, parent, nullptr, nullptr,
            nullptr);
        for (const std::string& t : texts)
            SendMessageA(list, LB_ADDSTRING, 0, LPARAM(t.c_str()));
        state.PauseTiming();
        DestroyWindow(list);
        state.ResumeTiming();
    }
    DestroyWindow(parent);
}
BENCHMARK(ListBoxAdd)->Unit(benchmark::kMillisecond);

void ListViewInsertAtEnd(benchmark::State& state)
{
    const auto texts = randomTexts(kItems);
    HWND parent = makeParent();
    for (auto _ : state) {
        HWND view = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 200, 200, parent, nullptr,
            nullptr, nullptr);
        for (const std::string& t : texts) {
            LVITEMA item{LVIF_TEXT, kItems, 0, 0, 0, const_cast<char*>(t.c_str()), 0, 0, 0, 0};
            SendMessageA(view, LVM_INSERTITEMA, 0, LPARAM(&item));
        }
        state.PauseTiming();
        DestroyWindow(view);
        state.ResumeTiming();
    }
    DestroyWindow(parent);
}
BENCHMARK(ListViewInsertAtEnd)->Unit(benchmark::kMillisecond);

void TreeInsertLast(benchmark::State& state)
{
    const auto texts = randomTexts(kItems);
    HWND parent = makeParent();
    for (auto _ : state) {
        HWND tree = CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD, 0, 0, 200, 200, parent, nullptr, nullptr, nullptr);
        TVINSERTSTRUCTA in{};
        in.hParent = TVI_ROOT;
        in.hInsertAfter = TVI_LAST;
        in.item.mask = TVIF_TEXT;
        in.item.pszText = const_cast<char*>("parent");
        in.hParent = HTREEITEM(SendMessageA(tree, TVM_INSERTITEMA, 0, LPARAM(&in)));
        for (const std::string& t : texts) {
            in.item.pszText = const_cast<char*>(t.c_str());
            SendMessageA(tree, TVM_INSERTITEMA, 0, LPARAM(&in));
        }
        state.PauseTiming();
        DestroyWindow(tree);
        state.ResumeTiming();
    }
    DestroyWindow(parent);
}
BENCHMARK(TreeInsertLast)->Unit(benchmark::kMillisecond);

struct Record {
    std::string text;
    LPARAM data = 0;
    UINT state = 0;
};

void VectorPush(benchmark::State& state)
{
    const auto texts = randomTexts(kItems);
    for (auto _ : state) {
        std::vector<Record> list;
        for (const std::string& t : texts)
            list.push_back(Record{t});
        benchmark::DoNotOptimize(list.data());
    }
}
BENCHMARK(VectorPush)->Unit(benchmark::kMillisecond);

// WM_PRINTCLIENT of a control filled by fill with state.range(0) items.
template <class Fill>
void printControl(benchmark::State& state, const char* cls, DWORD style, Fill fill)
{
    HWND parent = makeParent();
    HWND control = CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 300, 300, parent, nullptr, nullptr,
        nullptr);
    const auto texts = randomTexts(int(state.range(0)));
    fill(control, texts);
    plat::headless::pumpUntilIdle();
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 300, 300);
    HGDIOBJ old = SelectObject(memory, bitmap);
    for (auto _ : state)
        SendMessageA(control, WM_PRINTCLIENT, WPARAM(memory), PRF_CLIENT);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    DestroyWindow(parent);
}

void PrintListView(benchmark::State& state)
{
    printControl(state, WC_LISTVIEWA, LVS_REPORT, [](HWND view, const std::vector<std::string>& texts) {
        LVCOLUMNA column{LVCF_TEXT | LVCF_WIDTH, 0, 150, const_cast<char*>("Name"), 0, 0, 0, 0};
        SendMessageA(view, LVM_INSERTCOLUMNA, 0, LPARAM(&column));
        for (const std::string& t : texts) {
            LVITEMA item{LVIF_TEXT, kItems, 0, 0, 0, const_cast<char*>(t.c_str()), 0, 0, 0, 0};
            SendMessageA(view, LVM_INSERTITEMA, 0, LPARAM(&item));
        }
    });
}
BENCHMARK(PrintListView)->Arg(20)->Arg(kItems);

void PrintExpandedTree(benchmark::State& state)
{
    printControl(state, WC_TREEVIEWA, TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT,
        [](HWND tree, const std::vector<std::string>& texts) {
            TVINSERTSTRUCTA in{};
            in.hParent = TVI_ROOT;
            in.hInsertAfter = TVI_LAST;
            in.item.mask = TVIF_TEXT;
            in.item.pszText = const_cast<char*>("parent");
            HTREEITEM top = HTREEITEM(SendMessageA(tree, TVM_INSERTITEMA, 0, LPARAM(&in)));
            in.hParent = top;
            for (const std::string& t : texts) {
                in.item.pszText = const_cast<char*>(t.c_str());
                SendMessageA(tree, TVM_INSERTITEMA, 0, LPARAM(&in));
            }
            SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, LPARAM(top));
        });
}
BENCHMARK(PrintExpandedTree)->Arg(20)->Arg(kItems);

} // namespace

BENCHMARK_MAIN();
