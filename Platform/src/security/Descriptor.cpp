#include "SecurityInternal.h"

#include "plat/errors.h"

#include <cstring>

namespace {

using plat::sec::DescriptorParts;

SECURITY_DESCRIPTOR* absoluteForm(PSECURITY_DESCRIPTOR descriptor)
{
    auto* sd = static_cast<SECURITY_DESCRIPTOR*>(descriptor);
    if (!sd || sd->Revision != SECURITY_DESCRIPTOR_REVISION || (sd->Control & SE_SELF_RELATIVE)) {
        SetLastError(ERROR_INVALID_SECURITY_DESCR);
        return nullptr;
    }
    return sd;
}

BOOL setAcl(PSECURITY_DESCRIPTOR descriptor, BOOL present, PACL acl, BOOL defaulted, WORD presentBit,
    WORD defaultedBit, PACL SECURITY_DESCRIPTOR::*member)
{
    SECURITY_DESCRIPTOR* sd = absoluteForm(descriptor);
    if (!sd)
        return FALSE;
    sd->Control &= WORD(~(presentBit | defaultedBit));
    if (present) {
        sd->Control |= presentBit;
        if (defaulted)
            sd->Control |= defaultedBit;
        sd->*member = acl;
    } else {
        sd->*member = nullptr;
    }
    return TRUE;
}

BOOL setSid(PSECURITY_DESCRIPTOR descriptor, PSID sid, BOOL defaulted, WORD defaultedBit,
    PSID SECURITY_DESCRIPTOR::*member)
{
    SECURITY_DESCRIPTOR* sd = absoluteForm(descriptor);
    if (!sd)
        return FALSE;
    sd->*member = sid;
    sd->Control &= WORD(~defaultedBit);
    if (defaulted)
        sd->Control |= defaultedBit;
    return TRUE;
}

BOOL getAcl(PSECURITY_DESCRIPTOR descriptor, LPBOOL present, PACL* acl, LPBOOL defaulted, WORD presentBit,
    WORD defaultedBit, PACL DescriptorParts::*member)
{
    DescriptorParts parts;
    if (!present || !acl || !plat::sec::readDescriptor(descriptor, parts)) {
        if (!present || !acl)
            SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *present = (parts.control & presentBit) ? TRUE : FALSE;
    *acl = *present ? parts.*member : nullptr;
    if (defaulted)
        *defaulted = (parts.control & defaultedBit) ? TRUE : FALSE;
    return TRUE;
}

BOOL getSid(PSECURITY_DESCRIPTOR descriptor, PSID* sid, LPBOOL defaulted, WORD defaultedBit,
    PSID DescriptorParts::*member)
{
    DescriptorParts parts;
    if (!sid || !defaulted) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!plat::sec::readDescriptor(descriptor, parts))
        return FALSE;
    *sid = parts.*member;
    *defaulted = (parts.control & defaultedBit) ? TRUE : FALSE;
    return TRUE;
}

DWORD aclLength(PACL acl) { return acl ? acl->AclSize : 0; }

} // namespace

namespace plat::sec {

bool readDescriptor(PSECURITY_DESCRIPTOR descriptor, DescriptorParts& parts)
{
    auto* header = static_cast<const BYTE*>(descriptor);
    if (!header || header[0] != SECURITY_DESCRIPTOR_REVISION) {
        SetLastError(ERROR_INVALID_SECURITY_DESCR);
        return false;
    }
    SECURITY_DESCRIPTOR_CONTROL control;
    std::memcpy(&control, header + 2, sizeof control);
    parts.control = control;
    if (control & SE_SELF_RELATIVE) {
        SECURITY_DESCRIPTOR_RELATIVE rel;
        std::memcpy(&rel, header, sizeof rel);
        BYTE* base = static_cast<BYTE*>(descriptor);
        parts.owner = rel.Owner ? base + rel.Owner : nullptr;
        parts.group = rel.Group ? base + rel.Group : nullptr;
        parts.sacl = rel.Sacl ? reinterpret_cast<PACL>(base + rel.Sacl) : nullptr;
        parts.dacl = rel.Dacl ? reinterpret_cast<PACL>(base + rel.Dacl) : nullptr;
    } else {
        auto* sd = static_cast<const SECURITY_DESCRIPTOR*>(descriptor);
        parts.owner = sd->Owner;
        parts.group = sd->Group;
        parts.sacl = sd->Sacl;
        parts.dacl = sd->Dacl;
    }
    return true;
}

std::vector<BYTE> buildSelfRelative(const DescriptorParts& parts)
{
    DWORD size = sizeof(SECURITY_DESCRIPTOR_RELATIVE);
    SECURITY_DESCRIPTOR_RELATIVE rel{SECURITY_DESCRIPTOR_REVISION, 0, WORD(parts.control | SE_SELF_RELATIVE), 0, 0,
        0, 0};
    std::vector<BYTE> block(size);
    auto append = [&](const void* data, DWORD length) -> DWORD {
        if (!data || !length)
            return 0;
        DWORD at = DWORD(block.size());
        block.resize(at + length);
        std::memcpy(&block[at], data, length);
        return at;
    };
    rel.Owner = append(parts.owner, parts.owner ? GetLengthSid(parts.owner) : 0);
    rel.Group = append(parts.group, parts.group ? GetLengthSid(parts.group) : 0);
    rel.Sacl = append(parts.sacl, aclLength(parts.sacl));
    rel.Dacl = append(parts.dacl, aclLength(parts.dacl));
    std::memcpy(block.data(), &rel, sizeof rel);
    return block;
}

} // namespace plat::sec

