#include "plat/errors.h"
#include "plat/security.h"

#include <cstring>

namespace {

constexpr DWORD kAclHeader = sizeof(ACL);
constexpr DWORD kAceFixed = sizeof(ACE_HEADER) + sizeof(ACCESS_MASK);

bool knownAceType(BYTE type)
{
    return type == ACCESS_ALLOWED_ACE_TYPE || type == ACCESS_DENIED_ACE_TYPE || type == SYSTEM_AUDIT_ACE_TYPE;
}

bool validRevision(DWORD revision) { return revision >= ACL_REVISION && revision <= ACL_REVISION_DS; }

BYTE* aclBytes(PACL acl) { return reinterpret_cast<BYTE*>(acl); }

// Checks the entries of an ACL and answers the bytes they use (header included); 0 when the
// ACL is malformed.
DWORD bytesInUse(const ACL* acl)
{
    if (!acl || !validRevision(acl->AclRevision) || acl->AclSize < kAclHeader)
        return 0;
    const BYTE* base = reinterpret_cast<const BYTE*>(acl);
    DWORD offset = kAclHeader;
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        if (offset + sizeof(ACE_HEADER) > acl->AclSize)
            return 0;
        ACE_HEADER header;
        std::memcpy(&header, base + offset, sizeof header);
        if (header.AceSize < sizeof(ACE_HEADER) || header.AceSize % 4 != 0 || offset + header.AceSize > acl->AclSize)
            return 0;
        if (knownAceType(header.AceType)) {
            PSID sid = const_cast<BYTE*>(base + offset + kAceFixed);
            if (header.AceSize < kAceFixed + 8 || !IsValidSid(sid) || kAceFixed + GetLengthSid(sid) > header.AceSize)
                return 0;
        }
        offset += header.AceSize;
    }
    return offset;
}

// Byte offset of entry index (index == AceCount gives the end of the entries).
DWORD entryOffset(const ACL* acl, DWORD index)
{
    const BYTE* base = reinterpret_cast<const BYTE*>(acl);
    DWORD offset = kAclHeader;
    for (DWORD i = 0; i < index; ++i) {
        ACE_HEADER header;
        std::memcpy(&header, base + offset, sizeof header);
        offset += header.AceSize;
    }
    return offset;
}

// The bytes in use of an ACL that entries of this revision may be added to; 0 otherwise.
DWORD usedForAdding(PACL acl, DWORD revision)
{
    DWORD used = bytesInUse(acl);
    if (!used) {
        SetLastError(ERROR_INVALID_ACL);
        return 0;
    }
    if (!validRevision(revision)) {
        SetLastError(ERROR_REVISION_MISMATCH);
        return 0;
    }
    return used;
}

BOOL addSimpleAce(PACL acl, DWORD revision, BYTE type, DWORD mask, PSID sid)
{
    DWORD used = usedForAdding(acl, revision);
    if (!used)
        return FALSE;
    if (!IsValidSid(sid)) {
        SetLastError(ERROR_INVALID_SID);
        return FALSE;
    }
    DWORD size = kAceFixed + GetLengthSid(sid);
    if (used + size > acl->AclSize || acl->AceCount == 0xFFFF) {
        SetLastError(ERROR_ALLOTTED_SPACE_EXCEEDED);
        return FALSE;
    }
    ACE_HEADER header{type, 0, WORD(size)};
    BYTE* at = aclBytes(acl) + used;
    std::memcpy(at, &header, sizeof header);
    std::memcpy(at + sizeof header, &mask, sizeof mask);
    std::memcpy(at + kAceFixed, sid, GetLengthSid(sid));
    ++acl->AceCount;
    if (revision > acl->AclRevision)
        acl->AclRevision = BYTE(revision);
    return TRUE;
}

} // namespace

BOOL InitializeAcl(PACL pAcl, DWORD nAclLength, DWORD dwAclRevision)
{
    if (!pAcl || nAclLength > 0xFFFF) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (nAclLength < kAclHeader) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (!validRevision(dwAclRevision)) {
        SetLastError(ERROR_REVISION_MISMATCH);
        return FALSE;
    }
    // Entries are 4-byte aligned, so the usable size is too.
    *pAcl = ACL{BYTE(dwAclRevision), 0, WORD(nAclLength & ~3u), 0, 0};
    return TRUE;
}

BOOL IsValidAcl(PACL pAcl) { return bytesInUse(pAcl) != 0; }

