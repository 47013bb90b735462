#include "kernel/HandleTable.h"
#include "security/SecurityMode.h"

#include "plat/errors.h"
#include "plat/file.h"
#include "plat/handles.h"
#include "plat/security.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <string>
#include <tuple>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(LONG_PTR(-1));

using Bytes = std::vector<BYTE>;

std::string currentUserName() { return getpwuid(geteuid())->pw_name; }

// A user or group SID as the model numbers them: S-1-22-<kind>-<id>.
Bytes unixSid(DWORD kind, DWORD id)
{
    Bytes sid{1, 2, 0, 0, 0, 0, 0, 22};
    for (DWORD value : {kind, id})
        for (int i = 0; i < 4; ++i)
            sid.push_back(BYTE(value >> (8 * i)));
    return sid;
}

Bytes lookupSid(const char* account, SID_NAME_USE* use = nullptr)
{
    DWORD sidSize = 0, domainSize = 0;
    SID_NAME_USE ignored;
    EXPECT_FALSE(LookupAccountNameA(nullptr, account, nullptr, &sidSize, nullptr, &domainSize, &ignored));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    Bytes sid(sidSize);
    std::string domain(domainSize, '\0');
    EXPECT_TRUE(LookupAccountNameA(nullptr, account, sid.data(), &sidSize, domain.data(), &domainSize,
        use ? use : &ignored));
    return sid;
}

Bytes tokenInfo(HANDLE token, TOKEN_INFORMATION_CLASS kind)
{
    DWORD size = 0;
    EXPECT_FALSE(GetTokenInformation(token, kind, nullptr, 0, &size));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_GT(size, 0u);
    Bytes info(size);
    EXPECT_TRUE(GetTokenInformation(token, kind, info.data(), size, &size));
    return info;
}

// An ACL buffer with room for a few entries.
struct AclBuffer {
    explicit AclBuffer(DWORD size = 256) : bytes(size) { EXPECT_TRUE(InitializeAcl(acl(), size, ACL_REVISION)); }
    PACL acl() { return reinterpret_cast<PACL>(bytes.data()); }
    ACCESS_ALLOWED_ACE* entry(DWORD index)
    {
        LPVOID ace = nullptr;
        EXPECT_TRUE(GetAce(acl(), index, &ace));
        return static_cast<ACCESS_ALLOWED_ACE*>(ace);
    }
    ACL_SIZE_INFORMATION sizes()
    {
        ACL_SIZE_INFORMATION info{};
        EXPECT_TRUE(GetAclInformation(acl(), &info, sizeof info, AclSizeInformation));
        return info;
    }
    Bytes bytes;
};

TEST(Security, AccountsMapToTheirSidsAndBack)
{
    SID_NAME_USE use{};
    Bytes user = lookupSid(currentUserName().c_str(), &use);
    EXPECT_EQ(use, SidTypeUser);
    EXPECT_EQ(user, unixSid(1, geteuid()));

    std::string groupName = getgrgid(getegid())->gr_name;
    Bytes group = lookupSid(groupName.c_str());
    // A group is found by name only when no user has that name: users come first.
    if (!getpwnam(groupName.c_str())) {
        EXPECT_EQ(group, unixSid(2, getegid()));
    }

    Bytes everyone = lookupSid("Everyone", &use);
    EXPECT_EQ(use, SidTypeWellKnownGroup);
    EXPECT_EQ(everyone, (Bytes{1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0}));

    char name[64], domain[256];
    DWORD nameSize = 1, domainSize = sizeof domain;
    EXPECT_FALSE(LookupAccountSidA(nullptr, user.data(), name, &nameSize, domain, &domainSize, &use));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(nameSize, currentUserName().size() + 1);
    nameSize = sizeof name;
    ASSERT_TRUE(LookupAccountSidA(nullptr, user.data(), name, &nameSize, domain, &domainSize, &use));
    EXPECT_EQ(std::string(name), currentUserName());
    EXPECT_EQ(nameSize, currentUserName().size());
    // The domain the lookup answers qualifies the name for the next lookup.
    std::string qualified = std::string(domain) + "\\" + name;
    EXPECT_EQ(lookupSid(qualified.c_str()), user);

    DWORD sidSize = 64;
    domainSize = sizeof domain;
    BYTE sid[64];
    for (const char* unknown : {"no-such-account-xyz", "other-host\\root", ""}) {
        EXPECT_FALSE(LookupAccountNameA(nullptr, unknown, sid, &sidSize, domain, &domainSize, &use)) << unknown;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_NONE_MAPPED)) << unknown;
    }
}

