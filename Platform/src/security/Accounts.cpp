#include "SecurityInternal.h"

#include "plat/errors.h"

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <optional>
#include <pwd.h>
#include <strings.h>
#include <unistd.h>
#include <vector>

namespace {

using plat::sec::SidBytes;

constexpr const char* kEveryone = "Everyone";

struct Account {
    std::string name;
    std::string domain;
    SID_NAME_USE use;
    SidBytes sid;
};

// One entry of the password or group database through its reentrant reader (getpwnam_r ...).
template <class Entry, class Key, class Result>
std::optional<Result> databaseEntry(int (*reader)(Key, Entry*, char*, size_t, Entry**), Key key,
    Result (*field)(const Entry&))
{
    std::vector<char> buffer(65536);
    Entry entry, *found = nullptr;
    if (reader(key, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return std::nullopt;
    return field(*found);
}

uid_t uidOf(const passwd& entry) { return entry.pw_uid; }
gid_t gidOf(const group& entry) { return entry.gr_gid; }
std::string nameOf(const passwd& entry) { return entry.pw_name; }
std::string nameOfGroup(const group& entry) { return entry.gr_name; }

std::optional<uid_t> findUser(const std::string& name) { return databaseEntry(getpwnam_r, name.c_str(), uidOf); }
std::optional<gid_t> findGroup(const std::string& name) { return databaseEntry(getgrnam_r, name.c_str(), gidOf); }
std::optional<std::string> userName(uid_t uid) { return databaseEntry(getpwuid_r, uid, nameOf); }
std::optional<std::string> groupName(gid_t gid) { return databaseEntry(getgrgid_r, gid, nameOfGroup); }

std::optional<Account> accountByName(std::string name)
{
    std::string domain = plat::sec::localDomain();
    size_t slash = name.find('\\');
    if (slash != std::string::npos) {
        if (strcasecmp(name.substr(0, slash).c_str(), domain.c_str()) != 0)
            return std::nullopt;
        name.erase(0, slash + 1);
    }
    if (name.empty())
        return std::nullopt;
    if (slash == std::string::npos && strcasecmp(name.c_str(), kEveryone) == 0)
        return Account{kEveryone, "", SidTypeWellKnownGroup, plat::sec::everyoneSid()};
    if (auto uid = findUser(name))
        return Account{name, domain, SidTypeUser, plat::sec::userSid(*uid)};
    if (auto gid = findGroup(name))
        return Account{name, domain, SidTypeGroup, plat::sec::groupSid(*gid)};
    return std::nullopt;
}

std::optional<Account> accountBySid(PSID sid)
{
    if (plat::sec::isEveryone(sid))
        return Account{kEveryone, "", SidTypeWellKnownGroup, plat::sec::everyoneSid()};
    uid_t uid;
    gid_t gid;
    if (plat::sec::sidUser(sid, uid)) {
        if (auto name = userName(uid))
            return Account{*name, plat::sec::localDomain(), SidTypeUser, {}};
    } else if (plat::sec::sidGroup(sid, gid)) {
        if (auto name = groupName(gid))
            return Account{*name, plat::sec::localDomain(), SidTypeGroup, {}};
    }
    return std::nullopt;
}

// A text output of the lookups: fits when the buffer holds it with its final 0. On success the
// size becomes the text's length, otherwise the size needed.
bool textFits(const std::string& text, LPSTR buffer, LPDWORD size)
{
    return buffer && *size > text.size();
}

void storeText(const std::string& text, LPSTR buffer, LPDWORD size)
{
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    *size = DWORD(text.size());
}

} // namespace

BOOL LookupAccountNameA(LPCSTR lpSystemName, LPCSTR lpAccountName, PSID Sid, LPDWORD cbSid,
    LPSTR ReferencedDomainName, LPDWORD cchReferencedDomainName, PSID_NAME_USE peUse)
{
    if (!lpAccountName || !cbSid || !cchReferencedDomainName || (lpSystemName && *lpSystemName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto account = accountByName(lpAccountName);
    if (!account) {
        SetLastError(ERROR_NONE_MAPPED);
        return FALSE;
    }
    bool sidFits = Sid && *cbSid >= account->sid.size();
    if (!sidFits || !textFits(account->domain, ReferencedDomainName, cchReferencedDomainName)) {
        *cbSid = DWORD(account->sid.size());
        *cchReferencedDomainName = DWORD(account->domain.size() + 1);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(Sid, account->sid.data(), account->sid.size());
    *cbSid = DWORD(account->sid.size());
    storeText(account->domain, ReferencedDomainName, cchReferencedDomainName);
    if (peUse)
        *peUse = account->use;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL LookupAccountSidA(LPCSTR lpSystemName, PSID Sid, LPSTR Name, LPDWORD cchName, LPSTR ReferencedDomainName,
    LPDWORD cchReferencedDomainName, PSID_NAME_USE peUse)
{
    if (!cchName || !cchReferencedDomainName || (lpSystemName && *lpSystemName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!IsValidSid(Sid)) {
        SetLastError(ERROR_INVALID_SID);
        return FALSE;
    }
    auto account = accountBySid(Sid);
    if (!account) {
        SetLastError(ERROR_NONE_MAPPED);
        return FALSE;
    }
    if (!textFits(account->name, Name, cchName) || !textFits(account->domain, ReferencedDomainName, cchReferencedDomainName)) {
        *cchName = DWORD(account->name.size() + 1);
        *cchReferencedDomainName = DWORD(account->domain.size() + 1);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    storeText(account->name, Name, cchName);
    storeText(account->domain, ReferencedDomainName, cchReferencedDomainName);
    if (peUse)
        *peUse = account->use;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
