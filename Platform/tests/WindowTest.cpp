#include "UiTestSupport.h"

#include "plat/errors.h"
#include "plat/thread.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <utility>
#include <unistd.h>

using vnt::test::createMessageWindow;
using vnt::test::LoggingProc;
using vnt::test::messageLog;
using vnt::test::ScopedClass;

namespace {

TEST(WindowClass, NamesAreUniqueWithoutRegardToCase)
{
    ScopedClass first("Test Class One", DefWindowProcA);
    EXPECT_GE(first.atom, 0xC000);

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "TEST CLASS ONE";
    SetLastError(0);
    EXPECT_EQ(RegisterClassExA(&wc), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_ALREADY_EXISTS));

    // A window can be made from the name in any case, or from the atom.
    HWND byName = createMessageWindow("test class one");
    HWND byAtom = createMessageWindow(MAKEINTATOM(first.atom));
    EXPECT_NE(byName, nullptr);
    EXPECT_NE(byAtom, nullptr);

    SetLastError(0);
    EXPECT_FALSE(UnregisterClassA("Test Class One", nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_HAS_WINDOWS));
    DestroyWindow(byName);
    DestroyWindow(byAtom);
    EXPECT_TRUE(UnregisterClassA("Test Class One", nullptr));
    SetLastError(0);
    EXPECT_FALSE(UnregisterClassA("Test Class One", nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_DOES_NOT_EXIST));
}

TEST(WindowClass, BadRegistrationsAreRefused)
{
    WNDCLASSEXA good{};
    good.cbSize = sizeof good;
    good.lpfnWndProc = DefWindowProcA;
    good.lpszClassName = "Refused";
    struct Case {
        const char* what;
        void (*spoil)(WNDCLASSEXA&);
    } cases[] = {
        {"old size", [](WNDCLASSEXA& wc) { wc.cbSize = 48; }},
        {"no procedure", [](WNDCLASSEXA& wc) { wc.lpfnWndProc = nullptr; }},
        {"no name", [](WNDCLASSEXA& wc) { wc.lpszClassName = nullptr; }},
        {"empty name", [](WNDCLASSEXA& wc) { wc.lpszClassName = ""; }},
        {"negative extra", [](WNDCLASSEXA& wc) { wc.cbWndExtra = -4; }},
    };
    for (const Case& c : cases) {
        WNDCLASSEXA wc = good;
        c.spoil(wc);
        SetLastError(0);
        EXPECT_EQ(RegisterClassExA(&wc), 0) << c.what;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER)) << c.what;
    }
    SetLastError(0);
    EXPECT_EQ(createMessageWindow("No Such Class"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CANNOT_FIND_WND_CLASS));
}

