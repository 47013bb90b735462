#include "GuiTestBed.h"
#include "LogFileReader.h"

#include "guiKeys.h"

#include "vbException.h"

#include "plat/keyboard.h"
#include "plat/thread.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace gui::test;

guiKeyCtx ctxOf(DWORD bits)
{
    guiKeyCtx ctx;
    ctx.SetVal(bits);
    return ctx;
}

// The text and code of the vbEsys f throws.
std::string thrownText(const std::function<void()>& f, HRESULT* hr = nullptr)
{
    try {
        f();
    } catch (vbEsys* e) {
        std::string text = e->GetMsg();
        if (hr)
            *hr = e->GetRealHR();
        e->Delete();
        return text;
    }
    return "(nothing thrown)";
}

// Operation targets: each run is logged by name.
struct Ops : CObject {
    bool run(guiKBmanager&, guiKeysOpSt& op, guiKeysCfgSt* binding)
    {
        ran.push_back(std::string(op.name.c_str()) + (binding ? "" : "(no binding)"));
        return true;
    }
    bool other(guiKBmanager&, guiKeysOpSt&, guiKeysCfgSt*) { return true; }
    std::vector<std::string> ran;
};

// A key the catcher saw: message, key, the context handed over and what the manager's accessors
// answered meanwhile.
struct SeenKey {
    UINT msg;
    UINT key;
    DWORD ctx;
    DWORD managerCtx;
    bool operator==(const SeenKey&) const = default;
};

struct Catcher : sIguiKeyCatcher {
    void SendKeyMessage(vbSectLock*, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        ++sent;
        sentKeys.push_back(static_cast<UINT>(wParam) | (static_cast<DWORD>(lParam) >> 31 << 16));
        SendMessageA(target, msg, wParam, lParam);
    }
    bool OnProcessRecKey(guiKmsg, UINT, LONG, const guiKeyCtx&, DWORD&, bool) override { return false; }
    bool OnProcessBufKey(guiKmsg, UINT, LONG, const guiKeyCtx&, DWORD&, bool) override { return false; }
    bool OnProcessKey(guiKmsg kmsg, UINT key, LONG, const guiKeyCtx& ctx, DWORD&) override
    {
        seen.push_back({kmsg, key, ctx.GetVal(), manager->GetCtx().GetVal()});
        charState = static_cast<BYTE>(manager->GetKeyState('b'));
        return false;
    }
    void OnKbLock(guiKBmanager*) override { ++kbLocks; }
    void OnPlayEnd(guiKBmanager*) override { ++playEnds; }
    void OnPlayKey(guiKBmanager* m, LONG count) override
    {
        playCounts.push_back(count);
        if (count == lockAt)
            lateLock.Lock(m);
    }
    bool HasFocus(guiKBmanager*) override { return focus; }

    HWND target = nullptr;
    guiKBmanager* manager = nullptr;
    bool focus = true;
    int sent = 0;
    std::vector<UINT> sentKeys; // key | 0x10000 for a release
    int kbLocks = 0;
    int playEnds = 0;
    LONG lockAt = 0;
    BYTE charState = 0;
    guiKBlock lateLock;
    std::vector<SeenKey> seen;
    std::vector<LONG> playCounts;
};

// Exposes the protected parts a derived manager may use.
struct Manager : guiKBmanager {
    using guiKBmanager::guiKBmanager;
    using guiKBmanager::initPlaySeqMsgSet;
    using guiKBmanager::m_bReplaying;
    using guiKBmanager::m_pRecBuffer;
};

struct Buffer : guiKeyBuffer {
    using guiKeyBuffer::guiKeyBuffer;
    using guiKeyBuffer::seqAddKey;
    using guiKeyBuffer::seqPlayBegin;
    using guiKeyBuffer::startRec;
};

