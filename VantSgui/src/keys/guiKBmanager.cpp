#include "guiKeys.h"

#include "keys/guiKeysPrivate.h"

#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbLog.h"

#include "plat/keyboard.h"
#include "plat/message.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

using guiKeysImpl::kRecorded;
using guiKeysImpl::kReplay;
using guiKeysImpl::kSequence;

constexpr HRESULT kNotImpl = static_cast<HRESULT>(0x80004001u);

bool transitionUp(LPARAM lParam) { return (static_cast<DWORD>(lParam) & 0x80000000u) != 0; }

} // namespace

guiKBmanager::guiKBmanager(sIguiKeyCatcher* catcher) : m_pCatcher(catcher) { }

guiKBmanager::guiKBmanager(const guiKBmanager& other) : sIguiKBmanager(other), m_pCatcher(other.m_pCatcher)
{
    copyTables(other);
}

guiKBmanager& guiKBmanager::operator=(const guiKBmanager& other)
{
    if (this != &other)
        copyTables(other);
    return *this;
}

// The hook, the locks and a replay belong to the manager that made them.
void guiKBmanager::copyTables(const guiKBmanager& other)
{
    m_keys = other.m_keys;
    m_ops = other.m_ops;
    m_pCatcher = other.m_pCatcher;
    m_msgHookKey = other.m_msgHookKey;
    m_msgPlayBufKeyDown = other.m_msgPlayBufKeyDown;
    m_msgPlayBufKeyUp = other.m_msgPlayBufKeyUp;
    m_msgPlayBufChar = other.m_msgPlayBufChar;
    m_msgPlaySeqKeyDown = other.m_msgPlaySeqKeyDown;
    m_msgPlaySeqKeyUp = other.m_msgPlaySeqKeyUp;
    m_msgPlaySeqChar = other.m_msgPlaySeqChar;
    m_liveCtx = other.m_liveCtx;
    m_appCtx = other.m_appCtx;
    m_mainBuffer = other.m_mainBuffer;
    m_pRecBuffer = other.m_pRecBuffer;
    m_bReplayRecordable = other.m_bReplayRecordable;
    tablesChanged();
}

guiKBmanager::~guiKBmanager()
{
    try {
        KbHookDestroy();
    } catch (CException* e) {
        vbTraceException(e, true, __FILE__, __LINE__);
    }
}

// ---------------------------------------------------------------------------------------------
// Tables

bool guiKBmanager::AddKey(const char* opName, DWORD key, const guiKeyCtx& ctx, bool enabled)
{
    UINT equivKey = key;
    guiKeyCtx equivCtx = ctx;
    if (guiKeyCtx::KeyEquiv(equivKey, equivCtx))
        vbRelOutput(vbString("guiKeyCtx::AddKey(") + opName + ") : KeyEquiv correction", true);
    for (int i = 1; i <= m_keys.GetLength(); ++i) {
        guiKeysCfgSt& existing = m_keys[i];
        if (existing.key != equivKey || !(equivCtx.IsKbCtxOk(existing.ctx) || existing.ctx.IsKbCtxOk(equivCtx)))
            continue;
        if (existing.opName.Compare(opName) != 0)
            throw new vbEsys(E_FAIL, "guiKBmanager::AddKey() : key already assigned");
        existing.enabled = enabled;
        return false;
    }
    guiKeysCfgSt binding;
    binding.key = equivKey;
    binding.ctx = equivCtx;
    binding.enabled = enabled;
    binding.opName = opName;
    m_keys.Add(binding);
    tablesChanged();
    return true;
}

bool guiKBmanager::AddOp(const char* name, const guiKEYSOPCB& cb, DWORD param, DWORD trigger, bool enabled)
{
    for (int i = 1; i <= m_ops.GetLength(); ++i) {
        guiKeysOpSt& existing = m_ops[i];
        if (existing.trigger != trigger || existing.name.Compare(name) != 0)
            continue;
        if (existing.param != param || !(existing.cb == cb))
            throw new vbEsys(E_FAIL, "guiKBmanager::AddOp() : op already assigned");
        existing.enabled = enabled;
        return false;
    }
    guiKeysOpSt op;
    op.name = name;
    op.cb = cb;
    op.trigger = trigger;
    op.param = param;
    op.enabled = enabled;
    m_ops.Add(op);
    tablesChanged();
    return true;
}

