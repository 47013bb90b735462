#include "InputTestSupport.h"

#include "testsupport/ManualClock.h"

#include "plat/errors.h"
#include "plat/paint.h"
#include "plat/timer.h"
#include "plat/thread.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

using plat::headless::key;
using plat::headless::keyPress;
using plat::headless::typeText;
using vnt::test::InputRecorder;
using vnt::test::Seen;

namespace {

constexpr DWORD kExtendedBit = 1u << 24;
constexpr DWORD kAltBit = 1u << 29;
constexpr DWORD kPreviousBit = 1u << 30;
constexpr DWORD kUpBit = 1u << 31;

// The bytes of the character messages seen, in order.
std::string typed(const InputRecorder& rec, UINT charMsg = WM_CHAR)
{
    std::string out;
    for (const Seen& s : rec.only({charMsg}))
        out += char(s.wParam);
    return out;
}

class Keyboard : public ::testing::Test {
protected:
    void SetUp() override
    {
        hwnd = rec.window(RECT{10, 10, 110, 110});
        SetFocus(hwnd);
        rec.pump();
        rec.seen.clear();
    }

    InputRecorder rec;
    HWND hwnd = nullptr;
};

TEST_F(Keyboard, ShiftAKeepsShiftDownThroughKeyAndCharacter)
{
    key(VK_LSHIFT, true);
    keyPress('A');
    key(VK_LSHIFT, false);
    rec.pump();
    auto keys = rec.only({WM_KEYDOWN, WM_CHAR});
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].wParam, WPARAM(VK_SHIFT));
    EXPECT_EQ(keys[1].msg, UINT(WM_KEYDOWN));
    EXPECT_EQ(keys[1].wParam, WPARAM('A'));
    EXPECT_EQ(keys[2].msg, UINT(WM_CHAR));
    EXPECT_EQ(keys[2].wParam, WPARAM('A'));
    EXPECT_LT(keys[1].keyState, 0);
    EXPECT_LT(keys[2].keyState, 0);
    EXPECT_EQ(keys[1].hwnd, hwnd);
    EXPECT_EQ(GetKeyState(VK_SHIFT), 0);
}

TEST_F(Keyboard, TheThreadSeesTheStateOfTheMessageItTookWhileTheAsyncStateMovedOn)
{
    rec.watchedKey = 'Q';
    key('Q', true);
    key('Q', false);
    rec.pump();
    auto keys = rec.only({WM_KEYDOWN, WM_KEYUP});
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_LT(keys[0].keyState, 0);
    EXPECT_EQ(keys[0].asyncState, 0);
    EXPECT_EQ(keys[1].keyState, 0);
}

TEST_F(Keyboard, KeyDataCarriesScanCodeFlagsAndSides)
{
    rec.watchedKey = VK_RCONTROL;
    key(VK_RCONTROL, true);
    rec.pump();
    EXPECT_LT(GetKeyState(VK_RCONTROL), 0);
    EXPECT_EQ(GetKeyState(VK_LCONTROL), 0);
    EXPECT_LT(GetKeyState(VK_CONTROL), 0);
    key(VK_RCONTROL, false);
    key(VK_LEFT, true);
    key(VK_LEFT, true); // held: a repeat
    key(VK_LEFT, false);
    rec.pump();
    auto keys = rec.only({WM_KEYDOWN, WM_KEYUP});
    ASSERT_EQ(keys.size(), 5u);
    struct Expected {
        UINT msg;
        WPARAM vk;
        DWORD lParam;
    } expected[] = {
        {WM_KEYDOWN, VK_CONTROL, 1 | 0x1D << 16 | kExtendedBit},
        {WM_KEYUP, VK_CONTROL, 1 | 0x1D << 16 | kExtendedBit | kPreviousBit | kUpBit},
        {WM_KEYDOWN, VK_LEFT, 1 | 0x4B << 16 | kExtendedBit},
        {WM_KEYDOWN, VK_LEFT, 1 | 0x4B << 16 | kExtendedBit | kPreviousBit},
        {WM_KEYUP, VK_LEFT, 1 | 0x4B << 16 | kExtendedBit | kPreviousBit | kUpBit},
    };
    for (size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(keys[i].msg, expected[i].msg) << i;
        EXPECT_EQ(keys[i].wParam, expected[i].vk) << i;
        EXPECT_EQ(keys[i].lParam, LPARAM(expected[i].lParam)) << i; // zero-extended
    }
    EXPECT_EQ(GetKeyState(VK_CONTROL), 0);
}

