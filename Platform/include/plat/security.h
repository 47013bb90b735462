#pragma once

// Security identifiers, access-control lists, security descriptors and process tokens.
//
// Accounts are the local users and groups of the password and group databases. A user's SID is
// S-1-22-1-<uid>, a group's S-1-22-2-<gid>; "Everyone" is S-1-1-0. Descriptors come in the
// absolute form (pointers to their parts) that callers build, and in the self-relative form
// (offsets into one block) that GetKernelObjectSecurity answers; every reader accepts both.
//
// When a named object or file is created with a descriptor, its DACL decides the file mode:
// no descriptor, no DACL or a null DACL give the owner alone (0600); allowed entries for other
// accounts widen the mode (see plat::modeFromSecurityAttributes in the platform's sources).

#include "plat/api.h"
#include "plat/errors.h"
#include "plat/types.h"

typedef void* PSID;
typedef void* PSECURITY_DESCRIPTOR;
typedef WORD SECURITY_DESCRIPTOR_CONTROL;
typedef DWORD ACCESS_MASK;
typedef DWORD SECURITY_INFORMATION;
typedef HANDLE* PHANDLE;

struct SID_IDENTIFIER_AUTHORITY {
    BYTE Value[6];
};

// Variable length: SubAuthorityCount entries follow (at most 15).
struct SID {
    BYTE Revision;
    BYTE SubAuthorityCount;
    SID_IDENTIFIER_AUTHORITY IdentifierAuthority;
    DWORD SubAuthority[1];
};

#define SID_REVISION 1
#define SID_MAX_SUB_AUTHORITIES 15
#define SECURITY_MAX_SID_SIZE (8 + SID_MAX_SUB_AUTHORITIES * 4)

// The header of an ACL; its entries follow it in AclSize bytes.
struct ACL {
    BYTE AclRevision;
    BYTE Sbz1;
    WORD AclSize;
    WORD AceCount;
    WORD Sbz2;
};
typedef ACL* PACL;

#define ACL_REVISION 2
#define ACL_REVISION_DS 4

struct ACE_HEADER {
    BYTE AceType;
    BYTE AceFlags;
    WORD AceSize;
};

#define ACCESS_ALLOWED_ACE_TYPE 0x0
#define ACCESS_DENIED_ACE_TYPE 0x1
#define SYSTEM_AUDIT_ACE_TYPE 0x2

#define OBJECT_INHERIT_ACE 0x1
#define CONTAINER_INHERIT_ACE 0x2
#define NO_PROPAGATE_INHERIT_ACE 0x4
#define INHERIT_ONLY_ACE 0x8
#define INHERITED_ACE 0x10
#define SUCCESSFUL_ACCESS_ACE_FLAG 0x40
#define FAILED_ACCESS_ACE_FLAG 0x80

// The three entry kinds share one layout: the SID starts at SidStart and runs to AceSize.
struct ACCESS_ALLOWED_ACE {
    ACE_HEADER Header;
    ACCESS_MASK Mask;
    DWORD SidStart;
};
typedef ACCESS_ALLOWED_ACE ACCESS_DENIED_ACE;
typedef ACCESS_ALLOWED_ACE SYSTEM_AUDIT_ACE;

enum ACL_INFORMATION_CLASS { AclRevisionInformation = 1, AclSizeInformation = 2 };
struct ACL_REVISION_INFORMATION {
    DWORD AclRevision;
};
struct ACL_SIZE_INFORMATION {
    DWORD AceCount;
    DWORD AclBytesInUse;
    DWORD AclBytesFree;
};

// The absolute form. Callers give it room of SECURITY_DESCRIPTOR_MIN_LENGTH bytes.
struct SECURITY_DESCRIPTOR {
    BYTE Revision;
    BYTE Sbz1;
    SECURITY_DESCRIPTOR_CONTROL Control;
    PSID Owner;
    PSID Group;
    PACL Sacl;
    PACL Dacl;
};
typedef SECURITY_DESCRIPTOR* PISECURITY_DESCRIPTOR;

