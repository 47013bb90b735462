#include "PicTestKit.h"

#include "plat/afxwin.h"
#include "plat/controls.h"
#include "plat/window.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using namespace pic::test;

namespace {

// A combo box window, as the property pages hold them.
class Combo : public CWnd {
public:
    Combo()
    {
        HWND hwnd = CreateWindowExA(0, "ComboBox", "", WS_POPUP | CBS_DROPDOWNLIST | WS_VSCROLL, 0, 0, 160, 200, nullptr,
            nullptr, nullptr, nullptr);
        Attach(hwnd);
    }
    ~Combo() override
    {
        HWND hwnd = Detach();
        ::DestroyWindow(hwnd);
    }

    std::vector<std::string> entries()
    {
        std::vector<std::string> texts;
        char buffer[64];
        const int count = static_cast<int>(SendMessage(CB_GETCOUNT));
        for (int i = 0; i < count; ++i) {
            SendMessage(CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer));
            texts.push_back(buffer);
        }
        return texts;
    }
    int selection() { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    void choose(int entry) { SendMessage(CB_SETCURSEL, static_cast<WPARAM>(entry)); }
};

const std::vector<std::string> kBuiltins = {
    "Gray scale filter", "Simple RED filter", "Simple GREEN filter", "Simple BLUE filter", "------------------"};

std::vector<std::string> withBuiltins(std::vector<std::string> filters)
{
    std::vector<std::string> all = kBuiltins;
    all.insert(all.end(), filters.begin(), filters.end());
    return all;
}

// The tree of the main window: its root, the projects list, a folder, and filters.
class PicFilterDirectory : public PicTest {
protected:
    void SetUp() override
    {
        PicTest::SetUp();
        picSetChangeCounts({});
        treeRoot = makeNode("tree", "tree-");
        projects = makeNode("root", "root-");
        folder = makeNode("folder", "fld-");
        attach(treeRoot, projects);
        attach(projects, folder);
        // The two filters of one text are named 9 and 10: the name order is that of texts.
        picSetChangeCounts({0, 8, 0});
        red9 = addFilter(projects, "Red");
        red10 = addFilter(folder, "red");
        blue = addFilter(projects, "Blue");
        wnd.directory.SetTreeRoot(treeRoot);
    }
    void TearDown() override
    {
        wnd.directory.SetTreeRoot(nullptr);
        PicTest::TearDown();
    }

    TestNodePtr addFilter(picNode* parent, const char* text)
    {
        TestNodePtr filter = makeNode("filter", "flt-");
        filter->SetText(text);
        attach(parent, filter);
        return filter;
    }
    picChannelFilter holderOf(const char* key)
    {
        picChannelFilter holder;
        holder.SetKey(key);
        return holder;
    }

    TestNodePtr treeRoot, projects, folder, red9, red10, blue;
};

} // namespace

TEST_F(PicFilterDirectory, AComboListsTheBuiltinsThenTheFiltersByTextThenName)
{
    EXPECT_EQ(std::string(red9->GetName()), "flt-9");
    EXPECT_EQ(std::string(red10->GetName()), "flt-10");
    Combo combo;
    picChannelFilter holder;
    wnd.fillFilterCombo(combo, holder);
    EXPECT_EQ(combo.entries(), withBuiltins({"Blue", "red", "Red"}));
    // A second fill starts again.
    wnd.fillFilterCombo(combo, holder);
    EXPECT_EQ(combo.entries().size(), 8u);
    EXPECT_TRUE(wnd.isFilterListValid());
}

TEST_F(PicFilterDirectory, TheHoldersKeyChoosesTheEntry)
{
    struct Case {
        vbString key;
        int entry;
    };
    const Case cases[] = {
        {"", 4},
        {"!gray", 0},
        {"!blue", 3},
        {"!hidden", 4},
        {"!foo", -1},
        {red9->GetPath(), 7},
        {red10->GetPath(), 6},
        {"tree-1\\root-2\\nothing", 4}, // a filter that is gone gives no light, as the separator
    };
    for (const Case& c : cases) {
        Combo combo;
        picChannelFilter holder = holderOf(c.key);
        wnd.fillFilterCombo(combo, holder);
        EXPECT_EQ(combo.selection(), c.entry) << c.key;
    }
}

TEST_F(PicFilterDirectory, ReadingAComboStoresItsKey)
{
    Combo combo;
    picChannelFilter holder = holderOf("!red");
    wnd.fillFilterCombo(combo, holder);

    combo.choose(-1);
    EXPECT_TRUE(wnd.readFilterCombo(combo, holder));
    EXPECT_EQ(std::string(holder.GetKey()), "");
    EXPECT_FALSE(wnd.readFilterCombo(combo, holder));

    combo.choose(0);
    EXPECT_TRUE(wnd.readFilterCombo(combo, holder));
    EXPECT_EQ(std::string(holder.GetKey()), "!gray");

    combo.choose(6);
    EXPECT_TRUE(wnd.readFilterCombo(combo, holder));
    EXPECT_EQ(holder.GetKey(), red10->GetPath());
    EXPECT_TRUE(holder.IsLinkedTo(red10));
    EXPECT_FALSE(wnd.readFilterCombo(combo, holder));

    combo.choose(2);
    EXPECT_TRUE(wnd.readFilterCombo(combo, holder));
    EXPECT_EQ(std::string(holder.GetKey()), "!green");
    EXPECT_FALSE(holder.IsLinkedTo(red10));
}

