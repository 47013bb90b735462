#include "vbActiveXFakes.h"
#include "vbTypesTestUtil.h"

#include "vbActiveX.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using vbfakes::Container;
using vbfakes::Object;
using vbfakes::Site;
using vbtypes::expectEsys;

namespace {

const char kNotStarted[] = "vbActiveXenum not started";

// A container's objects: controls without IOleObject (their own extender), OLE controls behind a
// site with an extender, and objects the walk must pass over.
class ActiveXContainer : public ::testing::Test {
protected:
    // A control that is its own extender.
    Object& plain(const char* name, bool withValue = true)
    {
        Object& o = add(false);
        if (name)
            o.member("Name", 1, name);
        if (withValue)
            o.member("Value", 2);
        return o;
    }

    // An OLE control behind a site whose extender has the name.
    Object& ole(const char* name, bool withValue = true, bool controlSite = true)
    {
        Object& extender = make(false);
        if (name)
            extender.member("Name", 1, name);
        Object& control = add(true);
        if (withValue)
            control.member("Value", 7);
        m_sites.push_back(std::make_unique<Site>(extender.disp(), controlSite));
        control.site = m_sites.back().get();
        m_sites.back()->container = &container;
        return control;
    }

    Object& add(bool withOle)
    {
        Object& o = make(withOle);
        container.objects.push_back(o.unk());
        return o;
    }

    Object& make(bool withOle)
    {
        m_objects.push_back(std::make_unique<Object>(withOle));
        return *m_objects.back();
    }

    // Every reference handed out was given back.
    void expectAllReleased()
    {
        for (const auto& o : m_objects)
            EXPECT_EQ(o->refs, 1u);
        for (const auto& s : m_sites)
            EXPECT_EQ(s->refs, 1u);
        EXPECT_EQ(container.refs, 1u);
    }

    std::vector<std::string> walk(vbActiveXenum& en)
    {
        std::vector<std::string> names;
        while (en.Next())
            names.emplace_back(en.GetCtrlName().c_str());
        return names;
    }

