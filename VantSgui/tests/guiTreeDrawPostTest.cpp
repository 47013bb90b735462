#include "GuiTestBed.h"
#include "TreeTestKit.h"
#include "draw/guiTreeDrawPost.h"

#include <thread>
#include <vector>

namespace {

using gui::test::GuiTestBed;
using gui::test::MessageCounter;

class TreeDrawPost : public GuiTestBed {};

TEST_F(TreeDrawPost, RequestsBeforeTheMessageIsHandledShareOneMessage)
{
    MessageCounter counter(window->GetSafeHwnd());
    guiTreeDrawPost post(window.get());
    int recorded = 0;
    post.Request([&] { ++recorded; });
    post.Request([&] { ++recorded; });
    pump();
    EXPECT_EQ(recorded, 2);
    EXPECT_EQ(counter.count(guiTreeMsgPostedUpdate), 1);

    int taken = 0;
    EXPECT_TRUE(post.Take([&] { ++taken; }));
    EXPECT_FALSE(post.Take([&] { ++taken; }));
    EXPECT_EQ(taken, 1);

    // Once handled, the next request posts again.
    post.Request([] {});
    pump();
    EXPECT_EQ(counter.count(guiTreeMsgPostedUpdate), 2);
}

TEST_F(TreeDrawPost, RequestsFromWorkerThreadsPostOnce)
{
    MessageCounter counter(window->GetSafeHwnd());
    guiTreeDrawPost post(window.get());
    int recorded = 0;
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([&] {
            for (int i = 0; i < 200; ++i)
                post.Request([&] { ++recorded; });
        });
    for (std::thread& w : workers)
        w.join();
    pump();
    EXPECT_EQ(recorded, 800);
    EXPECT_EQ(counter.count(guiTreeMsgPostedUpdate), 1);
}

TEST_F(TreeDrawPost, StoppedQueuePostsNothing)
{
    MessageCounter counter(window->GetSafeHwnd());
    guiTreeDrawPost post(window.get());
    bool cleared = false;
    post.Stop([&] { cleared = true; });
    bool recorded = false;
    post.Request([&] { recorded = true; });
    pump();
    EXPECT_TRUE(cleared);
    EXPECT_FALSE(recorded);
    EXPECT_EQ(counter.count(guiTreeMsgPostedUpdate), 0);
}

struct Counted {
    static void remove(void* p) { delete static_cast<Counted*>(p); }
    explicit Counted(int& deletions) : deletions(deletions) {}
    ~Counted() { ++deletions; }
    int& deletions;
    guiTreeDrawLife life{this, &Counted::remove};
};

TEST(TreeDrawLife, DestroyInsideAnEntryDeletesWhenTheOutermostReturns)
{
    int deletions = 0;
    auto* engine = new Counted(deletions);
    {
        guiTreeDrawLife::Entry outer(engine->life);
        {
            guiTreeDrawLife::Entry inner(engine->life);
            EXPECT_FALSE(engine->life.MarkDestroyed());
        }
        EXPECT_EQ(deletions, 0);
        EXPECT_TRUE(engine->life.IsDestroyPending());
    }
    EXPECT_EQ(deletions, 1);

    auto* idle = new Counted(deletions);
    EXPECT_TRUE(idle->life.MarkDestroyed());
    delete idle;
    EXPECT_EQ(deletions, 2);
}

} // namespace

namespace {

struct FakeEngine : sIguiTreeAspectGet, sIguiTreeNodeDraw, sIvbPtrCb {
    void onAspectListChange(IguiTreeNode* node) override { aspectChanges.push_back(node); }
    void onPtrSignal(sIvbPtr*, int signal) override { signals.push_back(signal); }
    void onPtrLink(sIvbPtr*) override { ++links; }
    void onPtrUnlink(sIvbPtr*) override { ++unlinks; }

    std::vector<IguiTreeNode*> aspectChanges;
    std::vector<int> signals;
    int links = 0;
    int unlinks = 0;
};

class TreeRootLink : public gui::test::TreeTest {};

TEST_F(TreeRootLink, NodeReachesTheEngineAndItsNoticesArrive)
{
    FakeEngine engine;
    guiTreeNodePtr root = gui::test::makeNode("root");
    {
        guiTreeRootLink link(&engine, &engine, &engine);
        link.Set(root.Get());
        EXPECT_EQ(engine.links, 1);
        EXPECT_EQ(link.Peek(), static_cast<IguiTreeNode*>(root.Get()));

        void* face = nullptr;
        ASSERT_TRUE(link.GetInterface(IID_sIguiTreeNodeDraw, &face));
        EXPECT_EQ(face, static_cast<sIguiTreeNodeDraw*>(&engine));
        root->AspectListChange();
        ASSERT_EQ(engine.aspectChanges.size(), 1u);
        EXPECT_EQ(engine.aspectChanges[0], static_cast<IguiTreeNode*>(root.Get()));

        root->UpdateChildren();
        EXPECT_EQ(engine.signals, std::vector<int>{1});
        link.Set(nullptr);
        EXPECT_EQ(link.Peek(), nullptr);
    }
    // Detached: the node no longer knows the engine.
    root->AspectListChange();
    EXPECT_EQ(engine.aspectChanges.size(), 1u);
}

TEST_F(TreeRootLink, StatusTextFollowsTheLoadState)
{
    vbString text("unchanged");
    bool loaded = true;
    EXPECT_FALSE(guiTreeStatusText(nullptr, text, loaded));
    EXPECT_EQ(std::string(text), "unchanged");

    guiTreeNodePtr root = gui::test::makeNode("root");
    root->SetLoadState(false, false);
    ASSERT_TRUE(guiTreeStatusText(root.Get(), text, loaded));
    EXPECT_FALSE(loaded);
    EXPECT_EQ(std::string(text), "Loading...");

    root->SetLoadState(true, false);
    ASSERT_TRUE(guiTreeStatusText(root.Get(), text, loaded));
    EXPECT_TRUE(loaded);
    EXPECT_EQ(std::string(text), "");

    struct Case {
        ULONG code;
        const char* text;
    };
    for (Case c : {Case{0x80004005, "Error during download :\nno such file"}, Case{0x80004004, ""}}) {
        root->SetDnError(c.code, "no such file");
        ASSERT_TRUE(guiTreeStatusText(root.Get(), text, loaded));
        EXPECT_EQ(std::string(text), c.text);
    }
}

} // namespace
