#include "SecurityInternal.h"

#include "kernel/HandleTable.h"
#include "process/ProcessObject.h"
#include "plat/errors.h"
#include "plat/process_ids.h"

#include <cstddef>
#include <cstring>
#include <mutex>
#include <strings.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

class TokenObject : public plat::KernelObject {
public:
    explicit TokenObject(DWORD access) : access(access) {}
    DWORD access;
};

// Privileges have no effect here; the process only remembers which ones its code enabled, so
// that adjusting them answers a consistent previous state. Their numbers are our own.
struct Privilege {
    const char* name;
    DWORD attributes;
};
Privilege g_privileges[] = {
    {SE_BACKUP_NAME, 0},
    {SE_CHANGE_NOTIFY_NAME, SE_PRIVILEGE_ENABLED | SE_PRIVILEGE_ENABLED_BY_DEFAULT},
    {SE_CREATE_GLOBAL_NAME, SE_PRIVILEGE_ENABLED | SE_PRIVILEGE_ENABLED_BY_DEFAULT},
    {SE_DEBUG_NAME, 0},
    {SE_INC_BASE_PRIORITY_NAME, 0},
    {SE_RESTORE_NAME, 0},
    {SE_SECURITY_NAME, 0},
    {SE_SHUTDOWN_NAME, 0},
    {SE_SYSTEMTIME_NAME, 0},
    {SE_TAKE_OWNERSHIP_NAME, 0},
};
constexpr DWORD kPrivilegeCount = sizeof g_privileges / sizeof g_privileges[0];
constexpr DWORD kFirstLuid = 2;
std::mutex g_privilegeMutex;

Privilege* privilegeOf(const LUID& luid)
{
    if (luid.HighPart != 0 || luid.LowPart < kFirstLuid || luid.LowPart >= kFirstLuid + kPrivilegeCount)
        return nullptr;
    return &g_privileges[luid.LowPart - kFirstLuid];
}

// The pseudo-handle of the current process, or a real handle naming it.
bool isCurrentProcess(HANDLE process)
{
    if (process == GetCurrentProcess())
        return true;
    DWORD savedError = GetLastError();
    auto object = plat::kernelHandles().lookupAs<plat::ProcessObject>(process);
    SetLastError(savedError);
    return object && object->kind() == plat::ProcessObject::Kind::Self;
}

// Lays out a token information block: a fixed head whose SID pointers point into the SIDs that
// follow it in the same buffer.
class InfoBlock {
public:
    explicit InfoBlock(size_t headSize) : m_bytes(headSize, 0) {}
    size_t addSid(const plat::sec::SidBytes& sid)
    {
        size_t at = m_bytes.size();
        m_bytes.insert(m_bytes.end(), sid.begin(), sid.end());
        return at;
    }
    // Copies the block to out and turns the SID offsets at the given head positions into
    // pointers.
    void store(LPVOID out, const std::vector<std::pair<size_t, size_t>>& pointerAtSidOffset) const
    {
        BYTE* base = static_cast<BYTE*>(out);
        std::memcpy(base, m_bytes.data(), m_bytes.size());
        for (auto [pointerAt, sidAt] : pointerAtSidOffset) {
            PSID sid = base + sidAt;
            std::memcpy(base + pointerAt, &sid, sizeof sid);
        }
    }
    BYTE* head() { return m_bytes.data(); }
    DWORD size() const { return DWORD(m_bytes.size()); }

private:
    std::vector<BYTE> m_bytes;
};

bool fits(const InfoBlock& block, LPVOID out, DWORD length, LPDWORD returnLength)
{
    *returnLength = block.size();
    if (!out || length < block.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    return true;
}

// TOKEN_USER, TOKEN_OWNER and TOKEN_PRIMARY_GROUP: a SID pointer first, the rest zero.
BOOL singleSidInfo(const plat::sec::SidBytes& sid, size_t headSize, LPVOID out, DWORD length, LPDWORD returnLength)
{
    InfoBlock block(headSize);
    size_t sidAt = block.addSid(sid);
    if (!fits(block, out, length, returnLength))
        return FALSE;
    block.store(out, {{0, sidAt}});
    return TRUE;
}

BOOL groupsInfo(LPVOID out, DWORD length, LPDWORD returnLength)
{
    // The primary group first, then the supplementary groups, then "Everyone".
    std::vector<plat::sec::SidBytes> sids{plat::sec::groupSid(getegid())};
    int count = getgroups(0, nullptr);
    if (count > 0) {
        std::vector<gid_t> extra(size_t(count), 0);
        count = getgroups(count, extra.data());
        for (int i = 0; i < count; ++i)
            if (extra[size_t(i)] != getegid())
                sids.push_back(plat::sec::groupSid(extra[size_t(i)]));
    }
    sids.push_back(plat::sec::everyoneSid());

    InfoBlock block(offsetof(TOKEN_GROUPS, Groups) + sids.size() * sizeof(SID_AND_ATTRIBUTES));
    DWORD groupCount = DWORD(sids.size());
    std::memcpy(block.head(), &groupCount, sizeof groupCount);
    DWORD attributes = SE_GROUP_MANDATORY | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_ENABLED;
    std::vector<std::pair<size_t, size_t>> pointers;
    for (const auto& sid : sids) {
        size_t entry = offsetof(TOKEN_GROUPS, Groups) + pointers.size() * sizeof(SID_AND_ATTRIBUTES);
        std::memcpy(block.head() + entry + offsetof(SID_AND_ATTRIBUTES, Attributes), &attributes, sizeof attributes);
        pointers.emplace_back(entry, block.addSid(sid));
    }
    if (!fits(block, out, length, returnLength))
        return FALSE;
    block.store(out, pointers);
    return TRUE;
}

BOOL privilegesInfo(LPVOID out, DWORD length, LPDWORD returnLength)
{
    InfoBlock block(offsetof(TOKEN_PRIVILEGES, Privileges) + kPrivilegeCount * sizeof(LUID_AND_ATTRIBUTES));
    if (!fits(block, out, length, returnLength))
        return FALSE;
    auto* privileges = static_cast<TOKEN_PRIVILEGES*>(out);
    std::lock_guard lock(g_privilegeMutex);
    privileges->PrivilegeCount = kPrivilegeCount;
    for (DWORD i = 0; i < kPrivilegeCount; ++i)
        privileges->Privileges[i] = {{kFirstLuid + i, 0}, g_privileges[i].attributes};
    return TRUE;
}

} // namespace