class KeysBed : public GuiTestBed {
protected:
    void SetUp() override
    {
        GuiTestBed::SetUp();
        catcher.target = window->GetSafeHwnd();
        kb = std::make_unique<Manager>(&catcher);
        catcher.manager = kb.get();
        window->container.SetKBmanager(kb.get());
        window->SetFocus();
        pump();
    }
    void TearDown() override
    {
        for (UINT vk : {VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL, VK_LMENU, VK_RMENU})
            if (GetAsyncKeyState(static_cast<int>(vk)) & 0x8000)
                plat::headless::key(vk, false);
        pump();
        catcher.lateLock.Unlock();
        window->container.SetKBmanager(nullptr);
        kb.reset();
        GuiTestBed::TearDown();
    }
    void press(UINT vk)
    {
        plat::headless::keyPress(vk);
        pump();
    }
    // vk pressed while the modifiers are held.
    void chord(std::initializer_list<UINT> modifiers, UINT vk)
    {
        for (UINT m : modifiers)
            plat::headless::key(m, true);
        plat::headless::keyPress(vk);
        for (UINT m : modifiers)
            plat::headless::key(m, false);
        pump();
    }
    std::vector<UINT> keyDowns() const
    {
        std::vector<UINT> keys;
        for (const SeenKey& k : catcher.seen)
            if (k.msg == WM_KEYDOWN)
                keys.push_back(k.key);
        return keys;
    }
    void bind(const char* name, DWORD key, DWORD ctx, DWORD trigger)
    {
        kb->AddKey(name, key, ctxOf(ctx), true);
        kb->AddOp(name, guiKEYSOPCB(&ops, &Ops::run), 0, trigger, true);
    }

    Catcher catcher;
    Ops ops;
    std::unique_ptr<Manager> kb;
};

TEST(guiKBmanager, BindingTablesToggleOrRefuseRepeats)
{
    Catcher catcher;
    Ops ops;
    guiKBmanager kb(&catcher);
    EXPECT_TRUE(kb.AddKey("x", VK_LSHIFT, guiKeyCtx(), true));
    EXPECT_NE(readLogFile().find("guiKeyCtx::AddKey(x) : KeyEquiv correction"), std::string::npos);
    EXPECT_TRUE(kb.HasKey(VK_SHIFT, ctxOf(1)));
    EXPECT_FALSE(kb.HasKey(VK_SHIFT, ctxOf(2)));

    EXPECT_FALSE(kb.AddKey("x", VK_LSHIFT, guiKeyCtx(), false));
    EXPECT_FALSE(kb.HasKey(VK_SHIFT, ctxOf(1)));
    EXPECT_EQ(thrownText([&] { kb.AddKey("y", VK_SHIFT, ctxOf(3), true); }),
        "guiKBmanager::AddKey() : key already assigned");
    EXPECT_TRUE(kb.AddKey("y", VK_SHIFT, ctxOf(2), true));

    const guiKEYSOPCB cb(&ops, &Ops::run);
    EXPECT_TRUE(kb.AddOp("op", cb, 7, 0, true));
    EXPECT_FALSE(kb.AddOp("op", cb, 7, 0, false));
    EXPECT_TRUE(kb.AddOp("op", cb, 8, 1, true)); // another trigger is another operation
    EXPECT_EQ(thrownText([&] { kb.AddOp("op", cb, 9, 0, true); }), "guiKBmanager::AddOp() : op already assigned");
    EXPECT_EQ(thrownText([&] { kb.AddOp("op", guiKEYSOPCB(&ops, &Ops::other), 7, 0, true); }),
        "guiKBmanager::AddOp() : op already assigned");
    EXPECT_EQ(thrownText([&] { kb.AddOp("op", guiKEYSOPCB(), 7, 0, true); }),
        "guiKBmanager::AddOp() : op already assigned");
    EXPECT_TRUE(kb.AddOp("Op", cb, 9, 0, true)); // names are case-sensitive
    EXPECT_TRUE(kb.AddOp("empty", guiKEYSOPCB(), 0, 0, true));
    EXPECT_FALSE(kb.AddOp("empty", guiKEYSOPCB(), 0, 0, true));
}

