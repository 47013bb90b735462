// The callback holder: its conversions, the handlers it forwards to, the first-load rule of its
// callback object, and a callback object that outlives its holder in a listener list.

#include "vbHotPlugItf.h"

#include "vbExpectThrown.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records the events its holder forwards, and whether the object's lock came with each.
class Handler : public sIvbHotPlugCb, public sIvbHotPlugTypeCb {
public:
    vbPlugUpdateCaps onGetPluginCaps(vbHotPlugCb*, IvbHotPlugger*, vbSectLock& lock) override
    {
        return note("caps", lock, vbPlugUpdateDeny);
    }
    void onUnloadPluginAsked(vbHotPlugCb*, IvbHotPlugger*, bool, vbSectLock& lock) override { note("unload", lock); }
    void onLoadPluginAsked(vbHotPlugCb*, IvbHotPlugger*, bool, vbSectLock& lock) override { note("load", lock); }
    vbPlugUpdateCaps onError(vbHotPlugCb*, IvbHotPlugger*, bool, LONG, const vbString&, vbSectLock& lock) override
    {
        return note("error", lock, vbPlugUpdateLater);
    }
    void onProgress(vbHotPlugCb*, IvbHotPlugger*, ULONG, ULONG, vbPlugStatus, const vbString&, vbSectLock& lock) override
    {
        note("progress", lock);
    }

    vbPlugUpdateCaps onGetPluginCaps(vbHotPlugCb*, IvbHotPlugin*, IvbHotPlugger*, vbSectLock& lock) override
    {
        return note("type caps", lock, vbPlugUpdateDeny);
    }
    void onUnloadPluginAsked(vbHotPlugCb*, IvbHotPlugin*, IvbHotPlugger*, bool, vbSectLock& lock) override
    {
        note("type unload", lock);
    }
    void onLoadPluginAsked(vbHotPlugCb*, IvbHotPlugin*, IvbHotPlugger*, bool, vbSectLock& lock) override
    {
        note("type load", lock);
    }
    vbPlugUpdateCaps onError(vbHotPlugCb*, IvbHotPlugin*, IvbHotPlugger*, bool, LONG, const vbString&,
        vbSectLock& lock) override
    {
        return note("type error", lock, vbPlugUpdateLater);
    }
    void onReloadConfig(vbHotPlugCb*, sIvbHotPlugType*, vbSectLock& lock) override { note("reload", lock); }
    void onProgress(vbHotPlugCb*, IvbHotPlugin*, IvbHotPlugger*, ULONG, ULONG, vbPlugStatus, const vbString&,
        vbSectLock& lock) override
    {
        note("type progress", lock);
    }

    std::vector<std::string> events;

private:
    vbPlugUpdateCaps note(const char* what, vbSectLock& lock, vbPlugUpdateCaps answer = vbPlugUpdateAllow)
    {
        events.push_back(std::string(what) + (lock.IsLocked() ? "" : " (unlocked)"));
        return answer;
    }
};

// Sends one event, named as the handler notes it, through the holder's callback object.
void send(vbHotPlugCb& holder, const std::string& event)
{
    IvbHotPlugCb* cb = holder;
    IvbHotPlugTypeCb* typeCb = holder;
    if (event == "load")
        cb->OnLoadPluginAsked(nullptr, true);
    else if (event == "unload")
        cb->OnUnloadPluginAsked(nullptr, true);
    else if (event == "error")
        cb->OnError(nullptr, false, E_FAIL, "failed");
    else if (event == "progress")
        cb->OnProgress(nullptr, 1, 2, vbPlugStatusConnecting, "");
    else if (event == "type load")
        typeCb->OnLoadPluginAsked(nullptr, nullptr, true);
    else if (event == "reload")
        typeCb->OnReloadConfig(nullptr);
    else if (event == "type error")
        typeCb->OnError(nullptr, nullptr, false, E_FAIL, "failed");
    else
        FAIL() << "unknown event " << event;
}

TEST(vbHotPlugCb, WithoutHandlersItRefusesItsListenersAndAnswersZero)
{
    vbHotPlugCb holder(nullptr, nullptr, true, vbPlugUpdateDeny);
    EXPECT_FALSE(holder.HasPlugCb());
    EXPECT_FALSE(holder.HasPlugTypeCb());
    vbtest::expectThrown<vbEsys>([&] { (void)static_cast<IvbHotPlugCb*>(holder); }, E_FAIL,
        "vbHotPlugCb::operator IvbHotPlugCb*() called with no plug cb defined");
    vbtest::expectThrown<vbEsys>([&] { (void)static_cast<IvbHotPlugTypeCb*>(holder); }, E_FAIL,
        "vbHotPlugCb::operator IvbHotPlugTypeCb*() called with no plugtype cb defined");

    CCriticalSection section;
    vbSectLock lock(&section);
    EXPECT_EQ(holder.onGetPluginCaps(&holder, nullptr, lock), vbPlugUpdateAllow);
    EXPECT_EQ(holder.onError(&holder, nullptr, true, E_FAIL, "x", lock), vbPlugUpdateAllow);
    EXPECT_EQ(holder.onGetPluginCaps(&holder, nullptr, nullptr, lock), vbPlugUpdateAllow);
    EXPECT_EQ(holder.onError(&holder, nullptr, nullptr, true, E_FAIL, "x", lock), vbPlugUpdateAllow);
    holder.onLoadPluginAsked(&holder, nullptr, true, lock);
    holder.onReloadConfig(&holder, nullptr, lock);
}