struct CreationProbe {
    std::string nameSeenInCreate;
    LPVOID paramSeen = nullptr;
    LRESULT createAnswer = 0;
};
CreationProbe g_probe;

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    messageLog().add(hwnd, msg, wParam);
    if (msg == WM_CREATE) {
        auto cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        char text[64] = {};
        GetWindowTextA(hwnd, text, sizeof text);
        g_probe.nameSeenInCreate = text;
        g_probe.paramSeen = cs->lpCreateParams;
        return g_probe.createAnswer;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST(Window, CreationSendsNcCreateThenCreateWithTheParameters)
{
    ScopedClass cls("Probe Class", ProbeProc);
    messageLog().clear();
    g_probe = {};
    int marker = 0;
    HWND hwnd = CreateWindowExA(WS_EX_TOOLWINDOW, "Probe Class", "Title", WS_POPUP, 1, 2, 3, 4, HWND_MESSAGE, nullptr,
        nullptr, &marker);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(messageLog().numbers({WM_NCCREATE, WM_CREATE}), (std::vector<UINT>{WM_NCCREATE, WM_CREATE}));
    EXPECT_EQ(g_probe.nameSeenInCreate, "Title"); // the default WM_NCCREATE stored it
    EXPECT_EQ(g_probe.paramSeen, &marker);
    EXPECT_EQ(DWORD(GetWindowLongPtrA(hwnd, GWL_STYLE)), DWORD(WS_POPUP));
    EXPECT_EQ(DWORD(GetWindowLongPtrA(hwnd, GWL_EXSTYLE)), DWORD(WS_EX_TOOLWINDOW));
    EXPECT_EQ(GetParent(hwnd), nullptr); // message-only windows have no parent to show

    DWORD pid = 0;
    EXPECT_EQ(GetWindowThreadProcessId(hwnd, &pid), GetCurrentThreadId());
    EXPECT_EQ(pid, DWORD(getpid()));
    EXPECT_TRUE(DestroyWindow(hwnd));
}

TEST(Window, CreateAnsweringMinusOneFailsAndDestroys)
{
    ScopedClass cls("Refusing Class", ProbeProc);
    messageLog().clear();
    g_probe = {};
    g_probe.createAnswer = -1;
    EXPECT_EQ(createMessageWindow("Refusing Class"), nullptr);
    EXPECT_EQ(messageLog().numbers({WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}),
        (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
    // Nothing of the failed window is left to keep the class.
    EXPECT_TRUE(UnregisterClassA("Refusing Class", nullptr));
}

TEST(Window, DestroyReachesTheWindowThenChildrenAndInvalidatesHandles)
{
    ScopedClass cls("Tree Class", LoggingProc);
    HWND top = CreateWindowExA(0, "Tree Class", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    HWND child = CreateWindowExA(0, "Tree Class", "", WS_CHILD, 0, 0, 0, 0, top, HMENU(7), nullptr, nullptr);
    HWND grandchild = CreateWindowExA(0, "Tree Class", "", WS_CHILD, 0, 0, 0, 0, child, nullptr, nullptr, nullptr);
    HWND owned = CreateWindowExA(0, "Tree Class", "", WS_POPUP, 0, 0, 0, 0, child, nullptr, nullptr, nullptr);
    ASSERT_TRUE(top && child && grandchild && owned);
    EXPECT_EQ(GetParent(child), top);
    EXPECT_EQ(GetParent(owned), top); // owned by the top-level window of the one named
    EXPECT_EQ(GetWindowLongPtrA(child, GWLP_ID), 7);

    messageLog().clear();
    EXPECT_TRUE(DestroyWindow(top));
    std::vector<std::pair<HWND, UINT>> seen;
    for (auto& e : messageLog().entries())
        if (e.msg == WM_DESTROY || e.msg == WM_NCDESTROY)
            seen.emplace_back(e.hwnd, e.msg);
    std::vector<std::pair<HWND, UINT>> expected{{owned, WM_DESTROY}, {owned, WM_NCDESTROY}, {top, WM_DESTROY},
        {child, WM_DESTROY}, {grandchild, WM_DESTROY}, {grandchild, WM_NCDESTROY}, {child, WM_NCDESTROY},
        {top, WM_NCDESTROY}};
    EXPECT_EQ(seen, expected);
    for (HWND gone : {top, child, grandchild, owned}) {
        EXPECT_FALSE(IsWindow(gone));
        SetLastError(0);
        EXPECT_FALSE(PostMessageA(gone, WM_USER, 0, 0));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    }
    // A new window may reuse a slot; the old handle still names nothing.
    HWND fresh = createMessageWindow("Tree Class");
    EXPECT_NE(fresh, top);
    EXPECT_FALSE(IsWindow(top));
    DestroyWindow(fresh);
}

// A parent tearing down its children from its own WM_DESTROY, as a container of controls does.
HWND g_childToDestroy = nullptr;
BOOL g_childDestroyed = FALSE;

LRESULT CALLBACK DestroysChildProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DESTROY && g_childToDestroy)
        g_childDestroyed = DestroyWindow(std::exchange(g_childToDestroy, nullptr));
    return LoggingProc(hwnd, msg, wParam, lParam);
}

TEST(Window, AParentsDestroyMayDestroyAChildFirst)
{
    ScopedClass parentClass("Child Destroying Parent", DestroysChildProc);
    ScopedClass childClass("Destroyed Child", LoggingProc);
    HWND top = CreateWindowExA(0, "Child Destroying Parent", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    HWND child = CreateWindowExA(0, "Destroyed Child", "", WS_CHILD, 0, 0, 0, 0, top, nullptr, nullptr, nullptr);
    HWND grandchild = CreateWindowExA(0, "Destroyed Child", "", WS_CHILD, 0, 0, 0, 0, child, nullptr, nullptr, nullptr);
    ASSERT_TRUE(top && child && grandchild);
    g_childToDestroy = child;
    messageLog().clear();
    EXPECT_TRUE(DestroyWindow(top));
    EXPECT_TRUE(g_childDestroyed);
    std::vector<std::pair<HWND, UINT>> seen;
    for (auto& e : messageLog().entries())
        if (e.msg == WM_DESTROY || e.msg == WM_NCDESTROY)
            seen.emplace_back(e.hwnd, e.msg);
    std::vector<std::pair<HWND, UINT>> expected{{child, WM_DESTROY}, {grandchild, WM_DESTROY},
        {grandchild, WM_NCDESTROY}, {child, WM_NCDESTROY}, {top, WM_DESTROY}, {top, WM_NCDESTROY}};
    EXPECT_EQ(seen, expected) << "each window ends once";
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(IsWindow(top));
}

TEST(Window, ChildStyleNeedsAParentAndParentsMustExist)
{
    ScopedClass cls("Parent Check", DefWindowProcA);
    SetLastError(0);
    EXPECT_EQ(CreateWindowExA(0, "Parent Check", "", WS_CHILD, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_TLW_WITH_WSCHILD));
    HWND dead = createMessageWindow("Parent Check");
    DestroyWindow(dead);
    SetLastError(0);
    EXPECT_EQ(CreateWindowExA(0, "Parent Check", "", WS_CHILD, 0, 0, 0, 0, dead, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
}

WNDPROC g_previousProc = nullptr;

LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_USER)
        return 100 + CallWindowProcA(g_previousProc, hwnd, msg, wParam, lParam);
    return CallWindowProcA(g_previousProc, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK BaseProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_USER)
        return 1;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST(Window, LongValuesSubclassingAndExtraBytes)
{
    ScopedClass cls("Longs Class", BaseProc, 2 * int(sizeof(LONG_PTR)));
    HWND hwnd = createMessageWindow("Longs Class");
    ASSERT_NE(hwnd, nullptr);

    g_previousProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hwnd, GWLP_WNDPROC, LONG_PTR(SubclassProc)));
    EXPECT_EQ(g_previousProc, BaseProc);
    EXPECT_EQ(SendMessageA(hwnd, WM_USER, 0, 0), 101);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_WNDPROC), LONG_PTR(SubclassProc));

    EXPECT_EQ(SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0x1234), 0);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), 0x1234);
    EXPECT_EQ(SetWindowLongPtrA(hwnd, GWL_STYLE, LONG_PTR(WS_POPUP | WS_VISIBLE)), 0);
    EXPECT_EQ(DWORD(GetWindowLongPtrA(hwnd, GWL_STYLE)), DWORD(WS_POPUP | WS_VISIBLE));

    EXPECT_EQ(SetWindowLongPtrA(hwnd, int(sizeof(LONG_PTR)), -5), 0);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, int(sizeof(LONG_PTR))), -5);
    for (int bad : {2 * int(sizeof(LONG_PTR)), int(sizeof(LONG_PTR)) + 1, -100}) {
        SetLastError(0);
        EXPECT_EQ(GetWindowLongPtrA(hwnd, bad), 0) << bad;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_INDEX)) << bad;
    }
    DestroyWindow(hwnd);
}

