#pragma once

// Helpers shared by the security sources: SIDs of local accounts and a reader for both forms
// of a security descriptor.

#include "plat/security.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace plat::sec {

using SidBytes = std::vector<BYTE>;

SidBytes userSid(uid_t uid);
SidBytes groupSid(gid_t gid);
SidBytes everyoneSid();

bool isEveryone(PSID sid);
// The uid (or gid) a user (or group) SID stands for.
bool sidUser(PSID sid, uid_t& uid);
bool sidGroup(PSID sid, gid_t& gid);

// The name this system's accounts are qualified with.
std::string localDomain();

// The parts of a descriptor in either form; false (ERROR_INVALID_SECURITY_DESCR) when it is not
// one.
struct DescriptorParts {
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    PSID owner = nullptr;
    PSID group = nullptr;
    PACL sacl = nullptr;
    PACL dacl = nullptr;
};
bool readDescriptor(PSECURITY_DESCRIPTOR descriptor, DescriptorParts& parts);

// A self-relative descriptor holding copies of the given parts.
std::vector<BYTE> buildSelfRelative(const DescriptorParts& parts);

} // namespace plat::sec
