#include "SecurityMode.h"

#include "kernel/FileObject.h"
#include "kernel/HandleTable.h"
#include "SecurityInternal.h"
#include "plat/errors.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {
namespace {

constexpr mode_t kOwnerOnly = 0600;
constexpr mode_t kRead = 4;
constexpr mode_t kWrite = 2;

mode_t bitsOf(ACCESS_MASK mask)
{
    mode_t bits = 0;
    if (mask & (GENERIC_READ | GENERIC_EXECUTE | GENERIC_ALL | READ_CONTROL | SYNCHRONIZE | SPECIFIC_RIGHTS_ALL))
        bits |= kRead;
    if (mask & (GENERIC_WRITE | GENERIC_ALL | DELETE | WRITE_DAC | WRITE_OWNER | SPECIFIC_RIGHTS_ALL))
        bits |= kWrite;
    return bits;
}

constexpr unsigned kGroupClass = 1;
constexpr unsigned kOtherClass = 2;

unsigned classesOf(PSID sid)
{
    if (sec::isEveryone(sid))
        return kGroupClass | kOtherClass;
    uid_t uid;
    if (sec::sidUser(sid, uid))
        return uid == geteuid() ? 0 : kOtherClass;
    gid_t gid;
    if (sec::sidGroup(sid, gid))
        return gid == getegid() ? kGroupClass : kOtherClass;
    return kOtherClass;
}

} // namespace

mode_t modeFromSecurityAttributes(const SECURITY_ATTRIBUTES* attributes)
{
    sec::DescriptorParts parts;
    if (!attributes || !attributes->lpSecurityDescriptor)
        return kOwnerOnly;
    DWORD savedError = GetLastError();
    bool readable = sec::readDescriptor(attributes->lpSecurityDescriptor, parts);
    SetLastError(savedError);
    if (!readable || !(parts.control & SE_DACL_PRESENT) || !parts.dacl || !IsValidAcl(parts.dacl))
        return kOwnerOnly;

    mode_t decided[2] = {0, 0}, granted[2] = {0, 0};
    for (DWORD i = 0; i < parts.dacl->AceCount; ++i) {
        LPVOID entry;
        if (!GetAce(parts.dacl, i, &entry))
            break;
        auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        BYTE type = ace->Header.AceType;
        if ((type != ACCESS_ALLOWED_ACE_TYPE && type != ACCESS_DENIED_ACE_TYPE) || (ace->Header.AceFlags & INHERIT_ONLY_ACE))
            continue;
        unsigned classes = classesOf(&ace->SidStart);
        mode_t bits = bitsOf(ace->Mask);
        for (int c = 0; c < 2; ++c) {
            if (!(classes & (1u << c)))
                continue;
            if (type == ACCESS_ALLOWED_ACE_TYPE)
                granted[c] |= bits & ~decided[c];
            decided[c] |= bits;
        }
    }
    return kOwnerOnly | (granted[0] << 3) | granted[1];
}

} // namespace plat

namespace {

// The access an allowed entry gives for a class's mode bits.
ACCESS_MASK maskOf(mode_t bits)
{
    ACCESS_MASK mask = 0;
    if (bits & 4)
        mask |= GENERIC_READ;
    if (bits & 2)
        mask |= GENERIC_WRITE;
    return mask;
}

} // namespace

BOOL GetKernelObjectSecurity(HANDLE Handle, SECURITY_INFORMATION RequestedInformation,
    PSECURITY_DESCRIPTOR pSecurityDescriptor, DWORD nLength, LPDWORD lpnLengthNeeded)
{
    auto object = plat::kernelHandles().lookup(Handle);
    if (!object)
        return FALSE;
    if (!lpnLengthNeeded) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Named objects tell their file; files are their descriptor.
    auto* secured = dynamic_cast<plat::SecuredObject*>(object.get());
    DWORD savedError = GetLastError();
    int fd = secured ? secured->securityFd() : plat::fileDescriptorOf(Handle);
    SetLastError(savedError);
    if (fd < 0) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        vntSetLastErrorFromErrno(errno);
        return FALSE;
    }
    plat::sec::SidBytes owner = plat::sec::userSid(st.st_uid);
    plat::sec::SidBytes group = plat::sec::groupSid(st.st_gid);
    plat::sec::SidBytes world = plat::sec::everyoneSid();
    std::vector<BYTE> dacl(sizeof(ACL) + 3 * (8 + SECURITY_MAX_SID_SIZE));
    PACL acl = reinterpret_cast<PACL>(dacl.data());
    InitializeAcl(acl, DWORD(dacl.size()), ACL_REVISION);
    if (ACCESS_MASK mask = maskOf((st.st_mode >> 6) & 7))
        AddAccessAllowedAce(acl, ACL_REVISION, mask, owner.data());
    if (ACCESS_MASK mask = maskOf((st.st_mode >> 3) & 7))
        AddAccessAllowedAce(acl, ACL_REVISION, mask, group.data());
    if (ACCESS_MASK mask = maskOf(st.st_mode & 7))
        AddAccessAllowedAce(acl, ACL_REVISION, mask, world.data());
    ACL_SIZE_INFORMATION info{};
    GetAclInformation(acl, &info, sizeof info, AclSizeInformation);
    acl->AclSize = WORD(info.AclBytesInUse);

    plat::sec::DescriptorParts parts;
    if (RequestedInformation & OWNER_SECURITY_INFORMATION)
        parts.owner = owner.data();
    if (RequestedInformation & GROUP_SECURITY_INFORMATION)
        parts.group = group.data();
    if (RequestedInformation & DACL_SECURITY_INFORMATION) {
        parts.control |= SE_DACL_PRESENT;
        parts.dacl = acl;
    }
    std::vector<BYTE> block = plat::sec::buildSelfRelative(parts);
    *lpnLengthNeeded = DWORD(block.size());
    if (!pSecurityDescriptor || nLength < block.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(pSecurityDescriptor, block.data(), block.size());
    return TRUE;
}