// The self-relative form: offsets from the start of the block, 0 for a missing part.
struct SECURITY_DESCRIPTOR_RELATIVE {
    BYTE Revision;
    BYTE Sbz1;
    SECURITY_DESCRIPTOR_CONTROL Control;
    DWORD Owner;
    DWORD Group;
    DWORD Sacl;
    DWORD Dacl;
};

#define SECURITY_DESCRIPTOR_REVISION 1
#define SECURITY_DESCRIPTOR_MIN_LENGTH (sizeof(SECURITY_DESCRIPTOR))

#define SE_OWNER_DEFAULTED 0x0001
#define SE_GROUP_DEFAULTED 0x0002
#define SE_DACL_PRESENT 0x0004
#define SE_DACL_DEFAULTED 0x0008
#define SE_SACL_PRESENT 0x0010
#define SE_SACL_DEFAULTED 0x0020
#define SE_SELF_RELATIVE 0x8000

#define OWNER_SECURITY_INFORMATION 0x00000001
#define GROUP_SECURITY_INFORMATION 0x00000002
#define DACL_SECURITY_INFORMATION 0x00000004
#define SACL_SECURITY_INFORMATION 0x00000008

#ifndef DELETE
#define DELETE 0x00010000
#endif
#ifndef READ_CONTROL
#define READ_CONTROL 0x00020000
#endif
#ifndef WRITE_DAC
#define WRITE_DAC 0x00040000
#endif
#ifndef WRITE_OWNER
#define WRITE_OWNER 0x00080000
#endif
#ifndef SYNCHRONIZE
#define SYNCHRONIZE 0x00100000u
#endif
#ifndef STANDARD_RIGHTS_REQUIRED
#define STANDARD_RIGHTS_REQUIRED 0x000F0000
#endif
#ifndef STANDARD_RIGHTS_ALL
#define STANDARD_RIGHTS_ALL 0x001F0000
#endif
#ifndef SPECIFIC_RIGHTS_ALL
#define SPECIFIC_RIGHTS_ALL 0x0000FFFF
#endif
#ifndef GENERIC_READ
#define GENERIC_READ 0x80000000u
#endif
#ifndef GENERIC_WRITE
#define GENERIC_WRITE 0x40000000u
#endif
#ifndef GENERIC_EXECUTE
#define GENERIC_EXECUTE 0x20000000u
#endif
#ifndef GENERIC_ALL
#define GENERIC_ALL 0x10000000u
#endif

#ifndef ERROR_REVISION_MISMATCH
#define ERROR_REVISION_MISMATCH 1306L
#endif
#ifndef ERROR_ALLOTTED_SPACE_EXCEEDED
#define ERROR_ALLOTTED_SPACE_EXCEEDED 1344L
#endif
#ifndef ERROR_UNKNOWN_REVISION
#define ERROR_UNKNOWN_REVISION 1305L
#endif

enum SID_NAME_USE {
    SidTypeUser = 1,
    SidTypeGroup,
    SidTypeDomain,
    SidTypeAlias,
    SidTypeWellKnownGroup,
};
typedef SID_NAME_USE* PSID_NAME_USE;

// SIDs
PLATAPI BOOL IsValidSid(PSID pSid);
PLATAPI DWORD GetLengthSid(PSID pSid);
PLATAPI BOOL CopySid(DWORD nDestinationSidLength, PSID pDestinationSid, PSID pSourceSid);
PLATAPI BOOL EqualSid(PSID pSid1, PSID pSid2);

// Accounts. lpSystemName must be null (the local system). Names are user or group names,
// optionally after "<host>\"; users are found before groups of the same name. Too small buffers
// fail with ERROR_INSUFFICIENT_BUFFER and the sizes needed (text sizes with their final 0);
// unknown accounts with ERROR_NONE_MAPPED.
PLATAPI BOOL LookupAccountNameA(LPCSTR lpSystemName, LPCSTR lpAccountName, PSID Sid, LPDWORD cbSid,
    LPSTR ReferencedDomainName, LPDWORD cchReferencedDomainName, PSID_NAME_USE peUse);
