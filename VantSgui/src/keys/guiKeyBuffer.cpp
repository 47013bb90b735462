#include "guiKeys.h"

#include "guiBase.h"
#include "keys/guiKeysPrivate.h"

#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbMsg.h"

#include "plat/errors.h"
#include "plat/focus.h"
#include "plat/message.h"

#include <utility>

namespace {

template <class F>
void traced(F&& f)
{
    try {
        f();
    } catch (CException* e) {
        vbTraceException(e, true, __FILE__, __LINE__);
    }
}

} // namespace

void guiKeyState::processKey(const guiKeyInfo& info, bool down)
{
    if (info.msg == guiKmsgKeyDown)
        down = true;
    else if (info.msg == guiKmsgKeyUp)
        down = false;
    BYTE& key = m_keys[info.wParam & 255];
    if (down) {
        key = static_cast<BYTE>((key | 0x80) ^ 1);
        m_ctx = info.ctx;
    } else {
        key = static_cast<BYTE>(key & ~0x80);
    }
}

// ---------------------------------------------------------------------------------------------

guiKeyBuffer::guiKeyBuffer(const char* name) : m_name(name) { }

void guiKeyBuffer::Empty()
{
    m_readPos = 0;
    m_idle = true;
    m_keys.RemoveAll();
}

void guiKeyBuffer::checkStarted(const char* operation) const
{
    if (m_idle)
        throw new vbEsys(true, E_FAIL, "guiKeyBuffer(%s)::%s() : buffer is empty", m_name.c_str(), operation);
}

void guiKeyBuffer::AddKey(guiKBmanager*, guiKmsg kmsg, UINT wParam, LONG lParam, const guiKeyCtx& ctx)
{
    checkStarted("AddKey");
    m_keys.Add(guiKeyInfo{kmsg, wParam, lParam, ctx, true});
}

void guiKeyBuffer::seqAddKey(guiKBmanager*, guiKmsg kmsg, UINT wParam, LONG lParam, const guiKeyCtx& ctx)
{
    checkStarted("seqAddKey");
    if (m_seqPos <= 0)
        throw new vbEsys(true, E_FAIL, "guiKeyBuffer(%s)::seqAddKey() : sequence not started", m_name.c_str());
    m_keys.Insert(m_seqPos, guiKeyInfo{kmsg, wParam, lParam, ctx, false});
    ++m_seqPos;
}

bool guiKeyBuffer::GetKey(guiKeyInfo* out, bool remove)
{
    if (m_idle)
        return false;
    if (!remove) {
        if (m_readPos >= m_keys.GetLength())
            return false;
        ++m_readPos;
        if (out)
            *out = m_keys[m_readPos];
        return true;
    }
    if (m_keys.GetLength() == 0)
        return false;
    if (out)
        *out = m_keys[1];
    m_keys.Delete(1);
    if (m_seqPos > 1)
        --m_seqPos;
    return true;
}

void guiKeyBuffer::startRec(guiKBmanager* manager)
{
    m_keys.RemoveAll();
    m_idle = true;
    manager->GetKeyState(&m_start);
    m_idle = false;
}

// ---------------------------------------------------------------------------------------------

swObject::~swObject()
{
    if (!m_pFlag)
        return;
    try {
        if (!*m_pFlag)
            throw new vbEsys(E_FAIL, "swObject already unset");
        *m_pFlag = false;
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
    }
}

void swObject::Set(bool* flag)
{
    if (*flag)
        throw new vbEsys(E_FAIL, "swObject already set");
    *flag = true;
    m_pFlag = flag;
}

// ---------------------------------------------------------------------------------------------

guiKBlock::guiKBlock(const guiKBmanager* manager)
{
    if (manager)
        Lock(manager);
}

guiKBlock::~guiKBlock()
{
    try {
        Unlock();
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
    }
}

void guiKBlock::Lock(const guiKBmanager* manager)
{
    if (manager == m_pManager)
        return;
    manager->KbLock();
    try {
        Unlock();
    } catch (CException*) {
        traced([&] { manager->KbUnlock(); });
        throw;
    }
    m_pManager = manager;
}

LONG guiKBlock::Unlock()
{
    const guiKBmanager* held = std::exchange(m_pManager, nullptr);
    return held ? held->KbUnlock() : -1;
}

guiKBhookLock::guiKBhookLock(const guiKBmanager* manager)
{
    if (manager)
        Lock(manager);
}