BOOL OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle)
{
    if (!TokenHandle) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!isCurrentProcess(ProcessHandle)) {
        SetLastError(plat::kernelHandles().lookup(ProcessHandle) ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    HANDLE token = plat::kernelHandles().insert(std::make_shared<TokenObject>(DesiredAccess));
    if (!token)
        return FALSE;
    *TokenHandle = token;
    return TRUE;
}

BOOL OpenThreadToken(HANDLE, DWORD, BOOL, PHANDLE TokenHandle)
{
    if (TokenHandle)
        *TokenHandle = nullptr;
    SetLastError(ERROR_NO_TOKEN);
    return FALSE;
}

BOOL GetTokenInformation(HANDLE TokenHandle, TOKEN_INFORMATION_CLASS TokenInformationClass, LPVOID TokenInformation,
    DWORD TokenInformationLength, LPDWORD ReturnLength)
{
    auto token = plat::kernelHandles().lookupAs<TokenObject>(TokenHandle);
    if (!token)
        return FALSE;
    if (!ReturnLength) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!(token->access & TOKEN_QUERY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    switch (TokenInformationClass) {
    case TokenUser:
        return singleSidInfo(plat::sec::userSid(geteuid()), sizeof(TOKEN_USER), TokenInformation,
            TokenInformationLength, ReturnLength);
    case TokenOwner:
        return singleSidInfo(plat::sec::userSid(geteuid()), sizeof(TOKEN_OWNER), TokenInformation,
            TokenInformationLength, ReturnLength);
    case TokenPrimaryGroup:
        return singleSidInfo(plat::sec::groupSid(getegid()), sizeof(TOKEN_PRIMARY_GROUP), TokenInformation,
            TokenInformationLength, ReturnLength);
    case TokenGroups:
        return groupsInfo(TokenInformation, TokenInformationLength, ReturnLength);
    case TokenPrivileges:
        return privilegesInfo(TokenInformation, TokenInformationLength, ReturnLength);
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

BOOL LookupPrivilegeValueA(LPCSTR lpSystemName, LPCSTR lpName, PLUID lpLuid)
{
    if (!lpName || !lpLuid || (lpSystemName && *lpSystemName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    for (DWORD i = 0; i < kPrivilegeCount; ++i) {
        if (strcasecmp(g_privileges[i].name, lpName) == 0) {
            *lpLuid = LUID{kFirstLuid + i, 0};
            return TRUE;
        }
    }
    SetLastError(ERROR_NO_SUCH_PRIVILEGE);
    return FALSE;
}

BOOL AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges, PTOKEN_PRIVILEGES NewState,
    DWORD BufferLength, PTOKEN_PRIVILEGES PreviousState, LPDWORD ReturnLength)
{
    auto token = plat::kernelHandles().lookupAs<TokenObject>(TokenHandle);
    if (!token)
        return FALSE;
    if (!(token->access & TOKEN_ADJUST_PRIVILEGES) || (PreviousState && !(token->access & TOKEN_QUERY))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!DisableAllPrivileges && !NewState) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(g_privilegeMutex);
    // The privileges concerned: those of NewState, or every one for DisableAllPrivileges.
    std::vector<std::pair<Privilege*, DWORD>> changes;
    bool unknown = false;
    if (DisableAllPrivileges) {
        for (DWORD i = 0; i < kPrivilegeCount; ++i)
            changes.emplace_back(&g_privileges[i], 0);
    } else {
        for (DWORD i = 0; i < NewState->PrivilegeCount; ++i) {
            Privilege* privilege = privilegeOf(NewState->Privileges[i].Luid);
            if (privilege)
                changes.emplace_back(privilege, NewState->Privileges[i].Attributes);
            else
                unknown = true;
        }
    }
    if (PreviousState) {
        DWORD needed = DWORD(offsetof(TOKEN_PRIVILEGES, Privileges) + changes.size() * sizeof(LUID_AND_ATTRIBUTES));
        if (ReturnLength)
            *ReturnLength = needed;
        if (BufferLength < needed) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
    }
    std::vector<LUID_AND_ATTRIBUTES> previous;
    for (auto [privilege, attributes] : changes) {
        previous.push_back({{kFirstLuid + DWORD(privilege - g_privileges), 0}, privilege->attributes});
        DWORD kept = privilege->attributes & SE_PRIVILEGE_ENABLED_BY_DEFAULT;
        privilege->attributes = kept | (attributes & SE_PRIVILEGE_ENABLED);
    }
    if (PreviousState) {
        PreviousState->PrivilegeCount = DWORD(previous.size());
        for (size_t i = 0; i < previous.size(); ++i)
            PreviousState->Privileges[i] = previous[i];
    }
    SetLastError(unknown ? ERROR_NOT_ALL_ASSIGNED : ERROR_SUCCESS);
    return TRUE;
}
