// Security descriptors: one absolute descriptor whose parts live in the object's own buffers.

#include "vbSecurity.h"

#include "vbEngine.h"
#include "vbException.h"
#include "engines/vbKernelError.h"

#include "plat/handles.h"
#include "plat/process.h"
#include "plat/thread.h"

#include <cstddef>
#include <memory>
#include <string>

using vbImpl::throwLastError;

namespace vbImpl {
void throwTdataEmpty() { throw new vbEsys("t_obj *vbTdata::operator->() const, data is empty !"); }
} // namespace vbImpl

namespace {

[[noreturn]] void throwPlain(const std::string& msg) { throw new vbEsys(msg.c_str()); }

[[noreturn]] void throwLast(const std::string& msg) { throwLastError(msg.c_str()); }

// The SID into a byte block of its own length.
void copySidInto(vbSidData& out, PSID sid, const char* failMsg)
{
    DWORD length = GetLengthSid(sid);
    if (!length)
        throwLastError(failMsg);
    vbSidData copy;
    copy.SetLength(static_cast<int>(length));
    if (!CopySid(length, copy.GetPtr(), sid))
        throwLastError(failMsg);
    out = std::move(copy);
}

// The size of an ACL header plus one entry for sid.
DWORD entrySize(PSID sid) { return static_cast<DWORD>(offsetof(ACCESS_ALLOWED_ACE, SidStart)) + GetLengthSid(sid); }

void addAccountEntry(vbAclData& acl, const char* account, DWORD mask, bool deny)
{
    const std::string op = std::string("vbSecurity::") +
        (deny ? "AddAccessDeniedACEToACL() : " : "AddAccessAllowedACEToACL() : ");
    vbSidData sid;
    vbSecurity::GetUserOrGrpSID(account, sid);
    DWORD used = sizeof(ACL);
    if (acl.IsValid()) {
        ACL_SIZE_INFORMATION info{};
        if (!GetAclInformation(acl.GetPtr(), &info, sizeof info, AclSizeInformation))
            throwLast(op + "GetAclInformation failure");
        used = info.AclBytesInUse;
    }
    const DWORD size = used + entrySize(sid.GetPtr());
    if (size > 0xFFFF)
        vbImpl::throwSys(E_OUTOFMEMORY, "%sInitializeAcl failure", op.c_str());
    vbAclData fresh;
    fresh.SetData('\0', static_cast<int>(size));
    if (!InitializeAcl(fresh.GetPtr(), size, ACL_REVISION))
        throwLast(op + "InitializeAcl failure");
    vbSecurity::CopyACL(fresh.GetPtr(), acl.GetPtr());
    BOOL added = deny ? AddAccessDeniedAce(fresh.GetPtr(), ACL_REVISION, mask, sid.GetPtr())
                      : AddAccessAllowedAce(fresh.GetPtr(), ACL_REVISION, mask, sid.GetPtr());
    if (!added)
        throwLast(op + (deny ? "AddAccessDeniedAce failure" : "AddAccessAllowedAce failure"));
    acl = std::move(fresh);
}

// Opens a token of the calling thread (or process), answering null for a thread without one
// when that is allowed.
HANDLE openToken(bool thread, DWORD access, bool openAsSelf, bool throwIfNoToken, const char* failMsg)
{
    HANDLE token = nullptr;
    BOOL ok = thread ? OpenThreadToken(GetCurrentThread(), access, openAsSelf ? TRUE : FALSE, &token)
                     : OpenProcessToken(GetCurrentProcess(), access, &token);
    if (!ok) {
        if (GetLastError() == ERROR_NO_TOKEN && !throwIfNoToken)
            return nullptr;
        throwLastError(failMsg);
    }
    return token;
}

// Closes the token however the scope is left.
struct TokenHold {
    HANDLE token;
    ~TokenHold()
    {
        if (token)
            CloseHandle(token);
    }
};

void tokenSid(HANDLE token, TOKEN_INFORMATION_CLASS kind, vbSidData& out)
{
    DWORD size = 0;
    if (!GetTokenInformation(token, kind, nullptr, 0, &size) && (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0))
        throwLastError("vbSecurity::GetTokenSids() : GetTokenInformation failure (getting size)");
    // The answer holds pointers: keep it aligned.
    std::unique_ptr<uint64_t[]> info(new uint64_t[(size + 7) / 8]);
    if (!GetTokenInformation(token, kind, info.get(), size, &size))
        throwLastError("vbSecurity::GetTokenSids() : GetTokenInformation failure");
    PSID sid = kind == TokenUser ? reinterpret_cast<TOKEN_USER*>(info.get())->User.Sid
                                 : reinterpret_cast<TOKEN_PRIMARY_GROUP*>(info.get())->PrimaryGroup;
    copySidInto(out, sid, "vbSecurity::GetTokenSids() : CopySid failure");
}

} // namespace

