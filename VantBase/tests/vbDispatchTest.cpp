#include "vbActiveXFakes.h"
#include "vbTypesTestUtil.h"

#include "vbDispatch.h"

#include <gtest/gtest.h>

#include <string>

using vbfakes::Object;
using vbtypes::expectEsys;

namespace {

const char kNotPresent[] = "vbDispatch::Bind() : one or more names requested not present";

TEST(vbDispatch, NamePropertyBinderBindsToAnyObjectWithName)
{
    Object obj;
    obj.member("Name", 7, "first").member("Caption", 9);
    {
        vbDispatch binder(true);
        EXPECT_TRUE(binder.HasNameProperty());
        EXPECT_FALSE(binder.HasDispName());
        EXPECT_TRUE(binder.Bind(obj.disp()));
        EXPECT_EQ(obj.lastLcid, 0x800u);
        EXPECT_EQ(binder.GetDispatch(), obj.disp());
        EXPECT_EQ(binder.GetDispId("Name"), 7);
        EXPECT_EQ(binder.GetDispId(1), 7);
        EXPECT_FALSE(binder.HasDispName());
        EXPECT_EQ(std::string(binder.GetPropertyName().c_str()), "first");

        EXPECT_EQ(binder.AddDispName("Caption"), 2);
        EXPECT_TRUE(binder.HasDispName());
        // Resolved only by the next Bind.
        expectEsys([&] { binder.GetDispId("Caption"); }, E_INVALIDARG, "vbArray.operator[](2) const failure, bad index");
        EXPECT_TRUE(binder.Bind(obj.disp()));
        EXPECT_EQ(binder.GetDispId("Caption"), 9);
        EXPECT_EQ(obj.refs, 2u);
    }
    EXPECT_EQ(obj.refs, 1u);

    // Without the name property the first name added is a name of the caller's own.
    Object nameless;
    nameless.member("Caption", 3);
    vbDispatch plain(false);
    EXPECT_EQ(plain.AddDispName("Caption"), 1);
    EXPECT_TRUE(plain.HasDispName());
    EXPECT_TRUE(plain.Bind(nameless.disp()));
    vbDispatch named(true);
    EXPECT_FALSE(named.Bind(nameless.disp(), false));
    // An empty name is asked for as an empty text.
    vbDispatch empty(false);
    empty.AddDispName("");
    EXPECT_FALSE(empty.Bind(nameless.disp(), false));
    nameless.member("", 12);
    EXPECT_TRUE(empty.Bind(nameless.disp(), false));
    EXPECT_EQ(empty.GetDispId(""), 12);
}

TEST(vbDispatch, NamesRefusedTogetherAreAskedOneByOne)
{
    Object obj;
    obj.member("Name", 1).member("Value", 5).member("Font", 6);
    obj.oneAtATime = true;
    vbDispatch binder(true);
    binder.AddDispName("Value");
    binder.AddDispName("Font");
    EXPECT_TRUE(binder.Bind(obj.disp()));
    EXPECT_EQ(obj.getIdsCalls, 4);
    EXPECT_EQ(binder.GetDispId("Value"), 5);
    EXPECT_EQ(binder.GetDispId("Font"), 6);
    EXPECT_EQ(binder.GetDispId(1), 1);
}

TEST(vbDispatch, FailedBindKeepsTheFormerBinding)
{
    Object first;
    first.member("Name", 1).member("Value", 2);
    Object lacking;
    lacking.member("Name", 11);
    vbDispatch binder(true);
    binder.AddDispName("Value");
    ASSERT_TRUE(binder.Bind(first.disp()));

    expectEsys([&] { binder.Bind(lacking.disp(), true); }, E_FAIL, kNotPresent);
    EXPECT_FALSE(binder.Bind(lacking.disp(), false));
    // Asked all at once, then one at a time up to the missing one.
    EXPECT_EQ(lacking.getIdsCalls, 2 * 3);
    EXPECT_EQ(lacking.refs, 1u);
    EXPECT_EQ(binder.GetDispatch(), first.disp());
    EXPECT_EQ(binder.GetDispId("Value"), 2);

    expectEsys([&] { binder.Bind(static_cast<IDispatch*>(nullptr), true); }, E_FAIL, "vbDispatch::Bind() : pDisp null");
    EXPECT_FALSE(binder.Bind(static_cast<IDispatch*>(nullptr), false));
    EXPECT_EQ(binder.GetDispatch(), first.disp());
}

TEST(vbDispatch, BindThroughIUnknown)
{
    Object obj;
    obj.member("Name", 1);
    vbDispatch binder(obj.unk(), true);
    EXPECT_EQ(binder.GetDispatch(), obj.disp());
    EXPECT_EQ(obj.refs, 2u);

    vbfakes::Container notAutomation;
    EXPECT_FALSE(binder.Bind(static_cast<IUnknown*>(&notAutomation), false));
    expectEsys([&] { binder.Bind(static_cast<IUnknown*>(&notAutomation), true); }, E_NOINTERFACE,
        "Instruction 'pObj->QueryInterface(*piid, (void **)&m_pObj)' failed !");
    expectEsys([&] { binder.Bind(static_cast<IUnknown*>(nullptr), true); }, E_FAIL, "vbRefQIPtr() : pObj == NULL");
    EXPECT_FALSE(binder.Bind(static_cast<IUnknown*>(nullptr), false));
    EXPECT_EQ(binder.GetDispatch(), obj.disp());
    EXPECT_EQ(notAutomation.refs, 1u);
}

TEST(vbDispatch, LookupsOfMissingNamesAndUnboundBinders)
{
    Object obj;
    obj.member("Name", 1).member("Value", 2);
    vbDispatch binder(true);
    binder.AddDispName("Value");
    expectEsys([&] { binder.GetDispId("Name"); }, E_INVALIDARG, "vbArray.operator[](1) const failure, bad index");
    expectEsys([&] { binder.GetDispatch(); }, E_FAIL, "vbDispatch not set");
    expectEsys([&] { binder.GetPropertyName(); }, E_FAIL, "vbDispatch not set");

    ASSERT_TRUE(binder.Bind(obj.disp()));
    // Never added, or added in another case: the position after the last name.
    expectEsys([&] { binder.GetDispId("Other"); }, E_INVALIDARG, "vbArray.operator[](3) const failure, bad index");
    expectEsys([&] { binder.GetDispId("value"); }, E_INVALIDARG, "vbArray.operator[](3) const failure, bad index");
    expectEsys([&] { binder.GetDispId(0); }, E_INVALIDARG, "vbArray.operator[](0) const failure, bad index");

    // A binder without names binds to anything but has no member to ask.
    vbDispatch bare(false);
    ASSERT_TRUE(bare.Bind(obj.disp()));
    expectEsys([&] { bare.GetPropertyName(); }, E_INVALIDARG, "vbArray.operator[](1) const failure, bad index");
}

TEST(vbDispatch, PropertyNameIsTextOnly)
{
    Object obj;
    obj.member("Name", 4).member("Count", 5, nullptr).member("Missing", 6);
    struct Case {
        const char* member;
        const char* expected;
    } cases[] = {{"Name", ""}, {"Count", ""}};
    for (const Case& c : cases) {
        vbDispatch binder(false);
        binder.AddDispName(c.member);
        ASSERT_TRUE(binder.Bind(obj.disp()));
        EXPECT_EQ(std::string(binder.GetPropertyName().c_str()), c.expected) << c.member;
        EXPECT_EQ(obj.lastFlags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
        EXPECT_EQ(obj.lastLcid, 0x800u);
        EXPECT_EQ(obj.lastArgCount, 0);
    }
    obj.member("Title", 8, "Main");
    vbDispatch binder(false);
    binder.AddDispName("Title");
    ASSERT_TRUE(binder.Bind(obj.disp()));
    EXPECT_EQ(std::string(binder.GetPropertyName().c_str()), "Main");
}

TEST(vbDispatch, CopiesResetsAndEmpties)
{
    Object obj;
    obj.member("Name", 1).member("Value", 2);
    vbDispatch binder(true);
    binder.AddDispName("Value");
    ASSERT_TRUE(binder.Bind(obj.disp()));
    {
        vbDispatch copy(binder);
        EXPECT_EQ(obj.refs, 3u);
        EXPECT_EQ(copy.GetDispId("Value"), 2);
        EXPECT_TRUE(copy.HasNameProperty());
        vbDispatch assigned(false);
        assigned = copy;
        EXPECT_EQ(obj.refs, 4u);
        EXPECT_EQ(assigned.GetDispId(1), 1);

        copy.Reset();
        EXPECT_EQ(obj.refs, 3u);
        expectEsys([&] { copy.GetDispId("Value"); }, E_INVALIDARG, "vbArray.operator[](2) const failure, bad index");
        EXPECT_TRUE(copy.HasDispName());
        ASSERT_TRUE(copy.Bind(obj.disp()));
        EXPECT_EQ(copy.GetDispId("Value"), 2);

        assigned.Empty();
        EXPECT_FALSE(assigned.HasDispName());
        expectEsys([&] { assigned.GetDispatch(); }, E_FAIL, "vbDispatch not set");
    }
    EXPECT_EQ(obj.refs, 2u);
    // Changing the flag drops the names.
    binder.SetHasNameProperty(false);
    EXPECT_FALSE(binder.HasDispName());
    binder.AddDispName("Value");
    ASSERT_TRUE(binder.Bind(obj.disp()));
    EXPECT_EQ(binder.GetDispId(1), 2);
    binder.ClearDispName();
    EXPECT_FALSE(binder.HasDispName());
    EXPECT_EQ(binder.GetDispatch(), obj.disp());
}

TEST(vbControl, PairsControlAndExtenderBinders)
{
    Object extender;
    extender.member("Name", 1, "ctl1");
    Object control;
    control.member("Value", 3);
    vbControl pair;
    EXPECT_FALSE(pair.HasDispName());
    EXPECT_TRUE(pair.Ext().HasNameProperty());
    EXPECT_FALSE(pair.Ctl().HasNameProperty());
    pair.Ctl().AddDispName("Value");
    EXPECT_TRUE(pair.HasDispName());
    ASSERT_TRUE(pair.Ext().Bind(extender.disp()));
    ASSERT_TRUE(pair.Ctl().Bind(control.disp()));
    EXPECT_EQ(pair.GetCtrl(), control.disp());
    EXPECT_EQ(std::string(pair.GetCtrlName().c_str()), "ctl1");

    vbControl copy(pair);
    EXPECT_EQ(copy.GetCtrl(), control.disp());
    copy.Reset();
    expectEsys([&] { copy.GetCtrl(); }, E_FAIL, "vbDispatch not set");
    EXPECT_TRUE(copy.HasDispName());
    copy.ClearDispName();
    EXPECT_FALSE(copy.HasDispName());
    pair.Empty();
    EXPECT_FALSE(pair.HasDispName());
    EXPECT_EQ(extender.refs, 1u);
    EXPECT_EQ(control.refs, 1u);
}

} // namespace