TEST(Window, TextGoesThroughMessagesAndIsCutToTheBuffer)
{
    ScopedClass cls("Text Class", DefWindowProcA);
    HWND hwnd = createMessageWindow("Text Class", "first");
    char buffer[4];
    EXPECT_EQ(GetWindowTextLengthA(hwnd), 5);
    EXPECT_EQ(GetWindowTextA(hwnd, buffer, sizeof buffer), 3);
    EXPECT_STREQ(buffer, "fir");
    EXPECT_TRUE(SetWindowTextA(hwnd, "second"));
    char whole[16];
    EXPECT_EQ(GetWindowTextA(hwnd, whole, sizeof whole), 6);
    EXPECT_STREQ(whole, "second");
    EXPECT_TRUE(SetWindowTextA(hwnd, nullptr));
    EXPECT_EQ(GetWindowTextLengthA(hwnd), 0);
    DestroyWindow(hwnd);
}

TEST(Window, OnlyTheCreatingThreadDestroysAWindow)
{
    ScopedClass cls("Owner Thread Class", DefWindowProcA);
    HWND hwnd = createMessageWindow("Owner Thread Class", "mine");
    BOOL destroyed = TRUE;
    DWORD error = 0;
    char text[16] = {};
    std::thread other([&] {
        destroyed = DestroyWindow(hwnd);
        error = GetLastError();
        GetWindowTextA(hwnd, text, sizeof text); // read directly, not sent
    });
    other.join();
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(error, DWORD(ERROR_ACCESS_DENIED));
    EXPECT_STREQ(text, "mine");
    EXPECT_TRUE(DestroyWindow(hwnd));
}

TEST(Window, WindowsOfAnEndedThreadAreGone)
{
    ScopedClass cls("Ended Thread Class", DefWindowProcA);
    HWND hwnd = nullptr;
    std::thread maker([&] { hwnd = createMessageWindow("Ended Thread Class"); });
    maker.join();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(UnregisterClassA("Ended Thread Class", nullptr));
}

} // namespace