// --- construction ---

vbSecurity::vbSecurity(vbSecurityType type) { Initialize(type); }

vbSecurity::vbSecurity(const SECURITY_DESCRIPTOR* descriptor) { CopyFrom(descriptor); }

vbSecurity::vbSecurity(const vbSecurity& other) { CopyFrom(other.GetDescriptor()); }

vbSecurity& vbSecurity::operator=(const vbSecurity& other)
{
    if (this != &other)
        CopyFrom(other.GetDescriptor());
    return *this;
}

vbSecurity::~vbSecurity() = default;

SECURITY_DESCRIPTOR* vbSecurity::GetDescriptor() const
{
    return m_bHasDescriptor ? const_cast<SECURITY_DESCRIPTOR*>(&m_sd) : nullptr;
}

void vbSecurity::Initialize(vbSecurityType type)
{
    m_owner.Empty();
    m_group.Empty();
    m_dacl.Empty();
    m_sacl.Empty();
    m_bOwnerDefaulted = m_bOwnerRead = m_bGroupDefaulted = m_bGroupRead = false;
    m_sd = {};
    m_bHasDescriptor = false;
    if (type <= vbSecurityTypeNone)
        return;
    if (!InitializeSecurityDescriptor(&m_sd, SECURITY_DESCRIPTOR_REVISION))
        throwLastError("vbSecurity::InitializeSecurityDescriptor() failure");
    m_bHasDescriptor = true;
    if (type == vbSecurityTypeNoDacl)
        return;
    if (!SetSecurityDescriptorDacl(&m_sd, TRUE, nullptr, FALSE))
        throwLastError("vbSecurity::SetSecurityDescriptorDacl() failure");
}

void vbSecurity::checkDescriptor(const char* op) const
{
    if (!m_bHasDescriptor)
        throwPlain(std::string("vbSecurity::") + op + "() : security descriptor is empty");
}

// --- owner and group ---

void vbSecurity::setAccount(PSID sid, bool defaulted, bool group)
{
    const std::string op = group ? "SetGroup" : "SetUser";
    const std::string head = "vbSecurity::" + op + "() : ";
    const std::string setter = group ? "SetSecurityDescriptorGroup" : "SetSecurityDescriptorOwner";
    auto set = [&](PSID value) {
        return group ? SetSecurityDescriptorGroup(&m_sd, value, defaulted ? TRUE : FALSE)
                     : SetSecurityDescriptorOwner(&m_sd, value, defaulted ? TRUE : FALSE);
    };
    checkDescriptor(op.c_str());
    if (!set(nullptr))
        throwLast(head + setter + " failure");
    vbSidData& buffer = group ? m_group : m_owner;
    (group ? m_bGroupDefaulted : m_bOwnerDefaulted) = defaulted;
    (group ? m_bGroupRead : m_bOwnerRead) = false;
    buffer.Empty();
    if (!sid)
        return;
    if (!IsValidSid(sid))
        throwLast(head + (group ? "GroupSid invalid" : "UserSid invalid"));
    copySidInto(buffer, sid, (head + "CopySid failure").c_str());
    if (!set(buffer.GetPtr()))
        throwLast(head + setter + " failure (2)");
}