TEST(guiKBmanager, BindingsFireInTheirContextsAndOperationsByName)
{
    Catcher catcher;
    Ops ops;
    guiKBmanager kb(&catcher);
    const guiKEYSOPCB cb(&ops, &Ops::run);
    kb.AddKey("either", 'A', ctxOf(3), true);
    kb.AddKey("left", 'B', ctxOf(1), true);
    kb.AddKey("ctrl", 'C', ctxOf(12), true);
    for (const char* name : {"either", "left", "ctrl"})
        kb.AddOp(name, cb, 0, 0, true);
    struct Case {
        DWORD key;
        DWORD ctx;
        bool fires;
    };
    const Case cases[] = {
        {'A', 1, true}, {'A', 2, true}, {'A', 3, true}, {'A', 0, false}, {'B', 1, true}, {'B', 2, false},
        {'C', 4, true}, {'C', 8, true}, {'C', 0, false}, {'C', 4 | 1, false}, {VK_LSHIFT, 0, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kb.ExecKey(c.key, ctxOf(c.ctx), 0), c.fires) << c.key << " in " << c.ctx;
    EXPECT_FALSE(kb.ExecKey('A', ctxOf(1), 1)); // no operation with that trigger

    kb.AddOp("late", cb, 0, 2, true);
    kb.AddOp("late", cb, 0, 1, false);
    ops.ran.clear();
    EXPECT_TRUE(kb.ExecOp("late", 0));
    EXPECT_FALSE(kb.ExecOp("late", 1)); // disabled
    EXPECT_FALSE(kb.ExecOp("none", 0));
    EXPECT_EQ(ops.ran, (std::vector<std::string>{"late(no binding)"}));

    EXPECT_TRUE(kb.HasAppCtxBits(0));
    kb.SetAppCtxBits(5);
    kb.UnsetAppCtxBits(1);
    EXPECT_TRUE(kb.HasAppCtxBits(4));
    EXPECT_FALSE(kb.HasAppCtxBits(5));
    kb.SetAppCtx(0x10);
    EXPECT_EQ(kb.GetAppCtx(), 0x10u);
}

TEST_F(KeysBed, TriggersDecideWhichKeyDownOrUpRunsAnOperation)
{
    bind("once", 'A', 0, 0);
    bind("repeat", 'B', 0, 1);
    bind("up", 'C', 0, 2);
    plat::headless::key('A', true);
    plat::headless::key('A', true); // auto-repeat
    plat::headless::key('A', false);
    plat::headless::key('B', true);
    plat::headless::key('B', true);
    plat::headless::key('B', false);
    plat::headless::key('C', true);
    pump();
    EXPECT_EQ(ops.ran, (std::vector<std::string>{"once", "repeat", "repeat"}));
    plat::headless::key('C', false);
    press('D');
    EXPECT_EQ(ops.ran, (std::vector<std::string>{"once", "repeat", "repeat", "up"}));
    // Only the unbound key and the key-ups without an operation reach the catcher.
    EXPECT_EQ(keyDowns(), (std::vector<UINT>{'D'}));
}

// An every-key-down operation that declines and, the first time, gives its key a first-press
// operation and another key a binding.
struct Rebinder : CObject {
    bool rebind(guiKBmanager& kb, guiKeysOpSt&, guiKeysCfgSt*)
    {
        if (calls++ == 0) {
            kb.AddOp("first", guiKEYSOPCB(ops, &Ops::run), 0, 0, true);
            kb.AddKey("other", 'F', guiKeyCtx(), true);
        }
        return false;
    }
    Ops* ops = nullptr;
    int calls = 0;
};

TEST_F(KeysBed, TablesChangedBetweenOrDuringKeysAreSeenByTheNextLookUp)
{
    Rebinder rebinder;
    rebinder.ops = &ops;
    kb->AddKey("first", 'E', guiKeyCtx(), true);
    kb->AddOp("first", guiKEYSOPCB(&rebinder, &Rebinder::rebind), 0, 1, true);
    press('F');
    // The same key-down runs the operation its every-key-down operation added.
    press('E');
    EXPECT_EQ(ops.ran, (std::vector<std::string>{"first"}));
    kb->AddOp("other", guiKEYSOPCB(&ops, &Ops::run), 0, 0, true);
    press('F');
    EXPECT_EQ(ops.ran, (std::vector<std::string>{"first", "other"}));
    EXPECT_EQ(keyDowns(), (std::vector<UINT>{'F'}));
}

TEST_F(KeysBed, ShiftContextsOfLiveKeysAndTheNumericPadCharacters)
{
    bind("shift", 'A', 3, 0);
    bind("left", 'B', 1, 0);
    chord({VK_LSHIFT}, 'A');
    chord({VK_RSHIFT}, 'A');
    chord({VK_LSHIFT, VK_RSHIFT}, 'A');
    press('A');
    chord({VK_RSHIFT}, 'B');
    EXPECT_EQ(ops.ran, (std::vector<std::string>{"shift", "shift", "shift"}));
    EXPECT_EQ(keyDowns(), (std::vector<UINT>{VK_SHIFT, VK_SHIFT, VK_SHIFT, VK_SHIFT, 'A', VK_SHIFT, 'B'}));

    bind("plus", VK_ADD, 0, 0);
    EXPECT_FALSE(kb->HasChar('+', guiKeyCtx()));
    plat::headless::key(VK_ADD, true);
    pump();
    EXPECT_TRUE(kb->HasChar('+', guiKeyCtx()));
    EXPECT_FALSE(kb->HasChar('-', guiKeyCtx()));
    EXPECT_FALSE(kb->HasChar('*', guiKeyCtx()));
    plat::headless::key(VK_ADD, false);
    pump();
    EXPECT_FALSE(kb->HasChar('+', guiKeyCtx()));
}

TEST_F(KeysBed, NavigationKeysAreSentUntranslated)
{
    MessageCounter counter(window->GetSafeHwnd());
    for (UINT key : {VK_TAB, VK_RETURN, VK_LEFT, VK_DOWN, VK_SNAPSHOT, VK_ESCAPE}) {
        MSG m{window->GetSafeHwnd(), WM_KEYDOWN, key, 1, 0, {0, 0}};
        EXPECT_TRUE(kb->onPreTranslateMessage(&m)) << key;
    }
    MSG letter{window->GetSafeHwnd(), WM_KEYDOWN, 'A', 1, 0, {0, 0}};
    EXPECT_FALSE(kb->onPreTranslateMessage(&letter));
    MSG ch{window->GetSafeHwnd(), WM_CHAR, VK_TAB, 1, 0, {0, 0}};
    EXPECT_FALSE(kb->onPreTranslateMessage(&ch));
    EXPECT_EQ(counter.count(WM_KEYDOWN), 6);
    EXPECT_EQ(counter.lastWParam(WM_KEYDOWN), WPARAM(VK_ESCAPE));
}

TEST_F(KeysBed, TheHookDivertsFunctionKeysAndCombinations)
{
    kb->onAppGotFocus();
    kb->KbHookCreate();
    press(VK_F1);
    press(VK_F12);
    press(VK_SNAPSHOT);
    chord({VK_LCONTROL}, 'C');
    chord({VK_LMENU}, 'X');
    EXPECT_EQ(catcher.sent, 12);
    const std::vector<UINT> diverted{VK_F1, VK_F12, VK_SNAPSHOT, VK_CONTROL, 'C', VK_MENU, 'X'};
    EXPECT_EQ(keyDowns(), diverted);
    int ups = 0;
    for (const SeenKey& k : catcher.seen)
        ups += k.msg == WM_KEYUP;
    EXPECT_GE(ups, 5);

    catcher.sentKeys.clear();
    chord({VK_RMENU}, 'Q');
    // Only the release of AltGr itself goes, once its side is no longer down.
    EXPECT_EQ(catcher.sentKeys, (std::vector<UINT>{0x10000 | VK_MENU})) << "AltGr combinations stay the system's";
    catcher.sent = 0;
    {
        guiKBhookLock lock(kb.get());
        chord({VK_LCONTROL}, 'C');
        EXPECT_EQ(catcher.sent, 0);
    }
    catcher.focus = false;
    press(VK_F2);
    EXPECT_EQ(catcher.sent, 0);
    catcher.focus = true;
    press(VK_F2);
    EXPECT_EQ(catcher.sent, 2);
    kb->KbHookDestroy();
    press(VK_F3);
    EXPECT_EQ(catcher.sent, 2);
}

TEST_F(KeysBed, ARightCtrlReleaseSeenByTheHookClearsItsSideSpecificState)
{
    const guiKeyBugStatus saved = guiKeyCtx::s_CtrlStatus;
    guiKeyCtx::s_CtrlStatus = 2;
    kb->KbHookCreate();
    plat::headless::key(VK_RCONTROL, true);
    pump();
    EXPECT_NE(GetKeyState(VK_RCONTROL) & 0x80, 0);
    plat::headless::key(VK_RCONTROL, false);
    pump();
    EXPECT_EQ(GetKeyState(VK_RCONTROL) & 0x80, 0);
    guiKeyCtx::s_CtrlStatus = saved;
}

TEST(guiKBmanagerHooks, FiftySlotsAreSharedByAllThreads)
{
    Catcher catcher;
    std::atomic<int> hooked{0};
    std::atomic<bool> release{false};
    std::vector<std::thread> threads;
    std::vector<std::unique_ptr<guiKBmanager>> managers;
    for (int i = 0; i < guiKBmanager::kHookSlots; ++i)
        managers.push_back(std::make_unique<guiKBmanager>(&catcher));
    for (int i = 0; i < guiKBmanager::kHookSlots; ++i)
        threads.emplace_back([&, i] {
            managers[i]->KbHookCreate();
            managers[i]->KbHookCreate(); // still one slot
            ++hooked;
            while (!release)
                std::this_thread::yield();
            managers[i]->KbHookDestroy();
        });
    while (hooked < guiKBmanager::kHookSlots)
        std::this_thread::yield();

    guiKBmanager extra(&catcher);
    EXPECT_EQ(thrownText([&] { extra.KbHookCreate(); }), "guiKBmanager::KbHookCreate() : too many hook !");
    std::thread([&] { managers[7]->KbHookDestroy(); }).join();
    extra.KbHookCreate();
    EXPECT_EQ(thrownText([&] { guiKBmanager(&catcher).KbHookCreate(); }),
        "guiKBmanager::KbHookCreate() : too many hook !");
    extra.KbHookDestroy();
    release = true;
    for (std::thread& t : threads)
        t.join();
}

TEST_F(KeysBed, KeysTypedUnderLocksAreReplayedInOrderWithTheirContexts)
{
    bind("bound", 'Z', 0, 0);
    {
        guiKBlock first(kb.get());
        guiKBlock second(kb.get());
        second.Lock(kb.get()); // the same manager is not locked twice
        EXPECT_EQ(catcher.kbLocks, 1);
        chord({VK_LSHIFT}, 'A');
        press('Z');
        plat::headless::key('B', true, false, "b");
        plat::headless::key('B', false);
        pump();
        EXPECT_EQ(ops.ran, (std::vector<std::string>{"bound"}));
        EXPECT_TRUE(catcher.seen.empty());
        EXPECT_EQ(first.Unlock(), 1);
        EXPECT_TRUE(catcher.seen.empty());
    }
    ASSERT_FALSE(catcher.seen.empty());
    EXPECT_EQ(keyDowns(), (std::vector<UINT>{VK_SHIFT, 'A', 'B'}));
    for (const SeenKey& k : catcher.seen) {
        EXPECT_EQ(k.ctx, k.managerCtx);
        if (k.msg == WM_KEYDOWN && (k.key == 'A' || k.key == 'B')) {
            EXPECT_EQ(k.ctx, k.key == 'A' ? 1u : 0u);
        }
    }
    EXPECT_EQ(catcher.seen.back().msg, WM_KEYUP);
    EXPECT_EQ(catcher.charState & 0x81, 0x01) << "the character's byte: released, toggled once";
    EXPECT_EQ(catcher.playCounts.size(), catcher.seen.size());
    EXPECT_EQ(catcher.playEnds, 1);
    EXPECT_EQ(GetMessageExtraInfo(), 0);
    press('C');
    EXPECT_EQ(catcher.seen.back().key, 'C');
}

TEST_F(KeysBed, ALockTakenDuringAReplaySuspendsItAndNewKeysComeLast)
{
    {
        guiKBlock lock(kb.get());
        for (UINT key : {'A', 'B', 'C'})
            plat::headless::key(key, true, false, "");
        pump();
        catcher.lockAt = 2;
    }
    // The key whose notification took the lock still goes.
    EXPECT_EQ(keyDowns(), (std::vector<UINT>{'A', 'B'}));
    EXPECT_EQ(catcher.playEnds, 0);
    EXPECT_EQ(catcher.kbLocks, 1) << "buffering went on";
    press('D');
    catcher.lockAt = 0;
    catcher.lateLock.Unlock();
    EXPECT_EQ(keyDowns(), (std::vector<UINT>{'A', 'B', 'C', 'D'}));
    EXPECT_EQ(catcher.playEnds, 1);
    for (UINT key : {'A', 'B', 'C'})
        plat::headless::key(key, false);
    pump();

    catcher.seen.clear();
    {
        guiKBlock lock(kb.get());
        press('E');
        kb->EmptyPlayBuffer();
        press('F');
    }
    EXPECT_EQ(keyDowns(), (std::vector<UINT>{'F'}));
}

TEST_F(KeysBed, LiveKeysAreRecordedOnceAndReplayedOnesWhenRecordable)
{
    Buffer recording("Rec");
    recording.startRec(kb.get());
    kb->m_pRecBuffer = &recording;
    press('A');
    std::vector<UINT> recorded;
    guiKeyInfo info;
    while (recording.GetKey(&info, false))
        recorded.push_back(info.msg << 16 | info.wParam);
    EXPECT_EQ(recorded, (std::vector<UINT>{WM_KEYDOWN << 16 | 'A', WM_CHAR << 16 | 'a', WM_KEYUP << 16 | 'A'}));
    EXPECT_EQ(keyDowns(), (std::vector<UINT>{'A'})) << "recorded keys go on to their handling";
    {
        guiKBlock lock(kb.get());
        press('B');
    }
    recorded.clear();
    while (recording.GetKey(&info, false))
        recorded.push_back(info.wParam);
    EXPECT_EQ(recorded, (std::vector<UINT>{'B', 'b', 'B'}));
    EXPECT_EQ(GetMessageExtraInfo(), 0);
    kb->m_pRecBuffer = nullptr;
}

TEST_F(KeysBed, SequenceKeysHaveNoKeyboardContext)
{
    kb->initPlaySeqMsgSet();
    const UINT seqDown = RegisterWindowMessageA("Vantrel KVX guiKBmanager - PlaySeqKeyDown");
    HRESULT hr = 0;
    UINT msg = seqDown;
    WPARAM w = 'A';
    LPARAM l = 1;
    LRESULT result = 0;
    EXPECT_EQ(thrownText([&] { kb->KBfilterMsg(nullptr, nullptr, msg, w, l, result); }, &hr),
        "guiKBmanager::getSeqAppCtx()");
    EXPECT_EQ(hr, static_cast<HRESULT>(0x80004001u));
    EXPECT_EQ(msg, UINT(WM_KEYDOWN));
    EXPECT_EQ(GetMessageExtraInfo(), 0x23455432);
    const std::pair<const char*, std::function<void()>> accessors[] = {
        {"GetCtx", [&] { kb->GetCtx(); }},
        {"GetKeyState", [&] { kb->GetKeyState(1); }},
        {"GetAppCtx", [&] { kb->GetAppCtx(); }},
        {"SetAppCtx", [&] { kb->SetAppCtx(1); }},
        {"SetAppCtxBits", [&] { kb->SetAppCtxBits(1); }},
        {"UnsetAppCtxBits", [&] { kb->UnsetAppCtxBits(1); }},
        {"HasAppCtxBits", [&] { kb->HasAppCtxBits(1); }},
    };
    for (const auto& [name, call] : accessors) {
        hr = 0;
        EXPECT_EQ(thrownText(call, &hr), std::string("guiKBmanager::") + name + "() : kb ctx = sequences");
        EXPECT_EQ(hr, static_cast<HRESULT>(0x80004001u));
    }
    guiKeyState state;
    EXPECT_EQ(thrownText([&] { kb->GetKeyState(&state); }), "guiKBmanager::GetCtx() : kb ctx = sequences");
    SetMessageExtraInfo(0);

    // A play-back message outside a replay does nothing.
    kb->m_bReplaying = false;
    {
        guiKBlock lock(kb.get());
    }
    msg = RegisterWindowMessageA("Vantrel KVX guiKBmanager - PlayBufKeyDown");
    EXPECT_TRUE(kb->KBfilterMsg(nullptr, nullptr, msg, w, l, result));
    EXPECT_TRUE(catcher.seen.empty());
    SetMessageExtraInfo(0);
}

TEST(guiKeyBuffer, KeysGoInOnlyOnceStartedAndComeOutInOrder)
{
    Catcher catcher;
    guiKBmanager kb(&catcher);
    Buffer buffer("B1");
    EXPECT_EQ(thrownText([&] { buffer.AddKey(&kb, guiKmsgKeyDown, 'A', 0, guiKeyCtx()); }),
        "guiKeyBuffer(B1)::AddKey() : buffer is empty");
    EXPECT_EQ(thrownText([&] { buffer.seqAddKey(&kb, guiKmsgKeyDown, 'A', 0, guiKeyCtx()); }),
        "guiKeyBuffer(B1)::seqAddKey() : buffer is empty");
    EXPECT_FALSE(buffer.GetKey(nullptr, true));
    buffer.startRec(&kb);
    EXPECT_EQ(thrownText([&] { buffer.seqAddKey(&kb, guiKmsgKeyDown, 'A', 0, guiKeyCtx()); }),
        "guiKeyBuffer(B1)::seqAddKey() : sequence not started");
    for (UINT key : {'A', 'B'})
        buffer.AddKey(&kb, guiKmsgKeyDown, key, 0, guiKeyCtx());
    buffer.seqPlayBegin();
    buffer.seqAddKey(&kb, guiKmsgKeyUp, 'S', 0, guiKeyCtx());
    buffer.seqAddKey(&kb, guiKmsgKeyUp, 'T', 0, guiKeyCtx());
    EXPECT_TRUE(buffer.GetKey(nullptr, true));
    std::vector<std::pair<UINT, bool>> keys;
    guiKeyInfo info;
    while (buffer.GetKey(&info, false))
        keys.emplace_back(info.wParam, info.recordable);
    EXPECT_EQ(keys, (std::vector<std::pair<UINT, bool>>{{'T', false}, {'A', true}, {'B', true}}));
    buffer.Empty();
    EXPECT_FALSE(buffer.GetKey(&info, false));

    guiKeyState state;
    guiKeyInfo ch;
    ch.msg = guiKmsgChar;
    ch.wParam = 0x161; // only the low byte counts
    ch.ctx = ctxOf(4);
    state.ProcessKeyDown(ch);
    EXPECT_EQ(state.GetKeyState(0x61), 0x81);
    EXPECT_EQ(state.GetCtx(), ctxOf(4));
    state.ProcessKey(ch);
    state.ProcessKeyDown(ch);
    state.ProcessKeyUp(ch);
    EXPECT_EQ(state.GetKeyState(0x61), 0x00);
}

TEST(swObject, AFlagIsSetOnceForTheSwitchsLifetime)
{
    bool flag = false;
    {
        swObject on(&flag);
        EXPECT_TRUE(flag);
        EXPECT_EQ(thrownText([&] { swObject again(&flag); }), "swObject already set");
        EXPECT_TRUE(flag);
    }
    EXPECT_FALSE(flag);
}

} // namespace