TEST_F(Keyboard, CapsLockTogglesOnPress)
{
    rec.watchedKey = VK_CAPITAL;
    key(VK_CAPITAL, true);
    rec.pump();
    EXPECT_EQ(GetKeyState(VK_CAPITAL), SHORT(0xFF81));
    key(VK_CAPITAL, false);
    keyPress('B');
    rec.pump();
    EXPECT_EQ(GetKeyState(VK_CAPITAL), 1);
    EXPECT_EQ(typed(rec), "B");
    keyPress(VK_CAPITAL); // off again for the other tests
    rec.pump();
    EXPECT_EQ(GetKeyState(VK_CAPITAL), 0);
}

TEST_F(Keyboard, AltMakesSystemKeysAndCharacters)
{
    key(VK_MENU, true);
    keyPress('X');
    key(VK_MENU, false);
    rec.pump();
    auto keys = rec.only({WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP});
    ASSERT_EQ(keys.size(), 4u);
    for (const Seen& s : keys)
        EXPECT_TRUE(s.msg == WM_SYSKEYDOWN || s.msg == WM_SYSKEYUP) << std::hex << s.msg;
    EXPECT_EQ(keys[1].wParam, WPARAM('X'));
    EXPECT_TRUE(keys[1].lParam & kAltBit);
    EXPECT_FALSE(keys[3].lParam & kAltBit); // Alt's own release
    EXPECT_EQ(typed(rec, WM_SYSCHAR), "x");
    EXPECT_EQ(typed(rec), "");
}

TEST_F(Keyboard, TranslationTypesTextBytesOrControlCharacters)
{
    struct Case {
        const char* name;
        void (*input)();
        std::string chars;
    } cases[] = {
        {"utf-8 text", [] { typeText("é"); }, "\xC3\xA9"},
        {"ctrl+c", [] { key(VK_CONTROL, true); keyPress('C'); key(VK_CONTROL, false); }, "\x03"},
        {"shifted digit", [] { key(VK_SHIFT, true); keyPress('1'); key(VK_SHIFT, false); }, "!"},
        {"control keys", [] { keyPress(VK_BACK); keyPress(VK_TAB); keyPress(VK_RETURN); keyPress(VK_ESCAPE); },
            "\x08\x09\x0D\x1B"},
        {"key with its own text", [] { key('E', true, false, "€"); key('E', false); }, "\xE2\x82\xAC"},
        {"arrow types nothing", [] { keyPress(VK_DOWN); }, ""},
    };
    for (const Case& c : cases) {
        rec.seen.clear();
        c.input();
        rec.pump();
        EXPECT_EQ(typed(rec), c.chars) << c.name;
    }
}

TEST_F(Keyboard, InputComesAfterPostedMessagesAndBeforePaintingAndTimers)
{
    vnt::test::ManualClock clock;
    SetTimer(hwnd, 1, 10, nullptr);
    clock.advance(20);
    InvalidateRect(hwnd, nullptr, FALSE);
    key('O', true);
    PostMessageA(hwnd, WM_APP, 0, 0);
    std::vector<UINT> order;
    MSG msg;
    while (order.size() < 4 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        order.push_back(msg.message);
        if (msg.message == WM_KEYDOWN) {
            EXPECT_EQ(GetMessageExtraInfo(), 0);
        }
        SetMessageExtraInfo(77);
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(order, (std::vector<UINT>{WM_APP, WM_KEYDOWN, WM_PAINT, WM_TIMER}));
    KillTimer(hwnd, 1);
    key('O', false);
    rec.pump();
}

TEST_F(Keyboard, AKeyNobodyTranslatesTypesNothing)
{
    keyPress('K');
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    EXPECT_EQ(typed(rec), "");
    EXPECT_EQ(rec.numbers({WM_KEYDOWN, WM_KEYUP}), (std::vector<UINT>{WM_KEYDOWN, WM_KEYUP}));
}

TEST_F(Keyboard, WithoutFocusKeysGoToTheActiveWindowAsSystemKeys)
{
    SetFocus(nullptr);
    ASSERT_EQ(GetActiveWindow(), hwnd);
    keyPress('Z');
    rec.pump();
    auto keys = rec.only({WM_KEYDOWN, WM_SYSKEYDOWN, WM_SYSKEYUP});
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].msg, UINT(WM_SYSKEYDOWN));
    EXPECT_EQ(keys[0].hwnd, hwnd);
}

TEST_F(Keyboard, KeyboardStateIsTheThreadsOwn)
{
    const BYTE m = 'M'; // the letter's virtual-key code, as an index of the key tables
    BYTE state[256] = {};
    state[VK_NUMLOCK] = 1;
    state[m] = 0x80;
    EXPECT_TRUE(SetKeyboardState(state));
    EXPECT_EQ(GetKeyState(VK_NUMLOCK), 1);
    EXPECT_LT(GetKeyState(m), 0);
    EXPECT_EQ(GetAsyncKeyState(m), 0);
    SHORT inOther = 0;
    std::thread([&] { inOther = GetKeyState(m); }).join();
    EXPECT_EQ(inOther, 0);
    BYTE back[256];
    EXPECT_TRUE(GetKeyboardState(back));
    EXPECT_EQ(back[m], 0x80);
    BYTE clear[256] = {};
    SetKeyboardState(clear);
}