void vbSecurity::SetUser(PSID sid, bool defaulted) { setAccount(sid, defaulted, false); }

void vbSecurity::SetGroup(PSID sid, bool defaulted) { setAccount(sid, defaulted, true); }

bool vbSecurity::getAccount(vbSidData& out, bool group) const
{
    const std::string head = std::string("vbSecurity::") + (group ? "GetGroup" : "GetUser") + "() : ";
    checkDescriptor(group ? "GetGroup" : "GetUser");
    vbSidData& buffer = group ? m_group : m_owner;
    bool& read = group ? m_bGroupRead : m_bOwnerRead;
    bool& defaulted = group ? m_bGroupDefaulted : m_bOwnerDefaulted;
    if (!read) {
        PSID sid = nullptr;
        BOOL wasDefaulted = FALSE;
        BOOL ok = group ? GetSecurityDescriptorGroup(GetDescriptor(), &sid, &wasDefaulted)
                        : GetSecurityDescriptorOwner(GetDescriptor(), &sid, &wasDefaulted);
        if (!ok)
            throwLast(head + (group ? "GetSecurityDescriptorGroup failure" : "GetSecurityDescriptorOwner failure"));
        // The descriptor may point into the buffer itself: copy before replacing it. A
        // descriptor without owner (group) answers an empty buffer.
        vbSidData copy;
        if (sid)
            copySidInto(copy, sid, (head + "CopySid failure").c_str());
        if (sid != buffer.GetPtr()) {
            buffer = std::move(copy);
            if (!(group ? SetSecurityDescriptorGroup(GetDescriptor(), buffer.GetPtr(), wasDefaulted)
                        : SetSecurityDescriptorOwner(GetDescriptor(), buffer.GetPtr(), wasDefaulted)))
                throwLast(head + (group ? "SetSecurityDescriptorGroup failure" : "SetSecurityDescriptorOwner failure"));
        }
        read = true;
        defaulted = wasDefaulted != FALSE;
    }
    out = buffer;
    return defaulted;
}

bool vbSecurity::GetUser(vbSidData& out) const { return getAccount(out, false); }

bool vbSecurity::GetGroup(vbSidData& out) const { return getAccount(out, true); }

void vbSecurity::SetProcessUserAndGrp(bool defaulted)
{
    checkDescriptor("SetProcessUserAndGrp");
    vbSidData user, group;
    GetProcessSids(&user, &group, true);
    SetUser(user.GetPtr(), defaulted);
    SetGroup(group.GetPtr(), defaulted);
}

void vbSecurity::SetThreadUserAndGrp(bool defaulted, bool openAsSelf)
{
    checkDescriptor("SetThreadUserAndGrp");
    vbSidData user, group;
    if (!GetThreadSids(&user, &group, openAsSelf, false))
        GetProcessSids(&user, &group, true);
    SetUser(user.GetPtr(), defaulted);
    SetGroup(group.GetPtr(), defaulted);
}

// --- the DACL ---

void vbSecurity::addEntry(const char* account, DWORD mask, bool deny)
{
    const char* op = deny ? "Deny" : "Allow";
    checkDescriptor(op);
    if (deny)
        AddAccessDeniedACEToACL(m_dacl, account, mask);
    else
        AddAccessAllowedACEToACL(m_dacl, account, mask);
    if (!SetSecurityDescriptorDacl(&m_sd, TRUE, m_dacl.GetPtr(), FALSE))
        throwLast(std::string("vbSecurity::") + op + "() : SetSecurityDescriptorDacl failure");
}

void vbSecurity::Allow(const char* account, DWORD accessMask) { addEntry(account, accessMask, false); }

void vbSecurity::Deny(const char* account, DWORD accessMask) { addEntry(account, accessMask, true); }