// Every key message looks its key up; the index spares it a scan of the bindings and of the
// operation names.
const guiKBmanager::BindingIndex& guiKBmanager::bindingIndex() const
{
    if (m_indexVersion == m_tablesVersion)
        return m_index;
    // The first operation of each name per trigger, as a scan in table order finds it.
    std::unordered_map<std::string, std::array<int, 3>> opsByName;
    for (int i = m_ops.GetLength(); i >= 1; --i) {
        const guiKeysOpSt& op = m_ops[i];
        if (op.trigger > 2)
            continue;
        auto [at, added] = opsByName.try_emplace(op.name.c_str(), std::array<int, 3>{});
        at->second[op.trigger] = i;
    }
    m_index.entries.clear();
    m_index.byKey.clear();
    for (int i = 1; i <= m_keys.GetLength(); ++i) {
        const guiKeysCfgSt& binding = m_keys[i];
        BindingEntry entry{binding.ctx, {0, 0, 0}};
        if (auto ops = opsByName.find(binding.opName.c_str()); ops != opsByName.end())
            std::copy(ops->second.begin(), ops->second.end(), entry.ops);
        m_index.entries.push_back(entry);
        m_index.byKey[binding.key].push_back(i);
    }
    m_indexVersion = m_tablesVersion;
    return m_index;
}

int guiKBmanager::findBinding(DWORD key, const guiKeyCtx& ctx) const
{
    UINT equivKey = key;
    guiKeyCtx equivCtx = ctx;
    guiKeyCtx::KeyEquiv(equivKey, equivCtx);
    const BindingIndex& index = bindingIndex();
    const auto sameKey = index.byKey.find(equivKey);
    if (sameKey == index.byKey.end())
        return 0;
    for (int binding : sameKey->second)
        if (index.entries[static_cast<size_t>(binding - 1)].ctx.IsKbCtxOk(equivCtx))
            return binding;
    return 0;
}

guiKeysOpSt* guiKBmanager::findOp(int binding, DWORD trigger) const
{
    if (binding == 0 || !m_keys[binding].enabled)
        return nullptr;
    if (trigger <= 2) {
        const int op = bindingIndex().entries[static_cast<size_t>(binding - 1)].ops[trigger];
        return op ? const_cast<guiKeysOpSt*>(&m_ops[op]) : nullptr;
    }
    const vbString& name = m_keys[binding].opName;
    for (int i = 1; i <= m_ops.GetLength(); ++i) {
        guiKeysOpSt& op = const_cast<guiKeysOpSt&>(m_ops[i]);
        if (op.trigger == trigger && op.name.Compare(name) == 0)
            return &op;
    }
    return nullptr;
}

bool guiKBmanager::execBinding(int binding, DWORD trigger)
{
    guiKeysOpSt* op = findOp(binding, trigger);
    if (!op || !op->enabled)
        return false;
    return op->cb.Call(*this, *op, &m_keys[binding]);
}

bool guiKBmanager::hasBinding(int binding, DWORD trigger) const
{
    const guiKeysOpSt* op = findOp(binding, trigger);
    return op && op->enabled;
}

bool guiKBmanager::ExecKey(DWORD key, const guiKeyCtx& ctx, DWORD trigger)
{
    return execBinding(findBinding(key, ctx), trigger);
}

bool guiKBmanager::ExecKey(DWORD key, DWORD trigger) { return ExecKey(key, guiKeyCtx::Current(), trigger); }

bool guiKBmanager::ExecOp(const vbString& name, DWORD trigger)
{
    for (int i = 1; i <= m_ops.GetLength(); ++i) {
        guiKeysOpSt& op = m_ops[i];
        if ((trigger == 0 || op.trigger == trigger) && op.name.Compare(name) == 0)
            return op.enabled && op.cb.Call(*this, op, nullptr);
    }
    return false;
}

bool guiKBmanager::HasKey(DWORD key, const guiKeyCtx& ctx, DWORD trigger) const
{
    return hasBinding(findBinding(key, ctx), trigger);
}

bool guiKBmanager::HasKey(DWORD key, DWORD trigger) const { return HasKey(key, guiKeyCtx::Current(), trigger); }