TEST_F(PicFilterDirectory, AComboReadsTheFilterItShowedAfterARebuild)
{
    Combo combo;
    picChannelFilter holder;
    wnd.fillFilterCombo(combo, holder);
    // A filter that sorts first arrives and the list is rebuilt by another page.
    TestNodePtr first = makeNode("filter", "flt-");
    first->SetText("Aqua");
    folder->AddAndShow(&wnd, first);
    Combo other;
    wnd.fillFilterCombo(other, holder);
    EXPECT_EQ(other.entries(), withBuiltins({"Aqua", "Blue", "red", "Red"}));

    combo.choose(5);
    EXPECT_TRUE(wnd.readFilterCombo(combo, holder));
    EXPECT_TRUE(holder.IsLinkedTo(blue));
    EXPECT_EQ(holder.GetKey(), blue->GetPath());

    // A filter destroyed since the fill reads as no choice.
    combo.choose(7);
    red9->Destroy();
    EXPECT_TRUE(wnd.readFilterCombo(combo, holder));
    EXPECT_EQ(std::string(holder.GetKey()), "");
}

TEST_F(PicFilterDirectory, AFilterAddedUnderAFolderIsListed)
{
    Combo combo;
    picChannelFilter holder;
    wnd.fillFilterCombo(combo, holder);
    TestNodePtr added = makeNode("filter", "flt-");
    added->SetText("Green");
    folder->AddAndShow(&wnd, added);
    wnd.fillFilterCombo(combo, holder);
    EXPECT_EQ(combo.entries(), withBuiltins({"Blue", "Green", "red", "Red"}));
}

TEST_F(PicFilterDirectory, ResolvingAKey)
{
    picNodePtr found;
    picChannelFilter byPath = holderOf(red10->GetPath());
    ASSERT_TRUE(wnd.resolveFilterNode(byPath, &found));
    EXPECT_EQ(found.Get(), static_cast<picNode*>(red10.Get()));
    EXPECT_TRUE(byPath.IsLinkedTo(red10));

    std::string upper(red10->GetPath());
    for (char& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    picChannelFilter capitals = holderOf(upper.c_str());
    found.Release();
    ASSERT_TRUE(wnd.resolveFilterNode(capitals, &found));
    EXPECT_EQ(found.Get(), static_cast<picNode*>(red10.Get()));

    // Another key resolves again.
    capitals.SetKey(red9->GetPath());
    found.Release();
    ASSERT_TRUE(wnd.resolveFilterNode(capitals, &found));
    EXPECT_EQ(found.Get(), static_cast<picNode*>(red9.Get()));

    picChannelFilter notAFilter = holderOf(folder->GetPath());
    EXPECT_FALSE(wnd.resolveFilterNode(notAFilter, &found));

    // A built-in key lets go of the filter the holder was linked to.
    byPath.SetKey("!red");
    EXPECT_FALSE(wnd.resolveFilterNode(byPath, &found));
    EXPECT_FALSE(byPath.IsLinkedTo(red10));
}

TEST_F(PicFilterDirectory, WithoutAMainWindowNothingResolves)
{
    picChannelFilter holder = holderOf(red9->GetPath());
    picNodePtr found;
    EXPECT_EQ(picGetMainProgress(), nullptr);
    ASSERT_TRUE(picResolveFilterNode(holder, &found));
    EXPECT_EQ(found.Get(), static_cast<picNode*>(red9.Get()));
    picSetMainWnd(nullptr);
    holder.Unlink();
    found.Release();
    EXPECT_FALSE(picResolveFilterNode(holder, &found));
    EXPECT_EQ(picGetMainProgress(), nullptr);
}

TEST_F(PicFilterDirectory, APrefixOfMoreThanFourCharactersFindsAFilter)
{
    TestNodePtr a = addFilter(folder, "Filter A");
    TestNodePtr b = addFilter(folder, "Filtre B");
    wnd.invalidateFilterList();
    picNodePtr found;
    ASSERT_TRUE(wnd.findFilterByPrefix("Filtr", &found));
    EXPECT_EQ(found.Get(), static_cast<picNode*>(b.Get()));
    found.Release();
    EXPECT_TRUE(wnd.findFilterByPrefix("Filter A and more", &found));
    EXPECT_EQ(found.Get(), static_cast<picNode*>(a.Get()));
    EXPECT_FALSE(wnd.findFilterByPrefix("Filt", nullptr));
    EXPECT_FALSE(wnd.findFilterByPrefix("filtre", nullptr));
}

TEST_F(PicFilterDirectory, ResolvingWhileTheListIsRebuiltOnAnotherThread)
{
    std::atomic<bool> stop{false};
    std::atomic<int> rebuilds{0};
    std::thread rebuilder([&] {
        while (!stop) {
            wnd.invalidateFilterList();
            wnd.directory.GetFilters();
            ++rebuilds;
        }
    });
    const vbString path = red10->GetPath();
    int wrong = 0;
    for (int i = 0; i < 300 || rebuilds < 10; ++i) {
        picChannelFilter holder = holderOf(path);
        picNodePtr found;
        if (!picResolveFilterNode(holder, &found) || found.Get() != static_cast<picNode*>(red10.Get()))
            ++wrong;
    }
    stop = true;
    rebuilder.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(wnd.directory.GetFilters().size(), 3u);
}
