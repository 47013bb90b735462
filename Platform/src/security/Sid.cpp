#include "SecurityInternal.h"

#include "plat/errors.h"

#include <climits>
#include <cstring>
#include <unistd.h>

namespace plat::sec {
namespace {

// Local users and groups are told apart by the first sub-authority under authority 22, as uids
// and gids are numbered independently.
constexpr BYTE kUnixAuthority = 22;
constexpr DWORD kUnixUser = 1;
constexpr DWORD kUnixGroup = 2;
constexpr BYTE kWorldAuthority = 1;

SidBytes makeSid(BYTE authority, std::initializer_list<DWORD> subAuthorities)
{
    SidBytes bytes(8 + 4 * subAuthorities.size(), 0);
    bytes[0] = SID_REVISION;
    bytes[1] = BYTE(subAuthorities.size());
    bytes[7] = authority;
    size_t offset = 8;
    for (DWORD value : subAuthorities) {
        std::memcpy(&bytes[offset], &value, 4);
        offset += 4;
    }
    return bytes;
}

bool unixSid(PSID sid, DWORD kind, DWORD& id)
{
    if (!IsValidSid(sid))
        return false;
    auto* s = static_cast<const SID*>(sid);
    const BYTE* auth = s->IdentifierAuthority.Value;
    if (s->SubAuthorityCount != 2 || auth[0] || auth[1] || auth[2] || auth[3] || auth[4] || auth[5] != kUnixAuthority)
        return false;
    DWORD sub[2];
    std::memcpy(sub, static_cast<const BYTE*>(sid) + 8, sizeof sub);
    if (sub[0] != kind)
        return false;
    id = sub[1];
    return true;
}

} // namespace

SidBytes userSid(uid_t uid) { return makeSid(kUnixAuthority, {kUnixUser, DWORD(uid)}); }
SidBytes groupSid(gid_t gid) { return makeSid(kUnixAuthority, {kUnixGroup, DWORD(gid)}); }
SidBytes everyoneSid() { return makeSid(kWorldAuthority, {0}); }

bool isEveryone(PSID sid)
{
    SidBytes world = everyoneSid();
    return EqualSid(sid, world.data()) != FALSE;
}

bool sidUser(PSID sid, uid_t& uid)
{
    DWORD id;
    if (!unixSid(sid, kUnixUser, id))
        return false;
    uid = uid_t(id);
    return true;
}

bool sidGroup(PSID sid, gid_t& gid)
{
    DWORD id;
    if (!unixSid(sid, kUnixGroup, id))
        return false;
    gid = gid_t(id);
    return true;
}

std::string localDomain()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0 || !name[0])
        return "localhost";
    return name;
}

} // namespace plat::sec

BOOL IsValidSid(PSID pSid)
{
    auto* s = static_cast<const SID*>(pSid);
    return s && s->Revision == SID_REVISION && s->SubAuthorityCount <= SID_MAX_SUB_AUTHORITIES;
}

DWORD GetLengthSid(PSID pSid)
{
    if (!IsValidSid(pSid)) {
        SetLastError(ERROR_INVALID_SID);
        return 0;
    }
    return 8 + 4 * DWORD(static_cast<const SID*>(pSid)->SubAuthorityCount);
}

BOOL CopySid(DWORD nDestinationSidLength, PSID pDestinationSid, PSID pSourceSid)
{
    DWORD length = GetLengthSid(pSourceSid);
    if (!length)
        return FALSE;
    if (!pDestinationSid || nDestinationSidLength < length) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memmove(pDestinationSid, pSourceSid, length);
    return TRUE;
}

BOOL EqualSid(PSID pSid1, PSID pSid2)
{
    if (!IsValidSid(pSid1) || !IsValidSid(pSid2)) {
        SetLastError(ERROR_INVALID_SID);
        return FALSE;
    }
    DWORD length = GetLengthSid(pSid1);
    SetLastError(ERROR_SUCCESS);
    return length == GetLengthSid(pSid2) && std::memcmp(pSid1, pSid2, length) == 0;
}
