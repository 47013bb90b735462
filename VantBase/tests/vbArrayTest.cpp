#include "vbArray.h"
#include "vbObjects.h"
#include "vbPtr.h"
#include "vbString.h"
#include "vbObjTestUtil.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using vbtest::catchVb;
using vbtest::expectEsys;

class vbEngine;

namespace {

std::vector<std::string> texts(const vbArray<vbString>& a)
{
    std::vector<std::string> out;
    for (int i = 1; i <= a.GetLength(); ++i)
        out.push_back(a[i].c_str());
    return out;
}

TEST(vbArray, PositionsRunFromOne)
{
    vbArray<int> a;
    a.Add(10);
    a.Add(20);
    EXPECT_EQ(a[1], 10);
    EXPECT_EQ(a[2], 20);
    expectEsys([&] { a[0]; }, E_INVALIDARG, "vbArray.operator[](0) failure, bad index");
    expectEsys([&] { a[3]; }, E_INVALIDARG, "vbArray.operator[](3) failure, bad index");
    const vbArray<int>& c = a;
    expectEsys([&] { c[0]; }, E_INVALIDARG, "vbArray.operator[](0) const failure, bad index");
    expectEsys([&] { a.Insert(4, 1); }, E_INVALIDARG, "vbArray.Insert(4,...) failure, bad index");
    expectEsys([&] { a.Insert(0, 1); }, E_INVALIDARG, "vbArray.Insert(0,...) failure, bad index");
    vbtest::Caught d = catchVb([&] { a.Delete(3); });
    EXPECT_EQ(static_cast<uint32_t>(d.hr), static_cast<uint32_t>(E_INVALIDARG));
    EXPECT_NE(d.msg.find("(3)"), std::string::npos);
    EXPECT_EQ(a.GetLength(), 2);
}

TEST(vbArray, InsertCopiesIntoTheFreedSlot)
{
    vbArray<vbString> a;
    {
        vbString x("x");
        a.Add(x);
    }
    {
        vbString y("y");
        a.Insert(1, y);
    }
    EXPECT_EQ(texts(a), (std::vector<std::string>{"y", "x"}));
    a.Insert(3, vbString("z"));
    a.Insert(2, vbString("m"));
    EXPECT_EQ(texts(a), (std::vector<std::string>{"y", "m", "x", "z"}));
    // An element of the array itself as the value.
    a.Insert(1, a[4]);
    a.Add(a[1]);
    EXPECT_EQ(texts(a), (std::vector<std::string>{"z", "y", "m", "x", "z", "z"}));
    a.Delete(2);
    a.Delete(5);
    EXPECT_EQ(texts(a), (std::vector<std::string>{"z", "m", "x", "z"}));

    vbArray<vbString> copy;
    copy = a;
    a.Empty();
    EXPECT_EQ(texts(copy), (std::vector<std::string>{"z", "m", "x", "z"}));
    const auto& same = copy;
    copy = same;
    EXPECT_EQ(copy.GetLength(), 4);
    copy = a;
    EXPECT_EQ(copy.GetLength(), 0);
}

class Counted : public vbObject {
public:
    explicit Counted(int* deleted) : m_deleted(deleted) {}

protected:
    ~Counted() override { ++*m_deleted; }

private:
    int* m_deleted;
};

TEST(vbArray, CountedPointersKeepExactCounts)
{
    typedef vbRefPtr<IvbObject, &IID_IvbObject> Ref;
    int deleted = 0;
    auto* a = new Counted(&deleted);
    auto* b = new Counted(&deleted);
    {
        vbArray<Ref> refs;
        refs.Add(Ref(a));
        refs.Insert(1, Ref(b));
        refs.Insert(2, Ref(a));
        EXPECT_EQ(a->GetRefCount(), 3);
        EXPECT_EQ(b->GetRefCount(), 2);
        EXPECT_EQ(refs[1].Get(), static_cast<IvbObject*>(b));
        refs.Delete(1);
        EXPECT_EQ(b->GetRefCount(), 1);
        refs.SetLength(1);
        EXPECT_EQ(a->GetRefCount(), 2);
        refs.SetLength(3);
        EXPECT_TRUE(refs[3].IsNull());
        vbArray<Ref> copy(refs);
        EXPECT_EQ(a->GetRefCount(), 3);
    }
    EXPECT_EQ(a->GetRefCount(), 1);
    a->Release();
    b->Release();
    EXPECT_EQ(deleted, 2);
}

TEST(vbArray, LengthAndBlockFollowTheElements)
{
    vbArray<int> a;
    a.SetLength(3);
    EXPECT_EQ(a.GetLength(), 3);
    EXPECT_EQ(a[2], 0);
    EXPECT_TRUE(vbGetMainHeap().IsValid(a.GetData()));
    int* block = a.GetData();
    a.SetLength(3);
    EXPECT_EQ(a.GetData(), block);
    EXPECT_EQ(a.AddEmpty(), 4);
    EXPECT_EQ(a[4], 0);
    for (int n : {0, -1}) {
        a.SetLength(2);
        a.SetLength(n);
        EXPECT_EQ(a.GetLength(), 0);
        EXPECT_EQ(a.GetData(), nullptr);
    }
    a.Add(5);
    a.Delete(1);
    EXPECT_EQ(a.GetLength(), 0);
    EXPECT_EQ(a.GetData(), nullptr);

    // A length whose bytes an int cannot hold is refused whole, in 64-bit arithmetic.
    a.Add(7);
    for (int n : {0x7FFFFFFF, 0x20000000}) {
        expectEsys([&] { a.SetLength(n); }, E_OUTOFMEMORY, "vbArray.SetLength() failure");
        EXPECT_EQ(a.GetLength(), 1);
        EXPECT_EQ(a[1], 7);
    }
}

TEST(vbArray, FindSortedGivesElementOrInsertionPosition)
{
    vbArray<int> a;
    for (int v : {10, 20, 30, 40})
        a.Add(v);
    auto cmp = [](const int* e, int key) { return *e - key; };
    struct Case {
        int key;
        bool found;
        int pos;
    } cases[] = {{10, true, 1}, {40, true, 4}, {30, true, 3}, {5, false, 1}, {25, false, 3}, {45, false, 5}};
    for (const Case& c : cases) {
        int pos = -1;
        const int* e = a.FindSorted<int>(c.key, cmp, &pos);
        EXPECT_EQ(e != nullptr, c.found) << c.key;
        EXPECT_EQ(pos, c.pos) << c.key;
        if (e) {
            EXPECT_EQ(*e, c.key);
        }
    }
    vbArray<int> empty;
    int pos = 0;
    EXPECT_EQ(empty.FindSorted<int>(3, cmp, &pos), nullptr);
    EXPECT_EQ(pos, 1);
    EXPECT_EQ(empty.FindSorted<int>(3, cmp, nullptr), nullptr);
}

struct Owned {
    explicit Owned(int* n) : count(n) { ++*count; }
    ~Owned() { --*count; }
    int* count;
};

TEST(vbPtrArray, DeletesWhatItOwns)
{
    int alive = 0;
    {
        vbPtrArray<Owned> owned;
        for (int i = 0; i < 4; ++i)
            owned.Add(new Owned(&alive));
        EXPECT_EQ(alive, 4);
        owned.Delete(2);
        EXPECT_EQ(alive, 3);
        owned.SetLength(2);
        EXPECT_EQ(alive, 2);
        // Growing gives empty entries.
        owned.SetLength(3);
        EXPECT_EQ(owned[3], nullptr);
    }
    EXPECT_EQ(alive, 0);
}

TEST(vbSArray, HoldsAtMostItsCapacity)
{
    vbEngine* engines[17];
    for (int i = 0; i < 17; ++i)
        engines[i] = reinterpret_cast<vbEngine*>(static_cast<uintptr_t>(0x1000 + i * 16));
    vbSArray<vbEngine*, 16> deps;
    deps.Add(engines, 16);
    EXPECT_EQ(deps.GetSize(), 16);
    EXPECT_EQ(deps[16], engines[15]);
    expectEsys([&] { deps.Add(engines[16]); }, E_FAIL,
        "vbSArray()::Add(sz=1, cur sz=16, sz max = 16) : sz too big");
    expectEsys([&] { deps.Add(engines, -1); }, E_FAIL,
        "vbSArray()::Add(sz=-1, cur sz=16, sz max = 16) : sz too big");
    EXPECT_EQ(deps.GetSize(), 16);

    vbSArray<vbEngine*, 16> two(2, engines[0], engines[1]);
    EXPECT_EQ(two.GetSize(), 2);
    EXPECT_EQ(two[2], engines[1]);
    expectEsys([&] { two.Init(engines, 17); }, E_FAIL, "vbSArray()::Init(sz=17, sz max = 16) : sz too big");
    EXPECT_EQ(two.GetSize(), 0);
}

} // namespace