int vbSecurity::Remove(const char* account)
{
    if (!m_bHasDescriptor || m_dacl.IsEmpty())
        throwPlain("vbSecurity::Remove() : security descriptor or DACL is empty");
    vbAclData copy(m_dacl);
    int removed = RemoveUserOrGrpFromACL(copy.GetPtr(), account);
    if (removed > 0) {
        if (!SetSecurityDescriptorDacl(&m_sd, TRUE, copy.GetPtr(), FALSE))
            throwLastError("vbSecurity::Remove() : SetSecurityDescriptorDacl failure");
        m_dacl = std::move(copy);
    }
    return removed;
}

// --- copies ---

void vbSecurity::copyAclPart(const SECURITY_DESCRIPTOR* source, bool sacl)
{
    const std::string head = "vbSecurity::CopyFrom(SECURITYDESCRIPTOR*) : ";
    const std::string tag = sacl ? " (sacl)" : " (dacl)";
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    auto* sd = const_cast<SECURITY_DESCRIPTOR*>(source);
    if (!(sacl ? GetSecurityDescriptorSacl(sd, &present, &acl, &defaulted)
               : GetSecurityDescriptorDacl(sd, &present, &acl, &defaulted)))
        throwLast(head + (sacl ? "GetSecurityDescriptorSacl failure" : "GetSecurityDescriptorDacl failure"));
    if (!present)
        return;
    vbAclData& buffer = sacl ? m_sacl : m_dacl;
    if (acl) {
        vbAclData copy;
        const DWORD size = acl->AclSize;
        copy.SetData('\0', static_cast<int>(size));
        if (!InitializeAcl(copy.GetPtr(), size, ACL_REVISION))
            throwLast(head + "InitializeAcl failure" + tag);
        // Each entry goes over as it is: a denial stays a denial, an audit entry an audit entry.
        ACL_SIZE_INFORMATION info{};
        if (!GetAclInformation(acl, &info, sizeof info, AclSizeInformation))
            throwLast(head + "GetAclInformation failure" + tag);
        for (DWORD i = 0; i < info.AceCount; ++i) {
            void* entry = nullptr;
            if (!GetAce(acl, i, &entry))
                throwLast(head + "GetAce failure" + tag);
            if (!AddAce(copy.GetPtr(), ACL_REVISION, MAXDWORD, entry, static_cast<ACE_HEADER*>(entry)->AceSize))
                throwLast(head + "AddAce failure" + tag);
        }
        if (!IsValidAcl(copy.GetPtr()))
            throwLast(head + (sacl ? "Making SACL failure" : "Making DACL failure"));
        buffer = std::move(copy);
    }
    if (!(sacl ? SetSecurityDescriptorSacl(&m_sd, TRUE, buffer.GetPtr(), defaulted)
               : SetSecurityDescriptorDacl(&m_sd, TRUE, buffer.GetPtr(), defaulted)))
        throwLast(head + (sacl ? "SetSecurityDescriptorSacl failure" : "SetSecurityDescriptorDacl failure"));
}

void vbSecurity::CopyFrom(const SECURITY_DESCRIPTOR* descriptor)
{
    if (!descriptor) {
        Initialize(vbSecurityTypeNone);
        return;
    }
    if (descriptor == &m_sd)
        return;
    // The source may be another object's descriptor pointing into buffers that Initialize
    // does not touch; only our own would be lost, and that case has returned above.
    Initialize(vbSecurityTypeNoDacl);
    copyAclPart(descriptor, false);
    copyAclPart(descriptor, true);
    const std::string head = "vbSecurity::CopyFrom(SECURITYDESCRIPTOR*) : ";
    auto* sd = const_cast<SECURITY_DESCRIPTOR*>(descriptor);
    PSID sid = nullptr;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(sd, &sid, &defaulted))
        throwLast(head + "GetSecurityDescriptorOwner failure");
    SetUser(sid, defaulted != FALSE);
    sid = nullptr;
    defaulted = FALSE;
    if (!GetSecurityDescriptorGroup(sd, &sid, &defaulted))
        throwLast(head + "GetSecurityDescriptorGroup failure");
    SetGroup(sid, defaulted != FALSE);
}