bool guiKBmanager::HasKey(DWORD key, const guiKeyCtx& ctx) const
{
    const int binding = findBinding(key, ctx);
    return binding != 0 && m_keys[binding].enabled;
}

bool guiKBmanager::HasKey(DWORD key) const { return HasKey(key, guiKeyCtx::Current()); }

bool guiKBmanager::HasChar(char c, const guiKeyCtx& ctx) const
{
    const DWORD key = c == '+' ? VK_ADD : c == '-' ? VK_SUBTRACT : 0;
    return key && HasKey(key, ctx) && (GetKeyState(static_cast<int>(key)) & 0x80) != 0;
}

bool guiKBmanager::HasChar(char c) const { return HasChar(c, guiKeyCtx::Current()); }

bool guiKBmanager::HasFocus() const { return m_pCatcher->HasFocus(const_cast<guiKBmanager*>(this)); }

// ---------------------------------------------------------------------------------------------
// Key dispatch

// The key is looked up once; an operation that declines may have changed the tables, and the
// next trigger looks it up again.
bool guiKBmanager::bindingDispatch(guiKmsg kmsg, UINT wParam, LONG lParam, const guiKeyCtx& ctx)
{
    if (kmsg != guiKmsgKeyDown && kmsg != guiKmsgKeyUp)
        return false;
    int binding = findBinding(wParam, ctx);
    if (kmsg == guiKmsgKeyUp)
        return execBinding(binding, 2);
    auto lookUpAgainIfChanged = [&](unsigned version) {
        if (version != m_tablesVersion)
            binding = findBinding(wParam, ctx);
    };
    unsigned version = m_tablesVersion;
    if (execBinding(binding, 1))
        return true;
    lookUpAgainIfChanged(version);
    const bool repeat = (static_cast<DWORD>(lParam) & (1u << 30)) != 0;
    version = m_tablesVersion;
    if (repeat ? hasBinding(binding, 0) : execBinding(binding, 0))
        return true;
    lookUpAgainIfChanged(version);
    return hasBinding(binding, 2);
}

bool guiKBmanager::onProcessKey(guiKmsg kmsg, UINT wParam, LONG lParam, const guiKeyCtx& ctx, DWORD& appCtx)
{
    return bindingDispatch(kmsg, wParam, lParam, ctx) || m_pCatcher->OnProcessKey(kmsg, wParam, lParam, ctx, appCtx);
}

bool guiKBmanager::KBfilterMsg(guiContainer*, TControl*, UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result)
{
    if (filterPlayBack(msg, wParam, lParam)) {
        result = 0;
        return true;
    }
    if (m_msgHookKey != 0 && msg == m_msgHookKey)
        msg = transitionUp(lParam) ? WM_KEYUP : WM_KEYDOWN;
    if (msg != WM_KEYDOWN && msg != WM_KEYUP && msg != WM_CHAR)
        return false;
    const LPARAM mark = GetMessageExtraInfo();
    if (mark == kReplay || mark == kSequence || mark == kRecorded)
        return false;
    if (msg == WM_KEYDOWN)
        m_liveCtx = guiKeyCtx::Current();
    const guiKmsg kmsg = static_cast<guiKmsg>(msg);
    const UINT key = static_cast<UINT>(wParam);
    const LONG keyFlags = static_cast<LONG>(lParam);
    const bool handled = addBufKey(kmsg, key, keyFlags, m_liveCtx, m_appCtx, false) ||
        addRecKey(kmsg, key, keyFlags, m_liveCtx, m_appCtx, false) ||
        onProcessKey(kmsg, key, keyFlags, m_liveCtx, m_appCtx);
    if (handled)
        result = 0;
    return handled;
}