TEST(Security, SidCopyAndCompare)
{
    Bytes user = unixSid(1, 1000), group = unixSid(2, 1000);
    EXPECT_EQ(GetLengthSid(user.data()), 16u);
    EXPECT_FALSE(EqualSid(user.data(), group.data()));
    BYTE copy[16];
    EXPECT_FALSE(CopySid(15, copy, user.data()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    ASSERT_TRUE(CopySid(sizeof copy, copy, user.data()));
    EXPECT_TRUE(EqualSid(copy, user.data()));
    Bytes bad = user;
    bad[0] = 2;
    EXPECT_FALSE(IsValidSid(bad.data()));
    EXPECT_EQ(GetLengthSid(bad.data()), 0u);
}

TEST(Security, AclEntriesKeepKindOrderAndSpace)
{
    Bytes a = unixSid(1, 501), b = unixSid(1, 502), c = unixSid(2, 503);
    AclBuffer acl;
    ASSERT_TRUE(AddAccessAllowedAce(acl.acl(), ACL_REVISION, GENERIC_READ, a.data()));
    ASSERT_TRUE(AddAccessDeniedAce(acl.acl(), ACL_REVISION, GENERIC_WRITE, b.data()));
    ASSERT_TRUE(AddAccessAllowedAce(acl.acl(), ACL_REVISION, GENERIC_ALL, c.data()));
    ACL_SIZE_INFORMATION info = acl.sizes();
    EXPECT_EQ(info.AceCount, 3u);
    EXPECT_EQ(info.AclBytesInUse, sizeof(ACL) + 3 * 24);
    EXPECT_EQ(info.AclBytesFree, 256 - info.AclBytesInUse);
    EXPECT_TRUE(IsValidAcl(acl.acl()));

    // Copying raw entries with AddAce keeps their kind; index 0 inserts first, MAXDWORD appends.
    AclBuffer copy;
    ASSERT_TRUE(AddAce(copy.acl(), ACL_REVISION, MAXDWORD, acl.entry(1), acl.entry(1)->Header.AceSize));
    ASSERT_TRUE(AddAce(copy.acl(), ACL_REVISION, 0, acl.entry(0), acl.entry(0)->Header.AceSize));
    ASSERT_TRUE(AddAce(copy.acl(), ACL_REVISION, MAXDWORD, acl.entry(2), acl.entry(2)->Header.AceSize));
    ASSERT_EQ(copy.sizes().AceCount, 3u);
    for (DWORD i = 0; i < 3; ++i) {
        EXPECT_EQ(copy.entry(i)->Header.AceType, acl.entry(i)->Header.AceType) << i;
        EXPECT_EQ(copy.entry(i)->Mask, acl.entry(i)->Mask) << i;
        EXPECT_TRUE(EqualSid(&copy.entry(i)->SidStart, &acl.entry(i)->SidStart)) << i;
    }

    // Deleting the middle entry moves the next one into its place.
    ASSERT_TRUE(DeleteAce(acl.acl(), 1));
    EXPECT_EQ(acl.sizes().AceCount, 2u);
    EXPECT_EQ(acl.entry(1)->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    EXPECT_TRUE(EqualSid(&acl.entry(1)->SidStart, c.data()));
    LPVOID none;
    EXPECT_FALSE(GetAce(acl.acl(), 2, &none));
    EXPECT_FALSE(DeleteAce(acl.acl(), 2));

    // An ACL without room for the entry refuses it and stays as it was.
    AclBuffer small(sizeof(ACL) + 24 + 8);
    ASSERT_TRUE(AddAccessAllowedAce(small.acl(), ACL_REVISION, GENERIC_READ, a.data()));
    Bytes before = small.bytes;
    EXPECT_FALSE(AddAccessDeniedAce(small.acl(), ACL_REVISION, GENERIC_READ, b.data()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALLOTTED_SPACE_EXCEEDED));
    EXPECT_FALSE(AddAce(small.acl(), ACL_REVISION, 0, acl.entry(0), acl.entry(0)->Header.AceSize));
    EXPECT_EQ(small.bytes, before);

    // A malformed ACL is recognised.
    Bytes broken = acl.bytes;
    reinterpret_cast<ACE_HEADER*>(broken.data() + sizeof(ACL))->AceSize = 600;
    EXPECT_FALSE(IsValidAcl(reinterpret_cast<PACL>(broken.data())));
    EXPECT_FALSE(GetAce(reinterpret_cast<PACL>(broken.data()), 0, &none));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_ACL));
}

TEST(Security, DescriptorPartsAreSetAndRead)
{
    SECURITY_DESCRIPTOR sd;
    std::memset(&sd, 0xAB, sizeof sd);
    EXPECT_FALSE(InitializeSecurityDescriptor(&sd, 2));
    ASSERT_TRUE(InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION));
    EXPECT_TRUE(IsValidSecurityDescriptor(&sd));

    BOOL present = TRUE, defaulted = TRUE;
    PACL dacl = reinterpret_cast<PACL>(&sd);
    ASSERT_TRUE(GetSecurityDescriptorDacl(&sd, &present, &dacl, &defaulted));
    EXPECT_FALSE(present);

    // A present, null DACL.
    ASSERT_TRUE(SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE));
    ASSERT_TRUE(GetSecurityDescriptorDacl(&sd, &present, &dacl, &defaulted));
    EXPECT_TRUE(present);
    EXPECT_EQ(dacl, nullptr);
    EXPECT_FALSE(defaulted);

    AclBuffer acl;
    Bytes owner = unixSid(1, geteuid()), group = unixSid(2, getegid());
    ASSERT_TRUE(AddAccessAllowedAce(acl.acl(), ACL_REVISION, GENERIC_ALL, owner.data()));
    ASSERT_TRUE(SetSecurityDescriptorSacl(&sd, TRUE, acl.acl(), TRUE));
    ASSERT_TRUE(SetSecurityDescriptorOwner(&sd, owner.data(), TRUE));
    ASSERT_TRUE(SetSecurityDescriptorGroup(&sd, group.data(), FALSE));
    PACL sacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorSacl(&sd, &present, &sacl, &defaulted));
    EXPECT_TRUE(present && defaulted);
    EXPECT_EQ(sacl, acl.acl());
    PSID sid = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorOwner(&sd, &sid, &defaulted));
    EXPECT_EQ(sid, owner.data());
    EXPECT_TRUE(defaulted);
    ASSERT_TRUE(GetSecurityDescriptorGroup(&sd, &sid, &defaulted));
    EXPECT_EQ(sid, group.data());
    EXPECT_FALSE(defaulted);
    EXPECT_TRUE(IsValidSecurityDescriptor(&sd));

    // A broken part makes the whole descriptor invalid.
    acl.acl()->AclRevision = 9;
    EXPECT_FALSE(IsValidSecurityDescriptor(&sd));
    sd.Revision = 3;
    EXPECT_FALSE(SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_SECURITY_DESCR));
}