void vbSecurity::CopyFromObject(HANDLE hObject)
{
    const SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD size = 0;
    if (!GetKernelObjectSecurity(hObject, what, nullptr, 0, &size) &&
        (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0))
        throwLastError("vbSecurity::CopyFromObject(HANDLE hObject) : GetKernelObjectSecurity failure (getting size)");
    // Self-relative descriptor: offsets only, but keep it aligned for its 32-bit fields.
    std::unique_ptr<uint64_t[]> block(new uint64_t[(size + 7) / 8]);
    if (!GetKernelObjectSecurity(hObject, what, block.get(), size, &size))
        throwLastError("vbSecurity::CopyFromObject(HANDLE hObject) : GetKernelObjectSecurity failure");
    CopyFrom(reinterpret_cast<const SECURITY_DESCRIPTOR*>(block.get()));
}

bool vbSecurity::Check(bool throwIfBad) const
{
    if (!m_bHasDescriptor) {
        if (throwIfBad)
            throwPlain("vbSecurity::Check() : security descriptor is empty");
        return false;
    }
    if (IsValidSecurityDescriptor(GetDescriptor()))
        return true;
    if (throwIfBad)
        throwPlain("vbSecurity::Check() : security descriptor is invalid");
    return false;
}

// --- static helpers ---

bool vbSecurity::GetProcessSids(vbSidData* user, vbSidData* group, bool throwIfNoToken)
{
    HANDLE token = openToken(false, TOKEN_QUERY, false, throwIfNoToken, "vbSecurity::GetProcessSids() : OpenProcessToken failure");
    if (!token)
        return false;
    TokenHold hold{token};
    GetTokenSids(token, user, group);
    return true;
}

bool vbSecurity::GetThreadSids(vbSidData* user, vbSidData* group, bool openAsSelf, bool throwIfNoToken)
{
    HANDLE token = openToken(true, TOKEN_QUERY, openAsSelf, throwIfNoToken, "vbSecurity::GetThreadSids() : OpenThreadToken failure");
    if (!token)
        return false;
    TokenHold hold{token};
    GetTokenSids(token, user, group);
    return true;
}

void vbSecurity::GetTokenSids(HANDLE token, vbSidData* user, vbSidData* group)
{
    if (user)
        tokenSid(token, TokenUser, *user);
    if (group)
        tokenSid(token, TokenPrimaryGroup, *group);
}

void vbSecurity::GetCurrentUserSID(vbSidData& out) { GetProcessSids(&out, nullptr, true); }

vbString vbSecurity::GetUserOrGrpSID(const char* account, vbSidData& out)
{
    DWORD sidSize = 0, domainSize = 0;
    SID_NAME_USE use = SidTypeUser;
    if (!LookupAccountNameA(nullptr, account, nullptr, &sidSize, nullptr, &domainSize, &use) &&
        (GetLastError() != ERROR_INSUFFICIENT_BUFFER || sidSize == 0))
        throwLastError("vbSecurity::GetUserOrGrpSID() : LookupAccountName failure (getting size)");
    vbSidData sid;
    sid.SetData('\0', static_cast<int>(sidSize));
    std::string domain(domainSize + 1, '\0');
    if (!LookupAccountNameA(nullptr, account, sid.GetPtr(), &sidSize, domain.data(), &domainSize, &use))
        throwLastError("vbSecurity::GetUserOrGrpSID() : LookupAccountName failure");
    out = std::move(sid);
    return vbString(domain.c_str());
}

void vbSecurity::CopyACL(ACL* destination, ACL* source)
{
    if (!source)
        return;
    ACL_SIZE_INFORMATION info{};
    if (!GetAclInformation(source, &info, sizeof info, AclSizeInformation))
        throwLastError("vbSecurity::CopyACL() : GetAclInformation failure");
    for (DWORD i = 0; i < info.AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(source, i, &entry))
            throwLastError("vbSecurity::CopyACL() : GetAce failure");
        if (!AddAce(destination, ACL_REVISION, MAXDWORD, entry, static_cast<ACE_HEADER*>(entry)->AceSize))
            throwLastError("vbSecurity::CopyACL() : AddAce failure");
    }
}