// A replayed or sequence key message becomes the key message it stands for; true when it was
// handled here.
bool guiKBmanager::filterPlayBack(UINT& msg, WPARAM wParam, LPARAM lParam)
{
    const UINT bufIds[] = {m_msgPlayBufKeyDown, m_msgPlayBufKeyUp, m_msgPlayBufChar};
    const UINT seqIds[] = {m_msgPlaySeqKeyDown, m_msgPlaySeqKeyUp, m_msgPlaySeqChar};
    for (int i = 0; i < 3; ++i) {
        if (m_msgPlayBufKeyDown != 0 && msg == bufIds[i]) {
            SetMessageExtraInfo(kReplay);
            msg = WM_KEYDOWN + static_cast<UINT>(i);
            if (!m_pReplay)
                return true;
            const guiKmsg kmsg = static_cast<guiKmsg>(msg);
            const guiKeyCtx ctx = m_pReplay->m_ctx;
            const UINT key = static_cast<UINT>(wParam);
            const LONG keyFlags = static_cast<LONG>(lParam);
            return addRecKey(kmsg, key, keyFlags, ctx, m_pReplay->m_appCtx, true) ||
                onProcessKey(kmsg, key, keyFlags, ctx, m_pReplay->m_appCtx);
        }
        if (m_msgPlaySeqKeyDown != 0 && msg == seqIds[i]) {
            SetMessageExtraInfo(kSequence);
            msg = WM_KEYDOWN + static_cast<UINT>(i);
            getSeqAppCtx();
            getSeqCtx();
        }
    }
    return false;
}

guiKeyCtx guiKBmanager::getSeqCtx() { throw new vbEsys(kNotImpl, "guiKBmanager::getSeqCtx()"); }

DWORD guiKBmanager::getSeqAppCtx() { throw new vbEsys(kNotImpl, "guiKBmanager::getSeqAppCtx()"); }

bool guiKBmanager::onPreTranslateMessage(MSG* m)
{
    if (m->message != WM_KEYDOWN && m->message != WM_KEYUP)
        return false;
    const WPARAM key = m->wParam;
    const bool navigation = key == VK_TAB || key == VK_RETURN || (key >= VK_SHIFT && key <= VK_MENU) ||
        key == VK_ESCAPE || (key >= VK_PRIOR && key <= VK_DOWN) || key == VK_SNAPSHOT;
    if (!navigation)
        return false;
    SendMessageA(m->hwnd, m->message, key, m->lParam);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Context accessors: a replayed key sees the keyboard of its moment, a sequence key none.

bool guiKBmanager::isSequenceMark() const { return GetMessageExtraInfo() == kSequence; }

const guiKeyState* guiKBmanager::replayState() const
{
    return GetMessageExtraInfo() == kReplay ? m_pReplay : nullptr;
}

void guiKBmanager::checkNotSequence(const char* accessor) const
{
    if (isSequenceMark())
        throw new vbEsys(true, kNotImpl, "guiKBmanager::%s() : kb ctx = sequences", accessor);
}

guiKeyCtx guiKBmanager::GetCtx()
{
    checkNotSequence("GetCtx");
    const guiKeyState* replay = replayState();
    return replay ? replay->m_ctx : m_liveCtx;
}

DWORD guiKBmanager::GetKeyState(int vk) const
{
    checkNotSequence("GetKeyState");
    if (const guiKeyState* replay = replayState())
        return replay->GetKeyState(vk);
    return static_cast<DWORD>(static_cast<int32_t>(::GetKeyState(vk)));
}

DWORD guiKBmanager::GetAppCtx() const
{
    checkNotSequence("GetAppCtx");
    const guiKeyState* replay = replayState();
    return replay ? replay->m_appCtx : m_appCtx;
}

void guiKBmanager::SetAppCtx(DWORD ctx)
{
    checkNotSequence("SetAppCtx");
    if (replayState())
        m_pReplay->m_appCtx = ctx;
    m_appCtx = ctx;
}

void guiKBmanager::SetAppCtxBits(DWORD bits)
{
    checkNotSequence("SetAppCtxBits");
    if (replayState())
        m_pReplay->m_appCtx |= bits;
    m_appCtx |= bits;
}

void guiKBmanager::UnsetAppCtxBits(DWORD bits)
{
    checkNotSequence("UnsetAppCtxBits");
    if (replayState())
        m_pReplay->m_appCtx &= ~bits;
    m_appCtx &= ~bits;
}

bool guiKBmanager::HasAppCtxBits(DWORD bits) const
{
    checkNotSequence("HasAppCtxBits");
    const guiKeyState* replay = replayState();
    return ((replay ? replay->m_appCtx : m_appCtx) & bits) == bits;
}