guiKBhookLock::~guiKBhookLock()
{
    try {
        Unlock();
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
    }
}

void guiKBhookLock::Lock(const guiKBmanager* manager)
{
    manager->KbHookLock();
    Unlock();
    m_pManager = manager;
}

LONG guiKBhookLock::Unlock()
{
    const guiKBmanager* held = std::exchange(m_pManager, nullptr);
    return held ? held->KbHookUnlock() : -1;
}

// ---------------------------------------------------------------------------------------------
// Buffering, recording and replay

LONG guiKBmanager::KbLock() const
{
    auto* self = const_cast<guiKBmanager*>(this);
    const LONG count = ++m_nKbLock;
    if (!m_bBuffering) {
        self->m_bBuffering = true;
        if (!m_bReplaying)
            self->m_mainBuffer.startRec(self);
        traced([&] { m_pCatcher->OnKbLock(self); });
    }
    return count;
}

LONG guiKBmanager::KbUnlock() const
{
    const LONG count = --m_nKbLock;
    if (count <= 0)
        const_cast<guiKBmanager*>(this)->playKbBuffer();
    return count;
}

bool guiKBmanager::onProcessRecKey(guiKmsg kmsg, UINT wParam, LONG lParam, const guiKeyCtx& ctx, DWORD& appCtx,
    bool fromReplay)
{
    return m_pCatcher->OnProcessRecKey(kmsg, wParam, lParam, ctx, appCtx, fromReplay);
}

bool guiKBmanager::onProcessBufKey(guiKmsg kmsg, UINT wParam, LONG lParam, const guiKeyCtx& ctx, DWORD& appCtx,
    bool sequence)
{
    return m_pCatcher->OnProcessBufKey(kmsg, wParam, lParam, ctx, appCtx, sequence);
}

bool guiKBmanager::addBufKey(guiKmsg kmsg, UINT wParam, LONG lParam, const guiKeyCtx& ctx, DWORD& appCtx,
    bool sequence)
{
    if (!m_bBuffering)
        return false;
    // Bound operations run even while the keyboard is locked.
    if (bindingDispatch(kmsg, wParam, lParam, ctx) || onProcessBufKey(kmsg, wParam, lParam, ctx, appCtx, sequence))
        return true;
    if (!m_bBuffering)
        return false;
    if (sequence)
        m_mainBuffer.seqAddKey(this, kmsg, wParam, lParam, ctx);
    else
        m_mainBuffer.AddKey(this, kmsg, wParam, lParam, ctx);
    return true;
}

bool guiKBmanager::addRecKey(guiKmsg kmsg, UINT wParam, LONG lParam, const guiKeyCtx& ctx, DWORD& appCtx,
    bool fromReplay)
{
    auto notRecording = [&] { return !m_pRecBuffer || (fromReplay && !m_bReplayRecordable); };
    if (notRecording())
        return false;
    if (onProcessRecKey(kmsg, wParam, lParam, ctx, appCtx, fromReplay))
        return true;
    if (notRecording())
        return false;
    m_pRecBuffer->AddKey(this, kmsg, wParam, lParam, ctx);
    if (!fromReplay)
        SetMessageExtraInfo(guiKeysImpl::kRecorded);
    return false;
}

void guiKBmanager::registerSet(UINT* ids, const char* setName, const char* const* roles)
{
    if (ids[0] != 0)
        return;
    for (int i = 0; i < 3; ++i) {
        ids[i] = RegisterWindowMessageA(vbString("Vantrel KVX guiKBmanager - ") + roles[i]);
        if (ids[i] == 0) {
            ids[0] = 0;
            throw new vbEsys(true, guiKeysImpl::lastErrorHr(), "guiKBmanager::%s(%s) : RegisterWindowMessage failure", setName, roles[i]);
        }
    }
}

void guiKBmanager::initPlayBufMsgSet()
{
    static const char* const roles[] = {"PlayBufKeyDown", "PlayBufKeyUp", "PlayBufChar"};
    UINT ids[3] = {m_msgPlayBufKeyDown, m_msgPlayBufKeyUp, m_msgPlayBufChar};
    registerSet(ids, "initPlayBufMsgSet", roles);
    m_msgPlayBufKeyDown = ids[0];
    m_msgPlayBufKeyUp = ids[1];
    m_msgPlayBufChar = ids[2];
}