BOOL InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR pSecurityDescriptor, DWORD dwRevision)
{
    if (!pSecurityDescriptor) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (dwRevision != SECURITY_DESCRIPTOR_REVISION) {
        SetLastError(ERROR_UNKNOWN_REVISION);
        return FALSE;
    }
    SECURITY_DESCRIPTOR empty{};
    empty.Revision = SECURITY_DESCRIPTOR_REVISION;
    std::memcpy(pSecurityDescriptor, &empty, sizeof empty);
    return TRUE;
}

BOOL IsValidSecurityDescriptor(PSECURITY_DESCRIPTOR pSecurityDescriptor)
{
    DescriptorParts parts;
    if (!plat::sec::readDescriptor(pSecurityDescriptor, parts))
        return FALSE;
    bool valid = (!parts.owner || IsValidSid(parts.owner)) && (!parts.group || IsValidSid(parts.group))
        && (!(parts.control & SE_DACL_PRESENT) || !parts.dacl || IsValidAcl(parts.dacl))
        && (!(parts.control & SE_SACL_PRESENT) || !parts.sacl || IsValidAcl(parts.sacl));
    if (!valid)
        SetLastError(ERROR_INVALID_SECURITY_DESCR);
    return valid ? TRUE : FALSE;
}

BOOL SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR pSecurityDescriptor, BOOL bDaclPresent, PACL pDacl,
    BOOL bDaclDefaulted)
{
    return setAcl(pSecurityDescriptor, bDaclPresent, pDacl, bDaclDefaulted, SE_DACL_PRESENT, SE_DACL_DEFAULTED,
        &SECURITY_DESCRIPTOR::Dacl);
}

BOOL SetSecurityDescriptorSacl(PSECURITY_DESCRIPTOR pSecurityDescriptor, BOOL bSaclPresent, PACL pSacl,
    BOOL bSaclDefaulted)
{
    return setAcl(pSecurityDescriptor, bSaclPresent, pSacl, bSaclDefaulted, SE_SACL_PRESENT, SE_SACL_DEFAULTED,
        &SECURITY_DESCRIPTOR::Sacl);
}

BOOL SetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR pSecurityDescriptor, PSID pOwner, BOOL bOwnerDefaulted)
{
    return setSid(pSecurityDescriptor, pOwner, bOwnerDefaulted, SE_OWNER_DEFAULTED, &SECURITY_DESCRIPTOR::Owner);
}

BOOL SetSecurityDescriptorGroup(PSECURITY_DESCRIPTOR pSecurityDescriptor, PSID pGroup, BOOL bGroupDefaulted)
{
    return setSid(pSecurityDescriptor, pGroup, bGroupDefaulted, SE_GROUP_DEFAULTED, &SECURITY_DESCRIPTOR::Group);
}

BOOL GetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR pSecurityDescriptor, LPBOOL lpbDaclPresent, PACL* pDacl,
    LPBOOL lpbDaclDefaulted)
{
    return getAcl(pSecurityDescriptor, lpbDaclPresent, pDacl, lpbDaclDefaulted, SE_DACL_PRESENT, SE_DACL_DEFAULTED,
        &DescriptorParts::dacl);
}

BOOL GetSecurityDescriptorSacl(PSECURITY_DESCRIPTOR pSecurityDescriptor, LPBOOL lpbSaclPresent, PACL* pSacl,
    LPBOOL lpbSaclDefaulted)
{
    return getAcl(pSecurityDescriptor, lpbSaclPresent, pSacl, lpbSaclDefaulted, SE_SACL_PRESENT, SE_SACL_DEFAULTED,
        &DescriptorParts::sacl);
}

BOOL GetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR pSecurityDescriptor, PSID* pOwner, LPBOOL lpbOwnerDefaulted)
{
    return getSid(pSecurityDescriptor, pOwner, lpbOwnerDefaulted, SE_OWNER_DEFAULTED, &DescriptorParts::owner);
}

BOOL GetSecurityDescriptorGroup(PSECURITY_DESCRIPTOR pSecurityDescriptor, PSID* pGroup, LPBOOL lpbGroupDefaulted)
{
    return getSid(pSecurityDescriptor, pGroup, lpbGroupDefaulted, SE_GROUP_DEFAULTED, &DescriptorParts::group);
}