BOOL GetAclInformation(PACL pAcl, LPVOID pAclInformation, DWORD nAclInformationLength,
    ACL_INFORMATION_CLASS dwAclInformationClass)
{
    DWORD used = bytesInUse(pAcl);
    if (!used) {
        SetLastError(ERROR_INVALID_ACL);
        return FALSE;
    }
    if (dwAclInformationClass == AclSizeInformation) {
        if (!pAclInformation || nAclInformationLength < sizeof(ACL_SIZE_INFORMATION)) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        ACL_SIZE_INFORMATION info{pAcl->AceCount, used, DWORD(pAcl->AclSize) - used};
        std::memcpy(pAclInformation, &info, sizeof info);
        return TRUE;
    }
    if (dwAclInformationClass == AclRevisionInformation) {
        if (!pAclInformation || nAclInformationLength < sizeof(ACL_REVISION_INFORMATION)) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        ACL_REVISION_INFORMATION info{pAcl->AclRevision};
        std::memcpy(pAclInformation, &info, sizeof info);
        return TRUE;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

BOOL AddAccessAllowedAce(PACL pAcl, DWORD dwAceRevision, DWORD AccessMask, PSID pSid)
{
    return addSimpleAce(pAcl, dwAceRevision, ACCESS_ALLOWED_ACE_TYPE, AccessMask, pSid);
}

BOOL AddAccessDeniedAce(PACL pAcl, DWORD dwAceRevision, DWORD AccessMask, PSID pSid)
{
    return addSimpleAce(pAcl, dwAceRevision, ACCESS_DENIED_ACE_TYPE, AccessMask, pSid);
}

BOOL AddAce(PACL pAcl, DWORD dwAceRevision, DWORD dwStartingAceIndex, LPVOID pAceList, DWORD nAceListLength)
{
    DWORD used = usedForAdding(pAcl, dwAceRevision);
    if (!used)
        return FALSE;
    if (!pAceList && nAceListLength) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The list must be whole entries.
    const BYTE* list = static_cast<const BYTE*>(pAceList);
    DWORD count = 0;
    for (DWORD offset = 0; offset < nAceListLength; ++count) {
        ACE_HEADER header;
        if (offset + sizeof header > nAceListLength) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        std::memcpy(&header, list + offset, sizeof header);
        if (header.AceSize < sizeof header || header.AceSize % 4 != 0 || offset + header.AceSize > nAceListLength) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        offset += header.AceSize;
    }
    if (used + nAceListLength > pAcl->AclSize || pAcl->AceCount + count > 0xFFFF) {
        SetLastError(ERROR_ALLOTTED_SPACE_EXCEEDED);
        return FALSE;
    }
    DWORD index = dwStartingAceIndex > pAcl->AceCount ? pAcl->AceCount : dwStartingAceIndex;
    DWORD at = entryOffset(pAcl, index);
    BYTE* base = aclBytes(pAcl);
    std::memmove(base + at + nAceListLength, base + at, used - at);
    std::memcpy(base + at, list, nAceListLength);
    pAcl->AceCount = WORD(pAcl->AceCount + count);
    if (dwAceRevision > pAcl->AclRevision)
        pAcl->AclRevision = BYTE(dwAceRevision);
    return TRUE;
}

BOOL GetAce(PACL pAcl, DWORD dwAceIndex, LPVOID* pAce)
{
    if (!bytesInUse(pAcl)) {
        SetLastError(ERROR_INVALID_ACL);
        return FALSE;
    }
    if (!pAce || dwAceIndex >= pAcl->AceCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *pAce = aclBytes(pAcl) + entryOffset(pAcl, dwAceIndex);
    return TRUE;
}

BOOL DeleteAce(PACL pAcl, DWORD dwAceIndex)
{
    DWORD used = bytesInUse(pAcl);
    if (!used) {
        SetLastError(ERROR_INVALID_ACL);
        return FALSE;
    }
    if (dwAceIndex >= pAcl->AceCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    BYTE* base = aclBytes(pAcl);
    DWORD at = entryOffset(pAcl, dwAceIndex);
    ACE_HEADER header;
    std::memcpy(&header, base + at, sizeof header);
    std::memmove(base + at, base + at + header.AceSize, used - at - header.AceSize);
    std::memset(base + used - header.AceSize, 0, header.AceSize);
    --pAcl->AceCount;
    return TRUE;
}