PLATAPI BOOL LookupAccountSidA(LPCSTR lpSystemName, PSID Sid, LPSTR Name, LPDWORD cchName,
    LPSTR ReferencedDomainName, LPDWORD cchReferencedDomainName, PSID_NAME_USE peUse);

// ACLs
PLATAPI BOOL InitializeAcl(PACL pAcl, DWORD nAclLength, DWORD dwAclRevision);
PLATAPI BOOL IsValidAcl(PACL pAcl);
PLATAPI BOOL GetAclInformation(PACL pAcl, LPVOID pAclInformation, DWORD nAclInformationLength,
    ACL_INFORMATION_CLASS dwAclInformationClass);
PLATAPI BOOL AddAccessAllowedAce(PACL pAcl, DWORD dwAceRevision, DWORD AccessMask, PSID pSid);
PLATAPI BOOL AddAccessDeniedAce(PACL pAcl, DWORD dwAceRevision, DWORD AccessMask, PSID pSid);
// Inserts the entries of pAceList (nAceListLength bytes) before entry dwStartingAceIndex;
// MAXDWORD (or any index past the end) appends them.
PLATAPI BOOL AddAce(PACL pAcl, DWORD dwAceRevision, DWORD dwStartingAceIndex, LPVOID pAceList,
    DWORD nAceListLength);
PLATAPI BOOL GetAce(PACL pAcl, DWORD dwAceIndex, LPVOID* pAce);
PLATAPI BOOL DeleteAce(PACL pAcl, DWORD dwAceIndex);
#ifndef MAXDWORD
#define MAXDWORD 0xFFFFFFFFu
#endif

// Descriptors
PLATAPI BOOL InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR pSecurityDescriptor, DWORD dwRevision);
PLATAPI BOOL IsValidSecurityDescriptor(PSECURITY_DESCRIPTOR pSecurityDescriptor);
PLATAPI BOOL SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR pSecurityDescriptor, BOOL bDaclPresent, PACL pDacl,
    BOOL bDaclDefaulted);
PLATAPI BOOL SetSecurityDescriptorSacl(PSECURITY_DESCRIPTOR pSecurityDescriptor, BOOL bSaclPresent, PACL pSacl,
    BOOL bSaclDefaulted);
PLATAPI BOOL SetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR pSecurityDescriptor, PSID pOwner, BOOL bOwnerDefaulted);
PLATAPI BOOL SetSecurityDescriptorGroup(PSECURITY_DESCRIPTOR pSecurityDescriptor, PSID pGroup, BOOL bGroupDefaulted);
PLATAPI BOOL GetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR pSecurityDescriptor, LPBOOL lpbDaclPresent, PACL* pDacl,
    LPBOOL lpbDaclDefaulted);
PLATAPI BOOL GetSecurityDescriptorSacl(PSECURITY_DESCRIPTOR pSecurityDescriptor, LPBOOL lpbSaclPresent, PACL* pSacl,
    LPBOOL lpbSaclDefaulted);
PLATAPI BOOL GetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR pSecurityDescriptor, PSID* pOwner,
    LPBOOL lpbOwnerDefaulted);
PLATAPI BOOL GetSecurityDescriptorGroup(PSECURITY_DESCRIPTOR pSecurityDescriptor, PSID* pGroup,
    LPBOOL lpbGroupDefaulted);

// The self-relative descriptor of a kernel object the platform created on a file (named
// objects, files): owner, group and a DACL built from the file's owner, group and mode.
// Too small a buffer fails with ERROR_INSUFFICIENT_BUFFER and the size in *lpnLengthNeeded; a
// handle whose object has no file fails with ERROR_NOT_SUPPORTED.
PLATAPI BOOL GetKernelObjectSecurity(HANDLE Handle, SECURITY_INFORMATION RequestedInformation,
    PSECURITY_DESCRIPTOR pSecurityDescriptor, DWORD nLength, LPDWORD lpnLengthNeeded);