    std::vector<std::unique_ptr<Object>> m_objects;
    std::vector<std::unique_ptr<Site>> m_sites;
    Container container;
};

TEST_F(ActiveXContainer, NextStopsAtControlsWhoseNamesBind)
{
    Object& a = plain("a");
    plain(nullptr);
    Object& b = ole("b");
    ole("noValue", false);
    Object& noSite = ole("noSite");
    noSite.site = nullptr;
    ole("notControlSite", true, false);
    plain("plainNoValue", false);
    Object& last = ole("B");
    {
        vbActiveXenum en;
        expectEsys([&] { en.Next(); }, E_FAIL, kNotStarted);
        en.Ctl().AddDispName("Value");
        ASSERT_TRUE(en.Start(&container, OLECONTF_EMBEDDINGS));
        EXPECT_EQ(container.lastFlags, static_cast<DWORD>(OLECONTF_EMBEDDINGS));

        vbDispatchPtr ctrl;
        ASSERT_TRUE(en.Next(&ctrl));
        EXPECT_EQ(ctrl.Get(), a.disp());
        EXPECT_EQ(std::string(en.GetCtrlName().c_str()), "a");
        ASSERT_TRUE(en.Next(&ctrl));
        // The control's own dispatch, not its extender's.
        EXPECT_EQ(ctrl.Get(), b.disp());
        EXPECT_EQ(en.GetCtrl(), b.disp());
        EXPECT_EQ(en.Ctl().GetDispId("Value"), 7);
        ASSERT_TRUE(en.Next(&ctrl));
        EXPECT_EQ(ctrl.Get(), last.disp());
        EXPECT_FALSE(en.Next(&ctrl));
        EXPECT_FALSE(en.Next());

        en.Reset();
        EXPECT_EQ(walk(en), (std::vector<std::string>{"a", "b", "B"}));

        // Without names of its own the control binder takes any dispatch.
        vbActiveXenum any;
        ASSERT_TRUE(any.Start(&container, 0));
        EXPECT_EQ(walk(any), (std::vector<std::string>{"a", "b", "noValue", "plainNoValue", "B"}));
    }
    expectAllReleased();
}

TEST_F(ActiveXContainer, ExtendersWithoutNameEndTheWalkAtOnce)
{
    plain(nullptr);
    ole(nullptr);
    ole(nullptr, false);
    vbActiveXenum en;
    ASSERT_TRUE(en.Start(&container, 0));
    EXPECT_FALSE(en.Next());
    EXPECT_EQ(container.nextCalls, 4);
    en.Empty();
    expectAllReleased();
}

TEST_F(ActiveXContainer, StartFailuresAnswerFalse)
{
    ole("b");
    Site orphan(nullptr);
    {
        vbActiveXenum en;
        EXPECT_FALSE(en.Start(&orphan, 0));
        EXPECT_FALSE(en.Start(static_cast<IOleClientSite*>(nullptr), 0));
        EXPECT_FALSE(en.Start(static_cast<IOleContainer*>(nullptr), 0));
        container.failEnum = true;
        EXPECT_FALSE(en.Start(m_sites[0].get(), 0));
        expectEsys([&] { en.Next(); }, E_FAIL, kNotStarted);
        expectEsys([&] { en.Reset(); }, E_FAIL, kNotStarted);
        expectEsys([&] { en.Find("b"); }, E_FAIL, kNotStarted);
        container.failEnum = false;
        ASSERT_TRUE(en.Start(m_sites[0].get(), OLECONTF_ONLYUSER));
        EXPECT_EQ(container.lastFlags, static_cast<DWORD>(OLECONTF_ONLYUSER));
        EXPECT_EQ(walk(en), (std::vector<std::string>{"b"}));
    }
    expectAllReleased();
}

TEST_F(ActiveXContainer, FindIsExactAndCaseSensitive)
{
    plain("a");
    Object& b = ole("b");
    Object& upper = ole("B");
    {
        vbActiveXenum en;
        ASSERT_TRUE(en.Start(&container, 0));
        vbDispatchPtr ctrl;
        ASSERT_TRUE(en.Find("B", &ctrl));
        EXPECT_EQ(ctrl.Get(), upper.disp());
        ctrl.Release();
        ASSERT_TRUE(en.Find("b", &ctrl));
        EXPECT_EQ(ctrl.Get(), b.disp());
        // From where the walk stands.
        EXPECT_FALSE(en.Find("b", nullptr, false));
        EXPECT_FALSE(en.Find("", nullptr, true));
        EXPECT_FALSE(en.Find("bb"));
        EXPECT_TRUE(en.Find("a"));
    }
    expectAllReleased();
}

TEST_F(ActiveXContainer, AssignedEnumeratorWalksOnItsOwn)
{
    plain("a");
    ole("b");
    ole("c");
    {
        vbActiveXenum en;
        en.Ctl().AddDispName("Value");
        ASSERT_TRUE(en.Start(&container, 0));
        ASSERT_TRUE(en.Next());
        vbActiveXenum copy(en);
        EXPECT_EQ(std::string(copy.GetCtrlName().c_str()), "a");
        EXPECT_EQ(walk(en), (std::vector<std::string>{"b", "c"}));
        EXPECT_EQ(walk(copy), (std::vector<std::string>{"b", "c"}));
        copy.Reset();
        EXPECT_EQ(walk(copy), (std::vector<std::string>{"a", "b", "c"}));

        // An enumerator of its own is not overwritten.
        expectEsys([&] { copy = en; }, E_FAIL, "T** vbRefPtr()::Addr(), pointer is not NULL !");
        vbActiveXenum unstarted;
        copy.FreePtrs();
        copy = unstarted;
        expectEsys([&] { copy.Next(); }, E_FAIL, kNotStarted);
        en.FreeCtrl();
        expectEsys([&] { en.GetCtrl(); }, E_FAIL, "vbDispatch not set");
        en.Reset();
        EXPECT_TRUE(en.Next());
    }
    expectAllReleased();
}

TEST_F(ActiveXContainer, FillListsTheNamedControls)
{
    plain("first");
    ole("");
    Object& second = ole("second");
    plain("third");
    {
        vbActiveXlist list;
        expectEsys([&] { list.Fill(); }, E_FAIL, kNotStarted);
        ASSERT_TRUE(list.Start(&container, 0));
        CStringArray names;
        names.Add("before");
        CDWordArray indexes;
        indexes.Add(99);
        ASSERT_TRUE(list.Fill(&names, &indexes, false));
        EXPECT_EQ(list.GetCount(), 3);
        ASSERT_EQ(names.GetSize(), 4);
        EXPECT_EQ(std::string(names[1]), "first");
        EXPECT_EQ(std::string(names[2]), "second");
        EXPECT_EQ(std::string(names[3]), "third");
        ASSERT_EQ(indexes.GetSize(), 4);
        EXPECT_EQ(indexes[1], 1u);
        EXPECT_EQ(indexes[3], 3u);
        // The binders are let go of; the enumerator stays.
        expectEsys([&] { list.GetCtrl(); }, E_FAIL, "vbDispatch not set");

        vbString name;
        vbDispatchPtr ctrl;
        int calls = container.nextCalls;
        EXPECT_FALSE(list.GetCtrl(0, &name, &ctrl));
        EXPECT_FALSE(list.GetCtrl(4, &name, &ctrl));
        EXPECT_EQ(container.nextCalls, calls);
        EXPECT_TRUE(name.IsEmpty());
        ASSERT_TRUE(list.GetCtrl(2, &name, &ctrl));
        EXPECT_EQ(std::string(name.c_str()), "second");
        EXPECT_EQ(ctrl.Get(), second.disp());
        ctrl.Release();
        ASSERT_TRUE(list.GetCtrl(3, &name, nullptr));
        EXPECT_EQ(std::string(name.c_str()), "third");

        vbActiveXlist copy(list);
        EXPECT_EQ(copy.GetCount(), 3);
        list.Reset();
        EXPECT_EQ(list.GetCount(), 0);
        EXPECT_EQ(copy.GetCount(), 3);

        // With bFreePtrs the enumerator goes too.
        ASSERT_TRUE(list.Fill());
        expectEsys([&] { list.Next(); }, E_FAIL, kNotStarted);
        EXPECT_EQ(list.GetCount(), 3);
        list.Empty();
        EXPECT_EQ(list.GetCount(), 0);
        copy.Empty();
    }
    expectAllReleased();
}

TEST_F(ActiveXContainer, FillOfEmptyNamesLeavesTheArraysAlone)
{
    plain("");
    ole("");
    vbActiveXlist list;
    ASSERT_TRUE(list.Start(&container, 0));
    CStringArray names;
    CDWordArray indexes;
    EXPECT_FALSE(list.Fill(&names, &indexes, true));
    EXPECT_EQ(names.GetSize(), 0);
    EXPECT_EQ(indexes.GetSize(), 0);
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_FALSE(list.GetCtrl(1, nullptr, nullptr));
    expectAllReleased();
}

TEST_F(ActiveXContainer, FillLetsGoWhenAnExceptionPasses)
{
    plain("a");
    container.failReset = true;
    {
        vbActiveXlist list;
        ASSERT_TRUE(list.Start(&container, 0));
        expectEsys([&] { list.Fill(nullptr, nullptr, true); }, E_UNEXPECTED, "Instruction 'm_prEnum->Reset()' failed !");
        expectEsys([&] { list.Next(); }, E_FAIL, kNotStarted);

        ASSERT_TRUE(list.Start(&container, 0));
        ASSERT_TRUE(list.Next());
        expectEsys([&] { list.Fill(nullptr, nullptr, false); }, E_UNEXPECTED, "Instruction 'm_prEnum->Reset()' failed !");
        // The binders are reset, the enumerator kept.
        expectEsys([&] { list.GetCtrl(); }, E_FAIL, "vbDispatch not set");
        EXPECT_FALSE(list.Next());
    }
    expectAllReleased();
}

} // namespace