// Hooks record what they were called with and answer as told.
struct HookCall {
    int hook;
    int code;
    WPARAM vk;
    LPARAM keyData;
};
std::vector<HookCall> g_hookCalls;
HHOOK g_hooks[2];
LRESULT g_hookAnswer[2];

template <int N>
LRESULT CALLBACK recordingHook(int code, WPARAM wParam, LPARAM lParam)
{
    g_hookCalls.push_back({N, code, wParam, lParam});
    if (g_hookAnswer[N])
        return g_hookAnswer[N];
    return CallNextHookEx(g_hooks[N], code, wParam, lParam);
}

class KeyboardHooks : public Keyboard {
protected:
    void SetUp() override
    {
        Keyboard::SetUp();
        g_hookCalls.clear();
        g_hookAnswer[0] = g_hookAnswer[1] = 0;
        g_hooks[0] = SetWindowsHookExA(WH_KEYBOARD, recordingHook<0>, nullptr, GetCurrentThreadId());
        g_hooks[1] = SetWindowsHookExA(WH_KEYBOARD, recordingHook<1>, nullptr, GetCurrentThreadId());
        ASSERT_NE(g_hooks[0], nullptr);
        ASSERT_NE(g_hooks[1], nullptr);
    }
    void TearDown() override
    {
        for (HHOOK h : g_hooks)
            UnhookWindowsHookEx(h);
    }
};

TEST_F(KeyboardHooks, HooksRunNewestFirstThroughTheChain)
{
    key('G', true);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_KEYDOWN));
    ASSERT_EQ(g_hookCalls.size(), 2u);
    EXPECT_EQ(g_hookCalls[0].hook, 1);
    EXPECT_EQ(g_hookCalls[1].hook, 0);
    EXPECT_EQ(g_hookCalls[0].code, HC_ACTION);
    EXPECT_EQ(g_hookCalls[0].vk, WPARAM('G'));
    EXPECT_EQ(g_hookCalls[0].keyData, msg.lParam);
    key('G', false);
    rec.pump();
}

TEST_F(KeyboardHooks, ASwallowedKeyLeavesStateAndTypesNothing)
{
    g_hookAnswer[1] = 1;
    rec.watchedKey = 'E';
    key('E', true, false, "é");
    rec.pump();
    EXPECT_TRUE(rec.only({WM_KEYDOWN, WM_CHAR}).empty());
    EXPECT_EQ(GetKeyState('E'), 0);
    EXPECT_LT(GetAsyncKeyState('E'), 0);
    ASSERT_EQ(g_hookCalls.size(), 1u); // the older hook was not called
    key('E', false);
    rec.pump();
}

TEST_F(KeyboardHooks, APeekPassesNoRemove)
{
    key('P', true);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE));
    ASSERT_FALSE(g_hookCalls.empty());
    EXPECT_EQ(g_hookCalls[0].code, HC_NOREMOVE);
    EXPECT_EQ(GetKeyState('P'), 0); // only looked at
    rec.pump();
    EXPECT_EQ(g_hookCalls.back().code, HC_ACTION);
    key('P', false);
    rec.pump();
}

TEST_F(KeyboardHooks, RemovedAndOtherThreadsHooksAreNotCalled)
{
    EXPECT_TRUE(UnhookWindowsHookEx(g_hooks[1]));
    SetLastError(0);
    EXPECT_FALSE(UnhookWindowsHookEx(g_hooks[1]));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HOOK_HANDLE));

    // A hook of a thread that takes no keys never runs for this one's.
    HHOOK other = nullptr;
    DWORD otherId = 0;
    std::thread worker([&] {
        otherId = GetCurrentThreadId();
        other = SetWindowsHookExA(WH_KEYBOARD, recordingHook<1>, nullptr, otherId);
    });
    worker.join();
    keyPress('H');
    rec.pump();
    for (const HookCall& c : g_hookCalls)
        EXPECT_EQ(c.hook, 0);
    EXPECT_FALSE(g_hookCalls.empty());
    if (other)
        UnhookWindowsHookEx(other);
}

TEST(KeyboardHookSetup, OnlyKeyboardHooksOfAThreadOfThisProcess)
{
    struct Case {
        int id;
        DWORD thread;
    } bad[] = {{WH_KEYBOARD, 0}, {7 /* a mouse hook */, GetCurrentThreadId()}, {WH_KEYBOARD, 0x7FFFFFF0}};
    for (const Case& c : bad) {
        SetLastError(0);
        EXPECT_EQ(SetWindowsHookExA(c.id, recordingHook<0>, nullptr, c.thread), nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    }
}

} // namespace