// Tokens. The process has one token (its user, primary group and groups); threads never have
// their own, so OpenThreadToken fails with ERROR_NO_TOKEN.
#define TOKEN_ASSIGN_PRIMARY 0x0001
#define TOKEN_DUPLICATE 0x0002
#define TOKEN_IMPERSONATE 0x0004
#define TOKEN_QUERY 0x0008
#define TOKEN_QUERY_SOURCE 0x0010
#define TOKEN_ADJUST_PRIVILEGES 0x0020
#define TOKEN_ADJUST_GROUPS 0x0040
#define TOKEN_ADJUST_DEFAULT 0x0080
#define TOKEN_ALL_ACCESS 0x000F01FF

enum TOKEN_INFORMATION_CLASS {
    TokenUser = 1,
    TokenGroups,
    TokenPrivileges,
    TokenOwner,
    TokenPrimaryGroup,
};

struct SID_AND_ATTRIBUTES {
    PSID Sid;
    DWORD Attributes;
};
struct TOKEN_USER {
    SID_AND_ATTRIBUTES User;
};
struct TOKEN_OWNER {
    PSID Owner;
};
struct TOKEN_PRIMARY_GROUP {
    PSID PrimaryGroup;
};
struct TOKEN_GROUPS {
    DWORD GroupCount;
    SID_AND_ATTRIBUTES Groups[1];
};
#define SE_GROUP_MANDATORY 0x00000001
#define SE_GROUP_ENABLED_BY_DEFAULT 0x00000002
#define SE_GROUP_ENABLED 0x00000004

struct LUID {
    DWORD LowPart;
    LONG HighPart;
};
typedef LUID* PLUID;
struct LUID_AND_ATTRIBUTES {
    LUID Luid;
    DWORD Attributes;
};
struct TOKEN_PRIVILEGES {
    DWORD PrivilegeCount;
    LUID_AND_ATTRIBUTES Privileges[1];
};
typedef TOKEN_PRIVILEGES* PTOKEN_PRIVILEGES;
#define SE_PRIVILEGE_ENABLED_BY_DEFAULT 0x00000001
#define SE_PRIVILEGE_ENABLED 0x00000002
#define SE_PRIVILEGE_REMOVED 0x00000004

#define SE_BACKUP_NAME "SeBackupPrivilege"
#define SE_CHANGE_NOTIFY_NAME "SeChangeNotifyPrivilege"
#define SE_CREATE_GLOBAL_NAME "SeCreateGlobalPrivilege"
#define SE_DEBUG_NAME "SeDebugPrivilege"
#define SE_INC_BASE_PRIORITY_NAME "SeIncreaseBasePriorityPrivilege"
#define SE_RESTORE_NAME "SeRestorePrivilege"
#define SE_SECURITY_NAME "SeSecurityPrivilege"
#define SE_SHUTDOWN_NAME "SeShutdownPrivilege"
#define SE_SYSTEMTIME_NAME "SeSystemtimePrivilege"
#define SE_TAKE_OWNERSHIP_NAME "SeTakeOwnershipPrivilege"

// hProcess: the current process (its pseudo-handle or a handle naming it); others fail with
// ERROR_ACCESS_DENIED. The token is a kernel handle the caller closes.
PLATAPI BOOL OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle);
PLATAPI BOOL OpenThreadToken(HANDLE ThreadHandle, DWORD DesiredAccess, BOOL OpenAsSelf, PHANDLE TokenHandle);
PLATAPI BOOL GetTokenInformation(HANDLE TokenHandle, TOKEN_INFORMATION_CLASS TokenInformationClass,
    LPVOID TokenInformation, DWORD TokenInformationLength, LPDWORD ReturnLength);
PLATAPI BOOL LookupPrivilegeValueA(LPCSTR lpSystemName, LPCSTR lpName, PLUID lpLuid);
// Privileges are remembered per process and change nothing else. PreviousState receives, for
// every privilege of NewState, the attributes it had before.
PLATAPI BOOL AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges, PTOKEN_PRIVILEGES NewState,
    DWORD BufferLength, PTOKEN_PRIVILEGES PreviousState, LPDWORD ReturnLength);
