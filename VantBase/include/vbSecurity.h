#pragma once

// Security descriptors for the kernel objects that several processes share. vbSecurity owns one
// absolute descriptor and copies of its owner, group, DACL and SACL, so the object is
// self-contained and its copies are deep. vbSecurityAttr is a SECURITY_ATTRIBUTES record whose
// descriptor is a vbSecurity: a vbSecurityAttr* passes wherever a SECURITY_ATTRIBUTES* is taken.
// Every failing system call throws vbEsys with the last error (0x80070000 | low 16 bits).

#include "vbExport.h"
#include "vbString.h"
#include "vbTdata.h"

#include "plat/security.h"
#include "plat/types.h"

#include <cstdint>

// What a new descriptor holds.
enum vbSecurityType : int32_t {
    // No descriptor: the system's default security applies.
    vbSecurityTypeNone = 0,
    // An initialised descriptor without DACL.
    vbSecurityTypeNoDacl = 1,
    // An initialised descriptor with a present, null DACL (every access to everyone); every
    // value from 2 on means this.
    vbSecurityTypeNullDacl = 2,
};

typedef vbTdata<SID> vbSidData;
typedef vbTdata<ACL> vbAclData;

class VBAPI vbSecurity {
public:
    vbSecurity(vbSecurityType type = vbSecurityTypeNullDacl);
    explicit vbSecurity(const SECURITY_DESCRIPTOR* descriptor);
    vbSecurity(const vbSecurity& other);
    vbSecurity& operator=(const vbSecurity& other);
    ~vbSecurity();

    void Initialize(vbSecurityType type);
    void Empty() { Initialize(vbSecurityTypeNone); }

    void SetProcessUserAndGrp(bool defaulted);
    // From the calling thread's token, or the process's when the thread has none.
    void SetThreadUserAndGrp(bool defaulted, bool openAsSelf);
    void SetUser(PSID sid, bool defaulted);
    void SetGroup(PSID sid, bool defaulted);
    // Copy the owner (group) into out; answer whether it was defaulted.
    bool GetUser(vbSidData& out) const;
    bool GetGroup(vbSidData& out) const;

    // Append an entry for the account at the end of the DACL; a null DACL gives way to one that
    // holds only the new entry.
    void Allow(const char* account, DWORD accessMask);
    void Deny(const char* account, DWORD accessMask);
    // Removes the account's allowed, denied and audit entries; answers how many went.
    int Remove(const char* account);

    // A deep copy; null empties this descriptor (type 0). Every entry keeps its own kind.
    void CopyFrom(const SECURITY_DESCRIPTOR* descriptor);
    // Owner, group and DACL of a kernel object.
    void CopyFromObject(HANDLE hObject);
    bool Check(bool throwIfBad) const;

    // The descriptor, null for type 0.
    SECURITY_DESCRIPTOR* GetDescriptor() const;
    operator SECURITY_DESCRIPTOR*() const { return GetDescriptor(); }

    // --- token, account and ACL helpers ---
    static bool GetProcessSids(vbSidData* user, vbSidData* group, bool throwIfNoToken);
    static bool GetThreadSids(vbSidData* user, vbSidData* group, bool openAsSelf, bool throwIfNoToken);
    static void GetTokenSids(HANDLE token, vbSidData* user, vbSidData* group);
    static void GetCurrentUserSID(vbSidData& out);
    // Answers the account's domain.
    static vbString GetUserOrGrpSID(const char* account, vbSidData& out);
    // Appends every entry of source (null: none) to destination, each as it is.
    static void CopyACL(ACL* destination, ACL* source);
    static void AddAccessAllowedACEToACL(vbAclData& acl, const char* account, DWORD mask);
    static void AddAccessDeniedACEToACL(vbAclData& acl, const char* account, DWORD mask);
    static int RemoveUserOrGrpFromACL(ACL* acl, const char* account);
    static void SetProcessPrivilege(const char* privilege, bool enable);
    static void SetThreadPrivilege(const char* privilege, bool enable, bool openAsSelf);
    static void SetPrivilege(HANDLE token, const char* privilege, bool enable);

private:
    void checkDescriptor(const char* op) const;
    void copyAclPart(const SECURITY_DESCRIPTOR* source, bool sacl);
    void setAccount(PSID sid, bool defaulted, bool group);
    bool getAccount(vbSidData& out, bool group) const;
    void addEntry(const char* account, DWORD mask, bool deny);

    // The descriptor lives in the object itself (it holds pointers, which a byte block would not
    // keep aligned); m_bHasDescriptor says whether there is one.
    SECURITY_DESCRIPTOR m_sd = {};
    bool m_bHasDescriptor = false;
    mutable vbSidData m_owner;
    mutable vbSidData m_group;
    vbAclData m_dacl;
    vbAclData m_sacl;
    mutable bool m_bOwnerDefaulted = false;
    mutable bool m_bOwnerRead = false;
    mutable bool m_bGroupDefaulted = false;
    mutable bool m_bGroupRead = false;
};

// The record first, so that the object is its SECURITY_ATTRIBUTES; lpSecurityDescriptor always
// points at the descriptor of m_security (null for type 0).
class VBAPI vbSecurityAttr : public SECURITY_ATTRIBUTES {
public:
    // On a system of the Windows 95 family the type is replaced by 0.
    vbSecurityAttr(vbSecurityType type = vbSecurityTypeNullDacl, bool inherit = false);
    vbSecurityAttr(const SECURITY_DESCRIPTOR* descriptor, bool inherit);
    vbSecurityAttr(const vbSecurity& security, bool inherit);
    vbSecurityAttr(const vbSecurityAttr& other);
    vbSecurityAttr& operator=(const vbSecurityAttr& other);
    ~vbSecurityAttr();

    void Initialize(vbSecurityType type, bool inherit);
    bool GetInherit() const { return bInheritHandle != FALSE; }
    void SetInherit(bool inherit) { bInheritHandle = inherit ? TRUE : FALSE; }
    void SecurityEmpty();

    operator SECURITY_DESCRIPTOR*() const { return m_security.GetDescriptor(); }
    operator SECURITY_ATTRIBUTES*() { return this; }
    operator const SECURITY_ATTRIBUTES*() const { return this; }
    const vbSecurity& GetSecurity() const { return m_security; }

    void CopyFrom(const SECURITY_DESCRIPTOR* descriptor);
    void CopyFromObject(HANDLE hObject);
    void SetProcessUserAndGrp(bool defaulted);
    void SetThreadUserAndGrp(bool defaulted, bool openAsSelf);
    void SetUser(PSID sid, bool defaulted);
    bool GetUser(vbSidData& out) const;
    void SetGroup(PSID sid, bool defaulted);
    bool GetGroup(vbSidData& out) const;
    void Allow(const char* account, DWORD accessMask);
    void Deny(const char* account, DWORD accessMask);
    int Remove(const char* account);

private:
    struct Refresher;
    void refresh();

    vbSecurity m_security;
};
