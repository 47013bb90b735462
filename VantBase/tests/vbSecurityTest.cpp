#include "vbSecurity.h"
#include "vbObjTestUtil.h"

#include "plat/handles.h"
#include "plat/sync.h"
#include "plat/system.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using vbtest::Caught;
using vbtest::expectEsys;

namespace {

std::string currentUser()
{
    char name[256];
    DWORD size = sizeof name;
    EXPECT_TRUE(GetUserNameA(name, &size));
    return name;
}

struct Entry {
    BYTE type;
    DWORD mask;
    std::vector<BYTE> sid;
    bool operator==(const Entry&) const = default;
};

std::vector<BYTE> sidBytes(PSID sid) { return {static_cast<BYTE*>(sid), static_cast<BYTE*>(sid) + GetLengthSid(sid)}; }

std::vector<BYTE> sidOf(const char* account)
{
    vbSidData sid;
    vbSecurity::GetUserOrGrpSID(account, sid);
    return sidBytes(sid.GetPtr());
}

// The entries of the descriptor's DACL, in order; present tells whether it has one at all.
std::vector<Entry> daclOf(SECURITY_DESCRIPTOR* sd, bool* isNull = nullptr)
{
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    EXPECT_TRUE(GetSecurityDescriptorDacl(sd, &present, &acl, &defaulted));
    if (isNull)
        *isNull = present && !acl;
    std::vector<Entry> entries;
    for (DWORD i = 0; acl && i < acl->AceCount; ++i) {
        void* p = nullptr;
        EXPECT_TRUE(GetAce(acl, i, &p));
        auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(p);
        entries.push_back({ace->Header.AceType, ace->Mask, sidBytes(&ace->SidStart)});
    }
    return entries;
}

TEST(vbSecurityTest, DefaultAttributesCarryAnOpenDescriptorUntilAnAccountIsAllowed)
{
    vbSecurityAttr attr;
    SECURITY_ATTRIBUTES* record = &attr;
    EXPECT_EQ(record->nLength, sizeof(SECURITY_ATTRIBUTES));
    EXPECT_FALSE(record->bInheritHandle);
    ASSERT_NE(record->lpSecurityDescriptor, nullptr);
    auto* sd = static_cast<SECURITY_DESCRIPTOR*>(record->lpSecurityDescriptor);
    bool isNull = false;
    EXPECT_TRUE(daclOf(sd, &isNull).empty());
    EXPECT_TRUE(isNull);
    EXPECT_TRUE(attr.GetSecurity().Check(true));

    const std::string user = currentUser();
    attr.Allow(user.c_str(), GENERIC_READ);
    EXPECT_EQ(record->lpSecurityDescriptor, static_cast<SECURITY_DESCRIPTOR*>(attr));
    std::vector<Entry> expected{{ACCESS_ALLOWED_ACE_TYPE, GENERIC_READ, sidOf(user.c_str())}};
    EXPECT_EQ(daclOf(static_cast<SECURITY_DESCRIPTOR*>(record->lpSecurityDescriptor), &isNull), expected);
    EXPECT_FALSE(isNull);

    // Type 0 carries no descriptor, type 1 one without DACL; both still pass as attributes.
    attr.Initialize(vbSecurityTypeNone, true);
    EXPECT_EQ(record->lpSecurityDescriptor, nullptr);
    EXPECT_TRUE(attr.GetInherit());
    EXPECT_FALSE(attr.GetSecurity().Check(false));
    expectEsys([&] { attr.GetSecurity().Check(true); }, E_FAIL, "vbSecurity::Check() : security descriptor is empty");
    expectEsys([&] { attr.Allow("Everyone", 1); }, E_FAIL, "vbSecurity::Allow() : security descriptor is empty");
    expectEsys([&] { attr.Remove("Everyone"); }, E_FAIL, "vbSecurity::Remove() : security descriptor or DACL is empty");
    attr.Initialize(vbSecurityTypeNoDacl, false);
    BOOL present = TRUE, defaulted = FALSE;
    PACL acl = nullptr;
    ASSERT_NE(record->lpSecurityDescriptor, nullptr);
    EXPECT_TRUE(GetSecurityDescriptorDacl(record->lpSecurityDescriptor, &present, &acl, &defaulted));
    EXPECT_FALSE(present);

    // A named object takes the record as it is.
    HANDLE mutex = CreateMutexA(&attr, FALSE, "vbSecurityTest.mutex");
    ASSERT_NE(mutex, nullptr);
    CloseHandle(mutex);
}

TEST(vbSecurityTest, EntriesGoLastAndRemoveTakesEveryEntryOfTheAccount)
{
    const std::string user = currentUser();
    const char* a = user.c_str();
    const std::vector<BYTE> me = sidOf(a), everyone = sidOf("Everyone");
    vbSecurity sec;
    sec.Allow(a, 1);
    sec.Deny("Everyone", 2);
    sec.Allow(a, 4);
    sec.Allow(a, 8);
    sec.Allow("Everyone", 16);
    std::vector<Entry> all{{ACCESS_ALLOWED_ACE_TYPE, 1, me}, {ACCESS_DENIED_ACE_TYPE, 2, everyone},
        {ACCESS_ALLOWED_ACE_TYPE, 4, me}, {ACCESS_ALLOWED_ACE_TYPE, 8, me}, {ACCESS_ALLOWED_ACE_TYPE, 16, everyone}};
    EXPECT_EQ(daclOf(sec), all);

    // Two neighbours and a third further on all go.
    EXPECT_EQ(sec.Remove(a), 3);
    std::vector<Entry> left{{ACCESS_DENIED_ACE_TYPE, 2, everyone}, {ACCESS_ALLOWED_ACE_TYPE, 16, everyone}};
    EXPECT_EQ(daclOf(sec), left);
    EXPECT_EQ(sec.Remove(a), 0);
    EXPECT_EQ(daclOf(sec), left);
    EXPECT_TRUE(sec.Check(true));

    Caught unknown = vbtest::catchVb([&] { sec.Allow("no-such-account-anywhere", 1); });
    EXPECT_TRUE(unknown.thrown);
    EXPECT_EQ(unknown.msg, "vbSecurity::GetUserOrGrpSID() : LookupAccountName failure (getting size)");
    EXPECT_EQ(daclOf(sec), left);
}

TEST(vbSecurityTest, CopiesKeepTheKindOfEveryEntry)
{
    const std::vector<BYTE> me = sidOf(currentUser().c_str()), everyone = sidOf("Everyone");
    // A source built by hand: an allowed and a denied entry in the DACL, an audit entry in the
    // SACL, owner and group.
    vbSecurity source(vbSecurityTypeNoDacl);
    source.Allow(currentUser().c_str(), GENERIC_ALL);
    source.Deny("Everyone", GENERIC_WRITE);
    alignas(8) BYTE saclBytes[128] = {};
    auto* sacl = reinterpret_cast<PACL>(saclBytes);
    ASSERT_TRUE(InitializeAcl(sacl, sizeof saclBytes, ACL_REVISION));
    alignas(4) BYTE audit[64] = {};
    auto* ace = reinterpret_cast<SYSTEM_AUDIT_ACE*>(audit);
    ace->Header = {SYSTEM_AUDIT_ACE_TYPE, FAILED_ACCESS_ACE_FLAG, WORD(8 + everyone.size())};
    ace->Mask = GENERIC_READ;
    std::copy(everyone.begin(), everyone.end(), reinterpret_cast<BYTE*>(&ace->SidStart));
    ASSERT_TRUE(AddAce(sacl, ACL_REVISION, MAXDWORD, audit, ace->Header.AceSize));
    SECURITY_DESCRIPTOR* sd = source;
    ASSERT_TRUE(SetSecurityDescriptorSacl(sd, TRUE, sacl, FALSE));
    source.SetProcessUserAndGrp(true);

    const std::vector<Entry> dacl{{ACCESS_ALLOWED_ACE_TYPE, GENERIC_ALL, me}, {ACCESS_DENIED_ACE_TYPE, GENERIC_WRITE, everyone}};
    auto check = [&](const vbSecurity& copy) {
        SECURITY_DESCRIPTOR* c = copy;
        ASSERT_NE(c, sd);
        EXPECT_EQ(daclOf(c), dacl);
        BOOL present = FALSE, defaulted = TRUE;
        PACL copied = nullptr;
        ASSERT_TRUE(GetSecurityDescriptorSacl(c, &present, &copied, &defaulted));
        ASSERT_TRUE(present && copied);
        EXPECT_NE(copied, sacl);
        EXPECT_EQ(copied->AceCount, 1);
        void* p = nullptr;
        ASSERT_TRUE(GetAce(copied, 0, &p));
        EXPECT_EQ(static_cast<ACE_HEADER*>(p)->AceType, SYSTEM_AUDIT_ACE_TYPE);
        EXPECT_EQ(static_cast<ACE_HEADER*>(p)->AceFlags, FAILED_ACCESS_ACE_FLAG);
        vbSidData owner, group, expectedGroup;
        EXPECT_TRUE(copy.GetUser(owner));
        EXPECT_TRUE(copy.GetGroup(group));
        EXPECT_EQ(sidBytes(owner.GetPtr()), me);
        vbSecurity::GetProcessSids(nullptr, &expectedGroup, true);
        EXPECT_EQ(sidBytes(group.GetPtr()), sidBytes(expectedGroup.GetPtr()));
        EXPECT_TRUE(copy.Check(true));
    };
    vbSecurity byPointer(static_cast<const SECURITY_DESCRIPTOR*>(sd));
    check(byPointer);
    vbSecurity copied(source);
    check(copied);
    vbSecurity assigned;
    assigned = source;
    check(assigned);
    const vbSecurity& same = assigned;
    assigned = same;
    check(assigned);
    vbSecurityAttr attr(source, true);
    vbSecurityAttr attrCopy(attr);
    EXPECT_TRUE(attrCopy.GetInherit());
    check(attrCopy.GetSecurity());
    EXPECT_EQ(attrCopy.lpSecurityDescriptor, static_cast<SECURITY_DESCRIPTOR*>(attrCopy.GetSecurity()));
    vbSecurityAttr attrAssigned(vbSecurityTypeNone);
    attrAssigned = attr;
    check(attrAssigned.GetSecurity());
    EXPECT_EQ(attrAssigned.lpSecurityDescriptor, static_cast<SECURITY_DESCRIPTOR*>(attrAssigned.GetSecurity()));

    // The copies live on when the source goes.
    source.Initialize(vbSecurityTypeNone);
    check(copied);
    vbSecurity empty(static_cast<const SECURITY_DESCRIPTOR*>(nullptr));
    EXPECT_EQ(static_cast<SECURITY_DESCRIPTOR*>(empty), nullptr);
}

TEST(vbSecurityTest, CopiesOfTheThreeTypes)
{
    for (vbSecurityType type : {vbSecurityTypeNone, vbSecurityTypeNoDacl, vbSecurityTypeNullDacl}) {
        vbSecurity source(type);
        vbSecurity copy(source);
        SECURITY_DESCRIPTOR* sd = copy;
        EXPECT_EQ(sd == nullptr, type == vbSecurityTypeNone) << type;
        if (!sd)
            continue;
        BOOL present = FALSE, defaulted = FALSE;
        PACL acl = reinterpret_cast<PACL>(1);
        ASSERT_TRUE(GetSecurityDescriptorDacl(sd, &present, &acl, &defaulted));
        EXPECT_EQ(present != FALSE, type == vbSecurityTypeNullDacl) << type;
        EXPECT_EQ(acl, nullptr) << type;
        EXPECT_TRUE(copy.Check(true));
    }
}

TEST(vbSecurityTest, TokensAccountsAndObjects)
{
    vbSidData user, group;
    EXPECT_FALSE(vbSecurity::GetThreadSids(&user, &group, false, false));
    expectEsys([&] { vbSecurity::GetThreadSids(&user, &group, false, true); }, HRESULT(0x800703F0),
        "vbSecurity::GetThreadSids() : OpenThreadToken failure");
    EXPECT_TRUE(vbSecurity::GetProcessSids(&user, &group, true));
    vbSidData current;
    vbSecurity::GetCurrentUserSID(current);
    EXPECT_EQ(sidBytes(current.GetPtr()), sidBytes(user.GetPtr()));
    EXPECT_EQ(sidBytes(user.GetPtr()), sidOf(currentUser().c_str()));

    // The thread has no token: its owner and group come from the process.
    vbSecurity sec;
    sec.SetThreadUserAndGrp(false, false);
    vbSidData owner;
    EXPECT_FALSE(sec.GetUser(owner));
    EXPECT_EQ(sidBytes(owner.GetPtr()), sidBytes(user.GetPtr()));
    sec.SetUser(nullptr, true);
    EXPECT_TRUE(sec.GetUser(owner));
    EXPECT_TRUE(owner.IsEmpty());
    expectEsys([&] { (void)owner->Revision; }, E_FAIL, "t_obj *vbTdata::operator->() const, data is empty !");
    BYTE bad[8] = {9, 0};
    EXPECT_EQ(vbtest::catchVb([&] { sec.SetGroup(bad, false); }).msg, "vbSecurity::SetGroup() : GroupSid invalid");

    // A named object describes itself; its owner is this process's user.
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, "vbSecurityTest.event");
    ASSERT_NE(event, nullptr);
    vbSecurityAttr fromObject(vbSecurityTypeNone);
    fromObject.CopyFromObject(event);
    ASSERT_NE(fromObject.lpSecurityDescriptor, nullptr);
    EXPECT_TRUE(fromObject.GetUser(owner) == false);
    EXPECT_EQ(sidBytes(owner.GetPtr()), sidBytes(user.GetPtr()));
    EXPECT_FALSE(daclOf(fromObject).empty());
    CloseHandle(event);

    // Privileges: enabling and disabling a known one works, an unknown one is refused.
    vbSecurity::SetProcessPrivilege(SE_SHUTDOWN_NAME, true);
    vbSecurity::SetProcessPrivilege(SE_SHUTDOWN_NAME, false);
    Caught unknown = vbtest::catchVb([] { vbSecurity::SetProcessPrivilege("SeNoSuchPrivilege", true); });
    EXPECT_EQ(unknown.msg, "vbSecurity::SetPrivilege() : LookupPrivilegeValue failure");
    Caught threadToken = vbtest::catchVb([] { vbSecurity::SetThreadPrivilege(SE_SHUTDOWN_NAME, true, false); });
    EXPECT_EQ(threadToken.hr, HRESULT(0x800703F0));
    EXPECT_EQ(threadToken.msg, "vbSecurity::SetThreadPrivilege() : OpenThreadToken failure");
}

} // namespace