TEST(Security, ProcessTokenDescribesTheUser)
{
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(kCurrentProcess, TOKEN_QUERY, &token));

    Bytes user = tokenInfo(token, TokenUser);
    auto* tokenUser = reinterpret_cast<TOKEN_USER*>(user.data());
    EXPECT_TRUE(EqualSid(tokenUser->User.Sid, lookupSid(currentUserName().c_str()).data()));

    Bytes primary = tokenInfo(token, TokenPrimaryGroup);
    PSID primaryGroup = reinterpret_cast<TOKEN_PRIMARY_GROUP*>(primary.data())->PrimaryGroup;
    EXPECT_TRUE(EqualSid(primaryGroup, unixSid(2, getegid()).data()));

    Bytes groups = tokenInfo(token, TokenGroups);
    auto* list = reinterpret_cast<TOKEN_GROUPS*>(groups.data());
    ASSERT_GE(list->GroupCount, 2u);
    EXPECT_TRUE(EqualSid(list->Groups[0].Sid, primaryGroup));
    EXPECT_TRUE(EqualSid(list->Groups[list->GroupCount - 1].Sid, lookupSid("Everyone").data()));

    // The information outlives the token; a closed token is refused.
    ASSERT_TRUE(CloseHandle(token));
    EXPECT_TRUE(IsValidSid(tokenUser->User.Sid));
    DWORD size = 0;
    EXPECT_FALSE(GetTokenInformation(token, TokenUser, nullptr, 0, &size));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));

    HANDLE threadToken = kCurrentProcess;
    EXPECT_FALSE(OpenThreadToken(kCurrentProcess, TOKEN_QUERY, FALSE, &threadToken));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_TOKEN));
}