TEST(vbHotPlugCb, TheFirstLoadRequestIsDroppedUnlessAnotherEventCameFirst)
{
    struct Case {
        bool forwardFirstLoad;
        std::vector<std::string> sent;
        std::vector<std::string> forwarded;
    };
    const Case cases[] = {
        {false, {"load", "load"}, {"load"}},
        {false, {"error", "load"}, {"error", "load"}},
        {false, {"reload", "type load"}, {"type load"}},
        {false, {"progress", "reload"}, {"progress", "reload"}},
        {false, {"type error", "load"}, {"type error", "load"}},
        {true, {"load", "unload"}, {"load", "unload"}},
    };
    for (const Case& c : cases) {
        Handler handler;
        vbHotPlugCb holder(&handler, &handler, c.forwardFirstLoad, vbPlugUpdateAllow);
        for (const std::string& event : c.sent)
            send(holder, event);
        EXPECT_EQ(handler.events, c.forwarded) << c.sent.front() << " then " << c.sent.back();
    }
}

TEST(vbHotPlugCb, CapsAreAnsweredByTheObjectAndErrorsByTheHandler)
{
    Handler handler;
    vbHotPlugCb holder(&handler, &handler, true, vbPlugUpdateLater);
    IvbHotPlugCb* cb = holder;
    IvbHotPlugTypeCb* typeCb = holder;
    EXPECT_EQ(cb->OnGetPluginCaps(nullptr), vbPlugUpdateLater);
    EXPECT_EQ(typeCb->OnGetPluginCaps(nullptr, nullptr), vbPlugUpdateLater);
    EXPECT_TRUE(handler.events.empty()) << "the caps never reach the handler";

    EXPECT_EQ(cb->OnError(nullptr, false, E_FAIL, "x"), vbPlugUpdateLater);
    EXPECT_EQ(handler.events, std::vector<std::string>{"error"}) << "the handler gets the object's lock, held";
}

TEST(vbHotPlugCb, TheObjectAnswersItsFacesAndItsClassId)
{
    Handler handler;
    vbHotPlugCb holder(&handler, &handler, true, vbPlugUpdateAllow);
    IvbHotPlugCb* cb = holder;
    EXPECT_EQ(static_cast<IvbHotPlugTypeCb*>(holder), static_cast<IvbHotPlugTypeCb*>(holder)) << "created once";

    void* typeFace = nullptr;
    ASSERT_EQ(cb->QueryInterface(IID_IvbHotPlugTypeCb, &typeFace), S_OK);
    EXPECT_EQ(typeFace, static_cast<IvbHotPlugTypeCb*>(holder));
    static_cast<IvbHotPlugTypeCb*>(typeFace)->Release();
    void* none = nullptr;
    EXPECT_EQ(cb->QueryInterface(IID_sIvbPlugPtr, &none), E_NOINTERFACE);
    const void* self = nullptr;
    EXPECT_TRUE(cb->GetInterface(IID_vbHotPlugCbObject, &self));

    void* face = nullptr;
    EXPECT_TRUE(holder.GetInterface(IID_sIvbHotPlugTypeCb, &face));
    EXPECT_EQ(face, static_cast<sIvbHotPlugTypeCb*>(&holder));
}

TEST(vbHotPlugCb, AnObjectStillListedAfterDestroyCallsNothing)
{
    Handler handler;
    vbHotPlugCb holder(&handler, &handler, true, vbPlugUpdateAllow);
    IvbHotPlugCb* listed = holder;
    listed->AddRef();
    holder.Destroy();

    listed->OnUnloadPluginAsked(nullptr, true);
    listed->OnLoadPluginAsked(nullptr, true);
    EXPECT_EQ(listed->OnError(nullptr, false, E_FAIL, "x"), vbPlugUpdateAllow);
    EXPECT_TRUE(handler.events.empty());
    listed->Release();

    send(holder, "load");
    EXPECT_EQ(handler.events, std::vector<std::string>{"load"}) << "a new object after Destroy";
}

} // namespace