void vbSecurity::AddAccessAllowedACEToACL(vbAclData& acl, const char* account, DWORD mask)
{
    addAccountEntry(acl, account, mask, false);
}

void vbSecurity::AddAccessDeniedACEToACL(vbAclData& acl, const char* account, DWORD mask)
{
    addAccountEntry(acl, account, mask, true);
}

int vbSecurity::RemoveUserOrGrpFromACL(ACL* acl, const char* account)
{
    if (!acl)
        throwPlain("vbSecurity::RemoveUserOrGrpFromACL() : pAcl is NULL");
    vbSidData sid;
    GetUserOrGrpSID(account, sid);
    ACL_SIZE_INFORMATION info{};
    if (!GetAclInformation(acl, &info, sizeof info, AclSizeInformation))
        throwLastError("vbSecurity::RemoveUserOrGrpFromACL() : GetAclInformation failure");
    int removed = 0;
    // Every entry once: after a deletion the next one has moved into the same index.
    DWORD index = 0;
    for (DWORD examined = 0; examined < info.AceCount; ++examined) {
        void* entry = nullptr;
        if (!GetAce(acl, index, &entry))
            throwLastError("vbSecurity::RemoveUserOrGrpFromACL() : GetAce failure");
        auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        const BYTE type = ace->Header.AceType;
        const bool known = type == ACCESS_ALLOWED_ACE_TYPE || type == ACCESS_DENIED_ACE_TYPE || type == SYSTEM_AUDIT_ACE_TYPE;
        if (known && EqualSid(&ace->SidStart, sid.GetPtr())) {
            if (!DeleteAce(acl, index))
                throwLastError("vbSecurity::RemoveUserOrGrpFromACL() : DeleteAce failure");
            ++removed;
        } else {
            ++index;
        }
    }
    return removed;
}

void vbSecurity::SetProcessPrivilege(const char* privilege, bool enable)
{
    HANDLE token = openToken(false, TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, false, true,
        "vbSecurity::SetProcessPrivilege() : OpenProcessToken failure");
    TokenHold hold{token};
    SetPrivilege(token, privilege, enable);
}

void vbSecurity::SetThreadPrivilege(const char* privilege, bool enable, bool openAsSelf)
{
    HANDLE token = openToken(true, TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, openAsSelf, true,
        "vbSecurity::SetThreadPrivilege() : OpenThreadToken failure");
    TokenHold hold{token};
    SetPrivilege(token, privilege, enable);
}

void vbSecurity::SetPrivilege(HANDLE token, const char* privilege, bool enable)
{
    LUID luid{};
    if (!LookupPrivilegeValueA(nullptr, privilege, &luid))
        throwLastError("vbSecurity::SetPrivilege() : LookupPrivilegeValue failure");
    TOKEN_PRIVILEGES wanted{};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Luid = luid;
    wanted.Privileges[0].Attributes = 0;
    TOKEN_PRIVILEGES previous{};
    DWORD previousSize = sizeof previous;
    if (!AdjustTokenPrivileges(token, FALSE, &wanted, sizeof previous, &previous, &previousSize))
        throwLastError("vbSecurity::SetPrivilege() : AdjustTokenPrivileges failure");
    // A privilege that was not changed by the first call is not listed in the previous state.
    previous.PrivilegeCount = 1;
    previous.Privileges[0].Luid = luid;
    if (enable)
        previous.Privileges[0].Attributes |= SE_PRIVILEGE_ENABLED;
    else
        previous.Privileges[0].Attributes &= ~static_cast<DWORD>(SE_PRIVILEGE_ENABLED);
    if (!AdjustTokenPrivileges(token, FALSE, &previous, previousSize, nullptr, nullptr))
        throwLastError("vbSecurity::SetPrivilege() : AdjustTokenPrivileges failure (2)");
}

// --- the attributes record ---