// Enables or disables one privilege the way the system does: read its previous state with a
// first adjustment, change the enabled bit there, apply that.
DWORD setPrivilege(HANDLE token, const char* name, bool enable)
{
    LUID luid;
    EXPECT_TRUE(LookupPrivilegeValueA(nullptr, name, &luid));
    TOKEN_PRIVILEGES request{1, {{luid, 0}}}, previous{};
    DWORD size = sizeof previous;
    EXPECT_TRUE(AdjustTokenPrivileges(token, FALSE, &request, sizeof previous, &previous, &size));
    EXPECT_EQ(previous.PrivilegeCount, 1u);
    DWORD before = previous.Privileges[0].Attributes;
    if (enable)
        previous.Privileges[0].Attributes |= SE_PRIVILEGE_ENABLED;
    else
        previous.Privileges[0].Attributes &= ~DWORD(SE_PRIVILEGE_ENABLED);
    EXPECT_TRUE(AdjustTokenPrivileges(token, FALSE, &previous, sizeof previous, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    return before;
}

TEST(Security, PrivilegesAreRememberedPerProcess)
{
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(kCurrentProcess, TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
    setPrivilege(token, SE_SHUTDOWN_NAME, false);
    EXPECT_EQ(setPrivilege(token, SE_SHUTDOWN_NAME, true) & SE_PRIVILEGE_ENABLED, 0u);
    EXPECT_EQ(setPrivilege(token, SE_SHUTDOWN_NAME, false) & SE_PRIVILEGE_ENABLED, DWORD(SE_PRIVILEGE_ENABLED));

    LUID luid;
    EXPECT_FALSE(LookupPrivilegeValueA(nullptr, "SeNoSuchPrivilege", &luid));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_SUCH_PRIVILEGE));

    // The previous state needs room; a too small buffer changes nothing.
    ASSERT_TRUE(LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &luid));
    TOKEN_PRIVILEGES enable{1, {{luid, SE_PRIVILEGE_ENABLED}}};
    DWORD size = 0;
    EXPECT_FALSE(AdjustTokenPrivileges(token, FALSE, &enable, 4, &enable, &size));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(size, DWORD(sizeof(TOKEN_PRIVILEGES)));
    EXPECT_EQ(setPrivilege(token, SE_SHUTDOWN_NAME, false) & SE_PRIVILEGE_ENABLED, 0u);
    CloseHandle(token);

    // Adjusting needs a token opened for it.
    ASSERT_TRUE(OpenProcessToken(kCurrentProcess, TOKEN_QUERY, &token));
    EXPECT_FALSE(AdjustTokenPrivileges(token, FALSE, &enable, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    CloseHandle(token);
}

// Descriptors with one DACL built from (kind, mask, sid) entries.
struct DaclCase {
    const char* label;
    std::vector<std::tuple<BYTE, ACCESS_MASK, Bytes>> entries;
    mode_t mode;
};

TEST(Security, ModeFromAttributesWidensOnlyForOtherAccounts)
{
    Bytes everyone{1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
    Bytes self = unixSid(1, geteuid()), ownGroup = unixSid(2, getegid());
    Bytes stranger = unixSid(1, geteuid() + 4321), otherGroup = unixSid(2, getegid() + 4321);
    const BYTE allow = ACCESS_ALLOWED_ACE_TYPE, deny = ACCESS_DENIED_ACE_TYPE;

    EXPECT_EQ(plat::modeFromSecurityAttributes(nullptr), 0600u);
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, FALSE};
    EXPECT_EQ(plat::modeFromSecurityAttributes(&sa), 0600u);
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    sa.lpSecurityDescriptor = &sd;
    EXPECT_EQ(plat::modeFromSecurityAttributes(&sa), 0600u) << "no DACL";
    SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE);
    EXPECT_EQ(plat::modeFromSecurityAttributes(&sa), 0600u) << "null DACL";

    const DaclCase cases[] = {
        {"empty DACL", {}, 0600},
        {"own user", {{allow, GENERIC_ALL, self}}, 0600},
        {"everyone reads", {{allow, GENERIC_READ, everyone}}, 0644},
        {"everyone all", {{allow, GENERIC_ALL, everyone}}, 0666},
        {"own group writes", {{allow, GENERIC_WRITE, ownGroup}}, 0620},
        {"another user", {{allow, GENERIC_READ | GENERIC_WRITE, stranger}}, 0606},
        {"another group", {{allow, GENERIC_READ, otherGroup}}, 0604},
        {"denial first", {{deny, GENERIC_WRITE, everyone}, {allow, GENERIC_ALL, everyone}}, 0644},
        {"denial after", {{allow, GENERIC_ALL, everyone}, {deny, GENERIC_WRITE, everyone}}, 0666},
        {"group denied, others allowed", {{deny, GENERIC_ALL, ownGroup}, {allow, GENERIC_READ, everyone}}, 0604},
    };
    for (const DaclCase& test : cases) {
        AclBuffer acl;
        for (const auto& [kind, mask, sid] : test.entries) {
            Bytes copy = sid;
            if (kind == allow)
                ASSERT_TRUE(AddAccessAllowedAce(acl.acl(), ACL_REVISION, mask, copy.data()));
            else
                ASSERT_TRUE(AddAccessDeniedAce(acl.acl(), ACL_REVISION, mask, copy.data()));
        }
        SetSecurityDescriptorDacl(&sd, TRUE, acl.acl(), FALSE);
        EXPECT_EQ(plat::modeFromSecurityAttributes(&sa), test.mode) << test.label;
    }
}

struct FileBacked : plat::KernelObject, plat::SecuredObject {
    explicit FileBacked(int fd) : fd(fd) {}
    ~FileBacked() override { close(fd); }
    int securityFd() const override { return fd; }
    int fd;
};

struct Plain : plat::KernelObject {};

TEST(Security, KernelObjectSecurityDescribesTheFile)
{
    std::string path = std::string(std::getenv("VANTREL_HOME")) + "/object";
    int fd = open(path.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(fchmod(fd, 0640), 0);
    HANDLE handle = plat::kernelHandles().insert(std::make_shared<FileBacked>(fd));

    DWORD needed = 0;
    EXPECT_FALSE(GetKernelObjectSecurity(handle, 7, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    Bytes block(needed);
    ASSERT_TRUE(GetKernelObjectSecurity(handle, 7, block.data(), needed, &needed));
    PSECURITY_DESCRIPTOR sd = block.data();
    EXPECT_TRUE(IsValidSecurityDescriptor(sd));

    PSID owner = nullptr, group = nullptr;
    BOOL present = FALSE, defaulted = TRUE;
    ASSERT_TRUE(GetSecurityDescriptorOwner(sd, &owner, &defaulted));
    EXPECT_TRUE(EqualSid(owner, unixSid(1, geteuid()).data()));
    ASSERT_TRUE(GetSecurityDescriptorGroup(sd, &group, &defaulted));
    EXPECT_TRUE(EqualSid(group, unixSid(2, getegid()).data()));
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted));
    ASSERT_TRUE(present);
    ASSERT_NE(dacl, nullptr);
    ACL_SIZE_INFORMATION info{};
    ASSERT_TRUE(GetAclInformation(dacl, &info, sizeof info, AclSizeInformation));
    EXPECT_EQ(info.AceCount, 2u);
    // The descriptor creates an object of the same mode.
    SECURITY_ATTRIBUTES sa{sizeof sa, sd, FALSE};
    EXPECT_EQ(plat::modeFromSecurityAttributes(&sa), 0640u);
    // A self-relative descriptor is read, never edited in place.
    EXPECT_FALSE(SetSecurityDescriptorDacl(sd, TRUE, nullptr, FALSE));
    CloseHandle(handle);

    // Files opened through the platform are described from their descriptor.
    std::string filePath = std::string(std::getenv("VANTREL_HOME")) + "/file";
    HANDLE file = CreateFileA(filePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
        FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ASSERT_EQ(chmod(filePath.c_str(), 0660), 0);
    block.assign(512, 0);
    ASSERT_TRUE(GetKernelObjectSecurity(file, 7, block.data(), DWORD(block.size()), &needed));
    sa.lpSecurityDescriptor = block.data();
    EXPECT_EQ(plat::modeFromSecurityAttributes(&sa), 0660u);
    CloseHandle(file);

    HANDLE plain = plat::kernelHandles().insert(std::make_shared<Plain>());
    EXPECT_FALSE(GetKernelObjectSecurity(plain, 7, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_SUPPORTED));
    CloseHandle(plain);
}

} // namespace