void guiKBmanager::initPlaySeqMsgSet()
{
    static const char* const roles[] = {"PlaySeqKeyDown", "PlaySeqKeyUp", "PlaySeqChar"};
    UINT ids[3] = {m_msgPlaySeqKeyDown, m_msgPlaySeqKeyUp, m_msgPlaySeqChar};
    registerSet(ids, "initPlaySeqMsgSet", roles);
    m_msgPlaySeqKeyDown = ids[0];
    m_msgPlaySeqKeyUp = ids[1];
    m_msgPlaySeqChar = ids[2];
}

void guiKBmanager::EmptyPlayBuffer()
{
    m_mainBuffer.Empty();
    if (m_bBuffering)
        m_mainBuffer.startRec(this);
}

void guiKBmanager::GetKeyState(guiKeyState* out)
{
    if (const guiKeyState* replay = replayState()) {
        *out = *replay;
        return;
    }
    checkNotSequence("GetCtx");
    if (!GetKeyboardState(out->m_keys)) {
        throw new vbEsys(guiKeysImpl::lastErrorHr(), "guiKBmanager::GetKeyState() failure");
    }
    out->m_appCtx = m_appCtx;
    out->m_ctx = m_liveCtx;
}

void guiKBmanager::playKbBuffer()
{
    if (m_bReplaying)
        return;
    {
        swObject replaying(&m_bReplaying);
        initPlayBufMsgSet();
        guiKeyState state;
        m_mainBuffer.GetStartKeyState(&state);
        m_pReplay = &state;
        bool ended = true;
        try {
            ended = replayKeys(state);
        } catch (CException* e) {
            vbShowException(e, true, __FILE__, __LINE__);
        }
        m_pReplay = nullptr;
        if (!ended) {
            // A lock came back: the rest stays buffered and buffering goes on.
            m_mainBuffer.SetStartKeyState(state);
            return;
        }
        m_bBuffering = false;
        m_mainBuffer.Empty();
    }
    traced([&] { m_pCatcher->OnPlayEnd(this); });
}

// Sends the buffered keys one by one, letting the thread handle what each one caused; false
// when a new lock suspends the replay.
bool guiKBmanager::replayKeys(guiKeyState& state)
{
    LONG count = 0;
    for (;;) {
        if (m_nKbLock > 0)
            return false;
        guiKeyInfo key;
        if (!m_mainBuffer.GetKey(&key, true))
            return true;
        state.processKey(key, key.msg == guiKmsgChar);
        ++count;
        traced([&] { m_pCatcher->OnPlayKey(this, count); });
        m_bReplayRecordable = key.recordable;

        const UINT ids[] = {m_msgPlayBufKeyDown, m_msgPlayBufKeyUp, m_msgPlayBufChar};
        const UINT id = ids[key.msg - guiKmsgKeyDown];
        const LPARAM flags = static_cast<LPARAM>(static_cast<DWORD>(key.lParam));
        const LPARAM saved = GetMessageExtraInfo();
        if (HWND focus = GetFocus())
            SendMessageA(focus, id, key.wParam, flags);
        else
            m_pCatcher->SendKeyMessage(nullptr, id, key.wParam, flags);
        if (key.msg == guiKmsgChar)
            state.processKey(key, false);
        SetMessageExtraInfo(saved);

        bool quit = false;
        while (vbDoOneEvent(&quit)) { }
        if (quit)
            return true;
    }
}

// ---------------------------------------------------------------------------------------------

void sIguiKeyCatcher::SendKeyMessage(vbSectLock*, UINT, WPARAM, LPARAM) { guiPurecall(); }
bool sIguiKeyCatcher::OnProcessRecKey(guiKmsg, UINT, LONG, const guiKeyCtx&, DWORD&, bool) { guiPurecall(); }
bool sIguiKeyCatcher::OnProcessBufKey(guiKmsg, UINT, LONG, const guiKeyCtx&, DWORD&, bool) { guiPurecall(); }
bool sIguiKeyCatcher::OnProcessKey(guiKmsg, UINT, LONG, const guiKeyCtx&, DWORD&) { guiPurecall(); }
void sIguiKeyCatcher::OnKbLock(guiKBmanager*) { guiPurecall(); }
void sIguiKeyCatcher::OnPlayEnd(guiKBmanager*) { guiPurecall(); }
void sIguiKeyCatcher::OnPlayKey(guiKBmanager*, LONG) { guiPurecall(); }
void sIguiKeyCatcher::OnReserved() { }
bool sIguiKeyCatcher::HasFocus(guiKBmanager*) { guiPurecall(); }