namespace {
vbSecurityType attrType(vbSecurityType type) { return vbIs95os() ? vbSecurityTypeNone : type; }
} // namespace

vbSecurityAttr::vbSecurityAttr(vbSecurityType type, bool inherit)
    : SECURITY_ATTRIBUTES{sizeof(SECURITY_ATTRIBUTES), nullptr, inherit ? TRUE : FALSE}, m_security(attrType(type))
{
    refresh();
}

vbSecurityAttr::vbSecurityAttr(const SECURITY_DESCRIPTOR* descriptor, bool inherit)
    : SECURITY_ATTRIBUTES{sizeof(SECURITY_ATTRIBUTES), nullptr, inherit ? TRUE : FALSE}, m_security(descriptor)
{
    refresh();
}

vbSecurityAttr::vbSecurityAttr(const vbSecurity& security, bool inherit)
    : SECURITY_ATTRIBUTES{sizeof(SECURITY_ATTRIBUTES), nullptr, inherit ? TRUE : FALSE}, m_security(security)
{
    refresh();
}

vbSecurityAttr::vbSecurityAttr(const vbSecurityAttr& other)
    : SECURITY_ATTRIBUTES{sizeof(SECURITY_ATTRIBUTES), nullptr, other.bInheritHandle}, m_security(other.m_security)
{
    refresh();
}

vbSecurityAttr& vbSecurityAttr::operator=(const vbSecurityAttr& other)
{
    if (this != &other) {
        bInheritHandle = other.bInheritHandle;
        CopyFrom(other.m_security.GetDescriptor());
    }
    return *this;
}

vbSecurityAttr::~vbSecurityAttr() = default;

void vbSecurityAttr::refresh()
{
    nLength = sizeof(SECURITY_ATTRIBUTES);
    lpSecurityDescriptor = m_security.GetDescriptor();
}

// Points the record at the descriptor as the operation left it, thrown or not.
struct vbSecurityAttr::Refresher {
    vbSecurityAttr* self;
    ~Refresher() { self->refresh(); }
};

void vbSecurityAttr::Initialize(vbSecurityType type, bool inherit)
{
    SetInherit(inherit);
    Refresher r{this};
    m_security.Initialize(type);
}

void vbSecurityAttr::SecurityEmpty()
{
    Refresher r{this};
    m_security.Empty();
}

void vbSecurityAttr::CopyFrom(const SECURITY_DESCRIPTOR* descriptor)
{
    Refresher r{this};
    m_security.CopyFrom(descriptor);
}

void vbSecurityAttr::CopyFromObject(HANDLE hObject)
{
    Refresher r{this};
    m_security.CopyFromObject(hObject);
}

void vbSecurityAttr::SetProcessUserAndGrp(bool defaulted)
{
    Refresher r{this};
    m_security.SetProcessUserAndGrp(defaulted);
}

void vbSecurityAttr::SetThreadUserAndGrp(bool defaulted, bool openAsSelf)
{
    Refresher r{this};
    m_security.SetThreadUserAndGrp(defaulted, openAsSelf);
}

void vbSecurityAttr::SetUser(PSID sid, bool defaulted)
{
    Refresher r{this};
    m_security.SetUser(sid, defaulted);
}

bool vbSecurityAttr::GetUser(vbSidData& out) const { return m_security.GetUser(out); }

void vbSecurityAttr::SetGroup(PSID sid, bool defaulted)
{
    Refresher r{this};
    m_security.SetGroup(sid, defaulted);
}

bool vbSecurityAttr::GetGroup(vbSidData& out) const { return m_security.GetGroup(out); }

void vbSecurityAttr::Allow(const char* account, DWORD accessMask)
{
    Refresher r{this};
    m_security.Allow(account, accessMask);
}

void vbSecurityAttr::Deny(const char* account, DWORD accessMask)
{
    Refresher r{this};
    m_security.Deny(account, accessMask);
}

int vbSecurityAttr::Remove(const char* account)
{
    Refresher r{this};
    return m_security.Remove(account);
}
